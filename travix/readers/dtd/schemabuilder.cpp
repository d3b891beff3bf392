#include "travix/readers/dtd/schemabuilder.h"

#include <xercesc/dom/DOMText.hpp>

#include "travix/readers/dtd/dtdsymbols.h"
#include "travix/readers/dtd/storedtext.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"

namespace Travix::Dtd {

namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;
using xercesc::DOMElement;

namespace {

// Number of bytes of the UTF-8 sequence that lead begins, 0 when no
// well-formed sequence can begin with it.
std::size_t SequenceLength(int lead) {
  if (lead < 0) return 0;
  if (lead < 0x80) return lead == 0 ? 0 : 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The bytes of the escaped sequence at text[at] when it is one character
// the symbol table escaped; empty otherwise.
std::string EscapedCharacter(std::string_view text, std::size_t at) {
  int lead = EscapedByte(text, at);
  std::size_t length = SequenceLength(lead);
  if (length == 0) return std::string();
  std::string bytes(1, static_cast<char>(lead));
  for (std::size_t i = 1; i < length; ++i) {
    int next = EscapedByte(text, at + 4 * i);
    if (next < 0x80 || next > 0xBF) return std::string();
    bytes += static_cast<char>(next);
  }
  // Overlong forms and surrogates are no characters the table wrote.
  unsigned char second = static_cast<unsigned char>(bytes.size() > 1 ? bytes[1] : 0);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
      (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
    return std::string();
  return bytes;
}

std::u16string TextOfRow(int row) { return SchemaText(SymbolText(row)); }

}  // namespace

std::u16string SchemaText(std::string_view symbolText) {
  std::string text;
  text.reserve(symbolText.size());
  for (std::size_t at = 0; at < symbolText.size();) {
    std::string character = EscapedCharacter(symbolText, at);
    if (character.empty()) {
      text += symbolText[at++];
      continue;
    }
    text += character;
    at += 4 * character.size();
  }
  return ToUtf16(text);
}

void SetOccurrence(DOMElement* element, Occurrence occurrence) {
  switch (occurrence) {
    case Occurrence::Once:
      return;
    case Occurrence::Optional:
      Dom::SetAttribute(element, Attr::MinOccurs, u"0");
      Dom::SetAttribute(element, Attr::MaxOccurs, u"1");
      return;
    case Occurrence::ZeroOrMore:
      Dom::SetAttribute(element, Attr::MinOccurs, u"0");
      Dom::SetAttribute(element, Attr::MaxOccurs, u"*");
      return;
    case Occurrence::OneOrMore:
      Dom::SetAttribute(element, Attr::MinOccurs, u"1");
      Dom::SetAttribute(element, Attr::MaxOccurs, u"*");
      return;
  }
}

SchemaBuilder::SchemaBuilder(DOMElement* schema)
    : m_document(schema->getOwnerDocument()) {
  m_open.push_back(schema);
}

DOMElement* SchemaBuilder::Create(const XMLCh* tagName) {
  return m_document->createElement(tagName);
}

DOMElement* SchemaBuilder::Append(DOMElement* parent, const XMLCh* tagName) {
  DOMElement* element = Create(tagName);
  parent->appendChild(element);
  return element;
}

void SchemaBuilder::Pop() {
  if (m_open.size() > 1) m_open.pop_back();
}

void SchemaBuilder::BeginElement(int nameRow) {
  std::u16string name = TextOfRow(nameRow);
  if (m_firstElement) {
    // The first element declared is the document's root.
    m_firstElement = false;
    AddElementReference(nameRow, Occurrence::Once);
  }
  DOMElement* archetype = Append(Innermost(), Elem::Archetype);
  Dom::SetAttribute(archetype, Attr::Name, name);
  m_lastArchetype[name] = archetype;
  m_current = archetype;
  Push(archetype);
}

void SchemaBuilder::SetContent(const XMLCh* content) {
  if (m_current) Dom::SetAttribute(m_current, Attr::Content, content);
}

void SchemaBuilder::OpenGroup() { Push(Append(Innermost(), Elem::Group)); }

void SchemaBuilder::CloseGroup(GroupOrder order, Occurrence occurrence) {
  DOMElement* group = Innermost();
  Dom::SetAttribute(group, Attr::Order,
                    order == GroupOrder::Choice ? Vocabulary::Value::Choice
                                                : Vocabulary::Value::Seq);
  SetOccurrence(group, occurrence);
  Pop();
}

void SchemaBuilder::AddElementReference(int nameRow, Occurrence occurrence) {
  std::u16string name = TextOfRow(nameRow);
  DOMElement* element = Append(Innermost(), Elem::Element);
  Dom::SetAttribute(element, Attr::Name, name);
  Dom::SetAttribute(element, Attr::Type, name);
  SetOccurrence(element, occurrence);
}

void SchemaBuilder::BeginAttributeList(int nameRow) {
  auto archetype = m_lastArchetype.find(TextOfRow(nameRow));
  m_attributeTarget = archetype != m_lastArchetype.end() ? archetype->second : Innermost();
}

void SchemaBuilder::BeginAttribute(int nameRow) {
  DOMElement* target = m_attributeTarget ? m_attributeTarget : Innermost();
  m_current = Append(target, Elem::Attribute);
  Dom::SetAttribute(m_current, Attr::Name, TextOfRow(nameRow));
}

void SchemaBuilder::SetAttributeType(const XMLCh* type) {
  if (m_current) Dom::SetAttribute(m_current, Attr::Type, type);
}

void SchemaBuilder::BeginEnumeration() {
  if (!m_current) return;
  DOMElement* datatype = Append(m_current, Elem::Datatype);
  Push(datatype);
  DOMElement* basetype = Append(datatype, Elem::Basetype);
  Dom::SetAttribute(basetype, Attr::Name, u"NMTOKEN");
  Push(Append(datatype, Elem::Enumeration));
}

void SchemaBuilder::AddEnumerationValue(int valueRow) {
  DOMElement* literal = Append(Innermost(), Elem::Literal);
  std::u16string value = TextOfRow(valueRow);
  literal->appendChild(m_document->createTextNode(value.c_str()));
}

void SchemaBuilder::EndEnumeration() {
  Pop();  // enumeration
  Pop();  // datatype
}

void SchemaBuilder::SetRequired() {
  if (m_current) Dom::SetAttribute(m_current, Attr::MinOccurs, u"1");
}

void SchemaBuilder::SetFixed(int valueRow) {
  if (m_current) Dom::SetAttribute(m_current, Attr::Fixed, TextOfRow(valueRow));
}

void SchemaBuilder::SetDefault(int valueRow) {
  if (m_current) Dom::SetAttribute(m_current, Attr::Default, TextOfRow(valueRow));
}

void SchemaBuilder::EndDeclaration() {
  // A declaration leaves the stack as it found it: only the schema stays.
  m_open.resize(1);
  m_current = nullptr;
  m_attributeTarget = nullptr;
}

}  // namespace Travix::Dtd
