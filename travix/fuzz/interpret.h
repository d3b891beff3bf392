// The end of every schema reader's run: the schema handed to both code
// writers, as travix hands it, the C++ writer first (each normalises the
// document in place).
#ifndef TRAVIX_FUZZ_INTERPRET_H
#define TRAVIX_FUZZ_INTERPRET_H

#include <xercesc/dom/DOMDocument.hpp>

#include "travix/emitters/tqcppschemasrcwriter.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"

namespace Fuzz {

inline void InterpretWithBothWriters(xercesc::DOMDocument* document, bool dtdMode) {
  Travix::TqCppSchemaSrcWriter cppWriter;
  cppWriter.Interpret(document);
  Travix::TqXMLParserSrcWriter parserWriter;
  parserWriter.SetDTDMode(dtdMode);
  parserWriter.Interpret(document);
}

}  // namespace Fuzz

#endif
