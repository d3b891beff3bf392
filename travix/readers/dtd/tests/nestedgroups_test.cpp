// Merging content groups on schema documents built by hand, written in a
// compact form: an archetype as "order: children", a group as its
// children between parentheses joined by "," (sequence) or "|" (choice),
// an element as its name; each followed by its occurrence ("?", "*", "+",
// or "{min,max}" for other pairs).
#include <gtest/gtest.h>

#include <string>

#include <xercesc/dom/DOM.hpp>

#include "travix/readers/dtd/nestedgroups.h"
#include "travix/schema/domutil.h"
#include "travix/schema/schemavocabulary.h"
#include "travix/schema/transcode.h"

namespace {

using Travix::ToUtf16;
using Travix::wstringTostring;
using xercesc::DOMElement;
namespace Attr = Travix::Vocabulary::Attr;
namespace Elem = Travix::Vocabulary::Elem;

std::string Attribute(const DOMElement* element, const XMLCh* name) {
  return wstringTostring(Travix::Dom::GetAttributeOr(element, name));
}

std::string OccurrenceOf(const DOMElement* element) {
  std::string min = Attribute(element, Attr::MinOccurs);
  std::string max = Attribute(element, Attr::MaxOccurs);
  if (min.empty() && max.empty()) return "";
  if (min == "0" && max == "1") return "?";
  if (min == "0" && max == "*") return "*";
  if (min == "1" && max == "*") return "+";
  return "{" + min + "," + max + "}";
}

std::string Compact(const DOMElement* element) {
  std::string children;
  std::string separator = Attribute(element, Attr::Order) == "choice" ? "|" : ",";
  for (const DOMElement* child : Travix::Dom::ChildElements(element)) {
    if (!children.empty()) children += Travix::Dom::IsElement(element, Elem::Group) ? separator : " ";
    children += Compact(child);
  }
  if (Travix::Dom::IsElement(element, Elem::Group)) return "(" + children + ")" + OccurrenceOf(element);
  if (Travix::Dom::IsElement(element, Elem::Archetype))
    return Attribute(element, Attr::Order) + ": " + children;
  if (Travix::Dom::IsElement(element, Elem::Attribute)) return "@" + Attribute(element, Attr::Name);
  return Attribute(element, Attr::Name) + OccurrenceOf(element);
}

// Builds an archetype from the compact form of its content model (names
// are single letters; "@" adds an attribute after the model), merges its
// groups and answers the compact form of the result.
class Merged {
public:
  Merged() {
    static const XMLCh core[] = u"Core";
    m_document = xercesc::DOMImplementationRegistry::getDOMImplementation(core)->createDocument();
    m_schema = m_document->createElement(Elem::Schema);
    m_document->appendChild(m_schema);
  }
  ~Merged() { m_document->release(); }

  std::string operator()(const std::string& model, bool withAttribute = false,
                         const std::string& extraGroupAttribute = "") {
    DOMElement* archetype = Append(m_schema, Elem::Archetype);
    std::size_t at = 0;
    Build(archetype, model, at);
    if (withAttribute) Travix::Dom::SetAttribute(Append(archetype, Elem::Attribute), Attr::Name, u"x");
    if (!extraGroupAttribute.empty()) {
      DOMElement* group = Travix::Dom::FirstChildElement(archetype, Elem::Group);
      Travix::Dom::SetAttribute(group, ToUtf16(extraGroupAttribute).c_str(), u"g");
    }
    Travix::Dtd::EliminateNestedGroups(m_schema);
    std::string result = Compact(archetype);
    m_schema->removeChild(archetype)->release();
    return result;
  }

private:
  DOMElement* Append(DOMElement* parent, const XMLCh* name) {
    DOMElement* element = m_document->createElement(name);
    parent->appendChild(element);
    return element;
  }

  void ReadOccurrence(DOMElement* element, const std::string& text, std::size_t& at) {
    if (at >= text.size()) return;
    const char* bounds = text[at] == '?' ? "01" : text[at] == '*' ? "0*" : text[at] == '+' ? "1*" : nullptr;
    if (!bounds) return;
    Travix::Dom::SetAttribute(element, Attr::MinOccurs, std::u16string(1, char16_t(bounds[0])));
    Travix::Dom::SetAttribute(element, Attr::MaxOccurs, std::u16string(1, char16_t(bounds[1])));
    ++at;
  }

  // One particle at text[at]: a name or a parenthesised list.
  void Build(DOMElement* parent, const std::string& text, std::size_t& at) {
    if (text[at] != '(') {
      DOMElement* element = Append(parent, Elem::Element);
      Travix::Dom::SetAttribute(element, Attr::Name, std::u16string(1, char16_t(text[at++])));
      ReadOccurrence(element, text, at);
      return;
    }
    DOMElement* group = Append(parent, Elem::Group);
    ++at;
    const char16_t* order = u"seq";
    for (;;) {
      Build(group, text, at);
      char next = text[at++];
      if (next == ')') break;
      if (next == '|') order = u"choice";
    }
    Travix::Dom::SetAttribute(group, Attr::Order, order);
    ReadOccurrence(group, text, at);
  }

  xercesc::DOMDocument* m_document;
  DOMElement* m_schema;
};

class NestedGroups : public ::testing::Test {
protected:
  Travix::Dom::XercesSession session;
  Merged merged;
};

}  // namespace

TEST_F(NestedGroups, MergesWhatAddsNothing) {
  EXPECT_EQ(merged("(g)"), "seq: g");
  EXPECT_EQ(merged("(a|b)"), "choice: a b");
  EXPECT_EQ(merged("(a,(b,c))"), "seq: a b c");
  EXPECT_EQ(merged("(a,((b,c),d),e)"), "seq: a b c d e");
  // An occurrence moves to the only child.
  EXPECT_EQ(merged("(a)*"), "seq: a*");
  // The only child of a group without occurrence hands it its own.
  EXPECT_EQ(merged("((a,b)*)"), ": (a,b)*");
  EXPECT_EQ(merged("((a,b)?)"), ": (a,b)?");
}

TEST_F(NestedGroups, KeepsWhatWouldChangeTheModel) {
  EXPECT_EQ(merged("(a,(b|c)*,d?)+"), ": (a,(b|c)*,d?)+");
  EXPECT_EQ(merged("(a,b)*"), ": (a,b)*");
  EXPECT_EQ(merged("(a|b)", true), ": (a|b) @x");
  EXPECT_EQ(merged("(a,(b|c))"), "seq: a (b|c)");
  EXPECT_EQ(merged("(a|(b,c))"), "choice: a (b,c)");
  // A sequence merges next to attributes.
  EXPECT_EQ(merged("(a,b)", true), "seq: a b @x");
  // A group that carries more than order and occurrence.
  EXPECT_EQ(merged("(a,b)", false, "name"), ": (a,b)");
  // A sequence of one next to other items of a choice.
  EXPECT_EQ(merged("(a|(b)+)"), "choice: a (b)+");
  // A repeated group of several inside a group with an occurrence: the
  // outer occurrence moves onto it.
  EXPECT_EQ(merged("((a,b)*)+"), "seq: (a,b)*");
  EXPECT_EQ(merged("((a,b)+)?"), "seq: (a,b)*");
}

TEST_F(NestedGroups, CombinesOccurrences) {
  // The group's occurrence applies on top of the child's own.
  EXPECT_EQ(merged("(a+)?"), "seq: a*");
  EXPECT_EQ(merged("(a*)+"), "seq: a*");
  EXPECT_EQ(merged("(a?)+"), "seq: a*");
  EXPECT_EQ(merged("(a?)?"), "seq: a?");
  EXPECT_EQ(merged("(a+)+"), "seq: a+");
  // "*" absorbs whatever the child had.
  EXPECT_EQ(merged("(a+)*"), "seq: a*");
  EXPECT_EQ(merged("(a?)*"), "seq: a*");
  // Through several levels.
  EXPECT_EQ(merged("((a+)?)+"), "seq: a*");
  EXPECT_EQ(merged("((a?)+)+"), "seq: a*");
}

TEST_F(NestedGroups, AnOnlyChildGroupKeepsItsOrder) {
  EXPECT_EQ(merged("((a|b))"), "choice: a b");
  EXPECT_EQ(merged("(((a|b)))"), "choice: a b");
  EXPECT_EQ(merged("((a|b)?)"), ": (a|b)?");
  EXPECT_EQ(merged("(c,((a|b)))"), "seq: c (a|b)");
}
