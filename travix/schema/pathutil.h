// The toolkit's one way of joining and splitting file paths.
//
// Every writer, the generator's list file and the DTD reader build paths
// through these helpers: "/" is the separator, never doubled, and input
// names are also split at "\\" so Windows-style names keep working.
#ifndef TRAVIX_PATHUTIL_H
#define TRAVIX_PATHUTIL_H

#include <string>
#include <string_view>

#include "travix/schema/schemaapi.h"

namespace Travix {

// dir + "/" + name. An empty dir yields name unchanged; separators at the
// seam are not doubled.
TRAVIX_SCHEMA_API std::string JoinPath(std::string_view dir, std::string_view name);

// The part after the last "/" or "\\" (the whole text when there is none).
TRAVIX_SCHEMA_API std::string FileNamePart(std::string_view path);

// The part before the last "/" or "\\" (empty when there is none; "/" for a
// name directly under the root).
TRAVIX_SCHEMA_API std::string DirectoryPart(std::string_view path);

}  // namespace Travix

#endif
