// IDispatch from a static table per interface, with the type information
// of the interface's type library.
//
// An interface (or any class) lists its automation members once:
//
//   BEGIN_DISPATCH_TABLE(IVornApp)
//     DISPATCH_ENTRY_METHOD(1, "OpenFile", &IVornApp::OpenFile)
//     DISPATCH_ENTRY_GET_AS(3, "Running", &IVornApp::get_Running, VT_BOOL)
//     DISPATCH_ENTRY_PUT(3, "Running", &IVornApp::put_Running)
//   END_DISPATCH_TABLE()
//
// and IDispatchImpl<IVornApp> answers GetIDsOfNames (names compared without
// regard to ASCII case) and Invoke from it. A method's parameters are the
// in-arguments, read from DISPPARAMS in reverse order and coerced with
// VariantChangeType; for a method or property get whose last parameter is an
// out pointer (BSTR*, a number, VARIANT*, an interface pointer's address)
// that parameter is the result. _AS entries convert the result to the given
// type (VARIANT_BOOL is a SHORT, so a boolean names VT_BOOL). FUNCTION
// entries are for members that return their result instead of an HRESULT.
// A CLSID (GUID) parameter takes its braced text. The tables of a type
// library's interfaces are written by typelibc from the library's
// description (platform/com/typeinfo.h), not by hand.
//
// Invoke answers DISP_E_UNKNOWNINTERFACE for an iid other than IID_NULL,
// DISP_E_MEMBERNOTFOUND for an id or kind the table lacks,
// DISP_E_NONAMEDARGS for named arguments (except the value of a property
// put), DISP_E_BADPARAMCOUNT for a wrong count, the coercion's result
// (DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW) with *argumentError set to the
// argument's position in rgvarg, and for a failing member its HRESULT, as
// DISP_E_EXCEPTION with EXCEPINFO::scode when the caller gave an EXCEPINFO.
#ifndef PLATFORM_COM_DISPIMPL_H
#define PLATFORM_COM_DISPIMPL_H

#include <cstring>
#include <span>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/com/dispatch.h"
#include "platform/com/text.h"
#include "platform/com/typeinfo.h"
#include "platform/resources/module.h"

namespace Platform {

template <class T>
struct DispatchMember {
  DISPID id;
  const char* name;
  WORD kind; // DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT or DISPATCH_PROPERTYPUTREF
  UINT arguments;
  // Converts the arguments (answering a conversion failure, with the
  // argument's rgvarg position) and calls the member (whose own result goes
  // to *memberResult).
  HRESULT (*call)(T* object, DISPPARAMS* params, VARIANT* result, UINT* argumentError, HRESULT* memberResult);
};

// Specialised by BEGIN_DISPATCH_TABLE.
template <class T>
struct DispatchTable;

// Fills EXCEPINFO for a member's failure (non-template part of Invoke).
PLATFORM_API HRESULT DispatchMemberFailure(HRESULT hr, EXCEPINFO* exception);

namespace DispatchDetail {

template <class Number>
constexpr VARTYPE NumberType() {
  if constexpr (std::is_enum_v<Number>) {
    return NumberType<std::underlying_type_t<Number>>();
  } else if constexpr (std::is_same_v<Number, float>) {
    return VT_R4;
  } else if constexpr (std::is_same_v<Number, double>) {
    return VT_R8;
  } else {
    static_assert(std::is_integral_v<Number> && !std::is_same_v<Number, bool>, "not an automation number");
    constexpr bool isSigned = std::is_signed_v<Number>;
    if constexpr (sizeof(Number) == 1)
      return isSigned ? VT_I1 : VT_UI1;
    else if constexpr (sizeof(Number) == 2)
      return isSigned ? VT_I2 : VT_UI2;
    else if constexpr (sizeof(Number) == 4)
      return isSigned ? VT_I4 : VT_UI4;
    else
      return isSigned ? VT_I8 : VT_UI8;
  }
}

template <class Number>
constexpr bool IsNumber = (std::is_arithmetic_v<Number> && !std::is_same_v<Number, bool> &&
                           !std::is_same_v<Number, char16_t>) ||
                          std::is_enum_v<Number>;

template <class P>
constexpr bool IsInterfacePointer =
    std::is_pointer_v<P> && std::is_base_of_v<IUnknown, std::remove_cv_t<std::remove_pointer_t<P>>>;

// The type of a member's last parameter when it is the result.
template <class P>
constexpr bool IsResultPointer = [] {
  if constexpr (!std::is_pointer_v<P> || std::is_const_v<std::remove_pointer_t<P>>) {
    return false;
  } else {
    using X = std::remove_pointer_t<P>;
    return IsNumber<X> || std::is_same_v<X, BSTR> || std::is_same_v<X, VARIANT> || IsInterfacePointer<X>;
  }
}();

// One in-argument: loaded from its VARIANT, then handed to the member; it
// owns what the conversion made until the call returns.
template <class P>
struct In;

template <class Number>
  requires IsNumber<Number>
struct In<Number> {
  Number value{};
  HRESULT Load(VARIANT& argument) {
    VARIANT converted;
    VariantInit(&converted);
    HRESULT hr = VariantChangeType(&converted, &argument, 0, NumberType<Number>());
    if (SUCCEEDED(hr))
      std::memcpy(&value, &converted.llVal, sizeof value);
    return hr;
  }
  Number Get() const { return value; }
};

template <class Text>
  requires(std::is_same_v<Text, BSTR> || std::is_same_v<Text, LPCOLESTR>)
struct In<Text> {
  VARIANT holder{};
  In() = default;
  In(const In&) = delete;
  ~In() { VariantClear(&holder); }
  HRESULT Load(VARIANT& argument) { return VariantChangeType(&holder, &argument, 0, VT_BSTR); }
  BSTR Get() const { return holder.bstrVal; }
};

// Narrow text (UTF-8), for members written against LPCTSTR.
template <>
struct In<const char*> {
  std::string text;
  HRESULT Load(VARIANT& argument) {
    VARIANT holder;
    VariantInit(&holder);
    HRESULT hr = VariantChangeType(&holder, &argument, 0, VT_BSTR);
    if (SUCCEEDED(hr))
      text = Utf16ToUtf8(holder.bstrVal);
    VariantClear(&holder);
    return hr;
  }
  const char* Get() const { return text.c_str(); }
};

// A class or interface identifier, given as its braced text.
template <>
struct In<GUID> {
  GUID value{};
  HRESULT Load(VARIANT& argument) {
    VARIANT holder;
    VariantInit(&holder);
    HRESULT hr = VariantChangeType(&holder, &argument, 0, VT_BSTR);
    if (SUCCEEDED(hr) && FAILED(CLSIDFromString(holder.bstrVal, &value)))
      hr = DISP_E_TYPEMISMATCH;
    VariantClear(&holder);
    return hr;
  }
  GUID Get() const { return value; }
};

// A VARIANT by value: the member may read it but does not own it.
template <>
struct In<VARIANT> {
  VARIANT holder{};
  In() = default;
  In(const In&) = delete;
  ~In() { VariantClear(&holder); }
  HRESULT Load(VARIANT& argument) { return VariantCopyInd(&holder, &argument); }
  VARIANT Get() const { return holder; }
};

template <class P>
  requires IsInterfacePointer<P>
struct In<P> {
  using I = std::remove_cv_t<std::remove_pointer_t<P>>;
  I* object = nullptr;
  In() = default;
  In(const In&) = delete;
  ~In() {
    if (object != nullptr)
      object->Release();
  }
  HRESULT Load(VARIANT& argument) {
    VARIANT holder;
    VariantInit(&holder);
    HRESULT hr = VariantChangeType(&holder, &argument, 0, VT_UNKNOWN);
    if (FAILED(hr))
      return hr;
    if (holder.punkVal != nullptr) {
      hr = holder.punkVal->QueryInterface(__uuidof(I), reinterpret_cast<void**>(&object));
      if (hr == E_NOINTERFACE)
        hr = DISP_E_TYPEMISMATCH;
    }
    VariantClear(&holder);
    return hr;
  }
  P Get() const { return object; }
};

// The result: storage handed to the member, then moved into a VARIANT.
template <class X>
struct Out {
  X value{};
  X* Address() { return &value; }
  void Take(VARIANT& result) {
    if constexpr (IsNumber<X>) {
      result.vt = NumberType<X>();
      std::memcpy(&result.llVal, &value, sizeof value);
    } else if constexpr (std::is_same_v<X, BSTR>) {
      result.vt = VT_BSTR;
      result.bstrVal = std::exchange(value, nullptr);
    } else if constexpr (std::is_same_v<X, VARIANT>) {
      result = value;
      VariantInit(&value);
    } else {
      using I = std::remove_pointer_t<X>;
      result.vt = std::is_base_of_v<IDispatch, I> ? VT_DISPATCH : VT_UNKNOWN;
      result.punkVal = std::exchange(value, nullptr);
    }
  }
  Out() {
    if constexpr (std::is_same_v<X, VARIANT>)
      VariantInit(&value);
  }
  Out(const Out&) = delete;
  ~Out() {
    VARIANT left;
    VariantInit(&left);
    Take(left);
    VariantClear(&left);
  }
};

// A member's result in *result (when the caller asked for one), converted to
// resultType unless that is VT_EMPTY.
inline HRESULT StoreResult(VARIANT& value, VARTYPE resultType, VARIANT* result) {
  HRESULT hr = S_OK;
  if (resultType != VT_EMPTY && value.vt != resultType)
    hr = VariantChangeType(&value, &value, 0, resultType);
  if (SUCCEEDED(hr) && result != nullptr) {
    *result = value;
    VariantInit(&value);
  }
  VariantClear(&value);
  return hr;
}

template <class M>
struct MemberTraits;
template <class C, class R, class... Args>
struct MemberTraits<R (C::*)(Args...)> {
  using Class = C;
  using Result = R;
  using Arguments = std::tuple<Args...>;
  static constexpr std::size_t count = sizeof...(Args);
};

template <class Tuple, std::size_t... I>
auto DropLast(std::index_sequence<I...>) -> std::tuple<std::tuple_element_t<I, Tuple>...>;

template <bool DropResult, class Tuple>
struct InArgumentsOf {
  using type = Tuple;
};
template <class Tuple>
struct InArgumentsOf<true, Tuple> {
  using type = decltype(DropLast<Tuple>(std::make_index_sequence<std::tuple_size_v<Tuple> - 1>()));
};

// What a member's parameters mean for a table entry of a kind.
template <auto Member, WORD Kind, bool ReturnsValue>
struct Shape {
  using Traits = MemberTraits<decltype(Member)>;
  using Arguments = typename Traits::Arguments;
  static constexpr bool hasResultParameter = [] {
    if constexpr (ReturnsValue || Traits::count == 0 || Kind == DISPATCH_PROPERTYPUT ||
                  Kind == DISPATCH_PROPERTYPUTREF)
      return false;
    else
      return IsResultPointer<std::tuple_element_t<Traits::count - 1, Arguments>>;
  }();
  using InArguments = typename InArgumentsOf<hasResultParameter, Arguments>::type;
  static constexpr UINT inCount = static_cast<UINT>(std::tuple_size_v<InArguments>);
};

template <class Tuple>
struct Holders;
template <class... Args>
struct Holders<std::tuple<Args...>> {
  std::tuple<In<std::remove_cv_t<Args>>...> in;
};

template <class T, auto Member, WORD Kind, bool ReturnsValue, VARTYPE ResultType>
HRESULT Call(T* object, DISPPARAMS* params, VARIANT* result, UINT* argumentError, HRESULT* memberResult) {
  using S = Shape<Member, Kind, ReturnsValue>;
  using C = typename S::Traits::Class;
  Holders<typename S::InArguments> holders;
  HRESULT hr = S_OK;
  // Argument i is rgvarg[cArgs - 1 - i]; loading stops at the first failure.
  UINT position = 0;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    (void)((position = params->cArgs - 1 - static_cast<UINT>(I),
            hr = std::get<I>(holders.in).Load(params->rgvarg[position]), SUCCEEDED(hr)) &&
           ...);
  }(std::make_index_sequence<S::inCount>());
  if (FAILED(hr)) {
    if (argumentError != nullptr)
      *argumentError = position;
    return hr;
  }
  C* target = static_cast<C*>(object);
  VARIANT value;
  VariantInit(&value);
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    if constexpr (ReturnsValue) {
      using R = typename S::Traits::Result;
      if constexpr (std::is_void_v<R>) {
        (target->*Member)(std::get<I>(holders.in).Get()...);
      } else {
        Out<R> out;
        *out.Address() = (target->*Member)(std::get<I>(holders.in).Get()...);
        out.Take(value);
      }
      *memberResult = S_OK;
    } else if constexpr (S::hasResultParameter) {
      using P = std::tuple_element_t<S::Traits::count - 1, typename S::Arguments>;
      Out<std::remove_pointer_t<P>> out;
      *memberResult = (target->*Member)(std::get<I>(holders.in).Get()..., out.Address());
      if (SUCCEEDED(*memberResult))
        out.Take(value);
    } else {
      *memberResult = (target->*Member)(std::get<I>(holders.in).Get()...);
    }
  }(std::make_index_sequence<S::inCount>());
  if (FAILED(*memberResult)) {
    VariantClear(&value);
    return S_OK;
  }
  return StoreResult(value, ResultType, result);
}

} // namespace DispatchDetail

template <class T, auto Member, WORD Kind, bool ReturnsValue, VARTYPE ResultType = VT_EMPTY>
constexpr DispatchMember<T> MakeDispatchMember(DISPID id, const char* name) {
  if constexpr (!ReturnsValue)
    static_assert(std::is_same_v<typename DispatchDetail::MemberTraits<decltype(Member)>::Result, HRESULT>,
                  "a method entry's member answers an HRESULT; use DISPATCH_ENTRY_FUNCTION otherwise");
  return {id, name, Kind, DispatchDetail::Shape<Member, Kind, ReturnsValue>::inCount,
          &DispatchDetail::Call<T, Member, Kind, ReturnsValue, ResultType>};
}

// The arguments Invoke takes for a member entered as Kind.
template <auto Member, WORD Kind, bool ReturnsValue>
constexpr UINT DispatchArguments() {
  return DispatchDetail::Shape<Member, Kind, ReturnsValue>::inCount;
}

template <class T>
HRESULT DispatchGetIDsOfNames(std::span<const DispatchMember<T>> members, REFIID iid, LPOLESTR* names, UINT count,
                              DISPID* ids) {
  if (iid != IID_NULL)
    return DISP_E_UNKNOWNINTERFACE;
  if (count == 0)
    return S_OK;
  if (names == nullptr || ids == nullptr)
    return E_POINTER;
  ids[0] = DISPID_UNKNOWN;
  if (names[0] != nullptr) {
    std::u16string_view wanted(names[0]);
    for (const DispatchMember<T>& member : members) {
      if (EqualsIgnoringAsciiCase(wanted, member.name)) {
        ids[0] = member.id;
        break;
      }
    }
  }
  // Members have no named parameters.
  for (UINT i = 1; i < count; ++i)
    ids[i] = DISPID_UNKNOWN;
  return ids[0] == DISPID_UNKNOWN || count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

template <class T>
HRESULT DispatchInvoke(T* object, std::span<const DispatchMember<T>> members, DISPID id, REFIID iid, WORD flags,
                       DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  if (iid != IID_NULL)
    return DISP_E_UNKNOWNINTERFACE;
  if (params == nullptr || (params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr) || params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  const DispatchMember<T>* found = nullptr;
  for (const DispatchMember<T>& member : members) {
    if (member.id == id && (member.kind & flags) != 0) {
      found = &member;
      break;
    }
  }
  if (found == nullptr)
    return DISP_E_MEMBERNOTFOUND;
  bool isPut = found->kind == DISPATCH_PROPERTYPUT || found->kind == DISPATCH_PROPERTYPUTREF;
  if (params->cNamedArgs > 0 &&
      !(isPut && params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT))
    return DISP_E_NONAMEDARGS;
  if (params->cArgs != found->arguments)
    return DISP_E_BADPARAMCOUNT;
  HRESULT memberResult = S_OK;
  HRESULT hr = found->call(object, params, isPut ? nullptr : result, argumentError, &memberResult);
  if (FAILED(hr))
    return hr;
  return FAILED(memberResult) ? DispatchMemberFailure(memberResult, exception) : memberResult;
}

} // namespace Platform

#define BEGIN_DISPATCH_TABLE(T)                                                 \
  template <>                                                                   \
  struct Platform::DispatchTable<T> {                                           \
    using _DispatchClass = T;                                                   \
    static std::span<const ::Platform::DispatchMember<T>> Members() {           \
      static constexpr ::Platform::DispatchMember<T> members[] = {
#define DISPATCH_ENTRY_METHOD(id, name, member) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_METHOD, false>(id, name),
#define DISPATCH_ENTRY_METHOD_AS(id, name, member, vt) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_METHOD, false, vt>(id, name),
#define DISPATCH_ENTRY_GET(id, name, member) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_PROPERTYGET, false>(id, name),
#define DISPATCH_ENTRY_GET_AS(id, name, member, vt) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_PROPERTYGET, false, vt>(id, name),
#define DISPATCH_ENTRY_PUT(id, name, member) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_PROPERTYPUT, false>(id, name),
#define DISPATCH_ENTRY_PUTREF(id, name, member) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_PROPERTYPUTREF, false>(id, name),
// A member that returns its result (VT_EMPTY for one that returns nothing).
#define DISPATCH_ENTRY_FUNCTION(id, name, member, vt) \
  ::Platform::MakeDispatchMember<_DispatchClass, member, DISPATCH_METHOD, true, vt>(id, name),
#define END_DISPATCH_TABLE() \
  }                          \
  ;                          \
  return members;            \
  }                          \
  }                          \
  ;

// The IDispatch half of a dual interface T, from DispatchTable<T>; its
// type information is T's in the library plibid (none without one).
template <class T, const IID* piid = &__uuidof(T), const GUID* plibid = &GUID_NULL, WORD major = 1, WORD minor = 0>
class IDispatchImpl : public T {
public:
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr)
      return E_POINTER;
    *count = *plibid == GUID_NULL ? 0 : 1;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (info == nullptr)
      return E_POINTER;
    *info = nullptr;
    if (index != 0 || *plibid == GUID_NULL)
      return DISP_E_BADINDEX;
    return Platform::GetTypeInfoOf(*plibid, major, minor, Platform::ThisModule(), *piid, info);
  }
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return Platform::DispatchGetIDsOfNames(Platform::DispatchTable<T>::Members(), iid, names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT* argumentError) override {
    return Platform::DispatchInvoke(static_cast<T*>(this), Platform::DispatchTable<T>::Members(), id, iid, flags,
                                    params, result, exception, argumentError);
  }
};

#endif
