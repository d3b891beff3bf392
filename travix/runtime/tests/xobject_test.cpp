#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "formnames.h"
#include "tests/support/tempdir.h"
#include "travix.h"

namespace {

using TestSupport::ReadFile;
using TestSupport::TempDir;

using XObject = TX(XObject);
using XException = TX(XException);

// The smallest bound class, with the protected attribute operations opened.
class Node : public XObject {
public:
  Node() = default;
  explicit Node(const char* tag) : XObject(tag) {}

  bool EmitXML(std::ostream& stream, int indent) override {
    stream << doIndent(indent) << '<' << GetTag();
    EmitAttributes(stream);
    stream << "/>\n";
    return true;
  }
  XObject* clone() const override { return new Node(*this); }

  bool IsValid() override { return m_valid; }
  void SetValid(bool valid) { m_valid = valid; }

  using XObject::ConvertToStdEntities;
  using XObject::copyAttributesFrom;
  using XObject::doIndent;
  using XObject::freeAttributes;
  using XObject::getAttribute;
  using XObject::hasValidAttributes;
  using XObject::setAttribute;
  const AttributesMap* Attributes() const { return m_pAttributesMap; }

private:
  bool m_valid = true;
};

TEST(XObjectAttributes, NoMapUntilTheFirstAttribute) {
  Node node("n");
  EXPECT_FALSE(node.HasAttribute("a"));
  std::ostringstream out;
  node.EmitAttributes(out);
  EXPECT_EQ(out.str(), "");
  node.setAttribute("a", nullptr);
  EXPECT_EQ(node.Attributes(), nullptr);
  node.RemoveAttribute("a");
  EXPECT_EQ(node.Attributes(), nullptr);
}

TEST(XObjectAttributes, StoredValueIsARetaggedCloneOwnedByTheObject) {
  Node node("n");
  TX(integer) value(5);
  value.SetTag("whatever");
  node.setAttribute("b", &value);
  value = 9;
  value.SetTag("changed");
  const auto* stored = dynamic_cast<const TX(integer)*>(node.getAttribute("b"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->GetTag(), "b");
  EXPECT_EQ(static_cast<int>(*stored), 5);

  node.setAttribute("b", nullptr);
  EXPECT_FALSE(node.HasAttribute("b"));
  ASSERT_NE(node.Attributes(), nullptr);
  EXPECT_TRUE(node.Attributes()->empty());
}

TEST(XObjectAttributes, SettingAnAttributeFromItsOwnValue) {
  // What a generated x.Set_a(x.Get_a()) does.
  Node node("n");
  TX(string) value("kept");
  node.setAttribute("a", &value);
  node.setAttribute("a", node.getAttribute("a"));
  const auto* stored = dynamic_cast<const TX(string)*>(node.getAttribute("a"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(std::string(stored->c_str()), "kept");
  EXPECT_EQ(stored->GetTag(), "a");
}

// A value that cannot be copied.
class Uncloneable : public Node {
public:
  XObject* clone() const override { return nullptr; }
};

TEST(XObjectAttributes, ReplacingAnAttribute) {
  Node node("n");
  TX(integer) one(1), two(2);
  node.setAttribute("a", &one);
  node.setAttribute("b", &one);
  node.setAttribute("a", &two);
  EXPECT_EQ(static_cast<int>(*dynamic_cast<const TX(integer)*>(node.getAttribute("a"))), 2);
  EXPECT_EQ(node.Attributes()->size(), 2u);

  // A value that cannot be stored leaves the attribute removed.
  Uncloneable broken;
  try {
    node.setAttribute("a", &broken);
    FAIL() << "no exception";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Unable to allocate memory for an attribute");
  }
  EXPECT_FALSE(node.HasAttribute("a"));
  EXPECT_TRUE(node.HasAttribute("b"));
  EXPECT_THROW(node.setAttribute("c", &broken), XException);
  EXPECT_FALSE(node.HasAttribute("c"));
}

// Counts the objects of its class alive.
class Counted : public Node {
public:
  Counted() { ++s_alive; }
  Counted(const Counted& other) : Node(other) { ++s_alive; }
  ~Counted() override { --s_alive; }
  XObject* clone() const override { return new Counted(*this); }
  static inline int s_alive = 0;
};

TEST(XObjectAttributes, AHandedOverValueIsKeptItselfOrFreedByItsGuard) {
  Node node("n");
  {
    // Kept: the attribute is the object itself, retagged; nothing is left
    // to the guard.
    auto* value = new Counted;
    XObject::HandOver handOver(value);
    node.setAttribute("a", value);
    EXPECT_EQ(node.getAttribute("a"), value);
    EXPECT_EQ(value->GetTag(), "a");
    EXPECT_EQ(Counted::s_alive, 1);
  }
  EXPECT_EQ(Counted::s_alive, 1);
  {
    // Not set, or another value set while it is lent: the guard frees it,
    // and the other value is cloned as ever.
    auto* value = new Counted;
    XObject::HandOver handOver(value);
    Counted other;
    node.setAttribute("b", &other);
    EXPECT_NE(node.getAttribute("b"), &other);
    EXPECT_EQ(Counted::s_alive, 4);
  }
  EXPECT_EQ(Counted::s_alive, 2);
  {
    // Once kept, the same object set again is cloned: it is the attribute.
    auto* value = new Counted;
    XObject::HandOver handOver(value);
    node.setAttribute("c", value);
    node.setAttribute("d", value);
    EXPECT_NE(node.getAttribute("d"), value);
  }
  EXPECT_EQ(Counted::s_alive, 4);
  node.RemoveAttribute("a");
  node.RemoveAttribute("b");
  node.RemoveAttribute("c");
  node.RemoveAttribute("d");
  EXPECT_EQ(Counted::s_alive, 0);
}

TEST(XObjectAttributes, MissingAttributeThrowsNamingIt) {
  Node node("n");
  try {
    node.getAttribute("gone");
    FAIL() << "no exception";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Attempt to retrieve non-existent attribute 'gone'");
    EXPECT_EQ(e.GetSourceFile(), "travix/runtime/xobject.cpp");
  }
}

TEST(XObjectAttributes, WrittenInNameOrder) {
  Node node("n");
  TX(string) text("x<y");
  TX(integer) number(-3);
  node.setAttribute("zeta", &text);
  node.setAttribute("alpha", &number);
  node.setAttribute("mid", &text);
  std::ostringstream out;
  node.EmitAttributes(out);
  EXPECT_EQ(out.str(), " alpha='-3' mid='x&lt;y' zeta='x&lt;y'");
}

// Byte order, prefixes, long names and more attributes than an object
// usually has, through stores, replacements and removals at either end and
// in the middle; a copy keeps the order.
TEST(XObjectAttributes, NameOrderThroughStoresAndRemovals) {
  const std::string longName = "zz_an_attribute_name_longer_than_short_strings";
  struct Step {
    std::string name;
    bool remove;
    std::vector<std::string> written;
  };
  const std::vector<Step> steps = {
      {"m", false, {"m"}},
      {"B", false, {"B", "m"}},
      {longName, false, {"B", "m", longName}},
      {"a", false, {"B", "a", "m", longName}},
      {"ab", false, {"B", "a", "ab", "m", longName}},
      {"a", true, {"B", "ab", "m", longName}},
      {"m", false, {"B", "ab", "m", longName}},
      {longName, true, {"B", "ab", "m"}},
      {"B", true, {"ab", "m"}},
      {"a", false, {"a", "ab", "m"}},
  };
  Node node("n");
  TX(string) value("v");
  for (const Step& step : steps) {
    if (step.remove)
      node.RemoveAttribute(step.name);
    else
      node.setAttribute(step.name, &value);
    std::string expected;
    for (const std::string& name : step.written)
      expected += " " + name + "='v'";
    Node copy(node);
    for (Node* written : {&node, &copy}) {
      std::ostringstream out;
      written->EmitAttributes(out);
      EXPECT_EQ(out.str(), expected) << "after " << (step.remove ? "removing " : "storing ") << step.name;
    }
  }
}

TEST(XObjectAttributes, CopyClonesAssignmentKeepsTargetAttributes) {
  Node original("orig");
  TX(integer) one(1);
  original.setAttribute("a", &one);

  Node copy(original);
  EXPECT_EQ(copy.GetTag(), "orig");
  ASSERT_TRUE(copy.HasAttribute("a"));
  EXPECT_NE(copy.getAttribute("a"), original.getAttribute("a"));

  Node target("target");
  TX(integer) two(2);
  target.setAttribute("t", &two);
  target = original;
  EXPECT_EQ(target.GetTag(), "orig");
  EXPECT_TRUE(target.HasAttribute("t"));
  EXPECT_FALSE(target.HasAttribute("a"));

  std::unique_ptr<XObject> cloned(original.clone());
  EXPECT_TRUE(cloned->HasAttribute("a"));
}

TEST(XObjectAttributes, CopyingFromTheOwnMapKeepsIt) {
  Node node("n");
  TX(integer) one(1);
  node.setAttribute("a", &one);
  node.copyAttributesFrom(node.Attributes());
  ASSERT_TRUE(node.HasAttribute("a"));
  EXPECT_EQ(node.getAttribute("a")->GetTag(), "a");

  Node other("o");
  other.setAttribute("x", &one);
  node.copyAttributesFrom(other.Attributes());
  EXPECT_FALSE(node.HasAttribute("a"));
  EXPECT_TRUE(node.HasAttribute("x"));
  node.copyAttributesFrom(nullptr);
  EXPECT_EQ(node.Attributes(), nullptr);
}

TEST(XObjectAttributes, ValidityOfTheAttributes) {
  Node node("n");
  EXPECT_TRUE(node.hasValidAttributes());
  Node good("g"), bad("b");
  bad.SetValid(false);
  node.setAttribute("good", &good);
  EXPECT_TRUE(node.hasValidAttributes());
  node.setAttribute("bad", &bad);
  EXPECT_FALSE(node.hasValidAttributes());
}

TEST(XObjectEquality, TagsAndAttributeNamesButNotValues) {
  Node a("x"), b("x"), c("y");
  TX(integer) one(1), two(2);
  a.setAttribute("a", &one);
  b.setAttribute("a", &two);
  EXPECT_EQ(a == b, 1);
  EXPECT_EQ(a != b, 0);
  c.setAttribute("a", &one);
  EXPECT_EQ(a == c, 0);
  EXPECT_EQ(a != c, 1);

  Node emptied("x"), none("x");
  emptied.setAttribute("a", &one);
  emptied.RemoveAttribute("a");
  EXPECT_EQ(emptied == none, 0);
  EXPECT_EQ(emptied != none, 1);

  Node more("x");
  more.setAttribute("a", &one);
  more.setAttribute("b", &one);
  EXPECT_EQ(a == more, 0);
  Node renamed("x");
  renamed.setAttribute("b", &one);
  EXPECT_EQ(a == renamed, 0);
}

TEST(XObjectText, EntitiesAndIndent) {
  EXPECT_EQ(Node::ConvertToStdEntities("a<b&'>"), "a&lt;b&amp;&apos;&gt;");
  EXPECT_EQ(Node::ConvertToStdEntities("\"caf\xC3\xA9\""), "&quot;caf\xC3\xA9&quot;");
  EXPECT_EQ(Node::doIndent(0), "");
  EXPECT_EQ(Node::doIndent(3), "\t\t\t");
  EXPECT_EQ(Node::doIndent(-2), "");
}

TEST(XObjectFile, HeaderWithAndWithoutDoctype) {
  TempDir dir;
  Node root("root");
  EXPECT_TRUE(root.EmitXMLToFile(dir.Path("plain.xml"), ""));
  EXPECT_EQ(ReadFile(dir.Path("plain.xml")),
            "<?xml version='1.0'?>\n"
            "<!-- created with Travix version 1.2 -->\n"
            "<root/>\n");
  EXPECT_TRUE(root.EmitXMLToFile(dir.Path("typed.xml").c_str(), "a.dtd"));
  EXPECT_EQ(ReadFile(dir.Path("typed.xml")),
            "<?xml version='1.0'?>\n"
            "<!DOCTYPE root SYSTEM \"a.dtd\">\n"
            "<!-- created with Travix version 1.2 -->\n"
            "<root/>\n");
  EXPECT_TRUE(root.EmitXMLToFile(dir.Path("null.xml").c_str(), nullptr));
  EXPECT_EQ(ReadFile(dir.Path("null.xml")), ReadFile(dir.Path("plain.xml")));
}

TEST(XObjectFile, FailuresThrowInsteadOfReportingSuccess) {
  TempDir dir;
  Node root("root");
  try {
    root.EmitXMLToFile(dir.Path("missing/out.xml"), "");
    FAIL() << "no exception";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Unable to open file '" + dir.Path("missing/out.xml") + "' for XML output.");
  }
  EXPECT_THROW(root.EmitXMLToFile(static_cast<const char*>(nullptr), nullptr), XException);
  try {
    root.EmitXMLToFile("/dev/full", "");
    FAIL() << "no exception";
  } catch (const XException& e) {
    EXPECT_EQ(e.GetMsg(), "Error: Unable to write file '/dev/full' for XML output.");
  }
}

// Objects of every size, made in every form and freed in any thread, keep
// their contents apart: the blocks they get are never shared while in use.
template <std::size_t Bytes> class Sized : public Node {
public:
  explicit Sized(unsigned char fill) { std::memset(m_payload, fill, Bytes); }
  bool Holds(unsigned char fill) const {
    for (unsigned char byte : m_payload)
      if (byte != fill)
        return false;
    return true;
  }

private:
  unsigned char m_payload[Bytes];
};

struct Made {
  XObject* object;
  unsigned char fill;
  bool (*holds)(const XObject*, unsigned char);
};

template <std::size_t Bytes> Made Make(unsigned char fill, int form) {
  using T = Sized<Bytes>;
  XObject* object = form == 0 ? new T(fill) : new (std::nothrow) T(fill);
  return Made{object, fill, [](const XObject* o, unsigned char f) {
                return dynamic_cast<const T*>(o)->Holds(f);
              }};
}

std::vector<Made> MakeAll(unsigned char firstFill) {
  std::vector<Made> made;
  for (int round = 0; round < 300; ++round) {
    const unsigned char fill = static_cast<unsigned char>(firstFill + round);
    const int form = round % 2;
    made.push_back(Make<1>(fill, form));
    made.push_back(Make<40>(fill, form));
    made.push_back(Make<400>(fill, form));
    made.push_back(Make<4000>(fill, form)); // beyond the pooled sizes
  }
  return made;
}

bool AllHold(const std::vector<Made>& made) {
  for (const Made& m : made)
    if (!m.object || !m.holds(m.object, m.fill))
      return false;
  return true;
}

void DeleteAll(std::vector<Made>& made) {
  for (Made& m : made)
    delete m.object;
  made.clear();
}

TEST(XObjectMemory, BlocksStayApartAcrossSizesFormsAndThreads) {
  std::vector<Made> first = MakeAll(1);
  std::vector<Made> second;
  // Made here, half freed in another thread, which then ends: its freed
  // blocks serve what is made next.
  std::thread([&] {
    second = MakeAll(101);
    std::vector<Made> half(first.begin(), first.begin() + first.size() / 2);
    first.erase(first.begin(), first.begin() + first.size() / 2);
    DeleteAll(half);
  }).join();
  std::vector<Made> third = MakeAll(201);
  EXPECT_TRUE(AllHold(first));
  EXPECT_TRUE(AllHold(second));
  EXPECT_TRUE(AllHold(third));
  DeleteAll(first);
  DeleteAll(second);
  std::vector<Made> fourth = MakeAll(51);
  EXPECT_TRUE(AllHold(third));
  EXPECT_TRUE(AllHold(fourth));
  DeleteAll(third);
  DeleteAll(fourth);

  alignas(Sized<8>) unsigned char place[sizeof(Sized<8>)];
  auto* placed = new (place) Sized<8>(7);
  EXPECT_TRUE(placed->Holds(7));
  placed->~Sized<8>();
}

} // namespace
