// Finding and reading the file an external entity names.
//
// The reader has no network access: a system literal that is a URL is
// looked up by its last path segment in the DTD's directory. Other literals
// are files: an absolute one (Debian's DocBook modules name entity files by
// absolute path) is used as it stands, a relative one is joined to the
// DTD's directory, and a "file://" prefix is dropped.
#ifndef TRAVIX_DTD_INCLUDEFILES_H
#define TRAVIX_DTD_INCLUDEFILES_H

#include <string>

namespace Travix::Dtd {

// The local file that stands for a system literal.
std::string LocalFileFor(const std::string& inputDirectory, const std::string& systemLiteral);

// Reads the file a system literal names into text, its path into path.
// A file that cannot be read is reported (with the hint on where to put a
// URL's text) and ends the scan; the answer is then false.
bool LoadExternalEntity(const std::string& inputDirectory, const std::string& systemLiteral,
                        std::string& path, std::string& text);

}  // namespace Travix::Dtd

#endif
