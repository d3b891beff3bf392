// The DTD reader's flex scanner and the two passes it runs.
//
// The preprocessing pass reads the DTD and the files it includes and writes
// one flat text: comments are copied, entity declarations are recorded,
// conditional sections resolved, references replaced, and every change of
// file is marked with the line marker
//   <?Travix preprocessor file=NAME line=N ?>
// which says that the text right after it is line N of file NAME. The
// parsing pass reads that text and hands tokens to the grammar through
// dtdlex (declared with the tokens in the grammar's header), following the
// markers so that errors name the file and line the text came from.
//
// The scanner's state is process-wide (one DTD at a time); ResetScanner
// empties it for a new run. Flex's own fatal errors throw XException.
#ifndef TRAVIX_DTD_DTDSCANNER_H
#define TRAVIX_DTD_DTDSCANNER_H

#include <string>

#ifndef YY_TYPEDEF_YY_SCANNER_T
#define YY_TYPEDEF_YY_SCANNER_T
typedef void* yyscan_t;
#endif

namespace Travix::Dtd {

// One flex scanner. Its destructor frees the scanner and every buffer of
// the include stack, whatever the pass left behind.
class Scanner {
public:
  Scanner();
  ~Scanner();
  Scanner(const Scanner&) = delete;
  Scanner& operator=(const Scanner&) = delete;

  yyscan_t Handle() const { return m_handle; }

private:
  yyscan_t m_handle = nullptr;
};

// Empties the scanner's state, the reader's symbol table, the declared
// entities and the error reporter.
void ResetScanner();

// Runs the preprocessing pass over text, the DTD called name (read from
// path; empty for standard input) in inputDirectory. Answers the
// preprocessor text; errors are left with the reporter.
std::string RunPreprocessingPass(const std::string& text, const std::string& inputDirectory,
                                 const std::string& name, const std::string& path);

// Sets scanner up for the parsing pass over the preprocessor text of the
// DTD called name; dtdlex then hands out its tokens.
void StartParsingPass(Scanner& scanner, const std::string& text, const std::string& name);

// Turns flex's fatal errors into XException.
[[noreturn]] void ScannerFatalError(const char* message);

}  // namespace Travix::Dtd

#endif
