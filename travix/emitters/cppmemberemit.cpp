// Source lines for one child of a class: members of archetypes and groups,
// facets and enumeration literals of datatypes.
#include "travix/emitters/cppbindingtemplates.h"
#include "travix/emitters/cppliterals.h"
#include "travix/emitters/textsplice.h"
#include "travix/emitters/tqcppschemasrcwriter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMElement;
using xercesc::DOMNode;
namespace Elem = Vocabulary::Elem;
namespace T = CppBindingTemplates;

namespace {

// Facets whose value counts characters or digits rather than bounding the
// value.
bool IsCountFacet(std::u16string_view facet) {
  return facet == Elem::Precision || facet == Elem::Scale || facet == Elem::Length ||
         facet == Elem::MaxLength;
}

}  // namespace

void TqCppSchemaSrcWriter::CppEmitArchElems(DOMNode* node, const std::string& classIdentifier,
                                            bool& choiceMayBeEmpty, CLASS_TYPE classType,
                                            CONTENT_MODEL content, ORDER order) {
  if (!Dom::IsElement(node, Elem::Element) && !Dom::IsElement(node, Elem::Attribute) &&
      !Dom::IsElement(node, Elem::Group)) {
    return;
  }
  const auto described = DescribeChild(static_cast<DOMElement*>(node));
  if (!described) return;
  const ChildDescription& child = *described;
  const std::string x = Literal(child.sourceName);
  const std::string& mn = child.memberName;
  const std::string qualified = QualifiedName(classIdentifier);
  const std::string exception = RuntimeName("XException");
  // Values are literals: they cannot initialise an archetype or a group.
  const bool takesValue = child.value && !child.list && !child.groupReference &&
                          (!child.typeDefinition || ClassTypeOf(child.typeDefinition) == datatype);

  if (child.attribute) {
    if (takesValue) {
      m_constructorBody << Splice(
          T::kAttributeValue,
          {{"T", child.type}, {"X", x}, {"VALUE", ValueText(child, classIdentifier)}});
    }
    if (child.occurrences.min > 0) {
      m_validityChecks << Splice(T::kRequiredAttributeCheck,
                                 {{"X", x}, {"XEXCEPTION", exception}, {"Q", qualified}});
    }
    return;
  }

  // Attributes are no alternatives of a choice; elements and groups are.
  if (HasChoiceMember(classType, content, order)) {
    // Only an alternative that may be absent lets the choice be empty; one
    // without counts stands exactly once, as the grammar reads it.
    if (child.occurrences.MayBeAbsent()) choiceMayBeEmpty = true;
    // A repeated alternative is held as a list of objects.
    m_choiceTags.push_back(Splice(T::kChoiceTag, {{"X", child.list ? "#MIXED" : x}}));
  }
  if (!ChildrenAreMembers(content, order)) return;

  const std::string indent = classType == group ? "indentLevel" : "indentLevel+1";
  if (child.list) {
    m_memberInitialisers << Splice(T::kListInitialiser, {{"MN", mn}});
    m_constructorBody << Splice(T::kListTag, {{"MN", mn}, {"X", x}});
    m_copyInitialisers << Splice(T::kListCopyInitialiser, {{"MN", mn}});
    m_copyBody << Splice(T::kListTag, {{"MN", mn}, {"X", x}});
    m_assignmentBody << Splice(T::kListAssignment, {{"MN", mn}, {"X", x}});
    m_validityChecks << Splice(T::kListValid, {{"MN", mn}});
    const std::string size = GetListSizeFunc();
    if (child.occurrences.min > 0) {
      m_validityChecks << Splice(T::kListMinimum, {{"MN", mn},
                                                   {"SIZE", size},
                                                   {"MIN", std::to_string(child.occurrences.min)},
                                                   {"XEXCEPTION", exception},
                                                   {"ID", classIdentifier},
                                                   {"X", x}});
    }
    if (child.occurrences.max > 1) {
      m_validityChecks << Splice(T::kListMaximum, {{"MN", mn},
                                                   {"SIZE", size},
                                                   {"MAX", std::to_string(child.occurrences.max)},
                                                   {"XEXCEPTION", exception},
                                                   {"ID", classIdentifier},
                                                   {"X", x}});
    }
    m_accessorDefinitions << Splice(T::kListGetter,
                                    {{"T", child.type}, {"Q", qualified}, {"MN", mn}});
    m_emitChildren << Splice(
        T::kListEmit,
        {{"ELEMENT", TypeReference(child.typeDefinition, child.typeName)}, {"MN", mn}, {"X", x}, {"INDENT", indent}});
    m_destructorBody << Splice(T::kListFree, {{"MN", mn}});
    return;
  }

  const std::initializer_list<Splicing> names = {
      {"MN", mn}, {"T", child.type}, {"X", x}, {"Q", qualified}, {"XEXCEPTION", exception}};
  m_memberInitialisers << Splice(T::kSingleInitialiser, names);
  if (takesValue) {
    const std::string value = ValueText(child, classIdentifier);
    m_constructorBody << Splice(T::kSingleValue,
                                {{"MN", mn}, {"T", child.type}, {"X", x}, {"VALUE", value}});
  }
  m_copyBody << Splice(T::kSingleCopy, names);
  m_assignmentBody << Splice(T::kSingleAssignment, names);
  m_accessorDefinitions << Splice(T::kSingleAdopter, names) << Splice(T::kSingleSetter, names)
                        << Splice(T::kSingleGetter, names);
  m_hasElementBody << Splice(T::kSingleHasElement, names);
  m_removeElementBody << Splice(T::kSingleRemoveElement, names);
  m_validityChecks << Splice(
      child.occurrences.MayBeAbsent() ? T::kOptionalValid : T::kRequiredValid, names);
  m_emitChildren << Splice(T::kSingleEmit, {{"MN", mn}, {"INDENT", indent}});
  m_destructorBody << Splice(T::kSingleDelete, names);
}

void TqCppSchemaSrcWriter::CppEmitDatatypeElems(DOMNode* node, const std::string& classIdentifier,
                                                const std::u16string& basetype) {
  if (!Dom::IsElement(node)) return;
  const std::string runtimeBasetype = XMLTypeToTravixType(basetype);
  const bool numeric = IsNumericBuiltInType(basetype);
  const std::u16string name = Dom::NameOf(node);
  const std::string facetName = wstringTostring(name);

  if (Vocabulary::IsFacet(name)) {
    const DOMNode* valueNode = node->getFirstChild();
    if (!valueNode) {
      TRAVIX_THROW("Error: Facet '" + facetName + "' of datatype '" + classIdentifier +
                   "' has no value node");
    }
    const std::u16string value = valueNode->getNodeValue() ? valueNode->getNodeValue() : u"";
    if (value.empty()) {
      TRAVIX_THROW("Error: Facet '" + facetName + "' of datatype '" + classIdentifier +
                   "' has an empty value");
    }
    std::string text;
    if (numeric) {
      auto literal = IsCountFacet(name) ? CountLiteral(wstringTostring(value))
                                        : NumericLiteral(basetype, wstringTostring(value));
      if (!literal) {
        TRAVIX_THROW("Error: Facet '" + facetName + "' of datatype '" + classIdentifier +
                     "' has the value '" + wstringTostring(value) + "', which is not " +
                     (IsCountFacet(name) ? std::string("a count")
                                         : "a value of type '" + wstringTostring(basetype) + "'"));
      }
      text = *literal;
    } else {
      text = "\"" + Literal(value) + "\"";
    }
    const std::string facet =
        RuntimeName("XFacet") + "< " + runtimeBasetype + (numeric ? ", true >" : ", false >");
    m_constructorBody << Splice(
        T::kFacet,
        {{"APPEND", GetListAppendFunc()}, {"FACET", facet}, {"KIND", facetName}, {"VALUE", text}});
    return;
  }
  if (name == Elem::Enumeration) {
    if (!node->hasChildNodes()) {
      TRAVIX_THROW("Error: No literals specified in enumeration for datatype '" + classIdentifier +
                   "'");
    }
    CppEmitDatatypeLiterals(node, classIdentifier, basetype, runtimeBasetype, numeric);
    return;
  }
  if (name == Elem::Basetype) return;
  TRAVIX_THROW("Error: Invalid facet '" + facetName + "' for datatype '" + classIdentifier + "'");
}

void TqCppSchemaSrcWriter::CppEmitDatatypeLiterals(DOMNode* node, const std::string& classIdentifier,
                                                   const std::u16string& basetype,
                                                   const std::string& runtimeBasetype,
                                                   bool numeric) {
  const std::string facet =
      RuntimeName("XFacet") + "< " + runtimeBasetype + (numeric ? ", true >" : ", false >");
  for (DOMElement* literal : Dom::ChildElements(node)) {
    if (!Dom::IsElement(literal, Elem::Literal)) {
      TRAVIX_THROW("Error: Unexpected tag '" + wstringTostring(Dom::NameOf(literal)) +
                   "' in enumeration for datatype '" + classIdentifier + "'");
    }
    const std::u16string value = Dom::TextOf(literal);
    std::string text;
    if (numeric) {
      auto number = NumericLiteral(basetype, wstringTostring(value));
      if (!number) {
        TRAVIX_THROW("Error: Literal '" + wstringTostring(value) + "' of datatype '" +
                     classIdentifier + "' is not a value of type '" + wstringTostring(basetype) +
                     "'");
      }
      text = *number;
    } else {
      text = "\"" + Literal(value) + "\"";
    }
    m_constructorBody << Splice(
        T::kFacet,
        {{"APPEND", GetListAppendFunc()}, {"FACET", facet}, {"KIND", "literal"}, {"VALUE", text}});
  }
}

}  // namespace Travix
