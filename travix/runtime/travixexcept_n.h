// XException in the prefix naming form (Travix_XException, no namespace).
#ifndef TRAVIX_NO_NAMESPACE
#if defined(TRAVIX_EXCEPT_H)
#error "travixexcept_n.h after travixexcept.h: one translation unit uses one naming form"
#endif
#define TRAVIX_NO_NAMESPACE
#endif
#include "travixexcept.h"
