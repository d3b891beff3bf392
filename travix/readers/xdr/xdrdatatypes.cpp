#include "travix/readers/xdr/xdrdatatypes.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace Travix::Xdr {

namespace {

using TypePair = std::pair<std::u16string_view, std::u16string_view>;

// "number", "r4" and "r8" carry fractions and exponents; as "integer" their
// values would be cut to whole numbers when a document is read.
constexpr TypePair kSchemaTypes[] = {
    {u"string", u"string"},
    {u"uuid", u"string"},
    {u"char", u"string"},
    {u"entity", u"string"},
    {u"entities", u"string"},
    {u"notation", u"string"},
    {u"number", u"real"},
    {u"int", u"integer"},
    {u"i1", u"integer"},
    {u"i2", u"integer"},
    {u"i4", u"integer"},
    {u"i8", u"integer"},
    {u"r4", u"real"},
    {u"r8", u"real"},
    {u"ui1", u"non-negative-integer"},
    {u"ui2", u"non-negative-integer"},
    {u"ui4", u"non-negative-integer"},
    {u"ui8", u"non-negative-integer"},
    {u"float", u"real"},
    {u"fixed.14.4", u"decimal"},
    {u"boolean", u"boolean"},
    {u"dateTime", u"timeInstant"},
    {u"dateTime.tz", u"timeInstant"},
    {u"uri", u"uri"},
    {u"bin.hex", u"binary"},
    {u"enumeration", u"enumeration"},
    {u"id", u"ID"},
    {u"idref", u"IDREF"},
    {u"idrefs", u"IDREFS"},
    {u"nmtoken", u"NMTOKEN"},
    {u"nmtokens", u"NMTOKENS"},
};

}  // namespace

std::u16string_view SchemaTypeOf(std::u16string_view xdrType) {
  auto found = std::find_if(std::begin(kSchemaTypes), std::end(kSchemaTypes),
                            [xdrType](const TypePair& pair) { return pair.first == xdrType; });
  return found != std::end(kSchemaTypes) ? found->second : u"string";
}

}  // namespace Travix::Xdr
