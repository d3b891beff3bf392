#include <mutex>
#include <optional>

#include "platform/activation/activation.h"
#include "platform/activation/libraries.h"
#include "platform/com/memory.h"
#include "platform/com/text.h"

namespace Platform {

namespace {

struct ClassEntry {
  CLSID clsid;
  CreateInstanceFunction create;
  const ClassRegistration* registration;
};

struct ClassTable {
  std::mutex lock;
  std::vector<ClassEntry> entries;
};

// Never destroyed: libraries add and remove classes until the very end.
ClassTable& Classes() {
  static auto* table = new ClassTable;
  return *table;
}

std::optional<ClassEntry> FindClass(REFCLSID clsid) {
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> guard(table.lock);
  for (const ClassEntry& entry : table.entries) {
    if (entry.clsid == clsid)
      return entry;
  }
  return std::nullopt;
}

} // namespace

HRESULT AddInProcessClass(REFCLSID clsid, CreateInstanceFunction create, const ClassRegistration* registration) {
  if (create == nullptr)
    return E_INVALIDARG;
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> guard(table.lock);
  for (const ClassEntry& entry : table.entries) {
    if (entry.clsid == clsid)
      return S_FALSE;
  }
  table.entries.push_back({clsid, create, registration});
  return S_OK;
}

void RemoveInProcessClass(REFCLSID clsid, CreateInstanceFunction create) {
  ClassTable& table = Classes();
  std::lock_guard<std::mutex> guard(table.lock);
  std::erase_if(table.entries,
                [&](const ClassEntry& entry) { return entry.clsid == clsid && entry.create == create; });
}

} // namespace Platform

HRESULT CoGetClassObject(REFCLSID clsid, DWORD, LPVOID, REFIID iid, LPVOID* object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  if (std::optional<Platform::ClassEntry> entry = Platform::FindClass(clsid))
    return Platform::CreateClassFactory(entry->create, iid, object);
  return Platform::Detail::GetServerClassObject(clsid, iid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
  if (object == nullptr)
    return E_POINTER;
  *object = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(clsid, context, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr))
    return hr;
  hr = factory->CreateInstance(outer, iid, object);
  factory->Release();
  return hr;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
  if (progId == nullptr || clsid == nullptr)
    return E_INVALIDARG;
  *clsid = GUID_NULL;
  std::u16string_view wanted(progId);
  {
    Platform::ClassTable& table = Platform::Classes();
    std::lock_guard<std::mutex> guard(table.lock);
    for (const Platform::ClassEntry& entry : table.entries) {
      const Platform::ClassRegistration* r = entry.registration;
      if (r != nullptr && ((r->progId != nullptr && Platform::EqualsIgnoringAsciiCase(wanted, r->progId)) ||
                           (r->versionIndependentProgId != nullptr &&
                            Platform::EqualsIgnoringAsciiCase(wanted, r->versionIndependentProgId)))) {
        *clsid = entry.clsid;
        return S_OK;
      }
    }
  }
  return Platform::Detail::RegisteredClassOfProgId(Platform::Utf16ToUtf8(wanted), clsid);
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
  if (progId == nullptr)
    return E_INVALIDARG;
  *progId = nullptr;
  std::string text;
  std::optional<Platform::ClassEntry> entry = Platform::FindClass(clsid);
  if (entry && entry->registration != nullptr && entry->registration->progId != nullptr) {
    text = entry->registration->progId;
  } else {
    HRESULT hr = Platform::Detail::RegisteredProgIdOfClass(clsid, text);
    if (FAILED(hr))
      return hr;
  }
  std::u16string wide = Platform::Utf8ToUtf16(text);
  *progId = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(OLECHAR)));
  if (*progId == nullptr)
    return E_OUTOFMEMORY;
  std::copy(wide.begin(), wide.end(), *progId);
  (*progId)[wide.size()] = 0;
  return S_OK;
}
