// DTDs that Debian packages install, read by the DTD reader: which of them
// become a schema (a change in that list is a regression or a gain to look
// at), that every other one fails with a message instead of a crash, and
// spot checks of the schemas of the ones the toolkit is meant for.
//
// A test whose package is not installed is skipped and says which package
// to install (scripts/bootstrap installs them all).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "travix/readers/dtd/schematext.h"
#include "travix/readers/dtd/tests/dtdtestsupport.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"

namespace fs = std::filesystem;

namespace {

using DtdTest::Headline;
using TestSupport::TempDir;

const std::string Share = "/usr/share/";
const std::string W3cDtds = Share + "xml/w3c-sgml-lib/schema/dtd/";
const std::string Modularization = W3cDtds + "REC-xhtml-modularization-20100729/";

struct Package {
  std::string name;
  std::vector<std::string> roots;  // directories or files below /usr/share/, a directory first
};

// Directories other packages share are named by the files of the package.
const std::vector<Package> Packages = {
    {"w3c-sgml-lib", {"xml/w3c-sgml-lib/schema/dtd"}},
    {"sgml-data",
     {"sgml/html/dtd", "xml/svg", "xml/qaml", "sgml/dtd/fo.dtd", "sgml/dtd/mod-general.dtd",
      "sgml/dtd/rdf.dtd"}},
    {"docbook-xml", {"xml/docbook/schema/dtd"}},
    {"fontconfig-config", {"xml/fontconfig"}},
    {"xml-core", {"xml/schema/xml-core"}},
};

// The installed DTDs that become a schema when read where they lie, below
// /usr/share/. Every other one fails.
const std::set<std::string> Parsing = {
    "sgml/dtd/rdf.dtd",
    "xml/docbook/schema/dtd/4.0/soextblx.dtd",
    "xml/docbook/schema/dtd/4.1.2/soextblx.dtd",
    "xml/docbook/schema/dtd/4.2/soextblx.dtd",
    "xml/fontconfig/fonts.dtd",
    "xml/qaml/qaml-xml.dtd",
    "xml/schema/xml-core/catalog.dtd",
    "xml/schema/xml-core/tr9401.dtd",
    "xml/svg/svg10.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-SMIL3-20081201/SMIL30Tiny.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-SMIL3-20081201/SMIL30smilText.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-SVG-20010904/svg10.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-SVG11-20110816/svg11-tiny.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-smil-19980615/smil10.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-voicexml20-20040316/vxml.dtd",
    "xml/w3c-sgml-lib/schema/dtd/REC-voicexml21-20070619/vxml.dtd",
    "xml/w3c-sgml-lib/schema/dtd/Specification/xmlspec-v20.dtd",
    "xml/w3c-sgml-lib/schema/dtd/Specification/xmlspec-v21.dtd",
    "xml/w3c-sgml-lib/schema/dtd/Specification/xmlspec.dtd",
};

// Why some of the others fail: a part of the first line of the message.
const std::map<std::string, std::string> Failing = {
    // More names and entity texts than the reader's fixed name pool holds.
    {"xml/docbook/schema/dtd/4.5/docbookx.dtd", "Error: Lexemes array full"},
    {"xml/svg/svg11.dtd", "Error: Lexemes array full"},
    {"xml/w3c-sgml-lib/schema/dtd/XX-MathML2-20031104/mathml2.dtd", "Error: Lexemes array full"},
    {"xml/w3c-sgml-lib/schema/dtd/REC-SMIL2-20051213/SMIL21.dtd", "Error: Lexemes array full"},
    // SGML, not XML: comments inside declarations.
    {"xml/w3c-sgml-lib/schema/dtd/REC-html401-19991224/strict.dtd",
     "strict.dtd: line 81: Invalid character at token \"-\""},
    // Entity files that the package keeps in another directory.
    {"xml/w3c-sgml-lib/schema/dtd/REC-xhtml1-20020801/xhtml1-strict.dtd",
     "line 29: Failed to open include file"},
    // Module of a larger DTD, not valid alone.
    {"xml/docbook/schema/dtd/4.5/calstblx.dtd", "Reference to undefined symbol at token \"%ho;\""},
};

struct Outcome {
  bool parsed = false;
  std::string error;
};

Outcome Read(const std::string& path, const std::string& outputDir = "") {
  Outcome outcome;
  Travix::TqDeclReader reader;
  if (outputDir.empty())
    reader.SetReadDisabled(true);
  else
    reader.SetOutputDir(outputDir);
  try {
    outcome.parsed = reader.Parse(path);
  } catch (const Travix::XException& e) {
    outcome.error = e.GetMsg();
  }
  return outcome;
}

bool Installed(const Package& package) {
  return fs::is_directory(Share + package.roots.front());
}

const Package& PackageNamed(const std::string& name) {
  for (const Package& package : Packages)
    if (package.name == name) return package;
  throw std::logic_error("unknown package " + name);
}

#define SKIP_UNLESS_INSTALLED(packageName)                                              \
  if (!Installed(PackageNamed(packageName)))                                            \
  GTEST_SKIP() << "package " << (packageName) << " is not installed; scripts/bootstrap " \
                  "installs it"

// Every .dtd file of the package, once, by its own path below /usr/share/.
std::set<std::string> DtdsOf(const Package& package) {
  std::set<std::string> dtds;
  for (const std::string& root : package.roots) {
    if (fs::is_regular_file(Share + root)) {
      dtds.insert(root);
      continue;
    }
    std::error_code error;
    for (fs::recursive_directory_iterator it(Share + root, fs::directory_options::follow_directory_symlink, error), end;
         !error && it != end; it.increment(error)) {
      if (it->path().extension() != ".dtd" || !fs::is_regular_file(it->path())) continue;
      std::string path = fs::canonical(it->path()).string();
      if (path.rfind(Share, 0) == 0) dtds.insert(path.substr(Share.size()));
    }
  }
  return dtds;
}

// The schema reader of a parsed DTD, and texts of its parts.
class Schema {
public:
  explicit Schema(const std::string& path) {
    m_reader.SetReadDisabled(true);
    try {
      m_reader.Parse(path);
    } catch (const Travix::XException& e) {
      m_error = e.GetMsg();
    }
  }
  ~Schema() { Travix::TqDeclReader::ReleaseDocument(); }

  const std::string& Error() const { return m_error; }

  // The text of the archetype of that name, as Print writes it.
  std::string Archetype(const std::string& name) const {
    for (const xercesc::DOMElement* archetype :
         Travix::Dom::ChildElements(m_reader.getSchema(), Travix::Vocabulary::Elem::Archetype)) {
      if (Travix::wstringTostring(Travix::Dom::GetAttributeOr(archetype, Travix::Vocabulary::Attr::Name)) != name)
        continue;
      std::ostringstream text;
      using Travix::operator<<;
      text << *archetype;
      return text.str();
    }
    return "(no archetype " + name + ")";
  }
  // That text up to where end first stands in it.
  std::string ArchetypeUpTo(const std::string& name, const std::string& end) const {
    const std::string text = Archetype(name);
    return text.substr(0, text.find(end));
  }

  // The name of the root element reference, and the number of archetypes.
  std::string Root() const {
    const xercesc::DOMElement* root =
        Travix::Dom::FirstChildElement(m_reader.getSchema(), Travix::Vocabulary::Elem::Element);
    return root ? Travix::wstringTostring(Travix::Dom::GetAttributeOr(root, Travix::Vocabulary::Attr::Name)) : "";
  }
  std::size_t ArchetypeCount() const {
    return Travix::Dom::ChildElements(m_reader.getSchema(), Travix::Vocabulary::Elem::Archetype).size();
  }

private:
  Travix::TqDeclReader m_reader;
  std::string m_error;
};

// A copy of an XHTML DTD with the files it refers to beside it.
void Assemble(const TempDir& dir, const std::string& dtd, const std::vector<std::string>& files) {
  fs::copy_file(dtd, dir.Path(fs::path(dtd).filename().string()));
  for (const std::string& file : files)
    fs::copy_file(file, dir.Path(fs::path(file).filename().string()),
                  fs::copy_options::skip_existing);
}

}  // namespace

TEST(RealDtds, RecordOfTheInstalledDtdsThatParse) {
  std::set<std::string> seen;
  int installed = 0;
  for (const Package& package : Packages) {
    if (!Installed(package)) {
      std::cout << "[ SKIPPED  ] package " << package.name << " is not installed\n";
      continue;
    }
    ++installed;
    for (const std::string& dtd : DtdsOf(package)) {
      if (!seen.insert(dtd).second) continue;
      Outcome outcome = Read(Share + dtd);
      bool expected = Parsing.count(dtd) != 0;
      EXPECT_EQ(outcome.parsed, expected)
          << dtd << (outcome.parsed ? " now parses" : " fails: " + Headline(outcome.error));
      if (outcome.parsed) continue;
      EXPECT_EQ(outcome.error.rfind("Error: ", 0), 0u) << dtd << ": " << outcome.error;
      auto reason = Failing.find(dtd);
      if (reason != Failing.end()) {
        EXPECT_NE(Headline(outcome.error).find(reason->second), std::string::npos)
            << dtd << ": " << outcome.error;
      }
    }
  }
  if (installed == 0) GTEST_SKIP() << "none of the DTD packages is installed";
  for (const std::string& dtd : Parsing) {
    bool packageInstalled = false;
    for (const Package& package : Packages)
      for (const std::string& root : package.roots)
        if (dtd.rfind(root, 0) == 0 && Installed(package)) packageInstalled = true;
    if (packageInstalled) {
      EXPECT_TRUE(seen.count(dtd)) << dtd << " is no longer installed";
    }
  }
}

TEST(RealDtds, FontconfigConfiguration) {
  SKIP_UNLESS_INSTALLED("fontconfig-config");
  Schema schema(Share + "xml/fontconfig/fonts.dtd");
  ASSERT_EQ(schema.Error(), "");
  EXPECT_EQ(schema.Root(), "fontconfig");
  EXPECT_EQ(schema.Archetype("match"),
            "<archetype name=\"match\">\n"
            "\t<group order=\"choice\" minOccurs=\"1\" maxOccurs=\"*\">\n"
            "\t\t<element name=\"test\" type=\"test\"/>\n"
            "\t\t<element name=\"edit\" type=\"edit\"/>\n"
            "\t</group>\n"
            "\t<attribute name=\"target\" default=\"pattern\">\n"
            "\t\t<datatype>\n"
            "\t\t\t<basetype name=\"NMTOKEN\"/>\n"
            "\t\t\t<enumeration>\n"
            "\t\t\t\t<literal>pattern</literal>\n"
            "\t\t\t\t<literal>font</literal>\n"
            "\t\t\t\t<literal>scan</literal>\n"
            "\t\t\t</enumeration>\n"
            "\t\t</datatype>\n"
            "\t</attribute>\n"
            "</archetype>\n");
  // (family)* is one repeated element.
  EXPECT_EQ(schema.Archetype("prefer"),
            "<archetype name=\"prefer\" order=\"seq\">\n"
            "\t<element name=\"family\" type=\"family\" minOccurs=\"0\" maxOccurs=\"*\"/>\n"
            "</archetype>\n");
  EXPECT_NE(schema.Archetype("test").find("<attribute name=\"name\" type=\"string\" minOccurs=\"1\"/>"),
            std::string::npos);
}

TEST(RealDtds, XmlCatalogs) {
  SKIP_UNLESS_INSTALLED("xml-core");
  Schema catalog(Share + "xml/schema/xml-core/catalog.dtd");
  ASSERT_EQ(catalog.Error(), "");
  EXPECT_EQ(catalog.Root(), "catalog");
  EXPECT_EQ(catalog.ArchetypeCount(), 11u);
  EXPECT_EQ(catalog.ArchetypeUpTo("catalog", "\t\t<element name=\"system\""),
            "<archetype name=\"catalog\">\n"
            "\t<group order=\"choice\" minOccurs=\"1\" maxOccurs=\"*\">\n"
            "\t\t<element name=\"public\" type=\"public\"/>\n");
  EXPECT_NE(catalog.Archetype("catalog").find("<attribute name=\"xmlns\" type=\"string\" "
                      "fixed=\"urn:oasis:names:tc:entity:xmlns:xml:catalog\"/>"),
            std::string::npos);
  EXPECT_EQ(catalog.Archetype("public"),
            "<archetype name=\"public\" content=\"empty\">\n"
            "\t<attribute name=\"id\" type=\"ID\"/>\n"
            "\t<attribute name=\"publicId\" type=\"string\" minOccurs=\"1\"/>\n"
            "\t<attribute name=\"uri\" type=\"string\" minOccurs=\"1\"/>\n"
            "\t<attribute name=\"xml:base\" type=\"string\"/>\n"
            "</archetype>\n");
  // The namespace prefix glued to names through parameter entities.
  Schema extension(Share + "xml/schema/xml-core/tr9401.dtd");
  ASSERT_EQ(extension.Error(), "");
  EXPECT_NE(extension.Archetype("catalog").find("<attribute name=\"xmlns:soc\" type=\"string\" "
                                                "fixed=\"urn:oasis:names:tc:entity:xmlns:tr9401:catalog\"/>"),
            std::string::npos);
  EXPECT_NE(extension.Archetype("soc:doctype"), "(no archetype soc:doctype)");
}

TEST(RealDtds, Xhtml10WithItsEntityFiles) {
  SKIP_UNLESS_INSTALLED("w3c-sgml-lib");
  TempDir dir;
  std::vector<std::string> entities = {Modularization + "xhtml-lat1.ent",
                                       Modularization + "xhtml-symbol.ent",
                                       Modularization + "xhtml-special.ent"};
  for (const char* flavour : {"strict", "transitional", "frameset"}) {
    Assemble(dir, W3cDtds + "REC-xhtml1-20020801/xhtml1-" + flavour + ".dtd", entities);
    Outcome outcome = Read(dir.Path(std::string("xhtml1-") + flavour + ".dtd"), dir.Path());
    EXPECT_TRUE(outcome.parsed) << flavour << ": " << outcome.error;
  }
  // The general entities of the three files, the no-break space as the
  // bytes of its UTF-8 form.
  std::string source = dir.Read("entities.cpp");
  std::size_t rows = 0;
  for (std::size_t at = source.find("\n  {\""); at != std::string::npos; at = source.find("\n  {\"", at + 1))
    ++rows;
  EXPECT_EQ(rows, 253u);
  EXPECT_NE(source.find("\n  {\"nbsp\",\"\\xC2\\xA0\"},\n"), std::string::npos);
  EXPECT_NE(source.find("\n  {\"euro\",\"\\xE2\\x82\\xAC\"},\n"), std::string::npos);

  Schema strict(dir.Path("xhtml1-strict.dtd"));
  ASSERT_EQ(strict.Error(), "");
  EXPECT_EQ(strict.Root(), "html");
  EXPECT_EQ(strict.ArchetypeCount(), 77u);
  EXPECT_EQ(strict.ArchetypeUpTo("html", "\t<attribute"),
            "<archetype name=\"html\" order=\"seq\">\n"
            "\t<element name=\"head\" type=\"head\"/>\n"
            "\t<element name=\"body\" type=\"body\"/>\n");
  EXPECT_EQ(strict.ArchetypeUpTo("table", "\t<attribute"),
            "<archetype name=\"table\" order=\"seq\">\n"
            "\t<element name=\"caption\" type=\"caption\" minOccurs=\"0\" maxOccurs=\"1\"/>\n"
            "\t<group order=\"choice\">\n"
            "\t\t<element name=\"col\" type=\"col\" minOccurs=\"0\" maxOccurs=\"*\"/>\n"
            "\t\t<element name=\"colgroup\" type=\"colgroup\" minOccurs=\"0\" maxOccurs=\"*\"/>\n"
            "\t</group>\n"
            "\t<element name=\"thead\" type=\"thead\" minOccurs=\"0\" maxOccurs=\"1\"/>\n"
            "\t<element name=\"tfoot\" type=\"tfoot\" minOccurs=\"0\" maxOccurs=\"1\"/>\n"
            "\t<group order=\"choice\">\n"
            "\t\t<element name=\"tbody\" type=\"tbody\" minOccurs=\"1\" maxOccurs=\"*\"/>\n"
            "\t\t<element name=\"tr\" type=\"tr\" minOccurs=\"1\" maxOccurs=\"*\"/>\n"
            "\t</group>\n");
  EXPECT_EQ(strict.ArchetypeUpTo("img", "\n"), "<archetype name=\"img\" content=\"empty\">");
  const std::string img = strict.Archetype("img");
  EXPECT_NE(img.find("\t<attribute name=\"src\" type=\"string\" minOccurs=\"1\"/>\n"), std::string::npos);
  EXPECT_NE(img.find("\t<attribute name=\"alt\" type=\"string\" minOccurs=\"1\"/>\n"), std::string::npos);
  EXPECT_EQ(strict.ArchetypeUpTo("p", "\n"), "<archetype name=\"p\" content=\"mixed\">");
  EXPECT_NE(strict.Archetype("pre").find("<attribute name=\"xml:space\" fixed=\"preserve\">"),
            std::string::npos);
}

TEST(RealDtds, ModularXhtmlWithItsModules) {
  SKIP_UNLESS_INSTALLED("w3c-sgml-lib");
  TempDir dir;
  std::vector<std::string> modules;
  for (const auto& entry : fs::directory_iterator(Modularization)) modules.push_back(entry.path());
  for (const char* dtd : {"REC-xhtml-basic-20001219/xhtml-basic10.dtd",
                          "REC-xhtml-print-20101123/xhtml-print10.dtd"}) {
    fs::path own = fs::path(W3cDtds + dtd).parent_path();
    for (const auto& entry : fs::directory_iterator(own))
      if (entry.path().extension() == ".mod") modules.push_back(entry.path());
    Assemble(dir, W3cDtds + dtd, modules);
    Outcome outcome = Read(dir.Path(fs::path(dtd).filename()));
    EXPECT_TRUE(outcome.parsed) << dtd << ": " << outcome.error;
  }
  // XHTML 1.1 needs more room than the fixed name pool has, and says so.
  for (const auto& entry : fs::directory_iterator(W3cDtds + "REC-xhtml11-20101123"))
    modules.push_back(entry.path());
  Assemble(dir, W3cDtds + "REC-xhtml11-20101123/xhtml11.dtd", modules);
  EXPECT_EQ(Read(dir.Path("xhtml11.dtd")).error, "Error: Lexemes array full\n");
}

TEST(RealDtds, DocBookFailsCleanly) {
  SKIP_UNLESS_INSTALLED("docbook-xml");
  // Its notations are never reached: the name pool fills up first.
  EXPECT_EQ(Read(Share + "xml/docbook/schema/dtd/4.5/docbookx.dtd").error,
            "Error: Lexemes array full\n");
  // After a failed run the next one starts clean.
  SKIP_UNLESS_INSTALLED("fontconfig-config");
  EXPECT_TRUE(Read(Share + "xml/fontconfig/fonts.dtd").parsed);
}
