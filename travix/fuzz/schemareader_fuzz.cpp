// The schema reader on any bytes: the secure parser, then the writers'
// reading of the document (nesting limit, normalisation, type tables), as
// travix runs them on a schema file.
#include <cstddef>
#include <cstdint>

#include <xercesc/framework/MemBufInputSource.hpp>

#include "travix/fuzz/fuzzsupport.h"
#include "travix/fuzz/interpret.h"
#include "travix/schema/domerrorreporter.h"
#include "travix/schema/secureparser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::StartXmlPlatform();
  try {
    Travix::DOMErrorReporter reporter;
    Travix::SecureDOMParser parser;
    parser.setErrorHandler(&reporter);
    xercesc::MemBufInputSource input(data, size, "input.xsd");
    parser.parse(input);
    Fuzz::InterpretWithBothWriters(parser.getDocument(), false);
  } catch (...) {
    // travix reports every failure of these stages and exits; so do we.
  }
  return 0;
}
