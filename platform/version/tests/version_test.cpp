#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/kernel/kernel.h"
#include "platform/version/version.h"
#include "tests/support/tempdir.h"

namespace {

std::vector<BYTE> BlockOf(const std::string& path) {
  DWORD handle = 1;
  DWORD size = GetFileVersionInfoSize(path.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  std::vector<BYTE> block(size);
  if (size && !GetFileVersionInfo(path.c_str(), handle, size, block.data()))
    block.clear();
  return block;
}

std::string Field(const std::vector<BYTE>& block, const std::string& name) {
  LPVOID text = nullptr;
  UINT length = 0;
  if (!VerQueryValue(block.data(), ("\\StringFileInfo\\040904E4\\" + name).c_str(), &text, &length))
    return "<none>";
  EXPECT_EQ(length, std::string(static_cast<const char*>(text)).size() + 1) << name;
  return static_cast<const char*>(text);
}

TEST(VersionInformation, StampedFieldsReadBack) {
  std::vector<BYTE> block = BlockOf(PROBE_LIBRARY);
  ASSERT_FALSE(block.empty());
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020005u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00070009u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00030001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileFlagsMask, VS_FFI_FILEFLAGSMASK);
  EXPECT_EQ(fixed->dwFileFlags & ~VS_FF_DEBUG, VS_FF_PRERELEASE | VS_FF_SPECIALBUILD);
  EXPECT_EQ(fixed->dwFileType, VFT_DLL);
  EXPECT_EQ(fixed->dwFileOS, VOS_UNKNOWN);

  struct Case {
    const char* name;
    const char* value;
  } cases[] = {
      {"CompanyName", "Pelvane \"Q\" \\ Co"}, {"companyname", "Pelvane \"Q\" \\ Co"},
      {"Comments", "two\nlines"},              {"FileVersion", "2.5.7.9"},
      {"ProductVersion", "3.1"},               {"ProductName", "Probe"},
      {"InternalName", "versionprobe"},        {"OriginalFilename", "libversionprobe.so"},
      {"SpecialBuild", "probe"},               {"LegalCopyright", "<none>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Field(block, c.name), c.value) << c.name;

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValue(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translation),
                            &length));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04E4);
  LPVOID nothing = nullptr;
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\04070000\\CompanyName", &nothing, &length));
  EXPECT_FALSE(VerQueryValue(block.data(), "\\StringFileInfo\\040904E4", &nothing, &length));
  EXPECT_EQ(length, 0u);

  // The platform's own files carry theirs.
  HMODULE platform = nullptr;
  ASSERT_TRUE(GetModuleHandleEx(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&VerQueryValue),
                                &platform));
  char path[4096];
  ASSERT_GT(GetModuleFileName(platform, path, sizeof path), 0u);
  std::vector<BYTE> own = BlockOf(path);
  EXPECT_EQ(Field(own, "CompanyName"), "Corvanth");
  std::vector<BYTE> program = BlockOf(REGDUMP_PROGRAM);
  ASSERT_FALSE(program.empty());
  ASSERT_TRUE(VerQueryValue(program.data(), "\\", reinterpret_cast<LPVOID*>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileType, VFT_APP);
}

TEST(VersionInformation, FilesWithoutABlockOrBrokenOnesHaveNone) {
  TestSupport::TempDir dir;
  std::string library = TestSupport::ReadFile(PROBE_LIBRARY);
  ASSERT_GT(library.size(), 64u);
  std::string cut = library.substr(0, library.size() / 2);
  std::string noSections = library;
  for (int at = 0x28; at < 0x30; ++at)
    noSections[at] = '\xFF';  // e_shoff: the table of sections past the end, and wrapping round
  std::string tooMany = library;
  tooMany[0x3C] = tooMany[0x3D] = '\xFF';  // e_shnum: more sections than the file holds
  struct Case {
    std::string name, contents;
    DWORD error;
  } cases[] = {
      {"text", "just text", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"empty", "", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"half", cut, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"sections", noSections, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"too many", tooMany, ERROR_RESOURCE_TYPE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    DWORD handle;
    EXPECT_EQ(GetFileVersionInfoSize(dir.Write(c.name, c.contents).c_str(), &handle), 0u) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  DWORD handle;
  EXPECT_EQ(GetFileVersionInfoSize(dir.Path("missing").c_str(), &handle), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileVersionInfoSize(dir.Path().c_str(), &handle), 0u) << "a directory";

  DWORD size = GetFileVersionInfoSize(PROBE_LIBRARY, &handle);
  std::vector<BYTE> small(size - 1, 0xAB);
  EXPECT_FALSE(GetFileVersionInfo(PROBE_LIBRARY, handle, size - 1, small.data()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(small, std::vector<BYTE>(size - 1, 0xAB)) << "nothing written";
}

}  // namespace
