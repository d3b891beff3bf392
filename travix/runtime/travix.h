// The Travix runtime as generated binding code includes it.
//
// Namespace form: every name lives in the namespace Travix. travix_n.h gives
// the prefix form (Travix_ names, no namespace). Generated MFC-form headers
// define TRAVIX_USE_MFC first; it changes nothing here, since every class
// offers the MFC-form names (AddTail, GetHead, GetTail, GetCount,
// GetBuffer, Travix::EndL) besides the standard ones.
#ifndef TRAVIX_H
#define TRAVIX_H

#include "travixconfig.h"
#include "travixdatatype.h"
#include "travixexcept.h"
#include "travixlist.h"
#include "travixobject.h"
#include "travixvalues.h"

#endif
