// Shared by the DTD reader's tests: a reader run that keeps its
// preprocessor text, the schema text of a DTD, and the parsing pass's
// tokens written out as one compact line.
#ifndef TRAVIX_DTDTESTSUPPORT_H
#define TRAVIX_DTDTESTSUPPORT_H

#include <map>
#include <sstream>
#include <string>

#include "travix/readers/dtd/dtdgrammar.hpp"
#include "travix/readers/dtd/dtdscanner.h"
#include "travix/readers/dtd/dtdsymbols.h"
#include "travix/readers/dtd/schematext.h"
#include "travix/readers/dtd/tqdeclreader.h"
#include "tests/support/tempdir.h"
#include "travixexcept.h"

namespace DtdTest {

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The outcome of reading dir/name with the preprocessor text kept in dir.
struct Outcome {
  bool parsed = false;
  std::string error;  // the XException's message when the run failed
  std::string prep;   // the preprocessor text, as far as the run got
};

inline Outcome ReadDtd(const TestSupport::TempDir& dir, const std::string& name) {
  Outcome outcome;
  Travix::TqDeclReader reader;
  reader.SetOutputDir(dir.Path());
  reader.SetSavePrepOutput(true);
  try {
    outcome.parsed = reader.Parse(dir.Path(name));
  } catch (const Travix::XException& e) {
    outcome.error = e.GetMsg();
  }
  outcome.prep = dir.Read(name + ".prep");
  return outcome;
}

// The schema text that the DTD text becomes (as Print writes it, without
// the declaration line), or "error: " and the run's error.
inline std::string SchemaOf(const std::string& dtd) {
  TestSupport::TempDir dir;
  dir.Write("t.dtd", dtd);
  Travix::TqDeclReader reader;
  reader.SetReadDisabled(true);
  try {
    reader.Parse(dir.Path("t.dtd"));
  } catch (const Travix::XException& e) {
    return "error: " + e.GetMsg();
  }
  std::ostringstream text;
  using Travix::operator<<;
  text << *reader.getSchema();
  Travix::TqDeclReader::ReleaseDocument();
  return text.str();
}

// The first line of an error message ("Error: file: line n: message at
// token "t" in the following line:").
inline std::string Headline(const std::string& error) { return error.substr(0, error.find('\n')); }

// The tokens of the parsing pass over text, one per word: fixed tokens as
// they are written, valued tokens as KIND:text.
inline std::string Tokens(const std::string& text) {
  static const std::map<int, std::string> names = {
      {TOK_ELEMENT_OPEN, "<!ELEMENT"}, {TOK_ATTLIST_OPEN, "<!ATTLIST"},
      {TOK_ENTITY_OPEN, "<!ENTITY"}, {TOK_NOTATION_OPEN, "<!NOTATION"},
      {TOK_DECL_CLOSE, ">"}, {TOK_COMMENT_OPEN, "<!--"}, {TOK_COMMENT_TEXT, "comment"},
      {TOK_COMMENT_CLOSE, "-->"}, {TOK_PI_OPEN, "<?"}, {TOK_XMLDECL_OPEN, "<?xml"},
      {TOK_PI_DATA, "data"}, {TOK_PI_CLOSE, "?>"}, {TOK_EQ, "="}, {TOK_LPAREN, "("},
      {TOK_RPAREN, ")"}, {TOK_PIPE, "|"}, {TOK_COMMA, ","}, {TOK_OPT, "?"}, {TOK_STAR, "*"},
      {TOK_PLUS, "+"}, {TOK_PCDATA, "#PCDATA"}, {TOK_EMPTY, "EMPTY"}, {TOK_ANY, "ANY"},
      {TOK_CDATA, "CDATA"}, {TOK_ID, "ID"}, {TOK_IDREF, "IDREF"}, {TOK_IDREFS, "IDREFS"},
      {TOK_ENTITY, "ENTITY"}, {TOK_ENTITIES, "ENTITIES"}, {TOK_NMTOKEN_TYPE, "NMTOKEN"},
      {TOK_NMTOKENS_TYPE, "NMTOKENS"}, {TOK_REQUIRED, "#REQUIRED"}, {TOK_IMPLIED, "#IMPLIED"},
      {TOK_FIXED, "#FIXED"}, {TOK_PERCENT, "%"}, {TOK_SYSTEM, "SYSTEM"}, {TOK_PUBLIC, "PUBLIC"},
      {TOK_NDATA, "NDATA"}, {TOK_DQUOTE, "\""}, {TOK_SQUOTE, "'"}, {TOK_WS, "_"},
      {TOK_NAME, "name:"}, {TOK_NMTOKEN, "nmtoken:"}, {TOK_PI_TARGET, "target:"},
      {TOK_ENTITY_VALUE, "value:"}, {TOK_SYSTEM_LITERAL, "system:"},
      {TOK_PUBID_LITERAL, "public:"}, {TOK_ATT_VALUE, "att:"}};
  Travix::Dtd::ResetScanner();
  Travix::Dtd::Scanner scanner;
  Travix::Dtd::StartParsingPass(scanner, text, "test.dtd");
  std::string line;
  DTDSTYPE value;
  for (int token; (token = dtdlex(&value, scanner.Handle())) != 0;) {
    if (!line.empty()) line += ' ';
    auto name = names.find(token);
    line += name == names.end() ? "?" + std::to_string(token) : name->second;
    if (name != names.end() && name->second.back() == ':')
      line += std::string(Travix::Dtd::SymbolText(value.symbol));
  }
  return line;
}

}  // namespace DtdTest

#endif
