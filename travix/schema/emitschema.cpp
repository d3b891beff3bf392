#include "travix/schema/emitschema.h"

#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMElement;
using xercesc::DOMNode;
namespace Attr = Vocabulary::Attr;

namespace {

constexpr const XMLCh* kWrittenAttributes[] = {
    Attr::Name,  Attr::Ref,     Attr::Type,      Attr::Content,  Attr::Order,
    Attr::Fixed, Attr::Default, Attr::MinOccurs, Attr::MaxOccurs};

std::u16string_view ValueOf(const XMLCh* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

// Where escaped text is going to stand.
enum class EscapeContext { Text, Attribute, Anywhere };

// Escapes what would otherwise end or change a value on reading back.
// In attribute values, white space other than the blank is written as a
// character reference because a reader normalises it to blanks; a carriage
// return in a document would be read back as a line feed.
std::u16string Escaped(std::u16string_view text, EscapeContext context) {
  const bool attribute = context == EscapeContext::Attribute;
  const bool document = context != EscapeContext::Anywhere;
  std::u16string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
    case u'&': out += u"&amp;"; break;
    case u'<': out += u"&lt;"; break;
    case u'>': out += u"&gt;"; break;
    case u'"': out += context == EscapeContext::Text ? u"\"" : u"&quot;"; break;
    case u'\r': out += document ? u"&#13;" : u"\r"; break;
    case u'\n': out += attribute ? u"&#10;" : u"\n"; break;
    case u'\t': out += attribute ? u"&#9;" : u"\t"; break;
    default: out += c;
    }
  }
  return out;
}

bool IsWhiteSpace(std::u16string_view text) {
  return text.find_first_not_of(u" \t\r\n") == std::u16string_view::npos;
}

bool HasElementChild(const DOMNode* node) { return Dom::FirstChildElement(node) != nullptr; }

class SchemaTextWriter {
public:
  SchemaTextWriter(std::ostream& out, const SchemaTextOptions& options)
      : m_out(out), m_options(options) {}

  void Write(const DOMNode* node) {
    switch (node->getNodeType()) {
    case DOMNode::DOCUMENT_NODE: WriteDocument(node); break;
    case DOMNode::ELEMENT_NODE: WriteElement(static_cast<const DOMElement*>(node)); break;
    case DOMNode::TEXT_NODE: WriteText(node); break;
    case DOMNode::CDATA_SECTION_NODE: WriteCData(node); break;
    case DOMNode::ENTITY_REFERENCE_NODE: WriteChildren(node); break;
    case DOMNode::PROCESSING_INSTRUCTION_NODE: WriteProcessingInstruction(node); break;
    case DOMNode::COMMENT_NODE: WriteComment(node); break;
    default: break;  // document type
    }
  }

private:
  void WriteDocument(const DOMNode* document) {
    m_out << "<?xml version='1.0' encoding='utf-8' ?>\n";
    for (const DOMNode* child = document->getFirstChild(); child; child = child->getNextSibling()) {
      if (!WritesMarkup(child)) continue;
      Write(child);
      m_out << '\n';
    }
  }

  bool WritesMarkup(const DOMNode* node) const {
    const auto type = node->getNodeType();
    return type == DOMNode::ELEMENT_NODE || type == DOMNode::PROCESSING_INSTRUCTION_NODE ||
           (type == DOMNode::COMMENT_NODE && m_options.writeComments);
  }

  void WriteElement(const DOMElement* element) {
    Indent();
    m_out << '<';
    EmitDOMString(m_out, ValueOf(element->getTagName()));
    for (const XMLCh* name : kWrittenAttributes) {
      auto value = Dom::GetAttribute(element, name);
      if (!value) continue;
      m_out << ' ';
      EmitDOMString(m_out, name);
      m_out << "=\"";
      EmitDOMString(m_out, Escaped(*value, EscapeContext::Attribute));
      m_out << '"';
    }
    if (!element->hasChildNodes()) {
      m_out << "/>\n";
      return;
    }
    // An element with element children is laid out one child per line;
    // text-only content stays on the tag's line, exactly as it is.
    const bool laidOut = HasElementChild(element);
    m_out << '>';
    if (laidOut) m_out << '\n';
    ++m_level;
    m_laidOut = laidOut;
    WriteChildren(element);
    --m_level;
    if (laidOut) Indent();
    m_out << "</";
    EmitDOMString(m_out, ValueOf(element->getTagName()));
    m_out << ">\n";
  }

  void WriteChildren(const DOMNode* parent) {
    const bool laidOut = m_laidOut;
    for (const DOMNode* child = parent->getFirstChild(); child; child = child->getNextSibling()) {
      m_laidOut = laidOut;
      Write(child);
    }
    m_laidOut = laidOut;
  }

  void WriteText(const DOMNode* text) {
    const std::u16string_view value = ValueOf(text->getNodeValue());
    if (m_laidOut && IsWhiteSpace(value)) return;  // layout of the input
    EmitDOMString(m_out, Escaped(value, EscapeContext::Text));
  }

  void WriteCData(const DOMNode* section) {
    std::u16string value(ValueOf(section->getNodeValue()));
    // "]]>" inside would end the section early: split it across two.
    for (auto at = value.find(u"]]>"); at != std::u16string::npos; at = value.find(u"]]>", at + 15)) {
      value.replace(at, 3, u"]]]]><![CDATA[>");
    }
    m_out << "<![CDATA[";
    EmitDOMString(m_out, value);
    m_out << "]]>";
  }

  void WriteProcessingInstruction(const DOMNode* instruction) {
    if (m_laidOut) Indent();
    m_out << "<?";
    EmitDOMString(m_out, ValueOf(instruction->getNodeName()));
    m_out << ' ';
    EmitDOMString(m_out, ValueOf(instruction->getNodeValue()));
    m_out << "?>";
    if (m_laidOut) m_out << '\n';
  }

  // A comment holds no references: its text is written as it stands.
  void WriteComment(const DOMNode* comment) {
    if (!m_options.writeComments) return;
    if (m_laidOut) Indent();
    m_out << "<!--";
    EmitDOMString(m_out, ValueOf(comment->getNodeValue()));
    m_out << "-->";
    if (m_laidOut) m_out << '\n';
  }

  void Indent() { m_out << std::string(static_cast<std::size_t>(m_level), '\t'); }

  std::ostream& m_out;
  const SchemaTextOptions& m_options;
  int m_level = 0;
  // Whether the children being written are laid out one per line.
  bool m_laidOut = false;
};

}  // namespace

std::ostream& EmitDOMString(std::ostream& out, std::u16string_view text) {
  return out << wstringTostring(text);
}

std::ostream& EmitEscapedDOMString(std::ostream& out, std::u16string_view text) {
  return EmitDOMString(out, Escaped(text, EscapeContext::Anywhere));
}

std::ostream& EmitDOMNode(std::ostream& out, const DOMNode* node,
                          const SchemaTextOptions& options) {
  if (node) SchemaTextWriter(out, options).Write(node);
  return out;
}

}  // namespace Travix
