#include "platform/com/connection.h"

#include "platform/com/objects.h"

namespace {

// One enumerator shape for both kinds: Item is what Next hands out, and
// Traits says where its reference is.
template <class Interface, class Item, class Traits>
class ATL_NO_VTABLE SnapshotEnumerator : public CComObjectRootEx<CComMultiThreadModel>, public Interface {
public:
  using Self = SnapshotEnumerator<Interface, Item, Traits>;
  BEGIN_COM_MAP(Self)
  COM_INTERFACE_ENTRY(Interface)
  END_COM_MAP()

  ~SnapshotEnumerator() override {
    for (Item& item : m_items)
      Traits::Unknown(item)->Release();
  }
  void Init(std::vector<Item> items, std::size_t position) {
    m_items = std::move(items);
    m_position = position;
    for (Item& item : m_items)
      Traits::Unknown(item)->AddRef();
  }
  static HRESULT Create(const std::vector<Item>& items, std::size_t position, Interface** result) {
    if (result == nullptr)
      return E_POINTER;
    *result = nullptr;
    for (const Item& item : items) {
      if (Traits::Unknown(item) == nullptr)
        return E_INVALIDARG;
    }
    CComObject<Self>* created = nullptr;
    HRESULT hr = CComObject<Self>::CreateInstance(&created);
    if (FAILED(hr))
      return hr;
    created->Init(items, position);
    created->AddRef();
    *result = created;
    return S_OK;
  }

  HRESULT Next(ULONG count, Item* items, ULONG* fetched) override {
    if (items == nullptr || (count > 1 && fetched == nullptr))
      return E_POINTER;
    ULONG given = 0;
    while (given < count && m_position < m_items.size()) {
      items[given] = m_items[m_position++];
      Traits::Unknown(items[given])->AddRef();
      ++given;
    }
    if (fetched != nullptr)
      *fetched = given;
    return given == count ? S_OK : S_FALSE;
  }
  HRESULT Skip(ULONG count) override {
    std::size_t left = m_items.size() - m_position;
    if (count > left) {
      m_position = m_items.size();
      return S_FALSE;
    }
    m_position += count;
    return S_OK;
  }
  HRESULT Reset() override {
    m_position = 0;
    return S_OK;
  }
  HRESULT Clone(Interface** copy) override { return Create(m_items, m_position, copy); }

private:
  std::vector<Item> m_items;
  std::size_t m_position = 0;
};

struct ConnectionTraits {
  static IUnknown* Unknown(const CONNECTDATA& item) { return item.pUnk; }
};
struct PointTraits {
  static IUnknown* Unknown(IConnectionPoint* item) { return item; }
};

using ConnectionEnumerator = SnapshotEnumerator<IEnumConnections, CONNECTDATA, ConnectionTraits>;
using PointEnumerator = SnapshotEnumerator<IEnumConnectionPoints, IConnectionPoint*, PointTraits>;

} // namespace

HRESULT Platform::CreateConnectionEnumerator(const std::vector<CONNECTDATA>& connections,
                                             IEnumConnections** enumerator) {
  return ConnectionEnumerator::Create(connections, 0, enumerator);
}

HRESULT Platform::CreateConnectionPointEnumerator(const std::vector<IConnectionPoint*>& points,
                                                  IEnumConnectionPoints** enumerator) {
  return PointEnumerator::Create(points, 0, enumerator);
}
