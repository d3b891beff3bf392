// SecureDOMParser: the XML DOM parser every part of the toolkit reads files
// with.
//
// It reads only the file it is given: no external DTD is loaded, no
// external entity is fetched (Debian's parser could otherwise reach the
// network or any local file), and entity expansion is bounded. It neither
// validates nor resolves namespaces: the schema vocabulary is matched by
// plain element and attribute names. Entity references are expanded in
// place, so the document holds no read-only entity subtrees that a
// normalising writer would fail to rearrange.
//
// Like every Xerces parser it owns the document it builds; keep the parser
// alive while the document is in use. Needs an initialised XML platform.
#ifndef TRAVIX_SECUREPARSER_H
#define TRAVIX_SECUREPARSER_H

#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/util/SecurityManager.hpp>

#include "travix/schema/schemaapi.h"

namespace Travix {

namespace Detail {
// A base class rather than a member, so that it outlives the parser that
// points at it.
struct ParserSecurity {
  xercesc::SecurityManager securityManager;
};
}  // namespace Detail

class TRAVIX_SCHEMA_API SecureDOMParser : private Detail::ParserSecurity,
                                   public xercesc::XercesDOMParser {
public:
  SecureDOMParser();
  ~SecureDOMParser() override;
  SecureDOMParser(const SecureDOMParser&) = delete;
  SecureDOMParser& operator=(const SecureDOMParser&) = delete;
};

}  // namespace Travix

#endif
