// Writes the scanner, grammar and importer of a schema file, as the
// generator will: parsergen <schema> <output directory> <namespace>
// [-N] [-M] [-D] [-E]. -N: no namespaces, -M: MFC, -D: no DLL export
// declarations, -E: the schema came from a DTD.
#include <cstring>
#include <iostream>

#include "emitters/domutil.h"
#include "emitters/tqxmlparsersrcwriter.h"
#include "travixexcept.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: parsergen <schema> <output directory> <namespace> [-N] [-M] [-D] [-E]\n";
    return 1;
  }
  try {
    Travix::Dom::XercesSession session;
    Travix::TqXMLParserSrcWriter writer;
    writer.SetOutputDir(argv[2]);
    writer.SetNamespace(argv[3]);
    for (int i = 4; i < argc; ++i) {
      if (std::strcmp(argv[i], "-N") == 0) writer.SetNamespaceDisabled(true);
      if (std::strcmp(argv[i], "-M") == 0) writer.SetMFCUsage(true);
      if (std::strcmp(argv[i], "-D") == 0) writer.SetDLLExportUsage(false);
      if (std::strcmp(argv[i], "-E") == 0) writer.SetDTDMode(true);
    }
    writer.Interpret(std::string(argv[1]));
    return writer.Emit() ? 0 : 1;
  } catch (const Travix::XException& e) {
    std::cerr << e.GetMsg() << "\n";
    return 3;
  }
}
