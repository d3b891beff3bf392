// Type information: what a server's type library says about its
// interfaces, records, enums and classes, read by scripting hosts,
// containers and the objects' own IDispatch (GetTypeInfo).
//
// A library is written once, as a description, and compiled at build time
// (typelibc, platform_add_type_library in TypeLibraries.cmake) into the
// bytes a server carries as its resource TYPELIB 1; the dispatch tables of
// its interfaces come from the same description. LoadTypeLib reads those
// bytes from a library file (without running any of its code) or from a
// file of their own; RegisterTypeLib enters a library under
//   TypeLib\{libid}\<major>.<minor>          the help string (or the name)
//     FLAGS                                  the library flags, in decimal
//     HELPDIR                                the help file's directory
//     <lcid in hex>\win64                    the file's absolute path
//   Interface\{iid}                          the interface's name
//     TypeLib                                {libid}, Version = "<major>.<minor>"
// and LoadRegTypeLib finds it there again.
//
// Views of an interface. A dual interface is answered as its dispatch
// view (TKIND_DISPATCH, TYPEFLAG_FDUAL): functions of kind FUNC_DISPATCH
// whose parameters are the arguments Invoke takes (the retval parameter is
// the function's result); GetRefTypeOfImplType(-1) gives its vtable view
// (TKIND_INTERFACE: FUNC_PUREVIRTUAL, every parameter, an HRESULT result,
// oVft the slot's byte offset). Members of an interface that have no
// automation form (raw arrays, records by pointer) carry
// FUNCFLAG_FRESTRICTED: scripting hosts skip them, and IDispatch does not
// answer them.
//
// Records and unions are laid out as this platform's compiler lays out
// the C++ structures (pointers 8 bytes): oInst and cbSizeInstance can be
// compared with offsetof and sizeof.
#ifndef PLATFORM_COM_TYPEINFO_H
#define PLATFORM_COM_TYPEINFO_H

#include "platform/com/dispatch.h"

using HREFTYPE = DWORD;

enum TYPEKIND : int {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
  TKIND_MAX = 8,
};

enum FUNCKIND : int {
  FUNC_VIRTUAL = 0,
  FUNC_PUREVIRTUAL = 1,
  FUNC_NONVIRTUAL = 2,
  FUNC_STATIC = 3,
  FUNC_DISPATCH = 4,
};

enum INVOKEKIND : int {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8,
};

enum CALLCONV : int {
  CC_CDECL = 1,
  CC_STDCALL = 4,
};

enum VARKIND : int {
  VAR_PERINSTANCE = 0,
  VAR_STATIC = 1,
  VAR_CONST = 2,
  VAR_DISPATCH = 3,
};

enum SYSKIND : int {
  SYS_WIN16 = 0,
  SYS_WIN32 = 1,
  SYS_MAC = 2,
  SYS_WIN64 = 3,
};

#define PARAMFLAG_NONE 0x00
#define PARAMFLAG_FIN 0x01
#define PARAMFLAG_FOUT 0x02
#define PARAMFLAG_FLCID 0x04
#define PARAMFLAG_FRETVAL 0x08
#define PARAMFLAG_FOPT 0x10
#define PARAMFLAG_FHASDEFAULT 0x20

#define FUNCFLAG_FRESTRICTED 0x1
#define FUNCFLAG_FSOURCE 0x2
#define FUNCFLAG_FBINDABLE 0x4
#define FUNCFLAG_FHIDDEN 0x40
#define FUNCFLAG_FNONBROWSABLE 0x400

#define VARFLAG_FREADONLY 0x1
#define VARFLAG_FHIDDEN 0x40

#define TYPEFLAG_FAPPOBJECT 0x1
#define TYPEFLAG_FCANCREATE 0x2
#define TYPEFLAG_FLICENSED 0x4
#define TYPEFLAG_FPREDECLID 0x8
#define TYPEFLAG_FHIDDEN 0x10
#define TYPEFLAG_FCONTROL 0x20
#define TYPEFLAG_FDUAL 0x40
#define TYPEFLAG_FNONEXTENSIBLE 0x80
#define TYPEFLAG_FOLEAUTOMATION 0x100
#define TYPEFLAG_FRESTRICTED 0x200
#define TYPEFLAG_FAGGREGATABLE 0x400
#define TYPEFLAG_FDISPATCHABLE 0x1000

#define IMPLTYPEFLAG_FDEFAULT 0x1
#define IMPLTYPEFLAG_FSOURCE 0x2
#define IMPLTYPEFLAG_FRESTRICTED 0x4

#define LIBFLAG_FRESTRICTED 0x1
#define LIBFLAG_FCONTROL 0x2
#define LIBFLAG_FHIDDEN 0x4
#define LIBFLAG_FHASDISKIMAGE 0x8

#define MEMBERID_NIL DISPID_UNKNOWN

struct ARRAYDESC;

struct TYPEDESC {
  union {
    TYPEDESC* lptdesc;    // VT_PTR, VT_SAFEARRAY: what it points to or holds
    ARRAYDESC* lpadesc;   // VT_CARRAY
    HREFTYPE hreftype;    // VT_USERDEFINED: for GetRefTypeInfo
  };
  VARTYPE vt;
};

// A fixed array; one bound per dimension.
struct ARRAYDESC {
  TYPEDESC tdescElem;
  USHORT cDims;
  SAFEARRAYBOUND rgbounds[1];
};

struct IDLDESC {
  ULONG_PTR dwReserved;
  USHORT wIDLFlags;
};

struct PARAMDESCEX {
  ULONG cBytes;
  VARIANTARG varDefaultValue;
};

struct PARAMDESC {
  PARAMDESCEX* pparamdescex;
  USHORT wParamFlags;
};

struct ELEMDESC {
  TYPEDESC tdesc;
  union {
    IDLDESC idldesc;
    PARAMDESC paramdesc;
  };
};

struct TYPEATTR {
  GUID guid;
  LCID lcid;
  DWORD dwReserved;
  MEMBERID memidConstructor;
  MEMBERID memidDestructor;
  LPOLESTR lpstrSchema;
  ULONG cbSizeInstance;
  TYPEKIND typekind;
  WORD cFuncs;
  WORD cVars;
  WORD cImplTypes;
  WORD cbSizeVft;
  WORD cbAlignment;
  WORD wTypeFlags;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  TYPEDESC tdescAlias;  // TKIND_ALIAS
  IDLDESC idldescType;
};

struct FUNCDESC {
  MEMBERID memid;
  SCODE* lprgscode;
  ELEMDESC* lprgelemdescParam;
  FUNCKIND funckind;
  INVOKEKIND invkind;
  CALLCONV callconv;
  SHORT cParams;
  SHORT cParamsOpt;
  SHORT oVft;
  SHORT cScodes;
  ELEMDESC elemdescFunc;
  WORD wFuncFlags;
};

struct VARDESC {
  MEMBERID memid;
  LPOLESTR lpstrSchema;
  union {
    ULONG oInst;           // VAR_PERINSTANCE: the field's byte offset
    VARIANT* lpvarValue;   // VAR_CONST: an enum's value
  };
  ELEMDESC elemdescVar;
  WORD wVarFlags;
  VARKIND varkind;
};

struct TLIBATTR {
  GUID guid;
  LCID lcid;
  SYSKIND syskind;
  WORD wMajorVerNum;
  WORD wMinorVerNum;
  WORD wLibFlags;
};

struct ITypeLib;
struct ITypeComp;

PLATFORM_DEFINE_IID(ITypeInfo, "00020401-0000-0000-C000-000000000046");
struct ITypeInfo : IUnknown {
  virtual HRESULT GetTypeAttr(TYPEATTR** attributes) = 0;
  // E_NOTIMPL: names are bound through GetIDsOfNames.
  virtual HRESULT GetTypeComp(ITypeComp** comp) = 0;
  virtual HRESULT GetFuncDesc(UINT index, FUNCDESC** description) = 0;
  virtual HRESULT GetVarDesc(UINT index, VARDESC** description) = 0;
  // The member's name, then its parameters' names.
  virtual HRESULT GetNames(MEMBERID id, BSTR* names, UINT maxNames, UINT* count) = 0;
  // index -1 on a dual interface's dispatch view: its vtable view.
  virtual HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* reference) = 0;
  virtual HRESULT GetImplTypeFlags(UINT index, INT* flags) = 0;
  // names[0] a member, the rest its parameters (ids: their positions).
  virtual HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
  // E_NOTIMPL: objects answer IDispatch::Invoke from their own tables.
  virtual HRESULT Invoke(PVOID instance, MEMBERID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* exception, UINT* argumentError) = 0;
  // MEMBERID_NIL: the type itself. Any out pointer may be null.
  virtual HRESULT GetDocumentation(MEMBERID id, BSTR* name, BSTR* docString, DWORD* helpContext,
                                   BSTR* helpFile) = 0;
  virtual HRESULT GetDllEntry(MEMBERID id, INVOKEKIND kind, BSTR* dllName, BSTR* name, WORD* ordinal) = 0;
  virtual HRESULT GetRefTypeInfo(HREFTYPE reference, ITypeInfo** info) = 0;
  virtual HRESULT AddressOfMember(MEMBERID id, INVOKEKIND kind, PVOID* address) = 0;
  // A coclass: a new object of the class, as CoCreateInstance makes it.
  virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, PVOID* object) = 0;
  virtual HRESULT GetMops(MEMBERID id, BSTR* mops) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** library, UINT* index) = 0;
  virtual void ReleaseTypeAttr(TYPEATTR* attributes) = 0;
  virtual void ReleaseFuncDesc(FUNCDESC* description) = 0;
  virtual void ReleaseVarDesc(VARDESC* description) = 0;

 protected:
  ~ITypeInfo() = default;
};
using LPTYPEINFO = ITypeInfo*;

PLATFORM_DEFINE_IID(ITypeLib, "00020402-0000-0000-C000-000000000046");
struct ITypeLib : IUnknown {
  virtual UINT GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
  virtual HRESULT GetTypeInfoType(UINT index, TYPEKIND* kind) = 0;
  virtual HRESULT GetTypeInfoOfGuid(REFGUID guid, ITypeInfo** info) = 0;
  virtual HRESULT GetLibAttr(TLIBATTR** attributes) = 0;
  virtual HRESULT GetTypeComp(ITypeComp** comp) = 0;
  // index -1: the library itself. Any out pointer may be null.
  virtual HRESULT GetDocumentation(INT index, BSTR* name, BSTR* docString, DWORD* helpContext, BSTR* helpFile) = 0;
  // Names compared without regard to ASCII case; nameBuffer gets the
  // library's spelling when found.
  virtual HRESULT IsName(LPOLESTR nameBuffer, ULONG hash, BOOL* found) = 0;
  virtual HRESULT FindName(LPOLESTR nameBuffer, ULONG hash, ITypeInfo** infos, MEMBERID* ids, USHORT* found) = 0;
  virtual void ReleaseTLibAttr(TLIBATTR* attributes) = 0;

 protected:
  ~ITypeLib() = default;
};
using LPTYPELIB = ITypeLib*;

// What an object with events says about its class.
PLATFORM_DEFINE_IID(IProvideClassInfo, "B196B283-BAB4-101A-B69C-00AA00341D07");
struct IProvideClassInfo : IUnknown {
  // The coclass's type information.
  virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;

 protected:
  ~IProvideClassInfo() = default;
};

#define GUIDKIND_DEFAULT_SOURCE_DISP_IID 1

PLATFORM_DEFINE_IID(IProvideClassInfo2, "A6BC3AC0-DBAA-11CE-9DE3-00AA004BB851");
struct IProvideClassInfo2 : IProvideClassInfo {
  // GUIDKIND_DEFAULT_SOURCE_DISP_IID: the IID of the class's default
  // event interface; E_INVALIDARG for any other kind.
  virtual HRESULT GetGUID(DWORD kind, GUID* guid) = 0;

 protected:
  ~IProvideClassInfo2() = default;
};

// The library in file: a shared library carrying TYPELIB 1 (read from the
// file, so none of its code runs), or a file of compiled type library
// bytes. TYPE_E_CANTLOADLIBRARY when the file cannot be read or carries
// none, TYPE_E_INVDATAREAD (TYPE_E_UNSUPFORMAT) for bytes that are not a
// readable library (of this format version).
PLATFORM_API HRESULT LoadTypeLib(LPCOLESTR file, ITypeLib** library);
// The registered library of that GUID whose major version is major and
// whose minor version is the highest at or above minor, in language lcid
// (else its primary language, else the neutral one, else the language it
// is registered in).
// TYPE_E_LIBNOTREGISTERED when there is none.
PLATFORM_API HRESULT LoadRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, ITypeLib** library);
// The registered file of the library, by the same rules.
PLATFORM_API HRESULT QueryPathOfRegTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, BSTR* path);
// Enters library under TypeLib and each of its interfaces under Interface.
// helpDirectory null: the directory of fullPath. TYPE_E_REGISTRYACCESS
// when a key cannot be written.
PLATFORM_API HRESULT RegisterTypeLib(ITypeLib* library, LPCOLESTR fullPath, LPCOLESTR helpDirectory);
// Removes what RegisterTypeLib wrote: the language's path, the version
// key when no language is left, the library key when no version is; and
// the Interface keys of its interfaces that still name this library.
PLATFORM_API HRESULT UnRegisterTypeLib(REFGUID libid, WORD major, WORD minor, LCID lcid, SYSKIND syskind);

namespace Platform {

// The type library that module carries as TYPELIB 1 (null: the program).
PLATFORM_API HRESULT LoadModuleTypeLib(HINSTANCE module, ITypeLib** library);

// Registers (unregisters) the library that module carries, under the
// module's own file; S_OK when it carries none.
PLATFORM_API HRESULT RegisterModuleTypeLib(HINSTANCE module);
PLATFORM_API HRESULT UnRegisterModuleTypeLib(HINSTANCE module);

// The type information of guid (an interface or a class) in the library
// libid: from the library that module carries, or from any loaded module
// that carries it, or else from the registry. Libraries once read are
// kept for the life of the process.
PLATFORM_API HRESULT GetTypeInfoOf(REFGUID libid, WORD major, WORD minor, HINSTANCE module, REFGUID guid,
                                   ITypeInfo** info);

}  // namespace Platform

#endif
