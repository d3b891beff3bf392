// The DTD reader on any bytes: both of its passes, the text-entities
// source it writes, and the writers' reading of the schema it builds.
// Refusing the input is fine; a crash, a sanitizer report or a hang is not.
#include <cstddef>
#include <cstdint>

#include "travix/fuzz/fuzzsupport.h"
#include "travix/fuzz/interpret.h"
#include "travix/readers/dtd/tqdeclreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::StartXmlPlatform();
  const std::string path = Fuzz::InputFile("input.dtd", data, size);
  Travix::TqDeclReader reader;
  reader.SetOutputDir(Fuzz::Scratch().Path());
  reader.SetEntitiesFileBaseName("fuzz_entities");
  try {
    reader.Parse(path);
    Fuzz::InterpretWithBothWriters(reader.getDocument(), true);
  } catch (...) {
    // travix reports every failure of these stages and exits; so do we.
  }
  Travix::TqDeclReader::ReleaseDocument();
  return 0;
}
