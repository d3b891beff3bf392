// A thin C++ layer over SQLite: the database files of the platform (the
// registry) and of the products (the engine's working file).
//
// - Opening never makes a file unless asked to (OpenMode::CreateIfMissing);
//   a file that is not a database fails at the open, not at the first query,
//   and so does one that the caller's check refuses, before anything in it
//   is changed.
// - Every failure is a DatabaseError whose what() is SQLite's own text; the
//   statement that failed, when there was one, is in Sql().
// - Statements bind their parameters (by position from 1, or by ":name");
//   no value is ever spliced into the text.
// - Transactions nest: the outermost level is BEGIN IMMEDIATE (it takes the
//   write lock at once, so two writers wait for each other instead of
//   failing half-way), inner levels are savepoints.
// - Locks held by another connection are waited for up to the busy timeout;
//   RetryOnBusy repeats a whole unit of work for the cases SQLite cannot
//   wait in (a read snapshot that went stale before its write).
#ifndef PLATFORM_DB_DATABASE_H
#define PLATFORM_DB_DATABASE_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/api.h"

struct sqlite3;
struct sqlite3_stmt;

namespace Platform::Db {

class PLATFORM_API DatabaseError : public std::runtime_error {
public:
  // code is SQLite's extended result code.
  DatabaseError(int code, const std::string& text, std::string sql = {});
  ~DatabaseError() override;

  int Code() const { return m_code & 0xFF; }
  int ExtendedCode() const { return m_code; }
  const std::string& Sql() const { return m_sql; }
  // Another connection holds a lock that this one needs.
  bool IsBusy() const;

private:
  int m_code;
  std::string m_sql;
};

enum class OpenMode { Existing, CreateIfMissing, ReadOnly };

// Write-ahead log (readers never wait for the writer; the file must be on a
// local disk) or the classic rollback journal (works on any file system).
enum class Journal { Wal, Rollback };

// How hard a commit pushes the data to the disk. Full survives a power cut
// with the last commit kept; Normal, with a write-ahead log, keeps the file
// consistent but may lose the last commits.
enum class Sync { Off, Normal, Full };

class Database;

struct OpenOptions {
  OpenMode mode = OpenMode::Existing;
  Journal journal = Journal::Wal;
  Sync sync = Sync::Full;
  std::chrono::milliseconds busyTimeout{5000};
  // Runs once the file is known to be a database and before the open
  // changes anything in it (its journal mode): a check that throws refuses
  // a file of another kind as it found it.
  std::function<void(Database&)> check{};
};

class PLATFORM_API Statement {
public:
  Statement() = default;
  Statement(Database& database, std::string_view sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  // Parameters count from 1; a name includes its prefix (":name").
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
  Statement& Bind(int index, double value);
  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, const char* text) { return Bind(index, std::string_view(text ? text : "")); }
  Statement& Bind(int index, const std::string& text) { return Bind(index, std::string_view(text)); }
  Statement& BindBlob(int index, const void* data, std::size_t size);
  Statement& BindNull(int index);
  template <typename T>
  Statement& Bind(const char* name, const T& value) {
    return Bind(ParameterIndex(name), value);
  }
  int ParameterIndex(const char* name) const;

  // Advances to the next row: true while a row is there, false at the end.
  bool Step();
  // Runs the statement to its end (for statements that answer no rows).
  void Execute();
  // Makes the statement ready to run again; the bindings stay.
  void Reset();
  void ClearBindings();

  // Columns of the current row, counted from 0.
  int ColumnCount() const;
  std::string ColumnName(int column) const;
  // The index of the column of that name (compared without regard to case).
  int ColumnIndex(std::string_view name) const;
  bool IsNull(int column) const;
  // Whether the value is stored as an integer (not NULL, text, a real or a blob).
  bool IsInteger(int column) const;
  std::int64_t Int64(int column) const;
  int Int(int column) const { return static_cast<int>(Int64(column)); }
  double Double(int column) const;
  std::string Text(int column) const;
  std::vector<unsigned char> Blob(int column) const;
  std::int64_t Int64(std::string_view name) const { return Int64(ColumnIndex(name)); }
  int Int(std::string_view name) const { return Int(ColumnIndex(name)); }
  double Double(std::string_view name) const { return Double(ColumnIndex(name)); }
  std::string Text(std::string_view name) const { return Text(ColumnIndex(name)); }

  const std::string& Sql() const { return m_sql; }

private:
  [[noreturn]] void Fail(int code) const;
  void Check(int code) const;
  void CheckColumn(int column) const;

  Database* m_database = nullptr;
  sqlite3_stmt* m_statement = nullptr;
  std::string m_sql;
};

class PLATFORM_API Database {
public:
  Database(const std::string& path, const OpenOptions& options = {});
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& Path() const { return m_path; }

  // Runs one or more statements that take no parameters.
  void Execute(std::string_view sql);
  Statement Prepare(std::string_view sql) { return Statement(*this, sql); }
  // The first column of the first row of a query, if there is a row.
  std::optional<std::int64_t> QueryInt64(std::string_view sql);
  std::optional<std::string> QueryText(std::string_view sql);

  std::int64_t LastInsertRowId() const;
  // Rows changed by the last statement.
  int Changes() const;
  bool TableExists(std::string_view table);

  void SetBusyTimeout(std::chrono::milliseconds timeout);

  // Transactions by depth: Begin opens one level, Commit and Rollback end
  // the innermost. Committing the outermost level writes the data through
  // as the Sync option asks.
  void Begin();
  void Commit();
  void Rollback();
  int TransactionDepth() const { return m_depth; }

  // Writes a compacted copy of the whole database to a new file (which must
  // not exist); the open database is left as it was.
  void CompactInto(const std::string& destination);

  sqlite3* Handle() const { return m_db; }
  [[noreturn]] void Fail(int code, std::string_view sql = {}) const;

private:
  void Close() noexcept;

  sqlite3* m_db = nullptr;
  std::string m_path;
  int m_depth = 0;
};

// One level of transaction: rolled back when it is left without Commit
// (by an exception, say).
class PLATFORM_API Transaction {
public:
  explicit Transaction(Database& database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

private:
  Database& m_database;
  bool m_open = true;
};

// Runs work again while it fails because another connection holds a lock,
// up to attempts times in all, pausing a little longer each time; the last
// failure, or any other failure, is passed on. work should do its own
// transaction, so each attempt starts afresh.
template <typename Work>
auto RetryOnBusy(int attempts, Work&& work) -> decltype(work()) {
  for (int attempt = 1;; ++attempt) {
    try {
      return work();
    } catch (const DatabaseError& error) {
      if (!error.IsBusy() || attempt >= attempts)
        throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * attempt));
  }
}

}  // namespace Platform::Db

#endif
