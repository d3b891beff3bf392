#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/db/database.h"
#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"

namespace {

// Every test gets a registry file of its own.
class Registry : public ::testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  void TearDown() override {
    for (HKEY key : m_open)
      RegCloseKey(key);
  }

  HKEY Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(root, path, 0, nullptr, 0, access, nullptr, &key, disposition), ERROR_SUCCESS) << path;
    m_open.push_back(key);
    return key;
  }
  LONG Open(HKEY root, const char* path, HKEY* key, REGSAM access = KEY_READ) {
    LONG result = RegOpenKeyEx(root, path, 0, access, key);
    if (result == ERROR_SUCCESS)
      m_open.push_back(*key);
    return result;
  }
  static LONG SetText(HKEY key, const char* name, const std::string& text) {
    return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
  }
  // The value's text as the careful caller reads it: size first.
  static std::string Text(HKEY key, const char* name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
      return "<missing>";
    std::string text(size, '?');
    if (RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
      return "<unreadable>";
    return text.substr(0, text.find('\0'));
  }
  static std::vector<std::string> SubKeys(HKEY key) {
    std::vector<std::string> names;
    char name[PLATFORM_REG_MAX_KEY_NAME + 1];
    LONG result;
    for (DWORD index = 0; (result = RegEnumKey(key, index, name, sizeof name)) == ERROR_SUCCESS; ++index)
      names.push_back(name);
    EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
    return names;
  }
  static std::vector<std::string> ValueNames(HKEY key) {
    std::vector<std::string> names;
    char name[64];
    DWORD size = sizeof name;
    LONG result;
    for (DWORD index = 0; (result = RegEnumValue(key, index, name, &size, nullptr, nullptr, nullptr, nullptr)) ==
                          ERROR_SUCCESS;
         ++index, size = sizeof name)
      names.push_back(name);
    EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
    return names;
  }

  TestSupport::TempDir m_dir;
  std::vector<HKEY> m_open;
};

TEST_F(Registry, NamesAreCaseInsensitiveCasePreservingAndListedInThatOrder) {
  DWORD disposition = 0;
  HKEY modules = Create(HKEY_LOCAL_MACHINE, "Software\\Corvanth\\Modules", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\corvanth\\MODULES\\", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  for (const char* name : {"beta", "Gain", "alpha", "ÄrgerModul", "Zeta", "ALPHA2"})
    Create(modules, name);
  Create(modules, "ärgermodul", KEY_ALL_ACCESS, &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY) << "non-ASCII names fold too";
  EXPECT_EQ(SubKeys(modules), (std::vector<std::string>{"alpha", "ALPHA2", "beta", "Gain", "Zeta", "ÄrgerModul"}));

  HKEY gain = nullptr;
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "software\\CORVANTH\\modules\\GAIN", &gain), ERROR_SUCCESS);
  ASSERT_EQ(SetText(modules, "ClassID", "{1}"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(modules, "classid", "{2}"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(modules, "b", "x"), ERROR_SUCCESS);
  ASSERT_EQ(SetText(modules, nullptr, "default"), ERROR_SUCCESS);
  EXPECT_EQ(Text(modules, "CLASSID"), "{2}");
  EXPECT_EQ(Text(modules, ""), "default");
  EXPECT_EQ(ValueNames(modules), (std::vector<std::string>{"", "b", "ClassID"})) << "one value, first spelling";

  // The classes root is a tree of its own.
  HKEY other = nullptr;
  EXPECT_EQ(Open(HKEY_CLASSES_ROOT, "Software", &other), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, ValuesReadBackWithTheirTypeSizeFirst) {
  HKEY key = Create(HKEY_CURRENT_USER, "Values");
  const BYTE binary[] = {0, 1, 2, 0xFF};
  const DWORD number = 0x2A;
  struct Case {
    const char* name;
    DWORD type;
    const void* data;
    DWORD size;
    std::string stored;  // the bytes read back
  } cases[] = {
      {"text", REG_SZ, "path/to/server.so", 18, std::string("path/to/server.so\0", 18)},
      {"unterminated", REG_SZ, "abc", 3, std::string("abc\0", 4)},
      {"stops at zero", REG_SZ, "ab\0cd", 5, std::string("ab\0", 3)},
      {"number", REG_DWORD, &number, 4, std::string("\x2A\0\0\0", 4)},
      {"binary", REG_BINARY, binary, 4, std::string("\0\1\2\xFF", 4)},
      {"empty", REG_BINARY, nullptr, 0, std::string()},
      {nullptr, REG_SZ, "dflt", 5, std::string("dflt\0", 5)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name ? c.name : "(default)");
    ASSERT_EQ(RegSetValueEx(key, c.name, 0, c.type, static_cast<const BYTE*>(c.data), c.size), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(key, c.name, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    ASSERT_EQ(size, c.stored.size());
    std::string read(size + 2, '#');
    DWORD small = size ? size - 1 : 0;
    if (size) {
      EXPECT_EQ(RegQueryValueEx(key, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(read.data()), &small),
                ERROR_MORE_DATA);
      EXPECT_EQ(small, size) << "the size needed";
      EXPECT_EQ(read, std::string(size + 2, '#')) << "nothing written on ERROR_MORE_DATA";
    }
    DWORD room = static_cast<DWORD>(read.size());
    ASSERT_EQ(RegQueryValueEx(key, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(read.data()), &room),
              ERROR_SUCCESS);
    EXPECT_EQ(room, size);
    EXPECT_EQ(read.substr(0, size), c.stored);
  }
  EXPECT_EQ(RegQueryValueEx(key, "absent", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
  BYTE buffer[4];
  EXPECT_EQ(RegQueryValueEx(key, "text", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueEx(key, "x", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegDeleteValue(key, "TEXT"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValue(key, "text"), ERROR_FILE_NOT_FOUND);

  // Enumeration hands out the data as the query does.
  char name[8];
  DWORD nameSize = sizeof name, type = 0, size = 0;
  ASSERT_EQ(RegEnumValue(key, 0, name, &nameSize, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "");
  EXPECT_EQ(size, 5u);
  nameSize = 3;
  EXPECT_EQ(RegEnumValue(key, 3, name, &nameSize, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA)
      << "\"number\" does not fit 3 characters";
  DWORD subKeys = 9, values = 0, longestName = 0, longestData = 0;
  ASSERT_EQ(RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, &longestName,
                            &longestData, nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 6u);
  EXPECT_EQ(longestName, 13u);
  EXPECT_EQ(longestData, 5u);
}

TEST_F(Registry, HandlesAreRefusedWhatTheirAccessDoesNotAllow) {
  Create(HKEY_LOCAL_MACHINE, "Access\\Child");
  HKEY reader = nullptr, writer = nullptr;
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "Access", &reader, KEY_READ), ERROR_SUCCESS);
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "Access", &writer, KEY_WRITE), ERROR_SUCCESS);
  HKEY created = nullptr;
  struct Case {
    const char* what;
    LONG asReader, asWriter;
    LONG (*call)(HKEY, HKEY*);
  } cases[] = {
      {"set value", ERROR_ACCESS_DENIED, ERROR_SUCCESS,
       [](HKEY key, HKEY*) {
         static const DWORD one = 1;
         return RegSetValueEx(key, "v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4);
       }},
      {"query value", ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED,
       [](HKEY key, HKEY*) { return RegQueryValueEx(key, "none", nullptr, nullptr, nullptr, nullptr); }},
      {"delete value", ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND,
       [](HKEY key, HKEY*) { return RegDeleteValue(key, "none"); }},
      {"create subkey", ERROR_ACCESS_DENIED, ERROR_SUCCESS,
       [](HKEY key, HKEY* out) { return RegCreateKeyEx(key, "New", 0, nullptr, 0, KEY_READ, nullptr, out, nullptr); }},
      {"open existing through create", ERROR_SUCCESS, ERROR_SUCCESS,
       [](HKEY key, HKEY* out) {
         return RegCreateKeyEx(key, "Child", 0, nullptr, 0, KEY_READ, nullptr, out, nullptr);
       }},
      {"list subkeys", ERROR_SUCCESS, ERROR_ACCESS_DENIED,
       [](HKEY key, HKEY*) {
         char name[16];
         return RegEnumKey(key, 0, name, sizeof name);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    created = nullptr;
    EXPECT_EQ(c.call(reader, &created), c.asReader);
    RegCloseKey(created);
    created = nullptr;
    EXPECT_EQ(c.call(writer, &created), c.asWriter);
    RegCloseKey(created);
  }
}

TEST_F(Registry, DeletingKeys) {
  HKEY top = Create(HKEY_LOCAL_MACHINE, "Tree\\A\\B");
  ASSERT_EQ(SetText(top, "v", "x"), ERROR_SUCCESS);
  HKEY tree = nullptr;
  ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, "Tree", &tree, KEY_READ), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKey(tree, "A"), ERROR_ACCESS_DENIED) << "a key with subkeys stays";
  EXPECT_EQ(RegDeleteKey(tree, "a\\b"), ERROR_SUCCESS) << "through a read-only handle, as a recursive delete does";
  EXPECT_EQ(RegDeleteKey(tree, "A\\B"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(Text(top, "v"), "<missing>");
  EXPECT_EQ(RegSetValueEx(top, "v", 0, REG_SZ, reinterpret_cast<const BYTE*>("x"), 2), ERROR_KEY_DELETED);
  HKEY again = Create(HKEY_LOCAL_MACHINE, "Tree\\A\\B");
  EXPECT_EQ(Text(again, "v"), "<missing>") << "a new key of the old name has no old values";
  EXPECT_EQ(RegQueryValueEx(top, "v", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED)
      << "the old handle does not reach the new key";
  EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED) << "roots stay";
  EXPECT_EQ(RegDeleteKey(tree, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, BadPathsAndHandles) {
  HKEY key = nullptr;
  const std::string longName(PLATFORM_REG_MAX_KEY_NAME + 1, 'n');
  struct Case {
    std::string path;
    LONG result;
  } cases[] = {
      {"A\\\\B", ERROR_BAD_PATHNAME},
      {"\\A", ERROR_BAD_PATHNAME},
      {longName, ERROR_INVALID_PARAMETER},
      {std::string(PLATFORM_REG_MAX_KEY_NAME, 'n'), ERROR_SUCCESS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    key = nullptr;
    EXPECT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, c.path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              c.result);
    RegCloseKey(key);
  }
  HKEY open = Create(HKEY_CURRENT_USER, "Closed");
  m_open.pop_back();
  EXPECT_EQ(RegCloseKey(open), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(open), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyEx(open, "x", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

  // Handles belong to the file they were opened on.
  HKEY old = Create(HKEY_CURRENT_USER, "Old");
  setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("second.sqlite").c_str(), 1);
  EXPECT_EQ(RegQueryValueEx(old, "v", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Old", 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);

  // A file that is not a registry is left alone.
  setenv("PLATFORM_REGISTRY_FILE", m_dir.Write("not.sqlite", "just text, not a database").c_str(), 1);
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), ERROR_REGISTRY_CORRUPT);
  EXPECT_EQ(m_dir.Read("not.sqlite"), "just text, not a database");
}

// Two processes at once, each writing its own keys and reading the
// other's, on a file this process had open before it forked.
TEST_F(Registry, TwoProcessesShareTheFile) {
  HKEY shared = Create(HKEY_LOCAL_MACHINE, "Shared");
  constexpr int kKeys = 100;
  auto work = [](int self) {
    HKEY parent = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &parent, nullptr))
      return 10;
    for (int i = 0; i < kKeys; ++i) {
      std::string name = "P" + std::to_string(self) + "_" + std::to_string(i);
      HKEY key = nullptr;
      if (RegCreateKeyEx(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
        return 11;
      DWORD value = static_cast<DWORD>(i);
      if (RegSetValueEx(key, "N", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4))
        return 12;
      RegCloseKey(key);
      // Read what the other process wrote so far, while it writes.
      char other[32];
      for (DWORD index = 0; i % 10 == 0 && RegEnumKey(parent, index, other, sizeof other) == ERROR_SUCCESS; ++index) {
      }
    }
    return 0;
  };
  HKEY victim = Create(HKEY_LOCAL_MACHINE, "Shared\\Victim");
  std::vector<pid_t> children;
  for (int self = 0; self < 2; ++self) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int status = work(self);
      if (status == 0 && self == 1)
        status = RegDeleteKey(HKEY_LOCAL_MACHINE, "Shared\\Victim") == ERROR_SUCCESS ? 0 : 13;
      _exit(status);
    }
    children.push_back(pid);
  }
  for (pid_t child : children) {
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }
  std::vector<std::string> names = SubKeys(shared);
  EXPECT_EQ(names.size(), 2u * kKeys);
  for (int self = 0; self < 2; ++self) {
    HKEY key = nullptr;
    std::string last = "P" + std::to_string(self) + "_" + std::to_string(kKeys - 1);
    ASSERT_EQ(Open(shared, last.c_str(), &key), ERROR_SUCCESS);
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(RegQueryValueEx(key, "n", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, static_cast<DWORD>(kKeys - 1));
  }
  EXPECT_EQ(RegQueryValueEx(victim, "x", nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
}

// Each fault of the file is said with the file's path, and a file that is
// not a registry is left as it was found.
TEST_F(Registry, FaultsOfTheFileSayWhatIsWrongWithWhichFile) {
  HKEY made = Create(HKEY_LOCAL_MACHINE, "Software\\Made");
  ASSERT_EQ(SetText(made, "Name", std::string(20000, 'x')), ERROR_SUCCESS);
  Platform::Db::Database(m_dir.Path("registry.sqlite")).CompactInto(m_dir.Path("whole.sqlite"));
  std::string registry = m_dir.Read("whole.sqlite");
  m_dir.Write("cut.sqlite", registry.substr(0, registry.size() / 2));
  m_dir.Write("garbage.sqlite", std::string(8192, 'g'));
  m_dir.Write("afile", "");
  std::string foreign = m_dir.Path("foreign.sqlite");
  ASSERT_EQ(std::system(("sqlite3 '" + foreign + "' 'CREATE TABLE t(x); INSERT INTO t VALUES (1)'").c_str()), 0);
  std::string foreignBytes = TestSupport::ReadFile(foreign);
  struct Case {
    std::string file;
    LONG code;
    const char* says;
  } cases[] = {
      {m_dir.Path("garbage.sqlite"), ERROR_REGISTRY_CORRUPT, "file is not a database"},
      {m_dir.Path("cut.sqlite"), ERROR_REGISTRY_CORRUPT, "database disk image is malformed"},
      {m_dir.Path("afile/registry.sqlite"), ERROR_CANTOPEN, "unable to open database file"},
      {foreign, ERROR_REGISTRY_CORRUPT, "a database of another kind"},
  };
  for (const Case& c : cases) {
    setenv("PLATFORM_REGISTRY_FILE", c.file.c_str(), 1);
    HKEY key = nullptr;
    LONG result = RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Made", 0, KEY_READ, &key);
    if (result == ERROR_SUCCESS) {
      result = RegQueryValueEx(key, "Name", nullptr, nullptr, nullptr, nullptr);
      RegCloseKey(key);
    }
    EXPECT_EQ(result, c.code) << c.file;
    std::string fault = RegistryFault();
    EXPECT_NE(fault.find(c.file), std::string::npos) << fault;
    EXPECT_NE(fault.find(c.says), std::string::npos) << fault;
  }
  EXPECT_TRUE(TestSupport::ReadFile(foreign) == foreignBytes) << "another database is left as it was";
  setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
  HKEY key = nullptr;
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "Software\\Made", &key), ERROR_SUCCESS);
  EXPECT_EQ(RegistryFault(), "");
}

// A lookup takes no write lock: it neither waits for a writer that holds
// the file nor fails because of one.
TEST_F(Registry, ReadersDoNotWaitForAWriter) {
  Create(HKEY_LOCAL_MACHINE, "Software\\Read");
  Platform::Db::Database writer(m_dir.Path("registry.sqlite"));
  writer.Begin();
  writer.Execute("UPDATE keys SET modified = modified");
  // The next call opens the file afresh, as a new process does.
  setenv("PLATFORM_REGISTRY_FILE", (m_dir.Path() + "/./registry.sqlite").c_str(), 1);
  HKEY key = nullptr;
  EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, "Software\\Read", &key), ERROR_SUCCESS) << RegistryFault();
  writer.Rollback();
}

TEST_F(Registry, DumpToolPrintsASubtree) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "Software\\Dump\\Sub");
  const DWORD number = 42;
  const BYTE bytes[] = {1, 0xAB};
  ASSERT_EQ(SetText(key, nullptr, "C:\\x \"q\""), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "N", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "b", 0, REG_BINARY, bytes, 2), ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueEx(key, "m", 0, REG_MULTI_SZ, bytes, 1), ERROR_SUCCESS);
  std::string output;
  FILE* pipe = popen(REGDUMP_PROGRAM " 'hklm\\software\\dump'", "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe))
    output += buffer;
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(output,
            "[HKEY_LOCAL_MACHINE\\software\\dump]\n\n"
            "[HKEY_LOCAL_MACHINE\\software\\dump\\Sub]\n"
            "@=\"C:\\\\x \\\"q\\\"\"\n\"b\"=hex:01,ab\n\"m\"=hex(7):01\n\"N\"=dword:0000002a\n\n");
  EXPECT_NE(std::system(REGDUMP_PROGRAM " 'HKLM\\Software\\Missing' 2>/dev/null"), 0);
}

}  // namespace
