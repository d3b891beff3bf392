// XException in the prefix naming form (Travix_XException, no namespace).
#ifndef TRAVIX_NO_NAMESPACE
#define TRAVIX_NO_NAMESPACE
#endif
#include "travixexcept.h"
