#include "travix/schema/domerrorreporter.h"

#include <limits>

#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

DOMErrorReporter::~DOMErrorReporter() = default;

void DOMErrorReporter::warning(const xercesc::SAXParseException&) {}

void DOMErrorReporter::error(const xercesc::SAXParseException&) {}

void DOMErrorReporter::fatalError(const xercesc::SAXParseException& e) {
  const XMLFileLoc line = e.getLineNumber();
  const int reportedLine =
      line > XMLFileLoc(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                         : static_cast<int>(line);
  XException failure("Error: " + wstringTostring(e.getMessage()), "", reportedLine);
  failure.SetSourceFile(wstringTostring(e.getSystemId()));
  throw failure;
}

void DOMErrorReporter::resetErrors() {}

}  // namespace Travix
