// travix: generates C++ binding classes, a scanner, a grammar and an
// importer from a DTD, an XDR schema or a working-draft schema.
#include <iostream>

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLException.hpp>

#include "travix/generator/commandline.h"
#include "travix/generator/exitcodes.h"
#include "travix/generator/generationrun.h"
#include "travix/generator/startup.h"
#include "travix/schema/transcode.h"

namespace {

using namespace Travix::Tool;

bool InitialiseXmlParser() {
  try {
    xercesc::XMLPlatformUtils::Initialize();
    return true;
  } catch (const xercesc::XMLException& e) {
    std::cerr << "Travix error: Unable to initialize XML4C2 parser.\n"
              << "       Exception message is \"" << Travix::wstringTostring(e.getMessage())
              << "\"\n"
              << std::endl;
    return false;
  }
}

int Run(int argc, char* argv[]) {
  CommandLine commandLine = ParseCommandLine(argc, argv, std::cerr);
  if (!commandLine.options) return commandLine.exitCode;
  return GenerationRun(*commandLine.options).Execute();
}

}  // namespace

int main(int argc, char* argv[]) {
  ClearUnicodeEnvironment();
  if (!InitialiseXmlParser()) return kXmlParserUnavailable;
  const int exitCode = Run(argc, argv);
  std::cout.flush();
  xercesc::XMLPlatformUtils::Terminate();
  return exitCode;
}
