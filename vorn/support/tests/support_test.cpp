#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <limits>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/com/errortext.h"
#include "platform/com/guid.h"
#include "platform/resources/module.h"
#include "tests/support/tempdir.h"
#include "vorn/support/errortext.h"
#include "vorn/support/modulehelpers.h"
#include "vorn/support/utilities.h"

namespace {

TEST(ErrorCodeText, NameAndSystemText) {
  // The system's texts, each with the line break it ends in.
  const std::string noInterface = "The object does not support the requested interface.\r\n";
  const std::string accessDenied = "Access is denied.\r\n";
  const std::string notRegistered = "The class is not registered.\r\n";
  struct Case {
    HRESULT code;
    bool systemOnly;
    std::string expected;
  } cases[] = {
      {E_NOINTERFACE, false, "ERROR = 80004002 \r\nE_NOINTERFACE\r\n\r\n" + noInterface},
      {E_NOINTERFACE, true, noInterface},
      // Facility ITF, code 0x1234: in no table.
      {static_cast<HRESULT>(0x80041234u), false, "ERROR = 80041234 \r\n\r\n\r\n"},
      {static_cast<HRESULT>(0x80041234u), true, ""},
      {5, false, "ERROR = 5 \r\nERROR_ACCESS_DENIED\r\n\r\n" + accessDenied},
      {REGDB_E_CLASSNOTREG, true, notRegistered},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Vorn::FormatHResultText(c.code, c.systemOnly), c.expected) << std::hex << c.code;
  // Every code the platform knows reads with its name and a text.
  for (const Platform::ErrorText& entry : Platform::ErrorTexts()) {
    std::string text = Vorn::FormatHResultText(static_cast<HRESULT>(entry.code), false);
    EXPECT_NE(text.find(std::string(" \r\n") + entry.name + "\r\n\r\n"), std::string::npos) << entry.name;
    EXPECT_FALSE(Vorn::FormatHResultText(static_cast<HRESULT>(entry.code), true).empty()) << entry.name;
  }
}

TEST(Utilities, GuidTextAndNameCheck) {
  GUID guid = *Platform::ParseGuid(std::string("{9F91FC40-7E6B-4923-8F75-2B66AB09C63A}"));
  EXPECT_EQ(Vorn::GuidString(guid, false), "9F91FC40-7E6B-4923-8F75-2B66AB09C63A");
  EXPECT_EQ(Vorn::GuidString(guid, true), "{9F91FC40-7E6B-4923-8F75-2B66AB09C63A}");

  struct Case {
    std::string name;
    bool valid;
    std::string after;
  } cases[] = {
      {"gain", true, "Gain"},          {"Out_2", true, "Out_2"},  {"", false, ""},
      {"left gain", false, "Left_gain"}, {"a.b", false, "A_b"},    {"tab\there", false, "Tab_here"},
      {"x-y~z`", false, "X_y_z_"},     {"\"q\"", false, "_q_"},  {"ünicode", true, "ünicode"},
  };
  for (Case c : cases) {
    std::string name = c.name;
    EXPECT_EQ(Vorn::CheckName(name), c.valid) << c.name;
    EXPECT_EQ(name, c.after) << c.name;
  }
  std::string all = " .,:;/\\@#$%^&*()+='\"!-<>?~`\t";
  EXPECT_EQ(all.size(), 28u);
  EXPECT_FALSE(Vorn::CheckName(all));
  EXPECT_EQ(all, std::string(28, '_'));
}

TEST(Utilities, TokenReader) {
  struct Case {
    std::string text;
    std::vector<std::string> tokens; // read in turn; the text is empty after the last
  } cases[] = {
      {"App \"My Module\" \"/srv/models/a b.db\"", {"App", "My Module", "/srv/models/a b.db"}},
      {"  one two\tthree\nfour", {"one", "two", "three", "four"}},
      {"\"\" x", {"", "x"}},
      // Never closed: the quote is dropped and the fields after it stay.
      {"App \"unterminated next", {"App", "unterminated", "next"}},
      {"   ", {""}},
      // Commas separate too, also in front: a reader gets past them.
      {",one,, two,", {"one", "two", ""}},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    std::vector<std::string> tokens;
    for (int guard = 0; guard < 10 && !text.empty(); ++guard)
      tokens.push_back(Vorn::ReadToken(text, '"', '"'));
    EXPECT_EQ(tokens, c.tokens) << c.text;
    EXPECT_EQ(text, "") << c.text;
  }
  std::string empty;
  EXPECT_EQ(Vorn::ReadToken(empty, '"', '"'), "");
  EXPECT_EQ(empty, "");
  // A comma ends a token and stays for the next call.
  std::string commas = "one,two";
  EXPECT_EQ(Vorn::ReadToken(commas, '"', '"'), "one");
  EXPECT_EQ(commas, ",two");
  std::string brackets = "[a b] c";
  EXPECT_EQ(Vorn::ReadToken(brackets, '[', ']'), "a b");
  EXPECT_EQ(brackets, " c");
}

TEST(Utilities, Paths) {
  struct Split {
    std::string path, directory, name, extension;
  } splits[] = {
      {"/srv/data/model.vdb", "/srv/data/", "model", ".vdb"},
      {"model.tar.gz", "", "model.tar", ".gz"},
      {"/srv/data/", "/srv/data/", "", ""},
      {"/prog", "/", "prog", ""},
      {"/srv.d/noext", "/srv.d/", "noext", ""},
  };
  for (const Split& s : splits) {
    Vorn::PathParts parts = Vorn::SplitPath(s.path);
    EXPECT_EQ(parts.drive, "") << s.path;
    EXPECT_EQ(parts.directory, s.directory) << s.path;
    EXPECT_EQ(parts.name, s.name) << s.path;
    EXPECT_EQ(parts.extension, s.extension) << s.path;
    EXPECT_EQ(Vorn::MakePath(parts.drive, parts.directory, parts.name, parts.extension), s.path);
  }
  EXPECT_EQ(Vorn::MakePath("", "/a", "b", "txt"), "/a/b.txt");
  EXPECT_EQ(Vorn::MakePath("", "", "b", ""), "b");

  std::string longName(300, 'n');
  std::string longDirectory = "/" + std::string(300, 'd') + "/";
  struct Replace {
    const char *directory, *name, *extension;
    std::string expected;
  } replaces[] = {
      {nullptr, nullptr, ".htm", "/srv/data/model.htm"},
      {"/tmp/", "help", nullptr, "/tmp/help.vdb"},
      // Parts are kept whole, however long.
      {longDirectory.c_str(), longName.c_str(), nullptr, longDirectory + longName + ".vdb"},
  };
  for (const Replace& r : replaces)
    EXPECT_EQ(Vorn::ReplacePathParts("/srv/data/model.vdb", "", r.directory, r.name, r.extension), r.expected);
  EXPECT_EQ(Vorn::SameDirectoryAs("/a/b/file.txt", "/c/d/other.bin"), "/c/d/file.txt");
  EXPECT_EQ(Vorn::FileNameOf("/a/b/file.txt"), "file.txt");

  std::string directory = Vorn::ProgramDirectory(Platform::ThisModule());
  ASSERT_FALSE(directory.empty());
  EXPECT_EQ(directory.back(), '/');
  EXPECT_NE(directory.substr(directory.size() - 2), "//");
}

TEST(Utilities, TickTimerClampsItsWait) {
  struct Case {
    double milliseconds;
    DWORD wait;
  } cases[] = {
      {0, 0},
      {1.9, 1},
      {-5, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {-std::numeric_limits<double>::infinity(), 0},
      {1e12, 0x7FFFFFFF},
      {std::numeric_limits<double>::infinity(), 0x7FFFFFFF},
  };
  for (const Case& c : cases) {
    Vorn::TickTimer timer;
    timer.Set(c.milliseconds);
    EXPECT_EQ(timer.DueTick() - timer.StartTick(), c.wait) << c.milliseconds;
    if (c.wait == 0) {
      EXPECT_TRUE(timer.IsDue()) << c.milliseconds;
    } else if (c.wait == 0x7FFFFFFF) {
      EXPECT_FALSE(timer.IsDue()) << c.milliseconds;
    }
  }
  Vorn::TickTimer started;
  started.Start();
  EXPECT_EQ(started.DueTick(), started.StartTick());
}

TEST(Utilities, TextHolderSafeArrayAndScopedLock) {
  {
    Vorn::TextHolder holder(SysAllocString(u"Grüße"));
    EXPECT_EQ(holder.Text(), "Grüße");
    EXPECT_NE(holder.Bstr(), nullptr);
    holder = std::string("other");
    EXPECT_EQ(holder.Bstr(), nullptr);
    EXPECT_EQ(holder.Text(), "other");
  }
  SAFEARRAY* array = Vorn::CreateSafeArray1D(VT_R4, 5);
  ASSERT_NE(array, nullptr);
  LONG lower = -1, upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 4);
  SafeArrayDestroy(array);

  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  {
    Vorn::ScopedLock<CRITICAL_SECTION> outer(section, true, "engine.cpp", 10);
    EXPECT_EQ(outer.Depth(), 0);
    {
      Vorn::ScopedLock<CRITICAL_SECTION> inner(section, true, "module.cpp", 20);
      EXPECT_EQ(inner.Depth(), 1);
      EXPECT_EQ(inner.LastFile(), "module.cpp");
      EXPECT_EQ(inner.LastLine(), 20);
    }
    EXPECT_EQ(outer.Depth(), 0);
    EXPECT_TRUE(outer.Unlock());
    EXPECT_TRUE(outer.Unlock()); // already unlocked: nothing happens
    EXPECT_EQ(outer.Depth(), -1);
    Vorn::ScopedLock<CRITICAL_SECTION> later(section, false);
    EXPECT_FALSE(later.IsLocked());
  }
  EXPECT_TRUE(TryEnterCriticalSection(&section));
  LeaveCriticalSection(&section);
  DeleteCriticalSection(&section);

  // A standard mutex is held the same way, another thread kept out.
  std::recursive_mutex mutex;
  {
    Vorn::ScopedLock held(mutex, true, "engine.cpp", 30);
    EXPECT_EQ(held.Depth(), 0);
    std::thread([&] { EXPECT_FALSE(mutex.try_lock()); }).join();
  }
  EXPECT_TRUE(mutex.try_lock());
  mutex.unlock();
}

TEST(Utilities, ConnectionTypeNames) {
  struct Case {
    int type;
    std::string name;
  } cases[] = {{0, "ctFloatArray"}, {1, "ctString"}, {2, "ctVariant"}, {3, "ctIUnknown"}, {4, ""}, {-1, ""}};
  for (const Case& c : cases)
    EXPECT_EQ(Vorn::ConnectionTypeName(static_cast<VornConnectionType>(c.type)), c.name) << c.type;
  EXPECT_FALSE(Vorn::IsMultipleInput(nullptr, "In"));
  EXPECT_EQ(Vorn::ProcessorOf(nullptr), "");
}

class RegistryKeyTest : public testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  TestSupport::TempDir m_dir;
};

TEST_F(RegistryKeyTest, OpenReadWriteListAndDeleteTrees) {
  {
    Vorn::RegistryKey key(HKEY_CURRENT_USER, "Software\\Corvanth\\Modules", true);
    ASSERT_TRUE(key.IsOpen());
    EXPECT_TRUE(key.IsWritable());
    EXPECT_TRUE(key.WriteText("ClassID", "{X}"));
    for (const char* path : {"Gain\\A\\B", "Gain\\C", "Delay"})
      Vorn::RegistryKey(key.Handle(), path, true);
    EXPECT_EQ(key.SubkeyNames(), (std::vector<std::string>{"Delay", "Gain"}));
    EXPECT_EQ(key.SubkeyName(2), "");
    EXPECT_TRUE(key.DeleteTree("Gain"));
    EXPECT_FALSE(key.DeleteTree("Gain"));
    EXPECT_EQ(key.SubkeyNames(), (std::vector<std::string>{"Delay"}));
  }
  Vorn::RegistryKey reader(HKEY_CURRENT_USER, "Software\\Corvanth\\Modules", false);
  ASSERT_TRUE(reader.IsOpen());
  EXPECT_FALSE(reader.IsWritable());
  std::string text;
  EXPECT_TRUE(reader.ReadText("ClassID", text));
  EXPECT_EQ(text, "{X}");
  EXPECT_FALSE(reader.WriteText("ClassID", "{Y}"));
  DWORD number = 7;
  HKEY raw = nullptr;
  RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Corvanth\\Modules", 0, KEY_ALL_ACCESS, &raw);
  RegSetValueEx(raw, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  // A text stored without its zero reads whole, and no further.
  RegSetValueEx(raw, "Unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 3);
  RegCloseKey(raw);
  EXPECT_FALSE(reader.ReadText("Number", text));
  EXPECT_FALSE(reader.ReadText("Missing", text));
  EXPECT_TRUE(reader.ReadText("Unterminated", text));
  EXPECT_EQ(text, "abc");

  Vorn::RegistryKey missing(HKEY_CURRENT_USER, "Software\\Nobody", false);
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_FALSE(missing.ReadText("ClassID", text));
  EXPECT_FALSE(missing.WriteText("ClassID", "x"));
  EXPECT_FALSE(missing.DeleteTree("x"));
  EXPECT_TRUE(missing.SubkeyNames().empty());
}

// A tree in memory whose chosen keys refuse to be deleted.
struct FakeKeys {
  using Handle = const std::string*;
  std::set<std::string> keys{"", "T", "T/A", "T/A/stuck", "T/A/stuck/x", "T/B"};
  std::set<std::string> refusing{"T/A/stuck/x"};
  int deleteCalls = 0;
  std::set<std::string> handles;

  Handle Open(Handle parent, const std::string& name) {
    std::string path = parent->empty() ? name : *parent + "/" + name;
    return keys.count(path) ? &*handles.insert(path).first : nullptr;
  }
  bool FirstSubkey(Handle key, std::string& name) {
    for (const std::string& path : keys) {
      if (path.size() > key->size() && path.compare(0, key->size(), *key) == 0 &&
          (key->empty() || path[key->size()] == '/')) {
        std::string rest = path.substr(key->empty() ? 0 : key->size() + 1);
        name = rest.substr(0, rest.find('/'));
        return true;
      }
    }
    return false;
  }
  void Close(Handle) {}
  bool Delete(Handle parent, const std::string& name) {
    ++deleteCalls;
    std::string path = parent->empty() ? name : *parent + "/" + name;
    std::string child;
    if (refusing.count(path) || FirstSubkey(&path, child))
      return false;
    return keys.erase(path) == 1;
  }
};

TEST(RegistryKeyTree, AKeyThatCannotBeDeletedEndsTheWalk) {
  FakeKeys fake;
  const std::string root;
  EXPECT_FALSE(Vorn::Detail::DeleteTree(fake, &root, "T"));
  // Each key is tried once, from the refusing one up to T.
  EXPECT_EQ(fake.deleteCalls, 4);
  EXPECT_EQ(fake.keys, (std::set<std::string>{"", "T", "T/A", "T/A/stuck", "T/A/stuck/x", "T/B"}));
  fake.refusing.clear();
  EXPECT_TRUE(Vorn::Detail::DeleteTree(fake, &root, "T"));
  EXPECT_EQ(fake.keys, std::set<std::string>{""});
}

} // namespace
