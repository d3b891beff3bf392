#include "travix/emitters/normalisation.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

#include "travix/emitters/tqcodesrcwriter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

using xercesc::DOMElement;
using xercesc::DOMNode;
namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;
namespace Value = Vocabulary::Value;

namespace {

DOMElement* AsElement(DOMNode* node) {
  return Dom::IsElement(node) ? static_cast<DOMElement*>(node) : nullptr;
}

std::optional<std::u16string> AttributeOf(DOMNode* node, const XMLCh* name) {
  return Dom::GetAttribute(AsElement(node), name);
}

bool IsTypeElement(const DOMNode* node) {
  return Dom::IsElement(node, Elem::Archetype) || Dom::IsElement(node, Elem::Datatype);
}

std::u16string Decimal(int number) {
  std::array<char, 16> digits{};
  auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
  (void)error;
  return std::u16string(digits.data(), end);
}

// Takes name out of a set of names in progress when the scope ends, also
// when an exception leaves it.
class InProgress {
public:
  InProgress(std::set<std::u16string>& names, std::u16string name)
      : m_names(names), m_name(std::move(name)) {
    m_names.insert(m_name);
  }
  ~InProgress() { m_names.erase(m_name); }
  InProgress(const InProgress&) = delete;
  InProgress& operator=(const InProgress&) = delete;

private:
  std::set<std::u16string>& m_names;
  std::u16string m_name;
};

// Word that names an anonymous group after its order.
std::u16string_view GroupWord(const std::optional<std::u16string>& order) {
  if (order == Value::Seq) return u"Seq";
  if (order == Value::Choice) return u"Choice";
  return u"Group";
}

}  // namespace

SchemaNormaliser::SchemaNormaliser(SchemaNodeMap& types, SchemaNodeMap& referable,
                                   DOMElement*& schema)
    : m_types(types), m_referable(referable), m_schema(schema) {}

void SchemaNormaliser::Normalise(xercesc::DOMDocument* document) {
  if (document) BuildTypesMap(document);
  if (!m_schema) {
    TRAVIX_THROW(
        "Error: No valid <schema> node found. This may be an unsupported schema format. See "
        "'XML Schema Support' in the Travix Help for more details.");
  }
  FlattenAnonymousTypes(document);
  FlattenGroups(document);
  ResolveDuplicateSubelementNames();
  BuildReferableMap();
  ResolveReferences(document);
  ReadRepeatedChoicesOnce();
  ReadOptionalGroupsOnce();
  // Copies that replaced references bring their names into their types only
  // now; without a second pass two references to one element would become
  // two members of one name.
  ResolveDuplicateSubelementNames();
  DependencyMap dependencies;
  BuildDatatypeDependencyList(dependencies);
}

namespace {

std::size_t ParticleCount(const DOMElement* group) {
  std::size_t count = 0;
  for (const DOMElement* child : Dom::ChildElements(group)) {
    count += Dom::IsElement(child, Elem::Element) || Dom::IsElement(child, Elem::Group);
  }
  return count;
}

// A group of one particle is that particle in either order.
bool IsChoice(DOMElement* group) {
  return AttributeOf(group, Attr::Order) == Value::Choice || ParticleCount(group) == 1;
}

bool Varies(const TqCodeSrcWriter::Occurrences& occurs) {
  return occurs.MayBeAbsent() || occurs.IsRepeated();
}

// Whether the particles of a group can match nothing; `open` holds the
// groups being looked into, so a group inside itself ends the search.
bool MatchesNothing(const DOMElement* group, const SchemaNodeMap& types,
                    std::set<const DOMElement*>& open) {
  if (!open.insert(group).second) return false;
  const bool choice = Dom::GetAttribute(group, Attr::Order) == Value::Choice;
  bool any = false;
  bool all = true;
  for (const DOMElement* child : Dom::ChildElements(group)) {
    bool nothing = false;
    if (Dom::IsElement(child, Elem::Element)) {
      nothing = TqCodeSrcWriter::OccurrencesOf(child).min == 0 &&
                Varies(TqCodeSrcWriter::OccurrencesOf(child));
    } else if (Dom::IsElement(child, Elem::Group)) {
      auto ref = Dom::GetAttribute(child, Attr::Ref);
      auto found = ref ? types.find(*ref) : types.end();
      if (found == types.end()) continue;
      const TqCodeSrcWriter::Occurrences occurs = TqCodeSrcWriter::OccurrencesOf(found->second);
      nothing = (occurs.min == 0 && Varies(occurs)) || MatchesNothing(found->second, types, open);
    } else {
      continue;
    }
    any = any || nothing;
    all = all && nothing;
  }
  open.erase(group);
  return choice ? any : all;
}

// Whether a choice inside a repeated choice would leave the grammar more
// than one way to read a document: it may stand other than once, or match
// nothing, or one of its alternatives may. A choice of alternatives that
// each stand once keeps its own object.
bool VariesInCount(const DOMElement* group, const TqCodeSrcWriter::Occurrences& occurs,
                   const SchemaNodeMap& types) {
  if (Varies(occurs)) return true;
  std::set<const DOMElement*> open;
  if (MatchesNothing(group, types, open)) return true;
  for (const DOMElement* child : Dom::ChildElements(group)) {
    if (Dom::IsElement(child, Elem::Element) && Varies(TqCodeSrcWriter::OccurrencesOf(child)))
      return true;
    if (!Dom::IsElement(child, Elem::Group)) continue;
    auto ref = Dom::GetAttribute(child, Attr::Ref);
    auto found = ref ? types.find(*ref) : types.end();
    if (found != types.end() && Varies(TqCodeSrcWriter::OccurrencesOf(found->second))) return true;
  }
  return false;
}

// Counts the group references below node by the name they refer to.
void CountGroupReferences(DOMNode* node, std::map<std::u16string, int>& counts) {
  if (Dom::IsElement(node, Elem::Group)) {
    if (auto ref = AttributeOf(node, Attr::Ref)) ++counts[*ref];
  }
  for (DOMNode* child = node->getFirstChild(); child; child = child->getNextSibling()) {
    CountGroupReferences(child, counts);
  }
}

}  // namespace

// A choice repeated without bound reads the same documents when each of
// its alternatives stands once: (a|b?)* and (a|b+)* are (a|b)*,
// (a|(b,c)?)* is (a|(b,c))*, and an alternative that is itself a choice
// adds its own alternatives, (a|(b|c)*)* being (a|b|c)*. Written that
// way, each occurrence of the repetition holds one element or group; as
// it stood, an alternative that matches nothing, or several of them in
// one go, gave the grammar more than one way to read a document. An
// alternative that could be absent lets the whole repetition be absent.
void SchemaNormaliser::ReadRepeatedChoicesOnce() {
  using Occurrences = TqCodeSrcWriter::Occurrences;
  const auto once = [](const Occurrences& occurs) {
    return occurs.min <= 1 && (occurs.unbounded || occurs.max <= 1);
  };
  std::map<std::u16string, int> references;
  CountGroupReferences(m_schema, references);
  for (DOMElement* group : Dom::ChildElements(m_schema, Elem::Group)) {
    if (!TqCodeSrcWriter::OccurrencesOf(group).unbounded || !IsChoice(group)) continue;
    bool mayBeEmpty = false;
    std::set<std::u16string> inlined;
    for (DOMNode* child = group->getFirstChild(); child;) {
      DOMElement* alternative = AsElement(child);
      child = child->getNextSibling();
      if (!alternative) continue;
      if (Dom::IsElement(alternative, Elem::Element)) {
        const Occurrences occurs = TqCodeSrcWriter::OccurrencesOf(alternative);
        if (!once(occurs)) continue;
        mayBeEmpty = mayBeEmpty || occurs.MayBeAbsent();
        alternative->removeAttribute(Attr::MinOccurs);
        alternative->removeAttribute(Attr::MaxOccurs);
        continue;
      }
      // A group's occurrences are those of its definition, which other
      // types may use too: its alternatives are copied in its place.
      auto ref = AttributeOf(alternative, Attr::Ref);
      auto found = ref ? m_types.find(*ref) : m_types.end();
      if (!Dom::IsElement(alternative, Elem::Group) || found == m_types.end()) continue;
      DOMElement* definition = found->second;
      const Occurrences occurs = TqCodeSrcWriter::OccurrencesOf(definition);
      if (definition == group || !Dom::IsElement(definition, Elem::Group) || !once(occurs)) {
        continue;
      }
      if (!IsChoice(definition) || !VariesInCount(definition, occurs, m_types) ||
          !inlined.insert(*ref).second) {
        // a group of its own, used here alone, stands once
        if (references[*ref] == 1) {
          mayBeEmpty = mayBeEmpty || occurs.MayBeAbsent();
          definition->removeAttribute(Attr::MinOccurs);
          definition->removeAttribute(Attr::MaxOccurs);
        }
        continue;
      }
      mayBeEmpty = mayBeEmpty || occurs.MayBeAbsent();
      // a group of this one particle becomes the choice of its alternatives
      Dom::SetAttribute(group, Attr::Order, Value::Choice);
      DOMNode* firstCopy = nullptr;
      for (DOMNode* inside = definition->getFirstChild(); inside; inside = inside->getNextSibling()) {
        DOMNode* copy = group->insertBefore(inside->cloneNode(true), alternative);
        CountGroupReferences(copy, references);
        if (!firstCopy) firstCopy = copy;
      }
      --references[*ref];
      group->removeChild(alternative)->release();
      // the copies are read in their turn
      if (firstCopy) child = firstCopy;
    }
    if (mayBeEmpty) Dom::SetAttribute(group, Attr::MinOccurs, u"0");
  }
}

// A group that may be left out, but matches nothing as well, reads the
// same documents standing once ((a?,b?)? is a?,b?); left out, it gave the
// grammar two ways to match nothing.
void SchemaNormaliser::ReadOptionalGroupsOnce() {
  for (DOMElement* group : Dom::ChildElements(m_schema, Elem::Group)) {
    const TqCodeSrcWriter::Occurrences occurs = TqCodeSrcWriter::OccurrencesOf(group);
    std::set<const DOMElement*> open;
    if (occurs.MayBeAbsent() && !occurs.IsRepeated() && MatchesNothing(group, m_types, open)) {
      group->removeAttribute(Attr::MinOccurs);
      group->removeAttribute(Attr::MaxOccurs);
    }
  }
}

std::u16string SchemaNormaliser::UnusedTypeName(const std::u16string& stem) const {
  std::u16string candidate = stem;
  for (int counter = 1; m_types.contains(candidate); ++counter) candidate = stem + Decimal(counter);
  return candidate;
}

void SchemaNormaliser::BuildTypesMap(DOMNode* node) {
  if (IsTypeElement(node)) {
    if (!m_schema) TRAVIX_THROW("Error: Found an archetype or datatype before the schema definition");
    if (auto name = AttributeOf(node, Attr::Name)) {
      if (name->empty()) {
        TRAVIX_THROW("Error: Found an archetype or datatype with a null string for the name");
      }
      m_types[*name] = AsElement(node);
    }
  } else if (Dom::IsElement(node, Elem::Group)) {
    // Named groups take part in the naming of anonymous types too, or an
    // anonymous archetype could be given a group's name.
    auto name = AttributeOf(node, Attr::Name);
    if (m_schema && name && !name->empty() && !AttributeOf(node, Attr::Ref)) {
      m_types[*name] = AsElement(node);
    }
  } else if (Dom::IsElement(node, Elem::Schema)) {
    m_schema = AsElement(node);
  }
  Dom::ForEachChild(node, [this](DOMNode* child) { BuildTypesMap(child); });
}

void SchemaNormaliser::FlattenAnonymousTypes(DOMNode* node) {
  if (IsTypeElement(node) && !AttributeOf(node, Attr::Name)) {
    DOMNode* parent = node->getParentNode();
    auto parentName = AttributeOf(parent, Attr::Name);
    if (!parentName) TRAVIX_THROW("Error: Found an anonymous archetype with a nameless parent");
    // The type takes its parent's name; an empty one would make a class
    // without a name.
    if (parentName->empty()) {
      TRAVIX_THROW("Error: Found an archetype or datatype with a null string for the name");
    }
    const std::u16string name = UnusedTypeName(*parentName);
    Dom::SetAttribute(AsElement(node), Attr::Name, name);
    Dom::SetAttribute(AsElement(parent), Attr::Type, name);
    m_schema->appendChild(parent->removeChild(node));
    m_types[name] = AsElement(node);
  } else if (IsTypeElement(node) && m_schema && node->getParentNode() != m_schema) {
    // A named type nested in a declaration: the writers declare and
    // define the classes of the schema's children only, so it moves out
    // as well (else its class would be declared and never defined). The
    // element or attribute it stands in is of that type.
    DOMNode* parent = node->getParentNode();
    if ((Dom::IsElement(parent, Elem::Element) || Dom::IsElement(parent, Elem::Attribute)) &&
        !AttributeOf(parent, Attr::Type)) {
      Dom::SetAttribute(AsElement(parent), Attr::Type, *AttributeOf(node, Attr::Name));
    }
    m_schema->appendChild(parent->removeChild(node));
  }
  Dom::ForEachChild(node, [this](DOMNode* child) { FlattenAnonymousTypes(child); });
}

void SchemaNormaliser::FlattenGroups(DOMNode* node) {
  const bool isGroup = Dom::IsElement(node, Elem::Group);
  const bool nested = isGroup && node->getParentNode() != m_schema;
  const bool reference = isGroup && AttributeOf(node, Attr::Ref).has_value();
  if (nested && !reference) {
    if (!m_schema) TRAVIX_THROW("Error: Found a group before the schema definition");
    if (!AttributeOf(node, Attr::Name)) {
      DOMNode* parent = node->getParentNode();
      auto parentName = AttributeOf(parent, Attr::Name);
      // An empty parent name is no name either: the group would be named
      // after nothing but its order.
      if (!parentName || parentName->empty()) {
        TRAVIX_THROW("Error: Found an anonymous group with a nameless parent");
      }
      const std::u16string stem = *parentName + std::u16string(GroupWord(AttributeOf(node, Attr::Order)));
      Dom::SetAttribute(AsElement(node), Attr::Name, UnusedTypeName(stem));
    }
  }
  Dom::ForEachChild(node, [this](DOMNode* child) { FlattenGroups(child); });
  if (isGroup && (!nested || !reference)) {
    auto name = AttributeOf(node, Attr::Name);
    if (!name || name->empty()) {
      // A definition under <schema> is only reachable through its name.
      TRAVIX_THROW("Error: Found a group without a name in the schema definition");
    }
    m_types[*name] = AsElement(node);
    if (nested) {
      DOMElement* use = node->getOwnerDocument()->createElement(Elem::Group);
      Dom::SetAttribute(use, Attr::Ref, *name);
      node->getParentNode()->replaceChild(use, node);
      m_schema->appendChild(node);
    }
  }
}

void SchemaNormaliser::ResolveDuplicateSubelementNames() {
  for (DOMElement* type : Dom::ChildElements(m_schema)) {
    if (!Dom::IsElement(type, Elem::Archetype) && !Dom::IsElement(type, Elem::Group)) continue;
    std::set<std::u16string> used;
    for (DOMElement* child : Dom::ChildElements(type)) {
      if (!Dom::IsElement(child, Elem::Element) && !Dom::IsElement(child, Elem::Datatype)) continue;
      auto name = Dom::GetAttribute(child, Attr::Name);
      if (!name) continue;
      std::u16string candidate = *name;
      for (int counter = 1; used.contains(candidate); ++counter) candidate = *name + Decimal(counter);
      if (candidate != *name) Dom::SetAttribute(child, Attr::MemberName, candidate);
      used.insert(candidate);
    }
  }
}

void SchemaNormaliser::BuildReferableMap() {
  for (DOMElement* element : Dom::ChildElements(m_schema, Elem::Element)) {
    if (auto name = Dom::GetAttribute(element, Attr::Name)) {
      m_referable[*name] = static_cast<DOMElement*>(element->cloneNode(true));
    }
  }
}

void SchemaNormaliser::ResolveReferences(DOMNode* node) {
  std::optional<InProgress> inProgress;
  if (Dom::IsElement(node, Elem::Element)) {
    if (auto ref = AttributeOf(node, Attr::Ref)) {
      if (m_referencesInProgress.contains(*ref)) {
        TRAVIX_THROW("Error: Found circular reference to <" + wstringTostring(*ref) +
                     "> while resolving references.");
      }
      inProgress.emplace(m_referencesInProgress, *ref);
      if (auto found = m_referable.find(*ref); found != m_referable.end()) {
        auto* copy = static_cast<DOMElement*>(found->second->cloneNode(true));
        // The reference's own occurrence counts say how often the element
        // stands here; the referenced declaration cannot know.
        for (const XMLCh* occurs : {Attr::MinOccurs, Attr::MaxOccurs}) {
          if (auto value = AttributeOf(node, occurs)) Dom::SetAttribute(copy, occurs, *value);
        }
        node->getParentNode()->replaceChild(copy, node);
        node = copy;
      }
    }
  }
  Dom::ForEachChild(node, [this](DOMNode* child) { ResolveReferences(child); });
}

void SchemaNormaliser::BuildDatatypeDependencyList(DependencyMap& dependencies) {
  for (const auto& [name, type] : m_types) {
    for (DOMElement* child : Dom::ChildElements(type)) {
      std::optional<std::u16string> used;
      if (Dom::IsElement(child, Elem::Group)) {
        used = Dom::GetAttribute(child, Attr::Ref);
      } else if (Dom::IsElement(child, Elem::Element) || Dom::IsElement(child, Elem::Attribute)) {
        used = Dom::GetAttribute(child, Attr::Type);
      }
      if (!used) continue;
      auto found = m_types.find(*used);
      if (found != m_types.end() && Dom::IsElement(found->second, Elem::Datatype)) {
        dependencies[name].push_back(*used);
      }
    }
  }
  for (const auto& entry : dependencies) ResolveDependencies(entry.first, dependencies);
}

void SchemaNormaliser::ResolveDependencies(const std::u16string& name, DependencyMap& dependencies) {
  if (m_dependenciesInProgress.contains(name)) return;
  InProgress inProgress(m_dependenciesInProgress, name);
  for (const std::u16string& datatypeName : dependencies[name]) {
    DOMElement* user = m_types.at(name);
    DOMElement* datatype = m_types.at(datatypeName);
    DOMNode* parent = user->getParentNode();
    if (!parent) TRAVIX_THROW("Error: Found type '" + wstringTostring(name) + "' with no parent.");
    if (datatype != user) {
      bool alreadyBefore = false;
      for (DOMNode* sibling = user->getPreviousSibling(); sibling && !alreadyBefore;
           sibling = sibling->getPreviousSibling()) {
        alreadyBefore = sibling == datatype;
      }
      if (!alreadyBefore) parent->insertBefore(datatype, user);
    }
    if (dependencies.contains(datatypeName)) ResolveDependencies(datatypeName, dependencies);
  }
}

std::u16string GetBasetype(const std::string& datatypeName, const DOMNode* datatype) {
  if (DOMElement* basetype = Dom::FirstChildElement(datatype, Elem::Basetype)) {
    if (auto name = Dom::GetAttribute(basetype, Attr::Name)) return *name;
    TRAVIX_THROW("Error: Invalid unnamed basetype for datatype '" + datatypeName + "'");
  }
  return u"<none>";
}

bool IsNumericType(const SchemaNodeMap& types, std::u16string_view typeName) {
  static constexpr std::array<std::u16string_view, 12> kNumeric = {
      u"real",
      u"decimal",
      u"integer",
      u"boolean",
      u"non_negative_integer",
      u"positive_integer",
      u"non_positive_integer",
      u"negative_integer",
      u"non-negative-integer",
      u"positive-integer",
      u"non-positive-integer",
      u"negative-integer"};
  std::u16string name(typeName);
  if (auto found = types.find(typeName); found != types.end()) {
    name = GetBasetype(wstringTostring(typeName), found->second);
  }
  return std::find(kNumeric.begin(), kNumeric.end(), name) != kNumeric.end();
}

}  // namespace Travix
