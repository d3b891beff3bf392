// The Travix runtime in the prefix form: no namespace, every name carries
// the prefix Travix_ (Travix_XObject, Travix_string, ...). Only the line end
// stays Travix::EndL, as generated code writes it in both forms.
#ifndef TRAVIX_NO_NAMESPACE
#if defined(TRAVIX_H)
#error "travix_n.h after travix.h: one translation unit uses one naming form"
#endif
#define TRAVIX_NO_NAMESPACE
#endif
#include "travix.h"
