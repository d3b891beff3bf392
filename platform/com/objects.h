// Object templates: reference counting, the interface map, aggregation,
// creation and class objects, with the names the products' classes are
// written with.
//
// A class derives from CComObjectRootEx<ThreadModel>, from its interfaces
// and usually from CComCoClass, lists its interfaces between BEGIN_COM_MAP
// and END_COM_MAP, and is made as one of:
//   CComObject<T>      an object of its own, deleted by its last Release;
//   CComAggObject<T>   the inner part of an aggregate: its own IUnknown
//                      counts and answers for the inner object alone
//                      (non-delegating), every other interface delegates
//                      AddRef, Release and QueryInterface to the outer
//                      object, so IUnknown asked of any of them is the outer;
//   CComPolyObject<T>  either of the two, chosen at creation.
// Counts are atomic: objects are reached from more than one thread.
//
// Creation holds a reference across FinalConstruct, so a class that queries
// and releases an aggregated inner object while it is being made (which
// counts on the outer object) is not destroyed by that release.
#ifndef PLATFORM_COM_OBJECTS_H
#define PLATFORM_COM_OBJECTS_H

#include <atomic>
#include <mutex>
#include <new>

#include "platform/com/unknown.h"

namespace Platform {

// One line of an interface map. A plain entry answers iid with cast(object);
// an aggregate entry asks inner(object) for iid; a blind aggregate entry
// (iid null) asks inner(object) for whatever is not answered above it.
struct InterfaceEntry {
  const IID* iid;
  void* (*cast)(void* object);
  IUnknown* (*inner)(void* object);
};

// The QueryInterface of an interface map; object is the map's class. The
// first entry must be a plain one: it is the object's IUnknown.
PLATFORM_API HRESULT InternalQueryInterface(void* object, const InterfaceEntry* entries, REFIID iid, void** result);

namespace Detail {
// The count of live objects and locks of the library this code is built
// into (each library has its own: the variable is hidden), which decides
// DllCanUnloadNow.
__attribute__((visibility("hidden"))) inline std::atomic<LONG> g_moduleLocks{0};
// A count that no AddRef or Release can bring to zero again: set while an
// object is being destroyed.
inline constexpr LONG kDestroyingCount = 0x3FFFFFFF;
} // namespace Detail

} // namespace Platform

// Both thread models count atomically; the names stay for the classes that
// choose one.
class CComMultiThreadModel {
public:
  static ULONG Increment(std::atomic<LONG>* count) { return static_cast<ULONG>(++*count); }
  static ULONG Decrement(std::atomic<LONG>* count) { return static_cast<ULONG>(--*count); }
};
using CComSingleThreadModel = CComMultiThreadModel;
using CComObjectThreadModel = CComMultiThreadModel;
using CComGlobalsThreadModel = CComMultiThreadModel;
using CComMultiThreadModelNoCS = CComMultiThreadModel;

class CComObjectRootBase {
public:
  CComObjectRootBase() = default;
  virtual ~CComObjectRootBase() = default;
  CComObjectRootBase(const CComObjectRootBase&) = delete;
  CComObjectRootBase& operator=(const CComObjectRootBase&) = delete;

  // The steps of creation that a class may replace.
  HRESULT FinalConstruct() { return S_OK; }
  void FinalRelease() {}
  void SetVoid(void*) {}

  // The aggregating object's IUnknown, for an object made inside one.
  ULONG OuterAddRef() { return m_pOuterUnknown->AddRef(); }
  ULONG OuterRelease() { return m_pOuterUnknown->Release(); }
  HRESULT OuterQueryInterface(REFIID iid, void** object) { return m_pOuterUnknown->QueryInterface(iid, object); }

  static HRESULT InternalQueryInterface(void* object, const Platform::InterfaceEntry* entries, REFIID iid,
                                        void** result) {
    return Platform::InternalQueryInterface(object, entries, iid, result);
  }

  // The outer object when this one is aggregated (or the polymorphic
  // wrapper), else null.
  IUnknown* m_pOuterUnknown = nullptr;
  std::atomic<LONG> m_dwRef{0};
};

template <class ThreadModel>
class CComObjectRootEx : public CComObjectRootBase {
public:
  using _ThreadModel = ThreadModel;

  ULONG InternalAddRef() { return ThreadModel::Increment(&m_dwRef); }
  ULONG InternalRelease() { return ThreadModel::Decrement(&m_dwRef); }
  // The reference that creation holds across FinalConstruct.
  void InternalFinalConstructAddRef() { InternalAddRef(); }
  void InternalFinalConstructRelease() { InternalRelease(); }

  // The object's own lock (re-entrant), for the state its methods share
  // with other threads.
  void Lock() { m_critsec.lock(); }
  void Unlock() { m_critsec.unlock(); }

private:
  std::recursive_mutex m_critsec;
};
using CComObjectRoot = CComObjectRootEx<CComObjectThreadModel>;

// Holds an object's lock for a scope.
template <class T>
class CComObjectLockT {
public:
  explicit CComObjectLockT(T* object) : m_object(object) {
    if (m_object != nullptr)
      m_object->Lock();
  }
  ~CComObjectLockT() {
    if (m_object != nullptr)
      m_object->Unlock();
  }
  CComObjectLockT(const CComObjectLockT&) = delete;
  CComObjectLockT& operator=(const CComObjectLockT&) = delete;

private:
  T* m_object;
};

// The interface map. The entries' casts run on the map's own class.
#define BEGIN_COM_MAP(x)                                                                                   \
public:                                                                                                    \
  using _ComMapClass = x;                                                                                  \
  IUnknown* _GetRawUnknown() {                                                                             \
    return static_cast<IUnknown*>(_GetEntries()[0].cast(static_cast<void*>(static_cast<x*>(this))));       \
  }                                                                                                        \
  IUnknown* GetUnknown() { return _GetRawUnknown(); }                                                      \
  /* The object's identity: the outer object's when aggregated. */                                        \
  IUnknown* GetControllingUnknown() { return m_pOuterUnknown != nullptr ? m_pOuterUnknown : _GetRawUnknown(); } \
  HRESULT _InternalQueryInterface(REFIID iid, void** object) {                                             \
    return ::Platform::InternalQueryInterface(static_cast<void*>(static_cast<x*>(this)), _GetEntries(), iid, object); \
  }                                                                                                        \
  static const ::Platform::InterfaceEntry* _GetEntries() {                                                 \
    static const ::Platform::InterfaceEntry entries[] = {

#define COM_INTERFACE_ENTRY_IID(iidValue, I)                                                               \
  {&(iidValue), [](void* object) -> void* { return static_cast<I*>(static_cast<_ComMapClass*>(object)); }, nullptr},
#define COM_INTERFACE_ENTRY(I) COM_INTERFACE_ENTRY_IID(__uuidof(I), I)
// I reached through I2, for an interface that several bases derive from
// (COM_INTERFACE_ENTRY2(IDispatch, IVornApp)).
#define COM_INTERFACE_ENTRY2_IID(iidValue, I, I2)                                                          \
  {&(iidValue),                                                                                            \
   [](void* object) -> void* { return static_cast<I*>(static_cast<I2*>(static_cast<_ComMapClass*>(object))); }, \
   nullptr},
#define COM_INTERFACE_ENTRY2(I, I2) COM_INTERFACE_ENTRY2_IID(__uuidof(I), I, I2)
// iid answered by the aggregated object whose inner IUnknown is the member punk.
#define COM_INTERFACE_ENTRY_AGGREGATE(iidValue, punk)                                                      \
  {&(iidValue), nullptr, [](void* object) -> IUnknown* { return static_cast<_ComMapClass*>(object)->punk; }},
// Every interface not answered above it, passed to the aggregated object.
#define COM_INTERFACE_ENTRY_AGGREGATE_BLIND(punk)                                                          \
  {nullptr, nullptr, [](void* object) -> IUnknown* { return static_cast<_ComMapClass*>(object)->punk; }},

#define END_COM_MAP()                                                                                      \
  {nullptr, nullptr, nullptr}                                                                              \
  }                                                                                                        \
  ;                                                                                                        \
  return entries;                                                                                          \
  }                                                                                                        \
  virtual ULONG AddRef() = 0;                                                                              \
  virtual ULONG Release() = 0;                                                                             \
  virtual HRESULT QueryInterface(REFIID, void**) = 0;

// Kept for classes that ask for it: creation always holds the reference.
#define DECLARE_PROTECT_FINAL_CONSTRUCT()
#define DECLARE_GET_CONTROLLING_UNKNOWN()
#define ATL_NO_VTABLE

// An object of its own that does not count toward its library's unloading
// (class objects).
template <class Base>
class CComObjectNoLock : public Base {
public:
  explicit CComObjectNoLock(void* = nullptr) {}
  ~CComObjectNoLock() override {
    this->m_dwRef = Platform::Detail::kDestroyingCount;
    this->FinalRelease();
  }
  ULONG AddRef() override { return this->InternalAddRef(); }
  ULONG Release() override {
    ULONG left = this->InternalRelease();
    if (left == 0)
      delete this;
    return left;
  }
  HRESULT QueryInterface(REFIID iid, void** object) override { return this->_InternalQueryInterface(iid, object); }
  template <class Q>
  HRESULT QueryInterface(Q** object) {
    return QueryInterface(__uuidof(Q), reinterpret_cast<void**>(object));
  }
};

// An object of its own.
template <class Base>
class CComObject : public CComObjectNoLock<Base> {
public:
  explicit CComObject(void* = nullptr) { ++Platform::Detail::g_moduleLocks; }
  ~CComObject() override { --Platform::Detail::g_moduleLocks; }

  // Makes an object with a count of 0 (the caller's first AddRef keeps it).
  static HRESULT CreateInstance(CComObject<Base>** object);
};

// The part of an aggregate that answers the outer object's interfaces:
// everything it is asked goes to the outer object.
template <class Base>
class CComContainedObject : public Base {
public:
  explicit CComContainedObject(void* outer) { this->m_pOuterUnknown = static_cast<IUnknown*>(outer); }
  ULONG AddRef() override { return this->OuterAddRef(); }
  ULONG Release() override { return this->OuterRelease(); }
  HRESULT QueryInterface(REFIID iid, void** object) override { return this->OuterQueryInterface(iid, object); }
  template <class Q>
  HRESULT QueryInterface(Q** object) {
    return QueryInterface(__uuidof(Q), reinterpret_cast<void**>(object));
  }
  IUnknown* GetControllingUnknown() { return this->m_pOuterUnknown; }
};

// The inner object of an aggregate; this IUnknown is the non-delegating one
// that only the outer object holds.
template <class Contained>
class CComAggObject : public IUnknown, public CComObjectRootEx<CComMultiThreadModel> {
public:
  explicit CComAggObject(void* outer) : CComAggObject(outer, false) {}
  ~CComAggObject() override {
    m_dwRef = Platform::Detail::kDestroyingCount;
    m_contained.FinalRelease();
    --Platform::Detail::g_moduleLocks;
  }
  // Standing alone (a polymorphic object), the contained object counts on
  // this one, whose count creation holds across this call.
  HRESULT FinalConstruct() { return m_contained.FinalConstruct(); }
  void FinalRelease() { m_contained.FinalRelease(); }
  void SetVoid(void* value) { m_contained.SetVoid(value); }

  ULONG AddRef() override { return InternalAddRef(); }
  ULONG Release() override {
    ULONG left = InternalRelease();
    if (left == 0)
      delete this;
    return left;
  }
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr)
      return E_POINTER;
    *object = nullptr;
    if (InlineIsEqualUnknown(iid)) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    return m_contained._InternalQueryInterface(iid, object);
  }

  CComContainedObject<Contained> m_contained;

protected:
  // Without an outer object, standAlone makes this object the outer one.
  CComAggObject(void* outer, bool standAlone)
      : m_contained(outer == nullptr && standAlone ? static_cast<void*>(static_cast<IUnknown*>(this)) : outer) {
    ++Platform::Detail::g_moduleLocks;
  }
};

// An object that is aggregated when made with an outer object and stands
// alone otherwise (then it is its own outer object).
template <class Contained>
class CComPolyObject : public CComAggObject<Contained> {
public:
  explicit CComPolyObject(void* outer) : CComAggObject<Contained>(outer, true) {}
};

// Creation: construct, FinalConstruct under a held reference, then the
// requested interface (whose reference is the object's first).
template <class T1>
class CComCreator {
public:
  static HRESULT CreateInstance(void* outer, REFIID iid, void** object) {
    if (object == nullptr)
      return E_POINTER;
    *object = nullptr;
    T1* created = new (std::nothrow) T1(outer);
    if (created == nullptr)
      return E_OUTOFMEMORY;
    created->SetVoid(outer);
    created->InternalFinalConstructAddRef();
    HRESULT hr = created->FinalConstruct();
    created->InternalFinalConstructRelease();
    if (SUCCEEDED(hr))
      hr = created->QueryInterface(iid, object);
    if (FAILED(hr))
      delete created;
    return hr;
  }
};

// Standing alone with T1, aggregated with T2.
template <class T1, class T2>
class CComCreator2 {
public:
  static HRESULT CreateInstance(void* outer, REFIID iid, void** object) {
    return outer == nullptr ? T1::CreateInstance(nullptr, iid, object) : T2::CreateInstance(outer, iid, object);
  }
};

template <HRESULT hr>
class CComFailCreator {
public:
  static HRESULT CreateInstance(void*, REFIID, void** object) {
    if (object != nullptr)
      *object = nullptr;
    return hr;
  }
};

template <class Base>
HRESULT CComObject<Base>::CreateInstance(CComObject<Base>** object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  auto* created = new (std::nothrow) CComObject<Base>();
  if (created == nullptr)
    return E_OUTOFMEMORY;
  created->SetVoid(nullptr);
  created->InternalFinalConstructAddRef();
  HRESULT hr = created->FinalConstruct();
  created->InternalFinalConstructRelease();
  if (FAILED(hr)) {
    delete created;
    return hr;
  }
  *object = created;
  return S_OK;
}

#define DECLARE_AGGREGATABLE(x) \
public:                         \
  using _CreatorClass = CComCreator2<CComCreator<CComObject<x>>, CComCreator<CComAggObject<x>>>;
#define DECLARE_NOT_AGGREGATABLE(x) \
public:                             \
  using _CreatorClass = CComCreator2<CComCreator<CComObject<x>>, CComFailCreator<CLASS_E_NOAGGREGATION>>;
#define DECLARE_ONLY_AGGREGATABLE(x) \
public:                              \
  using _CreatorClass = CComCreator2<CComFailCreator<E_FAIL>, CComCreator<CComAggObject<x>>>;
#define DECLARE_POLY_AGGREGATABLE(x) \
public:                              \
  using _CreatorClass = CComCreator<CComPolyObject<x>>;

namespace Platform {

// What the registration of a class writes (see platform/registration/).
struct ClassRegistration {
  const char* progId;                   // "VornEngineHost.VornModule.1"
  const char* versionIndependentProgId; // "VornEngineHost.VornModule"
  const char* description;              // "VornModule Class"
  const char* threadingModel;           // "Apartment"
};

// A class object over a creation function; fails only for lack of memory.
using CreateInstanceFunction = HRESULT (*)(void* outer, REFIID iid, void** object);
PLATFORM_API HRESULT CreateClassFactory(CreateInstanceFunction create, REFIID iid, void** object);

} // namespace Platform

// The class object of every class: it creates through the class's creator
// and refuses an aggregating outer object that asks for anything but
// IUnknown with CLASS_E_NOAGGREGATION.
#define DECLARE_CLASSFACTORY()

// The registration of a class: its ProgIDs and description, threading
// model Apartment.
#define DECLARE_CLASS_REGISTRATION(progId, versionIndependentProgId, description)                  \
  static const ::Platform::ClassRegistration* GetClassRegistration() {                             \
    static const ::Platform::ClassRegistration registration{progId, versionIndependentProgId,      \
                                                            description, "Apartment"};             \
    return &registration;                                                                          \
  }

template <class T, const CLSID* pclsid = &GUID_NULL>
class CComCoClass {
public:
  DECLARE_AGGREGATABLE(T)
  static const CLSID& GetObjectCLSID() { return *pclsid; }
  // No registration unless the class declares one.
  static const Platform::ClassRegistration* GetClassRegistration() { return nullptr; }

  template <class Q>
  static HRESULT CreateInstance(IUnknown* outer, Q** object) {
    return T::_CreatorClass::CreateInstance(outer, __uuidof(Q), reinterpret_cast<void**>(object));
  }
  template <class Q>
  static HRESULT CreateInstance(Q** object) {
    return T::_CreatorClass::CreateInstance(nullptr, __uuidof(Q), reinterpret_cast<void**>(object));
  }
};

#endif
