// Preloaded into travix by its tests: the XML parser's initialisation
// succeeds underneath and then reports failure, as a broken installation
// would, so the program's handling of it can be watched from outside.
#include <dlfcn.h>

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/XMLExceptMsgs.hpp>

XERCES_CPP_NAMESPACE_BEGIN

void XMLPlatformUtils::Initialize(const char* const locale, const char* const nlsHome,
                                  PanicHandler* const panicHandler,
                                  MemoryManager* const memoryManager) {
  using Initializer = void (*)(const char*, const char*, PanicHandler*, MemoryManager*);
  // The exception's text comes from the parser's message catalogue, which
  // only a real initialisation sets up.
  auto real = reinterpret_cast<Initializer>(dlsym(
      RTLD_NEXT,
      "_ZN11xercesc_3_216XMLPlatformUtils10InitializeEPKcS2_PNS_12PanicHandlerEPNS_13MemoryManagerE"));
  if (real) real(locale, nlsHome, panicHandler, memoryManager);
  ThrowXML(XMLPlatformUtilsException, XMLExcepts::Mutex_CouldNotDestroy);
}

XERCES_CPP_NAMESPACE_END
