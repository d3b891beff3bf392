// Event sources: IConnectionPointContainerImpl answers the points listed
// between BEGIN_CONNECTION_POINT_MAP and END_CONNECTION_POINT_MAP, and each
// IConnectionPointImpl<T, &DIID_Events> keeps the sinks of one outgoing
// interface. A connection point lives inside its source object and counts on
// it. Sinks are kept in slots: a slot emptied by Unadvise stays empty until
// a later Advise reuses it, so code that fires events walks
// m_vec.GetSize() slots and skips the empty ones, holding each sink with a
// reference of its own while calling it.
#ifndef PLATFORM_COM_CONNIMPL_H
#define PLATFORM_COM_CONNIMPL_H

#include <atomic>
#include <vector>

#include "platform/com/connection.h"

// The sinks of one connection point. Cookies are slot numbers from 1. The
// array changes only under its source's lock; GetSize may be read without
// it (firing code reads the count first, then each slot under the lock).
class CComDynamicUnkArray {
public:
  CComDynamicUnkArray() = default;
  CComDynamicUnkArray(const CComDynamicUnkArray&) = delete;
  CComDynamicUnkArray& operator=(const CComDynamicUnkArray&) = delete;

  int GetSize() const { return m_size.load(); }
  // The sink in a slot; null for an empty slot or one past the end.
  IUnknown* GetAt(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < m_slots.size() ? m_slots[static_cast<std::size_t>(index)]
                                                                          : nullptr;
  }
  // Keeps sink (the caller's reference passes to the array) and answers its
  // cookie; 0 when no slot can be had.
  DWORD Add(IUnknown* sink) {
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
      if (m_slots[i] == nullptr) {
        m_slots[i] = sink;
        return static_cast<DWORD>(i + 1);
      }
    }
    if (m_slots.size() >= 0x7FFFFFFF)
      return 0;
    m_slots.push_back(sink);
    m_size = static_cast<int>(m_slots.size());
    return static_cast<DWORD>(m_slots.size());
  }
  // Empties the cookie's slot and hands its reference to the caller; null
  // when the cookie names no sink.
  IUnknown* Remove(DWORD cookie) {
    if (cookie == 0 || cookie > m_slots.size())
      return nullptr;
    IUnknown* sink = m_slots[cookie - 1];
    m_slots[cookie - 1] = nullptr;
    return sink;
  }
  IUnknown** begin() { return m_slots.data(); }
  IUnknown** end() { return m_slots.data() + m_slots.size(); }

private:
  std::vector<IUnknown*> m_slots;
  std::atomic<int> m_size{0};
};

namespace Platform {

// The connection point of one outgoing interface, as a base of its own so
// that a source with several points finds each one.
template <const IID* piid>
struct ConnectionPointFor : IConnectionPoint {
protected:
  ~ConnectionPointFor() = default;
};

struct ConnectionPointEntry {
  const IID* iid;
  IConnectionPoint* (*cast)(void* object);
};

} // namespace Platform

template <class T, const IID* piid, class CDV = CComDynamicUnkArray>
class IConnectionPointImpl : public Platform::ConnectionPointFor<piid> {
public:
  IConnectionPointImpl() = default;
  IConnectionPointImpl(const IConnectionPointImpl&) = delete;
  IConnectionPointImpl& operator=(const IConnectionPointImpl&) = delete;
  // Sinks still advised when the source goes are released with it.
  ~IConnectionPointImpl() {
    for (IUnknown*& sink : m_vec) {
      if (sink != nullptr)
        sink->Release();
      sink = nullptr;
    }
  }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr)
      return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
      *object = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return Source()->GetControllingUnknown()->AddRef(); }
  ULONG Release() override { return Source()->GetControllingUnknown()->Release(); }

  HRESULT GetConnectionInterface(IID* iid) override {
    if (iid == nullptr)
      return E_POINTER;
    *iid = *piid;
    return S_OK;
  }
  HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (container == nullptr)
      return E_POINTER;
    return Source()->GetControllingUnknown()->QueryInterface(IID_IConnectionPointContainer,
                                                             reinterpret_cast<void**>(container));
  }
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override {
    if (cookie == nullptr)
      return E_POINTER;
    *cookie = 0;
    if (sink == nullptr)
      return E_POINTER;
    IUnknown* events = nullptr;
    if (FAILED(sink->QueryInterface(*piid, reinterpret_cast<void**>(&events))) || events == nullptr)
      return CONNECT_E_CANNOTCONNECT;
    Source()->Lock();
    DWORD added = m_vec.Add(events);
    Source()->Unlock();
    if (added == 0) {
      events->Release();
      return CONNECT_E_ADVISELIMIT;
    }
    *cookie = added;
    return S_OK;
  }
  HRESULT Unadvise(DWORD cookie) override {
    Source()->Lock();
    IUnknown* sink = m_vec.Remove(cookie);
    Source()->Unlock();
    if (sink == nullptr)
      return CONNECT_E_NOCONNECTION;
    // Released outside the lock: the sink may call back into the source.
    sink->Release();
    return S_OK;
  }
  HRESULT EnumConnections(IEnumConnections** connections) override {
    if (connections == nullptr)
      return E_POINTER;
    std::vector<CONNECTDATA> snapshot;
    Source()->Lock();
    for (int i = 0; i < m_vec.GetSize(); ++i) {
      if (IUnknown* sink = m_vec.GetAt(i))
        snapshot.push_back({sink, static_cast<DWORD>(i + 1)});
    }
    // The enumerator takes its references before the lock is left.
    HRESULT hr = Platform::CreateConnectionEnumerator(snapshot, connections);
    Source()->Unlock();
    return hr;
  }

  CDV m_vec;

private:
  T* Source() { return static_cast<T*>(this); }
};

template <class T>
class IConnectionPointContainerImpl : public IConnectionPointContainer {
public:
  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override {
    if (points == nullptr)
      return E_POINTER;
    std::vector<IConnectionPoint*> all;
    for (const Platform::ConnectionPointEntry* entry = T::GetConnMap(); entry->iid != nullptr; ++entry)
      all.push_back(entry->cast(static_cast<void*>(static_cast<T*>(this))));
    return Platform::CreateConnectionPointEnumerator(all, points);
  }
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (point == nullptr)
      return E_POINTER;
    *point = nullptr;
    for (const Platform::ConnectionPointEntry* entry = T::GetConnMap(); entry->iid != nullptr; ++entry) {
      if (*entry->iid == iid) {
        *point = entry->cast(static_cast<void*>(static_cast<T*>(this)));
        (*point)->AddRef();
        return S_OK;
      }
    }
    return CONNECT_E_NOCONNECTION;
  }
};

#define BEGIN_CONNECTION_POINT_MAP(x)                                   \
  using _CPMapClass = x;                                                \
  static const ::Platform::ConnectionPointEntry* GetConnMap() {         \
    static const ::Platform::ConnectionPointEntry entries[] = {
#define CONNECTION_POINT_ENTRY(iidValue)                                                        \
  {&(iidValue), [](void* object) -> IConnectionPoint* {                                         \
     return static_cast<::Platform::ConnectionPointFor<&(iidValue)>*>(static_cast<_CPMapClass*>(object)); \
   }},
#define END_CONNECTION_POINT_MAP() \
  {nullptr, nullptr}               \
  }                                \
  ;                                \
  return entries;                  \
  }

#endif
