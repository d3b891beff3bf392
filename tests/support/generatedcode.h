// For test programs of code that travix generated, built in either naming
// form: TX(x) names a runtime class in the form the program is built in,
// and documents are imported and written as XML through the generated
// classes. Include it after the generated headers: they choose the form
// (TRAVIX_NO_NAMESPACE). Kept to C++17, as some of those programs are.
#ifndef TRAVIX_TESTS_SUPPORT_GENERATEDCODE_H
#define TRAVIX_TESTS_SUPPORT_GENERATEDCODE_H

#include <memory>
#include <sstream>
#include <string>

#ifdef TRAVIX_NO_NAMESPACE
#define TX(name) Travix_##name
#else
#define TX(name) Travix::name
#endif

namespace TestSupport {

// What an import of a document left: the root object, or why there is none.
struct Imported {
  std::unique_ptr<TX(XObject)> root;
  std::string error;  // the XException's message, or "no root object"
};

// Imports the file through a fresh Importer, entity references expanded.
template <class Importer>
Imported Import(const std::string& path) {
  Imported result;
  Importer importer;
  try {
    importer.ImportFromFile(path, true);
    result.root.reset(importer.GetXObject());
    if (!result.root) result.error = "no root object";
  } catch (const TX(XException) & e) {
    result.error = e.GetMsg();
  }
  return result;
}

// The object as EmitXML writes it.
inline std::string XmlOf(TX(XObject) & object) {
  std::ostringstream out;
  object.EmitXML(out, 0);
  return out.str();
}

// The text of a string value (either naming form converts to const char*).
inline std::string Text(const char* text) { return text ? text : ""; }

}  // namespace TestSupport

#endif
