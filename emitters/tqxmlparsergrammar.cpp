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

#include "emitters/domutil.h"
#include "emitters/grammartemplates.h"
#include "emitters/schemavocabulary.h"
#include "emitters/textsplice.h"
#include "emitters/tqxmlparsersrcwriter.h"
#include "emitters/wstringtostring.h"
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

}  // namespace

int TqXMLParserSrcWriter::ProcessSchemaElems(const xercesc::DOMNode* node) {
  const std::optional<CLASS_TYPE> kind = ClassTypeOf(node);
  if (!kind) return 0;
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
  return 0;
}

void TqXMLParserSrcWriter::WalkDatatype(const xercesc::DOMElement* datatype) {
  const std::u16string name = Dom::GetAttributeOr(datatype, Vocabulary::Attr::Name);
  if (!m_walkedDatatypes.insert(name).second) return;
  const std::string identifier = ClassIdentifier(name);
  for (const xercesc::DOMElement* child : Dom::ChildElements(datatype)) {
    ProcessDatatypeElems(child, identifier);
  }
}

int TqXMLParserSrcWriter::ProcessDatatypeElems(const xercesc::DOMNode* child,
                                               std::string datatype) {
  if (!Dom::IsElement(child)) return 0;
  const auto* element = static_cast<const xercesc::DOMElement*>(child);
  const std::u16string name = Dom::NameOf(element);
  if (name == Vocabulary::Elem::Enumeration) {
    m_enumeratedDatatypes.insert(datatype);
    if (Dom::ChildElements(element).empty()) {
      TRAVIX_THROW("Error: No literals specified in enumeration for datatype '" + datatype + "'");
    }
    return ProcessDatatypeLiterals(element, datatype);
  }
  if (name == Vocabulary::Elem::Basetype) {
    const auto base = Dom::GetAttribute(element, Vocabulary::Attr::Name);
    if (!base) TRAVIX_THROW("Error: Invalid unnamed basetype for datatype '" + datatype + "'");
    if (XMLTypeToParserType(*base).empty()) {
      TRAVIX_THROW("Error: Datatype '" + datatype + "' cannot be based on datatype '" +
                   wstringTostring(*base) + "' - not supported");
    }
    return 0;
  }
  if (Vocabulary::IsFacet(name)) return 0;
  TRAVIX_THROW("Error: Invalid facet '" + wstringTostring(name) + "' for datatype '" + datatype +
               "'");
}

int TqXMLParserSrcWriter::ProcessDatatypeLiterals(const xercesc::DOMNode* enumeration,
                                                  std::string datatype) {
  Enumeration& entry = m_enumerations[datatype];
  if (entry.rule.empty()) {
    entry.identifier = datatype;
    entry.state = GetNamespace() + "_V_" + datatype;
    entry.rule = GetUniqueParserRuleName("datatype_" + datatype, "");
    entry.valueRule = GetUniqueParserRuleName("datatype_" + datatype, "_value");
  }
  for (const xercesc::DOMElement* literal : Dom::ChildElements(enumeration)) {
    if (!Dom::IsElement(literal, Vocabulary::Elem::Literal)) {
      TRAVIX_THROW("Error: Unexpected tag '" + wstringTostring(Dom::NameOf(literal)) +
                   "' in enumeration for datatype '" + datatype + "'");
    }
    const std::u16string text = Dom::TextOf(literal);
    if (text.empty()) continue;
    const std::string token = "LIT_" + XMLTagToParserIdentifier(text, true);
    // Literals that differ only in punctuation share a token: the grammar
    // reads the value from the matched text, not from the token.
    m_enumerationTokens.insert(token);
    m_usedTokens.insert(token);
    entry.literals.emplace_back(wstringTostring(text), token);
  }
  return 0;
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
  m_attsAlternatives.clear();
  m_mixedBody.str("");
  m_startAdditions.str("");
  m_endAdditions.str("");
  m_elemsAlternatives = 0;
  m_attributeCount = 0;
  m_choiceMayBeEmpty = false;
  m_currentAttsRule.clear();
  m_currentAttsLoopRule.clear();
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
    m_mixedContentRules << m_mixedBody.str() << "\n" << kRuleEnd;
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
                   << "\t\t\t\t\tparentStack.pop(); }\n"
                   << kRuleEnd;
    return;
  }

  ArchetypeGrammar& archetype = m_archetypes[parent];
  if (m_attributeCount > 0) {
    m_archetypeAttributeRules << m_currentAttsRule << "\t: %empty /* empty for zero case */"
                              << kAlternative << "xml_S" << kAlternative << m_currentAttsLoopRule
                              << " xml_S_Opt\n"
                              << kRuleEnd << m_currentAttsLoopRule << "\t: ";
    for (std::size_t i = 0; i < m_attsAlternatives.size(); ++i) {
      m_archetypeAttributeRules << (i ? kAlternative : "") << m_attsAlternatives[i];
    }
    m_archetypeAttributeRules << "\n" << kRuleEnd;
  }
  archetype.attsRule = m_currentAttsRule;
  archetype.elemsRule = elemsRule;
  archetype.startActions = m_startAdditions.str();
  archetype.attributeChecks = m_endAdditions.str();
}

// After the walk: the element rules of every tag (their archetypes are all
// walked now), the any-content rules (which list every element), the
// datatype rules of the enumerations attributes use, and the scanner's
// schema rules.
void TqXMLParserSrcWriter::FinishWalk() {
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
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (!enumeration.used) continue;
    m_datatypeRules << enumeration.rule << "\t: ";
    std::set<std::string> written;
    for (const auto& [text, token] : enumeration.literals) {
      if (!written.insert(token).second) continue;
      m_datatypeRules << (written.size() > 1 ? kAlternative : "") << token
                      << "\n\t\t\t\t{ $$ = $1; }";
    }
    m_datatypeRules << "\n" << kRuleEnd << enumeration.valueRule
                    << "\t: TRAVIX_SINGLEQUOTE " << enumeration.rule
                    << " TRAVIX_SINGLEQUOTE\n\t\t\t\t{ $$ = $2; }" << kAlternative
                    << "TRAVIX_DOUBLEQUOTE " << enumeration.rule
                    << " TRAVIX_DOUBLEQUOTE\n\t\t\t\t{ $$ = $2; }\n" << kRuleEnd;
  }
  WriteLexerRules();
}

void TqXMLParserSrcWriter::WriteArchetypeRule(std::ostream& out, const std::string& rule,
                                              const Tag& tag, const std::string& archetypeId,
                                              bool setTag) {
  const ArchetypeGrammar& archetype = m_archetypes.at(archetypeId);
  const std::string endRule = GetUniqueParserRuleName(rule, "_end");
  out << rule << "\t: STAGLEFT_" << tag.id << "\n\t\t\t\t{\tparentStack.push("
      << RuntimeName("XObjectFactory") << "::CreateObject(" << CString(QualifiedName(archetypeId))
      << "));\n";
  // The object is tagged with its type's name; an element of another name
  // must keep its own, or it is written back under the wrong one.
  if (setTag) out << "\t\t\t\t\tparentStack.top()->SetTag(" << CString(tag.xmlName) << ");\n";
  if (archetype.content == textOnly) out << "\t\t\t\t\tsTextOnly = \"\";\n";
  out << archetype.startActions << "\t\t\t\t}\n\t\t\t  "
      << (archetype.attsRule.empty() ? "xml_S_Opt" : archetype.attsRule) << "\n";
  if (!archetype.attributeChecks.empty()) {
    out << "\t\t\t\t{\n" << archetype.attributeChecks << "\t\t\t\t}\n";
  }
  out << "\t\t\t  " << endRule << "\n\t\t\t\t{\tpCurrentElement = parentStack.top();\n"
      << "\t\t\t\t\tparentStack.pop();\n";
  if (archetype.content == textOnly) {
    out << "\t\t\t\t\t(dynamic_cast<" << SchemaClass(archetypeId)
        << " *>(pCurrentElement))->SetContent(sTextOnly);\n";
  }
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
  out << reference.rule << "\t: STAGLEFT_" << tag.id << "\n\t\t\t\t{\tparentStack.push(new "
      << reference.valueClass << ");\n\t\t\t\t\tparentStack.top()->SetTag("
      << CString(tag.xmlName) << ");\n\t\t\t\t\tsTextOnly = \"\"; }\n\t\t\t  xml_S_Opt "
      << endRule << "\n\t\t\t\t{\tpCurrentElement = parentStack.top();\n"
      << "\t\t\t\t\tparentStack.pop();\n";
  const std::string element = "(dynamic_cast<" + reference.valueClass + " *>(pCurrentElement))";
  if (reference.kind == ElementReference::fromDatatype) {
    out << "\t\t\t\t\t" << reference.baseClass << " baseDatatype;\n"
        << "\t\t\t\t\tbaseDatatype.SetValueFromString(" << text << ");\n\t\t\t\t\t" << element
        << "->SetValue(baseDatatype);\n";
  } else {
    out << "\t\t\t\t\t" << element << "->SetValueFromString(" << text << ");\n";
  }
  out << "\t\t\t\t\tpCurrentElement->IsValid();\n\t\t\t\t}\n" << kRuleEnd;
  out << endRule << "\t: TRAVIX_STAGRIGHT_EMPTY" << kAlternative
      << "TRAVIX_STAGRIGHT xml_Text_zeroormore ETAG_" << tag.id << "\n" << kRuleEnd;
}

// Elements with any content hold text and every element of the schema.
void TqXMLParserSrcWriter::WriteAnyContentRules() {
  for (const auto& [parent, rule] : m_anyContent) {
    const std::string list =
        ParentObject(parent) + "->GetAnyContentList()." + GetListAppendFunc();
    const std::string text = "(new " + RuntimeName("string") + "(SymbolGetEntry($";
    m_mixedContentRules << rule << "\t: TRAVIX_PCDATA\n\t\t\t\t{\t" << list << text << "1))); }"
                        << kAlternative << rule << " TRAVIX_PCDATA\n\t\t\t\t{\t" << list << text
                        << "2))); }" << kAlternative << rule << " xml_Misc";
    for (const auto& [id, tag] : m_tags) {
      (void)id;
      for (const std::string& prefix : {std::string(), rule + " "}) {
        m_mixedContentRules << kAlternative << prefix << tag.primaryRule << "\n\t\t\t\t{\t" << list
                            << "(pCurrentElement);\n\t\t\t\t\tpCurrentElement = 0; }";
      }
    }
    m_mixedContentRules << "\n" << kRuleEnd;
  }
}

int TqXMLParserSrcWriter::EmitParserFile() {
  const std::string base = GetOutputFileName();
  const std::string path = OutputPath(base + "_parser" + m_parserSuffix);
  auto stream = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
  if (!stream->good()) {
    TRAVIX_THROW("Error: Unable to open source file '" + path + "' for output.");
  }
  AddGeneratedFile(path);
  AddGeneratedFile(OutputPath(base + "_parser.tab" + GetCppSuffix()));
  AddGeneratedFile(OutputPath(base + "_parser.tab" + GetHeaderSuffix()));
  SetCurrentOutputStream(std::move(stream));
  ParserEmitDefinitionSection();
  *GetCurrentOutputStream() << "%%\n\n";
  ParserEmitRulesSection();
  *GetCurrentOutputStream() << "%%\n\n";
  ParserEmitUserSubroutinesSection();
  SetCurrentOutputStream(nullptr);
  return 0;
}

int TqXMLParserSrcWriter::ParserEmitDefinitionSection() {
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

  std::vector<std::string> counters;
  for (const std::string& token : m_attributeList) counters.push_back("n_" + token.substr(4) + " = 0");
  if (!counters.empty()) {
    out << "/* Attribute counters */\n" << NameLines("static int", counters, 5, ", ", ";") << "\n";
  }
  if (m_textOnly) {
    out << "/* Text only strings */\nstatic " << RuntimeName("string") << " sTextOnly;\n\n";
  }
  if (m_hasIDs) {
    out << "/* XML ID set: the IDs of the document so far */\n"
        << "static std::set<std::string> documentIDs;\n\n";
  }
  out << Splice(GrammarTemplates::kElementStack, {{"NS", GetNamespace()}, {"XOBJECT", xobject}});

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
  if (!m_attributeList.empty()) {
    out << "\n/* Attribute tokens */\n" << NameLines("%token", m_attributeList, 4);
  }
  std::vector<std::string> literals;
  for (const auto& [identifier, enumeration] : m_enumerations) {
    if (!enumeration.used) continue;
    for (const auto& literal : enumeration.literals) literals.push_back(literal.second);
  }
  std::sort(literals.begin(), literals.end());
  literals.erase(std::unique(literals.begin(), literals.end()), literals.end());
  if (!literals.empty()) out << "\n/* Enumeration tokens */\n" << NameLines("%token", literals, 5);
  out << GrammarTemplates::kStart << "\n";
  return 0;
}

int TqXMLParserSrcWriter::ParserEmitRulesSection() {
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
      out << (first ? "" : kAlternative) << tag->primaryRule;
      first = false;
    }
  }
  out << "\n" << kRuleEnd;

  const std::pair<const char*, const std::ostringstream*> sections[] = {
      {"Archetype Rules", &m_archetypeRules},
      {"Element Rules", &m_elementRules},
      {"Element Content Reference Rules", &m_elementReferenceRules},
      {"Wildcard Rules", &m_occurrenceRules},
      {"Mixed Content Rules", &m_mixedContentRules},
      {"Archetype Attribute Rules", &m_archetypeAttributeRules},
      {"Attribute Rules", &m_attributeRules},
      {"Datatype Rules", &m_datatypeRules},
  };
  for (const auto& [heading, buffer] : sections) {
    const std::string text = buffer->str();
    if (!text.empty()) out << "/* " << heading << " */\n\n" << text;
  }
  if (m_textOnly) out << GrammarTemplates::kTextRule;
  if (m_usesAttValue) out << GrammarTemplates::kAttributeValueRule;
  if (m_hasIDs) out << GrammarTemplates::kIDValueRule;
  out << GrammarTemplates::kFixedRules;
  return 0;
}

int TqXMLParserSrcWriter::ParserEmitUserSubroutinesSection() {
  std::string reset;
  if (m_hasIDs) reset += "\tdocumentIDs.clear();\n";
  if (m_textOnly) reset += "\tsTextOnly = \"\";\n";
  for (const std::string& token : m_attributeList) reset += "\tn_" + token.substr(4) + " = 0;\n";
  *GetCurrentOutputStream() << Splice(GrammarTemplates::kSubroutines,
                                      {{"NS", GetNamespace()},
                                       {"XOBJECT", RuntimeName("XObject")},
                                       {"RESET_STATICS", reset}});
  return 0;
}

}  // namespace Travix
