// A generated importer (of the bundled purchase order schema) on any
// bytes: the scanner, the grammar and the binding classes they build, and
// the document written back as XML when it was read.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>

#include "po.h"
#include "po_xmlimporter.h"
#include "travix/fuzz/fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = Fuzz::InputFile("input.xml", data, size);
  for (bool expandEntities : {true, false}) {
    try {
      po::XMLImporter importer;
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
