#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/db/database.h"
#include "tests/support/tempdir.h"

namespace {

using namespace Platform::Db;

class DatabaseTest : public ::testing::Test {
protected:
  DatabaseTest() {
    Database create(m_path, {OpenMode::CreateIfMissing});
    create.Execute("CREATE TABLE ModuleValues(ModuleID INTEGER, VariableName TEXT, \"Index\" INTEGER, Value TEXT)");
  }
  int Rows(Database& db) { return static_cast<int>(db.QueryInt64("SELECT count(*) FROM ModuleValues").value()); }
  void Insert(Database& db, const std::string& name) {
    db.Prepare("INSERT INTO ModuleValues VALUES (1, ?1, 0, 'v')").Bind(1, name).Execute();
  }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("working.db");
};

TEST_F(DatabaseTest, OpeningNeverMakesAFileAndRefusesOneThatIsNoDatabase) {
  EXPECT_THROW(Database(m_dir.Path("missing.db")), DatabaseError);
  EXPECT_FALSE(m_dir.Exists("missing.db"));
  m_dir.Write("text.db", "this is not a database file, just some text long enough");
  try {
    Database db(m_dir.Path("text.db"));
    FAIL() << "opened a text file";
  } catch (const DatabaseError& error) {
    EXPECT_STREQ(error.what(), "file is not a database");
  }
  Database readOnly(m_path, {OpenMode::ReadOnly});
  EXPECT_THROW(Insert(readOnly, "x"), DatabaseError);
}

TEST_F(DatabaseTest, StatementsBindTheirValuesAndFailuresCarryTheDatabasesText) {
  Database db(m_path);
  const std::string quoted = "it's \"quoted\"; DELETE FROM ModuleValues; --";
  Insert(db, quoted);
  Insert(db, "plain");
  Statement read = db.Prepare("SELECT VariableName, \"Index\", Value FROM ModuleValues WHERE VariableName = :name");
  read.Bind(":name", quoted);
  ASSERT_TRUE(read.Step());
  EXPECT_EQ(read.Text("variablename"), quoted);
  EXPECT_EQ(read.Int("Index"), 0);
  EXPECT_FALSE(read.Step());
  read.Reset();
  ASSERT_TRUE(read.Step()) << "a reset statement runs again with its bindings";
  EXPECT_EQ(Rows(db), 2);

  struct Case {
    const char* sql;
    const char* text;
  } cases[] = {
      {"SELEC 1", "near \"SELEC\": syntax error"},
      {"SELECT * FROM Missing", "no such table: Missing"},
      {"SELECT 1; SELECT 2", "more than one statement in the text"},
  };
  for (const Case& c : cases) {
    try {
      db.Prepare(c.sql);
      ADD_FAILURE() << c.sql;
    } catch (const DatabaseError& error) {
      EXPECT_EQ(error.what(), std::string(c.text));
      EXPECT_EQ(error.Sql(), c.sql);
    }
  }
  EXPECT_THROW(read.Text("NoSuchColumn"), DatabaseError);
  EXPECT_THROW(read.Bind(":other", 1), DatabaseError);
}

TEST_F(DatabaseTest, TransactionsNest) {
  Database db(m_path);
  db.Begin();
  Insert(db, "outer");
  {
    Transaction inner(db);
    Insert(db, "inner, rolled back");
    EXPECT_EQ(db.TransactionDepth(), 2);
  }
  db.Begin();
  Insert(db, "inner, kept");
  db.Commit();
  EXPECT_EQ(db.TransactionDepth(), 1);
  Database other(m_path, {OpenMode::Existing, Journal::Wal, Sync::Full, std::chrono::milliseconds(0)});
  EXPECT_EQ(Rows(other), 0) << "nothing is seen before the outermost commit";
  db.Commit();
  EXPECT_EQ(Rows(other), 2);
  EXPECT_THROW(db.Commit(), DatabaseError);
  db.Rollback();  // nothing open: nothing happens
  EXPECT_EQ(db.TransactionDepth(), 0);
}

TEST_F(DatabaseTest, ALockHeldElsewhereIsWaitedForOrRetried) {
  int expected = 0;
  for (Journal journal : {Journal::Wal, Journal::Rollback}) {
    SCOPED_TRACE(journal == Journal::Wal ? "wal" : "rollback journal");
    Database holder(m_path, {OpenMode::Existing, journal});
    EXPECT_EQ(holder.QueryText("PRAGMA journal_mode").value(), journal == Journal::Wal ? "wal" : "delete");
    Database waiter(m_path, {OpenMode::Existing, journal, Sync::Full, std::chrono::milliseconds(10)});
    holder.Begin();
    Insert(holder, "held");
    try {
      Transaction blocked(waiter);
      FAIL() << "took a lock that is held";
    } catch (const DatabaseError& error) {
      EXPECT_TRUE(error.IsBusy()) << error.what();
    }
    std::atomic<bool> released = false;
    std::thread release([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      holder.Commit();
      released = true;
    });
    RetryOnBusy(1000, [&] {
      Transaction transaction(waiter);
      Insert(waiter, "after");
      transaction.Commit();
    });
    release.join();
    EXPECT_TRUE(released);
    expected += 2;
    EXPECT_EQ(Rows(waiter), expected);
    EXPECT_THROW(RetryOnBusy(5, [&]() -> int { throw DatabaseError(1, "not a lock"); }), DatabaseError);
  }
}

// A writer killed at any moment leaves whole transactions only: each batch
// of rows is in the file completely or not at all.
TEST_F(DatabaseTest, AKilledWriterLeavesWholeTransactions) {
  for (Journal journal : {Journal::Wal, Journal::Rollback}) {
    SCOPED_TRACE(journal == Journal::Wal ? "wal" : "rollback journal");
    Database(m_path, {OpenMode::Existing, journal}).Execute("DELETE FROM ModuleValues");
    for (int run = 0; run < 8; ++run) {
      int committed[2];
      ASSERT_EQ(pipe(committed), 0);
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        Database db(m_path, {OpenMode::Existing, journal});
        for (int batch = 0;; ++batch) {
          Transaction transaction(db);
          Statement insert = db.Prepare("INSERT INTO ModuleValues VALUES (?1, 'v', ?2, 'x')");
          for (int row = 0; row < 100; ++row)
            insert.Bind(1, batch + 1000 * run).Bind(2, row).Execute();
          transaction.Commit();
          if (batch == 0 && write(committed[1], "c", 1) != 1)
            _exit(1);
        }
      }
      char signal = 0;
      close(committed[1]);
      ASSERT_EQ(read(committed[0], &signal, 1), 1);
      close(committed[0]);
      usleep(static_cast<useconds_t>(500 + 1500 * run));  // somewhere in a later transaction
      kill(child, SIGKILL);
      int status = 0;
      waitpid(child, &status, 0);
      Database db(m_path, {OpenMode::Existing, journal});
      EXPECT_EQ(db.QueryText("PRAGMA integrity_check").value(), "ok");
      EXPECT_FALSE(db.QueryInt64("SELECT 1 FROM (SELECT count(*) AS n FROM ModuleValues GROUP BY ModuleID) "
                                 "WHERE n <> 100"))
          << "a batch was cut";
      EXPECT_TRUE(db.QueryInt64("SELECT 1 FROM ModuleValues WHERE ModuleID = " + std::to_string(1000 * run)))
          << "the first commit was lost";
    }
  }
}

TEST_F(DatabaseTest, CompactingCopy) {
  Database db(m_path);
  for (int i = 0; i < 50; ++i)
    Insert(db, "value " + std::to_string(i));
  db.Execute("DELETE FROM ModuleValues WHERE rowid > 10");
  const std::string copy = m_dir.Path("copy.db");
  db.CompactInto(copy);
  Database copied(copy);
  EXPECT_EQ(Rows(copied), 10);
  EXPECT_THROW(db.CompactInto(copy), DatabaseError) << "an existing file is not overwritten";
  db.Begin();
  EXPECT_THROW(db.CompactInto(m_dir.Path("inside.db")), DatabaseError);
  db.Rollback();
}

}  // namespace
