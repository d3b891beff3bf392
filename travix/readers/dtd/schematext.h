// The schema a DTD became, as indented XML text in UTF-8: what
// TqDeclReader::Print stores, and a stream form for any DOM text.
//
// Both operators live in namespace Travix. The text operator takes a
// DomText, not a bare const XMLCh*: a stream already prints any pointer,
// and would do so silently wherever an overload for XMLCh pointers is not
// in scope. Outside namespace Travix, write `using Travix::operator<<;`
// to print nodes.
#ifndef TRAVIX_DTD_SCHEMATEXT_H
#define TRAVIX_DTD_SCHEMATEXT_H

#include <ostream>
#include <string_view>

#include <xercesc/dom/DOMNode.hpp>

#include "travix/readers/dtd/declreaderapi.h"

namespace Travix {

// A DOM string on its way to a stream; a null string is empty.
struct DomText {
  explicit DomText(const XMLCh* text) : text(text ? text : u"") {}
  explicit DomText(std::u16string_view text) : text(text) {}
  std::u16string_view text;
};

// Writes the text in UTF-8 with " & < > escaped as entity references.
DECLREADER_API std::ostream& operator<<(std::ostream& out, const DomText& text);

// Writes the node and everything below it: elements indented one tab per
// level with the schema vocabulary's attributes, a `literal` on one line,
// comments included. A document starts with the XML declaration line.
DECLREADER_API std::ostream& operator<<(std::ostream& out, const xercesc::DOMNode& node);

}  // namespace Travix

#endif
