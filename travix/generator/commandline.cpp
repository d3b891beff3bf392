#include "travix/generator/commandline.h"

#include <getopt.h>

#include <algorithm>
#include <array>

#include "travix/emitters/cppkeywords.h"
#include "travix/generator/exitcodes.h"
#include "travix/generator/namespacerule.h"
#include "travix/schema/pathutil.h"

namespace Travix::Tool {

namespace {

// Lower case of the C locale, whatever locale the process runs in.
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

bool IsValidNamespace(std::string_view name) {
  return CheckNamespaceCharacters(name) == NamespaceFault::None && !IsCppKeyword(name);
}

InputKind InputKindOf(std::string_view path) {
  std::string name = FileNamePart(path);
  std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
  if (name.find(".dtd") != std::string::npos) return InputKind::Dtd;
  for (std::string_view xdr : {".xdr", ".biz", ".xml"}) {
    if (name.find(xdr) != std::string::npos) return InputKind::Xdr;
  }
  return InputKind::Schema;
}

void PrintUsage(std::ostream& errors) {
  static constexpr std::array<std::string_view, 10> kLines = {
      "Usage:",
      "  travix [-DMNRX] [-ddirectory] [-llistfile] -nnamespace filename",
      "   -D: Create a DLL (i.e. _declspec(dllexport))",
      "   -M: Reference MFC classes (CString, CFile, ...) instead of STL classes",
      "   -N: Do not emit classes using C++ namespaces",
      "   -R: Do not generate XML read capability in the output classes",
      "   -X: Export normalized schema",
      "   -d: Create all output files in the specified directory",
      "   -l: List output files to specified file",
      "   -n: Place all classes in the specified namespace",
  };
  for (std::string_view line : kLines) errors << line << '\n';
  errors.flush();
}

CommandLine ParseCommandLine(int argc, char* argv[], std::ostream& errors) {
  TravixOptions options;
  optind = 0;  // a full restart of getopt, also for a second command line
  for (int option; (option = getopt(argc, argv, "DEMNPRXd:l:n:")) != -1;) {
    switch (option) {
    case 'D': options.dllExport = true; break;
    case 'E': options.keepPreprocessorOutput = true; break;
    case 'M': options.mfcClasses = true; break;
    case 'N': options.noNamespaces = true; break;
    case 'P': options.printDtdSchema = true; break;
    case 'R': options.noReadCapability = true; break;
    case 'X': options.exportSchema = true; break;
    case 'd': options.outputDir = optarg; break;
    case 'l': options.listFile = optarg; break;
    case 'n':
      options.nameSpace = optarg;
      if (!IsValidNamespace(options.nameSpace)) {
        errors << "Travix error: Namespace must be a valid C++ identifier.\n";
        errors.flush();
        return {std::nullopt, kInvalidNamespace};
      }
      break;
    default:  // getopt has said what was wrong
      PrintUsage(errors);
      return {std::nullopt, kBadOption};
    }
  }
  if (optind >= argc) {
    PrintUsage(errors);
    return {std::nullopt, kNoInputFile};
  }
  if (options.nameSpace.empty()) {
    PrintUsage(errors);
    return {std::nullopt, kNoNamespace};
  }
  options.inputFile = argv[optind];
  options.inputKind = InputKindOf(options.inputFile);
  return {std::move(options), kSuccess};
}

}  // namespace Travix::Tool
