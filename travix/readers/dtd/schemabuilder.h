// What the DTD grammar's actions build: the schema document of a DTD.
//
// An element declaration becomes an `archetype` (the first one declared
// also the document's root `element`), each parenthesised list of its
// content a `group` holding `element` references, and an attribute-list
// declaration `attribute` elements of the archetype it names, enumerations
// as an unnamed `datatype`. Entities, notations, comments and processing
// instructions leave nothing behind.
//
// The builder keeps a stack of open elements, the schema element at its
// bottom; texts come from the reader's symbol table by row.
#ifndef TRAVIX_DTD_SCHEMABUILDER_H
#define TRAVIX_DTD_SCHEMABUILDER_H

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>

namespace Travix::Dtd {

// The suffix after a content particle.
enum class Occurrence { Once, Optional, ZeroOrMore, OneOrMore };

// How the items of a parenthesised list are separated.
enum class GroupOrder { Sequence, Choice };

// The DOM text of a symbol-table text. The reader's table keeps characters
// of character references, and backslashes, as C escapes of their UTF-8
// bytes ("\xC2\xA0", "\x5C"; storedtext.h), which the entities source
// needs; in the schema they are characters again. Only escapes that the
// table writes are read back: one ASCII character, or a whole well-formed
// UTF-8 sequence.
std::u16string SchemaText(std::string_view symbolText);

class SchemaBuilder {
public:
  explicit SchemaBuilder(xercesc::DOMElement* schema);
  SchemaBuilder(const SchemaBuilder&) = delete;
  SchemaBuilder& operator=(const SchemaBuilder&) = delete;

  // "<!ELEMENT" name: opens the element's archetype.
  void BeginElement(int nameRow);
  // Content "EMPTY", "ANY", "(#PCDATA)" or mixed: the archetype's `content`.
  void SetContent(const XMLCh* content);
  // "(" of element content, ")" with its separator and suffix.
  void OpenGroup();
  void CloseGroup(GroupOrder order, Occurrence occurrence);
  // A name in element content (in the innermost group), or in mixed
  // content (directly in the archetype, with no occurrence).
  void AddElementReference(int nameRow, Occurrence occurrence);

  // "<!ATTLIST" name: the attributes go to the last archetype of that name,
  // or to the innermost open element when there is none yet.
  void BeginAttributeList(int nameRow);
  void BeginAttribute(int nameRow);
  void SetAttributeType(const XMLCh* type);
  void BeginEnumeration();
  void AddEnumerationValue(int valueRow);
  void EndEnumeration();
  void SetRequired();
  void SetFixed(int valueRow);
  void SetDefault(int valueRow);

  // The ">" of an element or attribute-list declaration.
  void EndDeclaration();

private:
  xercesc::DOMElement* Innermost() const { return m_open.back(); }
  xercesc::DOMElement* Create(const XMLCh* tagName);
  xercesc::DOMElement* Append(xercesc::DOMElement* parent, const XMLCh* tagName);
  void Push(xercesc::DOMElement* element) { m_open.push_back(element); }
  void Pop();

  xercesc::DOMDocument* m_document;
  std::vector<xercesc::DOMElement*> m_open;        // innermost last; the schema never leaves
  xercesc::DOMElement* m_current = nullptr;        // archetype or attribute being declared
  xercesc::DOMElement* m_attributeTarget = nullptr;
  std::unordered_map<std::u16string, xercesc::DOMElement*> m_lastArchetype;
  bool m_firstElement = true;
};

// Sets minOccurs and maxOccurs for a suffix; Once sets nothing.
void SetOccurrence(xercesc::DOMElement* element, Occurrence occurrence);

}  // namespace Travix::Dtd

#endif
