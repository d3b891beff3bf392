// DOMErrorReporter: the error handler of every XML parser in the toolkit.
//
// Warnings and recoverable errors are dropped: the schema vocabulary is
// read without validation, so they carry nothing a writer could act on.
// A fatal error ends the parse as an XException whose message is "Error: "
// and the parser's text, and whose location is the parsed file and line.
#ifndef TRAVIX_DOMERRORREPORTER_H
#define TRAVIX_DOMERRORREPORTER_H

#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix {

class TRAVIX_SCHEMA_API DOMErrorReporter : public xercesc::ErrorHandler {
public:
  DOMErrorReporter() = default;
  ~DOMErrorReporter() override;

  void warning(const xercesc::SAXParseException& e) override;
  void error(const xercesc::SAXParseException& e) override;
  [[noreturn]] void fatalError(const xercesc::SAXParseException& e) override;
  void resetErrors() override;
};

}  // namespace Travix

#endif
