// Names of the XML-Data Reduced (XDR) schema vocabulary that the converter
// reads. Like the schema vocabulary they are matched exactly and
// case-sensitively; the XDR document is read without namespace processing,
// so the "dt:" prefix is part of the attribute names.
#ifndef TRAVIX_XDRVOCABULARY_H
#define TRAVIX_XDRVOCABULARY_H

#include <xercesc/util/XercesDefs.hpp>

namespace Travix::Xdr {

namespace Elem {
inline constexpr XMLCh Schema[] = u"Schema";
inline constexpr XMLCh ElementType[] = u"ElementType";
inline constexpr XMLCh AttributeType[] = u"AttributeType";
inline constexpr XMLCh Element[] = u"element";
inline constexpr XMLCh Attribute[] = u"attribute";
inline constexpr XMLCh Datatype[] = u"datatype";
inline constexpr XMLCh Group[] = u"group";
inline constexpr XMLCh Description[] = u"description";
}  // namespace Elem

namespace Attr {
inline constexpr XMLCh DtType[] = u"dt:type";
inline constexpr XMLCh DtValues[] = u"dt:values";
inline constexpr XMLCh Required[] = u"required";
inline constexpr XMLCh XmlnsDt[] = u"xmlns:dt";
}  // namespace Attr

namespace Value {
// content
inline constexpr XMLCh EltOnly[] = u"eltOnly";
// order
inline constexpr XMLCh One[] = u"one";
inline constexpr XMLCh Many[] = u"many";
// required
inline constexpr XMLCh No[] = u"no";
inline constexpr XMLCh Yes[] = u"yes";
// dt:type
inline constexpr XMLCh Enumeration[] = u"enumeration";
}  // namespace Value

}  // namespace Travix::Xdr

#endif
