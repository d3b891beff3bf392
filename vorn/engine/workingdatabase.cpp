#include "vorn/engine/workingdatabase.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

#include "platform/ui/messagebox.h"
#include "vorn/support/utilities.h"
#include "workingfileschema.h"

namespace Vorn {

using Platform::Db::DatabaseError;
using Platform::Db::Statement;
using Platform::Db::Transaction;

// ---- Text forms ------------------------------------------------------------

namespace ValueText {

std::string Float(double value) {
  std::array<char, 400> buffer{};
  auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
  if (error != std::errc())
    return "0.000000";
  return std::string(buffer.data(), end);
}

namespace {
template <typename Number>
std::string NumberArray(const Number* values, int count) {
  std::string text;
  for (int i = 0; values && i < count; ++i) {
    text += Float(values[i]);
    text += ' ';
  }
  return text;
}
}  // namespace

std::string FloatArray(const float* values, int count) { return NumberArray(values, count); }

// Through a double, which holds every integer: through a float, those above
// 2^24 would change.
std::string IntArray(const int* values, int count) { return NumberArray(values, count); }

double ToDouble(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || (text[start] >= '\t' && text[start] <= '\r')))
    ++start;
  if (start < text.size() && text[start] == '+')
    ++start;
  double value = 0.0;
  auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) {
    // atof gives the infinity of the sign (or zero for a tiny number).
    bool negative = start < text.size() && text[start] == '-';
    bool tiny = false;
    for (const char* c = text.data() + start; c != end; ++c)
      if (*c == 'e' || *c == 'E') {
        tiny = c + 1 != end && c[1] == '-';
        break;
      }
    if (tiny)
      return negative ? -0.0 : 0.0;
    return negative ? -HUGE_VAL : HUGE_VAL;
  }
  return error == std::errc() ? value : 0.0;
}

std::vector<double> ToNumbers(std::string_view text) {
  std::vector<double> values;
  while (!text.empty()) {
    std::size_t space = text.find(' ');
    std::string_view part = text.substr(0, space);
    // Two spaces in a row, or a leading one, make no number.
    if (!part.empty())
      values.push_back(ToDouble(part));
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
  }
  return values;
}

std::vector<float> ToFloats(std::string_view text) {
  std::vector<double> numbers = ToNumbers(text);
  return std::vector<float>(numbers.begin(), numbers.end());
}

int ToInt(double value) {
  if (std::isnan(value))
    return 0;
  if (value >= 2147483648.0)
    return std::numeric_limits<int>::max();
  if (value <= -2147483649.0)
    return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace ValueText

// ---- Opening and making files ------------------------------------------------

namespace {

// The module object's own layout values, which GetModuleData leaves out.
constexpr std::array<std::string_view, 8> kLayoutNames = {"X", "Y", "Z", "XO", "YO", "ZO", "Color", "DisplayStyle"};

void Show(const std::string& text) { AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION); }

Platform::Db::OpenOptions WorkingFileOptions(Platform::Db::OpenMode mode, std::chrono::milliseconds busyTimeout) {
  Platform::Db::OpenOptions options;
  options.mode = mode;
  // The classic journal works wherever the file lies, a shared folder
  // included, and leaves no side files once closed; a full sync makes a
  // committed save survive a crash of the program or the machine.
  options.journal = Platform::Db::Journal::Rollback;
  options.sync = Platform::Db::Sync::Full;
  options.busyTimeout = busyTimeout;
  return options;
}

// Preparing a statement that names every column checks tables and columns
// alike, with the database's own text for what is missing.
void CheckTables(Platform::Db::Database& db) {
  db.Prepare("SELECT ID, Type, Name, Processor FROM Modules LIMIT 0");
  db.Prepare("SELECT ModuleID, VariableName, \"Index\", Value FROM ModuleValues LIMIT 0");
  db.Prepare("SELECT SrcModule, SrcOutput, DestModule, DestInput FROM Connections LIMIT 0");
}

// SQLite's code for a file that cannot be opened as asked.
constexpr int kCantOpen = 14;

bool FileExists(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0;
}

// A file of another kind is refused before its journal is switched.
Platform::Db::OpenOptions ExistingWorkingFileOptions(std::chrono::milliseconds busyTimeout) {
  Platform::Db::OpenOptions options = WorkingFileOptions(Platform::Db::OpenMode::Existing, busyTimeout);
  options.check = CheckTables;
  return options;
}

}  // namespace

WorkingDatabase::WorkingDatabase(const std::string& path, std::chrono::milliseconds busyTimeout)
    : m_db(path, ExistingWorkingFileOptions(busyTimeout)) {}

std::unique_ptr<WorkingDatabase> WorkingDatabase::Open(const std::string& path,
                                                       std::chrono::milliseconds busyTimeout) {
  try {
    return std::unique_ptr<WorkingDatabase>(new WorkingDatabase(path, busyTimeout));
  } catch (const DatabaseError& error) {
    Show(std::string("Couldn't open database--Exception: ") + error.what());
  }
  return nullptr;
}

std::string_view WorkingDatabase::Schema() { return kWorkingFileSchema; }

void WorkingDatabase::CreateEmptyWorkingFile(const std::string& path) {
  // SQLite would open an existing file and add the tables to whatever it holds.
  if (FileExists(path))
    throw DatabaseError(kCantOpen, "the file already exists: " + path);
  Platform::Db::Database db(path, WorkingFileOptions(Platform::Db::OpenMode::CreateIfMissing, kBusyTimeout));
  Transaction transaction(db);
  db.Execute(Schema());
  transaction.Commit();
}

HRESULT WorkingDatabase::CopyDatabase(const std::string& source, const std::string& destination) {
  try {
    Platform::Db::Database db(source, WorkingFileOptions(Platform::Db::OpenMode::ReadOnly, kBusyTimeout));
    CheckTables(db);
    db.CompactInto(destination);
    return S_OK;
  } catch (const DatabaseError& error) {
    Show(std::string("Couldn't copy database--Exception: ") + error.what());
  }
  return E_FAIL;
}

// ---- The two ways an operation runs -------------------------------------------

template <typename Work>
HRESULT WorkingDatabase::Write(const std::string& prefix, Work&& work) {
  try {
    Platform::Db::RetryOnBusy(kWriteAttempts, [&] {
      Transaction transaction(m_db);
      work();
      transaction.Commit();
    });
    return S_OK;
  } catch (const DatabaseError& error) {
    Show(prefix + error.what());
  }
  return E_FAIL;
}

template <typename Work>
HRESULT WorkingDatabase::Read(const std::string& prefix, Work&& work) {
  try {
    Platform::Db::RetryOnBusy(kWriteAttempts, work);
    return S_OK;
  } catch (const DatabaseError& error) {
    Show(prefix + error.what());
  }
  return E_FAIL;
}

// ---- Rows of ModuleValues ---------------------------------------------------------

// The first row of the name (and of that Index, when one is given) is
// edited, or a row is added when there is none.
void WorkingDatabase::PutRow(int id, std::string_view name, std::optional<int> index, int storedIndex,
                             std::string_view value) {
  Statement find(m_db, index ? "SELECT rowid FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2 "
                               "AND \"Index\" = ?3 ORDER BY rowid LIMIT 1"
                             : "SELECT rowid FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2 "
                               "ORDER BY rowid LIMIT 1");
  find.Bind(1, id).Bind(2, name);
  if (index)
    find.Bind(3, *index);
  if (find.Step()) {
    std::int64_t row = find.Int64(0);
    Statement edit(m_db, "UPDATE ModuleValues SET \"Index\" = ?1, Value = ?2 WHERE rowid = ?3");
    edit.Bind(1, storedIndex).Bind(2, value).Bind(3, row).Execute();
  } else {
    Statement add(m_db, "INSERT INTO ModuleValues (ModuleID, VariableName, \"Index\", Value) VALUES (?1, ?2, ?3, ?4)");
    add.Bind(1, id).Bind(2, name).Bind(3, storedIndex).Bind(4, value).Execute();
  }
}

std::optional<std::string> WorkingDatabase::FindValue(int id, std::string_view name, std::optional<int> index) {
  Statement find(m_db, index ? "SELECT Value FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2 "
                               "AND \"Index\" = ?3 ORDER BY rowid LIMIT 1"
                             : "SELECT Value FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2 "
                               "ORDER BY rowid LIMIT 1");
  find.Bind(1, id).Bind(2, name);
  if (index)
    find.Bind(3, *index);
  if (!find.Step())
    return std::nullopt;
  return find.Text(0);
}

std::vector<std::string> WorkingDatabase::AllValues(int id, std::string_view name) {
  Statement all(m_db, "SELECT Value FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2 ORDER BY rowid");
  all.Bind(1, id).Bind(2, name);
  std::vector<std::string> values;
  while (all.Step())
    values.push_back(all.Text(0));
  return values;
}

namespace {
std::string LoadPrefix(std::string_view name) {
  return "Couldn't Load Array " + std::string(name) + " --Exception: ";
}
}  // namespace

HRESULT WorkingDatabase::SaveStringValue(int id, std::string_view name, std::string_view value) {
  return Write("Couldn't save value--Exception: ", [&] { PutRow(id, name, std::nullopt, 0, value); });
}

HRESULT WorkingDatabase::LoadStringValue(int id, std::string_view name, std::string& value) {
  value.clear();
  return Read(LoadPrefix(name), [&] { value = FindValue(id, name, std::nullopt).value_or(std::string()); });
}

HRESULT WorkingDatabase::SaveFloatValue(int id, std::string_view name, float value) {
  return SaveStringValue(id, name, ValueText::Float(value));
}

HRESULT WorkingDatabase::LoadFloatValue(int id, std::string_view name, float& value) {
  std::string text;
  HRESULT hr = LoadStringValue(id, name, text);
  value = static_cast<float>(ValueText::ToDouble(text));
  return hr;
}

HRESULT WorkingDatabase::SaveArrayRow(int id, std::string_view name, int row, const std::string& text) {
  return Write("Couldn't save array--Exception: ", [&] { PutRow(id, name, row, row, text); });
}

HRESULT WorkingDatabase::SaveFloatArray2D(int id, std::string_view name, int row, const float* values, int count) {
  return SaveArrayRow(id, name, row, ValueText::FloatArray(values, count));
}

HRESULT WorkingDatabase::LoadFloatArray(int id, std::string_view name, std::vector<float>& values, int row) {
  values.clear();
  return Read(LoadPrefix(name), [&] {
    if (auto text = FindValue(id, name, row))
      values = ValueText::ToFloats(*text);
  });
}

HRESULT WorkingDatabase::LoadFloatArray2D(int id, std::string_view name, int row, int max, float* values, int& count) {
  count = 0;
  std::vector<float> stored;
  HRESULT hr = LoadFloatArray(id, name, stored, row);
  int copied = std::min<std::size_t>(stored.size(), static_cast<std::size_t>(std::max(max, 0)));
  if (!values)
    copied = 0;
  std::copy_n(stored.begin(), copied, values);
  count = copied;
  return hr;
}

HRESULT WorkingDatabase::GetFloatArraySize(int id, std::string_view name, int& count) {
  std::vector<float> stored;
  HRESULT hr = LoadFloatArray(id, name, stored);
  count = static_cast<int>(stored.size());
  return hr;
}

HRESULT WorkingDatabase::SaveIntArray(int id, std::string_view name, const int* values, int count) {
  return SaveArrayRow(id, name, 0, ValueText::IntArray(values, count));
}

HRESULT WorkingDatabase::LoadIntArray(int id, std::string_view name, std::vector<int>& values) {
  values.clear();
  return Read(LoadPrefix(name), [&] {
    // Read as doubles, which hold every stored integer exactly.
    if (auto text = FindValue(id, name, 0))
      for (double number : ValueText::ToNumbers(*text))
        values.push_back(ValueText::ToInt(number));
  });
}

HRESULT WorkingDatabase::LoadIntArray(int id, std::string_view name, int max, int* values, int& count) {
  count = 0;
  std::vector<int> stored;
  HRESULT hr = LoadIntArray(id, name, stored);
  for (std::size_t i = 0; values && i < stored.size() && count < max; ++i)
    values[count++] = stored[i];
  return hr;
}

HRESULT WorkingDatabase::GetIntArraySize(int id, std::string_view name, int& count) {
  return GetFloatArraySize(id, name, count);
}

HRESULT WorkingDatabase::SaveStringArray(int id, std::string_view name, const std::vector<std::string>& values) {
  return Write("Couldn't save array--Exception: ", [&] {
    Statement remove(m_db, "DELETE FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2");
    remove.Bind(1, id).Bind(2, name).Execute();
    Statement add(m_db, "INSERT INTO ModuleValues (ModuleID, VariableName, \"Index\", Value) VALUES (?1, ?2, ?3, ?4)");
    for (std::size_t i = 0; i < values.size(); ++i) {
      add.Bind(1, id).Bind(2, name).Bind(3, static_cast<int>(i)).Bind(4, values[i]).Execute();
    }
  });
}

HRESULT WorkingDatabase::LoadStringArray(int id, std::string_view name, int max, std::vector<std::string>& values) {
  values.clear();
  return Read(LoadPrefix(name), [&] {
    values = AllValues(id, name);
    if (values.size() > static_cast<std::size_t>(std::max(max, 0)))
      values.resize(static_cast<std::size_t>(std::max(max, 0)));
  });
}

HRESULT WorkingDatabase::GetStringArraySize(int id, std::string_view name, int& count) {
  count = 0;
  return Read(LoadPrefix(name), [&] {
    Statement rows(m_db, "SELECT count(*) FROM ModuleValues WHERE ModuleID = ?1 AND VariableName = ?2");
    rows.Bind(1, id).Bind(2, name);
    count = rows.Step() ? rows.Int(0) : 0;
  });
}

// ---- Arrays as VARIANTs ---------------------------------------------------------

namespace {

template <typename Element, typename Fill>
HRESULT MakeArray(VARIANT* result, VARTYPE vt, std::size_t size, Fill&& fill) {
  SAFEARRAY* array = CreateSafeArray1D(vt, static_cast<ULONG>(size));
  if (!array)
    return E_OUTOFMEMORY;
  void* data = nullptr;
  HRESULT hr = SafeArrayAccessData(array, &data);
  if (FAILED(hr)) {
    SafeArrayDestroy(array);
    return hr;
  }
  hr = fill(static_cast<Element*>(data));
  SafeArrayUnaccessData(array);
  if (FAILED(hr)) {
    SafeArrayDestroy(array);
    return hr;
  }
  V_VT(result) = static_cast<VARTYPE>(VT_ARRAY | vt);
  V_ARRAY(result) = array;
  return S_OK;
}

// The elements of a one-dimensional array of element type vt held by value;
// null for any other VARIANT.
SAFEARRAY* VectorOf(const VARIANT* value, VARTYPE vt, ULONG& count) {
  if (!value || V_VT(value) != (VT_ARRAY | vt) || !V_ARRAY(value) || SafeArrayGetDim(V_ARRAY(value)) != 1)
    return nullptr;
  count = V_ARRAY(value)->rgsabound[0].cElements;
  return V_ARRAY(value);
}

}  // namespace

HRESULT WorkingDatabase::LoadFloatArrayVar(int id, std::string_view name, VARIANT* result) {
  if (!result)
    return E_POINTER;
  VariantInit(result);
  std::vector<float> values;
  LoadFloatArray(id, name, values);
  return MakeArray<float>(result, VT_R4, values.size(), [&](float* data) {
    std::copy(values.begin(), values.end(), data);
    return S_OK;
  });
}

HRESULT WorkingDatabase::LoadIntArrayVar(int id, std::string_view name, VARIANT* result) {
  if (!result)
    return E_POINTER;
  VariantInit(result);
  std::vector<int> values;
  LoadIntArray(id, name, values);
  return MakeArray<LONG>(result, VT_I4, values.size(), [&](LONG* data) {
    std::copy(values.begin(), values.end(), data);
    return S_OK;
  });
}

HRESULT WorkingDatabase::LoadStringArrayVar(int id, std::string_view name, VARIANT* result) {
  if (!result)
    return E_POINTER;
  VariantInit(result);
  std::vector<std::string> values;
  LoadStringArray(id, name, std::numeric_limits<int>::max(), values);
  return MakeArray<BSTR>(result, VT_BSTR, values.size(), [&](BSTR* data) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      data[i] = Platform::AllocBstr(values[i]);
      if (!data[i])
        return E_OUTOFMEMORY;
    }
    return S_OK;
  });
}

HRESULT WorkingDatabase::SaveArrayVar(int id, std::string_view name, const VARIANT* value) {
  ULONG count = 0;
  if (SAFEARRAY* floats = VectorOf(value, VT_R4, count)) {
    std::vector<float> values(count);
    if (count)
      std::copy_n(static_cast<const float*>(floats->pvData), count, values.begin());
    return SaveFloatArray2D(id, name, 0, values.data(), static_cast<int>(count));
  }
  if (SAFEARRAY* strings = VectorOf(value, VT_BSTR, count)) {
    std::vector<std::string> values;
    for (ULONG i = 0; i < count; ++i)
      values.push_back(Platform::BstrToUtf8(static_cast<BSTR*>(strings->pvData)[i]));
    return SaveStringArray(id, name, values);
  }
  return E_INVALIDARG;
}

HRESULT WorkingDatabase::GetModuleData(int id, std::vector<std::pair<std::string, std::string>>& values) {
  values.clear();
  const std::string sql = "SELECT VariableName, Value FROM ModuleValues WHERE ModuleID = ?1 ORDER BY rowid";
  HRESULT hr = Read("Couldn't Load Name/Values " + sql + " --Exception: ", [&] {
    values.clear();
    Statement rows(m_db, sql);
    rows.Bind(1, id);
    while (rows.Step()) {
      std::string name = rows.Text(0);
      if (std::find(kLayoutNames.begin(), kLayoutNames.end(), name) == kLayoutNames.end())
        values.emplace_back(std::move(name), rows.Text(1));
    }
  });
  if (FAILED(hr))
    values.clear();
  return hr;
}

// ---- Module rows ----------------------------------------------------------------

HRESULT WorkingDatabase::SaveModuleParams(const ModuleRow& module) {
  return Write("Couldn't add module to datafile--Exception: ", [&] {
    Statement find(m_db, "SELECT rowid FROM Modules WHERE ID = ?1 ORDER BY rowid LIMIT 1");
    find.Bind(1, module.id);
    if (find.Step()) {
      Statement edit(m_db, "UPDATE Modules SET ID = ?1, Type = ?2, Name = ?3, Processor = ?4 WHERE rowid = ?5");
      edit.Bind(1, module.id).Bind(2, module.type).Bind(3, module.name).Bind(4, module.processor);
      edit.Bind(5, find.Int64(0)).Execute();
    } else {
      Statement add(m_db, "INSERT INTO Modules (ID, Type, Name, Processor) VALUES (?1, ?2, ?3, ?4)");
      add.Bind(1, module.id).Bind(2, module.type).Bind(3, module.name).Bind(4, module.processor).Execute();
    }
  });
}

namespace {
// NULL, text, a real or a number beyond an int is no ID: it must not be
// cut down to one that names another module.
int ReadID(const Statement& row, int column) {
  if (!row.IsInteger(column))
    return -1;
  const std::int64_t id = row.Int64(column);
  return id >= INT_MIN && id <= INT_MAX ? static_cast<int>(id) : -1;
}

// Of a query whose fifth column is quote(ID).
ModuleRow ReadModuleRow(const Statement& row) {
  ModuleRow read{ReadID(row, 0), row.Text(1), row.Text(2), row.Text(3), {}};
  if (!IsModuleID(read.id))
    read.storedID = row.Text(4);
  return read;
}
}  // namespace

HRESULT WorkingDatabase::LoadModuleParams(int id, std::optional<ModuleRow>& row) {
  row.reset();
  return Read("Error reading module database--Exception: ", [&] {
    Statement find(m_db, "SELECT ID, Type, Name, Processor, quote(ID) FROM Modules WHERE ID = ?1 "
                         "ORDER BY rowid DESC LIMIT 1");
    find.Bind(1, id);
    if (find.Step())
      row = ReadModuleRow(find);
  });
}

HRESULT WorkingDatabase::ReadModules(int id, std::vector<ModuleRow>& rows) {
  rows.clear();
  HRESULT hr = Read("Error reading module database--Exception: ", [&] {
    rows.clear();
    Statement all(m_db, id == -1
                            ? "SELECT ID, Type, Name, Processor, quote(ID) FROM Modules ORDER BY ID, rowid"
                            : "SELECT ID, Type, Name, Processor, quote(ID) FROM Modules WHERE ID = ?1 ORDER BY rowid");
    if (id != -1)
      all.Bind(1, id);
    while (all.Step())
      rows.push_back(ReadModuleRow(all));
  });
  return hr;
}

HRESULT WorkingDatabase::GetServers(std::string& servers) {
  servers.clear();
  HRESULT hr = Read("Error reading module database--Exception: ", [&] {
    servers.clear();
    Statement all(m_db, "SELECT DISTINCT Processor FROM Modules ORDER BY Processor");
    while (all.Step())
      servers += all.Text(0) + " ";
  });
  if (SUCCEEDED(hr) && servers.empty())
    servers = " ";
  return hr;
}

HRESULT WorkingDatabase::ChangeModuleServer(std::string_view oldProcessor, std::string_view newProcessor) {
  return Write("Couldn't add module to datafile--Exception: ", [&] {
    if (oldProcessor == "<All>") {
      Statement all(m_db, "UPDATE Modules SET Processor = ?1");
      all.Bind(1, newProcessor).Execute();
    } else {
      Statement some(m_db, "UPDATE Modules SET Processor = ?1 WHERE Processor = ?2");
      some.Bind(1, newProcessor).Bind(2, oldProcessor).Execute();
    }
  });
}

HRESULT WorkingDatabase::DeleteModuleRows(int id) {
  if (id == -1) {
    return Write("Couldn't Delete all data ", [&] {
      m_db.Execute("DELETE FROM ModuleValues");
      m_db.Execute("DELETE FROM Modules");
      m_db.Execute("DELETE FROM Connections");
    });
  }
  return Write("Couldn't save value--Exception: ", [&] {
    Statement values(m_db, "DELETE FROM ModuleValues WHERE ModuleID = ?1");
    values.Bind(1, id).Execute();
    Statement modules(m_db, "DELETE FROM Modules WHERE ID = ?1");
    modules.Bind(1, id).Execute();
    Statement connections(m_db, "DELETE FROM Connections WHERE SrcModule = ?1 OR DestModule = ?1");
    connections.Bind(1, id).Execute();
  });
}

// ---- Connections ------------------------------------------------------------------

HRESULT WorkingDatabase::SaveConnections(int srcId, const std::vector<ConnectionRow>& connections) {
  return Write("Couldn't save connections--Exception: ", [&] {
    Statement remove(m_db, "DELETE FROM Connections WHERE SrcModule = ?1");
    remove.Bind(1, srcId).Execute();
    Statement add(m_db, "INSERT INTO Connections (SrcModule, SrcOutput, DestModule, DestInput) VALUES (?1, ?2, ?3, ?4)");
    for (const ConnectionRow& connection : connections) {
      // A connection into another machine names no module of this file;
      // stored, it would come back as a connection into module -1.
      if (connection.destModule < 0)
        continue;
      add.Bind(1, srcId).Bind(2, connection.srcOutput).Bind(3, connection.destModule);
      add.Bind(4, connection.destInput).Execute();
    }
  });
}

HRESULT WorkingDatabase::LoadConnections(int srcId, std::vector<ConnectionRow>& connections) {
  connections.clear();
  HRESULT hr = Read("Couldn't load connections--Exception: ", [&] {
    connections.clear();
    Statement all(m_db, "SELECT SrcModule, SrcOutput, DestModule, DestInput FROM Connections "
                        "WHERE SrcModule = ?1 ORDER BY rowid");
    all.Bind(1, srcId);
    while (all.Step())
      connections.push_back(ConnectionRow{ReadID(all, 0), all.Text(1), ReadID(all, 2), all.Text(3)});
  });
  if (FAILED(hr))
    connections.clear();
  return hr;
}

HRESULT WorkingDatabase::DeleteConnection(const ConnectionRow& connection) {
  return Write("Couldn't Delete connections--Exception: ", [&] {
    Statement remove(m_db, "DELETE FROM Connections WHERE SrcModule = ?1 AND DestModule = ?2 AND SrcOutput = ?3 "
                           "AND DestInput = ?4");
    remove.Bind(1, connection.srcModule).Bind(2, connection.destModule);
    remove.Bind(3, connection.srcOutput).Bind(4, connection.destInput).Execute();
  });
}

// ---- Transactions of the caller ------------------------------------------------------

HRESULT WorkingDatabase::BeginTransaction() {
  try {
    Platform::Db::RetryOnBusy(kWriteAttempts, [&] { m_db.Begin(); });
    return S_OK;
  } catch (const DatabaseError&) {
  }
  return E_FAIL;
}

HRESULT WorkingDatabase::CommitTransaction() {
  if (m_db.TransactionDepth() == 0)
    return E_FAIL;
  try {
    // A failed COMMIT keeps the transaction open, so it can be tried again
    // while another reader of the file finishes.
    Platform::Db::RetryOnBusy(kWriteAttempts, [&] { m_db.Commit(); });
    return S_OK;
  } catch (const DatabaseError& error) {
    // A level that cannot be committed is given up, so that the file is not
    // left locked by a transaction nobody will end; what it held is lost,
    // and the user is told.
    Show(std::string("Couldn't save changes--Exception: ") + error.what());
    try {
      m_db.Rollback();
    } catch (const DatabaseError&) {
    }
  }
  return E_FAIL;
}

}  // namespace Vorn
