// Imports a greeting through the generated classes and writes it as XML.
#include <iostream>
#include <memory>

#include "hello.h"
#include "hello_xmlimporter.h"

#ifdef TRAVIX_NO_NAMESPACE
using Object = Travix_XObject;
using Error = Travix_XException;
#else
using Object = Travix::XObject;
using Error = Travix::XException;
#endif

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  try {
    HELLO_NAMESPACE(Initialize)();
    HELLO_NAMESPACE(XMLImporter) importer;
    importer.ImportFromFile(argv[1], true);
    std::unique_ptr<Object> root(importer.GetXObject());
    return root && root->EmitXML(std::cout, 0) ? 0 : 1;
  } catch (const Error& e) {
    std::cerr << e.GetMsg() << "\n";
    return 1;
  }
}
