#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/com/com.h"

PLATFORM_DEFINE_DIID(_ITickEvents, "7A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C01");
PLATFORM_DEFINE_IID(ITicker, "7A2B3C4D-5E6F-4A1B-8C2D-3E4F5A6B7C02");
struct ITicker : IUnknown {
  virtual HRESULT Tick() = 0;
};

namespace {

// An event source as the external input/output module is one: the events
// are fired to every sink that is advised when the firing starts.
class ATL_NO_VTABLE Ticker : public CComObjectRootEx<CComMultiThreadModel>,
                             public ITicker,
                             public IConnectionPointContainerImpl<Ticker>,
                             public IConnectionPointImpl<Ticker, &DIID__ITickEvents> {
public:
  BEGIN_COM_MAP(Ticker)
  COM_INTERFACE_ENTRY(ITicker)
  COM_INTERFACE_ENTRY(IConnectionPointContainer)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(Ticker)
  CONNECTION_POINT_ENTRY(DIID__ITickEvents)
  END_CONNECTION_POINT_MAP()

  HRESULT Tick() override {
    int count = m_vec.GetSize();
    for (int i = 0; i < count; ++i) {
      Lock();
      CComPtr<IUnknown> sink = m_vec.GetAt(i);
      Unlock();
      if (sink == nullptr)
        continue;
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      reinterpret_cast<IDispatch*>(sink.p)->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                                                   nullptr, nullptr, nullptr);
    }
    return S_OK;
  }
};

class ATL_NO_VTABLE Sink : public CComObjectRootEx<CComMultiThreadModel>, public IDispatch {
public:
  BEGIN_COM_MAP(Sink)
  COM_INTERFACE_ENTRY(IDispatch)
  COM_INTERFACE_ENTRY_IID(DIID__ITickEvents, IDispatch)
  END_COM_MAP()
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    if (id == 1)
      ++ticks;
    return fail ? E_FAIL : S_OK;
  }
  std::atomic<int> ticks{0};
  bool fail = false;
};

template <class T>
CComPtr<CComObject<T>> Make() {
  CComObject<T>* object = nullptr;
  EXPECT_EQ(CComObject<T>::CreateInstance(&object), S_OK);
  return object;
}

TEST(ConnectionPoint, SeveralSinksAdviseFireAndUnadvise) {
  auto ticker = Make<Ticker>();
  CComQIPtr<IConnectionPointContainer> container(static_cast<ITicker*>(ticker));
  ASSERT_TRUE(container);
  CComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID__ITickEvents, &point), S_OK);
  CComPtr<IConnectionPoint> none;
  EXPECT_EQ(container->FindConnectionPoint(IID_ITicker, &none), CONNECT_E_NOCONNECTION);
  IID iid;
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID__ITickEvents);
  CComPtr<IConnectionPointContainer> back;
  EXPECT_EQ(point->GetConnectionPointContainer(&back), S_OK);
  EXPECT_EQ(back.p, container.p);

  auto first = Make<Sink>();
  auto second = Make<Sink>();
  second->fail = true; // a failing sink does not stop the others
  auto third = Make<Sink>();
  DWORD cookies[3];
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(first), &cookies[0]), S_OK);
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(second), &cookies[1]), S_OK);
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(third), &cookies[2]), S_OK);
  ticker->Tick();
  EXPECT_EQ(first->ticks + second->ticks + third->ticks, 3);

  ASSERT_EQ(point->Unadvise(cookies[1]), S_OK);
  EXPECT_EQ(point->Unadvise(cookies[1]), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(0), CONNECT_E_NOCONNECTION);
  ticker->Tick();
  EXPECT_EQ(first->ticks, 2);
  EXPECT_EQ(second->ticks, 1);
  EXPECT_EQ(third->ticks, 2);

  CComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(&connections), S_OK);
  CONNECTDATA data[3];
  ULONG fetched = 0;
  EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  EXPECT_EQ(data[1].dwCookie, cookies[2]);
  for (ULONG i = 0; i < fetched; ++i)
    data[i].pUnk->Release();

  // A sink without the event interface is refused.
  CComPtr<IUnknown> stranger(static_cast<ITicker*>(Make<Ticker>()));
  DWORD cookie = 7;
  EXPECT_EQ(point->Advise(stranger, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(cookie, 0u);
  // The emptied slot is taken again.
  ASSERT_EQ(point->Advise(static_cast<IDispatch*>(second), &cookie), S_OK);
  EXPECT_EQ(cookie, cookies[1]);
}

TEST(ConnectionPoint, AdviseWhileAnotherThreadFires) {
  auto ticker = Make<Ticker>();
  CComPtr<IConnectionPoint> point;
  CComQIPtr<IConnectionPointContainer>(static_cast<ITicker*>(ticker))->FindConnectionPoint(DIID__ITickEvents, &point);
  auto sink = Make<Sink>();
  std::atomic<bool> done{false};
  std::thread firing([&] {
    while (!done)
      ticker->Tick();
  });
  for (int i = 0; i < 500; ++i) {
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(static_cast<IDispatch*>(sink), &cookie), S_OK);
    ASSERT_EQ(point->Unadvise(cookie), S_OK);
  }
  done = true;
  firing.join();
  EXPECT_EQ(sink->m_dwRef.load(), 1);
}

} // namespace
