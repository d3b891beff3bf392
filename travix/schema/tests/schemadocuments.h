// Shared by the tests of everything that reads or rewrites schema
// documents: inline schemas parsed into DOMs, and a compact outline of a
// document to compare against.
#ifndef TRAVIX_SCHEMADOCUMENTS_H
#define TRAVIX_SCHEMADOCUMENTS_H

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>

#include "travix/schema/domerrorreporter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/secureparser.h"
#include "travix/schema/transcode.h"

namespace SchemaTest {

// A document parsed from text; lives as long as this object.
class InlineSchema {
public:
  explicit InlineSchema(const std::string& text) : m_parser(std::make_unique<Travix::SecureDOMParser>()) {
    m_parser->setErrorHandler(&m_reporter);
    xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size(),
                                      "inline.xsd");
    m_parser->parse(source);
  }
  xercesc::DOMDocument* Document() const { return m_parser->getDocument(); }

private:
  Travix::DOMErrorReporter m_reporter;
  std::unique_ptr<Travix::SecureDOMParser> m_parser;
};

// Compact text of an element tree: name[attr=value ...](children ...),
// attributes sorted by name, white-space text left out.
inline std::string Outline(const xercesc::DOMNode* node) {
  if (!node) return "(null)";
  if (node->getNodeType() == xercesc::DOMNode::DOCUMENT_NODE) {
    return Outline(static_cast<const xercesc::DOMDocument*>(node)->getDocumentElement());
  }
  std::string text = Travix::wstringTostring(Travix::Dom::NameOf(node));
  const xercesc::DOMNamedNodeMap* attributes = node->getAttributes();
  std::vector<std::pair<std::string, std::string>> sorted;
  for (XMLSize_t i = 0; attributes && i < attributes->getLength(); ++i) {
    const xercesc::DOMNode* attribute = attributes->item(i);
    sorted.emplace_back(Travix::wstringTostring(attribute->getNodeName()),
                        Travix::wstringTostring(attribute->getNodeValue()));
  }
  std::sort(sorted.begin(), sorted.end());
  if (!sorted.empty()) {
    text += '[';
    for (std::size_t i = 0; i < sorted.size(); ++i) {
      text += (i ? " " : "") + sorted[i].first + "=" + sorted[i].second;
    }
    text += ']';
  }
  std::vector<std::string> children;
  for (const xercesc::DOMNode* child = node->getFirstChild(); child;
       child = child->getNextSibling()) {
    if (child->getNodeType() == xercesc::DOMNode::ELEMENT_NODE) {
      children.push_back(Outline(child));
    } else if (child->getNodeType() == xercesc::DOMNode::TEXT_NODE) {
      std::string value = Travix::wstringTostring(child->getNodeValue());
      if (value.find_first_not_of(" \t\r\n") != std::string::npos) children.push_back('"' + value + '"');
    }
  }
  if (!children.empty()) {
    text += '(';
    for (std::size_t i = 0; i < children.size(); ++i) text += (i ? " " : "") + children[i];
    text += ')';
  }
  return text;
}

// The outline of every child element of the <schema> element, one string each.
inline std::vector<std::string> TopLevel(const xercesc::DOMElement* schema) {
  std::vector<std::string> outlines;
  for (const xercesc::DOMElement* child : Travix::Dom::ChildElements(schema)) {
    outlines.push_back(Outline(child));
  }
  return outlines;
}

}  // namespace SchemaTest

#endif
