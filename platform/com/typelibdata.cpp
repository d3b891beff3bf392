#include "platform/com/typelibdata.h"

#include <cstring>

namespace Platform::TypeLibData {

namespace {

constexpr BYTE kMagic[4] = {'P', 'T', 'L', 'B'};
constexpr DWORD kFormatVersion = 1;

// Bounds that no library of ours comes near; what exceeds them is not a
// library, whatever its bytes claim.
constexpr std::size_t kMaxText = 1 << 16;
constexpr std::size_t kMaxChain = 16;
constexpr std::size_t kMaxCount = 0xFFFF;

class Writer {
public:
  void U8(BYTE v) { m_bytes.push_back(v); }
  void U16(WORD v) {
    for (int i = 0; i < 2; ++i)
      U8(static_cast<BYTE>(v >> (8 * i)));
  }
  void U32(DWORD v) {
    for (int i = 0; i < 4; ++i)
      U8(static_cast<BYTE>(v >> (8 * i)));
  }
  void Text(const std::string& text) {
    U32(static_cast<DWORD>(text.size()));
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
  }
  void Guid(const GUID& guid) {
    U32(guid.Data1);
    U16(guid.Data2);
    U16(guid.Data3);
    for (BYTE b : guid.Data4)
      U8(b);
  }
  void TypeOf(const Type& type) {
    U8(static_cast<BYTE>(type.chain.size()));
    for (VARTYPE vt : type.chain)
      U16(vt);
    U32(type.reference);
    U32(type.elements);
  }
  std::vector<BYTE> Take() { return std::move(m_bytes); }

private:
  std::vector<BYTE> m_bytes;
};

// Every read checks what is left; the first failure sticks and every later
// read answers zero, so a caller tests once at the end of a part.
class Reader {
public:
  explicit Reader(std::span<const BYTE> bytes) : m_bytes(bytes) {}
  bool Ok() const { return m_ok; }
  void Fail() { m_ok = false; }
  bool AtEnd() const { return m_at == m_bytes.size(); }

  BYTE U8() {
    if (!Have(1))
      return 0;
    return m_bytes[m_at++];
  }
  WORD U16() {
    WORD v = 0;
    if (Have(2))
      for (int i = 0; i < 2; ++i)
        v = static_cast<WORD>(v | WORD{m_bytes[m_at++]} << (8 * i));
    return v;
  }
  DWORD U32() {
    DWORD v = 0;
    if (Have(4))
      for (int i = 0; i < 4; ++i)
        v |= DWORD{m_bytes[m_at++]} << (8 * i);
    return v;
  }
  std::string Text() {
    DWORD length = U32();
    if (length > kMaxText || !Have(length))
      return Fail(), std::string();
    std::string text(reinterpret_cast<const char*>(m_bytes.data() + m_at), length);
    m_at += length;
    return text;
  }
  GUID Guid() {
    GUID guid{};
    guid.Data1 = U32();
    guid.Data2 = U16();
    guid.Data3 = U16();
    for (BYTE& b : guid.Data4)
      b = U8();
    return guid;
  }
  Type TypeOf() {
    Type type;
    std::size_t length = U8();
    if (length == 0 || length > kMaxChain)
      return Fail(), type;
    for (std::size_t i = 0; i < length; ++i)
      type.chain.push_back(U16());
    type.reference = U32();
    type.elements = U32();
    return type;
  }
  // A count of items, each of which takes at least one byte.
  std::size_t Count() {
    DWORD count = U32();
    if (count > kMaxCount || count > m_bytes.size() - m_at)
      return Fail(), 0;
    return count;
  }

private:
  bool Have(std::size_t n) {
    if (!m_ok || n > m_bytes.size() - m_at)
      return m_ok = false;
    return true;
  }

  std::span<const BYTE> m_bytes;
  std::size_t m_at = 0;
  bool m_ok = true;
};

void WriteType(Writer& w, const TypeInfo& t) {
  w.Text(t.name);
  w.Text(t.help);
  w.Guid(t.guid);
  w.U16(static_cast<WORD>(t.kind));
  w.U16(t.flags);
  w.U32(t.size);
  w.U16(t.alignment);
  w.U16(t.baseSlots);
  w.TypeOf(t.alias.chain.empty() ? Type{{VT_EMPTY}} : t.alias);
  w.U32(static_cast<DWORD>(t.functions.size()));
  for (const Function& f : t.functions) {
    w.Text(f.name);
    w.Text(f.help);
    w.U32(static_cast<DWORD>(f.id));
    w.U16(static_cast<WORD>(f.kind));
    w.U16(f.flags);
    w.TypeOf(f.result);
    w.U32(static_cast<DWORD>(f.params.size()));
    for (const Param& p : f.params) {
      w.Text(p.name);
      w.TypeOf(p.type);
      w.U16(p.flags);
    }
  }
  w.U32(static_cast<DWORD>(t.variables.size()));
  for (const Variable& v : t.variables) {
    w.Text(v.name);
    w.Text(v.help);
    w.U32(static_cast<DWORD>(v.id));
    w.U16(static_cast<WORD>(v.kind));
    w.U16(v.flags);
    w.TypeOf(v.type);
    w.U32(v.offset);
    w.U32(static_cast<DWORD>(v.value));
  }
  w.U32(static_cast<DWORD>(t.implemented.size()));
  for (const Implemented& i : t.implemented) {
    w.U32(i.reference);
    w.U32(static_cast<DWORD>(i.flags));
  }
}

bool KnownKind(WORD kind) { return kind < TKIND_MAX && kind != TKIND_MODULE; }

bool KnownInvokeKind(WORD kind) {
  return kind == INVOKE_FUNC || kind == INVOKE_PROPERTYGET || kind == INVOKE_PROPERTYPUT ||
         kind == INVOKE_PROPERTYPUTREF;
}

TypeInfo ReadType(Reader& r) {
  TypeInfo t;
  t.name = r.Text();
  t.help = r.Text();
  t.guid = r.Guid();
  WORD kind = r.U16();
  if (!KnownKind(kind))
    r.Fail();
  t.kind = static_cast<TYPEKIND>(kind);
  t.flags = r.U16();
  t.size = r.U32();
  t.alignment = r.U16();
  t.baseSlots = r.U16();
  t.alias = r.TypeOf();
  if (t.kind != TKIND_ALIAS)
    t.alias = Type{};
  for (std::size_t n = r.Count(); n > 0 && r.Ok(); --n) {
    Function f;
    f.name = r.Text();
    f.help = r.Text();
    f.id = static_cast<MEMBERID>(r.U32());
    WORD invoke = r.U16();
    if (!KnownInvokeKind(invoke))
      r.Fail();
    f.kind = static_cast<INVOKEKIND>(invoke);
    f.flags = r.U16();
    f.result = r.TypeOf();
    for (std::size_t m = r.Count(); m > 0 && r.Ok(); --m) {
      Param p;
      p.name = r.Text();
      p.type = r.TypeOf();
      p.flags = r.U16();
      f.params.push_back(std::move(p));
    }
    t.functions.push_back(std::move(f));
  }
  for (std::size_t n = r.Count(); n > 0 && r.Ok(); --n) {
    Variable v;
    v.name = r.Text();
    v.help = r.Text();
    v.id = static_cast<MEMBERID>(r.U32());
    WORD kindOfVariable = r.U16();
    if (kindOfVariable != VAR_PERINSTANCE && kindOfVariable != VAR_CONST)
      r.Fail();
    v.kind = static_cast<VARKIND>(kindOfVariable);
    v.flags = r.U16();
    v.type = r.TypeOf();
    v.offset = r.U32();
    v.value = static_cast<LONG>(r.U32());
    t.variables.push_back(std::move(v));
  }
  for (std::size_t n = r.Count(); n > 0 && r.Ok(); --n) {
    Implemented i;
    i.reference = r.U32();
    i.flags = static_cast<INT>(r.U32());
    t.implemented.push_back(i);
  }
  return t;
}

// A chain that describes a type: pointers and arrays lead to one base
// type, a user-defined base names a type that exists, a fixed array has
// elements.
bool ValidType(const Type& type, const Library& library) {
  if (type.chain.empty())
    return false;
  for (std::size_t i = 0; i < type.chain.size(); ++i) {
    VARTYPE vt = type.chain[i];
    bool last = i + 1 == type.chain.size();
    bool leads = vt == VT_PTR || vt == VT_SAFEARRAY || vt == VT_CARRAY;
    if (leads == last)
      return false;
    if (vt == VT_CARRAY && (i != 0 || type.elements == 0))
      return false;
    if (vt == VT_USERDEFINED) {
      HREFTYPE r = type.reference;
      bool imported = (r & kImported) != 0;
      if (imported ? (r & ~kImported) >= library.imports.size() : r >= library.types.size())
        return false;
    }
  }
  return true;
}

bool ValidReference(HREFTYPE r, const Library& library) {
  return (r & kImported) != 0 ? (r & ~kImported) < library.imports.size() : r < library.types.size();
}

bool Valid(const Library& library) {
  for (const TypeInfo& t : library.types) {
    if (t.kind == TKIND_ALIAS && !ValidType(t.alias, library))
      return false;
    for (const Function& f : t.functions) {
      if (!ValidType(f.result, library))
        return false;
      for (const Param& p : f.params)
        if (!ValidType(p.type, library))
          return false;
    }
    for (const Variable& v : t.variables)
      if (!ValidType(v.type, library))
        return false;
    for (const Implemented& i : t.implemented)
      if (!ValidReference(i.reference, library))
        return false;
  }
  return true;
}

}  // namespace

std::vector<BYTE> Write(const Library& library) {
  Writer w;
  for (BYTE b : kMagic)
    w.U8(b);
  w.U32(kFormatVersion);
  w.Text(library.name);
  w.Text(library.help);
  w.Text(library.helpFile);
  w.Guid(library.guid);
  w.U16(library.major);
  w.U16(library.minor);
  w.U32(library.lcid);
  w.U16(library.flags);
  w.U32(static_cast<DWORD>(library.imports.size()));
  for (const Import& i : library.imports) {
    w.Guid(i.library);
    w.U16(i.major);
    w.U16(i.minor);
    w.Guid(i.guid);
    w.Text(i.name);
    w.U16(static_cast<WORD>(i.kind));
  }
  w.U32(static_cast<DWORD>(library.types.size()));
  for (const TypeInfo& t : library.types)
    WriteType(w, t);
  return w.Take();
}

bool LooksLikeTypeLib(std::span<const BYTE> bytes) {
  return bytes.size() >= sizeof kMagic && std::memcmp(bytes.data(), kMagic, sizeof kMagic) == 0;
}

HRESULT Read(std::span<const BYTE> bytes, Library& library) {
  if (!LooksLikeTypeLib(bytes))
    return TYPE_E_INVDATAREAD;
  Reader r(bytes.subspan(sizeof kMagic));
  DWORD version = r.U32();
  if (!r.Ok())
    return TYPE_E_INVDATAREAD;
  if (version != kFormatVersion)
    return TYPE_E_UNSUPFORMAT;
  Library read;
  read.name = r.Text();
  read.help = r.Text();
  read.helpFile = r.Text();
  read.guid = r.Guid();
  read.major = r.U16();
  read.minor = r.U16();
  read.lcid = r.U32();
  read.flags = r.U16();
  for (std::size_t n = r.Count(); n > 0 && r.Ok(); --n) {
    Import i;
    i.library = r.Guid();
    i.major = r.U16();
    i.minor = r.U16();
    i.guid = r.Guid();
    i.name = r.Text();
    WORD kind = r.U16();
    if (!KnownKind(kind))
      r.Fail();
    i.kind = static_cast<TYPEKIND>(kind);
    read.imports.push_back(std::move(i));
  }
  for (std::size_t n = r.Count(); n > 0 && r.Ok(); --n)
    read.types.push_back(ReadType(r));
  if (!r.Ok() || !r.AtEnd() || !Valid(read))
    return TYPE_E_INVDATAREAD;
  library = std::move(read);
  return S_OK;
}

}  // namespace Platform::TypeLibData
