// The walk of the schema and the bison grammar file of
// TqXMLParserSrcWriter.
//
// Each archetype becomes an element rule that creates its object at the
// start tag (through XObjectFactory, by the class's qualified name), reads
// its attributes, checks them as soon as the start tag is read, and hands
// the finished object to its parent through pCurrentElement. Groups are
// rules without tags whose object is made before their first child.
// Children and attributes are in tqxmlparserchildren.cpp.
#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>

#include "travix/emitters/grammartemplates.h"
#include "travix/emitters/textsplice.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

namespace {

constexpr const char* kAlternative = "\n\t\t\t| ";
constexpr const char* kRuleEnd = "\t\t\t\t;\n\n";

// Names written n to a line after a fixed start, e.g. "%token".
std::string NameLines(const std::string& start, const std::vector<std::string>& names,
                      std::size_t perLine, const std::string& separator = " ",
                      const std::string& end = "") {
  std::string text;
  for (std::size_t i = 0; i < names.size(); i += perLine) {
    text += start;
    for (std::size_t j = i; j < names.size() && j < i + perLine; ++j) {
      text += (j == i ? " " : separator) + names[j];
    }
    text += end + "\n";
  }
  return text;
}

// Statements, one line each, indented as the lines of an action.
std::string Indented(const std::string& lines) {
  std::string text;
  std::size_t start = 0;
  for (std::size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1) {
    text += "\t\t\t\t\t" + lines.substr(start, end - start + 1);
  }
  return text;
}

}  // namespace

void TqXMLParserSrcWriter::ProcessSchemaElems(const xercesc::DOMNode* node) {
  const std::optional<CLASS_TYPE> kind = ClassTypeOf(node);
  if (!kind) return;
  const auto* element = static_cast<const xercesc::DOMElement*>(node);
  const auto name = Dom::GetAttribute(element, Vocabulary::Attr::Name);
  if (!name || name->empty()) TRAVIX_THROW("Error: Anonymous type found, not supported");
  switch (*kind) {
    case archetype:
      ProcessClass(element, archetype);
      break;
    case datatype:
      WalkDatatype(element);
      break;
    case group:
      // Walked when first referenced: a group nothing refers to would only
      // leave rules bison reports as useless.
      break;
  }
}

void TqXMLParserSrcWriter::WalkDatatype(const xercesc::DOMElement* datatype) {
  const std::u16string name = Dom::GetAttributeOr(datatype, Vocabulary::Attr::Name);
  if (!m_walkedDatatypes.insert(name).second) return;
  const std::string identifier = ClassIdentifier(name);
  for (const xercesc::DOMElement* child : Dom::ChildElements(datatype)) {
    ProcessDatatypeElems(child, identifier);
  }
}

void TqXMLParserSrcWriter::ProcessDatatypeElems(const xercesc::DOMNode* child,
                                                std::string datatype) {
  if (!Dom::IsElement(child)) return;
  const auto* element = static_cast<const xercesc::DOMElement*>(child);
  const std::u16string name = Dom::NameOf(element);
  if (name == Vocabulary::Elem::Enumeration) {
    m_enumeratedDatatypes.insert(datatype);
    if (Dom::ChildElements(element).empty()) {
      TRAVIX_THROW("Error: No literals specified in enumeration for datatype '" + datatype + "'");
    }
    ProcessDatatypeLiterals(element, datatype);
    return;
  }
  if (name == Vocabulary::Elem::Basetype) {
    const auto base = Dom::GetAttribute(element, Vocabulary::Attr::Name);
    if (!base) TRAVIX_THROW("Error: Invalid unnamed basetype for datatype '" + datatype + "'");
    if (XMLTypeToParserType(*base).empty()) {
      TRAVIX_THROW("Error: Datatype '" + datatype + "' cannot be based on datatype '" +
                   wstringTostring(*base) + "' - not supported");
    }
    return;
  }
  if (Vocabulary::IsFacet(name)) return;
  TRAVIX_THROW("Error: Invalid facet '" + wstringTostring(name) + "' for datatype '" + datatype +
               "'");
}

void TqXMLParserSrcWriter::ProcessDatatypeLiterals(const xercesc::DOMNode* enumeration,
                                                   std::string datatype) {
  Enumeration& entry = m_enumerations[datatype];
  entry.state = GetNamespace() + "_V_" + datatype;
  for (const xercesc::DOMElement* literal : Dom::ChildElements(enumeration)) {
    if (!Dom::IsElement(literal, Vocabulary::Elem::Literal)) {
      TRAVIX_THROW("Error: Unexpected tag '" + wstringTostring(Dom::NameOf(literal)) +
                   "' in enumeration for datatype '" + datatype + "'");
    }
    const std::u16string text = Dom::TextOf(literal);
    const std::string utf8 = wstringTostring(text);
    if (text.empty()) {
      entry.emptyLiteral = true;
    } else if (std::find(entry.literals.begin(), entry.literals.end(), utf8) ==
               entry.literals.end()) {
      entry.literals.push_back(utf8);
    }
  }
}

const TqXMLParserSrcWriter::Enumeration* TqXMLParserSrcWriter::EnumerationOf(
    const xercesc::DOMElement* datatype, const std::string& identifier) {
  WalkDatatype(datatype);
  auto found = m_enumerations.find(identifier);
  return found == m_enumerations.end() || found->second.literals.empty() ? nullptr
                                                                         : &found->second;
}

void TqXMLParserSrcWriter::ProcessQueuedGroups() {
  while (!m_groupQueue.empty()) {
    const xercesc::DOMElement* group = m_groupQueue.front();
    m_groupQueue.pop_front();
    if (!m_walkedGroups.count(Dom::GetAttributeOr(group, Vocabulary::Attr::Name))) {
      ProcessClass(group, TqSchemaSrcWriter::group);
    }
  }
}

void TqXMLParserSrcWriter::ProcessClass(const xercesc::DOMElement* classElement,
                                        CLASS_TYPE kind) {
  const std::u16string name = Dom::GetAttributeOr(classElement, Vocabulary::Attr::Name);
  const std::string parent = ClassIdentifier(name);
  if (kind == group) m_walkedGroups.insert(name);
  const CONTENT_MODEL content =
      kind == archetype ? ContentModelOf(classElement, parent) : elemOnly;
  const ORDER order = OrderOf(classElement, parent);

  m_elemsItems.clear();
  m_mixedElementChildren.clear();
  m_mixedGroupChildren.clear();
  m_requiredAllChildren.clear();
  m_mixedBody.str("");
  m_elemsAlternatives = 0;
  m_choiceMayBeEmpty = false;
  m_currentMixedRule.clear();

  if (content == mixed || content == any) {
    // Text and children in any order and number: one rule, which the
    // children's alternatives join as they are walked.
    const std::string rule = GetUniqueParserRuleName(parent, "_oneormore");
    m_elemsItems.push_back("%empty /* empty for zero case */");
    m_elemsItems.push_back(rule);
    if (content == any) {
      m_anyContent[parent] = rule;
    } else {
      m_currentMixedRule = rule;
      const std::string text = "(new " + RuntimeName("string") + "(SymbolGetEntry($";
      const std::string append = ParentObject(parent) + "->GetMixedList()." + GetListAppendFunc();
      m_mixedBody << rule << "\t: TRAVIX_PCDATA\n\t\t\t\t{\t" << append << text << "1))); }"
                  << kAlternative << rule << " TRAVIX_PCDATA\n\t\t\t\t{\t" << append << text
                  << "2))); }" << kAlternative << rule << " xml_Misc";
    }
  }
  if (content == textOnly) m_textOnly = true;

  for (const xercesc::DOMNode* child = classElement->getFirstChild(); child;
       child = child->getNextSibling()) {
    ProcessArchElems(child, parent, kind == group, content, order);
  }
  CloseClass(name, parent, kind, order);
}

void TqXMLParserSrcWriter::CloseClass(const std::u16string& name, const std::string& parent,
                                      CLASS_TYPE kind, ORDER order) {
  if (!m_currentMixedRule.empty()) {
    const std::string append = ParentObject(parent) + "->GetMixedList()." + GetListAppendFunc();
    std::string children;
    const std::pair<std::vector<std::string>*, const char*> kinds[] = {
        {&m_mixedElementChildren, "pCurrentElement"}, {&m_mixedGroupChildren, "pCurrentGroupElement"}};
    for (const auto& [symbols, value] : kinds) {
      if (symbols->empty()) continue;
      const std::string rule =
          GetUniqueParserRuleName(parent, symbols == &m_mixedElementChildren ? "_child" : "_groupchild");
      const std::string action = std::string("\n\t\t\t\t{\t") + append + "(" + value +
                                 ");\n\t\t\t\t\t" + value + " = 0; }";
      m_mixedBody << kAlternative << rule << action << kAlternative << m_currentMixedRule << " "
                  << rule << action;
      children += rule + "\t: ";
      for (std::size_t i = 0; i < symbols->size(); ++i) {
        children += (i ? kAlternative : "") + (*symbols)[i];
      }
      children += std::string("\n") + kRuleEnd;
    }
    m_mixedContentRules << m_mixedBody.str() << "\n" << kRuleEnd << children;
  }

  if (order == choice && m_choiceMayBeEmpty && m_currentMixedRule.empty() &&
      !m_anyContent.count(parent)) {
    m_elemsItems.insert(m_elemsItems.begin(), "%empty /* empty for zero case */");
  }
  std::string elemsRule;
  if (!m_elemsItems.empty()) {
    elemsRule = GetUniqueParserRuleName(parent, "_elems");
    const bool alternatives = !m_currentMixedRule.empty() || m_anyContent.count(parent) != 0;
    if (alternatives || order == choice) {
      m_elementRules << elemsRule << "\t: ";
      for (std::size_t i = 0; i < m_elemsItems.size(); ++i) {
        m_elementRules << (i ? kAlternative : "") << m_elemsItems[i];
      }
      m_elementRules << "\n" << kRuleEnd;
    } else if (order == all) {
      // Any order and number; IsValid and the checks of single children
      // keep the counts.
      const std::string sequence = GetUniqueParserRuleName(parent, "_all");
      const std::string item = GetUniqueParserRuleName(parent, "_allitem");
      m_elementRules << elemsRule << "\t: %empty /* empty for zero case */" << kAlternative
                     << sequence << "\n" << kRuleEnd << sequence << "\t: " << item
                     << kAlternative << sequence << " " << item << "\n" << kRuleEnd << item
                     << "\t: ";
      for (std::size_t i = 0; i < m_elemsItems.size(); ++i) {
        m_elementRules << (i ? kAlternative : "") << m_elemsItems[i];
      }
      m_elementRules << "\n" << kRuleEnd;
    } else {
      m_elementRules << elemsRule << "\t: ";
      for (std::size_t i = 0; i < m_elemsItems.size(); ++i) {
        m_elementRules << (i ? "\n\t\t\t  " : "") << m_elemsItems[i];
      }
      m_elementRules << "\n" << kRuleEnd;
    }
  }

  if (kind == group) {
    m_elementRules << m_groupRules.at(name) << "\t:\n\t\t\t\t{\tparentStack.push("
                   << RuntimeName("XObjectFactory") << "::CreateObject("
                   << CString(QualifiedName(parent)) << ")); }\n";
    if (!elemsRule.empty()) m_elementRules << "\t\t\t  " << elemsRule << "\n";
    m_elementRules << "\t\t\t\t{\tpCurrentGroupElement = parentStack.top();\n"
                   << "\t\t\t\t\tparentStack.pop();\n"
                   << Indented(RequiredChildChecks("pCurrentGroupElement", parent))
                   << "\t\t\t\t}\n" << kRuleEnd;
    return;
  }

  m_archetypes[parent].elemsRule = elemsRule;
  m_archetypes[parent].endChecks = RequiredChildChecks("pCurrentElement", parent);
}

// After the walk: the element rules of every tag (their archetypes are all
// walked now), the any-content rules (which list every element), and the
// scanner's schema rules.
void TqXMLParserSrcWriter::FinishWalk() {
  NumberScannerTypes();
  for (const auto& [identifier, archetype] : m_archetypes) {
    WriteArchetypeRule(m_archetypeRules, archetype.rule, m_tags.at(archetype.tagName), identifier,
                       false);
  }
  for (const ElementReference& reference : m_elementReferences) {
    const Tag& tag = m_tags.at(reference.tagXmlName);
    if (reference.kind == ElementReference::fromArchetype) {
      WriteArchetypeRule(m_elementReferenceRules, reference.rule, tag, reference.archetypeId, true);
    } else {
      WriteTextElementRule(m_elementReferenceRules, reference, tag);
    }
  }
  WriteAnyContentRules();
  WriteLexerRules();
}

// The statement that tells the scanner the type of the element whose
// start tag it reads, for a tag whose elements differ in attributes or
// text; empty for any other tag. It runs before the scanner reads past
// the tag's name: after STAGLEFT_ only the one rule the context allows
// goes on, so bison reduces the action without a look-ahead token.
std::string TqXMLParserSrcWriter::SelectScannerType(const Tag& tag,
                                                    const std::string& archetype) const {
  std::set<int> types;
  for (const std::string& each : tag.archetypes) types.insert(ScannerType(each));
  if (types.size() < 2) return "";
  return "\t\t\t\t\t" + GetNamespace() + "_SelectElementType(" +
         std::to_string(ScannerType(archetype)) + ");\n";
}

// The rule of a tag at the document root: that of the type the first
// declaration at the top of the schema names for the tag, when the tag has
// one of that type; otherwise its first rule.
std::string TqXMLParserSrcWriter::RootRule(const Tag& tag) const {
  if (const xercesc::DOMElement* schema = GetSchemaNode()) {
    for (const xercesc::DOMElement* element : Dom::ChildElements(schema, Vocabulary::Elem::Element)) {
      if (wstringTostring(Dom::GetAttributeOr(element, Vocabulary::Attr::Name, u"")) != tag.xmlName)
        continue;
      auto named = tag.rulesByType.find(
          wstringTostring(Dom::GetAttributeOr(element, Vocabulary::Attr::Type, u"")));
      if (named != tag.rulesByType.end()) return named->second;
    }
  }
  return tag.primaryRule;
}

// The statements that refuse an element in the places where its tag's
// first rule stands for every type the tag has: the document root and any
// content. Empty when the tag has one type and for its other rules; the
// root is left out when a declaration at the top of the schema names one
// of the tag's types, whose rule then stands there (RootRule).
std::string TqXMLParserSrcWriter::SeveralTypesGuard(const Tag& tag, const std::string& rule) const {
  if (tag.rulesByType.size() < 2 || rule != tag.primaryRule) return "";
  std::vector<std::string> places;
  bool named = false;
  if (const xercesc::DOMElement* schema = GetSchemaNode()) {
    for (const xercesc::DOMElement* element : Dom::ChildElements(schema, Vocabulary::Elem::Element)) {
      named = named ||
              (wstringTostring(Dom::GetAttributeOr(element, Vocabulary::Attr::Name, u"")) ==
                   tag.xmlName &&
               tag.rulesByType.count(
                   wstringTostring(Dom::GetAttributeOr(element, Vocabulary::Attr::Type, u""))) != 0);
    }
  }
  if (!named) places.push_back("parentStack.empty()");
  // at the root the stack is empty: nothing there is any content
  for (const auto& [parent, anyRule] : m_anyContent) {
    places.push_back("(!parentStack.empty() && dynamic_cast<" + SchemaClass(parent) +
                     " *>(parentStack.top()) != 0)");
  }
  if (places.empty()) return "";
  std::string condition;
  for (std::size_t i = 0; i < places.size(); ++i) condition += (i ? " || " : "") + places[i];
  return "\t\t\t\t\tif (" + condition + ")\n\t\t\t\t\t{\n\t\t\t\t\t\t" + GetNamespace() +
         "_error(" +
         CString("element '" + tag.xmlName +
                 "' is of several types, and nothing names its type here") +
         ");\n\t\t\t\t\t\tYYABORT;\n\t\t\t\t\t}\n";
}

void TqXMLParserSrcWriter::WriteArchetypeRule(std::ostream& out, const std::string& rule,
                                              const Tag& tag, const std::string& archetypeId,
                                              bool setTag) {
  const ArchetypeGrammar& archetype = m_archetypes.at(archetypeId);
  const std::string endRule = GetUniqueParserRuleName(rule, "_end");
  out << rule << "\t: STAGLEFT_" << tag.id << "\n\t\t\t\t{\n"
      << SeveralTypesGuard(tag, rule) << "\t\t\t\t\tparentStack.push("
      << RuntimeName("XObjectFactory") << "::CreateObject(" << CString(QualifiedName(archetypeId))
      << "));\n" << SelectScannerType(tag, archetypeId);
  // The object is tagged with its type's name; an element of another name
  // must keep its own, or it is written back under the wrong one.
  if (setTag) out << "\t\t\t\t\tparentStack.top()->SetTag(" << CString(tag.xmlName) << ");\n";
  if (archetype.content == textOnly) out << "\t\t\t\t\tsTextOnly = \"\";\n";
  out << "\t\t\t\t}\n";
  // Attributes are read by one rule for all elements; the scanner finds
  // those an element does not have.
  if (m_attributeNumber > 0) out << "\t\t\t  xml_Attributes\n";
  out << "\t\t\t  " << endRule << "\n\t\t\t\t{\tpCurrentElement = parentStack.top();\n"
      << "\t\t\t\t\tparentStack.pop();\n";
  if (archetype.content == textOnly) {
    out << "\t\t\t\t\t(dynamic_cast<" << SchemaClass(archetypeId)
        << " *>(pCurrentElement))->SetContent(sTextOnly);\n";
  }
  out << Indented(archetype.endChecks);
  out << "\t\t\t\t}\n" << kRuleEnd;

  out << endRule << "\t: TRAVIX_STAGRIGHT_EMPTY" << kAlternative << "TRAVIX_STAGRIGHT ";
  switch (archetype.content) {
    case empty:
      break;
    case textOnly:
      out << "xml_Text_zeroormore ";
      break;
    default:
      out << "xml_Misc_zeroormore ";
      if (!archetype.elemsRule.empty()) out << archetype.elemsRule << " ";
  }
  out << "ETAG_" << tag.id << "\n" << kRuleEnd;
}

void TqXMLParserSrcWriter::WriteTextElementRule(std::ostream& out,
                                                const ElementReference& reference,
                                                const Tag& tag) {
  const std::string endRule = GetUniqueParserRuleName(reference.rule, "_end");
  const std::string text = std::string("sTextOnly.") + GetStringPtr();
  out << reference.rule << "\t: STAGLEFT_" << tag.id << "\n\t\t\t\t{\n"
      << SeveralTypesGuard(tag, reference.rule) << "\t\t\t\t\tparentStack.push(new "
      << reference.valueClass << ");\n" << SelectScannerType(tag, "")
      << "\t\t\t\t\tparentStack.top()->SetTag(" << CString(tag.xmlName)
      << ");\n\t\t\t\t\tsTextOnly = \"\"; }\n\t\t\t  "
      << endRule << "\n\t\t\t\t{\tpCurrentElement = parentStack.top();\n"
      << "\t\t\t\t\tparentStack.pop();\n";
  // The rule made the object itself, of exactly this class.
  const std::string element = "(static_cast<" + reference.valueClass + " *>(pCurrentElement))";
  if (reference.kind == ElementReference::fromDatatype) {
    out << "\t\t\t\t\t" << reference.baseClass << " baseDatatype;\n"
        << "\t\t\t\t\tbaseDatatype.SetValueFromString(" << text << ");\n\t\t\t\t\t" << element
        << "->SetValue(baseDatatype);\n";
    // refused as an attribute's value is
    out << "\t\t\t\t\tif (!pCurrentElement->IsValid())\n\t\t\t\t\t{\n\t\t\t\t\t\tRefuseValue(\"element\", "
        << CString(tag.xmlName) << ", " << text << ", " << CString(reference.typeName) << ", "
        << (reference.enumerated ? "true" : "false") << ");\n\t\t\t\t\t\tYYABORT;\n\t\t\t\t\t}\n";
  } else {
    out << "\t\t\t\t\t" << element << "->SetValueFromString(" << text << ");\n"
        << "\t\t\t\t\tpCurrentElement->IsValid();\n";
  }
  out << "\t\t\t\t}\n" << kRuleEnd;
  out << endRule << "\t: TRAVIX_STAGRIGHT_EMPTY" << kAlternative
      << "TRAVIX_STAGRIGHT xml_Text_zeroormore ETAG_" << tag.id << "\n" << kRuleEnd;
}

// Elements with any content hold text and every element of the schema,
// which the one rule xml_element lists for all of them.
void TqXMLParserSrcWriter::WriteAnyContentRules() {
  for (const auto& [parent, rule] : m_anyContent) {
    const std::string list =
        ParentObject(parent) + "->GetAnyContentList()." + GetListAppendFunc();
    const std::string text = "(new " + RuntimeName("string") + "(SymbolGetEntry($";
    const std::string element = std::string("\n\t\t\t\t{\t") + list +
                                "(pCurrentElement);\n\t\t\t\t\tpCurrentElement = 0; }";
    m_mixedContentRules << rule << "\t: TRAVIX_PCDATA\n\t\t\t\t{\t" << list << text << "1))); }"
                        << kAlternative << rule << " TRAVIX_PCDATA\n\t\t\t\t{\t" << list << text
                        << "2))); }" << kAlternative << rule << " xml_Misc" << kAlternative
                        << "xml_element" << element << kAlternative << rule << " xml_element"
                        << element << "\n" << kRuleEnd;
  }
}

void TqXMLParserSrcWriter::EmitParserFile() {
  const std::string base = GetOutputFileName();
  const std::string path = OutputPath(base + "_parser" + m_parserSuffix);
  OpenCurrentOutputFile(path, "Error: Unable to open source file '" + path + "' for output.");
  AddGeneratedFile(path);
  AddGeneratedFile(OutputPath(base + "_parser.tab" + GetCppSuffix()));
  AddGeneratedFile(OutputPath(base + "_parser.tab" + GetHeaderSuffix()));
  ParserEmitDefinitionSection();
  *GetCurrentOutputStream() << "%%\n\n";
  ParserEmitRulesSection();
  *GetCurrentOutputStream() << "%%\n\n";
  ParserEmitUserSubroutinesSection();
  CloseCurrentOutputFile();
}

void TqXMLParserSrcWriter::ParserEmitDefinitionSection() {
  std::ostream& out = *GetCurrentOutputStream();
  std::ostringstream header;
  std::string fileName = GetOutputFileName() + "_parser" + m_parserSuffix;
  EmitFileHeader(&header, fileName, BLOCK_COMMENT);
  const std::string xobject = RuntimeName("XObject");
  out << Splice(GrammarTemplates::kPrologue,
                {{"HEADER", header.str()},
                 {"NS", GetNamespace()},
                 {"XOBJECT", xobject},
                 {"BINDING_HEADER", GetOutputFileName() + GetHeaderSuffix()}});

  if (m_textOnly) {
    out << "/* Text only strings */\nstatic " << RuntimeName("string") << " sTextOnly;\n\n";
  }
  if (m_hasIDs) {
    out << "/* XML ID set: the IDs of the document so far */\n"
        << "static std::set<std::string> documentIDs;\n\n";
  }
  if (m_attributeNumber > 0) out << GrammarTemplates::kAttributePrototype;
  out << Splice(GrammarTemplates::kElementStack, {{"NS", GetNamespace()},
                                                  {"XOBJECT", xobject},
                                                  {"XLIST", RuntimeName("XList")},
                                                  {"APPEND", GetListAppendFunc()}});

  std::vector<std::string> startTags;
  std::vector<std::string> endTags;
  for (const std::string& id : m_elementSet) {
    startTags.push_back("STAGLEFT_" + id);
    endTags.push_back("ETAG_" + id);
  }
  if (!startTags.empty()) {
    out << "\n/* Leftbracket-element start tags */\n" << NameLines("%token", startTags, 4)
        << "\n/* Element end tags */\n" << NameLines("%token", endTags, 5);
  } else {
    out << "\n/* The schema declares no element: no document matches */\n"
        << "%token TRAVIX_NO_ELEMENT\n";
  }
  out << GrammarTemplates::kStart << "\n";
}

void TqXMLParserSrcWriter::ParserEmitRulesSection() {
  std::ostream& out = *GetCurrentOutputStream();
  out << Splice(GrammarTemplates::kDocumentRules,
                {{"NS", GetNamespace()},
                 {"ID_SETS_CLEAR", m_hasIDs ? "\t\t\t\t\tdocumentIDs.clear();\n" : ""}});

  out << "/* Content: the root element */\nxml_content\t: ";
  if (m_tags.empty()) {
    out << "TRAVIX_NO_ELEMENT";
  } else {
    std::map<std::string, const Tag*> byId;
    for (const auto& [name, tag] : m_tags) byId[tag.id] = &tag;
    bool first = true;
    for (const auto& [id, tag] : byId) {
      out << (first ? "" : kAlternative) << RootRule(*tag);
      first = false;
    }
  }
  out << "\n" << kRuleEnd;
  if (!m_anyContent.empty()) {
    out << "/* Any element: the content of elements with any content */\nxml_element\t: ";
    bool first = true;
    for (const std::string& id : m_elementSet) {
      out << (first ? "" : kAlternative) << TagById(id)->primaryRule;
      first = false;
    }
    out << "\n" << kRuleEnd;
  }

  const std::pair<const char*, const std::ostringstream*> sections[] = {
      {"Archetype Rules", &m_archetypeRules},
      {"Element Rules", &m_elementRules},
      {"Element Content Reference Rules", &m_elementReferenceRules},
      {"Wildcard Rules", &m_occurrenceRules},
      {"Mixed Content Rules", &m_mixedContentRules},
  };
  for (const auto& [heading, buffer] : sections) {
    const std::string text = buffer->str();
    if (!text.empty()) out << "/* " << heading << " */\n\n" << text;
  }
  if (m_textOnly) out << GrammarTemplates::kTextRule;
  if (m_attributeNumber > 0) out << GrammarTemplates::kAttributeRules;
  out << GrammarTemplates::kFixedRules;
}

void TqXMLParserSrcWriter::ParserEmitUserSubroutinesSection() {
  std::string reset;
  if (m_hasIDs) reset += "\tdocumentIDs.clear();\n";
  if (m_textOnly) reset += "\tsTextOnly = \"\";\n";
  std::ostream& out = *GetCurrentOutputStream();
  out << Splice(GrammarTemplates::kSubroutines, {{"NS", GetNamespace()},
                                                 {"XOBJECT", RuntimeName("XObject")},
                                                 {"RESET_STATICS", reset}});
  if (m_attributeNumber > 0) {
    out << "\n/* The attributes' setters, by the numbers the scanner gives them */\n"
        << m_attributeSetters.str();
    std::string setters;
    for (int number = 0; number < m_attributeNumber; ++number) {
      setters += "\t\tAttribute" + std::to_string(number) + ",\n";
    }
    out << Splice(GrammarTemplates::kAttributeDispatch, {{"SETTERS", setters}});
  }
}

}  // namespace Travix
