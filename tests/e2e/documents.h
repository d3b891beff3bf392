// Documents of the end-to-end suite: the files under documents/ and edits
// of their text. Scratch files go in a TestSupport::TempDir.
#ifndef TRAVIX_TESTS_E2E_DOCUMENTS_H
#define TRAVIX_TESTS_E2E_DOCUMENTS_H

#include <string>

namespace E2E {

// A file of the suite's documents directory.
std::string DocumentPath(const std::string& name);

// Replaces the first occurrence of from, which must be there.
std::string Replace(std::string text, const std::string& from, const std::string& to);

// Every "\n" as "\r\n".
std::string WithCarriageReturns(const std::string& text);

}  // namespace E2E

#endif
