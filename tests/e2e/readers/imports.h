// Importing and writing back through generated code, for test programs
// built in either naming form. Include it after the generated headers:
// they choose the form (TRAVIX_NO_NAMESPACE).
#ifndef TRAVIX_TESTS_E2E_READERS_IMPORTS_H
#define TRAVIX_TESTS_E2E_READERS_IMPORTS_H

#include <memory>
#include <sstream>
#include <string>

#ifdef TRAVIX_NO_NAMESPACE
#define TX(name) Travix_##name
#else
#define TX(name) Travix::name
#endif

namespace E2E {

// The root object the importer makes of the file, as a Root; null, with
// error saying why, when the import fails or the root is of another class.
template <class Root, class Importer>
std::unique_ptr<Root> ImportAs(const std::string& path, std::string& error) {
  Importer importer;
  std::unique_ptr<TX(XObject)> root;
  try {
    importer.ImportFromFile(path, true);
    root.reset(importer.GetXObject());
  } catch (const TX(XException) & e) {
    error = e.GetMsg();
    return nullptr;
  }
  auto* typed = dynamic_cast<Root*>(root.get());
  if (!typed) {
    error = root ? "the root is <" + root->GetTag() + ">" : "no root object";
    return nullptr;
  }
  root.release();
  return std::unique_ptr<Root>(typed);
}

// The object as EmitXML writes it.
inline std::string XmlOf(TX(XObject) & object) {
  std::ostringstream out;
  object.EmitXML(out, 0);
  return out.str();
}

// Writes root to path with EmitXMLToFile and imports that file again.
template <class Root, class Importer>
std::unique_ptr<Root> WrittenAndImported(Root& root, const std::string& path,
                                         const std::string& doctype, std::string& error) {
  try {
    if (!root.EmitXMLToFile(path, doctype)) {
      error = "EmitXMLToFile failed";
      return nullptr;
    }
  } catch (const TX(XException) & e) {
    error = e.GetMsg();
    return nullptr;
  }
  return ImportAs<Root, Importer>(path, error);
}

// The text of a string value (either naming form converts to const char*).
inline std::string Text(const char* text) { return text ? text : ""; }

}  // namespace E2E

#endif
