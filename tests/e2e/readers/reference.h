// Documents as an XML parser that knows nothing of the generated code reads
// them: the yardstick that imported and written-back documents are measured
// against, so that expected counts and values come from the document itself.
#ifndef TRAVIX_TESTS_E2E_READERS_REFERENCE_H
#define TRAVIX_TESTS_E2E_READERS_REFERENCE_H

#include <map>
#include <string>
#include <vector>

namespace E2E {

struct ReferenceElement {
  std::string name;
  // The attributes the document gives (no defaults: its DTD is not read).
  std::map<std::string, std::string> attributes;
  // A leaf's text; otherwise its text pieces that are not only white space,
  // joined.
  std::string text;
  std::vector<ReferenceElement> children;

  // The value the document gives the attribute, or absent.
  std::string Attribute(const std::string& attributeName, const std::string& absent = "") const;
  // How many children bear each name.
  std::map<std::string, int> ChildCounts() const;
  // The children of that name, in document order.
  std::vector<const ReferenceElement*> Children(const std::string& childName) const;
};

// The document element of the file, read without its external DTD or any
// external entity. A document that is not well-formed fails the test.
ReferenceElement ReadReference(const std::string& path);

// Empty when copy holds what original holds: the same elements in the same
// order, every attribute of the original with its value (a copy may add
// defaults) and the same text. Otherwise where they first differ.
std::string Difference(const ReferenceElement& original, const ReferenceElement& copy);

}  // namespace E2E

#endif
