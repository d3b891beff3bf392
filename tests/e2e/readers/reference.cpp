#include "reference.h"

#include <gtest/gtest.h>

#include <memory>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>

namespace E2E {

namespace {

using namespace xercesc;

std::string Utf8(const XMLCh* text) {
  if (!text) return {};
  TranscodeToStr utf8(text, "UTF-8");
  return reinterpret_cast<const char*>(utf8.str());
}

bool OnlyWhiteSpace(const std::string& text) {
  return text.find_first_not_of(" \t\r\n") == std::string::npos;
}

ReferenceElement ElementOf(const DOMElement* element) {
  ReferenceElement result;
  result.name = Utf8(element->getTagName());
  const DOMNamedNodeMap* attributes = element->getAttributes();
  for (XMLSize_t i = 0; i < attributes->getLength(); ++i) {
    const DOMNode* attribute = attributes->item(i);
    result.attributes[Utf8(attribute->getNodeName())] = Utf8(attribute->getNodeValue());
  }
  std::vector<std::string> pieces;
  for (const DOMNode* child = element->getFirstChild(); child; child = child->getNextSibling()) {
    if (child->getNodeType() == DOMNode::ELEMENT_NODE) {
      result.children.push_back(ElementOf(static_cast<const DOMElement*>(child)));
    } else if (child->getNodeType() == DOMNode::TEXT_NODE ||
               child->getNodeType() == DOMNode::CDATA_SECTION_NODE) {
      pieces.push_back(Utf8(child->getNodeValue()));
    }
  }
  for (const std::string& piece : pieces) {
    if (result.children.empty() || !OnlyWhiteSpace(piece)) result.text += piece;
  }
  return result;
}

// The XML platform for as long as one document is read.
struct XmlPlatform {
  XmlPlatform() { XMLPlatformUtils::Initialize(); }
  ~XmlPlatform() { XMLPlatformUtils::Terminate(); }
};

}  // namespace

std::string ReferenceElement::Attribute(const std::string& attributeName,
                                        const std::string& absent) const {
  auto found = attributes.find(attributeName);
  return found == attributes.end() ? absent : found->second;
}

std::map<std::string, int> ReferenceElement::ChildCounts() const {
  std::map<std::string, int> counts;
  for (const ReferenceElement& child : children) ++counts[child.name];
  return counts;
}

std::vector<const ReferenceElement*> ReferenceElement::Children(const std::string& childName) const {
  std::vector<const ReferenceElement*> found;
  for (const ReferenceElement& child : children) {
    if (child.name == childName) found.push_back(&child);
  }
  return found;
}

ReferenceElement ReadReference(const std::string& path) {
  XmlPlatform platform;
  ReferenceElement root;
  {
    XercesDOMParser parser;
    parser.setValidationScheme(XercesDOMParser::Val_Never);
    parser.setLoadExternalDTD(false);
    parser.setDisableDefaultEntityResolution(true);
    parser.setCreateEntityReferenceNodes(false);
    HandlerBase errors;  // throws on a fatal error
    parser.setErrorHandler(&errors);
    try {
      parser.parse(path.c_str());
    } catch (const SAXParseException& e) {
      ADD_FAILURE() << path << ": " << Utf8(e.getMessage()) << " at line " << e.getLineNumber();
      return root;
    }
    if (const DOMDocument* document = parser.getDocument(); document && document->getDocumentElement()) {
      root = ElementOf(document->getDocumentElement());
    }
  }
  return root;
}

std::string Difference(const ReferenceElement& original, const ReferenceElement& copy) {
  const std::string where = "<" + original.name + ">";
  if (original.name != copy.name) return where + " became <" + copy.name + ">";
  for (const auto& [name, value] : original.attributes) {
    auto found = copy.attributes.find(name);
    if (found == copy.attributes.end()) return where + " lost attribute " + name;
    if (found->second != value) {
      return where + " attribute " + name + ": '" + value + "' became '" + found->second + "'";
    }
  }
  if (original.text != copy.text) {
    return where + " text '" + original.text + "' became '" + copy.text + "'";
  }
  if (original.children.size() != copy.children.size()) {
    return where + " had " + std::to_string(original.children.size()) + " children, now " +
           std::to_string(copy.children.size());
  }
  for (std::size_t i = 0; i < original.children.size(); ++i) {
    if (std::string inner = Difference(original.children[i], copy.children[i]); !inner.empty()) {
      return where + " " + inner;
    }
  }
  return {};
}

}  // namespace E2E
