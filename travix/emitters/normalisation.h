// Schema normalisation: rewrites a schema document in place into the flat,
// ordered form both code writers walk in one pass.
//
// Afterwards every archetype, datatype and group is named and stands
// directly under <schema>; groups inside types are references; element
// references are replaced by copies of the referenced element; a choice
// repeated without bound has alternatives that each stand once, and no
// optional group matches nothing; repeated
// sub-element names of one type carry distinct memberName values; and each
// datatype stands before the first type that uses it. Running it again on
// its own output changes nothing.
//
// Internal to the srcwri library: TqSchemaSrcWriter runs it on Interpret
// and offers its results to the derived writers.
#ifndef TRAVIX_NORMALISATION_H
#define TRAVIX_NORMALISATION_H

#include <list>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include <xercesc/dom/DOM.hpp>

namespace Travix {

// Name to archetype, datatype or group element (or to a top-level element,
// for the referable map). Names compare as UTF-16, case-sensitively.
using SchemaNodeMap = std::map<std::u16string, xercesc::DOMElement*, std::less<>>;

// One normalisation of one document. The names "in progress" that break
// cycles live here, so an exception leaves nothing behind for the next run.
class SchemaNormaliser {
public:
  // The writer's own maps and schema node, filled as the steps run so that
  // they hold what was done when a step fails.
  SchemaNormaliser(SchemaNodeMap& types, SchemaNodeMap& referable,
                   xercesc::DOMElement*& schema);
  SchemaNormaliser(const SchemaNormaliser&) = delete;
  SchemaNormaliser& operator=(const SchemaNormaliser&) = delete;

  // Runs every step over document. Throws XException (no <schema>, a
  // nameless type, a circular reference, ...).
  void Normalise(xercesc::DOMDocument* document);

private:
  using DependencyMap = std::map<std::u16string, std::list<std::u16string>>;

  void BuildTypesMap(xercesc::DOMNode* node);
  void FlattenAnonymousTypes(xercesc::DOMNode* node);
  void FlattenGroups(xercesc::DOMNode* node);
  void ResolveDuplicateSubelementNames();
  void BuildReferableMap();
  void ResolveReferences(xercesc::DOMNode* node);
  void ReadRepeatedChoicesOnce();
  void ReadOptionalGroupsOnce();
  void BuildDatatypeDependencyList(DependencyMap& dependencies);
  void ResolveDependencies(const std::u16string& name, DependencyMap& dependencies);

  // A name not yet in the types map: stem, else stem1, stem2, ...
  std::u16string UnusedTypeName(const std::u16string& stem) const;

  SchemaNodeMap& m_types;
  SchemaNodeMap& m_referable;
  xercesc::DOMElement*& m_schema;
  std::set<std::u16string> m_referencesInProgress;
  std::set<std::u16string> m_dependenciesInProgress;
};

// The name of the first <basetype> of datatype, or "<none>". Only that one
// level counts. Throws XException when that basetype has no name.
std::u16string GetBasetype(const std::string& datatypeName, const xercesc::DOMNode* datatype);

// True for the numeric built-in types (and "boolean"), in the vocabulary's
// hyphenated spelling and in the runtime's underscore spelling. A type of
// the schema counts by its direct basetype.
bool IsNumericType(const SchemaNodeMap& types, std::u16string_view typeName);

}  // namespace Travix

#endif
