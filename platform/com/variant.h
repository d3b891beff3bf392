// VARIANT and SAFEARRAY: the self-describing values of automation.
//
// A VARIANT owns what it holds: VariantClear frees its string, releases its
// interface and destroys its array; VariantCopy copies strings and arrays
// and adds references. A VT_BYREF VARIANT only points and owns nothing.
//
// A SAFEARRAY keeps its bounds in rgsabound with the rightmost dimension
// first, as the structure always has: SafeArrayCreate takes the bounds
// leftmost first and stores them reversed; the index vectors of
// SafeArrayGetElement and its kin follow rgsabound (rgIndices[0] is the
// rightmost dimension, which varies fastest in memory). For the
// one-dimensional arrays that most code uses there is no difference.
#ifndef PLATFORM_COM_VARIANT_H
#define PLATFORM_COM_VARIANT_H

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IDispatch;

using VARTYPE = USHORT;
using VARIANT_BOOL = SHORT;
#define VARIANT_TRUE (static_cast<VARIANT_BOOL>(-1))
#define VARIANT_FALSE (static_cast<VARIANT_BOOL>(0))

enum VARENUM : VARTYPE {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_BSTR = 8,
  VT_DISPATCH = 9,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_VARIANT = 12,
  VT_UNKNOWN = 13,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  // Types that only type descriptions use (platform/com/typeinfo.h); no
  // VARIANT holds them.
  VT_VOID = 24,
  VT_HRESULT = 25,
  VT_PTR = 26,
  VT_SAFEARRAY = 27,
  VT_CARRAY = 28,
  VT_USERDEFINED = 29,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_INT_PTR = 37,
  VT_UINT_PTR = 38,
  VT_ARRAY = 0x2000,
  VT_BYREF = 0x4000,
  VT_TYPEMASK = 0x0FFF,
};

struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};
using LPSAFEARRAYBOUND = SAFEARRAYBOUND*;

struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  PVOID pvData;
  SAFEARRAYBOUND rgsabound[1];
};
using LPSAFEARRAY = SAFEARRAY*;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    LONGLONG llVal;
    ULONGLONG ullVal;
    LONG lVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
    SHORT iVal;
    USHORT uiVal;
    CHAR cVal;
    BYTE bVal;
    FLOAT fltVal;
    DOUBLE dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    SAFEARRAY* parray;
    LONGLONG* pllVal;
    ULONGLONG* pullVal;
    LONG* plVal;
    ULONG* pulVal;
    INT* pintVal;
    UINT* puintVal;
    SHORT* piVal;
    USHORT* puiVal;
    CHAR* pcVal;
    BYTE* pbVal;
    FLOAT* pfltVal;
    DOUBLE* pdblVal;
    VARIANT_BOOL* pboolVal;
    SCODE* pscode;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    SAFEARRAY** pparray;
    VARIANT* pvarVal;
    PVOID byref;
    // Keeps the union as wide as the record form, so the layout is the
    // platform's 24 bytes.
    struct {
      PVOID pvRecord;
      PVOID pRecInfo;
    } record;
  };
};
using VARIANTARG = VARIANT;
using LPVARIANT = VARIANT*;
using LPVARIANTARG = VARIANT*;
static_assert(sizeof(VARIANT) == 24, "VARIANT keeps the 64-bit layout");

#define V_VT(v) ((v)->vt)
#define V_ISBYREF(v) ((V_VT(v) & VT_BYREF) != 0)
#define V_ISARRAY(v) ((V_VT(v) & VT_ARRAY) != 0)
#define V_I1(v) ((v)->cVal)
#define V_UI1(v) ((v)->bVal)
#define V_I2(v) ((v)->iVal)
#define V_UI2(v) ((v)->uiVal)
#define V_I4(v) ((v)->lVal)
#define V_UI4(v) ((v)->ulVal)
#define V_I8(v) ((v)->llVal)
#define V_UI8(v) ((v)->ullVal)
#define V_INT(v) ((v)->intVal)
#define V_UINT(v) ((v)->uintVal)
#define V_R4(v) ((v)->fltVal)
#define V_R8(v) ((v)->dblVal)
#define V_BOOL(v) ((v)->boolVal)
#define V_ERROR(v) ((v)->scode)
#define V_BSTR(v) ((v)->bstrVal)
#define V_BSTRREF(v) ((v)->pbstrVal)
#define V_UNKNOWN(v) ((v)->punkVal)
#define V_DISPATCH(v) ((v)->pdispVal)
#define V_ARRAY(v) ((v)->parray)
#define V_ARRAYREF(v) ((v)->pparray)
#define V_VARIANTREF(v) ((v)->pvarVal)
#define V_BYREF(v) ((v)->byref)
#define V_I4REF(v) ((v)->plVal)
#define V_R4REF(v) ((v)->pfltVal)
#define V_R8REF(v) ((v)->pdblVal)

// VariantChangeType flags.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

PLATFORM_API void VariantInit(VARIANT* v);
// Frees what v owns and leaves it VT_EMPTY; DISP_E_BADVARTYPE (v
// untouched) for a type this layer does not know, DISP_E_ARRAYISLOCKED
// for a locked array.
PLATFORM_API HRESULT VariantClear(VARIANT* v);
// dest := a copy of src that owns its own strings, arrays and references
// (dest is cleared first; a VT_BYREF source is copied as the same pointer).
PLATFORM_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* src);
// As VariantCopy, but a VT_BYREF source is copied as the value it points to.
PLATFORM_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* src);
// dest := src converted to vt (dest may be src). Numbers and text convert
// without regard to the locale: "." is the decimal point, and a text is
// read as a whole number or fails with DISP_E_TYPEMISMATCH; a value out of
// the target's range gives DISP_E_OVERFLOW; fractions round half to even.
// Booleans are -1 and 0 as numbers and texts ("True"/"False" with
// VARIANT_ALPHABOOL; both forms are read). On failure dest is unchanged.
PLATFORM_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* src, USHORT flags, VARTYPE vt);
PLATFORM_API HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* src, LCID lcid, USHORT flags, VARTYPE vt);

// n dimensions, bounds given leftmost first; null on failure (a type that
// cannot be an element, no dimensions, out of memory).
PLATFORM_API SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT dims, SAFEARRAYBOUND* bounds);
PLATFORM_API SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lowerBound, ULONG elements);
// Frees the elements' strings, releases their interfaces, clears their
// VARIANTs; DISP_E_ARRAYISLOCKED while the data is accessed.
PLATFORM_API HRESULT SafeArrayDestroy(SAFEARRAY* array);
PLATFORM_API HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** copy);
PLATFORM_API UINT SafeArrayGetDim(SAFEARRAY* array);
PLATFORM_API UINT SafeArrayGetElemsize(SAFEARRAY* array);
PLATFORM_API HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* vt);
// dim counts from 1, leftmost first.
PLATFORM_API HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
PLATFORM_API HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
PLATFORM_API HRESULT SafeArrayLock(SAFEARRAY* array);
PLATFORM_API HRESULT SafeArrayUnlock(SAFEARRAY* array);
PLATFORM_API HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
PLATFORM_API HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
PLATFORM_API HRESULT SafeArrayPtrOfIndex(SAFEARRAY* array, LONG* indices, void** element);
// A copy of the element: a new BSTR, a counted interface, a VariantCopy.
PLATFORM_API HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
// Stores a copy of value: for VT_BSTR value is the BSTR itself, for
// interfaces the interface pointer, for VT_VARIANT a VARIANT*, otherwise a
// pointer to the number. The element's old content is freed.
PLATFORM_API HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);

#endif
