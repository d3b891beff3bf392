// Content models the generated grammar can read: in each archetype, an
// element must never match more than one particle of the model (XML 1.0
// calls other models an error for compatibility, and bison would resolve
// their conflicts silently, reading valid documents wrong). The check is
// the usual one on the model's positions: the particles that can come
// first, and those that can follow each one, never hold one tag twice.
//
// The grammar also makes an object of each occurrence of a group, so a
// model must tell where each one begins and ends: a group that is
// repeated or optional must not match nothing, an element that can begin
// a repetition of a group must not also go on the one before, and a
// choice must have one way at most of matching nothing. Normalisation
// writes the common repeated choices so (SchemaNormaliser); what is left
// is refused here, as bison would refuse it.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"
#include "travixexcept.h"

namespace Travix {

namespace {

namespace Elem = Vocabulary::Elem;
namespace Attr = Vocabulary::Attr;

// What a particle contributes: whether it can match nothing (as the
// grammar reads it), and the positions that can begin and end it.
struct Particle {
  bool nullable = true;
  std::set<int> first;
  std::set<int> last;
  bool absentByOccurrence = false;  // its occurrences allow none
};

using TypeLookup = std::function<const xercesc::DOMElement*(std::u16string_view)>;
using OrderLookup =
    std::function<TqSchemaSrcWriter::ORDER(const xercesc::DOMElement*, const std::string&)>;

class ModelPositions {
public:
  ModelPositions(const TypeLookup& findType, const OrderLookup& orderOf)
      : m_findType(findType), m_orderOf(orderOf) {}

  // The particles of a class element (archetype or group) in its order.
  // In mixed content, and in all order, the grammar reads each group
  // child any number of times, whatever its occurrences.
  Particle OfChildren(const xercesc::DOMElement* owner, const std::string& ownerName,
                      bool mixed = false) {
    // mixed content is its children in a repeated choice
    const TqSchemaSrcWriter::ORDER order = mixed ? TqSchemaSrcWriter::choice
                                                 : m_orderOf(owner, ownerName);
    Particle whole;
    whole.nullable = order != TqSchemaSrcWriter::choice;
    bool any = false;
    std::vector<Particle> parts;
    for (const xercesc::DOMElement* child : Dom::ChildElements(owner)) {
      if (Dom::IsElement(child, Elem::Element)) {
        parts.push_back(OfElement(child));
      } else if (Dom::IsElement(child, Elem::Group)) {
        if (auto part = OfGroup(child, mixed || order == TqSchemaSrcWriter::all)) {
          parts.push_back(*part);
        }
      }
    }
    if (order == TqSchemaSrcWriter::choice && !mixed) {
      // the alternatives that may be absent make one empty alternative
      int empty = 0;
      bool absent = false;
      for (const Particle& part : parts) {
        absent = absent || part.absentByOccurrence;
        if (part.nullable && !part.absentByOccurrence) ++empty;
      }
      if (empty + (absent ? 1 : 0) > 1) {
        Conflict("a choice of '" + ownerName + "' has more than one way to match nothing");
      }
    }
    for (Particle& part : parts) {
      any = true;
      if (order == TqSchemaSrcWriter::seq) {
        for (int p : whole.last) Follow(p, part.first);
        if (whole.nullable) whole.first.insert(part.first.begin(), part.first.end());
        if (!part.nullable) whole.last.clear();
        whole.last.insert(part.last.begin(), part.last.end());
        whole.nullable = whole.nullable && part.nullable;
      } else {
        // choice, and all (in any order: each may follow every other)
        whole.first.insert(part.first.begin(), part.first.end());
        whole.last.insert(part.last.begin(), part.last.end());
        whole.nullable = order == TqSchemaSrcWriter::all ? whole.nullable && part.nullable
                                                         : whole.nullable || part.nullable;
      }
    }
    if (!any) whole.nullable = true;
    if (order == TqSchemaSrcWriter::all) {
      for (int p : whole.last) Follow(p, whole.first);
      // any number of its children, none included
      whole.nullable = true;
    }
    return whole;
  }

  // Why the grammar cannot read the model, found while its particles were
  // gathered; empty when it can.
  const std::string& GrammarConflict() const { return m_conflict; }

  // The first tag that two particles can match at one place, if any.
  std::optional<std::string> Ambiguity(const Particle& model) const {
    if (auto twice = TwiceIn(model.first)) return twice;
    for (const auto& [position, follow] : m_follow) {
      if (auto twice = TwiceIn(follow)) return twice;
    }
    return std::nullopt;
  }

private:
  Particle OfElement(const xercesc::DOMElement* element) {
    const int position = static_cast<int>(m_tags.size());
    std::u16string tag = Dom::GetAttributeOr(element, Attr::Name, u"");
    if (tag.empty()) tag = Dom::GetAttributeOr(element, Attr::Ref, u"");
    m_tags.push_back(wstringTostring(tag));
    Particle part;
    part.nullable = false;
    part.first = part.last = {position};
    return Repeat(part, TqCodeSrcWriter::OccurrencesOf(element));
  }

  std::optional<Particle> OfGroup(const xercesc::DOMElement* reference, bool readRepeatedly) {
    auto ref = Dom::GetAttribute(reference, Attr::Ref);
    const xercesc::DOMElement* definition = ref ? m_findType(*ref) : nullptr;
    if (!definition) return std::nullopt;  // the grammar writer reports it
    const std::string name = wstringTostring(*ref);
    if (!m_open.insert(name).second) return std::nullopt;  // a group inside itself
    Particle part = OfChildren(definition, name);
    m_open.erase(name);
    TqCodeSrcWriter::Occurrences occurrences = TqCodeSrcWriter::OccurrencesOf(definition);
    const bool repeated = readRepeatedly || occurrences.IsRepeated();
    if ((repeated || occurrences.MayBeAbsent()) && part.nullable) {
      Conflict("the group '" + name + "' may be repeated or left out, and can match nothing");
    }
    if (repeated) {
      // what goes on one occurrence must not begin the next
      std::set<std::string> begins;
      for (int p : part.first) begins.insert(m_tags[p]);
      for (int p : part.last) {
        for (int q : m_follow[p]) {
          if (begins.count(m_tags[q])) {
            Conflict("an element '" + m_tags[q] + "' can go on an occurrence of the group '" +
                     name + "' or begin the next one");
          }
        }
      }
    }
    if (readRepeatedly) occurrences.unbounded = true;
    return Repeat(part, occurrences);
  }

  Particle Repeat(Particle part, const TqCodeSrcWriter::Occurrences& occurrences) {
    if (occurrences.IsRepeated()) {
      for (int p : part.last) Follow(p, part.first);
    }
    if (occurrences.MayBeAbsent()) {
      part.nullable = true;
      part.absentByOccurrence = true;
    }
    return part;
  }

  void Conflict(const std::string& why) {
    if (m_conflict.empty()) m_conflict = why;
  }

  void Follow(int position, const std::set<int>& next) {
    m_follow[position].insert(next.begin(), next.end());
  }

  std::optional<std::string> TwiceIn(const std::set<int>& positions) const {
    std::set<std::string> seen;
    for (int p : positions) {
      if (!seen.insert(m_tags[p]).second) return m_tags[p];
    }
    return std::nullopt;
  }

  const TypeLookup& m_findType;
  const OrderLookup& m_orderOf;
  std::vector<std::string> m_tags;  // the tag of each position
  std::map<int, std::set<int>> m_follow;
  std::set<std::string> m_open;  // groups being expanded
  std::string m_conflict;
};

}  // namespace

void TqXMLParserSrcWriter::RefuseAmbiguousContentModels() const {
  const xercesc::DOMElement* schema = GetSchemaNode();
  if (!schema) return;
  const TypeLookup findType = [this](std::u16string_view name) {
    return static_cast<const xercesc::DOMElement*>(FindType(name));
  };
  const OrderLookup orderOf = [](const xercesc::DOMElement* owner, const std::string& name) {
    return OrderOf(owner, name);
  };
  for (const xercesc::DOMElement* archetype : Dom::ChildElements(schema, Elem::Archetype)) {
    const std::string name = wstringTostring(Dom::GetAttributeOr(archetype, Attr::Name, u""));
    const CONTENT_MODEL content = ContentModelOf(archetype, name);
    if (content != elemOnly && content != mixed) continue;
    ModelPositions positions(findType, orderOf);
    const Particle model = positions.OfChildren(archetype, name, content == mixed);
    if (auto tag = positions.Ambiguity(model)) {
      TRAVIX_THROW("Error: The content model of '" + name + "' is ambiguous: an element '" + *tag +
                   "' can match more than one of its particles");
    }
    if (!positions.GrammarConflict().empty()) {
      TRAVIX_THROW("Error: The content model of '" + name + "' cannot be read as written: " +
                   positions.GrammarConflict());
    }
  }
}

}  // namespace Travix
