// The XDR converter: turns an XML-Data Reduced schema, already parsed into
// a DOM, into the toolkit's schema vocabulary by rewriting that document in
// place, ready for TqSchemaSrcWriter::Interpret.
//
// ElementTypes become archetypes and AttributeTypes are folded into the
// attributes that use them; element types without sub-elements or
// attributes (text or empty content) disappear, and the elements that use
// them take their built-in type instead. Enumerated attributes get an
// unnamed datatype, which the schema front end names when it normalises
// the document.
#ifndef TRAVIX_XDRTURN_H
#define TRAVIX_XDRTURN_H

#include <xercesc/dom/DOM.hpp>

#include "travix/readers/xdr/xdrturnapi.h"

namespace Travix {

// Converts the XDR schema held by doc. Callers pass the document as both
// arguments; node may also be a subtree of it, in which case only
// declarations inside that subtree are seen. New nodes are always made by
// the document that owns node. The caller keeps the document.
//
// Throws XException ("...Cannot continue.") on the first declaration it
// cannot convert; the document is then left as far as it was rewritten.
XDRTURN_API void ConvertMSSchemaToW3CSchema(xercesc::DOMDocument* doc, xercesc::DOMNode* node);

}  // namespace Travix

#endif
