#include "vorn/modules/common/properties.h"

#include <mutex>

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLChar.hpp>
#include <xercesc/util/XMLException.hpp>

#include "platform/errors.h"
#include "platform/kernel/kernel.h"
#include "vorn/modules/common/comerror.h"

namespace VornModules {

namespace {

using namespace xercesc;

// Far above what a properties text needs, far below what a nest of entity
// definitions would take to expand.
constexpr XMLSize_t kEntityExpansionLimit = 1000;

// The XML platform is counted, the count is not safe across threads on its
// own, and module objects come and go on several. Every server library has
// its own copy of this code, so a lock of its own would not keep two
// servers apart: a named auto-reset event is one gate for the whole process.
class PlatformLock {
public:
  PlatformLock() : local_(localLock) {
    if (Gate() != nullptr) WaitForSingleObject(Gate(), INFINITE);
  }
  ~PlatformLock() {
    if (Gate() != nullptr) SetEvent(Gate());
  }
  PlatformLock(const PlatformLock&) = delete;
  PlatformLock& operator=(const PlatformLock&) = delete;

private:
  static HANDLE Gate() {
    static const HANDLE gate = CreateEvent(nullptr, FALSE, TRUE, "VornModules.XmlPlatform");
    return gate;
  }
  // Keeps this library's own users in order should the gate not be made.
  static inline std::mutex localLock;
  std::lock_guard<std::mutex> local_;
};

class FailureFlag : public ErrorHandler {
public:
  void warning(const SAXParseException&) override {}
  void error(const SAXParseException&) override { failed = true; }
  void fatalError(const SAXParseException&) override { failed = true; }
  void resetErrors() override { failed = false; }
  bool failed = false;
};

std::u16string_view View(const XMLCh* text) { return text ? std::u16string_view(text) : std::u16string_view(); }

bool WhiteSpaceOnly(std::u16string_view text) {
  for (char16_t c : text)
    if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') return false;
  return true;
}

// The text of node and everything below it, white-space-only text left out.
// Walked without recursion: the text comes from other modules and peers,
// and its nesting depth is theirs to choose.
void AppendText(const DOMNode* top, std::u16string& out) {
  const DOMNode* node = top->getFirstChild();
  while (node != nullptr) {
    const auto type = node->getNodeType();
    if (type == DOMNode::TEXT_NODE || type == DOMNode::CDATA_SECTION_NODE) {
      std::u16string_view text = View(node->getNodeValue());
      if (!WhiteSpaceOnly(text)) out += text;
    } else if (type == DOMNode::ELEMENT_NODE && node->getFirstChild() != nullptr) {
      node = node->getFirstChild();
      continue;
    }
    while (node != top && node->getNextSibling() == nullptr) node = node->getParentNode();
    node = node == top ? nullptr : node->getNextSibling();
  }
}

// Whether every character can stand in an XML document (surrogates only in
// pairs).
bool XmlCharacters(std::u16string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if ((c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF ||
               (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')) {
      return false;
    }
  }
  return true;
}

// Text as character data, or as an attribute value between double quotes.
void AppendEscaped(std::u16string_view text, std::u16string& out, bool attribute = false) {
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      // A carriage return would come back as a line feed.
      case u'\r': out += u"&#13;"; break;
      // An attribute value's line feeds and tabs would come back as blanks.
      case u'\n': out += attribute ? u"&#10;" : u"\n"; break;
      case u'\t': out += attribute ? u"&#9;" : u"\t"; break;
      case u'"': out += attribute ? u"&quot;" : u"\""; break;
      default: out += c;
    }
  }
}

void AppendAttributes(const DOMNode* element, std::u16string& out) {
  const DOMNamedNodeMap* attributes = element->getAttributes();
  for (XMLSize_t i = 0; attributes != nullptr && i < attributes->getLength(); ++i) {
    const DOMNode* attribute = attributes->item(i);
    out += u' ';
    out += View(attribute->getNodeName());
    out += u"=\"";
    AppendEscaped(View(attribute->getNodeValue()), out, true);
    out += u'"';
  }
}

// Writes node as markup; for an element with children only its start tag,
// answering true: its children and end tag follow.
bool AppendStart(const DOMNode* node, std::u16string& out) {
  switch (node->getNodeType()) {
    case DOMNode::ELEMENT_NODE:
      out += u'<';
      out += View(node->getNodeName());
      AppendAttributes(node, out);
      if (node->getFirstChild() != nullptr) {
        out += u'>';
        return true;
      }
      out += u"/>";
      return false;
    case DOMNode::TEXT_NODE:
      AppendEscaped(View(node->getNodeValue()), out);
      return false;
    case DOMNode::CDATA_SECTION_NODE:
      out += u"<![CDATA[";
      out += View(node->getNodeValue());
      out += u"]]>";
      return false;
    case DOMNode::PROCESSING_INSTRUCTION_NODE:
      out += u"<?";
      out += View(node->getNodeName());
      if (!View(node->getNodeValue()).empty()) {
        out += u' ';
        out += View(node->getNodeValue());
      }
      out += u"?>";
      return false;
    default:
      return false;
  }
}

// node and everything below it as markup, as it was received. Walked
// without recursion, as AppendText is.
std::u16string Markup(const DOMNode* top) {
  std::u16string out;
  const DOMNode* node = top;
  for (;;) {
    if (AppendStart(node, out)) {
      node = node->getFirstChild();
      continue;
    }
    for (;;) {
      if (node == top) return out;
      if (const DOMNode* next = node->getNextSibling()) {
        node = next;
        break;
      }
      node = node->getParentNode();
      out += u"</";
      out += View(node->getNodeName());
      out += u'>';
    }
  }
}

}  // namespace

struct PropertiesDocument::Parser {
  Parser() {
    security.setEntityExpansionLimit(kEntityExpansionLimit);
    dom.setSecurityManager(&security);
    dom.setValidationScheme(XercesDOMParser::Val_Never);
    dom.setDoNamespaces(false);
    dom.setDoSchema(false);
    dom.setLoadSchema(false);
    dom.setLoadExternalDTD(false);
    dom.setSkipDTDValidation(true);
    dom.setDisableDefaultEntityResolution(true);
    dom.setCreateEntityReferenceNodes(false);
    dom.setCreateCommentNodes(false);
    dom.setErrorHandler(&errors);
  }
  // Declared first so that it outlives the parser pointing at it.
  SecurityManager security;
  FailureFlag errors;
  XercesDOMParser dom;
};

std::unique_ptr<PropertiesDocument> PropertiesDocument::Create() {
  {
    PlatformLock lock;
    try {
      XMLPlatformUtils::Initialize();
    } catch (...) {
      return nullptr;
    }
  }
  try {
    return std::unique_ptr<PropertiesDocument>(new PropertiesDocument());
  } catch (...) {
    PlatformLock lock;
    XMLPlatformUtils::Terminate();
    return nullptr;
  }
}

PropertiesDocument::PropertiesDocument() : parser_(std::make_unique<Parser>()) {}

PropertiesDocument::~PropertiesDocument() {
  parser_.reset();
  PlatformLock lock;
  XMLPlatformUtils::Terminate();
}

bool PropertiesDocument::LoadXml(std::u16string_view text) {
  Parser& parser = *parser_;
  bool parsed = false;
  bool hasProps = false;
  std::u16string propsAttributes;
  std::vector<Child> children;
  try {
    // The text is already Unicode: any encoding it declares is not its own.
    MemBufInputSource source(reinterpret_cast<const XMLByte*>(text.data()), text.size() * sizeof(char16_t),
                             u"properties");
    source.setEncoding(u"UTF-16LE");
    parser.errors.failed = false;
    parser.dom.parse(source);
    const DOMDocument* document = parser.dom.getDocument();
    const DOMElement* root = document ? document->getDocumentElement() : nullptr;
    if (!parser.errors.failed && parser.dom.getErrorCount() == 0 && root) {
      parsed = true;
      hasProps = View(root->getTagName()) == u"PROPS";
      if (hasProps) {
        AppendAttributes(root, propsAttributes);
        for (const DOMNode* child = root->getFirstChild(); child; child = child->getNextSibling()) {
          Child kept{child->getNodeType() == DOMNode::ELEMENT_NODE, {}, {}, Markup(child)};
          if (kept.property) {
            kept.name = View(child->getNodeName());
            AppendText(child, kept.value);
          }
          children.push_back(std::move(kept));
        }
      }
    }
  } catch (const OutOfMemoryException&) {
    parser.dom.resetDocumentPool();
    ThrowComError(E_OUTOFMEMORY, IID_PropertiesDocument);
  } catch (...) {
    // XMLException, DOMException, SAXException: the text did not parse.
    parsed = false;
  }
  parser.dom.resetDocumentPool();
  if (!parsed) return false;
  hasProps_ = hasProps;
  changed_ = false;
  loadedText_.assign(text);
  propsAttributes_ = std::move(propsAttributes);
  children_ = std::move(children);
  return true;
}

std::u16string PropertiesDocument::Xml() const {
  if (!hasProps_ || !changed_) return loadedText_;
  std::u16string out = u"<?xml version='1.0'?><PROPS";
  out += propsAttributes_;
  out += u'>';
  for (const Child& child : children_) {
    if (!child.property || !child.markup.empty()) {
      out += child.markup;
      continue;
    }
    out += u'<';
    out += child.name;
    out += u'>';
    AppendEscaped(child.value, out);
    out += u"</";
    out += child.name;
    out += u'>';
  }
  out += u"</PROPS>";
  return out;
}

void PropertiesDocument::RequireProps() const {
  if (!hasProps_) ThrowComError(E_POINTER, IID_PropertiesDocument);
}

void PropertiesDocument::WriteProperty(std::u16string_view name, std::u16string_view value) {
  // The node is made before PROPS is looked for, so a bad name fails first.
  std::u16string ownName(name);
  if (ownName.empty() || !XMLChar1_0::isValidName(ownName.c_str(), ownName.size()))
    ThrowComError(E_INVALIDARG, IID_PropertiesDocument);
  // Text XML cannot hold would make the whole document unreadable later.
  if (!XmlCharacters(value)) ThrowComError(E_INVALIDARG, IID_PropertiesNode);
  RequireProps();
  changed_ = true;
  for (Child& child : children_) {
    if (child.property && child.name == name) {
      // The new element replaces the old one, attributes and all.
      child.value.assign(value);
      child.markup.clear();
      return;
    }
  }
  children_.push_back(Child{true, std::move(ownName), std::u16string(value), {}});
}

std::u16string PropertiesDocument::ReadProperty(std::u16string_view name) const {
  RequireProps();
  for (const Child& child : children_)
    if (child.property && child.name == name) return child.value;
  return {};
}

std::vector<std::u16string> PropertiesDocument::PropertyNames() const {
  RequireProps();
  std::vector<std::u16string> names;
  for (const Child& child : children_)
    if (child.property) names.push_back(child.name);
  return names;
}

}  // namespace VornModules
