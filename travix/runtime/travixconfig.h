// Naming form and symbol export of the Travix runtime.
//
// The runtime is one source built in two naming forms. By default every
// class lives in the namespace Travix. When TRAVIX_NO_NAMESPACE is defined
// there is no namespace and every class name carries the prefix "Travix_"
// instead. TRAVIX_NAME spells a runtime class name in the form being built.
#ifndef TRAVIX_CONFIG_H
#define TRAVIX_CONFIG_H

#ifdef TRAVIX_NO_NAMESPACE
#define TRAVIX_NAME(name) Travix_##name
#define TRAVIX_BEGIN_NAMESPACE
#define TRAVIX_END_NAMESPACE
#else
#define TRAVIX_NAME(name) name
#define TRAVIX_BEGIN_NAMESPACE namespace Travix {
#define TRAVIX_END_NAMESPACE }
#endif

// Everything the runtime offers to generated code is exported from its
// shared library; the library itself is built with hidden visibility.
#define TRAVIX_API __attribute__((visibility("default")))

#endif
