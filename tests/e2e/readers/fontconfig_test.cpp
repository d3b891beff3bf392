// fontconfig's fonts.dtd through travix, and the system's own
// font configuration read by the importer generated from it. The DTD
// declares elements named string, int, double and bool beside CDATA
// attributes; the binding must keep them apart from the built-in types.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#if defined(E2E_FONTCONFIG_DTD)
#include "fc.h"
#include "fc_xmlimporter.h"

#include "documents.h"
#include "imports.h"
#include "reference.h"
#include "tests/support/tempdir.h"
#endif

namespace {

#if !defined(E2E_FONTCONFIG_DTD)

TEST(Fontconfig, NeedsTheDtd) {
  GTEST_SKIP() << "skipped: " << E2E_MISSING << " is not installed (scripts/bootstrap installs it)";
}

#else

using namespace E2E;
using TestSupport::TempDir;
using Config = FC_NAMESPACE(fontconfig);
using Importer = FC_NAMESPACE(XMLImporter);

const std::string kConfiguration = E2E_FONTS_CONF;

class Fontconfig : public ::testing::Test {
protected:
  static void SetUpTestSuite() { FC_NAMESPACE(Initialize)(); }
  void SetUp() override {
    if (!std::filesystem::exists(kConfiguration)) {
      GTEST_SKIP() << "skipped: " << kConfiguration << " (fontconfig-config) is not installed";
    }
  }
  TempDir scratch;
};

// The element names of a list of choices, in order.
template <class Choices>
std::vector<std::string> TagsOf(Choices& choices) {
  std::vector<std::string> tags;
  for (auto* choice : choices) tags.push_back(choice->GetChoice() ? choice->GetChoice()->GetTag() : "");
  return tags;
}

std::vector<std::string> NamesOf(const ReferenceElement& element) {
  std::vector<std::string> names;
  for (const ReferenceElement& child : element.children) names.push_back(child.name);
  return names;
}

TEST_F(Fontconfig, SystemConfigurationReadsAsAnXmlParserReadsIt) {
  const ReferenceElement reference = ReadReference(kConfiguration);
  std::string error;
  std::unique_ptr<Config> config = ImportAs<Config, Importer>(kConfiguration, error);
  ASSERT_TRUE(config) << error;

  EXPECT_EQ(TagsOf(config->Get_fontconfigChoiceList()), NamesOf(reference));
  const std::vector<const ReferenceElement*> dirs = reference.Children("dir");
  const std::vector<const ReferenceElement*> matches = reference.Children("match");
  ASSERT_FALSE(dirs.empty());
  ASSERT_FALSE(matches.empty());

  std::size_t dir = 0;
  std::size_t match = 0;
  for (auto* choice : config->Get_fontconfigChoiceList()) {
    TX(XObject)* element = choice->GetChoice();
    if (auto* d = dynamic_cast<FC_NAMESPACE(dir)*>(element); d && dir < dirs.size()) {
      SCOPED_TRACE("dir " + dirs[dir]->text);
      EXPECT_EQ(Text(d->GetContent()), dirs[dir]->text);
      EXPECT_EQ(Text(d->Get_prefix().GetValue()), dirs[dir]->Attribute("prefix", "default"));
      EXPECT_EQ(Text(d->Get_xml_space().GetValue()), "preserve");  // the DTD's default
      ++dir;
    } else if (auto* description = dynamic_cast<FC_NAMESPACE(description)*>(element)) {
      EXPECT_EQ(Text(description->GetContent()), reference.Children("description").front()->text);
      EXPECT_EQ(Text(description->Get_domain()), "fontconfig-conf");
    } else if (auto* m = dynamic_cast<FC_NAMESPACE(match)*>(element); m && match < matches.size()) {
      // test and edit, each holding values such as <string>
      const ReferenceElement& expected = *matches[match++];
      ASSERT_EQ(TagsOf(m->Get_matchChoiceList()), NamesOf(expected));
      auto* test = dynamic_cast<FC_NAMESPACE(test)*>(m->Get_matchChoiceList().front()->GetChoice());
      if (!test) continue;
      const ReferenceElement& expectedTest = expected.children.front();
      EXPECT_EQ(Text(test->Get_name()), expectedTest.attributes.at("name"));
      EXPECT_EQ(Text(test->Get_qual().GetValue()), expectedTest.Attribute("qual", "any"));
      EXPECT_EQ(TagsOf(test->Get_testChoiceList()), NamesOf(expectedTest));
      auto* value = dynamic_cast<FC_NAMESPACE(string)*>(test->Get_testChoiceList().front()->GetChoice());
      if (value) {
        EXPECT_EQ(Text(value->GetContent()), expectedTest.children.front().text);
      }
    }
  }
  EXPECT_EQ(dir, dirs.size());
  EXPECT_EQ(match, matches.size());
}

TEST_F(Fontconfig, WrittenBackTheConfigurationHoldsTheSame) {
  ExpectWrittenBackTheSame<Config, Importer>(kConfiguration, scratch.Path("fonts.conf"), "fontconfig");
}

#endif

}  // namespace
