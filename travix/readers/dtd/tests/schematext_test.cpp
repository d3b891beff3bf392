// The schema text of a DTD: the two stream operators on hand-built
// documents, and TqDeclReader::Print on a parsed one.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <xercesc/dom/DOM.hpp>

#include "travix/readers/dtd/schematext.h"
#include "travix/readers/dtd/tests/dtdtestsupport.h"
#include "travix/schema/domutil.h"
#include "travix/schema/emitschema.h"
#include "travix/schema/schemavocabulary.h"

namespace {

using Travix::DomText;
using xercesc::DOMElement;
namespace Attr = Travix::Vocabulary::Attr;
namespace Elem = Travix::Vocabulary::Elem;

class SchemaText : public ::testing::Test {
protected:
  SchemaText() {
    static const XMLCh core[] = u"Core";
    document = xercesc::DOMImplementationRegistry::getDOMImplementation(core)->createDocument();
    schema = document->createElement(Elem::Schema);
    document->appendChild(schema);
  }
  ~SchemaText() override { document->release(); }

  DOMElement* Append(DOMElement* parent, const XMLCh* name) {
    DOMElement* element = document->createElement(name);
    parent->appendChild(element);
    return element;
  }

  template <typename Printable>
  static std::string Text(const Printable& printable) {
    std::ostringstream out;
    using Travix::operator<<;
    out << printable;
    return out.str();
  }

  Travix::Dom::XercesSession session;
  xercesc::DOMDocument* document;
  DOMElement* schema;
};

}  // namespace

TEST_F(SchemaText, ElementsAreIndentedOneTabPerLevel) {
  DOMElement* archetype = Append(schema, Elem::Archetype);
  Travix::Dom::SetAttribute(archetype, Attr::Name, u"a");
  Travix::Dom::SetAttribute(Append(archetype, Elem::Element), Attr::Name, u"e");
  EXPECT_EQ(Text(*document),
            "<?xml version='1.0' encoding='utf-8' ?>\n"
            "<schema>\n"
            "\t<archetype name=\"a\">\n"
            "\t\t<element name=\"e\"/>\n"
            "\t</archetype>\n"
            "</schema>\n"
            "\n");
}

TEST_F(SchemaText, LiteralsStandOnOneLine) {
  DOMElement* enumeration = Append(Append(schema, Elem::Datatype), Elem::Enumeration);
  for (const char16_t* value : {u"p", u"q r"})
    Append(enumeration, Elem::Literal)->appendChild(document->createTextNode(value));
  EXPECT_EQ(Text(*schema),
            "<schema>\n"
            "\t<datatype>\n"
            "\t\t<enumeration>\n"
            "\t\t\t<literal>p</literal>\n"
            "\t\t\t<literal>q r</literal>\n"
            "\t\t</enumeration>\n"
            "\t</datatype>\n"
            "</schema>\n");
}

TEST_F(SchemaText, WritesTheVocabularysAttributesInTheirOrder) {
  DOMElement* element = Append(schema, Elem::Element);
  for (const XMLCh* name : {Attr::MaxOccurs, Attr::MemberName, Attr::MinOccurs, Attr::Default,
                            Attr::Fixed, Attr::Order, Attr::Content, Attr::Type, Attr::Ref,
                            Attr::Name})
    Travix::Dom::SetAttribute(element, name, name);
  EXPECT_EQ(Text(*element),
            "<element name=\"name\" ref=\"ref\" type=\"type\" content=\"content\" "
            "order=\"order\" fixed=\"fixed\" default=\"default\" minOccurs=\"minOccurs\" "
            "maxOccurs=\"maxOccurs\"/>\n");
}

TEST_F(SchemaText, EscapesMarkupAndWritesUtf8) {
  DOMElement* attribute = Append(schema, Elem::Attribute);
  Travix::Dom::SetAttribute(attribute, Attr::Name, u"caf\u00E9\u4E2D\U0001D11E");
  Travix::Dom::SetAttribute(attribute, Attr::Default, u"a<b&c\"d'e>");
  EXPECT_EQ(Text(*attribute),
            "<attribute name=\"caf\xC3\xA9\xE4\xB8\xAD\xF0\x9D\x84\x9E\" "
            "default=\"a&lt;b&amp;c&quot;d'e&gt;\"/>\n");
  // Text on its own: the same four escapes, and a lone surrogate half
  // becomes the replacement character.
  EXPECT_EQ(Text(DomText(u"<a href=\"x\">'&'\U0001D11E</a>")),
            "&lt;a href=&quot;x&quot;&gt;'&amp;'\xF0\x9D\x84\x9E&lt;/a&gt;");
  EXPECT_EQ(Text(DomText(std::u16string_view(u"\xD834x", 2))), "\xEF\xBF\xBDx");
  EXPECT_EQ(Text(DomText(static_cast<const XMLCh*>(nullptr))), "");
}

TEST_F(SchemaText, CommentsAreWrittenHereAndNotInTheNormalisedSchema) {
  document->insertBefore(document->createComment(u" from a DTD "), schema);
  DOMElement* archetype = Append(schema, Elem::Archetype);
  archetype->appendChild(document->createComment(u" a & b "));
  Append(archetype, Elem::Element);
  EXPECT_EQ(Text(*document),
            "<?xml version='1.0' encoding='utf-8' ?>\n"
            "<!-- from a DTD -->\n"
            "<schema>\n"
            "\t<archetype>\n"
            "\t\t<!-- a & b -->\n"
            "\t\t<element/>\n"
            "\t</archetype>\n"
            "</schema>\n"
            "\n");
  std::ostringstream normalised;
  Travix::EmitDOMNode(normalised, document);
  EXPECT_EQ(normalised.str(),
            "<?xml version='1.0' encoding='utf-8' ?>\n"
            "<schema>\n"
            "\t<archetype>\n"
            "\t\t<element/>\n"
            "\t</archetype>\n"
            "</schema>\n"
            "\n");
}

TEST(TqDeclReaderPrint, WritesWhereItIsTold) {
  TestSupport::TempDir dir;
  dir.Write("p.dtd", "<!ELEMENT p (#PCDATA)>\n");
  const std::string expected =
      "<?xml version='1.0' encoding='utf-8' ?>\n"
      "<schema>\n"
      "\t<element name=\"p\" type=\"p\"/>\n"
      "\t<archetype name=\"p\" content=\"textOnly\"/>\n"
      "</schema>\n"
      "\n\n";
  Travix::TqDeclReader reader;
  reader.SetReadDisabled(true);
  EXPECT_THROW(reader.Print(), Travix::XException);  // nothing read yet
  ASSERT_TRUE(reader.Parse(dir.Path("p.dtd")));

  EXPECT_TRUE(reader.Print(dir.Path("plain.xml")));
  EXPECT_EQ(dir.Read("plain.xml"), expected);
  reader.SetOutputDir(dir.Path());
  EXPECT_TRUE(reader.Print(std::string("in-dir.xml")));
  EXPECT_EQ(dir.Read("in-dir.xml"), expected);

  testing::internal::CaptureStdout();
  bool printed = reader.Print("");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
  EXPECT_TRUE(printed);

  reader.SetOutputDir(dir.Path("missing"));
  try {
    reader.Print("s.xml");
    ADD_FAILURE() << "no failure";
  } catch (const Travix::XException& e) {
    EXPECT_EQ(e.GetMsg(),
              "Error: Unable to open file '" + dir.Path("missing/s.xml") + "' for XML-Schema output.");
  }
  Travix::TqDeclReader::ReleaseDocument();
  EXPECT_THROW(reader.Print("s.xml"), Travix::XException);
}
