// XException: the one exception type of the Travix toolkit.
//
// Thrown and caught by value. It carries the message, the source file that
// raised it and the line there. It deliberately has no base class and no
// virtual operations, so handlers for std::exception do not catch it.
#ifndef TRAVIX_EXCEPT_H
#define TRAVIX_EXCEPT_H

#include <string>

#include "travixconfig.h"

TRAVIX_BEGIN_NAMESPACE

class TRAVIX_API TRAVIX_NAME(XException) {
public:
  // Names this header and this line as the place of the failure.
  TRAVIX_NAME(XException)()
      : m_message("No error message found."), m_sourceFile(__FILE__), m_sourceLine(__LINE__) {}
  TRAVIX_NAME(XException)(std::string message, const char* sourceFile, int sourceLine);
  TRAVIX_NAME(XException)(const TRAVIX_NAME(XException)&) = default;
  TRAVIX_NAME(XException)& operator=(const TRAVIX_NAME(XException)&) = default;
  ~TRAVIX_NAME(XException)() = default;

  const std::string& GetMsg() const { return m_message; }
  void SetMsg(const std::string& message) { m_message = message; }
  const std::string& GetSourceFile() const { return m_sourceFile; }
  void SetSourceFile(const std::string& file) { m_sourceFile = file; }
  int GetSourceLine() const { return m_sourceLine; }
  void SetSourceLine(int line) { m_sourceLine = line; }

  // "Error in '<file>', line <n>."
  std::string GetErrorLocation() const;

private:
  std::string m_message;
  std::string m_sourceFile;
  int m_sourceLine;
};

TRAVIX_END_NAMESPACE

// Throws an XException that names the throwing source file and line.
#define TRAVIX_THROW(message) throw TRAVIX_NAME(XException)((message), __FILE__, __LINE__)

#endif
