// A generated importer on any bytes: the scanner, the grammar and the
// binding classes they build, and the document written back as XML when
// it was read. Built once per schema: FUZZ_NS names the generated
// namespace, FUZZ_BINDING and FUZZ_IMPORTER its two headers.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

#include FUZZ_BINDING
#include FUZZ_IMPORTER
#include "travix/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // the classes' create functions, without which no element is read
  static const bool registered = [] {
    FUZZ_NS::Initialize();
    return true;
  }();
  (void)registered;
  const std::string path = Fuzz::InputFile("input.xml", data, size);
  for (bool expandEntities : {true, false}) {
    try {
      FUZZ_NS::XMLImporter importer;
      importer.ImportFromFile(path, expandEntities);
      std::unique_ptr<Travix::XObject> root(importer.GetXObject());
      if (root) {
        std::ostringstream text;
        root->EmitXML(text, 0);
      }
    } catch (const Travix::XException&) {
      // A document the importer refuses, with its reason: fine.
    }
  }
  return 0;
}
