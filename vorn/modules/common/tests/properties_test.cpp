#include <functional>

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/common/properties.h"

namespace {

using VornModules::ComError;
using VornModules::PropertiesDocument;

std::unique_ptr<PropertiesDocument> Loaded(std::u16string_view text) {
  auto document = PropertiesDocument::Create();
  EXPECT_TRUE(document);
  EXPECT_TRUE(document->LoadXml(text));
  return document;
}

HRESULT FailureOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const ComError& error) {
    return error.Error();
  }
  return S_OK;
}

// Writes keep one element per name, in first-added order, and the text is
// written back in the one form every module reads.
TEST(ConnectionProperties, WritesInFirstAddedOrder) {
  auto document = Loaded(VornModules::kEmptyProperties);
  EXPECT_EQ(document->Xml(), VornModules::kEmptyProperties);
  document->WriteProperty(u"SamplesPerSecond", u"8000");
  document->WriteProperty(u"Type", u"Audio");
  document->WriteProperty(u"Range", u"-1,1");
  document->WriteProperty(u"SamplesPerSecond", u"11025");
  const std::u16string expected =
      u"<?xml version='1.0'?><PROPS><SamplesPerSecond>11025</SamplesPerSecond><Type>Audio</Type>"
      u"<Range>-1,1</Range></PROPS>";
  EXPECT_EQ(document->Xml(), expected);
  EXPECT_EQ(document->PropertyNames(), (std::vector<std::u16string>{u"SamplesPerSecond", u"Type", u"Range"}));

  // What is written reads back unchanged after a round trip through text,
  // markup characters and line ends included.
  const std::u16string awkward = u"a<b>&c\r\nd ]]> \u00e9\U0001F600";
  document->WriteProperty(u"Note", awkward);
  auto reread = Loaded(document->Xml());
  EXPECT_EQ(reread->ReadProperty(u"Note"), awkward);
  EXPECT_EQ(reread->ReadProperty(u"Type"), u"Audio");
  EXPECT_EQ(reread->ReadProperty(u"type"), u"");
  EXPECT_EQ(reread->ReadProperty(u"Missing"), u"");
}

// Text from peers and scripts is read as the servers always read it.
TEST(ConnectionProperties, ReadsForeignText) {
  struct Case {
    std::u16string text;
    std::vector<std::u16string> names;
    std::u16string name, value;
  } cases[] = {
      {u"<?xml version='1.0'?>\n<PROPS>\n  <Type>\n    Audio\n  </Type>\n  <!-- note -->\n  <Range/>\n</PROPS>\n",
       {u"Type", u"Range"}, u"Type", u"\n    Audio\n  "},
      {u"<PROPS>stray<A>1</A><?pi x?><B><C>2</C> <D>3</D></B></PROPS>", {u"A", u"B"}, u"B", u"23"},
      {u"<PROPS><A>1</A><A>2</A></PROPS>", {u"A", u"A"}, u"A", u"1"},
      {u"<?xml version='1.0' encoding='ISO-8859-1'?><PROPS><A>\u00e9</A></PROPS>", {u"A"}, u"A", u"\u00e9"},
      {u"<!DOCTYPE PROPS [<!ENTITY r '-1,1'>]><PROPS><Range>&r;</Range></PROPS>", {u"Range"}, u"Range", u"-1,1"},
      {u"<PROPS><A><![CDATA[<x>]]></A></PROPS>", {u"A"}, u"A", u"<x>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
    auto document = Loaded(c.text);
    EXPECT_EQ(document->PropertyNames(), c.names);
    EXPECT_EQ(document->ReadProperty(c.name), c.value);
  }

  // However deeply the sender nests a value's elements.
  constexpr int kDepth = 200000;
  std::u16string deep = u"<PROPS><A>";
  for (int i = 0; i < kDepth; ++i) deep += u"<a>";
  deep += u"x";
  for (int i = 0; i < kDepth; ++i) deep += u"</a>";
  deep += u"y</A></PROPS>";
  EXPECT_EQ(Loaded(deep)->ReadProperty(u"A"), u"xy");
}

// What a module passes on is what it received, changed only where it set a
// property: attributes, nested elements and other markup stay.
TEST(ConnectionProperties, PassesOnWhatItReceived) {
  const std::u16string received =
      u"<?xml version='1.0'?><PROPS Type=\"Audio\" Note='a \"b\"&amp;&#10;c'>\n <Rate unit=\"Hz\">8000</Rate>"
      u"<Meta><Owner id=\"1\">lab</Owner><?tool x?></Meta><Empty/></PROPS>";
  // (The parser gives a tag's attributes in the order of their names.)
  const std::u16string kept =
      u"<PROPS Note=\"a &quot;b&quot;&amp;&#10;c\" Type=\"Audio\">\n ";
  struct Case {
    std::vector<std::pair<std::u16string, std::u16string>> writes;
    std::u16string expected;
  } cases[] = {
      {{}, received},
      {{{u"Rate", u"11025"}},
       u"<?xml version='1.0'?>" + kept +
           u"<Rate>11025</Rate><Meta><Owner id=\"1\">lab</Owner><?tool x?></Meta><Empty/></PROPS>"},
      {{{u"Gain", u"2"}},
       u"<?xml version='1.0'?>" + kept +
           u"<Rate unit=\"Hz\">8000</Rate><Meta><Owner id=\"1\">lab</Owner><?tool x?></Meta><Empty/>"
           u"<Gain>2</Gain></PROPS>"},
  };
  for (const Case& c : cases) {
    auto document = Loaded(received);
    for (const auto& [name, value] : c.writes) document->WriteProperty(name, value);
    EXPECT_EQ(document->Xml(), c.expected);
    // What is passed on reads as what was received.
    auto passed = Loaded(document->Xml());
    EXPECT_EQ(passed->PropertyNames(), document->PropertyNames());
    EXPECT_EQ(passed->ReadProperty(u"Meta"), u"lab");
    EXPECT_EQ(passed->Xml(), document->Xml());
  }
}

// Text that does not parse or would blow up is refused and leaves the
// loaded document as it was; nothing outside the text is ever read.
TEST(ConnectionProperties, RefusesUnsafeOrBrokenText) {
  const std::u16string refused[] = {
      u"",
      u"not xml",
      u"<PROPS><A>1</PROPS>",
      u"<PROPS><A>1</A></PROPS><PROPS/>",
      u"<!DOCTYPE PROPS [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
      u"<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>"
      u"<!ENTITY e '&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;'>]><PROPS><A>&e;</A></PROPS>",
  };
  auto document = Loaded(u"<PROPS><Kept>1</Kept></PROPS>");
  for (const auto& text : refused) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    EXPECT_FALSE(document->LoadXml(text));
    EXPECT_EQ(document->ReadProperty(u"Kept"), u"1");
  }
  const std::u16string outside[] = {
      u"<!DOCTYPE PROPS SYSTEM '/etc/hostname'><PROPS><A>&x;</A></PROPS>",
      u"<!DOCTYPE PROPS [<!ENTITY x SYSTEM 'file:///etc/hostname'>]><PROPS><A>&x;</A></PROPS>",
  };
  for (const auto& text : outside) {
    SCOPED_TRACE(std::string(text.begin(), text.end()));
    if (document->LoadXml(text)) {
      EXPECT_EQ(document->ReadProperty(u"A"), u"");
    }
  }
}

// Operations that cannot succeed raise a COM error and change nothing.
TEST(ConnectionProperties, FailuresRaiseComErrors) {
  auto other = Loaded(u"<OTHER><A>1</A></OTHER>");
  EXPECT_EQ(FailureOf([&] { other->WriteProperty(u"A", u"2"); }), E_POINTER);
  EXPECT_EQ(FailureOf([&] { other->ReadProperty(u"A"); }), E_POINTER);
  EXPECT_EQ(FailureOf([&] { other->PropertyNames(); }), E_POINTER);
  EXPECT_EQ(other->Xml(), u"<OTHER><A>1</A></OTHER>");

  auto document = Loaded(VornModules::kEmptyProperties);
  struct Case {
    std::u16string name, value;
  } bad[] = {{u"", u"x"}, {u"1st", u"x"}, {u"two words", u"x"}, {u"a<b", u"x"},
             {u"Ok", std::u16string(1, u'\x01')}, {u"Ok", std::u16string(1, char16_t(0xD800))}};
  for (const auto& c : bad)
    EXPECT_EQ(FailureOf([&] { document->WriteProperty(c.name, c.value); }), E_INVALIDARG);
  EXPECT_EQ(document->Xml(), VornModules::kEmptyProperties);
}

}  // namespace
