// The schema vocabulary every reader produces and every writer consumes: a
// reduced form of the 1999 working-draft XML Schema (schema, archetype,
// datatype, group, element, attribute, ...). Names are matched exactly and
// case-sensitively.
#ifndef TRAVIX_SCHEMAVOCABULARY_H
#define TRAVIX_SCHEMAVOCABULARY_H

#include <array>
#include <string_view>

#include <xercesc/util/XercesDefs.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix::Vocabulary {

// Element names.
namespace Elem {
inline constexpr XMLCh Schema[] = u"schema";
inline constexpr XMLCh Archetype[] = u"archetype";
inline constexpr XMLCh Datatype[] = u"datatype";
inline constexpr XMLCh Group[] = u"group";
inline constexpr XMLCh Element[] = u"element";
inline constexpr XMLCh Attribute[] = u"attribute";
inline constexpr XMLCh Basetype[] = u"basetype";
inline constexpr XMLCh Enumeration[] = u"enumeration";
inline constexpr XMLCh Literal[] = u"literal";
inline constexpr XMLCh MinInclusive[] = u"minInclusive";
inline constexpr XMLCh MaxInclusive[] = u"maxInclusive";
inline constexpr XMLCh MinExclusive[] = u"minExclusive";
inline constexpr XMLCh MaxExclusive[] = u"maxExclusive";
inline constexpr XMLCh MinAbsoluteValue[] = u"minAbsoluteValue";
inline constexpr XMLCh MaxAbsoluteValue[] = u"maxAbsoluteValue";
inline constexpr XMLCh Precision[] = u"precision";
inline constexpr XMLCh Scale[] = u"scale";
inline constexpr XMLCh Length[] = u"length";
inline constexpr XMLCh MaxLength[] = u"maxLength";
}  // namespace Elem

// The facet elements a datatype may hold, in the order of the vocabulary.
inline constexpr std::array<std::u16string_view, 10> Facets = {
    Elem::MinInclusive,     Elem::MaxInclusive,     Elem::MinExclusive, Elem::MaxExclusive,
    Elem::MinAbsoluteValue, Elem::MaxAbsoluteValue, Elem::Precision,    Elem::Scale,
    Elem::Length,           Elem::MaxLength};

// Attribute names.
namespace Attr {
inline constexpr XMLCh Name[] = u"name";
inline constexpr XMLCh Ref[] = u"ref";
inline constexpr XMLCh Type[] = u"type";
inline constexpr XMLCh Content[] = u"content";
inline constexpr XMLCh Order[] = u"order";
inline constexpr XMLCh MinOccurs[] = u"minOccurs";
inline constexpr XMLCh MaxOccurs[] = u"maxOccurs";
inline constexpr XMLCh Fixed[] = u"fixed";
inline constexpr XMLCh Default[] = u"default";
inline constexpr XMLCh MemberName[] = u"memberName";
inline constexpr XMLCh TargetNS[] = u"targetNS";
inline constexpr XMLCh Xmlns[] = u"xmlns";
inline constexpr XMLCh Version[] = u"version";
inline constexpr XMLCh Model[] = u"model";
inline constexpr XMLCh SchemaName[] = u"schemaName";
inline constexpr XMLCh SchemaAbbrev[] = u"schemaAbbrev";
}  // namespace Attr

// Attribute values.
namespace Value {
// content
inline constexpr XMLCh ElemOnly[] = u"elemOnly";
inline constexpr XMLCh TextOnly[] = u"textOnly";
inline constexpr XMLCh Mixed[] = u"mixed";
inline constexpr XMLCh Empty[] = u"empty";
inline constexpr XMLCh Any[] = u"any";
// order
inline constexpr XMLCh Seq[] = u"seq";
inline constexpr XMLCh Choice[] = u"choice";
inline constexpr XMLCh All[] = u"all";
// minOccurs / maxOccurs
inline constexpr XMLCh Optional[] = u"0";
inline constexpr XMLCh Unbounded[] = u"*";
}  // namespace Value

// Built-in type names that `type` and `basetype` may carry.
inline constexpr std::array<std::u16string_view, 24> BuiltInTypes = {
    u"string",     u"boolean",          u"real",
    u"decimal",    u"integer",          u"non-negative-integer",
    u"positive-integer", u"non-positive-integer", u"negative-integer",
    u"timeInstant", u"timeDuration",    u"recurringInstant",
    u"date",       u"time",             u"binary",
    u"uri",        u"language",         u"Name",
    u"NCName",     u"ID",               u"IDREF",
    u"IDREFS",     u"NMTOKEN",          u"NMTOKENS"};

TRAVIX_SCHEMA_API bool IsBuiltInType(std::u16string_view name);
TRAVIX_SCHEMA_API bool IsFacet(std::u16string_view elementName);

}  // namespace Travix::Vocabulary

#endif
