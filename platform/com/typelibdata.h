// A type library as data: what the build-time compiler (typelibc) makes of
// a description and writes as bytes, and what LoadTypeLib reads back and
// answers ITypeLib and ITypeInfo from. Both sides compile this one file,
// so the bytes have one writer and one reader.
//
// References between types (HREFTYPE) are a type's index in its library,
// or kImported | the index of an entry of imports (a type of another
// library, found by that library's GUID and version and the type's GUID).
#ifndef PLATFORM_COM_TYPELIBDATA_H
#define PLATFORM_COM_TYPELIBDATA_H

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/com/typeinfo.h"

namespace Platform::TypeLibData {

inline constexpr HREFTYPE kImported = 0x80000000u;
// Not stored: the vtable view of the dual interface at that index.
inline constexpr HREFTYPE kVtableView = 0x40000000u;

// A type as the chain of VARTYPEs from the outside in: BSTR* is
// {VT_PTR, VT_BSTR}; a pointer to an interface of the library is
// {VT_PTR, VT_USERDEFINED} with its reference; a fixed array of a record's
// field is {VT_CARRAY, element type...} with its element count.
struct Type {
  std::vector<VARTYPE> chain;
  HREFTYPE reference = 0;  // when the chain ends in VT_USERDEFINED
  ULONG elements = 0;      // when the chain starts with VT_CARRAY
};

struct Param {
  std::string name;
  Type type;
  USHORT flags = 0;  // PARAMFLAG_*
};

// A function as the vtable has it (an interface, a dual interface: an
// HRESULT result, the retval parameter last) or as Invoke takes it (a
// dispatch interface: the result is the value answered).
struct Function {
  std::string name;
  std::string help;
  MEMBERID id = 0;
  INVOKEKIND kind = INVOKE_FUNC;
  WORD flags = 0;  // FUNCFLAG_*
  Type result;
  std::vector<Param> params;
};

// A record's or union's field (at offset), or an enum's constant (value).
struct Variable {
  std::string name;
  std::string help;
  MEMBERID id = 0;
  VARKIND kind = VAR_PERINSTANCE;
  WORD flags = 0;
  Type type;
  ULONG offset = 0;
  LONG value = 0;
};

struct Implemented {
  HREFTYPE reference = 0;
  INT flags = 0;  // IMPLTYPEFLAG_*
};

struct TypeInfo {
  std::string name;
  std::string help;
  GUID guid{};
  TYPEKIND kind = TKIND_RECORD;
  WORD flags = 0;  // TYPEFLAG_*
  ULONG size = 0;
  WORD alignment = 0;
  // Interfaces: the vtable slots before this interface's own (3 after
  // IUnknown, 7 after IDispatch).
  WORD baseSlots = 0;
  std::vector<Function> functions;
  std::vector<Variable> variables;
  // The base interface (interfaces), IDispatch (dispatch interfaces), the
  // classes' interfaces.
  std::vector<Implemented> implemented;
  Type alias;  // TKIND_ALIAS
};

struct Import {
  GUID library{};
  WORD major = 0;
  WORD minor = 0;
  GUID guid{};
  std::string name;
  TYPEKIND kind = TKIND_INTERFACE;
};

struct Library {
  std::string name;
  std::string help;
  std::string helpFile;
  GUID guid{};
  WORD major = 1;
  WORD minor = 0;
  LCID lcid = 0;
  WORD flags = 0;  // LIBFLAG_*
  std::vector<TypeInfo> types;
  std::vector<Import> imports;
};

std::vector<BYTE> Write(const Library& library);

// The library of bytes, or the failure: TYPE_E_UNSUPFORMAT for bytes of
// another format version, TYPE_E_INVDATAREAD for anything unreadable
// (truncated, counts beyond the bytes, references to nothing).
HRESULT Read(std::span<const BYTE> bytes, Library& library);

// Whether the bytes begin as a type library of this format does.
bool LooksLikeTypeLib(std::span<const BYTE> bytes);

}  // namespace Platform::TypeLibData

#endif
