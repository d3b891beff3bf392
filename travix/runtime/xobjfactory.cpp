#include "xobjfactory.h"

#include "travixexcept.h"

TRAVIX_BEGIN_NAMESPACE

using XObjectFactory = TRAVIX_NAME(XObjectFactory);

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
}

TRAVIX_NAME(XObject)* XObjectFactory::CreateObject(std::string name) { return Create(name); }

TRAVIX_NAME(XObject)* XObjectFactory::CreateObject(const char* name) {
  return Create(name ? std::string_view(name) : std::string_view());
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
