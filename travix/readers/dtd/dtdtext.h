// Reading DTD and entity files into memory, in the form the scanner wants.
//
// The scanner works on whole buffers: a token may be as long as its file,
// and standard input through a pipe is read once to its end. The text is
// UTF-8: a file whose text declaration names another encoding is
// transcoded from it (any encoding the Unicode library knows), one that
// names none must be UTF-8 already. Line ends are folded to LF (CR LF and
// a lone CR both become one LF, as text mode did on the system the DTDs
// were written for) and a leading UTF-8 byte-order mark is dropped, so the
// scanner never sees either.
#ifndef TRAVIX_DTD_DTDTEXT_H
#define TRAVIX_DTD_DTDTEXT_H

#include <cstdio>
#include <string>
#include <string_view>

namespace Travix::Dtd {

// The text with its line ends folded and a leading byte-order mark removed.
std::string NormalizeText(std::string_view raw);

// The encoding that a text declaration at the head of raw names; empty
// when there is no declaration or it names none.
std::string DeclaredEncoding(std::string_view raw);

// The text after the text declaration at its head, if it has one.
std::string_view WithoutTextDeclaration(std::string_view text);

// The raw bytes of a file as the scanner's text (above). On failure
// answers false and says why in problem: "unknown encoding 'X'",
// "unsupported encoding 'X'" (one of wider units than a byte), or
// "line N is not valid X" where the bytes stop being text in encoding X.
bool DecodeText(std::string_view raw, std::string& text, std::string& problem);

// The most one file or stream may bring in: a DTD and its entities are
// small, and what never ends (a device, a pipe that is never closed) must
// not make a run read for ever.
inline constexpr std::size_t MaxTextBytes = 4u << 20;

// What reading a file or a stream ended with.
struct TextRead {
  bool ok = false;
  int error = 0;        // errno of a failed read (a directory fails like an unreadable file)
  std::string problem;  // why the bytes read are no text (DecodeText), or why the file is
                        // not read at all; empty when unreadable
};

// Reads a regular file; anything else (a device, a pipe, a directory) is
// refused before it is read.
TextRead ReadTextFile(const std::string& path, std::string& text);

// Reads the stream to its end, MaxTextBytes at most; the stream stays open.
TextRead ReadTextStream(std::FILE* stream, std::string& text);

}  // namespace Travix::Dtd

#endif
