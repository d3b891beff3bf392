#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "platform/com/errortext.h"
#include "platform/errors.h"
#include "platform/kernel/kernel.h"

namespace {

// The codes the layer declares, read from its own header so that a code
// added there without a text fails here.
std::multimap<DWORD, std::string> DeclaredCodes() {
  std::ifstream in(ERRORS_HEADER);
  std::stringstream text;
  text << in.rdbuf();
  std::string header = text.str();
  std::multimap<DWORD, std::string> codes;
  std::regex hresult(R"(#define ([A-Z0-9_]+) PLATFORM_HRESULT\((0x[0-9A-Fa-f]+)\))");
  std::regex win32(R"(#define (ERROR_[A-Z0-9_]+) ([0-9]+)\n)");
  std::regex success(R"(#define (S_OK|S_FALSE) \(static_cast<HRESULT>\(([0-9]+)\)\))");
  for (const std::regex& pattern : {hresult, win32, success}) {
    for (auto it = std::sregex_iterator(header.begin(), header.end(), pattern); it != std::sregex_iterator(); ++it)
      codes.emplace(static_cast<DWORD>(std::stoul((*it)[2].str(), nullptr, 0)), (*it)[1].str());
  }
  return codes;
}

std::string Text(DWORD code, DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 DWORD size = 400) {
  char buffer[400] = "untouched";
  DWORD written = FormatMessage(flags, nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, size, nullptr);
  return written == 0 ? "<none>" : std::string(buffer, written);
}

TEST(ErrorText, EveryDeclaredCodeHasItsNameAndAText) {
  std::multimap<DWORD, std::string> declared = DeclaredCodes();
  ASSERT_GT(declared.size(), 100u);
  for (const auto& [code, name] : declared) {
    const Platform::ErrorText* entry = Platform::FindErrorText(code);
    ASSERT_NE(entry, nullptr) << name;
    // Where names share a value the table keeps one of them.
    bool known = false;
    for (auto [it, end] = declared.equal_range(code); it != end; ++it)
      known = known || it->second == entry->name;
    EXPECT_TRUE(known) << name << " is named " << entry->name;
    std::string text = Text(code);
    EXPECT_GT(text.size(), 4u) << name;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << name;
  }
  // One entry per code, one code per name.
  std::set<DWORD> codes;
  std::set<std::string> names;
  for (const Platform::ErrorText& entry : Platform::ErrorTexts()) {
    EXPECT_TRUE(codes.insert(entry.code).second) << entry.name;
    EXPECT_TRUE(names.insert(entry.name).second) << entry.name;
    EXPECT_STRNE(entry.text, "") << entry.name;
  }
}

TEST(ErrorText, FormatMessageServesTheSystemTable) {
  constexpr DWORD system = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  struct Case {
    DWORD code;
    DWORD flags;
    DWORD size;
    std::string expected;
    DWORD error; // the last error when nothing is written
  } cases[] = {
      {5, system, 400, "Access is denied.\r\n", 0},
      {5, system | FORMAT_MESSAGE_MAX_WIDTH_MASK, 400, "Access is denied.", 0},
      // A Win32 error carried as an HRESULT.
      {0x80070002u, system, 400, Text(ERROR_FILE_NOT_FOUND), 0},
      {0x80041234u, system, 400, "<none>", ERROR_MR_MID_NOT_FOUND},
      {5, system, 20, "Access is denied.\r\n", 0},
      {5, system, 19, "<none>", ERROR_INSUFFICIENT_BUFFER},
      {5, FORMAT_MESSAGE_FROM_STRING, 400, "<none>", ERROR_INVALID_PARAMETER},
      {5, system | FORMAT_MESSAGE_ALLOCATE_BUFFER, 400, "<none>", ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(Text(c.code, c.flags, c.size), c.expected) << std::hex << c.code << " " << c.flags << " " << c.size;
    if (c.error != 0) {
      EXPECT_EQ(GetLastError(), c.error) << std::hex << c.code;
    }
  }
}

} // namespace
