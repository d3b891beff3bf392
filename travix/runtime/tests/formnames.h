// Lets one test source exercise both naming forms of the runtime: the test
// binary is built once against each form and names classes through TX().
#ifndef TRAVIX_TESTS_FORMNAMES_H
#define TRAVIX_TESTS_FORMNAMES_H

#include "travixconfig.h"

#ifdef TRAVIX_NO_NAMESPACE
#define TX(name) Travix_##name
#else
#define TX(name) Travix::name
#endif

#endif
