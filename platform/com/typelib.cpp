// ITypeLib and ITypeInfo over a library read from its bytes, the loading
// of those bytes from files, modules and the registry, and registration.
#include <elf.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

#include "platform/activation/activation.h"
#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/text.h"
#include "platform/com/typelibdata.h"
#include "platform/registration/registration.h"
#include "platform/registry/registry.h"
#include "platform/resources/resources.h"

// The standard types (IUnknown, IDispatch, GUID, ...) that every library
// refers to, compiled from standard.types into this library.
extern "C" const unsigned char platform_standard_types[];
extern "C" const unsigned long platform_standard_types_size;

namespace Platform {

namespace {

using TypeLibData::Function;
using TypeLibData::kImported;
using TypeLibData::kVtableView;
using TypeLibData::Library;
using TypeLibData::Param;
using TypeLibData::Type;
using TypeLibData::TypeInfo;
using TypeLibData::Variable;

constexpr GUID kStandardTypesLibrary = GuidFromText("00020430-0000-0000-C000-000000000046");
constexpr WORD kSlotSize = sizeof(void*);
constexpr WORD kDispatchSlots = 7;
// The section of a library file that holds its TYPELIB 1 (Resources.cmake).
constexpr char kTypeLibSection[] = ".platform_typelib";
// No library of ours is anywhere near this; a larger claim is not one.
constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;

BSTR Bstr(const std::string& text) { return AllocBstr(text); }

void Answer(BSTR* out, const std::string& text) {
  if (out != nullptr)
    *out = Bstr(text);
}

bool IsDual(const TypeInfo& t) { return t.kind == TKIND_DISPATCH && (t.flags & TYPEFLAG_FDUAL) != 0; }

// Reference counting of the objects below.
template <class Interface>
class Counted : public Interface {
public:
  ULONG AddRef() override { return static_cast<ULONG>(++m_count); }
  ULONG Release() override {
    LONG left = --m_count;
    if (left == 0)
      delete this;
    return static_cast<ULONG>(left);
  }
  virtual ~Counted() = default;

protected:
  HRESULT Query(REFIID iid, void** object) {
    if (object == nullptr)
      return E_POINTER;
    if (iid == IID_IUnknown || iid == __uuidof(Interface)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }

private:
  std::atomic<LONG> m_count{1};
};

class TypeLib;

// The descriptions handed out by GetFuncDesc, GetVarDesc and GetTypeAttr,
// with the storage their pointers lead into; kept by the type information
// until the caller releases them.
struct Described {
  FUNCDESC function{};
  VARDESC variable{};
  TYPEATTR attributes{};
  std::vector<ELEMDESC> params;
  std::deque<TYPEDESC> types;
  std::deque<ARRAYDESC> arrays;
  VARIANT value{};
  ~Described() { VariantClear(&value); }

  // Fills target with type, its inner types kept here.
  void Fill(TYPEDESC& target, const Type& type) {
    TYPEDESC* at = &target;
    for (std::size_t i = 0; i < type.chain.size(); ++i) {
      VARTYPE vt = type.chain[i];
      at->vt = vt;
      if (vt == VT_USERDEFINED) {
        at->hreftype = type.reference;
      } else if (vt == VT_CARRAY) {
        ARRAYDESC& array = arrays.emplace_back();
        array.cDims = 1;
        array.rgbounds[0] = {type.elements, 0};
        at->lpadesc = &array;
        at = &array.tdescElem;
        continue;
      } else if (vt == VT_PTR || vt == VT_SAFEARRAY) {
        at->lptdesc = &types.emplace_back();
        at = at->lptdesc;
        continue;
      }
      break;
    }
  }
};

// A function as a view shows it.
struct Shown {
  const Function* function;
  std::vector<const Param*> params;
  Type result;
};

class TypeInformation final : public Counted<ITypeInfo> {
public:
  enum class View { Stored, Vtable };
  TypeInformation(TypeLib* library, UINT index, View view);
  ~TypeInformation() override;

  HRESULT QueryInterface(REFIID iid, void** object) override { return Query(iid, object); }

  HRESULT GetTypeAttr(TYPEATTR** attributes) override;
  HRESULT GetTypeComp(ITypeComp** comp) override {
    if (comp != nullptr)
      *comp = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetFuncDesc(UINT index, FUNCDESC** description) override;
  HRESULT GetVarDesc(UINT index, VARDESC** description) override;
  HRESULT GetNames(MEMBERID id, BSTR* names, UINT maxNames, UINT* count) override;
  HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* reference) override;
  HRESULT GetImplTypeFlags(UINT index, INT* flags) override;
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override;
  HRESULT Invoke(PVOID, MEMBERID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }
  HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override;
  HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR* dllName, BSTR* name, WORD* ordinal) override {
    if (dllName != nullptr)
      *dllName = nullptr;
    if (name != nullptr)
      *name = nullptr;
    if (ordinal != nullptr)
      *ordinal = 0;
    return TYPE_E_BADMODULEKIND;
  }
  HRESULT GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) override;
  HRESULT AddressOfMember(MEMBERID, INVOKEKIND, PVOID* address) override {
    if (address != nullptr)
      *address = nullptr;
    return TYPE_E_BADMODULEKIND;
  }
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, PVOID* object) override;
  HRESULT GetMops(MEMBERID, BSTR* mops) override {
    if (mops == nullptr)
      return E_INVALIDARG;
    *mops = nullptr;
    return S_OK;
  }
  HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) override;
  void ReleaseTypeAttr(TYPEATTR* attributes) override { Forget(attributes); }
  void ReleaseFuncDesc(FUNCDESC* description) override { Forget(description); }
  void ReleaseVarDesc(VARDESC* description) override { Forget(description); }

private:
  const TypeInfo& Data() const;
  const Library& LibraryData() const;
  bool DispatchView() const { return m_view == View::Stored && IsDual(Data()); }
  Shown Show(const Function& function) const;
  // Kept under the address the caller hands back to release it.
  void Keep(std::unique_ptr<Described> described, const void* key);
  void Forget(const void* key);
  const Function* FunctionOf(MEMBERID id) const;

  TypeLib* m_library;  // counted
  UINT m_index;
  View m_view;
  std::mutex m_lock;
  std::unordered_map<const void*, std::unique_ptr<Described>> m_described;
};

class TypeLib final : public Counted<ITypeLib> {
public:
  explicit TypeLib(Library data) : m_data(std::move(data)) {}

  const Library& Data() const { return m_data; }

  HRESULT QueryInterface(REFIID iid, void** object) override { return Query(iid, object); }
  UINT GetTypeInfoCount() override { return static_cast<UINT>(m_data.types.size()); }
  HRESULT GetTypeInfo(UINT index, ITypeInfo** info) override {
    if (info == nullptr)
      return E_INVALIDARG;
    *info = nullptr;
    if (index >= m_data.types.size())
      return TYPE_E_ELEMENTNOTFOUND;
    *info = new TypeInformation(this, index, TypeInformation::View::Stored);
    return S_OK;
  }
  HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) override {
    if (kind == nullptr)
      return E_INVALIDARG;
    if (index >= m_data.types.size())
      return TYPE_E_ELEMENTNOTFOUND;
    *kind = m_data.types[index].kind;
    return S_OK;
  }
  HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) override {
    if (info == nullptr)
      return E_INVALIDARG;
    *info = nullptr;
    for (UINT i = 0; i < m_data.types.size(); ++i) {
      if (m_data.types[i].guid == guid && guid != GUID_NULL)
        return GetTypeInfo(i, info);
    }
    return TYPE_E_ELEMENTNOTFOUND;
  }
  HRESULT GetLibAttr(TLIBATTR** attributes) override {
    if (attributes == nullptr)
      return E_INVALIDARG;
    *attributes = new TLIBATTR{m_data.guid, m_data.lcid, SYS_WIN64, m_data.major, m_data.minor, m_data.flags};
    return S_OK;
  }
  HRESULT GetTypeComp(ITypeComp** comp) override {
    if (comp != nullptr)
      *comp = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetDocumentation(INT index, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) override {
    if (index < -1 || (index >= 0 && static_cast<std::size_t>(index) >= m_data.types.size()))
      return TYPE_E_ELEMENTNOTFOUND;
    const std::string& text = index < 0 ? m_data.name : m_data.types[static_cast<std::size_t>(index)].name;
    const std::string& help = index < 0 ? m_data.help : m_data.types[static_cast<std::size_t>(index)].help;
    Answer(name, text);
    Answer(docString, help);
    if (helpContext != nullptr)
      *helpContext = 0;
    Answer(helpFile, m_data.helpFile);
    return S_OK;
  }
  HRESULT IsName(LPOLESTR nameBuffer, ULONG, BOOL* found) override {
    if (nameBuffer == nullptr || found == nullptr)
      return E_INVALIDARG;
    *found = FALSE;
    std::u16string_view wanted(nameBuffer);
    auto check = [&](const std::string& name) {
      if (*found || !EqualsIgnoringAsciiCase(wanted, name))
        return;
      *found = TRUE;
      // The library's own spelling, which is as long as the one asked.
      std::u16string spelt = Utf8ToUtf16(name);
      if (spelt.size() == wanted.size())
        std::memcpy(nameBuffer, spelt.data(), spelt.size() * sizeof(OLECHAR));
    };
    for (const TypeInfo& t : m_data.types) {
      check(t.name);
      for (const Function& f : t.functions) {
        check(f.name);
        for (const Param& p : f.params)
          check(p.name);
      }
      for (const Variable& v : t.variables)
        check(v.name);
    }
    return S_OK;
  }
  HRESULT FindName(LPOLESTR nameBuffer, ULONG, ITypeInfo** infos, MEMBERID* ids, USHORT* found) override {
    if (nameBuffer == nullptr || infos == nullptr || ids == nullptr || found == nullptr)
      return E_INVALIDARG;
    std::u16string_view wanted(nameBuffer);
    USHORT room = *found;
    USHORT count = 0;
    for (UINT i = 0; i < m_data.types.size() && count < room; ++i) {
      const TypeInfo& t = m_data.types[i];
      MEMBERID id = MEMBERID_NIL;
      bool hit = EqualsIgnoringAsciiCase(wanted, t.name);
      for (std::size_t f = 0; !hit && f < t.functions.size(); ++f)
        if (EqualsIgnoringAsciiCase(wanted, t.functions[f].name))
          hit = true, id = t.functions[f].id;
      for (std::size_t v = 0; !hit && v < t.variables.size(); ++v)
        if (EqualsIgnoringAsciiCase(wanted, t.variables[v].name))
          hit = true, id = t.variables[v].id;
      if (hit) {
        GetTypeInfo(i, &infos[count]);
        ids[count++] = id;
      }
    }
    *found = count;
    return S_OK;
  }
  void ReleaseTLibAttr(TLIBATTR* attributes) override { delete attributes; }

private:
  Library m_data;
};

TypeInformation::TypeInformation(TypeLib* library, UINT index, View view)
    : m_library(library), m_index(index), m_view(view) {
  m_library->AddRef();
}

TypeInformation::~TypeInformation() {
  m_described.clear();
  m_library->Release();
}

const TypeInfo& TypeInformation::Data() const { return m_library->Data().types[m_index]; }
const Library& TypeInformation::LibraryData() const { return m_library->Data(); }

Shown TypeInformation::Show(const Function& function) const {
  Shown shown{&function, {}, function.result};
  for (const Param& p : function.params) {
    if (DispatchView() && (p.flags & PARAMFLAG_FRETVAL) != 0) {
      // The retval parameter (a pointer) is the dispatch form's result.
      shown.result = p.type;
      if (shown.result.chain.size() > 1 && shown.result.chain.front() == VT_PTR)
        shown.result.chain.erase(shown.result.chain.begin());
      continue;
    }
    shown.params.push_back(&p);
  }
  if (DispatchView() && shown.result.chain == std::vector<VARTYPE>{VT_HRESULT})
    shown.result = Type{{VT_VOID}};
  return shown;
}

void TypeInformation::Keep(std::unique_ptr<Described> described, const void* key) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_described[key] = std::move(described);
}

void TypeInformation::Forget(const void* key) {
  if (key == nullptr)
    return;
  std::lock_guard<std::mutex> guard(m_lock);
  m_described.erase(key);
}

const Function* TypeInformation::FunctionOf(MEMBERID id) const {
  for (const Function& f : Data().functions)
    if (f.id == id)
      return &f;
  return nullptr;
}

HRESULT TypeInformation::GetTypeAttr(TYPEATTR** attributes) {
  if (attributes == nullptr)
    return E_INVALIDARG;
  const TypeInfo& t = Data();
  auto described = std::make_unique<Described>();
  TYPEATTR& a = described->attributes;
  a.guid = t.guid;
  a.lcid = LibraryData().lcid;
  a.memidConstructor = MEMBERID_NIL;
  a.memidDestructor = MEMBERID_NIL;
  a.cbSizeInstance = t.size;
  a.typekind = m_view == View::Vtable ? TKIND_INTERFACE : t.kind;
  a.cFuncs = static_cast<WORD>(t.functions.size());
  a.cVars = static_cast<WORD>(t.variables.size());
  a.cImplTypes = static_cast<WORD>(t.implemented.size());
  a.cbAlignment = t.alignment;
  a.wTypeFlags = t.flags;
  a.wMajorVerNum = LibraryData().major;
  a.wMinorVerNum = LibraryData().minor;
  if (t.kind == TKIND_INTERFACE || m_view == View::Vtable)
    a.cbSizeVft = static_cast<WORD>((t.baseSlots + t.functions.size()) * kSlotSize);
  else if (t.kind == TKIND_DISPATCH)
    a.cbSizeVft = kDispatchSlots * kSlotSize;
  if (t.kind == TKIND_ALIAS)
    described->Fill(a.tdescAlias, t.alias);
  TYPEATTR* kept = &described->attributes;
  Keep(std::move(described), kept);
  *attributes = kept;
  return S_OK;
}

HRESULT TypeInformation::GetFuncDesc(UINT index, FUNCDESC** description) {
  if (description == nullptr)
    return E_INVALIDARG;
  *description = nullptr;
  const TypeInfo& t = Data();
  if (index >= t.functions.size())
    return TYPE_E_ELEMENTNOTFOUND;
  Shown shown = Show(t.functions[index]);
  auto described = std::make_unique<Described>();
  FUNCDESC& d = described->function;
  d.memid = shown.function->id;
  d.funckind = t.kind == TKIND_DISPATCH && m_view == View::Stored ? FUNC_DISPATCH : FUNC_PUREVIRTUAL;
  d.invkind = shown.function->kind;
  d.callconv = CC_STDCALL;
  d.cParams = static_cast<SHORT>(shown.params.size());
  d.oVft = d.funckind == FUNC_DISPATCH ? 0 : static_cast<SHORT>((t.baseSlots + index) * kSlotSize);
  d.wFuncFlags = shown.function->flags;
  described->params.resize(shown.params.size());
  for (std::size_t i = 0; i < shown.params.size(); ++i) {
    described->Fill(described->params[i].tdesc, shown.params[i]->type);
    described->params[i].paramdesc.wParamFlags = shown.params[i]->flags;
    if ((shown.params[i]->flags & PARAMFLAG_FOPT) != 0)
      ++d.cParamsOpt;
  }
  d.lprgelemdescParam = described->params.empty() ? nullptr : described->params.data();
  described->Fill(d.elemdescFunc.tdesc, shown.result);
  FUNCDESC* kept = &described->function;
  Keep(std::move(described), kept);
  *description = kept;
  return S_OK;
}

HRESULT TypeInformation::GetVarDesc(UINT index, VARDESC** description) {
  if (description == nullptr)
    return E_INVALIDARG;
  *description = nullptr;
  const TypeInfo& t = Data();
  if (index >= t.variables.size())
    return TYPE_E_ELEMENTNOTFOUND;
  const Variable& v = t.variables[index];
  auto described = std::make_unique<Described>();
  VARDESC& d = described->variable;
  d.memid = v.id;
  d.varkind = v.kind;
  d.wVarFlags = v.flags;
  described->Fill(d.elemdescVar.tdesc, v.type);
  if (v.kind == VAR_CONST) {
    described->value.vt = VT_I4;
    described->value.lVal = v.value;
    d.lpvarValue = &described->value;
  } else {
    d.oInst = v.offset;
  }
  VARDESC* kept = &described->variable;
  Keep(std::move(described), kept);
  *description = kept;
  return S_OK;
}

HRESULT TypeInformation::GetNames(MEMBERID id, BSTR* names, UINT maxNames, UINT* count) {
  if (names == nullptr || count == nullptr)
    return E_INVALIDARG;
  *count = 0;
  std::vector<std::string> found;
  if (const Function* f = FunctionOf(id)) {
    Shown shown = Show(*f);
    found.push_back(f->name);
    for (const Param* p : shown.params)
      found.push_back(p->name);
  } else {
    for (const Variable& v : Data().variables)
      if (v.id == id)
        found.push_back(v.name);
  }
  if (found.empty())
    return TYPE_E_ELEMENTNOTFOUND;
  for (const std::string& name : found) {
    if (*count == maxNames)
      break;
    names[(*count)++] = Bstr(name);
  }
  return S_OK;
}

HRESULT TypeInformation::GetRefTypeOfImplType(UINT index, HREFTYPE* reference) {
  if (reference == nullptr)
    return E_INVALIDARG;
  const TypeInfo& t = Data();
  if (index == static_cast<UINT>(-1)) {
    if (!DispatchView())
      return TYPE_E_ELEMENTNOTFOUND;
    *reference = kVtableView | m_index;
    return S_OK;
  }
  if (index >= t.implemented.size())
    return TYPE_E_ELEMENTNOTFOUND;
  HREFTYPE stored = t.implemented[index].reference;
  // The vtable view of a dual interface derives from its base's vtable.
  if (m_view == View::Vtable && (stored & kImported) == 0 && IsDual(LibraryData().types[stored]))
    stored |= kVtableView;
  *reference = stored;
  return S_OK;
}

HRESULT TypeInformation::GetImplTypeFlags(UINT index, INT* flags) {
  if (flags == nullptr)
    return E_INVALIDARG;
  const TypeInfo& t = Data();
  if (index >= t.implemented.size())
    return TYPE_E_ELEMENTNOTFOUND;
  *flags = t.implemented[index].flags;
  return S_OK;
}

HRESULT TypeInformation::GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) {
  if (names == nullptr || ids == nullptr || count == 0)
    return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i)
    ids[i] = MEMBERID_NIL;
  if (names[0] == nullptr)
    return DISP_E_UNKNOWNNAME;
  std::u16string_view wanted(names[0]);
  const Function* function = nullptr;
  for (const Function& f : Data().functions)
    if (function == nullptr && EqualsIgnoringAsciiCase(wanted, f.name))
      function = &f;
  if (function != nullptr) {
    ids[0] = function->id;
    Shown shown = Show(*function);
    for (UINT i = 1; i < count; ++i)
      for (std::size_t p = 0; names[i] != nullptr && p < shown.params.size(); ++p)
        if (EqualsIgnoringAsciiCase(std::u16string_view(names[i]), shown.params[p]->name))
          ids[i] = static_cast<MEMBERID>(p);
  } else {
    for (const Variable& v : Data().variables)
      if (ids[0] == MEMBERID_NIL && EqualsIgnoringAsciiCase(wanted, v.name))
        ids[0] = v.id;
  }
  for (UINT i = 0; i < count; ++i)
    if (ids[i] == MEMBERID_NIL)
      return DISP_E_UNKNOWNNAME;
  return S_OK;
}

HRESULT TypeInformation::GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext,
                                          BSTR* helpFile) {
  const TypeInfo& t = Data();
  const std::string* text = nullptr;
  const std::string* help = nullptr;
  if (id == MEMBERID_NIL) {
    text = &t.name;
    help = &t.help;
  } else if (const Function* f = FunctionOf(id)) {
    text = &f->name;
    help = &f->help;
  } else {
    for (const Variable& v : t.variables)
      if (v.id == id && text == nullptr)
        text = &v.name, help = &v.help;
  }
  if (text == nullptr)
    return TYPE_E_ELEMENTNOTFOUND;
  Answer(name, *text);
  Answer(docString, *help);
  if (helpContext != nullptr)
    *helpContext = 0;
  Answer(helpFile, LibraryData().helpFile);
  return S_OK;
}

HRESULT LoadImported(const TypeLibData::Import& import, ITypeInfo** info);

HRESULT TypeInformation::GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) {
  if (info == nullptr)
    return E_INVALIDARG;
  *info = nullptr;
  const Library& library = LibraryData();
  if ((reference & kImported) != 0) {
    std::size_t at = reference & ~kImported;
    if (at >= library.imports.size())
      return TYPE_E_ELEMENTNOTFOUND;
    return LoadImported(library.imports[at], info);
  }
  bool vtable = (reference & kVtableView) != 0;
  std::size_t at = reference & ~kVtableView;
  if (at >= library.types.size() || (vtable && !IsDual(library.types[at])))
    return TYPE_E_ELEMENTNOTFOUND;
  *info = new TypeInformation(m_library, static_cast<UINT>(at), vtable ? View::Vtable : View::Stored);
  return S_OK;
}

HRESULT TypeInformation::CreateInstance(IUnknown* outer, REFIID iid, PVOID* object) {
  if (object == nullptr)
    return E_INVALIDARG;
  *object = nullptr;
  if (Data().kind != TKIND_COCLASS)
    return TYPE_E_WRONGTYPEKIND;
  return CoCreateInstance(Data().guid, outer, CLSCTX_SERVER, iid, object);
}

HRESULT TypeInformation::GetContainingTypeLib(ITypeLib** library, UINT* index) {
  if (library != nullptr) {
    *library = m_library;
    m_library->AddRef();
  }
  if (index != nullptr)
    *index = m_index;
  return S_OK;
}

HRESULT FromBytes(std::span<const BYTE> bytes, ITypeLib** library) {
  Library data;
  HRESULT hr = TypeLibData::Read(bytes, data);
  if (FAILED(hr))
    return hr;
  *library = new TypeLib(std::move(data));
  return S_OK;
}

// The bytes of a file's type library section (an ELF library of this
// platform), empty when it has none; nothing of the file is run.
std::vector<BYTE> ElfSection(std::ifstream& file, std::size_t size) {
  Elf64_Ehdr header{};
  if (size < sizeof header || !file.seekg(0).read(reinterpret_cast<char*>(&header), sizeof header))
    return {};
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_ident[EI_DATA] != ELFDATA2LSB || header.e_shentsize != sizeof(Elf64_Shdr) ||
      header.e_shstrndx >= header.e_shnum || header.e_shoff > size ||
      header.e_shnum > (size - header.e_shoff) / sizeof(Elf64_Shdr))
    return {};
  std::vector<Elf64_Shdr> sections(header.e_shnum);
  if (!file.seekg(static_cast<std::streamoff>(header.e_shoff))
           .read(reinterpret_cast<char*>(sections.data()),
                 static_cast<std::streamsize>(sections.size() * sizeof(Elf64_Shdr))))
    return {};
  auto bytesOf = [&](const Elf64_Shdr& s) -> std::vector<BYTE> {
    if (s.sh_type == SHT_NOBITS || s.sh_offset > size || s.sh_size > size - s.sh_offset ||
        s.sh_size > kMaxFileBytes)
      return {};
    std::vector<BYTE> bytes(s.sh_size);
    if (!file.seekg(static_cast<std::streamoff>(s.sh_offset))
             .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
      return {};
    return bytes;
  };
  std::vector<BYTE> names = bytesOf(sections[header.e_shstrndx]);
  for (const Elf64_Shdr& s : sections) {
    if (s.sh_name >= names.size())
      continue;
    const char* name = reinterpret_cast<const char*>(names.data()) + s.sh_name;
    std::size_t room = names.size() - s.sh_name;
    if (strnlen(name, room) == sizeof kTypeLibSection - 1 && std::strcmp(name, kTypeLibSection) == 0)
      return bytesOf(s);
  }
  return {};
}

struct Cache {
  std::mutex lock;
  // By library GUID and major version; the bytes' own minor version is
  // checked by whoever asks.
  std::map<std::pair<std::string, WORD>, ITypeLib*> libraries;
};

// Never destroyed: objects may ask for type information from static
// destructors.
Cache& Libraries() {
  static auto* cache = new Cache;
  return *cache;
}

HRESULT Cached(REFGUID libid, WORD major, WORD minor, ITypeLib** library) {
  Cache& cache = Libraries();
  std::lock_guard<std::mutex> guard(cache.lock);
  auto found = cache.libraries.find({GuidText(libid), major});
  if (found == cache.libraries.end())
    return TYPE_E_LIBNOTREGISTERED;
  TLIBATTR* attributes = nullptr;
  found->second->GetLibAttr(&attributes);
  bool fits = attributes->wMinorVerNum >= minor;
  found->second->ReleaseTLibAttr(attributes);
  if (!fits)
    return TYPE_E_LIBNOTREGISTERED;
  *library = found->second;
  (*library)->AddRef();
  return S_OK;
}

void Remember(ITypeLib* library) {
  TLIBATTR* attributes = nullptr;
  library->GetLibAttr(&attributes);
  Cache& cache = Libraries();
  std::lock_guard<std::mutex> guard(cache.lock);
  ITypeLib*& slot = cache.libraries[{GuidText(attributes->guid), attributes->wMajorVerNum}];
  library->ReleaseTLibAttr(attributes);
  if (slot == nullptr) {
    slot = library;
    library->AddRef();
  }
}

// Whether library is libid at major and at least minor.
bool Is(ITypeLib* library, REFGUID libid, WORD major, WORD minor) {
  TLIBATTR* attributes = nullptr;
  library->GetLibAttr(&attributes);
  bool is = attributes->guid == libid && attributes->wMajorVerNum == major && attributes->wMinorVerNum >= minor;
  library->ReleaseTLibAttr(attributes);
  return is;
}

HRESULT StandardTypes(ITypeLib** library) {
  static ITypeLib* standard = [] {
    ITypeLib* made = nullptr;
    FromBytes({platform_standard_types, platform_standard_types_size}, &made);
    return made;
  }();
  if (standard == nullptr)
    return TYPE_E_INVDATAREAD;
  *library = standard;
  standard->AddRef();
  return S_OK;
}

HRESULT LoadImported(const TypeLibData::Import& import, ITypeInfo** info) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadRegTypeLib(import.library, import.major, import.minor, 0, &library);
  if (FAILED(hr))
    return hr;
  hr = TYPE_E_ELEMENTNOTFOUND;
  if (import.guid != GUID_NULL) {
    hr = library->GetTypeInfoOfGuid(import.guid, info);
  } else {
    // Records and enums have no GUID: they are found by their name.
    for (UINT i = 0; FAILED(hr) && i < library->GetTypeInfoCount(); ++i) {
      BSTR name = nullptr;
      library->GetDocumentation(static_cast<INT>(i), &name, nullptr, nullptr, nullptr);
      if (Utf16ToUtf8(name) == import.name)
        hr = library->GetTypeInfo(i, info);
      SysFreeString(name);
    }
  }
  library->Release();
  return hr;
}

// HKEY_CLASSES_ROOT text values.
std::string DefaultValue(const std::string& path, const char* name = nullptr) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return {};
  char buffer[4096];
  DWORD size = sizeof buffer - 1;
  DWORD type = 0;
  LONG result = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  buffer[size] = '\0';
  return buffer;
}

std::vector<std::string> Subkeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  char name[PLATFORM_REG_MAX_KEY_NAME + 1];
  for (DWORD i = 0; RegEnumKey(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
    names.emplace_back(name);
  RegCloseKey(key);
  return names;
}

bool SetValue(const std::string& path, const char* name, const std::string& text) {
  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  bool set = RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
  return text;
}

std::string VersionText(WORD major, WORD minor) {
  char text[16];
  std::snprintf(text, sizeof text, "%x.%x", major, minor);
  return text;
}

// "<major>.<minor>" in hexadecimal, as the version keys are named.
bool ParseVersion(const std::string& text, WORD& major, WORD& minor) {
  unsigned a = 0, b = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%x.%x%c", &a, &b, &end) != 2 || a > 0xFFFF || b > 0xFFFF)
    return false;
  major = static_cast<WORD>(a);
  minor = static_cast<WORD>(b);
  return true;
}

// The registered path of the library, by the rules of LoadRegTypeLib.
std::string RegisteredPath(REFGUID libid, WORD major, WORD minor, LCID lcid) {
  const std::string base = "TypeLib\\" + GuidText(libid);
  std::string best;
  WORD bestMinor = 0;
  for (const std::string& version : Subkeys(base)) {
    WORD a = 0, b = 0;
    if (ParseVersion(version, a, b) && a == major && b >= minor && (best.empty() || b > bestMinor))
      best = version, bestMinor = b;
  }
  if (best.empty())
    return {};
  for (LCID language : {lcid, static_cast<LCID>(lcid & 0x3FF), LCID{0}}) {
    std::string path = DefaultValue(base + "\\" + best + "\\" + Hex(language) + "\\win64");
    if (!path.empty())
      return path;
  }
  // A library of one language only (a control's resources in German) is
  // that library whatever the language asked.
  for (const std::string& language : Subkeys(base + "\\" + best)) {
    std::string path = DefaultValue(base + "\\" + best + "\\" + language + "\\win64");
    if (!path.empty())
      return path;
  }
  return {};
}

// What RegisterTypeLib wrote; the Interface keys of library's interfaces
// (when it is known) that still name this library.
void RemoveRegistration(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib* library) {
  const std::string libidText = GuidText(libid);
  const std::string base = "TypeLib\\" + libidText;
  const std::string version = base + "\\" + VersionText(major, minor);
  for (UINT i = 0; library != nullptr && i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind{};
    library->GetTypeInfoType(i, &kind);
    ITypeInfo* info = nullptr;
    if ((kind != TKIND_INTERFACE && kind != TKIND_DISPATCH) || FAILED(library->GetTypeInfo(i, &info)))
      continue;
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    const std::string key = "Interface\\" + GuidText(attributes->guid);
    info->ReleaseTypeAttr(attributes);
    info->Release();
    // An interface another library has registered since stays.
    if (EqualsIgnoringAsciiCase(DefaultValue(key + "\\TypeLib"), libidText))
      DeleteKeyTree(HKEY_CLASSES_ROOT, key.c_str());
  }
  DeleteKeyTree(HKEY_CLASSES_ROOT, (version + "\\" + Hex(lcid)).c_str());
  bool languageLeft = false;
  for (const std::string& sub : Subkeys(version))
    if (!EqualsIgnoringAsciiCase(sub, "FLAGS") && !EqualsIgnoringAsciiCase(sub, "HELPDIR"))
      languageLeft = true;
  if (!languageLeft)
    DeleteKeyTree(HKEY_CLASSES_ROOT, version.c_str());
  if (Subkeys(base).empty())
    DeleteKeyTree(HKEY_CLASSES_ROOT, base.c_str());
}

}  // namespace

HRESULT LoadModuleTypeLib(HINSTANCE module, ITypeLib** library) {
  if (library == nullptr)
    return E_POINTER;
  *library = nullptr;
  HRSRC resource = FindResource(module, MAKEINTRESOURCE(1), "TYPELIB");
  if (resource == nullptr)
    return TYPE_E_CANTLOADLIBRARY;
  const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  return FromBytes({bytes, SizeofResource(module, resource)}, library);
}

HRESULT RegisterModuleTypeLib(HINSTANCE module) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadModuleTypeLib(module, &library);
  if (hr == TYPE_E_CANTLOADLIBRARY)
    return S_OK;
  if (FAILED(hr))
    return hr;
  std::string path = ModuleFilePath(module);
  hr = path.empty() ? SELFREG_E_TYPELIB : RegisterTypeLib(library, Utf8ToUtf16(path).c_str(), nullptr);
  library->Release();
  return hr;
}

HRESULT UnRegisterModuleTypeLib(HINSTANCE module) {
  ITypeLib* library = nullptr;
  HRESULT hr = LoadModuleTypeLib(module, &library);
  if (hr == TYPE_E_CANTLOADLIBRARY)
    return S_OK;
  if (FAILED(hr))
    return hr;
  TLIBATTR* a = nullptr;
  library->GetLibAttr(&a);
  RemoveRegistration(a->guid, a->wMajorVerNum, a->wMinorVerNum, a->lcid, library);
  library->ReleaseTLibAttr(a);
  library->Release();
  return hr;
}

HRESULT GetTypeInfoOf(REFGUID libid, WORD major, WORD minor, HINSTANCE module, REFGUID guid, ITypeInfo** info) {
  if (info == nullptr)
    return E_POINTER;
  *info = nullptr;
  ITypeLib* library = nullptr;
  HRESULT hr = Cached(libid, major, minor, &library);
  if (FAILED(hr)) {
    // The library that the asking code is built with first, then any other
    // loaded module's, then the registry's.
    std::vector<HINSTANCE> modules{module};
    for (HINSTANCE other : ModulesWithResource(MAKEINTRESOURCE(1), "TYPELIB"))
      if (other != module)
        modules.push_back(other);
    for (HINSTANCE candidate : modules) {
      if (SUCCEEDED(LoadModuleTypeLib(candidate, &library)) && Is(library, libid, major, minor))
        break;
      if (library != nullptr)
        library->Release();
      library = nullptr;
    }
    hr = library != nullptr ? S_OK : LoadRegTypeLib(libid, major, minor, 0, &library);
    if (FAILED(hr))
      return hr;
    Remember(library);
  }
  hr = library->GetTypeInfoOfGuid(guid, info);
  library->Release();
  return hr;
}

}  // namespace Platform

HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib** library) {
  if (file == nullptr || library == nullptr)
    return E_INVALIDARG;
  *library = nullptr;
  std::ifstream in(Platform::Utf16ToUtf8(file), std::ios::binary | std::ios::ate);
  if (!in)
    return TYPE_E_CANTLOADLIBRARY;
  const auto size = static_cast<std::size_t>(in.tellg());
  std::vector<BYTE> head(std::min<std::size_t>(size, 4));
  in.seekg(0).read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  std::vector<BYTE> bytes;
  if (Platform::TypeLibData::LooksLikeTypeLib(head)) {
    if (size > Platform::kMaxFileBytes)
      return TYPE_E_INVDATAREAD;
    bytes.resize(size);
    if (!in.seekg(0).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)))
      return TYPE_E_CANTLOADLIBRARY;
  } else {
    bytes = Platform::ElfSection(in, size);
    if (bytes.empty())
      return TYPE_E_CANTLOADLIBRARY;
  }
  return Platform::FromBytes(bytes, library);
}

HRESULT QueryPathOfRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, BSTR* path) {
  if (path == nullptr)
    return E_INVALIDARG;
  *path = nullptr;
  std::string found = Platform::RegisteredPath(libid, major, minor, lcid);
  if (found.empty())
    return TYPE_E_LIBNOTREGISTERED;
  *path = Platform::AllocBstr(found);
  return S_OK;
}

HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** library) {
  if (library == nullptr)
    return E_INVALIDARG;
  *library = nullptr;
  if (libid == Platform::kStandardTypesLibrary)
    return Platform::StandardTypes(library);
  std::string path = Platform::RegisteredPath(libid, major, minor, lcid);
  if (path.empty())
    return TYPE_E_LIBNOTREGISTERED;
  HRESULT hr = LoadTypeLib(Platform::Utf8ToUtf16(path).c_str(), library);
  if (SUCCEEDED(hr) && !Platform::Is(*library, libid, major, minor)) {
    // The file registered for the library holds another.
    (*library)->Release();
    *library = nullptr;
    hr = TYPE_E_LIBNOTREGISTERED;
  }
  return hr;
}

HRESULT RegisterTypeLib(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDirectory) {
  if (library == nullptr || fullPath == nullptr)
    return E_INVALIDARG;
  TLIBATTR* attributes = nullptr;
  HRESULT hr = library->GetLibAttr(&attributes);
  if (FAILED(hr))
    return hr;
  const TLIBATTR a = *attributes;
  library->ReleaseTLibAttr(attributes);
  BSTR name = nullptr, help = nullptr;
  library->GetDocumentation(-1, &name, &help, nullptr, nullptr);
  std::string title = Platform::Utf16ToUtf8(SysStringLen(help) > 0 ? help : name);
  SysFreeString(name);
  SysFreeString(help);
  std::string path = Platform::Utf16ToUtf8(fullPath);
  std::string directory =
      helpDirectory != nullptr ? Platform::Utf16ToUtf8(helpDirectory) : path.substr(0, path.find_last_of('/') + 1);
  if (directory.size() > 1 && directory.back() == '/')
    directory.pop_back();
  const std::string libid = Platform::GuidText(a.guid);
  const std::string version = "TypeLib\\" + libid + "\\" + Platform::VersionText(a.wMajorVerNum, a.wMinorVerNum);
  bool ok = Platform::SetValue(version, nullptr, title) &&
            Platform::SetValue(version + "\\FLAGS", nullptr, std::to_string(a.wLibFlags)) &&
            Platform::SetValue(version + "\\HELPDIR", nullptr, directory) &&
            Platform::SetValue(version + "\\" + Platform::Hex(a.lcid) + "\\win64", nullptr, path);
  const std::string versionValue = std::to_string(a.wMajorVerNum) + "." + std::to_string(a.wMinorVerNum);
  for (UINT i = 0; ok && i < library->GetTypeInfoCount(); ++i) {
    TYPEKIND kind{};
    library->GetTypeInfoType(i, &kind);
    if (kind != TKIND_INTERFACE && kind != TKIND_DISPATCH)
      continue;
    ITypeInfo* info = nullptr;
    if (FAILED(library->GetTypeInfo(i, &info)))
      continue;
    TYPEATTR* typeAttributes = nullptr;
    info->GetTypeAttr(&typeAttributes);
    const std::string key = "Interface\\" + Platform::GuidText(typeAttributes->guid);
    info->ReleaseTypeAttr(typeAttributes);
    BSTR interfaceName = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &interfaceName, nullptr, nullptr, nullptr);
    info->Release();
    ok = Platform::SetValue(key, nullptr, Platform::Utf16ToUtf8(interfaceName)) &&
         Platform::SetValue(key + "\\TypeLib", nullptr, libid) &&
         Platform::SetValue(key + "\\TypeLib", "Version", versionValue);
    SysFreeString(interfaceName);
  }
  return ok ? S_OK : TYPE_E_REGISTRYACCESS;
}

HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND) {
  // The interfaces, from the registered file while it is still named.
  ITypeLib* library = nullptr;
  std::string path = Platform::DefaultValue("TypeLib\\" + Platform::GuidText(libid) + "\\" +
                                            Platform::VersionText(major, minor) + "\\" + Platform::Hex(lcid) +
                                            "\\win64");
  if (!path.empty() && FAILED(LoadTypeLib(Platform::Utf8ToUtf16(path).c_str(), &library)))
    library = nullptr;
  Platform::RemoveRegistration(libid, major, minor, lcid, library);
  if (library != nullptr)
    library->Release();
  return S_OK;
}
