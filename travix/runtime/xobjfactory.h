// XObjectFactory: makes bound objects by name.
//
// Every generated binding registers one create function per class under the
// class's qualified name (its Initialize()); the generated grammar asks for a
// new object by that name at each start tag. Process-wide and not locked:
// registration is expected to finish before objects are made.
#ifndef TRAVIX_OBJFACTORY_H
#define TRAVIX_OBJFACTORY_H

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "travixobject.h"

TRAVIX_BEGIN_NAMESPACE

class TRAVIX_API TRAVIX_NAME(XObjectFactory) {
public:
  typedef TRAVIX_NAME(XObject)* (*CreateFunction)();

  // Replaces any function registered earlier under the name.
  static void RegisterCreateFunction(std::string name, CreateFunction create);
  // A new object, owned by the caller; throws XException when none can be made.
  static TRAVIX_NAME(XObject)* CreateObject(std::string name);
  // The same for a name in a text constant, as generated grammars pass it,
  // without making a string of it first (null is the empty name).
  static TRAVIX_NAME(XObject)* CreateObject(const char* name);

  TRAVIX_NAME(XObjectFactory)& operator=(const TRAVIX_NAME(XObjectFactory)&) { return *this; }

private:
  TRAVIX_NAME(XObjectFactory)();
  static std::map<std::string, CreateFunction, std::less<>>& CreateFunctions();
  static TRAVIX_NAME(XObject)* Create(std::string_view name);
};

TRAVIX_END_NAMESPACE

#endif
