#include "travix/emitters/tqcodesrcwriter.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <iterator>
#include <map>

#include "travix/emitters/cppkeywords.h"
#include "travix/emitters/normalisation.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

namespace {

// How a built-in schema type is held: the runtime class and the plain C++
// value type. A null plain type means the writer's string type.
struct BuiltInType {
  std::u16string_view schemaName;
  std::string_view runtimeClass;
  const char* plainType;
};

constexpr std::array<BuiltInType, 24> kBuiltInTypes = {{
    {u"NMTOKEN", "NMTOKEN", nullptr},
    {u"string", "string", nullptr},
    {u"NMTOKENS", "NMTOKENS", "NMTOKENS"},
    {u"timeInstant", "timeInstant", nullptr},
    {u"timeDuration", "timeDuration", nullptr},
    {u"recurringInstant", "recurringInstant", nullptr},
    {u"binary", "binary", nullptr},
    {u"uri", "uri", nullptr},
    {u"language", "language", nullptr},
    {u"Name", "Name", nullptr},
    {u"NCName", "NCName", nullptr},
    {u"ID", "ID", nullptr},
    {u"IDREF", "IDREF", nullptr},
    {u"IDREFS", "IDREFS", "IDREFS"},
    {u"date", "date", nullptr},
    {u"time", "time", nullptr},
    {u"boolean", "boolean", "bool"},
    {u"real", "real", "double"},
    {u"decimal", "decimal", "double"},
    {u"integer", "integer", "long"},
    {u"non-negative-integer", "non_negative_integer", "unsigned long"},
    {u"positive-integer", "positive_integer", "unsigned long"},
    {u"non-positive-integer", "non_positive_integer", "long"},
    {u"negative-integer", "negative_integer", "long"},
}};

const BuiltInType& FindBuiltInType(const std::u16string& type) {
  for (const BuiltInType& entry : kBuiltInTypes) {
    if (entry.schemaName == type) return entry;
  }
  TRAVIX_THROW("Error: Unknown type '" + wstringTostring(type) + "' found");
}

// Names beside the C++ keywords that a generated class cannot carry: the
// functions generated beside the classes, the namespaces the generated code
// qualifies with, bison's reserved rule name, and macros of the headers it
// includes, of the generated scanner and grammar, or of the compilers' GNU
// modes; and the members a generated class declares or calls unqualified
// (a class's own name would hide them inside it). Sorted for binary search.
constexpr std::string_view kReserved[] = {
    "BEGIN", "BUFSIZ", "ECHO", "EOF", "EmitAttributes", "EmitXML", "FILENAME_MAX",
    "GetAnyContentList", "GetChoice", "GetContent", "GetMixedList", "GetTag", "Get_model",
    "Get_targetNS", "Get_version", "Get_xmlns", "HasAttribute", "HasElement", "INITIAL",
    "Initialize", "IsValid", "MAX_LEX_ERRORS", "MAX_LINE_SIZE", "MAX_STATE_STACK_SIZE", "NULL",
    "REJECT", "RemoveElement", "SetChoice", "SetContent", "SetTag", "SetValue",
    "SetValueFromString", "Travix", "XMLImporter", "YYABORT", "YYACCEPT", "YYDEBUG", "YYEMPTY",
    "YYEOF", "YYERROR", "YYSTYPE", "_MAX_PATH", "assert", "clone", "copyAttributesFrom",
    "create", "doIndent", "errno", "error", "final", "getAttribute", "hasValidAttributes",
    "i386", "import", "linux", "mContent", "m_anyContent", "m_choice", "m_facets", "m_mixed",
    "m_pAttributesMap", "m_value", "module", "offsetof", "override", "setAttribute", "std",
    "stderr", "stdin", "stdout", "unix"};
static_assert(std::is_sorted(std::begin(kReserved), std::end(kReserved)));

// The integer at the start of text, as atoi reads it, clamped to int.
int LeadingInteger(std::u16string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == u' ' || (text[at] >= u'\t' && text[at] <= u'\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) negative = text[at++] == u'-';
  long long value = 0;
  for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at) {
    value = std::min<long long>(value * 10 + (text[at] - u'0'), 1LL << 32);
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace

TqCodeSrcWriter::TqCodeSrcWriter() = default;
TqCodeSrcWriter::~TqCodeSrcWriter() = default;

void TqCodeSrcWriter::SetNamespace(const std::string& name) {
  m_namespace = name;
  SetOutputFileName(name);
}

void TqCodeSrcWriter::SetNamespaceDisabled(bool disabled) {
  m_namespaceDisabled = disabled;
  m_namespaceDelimiter = disabled ? "_" : "::";
}

bool TqCodeSrcWriter::IsReservedIdentifier(std::string_view identifier) {
  // TRAVIX_ and _TRAVIX_ name the runtime's macros and those the generated
  // code tests (TRAVIX_USE_MFC, _TRAVIX_SUPPRESS_READ_SUPPORT).
  return IsCppKeyword(identifier) || identifier.starts_with("TRAVIX_") ||
         identifier.starts_with("_TRAVIX_") ||
         std::binary_search(std::begin(kReserved), std::end(kReserved), identifier);
}

std::string TqCodeSrcWriter::TagToIdentifier(std::u16string_view tag, bool keepDigit) {
  if (tag.empty()) return {};
  std::string identifier = wstringTostring(tag);
  if (identifier.empty()) return "#BAD_IDENTIFIER#";
  if (!keepDigit && identifier[0] >= '0' && identifier[0] <= '9') identifier.insert(0, "X");
  // Byte by byte: every byte of a multi-byte character becomes "_", as the
  // classic locale classifies them.
  for (char& c : identifier) {
    if (!IsAsciiLetterOrDigit(c)) c = '_';
  }
  return identifier;
}

bool TqCodeSrcWriter::IsGeneratedMacroName(std::string_view identifier) const {
  // Include guards (_STEM_H, _STEM_XMLIMPORTER_H) and the macros STEM_... of
  // the binding and importer headers; STEM_EXPORTS is the one their users
  // define when building the generated code into a library.
  static constexpr std::string_view kSuffixes[] = {"_API",    "_CLASS",           "_EXPORTS",
                                                   "_H",      "_NAMESPACE",       "_XMLIMPORTER_API",
                                                   "_XMLIMPORTER_H"};
  for (std::string_view suffix : kSuffixes) {
    if (!identifier.ends_with(suffix)) continue;
    std::string_view stem = identifier.substr(0, identifier.size() - suffix.size());
    if (suffix.ends_with("_H")) {
      if (!stem.starts_with('_')) continue;
      stem.remove_prefix(1);
    }
    if (!stem.empty() &&
        (stem == MacroStemOf(GetOutputFileName()) || stem == MacroStemOf(m_namespace))) {
      return true;
    }
  }
  return false;
}

std::string TqCodeSrcWriter::MacroStemOf(std::string_view name) {
  std::string stem(name);
  for (char& c : stem) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!IsAsciiLetterOrDigit(c)) c = '_';
  }
  return stem;
}

std::string TqCodeSrcWriter::ClassIdentifier(std::u16string_view name) const {
  std::string identifier = TagToIdentifier(name, false);
  if (IsReservedIdentifier(identifier) || IsGeneratedMacroName(identifier)) identifier += '_';
  return identifier;
}

void TqCodeSrcWriter::EscapeCppString(std::string& text) {
  std::string escaped;
  escaped.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '\n':
        // Close the literal and reopen it on the next line, so generated
        // text keeps the line structure of the value.
        escaped += "\\n\"\n\"";
        break;
      case '"': escaped += "\\\""; break;
      case '\\': escaped += "\\\\"; break;
      case '\r': escaped += "\\r"; break;
      case '\t': escaped += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          // Octal escapes stop after three digits; a hex escape would run
          // on into following hex digits.
          char octal[5];
          std::snprintf(octal, sizeof octal, "\\%03o", static_cast<unsigned char>(c));
          escaped += octal;
        } else {
          escaped += c;
        }
    }
  }
  text = std::move(escaped);
}

std::string TqCodeSrcWriter::RuntimeName(std::string_view className) const {
  return m_runtimeNamespace + m_namespaceDelimiter + std::string(className);
}

std::string TqCodeSrcWriter::QualifiedName(const std::string& identifier) const {
  return m_namespace + m_namespaceDelimiter + identifier;
}

std::string TqCodeSrcWriter::ClassName(const std::string& identifier) const {
  return m_namespaceDisabled ? QualifiedName(identifier) : identifier;
}

void TqCodeSrcWriter::PrepareEmit() {
  if (m_namespace.empty()) m_namespace = GetOutputFileName();
  ClearGeneratedFiles();

  const std::string conflict =
      "Error: the specified namespace conflicts with an element name in the DTD/schema\n"
      "Retry the Travix tool with a different namespace name.";
  for (const auto& entry : GetTypesMap()) {
    const std::u16string& name = entry.first;
    if (wstringTostring(name) == m_namespace || ClassIdentifier(name) == m_namespace) {
      TRAVIX_THROW(conflict);
    }
  }
  // Every named type under <schema> becomes a class, so the check walks the
  // elements rather than the types map, which keeps one entry per name and
  // would hide two types of one name.
  std::map<std::string, std::u16string> names;
  for (const xercesc::DOMElement* type : Dom::ChildElements(GetSchemaNode())) {
    if (!ClassTypeOf(type)) continue;
    auto name = Dom::GetAttribute(type, Vocabulary::Attr::Name);
    if (!name) continue;
    std::string identifier = ClassIdentifier(*name);
    auto [seen, inserted] = names.emplace(identifier, *name);
    if (!inserted) {
      TRAVIX_THROW("Error: the names '" + wstringTostring(seen->second) + "' and '" +
                   wstringTostring(*name) + "' both become the class identifier '" + identifier +
                   "'");
    }
  }
}

const std::string TqCodeSrcWriter::XMLTypeToTravixType(const std::u16string& type) {
  return RuntimeName(FindBuiltInType(type).runtimeClass);
}

const std::string TqCodeSrcWriter::XMLTypeToCppType(const std::u16string& type) {
  const BuiltInType& entry = FindBuiltInType(type);
  return entry.plainType ? entry.plainType : GetStringType();
}

const std::string TqCodeSrcWriter::XMLTypeToParserType(const std::u16string& type) {
  const BuiltInType& entry = FindBuiltInType(type);
  if (!entry.plainType || entry.schemaName == u"NMTOKENS" || entry.schemaName == u"IDREFS") {
    return GetStringType();
  }
  return entry.plainType;
}

const std::string TqCodeSrcWriter::XMLTagToCppIdentifier(const std::u16string& tag,
                                                         bool keepDigit) {
  return TagToIdentifier(tag, keepDigit);
}

void TqCodeSrcWriter::XMLStringToCppString(std::string& text) { EscapeCppString(text); }

TqCodeSrcWriter::Occurrences TqCodeSrcWriter::OccurrencesOf(const xercesc::DOMElement* element) {
  Occurrences occurrences;
  const auto min = Dom::GetAttribute(element, Vocabulary::Attr::MinOccurs);
  if (min) occurrences.min = LeadingInteger(*min);
  if (auto max = Dom::GetAttribute(element, Vocabulary::Attr::MaxOccurs)) {
    occurrences.unbounded = *max == Vocabulary::Value::Unbounded;
    if (!occurrences.unbounded) occurrences.max = LeadingInteger(*max);
  } else if (min) {
    occurrences.max = 1;
  }
  return occurrences;
}

TqCodeSrcWriter::Occurrences TqCodeSrcWriter::ChildOccurrences(
    const xercesc::DOMElement* child) const {
  if (Dom::IsElement(child, Vocabulary::Elem::Group)) {
    if (auto ref = Dom::GetAttribute(child, Vocabulary::Attr::Ref)) {
      if (const xercesc::DOMElement* definition = FindType(*ref)) return OccurrencesOf(definition);
    }
  }
  return OccurrencesOf(child);
}

const xercesc::DOMElement* TqCodeSrcWriter::FindChildType(const xercesc::DOMElement* child,
                                                          std::u16string_view typeName) const {
  const xercesc::DOMElement* definition = FindType(typeName);
  if (definition && Dom::IsElement(child, Vocabulary::Elem::Attribute) &&
      !Dom::IsElement(definition, Vocabulary::Elem::Datatype)) {
    return nullptr;
  }
  return definition;
}

bool TqCodeSrcWriter::IsNumericValue(const xercesc::DOMElement* definition,
                                     std::u16string_view typeName) const {
  if (!definition) return IsNumericBuiltInType(typeName);
  if (!Dom::IsElement(definition, Vocabulary::Elem::Datatype)) return false;
  return IsNumericBuiltInType(GetBasetype(wstringTostring(typeName), definition));
}

bool TqCodeSrcWriter::IsNumericBuiltInType(std::u16string_view typeName) {
  static const SchemaNodeMap noSchemaTypes;
  return Travix::IsNumericType(noSchemaTypes, typeName);
}

}  // namespace Travix
