// The flex scanner file of TqXMLParserSrcWriter.
//
// Every schema name stands in a flex pattern as a quoted string, so that
// blanks and characters special to flex match themselves. Elements have
// start conditions of their own (<ns>_E_<id>), so do the values of
// enumerated attributes (<ns>_V_<id>): the infixes keep them apart from
// the generic conditions and from flex's own prefixed names.
#include <fstream>
#include <memory>

#include "emitters/lexertemplates.h"
#include "emitters/textsplice.h"
#include "emitters/tqxmlparsersrcwriter.h"
#include "travixexcept.h"

namespace Travix {

namespace {

// text as a flex string: quotes and backslashes escaped, control
// characters as octal escapes; other bytes stand as they are.
std::string FlexString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      const char digits[] = {'\\', static_cast<char>('0' + (byte >> 6)),
                             static_cast<char>('0' + ((byte >> 3) & 7)),
                             static_cast<char>('0' + (byte & 7))};
      quoted.append(digits, sizeof digits);
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Join(const std::vector<std::string>& names, const char* separator) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i ? separator : "") + names[i];
  return text;
}

}  // namespace

void TqXMLParserSrcWriter::WriteLexerRules() {
  const std::string& ns = GetNamespace();
  std::vector<std::string> textStates;
  for (const auto& [name, tag] : m_tags) {
    const std::string state = ns + "_E_" + tag.id;
    // A name matches only as a whole: "<b" must not start "<bad".
    m_lexStartTagRules << FlexString("<" + tag.xmlName) << "/{NameEnd}\t{ if (PushState(" << state
                       << ") < 0) return 0; return STAGLEFT_" << tag.id << "; }\n";
    // XML allows white space before the ">" of an end tag.
    m_lexEndTagRules << FlexString("</" + tag.xmlName)
                     << "{S}?{EndTagRight}\t{ if (EndElement() < 0) return 0; return ETAG_"
                     << tag.id << "; }\n";
    if (tag.textContent) textStates.push_back(state);
  }
  if (!textStates.empty()) {
    m_lexTextContentRules << "<" << Join(textStates, ",") << ">{StartTagRight}\t{ if (PushState("
                          << ns << "_MIXED) < 0) return 0; return TRAVIX_STAGRIGHT; }\n";
  }
  for (const auto& [identifier, archetype] : m_archetypes) {
    if (archetype.attributes.empty()) continue;
    const std::string states = Join(archetype.tagStates, ",");
    for (const AttributeScan& attribute : archetype.attributes) {
      m_lexAttributeRules << "<" << states << ">" << FlexString(attribute.xmlName)
                          << "/{NameEnd}\t{ if (PushState(" << attribute.valueState
                          << ") < 0) return 0; return " << attribute.token << "; }\n";
    }
  }
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (!enumeration.used) continue;
    for (const auto& [text, token] : enumeration.literals) {
      m_lexLiteralRules << "<" << enumeration.state << ">" << FlexString(text)
                        << "/{LiteralEnd}\t{ if (PopState() < 0) return 0; return EnterSymbol(" << token
                        << "); }\n";
    }
  }
}

int TqXMLParserSrcWriter::EmitLexerFile() {
  SetCurrentOutputStream(nullptr);
  const std::string base = GetOutputFileName();
  const std::string path = OutputPath(base + "_lexer" + m_lexerSuffix);
  auto stream = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
  if (!stream->good()) TRAVIX_THROW("Error: Unable to open Lexer file '" + path + "' for output.");
  AddGeneratedFile(path);
  AddGeneratedFile(OutputPath(base + "_lexer.c"));
  SetCurrentOutputStream(std::move(stream));
  LexerEmitDefinitionSection();
  *GetCurrentOutputStream() << "%%\n";
  LexerEmitRulesSection();
  *GetCurrentOutputStream() << "%%\n\n";
  LexerEmitUserSubroutinesSection();
  SetCurrentOutputStream(nullptr);
  return 0;
}

int TqXMLParserSrcWriter::LexerEmitDefinitionSection() {
  const std::string& ns = GetNamespace();
  std::ostringstream header;
  std::string fileName = GetOutputFileName() + "_lexer" + m_lexerSuffix;
  EmitFileHeader(&header, fileName, BLOCK_COMMENT);

  std::string states;
  std::vector<std::string> elementStates;
  for (const std::string& id : m_elementSet) elementStates.push_back(ns + "_E_" + id);
  std::vector<std::string> literalStates;
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (enumeration.used) literalStates.push_back(enumeration.state);
  }
  if (!elementStates.empty() || !literalStates.empty()) {
    states = " /* Schema specific states */\n";
    for (std::size_t i = 0; i < elementStates.size(); i += 5) {
      states += "%s";
      for (std::size_t j = i; j < elementStates.size() && j < i + 5; ++j) {
        states += " " + elementStates[j];
      }
      states += "\n";
    }
    for (std::size_t i = 0; i < literalStates.size(); i += 5) {
      states += "%x";
      for (std::size_t j = i; j < literalStates.size() && j < i + 5; ++j) {
        states += " " + literalStates[j];
      }
      states += "\n";
    }
  }
  *GetCurrentOutputStream() << Splice(LexerTemplates::kDefinitions,
                                      {{"HEADER", header.str()},
                                       {"NS", ns},
                                       {"BASE", GetOutputFileName()},
                                       {"TABLE_OPTION", LexerTemplates::kTableOption},
                                       {"END_ELEMENT_PROTOTYPE",
                                        m_tags.empty() ? "" : LexerTemplates::kEndElementPrototype},
                                       {"SCHEMA_STATES", states}});
  return 0;
}

int TqXMLParserSrcWriter::LexerEmitRulesSection() {
  const std::string& ns = GetNamespace();
  std::ostream& out = *GetCurrentOutputStream();
  out << Splice(LexerTemplates::kFixedRules, {{"NS", ns}});
  out << "\n /* Element start tags */\n" << m_lexStartTagRules.str();
  if (!m_textContentSet.empty()) {
    out << "\n /* Character data of elements with text content */\n"
        << m_lexTextContentRules.str() << Splice(LexerTemplates::kMixedRules, {{"NS", ns}});
  }
  out << "\n /* Element end tags */\n" << m_lexEndTagRules.str();
  out << "\n /* Attribute names */\n" << m_lexAttributeRules.str();
  const std::string literals = m_lexLiteralRules.str();
  if (!literals.empty()) {
    std::vector<std::string> literalStates;
    for (const auto& [identifier, enumeration] : m_enumerations) {
      if (enumeration.used) literalStates.push_back(enumeration.state);
    }
    out << "\n /* Enumeration literals */\n"
        << literals
        << Splice(LexerTemplates::kLiteralStateRules,
                  {{"LITERAL_STATES", Join(literalStates, ",")}});
  }
  out << "\n" << Splice(LexerTemplates::kAttributeValueRules, {{"NS", ns}});
  out << "\n" << Splice(LexerTemplates::kGeneralRules, {{"NS", ns}});
  return 0;
}

int TqXMLParserSrcWriter::LexerEmitUserSubroutinesSection() {
  const std::string endElement =
      m_tags.empty() ? ""
                     : Splice(LexerTemplates::kEndElementFunction, {{"NS", GetNamespace()}});
  *GetCurrentOutputStream() << Splice(LexerTemplates::kSubroutines,
                                      {{"NS", GetNamespace()}, {"END_ELEMENT_FUNCTION", endElement}});
  return 0;
}

}  // namespace Travix
