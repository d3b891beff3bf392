// Importing and writing back through generated code, for test programs
// built in either naming form. Include it after the generated headers:
// they choose the form (TRAVIX_NO_NAMESPACE).
#ifndef TRAVIX_TESTS_E2E_READERS_IMPORTS_H
#define TRAVIX_TESTS_E2E_READERS_IMPORTS_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "reference.h"
#include "tests/support/generatedcode.h"

namespace E2E {

using TestSupport::Text;
using TestSupport::XmlOf;

// The root object the importer makes of the file, as a Root; null, with
// error saying why, when the import fails or the root is of another class.
template <class Root, class Importer>
std::unique_ptr<Root> ImportAs(const std::string& path, std::string& error) {
  TestSupport::Imported imported = TestSupport::Import<Importer>(path);
  if (!imported.root) {
    error = imported.error;
    return nullptr;
  }
  auto* typed = dynamic_cast<Root*>(imported.root.get());
  if (!typed) {
    error = "the root is <" + imported.root->GetTag() + ">";
    return nullptr;
  }
  imported.root.release();
  return std::unique_ptr<Root>(typed);
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

// Imports original, writes it back to copy and imports the copy: it must
// import, hold what an XML parser finds in the original, and write the
// same XML as the first import.
template <class Root, class Importer>
void ExpectWrittenBackTheSame(const std::string& original, const std::string& copy,
                              const std::string& doctype) {
  std::string error;
  std::unique_ptr<Root> root = ImportAs<Root, Importer>(original, error);
  ASSERT_TRUE(root) << error;
  std::unique_ptr<Root> again = WrittenAndImported<Root, Importer>(*root, copy, doctype, error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(Difference(ReadReference(original), ReadReference(copy)), "");
  EXPECT_EQ(XmlOf(*again), XmlOf(*root));
}

}  // namespace E2E

#endif
