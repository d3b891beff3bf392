// The rows of the text-entities source: a DTD's general entities written
// as a C++ TextEntity table, which the generated importer hands to the
// runtime's symbol table.
#ifndef TRAVIX_DTD_ENTITIESSOURCE_H
#define TRAVIX_DTD_ENTITIESSOURCE_H

#include <ostream>
#include <string>
#include <string_view>

namespace Travix::Dtd {

// The body of a C++ string literal that holds text. A line feed ends the
// literal's line and goes on in the next adjacent literal; quotes,
// backslashes, control characters and the second "?" of a pair (a trigraph
// to older compilers) are escaped. The reader's table keeps characters it
// cannot write plainly, and backslashes, as "\xHH" escape text
// (storedtext.h): a backslash's escape is written as a doubled backslash,
// any other escape is kept as it stands, and the literal is closed and
// reopened after it when a hexadecimal digit follows, so the escape cannot
// run on.
std::string EscapeEntityText(std::string_view text);

// One row per general entity of the reader's symbol table, in table order:
//   {"name","value"},
// An entity without a value writes no row. A value is written as the
// importer loads it, expanding references once more: each "&" in it as
// "&#38;".
void WriteEntityRows(std::ostream& out);

}  // namespace Travix::Dtd

#endif
