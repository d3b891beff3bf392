// Everything of the COM layer in one include: identifiers, interfaces,
// strings and VARIANTs, the object templates and smart pointers, table
// dispatch, type information, event sources, pictures and activation.
#ifndef PLATFORM_COM_COM_H
#define PLATFORM_COM_COM_H

#include "platform/activation/activation.h"
#include "platform/com/bstr.h"
#include "platform/com/classinfo.h"
#include "platform/com/connection.h"
#include "platform/com/connimpl.h"
#include "platform/com/dispatch.h"
#include "platform/com/dispimpl.h"
#include "platform/com/errorinfo.h"
#include "platform/com/guid.h"
#include "platform/com/memory.h"
#include "platform/com/module.h"
#include "platform/com/objects.h"
#include "platform/com/picture.h"
#include "platform/com/pointers.h"
#include "platform/com/propertypages.h"
#include "platform/com/text.h"
#include "platform/com/typeinfo.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

#endif
