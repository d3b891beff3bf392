// Owning wrappers: CComPtr and CComQIPtr hold one reference, CComBSTR owns
// its string, CComVariant its value.
#ifndef PLATFORM_COM_POINTERS_H
#define PLATFORM_COM_POINTERS_H

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/activation/activation.h"
#include "platform/com/bstr.h"
#include "platform/com/dispatch.h"
#include "platform/com/text.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

template <class T>
class CComPtr {
public:
  CComPtr() = default;
  CComPtr(T* pointer) : p(pointer) {
    if (p != nullptr)
      p->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.p) {}
  CComPtr(CComPtr&& other) noexcept : p(std::exchange(other.p, nullptr)) {}
  ~CComPtr() { Release(); }

  CComPtr& operator=(T* pointer) {
    if (pointer != nullptr)
      pointer->AddRef();
    T* old = std::exchange(p, pointer);
    if (old != nullptr)
      old->Release();
    return *this;
  }
  CComPtr& operator=(const CComPtr& other) { return *this = other.p; }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) {
      Release();
      p = std::exchange(other.p, nullptr);
    }
    return *this;
  }

  operator T*() const { return p; }
  T& operator*() const { return *p; }
  T* operator->() const { return p; }
  // For out parameters: the pointer must be empty, or its reference would
  // be lost.
  T** operator&() { return &p; }
  bool operator!() const { return p == nullptr; }

  void Release() {
    T* old = std::exchange(p, nullptr);
    if (old != nullptr)
      old->Release();
  }
  // Takes over a reference that the caller owned.
  void Attach(T* pointer) {
    if (p != nullptr)
      p->Release();
    p = pointer;
  }
  // Hands the reference to the caller.
  T* Detach() { return std::exchange(p, nullptr); }
  HRESULT CopyTo(T** target) const {
    if (target == nullptr)
      return E_POINTER;
    *target = p;
    if (p != nullptr)
      p->AddRef();
    return S_OK;
  }
  template <class Q>
  HRESULT QueryInterface(Q** target) const {
    if (target == nullptr)
      return E_POINTER;
    *target = nullptr;
    if (p == nullptr)
      return E_POINTER;
    return p->QueryInterface(__uuidof(Q), reinterpret_cast<void**>(target));
  }
  // Whether other is the same object (compared by identity).
  bool IsEqualObject(IUnknown* other) const {
    if (p == nullptr || other == nullptr)
      return p == nullptr && other == nullptr;
    CComPtr<IUnknown> mine;
    CComPtr<IUnknown> theirs;
    p->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&mine));
    other->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theirs));
    return mine.p == theirs.p;
  }
  HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    Release();
    return ::CoCreateInstance(clsid, outer, context, __uuidof(T), reinterpret_cast<void**>(&p));
  }
  HRESULT CoCreateInstance(LPCOLESTR progId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    return FAILED(hr) ? hr : CoCreateInstance(clsid, outer, context);
  }

  T* p = nullptr;
};

// A pointer to interface T, got from any interface by QueryInterface.
template <class T, const IID* piid = &__uuidof(T)>
class CComQIPtr : public CComPtr<T> {
public:
  CComQIPtr() = default;
  CComQIPtr(T* pointer) : CComPtr<T>(pointer) {}
  CComQIPtr(const CComQIPtr& other) : CComPtr<T>(other.p) {}
  CComQIPtr(IUnknown* unknown) { Query(unknown); }
  template <class U>
    requires(!std::is_same_v<U, T> && !std::is_same_v<U, IUnknown>)
  CComQIPtr(U* other) {
    Query(other);
  }
  CComQIPtr& operator=(T* pointer) {
    CComPtr<T>::operator=(pointer);
    return *this;
  }
  CComQIPtr& operator=(const CComQIPtr& other) {
    CComPtr<T>::operator=(other.p);
    return *this;
  }
  CComQIPtr& operator=(IUnknown* unknown) {
    this->Release();
    Query(unknown);
    return *this;
  }

private:
  void Query(IUnknown* unknown) {
    if (unknown != nullptr)
      unknown->QueryInterface(*piid, reinterpret_cast<void**>(&this->p));
  }
};

class CComBSTR {
public:
  CComBSTR() = default;
  CComBSTR(LPCOLESTR text) : m_str(SysAllocString(text)) {}
  CComBSTR(int length, LPCOLESTR text = nullptr) : m_str(SysAllocStringLen(text, static_cast<UINT>(length))) {}
  // UTF-8 text.
  CComBSTR(const char* text) : m_str(text == nullptr ? nullptr : Platform::AllocBstr(std::string_view(text))) {}
  CComBSTR(std::string_view text) : m_str(Platform::AllocBstr(text)) {}
  CComBSTR(std::u16string_view text) : m_str(Platform::AllocBstr(text)) {}
  CComBSTR(const CComBSTR& other) : m_str(other.Copy()) {}
  CComBSTR(CComBSTR&& other) noexcept : m_str(std::exchange(other.m_str, nullptr)) {}
  ~CComBSTR() { SysFreeString(m_str); }

  CComBSTR& operator=(const CComBSTR& other) {
    if (this != std::addressof(other))
      Reset(other.Copy());
    return *this;
  }
  CComBSTR& operator=(CComBSTR&& other) noexcept {
    if (this != std::addressof(other))
      Reset(std::exchange(other.m_str, nullptr));
    return *this;
  }
  CComBSTR& operator=(LPCOLESTR text) {
    Reset(SysAllocString(text));
    return *this;
  }
  CComBSTR& operator=(const char* text) {
    Reset(text == nullptr ? nullptr : Platform::AllocBstr(std::string_view(text)));
    return *this;
  }

  operator BSTR() const { return m_str; }
  // For out parameters: the string must be empty, or it would be lost.
  BSTR* operator&() { return &m_str; }
  bool operator!() const { return m_str == nullptr; }
  bool operator==(const CComBSTR& other) const { return Platform::BstrView(m_str) == Platform::BstrView(other.m_str); }
  bool operator==(LPCOLESTR text) const {
    return Platform::BstrView(m_str) == (text == nullptr ? std::u16string_view() : std::u16string_view(text));
  }

  unsigned int Length() const { return SysStringLen(m_str); }
  unsigned int ByteLength() const { return SysStringByteLen(m_str); }
  // A new copy that the caller owns.
  BSTR Copy() const {
    return m_str == nullptr ? nullptr
                            : SysAllocStringByteLen(reinterpret_cast<LPCSTR>(m_str), SysStringByteLen(m_str));
  }
  HRESULT CopyTo(BSTR* target) const {
    if (target == nullptr)
      return E_POINTER;
    *target = Copy();
    return (*target == nullptr && m_str != nullptr) ? E_OUTOFMEMORY : S_OK;
  }
  void Attach(BSTR text) { Reset(text); }
  BSTR Detach() { return std::exchange(m_str, nullptr); }
  void Empty() { Reset(nullptr); }
  HRESULT Append(LPCOLESTR text, int length) {
    if (length < 0)
      return E_INVALIDARG;
    std::u16string joined(Platform::BstrView(m_str));
    joined.append(text, static_cast<std::size_t>(length));
    BSTR result = Platform::AllocBstr(std::u16string_view(joined));
    if (result == nullptr)
      return E_OUTOFMEMORY;
    Reset(result);
    return S_OK;
  }
  HRESULT Append(LPCOLESTR text) {
    return text == nullptr ? S_OK : Append(text, static_cast<int>(std::u16string_view(text).size()));
  }
  HRESULT Append(const CComBSTR& other) {
    return Append(other.m_str == nullptr ? u"" : other.m_str, static_cast<int>(other.Length()));
  }
  HRESULT Append(const char* text) {
    std::u16string wide = Platform::Utf8ToUtf16(text == nullptr ? "" : text);
    return Append(wide.c_str(), static_cast<int>(wide.size()));
  }
  CComBSTR& operator+=(const CComBSTR& other) {
    Append(other);
    return *this;
  }
  CComBSTR& operator+=(LPCOLESTR text) {
    Append(text);
    return *this;
  }
  // The text as UTF-8.
  std::string ToUtf8() const { return Platform::BstrToUtf8(m_str); }

  BSTR m_str = nullptr;

private:
  void Reset(BSTR text) {
    SysFreeString(m_str);
    m_str = text;
  }
};

class CComVariant : public VARIANT {
public:
  CComVariant() { VariantInit(this); }
  CComVariant(const VARIANT& other) {
    VariantInit(this);
    VariantCopy(this, &other);
  }
  CComVariant(const CComVariant& other) : CComVariant(static_cast<const VARIANT&>(other)) {}
  CComVariant(bool value) : CComVariant() {
    vt = VT_BOOL;
    boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  CComVariant(int value) : CComVariant() {
    vt = VT_I4;
    lVal = value;
  }
  CComVariant(unsigned int value) : CComVariant() {
    vt = VT_UI4;
    ulVal = value;
  }
  CComVariant(long value) : CComVariant() {
    vt = VT_I8;
    llVal = value;
  }
  CComVariant(long long value) : CComVariant() {
    vt = VT_I8;
    llVal = value;
  }
  CComVariant(BYTE value) : CComVariant() {
    vt = VT_UI1;
    bVal = value;
  }
  CComVariant(short value) : CComVariant() {
    vt = VT_I2;
    iVal = value;
  }
  CComVariant(float value) : CComVariant() {
    vt = VT_R4;
    fltVal = value;
  }
  CComVariant(double value) : CComVariant() {
    vt = VT_R8;
    dblVal = value;
  }
  CComVariant(LPCOLESTR text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = SysAllocString(text);
  }
  // UTF-8 text.
  CComVariant(const char* text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = Platform::AllocBstr(std::string_view(text == nullptr ? "" : text));
  }
  CComVariant(const CComBSTR& text) : CComVariant() {
    vt = VT_BSTR;
    bstrVal = text.Copy();
  }
  CComVariant(IDispatch* object) : CComVariant() {
    vt = VT_DISPATCH;
    pdispVal = object;
    if (object != nullptr)
      object->AddRef();
  }
  CComVariant(IUnknown* object) : CComVariant() {
    vt = VT_UNKNOWN;
    punkVal = object;
    if (object != nullptr)
      object->AddRef();
  }
  // A copy of the array.
  CComVariant(const SAFEARRAY* array) : CComVariant() {
    VARTYPE element = VT_EMPTY;
    SAFEARRAY* copy = nullptr;
    if (array != nullptr && SUCCEEDED(SafeArrayGetVartype(const_cast<SAFEARRAY*>(array), &element)) &&
        SUCCEEDED(SafeArrayCopy(const_cast<SAFEARRAY*>(array), &copy))) {
      vt = static_cast<VARTYPE>(VT_ARRAY | element);
      parray = copy;
    }
  }
  ~CComVariant() { VariantClear(this); }

  CComVariant& operator=(const CComVariant& other) {
    Copy(&other);
    return *this;
  }
  CComVariant& operator=(const VARIANT& other) {
    Copy(&other);
    return *this;
  }
  template <class Value>
  CComVariant& operator=(Value value) {
    CComVariant replacement(value);
    std::swap(static_cast<VARIANT&>(*this), static_cast<VARIANT&>(replacement));
    return *this;
  }

  HRESULT Clear() { return VariantClear(this); }
  HRESULT Copy(const VARIANT* source) { return VariantCopy(this, source); }
  // Takes over the value of source, which is left empty.
  HRESULT Attach(VARIANT* source) {
    if (source == nullptr)
      return E_INVALIDARG;
    HRESULT hr = Clear();
    if (FAILED(hr))
      return hr;
    *static_cast<VARIANT*>(this) = *source;
    source->vt = VT_EMPTY;
    return S_OK;
  }
  // Hands the value to target (cleared first); this is left empty.
  HRESULT Detach(VARIANT* target) {
    if (target == nullptr)
      return E_POINTER;
    HRESULT hr = VariantClear(target);
    if (FAILED(hr))
      return hr;
    *target = *static_cast<VARIANT*>(this);
    vt = VT_EMPTY;
    return S_OK;
  }
  HRESULT ChangeType(VARTYPE type, const VARIANT* source = nullptr) {
    return VariantChangeType(this, source == nullptr ? this : source, 0, type);
  }
};

#endif
