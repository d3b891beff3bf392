// Reading DTD and entity files into memory, in the form the scanner wants.
//
// The scanner works on whole buffers: a token may be as long as its file,
// and standard input through a pipe is read once to its end. Line ends are
// folded to LF (CR LF and a lone CR both become one LF, as text mode did on
// the system the DTDs were written for) and a leading UTF-8 byte-order mark
// is dropped, so the scanner never sees either.
#ifndef TRAVIX_DTD_DTDTEXT_H
#define TRAVIX_DTD_DTDTEXT_H

#include <cstdio>
#include <string>
#include <string_view>

namespace Travix::Dtd {

// The text with its line ends folded and a leading byte-order mark removed.
std::string NormalizeText(std::string_view raw);

// Reads the whole file. On failure answers false and sets error to the
// errno of the failure (a directory fails like an unreadable file).
bool ReadTextFile(const std::string& path, std::string& text, int& error);

// Reads the stream to its end; the stream stays open.
bool ReadTextStream(std::FILE* stream, std::string& text, int& error);

}  // namespace Travix::Dtd

#endif
