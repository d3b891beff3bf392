#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/workingdatabase.h"

namespace {

using namespace Vorn;
using namespace std::chrono_literals;

// What the sqlite3 tool prints for a query on the file: rows as lines,
// columns joined by '|'.
std::string RawRows(const TestSupport::TempDir& dir, const std::string& file, const std::string& query) {
  std::string script = dir.Write("query.sql", query + ";\n");
  std::string out = dir.Path("query.out");
  std::string command = "sqlite3 -batch '" + file + "' < '" + script + "' > '" + out + "' 2>&1";
  if (std::system(command.c_str()) != 0)
    return "sqlite3 failed: " + dir.Read("query.out");
  return dir.Read("query.out");
}

class WorkingDatabaseTest : public ::testing::Test {
protected:
  WorkingDatabaseTest() {
    WorkingDatabase::CreateEmptyWorkingFile(m_path);
    m_db = WorkingDatabase::Open(m_path);
  }
  std::string Raw(const std::string& query) { return RawRows(m_dir, m_path, query); }

  TestSupport::TempDir m_dir;
  std::string m_path = m_dir.Path("model.vrn");
  MessageBoxRecorder m_messages;
  std::unique_ptr<WorkingDatabase> m_db;
};

TEST(ValueTextTest, NumbersHaveTheirStoredFormsAndAnyTextReadsBackWithoutLooping) {
  const float pair[] = {1.0f, 2.5f};
  EXPECT_EQ(ValueText::FloatArray(pair, 2), "1.000000 2.500000 ");
  EXPECT_EQ(ValueText::FloatArray(pair, 0), "");
  EXPECT_EQ(ValueText::Float(-0.25), "-0.250000");
  EXPECT_EQ(ValueText::Float(1e10), "10000000000.000000");

  struct Case {
    const char* text;
    std::vector<float> floats;
  } cases[] = {
      {"1.000000 2.500000 ", {1.0f, 2.5f}},
      {"3", {3.0f}},               // no space after the last number
      {" 4  5", {4.0f, 5.0f}},     // leading and doubled spaces
      {"x 6abc -7e1", {0.0f, 6.0f, -70.0f}},  // as atof: the number in front, else 0
      {"", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ValueText::ToFloats(c.text), c.floats) << c.text;

  EXPECT_EQ(ValueText::ToInt(2.9f), 2);
  EXPECT_EQ(ValueText::ToInt(-2.9f), -2);
  EXPECT_EQ(ValueText::ToInt(1e20f), 2147483647);
  EXPECT_EQ(ValueText::ToInt(std::nanf("")), 0);
  EXPECT_EQ(ValueText::ToDouble("  +1.5e3x"), 1500.0);
  EXPECT_EQ(ValueText::ToDouble("1e999"), HUGE_VAL);
}

TEST(WorkingFileTest, OpeningNeverMakesAFileAndChecksTheThreeTables) {
  TestSupport::TempDir dir;
  MessageBoxRecorder messages;
  EXPECT_EQ(WorkingDatabase::Open(dir.Path("missing.vrn")), nullptr);
  EXPECT_FALSE(dir.Exists("missing.vrn"));

  // A database that lacks a table, or a column of one, is no working file,
  // and it is refused as it was found (here with its write-ahead log).
  struct Case {
    const char* schema;
    const char* missing;
  } cases[] = {
      {"CREATE TABLE Modules (ID, Type, Name, Processor); CREATE TABLE ModuleValues (ModuleID, VariableName, "
       "\"Index\", Value);",
       "no such table: Connections"},
      {"CREATE TABLE Modules (ID, Type, Name); CREATE TABLE ModuleValues (ModuleID, VariableName, \"Index\", Value);"
       "CREATE TABLE Connections (SrcModule, SrcOutput, DestModule, DestInput);",
       "no such column: Processor"},
  };
  for (const Case& c : cases) {
    std::string path = dir.Path("other.vrn");
    std::remove(path.c_str());
    Platform::Db::Database(path, {Platform::Db::OpenMode::CreateIfMissing}).Execute(c.schema);
    const std::string before = dir.Read("other.vrn");
    EXPECT_EQ(WorkingDatabase::Open(path), nullptr) << c.missing;
    EXPECT_TRUE(dir.Read("other.vrn") == before) << "left as it was: " << c.missing;
    EXPECT_EQ(messages.Texts().back(), std::string("Couldn't open database--Exception: ") + c.missing);
  }

  std::string made = dir.Path("made.vrn");
  WorkingDatabase::CreateEmptyWorkingFile(made);
  EXPECT_NE(WorkingDatabase::Open(made), nullptr);
  EXPECT_THROW(WorkingDatabase::CreateEmptyWorkingFile(made), Platform::Db::DatabaseError) << "never overwritten";
  EXPECT_EQ(RawRows(dir, made, "SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name"),
            "Connections\nModuleValues\nModules\n");
}

TEST_F(WorkingDatabaseTest, SingleValuesKeepOneRowPerNameWithAnyCharactersInIt) {
  const std::string quoted = "it's \"odd\"; DELETE FROM ModuleValues; --";
  EXPECT_EQ(m_db->SaveStringValue(1, quoted, "first"), S_OK);
  EXPECT_EQ(m_db->SaveStringValue(1, quoted, "second"), S_OK);
  EXPECT_EQ(m_db->SaveStringValue(1, "Gain", "a"), S_OK);
  EXPECT_EQ(m_db->SaveStringValue(1, "GAIN", "b"), S_OK) << "names compare without regard to case";
  EXPECT_EQ(m_db->SaveFloatValue(2, "Level", 0.5f), S_OK);
  EXPECT_EQ(Raw("SELECT ModuleID, VariableName, \"Index\", Value FROM ModuleValues ORDER BY rowid"),
            "1|" + quoted + "|0|second\n1|Gain|0|b\n2|Level|0|0.500000\n");

  std::string text = "stale";
  float number = 9.0f;
  EXPECT_EQ(m_db->LoadStringValue(1, quoted, text), S_OK);
  EXPECT_EQ(text, "second");
  EXPECT_EQ(m_db->LoadStringValue(7, "none", text), S_OK);
  EXPECT_EQ(text, "");
  EXPECT_EQ(m_db->LoadFloatValue(2, "level", number), S_OK);
  EXPECT_EQ(number, 0.5f);
  EXPECT_EQ(m_db->LoadFloatValue(2, "none", number), S_OK);
  EXPECT_EQ(number, 0.0f);
  EXPECT_TRUE(m_messages.Texts().empty());
}

TEST_F(WorkingDatabaseTest, ArraysKeepTheirTextFormsAndRows) {
  const float values[] = {1.0f, 2.5f};
  ASSERT_EQ(m_db->SaveFloatArray(3, "Curve", values, 2), S_OK);
  const float row1[] = {-4.0f};
  ASSERT_EQ(m_db->SaveFloatArray2D(3, "Curve", 1, row1, 1), S_OK);
  const int ints[] = {7, -8, 9};
  ASSERT_EQ(m_db->SaveIntArray(3, "Taps", ints, 3), S_OK);
  ASSERT_EQ(m_db->SaveStringArray(3, "Labels", {"a", "b", "c"}), S_OK);
  ASSERT_EQ(m_db->SaveStringArray(3, "Labels", {"only"}), S_OK);
  EXPECT_EQ(Raw("SELECT VariableName, \"Index\", Value FROM ModuleValues ORDER BY rowid"),
            "Curve|0|1.000000 2.500000 \nCurve|1|-4.000000 \nTaps|0|7.000000 -8.000000 9.000000 \nLabels|0|only\n");

  float got[4] = {};
  int count = -1;
  EXPECT_EQ(m_db->LoadFloatArray2D(3, "Curve", 0, 1, got, count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(got[0], 1.0f);
  EXPECT_EQ(m_db->LoadFloatArray2D(3, "Curve", 1, 4, got, count), S_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(got[0], -4.0f);
  EXPECT_EQ(m_db->LoadFloatArray2D(3, "Curve", 2, 4, got, count), S_OK);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(m_db->GetFloatArraySize(3, "Curve", count), S_OK);
  EXPECT_EQ(count, 2);

  // Integers read back truncated toward zero from whatever is stored.
  const float fractions[] = {2.9f, -2.9f};
  ASSERT_EQ(m_db->SaveFloatArray(3, "Frac", fractions, 2), S_OK);
  int back[4] = {};
  EXPECT_EQ(m_db->LoadIntArray(3, "Frac", 4, back, count), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(back[0], 2);
  EXPECT_EQ(back[1], -2);
  EXPECT_EQ(m_db->GetIntArraySize(3, "Taps", count), S_OK);
  EXPECT_EQ(count, 3);

  // Every integer comes back as it was, however large, by either load.
  const int wide[] = {16777217, -16777219, 2147483647, -2147483647 - 1};
  ASSERT_EQ(m_db->SaveIntArray(3, "Wide", wide, 4), S_OK);
  EXPECT_EQ(Raw("SELECT Value FROM ModuleValues WHERE VariableName = 'Wide'"),
            "16777217.000000 -16777219.000000 2147483647.000000 -2147483648.000000 \n");
  EXPECT_EQ(m_db->LoadIntArray(3, "Wide", 4, back, count), S_OK);
  EXPECT_EQ(std::vector<int>(back, back + count), std::vector<int>(wide, wide + 4));
  VARIANT exact;
  ASSERT_EQ(m_db->LoadIntArrayVar(3, "Wide", &exact), S_OK);
  const LONG* elements = static_cast<const LONG*>(V_ARRAY(&exact)->pvData);
  EXPECT_EQ(std::vector<int>(elements, elements + V_ARRAY(&exact)->rgsabound[0].cElements),
            std::vector<int>(wide, wide + 4));
  VariantClear(&exact);

  std::vector<std::string> strings;
  ASSERT_EQ(m_db->SaveStringArray(3, "Labels", {"x", "y", "z"}), S_OK);
  EXPECT_EQ(m_db->LoadStringArray(3, "Labels", 2, strings), S_OK);
  EXPECT_EQ(strings, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(m_db->GetStringArraySize(3, "labels", count), S_OK);
  EXPECT_EQ(count, 3);
}

TEST_F(WorkingDatabaseTest, ArraysCrossAsVariantsOfOneDimensionAndTheirElementType) {
  SAFEARRAY* floats = SafeArrayCreateVector(VT_R4, 0, 2);
  static_cast<float*>(floats->pvData)[0] = 1.5f;
  static_cast<float*>(floats->pvData)[1] = -2.0f;
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_ARRAY | VT_R4;
  V_ARRAY(&value) = floats;
  EXPECT_EQ(m_db->SaveArrayVar(4, "F", &value), S_OK);
  VariantClear(&value);

  SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 0, 2);
  static_cast<BSTR*>(strings->pvData)[0] = Platform::AllocBstr("one");
  static_cast<BSTR*>(strings->pvData)[1] = Platform::AllocBstr("two");
  V_VT(&value) = VT_ARRAY | VT_BSTR;
  V_ARRAY(&value) = strings;
  EXPECT_EQ(m_db->SaveArrayVar(4, "S", &value), S_OK);
  VariantClear(&value);

  // Anything else is refused and writes nothing.
  SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
  VARIANT square, ints, scalar;
  VariantInit(&square);
  VariantInit(&ints);
  VariantInit(&scalar);
  V_VT(&square) = VT_ARRAY | VT_R4;
  V_ARRAY(&square) = SafeArrayCreate(VT_R4, 2, bounds);
  V_VT(&ints) = VT_ARRAY | VT_I4;
  V_ARRAY(&ints) = SafeArrayCreateVector(VT_I4, 0, 2);
  V_VT(&scalar) = VT_R4;
  for (VARIANT* refused : {&square, &ints, &scalar, static_cast<VARIANT*>(nullptr)})
    EXPECT_EQ(m_db->SaveArrayVar(4, "Refused", refused), E_INVALIDARG);
  VariantClear(&square);
  VariantClear(&ints);
  EXPECT_EQ(Raw("SELECT VariableName, \"Index\", Value FROM ModuleValues ORDER BY rowid"),
            "F|0|1.500000 -2.000000 \nS|0|one\nS|1|two\n");

  VARIANT got;
  ASSERT_EQ(m_db->LoadFloatArrayVar(4, "F", &got), S_OK);
  ASSERT_EQ(V_VT(&got), VT_ARRAY | VT_R4);
  ASSERT_EQ(V_ARRAY(&got)->rgsabound[0].cElements, 2u);
  EXPECT_EQ(static_cast<float*>(V_ARRAY(&got)->pvData)[1], -2.0f);
  VariantClear(&got);
  ASSERT_EQ(m_db->LoadIntArrayVar(4, "F", &got), S_OK);
  ASSERT_EQ(V_VT(&got), VT_ARRAY | VT_I4);
  EXPECT_EQ(static_cast<LONG*>(V_ARRAY(&got)->pvData)[0], 1);
  VariantClear(&got);
  ASSERT_EQ(m_db->LoadStringArrayVar(4, "S", &got), S_OK);
  ASSERT_EQ(V_VT(&got), VT_ARRAY | VT_BSTR);
  EXPECT_EQ(Platform::BstrToUtf8(static_cast<BSTR*>(V_ARRAY(&got)->pvData)[1]), "two");
  VariantClear(&got);
  ASSERT_EQ(m_db->LoadFloatArrayVar(4, "none", &got), S_OK) << "no row is an empty array";
  EXPECT_EQ(V_ARRAY(&got)->rgsabound[0].cElements, 0u);
  VariantClear(&got);
  EXPECT_EQ(m_db->LoadStringArrayVar(4, "S", nullptr), E_POINTER);
}

TEST_F(WorkingDatabaseTest, ModuleRowsProcessorsAndDeletion) {
  ASSERT_EQ(m_db->SaveModuleParams({9, "Gain", "g9", "B"}), S_OK);
  ASSERT_EQ(m_db->SaveModuleParams({0, "Mic", "m0", "A"}), S_OK);
  ASSERT_EQ(m_db->SaveModuleParams({5, "Gain", "old", "a"}), S_OK);
  ASSERT_EQ(m_db->SaveModuleParams({5, "Gain", "g5", "a"}), S_OK) << "edited, not added";
  std::vector<ModuleRow> rows;
  ASSERT_EQ(m_db->ReadModules(-1, rows), S_OK);
  EXPECT_EQ(rows, (std::vector<ModuleRow>{{0, "Mic", "m0", "A"}, {5, "Gain", "g5", "a"}, {9, "Gain", "g9", "B"}}));
  std::optional<ModuleRow> row;
  ASSERT_EQ(m_db->LoadModuleParams(5, row), S_OK);
  EXPECT_EQ(row->name, "g5");
  ASSERT_EQ(m_db->LoadModuleParams(6, row), S_OK);
  EXPECT_FALSE(row.has_value());

  std::string servers;
  ASSERT_EQ(m_db->GetServers(servers), S_OK);
  EXPECT_EQ(servers, "A B ") << "processors compare without regard to case";
  ASSERT_EQ(m_db->ChangeModuleServer("A", "C"), S_OK);
  EXPECT_EQ(Raw("SELECT ID, Processor FROM Modules ORDER BY ID"), "0|C\n5|C\n9|B\n");
  ASSERT_EQ(m_db->ChangeModuleServer("<All>", "D"), S_OK);
  EXPECT_EQ(Raw("SELECT DISTINCT Processor FROM Modules"), "D\n");

  for (int id : {0, 5, 9})
    m_db->SaveStringValue(id, "v", "x");
  ASSERT_EQ(m_db->SaveConnections(0, {{0, "out", 5, "in"}, {0, "out", 9, "in"}}), S_OK);
  ASSERT_EQ(m_db->SaveConnections(9, {{9, "out", 0, "in"}}), S_OK);
  ASSERT_EQ(m_db->DeleteModuleRows(5), S_OK);
  EXPECT_EQ(Raw("SELECT ID FROM Modules ORDER BY ID; SELECT ModuleID FROM ModuleValues ORDER BY ModuleID;"
                "SELECT SrcModule, DestModule FROM Connections ORDER BY rowid"),
            "0\n9\n0\n9\n0|9\n9|0\n");
  ASSERT_EQ(m_db->DeleteModuleRows(-1), S_OK);
  EXPECT_EQ(Raw("SELECT count(*) FROM Modules; SELECT count(*) FROM ModuleValues; SELECT count(*) FROM Connections"),
            "0\n0\n0\n");
  ASSERT_EQ(m_db->GetServers(servers), S_OK);
  EXPECT_EQ(servers, " ");
}

TEST_F(WorkingDatabaseTest, ConnectionsAndModuleDataComeBackInTheOrderWritten) {
  // A connection into another machine is not a row of this file.
  ASSERT_EQ(m_db->SaveConnections(2, {{2, "b", 4, "x"}, {2, "a", -1, "remote"}, {2, "a", 3, "y"}}), S_OK);
  std::vector<ConnectionRow> connections;
  ASSERT_EQ(m_db->LoadConnections(2, connections), S_OK);
  EXPECT_EQ(connections, (std::vector<ConnectionRow>{{2, "b", 4, "x"}, {2, "a", 3, "y"}}));
  ASSERT_EQ(m_db->DeleteConnection({2, "B", 4, "X"}), S_OK);
  ASSERT_EQ(m_db->LoadConnections(2, connections), S_OK);
  EXPECT_EQ(connections, (std::vector<ConnectionRow>{{2, "a", 3, "y"}}));

  for (const char* name : {"X", "zeta", "Color", "x2", "DisplayStyle", "alpha"})
    m_db->SaveStringValue(2, name, std::string("v") + name);
  std::vector<std::pair<std::string, std::string>> data;
  ASSERT_EQ(m_db->GetModuleData(2, data), S_OK);
  EXPECT_EQ(data, (std::vector<std::pair<std::string, std::string>>{
                      {"zeta", "vzeta"}, {"x2", "vx2"}, {"alpha", "valpha"}}));
}

TEST_F(WorkingDatabaseTest, AFailedReplacementKeepsTheRowsItFoundAndSaysSo) {
  ASSERT_EQ(m_db->SaveStringArray(1, "L", {"keep1", "keep2"}), S_OK);
  ASSERT_EQ(m_db->SaveConnections(1, {{1, "o", 2, "i"}}), S_OK);
  // The file refuses one of the new rows half-way through each save.
  m_db->Handle().Execute(
      "CREATE TRIGGER refuse BEFORE INSERT ON ModuleValues WHEN NEW.Value = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); "
      "END; CREATE TRIGGER refuse2 BEFORE INSERT ON Connections WHEN NEW.DestInput = 'bad' BEGIN "
      "SELECT RAISE(ABORT, 'refused'); END;");
  EXPECT_EQ(m_db->SaveStringArray(1, "L", {"new", "bad"}), E_FAIL);
  EXPECT_EQ(m_db->SaveConnections(1, {{1, "o", 3, "i"}, {1, "o", 4, "bad"}}), E_FAIL);
  EXPECT_EQ(m_db->SaveStringValue(1, "S", "bad"), E_FAIL);
  EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Couldn't save array--Exception: refused",
                                                          "Couldn't save connections--Exception: refused",
                                                          "Couldn't save value--Exception: refused"}));
  EXPECT_EQ(Raw("SELECT Value FROM ModuleValues ORDER BY rowid; SELECT DestModule FROM Connections"),
            "keep1\nkeep2\n2\n");
}

TEST_F(WorkingDatabaseTest, AWriteWaitsForAnotherConnectionsLockAndFailsOnlyAfterItsAttempts) {
  Platform::Db::OpenOptions options;
  options.journal = Platform::Db::Journal::Rollback;
  Platform::Db::Database other(m_path, options);

  // Held throughout: every attempt fails, the save says so and writes nothing.
  auto impatient = WorkingDatabase::Open(m_path, 1ms);
  other.Begin();
  EXPECT_EQ(impatient->SaveStringValue(1, "v", "lost"), E_FAIL);
  ASSERT_EQ(m_messages.Texts().size(), 1u);
  EXPECT_EQ(m_messages.Texts()[0], "Couldn't save value--Exception: database is locked");
  other.Commit();
  EXPECT_EQ(Raw("SELECT count(*) FROM ModuleValues"), "0\n");

  // Released while the save waits: it succeeds.
  other.Begin();
  std::thread release([&] {
    std::this_thread::sleep_for(50ms);
    other.Commit();
  });
  EXPECT_EQ(m_db->SaveStringValue(1, "v", "kept"), S_OK);
  release.join();
  EXPECT_EQ(Raw("SELECT Value FROM ModuleValues"), "kept\n");
}

TEST_F(WorkingDatabaseTest, TransactionsNestAndCopiesAreCompactedIntoNewFiles) {
  EXPECT_EQ(m_db->CommitTransaction(), E_FAIL) << "nothing to commit";
  ASSERT_EQ(m_db->BeginTransaction(), S_OK);
  ASSERT_EQ(m_db->BeginTransaction(), S_OK);
  m_db->SaveStringValue(1, "v", "inner");
  ASSERT_EQ(m_db->CommitTransaction(), S_OK);
  EXPECT_EQ(Raw("SELECT count(*) FROM ModuleValues"), "0\n") << "not visible before the outermost commit";
  ASSERT_EQ(m_db->CommitTransaction(), S_OK);
  EXPECT_EQ(Raw("SELECT Value FROM ModuleValues"), "inner\n");

  std::string copy = m_dir.Path("copy.vrn");
  EXPECT_EQ(WorkingDatabase::CopyDatabase(m_path, copy), S_OK);
  EXPECT_EQ(RawRows(m_dir, copy, "SELECT Value FROM ModuleValues"), "inner\n");
  EXPECT_EQ(WorkingDatabase::CopyDatabase(m_path, copy), E_FAIL) << "an existing file is never replaced";
  EXPECT_EQ(WorkingDatabase::CopyDatabase(m_dir.Path("missing.vrn"), m_dir.Path("c2.vrn")), E_FAIL);
  EXPECT_FALSE(m_dir.Exists("missing.vrn"));
  ASSERT_EQ(m_messages.Texts().size(), 2u);
  EXPECT_EQ(m_messages.Texts()[0].rfind("Couldn't copy database--Exception: ", 0), 0u);
}

// A save of a whole model in one transaction, killed at any moment, leaves
// either the model before it or the one after it.
TEST_F(WorkingDatabaseTest, AKilledSaveLeavesTheOldOrTheNewModel) {
  constexpr int kModules = 60;
  constexpr int kValues = 8;
  auto saveModel = [&](WorkingDatabase& db, int generation) {
    db.BeginTransaction();
    std::string text = std::to_string(generation);
    for (int id = 0; id < kModules; ++id) {
      db.SaveModuleParams({id, "Gain", "m" + text, ""});
      for (int v = 0; v < kValues; ++v)
        db.SaveStringValue(id, "v" + std::to_string(v), text);
      db.SaveConnections(id, {{id, "out", (id + 1) % kModules, "in"}});
    }
    db.CommitTransaction();
  };
  saveModel(*m_db, 0);
  m_db.reset();

  std::mt19937 random(20261209);
  int latest = 0;
  for (int run = 0; run < 50; ++run) {
    // The child tells of each save it committed; every other run is killed
    // only after the first one, so that kills fall in later saves too,
    // however long a save takes on this machine.
    int committed[2];
    ASSERT_EQ(pipe(committed), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(committed[0]);
      auto db = WorkingDatabase::Open(m_path);
      for (int generation = 1;; ++generation) {
        saveModel(*db, generation);
        if (write(committed[1], "x", 1) != 1)
          _exit(1);
      }
    }
    close(committed[1]);
    char note;
    if (run % 2 == 1) {
      ASSERT_EQ(read(committed[0], &note, 1), 1);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(committed[0]);

    auto db = WorkingDatabase::Open(m_path);
    ASSERT_NE(db, nullptr) << "run " << run;
    EXPECT_EQ(Raw("SELECT count(*), count(DISTINCT Name) FROM Modules; "
                  "SELECT count(*), count(DISTINCT Value) FROM ModuleValues; SELECT count(*) FROM Connections; "
                  "SELECT count(*) FROM Modules m JOIN ModuleValues v ON v.ModuleID = m.ID "
                  "WHERE m.Name <> 'm' || v.Value"),
              std::to_string(kModules) + "|1\n" + std::to_string(kModules * kValues) + "|1\n" +
                  std::to_string(kModules) + "\n0\n")
        << "run " << run;
    latest = std::max(latest, std::stoi(Raw("SELECT Value FROM ModuleValues LIMIT 1")));
  }
  EXPECT_GT(latest, 0) << "no save was ever committed before the kill";
}

}  // namespace
