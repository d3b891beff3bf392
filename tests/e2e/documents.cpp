#include "documents.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace E2E {

std::string DocumentPath(const std::string& name) {
  return std::string(E2E_DOCUMENTS_DIR) + "/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

ScratchDirectory::ScratchDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "travix-e2e-XXXXXX").string();
  if (mkdtemp(pattern.data())) m_directory = pattern;
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  if (!m_directory.empty()) std::filesystem::remove_all(m_directory, ignored);
}

std::string ScratchDirectory::Path(const std::string& name) const { return m_directory + "/" + name; }

std::string ScratchDirectory::Write(const std::string& name, const std::string& text) const {
  const std::string path = Path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace E2E
