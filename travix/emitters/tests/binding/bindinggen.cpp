// Writes the C++ binding of one schema, for the build-time binding tests;
// the command line is GeneratorDriver's. Exits 1 with the message on any
// failure.
#include <iostream>

#include "travix/emitters/tests/generatordriver.h"
#include "travix/emitters/tqcppschemasrcwriter.h"
#include "travix/schema/domutil.h"
#include "travixexcept.h"

int main(int argc, char** argv) {
  const auto arguments = GeneratorDriver::ReadArguments(argc, argv, "bindinggen");
  if (!arguments) return 1;
  try {
    Travix::Dom::XercesSession session;
    Travix::TqCppSchemaSrcWriter writer;
    GeneratorDriver::Configure(writer, *arguments);
    writer.Interpret(arguments->schema);
    if (!writer.Emit()) return 1;
  } catch (const Travix::XException& e) {
    std::cerr << e.GetMsg() << '\n';
    return 1;
  }
  return 0;
}
