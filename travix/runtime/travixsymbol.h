/* The symbol table of generated scanners and grammars.
 *
 * A fixed-size, process-wide table of names. Each row holds a name, a token
 * number and an association to another row; a generated scanner hands its
 * grammar row indexes instead of strings, and an entity's name row is
 * associated with the row of its replacement text. While the resolve flag is
 * on, SymbolInsert replaces entity and character references in the text it
 * stores. Plain C, no locking, no dynamic memory: one parse per process at a
 * time. Failures answer -1 (or a null pointer) and leave a message in the
 * last-error text; nothing here throws.
 *
 * Building a private copy. A library that needs a table of its own (the DTD
 * reader) compiles travixsymbol.c into itself; CMake's
 * travix_private_symbol_table(<target>) in travix/runtime/CMakeLists.txt does it.
 * Two macros, set for every source of that library, shape the copy:
 *
 *   TRAVIX_SYMBOL_API
 *     Visibility of the functions below. By default they are exported
 *     (default visibility), as the runtime library offers them. Define it
 *     empty to keep a private copy hidden inside its library, so that it
 *     neither replaces nor is replaced by the runtime's table at load time.
 *
 *   TRAVIX_SYMBOL_CHARREF_ESCAPES
 *     How character references (&#233; &#xE9;) to code points below 32 or
 *     above 126 are stored. Undefined or 0 (the runtime's table, used by
 *     generated importers): the UTF-8 bytes of the code point itself, so
 *     &#233; becomes the two bytes C3 A9 and &#9; a real tab. Defined to 1
 *     (the DTD reader's table, whose texts end up in C string literals): C
 *     escape text of those UTF-8 bytes, "\x%02X" per byte, so &#233; becomes
 *     the eight characters \xC3\xA9 and &#9; the four characters \x09.
 *     Code points 32 to 126 are stored as the character in both forms.
 *
 *   TRAVIX_SYMBOL_AMP_REREAD
 *     What a character reference to "&" (&#38;) stands for. Undefined or 0
 *     (the runtime's table: document text and attribute values): the
 *     character, never read again, so "a&#38;b" is stored as "a&b" and
 *     "&#38;amp;" as "&amp;". Defined to 1 (the DTD reader's table, whose
 *     texts are entity values, which XML expands twice): the "&" takes the
 *     place of the reference's ";", and the text after it is read again as
 *     a reference, so "&#38;#38;" is stored as "&" and "&#38;lt;" as the
 *     replacement of lt.
 *
 *   TRAVIX_SYMBOL_PE_PADDING
 *     Whether a parameter-entity reference (&%name;) is replaced with one
 *     blank before and one after its text. Undefined or 1: padded, as a
 *     reference that stands between declarations is. Defined to 0 (the DTD
 *     reader's table, which expands such references only inside entity
 *     values): the text alone, so that a value such as "xmlns%prefix;"
 *     still forms one name.
 */
#ifndef TRAVIX_SYMBOL_H
#define TRAVIX_SYMBOL_H

#ifndef TRAVIX_SYMBOL_API
#define TRAVIX_SYMBOL_API __attribute__((visibility("default")))
#endif

/* Capacities. Row 0 is never used, so at most TRAVIX_SYMBOL_ROWS - 1 rows;
 * names fill the pool back to back, each with its terminating NUL; an
 * expanded text must stay below TRAVIX_SYMBOL_EXPANSION_SIZE bytes with its
 * NUL; the last-error text holds TRAVIX_SYMBOL_ERROR_SIZE - 1 characters. */
#define TRAVIX_SYMBOL_ROWS 50000
#define TRAVIX_SYMBOL_POOL_SIZE 50000
#define TRAVIX_SYMBOL_EXPANSION_SIZE 32000
#define TRAVIX_SYMBOL_ERROR_SIZE 1024

#ifdef __cplusplus
extern "C" {
#endif

/* Expands the name while the resolve flag is on, then adds a row. Answers the
 * new row's index (1 to TRAVIX_SYMBOL_ROWS - 1), or -1 with the last error set. */
TRAVIX_SYMBOL_API int SymbolInsert(const char* name, int token);

/* The row a scanner hands its grammar for the text it matched: the newest
 * row of the text SymbolInsert would store for `name` (its references
 * expanded while the resolve flag is on), else a new row of it as
 * SymbolInsert adds one. `name` holds `length` bytes and a NUL after them,
 * as a scanner's matched text does. Answers -1 with the last error set
 * where SymbolInsert or the expansion would fail. One hash of the text
 * serves the lookup and the insert. */
TRAVIX_SYMBOL_API int SymbolEnter(const char* name, int length, int token);

/* Index of the newest row whose name equals `name` byte for byte, or 0. */
TRAVIX_SYMBOL_API int SymbolLookup(const char* name);

/* SymbolLookup of the first `length` bytes of `name`, which need not end
 * there: for a scanner that knows the length of the text it matched. */
TRAVIX_SYMBOL_API int SymbolLookupLength(const char* name, int length);

/* SymbolLookup of the text SymbolInsert would store for `name`: its
 * references expanded while the resolve flag is on. Answers -1 with the
 * last error set when the expansion fails, as SymbolInsert would. A scanner
 * looks a text up this way before inserting it, so that a text repeated in
 * a document takes one row, references or not. */
TRAVIX_SYMBOL_API int SymbolLookupExpanded(const char* name);

/* Sets a row's association. Indexes outside 0..count are refused (the last
 * error says which) and change nothing. */
TRAVIX_SYMBOL_API void SymbolAssociate(int index, int associatedIndex);

/* A row's name; null for index 0, and null with the last error set for an
 * index outside 0..count. */
TRAVIX_SYMBOL_API char* SymbolGetEntry(int index);

/* A row's association (0 = none); 0 for an index outside 0..count. */
TRAVIX_SYMBOL_API int SymbolGetAssociatedIndex(int index);

/* The name of the row associated with a row (an entity's replacement text);
 * null when the row has no association or the index is outside 0..count. */
TRAVIX_SYMBOL_API char* SymbolGetAssociatedVal(int index);

/* A row's token; 0 for an index outside 0..count. */
TRAVIX_SYMBOL_API int SymbolGetToken(int index);

/* Number of rows in use; rows 1 to count are valid. */
TRAVIX_SYMBOL_API int SymbolGetCount(void);

/* Empties the table. The resolve flag and the last error are kept. */
TRAVIX_SYMBOL_API void SymbolResetTable(void);

/* The last failure's message; never cleared by a success. */
TRAVIX_SYMBOL_API char* SymbolGetLastError(void);

/* Turns reference expansion in SymbolInsert on (non-zero) or off; answers
 * the flag as now set (1 or 0). */
TRAVIX_SYMBOL_API int SymbolResolveEntities(int on);

/* Prints every row to standard output. */
TRAVIX_SYMBOL_API void SymbolPrintTable(void);

#ifdef __cplusplus
}
#endif

#endif
