// The rules of the children and attributes of an archetype or group in
// TqXMLParserSrcWriter: how a finished child or an attribute value reaches
// the object on top of the parent stack (set, appended to a list, set as
// the choice, appended to the mixed content), and how white space,
// comments and processing instructions may stand after every child.
//
// The object a child is handed to is always the one on top of the parent
// stack: the archetype's object, a group's object (made before the group's
// first child), or a choice list being filled. A finished child is held in
// pCurrentElement (a group in pCurrentGroupElement) until its parent takes
// it; whatever takes it clears the static, so a failed parse can free what
// is left.
#include <algorithm>

#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

namespace {

constexpr const char* kAlternative = "\n\t\t\t| ";
constexpr const char* kRuleEnd = "\t\t\t\t;\n\n";

// An action of one or more statements, written under its rule.
std::string Action(const std::string& statements) {
  std::string text = "\n\t\t\t\t{\t";
  for (char c : statements) {
    text += c;
    if (c == '\n') text += "\t\t\t\t\t";
  }
  return text + " }";
}

std::string OccurrenceSuffix(const TqCodeSrcWriter::Occurrences& occurrences) {
  const bool many = occurrences.max > 1 || occurrences.unbounded;
  if (occurrences.min == 0 && occurrences.max == 1 && !occurrences.unbounded) return "_zeroorone";
  if (occurrences.min == 0 && many) return "_zeroormore";
  if (occurrences.min == 1 && many) return "_oneormore";
  if (occurrences.min > 1) return "_wildcard";
  return "";
}

bool IsOptionalSingle(const TqCodeSrcWriter::Occurrences& occurrences) {
  return occurrences.min == 0 && occurrences.max == 1 && !occurrences.unbounded;
}

}  // namespace

void TqXMLParserSrcWriter::ProcessArchElems(const xercesc::DOMNode* child, std::string parent,
                                            bool inGroup, CONTENT_MODEL content, ORDER order) {
  if (!Dom::IsElement(child)) return;
  const auto* element = static_cast<const xercesc::DOMElement*>(child);
  if (Dom::IsElement(element, Vocabulary::Elem::Attribute)) {
    // A group has no tag of its own to carry attributes.
    if (!inGroup) ProcessAttribute(element, parent);
    return;
  }
  if (!Dom::IsElement(element, Vocabulary::Elem::Element) &&
      !Dom::IsElement(element, Vocabulary::Elem::Group)) {
    return;
  }
  // Text-only and empty elements read no children; the binding gives an
  // element with any content none of its own.
  if (content == textOnly || content == empty || content == any) return;
  const ChildSymbol symbol = ResolveChild(element, parent);
  if (content == mixed) {
    AddMixedChild(symbol, parent);
  } else {
    AddChildRules(symbol, parent, order);
  }
}

TqXMLParserSrcWriter::ChildSymbol TqXMLParserSrcWriter::ResolveChild(
    const xercesc::DOMElement* child, const std::string& parent) {
  ChildSymbol symbol;
  symbol.isGroup = Dom::IsElement(child, Vocabulary::Elem::Group);
  const auto source =
      Dom::GetAttribute(child, symbol.isGroup ? Vocabulary::Attr::Ref : Vocabulary::Attr::Name);
  if (!source || source->empty()) {
    TRAVIX_THROW("Error: anonymous element, attribute, or group found in '" + parent + "'");
  }
  symbol.sourceName = wstringTostring(*source);
  const auto memberName = Dom::GetAttribute(child, Vocabulary::Attr::MemberName);
  // The member the binding declares: for a group, the group's own name.
  symbol.member = XMLTagToParserIdentifier(memberName ? *memberName : *source, true);
  symbol.occurrences = ChildOccurrences(child);

  if (symbol.isGroup) {
    const xercesc::DOMElement* definition = FindType(*source);
    if (!definition || !Dom::IsElement(definition, Vocabulary::Elem::Group)) {
      TRAVIX_THROW("Error: element '" + symbol.member + "' references unknown type '" +
                   symbol.sourceName + "'");
    }
    symbol.symbol = m_groupRules.at(*source);
    symbol.valueClass = SchemaClass(ClassIdentifier(*source));
    symbol.value = "pCurrentGroupElement";
    if (!m_walkedGroups.count(*source)) m_groupQueue.push_back(definition);
    return symbol;
  }

  const std::u16string type = Dom::GetAttributeOr(child, Vocabulary::Attr::Type, u"string");
  symbol.value = "pCurrentElement";
  const xercesc::DOMElement* definition = FindType(type);
  if (definition && Dom::IsElement(definition, Vocabulary::Elem::Archetype)) {
    symbol.valueClass = SchemaClass(ClassIdentifier(type));
    symbol.symbol = *source == type ? m_archetypes.at(ClassIdentifier(type)).rule
                                    : ElementReferenceRule(definition, *source, type);
  } else if (definition && Dom::IsElement(definition, Vocabulary::Elem::Datatype)) {
    symbol.valueClass = SchemaClass(ClassIdentifier(type));
    symbol.symbol = ElementReferenceRule(definition, *source, type);
  } else if (!definition && Vocabulary::IsBuiltInType(type)) {
    symbol.valueClass = XMLTypeToTravixType(type);
    symbol.symbol = ElementReferenceRule(nullptr, *source, type);
  } else {
    TRAVIX_THROW("Error: element '" + symbol.member + "' references unknown type '" +
                 wstringTostring(type) + "'");
  }
  return symbol;
}

// The rule of an element whose name is not its archetype's, or whose type
// is a datatype or built in: one per name and type, with a tag of its own
// for the scanner. Its rule text is written when the walk is complete.
std::string TqXMLParserSrcWriter::ElementReferenceRule(const xercesc::DOMElement* definition,
                                                       const std::u16string& name,
                                                       const std::u16string& type) {
  auto known = m_elementReferenceRuleNames.find({name, type});
  if (known != m_elementReferenceRuleNames.end()) return known->second;

  ElementReference reference;
  bool text = true;
  if (definition && Dom::IsElement(definition, Vocabulary::Elem::Archetype)) {
    reference.kind = ElementReference::fromArchetype;
    reference.archetypeId = ClassIdentifier(type);
    text = HasTextContent(m_archetypes.at(reference.archetypeId).content);
  } else if (definition) {
    reference.kind = ElementReference::fromDatatype;
    reference.enumerated = IsEnumerated(definition);
    reference.valueClass = SchemaClass(ClassIdentifier(type));
    reference.baseClass =
        XMLTypeToTravixType(GetBasetype(wstringTostring(type), definition));
    m_textOnly = true;
  } else {
    reference.kind = ElementReference::fromBuiltIn;
    reference.valueClass = XMLTypeToTravixType(type);
    m_textOnly = true;
  }
  Tag& tag = RegisterTag(name, text);
  reference.tagXmlName = tag.xmlName;
  reference.tagId = tag.id;
  reference.typeName = wstringTostring(type);
  reference.rule = GetUniqueParserRuleName(XMLTagToParserIdentifier(name, true), "");
  const std::string archetype =
      reference.kind == ElementReference::fromArchetype ? reference.archetypeId : "";
  tag.archetypes.insert(archetype);
  tag.rulesByType.emplace(wstringTostring(type), reference.rule);
  if (tag.primaryRule.empty()) {
    // the tag's first rule: the type the scanner reads its start tags as
    tag.primaryRule = reference.rule;
    tag.archetype = archetype;
  }
  m_elementReferenceRuleNames[{name, type}] = reference.rule;
  m_elementReferences.push_back(reference);
  return reference.rule;
}

bool TqXMLParserSrcWriter::IsEnumerated(const xercesc::DOMElement* datatype) {
  for (const xercesc::DOMElement* child : Dom::ChildElements(datatype, Vocabulary::Elem::Enumeration)) {
    if (!Dom::ChildElements(child, Vocabulary::Elem::Literal).empty()) return true;
  }
  return false;
}

// The rule r : S | r S | r Misc with the actions given; a group carries
// the white space after its last child itself.
std::string TqXMLParserSrcWriter::RepeatedRule(const std::string& rule, const ChildSymbol& child,
                                               const std::string& firstAction,
                                               const std::string& nextAction) {
  m_occurrenceRules << rule << "\t: " << child.symbol << Action(firstAction) << kAlternative
                    << rule << " " << child.symbol << Action(nextAction);
  if (!child.isGroup) m_occurrenceRules << kAlternative << rule << " xml_Misc";
  m_occurrenceRules << "\n" << kRuleEnd;
  return rule;
}

void TqXMLParserSrcWriter::AddChildRules(const ChildSymbol& child, const std::string& parent,
                                         ORDER order) {
  const std::string& v = child.value;
  const std::string object = ParentObject(parent);
  const std::string append = GetListAppendFunc();
  const std::string list = RuntimeList();
  const std::string take = v + " = 0;";
  const std::string qualified = QualifiedName(parent);
  const std::string setAction = "SetElement(&" + qualified + "::Set_" + child.member + ", &" +
                                qualified + "::Adopt_" + child.member + ", " + v + ");";
  const std::string appendAction =
      "AppendElement(&" + qualified + "::Get_" + child.member + "List, " + v + ");";
  // After an element: white space, comments and processing instructions.
  const std::string misc = child.isGroup ? "" : "\n\t\t\t  xml_Misc_zeroormore";
  const Occurrences& occurrences = child.occurrences;
  const std::string suffix = OccurrenceSuffix(occurrences);
  const std::string repeatedSuffix = occurrences.unbounded ? "_oneormore" : "_wildcard";

  if (order == all) {
    if (!occurrences.MayBeAbsent()) m_requiredAllChildren.push_back(child);
    std::string action = appendAction;
    if (!occurrences.IsRepeated()) {
      const std::string name = CString(child.sourceName);
      std::string message = "element '" + child.sourceName + "' cannot appear more than once";
      action = "if (" + object + "->HasElement(" + name + "))\n{\n\t" + GetNamespace() +
               "_error(" + CString(message) + ");\n\tYYABORT;\n}\n" + setAction;
    }
    m_elemsItems.push_back(child.symbol + Action(action) + misc);
    return;
  }

  if (order == choice) {
    // Each alternative reads at least one occurrence; an alternative that
    // may be absent makes the whole choice optional instead, so that no two
    // alternatives both match nothing.
    const std::string choiceAction = "SetChoice<" + SchemaClass(parent) + ">(" + v + ");";
    if (IsOptionalSingle(occurrences) || (occurrences.IsRepeated() && occurrences.min == 0)) {
      m_choiceMayBeEmpty = true;
    }
    if (occurrences.IsRepeated()) {
      // The occurrences are collected in a list on the parent stack, which
      // becomes the choice when the last one is read.
      const std::string first = list + " * pChoiceList = new " + list + ";\npChoiceList->" +
                                append + "(" + v + ");\n" + take +
                                "\nparentStack.push(pChoiceList);";
      const std::string next = "static_cast<" + list + " *>(parentStack.top())->" + append +
                               "(" + v + ");\n" + take;
      const std::string set = RuntimeName("XObject") +
                              " * pChoiceList = parentStack.top();\nparentStack.pop();\n" +
                              "SetChoice<" + SchemaClass(parent) + ">(pChoiceList);";
      const std::string rule = RepeatedRule(
          GetUniqueParserRuleName(child.member, occurrences.min != 0 ? suffix : repeatedSuffix),
          child, first, next);
      m_elemsItems.push_back(rule + Action(set));
    } else {
      m_elemsItems.push_back(child.symbol + Action(choiceAction) + misc);
    }
    return;
  }

  // seq
  if (occurrences.IsRepeated()) {
    const std::string rule = GetUniqueParserRuleName(child.member, suffix);
    if (occurrences.min != 0) {
      RepeatedRule(rule, child, appendAction, appendAction);
    } else {
      const std::string repeated = RepeatedRule(
          GetUniqueParserRuleName(child.member, repeatedSuffix), child, appendAction, appendAction);
      m_occurrenceRules << rule << "\t: %empty /* empty for zero case */" << kAlternative
                        << repeated << "\n" << kRuleEnd;
    }
    m_elemsItems.push_back(rule);
  } else if (IsOptionalSingle(occurrences)) {
    const std::string rule = GetUniqueParserRuleName(child.member, "_zeroorone");
    m_occurrenceRules << rule << "\t: %empty /* empty for zero case */" << kAlternative
                      << child.symbol << Action(setAction) << misc << "\n" << kRuleEnd;
    m_elemsItems.push_back(rule);
  } else {
    m_elemsItems.push_back(child.symbol + Action(setAction) + misc);
  }
}

// In all order the grammar takes any child at any time; the children the
// finished object must have are checked at its end, against the object
// given (a statement per child, each line ending with a line feed).
std::string TqXMLParserSrcWriter::RequiredChildChecks(const std::string& object,
                                                      const std::string& parent) const {
  std::string checks;
  for (const ChildSymbol& child : m_requiredAllChildren) {
    std::string condition = "!" + object + "->HasElement(" + CString(child.sourceName) + ")";
    std::string message = "required element '" + child.sourceName + "' not set";
    if (child.occurrences.IsRepeated()) {
      const std::string count = std::to_string(std::max(child.occurrences.min, 1));
      condition = "(dynamic_cast<" + SchemaClass(parent) + " *>(" + object + "))->Get_" +
                  child.member + "List()." + GetListSizeFunc() + " < " + count;
      if (child.occurrences.min > 1) {
        message = "element '" + child.sourceName + "' must appear at least " + count + " times";
      }
    }
    checks += "if (" + condition + ")\n{\n\t" + GetNamespace() + "_error(" + CString(message) +
              ");\n\tYYABORT;\n}\n";
  }
  return checks;
}

// Children of mixed content join the text in any order and number; they
// are collected here and written by CloseClass as one alternative of the
// mixed rule, so that a child costs the grammar one rule without code.
void TqXMLParserSrcWriter::AddMixedChild(const ChildSymbol& child, const std::string& parent) {
  (void)parent;
  (child.isGroup ? m_mixedGroupChildren : m_mixedElementChildren).push_back(child.symbol);
}

void TqXMLParserSrcWriter::ProcessAttribute(const xercesc::DOMElement* attribute,
                                            const std::string& parent) {
  const auto name = Dom::GetAttribute(attribute, Vocabulary::Attr::Name);
  if (!name || name->empty()) {
    TRAVIX_THROW("Error: anonymous element, attribute, or group found in '" + parent + "'");
  }
  const std::string xmlName = wstringTostring(*name);
  const std::string member = XMLTagToParserIdentifier(*name, true);
  const std::u16string type = Dom::GetAttributeOr(attribute, Vocabulary::Attr::Type, u"string");
  ArchetypeGrammar& archetype = m_archetypes.at(parent);
  for (const AttributeScan& known : archetype.attributes) {
    // a second declaration of one name binds nothing (the first one holds)
    if (known.xmlName == xmlName) return;
  }

  // How the value is scanned, and how it becomes the attribute's object.
  std::string valueState = GetNamespace() + "_ATTVALUE";
  const std::string setter = "&" + QualifiedName(parent) + "::Set_" + member;
  std::string conversion = "return SetAttribute(" + setter + ", szValue);";
  std::u16string valueType = type;  // the built-in type the value is read as
  bool isID = false;
  const xercesc::DOMElement* definition = FindChildType(attribute, type);
  if (definition && Dom::IsElement(definition, Vocabulary::Elem::Datatype)) {
    // The datatype's class converts from its base class only: build the
    // base value, then the datatype from it.
    const std::string identifier = ClassIdentifier(type);
    valueType = GetBasetype(wstringTostring(type), definition);
    const std::string base = XMLTypeToTravixType(valueType);
    conversion = "return SetDatatypeAttribute<" + base + ">(" + setter + ", szValue, " +
                 CString(xmlName) + ", " + CString(wstringTostring(type)) + ", " +
                 (IsEnumerated(definition) ? "true" : "false") + ");";
    if (const Enumeration* enumeration = EnumerationOf(definition, identifier)) {
      // its literals are the only values the scanner reads for it
      m_enumerations.at(identifier).used = true;
      valueState = enumeration->state;
    }
  } else if (!definition && type == u"ID") {
    isID = true;
    m_hasIDs = true;
    valueState = GetNamespace() + "_IDN";
  } else if (definition || !Vocabulary::IsBuiltInType(type)) {
    TRAVIX_THROW("Error: Unrecognized datatype '" + wstringTostring(type) + "'");
  }

  const int number = m_attributeNumber++;
  std::string body;
  if (isID) {
    // the scanner reads an ID as a name, or nothing between the quotes
    body += "\tif (szValue[0] == '\\0')\n\t{\n\t\t" + GetNamespace() + "_error(" +
            CString("empty ID specified for attribute '" + xmlName + "'") +
            ");\n\t\treturn 1;\n\t}\n";
    body += "\tif (!documentIDs.insert(szValue).second)\n\t{\n\t\t" + GetNamespace() +
            "_error(" + CString("non-unique ID detected for attribute '" + xmlName + "'") +
            ");\n\t\treturn 1;\n\t}\n";
  }
  if (const auto fixed = Dom::GetAttribute(attribute, Vocabulary::Attr::Fixed)) {
    // A fixed attribute has no Set_: the object holds the fixed value from
    // its constructor, and the document may only repeat it: the same
    // number, however written, or else the same text.
    const std::string fixedText = CString(wstringTostring(*fixed));
    std::string differs = "strcmp(szValue, " + fixedText + ") != 0";
    const std::string parserType = XMLTypeToParserType(valueType);
    if (parserType == "long" || parserType == "unsigned long" || parserType == "double") {
      const std::string valueClass = XMLTypeToTravixType(valueType);
      body += "\t" + valueClass + " value;\n\t" + valueClass + " fixedValue;\n" +
              "\tvalue.SetValueFromString(szValue);\n\tfixedValue.SetValueFromString(" +
              fixedText + ");\n";
      differs = "value != static_cast<" + valueClass + "::value_type>(fixedValue)";
    }
    body += "\tif (" + differs + ")\n\t{\n\t\tstd::string sError = std::string(\"Incorrect attribute value '\") + "
            "szValue + " +
            CString("' specified for fixed attribute '" + xmlName + "'") + ";\n\t\t" +
            GetNamespace() + "_error(sError.c_str());\n\t\treturn 1;\n\t}\n\treturn 0;\n";
  } else {
    body += "\t" + conversion + "\n";
  }
  m_attributeSetters << "/* " << number << ": " << parent << " " << member
                     << " */\nstatic int Attribute" << number << "(const char *szValue)\n{\n"
                     << body << "}\n\n";
  archetype.attributes.push_back(
      {xmlName, number, valueState, OccurrencesOf(attribute).min > 0});
}

}  // namespace Travix
