#include "travix/readers/dtd/schematext.h"

#include "travix/schema/emitschema.h"

namespace Travix {

std::ostream& operator<<(std::ostream& out, const DomText& text) {
  return EmitEscapedDOMString(out, text.text);
}

std::ostream& operator<<(std::ostream& out, const xercesc::DOMNode& node) {
  SchemaTextOptions options;
  options.writeComments = true;
  return EmitDOMNode(out, &node, options);
}

}  // namespace Travix
