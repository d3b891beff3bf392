// Writes the scanner, grammar and importer of a schema, for the build-time
// parser tests:
//
//   parsergen [-D] [-N] [-M] <schema> <output directory> <namespace>
//
// -D, -N and -M are the generator's flags: export declarations, no C++
// namespaces, MFC-style lists. A DTD (".dtd") is read by the DTD reader,
// which also writes its text-entities source (<namespace>_entities.cpp).
// Exits 1 with the message on any failure.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "emitters/domutil.h"
#include "emitters/tqxmlparsersrcwriter.h"
#include "readers/dtd/tqdeclreader.h"
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
    std::cerr << "usage: parsergen [-D] [-N] [-M] <schema> <output directory> <namespace>\n";
    return 1;
  }
  const std::string& input = operands[0];
  try {
    Travix::Dom::XercesSession session;
    Travix::TqXMLParserSrcWriter writer;
    writer.SetOutputDir(operands[1]);
    writer.SetNamespace(operands[2]);
    writer.SetNamespaceDisabled(noNamespace);
    writer.SetDLLExportUsage(dllExport);
    writer.SetMFCUsage(mfc);
    bool written = false;
    if (input.size() > 4 && input.compare(input.size() - 4, 4, ".dtd") == 0) {
      Travix::TqDeclReader reader;
      reader.SetOutputDir(operands[1]);
      reader.SetOutputFileName(operands[2]);
      reader.SetEntitiesFileBaseName(operands[2] + "_entities");
      reader.SetNamespaceDisabled(noNamespace);
      reader.Parse(input);
      writer.SetDTDMode(true);
      writer.Interpret(reader.getDocument());
      written = writer.Emit();
      Travix::TqDeclReader::ReleaseDocument();
    } else {
      writer.Interpret(input);
      written = writer.Emit();
    }
    return written ? 0 : 1;
  } catch (const Travix::XException& e) {
    std::cerr << e.GetMsg() << "\n";
    return 1;
  }
}
