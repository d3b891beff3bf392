#include "platform/db/database.h"

#include <sqlite3.h>
#include <strings.h>

#include <cctype>
#include <cstring>
#include <utility>

namespace Platform::Db {

DatabaseError::DatabaseError(int code, const std::string& text, std::string sql)
    : std::runtime_error(text), m_code(code), m_sql(std::move(sql)) {}

DatabaseError::~DatabaseError() = default;

bool DatabaseError::IsBusy() const { return Code() == SQLITE_BUSY || Code() == SQLITE_LOCKED; }

namespace {

bool OnlySeparators(const char* text) {
  for (; text && *text; ++text)
    if (!std::isspace(static_cast<unsigned char>(*text)) && *text != ';')
      return false;
  return true;
}

const char* SyncPragma(Sync sync) {
  switch (sync) {
    case Sync::Off:
      return "PRAGMA synchronous=OFF";
    case Sync::Normal:
      return "PRAGMA synchronous=NORMAL";
    case Sync::Full:
      break;
  }
  return "PRAGMA synchronous=FULL";
}

}  // namespace

// ---- Statement -------------------------------------------------------------

Statement::Statement(Database& database, std::string_view sql) : m_database(&database), m_sql(sql) {
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(database.Handle(), m_sql.data(), static_cast<int>(m_sql.size()), &m_statement, &tail);
  if (rc != SQLITE_OK)
    database.Fail(rc, m_sql);
  if (!m_statement)
    throw DatabaseError(SQLITE_MISUSE, "no statement in the text", m_sql);
  if (!OnlySeparators(tail)) {
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    throw DatabaseError(SQLITE_MISUSE, "more than one statement in the text", m_sql);
  }
}

Statement::~Statement() { sqlite3_finalize(m_statement); }

Statement::Statement(Statement&& other) noexcept
    : m_database(std::exchange(other.m_database, nullptr)),
      m_statement(std::exchange(other.m_statement, nullptr)),
      m_sql(std::move(other.m_sql)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(m_statement);
    m_database = std::exchange(other.m_database, nullptr);
    m_statement = std::exchange(other.m_statement, nullptr);
    m_sql = std::move(other.m_sql);
  }
  return *this;
}

void Statement::Fail(int code) const {
  if (!m_database)
    throw DatabaseError(SQLITE_MISUSE, "the statement was not prepared");
  // Read the text before the reset, which may replace it.
  std::string text = sqlite3_errmsg(m_database->Handle());
  sqlite3_reset(m_statement);
  throw DatabaseError(code, text, m_sql);
}

void Statement::Check(int code) const {
  if (!m_statement)
    throw DatabaseError(SQLITE_MISUSE, "the statement was not prepared");
  if (code != SQLITE_OK)
    Fail(code);
}

Statement& Statement::Bind(int index, std::int64_t value) {
  Check(m_statement ? sqlite3_bind_int64(m_statement, index, value) : SQLITE_MISUSE);
  return *this;
}

Statement& Statement::Bind(int index, double value) {
  Check(m_statement ? sqlite3_bind_double(m_statement, index, value) : SQLITE_MISUSE);
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  Check(m_statement ? sqlite3_bind_text64(m_statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8)
                    : SQLITE_MISUSE);
  return *this;
}

Statement& Statement::BindBlob(int index, const void* data, std::size_t size) {
  // A null pointer would bind NULL rather than an empty value.
  static const unsigned char empty = 0;
  Check(m_statement ? sqlite3_bind_blob64(m_statement, index, data ? data : &empty, size, SQLITE_TRANSIENT)
                    : SQLITE_MISUSE);
  return *this;
}

Statement& Statement::BindNull(int index) {
  Check(m_statement ? sqlite3_bind_null(m_statement, index) : SQLITE_MISUSE);
  return *this;
}

int Statement::ParameterIndex(const char* name) const {
  int index = m_statement ? sqlite3_bind_parameter_index(m_statement, name) : 0;
  if (index == 0)
    throw DatabaseError(SQLITE_RANGE, std::string("no parameter named ") + (name ? name : ""), m_sql);
  return index;
}

bool Statement::Step() {
  if (!m_statement)
    throw DatabaseError(SQLITE_MISUSE, "the statement was not prepared");
  int rc = sqlite3_step(m_statement);
  if (rc == SQLITE_ROW)
    return true;
  if (rc == SQLITE_DONE)
    return false;
  Fail(rc);
}

void Statement::Execute() {
  while (Step()) {
  }
  Reset();
}

void Statement::Reset() {
  if (m_statement)
    sqlite3_reset(m_statement);
}

void Statement::ClearBindings() {
  if (m_statement)
    sqlite3_clear_bindings(m_statement);
}

int Statement::ColumnCount() const { return m_statement ? sqlite3_column_count(m_statement) : 0; }

void Statement::CheckColumn(int column) const {
  if (column < 0 || column >= ColumnCount())
    throw DatabaseError(SQLITE_RANGE, "no column " + std::to_string(column), m_sql);
}

std::string Statement::ColumnName(int column) const {
  CheckColumn(column);
  const char* name = sqlite3_column_name(m_statement, column);
  return name ? name : "";
}

int Statement::ColumnIndex(std::string_view name) const {
  for (int column = 0; column < ColumnCount(); ++column) {
    const char* own = sqlite3_column_name(m_statement, column);
    if (own && std::string_view(own).size() == name.size() && strncasecmp(own, name.data(), name.size()) == 0)
      return column;
  }
  throw DatabaseError(SQLITE_RANGE, "no column named " + std::string(name), m_sql);
}

bool Statement::IsNull(int column) const {
  CheckColumn(column);
  return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

bool Statement::IsInteger(int column) const {
  CheckColumn(column);
  return sqlite3_column_type(m_statement, column) == SQLITE_INTEGER;
}

std::int64_t Statement::Int64(int column) const {
  CheckColumn(column);
  return sqlite3_column_int64(m_statement, column);
}

double Statement::Double(int column) const {
  CheckColumn(column);
  return sqlite3_column_double(m_statement, column);
}

std::string Statement::Text(int column) const {
  CheckColumn(column);
  const unsigned char* text = sqlite3_column_text(m_statement, column);
  int size = sqlite3_column_bytes(m_statement, column);
  return text ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size)) : std::string();
}

std::vector<unsigned char> Statement::Blob(int column) const {
  CheckColumn(column);
  const auto* data = static_cast<const unsigned char*>(sqlite3_column_blob(m_statement, column));
  int size = sqlite3_column_bytes(m_statement, column);
  return data ? std::vector<unsigned char>(data, data + size) : std::vector<unsigned char>();
}

// ---- Database --------------------------------------------------------------

Database::Database(const std::string& path, const OpenOptions& options) : m_path(path) {
  int flags = SQLITE_OPEN_FULLMUTEX;
  switch (options.mode) {
    case OpenMode::Existing:
      flags |= SQLITE_OPEN_READWRITE;
      break;
    case OpenMode::CreateIfMissing:
      flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
      break;
    case OpenMode::ReadOnly:
      flags |= SQLITE_OPEN_READONLY;
      break;
  }
  int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string text = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
    // What the system said, for a file that cannot be opened at all (a
    // directory that does not exist or cannot be written).
    if (int error = m_db ? sqlite3_system_errno(m_db) : 0; error != 0)
      text += std::string(" (") + std::strerror(error) + ")";
    Close();
    throw DatabaseError(rc, text + ": " + path);
  }
  try {
    sqlite3_extended_result_codes(m_db, 1);
    SetBusyTimeout(options.busyTimeout);
    // Reading the schema reads the header: a file that is not a database
    // fails here.
    Execute("SELECT count(*) FROM sqlite_schema");
    if (options.check)
      options.check(*this);
    if (options.mode != OpenMode::ReadOnly) {
      const char* wanted = options.journal == Journal::Wal ? "wal" : "delete";
      auto current = QueryText("PRAGMA journal_mode");
      if (!current || strcasecmp(current->c_str(), wanted) != 0) {
        auto now = QueryText(options.journal == Journal::Wal ? std::string_view("PRAGMA journal_mode=WAL")
                                                             : std::string_view("PRAGMA journal_mode=DELETE"));
        if (!now || strcasecmp(now->c_str(), wanted) != 0)
          throw DatabaseError(SQLITE_ERROR, "cannot switch the journal of " + path + " to " + wanted);
      }
    }
    Execute(SyncPragma(options.sync));
  } catch (...) {
    Close();
    throw;
  }
}

Database::~Database() { Close(); }

void Database::Close() noexcept {
  if (m_db) {
    if (m_depth > 0 && !sqlite3_get_autocommit(m_db))
      sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
  }
}

void Database::Fail(int code, std::string_view sql) const {
  throw DatabaseError(code, m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(code), std::string(sql));
}

void Database::Execute(std::string_view sql) {
  std::string text(sql);
  int rc = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK)
    Fail(rc, text);
}

std::optional<std::int64_t> Database::QueryInt64(std::string_view sql) {
  Statement statement(*this, sql);
  if (!statement.Step() || statement.IsNull(0))
    return std::nullopt;
  return statement.Int64(0);
}

std::optional<std::string> Database::QueryText(std::string_view sql) {
  Statement statement(*this, sql);
  if (!statement.Step() || statement.IsNull(0))
    return std::nullopt;
  return statement.Text(0);
}

std::int64_t Database::LastInsertRowId() const { return sqlite3_last_insert_rowid(m_db); }

int Database::Changes() const { return sqlite3_changes(m_db); }

bool Database::TableExists(std::string_view table) {
  Statement statement(*this, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
  statement.Bind(1, table);
  return statement.Step();
}

void Database::SetBusyTimeout(std::chrono::milliseconds timeout) {
  int rc = sqlite3_busy_timeout(m_db, static_cast<int>(timeout.count()));
  if (rc != SQLITE_OK)
    Fail(rc);
}

void Database::Begin() {
  // SQLite ends a transaction by itself after some failures (a full disk,
  // an I/O error); the depth follows it.
  if (m_depth > 0 && sqlite3_get_autocommit(m_db))
    m_depth = 0;
  if (m_depth == 0)
    Execute(sqlite3_db_readonly(m_db, "main") == 1 ? "BEGIN" : "BEGIN IMMEDIATE");
  else
    Execute("SAVEPOINT level" + std::to_string(m_depth + 1));
  ++m_depth;
}

void Database::Commit() {
  if (m_depth == 0)
    throw DatabaseError(SQLITE_MISUSE, "no transaction is open");
  if (sqlite3_get_autocommit(m_db)) {
    m_depth = 0;
    throw DatabaseError(SQLITE_ABORT, "the transaction was rolled back after an earlier failure");
  }
  // A failed COMMIT leaves the transaction open; the caller rolls it back.
  Execute(m_depth == 1 ? std::string("COMMIT") : "RELEASE level" + std::to_string(m_depth));
  --m_depth;
}

void Database::Rollback() {
  if (m_depth == 0)
    return;
  if (sqlite3_get_autocommit(m_db)) {
    m_depth = 0;
    return;
  }
  int level = m_depth--;
  if (level == 1) {
    Execute("ROLLBACK");
  } else {
    std::string name = "level" + std::to_string(level);
    Execute("ROLLBACK TO " + name + "; RELEASE " + name);
  }
}

void Database::CompactInto(const std::string& destination) {
  Statement statement(*this, "VACUUM INTO ?1");
  statement.Bind(1, destination);
  statement.Execute();
}

// ---- Transaction -----------------------------------------------------------

Transaction::Transaction(Database& database) : m_database(database) { m_database.Begin(); }

Transaction::~Transaction() {
  if (m_open) {
    try {
      m_database.Rollback();
    } catch (...) {
      // Leaving by an exception already; the connection ends the
      // transaction when it closes.
    }
  }
}

void Transaction::Commit() {
  m_database.Commit();
  m_open = false;
}

}  // namespace Platform::Db
