// xml-core's catalog.dtd (OASIS XML catalogs) through travix, and the
// catalogs installed on this machine read by the importer generated from
// it. The DTD builds its element names from parameter entities and fixes
// the xmlns attribute of the root.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#if defined(E2E_XMLCATALOG_DTD)
#include "xmlcatalog.h"
#include "xmlcatalog_xmlimporter.h"

#include "documents.h"
#include "imports.h"
#include "reference.h"
#include "tests/support/tempdir.h"
#endif

namespace {

#if !defined(E2E_XMLCATALOG_DTD)

TEST(XmlCatalog, NeedsTheDtd) {
  GTEST_SKIP() << "skipped: " << E2E_MISSING << " is not installed (scripts/bootstrap installs it)";
}

#else

using namespace E2E;
using TestSupport::TempDir;
using Catalog = XMLCATALOG_NAMESPACE(catalog);
using Importer = XMLCATALOG_NAMESPACE(XMLImporter);

struct InstalledCatalog {
  const char* name;
  const char* path;
};

// Catalogs of the DTD's own package, of DocBook, and the machine's own.
const InstalledCatalog kCatalogs[] = {
    {"XmlCore", "/usr/share/xml/schema/xml-core/catalog.xml"},
    {"DocBook", "/usr/share/xml/docbook/schema/dtd/catalog.xml"},
    {"System", "/etc/xml/catalog"},
};

class XmlCatalog : public ::testing::TestWithParam<InstalledCatalog> {
protected:
  static void SetUpTestSuite() { XMLCATALOG_NAMESPACE(Initialize)(); }
  void SetUp() override {
    if (!std::filesystem::exists(Path())) GTEST_SKIP() << "skipped: " << Path() << " is not installed";
  }
  static std::string Path() { return GetParam().path; }
  TempDir scratch;
};

TEST_P(XmlCatalog, EntriesReadAsAnXmlParserReadsThem) {
  const ReferenceElement reference = ReadReference(Path());
  std::string error;
  std::unique_ptr<Catalog> catalog = ImportAs<Catalog, Importer>(Path(), error);
  ASSERT_TRUE(catalog) << error;
  EXPECT_EQ(Text(catalog->Get_xmlns()), "urn:oasis:names:tc:entity:xmlns:xml:catalog");

  ASSERT_EQ(catalog->Get_catalogChoiceList().size(), reference.children.size());
  std::size_t i = 0;
  std::map<std::string, int> counted;
  for (auto* choice : catalog->Get_catalogChoiceList()) {
    const ReferenceElement& expected = reference.children[i++];
    TX(XObject)* entry = choice->GetChoice();
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->GetTag(), expected.name);
    ++counted[entry->GetTag()];
    SCOPED_TRACE(expected.name + " " + std::to_string(i));
    if (auto* item = dynamic_cast<XMLCATALOG_NAMESPACE(public_)*>(entry)) {
      EXPECT_EQ(Text(item->Get_publicId()), expected.Attribute("publicId"));
      EXPECT_EQ(Text(item->Get_uri()), expected.Attribute("uri"));
    } else if (auto* item = dynamic_cast<XMLCATALOG_NAMESPACE(system)*>(entry)) {
      EXPECT_EQ(Text(item->Get_systemId()), expected.Attribute("systemId"));
      EXPECT_EQ(Text(item->Get_uri()), expected.Attribute("uri"));
    } else if (auto* item = dynamic_cast<XMLCATALOG_NAMESPACE(delegatePublic)*>(entry)) {
      EXPECT_EQ(Text(item->Get_publicIdStartString()), expected.Attribute("publicIdStartString"));
      EXPECT_EQ(Text(item->Get_catalog()), expected.Attribute("catalog"));
    } else if (auto* item = dynamic_cast<XMLCATALOG_NAMESPACE(delegateSystem)*>(entry)) {
      EXPECT_EQ(Text(item->Get_systemIdStartString()), expected.Attribute("systemIdStartString"));
      EXPECT_EQ(Text(item->Get_catalog()), expected.Attribute("catalog"));
    }
  }
  EXPECT_EQ(counted, reference.ChildCounts());
}

TEST_P(XmlCatalog, WrittenBackTheCatalogHoldsTheSame) {
  ExpectWrittenBackTheSame<Catalog, Importer>(Path(), scratch.Path("catalog.xml"), "catalog");
}

INSTANTIATE_TEST_SUITE_P(Installed, XmlCatalog, ::testing::ValuesIn(kCatalogs),
                         [](const auto& info) { return std::string(info.param.name); });

#endif

}  // namespace
