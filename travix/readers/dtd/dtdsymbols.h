// The DTD reader's own symbol table: what the scanner stores in it, and how
// the table's failures become error reports.
//
// The reader carries a private copy of the runtime's symbol table (the same
// source, built hidden into this library, with character references stored
// as C escape text because entity texts end up in C string literals).
// Every text is expanded on insertion: character references, general entity
// references, and parameter-entity references written "&%name;" (the text
// alone, without the blanks the runtime's table puts around it). Parameter
// entities are stored under "%" and their name, so they never meet general
// entities of the same name.
#ifndef TRAVIX_DTD_DTDSYMBOLS_H
#define TRAVIX_DTD_DTDSYMBOLS_H

#include <string>
#include <string_view>

#include "travixsymbol.h"

namespace Travix::Dtd {

// The kind of text a row holds, kept as the row's token.
enum SymbolKind : int {
  OtherSymbol = 0,
  NameSymbol = 1,                // names, and parameter entities ("%name")
  GeneralEntityNameSymbol = 2,   // the rows the text-entities source lists
  EntityValueSymbol = 3,
  SystemLiteralSymbol = 4,
  PublicLiteralSymbol = 5,
  AttributeValueSymbol = 6,
  EnumerationValueSymbol = 7,
  TargetSymbol = 8,              // processing-instruction target
  PredefinedEntitySymbol = 9,    // lt, gt, amp, apos and quot, until the DTD declares them
  ExternalTextSymbol = 10,       // the text of an external general entity's file, as written
};

// Empties the table and turns expansion on.
void ResetSymbols();

// Adds a row for text (expanded unless `expand` is false). Answers its
// index, or 0 when the table refused it: a reference that cannot be
// expanded is reported at the scanner's place and the scan goes on; a full
// table, or an expansion too long for the table, ends the scan. `entity`
// names the entity whose value the text is ("%name" for a parameter
// entity), for the report of a value too long.
int StoreSymbol(std::string_view text, SymbolKind kind, bool expand = true,
                std::string_view entity = {});

// The newest row whose text equals text, or a new row for it.
int FindOrStoreSymbol(std::string_view text, SymbolKind kind, bool expand = true);

// A row's text; empty for row 0.
std::string_view SymbolText(int row);

}  // namespace Travix::Dtd

#endif
