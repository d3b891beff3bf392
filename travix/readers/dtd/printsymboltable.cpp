// The reader's table dump, exported under its own name so that it cannot be
// mistaken for the runtime's SymbolPrintTable.
#include "travix/readers/dtd/tqdeclreader.h"
#include "travixsymbol.h"

void print_symbol_table(void) { SymbolPrintTable(); }
