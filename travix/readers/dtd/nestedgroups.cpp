#include "travix/readers/dtd/nestedgroups.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include <xercesc/dom/DOMNamedNodeMap.hpp>
#include <xercesc/dom/DOMNodeList.hpp>
#include <xercesc/util/XMLString.hpp>

#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"

namespace Travix::Dtd {

namespace {

namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;
using xercesc::DOMElement;
using xercesc::DOMNode;
using xercesc::XMLString;

std::u16string AttributeText(const DOMElement* element, const XMLCh* name) {
  return Dom::GetAttributeOr(element, name);
}

bool HasOccurrence(const DOMElement* element) {
  return !AttributeText(element, Attr::MinOccurs).empty() ||
         !AttributeText(element, Attr::MaxOccurs).empty();
}

bool IsSequence(const DOMElement* element) {
  std::u16string order = AttributeText(element, Attr::Order);
  return order.empty() || order == Vocabulary::Value::Seq;
}

std::size_t ChildCount(const DOMNode* node) {
  std::size_t count = 0;
  for (const DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling())
    ++count;
  return count;
}

// Whether the group carries an attribute beyond order and occurrence.
bool HasOtherAttributes(const DOMElement* group) {
  const xercesc::DOMNamedNodeMap* attributes = group->getAttributes();
  for (XMLSize_t i = 0; attributes && i < attributes->getLength(); ++i) {
    const XMLCh* name = attributes->item(i)->getNodeName();
    if (!XMLString::equals(name, Attr::Order) && !XMLString::equals(name, Attr::MinOccurs) &&
        !XMLString::equals(name, Attr::MaxOccurs))
      return true;
  }
  return false;
}

std::optional<unsigned long long> Count(const std::u16string& text) {
  std::string digits = wstringTostring(text);
  unsigned long long value = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

// outer applied to inner: counts multiply, "*" absorbs, an absent bound is 1.
std::u16string CombinedBound(const std::u16string& outer, const std::u16string& inner) {
  if (outer == Vocabulary::Value::Unbounded || inner == Vocabulary::Value::Unbounded)
    return Vocabulary::Value::Unbounded;
  std::optional<unsigned long long> outerCount = Count(outer);
  std::optional<unsigned long long> innerCount = inner.empty() ? 1ull : Count(inner);
  if (!outerCount || !innerCount) return outer;
  return ToUtf16(std::to_string(*outerCount * *innerCount));
}

// Applies the group's occurrence to element, on top of the element's own.
void ApplyOccurrence(const DOMElement* group, DOMElement* element) {
  for (const XMLCh* bound : {Attr::MinOccurs, Attr::MaxOccurs}) {
    std::u16string outer = AttributeText(group, bound);
    if (outer.empty()) continue;
    Dom::SetAttribute(element, bound, CombinedBound(outer, AttributeText(element, bound)));
  }
}

enum class OccurrenceMove { None, ToChild, ToParent };

// Whether group can be merged into parent, and where its occurrence goes.
std::optional<OccurrenceMove> PlanMerge(DOMElement* group, DOMElement* parent) {
  const std::size_t children = ChildCount(group);
  const bool parentHasOthers = ChildCount(parent) > 1;
  const bool occurs = HasOccurrence(group);
  OccurrenceMove move = OccurrenceMove::None;
  if (Dom::IsElement(parent, Elem::Archetype)) {
    if (occurs && children != 1) return std::nullopt;
    if (HasOtherAttributes(group)) return std::nullopt;
    if (occurs) move = OccurrenceMove::ToChild;
  } else {
    if (occurs && children != 1 && parentHasOthers) return std::nullopt;
    if (occurs) {
      if (HasOccurrence(parent) || children == 1) {
        if (children != 1) return std::nullopt;
        move = OccurrenceMove::ToChild;
      } else {
        move = OccurrenceMove::ToParent;
      }
    }
  }
  if (parentHasOthers && !(IsSequence(group) && IsSequence(parent))) return std::nullopt;
  return move;
}

void Merge(DOMElement* group, DOMElement* parent, OccurrenceMove move) {
  if (move == OccurrenceMove::ToChild) {
    if (DOMElement* child = Dom::FirstChildElement(group)) ApplyOccurrence(group, child);
  } else if (move == OccurrenceMove::ToParent) {
    ApplyOccurrence(group, parent);
  }
  // The group's order is the parent's when the parent holds nothing else,
  // or had none of its own.
  std::optional<std::u16string> order = Dom::GetAttribute(group, Attr::Order);
  bool parentHasOthers = ChildCount(parent) > 1;
  if (order && (!parentHasOthers || !Dom::GetAttribute(parent, Attr::Order)))
    Dom::SetAttribute(parent, Attr::Order, *order);
  while (DOMNode* child = group->getFirstChild()) parent->insertBefore(child, group);
  parent->removeChild(group)->release();
}

}  // namespace

void EliminateNestedGroups(DOMElement* schema) {
  if (!schema) return;
  std::vector<DOMElement*> groups;
  xercesc::DOMNodeList* found = schema->getElementsByTagName(Elem::Group);
  for (XMLSize_t i = 0; i < found->getLength(); ++i)
    groups.push_back(static_cast<DOMElement*>(found->item(i)));
  for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
    DOMNode* parentNode = (*group)->getParentNode();
    if (!Dom::IsElement(parentNode, Elem::Archetype) && !Dom::IsElement(parentNode, Elem::Group))
      continue;
    DOMElement* parent = static_cast<DOMElement*>(parentNode);
    if (std::optional<OccurrenceMove> move = PlanMerge(*group, parent))
      Merge(*group, parent, *move);
  }
}

}  // namespace Travix::Dtd
