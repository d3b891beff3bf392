// Writes the scanner, grammar and importer of a schema, for the build-time
// parser tests; the command line is GeneratorDriver's. A DTD (".dtd") is
// read by the DTD reader, which also writes its text-entities source
// (<namespace>_entities.cpp). Exits 1 with the message on any failure.
#include <iostream>
#include <string>

#include "travix/emitters/tests/generatordriver.h"
#include "travix/emitters/tqxmlparsersrcwriter.h"
#include "travix/readers/dtd/tqdeclreader.h"
#include "travix/schema/domutil.h"
#include "travixexcept.h"

int main(int argc, char** argv) {
  const auto arguments = GeneratorDriver::ReadArguments(argc, argv, "parsergen");
  if (!arguments) return 1;
  const std::string& input = arguments->schema;
  try {
    Travix::Dom::XercesSession session;
    Travix::TqXMLParserSrcWriter writer;
    GeneratorDriver::Configure(writer, *arguments);
    bool written = false;
    if (input.size() > 4 && input.compare(input.size() - 4, 4, ".dtd") == 0) {
      Travix::TqDeclReader reader;
      reader.SetOutputDir(arguments->outputDirectory);
      reader.SetOutputFileName(arguments->ns);
      reader.SetEntitiesFileBaseName(arguments->ns + "_entities");
      reader.SetNamespaceDisabled(arguments->noNamespace);
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
