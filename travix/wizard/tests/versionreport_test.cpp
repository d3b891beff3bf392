// The version report of a "bin" directory with stamped and unstamped files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dialogs/controls.h"
#include "platform/version/version.h"
#include "travix/wizard/about.h"
#include "travix/wizard/installpath.h"
#include "travix/wizard/templates.h"
#include "travix/wizard/tests/wizardtest.h"
#include "travix/wizard/versionreport.h"

namespace {

// A Debug build stamps its programs and libraries with the Debug flag; only
// the one stamped PreRelease carries a flags line otherwise.
constexpr bool kStampedDebug = STAMPED_DEBUG;
const std::string kDebugFlags =
    kStampedDebug ? "  Build Flags:  Debug" + std::string(1 + 6 + 1 + 7 + 1 + 7 + 1 + 4 + 1 + 7, ' ') : "";

using namespace Travix::Wizard;
using wizardtest::WizardTest;

class VersionReportTest : public WizardTest {
 protected:
  // <scratch>/bin with the three stamped files (named so that their order
  // differs from any build order), a text file and a directory.
  std::string MakeBin() {
    const std::filesystem::path bin = m_directory / "install" / "bin";
    std::filesystem::create_directories(bin / "plugins");
    std::filesystem::copy_file(STAMPED_TWO, bin / "b-two.so");
    std::filesystem::copy_file(STAMPED_ONE, bin / "c-one.so");
    std::filesystem::copy_file(STAMPED_PROGRAM, bin / "a-program");
    WriteFile("install/bin/README", "not a program");
    return bin.string();
  }
};

TEST_F(VersionReportTest, StampedFilesInNameOrder) {
  const std::string bin = MakeBin();
  const std::string cwd = std::filesystem::current_path().string();
  const std::string lib = Path("install/lib");  // a directory the install lacks is listed empty
  const VersionReport report = BuildVersionReport({bin, lib}, SystemVersion{6, 1, 76, "Update 2"});
  EXPECT_EQ(std::filesystem::current_path().string(), cwd);
  EXPECT_EQ(report.messages, std::vector<std::string>{"No Version Info for " + bin + "/README"});

  std::vector<std::string> expected = {
      " Pathname: " + bin,
      "  Windows: 6.1",
      "  Build Number: 76",
      "  Update 2",
      bin + "/a-program",
      "  File Version:  3.1",
      "  Internal Name:  travixwz_stamped_program",
      "  Original Filename:  travixwz_stamped_program",
      "  Product Name:  Corvanth",
      "  Product Version:  1.2",
      "  Special Build:  nightly",
      "  File Version (full):  3.1.0.0",
      "  Product Version (full):  1.2.0.0",
      kDebugFlags,
      "  Operating System:  Unknown",
      "  File Type:  Application",
      bin + "/b-two.so",
      "  File Version:  2.0",
      "  Internal Name:  travixwz_stamped_two",
      "  Original Filename:  libtravixwz_stamped_two.so",
      "  Product Name:  Corvanth",
      "  Product Version:  1.2",
      "  File Version (full):  2.0.0.0",
      "  Product Version (full):  1.2.0.0",
      "  Build Flags:  Debug PreRel" + std::string(7 + 7 + 4 + 7 + 4, ' '),  // the four unset flags
      "  Operating System:  Unknown",
      "  File Type:  Dynamic Link Library",
      bin + "/c-one.so",
      "  Comments:  a comment",
      "  Company Name:  Corvanth",
      "  File Description:  First library",
      "  File Version:  1.2.3.4",
      "  Internal Name:  travixwz_stamped_one",
      "  Original Filename:  libtravixwz_stamped_one.so",
      "  Product Name:  Corvanth",
      "  Product Version:  5.6.7.8",
      "  File Version (full):  1.2.3.4",
      "  Product Version (full):  5.6.7.8",
      kDebugFlags,
      "  Operating System:  Unknown",
      "  File Type:  Dynamic Link Library",
      " Pathname: " + lib,
  };
  std::erase(expected, std::string());
  EXPECT_EQ(ReportLines(report), expected);
}

TEST_F(VersionReportTest, FileWithoutFixedBlock) {
  // A stamped library whose fixed block lost its signature: its strings are
  // listed, its versions are not, and the user is told.
  const std::string path = Path("bin/unsigned.so");
  std::filesystem::create_directories(Path("bin"));
  std::filesystem::copy_file(STAMPED_ONE, path);
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::size_t block = bytes.find("PVI1");
  ASSERT_NE(block, std::string::npos);
  const std::size_t signature = block + sizeof(PlatformVersionHeader);
  ASSERT_EQ(bytes.substr(signature, 4), std::string("\xBD\x04\xEF\xFE", 4));
  file.seekp(std::streamoff(signature));
  file.write("\0\0\0\0", 4);
  file.close();

  const VersionReport report = BuildVersionReport({Path("bin")}, SystemVersion{});
  EXPECT_EQ(report.messages, std::vector<std::string>{"No info VS_FIXEDFILEINFO found for " + path});
  const std::vector<std::string> lines = ReportLines(report);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[3], path);
  EXPECT_EQ(lines[4], "  Comments:  a comment");
  EXPECT_EQ(lines.back(), "  Product Version:  5.6.7.8");
}

TEST(VersionTexts, FlagsSystemsAndTypes) {
  EXPECT_EQ(BuildFlagsText(0x3F), "Build Flags:  Debug PreRel Patched Private Info Special");
  EXPECT_EQ(BuildFlagsText(0x22), "Build Flags:        PreRel                      Special");
  const struct {
    std::uint32_t os;
    const char* text;
  } systems[] = {{0x4, "Win32"}, {0x40004, "Win32 on Windows NT"}, {0x30003, "Presentation Manager 32-bit on OS/2"},
                 {0, "Unknown"}, {0x5, "Unknown"}};
  for (const auto& s : systems) EXPECT_EQ(OperatingSystemText(s.os), s.text) << s.os;
  const struct {
    std::uint32_t type, subtype;
    const char* text;
  } types[] = {{1, 0, "Application"},         {2, 0, "Dynamic Link Library"},       {3, 1, "Printer Driver"},
               {3, 11, "Input Method Driver"}, {3, 12, "Device Driver, Unknown type"}, {4, 3, "TrueType Font"},
               {4, 0, "Font, Unknown type"},   {5, 0, "Virtual Device"},             {7, 0, "Static-link Library"},
               {6, 0, "Unknown"}};
  for (const auto& t : types) EXPECT_EQ(FileTypeText(t.type, t.subtype), t.text) << t.type << "/" << t.subtype;

  const SystemVersion release = ParseRelease("6.1.0-18-amd64");
  EXPECT_EQ((std::vector<int>{release.major, release.minor, release.build}), (std::vector<int>{6, 1, 0}));
  const SystemVersion odd = ParseRelease("5.x");
  EXPECT_EQ((std::vector<int>{odd.major, odd.minor, odd.build}), (std::vector<int>{5, 0, 0}));
}

TEST_F(VersionReportTest, AboutDialogFillsItsTree) {
  const std::string bin = MakeBin();
  SetMachineString(kAppPathsKey, "Path", (m_directory / "install").string());
  m_host.AddDialogScript([&](Platform::Dialog& dialog) {
    auto* tree = dialog.GetDlgItemAs<Platform::TreeView>(IDC_VERSION_TREE);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->GetItemText(tree->GetRootItem()), " Pathname: " + bin);
    EXPECT_EQ(tree->GetCount(), kStampedDebug ? 41 : 39);  // as above, without a service-pack line
    dialog.UserClick(IDOK);
  });
  AboutDialog about;
  EXPECT_EQ(about.DoModal(), IDOK);
  ASSERT_EQ(m_host.Dialogs().size(), 1u);
  EXPECT_EQ(m_host.Dialogs()[0].caption, "About Pelvane Travix");
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{"No Version Info for " + bin + "/README"});
}

}  // namespace
