// The command line the build-time generators of the binding and parser
// tests share:
//
//   <program> [-D] [-N] [-M] <schema> <output directory> <namespace>
//
// -D, -N and -M are the generator's flags: export declarations, no C++
// namespaces, MFC-style lists.
#ifndef TRAVIX_GENERATORDRIVER_H
#define TRAVIX_GENERATORDRIVER_H

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "travix/emitters/tqcodesrcwriter.h"

namespace GeneratorDriver {

struct Arguments {
  bool dllExport = false;
  bool noNamespace = false;
  bool mfc = false;
  std::string schema;
  std::string outputDirectory;
  std::string ns;
};

// The arguments of the command line; nullopt, with the usage of program
// written to standard error, when they do not fit it.
inline std::optional<Arguments> ReadArguments(int argc, char** argv, const char* program) {
  Arguments arguments;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-D") == 0) {
      arguments.dllExport = true;
    } else if (std::strcmp(argv[i], "-N") == 0) {
      arguments.noNamespace = true;
    } else if (std::strcmp(argv[i], "-M") == 0) {
      arguments.mfc = true;
    } else {
      operands.emplace_back(argv[i]);
    }
  }
  if (operands.size() != 3) {
    std::cerr << "usage: " << program << " [-D] [-N] [-M] <schema> <output directory> <namespace>\n";
    return std::nullopt;
  }
  arguments.schema = operands[0];
  arguments.outputDirectory = operands[1];
  arguments.ns = operands[2];
  return arguments;
}

// Points the writer at the output directory and namespace, with the flags.
inline void Configure(Travix::TqCodeSrcWriter& writer, const Arguments& arguments) {
  writer.SetOutputDir(arguments.outputDirectory);
  writer.SetNamespace(arguments.ns);
  writer.SetNamespaceDisabled(arguments.noNamespace);
  writer.SetDLLExportUsage(arguments.dllExport);
  writer.SetMFCUsage(arguments.mfc);
}

}  // namespace GeneratorDriver

#endif
