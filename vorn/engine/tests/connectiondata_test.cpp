#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <vector>

#include "platform/com/com.h"
#include "platform/com/tests/counted.h"
#include "vorn/engine/connectiondata.h"

namespace {

std::u16string Text(BSTR text) { return std::u16string(Platform::BstrView(text)); }

VornConnectionDef Definition(VornConnectionType type, int count = 0, BOOL multiple = FALSE) {
  return VornConnectionDef{nullptr, type, count, multiple};
}

// A record as a sender would fill it, with storage of its own.
struct Source {
  std::vector<float> floats;
  CComBSTR string;
  CComVariant variant;
  CComBSTR properties{u"<new/>"};
  VornConnectionData record{};

  static Source Floats(std::vector<float> values) {
    Source s;
    s.floats = std::move(values);
    s.record.m_Type = ctFloatArray;
    s.record.m_pFloatArray = s.floats.data();
    s.record.m_iArrayElementCnt = static_cast<int>(s.floats.size());
    return s;
  }
  static Source String(const char16_t* text) {
    Source s;
    s.string = text;
    s.record.m_Type = ctString;
    s.record.m_pbstrString = &s.string.m_str;
    return s;
  }
  static Source Variant(std::function<void(VARIANT&)> fill) {
    Source s;
    fill(s.variant);
    s.record.m_Type = ctVariant;
    s.record.m_pVariant = &s.variant;
    return s;
  }
  const VornConnectionData* operator->() {
    record.m_pbstrProperties = &properties.m_str;
    if (record.m_Type == ctFloatArray && record.m_pFloatArray != nullptr)
      record.m_pFloatArray = floats.data();
    if (record.m_Type == ctString && record.m_pbstrString != nullptr)
      record.m_pbstrString = &string.m_str;
    if (record.m_Type == ctVariant && record.m_pVariant != nullptr)
      record.m_pVariant = &variant;
    return &record;
  }
};

void FillFloatArray(VARIANT& v, VARTYPE type, ULONG count) {
  v.vt = VT_ARRAY | type;
  v.parray = SafeArrayCreateVector(type, 0, count);
  if (type == VT_R4) {
    for (ULONG i = 0; i < count; ++i)
      static_cast<float*>(v.parray->pvData)[i] = 0.5f * static_cast<float>(i + 1);
  }
}

std::vector<float> FloatsOf(VornConnectionData* data) {
  return std::vector<float>(data->m_pFloatArray, data->m_pFloatArray + data->m_iArrayElementCnt);
}

// A value of the given type holding "old" data of its own kind.
std::unique_ptr<CConnectionData> Seeded(VornConnectionType type) {
  auto value = std::make_unique<CConnectionData>(Definition(type, 8));
  Source old = type == ctString ? Source::String(u"old")
               : type == ctVariant ? Source::Variant([](VARIANT& v) { v.vt = VT_I4, v.lVal = 42; })
                                   : Source::Floats({9, 9});
  old.properties = u"<old/>";
  EXPECT_EQ(value->SetData(old.operator->()), S_OK);
  return value;
}

TEST(ConnectionData, ConvertsBetweenKindsOrKeepsItsData) {
  struct Case {
    const char* name;
    VornConnectionType target;
    std::function<Source()> source;
    std::function<void(VornConnectionData*)> check;
    bool propertiesTaken;
  };
  const std::u16string wide = u"Gr\u00FC\u00DFe \u03A9 \U0001D11E";
  const Case cases[] = {
      {"floats resize to the source", ctFloatArray, [] { return Source::Floats({1, 2, 3}); },
       [](VornConnectionData* d) { EXPECT_EQ(FloatsOf(d), (std::vector<float>{1, 2, 3})); }, true},
      {"floats into a variant", ctVariant, [] { return Source::Floats({1, 2, 3}); },
       [](VornConnectionData* d) {
         ASSERT_EQ(d->m_pVariant->vt, VT_ARRAY | VT_R4);
         LONG upper = -1;
         SafeArrayGetUBound(d->m_pVariant->parray, 1, &upper);
         EXPECT_EQ(upper, 2);
         EXPECT_EQ(static_cast<float*>(d->m_pVariant->parray->pvData)[2], 3.0f);
       },
       true},
      {"string into a variant keeps UTF-16", ctVariant, [&] { return Source::String(wide.c_str()); },
       [&](VornConnectionData* d) {
         ASSERT_EQ(d->m_pVariant->vt, VT_BSTR);
         EXPECT_EQ(Text(d->m_pVariant->bstrVal), wide);
       },
       true},
      {"variant reference copied by value", ctVariant,
       [] {
         static CComBSTR pointed(u"pointed");
         return Source::Variant([](VARIANT& v) { v.vt = VT_BSTR | VT_BYREF, v.pbstrVal = &pointed.m_str; });
       },
       [](VornConnectionData* d) {
         ASSERT_EQ(d->m_pVariant->vt, VT_BSTR);
         EXPECT_EQ(Text(d->m_pVariant->bstrVal), u"pointed");
       },
       true},
      {"float variant into floats", ctFloatArray, [] { return Source::Variant([](VARIANT& v) { FillFloatArray(v, VT_R4, 3); }); },
       [](VornConnectionData* d) { EXPECT_EQ(FloatsOf(d), (std::vector<float>{0.5f, 1.0f, 1.5f})); }, true},
      {"integer array sizes floats only", ctFloatArray,
       [] { return Source::Variant([](VARIANT& v) { FillFloatArray(v, VT_I4, 4); }); },
       [](VornConnectionData* d) { EXPECT_EQ(FloatsOf(d), (std::vector<float>(4, 0.0f))); }, true},
      {"an empty dimension holds no floats", ctFloatArray,
       [] {
         return Source::Variant([](VARIANT& v) {
           SAFEARRAYBOUND bounds[2] = {{3, 0}, {0, 0}};
           v.vt = VT_ARRAY | VT_R4;
           v.parray = SafeArrayCreate(VT_R4, 2, bounds);
         });
       },
       [](VornConnectionData* d) { EXPECT_EQ(FloatsOf(d), (std::vector<float>(3, 0.0f))); }, true},
      {"string variant into a string", ctString,
       [] { return Source::Variant([](VARIANT& v) { v.vt = VT_BSTR, v.bstrVal = SysAllocString(u"text"); }); },
       [](VornConnectionData* d) { EXPECT_EQ(Text(*d->m_pbstrString), u"text"); }, true},
      {"scalar variant into a string", ctString,
       [] { return Source::Variant([](VARIANT& v) { v.vt = VT_I4, v.lVal = 7; }); },
       [](VornConnectionData* d) { EXPECT_EQ(Text(*d->m_pbstrString), u"old"); }, false},
      {"floats into a string", ctString, [] { return Source::Floats({1}); },
       [](VornConnectionData* d) { EXPECT_EQ(Text(*d->m_pbstrString), u"old"); }, true},
      {"a null string pointer is empty", ctString,
       [] {
         Source s = Source::String(u"x");
         s.record.m_pbstrString = nullptr;
         return s;
       },
       [](VornConnectionData* d) { EXPECT_EQ(Text(*d->m_pbstrString), u""); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto value = Seeded(c.target);
    Source source = c.source();
    EXPECT_EQ(value->SetData(source.operator->()), S_OK);
    VornConnectionData* data = value->GetData();
    EXPECT_EQ(data->m_Type, c.target);
    c.check(data);
    EXPECT_EQ(Text(*data->m_pbstrProperties), c.propertiesTaken ? u"<new/>" : u"<old/>");
  }
}

TEST(ConnectionData, UnreadableRecordsChangeNothing) {
  struct Case {
    const char* name;
    VornConnectionType target;
    std::function<Source()> source;
  };
  const Case cases[] = {
      {"negative count", ctFloatArray,
       [] {
         Source s = Source::Floats({1});
         s.record.m_iArrayElementCnt = -1;
         return s;
       }},
      {"no elements behind a count", ctVariant,
       [] {
         Source s = Source::Floats({});
         s.record.m_pFloatArray = nullptr;
         s.record.m_iArrayElementCnt = 5;
         return s;
       }},
      {"reference to nothing", ctVariant,
       [] { return Source::Variant([](VARIANT& v) { v.vt = VT_R4 | VT_BYREF, v.pfltVal = nullptr; }); }},
      {"array variant without an array", ctFloatArray,
       [] { return Source::Variant([](VARIANT& v) { v.vt = VT_ARRAY | VT_R4 | VT_BYREF, v.pparray = nullptr; }); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto value = Seeded(c.target);
    Source source = c.source();
    EXPECT_TRUE(FAILED(value->SetData(source.operator->())));
    VornConnectionData* data = value->GetData();
    if (c.target == ctFloatArray)
      EXPECT_EQ(FloatsOf(data), (std::vector<float>{9, 9}));
    else
      EXPECT_EQ(data->m_pVariant->vt, VT_I4);
    EXPECT_EQ(Text(*data->m_pbstrProperties), u"<old/>");
  }
  EXPECT_EQ(Seeded(ctString)->SetData(nullptr), E_POINTER);
}

TEST(ConnectionData, HoldsOneReferenceToItsInterface) {
  Counted first;
  Counted second;
  {
    CConnectionData value(Definition(ctIUnknown));
    VornConnectionData source{};
    source.m_Type = ctIUnknown;
    source.m_pUnk = &first;
    ASSERT_EQ(value.SetData(&source), S_OK);
    EXPECT_EQ(value.GetData()->m_pUnk, &first);
    source.m_pUnk = &second;
    ASSERT_EQ(value.SetData(&source), S_OK);
    EXPECT_EQ(first.references, 1u);
    EXPECT_EQ(second.references, 2u);
  }
  EXPECT_EQ(second.references, 1u);
}

TEST(ConnectionData, MultipleInputKeepsOneValuePerSource) {
  CComBSTR name(u"Sum");
  CConnectionData input(VornConnectionDef{name, ctFloatArray, 4, TRUE});
  EXPECT_NE(input.GetDef()->m_bstrName, name.m_str);
  EXPECT_EQ(Text(input.GetDef()->m_bstrName), u"Sum");
  EXPECT_FALSE(input.HasData());

  CConnectionData* seven = input.GetOrCreateChild(u"7 Default");
  ASSERT_NE(seven, nullptr);
  EXPECT_EQ(input.GetOrCreateChild(u"7 Default"), seven);
  EXPECT_EQ(seven->GetData()->m_iArrayElementCnt, 4);
  EXPECT_EQ(seven->GetOrCreateChild(u"x"), nullptr);
  CConnectionData* eight = input.GetOrCreateChild(u"8 Default");
  EXPECT_EQ(input.GetChildCount(), 2);
  EXPECT_EQ(input.GetChildAt(1), eight);
  EXPECT_EQ(input.GetChildAt(-1), nullptr);
  EXPECT_EQ(input.GetChildAt(2), nullptr);

  eight->SetHasData(TRUE);
  EXPECT_TRUE(input.HasData());
  input.SetHasData(FALSE);
  EXPECT_FALSE(input.HasData());
  input.SetHasData(TRUE);
  EXPECT_TRUE(seven->HasData());

  // Defining again drops the sources and the properties.
  input.Init(Definition(ctFloatArray, 3, TRUE));
  EXPECT_EQ(input.GetChildCount(), 0);
  EXPECT_EQ(*input.GetData()->m_pbstrProperties, nullptr);

  CConnectionData single(Definition(ctFloatArray, 3));
  EXPECT_EQ(single.GetOrCreateChild(u"7 Default"), nullptr);
  EXPECT_EQ(single.GetChildCount(), 0);
  EXPECT_EQ(single.GetData()->m_iArrayElementCnt, 3);
}

} // namespace

namespace {

std::string Stored(CConnectionData& value) {
  std::stringstream stream;
  CArchive archive(stream, CArchive::store);
  value.Serialize(archive);
  return stream.str();
}

// Reads bytes into value; the cause of the archive's refusal, or none.
int LoadInto(CConnectionData& value, const std::string& bytes) {
  std::stringstream stream(bytes);
  CArchive archive(stream, CArchive::load);
  try {
    value.Serialize(archive);
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_strFileName, "CConnectionData");
    return e.m_cause;
  }
  return CArchiveException::none;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string text;
  for (int b : bytes)
    text += static_cast<char>(b);
  return text;
}

// Each kind of data written and read back, into a value of its kind and
// into one without a definition, in the archive's own encodings.
TEST(ConnectionData, SerializesEachKindAndReadsItBack) {
  const struct {
    VornConnectionType type;
    std::function<Source()> source;
    std::string bytes;  // after the version, the type and the properties
  } kinds[] = {
      {ctFloatArray, [] { return Source::Floats({1.5f, -2}); },
       Bytes({2, 0, 0, 0, 0, 0, 0xC0, 0x3F, 0, 0, 0, 0xC0})},
      {ctString, [] { return Source::String(u"Hi"); }, Bytes({0xFF, 0xFE, 0xFF, 2, 'H', 0, 'i', 0})},
      {ctVariant, [] { return Source::Variant([](VARIANT& v) { v.vt = VT_I4, v.lVal = -3; }); },
       Bytes({3, 0, 0xFD, 0xFF, 0xFF, 0xFF})},
      {ctIUnknown, [] { Source s; s.record.m_Type = ctIUnknown; return s; }, ""},
  };
  for (const auto& kind : kinds) {
    SCOPED_TRACE(testing::Message() << "type " << kind.type);
    CConnectionData written(Definition(kind.type));
    Source source = kind.source();
    source.properties = u"<p/>";
    ASSERT_EQ(written.SetData(source.operator->()), S_OK);
    const std::string bytes = Stored(written);
    const std::string head = Bytes({1, 0, 0, 0, kind.type, 0, 0, 0, 0xFF, 0xFE, 0xFF, 4, '<', 0, 'p', 0, '/', 0, '>', 0});
    EXPECT_EQ(bytes, head + kind.bytes);
    for (bool defined : {true, false}) {
      CConnectionData read;
      if (defined)
        read.Init(Definition(kind.type));
      ASSERT_EQ(LoadInto(read, bytes), CArchiveException::none);
      EXPECT_EQ(read.GetDef()->m_Type, kind.type);
      EXPECT_EQ(Stored(read), bytes);
    }
  }
}

TEST(ConnectionData, RefusesArchivesItCannotReadAndKeepsItsData) {
  CConnectionData floats(Definition(ctFloatArray, 2));
  const std::string good = Stored(floats);
  std::string newer = good;
  newer[0] = 2;
  const std::pair<std::string, int> refused[] = {
      {newer, CArchiveException::badSchema},
      {Bytes({1, 0, 0, 0, ctString, 0, 0, 0, 0}), CArchiveException::badClass},
      {Bytes({1, 0, 0, 0, 9, 0, 0, 0, 0}), CArchiveException::badSchema},
      {Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F}), CArchiveException::endOfFile},  // 2^31-1 floats
      {Bytes({1, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}), CArchiveException::badSchema},  // -1 floats
  };
  for (const auto& [bytes, cause] : refused) {
    CConnectionData value(Definition(ctFloatArray, 2));
    EXPECT_EQ(LoadInto(value, bytes), cause);
    EXPECT_EQ(value.GetData()->m_iArrayElementCnt, 2);
  }
  for (std::size_t length = 0; length < good.size(); ++length) {
    CConnectionData value(Definition(ctFloatArray, 2));
    EXPECT_EQ(LoadInto(value, good.substr(0, length)), CArchiveException::endOfFile) << length;
  }

  // A VARIANT without an archive form is not written as if it had one.
  CConnectionData variant(Definition(ctVariant));
  Source array = Source::Floats({1, 2});
  ASSERT_EQ(variant.SetData(array.operator->()), S_OK);
  std::stringstream stream;
  CArchive archive(stream, CArchive::store);
  try {
    variant.Serialize(archive);
    ADD_FAILURE() << "an array was written";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::genericException);
    EXPECT_EQ(e.m_strFileName, "CConnectionData");
  }
}

}  // namespace
