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

TEST(ErrorText, EveryFamilyIsNamed) {
  // A few codes of each family, the first and last of a run among them.
  const struct {
    DWORD code;
    const char* name;
  } samples[] = {
      {0x00030201u, "STG_S_BLOCK"},
      {0x00040130u, "DATA_S_SAMEFORMATETC"},
      {0x000401E7u, "MK_S_MONIKERALREADYREGISTERED"},
      {0x8000FFFFu, "E_UNEXPECTED"},
      {3u, "ERROR_PATH_NOT_FOUND"},
      {1059u, "ERROR_CIRCULAR_DEPENDENCY"},
      {1326u, "ERROR_LOGON_FAILURE"},
      {1641u, "ERROR_SUCCESS_REBOOT_INITIATED"},
      {3003u, "ERROR_SPL_NO_STARTDOC"},
      {6118u, "ERROR_NO_BROWSER_SERVERS_FOUND"},
      {1700u, "RPC_S_INVALID_STRING_BINDING"},
      {1783u, "RPC_X_BAD_STUB_DATA"},
      {1753u, "EPT_S_NOT_REGISTERED"},
      {1912u, "OR_INVALID_SET"},
      {0x8001011Du, "RPC_E_INVALID_OBJREF"},
      {0x80004012u, "CO_E_INIT_ONLY_SINGLE_THREADED"},
      {0x8004021Bu, "CO_E_ACNOTINITIALIZED"},
      {0x80040012u, "OLE_E_NOSTORAGE"},
      {0x80040111u, "CLASS_E_CLASSNOTAVAILABLE"},
      {0x800401D4u, "CLIPBRD_E_CANT_CLOSE"},
      {0x80040102u, "DRAGDROP_E_INVALIDHWND"},
      {0x8004006Du, "DV_E_NOIVIEWOBJECT"},
      {0x80040170u, "CACHE_E_NOCACHE_UPDATED"},
      {0x800401C6u, "CONVERT10_E_STG_DIB_TO_BITMAP"},
      {0x800401A1u, "INPLACE_E_NOTOOLSPACE"},
      {0x80040181u, "OLEOBJ_E_INVALIDVERB"},
      {0x80040140u, "VIEW_E_DRAW"},
      {0x80040154u, "REGDB_E_CLASSNOTREG"},
      {0x80080011u, "MEM_E_INVALID_SIZE"},
      {0x800B000Bu, "PERSIST_E_NOTSELFSIZING"},
      {0x800401EFu, "MK_E_ENUMERATION_FAILED"},
      {0x80080007u, "MK_E_NO_NORMALIZED"},
      {0x80020013u, "DISP_E_BUFFERTOOSMALL"},
      {0x80029C84u, "TYPE_E_CIRCULARTYPE"},
      {0x80030202u, "STG_E_TERMINATED"},
      {0x800A02EAu, "CTL_E_REPLACEMENTSTOOLONG"},
      {0x80090021u, "NTE_SYS_ERR"},
      {0x800B0110u, "CERT_E_WRONG_USAGE"},
      {0x8009601Eu, "TRUST_E_FINANCIAL_CRITERIA"},
      {0x800B0008u, "DIGSIG_E_CRYPTO"},
  };
  for (const auto& sample : samples) {
    const Platform::ErrorText* entry = Platform::FindErrorText(sample.code);
    ASSERT_NE(entry, nullptr) << sample.name;
    EXPECT_STREQ(entry->name, sample.name) << std::hex << sample.code;
  }
  EXPECT_GT(Platform::ErrorTexts().size(), 1000u);
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
