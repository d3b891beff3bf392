#include "travix/readers/xdr/xdrturn.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "travix/readers/xdr/xdrdatatypes.h"
#include "travix/readers/xdr/xdrvocabulary.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMDocument;
using xercesc::DOMElement;
using xercesc::DOMNode;
namespace Schema = Vocabulary;

namespace {

// Declarations by the exact value of their name attribute; a later
// declaration of a name replaces the earlier one.
using DeclarationMap = std::map<std::u16string, DOMElement*, std::less<>>;

constexpr std::u16string_view kXmlWhiteSpace = u" \t\r\n";

DOMElement* AsElement(DOMNode* node, const XMLCh* name) {
  return Dom::IsElement(node, name) ? static_cast<DOMElement*>(node) : nullptr;
}

void Detach(DOMNode* node) { node->getParentNode()->removeChild(node); }

bool IsWhiteSpace(std::u16string_view text) {
  return text.find_first_not_of(kXmlWhiteSpace) == std::u16string_view::npos;
}

// A comment may contain neither "--" nor end in "-"; the description's
// text is kept readable for anyone who writes the document out.
std::u16string CommentText(std::u16string text) {
  for (std::size_t at = text.find(u"--"); at != std::u16string::npos; at = text.find(u"--", at)) {
    text.insert(at + 1, 1, u' ');
  }
  if (!text.empty() && text.back() == u'-') text += u' ';
  return text;
}

// The name of a declaration, which must be present and not empty.
std::u16string RequiredName(const DOMElement* declaration, const char* withoutName, const char* nullName) {
  auto name = Dom::GetAttribute(declaration, Schema::Attr::Name);
  if (!name) TRAVIX_THROW(withoutName);
  if (name->empty()) TRAVIX_THROW(nullName);
  return *name;
}

std::u16string ElementTypeName(const DOMElement* elementType) {
  return RequiredName(elementType, "Error: Found an XML-Data ElementType without a name. Cannot continue.",
                      "Error: Found an XML-Data ElementType declaration with a null name. Cannot continue.");
}

std::u16string AttributeTypeName(const DOMElement* attributeType) {
  return RequiredName(
      attributeType, "Error: Found an XML-Data AttributeType declaration without a name. Cannot continue.",
      "Error: Found an XML-Data AttributeType declaration with a null name. Cannot continue.");
}

using NameRule = std::u16string (*)(const DOMElement*);

// Moves the dt:type of each <datatype> child onto the declaration, where
// the rest of the conversion looks for it, and drops the child: left
// behind, it would become an empty datatype that displaces the type of its
// archetype. kind is "ElementType" or "AttributeType", requiredName the
// matching name rule.
void TakeDatatypes(DOMElement* declaration, const std::string& kind, NameRule requiredName) {
  for (DOMElement* datatype : Dom::ChildElements(declaration, Xdr::Elem::Datatype)) {
    auto dtType = Dom::GetAttribute(datatype, Xdr::Attr::DtType);
    if (!dtType) {
      // A nameless declaration is reported as such rather than by an empty
      // name in the datatype message.
      const std::u16string name = requiredName(declaration);
      TRAVIX_THROW("Error: Found an XML-Data <datatype> declaration for " + kind + " '" +
                   wstringTostring(name) + "' without a dt:type attribute. Cannot continue.");
    }
    Dom::SetAttribute(declaration, Xdr::Attr::DtType, *dtType);
    Detach(datatype);
  }
}

// The schema type of a declaration's dt:type; "string" without one.
std::u16string_view DeclaredSchemaType(const DOMElement* declaration) {
  auto dtType = Dom::GetAttribute(declaration, Xdr::Attr::DtType);
  return dtType ? Xdr::SchemaTypeOf(*dtType) : std::u16string_view(u"string");
}

// An element type that declares no sub-elements and no attributes holds
// text at most; its uses become elements of a built-in type.
bool IsSimpleElementType(const DOMElement* elementType) {
  for (const DOMElement* child : Dom::ChildElements(elementType)) {
    if (Dom::IsElement(child, Xdr::Elem::AttributeType) || Dom::IsElement(child, Xdr::Elem::Attribute) ||
        Dom::IsElement(child, Xdr::Elem::Element) || Dom::IsElement(child, Xdr::Elem::Group)) {
      return false;
    }
  }
  return true;
}

// One conversion: the declarations it has taken out of the tree, and the
// document that makes its new nodes.
class XdrConverter {
public:
  explicit XdrConverter(DOMDocument* document) : m_document(document) {}

  void Convert(DOMNode* root) {
    CollectSimpleElementTypes(root);
    CollectAttributeTypes(root, m_globalAttributeTypes, /*underSchemaOnly=*/true);
    Rewrite(root);
  }

private:
  void CollectSimpleElementTypes(DOMNode* node);
  void CollectAttributeTypes(DOMNode* node, DeclarationMap& into, bool underSchemaOnly);
  DOMElement* FindAttributeType(std::u16string_view name) const;

  void Rewrite(DOMNode* node);
  void RewriteElement(DOMElement* element);
  void RewriteArchetype(DOMElement* archetype);
  void RewriteElementUse(DOMElement* element);
  void RewriteAttributeUse(DOMElement* attribute);
  void AppendEnumeration(DOMElement* attribute, const DOMElement* declaration,
                         const std::u16string& typeName);
  DOMElement* Rename(DOMElement* element, const XMLCh* name);
  DOMElement* NewElement(const XMLCh* name);

  DOMDocument* m_document;
  DeclarationMap m_elementTypes;
  DeclarationMap m_globalAttributeTypes;
  // The AttributeTypes declared inside the archetype being rewritten.
  DeclarationMap m_localAttributeTypes;
};

void XdrConverter::CollectSimpleElementTypes(DOMNode* node) {
  if (DOMElement* elementType = AsElement(node, Xdr::Elem::ElementType)) {
    TakeDatatypes(elementType, "ElementType", ElementTypeName);
    if (IsSimpleElementType(elementType)) {
      m_elementTypes[ElementTypeName(elementType)] = elementType;
      Detach(elementType);
      return;
    }
  }
  Dom::ForEachChild(node, [this](DOMNode* child) { CollectSimpleElementTypes(child); });
}

void XdrConverter::CollectAttributeTypes(DOMNode* node, DeclarationMap& into, bool underSchemaOnly) {
  DOMElement* attributeType = AsElement(node, Xdr::Elem::AttributeType);
  if (attributeType && (!underSchemaOnly || Dom::IsElement(node->getParentNode(), Xdr::Elem::Schema))) {
    const std::u16string name = AttributeTypeName(attributeType);
    TakeDatatypes(attributeType, "AttributeType", AttributeTypeName);
    into[name] = attributeType;
    Detach(attributeType);
    return;
  }
  Dom::ForEachChild(node, [&](DOMNode* child) { CollectAttributeTypes(child, into, underSchemaOnly); });
}

DOMElement* XdrConverter::FindAttributeType(std::u16string_view name) const {
  for (const DeclarationMap* map : {&m_localAttributeTypes, &m_globalAttributeTypes}) {
    if (auto found = map->find(name); found != map->end()) return found->second;
  }
  return nullptr;
}

void XdrConverter::Rewrite(DOMNode* node) {
  switch (node->getNodeType()) {
    case DOMNode::ELEMENT_NODE:
      RewriteElement(static_cast<DOMElement*>(node));
      break;
    case DOMNode::TEXT_NODE:
      if (IsWhiteSpace(node->getNodeValue())) Detach(node);
      break;
    case DOMNode::DOCUMENT_NODE:
      Dom::ForEachChild(node, [this](DOMNode* child) { Rewrite(child); });
      break;
    default:
      break;
  }
}

void XdrConverter::RewriteElement(DOMElement* element) {
  if (Dom::IsElement(element, Xdr::Elem::Description)) {
    const std::u16string text = CommentText(Dom::TextOf(element));
    element->getParentNode()->replaceChild(m_document->createComment(text.c_str()), element);
    return;
  }
  if (Dom::IsElement(element, Xdr::Elem::Schema)) {
    element = Rename(element, Schema::Elem::Schema);
    element->removeAttribute(Xdr::Attr::XmlnsDt);
    element->removeAttribute(Schema::Attr::Xmlns);
  }
  if (Dom::IsElement(element, Xdr::Elem::ElementType)) element = Rename(element, Schema::Elem::Archetype);

  const bool isArchetype = Dom::IsElement(element, Schema::Elem::Archetype);
  if (isArchetype) {
    RewriteArchetype(element);
  } else if (Dom::IsElement(element, Xdr::Elem::Element)) {
    RewriteElementUse(element);
  } else if (Dom::IsElement(element, Xdr::Elem::Attribute)) {
    RewriteAttributeUse(element);
  }

  auto order = Dom::GetAttribute(element, Schema::Attr::Order);
  if (order == Xdr::Value::One) Dom::SetAttribute(element, Schema::Attr::Order, Schema::Value::Choice);
  if (order == Xdr::Value::Many) Dom::SetAttribute(element, Schema::Attr::Order, Schema::Value::All);

  Dom::ForEachChild(element, [this](DOMNode* child) { Rewrite(child); });
  // Declarations inside one element type are not seen from anywhere else.
  if (isArchetype) m_localAttributeTypes.clear();
}

void XdrConverter::RewriteArchetype(DOMElement* archetype) {
  m_localAttributeTypes.clear();
  Dom::ForEachChild(archetype, [this](DOMNode* child) {
    CollectAttributeTypes(child, m_localAttributeTypes, /*underSchemaOnly=*/false);
  });
  if (Dom::GetAttribute(archetype, Schema::Attr::Content) == Xdr::Value::EltOnly) {
    Dom::SetAttribute(archetype, Schema::Attr::Content, Schema::Value::ElemOnly);
  }
  if (auto dtType = Dom::GetAttribute(archetype, Xdr::Attr::DtType)) {
    archetype->removeAttribute(Xdr::Attr::DtType);
    Dom::SetAttribute(archetype, Schema::Attr::Type, Xdr::SchemaTypeOf(*dtType));
  }
}

void XdrConverter::RewriteElementUse(DOMElement* element) {
  auto type = Dom::GetAttribute(element, Schema::Attr::Type);
  if (!type || type->empty()) {
    TRAVIX_THROW("Error: Found an XML-Data <element> declaration without a type attribute. Cannot continue.");
  }
  Dom::SetAttribute(element, Schema::Attr::Name, *type);
  if (auto simple = m_elementTypes.find(*type); simple != m_elementTypes.end()) {
    Dom::SetAttribute(element, Schema::Attr::Type, DeclaredSchemaType(simple->second));
  }
}

void XdrConverter::RewriteAttributeUse(DOMElement* attribute) {
  auto type = Dom::GetAttribute(attribute, Schema::Attr::Type);
  if (!type) {
    TRAVIX_THROW(
        "Error: Found an XML-Data <attribute> declaration with a type specification. Cannot continue.");
  }
  const DOMElement* declaration = FindAttributeType(*type);
  if (!declaration) {
    TRAVIX_THROW("Error: Found an XML-Data <attribute> declaration of type '" + wstringTostring(*type) +
                 "' without a corresponding AttributeType declaration. Cannot continue.");
  }
  Dom::SetAttribute(attribute, Schema::Attr::Name, *type);

  auto dtType = Dom::GetAttribute(declaration, Xdr::Attr::DtType);
  if (dtType == Xdr::Value::Enumeration) {
    attribute->removeAttribute(Schema::Attr::Type);
    AppendEnumeration(attribute, declaration, *type);
  } else {
    Dom::SetAttribute(attribute, Schema::Attr::Type, DeclaredSchemaType(declaration));
  }

  // The use may override what its declaration says.
  auto required = Dom::GetAttribute(attribute, Xdr::Attr::Required);
  if (!required) required = Dom::GetAttribute(declaration, Xdr::Attr::Required);
  if (required == Xdr::Value::No) {
    Dom::SetAttribute(attribute, Schema::Attr::MinOccurs, Schema::Value::Optional);
  } else if (required == Xdr::Value::Yes) {
    // The writers count an absent minimum as 0 and would not check the
    // attribute at all.
    Dom::SetAttribute(attribute, Schema::Attr::MinOccurs, u"1");
  }
  attribute->removeAttribute(Xdr::Attr::Required);

  // The declaration is gone after the conversion; its default would go
  // with it.
  if (!Dom::GetAttribute(attribute, Schema::Attr::Default)) {
    if (auto value = Dom::GetAttribute(declaration, Schema::Attr::Default)) {
      Dom::SetAttribute(attribute, Schema::Attr::Default, *value);
    }
  }
}

void XdrConverter::AppendEnumeration(DOMElement* attribute, const DOMElement* declaration,
                                     const std::u16string& typeName) {
  DOMElement* datatype = NewElement(Schema::Elem::Datatype);
  DOMElement* basetype = NewElement(Schema::Elem::Basetype);
  Dom::SetAttribute(basetype, Schema::Attr::Name, u"string");
  DOMElement* enumeration = NewElement(Schema::Elem::Enumeration);
  datatype->appendChild(basetype);
  datatype->appendChild(enumeration);
  attribute->appendChild(datatype);

  auto values = Dom::GetAttribute(declaration, Xdr::Attr::DtValues);
  if (!values || values->empty()) {
    TRAVIX_THROW("Error: Found an XML-Data enumeration declaration for AttributeType '" +
                 wstringTostring(typeName) + "' without a dt:values attribute. Cannot continue.");
  }
  std::u16string_view rest = *values;
  for (auto start = rest.find_first_not_of(kXmlWhiteSpace); start != std::u16string_view::npos;
       start = rest.find_first_not_of(kXmlWhiteSpace)) {
    rest.remove_prefix(start);
    const std::u16string word(rest.substr(0, rest.find_first_of(kXmlWhiteSpace)));
    rest.remove_prefix(word.size());
    DOMElement* literal = NewElement(Schema::Elem::Literal);
    literal->appendChild(m_document->createTextNode(word.c_str()));
    enumeration->appendChild(literal);
  }
}

DOMElement* XdrConverter::Rename(DOMElement* element, const XMLCh* name) {
  return static_cast<DOMElement*>(m_document->renameNode(element, element->getNamespaceURI(), name));
}

DOMElement* XdrConverter::NewElement(const XMLCh* name) { return m_document->createElement(name); }

}  // namespace

void ConvertMSSchemaToW3CSchema(DOMDocument* doc, DOMNode* node) {
  if (!node) node = doc;
  if (!node) return;
  // The conversion's walks recurse once per level.
  Dom::RefuseDeepNesting(node);
  DOMDocument* document = node->getNodeType() == DOMNode::DOCUMENT_NODE ? static_cast<DOMDocument*>(node)
                                                                        : node->getOwnerDocument();
  XdrConverter(document).Convert(node);
}

}  // namespace Travix
