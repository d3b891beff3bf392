#include "platform/registry/registry.h"

#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/db/database.h"

namespace {

using Platform::Db::Database;
using Platform::Db::DatabaseError;
using Platform::Db::Statement;
using Platform::Db::Transaction;

constexpr const char* kFileVariable = "PLATFORM_REGISTRY_FILE";
// "REG1": marks a file as a registry, so that the registry never writes
// its tables into some other database named by mistake.
constexpr std::int64_t kApplicationId = 0x52454731;
constexpr int kWriteAttempts = 3;

// The roots are the first three rows of every file.
struct Root {
  HKEY handle;
  std::int64_t id;
  const char* name;
};
const Root kRoots[] = {
    {HKEY_CLASSES_ROOT, 1, "HKEY_CLASSES_ROOT"},
    {HKEY_CURRENT_USER, 2, "HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, 3, "HKEY_LOCAL_MACHINE"},
};
constexpr std::int64_t kLastRootId = 3;

// A failure that ends a registry call with a Win32 error number.
struct Refusal {
  LONG code;
};

// What is wrong with the registry file itself, in full, for RegistryFault.
struct FileFault {
  LONG code;
  std::string text;
};

thread_local std::string t_fault;

// Names compare by their Unicode case folding; a byte that is not part of
// valid UTF-8 is kept as it is.
std::string FoldName(std::string_view name) {
  std::string folded;
  folded.reserve(name.size());
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(name.data());
  const auto length = static_cast<std::int32_t>(name.size());
  std::int32_t at = 0;
  while (at < length) {
    std::int32_t start = at;
    UChar32 c;
    U8_NEXT(bytes, at, length, c);
    if (c < 0) {
      folded.append(name.data() + start, static_cast<std::size_t>(at - start));
      continue;
    }
    char encoded[U8_MAX_LENGTH];
    std::int32_t size = 0;
    // Room for any code point: the unsafe form cannot overrun it.
    U8_APPEND_UNSAFE(encoded, size, u_foldCase(c, U_FOLD_CASE_DEFAULT));
    folded.append(encoded, static_cast<std::size_t>(size));
  }
  return folded;
}

std::int64_t FileTimeNow() {
  using namespace std::chrono;
  // 100 ns intervals between 1601-01-01 and 1970-01-01.
  constexpr std::int64_t kUnixEpoch = 116444736000000000;
  auto since = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  return kUnixEpoch + since / 100;
}

void PutFileTime(PFILETIME target, std::int64_t value) {
  if (target) {
    target->dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu);
    target->dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(value) >> 32);
  }
}

std::string DefaultPath() {
  std::string base;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && data[0] == '/') {
    base = data;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
      const passwd* user = getpwuid(getuid());
      home = user ? user->pw_dir : nullptr;
    }
    if (!home || !*home)
      throw FileFault{ERROR_PATH_NOT_FOUND, "no registry file: there is no home directory to keep it in"};
    base = std::string(home) + "/.local/share";
  }
  // Make the directories on the way, private to the user.
  std::string directory = base + "/corvanth";
  for (std::size_t slash = 1; slash != std::string::npos; slash = directory.find('/', slash + 1)) {
    std::string part = directory.substr(0, directory.find('/', slash + 1));
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      throw FileFault{ERROR_PATH_NOT_FOUND,
                      "no registry file: the directory " + part + " cannot be made: " + std::strerror(errno)};
  }
  return directory + "/registry.sqlite";
}

std::string RegistryPath() {
  if (const char* path = std::getenv(kFileVariable); path && *path)
    return path;
  return DefaultPath();
}

// One open registry file and the statements run on it.
class Store {
public:
  explicit Store(const std::string& path) : m_db(path, Options()) {
    // Only a new, empty file is written to here: a lookup takes no write
    // lock, so a writer elsewhere never makes a reader wait.
    if (!m_made)
      Platform::Db::RetryOnBusy(kWriteAttempts, [&] { Initialise(); });
    m_findChild = m_db.Prepare("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    m_key = m_db.Prepare("SELECT class, modified FROM keys WHERE id = ?1");
    m_insertKey = m_db.Prepare("INSERT INTO keys(parent, name, fold, class, modified) VALUES (?1, ?2, ?3, ?4, ?5)");
    m_childAt =
        m_db.Prepare("SELECT name, class, modified FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    m_childCount = m_db.Prepare("SELECT count(*) FROM keys WHERE parent = ?1");
    m_deleteKey = m_db.Prepare("DELETE FROM keys WHERE id = ?1");
    m_deleteValues = m_db.Prepare("DELETE FROM vals WHERE key = ?1");
    m_touch = m_db.Prepare("UPDATE keys SET modified = ?2 WHERE id = ?1");
    m_findValue = m_db.Prepare("SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    m_setValue = m_db.Prepare(
        "INSERT INTO vals(key, name, fold, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    m_deleteValue = m_db.Prepare("DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    m_valueAt = m_db.Prepare("SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY fold LIMIT 1 OFFSET ?2");
    m_info = m_db.Prepare(
        "SELECT (SELECT count(*) FROM keys WHERE parent = ?1),"
        " (SELECT ifnull(max(length(CAST(name AS BLOB))), 0) FROM keys WHERE parent = ?1),"
        " (SELECT ifnull(max(length(CAST(class AS BLOB))), 0) FROM keys WHERE parent = ?1),"
        " (SELECT count(*) FROM vals WHERE key = ?1),"
        " (SELECT ifnull(max(length(CAST(name AS BLOB))), 0) FROM vals WHERE key = ?1),"
        " (SELECT ifnull(max(length(data)), 0) FROM vals WHERE key = ?1)");
  }

  Database& Db() { return m_db; }

  struct KeyRow {
    std::string keyClass;
    std::int64_t modified;
  };
  std::optional<KeyRow> Key(std::int64_t id) {
    Use use(m_key);
    m_key.Bind(1, id);
    if (!m_key.Step())
      return std::nullopt;
    return KeyRow{m_key.Text(0), m_key.Int64(1)};
  }

  std::optional<std::int64_t> FindChild(std::int64_t parent, std::string_view name) {
    Use use(m_findChild);
    m_findChild.Bind(1, parent).Bind(2, FoldName(name));
    if (!m_findChild.Step())
      return std::nullopt;
    return m_findChild.Int64(0);
  }

  std::int64_t InsertKey(std::int64_t parent, std::string_view name, std::string_view keyClass) {
    Use use(m_insertKey);
    m_insertKey.Bind(1, parent).Bind(2, name).Bind(3, FoldName(name)).Bind(4, keyClass).Bind(5, FileTimeNow());
    m_insertKey.Execute();
    Touch(parent);
    return m_db.LastInsertRowId();
  }

  struct ChildRow {
    std::string name;
    std::string keyClass;
    std::int64_t modified;
  };
  std::optional<ChildRow> ChildAt(std::int64_t parent, DWORD index) {
    Use use(m_childAt);
    m_childAt.Bind(1, parent).Bind(2, static_cast<std::int64_t>(index));
    if (!m_childAt.Step())
      return std::nullopt;
    return ChildRow{m_childAt.Text(0), m_childAt.Text(1), m_childAt.Int64(2)};
  }

  std::int64_t ChildCount(std::int64_t parent) {
    Use use(m_childCount);
    m_childCount.Bind(1, parent);
    m_childCount.Step();
    return m_childCount.Int64(0);
  }

  void DeleteKey(std::int64_t id) {
    Use values(m_deleteValues);
    m_deleteValues.Bind(1, id).Execute();
    Use key(m_deleteKey);
    m_deleteKey.Bind(1, id).Execute();
  }

  void Touch(std::int64_t id) {
    Use use(m_touch);
    m_touch.Bind(1, id).Bind(2, FileTimeNow()).Execute();
  }

  struct ValueRow {
    std::string name;
    DWORD type;
    std::vector<unsigned char> data;
  };
  std::optional<ValueRow> FindValue(std::int64_t key, std::string_view name) {
    Use use(m_findValue);
    m_findValue.Bind(1, key).Bind(2, FoldName(name));
    if (!m_findValue.Step())
      return std::nullopt;
    return ValueRow{std::string(name), static_cast<DWORD>(m_findValue.Int64(0)), m_findValue.Blob(1)};
  }

  std::optional<ValueRow> ValueAt(std::int64_t key, DWORD index) {
    Use use(m_valueAt);
    m_valueAt.Bind(1, key).Bind(2, static_cast<std::int64_t>(index));
    if (!m_valueAt.Step())
      return std::nullopt;
    return ValueRow{m_valueAt.Text(0), static_cast<DWORD>(m_valueAt.Int64(1)), m_valueAt.Blob(2)};
  }

  void SetValue(std::int64_t key, std::string_view name, DWORD type, const void* data, std::size_t size) {
    Use use(m_setValue);
    m_setValue.Bind(1, key).Bind(2, name).Bind(3, FoldName(name)).Bind(4, static_cast<std::int64_t>(type));
    m_setValue.BindBlob(5, data, size).Execute();
    Touch(key);
  }

  bool DeleteValue(std::int64_t key, std::string_view name) {
    Use use(m_deleteValue);
    m_deleteValue.Bind(1, key).Bind(2, FoldName(name)).Execute();
    if (m_db.Changes() == 0)
      return false;
    Touch(key);
    return true;
  }

  struct Info {
    std::int64_t subKeys, maxSubKeyName, maxClass, values, maxValueName, maxValueData;
  };
  Info InfoOf(std::int64_t key) {
    Use use(m_info);
    m_info.Bind(1, key);
    m_info.Step();
    return {m_info.Int64(0), m_info.Int64(1), m_info.Int64(2), m_info.Int64(3), m_info.Int64(4), m_info.Int64(5)};
  }

private:
  // Leaves a statement reset, its read lock given up, however the use ends.
  class Use {
  public:
    explicit Use(Statement& statement) : m_statement(statement) {}
    ~Use() { m_statement.Reset(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;

  private:
    Statement& m_statement;
  };

  Platform::Db::OpenOptions Options() {
    Platform::Db::OpenOptions options{Platform::Db::OpenMode::CreateIfMissing, Platform::Db::Journal::Wal,
                                      Platform::Db::Sync::Normal, std::chrono::milliseconds(10000)};
    // Another database named by mistake is refused before its journal is
    // switched: nothing in it changes.
    options.check = [this](Database& db) { m_made = IsRegistry(db); };
    return options;
  }

  // True for a registry, false for an empty file; any other database is
  // refused.
  static bool IsRegistry(Database& db) {
    auto id = db.QueryInt64("PRAGMA application_id").value_or(0);
    auto objects = db.QueryInt64("SELECT count(*) FROM sqlite_schema").value_or(0);
    if (id == kApplicationId)
      return true;
    if (id != 0 || objects != 0)
      throw FileFault{ERROR_REGISTRY_CORRUPT,
                      "the registry file " + db.Path() + ": it is a database of another kind, not a registry"};
    return false;
  }

  void Initialise() {
    Transaction transaction(m_db);
    // Another process may have made it meanwhile.
    if (!IsRegistry(m_db)) {
      m_db.Execute(
          "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL, name TEXT NOT NULL,"
          " fold TEXT NOT NULL, class TEXT NOT NULL DEFAULT '', modified INTEGER NOT NULL DEFAULT 0,"
          " UNIQUE(parent, fold));"
          "CREATE TABLE vals(key INTEGER NOT NULL, name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL,"
          " data BLOB NOT NULL, PRIMARY KEY(key, fold)) WITHOUT ROWID;"
          "PRAGMA application_id = " +
          std::to_string(kApplicationId) + "; PRAGMA user_version = 1;");
      for (const Root& root : kRoots) {
        Statement insert = m_db.Prepare("INSERT INTO keys(id, parent, name, fold) VALUES (?1, 0, ?2, ?3)");
        insert.Bind(1, root.id).Bind(2, root.name).Bind(3, FoldName(root.name)).Execute();
      }
    }
    transaction.Commit();
  }

  bool m_made = false;
  Database m_db;
  Statement m_findChild, m_key, m_insertKey, m_childAt, m_childCount, m_deleteKey, m_deleteValues, m_touch,
      m_findValue, m_setValue, m_deleteValue, m_valueAt, m_info;
};

struct OpenKey {
  std::int64_t id;
  REGSAM access;
  std::uint64_t generation;
};

// Process-wide: one file in use, and the handles opened on it. Never
// destroyed, so handles may still be closed from static destructors.
struct State {
  std::mutex mutex;
  std::unique_ptr<Store> store;
  std::string path;
  bool havePath = false;
  pid_t pid = 0;
  std::uint64_t generation = 0;
  std::unordered_map<std::uintptr_t, OpenKey> handles;
  std::uintptr_t nextHandle = 0x1000;
  // Connections inherited through fork(): SQLite forbids using or closing
  // them in the child, so they are kept, unused.
  std::vector<Store*> inherited;
};

State& TheState() {
  static State* state = new State;
  return *state;
}

Store& EnsureStore(State& state) {
  std::string path = RegistryPath();
  if (state.store && state.pid != getpid())
    state.inherited.push_back(state.store.release());
  if (!state.havePath || path != state.path) {
    state.store.reset();
    state.path = path;
    state.havePath = true;
    ++state.generation;
  }
  if (!state.store) {
    state.store = std::make_unique<Store>(path);
    state.pid = getpid();
  }
  return *state.store;
}

const Root* RootOf(HKEY key) {
  for (const Root& root : kRoots)
    if (root.handle == key)
      return &root;
  return nullptr;
}

// The key a handle stands for, checked to exist still.
OpenKey Resolve(State& state, Store& store, HKEY key) {
  OpenKey open;
  if (const Root* root = RootOf(key)) {
    open = {root->id, KEY_ALL_ACCESS, state.generation};
  } else {
    auto found = state.handles.find(reinterpret_cast<std::uintptr_t>(key));
    if (found == state.handles.end() || found->second.generation != state.generation)
      throw Refusal{ERROR_INVALID_HANDLE};
    open = found->second;
  }
  if (!store.Key(open.id))
    throw Refusal{ERROR_KEY_DELETED};
  return open;
}

void Require(const OpenKey& key, REGSAM right) {
  if ((key.access & right) != right)
    throw Refusal{ERROR_ACCESS_DENIED};
}

HKEY NewHandle(State& state, std::int64_t id, REGSAM access) {
  std::uintptr_t value = state.nextHandle++;
  state.handles[value] = {id, access, state.generation};
  return reinterpret_cast<HKEY>(value);
}

std::vector<std::string_view> SplitPath(LPCSTR path) {
  std::vector<std::string_view> parts;
  std::string_view rest = path ? path : "";
  if (!rest.empty() && rest.back() == '\\')
    rest.remove_suffix(1);
  while (!rest.empty()) {
    std::size_t slash = rest.find('\\');
    std::string_view part = rest.substr(0, slash);
    if (part.empty())
      throw Refusal{ERROR_BAD_PATHNAME};
    if (part.size() > PLATFORM_REG_MAX_KEY_NAME)
      throw Refusal{ERROR_INVALID_PARAMETER};
    parts.push_back(part);
    if (slash == std::string_view::npos)
      break;
    rest.remove_prefix(slash + 1);
  }
  return parts;
}

std::optional<std::int64_t> Walk(Store& store, std::int64_t from, const std::vector<std::string_view>& parts) {
  std::int64_t id = from;
  for (std::string_view part : parts) {
    auto child = store.FindChild(id, part);
    if (!child)
      return std::nullopt;
    id = *child;
  }
  return id;
}

std::string_view ValueName(LPCSTR name) {
  std::string_view text = name ? name : "";
  if (text.size() > PLATFORM_REG_MAX_VALUE_NAME)
    throw Refusal{ERROR_INVALID_PARAMETER};
  return text;
}

LONG FromDatabase(const DatabaseError& error) {
  switch (error.Code()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_NOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

// Runs one registry call under the process-wide lock, turning every
// failure into its error number: nothing is thrown across the interface.
template <typename Body>
LONG Call(Body&& body) {
  State& state = TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  t_fault.clear();
  try {
    Store& store = EnsureStore(state);
    return body(state, store);
  } catch (const Refusal& refusal) {
    return refusal.code;
  } catch (const FileFault& fault) {
    t_fault = fault.text;
    return fault.code;
  } catch (const DatabaseError& error) {
    // A failed open names the file already.
    std::string text = error.what();
    if (std::string named = ": " + state.path; text.ends_with(named))
      text.resize(text.size() - named.size());
    t_fault = "the registry file " + state.path + ": " + text;
    return FromDatabase(error);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  } catch (...) {
    return ERROR_REGISTRY_IO_FAILED;
  }
}

// A change: one write transaction, tried again when another process held
// the file past the busy timeout.
template <typename Change>
void Write(Store& store, Change&& change) {
  Platform::Db::RetryOnBusy(kWriteAttempts, [&] {
    Transaction transaction(store.Db());
    change();
    transaction.Commit();
  });
}

// Copies a name with its zero into a buffer of *size characters; on
// success *size is the name's length without the zero.
LONG PutName(const std::string& name, LPSTR buffer, LPDWORD size) {
  if (!buffer || !size)
    return ERROR_INVALID_PARAMETER;
  if (name.size() + 1 > *size)
    return ERROR_MORE_DATA;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// The data of a value into a caller's buffer: size only without a buffer,
// ERROR_MORE_DATA (and the size needed) when the buffer is too small.
LONG PutData(const std::vector<unsigned char>& data, LPBYTE buffer, LPDWORD size) {
  if (!size)
    return buffer ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD room = *size;
  *size = static_cast<DWORD>(data.size());
  if (!buffer)
    return ERROR_SUCCESS;
  if (data.size() > room)
    return ERROR_MORE_DATA;
  if (!data.empty())
    std::memcpy(buffer, data.data(), data.size());
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR lpClass, DWORD, REGSAM samDesired,
                    const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult)
    return ERROR_INVALID_PARAMETER;
  return Call([&](State& state, Store& store) {
    std::vector<std::string_view> parts = SplitPath(lpSubKey);
    std::string keyClass = lpClass ? lpClass : "";
    std::int64_t id = 0;
    bool created = false;
    Write(store, [&] {
      OpenKey parent = Resolve(state, store, hKey);
      id = parent.id;
      created = false;
      for (std::string_view part : parts) {
        if (auto child = store.FindChild(id, part)) {
          id = *child;
          continue;
        }
        Require(parent, KEY_CREATE_SUB_KEY);
        id = store.InsertKey(id, part, keyClass);
        created = true;
      }
    });
    *phkResult = NewHandle(state, id, samDesired);
    if (lpdwDisposition)
      *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
}

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult)
    return ERROR_INVALID_PARAMETER;
  return Call([&](State& state, Store& store) {
    OpenKey parent = Resolve(state, store, hKey);
    std::vector<std::string_view> parts = SplitPath(lpSubKey);
    if (parts.empty() && RootOf(hKey)) {
      *phkResult = hKey;
      return ERROR_SUCCESS;
    }
    auto id = Walk(store, parent.id, parts);
    if (!id)
      return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(state, *id, samDesired);
    return ERROR_SUCCESS;
  });
}

LONG RegCloseKey(HKEY hKey) {
  if (RootOf(hKey))
    return ERROR_SUCCESS;
  State& state = TheState();
  std::lock_guard<std::mutex> lock(state.mutex);
  // A handle of a file no longer in use closes all the same.
  return state.handles.erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData)
    return ERROR_INVALID_PARAMETER;
  return Call([&](State& state, Store& store) {
    OpenKey key = Resolve(state, store, hKey);
    Require(key, KEY_QUERY_VALUE);
    auto value = store.FindValue(key.id, ValueName(lpValueName));
    if (!value)
      return ERROR_FILE_NOT_FOUND;
    if (lpType)
      *lpType = value->type;
    return PutData(value->data, lpData, lpcbData);
  });
}

LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData != 0)
    return ERROR_INVALID_PARAMETER;
  return Call([&](State& state, Store& store) {
    std::string_view name = ValueName(lpValueName);
    std::string text;
    const void* data = lpData;
    std::size_t size = cbData;
    if (dwType == REG_SZ || dwType == REG_EXPAND_SZ) {
      const char* chars = reinterpret_cast<const char*>(lpData);
      text.assign(chars, chars ? std::find(chars, chars + cbData, '\0') : chars);
      data = text.c_str();
      size = text.size() + 1;
    }
    Write(store, [&] {
      OpenKey key = Resolve(state, store, hKey);
      Require(key, KEY_SET_VALUE);
      store.SetValue(key.id, name, dwType, data, size);
    });
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName) {
  return Call([&](State& state, Store& store) {
    std::string_view name = ValueName(lpValueName);
    bool deleted = false;
    Write(store, [&] {
      OpenKey key = Resolve(state, store, hKey);
      Require(key, KEY_SET_VALUE);
      deleted = store.DeleteValue(key.id, name);
    });
    return deleted ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey)
    return ERROR_INVALID_PARAMETER;
  return Call([&](State& state, Store& store) {
    std::vector<std::string_view> parts = SplitPath(lpSubKey);
    LONG result = ERROR_SUCCESS;
    Write(store, [&] {
      OpenKey parent = Resolve(state, store, hKey);
      auto id = Walk(store, parent.id, parts);
      if (!id) {
        result = ERROR_FILE_NOT_FOUND;
        return;
      }
      if (*id <= kLastRootId || store.ChildCount(*id) > 0) {
        result = ERROR_ACCESS_DENIED;
        return;
      }
      std::optional<std::int64_t> parentOfKey;
      if (!parts.empty())
        parentOfKey = Walk(store, parent.id, std::vector<std::string_view>(parts.begin(), parts.end() - 1));
      store.DeleteKey(*id);
      if (parentOfKey)
        store.Touch(*parentOfKey);
    });
    return result;
  });
}

LONG RegEnumKeyEx(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                  LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  return Call([&](State& state, Store& store) {
    OpenKey key = Resolve(state, store, hKey);
    Require(key, KEY_ENUMERATE_SUB_KEYS);
    auto child = store.ChildAt(key.id, dwIndex);
    if (!child)
      return ERROR_NO_MORE_ITEMS;
    if (lpClass && lpcchClass && child->keyClass.size() + 1 > *lpcchClass)
      return ERROR_MORE_DATA;
    LONG result = PutName(child->name, lpName, lpcchName);
    if (result != ERROR_SUCCESS)
      return result;
    if (lpClass && lpcchClass)
      PutName(child->keyClass, lpClass, lpcchClass);
    else if (lpcchClass)
      *lpcchClass = static_cast<DWORD>(child->keyClass.size());
    PutFileTime(lpftLastWriteTime, child->modified);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKey(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
  return RegEnumKeyEx(hKey, dwIndex, lpName, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                  LPBYTE lpData, LPDWORD lpcbData) {
  if (lpData && !lpcbData)
    return ERROR_INVALID_PARAMETER;
  if (!lpValueName || !lpcchValueName)
    return ERROR_INVALID_PARAMETER;
  return Call([&](State& state, Store& store) {
    OpenKey key = Resolve(state, store, hKey);
    Require(key, KEY_QUERY_VALUE);
    auto value = store.ValueAt(key.id, dwIndex);
    if (!value)
      return ERROR_NO_MORE_ITEMS;
    if (value->name.size() + 1 > *lpcchValueName)
      return ERROR_MORE_DATA;
    LONG result = PutData(value->data, lpData, lpcbData);
    if (lpType)
      *lpType = value->type;
    if (result == ERROR_SUCCESS)
      PutName(value->name, lpValueName, lpcchValueName);
    return result;
  });
}

LONG RegQueryInfoKey(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                     LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                     LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  return Call([&](State& state, Store& store) {
    OpenKey key = Resolve(state, store, hKey);
    Require(key, KEY_QUERY_VALUE);
    auto row = store.Key(key.id);
    if (!row)
      return ERROR_KEY_DELETED;
    if (lpClass && lpcchClass) {
      if (row->keyClass.size() + 1 > *lpcchClass) {
        *lpcchClass = static_cast<DWORD>(row->keyClass.size());
        return ERROR_MORE_DATA;
      }
      PutName(row->keyClass, lpClass, lpcchClass);
    } else if (lpcchClass) {
      *lpcchClass = static_cast<DWORD>(row->keyClass.size());
    }
    Store::Info info = store.InfoOf(key.id);
    auto put = [](LPDWORD target, std::int64_t value) {
      if (target)
        *target = static_cast<DWORD>(value);
    };
    put(lpcSubKeys, info.subKeys);
    put(lpcbMaxSubKeyLen, info.maxSubKeyName);
    put(lpcbMaxClassLen, info.maxClass);
    put(lpcValues, info.values);
    put(lpcbMaxValueNameLen, info.maxValueName);
    put(lpcbMaxValueLen, info.maxValueData);
    put(lpcbSecurityDescriptor, 0);
    PutFileTime(lpftLastWriteTime, row->modified);
    return ERROR_SUCCESS;
  });
}

std::string RegistryFault() { return t_fault; }
