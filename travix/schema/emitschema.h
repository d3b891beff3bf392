// Text form of a schema document: the normalised schema file that a user
// reads to see what code was generated from, and may feed back as input.
//
// The output is UTF-8 XML that reads back to the same document: markup
// characters in values are escaped, elements with element children are
// indented one tab per level (the input's own white space between elements
// is left out, so writing, reading and writing again gives the same text),
// and text-only elements such as <literal> stand on one line so their
// values keep no added white space. Only the vocabulary's attributes
// name, ref, type, content, order, fixed, default, minOccurs and maxOccurs
// are written, in that order; the document type is not, and comments only
// when the options ask for them.
#ifndef TRAVIX_EMITSCHEMA_H
#define TRAVIX_EMITSCHEMA_H

#include <ostream>
#include <string_view>

#include <xercesc/dom/DOMNode.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix {

// What differs between the users of this one writer.
struct SchemaTextOptions {
  // Comment nodes are written (the DTD reader's schema text) or left out
  // (the normalised schema file).
  bool writeComments = false;
};

// Writes node and everything below it.
TRAVIX_SCHEMA_API std::ostream& EmitDOMNode(std::ostream& out, const xercesc::DOMNode* node,
                                            const SchemaTextOptions& options = {});

// Writes text as UTF-8, unescaped.
TRAVIX_SCHEMA_API std::ostream& EmitDOMString(std::ostream& out, std::u16string_view text);

// Writes text as UTF-8 with the markup characters " & < > as the entity
// references &quot; &amp; &lt; &gt;, so that it can stand in any part of
// a document.
TRAVIX_SCHEMA_API std::ostream& EmitEscapedDOMString(std::ostream& out,
                                                     std::u16string_view text);

}  // namespace Travix

#endif
