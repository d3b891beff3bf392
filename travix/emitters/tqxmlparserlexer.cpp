// The flex scanner file of TqXMLParserSrcWriter.
//
// Tags stand in flex patterns as quoted strings, so that characters
// special to flex match themselves; so do enumeration literals, which are
// read in a start condition of their enumeration (<ns>_V_<id>: the infix
// keeps it apart from the generic conditions and from flex's own prefixed
// names). Attribute names are looked up in a table of the element whose
// start tag is read: a rule per element and attribute would be repeated in
// a state per element, which large schemas cannot afford.
#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "travix/emitters/lexertemplates.h"
#include "travix/emitters/textsplice.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"
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

std::string EscapeMarkup(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      case '\'': escaped += "&apos;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

std::string Join(const std::vector<std::string>& names, const char* separator) {
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) text += (i ? separator : "") + names[i];
  return text;
}

// The attribute whose value an enumerated value's report names.
constexpr const char* kNoteAttribute =
    "\t\t\tszCurrentAttribute = pAttributes[nMiddle].szName;\n\t\t\tfLiteralQuote = 0;\n";

// A flex pattern of the non-empty beginnings of a text, nested so that its
// size grows with the text's length: "a"("b"("c")?)?
std::string BeginningsOf(const std::string& text, const std::string& last = "") {
  std::string pattern = last;
  for (std::size_t i = text.size(); i-- > 0;) {
    const std::string byte = FlexString(text.substr(i, 1));
    pattern = byte + (pattern.empty() ? "" : "(" + pattern + ")?");
  }
  return pattern;
}

// A value state's error for what no rule reads past its first byte.
std::string InvalidFirstByte(const std::string& ns) {
  return "yyless(1); " + ns + "_error(\"Invalid character\"); return 0;";
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

// What the value states' rule for values not written as a literal reads
// before the closing quote; the scanner's rule of the beginnings of values
// takes every such text.
bool IsValueText(const std::string& text) {
  return !text.empty() && std::string("<\"'= \t\r\n").find(text[0]) == std::string::npos &&
         text.find_first_of("<\"'", 1) == std::string::npos;
}

// The action of the rule that takes `text` at the start of a token in a
// value state, cut back to what that rule keeps; empty when none does.
std::string ValueStateAction(const std::string& text, const std::vector<std::string>& forms,
                             const std::string& literals, bool emptyLiteral, const std::string& ns) {
  const std::string cut = "yyless(" + std::to_string(text.size() - (IsQuote(text.back()) ? 1 : 0)) + "); ";
  if (text.find_first_not_of(" \t\r\n") == std::string::npos)
    return cut + "CheckForNewlines(yytext, yyleng);";
  if (text.size() == 1) {
    if (text[0] == '=') return "yyless(1); return TRAVIX_EQUALS;";
    if (IsQuote(text[0]))
      return std::string("yyless(1); return LiteralQuote(") +
             (text[0] == '"' ? "TRAVIX_DOUBLEQUOTE" : "TRAVIX_SINGLEQUOTE") + ", " +
             (emptyLiteral ? "1" : "0") + ");";
    return InvalidFirstByte(ns);
  }
  if (!IsQuote(text.back())) return "";
  const std::string value = text.substr(0, text.size() - 1);
  for (const std::string& form : forms) {
    if (form == value) return cut + "if (PopState() < 0) return 0; return EnterSymbol(TRAVIX_CDATA);";
  }
  if (IsValueText(value)) return cut + "if (PopState() < 0) return 0; return EnterLiteral(" + literals + ");";
  return "";
}

// Rules for the beginnings of literals that the rule of the beginnings of
// values does not take (a literal holding a quote, say): each does what
// the state's rules do with the longest part of it that they take.
std::string LiteralPrefixRules(const std::string& state, const std::vector<std::string>& forms,
                               const std::string& literals, bool emptyLiteral, const std::string& ns) {
  std::string rules;
  std::set<std::string> written;
  for (const std::string& form : forms) {
    for (std::size_t length = 2; length <= form.size(); ++length) {
      const std::string prefix = form.substr(0, length);
      if (IsValueText(prefix) || !written.insert(prefix).second ||
          !ValueStateAction(prefix, forms, literals, emptyLiteral, ns).empty())
        continue;
      std::string action;
      for (std::size_t kept = length - 1; action.empty(); --kept)
        action = ValueStateAction(prefix.substr(0, kept), forms, literals, emptyLiteral, ns);
      rules += "<" + state + ">" + FlexString(prefix) + "\t{ " + action + " }\n";
    }
  }
  return rules;
}

}  // namespace

// Elements of the same attributes and text share a type: the archetypes
// with attributes have one each, and two types serve every other element,
// one without text and one with.
void TqXMLParserSrcWriter::NumberScannerTypes() {
  m_scannerTypes.clear();
  int number = 0;
  for (const auto& [identifier, archetype] : m_archetypes) {
    if (!archetype.attributes.empty()) m_scannerTypes[identifier] = number++;
  }
  m_elementsScannerType = number;
}

// The scanner's type of an element of the archetype given, or of a value
// (a datatype or built-in type) for an empty name.
int TqXMLParserSrcWriter::ScannerType(const std::string& archetype) const {
  if (archetype.empty()) return m_elementsScannerType + 1;
  auto numbered = m_scannerTypes.find(archetype);
  if (numbered != m_scannerTypes.end()) return numbered->second;
  return m_elementsScannerType + (HasTextContent(m_archetypes.at(archetype).content) ? 1 : 0);
}

void TqXMLParserSrcWriter::WriteLexerRules() {
  // The attributes of each element type, sorted for AttributeName's search.
  std::size_t mostAttributes = 0;
  std::string types;
  for (const auto& [identifier, archetype] : m_archetypes) {
    if (archetype.attributes.empty()) continue;
    std::vector<const AttributeScan*> sorted;
    for (const AttributeScan& attribute : archetype.attributes) sorted.push_back(&attribute);
    std::stable_sort(sorted.begin(), sorted.end(), [](const AttributeScan* a, const AttributeScan* b) {
      return a->xmlName < b->xmlName;
    });
    m_lexTagTables << "static const AttributeEntry Attributes_" << identifier << "[] =\n{\n";
    for (const AttributeScan* attribute : sorted) {
      m_lexTagTables << "\t{" << CString(attribute->xmlName) << ", " << attribute->number << ", "
                     << attribute->valueState << ", " << (attribute->required ? 1 : 0) << "},\n";
    }
    m_lexTagTables << "};\n\n";
    mostAttributes = std::max(mostAttributes, archetype.attributes.size());
    types += "\t{Attributes_" + identifier + ", " + std::to_string(archetype.attributes.size()) +
             ", " + (HasTextContent(archetype.content) ? "1" : "0") + "},\t/* " + std::to_string(ScannerType(identifier)) +
             ": " + identifier + " */\n";
  }
  types += "\t{NULL, 0, 0},\t/* " + std::to_string(m_elementsScannerType) +
           ": elements */\n\t{NULL, 0, 1},\t/* " + std::to_string(m_elementsScannerType + 1) +
           ": text */\n";
  // which attributes of the current start tag were read
  m_lexTagTables << "static char fAttributeSeen[" << std::max<std::size_t>(mostAttributes, 1)
                 << "];\n\n";
  m_lexTagTables << "static const ElementType ElementTypes[] =\n{\n" << types << "};\n\n";
  for (const std::string& id : m_elementSet) {
    const Tag& tag = *TagById(id);
    // A name matches only as a whole: "<b" must not start "<bad".
    m_lexStartTagRules << "<INITIAL>" << FlexString("<" + tag.xmlName)
                       << "/{NameEnd}\t{ return StartTag(" << ScannerType(tag.archetype)
                       << ", STAGLEFT_" << tag.id << "); }\n";
    // XML allows white space before the ">" of an end tag.
    m_lexEndTagRules << "<INITIAL>" << FlexString("</" + tag.xmlName)
                     << "{S}?{EndTagRight}\t{ if (EndElement() < 0) return 0; return ETAG_"
                     << tag.id << "; }\n";
  }
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (!enumeration.used) continue;
    for (const std::string& text : enumeration.literals) {
      // As written, and with the markup characters written as the
      // predefined entities, as XML writers (this runtime included) write
      // them; the symbol table stores the literal either way.
      std::vector<std::string> forms = {text};
      if (std::string escaped = EscapeMarkup(text); escaped != text) forms.push_back(escaped);
      for (const std::string& form : forms) {
        m_lexLiteralRules << "<" << enumeration.state << ">" << FlexString(form)
                          << "/{LiteralEnd}\t{ if (PopState() < 0) return 0; return EnterSymbol(TRAVIX_CDATA); }\n";
      }
    }
    // Any other value (character references, say) is checked once expanded.
    m_lexLiteralTables << "static const char *const Literals_" << identifier << "[] =\n{\n";
    for (const std::string& text : enumeration.literals) m_lexLiteralTables << "\t" << CString(text) << ",\n";
    m_lexLiteralTables << "\tNULL\n};\nstatic const LiteralSet LiteralSet_" << identifier << " = {"
                   << CString(identifier) << ", Literals_" << identifier << "};\n\n";
    m_lexLiteralRules << Splice(LexerTemplates::kLiteralValueRule,
                                {{"STATE", enumeration.state}, {"LITERALS", "&LiteralSet_" + identifier}});
    if (enumeration.emptyLiteral) {
      m_lexLiteralRules << Splice(LexerTemplates::kEmptyLiteralRules, {{"STATE", enumeration.state}});
    }
  }
}

bool TqXMLParserSrcWriter::HasLiteralStates() const {
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (enumeration.used) return true;
  }
  return false;
}

void TqXMLParserSrcWriter::EmitLexerFile() {
  SetCurrentOutputStream(nullptr);
  const std::string base = GetOutputFileName();
  const std::string path = OutputPath(base + "_lexer" + m_lexerSuffix);
  OpenCurrentOutputFile(path, "Error: Unable to open Lexer file '" + path + "' for output.");
  AddGeneratedFile(path);
  AddGeneratedFile(OutputPath(base + "_lexer.c"));
  LexerEmitDefinitionSection();
  *GetCurrentOutputStream() << "%%\n";
  LexerEmitRulesSection();
  *GetCurrentOutputStream() << "%%\n\n";
  LexerEmitUserSubroutinesSection();
  CloseCurrentOutputFile();
}

void TqXMLParserSrcWriter::LexerEmitDefinitionSection() {
  const std::string& ns = GetNamespace();
  std::ostringstream header;
  std::string fileName = GetOutputFileName() + "_lexer" + m_lexerSuffix;
  EmitFileHeader(&header, fileName, BLOCK_COMMENT);

  // One start condition per enumeration that attributes use: its literals.
  std::string states;
  std::vector<std::string> literalStates;
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (enumeration.used) literalStates.push_back(enumeration.state);
  }
  if (!literalStates.empty()) {
    states = " /* Schema specific states */\n";
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
                                       {"TAG_PROTOTYPES",
                                        m_tags.empty()
                                            ? ""
                                            : Splice(LexerTemplates::kTagPrototypes, {{"NS", ns}}) +
                                                  (HasLiteralStates()
                                                       ? std::string(LexerTemplates::kLiteralPrototypes) +
                                                             m_lexLiteralTables.str()
                                                       : "")},
                                       {"SCHEMA_STATES", states}});
}

void TqXMLParserSrcWriter::LexerEmitRulesSection() {
  const std::string& ns = GetNamespace();
  std::ostream& out = *GetCurrentOutputStream();
  out << Splice(LexerTemplates::kFixedRules, {{"NS", ns}});
  out << "\n /* Element content */\n" << Splice(LexerTemplates::kContentRules, {{"NS", ns}});
  if (!m_tags.empty()) {
    out << "\n /* Element start tags */\n" << m_lexStartTagRules.str()
        << Splice(LexerTemplates::kStartTagRules, {{"NS", ns}});
    out << "\n /* Element end tags */\n" << m_lexEndTagRules.str();
  }
  const std::string literals = m_lexLiteralRules.str();
  if (!literals.empty()) {
    std::vector<std::string> literalStates;
    for (const auto& [identifier, enumeration] : m_enumerations) {
      if (enumeration.used) literalStates.push_back(enumeration.state);
    }
    out << "\n /* Enumeration literals */\n"
        << literals
        << Splice(LexerTemplates::kLiteralStateRules,
                  {{"LITERAL_STATES", Join(literalStates, ",")}})
        << Splice(LexerTemplates::kLiteralPrefixRule,
                  {{"LITERAL_STATES", Join(literalStates, ",")}, {"NS", ns}});
    for (const auto& [identifier, enumeration] : m_enumerations) {
      if (!enumeration.used) continue;
      std::vector<std::string> forms;
      for (const std::string& text : enumeration.literals) {
        forms.push_back(text);
        if (std::string escaped = EscapeMarkup(text); escaped != text) forms.push_back(escaped);
      }
      out << LiteralPrefixRules(enumeration.state, forms, "&LiteralSet_" + identifier,
                                enumeration.emptyLiteral, ns);
    }
  }
  out << "\n" << Splice(LexerTemplates::kAttributeValueRules, {{"NS", ns}});
  out << "\n" << Splice(LexerTemplates::kPrefixRules, {{"NS", ns}});
  // In the order of the names, so that a name's rule comes before those of
  // the names it begins, which would otherwise take all it matches.
  std::set<std::string> names;
  for (const std::string& id : m_elementSet) names.insert(TagById(id)->xmlName);
  for (const std::string& name : names) {
    // "<name" is a beginning too: its rule needs the byte after it; "</"
    // and white space after the name are beginnings of the end tag
    for (const std::string& pattern :
         {"\"<\"" + BeginningsOf(name), "\"</\"(" + BeginningsOf(name, "{S}") + ")?"})
      out << Splice(LexerTemplates::kTagPrefixRule, {{"TAG_PREFIXES", pattern}, {"NS", ns}});
  }
  out << "\n" << Splice(LexerTemplates::kGeneralRules, {{"NS", ns}});
}

void TqXMLParserSrcWriter::LexerEmitUserSubroutinesSection() {
  const std::string tagFunctions =
      m_tags.empty() ? ""
                     : m_lexTagTables.str() +
                           Splice(LexerTemplates::kTagFunctions,
                                  {{"NS", GetNamespace()},
                                   {"NOTE_ATTRIBUTE", HasLiteralStates() ? kNoteAttribute : ""}}) +
                           (HasLiteralStates()
                                ? Splice(LexerTemplates::kLiteralFunctions, {{"NS", GetNamespace()}})
                                : "");
  *GetCurrentOutputStream() << Splice(LexerTemplates::kSubroutines,
                                      {{"NS", GetNamespace()}, {"TAG_FUNCTIONS", tagFunctions}});
}

}  // namespace Travix
