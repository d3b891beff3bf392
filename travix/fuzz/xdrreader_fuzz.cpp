// The XDR reader on any bytes, as travix runs it: the secure parser, the
// nesting limit, the conversion to the schema vocabulary and the writers'
// reading of what it became.
#include <cstddef>
#include <cstdint>

#include <xercesc/framework/MemBufInputSource.hpp>

#include "travix/fuzz/fuzzsupport.h"
#include "travix/fuzz/interpret.h"
#include "travix/readers/xdr/xdrturn.h"
#include "travix/schema/domerrorreporter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/secureparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::StartXmlPlatform();
  try {
    Travix::DOMErrorReporter reporter;
    Travix::SecureDOMParser parser;
    parser.setErrorHandler(&reporter);
    xercesc::MemBufInputSource input(data, size, "input.xdr");
    parser.parse(input);
    xercesc::DOMDocument* document = parser.getDocument();
    Travix::Dom::RefuseDeepNesting(document, "input.xdr");
    Travix::ConvertMSSchemaToW3CSchema(document, document);
    Fuzz::InterpretWithBothWriters(document, false);
  } catch (...) {
    // travix reports every failure of these stages and exits; so do we.
  }
  return 0;
}
