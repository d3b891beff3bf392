// The travix command line: options, their checks in their fixed order, the
// usage text and the kind of input the file name announces.
#ifndef TRAVIX_TOOL_COMMANDLINE_H
#define TRAVIX_TOOL_COMMANDLINE_H

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace Travix::Tool {

enum class InputKind { Dtd, Xdr, Schema };

struct TravixOptions {
  bool dllExport = false;           // -D
  bool keepPreprocessorOutput = false;  // -E
  bool mfcClasses = false;          // -M
  bool noNamespaces = false;        // -N
  bool printDtdSchema = false;      // -P
  bool noReadCapability = false;    // -R
  bool exportSchema = false;        // -X
  std::string outputDir = ".";      // -d
  std::string listFile;             // -l; empty: no list
  std::string nameSpace;            // -n; also the base name of every file
  std::string inputFile;            // as typed
  InputKind inputKind = InputKind::Schema;
};

// Options on success; otherwise the exit code, the diagnostics and usage
// having gone to errors.
struct CommandLine {
  std::optional<TravixOptions> options;
  int exitCode = 0;
};

CommandLine ParseCommandLine(int argc, char* argv[], std::ostream& errors);

// A namespace must be a C++ identifier: a letter or "_", then letters,
// digits or "_" (ASCII only), and no keyword.
bool IsValidNamespace(std::string_view name);

// Decided by the first of ".dtd", ".xdr", ".biz", ".xml" found anywhere in
// the lower-cased file name (directories do not count); anything else is a
// working-draft schema.
InputKind InputKindOf(std::string_view path);

void PrintUsage(std::ostream& errors);

}  // namespace Travix::Tool

#endif
