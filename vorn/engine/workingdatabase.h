// The working file of a model: one SQLite database with the tables Modules,
// ModuleValues and Connections (workingdatabase.sql). The engine is its only
// writer; every value of a module is kept as text.
//
// Each operation catches the database's failure itself, shows one message
// box (a fixed prefix followed by the database's own text) and answers
// E_FAIL; nothing here throws. Names and values are always bound as
// parameters, so a name holding a quote is simply stored. A write that
// finds the file locked by another connection waits for the busy timeout
// and is tried again, four attempts in all, before it counts as failed.
// Operations that replace several rows do so in a savepoint: a failure
// leaves the rows they found.
#ifndef VORN_ENGINE_WORKINGDATABASE_H
#define VORN_ENGINE_WORKINGDATABASE_H

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com/variant.h"
#include "platform/db/database.h"
#include "platform/errors.h"

namespace Vorn {

// Module IDs index the engine's collection, and every walk of the model
// steps through it from 0, so an ID read from a file is bounded: one of two
// thousand million would make each walk as long.
constexpr int kModuleIDLimit = 1 << 20;
constexpr bool IsModuleID(std::int64_t id) { return id >= 0 && id < kModuleIDLimit; }

// One row of Modules. An empty processor means the machine that reads it.
// An ID stored as anything but an integer that fits is read as -1.
struct ModuleRow {
  int id = 0;
  std::string type;
  std::string name;
  std::string processor;
  // For an ID that is no module ID: the value as stored, as an SQL literal
  // (NULL, 'text', 2.5), so that a message can show it.
  std::string storedID{};
  bool operator==(const ModuleRow&) const = default;
};

// One row of Connections: an output of srcModule feeding an input of
// destModule, both on this model.
struct ConnectionRow {
  int srcModule = 0;
  std::string srcOutput;
  int destModule = 0;
  std::string destInput;
  bool operator==(const ConnectionRow&) const = default;
};

// The text forms of values. Numbers are written and read the same way in
// every locale.
namespace ValueText {
// "%f" of the value: six decimals.
std::string Float(double value);
// Each element as Float() followed by one space; empty for no elements.
std::string FloatArray(const float* values, int count);
std::string IntArray(const int* values, int count);
// As atof: leading blanks skipped, the longest number read, 0 otherwise.
double ToDouble(std::string_view text);
// The numbers of a float-array text, split at single spaces.
std::vector<double> ToNumbers(std::string_view text);
std::vector<float> ToFloats(std::string_view text);
// A stored number read back as an integer, truncated toward zero (and held
// within the integer's range).
int ToInt(double value);
}  // namespace ValueText

class WorkingDatabase {
public:
  // Every write is tried this many times while the file is locked.
  static constexpr int kWriteAttempts = 4;
  static constexpr std::chrono::milliseconds kBusyTimeout{1000};

  // Opens an existing working file for reading and writing; never makes one.
  // A file that cannot be opened or lacks one of the three tables shows
  // "Couldn't open database--Exception: " and answers null.
  static std::unique_ptr<WorkingDatabase> Open(const std::string& path,
                                               std::chrono::milliseconds busyTimeout = kBusyTimeout);
  // Makes a new, empty working file at path, which must not exist yet.
  // Throws Platform::Db::DatabaseError.
  static void CreateEmptyWorkingFile(const std::string& path);
  // The statements that make the three tables.
  static std::string_view Schema();

  // Copies the working file source to destination (which must not exist),
  // compacted. A failure shows "Couldn't copy database--Exception: " and
  // answers E_FAIL.
  static HRESULT CopyDatabase(const std::string& source, const std::string& destination);

  const std::string& Path() const { return m_db.Path(); }
  Platform::Db::Database& Handle() { return m_db; }

  // Single values (Index 0).
  HRESULT SaveStringValue(int id, std::string_view name, std::string_view value);
  // Empty when there is no row.
  HRESULT LoadStringValue(int id, std::string_view name, std::string& value);
  HRESULT SaveFloatValue(int id, std::string_view name, float value);
  // 0 when there is no row.
  HRESULT LoadFloatValue(int id, std::string_view name, float& value);

  // Float arrays, one row of ModuleValues per row of the array.
  HRESULT SaveFloatArray2D(int id, std::string_view name, int row, const float* values, int count);
  // Copies at most max numbers into values; count is how many were copied.
  HRESULT LoadFloatArray2D(int id, std::string_view name, int row, int max, float* values, int& count);
  HRESULT SaveFloatArray(int id, std::string_view name, const float* values, int count) {
    return SaveFloatArray2D(id, name, 0, values, count);
  }
  HRESULT LoadFloatArray(int id, std::string_view name, std::vector<float>& values, int row = 0);
  HRESULT GetFloatArraySize(int id, std::string_view name, int& count);

  // Integer arrays, in the text form of float arrays, every value exact.
  HRESULT SaveIntArray(int id, std::string_view name, const int* values, int count);
  HRESULT LoadIntArray(int id, std::string_view name, int max, int* values, int& count);
  HRESULT LoadIntArray(int id, std::string_view name, std::vector<int>& values);
  HRESULT GetIntArraySize(int id, std::string_view name, int& count);

  // String arrays: one row per element, Index 0, 1, 2, ...
  HRESULT SaveStringArray(int id, std::string_view name, const std::vector<std::string>& values);
  // Every row of the name in the order it was written, at most max of them.
  HRESULT LoadStringArray(int id, std::string_view name, int max, std::vector<std::string>& values);
  HRESULT GetStringArraySize(int id, std::string_view name, int& count);

  // Arrays as a one-dimensional SAFEARRAY of VT_R4, VT_I4 or VT_BSTR.
  HRESULT LoadFloatArrayVar(int id, std::string_view name, VARIANT* result);
  HRESULT LoadIntArrayVar(int id, std::string_view name, VARIANT* result);
  HRESULT LoadStringArrayVar(int id, std::string_view name, VARIANT* result);
  // A one-dimensional VT_R4 array becomes row 0 of a float array, a VT_BSTR
  // array a string array; anything else is E_INVALIDARG and writes nothing.
  HRESULT SaveArrayVar(int id, std::string_view name, const VARIANT* value);

  // Every value of a module but the module object's own layout values, in
  // the order they were written.
  HRESULT GetModuleData(int id, std::vector<std::pair<std::string, std::string>>& values);

  // Module rows.
  HRESULT SaveModuleParams(const ModuleRow& module);
  // row stays empty when the file has no such module.
  HRESULT LoadModuleParams(int id, std::optional<ModuleRow>& row);
  // Every module (id -1) or the one of that ID, by ID; the whole set is read
  // before the caller acts on any of it.
  HRESULT ReadModules(int id, std::vector<ModuleRow>& rows);
  // The processors named in the file, each followed by one space; a single
  // space for none.
  HRESULT GetServers(std::string& servers);
  // Gives every module of oldProcessor (every module for "<All>") the new one.
  HRESULT ChangeModuleServer(std::string_view oldProcessor, std::string_view newProcessor);
  // The module's values, its row and every connection from or to it; -1
  // empties all three tables.
  HRESULT DeleteModuleRows(int id);

  // Replaces the connection rows of module srcId with connections (rows
  // into another machine, destination -1, are not kept here).
  HRESULT SaveConnections(int srcId, const std::vector<ConnectionRow>& connections);
  HRESULT LoadConnections(int srcId, std::vector<ConnectionRow>& connections);
  HRESULT DeleteConnection(const ConnectionRow& connection);

  // Transactions of the caller; they nest. Committing the outermost writes
  // the data through to the disk.
  HRESULT BeginTransaction();
  HRESULT CommitTransaction();
  int TransactionDepth() const { return m_db.TransactionDepth(); }

private:
  WorkingDatabase(const std::string& path, std::chrono::milliseconds busyTimeout);

  // Runs work, a unit that writes, again while the file is locked; a
  // failure shows prefix with the database's text and answers E_FAIL.
  template <typename Work>
  HRESULT Write(const std::string& prefix, Work&& work);
  template <typename Work>
  HRESULT Read(const std::string& prefix, Work&& work);

  HRESULT SaveArrayRow(int id, std::string_view name, int row, const std::string& text);
  void PutRow(int id, std::string_view name, std::optional<int> index, int storedIndex, std::string_view value);
  std::optional<std::string> FindValue(int id, std::string_view name, std::optional<int> index);
  std::vector<std::string> AllValues(int id, std::string_view name);

  Platform::Db::Database m_db;
};

}  // namespace Vorn

#endif
