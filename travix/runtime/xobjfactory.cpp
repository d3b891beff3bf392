#include "xobjfactory.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "travixexcept.h"

TRAVIX_BEGIN_NAMESPACE

using XObjectFactory = TRAVIX_NAME(XObjectFactory);

namespace {

// A generated grammar names each class by the same text constant at every
// start tag, so a thread remembers the registered name and function it
// found for a few such addresses: a hit costs one comparison of the text
// with the registered name instead of a walk through the map. Any
// registration forgets what every thread remembers.
std::atomic<unsigned> s_registrations{0};

struct RememberedName {
  const char* text = nullptr;
  const std::string* registered = nullptr;
  XObjectFactory::CreateFunction create = nullptr;
  unsigned registrations = 0;
};

constexpr std::size_t kRemembered = 64; // a power of two

#if defined(__GNUC__)
__attribute__((tls_model("initial-exec")))
#endif
thread_local RememberedName t_remembered[kRemembered];

RememberedName& SlotOf(const char* text) {
  const auto address = reinterpret_cast<std::uintptr_t>(text);
  return t_remembered[(address >> 3 ^ address >> 11) & (kRemembered - 1)];
}

} // namespace

// Made on first use, so a static build registering from another file's
// static initialiser never meets a map that is not yet constructed.
// Ordered by name; looked up by any text without copying it.
std::map<std::string, XObjectFactory::CreateFunction, std::less<>>& XObjectFactory::CreateFunctions() {
  static std::map<std::string, CreateFunction, std::less<>> m_createFuncMap;
  return m_createFuncMap;
}

void XObjectFactory::RegisterCreateFunction(std::string name, CreateFunction create) {
  if (name.empty())
    TRAVIX_THROW("Error: Attempt made to register a create function without an object name");
  if (!create)
    TRAVIX_THROW("Error: Attempt made to register a null create function for '" + name + "'");
  CreateFunctions()[name] = create;
  s_registrations.fetch_add(1, std::memory_order_relaxed);
}

TRAVIX_NAME(XObject)* XObjectFactory::CreateObject(std::string name) { return Create(name); }

TRAVIX_NAME(XObject)* XObjectFactory::CreateObject(const char* name) {
  if (!name)
    return Create(std::string_view());
  RememberedName& slot = SlotOf(name);
  const unsigned registrations = s_registrations.load(std::memory_order_relaxed);
  // The text at a remembered address may have changed since: compare it.
  if (slot.text != name || slot.registrations != registrations ||
      std::strcmp(name, slot.registered->c_str()) != 0) {
    const auto& functions = CreateFunctions();
    auto found = functions.find(std::string_view(name));
    if (found == functions.end() || !found->second)
      return Create(name);
    slot.text = name;
    slot.registered = &found->first;
    slot.create = found->second;
    slot.registrations = registrations;
  }
  TRAVIX_NAME(XObject)* object = slot.create();
  if (!object)
    TRAVIX_THROW("Error: Unable to allocate memory for object '" + std::string(name) + "'");
  return object;
}

TRAVIX_NAME(XObject)* XObjectFactory::Create(std::string_view name) {
  const auto& functions = CreateFunctions();
  auto found = functions.find(name);
  if (found == functions.end())
    TRAVIX_THROW("Error: No registered create function was found for object '" + std::string(name) + "'");
  if (!found->second)
    TRAVIX_THROW("Error: Null create function found for object '" + std::string(name) + "'");
  TRAVIX_NAME(XObject)* object = found->second();
  if (!object)
    TRAVIX_THROW("Error: Unable to allocate memory for object '" + std::string(name) + "'");
  return object;
}

TRAVIX_END_NAMESPACE
