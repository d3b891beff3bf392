#include "tests/support/tempdir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace TestSupport {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "travix-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a directory like " + pattern);
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::Path(const std::string& name) const { return m_path + "/" + name; }

std::string TempDir::Write(const std::string& name, const std::string& text) const {
  const std::string path = Path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string TempDir::Read(const std::string& name) const { return ReadFile(Path(name)); }

bool TempDir::Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace TestSupport
