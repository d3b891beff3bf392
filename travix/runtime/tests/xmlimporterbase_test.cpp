#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "formnames.h"
#include "tests/support/tempdir.h"
#include "travix.h"
#include "travixinput.h"
#include "travixsymbol.h"
#include "xmlimporterbase.h"

namespace {

using TestSupport::ReadFile;
using TestSupport::TempDir;

using XException = TX(XException);
using TextEntity = TX(TextEntity);

// Stands in for a generated importer: its Import reads the open document.
class Importer : public TX(XMLImporterBase) {
public:
  std::function<void(Importer&)> onImport = [](Importer& importer) { importer.ReadAll(); };
  std::string content;

  void ReadAll() {
    char buffer[1000];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, m_XMLFile)) > 0)
      content.append(buffer, got);
  }
  // As a generated scanner reads, in blocks of its buffer's size.
  void ScanAll() {
    std::vector<char> buffer(16384);
    long got;
    while ((got = TravixReadInput(m_XMLFile, buffer.data(), buffer.size())) > 0)
      content.append(buffer.data(), static_cast<std::size_t>(got));
  }

  std::FILE* Stream() { return GetCurrentXMLFileStream(); }
  using TX(XMLImporterBase)::InitSymbolTable;
  void SetRoot(TX(XObject) * root) { m_pXObjectRoot = root; }

protected:
  void Import() override { onImport(*this); }
};

std::string ImportFailure(Importer& importer, const std::string& file, bool mode = true) {
  try {
    importer.ImportFromFile(file, mode);
  } catch (const XException& e) {
    return e.GetMsg();
  }
  return "no exception";
}

int OpenDescriptors() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}

TEST(ImportFromFile, EmptyNameFailsBeforeAnythingIsStored) {
  Importer importer;
  EXPECT_EQ(ImportFailure(importer, "", false), "Error: ImportFromFile() called with an empty filename");
  EXPECT_EQ(importer.GetOriginalFileName(), "");
  EXPECT_TRUE(importer.GetPreprocessorMode());
}

TEST(ImportFromFile, MissingFilesAndDirectoriesCannotBeOpened) {
  TempDir dir;
  Importer importer;
  std::string missing = dir.Path("missing.xml");
  EXPECT_EQ(ImportFailure(importer, missing),
            "Error: ImportFromFile() could not open file '" + missing + "', Msg: 'No such file or directory'");
  EXPECT_EQ(importer.GetOriginalFileName(), missing);
  std::string directory = dir.Path();
  EXPECT_EQ(ImportFailure(importer, directory, false),
            "Error: ImportFromFile() could not open file '" + directory + "', Msg: 'Is a directory'");
  EXPECT_FALSE(importer.GetPreprocessorMode());
}

TEST(ImportFromFile, TheFileIsClosedOnEveryPath) {
  TempDir dir;
  std::string file = dir.Write("doc.xml", "<a/>");
  Importer importer;
  int before = OpenDescriptors();
  importer.ImportFromFile(file, true);
  EXPECT_EQ(importer.content, "<a/>");
  EXPECT_EQ(importer.Stream(), nullptr);
  importer.onImport = [](Importer&) { TRAVIX_THROW("Error: parse failed"); };
  EXPECT_EQ(ImportFailure(importer, file), "Error: parse failed");
  EXPECT_EQ(importer.Stream(), nullptr);
  EXPECT_EQ(OpenDescriptors(), before);
}

TEST(ImportFromFile, TheRootIsKeptUntilTheNextImport) {
  TempDir dir;
  std::string file = dir.Write("doc.xml", "<a/>");
  Importer importer;
  importer.onImport = [](Importer& self) { self.SetRoot(new TX(string)("root")); };
  importer.ImportFromFile(file, true);
  TX(XObject)* root = importer.GetXObject();
  ASSERT_NE(root, nullptr);
  Importer copy(importer);
  EXPECT_EQ(copy.GetXObject(), root);
  EXPECT_EQ(copy.GetOriginalFileName(), file);
  EXPECT_EQ(copy.Stream(), nullptr);
  TX(XMLImporterBase)::DeleteImportedXObject(root);
  TX(XMLImporterBase)::DeleteImportedXObject(nullptr);
}

// A document whose CR LF pairs fall on every side of the reading buffer's
// boundaries, with lone CRs that must stay.
std::string MixedLineEnds(std::string* folded) {
  std::string raw;
  folded->clear();
  for (int line = 0; raw.size() < 300000; ++line) {
    std::string text(static_cast<std::size_t>(line * 37 % 4099), 'x');
    raw += text;
    *folded += text;
    if (line % 5 == 4) {
      raw += "\r";
      *folded += "\r";
    } else {
      raw += "\r\n";
      *folded += "\n";
    }
  }
  raw += "\r";
  *folded += "\r";
  return raw;
}

TEST(ImportFromFile, CarriageReturnLineFeedReachesTheScannerAsLineFeed) {
  TempDir dir;
  std::string folded;
  std::string file = dir.Write("crlf.xml", MixedLineEnds(&folded));
  Importer importer;
  importer.ImportFromFile(file, true);
  EXPECT_EQ(importer.content.size(), folded.size());
  EXPECT_TRUE(importer.content == folded);

  importer.content.clear();
  importer.onImport = [](Importer& self) {
    int c;
    while ((c = std::fgetc(self.Stream())) != EOF)
      self.content += static_cast<char>(c);
  };
  importer.ImportFromFile(file, true);
  EXPECT_TRUE(importer.content == folded);

  // A CR as the last byte of the first read, whatever its size, before a
  // LF, before another byte and at the end of the file.
  importer.content.clear();
  for (std::size_t block = 4096; block <= 65536; block *= 2)
    for (const auto& [tail, expected] :
         {std::pair<std::string, std::string>{"\r\nz", "\nz"}, {"\rz", "\rz"}, {"\r", "\r"}}) {
      const std::string text(block - 1, 'y');
      importer.ImportFromFile(dir.Write("block.xml", text + tail), true);
      EXPECT_TRUE(importer.content == text + expected) << block << " " << tail.size();
      importer.content.clear();
    }

  std::string pairs = dir.Write("pairs.xml", "a\r\n\r\nb\r\r\nc");
  importer.content.clear();
  importer.ImportFromFile(pairs, true);
  EXPECT_EQ(importer.content, "a\n\nb\r\nc");
}

// A scanner reads the document past the stream's buffer, until the stream
// has read some of it itself; other streams it reads as fread does.
TEST(ImportFromFile, ScannersReadTheDocumentAsTheStreamWould) {
  TempDir dir;
  std::string folded;
  std::string file = dir.Write("crlf.xml", MixedLineEnds(&folded));
  Importer importer;
  long end = -1;
  importer.onImport = [&](Importer& self) {
    self.ScanAll();
    end = std::ftell(self.Stream());
  };
  importer.ImportFromFile(file, true);
  EXPECT_TRUE(importer.content == folded);
  EXPECT_EQ(end, static_cast<long>(folded.size()));

  importer.content.clear();
  importer.onImport = [](Importer& self) {
    char line[10];
    ASSERT_NE(std::fgets(line, sizeof line, self.Stream()), nullptr);
    self.content = line;
    self.ScanAll();
  };
  importer.ImportFromFile(file, true);
  EXPECT_TRUE(importer.content == folded);

  std::FILE* other = std::tmpfile();
  ASSERT_NE(other, nullptr);
  std::fputs("a\r\nb", other);
  std::rewind(other);
  char buffer[10];
  EXPECT_EQ(TravixReadInput(other, buffer, sizeof buffer), 4);
  EXPECT_EQ(std::string(buffer, 4), "a\r\nb");
  EXPECT_EQ(TravixReadInput(other, buffer, sizeof buffer), 0);
  std::fclose(other);
  std::FILE* writeOnly = std::fopen(dir.Path("out.txt").c_str(), "w");
  ASSERT_NE(writeOnly, nullptr);
  errno = 0;
  EXPECT_EQ(TravixReadInput(writeOnly, buffer, sizeof buffer), -1);
  EXPECT_EQ(errno, EBADF);
  std::fclose(writeOnly);
}

TEST(ImportFromFile, PositionCanBeReadAndRestoredAsScannersDo) {
  TempDir dir;
  std::string file = dir.Write("doc.xml", "<?xml version='1.0'?>\r\n<a>\r\n</a>\r\n");
  Importer importer;
  std::string firstLine;
  long afterLine = -1;
  importer.onImport = [&](Importer& self) {
    std::FILE* stream = self.Stream();
    long start = std::ftell(stream);
    ASSERT_EQ(start, 0);
    char line[100];
    ASSERT_NE(std::fgets(line, sizeof line, stream), nullptr);
    firstLine = line;
    afterLine = std::ftell(stream);
    ASSERT_EQ(std::fseek(stream, start, SEEK_SET), 0);
    self.ReadAll();
    ASSERT_EQ(std::fseek(stream, 23, SEEK_SET), 0);
    self.content += '|';
    self.ReadAll();
  };
  importer.ImportFromFile(file, true);
  EXPECT_EQ(firstLine, "<?xml version='1.0'?>\n");
  EXPECT_EQ(afterLine, 22);
  EXPECT_EQ(importer.content, "<?xml version='1.0'?>\n<a>\n</a>\n|a>\n</a>\n");
}

class ImporterSymbolTable : public ::testing::Test {
protected:
  void SetUp() override {
    SymbolResolveEntities(1);
    SymbolResetTable();
  }
  static std::string ValueOf(const char* name) {
    int row = SymbolLookup(name);
    const char* value = row ? SymbolGetAssociatedVal(row) : nullptr;
    return value ? value : "<undefined>";
  }
  static std::string Stored(const char* text) {
    int row = SymbolInsert(text, 0);
    return row > 0 ? SymbolGetEntry(row) : SymbolGetLastError();
  }
  Importer importer;
};

TEST_F(ImporterSymbolTable, WithoutPreprocessingTheTableStaysEmpty) {
  TempDir dir;
  TextEntity entities[] = {{"copy", "(c)"}, {nullptr, nullptr}};
  importer.onImport = [&](Importer& self) { self.InitSymbolTable(entities); };
  SymbolInsert("left over", 0);
  importer.ImportFromFile(dir.Write("doc.xml", ""), false);
  EXPECT_EQ(SymbolGetCount(), 0);
  EXPECT_EQ(Stored("&lt;"), "&lt;");
}

TEST_F(ImporterSymbolTable, PredefinedEntitiesOnly) {
  importer.InitSymbolTable();
  EXPECT_EQ(SymbolGetCount(), 10);
  EXPECT_EQ(ValueOf("lt"), "<");
  EXPECT_EQ(ValueOf("gt"), ">");
  EXPECT_EQ(ValueOf("apos"), "'");
  EXPECT_EQ(ValueOf("quot"), "\"");
  EXPECT_EQ(ValueOf("amp"), "&");
  EXPECT_EQ(Stored("a&amp;b&lt;"), "a&b<");
}

TEST_F(ImporterSymbolTable, DocumentEntitiesComeFirstAndMayUseEarlierOnes) {
  TextEntity entities[] = {{"copy", "(c)"}, {"notice", "&copy; 2024"}, {"lt", "LT"},
                           {nullptr, "ignored"}, {"after", "end"}};
  importer.InitSymbolTable(entities);
  EXPECT_EQ(ValueOf("notice"), "(c) 2024");
  EXPECT_EQ(ValueOf("lt"), "LT");
  EXPECT_EQ(ValueOf("after"), "<undefined>");
  EXPECT_EQ(ValueOf("gt"), ">");
  EXPECT_EQ(Stored("&notice;"), "(c) 2024");
}

// A value is expanded as its entity is used: it may name an entity of a
// later row. Before, "&later;" was kept in the value as it stood.
TEST_F(ImporterSymbolTable, ValuesMayUseEntitiesOfLaterRows) {
  TextEntity entities[] = {{"early", "x &later; y"}, {"outer", "[&early;]"}, {"later", "L&pre;"},
                           {"pre", "P"}, {nullptr, nullptr}};
  importer.InitSymbolTable(entities);
  EXPECT_EQ(ValueOf("early"), "x LP y");
  EXPECT_EQ(ValueOf("outer"), "[x LP y]");
  EXPECT_EQ(Stored("&outer;"), "[x LP y]");
}

TEST_F(ImporterSymbolTable, ValuesThatCannotBeExpandedAreStoredAsTheyStand) {
  TextEntity entities[] = {{"amp", "&"}, {"broken", "a &undefined; b"}, {nullptr, nullptr}};
  importer.InitSymbolTable(entities);
  EXPECT_EQ(ValueOf("amp"), "&");
  EXPECT_EQ(ValueOf("broken"), "a &undefined; b");
  EXPECT_EQ(Stored("x&amp;y"), "x&y");
}

TEST_F(ImporterSymbolTable, AFullTableThrowsItsMessage) {
  std::vector<std::string> names;
  std::vector<TextEntity> entities;
  for (int i = 0; i < TRAVIX_SYMBOL_ROWS / 2; ++i)
    names.push_back("e" + std::to_string(i));
  for (const std::string& name : names)
    entities.push_back({name.c_str(), "v"});
  entities.push_back({nullptr, nullptr});
  try {
    importer.InitSymbolTable(entities.data());
    FAIL() << "no exception";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Lexemes array full\n");
  }
}

} // namespace
