#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"
#include "tests/support/tempdir.h"

PLATFORM_DEFINE_GUID(LIBID_SAMPLELib, "6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405162");
PLATFORM_DEFINE_GUID(CLSID_SampleThing, "6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405166");
PLATFORM_DEFINE_DIID(_SampleEvents, "6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405165");

enum Shade : int { light = 1, dark = -2 };
struct Inner {
  short a;
  double b;
};
struct Sample {
  char c;
  Inner inner;
  union {
    BYTE bytes[3];
    LONG wide;
  };
  BSTR* text;
  GUID id;
};

PLATFORM_DEFINE_IID(ISample, "6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405163");
struct ISample : IDispatch {
  virtual HRESULT Add(LONG a, LONG b, LONG* sum) = 0;
  virtual HRESULT get_Tone(Shade* shade) = 0;
  virtual HRESULT put_Tone(Shade shade) = 0;
  virtual HRESULT IsDark(VARIANT_BOOL* dark) = 0;
  virtual HRESULT Raw(Sample* sample) = 0;
};
PLATFORM_DEFINE_IID(ISampleMore, "6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405164");
struct ISampleMore : ISample {
  virtual HRESULT More(BSTR text, GUID clsid) = 0;
};

#include "PlatformSample.dispatch.h"

namespace {

// Releases what the test asked for.
struct Described {
  ITypeInfo* info;
  TYPEATTR* attributes = nullptr;
  explicit Described(ITypeInfo* i) : info(i) { info->GetTypeAttr(&attributes); }
  ~Described() {
    info->ReleaseTypeAttr(attributes);
    info->Release();
  }
};

std::string Text(BSTR text) {
  std::string utf8 = Platform::Utf16ToUtf8(text);
  SysFreeString(text);
  return utf8;
}

std::string NameOf(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  BSTR name = nullptr;
  EXPECT_EQ(info->GetDocumentation(id, &name, nullptr, nullptr, nullptr), S_OK);
  return Text(name);
}

ITypeLib* Load(const std::string& path) {
  ITypeLib* library = nullptr;
  EXPECT_EQ(LoadTypeLib(Platform::Utf8ToUtf16(path).c_str(), &library), S_OK) << path;
  return library;
}

ITypeInfo* Of(ITypeLib* library, REFGUID guid) {
  ITypeInfo* info = nullptr;
  EXPECT_EQ(library->GetTypeInfoOfGuid(guid, &info), S_OK);
  return info;
}

ITypeInfo* Referenced(ITypeInfo* info, UINT index) {
  HREFTYPE reference = 0;
  EXPECT_EQ(info->GetRefTypeOfImplType(index, &reference), S_OK);
  ITypeInfo* referenced = nullptr;
  EXPECT_EQ(info->GetRefTypeInfo(reference, &referenced), S_OK);
  return referenced;
}

ITypeInfo* Named(ITypeLib* library, const std::string& name) {
  for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
    ITypeInfo* info = nullptr;
    library->GetTypeInfo(i, &info);
    if (NameOf(info) == name)
      return info;
    info->Release();
  }
  ADD_FAILURE() << name;
  return nullptr;
}

std::string Self() {
  char path[PATH_MAX] = {};
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<std::size_t>(length)) : std::string();
}

// The compiled library, as a file, inside this program's file, and as this
// program's resource: the same library each way.
TEST(TypeLib, IsReadFromItsFileFromALibraryFileAndFromAModulesResource) {
  ITypeLib* fromResource = nullptr;
  ASSERT_EQ(Platform::LoadModuleTypeLib(nullptr, &fromResource), S_OK);
  for (ITypeLib* library : {Load(SAMPLE_TYPELIB), Load(Self()), fromResource}) {
    ASSERT_NE(library, nullptr);
    TLIBATTR* a = nullptr;
    ASSERT_EQ(library->GetLibAttr(&a), S_OK);
    EXPECT_EQ(a->guid, LIBID_SAMPLELib);
    EXPECT_EQ(a->wMajorVerNum, 1);
    EXPECT_EQ(a->wMinorVerNum, 2);
    EXPECT_EQ(a->lcid, 1031u);
    library->ReleaseTLibAttr(a);
    BSTR name = nullptr, help = nullptr, file = nullptr;
    ASSERT_EQ(library->GetDocumentation(-1, &name, &help, nullptr, &file), S_OK);
    EXPECT_EQ(Text(name), "SAMPLELib");
    EXPECT_EQ(Text(help), "Sample 1.2 Type Library");
    EXPECT_EQ(Text(file), "sample.hlp");
    EXPECT_EQ(library->GetTypeInfoCount(), 8u);  // the union of Sample is a type of its own
    library->Release();
  }
}

// What a scripting host binds to (the dispatch view: Invoke's arguments,
// the retval as result) and what a vtable caller sees.
TEST(TypeLib, DualInterfacesAnswerADispatchViewAndTheirVtableView) {
  ITypeLib* library = Load(SAMPLE_TYPELIB);
  Described dispatch(Of(library, IID_ISample));
  EXPECT_EQ(dispatch.attributes->typekind, TKIND_DISPATCH);
  EXPECT_NE(dispatch.attributes->wTypeFlags & TYPEFLAG_FDUAL, 0);
  Described vtable(Referenced(dispatch.info, static_cast<UINT>(-1)));
  EXPECT_EQ(vtable.attributes->typekind, TKIND_INTERFACE);
  EXPECT_EQ(vtable.attributes->cbSizeVft, 12 * sizeof(void*));
  struct Row {
    MEMBERID id;
    INVOKEKIND kind;
    SHORT dispatchParams, vtableParams;
    VARTYPE dispatchResult;
    WORD flags;
  };
  const Row rows[] = {
      {1, INVOKE_FUNC, 2, 3, VT_I4, 0},
      {2, INVOKE_PROPERTYGET, 0, 1, VT_USERDEFINED, 0},
      {2, INVOKE_PROPERTYPUT, 1, 1, VT_VOID, 0},
      {3, INVOKE_FUNC, 0, 1, VT_BOOL, 0},
      {0x60020004, INVOKE_FUNC, 1, 1, VT_VOID, FUNCFLAG_FRESTRICTED},
  };
  ASSERT_EQ(dispatch.attributes->cFuncs, std::size(rows));
  for (UINT i = 0; i < std::size(rows); ++i) {
    FUNCDESC* d = nullptr;
    FUNCDESC* v = nullptr;
    ASSERT_EQ(dispatch.info->GetFuncDesc(i, &d), S_OK);
    ASSERT_EQ(vtable.info->GetFuncDesc(i, &v), S_OK);
    EXPECT_EQ(d->memid, rows[i].id) << i;
    EXPECT_EQ(d->invkind, rows[i].kind) << i;
    EXPECT_EQ(d->funckind, FUNC_DISPATCH) << i;
    EXPECT_EQ(d->cParams, rows[i].dispatchParams) << i;
    EXPECT_EQ(d->elemdescFunc.tdesc.vt, rows[i].dispatchResult) << i;
    EXPECT_EQ(d->wFuncFlags, rows[i].flags) << i;
    EXPECT_EQ(v->funckind, FUNC_PUREVIRTUAL) << i;
    EXPECT_EQ(v->cParams, rows[i].vtableParams) << i;
    EXPECT_EQ(v->elemdescFunc.tdesc.vt, VT_HRESULT) << i;
    EXPECT_EQ(v->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << i;
    dispatch.info->ReleaseFuncDesc(d);
    vtable.info->ReleaseFuncDesc(v);
  }
  FUNCDESC* add = nullptr;
  vtable.info->GetFuncDesc(0, &add);
  EXPECT_EQ(add->lprgelemdescParam[2].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
  EXPECT_EQ(add->lprgelemdescParam[2].tdesc.vt, VT_PTR);
  EXPECT_EQ(add->lprgelemdescParam[2].tdesc.lptdesc->vt, VT_I4);
  vtable.info->ReleaseFuncDesc(add);
  BSTR help = nullptr;
  dispatch.info->GetDocumentation(1, nullptr, &help, nullptr, nullptr);
  EXPECT_EQ(Text(help), "adds");

  // A dual interface on another: its vtable continues its base's, whose
  // view it names as base; its dispatch view names the base itself.
  Described more(Of(library, IID_ISampleMore));
  Described moreVtable(Referenced(more.info, static_cast<UINT>(-1)));
  FUNCDESC* f = nullptr;
  moreVtable.info->GetFuncDesc(0, &f);
  EXPECT_EQ(f->oVft, static_cast<SHORT>(12 * sizeof(void*)));
  moreVtable.info->ReleaseFuncDesc(f);
  Described base(Referenced(moreVtable.info, 0));
  EXPECT_EQ(base.attributes->typekind, TKIND_INTERFACE);
  EXPECT_EQ(base.attributes->guid, IID_ISample);
  Described root(Referenced(dispatch.info, 0));
  EXPECT_EQ(NameOf(root.info), "IDispatch");
  library->Release();
}

// Fields are where the C++ structures have them, the union's inside it.
TEST(TypeLib, RecordsAreLaidOutAsTheirStructures) {
  ITypeLib* library = Load(SAMPLE_TYPELIB);
  Described record(Named(library, "Sample"));
  EXPECT_EQ(record.attributes->typekind, TKIND_RECORD);
  EXPECT_EQ(record.attributes->cbSizeInstance, sizeof(Sample));
  EXPECT_EQ(record.attributes->cbAlignment, alignof(Sample));
  struct Row {
    const char* name;
    std::size_t offset;
    VARTYPE vt;
    const char* type = "";
    std::size_t size = 0;
  };
  const Row fields[] = {{"c", offsetof(Sample, c), VT_I1},
                        {"inner", offsetof(Sample, inner), VT_USERDEFINED, "Inner", sizeof(Inner)},
                        {"union1", offsetof(Sample, bytes), VT_USERDEFINED, "SampleUnion1", sizeof(LONG)},
                        {"text", offsetof(Sample, text), VT_PTR},
                        {"id", offsetof(Sample, id), VT_USERDEFINED, "GUID", sizeof(GUID)}};
  ASSERT_EQ(record.attributes->cVars, std::size(fields));
  for (UINT i = 0; i < std::size(fields); ++i) {
    VARDESC* v = nullptr;
    ASSERT_EQ(record.info->GetVarDesc(i, &v), S_OK);
    EXPECT_EQ(NameOf(record.info, v->memid), fields[i].name);
    EXPECT_EQ(v->oInst, fields[i].offset) << fields[i].name;
    EXPECT_EQ(v->elemdescVar.tdesc.vt, fields[i].vt) << fields[i].name;
    if (fields[i].vt == VT_USERDEFINED) {
      ITypeInfo* type = nullptr;
      ASSERT_EQ(record.info->GetRefTypeInfo(v->elemdescVar.tdesc.hreftype, &type), S_OK);
      Described field(type);
      EXPECT_EQ(field.attributes->cbSizeInstance, fields[i].size) << fields[i].name;
      EXPECT_EQ(NameOf(field.info), fields[i].type);
    }
    record.info->ReleaseVarDesc(v);
  }
  Described unionType(Named(library, "SampleUnion1"));
  EXPECT_EQ(unionType.attributes->typekind, TKIND_UNION);
  VARDESC* bytes = nullptr;
  ASSERT_EQ(unionType.info->GetVarDesc(0, &bytes), S_OK);
  EXPECT_EQ(bytes->oInst, 0u);
  EXPECT_EQ(bytes->elemdescVar.tdesc.vt, VT_CARRAY);
  EXPECT_EQ(bytes->elemdescVar.tdesc.lpadesc->rgbounds[0].cElements, 3u);
  EXPECT_EQ(bytes->elemdescVar.tdesc.lpadesc->tdescElem.vt, VT_UI1);
  unionType.info->ReleaseVarDesc(bytes);
  library->Release();
}

TEST(TypeLib, EnumsAnswerTheirValuesAndClassesTheirInterfaces) {
  ITypeLib* library = Load(SAMPLE_TYPELIB);
  Described shade(Named(library, "Shade"));
  const std::pair<const char*, LONG> constants[] = {{"light", light}, {"dark", dark}};
  for (UINT i = 0; i < std::size(constants); ++i) {
    VARDESC* v = nullptr;
    ASSERT_EQ(shade.info->GetVarDesc(i, &v), S_OK);
    EXPECT_EQ(v->varkind, VAR_CONST);
    EXPECT_EQ(NameOf(shade.info, v->memid), constants[i].first);
    EXPECT_EQ(v->lpvarValue->lVal, constants[i].second);
    shade.info->ReleaseVarDesc(v);
  }
  Described thing(Of(library, CLSID_SampleThing));
  EXPECT_EQ(thing.attributes->typekind, TKIND_COCLASS);
  const std::pair<GUID, INT> interfaces[] = {{IID_ISampleMore, IMPLTYPEFLAG_FDEFAULT},
                                             {IID_ISample, 0},
                                             {DIID__SampleEvents, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  ASSERT_EQ(thing.attributes->cImplTypes, std::size(interfaces));
  for (UINT i = 0; i < std::size(interfaces); ++i) {
    INT flags = -1;
    thing.info->GetImplTypeFlags(i, &flags);
    EXPECT_EQ(flags, interfaces[i].second);
    Described implemented(Referenced(thing.info, i));
    EXPECT_EQ(implemented.attributes->guid, interfaces[i].first);
  }
  library->Release();
}

TEST(TypeLib, NamesBindToMembersAndParametersWithoutRegardToCase) {
  ITypeLib* library = Load(SAMPLE_TYPELIB);
  ITypeInfo* info = Of(library, IID_ISample);
  std::u16string add = u"aDD", b = u"B", nothing = u"nothing";
  LPOLESTR names[] = {add.data(), b.data()};
  MEMBERID ids[2] = {};
  EXPECT_EQ(info->GetIDsOfNames(names, 2, ids), S_OK);
  EXPECT_EQ(ids[0], 1);
  EXPECT_EQ(ids[1], 1);
  names[1] = nothing.data();
  EXPECT_EQ(info->GetIDsOfNames(names, 2, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[1], MEMBERID_NIL);
  BSTR found[4] = {};
  UINT count = 0;
  ASSERT_EQ(info->GetNames(1, found, 4, &count), S_OK);
  ASSERT_EQ(count, 3u);  // the retval parameter is the result
  EXPECT_EQ(Text(found[0]) + Text(found[1]) + Text(found[2]), "Addab");
  std::u16string tone = u"TONE";
  BOOL is = FALSE;
  EXPECT_EQ(library->IsName(tone.data(), 0, &is), S_OK);
  EXPECT_TRUE(is);
  EXPECT_EQ(tone, u"Tone");
  info->Release();
  library->Release();
}

// However a library's bytes are damaged, reading them stops inside them
// with a failure.
TEST(TypeLib, DamagedBytesAreRefused) {
  std::ifstream in(SAMPLE_TYPELIB, std::ios::binary);
  const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TestSupport::TempDir dir;
  auto loading = [&](const std::string& bytes) {
    std::string path = dir.Write("damaged.tlb", bytes);
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLib(Platform::Utf8ToUtf16(path).c_str(), &library);
    if (library != nullptr)
      library->Release();
    return hr;
  };
  for (std::size_t length = 4; length < good.size(); ++length)
    ASSERT_EQ(loading(good.substr(0, length)), TYPE_E_INVDATAREAD) << length;
  std::string newer = good;
  newer[4] = 2;
  std::string huge = good;
  huge.replace(8, 4, "\xff\xff\xff\x7f");  // the library name's length
  std::string trailing = good + "x";
  const std::pair<std::string, HRESULT> cases[] = {
      {good, S_OK}, {newer, TYPE_E_UNSUPFORMAT}, {huge, TYPE_E_INVDATAREAD},
      {trailing, TYPE_E_INVDATAREAD}, {"not a library", TYPE_E_CANTLOADLIBRARY}};
  for (const auto& [bytes, expected] : cases)
    EXPECT_EQ(loading(bytes), expected);
  ITypeLib* library = nullptr;
  EXPECT_EQ(LoadTypeLib(Platform::Utf8ToUtf16(dir.Path("missing.tlb")).c_str(), &library), TYPE_E_CANTLOADLIBRARY);
  EXPECT_EQ(LoadTypeLib(u"/bin/sh", &library), TYPE_E_CANTLOADLIBRARY);  // a library file without one
}

class TypeLibRegistration : public ::testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  static std::string Value(const std::string& path, const char* name = nullptr) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return "<no key>";
    char buffer[512] = {};
    DWORD size = sizeof buffer - 1;
    LONG result = RegQueryValueEx(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
  }
  static bool Exists(const std::string& path) { return Value(path) != "<no key>"; }
  TestSupport::TempDir m_dir;
};

TEST_F(TypeLibRegistration, EntersTheLibraryAndItsInterfacesAndRemovesThemAgain) {
  ITypeLib* library = Load(SAMPLE_TYPELIB);
  ASSERT_EQ(RegisterTypeLib(library, Platform::Utf8ToUtf16(SAMPLE_TYPELIB).c_str(), nullptr), S_OK);
  const std::string lib = "TypeLib\\" + Platform::GuidText(LIBID_SAMPLELib) + "\\1.2";
  std::string directory = SAMPLE_TYPELIB;
  directory.erase(directory.find_last_of('/'));
  const std::string sample = "Interface\\" + Platform::GuidText(IID_ISample);
  const std::pair<std::string, std::string> keys[] = {
      {lib, "Sample 1.2 Type Library"},
      {lib + "\\FLAGS", "0"},
      {lib + "\\HELPDIR", directory},
      {lib + "\\407\\win64", SAMPLE_TYPELIB},
      {sample, "ISample"},
      {sample + "\\TypeLib", Platform::GuidText(LIBID_SAMPLELib)},
      {"Interface\\" + Platform::GuidText(DIID__SampleEvents) + "\\TypeLib", Platform::GuidText(LIBID_SAMPLELib)},
  };
  for (const auto& [path, value] : keys)
    EXPECT_EQ(Value(path), value) << path;
  EXPECT_EQ(Value(sample + "\\TypeLib", "Version"), "1.2");

  struct Ask {
    WORD major, minor;
    LCID lcid;
    HRESULT expected;
  };
  for (const Ask& ask : {Ask{1, 0, 0x407, S_OK}, Ask{1, 2, 0x807, S_OK}, Ask{1, 0, 0, S_OK},
                         Ask{1, 3, 0, TYPE_E_LIBNOTREGISTERED}, Ask{2, 0, 0, TYPE_E_LIBNOTREGISTERED}}) {
    ITypeLib* found = nullptr;
    EXPECT_EQ(LoadRegTypeLib(LIBID_SAMPLELib, ask.major, ask.minor, ask.lcid, &found), ask.expected)
        << ask.major << "." << ask.minor << " " << ask.lcid;
    if (found != nullptr)
      found->Release();
  }

  // An interface that another library has entered since is left to it.
  HKEY key = nullptr;
  RegCreateKeyEx(HKEY_CLASSES_ROOT, (sample + "\\TypeLib").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                 nullptr);
  const std::string other = Platform::GuidText(CLSID_SampleThing);
  RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(other.c_str()),
                static_cast<DWORD>(other.size() + 1));
  RegCloseKey(key);
  EXPECT_EQ(UnRegisterTypeLib(LIBID_SAMPLELib, 1, 2, 0x407, SYS_WIN64), S_OK);
  EXPECT_FALSE(Exists("TypeLib\\" + Platform::GuidText(LIBID_SAMPLELib)));
  EXPECT_FALSE(Exists("Interface\\" + Platform::GuidText(IID_ISampleMore)));
  EXPECT_EQ(Value(sample + "\\TypeLib"), other);
  library->Release();
}

class ATL_NO_VTABLE SampleThing : public CComObjectRootEx<CComMultiThreadModel>,
                                  public IDispatchImpl<ISampleMore, &IID_ISampleMore, &LIBID_SAMPLELib, 1, 2>,
                                  public IProvideClassInfo2Impl<&CLSID_SampleThing, &DIID__SampleEvents,
                                                                &LIBID_SAMPLELib, 1, 2> {
public:
  BEGIN_COM_MAP(SampleThing)
  COM_INTERFACE_ENTRY(ISampleMore)
  COM_INTERFACE_ENTRY(IDispatch)
  COM_INTERFACE_ENTRY(IProvideClassInfo2)
  COM_INTERFACE_ENTRY(IProvideClassInfo)
  END_COM_MAP()
  HRESULT Add(LONG a, LONG b, LONG* sum) override { return *sum = a + b, S_OK; }
  HRESULT get_Tone(Shade* shade) override { return *shade = dark, S_OK; }
  HRESULT put_Tone(Shade) override { return S_OK; }
  HRESULT IsDark(VARIANT_BOOL* isDark) override { return *isDark = VARIANT_TRUE, S_OK; }
  HRESULT Raw(Sample*) override { return E_NOTIMPL; }
  HRESULT More(BSTR, GUID clsid) override { return clsid == CLSID_SampleThing ? S_OK : E_INVALIDARG; }
};

// Objects answer their type information from the library built into their
// own module, with nothing registered.
TEST(TypeInfo, ObjectsAnswerTheirInterfaceAndClassFromTheirModulesLibrary) {
  CComObject<SampleThing>* thing = nullptr;
  ASSERT_EQ(CComObject<SampleThing>::CreateInstance(&thing), S_OK);
  CComPtr<IDispatch> dispatch;
  thing->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ITypeInfo* info = nullptr;
  ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
  EXPECT_EQ(Described(info).attributes->guid, IID_ISampleMore);
  EXPECT_EQ(dispatch->GetTypeInfo(1, 0, &info), DISP_E_BADINDEX);

  CComQIPtr<IProvideClassInfo2> provider(dispatch);
  ASSERT_TRUE(provider);
  ASSERT_EQ(provider->GetClassInfo(&info), S_OK);
  EXPECT_EQ(Described(info).attributes->guid, CLSID_SampleThing);
  GUID events{};
  EXPECT_EQ(provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  EXPECT_EQ(events, DIID__SampleEvents);
  EXPECT_EQ(provider->GetGUID(2, &events), E_INVALIDARG);

  // The table written from the description: a class identifier goes as text.
  std::u16string more = u"More";
  LPOLESTR name = more.data();
  DISPID id = 0;
  ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  for (const auto& [text, expected] : {std::pair{Platform::GuidText(CLSID_SampleThing), S_OK},
                                      std::pair{std::string("not a GUID"), DISP_E_TYPEMISMATCH}}) {
    CComVariant arguments[2] = {CComVariant(Platform::Utf8ToUtf16(text).c_str()), CComVariant(u"x")};
    DISPPARAMS params{arguments, nullptr, 2, 0};
    UINT wrong = 0;
    EXPECT_EQ(dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &wrong), expected);
  }
}

// What the compiler refuses, it refuses with the line, and writes nothing.
TEST(TypeLibCompiler, RefusesWhatItCannotCompileNamingTheLine) {
  TestSupport::TempDir dir;
  const std::string head = "library L {6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405170} 1.0\n";
  const std::string dual = "interface I {6A1F0D3E-5C2B-4E8A-9B7D-1C2E3F405171} dual\n";
  const std::pair<std::string, std::string> cases[] = {
      {head + dual + "  method 1 F(in long* raw)\nend\n", ":3: 'raw' of 'F' has no automation type"},
      {head + dual + "  method 1 F()\n  method 1 G()\nend\n", ":4: two members of 'I' share"},
      {head + dual + "  method 1 F(in Nothing n)\nend\n", ":3: 'Nothing' is no type"},
      {head + dual + "  method 1 F(out retval long* a, in long b)\nend\n", ":3: the retval parameter of 'F'"},
      {head + dual + "  method 1 F() : long\nend\n", ":3: a member of a dual interface answers an HRESULT"},
      {head + "record R\n  R self\nend\n", ":2: 'R' contains itself"},
      {head + "enum E\n  a = 1\n", ":2: 'E' has no 'end'"},
      {head + "interface I {bad} dual\nend\n", ":2: '{bad}' is not a GUID"},
  };
  for (const auto& [text, message] : cases) {
    std::string description = dir.Write("bad.types", text);
    std::string output = dir.Path("bad.tlb");
    std::remove(output.c_str());
    std::string command = std::string(TYPELIBC) + " --import " + STANDARD_TYPES + " " + description + " " + output +
                          " " + dir.Path("bad.h") + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
      said += buffer;
    int status = pclose(pipe);
    EXPECT_EQ(WEXITSTATUS(status), 2) << text;
    EXPECT_NE(said.find("bad.types" + message), std::string::npos) << said;
    EXPECT_FALSE(dir.Exists("bad.tlb")) << text;
  }
}

}  // namespace
