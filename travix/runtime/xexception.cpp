#include "travixexcept.h"

#include <utility>

TRAVIX_BEGIN_NAMESPACE

TRAVIX_NAME(XException)::TRAVIX_NAME(XException)(std::string message, const char* sourceFile,
                                                 int sourceLine)
    : m_message(std::move(message)), m_sourceFile(sourceFile ? sourceFile : ""),
      m_sourceLine(sourceLine) {}

std::string TRAVIX_NAME(XException)::GetErrorLocation() const {
  return "Error in '" + m_sourceFile + "', line " + std::to_string(m_sourceLine) + ".";
}

TRAVIX_END_NAMESPACE
