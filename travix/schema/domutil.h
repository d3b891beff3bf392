// Small helpers over the Xerces-C DOM used by every reader and writer.
//
// Xerces returns "" from getAttribute for an attribute that is not there;
// where absent and empty mean different things, use GetAttribute, which
// answers std::nullopt for an absent attribute.
#ifndef TRAVIX_DOMUTIL_H
#define TRAVIX_DOMUTIL_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <xercesc/dom/DOM.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix::Dom {

using xercesc::DOMElement;
using xercesc::DOMNode;

// Keeps the XML parser's platform initialised for its lifetime. Sessions
// nest; the last one to end terminates the platform. Throws XException
// when the platform cannot be initialised.
class TRAVIX_SCHEMA_API XercesSession {
public:
  XercesSession();
  ~XercesSession();
  XercesSession(const XercesSession&) = delete;
  XercesSession& operator=(const XercesSession&) = delete;
};

// True when node is an element named name (any element when name is null).
TRAVIX_SCHEMA_API bool IsElement(const DOMNode* node, const XMLCh* name = nullptr);

// The attribute's value, or nullopt when the element does not carry it.
TRAVIX_SCHEMA_API std::optional<std::u16string> GetAttribute(const DOMElement* element,
                                                             const XMLCh* name);

// The attribute's value, or fallback when the element does not carry it.
TRAVIX_SCHEMA_API std::u16string GetAttributeOr(const DOMElement* element, const XMLCh* name,
                                                std::u16string_view fallback = {});

TRAVIX_SCHEMA_API void SetAttribute(DOMElement* element, const XMLCh* name,
                                    std::u16string_view value);

// Child elements in document order, all of them or those named name.
TRAVIX_SCHEMA_API std::vector<DOMElement*> ChildElements(const DOMNode* parent,
                                                         const XMLCh* name = nullptr);
TRAVIX_SCHEMA_API DOMElement* FirstChildElement(const DOMNode* parent,
                                                const XMLCh* name = nullptr);

// Calls visit on every child of parent. The next sibling is taken before a
// child is visited, so a visit may remove, move or replace that child;
// nodes appended behind the last child are still reached.
template <typename Visit>
void ForEachChild(DOMNode* parent, Visit visit) {
  for (DOMNode* child = parent->getFirstChild(); child;) {
    DOMNode* next = child->getNextSibling();
    visit(child);
    child = next;
  }
}

// The text content of a node and its descendants.
TRAVIX_SCHEMA_API std::u16string TextOf(const DOMNode* node);

// The node's name as a string.
TRAVIX_SCHEMA_API std::u16string NameOf(const DOMNode* node);

// The deepest nesting of elements that a schema document may have. The
// readers' and writers' walks recurse once per level, so a deeper document
// would exhaust the stack; no real schema comes near this.
inline constexpr std::size_t MaxNestingDepth = 1000;

// Throws XException when elements below root are nested more than
// MaxNestingDepth levels deep. Call it as soon as a document has been read,
// before anything walks it. documentName, when not empty, names the
// document in the message.
TRAVIX_SCHEMA_API void RefuseDeepNesting(const DOMNode* root,
                                         const std::string& documentName = {});

}  // namespace Travix::Dom

#endif
