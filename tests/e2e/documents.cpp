#include "documents.h"

#include <gtest/gtest.h>

namespace E2E {

std::string DocumentPath(const std::string& name) {
  return std::string(E2E_DOCUMENTS_DIR) + "/" + name;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "no '" << from << "' to replace";
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

std::string WithCarriageReturns(const std::string& text) {
  std::string result;
  for (char c : text) {
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

}  // namespace E2E
