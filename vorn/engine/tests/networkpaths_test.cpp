#include "vorn/engine/networkpaths.h"

#include <gtest/gtest.h>

namespace {

using namespace Vorn;

bool OnlyCFixed(char drive) { return drive == 'C' || drive == 'c'; }

TEST(NetworkPaths, ANetworkFormNamesThisMachineUnlessThePathHasOne) {
  struct Case {
    const char* path;
    const char* network;
  } cases[] = {
      {"D:\\Data\\a.mdb", "\\\\LAB1\\D\\Data\\a.mdb"},
      {"D:Data\\a.mdb", "\\\\LAB1\\D\\Data\\a.mdb"},
      {"\\\\lab2\\d\\x.mdb", "\\\\lab2\\d\\x.mdb"},
      {"/srv/models/a.vrn", "//LAB1/srv/models/a.vrn"},
      {"//LAB2/srv/a.vrn", "//LAB2/srv/a.vrn"},
      {"", ""},
      {"a.vrn", "a.vrn"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NetworkPathOf(c.path, "LAB1"), c.network) << c.path;
}

TEST(NetworkPaths, AFileIsLocalOnItsOwnServerAFixedDriveOrThisFileSystem) {
  struct Case {
    const char* path;
    bool local;
    const char* machine;
  } cases[] = {
      {"\\\\lab1\\d\\x.mdb", true, "LAB1"},
      {"\\\\LAB2\\d\\x.mdb", false, "LAB2"},
      {"//lab1/srv/x.vrn", true, "LAB1"},
      {"//LAB2/srv/x.vrn", false, "LAB2"},
      {"c:\\x.mdb", true, "LAB1"},
      {"E:\\share\\x.mdb", false, "E:"},
      {"/srv/x.vrn", true, "LAB1"},
      {"x.vrn", true, "LAB1"},
      {"share\\x.mdb", false, "share"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPathOnMachine(c.path, "LAB1", OnlyCFixed), c.local) << c.path;
    EXPECT_EQ(MachineOfPath(c.path, "LAB1", OnlyCFixed), c.machine) << c.path;
  }
}

TEST(NetworkPaths, AnIdentityNamesTheApplicationAndItsFile) {
  EXPECT_EQ(ApplicationIdentity("Lab", "\\\\LAB1\\D\\a.mdb", false), "App \"Lab\" \"\\\\LAB1\\D\\a.mdb\"");
  EXPECT_EQ(ApplicationIdentity("", "//LAB1/srv/a.vrn", false), "\"//LAB1/srv/a.vrn\"");
  EXPECT_EQ(ApplicationIdentity("Lab", "//LAB1/srv/a.vrn", true), "App \"Lab\" \"a.vrn\"");

  EXPECT_EQ(IdentityFields("App \"my lab\",\t\"//H/a b.vrn\"\n tail \"open"),
            (std::vector<std::string>{"App", "my lab", "//H/a b.vrn", "tail", "open"}));
  const std::string own = "App \"Lab\" \"//H/a.vrn\"";
  struct Case {
    const char* identity;
    bool checkFile;
    bool names;
  } cases[] = {
      {"app \"LAB\" \"//H/a.vrn\"", true, true},
      {"App \"Lab\" \"//H/b.vrn\"", false, true},
      {"App \"Lab\" \"//H/b.vrn\"", true, false},
      {"App \"Lab\" \"//h/A.vrn\"", true, false},  // the file is compared exactly
      {"App \"Lab\"", true, false},
      {"Tool \"Lab\" \"//H/a.vrn\"", false, false},
      {"\"//H/a.vrn\"", false, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IdentityNamesApplication(c.identity, "lab", c.checkFile, own), c.names) << c.identity;
}

}  // namespace
