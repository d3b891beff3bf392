#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com/com.h"

PLATFORM_DEFINE_IID(IInnerThing, "0D6E2A71-4C1B-4E0F-9B2A-6A1F3C5D7E01");
struct IInnerThing : IUnknown {
  virtual HRESULT GetValue(LONG* value) = 0;
};
PLATFORM_DEFINE_IID(IOuterThing, "0D6E2A71-4C1B-4E0F-9B2A-6A1F3C5D7E02");
struct IOuterThing : IUnknown {
  virtual HRESULT GetInnerValue(LONG* value) = 0;
};
PLATFORM_DEFINE_GUID(CLSID_InnerThing, "0D6E2A71-4C1B-4E0F-9B2A-6A1F3C5D7E10");
PLATFORM_DEFINE_GUID(CLSID_OuterThing, "0D6E2A71-4C1B-4E0F-9B2A-6A1F3C5D7E11");
PLATFORM_DEFINE_GUID(CLSID_FailingThing, "0D6E2A71-4C1B-4E0F-9B2A-6A1F3C5D7E12");

namespace {

int g_innerLive = 0;
int g_outerLive = 0;

class ATL_NO_VTABLE InnerThing : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<InnerThing, &CLSID_InnerThing>,
                                 public IInnerThing {
public:
  InnerThing() { ++g_innerLive; }
  ~InnerThing() override { --g_innerLive; }
  BEGIN_COM_MAP(InnerThing)
  COM_INTERFACE_ENTRY(IInnerThing)
  END_COM_MAP()
  HRESULT GetValue(LONG* value) override {
    *value = 42;
    return S_OK;
  }
};

// A server object as the module servers make theirs: the engine's object
// aggregated inside, queried and released while this one is made.
class ATL_NO_VTABLE OuterThing : public CComObjectRootEx<CComMultiThreadModel>,
                                 public CComCoClass<OuterThing, &CLSID_OuterThing>,
                                 public IOuterThing {
public:
  DECLARE_NOT_AGGREGATABLE(OuterThing)
  OuterThing() { ++g_outerLive; }
  ~OuterThing() override { --g_outerLive; }
  BEGIN_COM_MAP(OuterThing)
  COM_INTERFACE_ENTRY(IOuterThing)
  COM_INTERFACE_ENTRY_AGGREGATE_BLIND(m_inner)
  END_COM_MAP()

  HRESULT FinalConstruct() {
    HRESULT hr = CoCreateInstance(CLSID_InnerThing, GetControllingUnknown(), CLSCTX_INPROC_SERVER, IID_IUnknown,
                                  reinterpret_cast<void**>(&m_inner));
    if (FAILED(hr))
      return hr;
    // Held without a reference: the inner object lives inside this one.
    hr = m_inner->QueryInterface(&m_thing);
    if (SUCCEEDED(hr))
      m_thing->Release();
    return hr;
  }
  void FinalRelease() {
    if (m_inner != nullptr)
      m_inner->Release();
  }
  HRESULT GetInnerValue(LONG* value) override { return m_thing->GetValue(value); }

  IUnknown* m_inner = nullptr;
  IInnerThing* m_thing = nullptr;
};

class ATL_NO_VTABLE FailingThing : public CComObjectRootEx<CComMultiThreadModel>,
                                   public CComCoClass<FailingThing, &CLSID_FailingThing>,
                                   public IInnerThing {
public:
  FailingThing() { ++g_innerLive; }
  ~FailingThing() override { --g_innerLive; }
  BEGIN_COM_MAP(FailingThing)
  COM_INTERFACE_ENTRY(IInnerThing)
  END_COM_MAP()
  HRESULT FinalConstruct() { return E_OUTOFMEMORY; }
  HRESULT GetValue(LONG*) override { return E_NOTIMPL; }
};

class ATL_NO_VTABLE PolyThing : public CComObjectRootEx<CComMultiThreadModel>, public IInnerThing {
public:
  DECLARE_POLY_AGGREGATABLE(PolyThing)
  BEGIN_COM_MAP(PolyThing)
  COM_INTERFACE_ENTRY(IInnerThing)
  END_COM_MAP()
  HRESULT GetValue(LONG* value) override {
    *value = 7;
    return S_OK;
  }
};

CComModule g_module;
BEGIN_OBJECT_MAP(g_objects)
OBJECT_ENTRY(CLSID_InnerThing, InnerThing)
OBJECT_ENTRY(CLSID_OuterThing, OuterThing)
OBJECT_ENTRY(CLSID_FailingThing, FailingThing)
END_OBJECT_MAP()

class Aggregation : public testing::Test {
protected:
  void SetUp() override { g_module.Init(g_objects, Platform::ThisModule()); }
  void TearDown() override {
    g_module.Term();
    EXPECT_EQ(g_innerLive, 0);
    EXPECT_EQ(g_outerLive, 0);
  }
};

IUnknown* Identity(IUnknown* object) {
  IUnknown* unknown = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  unknown->Release();
  return unknown;
}

TEST_F(Aggregation, OuterIdentityCountsAndLifetime) {
  IOuterThing* outer = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_OuterThing, nullptr, CLSCTX_ALL, IID_IOuterThing, reinterpret_cast<void**>(&outer)),
            S_OK);
  // One reference after construction, and both objects alive.
  EXPECT_EQ(outer->AddRef(), 2u);
  EXPECT_EQ(outer->Release(), 1u);
  EXPECT_EQ(g_outerLive, 1);
  EXPECT_EQ(g_innerLive, 1);

  // The inner object's interface is reached blindly through the outer, and
  // every interface answers the outer's identity and interfaces.
  IInnerThing* inner = nullptr;
  ASSERT_EQ(outer->QueryInterface(&inner), S_OK);
  EXPECT_EQ(outer->AddRef(), 3u);
  outer->Release();
  EXPECT_EQ(Identity(inner), Identity(outer));
  IOuterThing* back = nullptr;
  ASSERT_EQ(inner->QueryInterface(&back), S_OK);
  EXPECT_EQ(back, outer);
  back->Release();
  LONG value = 0;
  EXPECT_EQ(outer->GetInnerValue(&value), S_OK);
  EXPECT_EQ(value, 42);

  void* missing = &value;
  EXPECT_EQ(outer->QueryInterface(IID_IDispatch, &missing), E_NOINTERFACE);
  EXPECT_EQ(missing, nullptr);

  // The inner object dies with the outer, not before.
  EXPECT_EQ(inner->Release(), 1u);
  EXPECT_EQ(g_innerLive, 1);
  EXPECT_EQ(outer->Release(), 0u);
  EXPECT_EQ(g_outerLive, 0);
  EXPECT_EQ(g_innerLive, 0);
}

TEST_F(Aggregation, CreationFailuresLeaveNothing) {
  LONG before = g_module.GetLockCount();
  IUnknown* object = nullptr;
  IUnknown* outsider = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_InnerThing, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&outsider)),
            S_OK);
  EXPECT_EQ(g_module.GetLockCount(), before + 1);
  struct Case {
    const CLSID& clsid;
    IUnknown* outer;
    const IID& iid;
    HRESULT result;
  };
  const Case cases[] = {
      {CLSID_OuterThing, outsider, IID_IUnknown, CLASS_E_NOAGGREGATION},      // not aggregatable
      {CLSID_InnerThing, outsider, IID_IInnerThing, CLASS_E_NOAGGREGATION},  // aggregated, not asked for IUnknown
      {CLSID_FailingThing, nullptr, IID_IUnknown, E_OUTOFMEMORY},            // FinalConstruct failed
      {CLSID_InnerThing, nullptr, IID_IOuterThing, E_NOINTERFACE},
      {CLSID_NULL, nullptr, IID_IUnknown, REGDB_E_CLASSNOTREG},
  };
  for (const Case& c : cases) {
    object = outsider;
    EXPECT_EQ(CoCreateInstance(c.clsid, c.outer, CLSCTX_ALL, c.iid, reinterpret_cast<void**>(&object)), c.result);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(outsider->Release(), 0u);
  EXPECT_EQ(g_module.GetLockCount(), before);
}

TEST_F(Aggregation, PolymorphicObjectStandsAloneOrInside) {
  IUnknown* alone = nullptr;
  ASSERT_EQ(PolyThing::_CreatorClass::CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&alone)), S_OK);
  IInnerThing* thing = nullptr;
  ASSERT_EQ(alone->QueryInterface(&thing), S_OK);
  EXPECT_EQ(Identity(thing), alone);
  thing->Release();
  EXPECT_EQ(alone->Release(), 0u);

  IOuterThing* outer = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_OuterThing, nullptr, CLSCTX_ALL, IID_IOuterThing, reinterpret_cast<void**>(&outer)),
            S_OK);
  IUnknown* inner = nullptr;
  ASSERT_EQ(PolyThing::_CreatorClass::CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
  ASSERT_EQ(inner->QueryInterface(&thing), S_OK);
  EXPECT_EQ(Identity(thing), Identity(outer));
  thing->Release();
  inner->Release();
  outer->Release();
}

TEST_F(Aggregation, CountsHoldAcrossThreads) {
  CComPtr<IOuterThing> outer;
  ASSERT_EQ(outer.CoCreateInstance(CLSID_OuterThing), S_OK);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&outer] {
      for (int i = 0; i < 2000; ++i) {
        CComPtr<IInnerThing> inner;
        outer.QueryInterface(&inner);
        CComQIPtr<IOuterThing> again(inner.p);
      }
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  EXPECT_EQ(outer->AddRef(), 2u);
  outer->Release();
}

} // namespace
