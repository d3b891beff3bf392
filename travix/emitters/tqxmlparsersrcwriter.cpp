#include "travix/emitters/tqxmlparsersrcwriter.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <string_view>

#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

namespace {

// Names of the fixed grammar rules: kept out of the schema's rule names.
constexpr std::string_view kFixedRules[] = {
    "xml_document",          "xml_prolog",
    "xml_doctypedecl_opt",   "xml_doctypedecl",
    "xml_doctypedecl_rest",  "xml_intSubset",
    "xml_Misc_zeroormore",   "xml_Misc_oneormore",
    "xml_Misc",              "xml_content",
    "xml_Text_zeroormore",   "xml_AttValue",
    "xml_Attributes",        "xml_Attribute",
    "xml_element",           "xml_S",
    "xml_S_Opt",             "xml_Comment",
    "xml_Comment_nest",      "xml_PI",
    "xml_XMLDecl",           "xml_XMLDecl_rest",
    "xml_XMLDecl_afterEncoding", "xml_XMLDecl_end",
    "xml_VersionInfo",       "xml_Eq",
    "xml_SDDecl_pred",       "xml_SDDecl_YesOrNo",
    "xml_EncodingDecl_pred", "xml_ExternalID",
    "xml_SystemLiteral",     "xml_PubidLiteral",
    // bison's own names
    "error",                 "YYEOF",
    "YYerror",               "YYUNDEF",
    "YYEMPTY"};

// Prefixes of token names: a rule name must not begin with one.
constexpr std::array<std::string_view, 3> kTokenPrefixes = {"TRAVIX_", "STAGLEFT_", "ETAG_"};

bool StartsWithTokenPrefix(std::string_view name) {
  return std::any_of(kTokenPrefixes.begin(), kTokenPrefixes.end(),
                     [&](std::string_view prefix) { return name.substr(0, prefix.size()) == prefix; });
}

constexpr std::array<std::u16string_view, 22> kXMLDatatypes = {
    u"boolean",          u"integer",        u"decimal",      u"real",
    u"string",           u"negative-integer", u"non-positive-integer", u"positive-integer",
    u"non-negative-integer", u"time",       u"date",         u"IDREFS",
    u"IDREF",            u"NCName",         u"Name",         u"language",
    u"binary",           u"recurringInstant", u"timeDuration", u"timeInstant",
    u"NMTOKENS",         u"NMTOKEN"};

}  // namespace

TqXMLParserSrcWriter::TqXMLParserSrcWriter() = default;
TqXMLParserSrcWriter::~TqXMLParserSrcWriter() = default;

bool TqXMLParserSrcWriter::Emit() {
  PrepareEmit();
  RefuseAmbiguousContentModels();
  ResetWalk();
  ReserveNames();
  ProcessNode(GetDocument());
  ProcessQueuedGroups();
  FinishWalk();
  // Each file that cannot be written throws before the next is begun.
  EmitLexerFile();
  EmitParserFile();
  EmitXMLImporterHeaderFile();
  EmitXMLImporterCppFile();
  return true;
}

void TqXMLParserSrcWriter::ProcessNode(const xercesc::DOMNode* node) {
  if (!node) return;
  switch (node->getNodeType()) {
    case xercesc::DOMNode::DOCUMENT_NODE:
      for (const xercesc::DOMNode* child = node->getFirstChild(); child;
           child = child->getNextSibling()) {
        ProcessNode(child);
      }
      break;
    case xercesc::DOMNode::ELEMENT_NODE:
      if (Dom::IsElement(node, Vocabulary::Elem::Schema)) {
        for (const xercesc::DOMNode* child = node->getFirstChild(); child;
             child = child->getNextSibling()) {
          ProcessSchemaElems(child);
        }
      } else {
        std::cerr << "Expected schema and found: '" << wstringTostring(Dom::NameOf(node)) << "'"
                  << std::endl;
      }
      break;
    case xercesc::DOMNode::TEXT_NODE:
    case xercesc::DOMNode::CDATA_SECTION_NODE:
    case xercesc::DOMNode::ENTITY_REFERENCE_NODE:
    case xercesc::DOMNode::PROCESSING_INSTRUCTION_NODE:
    case xercesc::DOMNode::COMMENT_NODE:
      break;
    default:
      std::cerr << "Unrecognized node type = " << static_cast<int>(node->getNodeType())
                << " Tag = " << wstringTostring(Dom::NameOf(node)) << std::endl;
  }
}

const std::string TqXMLParserSrcWriter::XMLTypeToParserType(const std::string& type) {
  return XMLTypeToParserType(ToUtf16(type));
}

const std::string TqXMLParserSrcWriter::XMLTagToParserIdentifier(const std::u16string& tag,
                                                                 bool keepDigit) {
  return XMLTagToCppIdentifier(tag, keepDigit);
}

bool TqXMLParserSrcWriter::IsXMLDatatype(const std::u16string& name) {
  return std::find(kXMLDatatypes.begin(), kXMLDatatypes.end(), name) != kXMLDatatypes.end();
}

std::string TqXMLParserSrcWriter::GetUniqueParserRuleName(std::string stem, std::string suffix) {
  // Bison reads letters, digits and "_" in a name that does not begin with
  // a digit; names beginning like a token would be taken for one.
  for (char& c : stem) {
    const bool letterOrDigit =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!letterOrDigit) c = '_';
  }
  if (stem.empty() || (stem[0] >= '0' && stem[0] <= '9') || StartsWithTokenPrefix(stem + suffix)) {
    stem.insert(0, "X");
  }
  std::string candidate = stem + suffix;
  for (int n = 1; m_usedRuleNames.count(candidate) != 0; ++n) {
    candidate = stem + std::to_string(n) + suffix;
  }
  m_usedRuleNames.insert(candidate);
  return candidate;
}

void TqXMLParserSrcWriter::ResetWalk() {
  for (std::ostringstream* buffer :
       {&m_lexStartTagRules, &m_lexEndTagRules, &m_lexLiteralRules, &m_lexLiteralTables, &m_lexTagTables,
        &m_archetypeRules, &m_elementRules, &m_elementReferenceRules,
        &m_occurrenceRules, &m_mixedContentRules, &m_attributeSetters, &m_mixedBody}) {
    buffer->str("");
    buffer->clear();
  }
  m_elemsItems.clear();
  m_mixedElementChildren.clear();
  m_mixedGroupChildren.clear();
  m_elemsAlternatives = 0;
  m_attributeNumber = 0;
  m_choiceMayBeEmpty = false;
  m_currentMixedRule.clear();
  m_tags.clear();
  m_scannerTypes.clear();
  m_elementsScannerType = 0;
  m_elementSet.clear();
  m_textContentSet.clear();
  m_anyContent.clear();
  m_usedRuleNames.clear();
  m_enumeratedDatatypes.clear();
  m_enumerations.clear();
  m_archetypes.clear();
  m_groupRules.clear();
  m_walkedGroups.clear();
  m_groupQueue.clear();
  m_walkedDatatypes.clear();
  m_elementReferenceRuleNames.clear();
  m_elementReferences.clear();
  m_textOnly = false;
  m_hasIDs = false;
}

// Names that must be known before the walk: the fixed rules, and the rules
// and tags of the archetypes and groups, which children refer to before or
// after the walk meets their definitions. Archetypes come first, so their
// rules and tags carry their identifiers unchanged.
void TqXMLParserSrcWriter::ReserveNames() {
  for (std::string_view fixed : kFixedRules) m_usedRuleNames.insert(std::string(fixed));
  const xercesc::DOMElement* schema = GetSchemaNode();
  if (!schema) return;
  const std::vector<xercesc::DOMElement*> children = Dom::ChildElements(schema);
  for (const xercesc::DOMElement* child : children) {
    if (!Dom::IsElement(child, Vocabulary::Elem::Archetype)) continue;
    auto name = Dom::GetAttribute(child, Vocabulary::Attr::Name);
    if (!name || name->empty()) continue;
    const std::string identifier = ClassIdentifier(*name);
    ArchetypeGrammar& archetype = m_archetypes[identifier];
    archetype.rule = GetUniqueParserRuleName(identifier, "");
    archetype.tagName = wstringTostring(*name);
    archetype.content = ContentModelOf(child, identifier);
    Tag& tag = RegisterTag(*name, HasTextContent(archetype.content));
    tag.primaryRule = archetype.rule;
    tag.archetype = identifier;
    tag.archetypes.insert(identifier);
    tag.rulesByType[wstringTostring(*name)] = archetype.rule;
  }
  for (const xercesc::DOMElement* child : children) {
    if (!Dom::IsElement(child, Vocabulary::Elem::Group)) continue;
    auto name = Dom::GetAttribute(child, Vocabulary::Attr::Name);
    if (!name || name->empty()) continue;
    m_groupRules[*name] = GetUniqueParserRuleName(ClassIdentifier(*name), "_group");
  }
}

TqXMLParserSrcWriter::Tag& TqXMLParserSrcWriter::RegisterTag(const std::u16string& xmlName,
                                                             bool textContent) {
  const std::string name = wstringTostring(xmlName);
  auto found = m_tags.find(name);
  if (found != m_tags.end()) return found->second;
  Tag& tag = m_tags[name];
  tag.xmlName = name;
  const std::string stem = ClassIdentifier(xmlName);
  tag.id = stem;
  for (int n = 1; m_elementSet.count(tag.id) != 0; ++n) tag.id = stem + std::to_string(n);
  m_elementSet.insert(tag.id);
  if (textContent) m_textContentSet.insert(tag.id);
  return tag;
}

const TqXMLParserSrcWriter::Tag* TqXMLParserSrcWriter::TagById(const std::string& id) const {
  for (const auto& [name, tag] : m_tags) {
    if (tag.id == id) return &tag;
  }
  return nullptr;
}

std::string TqXMLParserSrcWriter::ParentObject(const std::string& parent) const {
  return "(dynamic_cast<" + SchemaClass(parent) + " *>(parentStack.top()))";
}

// Without namespaces the classes share the global scope with the scanner's
// and the grammar's prefixed names (an element named parse or lval gives a
// class <ns>_parse beside bison's <ns>_parse()); the class key names the
// class whichever hides it.
std::string TqXMLParserSrcWriter::SchemaClass(const std::string& identifier) const {
  return "class " + QualifiedName(identifier);
}

std::string TqXMLParserSrcWriter::CString(const std::string& text) const {
  std::string escaped = text;
  EscapeCppString(escaped);
  return "\"" + escaped + "\"";
}

std::string TqXMLParserSrcWriter::RuntimeList() const {
  return RuntimeName("XList<") + RuntimeName("XObject") + " *>";
}

}  // namespace Travix
