// Where the DTD reader's scanner reads, shared by its two passes.
//
// The preprocessing pass reads the DTD and every file it includes: the
// include stack holds one source per open file, the DTD itself at the
// bottom. The parsing pass reads the preprocessor text as one source whose
// file name and line follow the line markers in it. Each source keeps its
// own line count, so the end of an included file resumes the including
// file exactly where its reference stood.
#ifndef TRAVIX_DTD_SCANSTATE_H
#define TRAVIX_DTD_SCANSTATE_H

#include <cstddef>
#include <string>
#include <vector>

namespace Travix::Dtd {

// Files open at once in the preprocessing pass, the DTD included.
inline constexpr std::size_t MaxIncludeDepth = 128;

// The most preprocessor text a run writes, entities and included files
// expanded.
inline constexpr std::size_t MaxPreprocessedBytes = 16u << 20;

// Characters of a line, or of a token, quoted in an error message.
inline constexpr std::size_t MaxQuotedText = 1023;

enum class Pass { Parsing, Preprocessing };

struct ScanSource {
  std::string name;          // shown in errors and written in line markers
  std::string path;          // the file read, to refuse recursive inclusion
  std::string text;          // the whole text, for the line quoted in errors
  void* buffer = nullptr;    // the flex buffer that reads `text`
  int line = 1;              // line of the current token
  std::size_t lineStart = 0; // offset in `text` where that line begins
};

struct ErrorPlace {
  std::string file;
  int line = 0;
  std::string token;
  std::string lineText;
};

struct ScanState {
  Pass pass = Pass::Preprocessing;
  std::string inputDirectory;       // included files are looked up here
  std::vector<ScanSource> sources;  // the include stack; one entry when parsing
  std::string tokenText;            // the token just matched
  std::string output;               // the preprocessor text written so far
};

// The one state of the process; ResetScanState empties it for a new run.
ScanState& Scan();
void ResetScanState();

ScanSource& CurrentSource();

// Records the token just matched at `offset` of the current source's text
// and counts the line ends in it.
void NoteToken(const char* text, std::size_t length, std::size_t offset);

// From `offset` of the current source on, the text is line `line` of the
// file `name` (a line marker of the preprocessor text).
void MoveTo(std::string name, int line, std::size_t offset);

// The place of the current token, as an error report names it.
ErrorPlace CurrentErrorPlace();

}  // namespace Travix::Dtd

#endif
