// The exit status of travix: the one thing its callers (the project
// wizard, build scripts) read to learn what went wrong.
#ifndef TRAVIX_TOOL_EXITCODES_H
#define TRAVIX_TOOL_EXITCODES_H

namespace Travix::Tool {

enum ExitCode : int {
  kSuccess = 0,
  kNoNamespace = 1,
  kListFileUnwritable = 2,
  kReadingFailed = 3,    // the input could not be read or interpreted
  kBadOption = 4,
  kNoInputFile = 5,
  kGenerationFailed = 7, // any later stage
  kXmlParserUnavailable = 10,
  kInvalidNamespace = 11,
};

}  // namespace Travix::Tool

#endif
