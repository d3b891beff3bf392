// Writes the C++ binding of one schema, for the build-time binding tests.
//
//   bindinggen [-D] [-N] [-M] <schema> <output directory> <namespace>
//
// -D, -N and -M are the generator's flags: export declarations, no C++
// namespaces, MFC-style lists. Exits 1 with the message on any failure.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "emitters/domutil.h"
#include "emitters/tqcppschemasrcwriter.h"
#include "travixexcept.h"

int main(int argc, char** argv) {
  bool dllExport = false, noNamespace = false, mfc = false;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-D") == 0) {
      dllExport = true;
    } else if (std::strcmp(argv[i], "-N") == 0) {
      noNamespace = true;
    } else if (std::strcmp(argv[i], "-M") == 0) {
      mfc = true;
    } else {
      operands.emplace_back(argv[i]);
    }
  }
  if (operands.size() != 3) {
    std::cerr << "usage: bindinggen [-D] [-N] [-M] <schema> <output directory> <namespace>\n";
    return 1;
  }
  try {
    Travix::Dom::XercesSession session;
    Travix::TqCppSchemaSrcWriter writer;
    writer.SetOutputDir(operands[1]);
    writer.SetNamespace(operands[2]);
    writer.SetNamespaceDisabled(noNamespace);
    writer.SetDLLExportUsage(dllExport);
    writer.SetMFCUsage(mfc);
    writer.Interpret(operands[0]);
    if (!writer.Emit()) return 1;
  } catch (const Travix::XException& e) {
    std::cerr << e.GetMsg() << '\n';
    return 1;
  }
  return 0;
}
