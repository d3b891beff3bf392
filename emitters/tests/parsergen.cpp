// Writes the scanner, grammar and importer of a schema file or a DTD, as
// the generator will: parsergen <schema> <output directory> <namespace>
// [-N] [-M] [-D]. -N: no namespaces, -M: MFC, -D: no DLL export
// declarations. A DTD is read by the DTD reader, which also writes its
// text-entities source (<namespace>_entities.cpp).
#include <cstring>
#include <iostream>

#include "emitters/domutil.h"
#include "emitters/tqxmlparsersrcwriter.h"
#include "readers/dtd/tqdeclreader.h"
#include "travixexcept.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: parsergen <schema> <output directory> <namespace> [-N] [-M] [-D]\n";
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
    }
    const std::string input = argv[1];
    if (input.size() > 4 && input.compare(input.size() - 4, 4, ".dtd") == 0) {
      Travix::TqDeclReader reader;
      reader.SetOutputDir(argv[2]);
      reader.SetOutputFileName(argv[3]);
      reader.SetEntitiesFileBaseName(std::string(argv[3]) + "_entities");
      reader.SetNamespaceDisabled(writer.GetNamespaceDisabled());
      reader.Parse(input);
      writer.SetDTDMode(true);
      writer.Interpret(reader.getDocument());
      const bool written = writer.Emit();
      Travix::TqDeclReader::ReleaseDocument();
      return written ? 0 : 1;
    }
    writer.Interpret(input);
    return writer.Emit() ? 0 : 1;
  } catch (const Travix::XException& e) {
    std::cerr << e.GetMsg() << "\n";
    return 3;
  }
}
