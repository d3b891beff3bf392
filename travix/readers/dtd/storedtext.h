// The form in which the DTD reader's symbol table keeps texts, and the
// ways back out of it.
//
// The reader's table writes a character reference to a code point outside
// 32 to 126 as "\xHH" escape text of its UTF-8 bytes (the entities source
// is C++, and the escapes go into it as they stand). A backslash that the
// DTD itself wrote would then be taken for the start of such an escape
// ("C:\x41" would come out as "C:A"), so the reader stores every backslash
// as an escape too, "\x5C": in stored text, each backslash begins an
// escape.
#ifndef TRAVIX_DTD_STOREDTEXT_H
#define TRAVIX_DTD_STOREDTEXT_H

#include <string>
#include <string_view>

namespace Travix::Dtd {

// The text to hand the table for text the DTD wrote. With expansion on,
// a character reference to a backslash is written as its escape as well,
// since the table would write it as a bare backslash.
std::string StoredForm(std::string_view text, bool expand);

// The byte of the "\xHH" escape at text[at], or -1 when none begins there.
int EscapedByte(std::string_view text, std::size_t at);

// Every escape of stored text turned back into its byte: the text as it
// is meant (a file name, say).
std::string PlainText(std::string_view stored);

// Stored text written back as DTD text, for the preprocessor text that
// the parsing pass reads again and stores once more. Escapes become their
// bytes, except control characters, which become character references so
// that they are stored as escapes again. Text for the inside of a literal
// (a general entity's replacement) also writes quotes and "&" as
// character references, so that it can neither end the literal it stands
// in nor start a reference.
std::string DtdTextOf(std::string_view stored, bool insideLiteral);

}  // namespace Travix::Dtd

#endif
