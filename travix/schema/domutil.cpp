#include "travix/schema/domutil.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLString.hpp>

#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix::Dom {

using xercesc::XMLPlatformUtils;
using xercesc::XMLString;

XercesSession::XercesSession() {
  try {
    XMLPlatformUtils::Initialize();
  } catch (const xercesc::XMLException& e) {
    TRAVIX_THROW("Error: XML parser initialisation failed: " + wstringTostring(e.getMessage()));
  }
}

XercesSession::~XercesSession() { XMLPlatformUtils::Terminate(); }

bool IsElement(const DOMNode* node, const XMLCh* name) {
  if (!node || node->getNodeType() != DOMNode::ELEMENT_NODE) return false;
  return !name || XMLString::equals(node->getNodeName(), name);
}

std::optional<std::u16string> GetAttribute(const DOMElement* element, const XMLCh* name) {
  if (!element) return std::nullopt;
  const xercesc::DOMAttr* attr = element->getAttributeNode(name);
  if (!attr) return std::nullopt;
  return std::u16string(attr->getValue());
}

std::u16string GetAttributeOr(const DOMElement* element, const XMLCh* name,
                              std::u16string_view fallback) {
  auto value = GetAttribute(element, name);
  return value ? *value : std::u16string(fallback);
}

void SetAttribute(DOMElement* element, const XMLCh* name, std::u16string_view value) {
  std::u16string terminated(value);
  element->setAttribute(name, terminated.c_str());
}

std::vector<DOMElement*> ChildElements(const DOMNode* parent, const XMLCh* name) {
  std::vector<DOMElement*> children;
  if (!parent) return children;
  for (DOMNode* child = parent->getFirstChild(); child; child = child->getNextSibling()) {
    if (IsElement(child, name)) children.push_back(static_cast<DOMElement*>(child));
  }
  return children;
}

DOMElement* FirstChildElement(const DOMNode* parent, const XMLCh* name) {
  if (!parent) return nullptr;
  for (DOMNode* child = parent->getFirstChild(); child; child = child->getNextSibling()) {
    if (IsElement(child, name)) return static_cast<DOMElement*>(child);
  }
  return nullptr;
}

std::u16string TextOf(const DOMNode* node) {
  if (!node) return {};
  const XMLCh* text = node->getTextContent();
  return text ? std::u16string(text) : std::u16string();
}

std::u16string NameOf(const DOMNode* node) {
  return node ? std::u16string(node->getNodeName()) : std::u16string();
}

void RefuseDeepNesting(const DOMNode* root, const std::string& documentName) {
  if (!root) return;
  // Iterative on purpose: this walk is what keeps the recursive ones safe.
  std::size_t depth = 0;
  const DOMNode* node = root->getFirstChild();
  if (node) ++depth;
  while (node) {
    if (depth > MaxNestingDepth && node->getNodeType() == DOMNode::ELEMENT_NODE) {
      const std::string what = documentName.empty() ? "the schema document" : "'" + documentName + "'";
      TRAVIX_THROW("Error: Elements in " + what + " are nested more than " +
                   std::to_string(MaxNestingDepth) + " levels deep. Cannot continue.");
    }
    if (const DOMNode* child = node->getFirstChild()) {
      node = child;
      ++depth;
      continue;
    }
    while (node && !node->getNextSibling()) {
      node = node->getParentNode();
      --depth;
      if (node == root) node = nullptr;
    }
    if (node) node = node->getNextSibling();
  }
}

}  // namespace Travix::Dom
