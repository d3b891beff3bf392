// The XDR datatype names (dt:type) and the built-in schema types they
// become. Internal to the xdrturn library.
#ifndef TRAVIX_XDRDATATYPES_H
#define TRAVIX_XDRDATATYPES_H

#include <string_view>

namespace Travix::Xdr {

// The schema type for an XDR dt:type value. Names compare exactly; a name
// the table does not know (the XDR date and time types among them) gives
// "string".
std::u16string_view SchemaTypeOf(std::u16string_view xdrType);

}  // namespace Travix::Xdr

#endif
