// Inside the library: which VARTYPEs this layer knows, and how wide an
// array element of each is.
#ifndef PLATFORM_COM_VARIANTTYPES_H
#define PLATFORM_COM_VARIANTTYPES_H

#include "platform/com/variant.h"

namespace Platform::Detail {

// The width of an array element of type vt; 0 when vt cannot be one.
ULONG ElementSize(VARTYPE vt);
// A type that a VARIANT can hold directly (not as array or reference).
bool IsScalarType(VARTYPE vt);
// Any valid VARIANT type: a scalar, or an element type with VT_ARRAY, either
// of them with VT_BYREF (VT_VARIANT only by reference or in an array).
bool IsValidVariantType(VARTYPE vt);
// Frees an element of an array of type vt in place.
void ClearElement(VARTYPE vt, void* element);
// Copies an element of type vt from source to an uninitialised target.
HRESULT CopyElement(VARTYPE vt, const void* source, void* target);

} // namespace Platform::Detail

#endif
