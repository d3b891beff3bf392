#include "platform/com/errortext.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/kernel/kernel.h"

namespace Platform {

namespace {

// Grouped by family; ErrorTexts() answers them sorted by code.
constexpr ErrorText kTable[] = {
    // Success codes.
    {0x00000000u, "S_OK", "The operation completed successfully."},
    {0x00000001u, "S_FALSE", "The operation completed and answered false."},
    {0x00040000u, "OLE_S_USEREG", "Use the registry database to provide the requested information."},
    {0x00040001u, "OLE_S_STATIC", "Success, but the object is static."},
    {0x00040002u, "OLE_S_MAC_CLIPFORMAT", "A clipboard format of another platform was used."},
    {0x00040100u, "DRAGDROP_S_DROP", "The drag and drop operation ended with a drop."},
    {0x00040101u, "DRAGDROP_S_CANCEL", "The drag and drop operation was cancelled."},
    {0x00040102u, "DRAGDROP_S_USEDEFAULTCURSORS", "Use the default cursors."},
    {0x00040170u, "CACHE_S_FORMATETC_NOTSUPPORTED", "The data format is not supported by the cache."},
    {0x000401E2u, "MK_S_REDUCED_TO_SELF", "The moniker reduced to itself."},
    {0x000401E4u, "MK_S_ME", "The common prefix is this moniker."},
    {0x000401E5u, "MK_S_HIM", "The common prefix is the input moniker."},
    {0x000401E6u, "MK_S_US", "The common prefix is both monikers."},
    {0x00030200u, "STG_S_CONVERTED", "The underlying file was converted to compound file format."},
    {0x00080012u, "CO_S_NOTALLINTERFACES", "Not all the requested interfaces were available."},

    // Generic failures.
    {0x8000FFFFu, "E_UNEXPECTED", "An unexpected failure occurred."},
    {0x80004001u, "E_NOTIMPL", "The function is not implemented."},
    {0x80004002u, "E_NOINTERFACE", "The object does not support the requested interface."},
    {0x80004003u, "E_POINTER", "A required pointer is missing or invalid."},
    {0x80004004u, "E_ABORT", "The operation was aborted."},
    {0x80004005u, "E_FAIL", "The operation failed for an unspecified reason."},
    {0x8000000Au, "E_PENDING", "The data needed to complete the operation is not yet available."},
    {0x80070005u, "E_ACCESSDENIED", "Access is denied."},
    {0x80070006u, "E_HANDLE", "The handle is invalid."},
    {0x8007000Eu, "E_OUTOFMEMORY", "There is not enough memory to complete the operation."},
    {0x80070057u, "E_INVALIDARG", "One or more arguments are invalid."},

    // Calls between objects.
    {0x80010001u, "RPC_E_CALL_REJECTED", "The call was rejected by the callee."},
    {0x80010002u, "RPC_E_CALL_CANCELED", "The call was cancelled by the message filter."},
    {0x80010005u, "RPC_E_CANTCALLOUT_INEXTERNALCALL", "No outgoing call can be made while a message filter runs."},
    {0x80010006u, "RPC_E_CONNECTION_TERMINATED", "The connection was terminated or is in a bogus state."},
    {0x80010007u, "RPC_E_SERVER_DIED", "The callee is gone and the connection is lost."},
    {0x80010008u, "RPC_E_CLIENT_DIED", "The caller is gone before the callee could answer."},
    {0x80010105u, "RPC_E_SERVERFAULT", "The server threw an exception."},
    {0x80010106u, "RPC_E_CHANGED_MODE", "The threading mode cannot be changed after it is set."},
    {0x80010108u, "RPC_E_DISCONNECTED", "The object invoked has disconnected from its clients."},
    {0x8001010Eu, "RPC_E_WRONG_THREAD", "The object was called on a thread it does not belong to."},
    {0x8001FFFFu, "RPC_E_UNEXPECTED", "An internal error occurred in a call between objects."},

    // Automation.
    {0x80020001u, "DISP_E_UNKNOWNINTERFACE", "The interface is unknown."},
    {0x80020003u, "DISP_E_MEMBERNOTFOUND", "The member was not found."},
    {0x80020004u, "DISP_E_PARAMNOTFOUND", "A parameter was not found."},
    {0x80020005u, "DISP_E_TYPEMISMATCH", "The types do not match."},
    {0x80020006u, "DISP_E_UNKNOWNNAME", "The name is unknown."},
    {0x80020007u, "DISP_E_NONAMEDARGS", "Named arguments are not supported."},
    {0x80020008u, "DISP_E_BADVARTYPE", "The variant type is invalid."},
    {0x80020009u, "DISP_E_EXCEPTION", "The call raised an exception."},
    {0x8002000Au, "DISP_E_OVERFLOW", "The value is out of the representable range."},
    {0x8002000Bu, "DISP_E_BADINDEX", "The index is invalid."},
    {0x8002000Cu, "DISP_E_UNKNOWNLCID", "The language is unknown."},
    {0x8002000Du, "DISP_E_ARRAYISLOCKED", "The memory is locked."},
    {0x8002000Eu, "DISP_E_BADPARAMCOUNT", "The number of parameters is invalid."},
    {0x8002000Fu, "DISP_E_PARAMNOTOPTIONAL", "A parameter that is not optional is missing."},
    {0x80020010u, "DISP_E_BADCALLEE", "The callee is invalid."},
    {0x80020011u, "DISP_E_NOTACOLLECTION", "The object does not support enumeration."},
    {0x80020012u, "DISP_E_DIVBYZERO", "Division by zero."},
    {0x80020013u, "DISP_E_BUFFERTOOSMALL", "The buffer is too small."},

    // Type libraries.
    {0x80028016u, "TYPE_E_BUFFERTOOSMALL", "The buffer is too small."},
    {0x80028017u, "TYPE_E_FIELDNOTFOUND", "The field name is not defined in the record."},
    {0x80028018u, "TYPE_E_INVDATAREAD", "The old format or an invalid type library."},
    {0x80028019u, "TYPE_E_UNSUPFORMAT", "The old format or an invalid type library."},
    {0x8002801Cu, "TYPE_E_REGISTRYACCESS", "An error occurred while accessing the registry."},
    {0x8002801Du, "TYPE_E_LIBNOTREGISTERED", "The library is not registered."},
    {0x80028027u, "TYPE_E_UNDEFINEDTYPE", "The type is bound to an unknown type."},
    {0x80028028u, "TYPE_E_QUALIFIEDNAMEDISALLOWED", "A qualified name is not allowed."},
    {0x80028029u, "TYPE_E_INVALIDSTATE", "The call is invalid in this state; the type is not laid out."},
    {0x8002802Au, "TYPE_E_WRONGTYPEKIND", "The type is of the wrong kind."},
    {0x8002802Bu, "TYPE_E_ELEMENTNOTFOUND", "The element was not found."},
    {0x8002802Cu, "TYPE_E_AMBIGUOUSNAME", "The name is ambiguous."},
    {0x8002802Du, "TYPE_E_NAMECONFLICT", "The name is already in the library."},
    {0x8002802Eu, "TYPE_E_UNKNOWNLCID", "The language is unknown."},
    {0x8002802Fu, "TYPE_E_DLLFUNCTIONNOTFOUND", "The function is not defined in the specified library."},
    {0x800288BDu, "TYPE_E_BADMODULEKIND", "The module is of the wrong kind for the operation."},
    {0x800288C5u, "TYPE_E_SIZETOOBIG", "The size may not exceed 64K."},
    {0x800288C6u, "TYPE_E_DUPLICATEID", "The identifier is used twice in the inheritance hierarchy."},
    {0x800288CFu, "TYPE_E_INVALIDID", "The number of an identifier is invalid."},
    {0x80028CA0u, "TYPE_E_TYPEMISMATCH", "The types do not match."},
    {0x80028CA1u, "TYPE_E_OUTOFBOUNDS", "The value is out of bounds."},
    {0x80028CA2u, "TYPE_E_IOERROR", "An input or output error occurred."},
    {0x80028CA3u, "TYPE_E_CANTCREATETMPFILE", "A temporary file cannot be created."},
    {0x80029C4Au, "TYPE_E_CANTLOADLIBRARY", "The type library or library cannot be loaded."},
    {0x80029C83u, "TYPE_E_INCONSISTENTPROPFUNCS", "The property functions are inconsistent."},
    {0x80029C84u, "TYPE_E_CIRCULARTYPE", "A type depends on itself."},

    // Structured storage.
    {0x80030001u, "STG_E_INVALIDFUNCTION", "The function cannot be performed."},
    {0x80030002u, "STG_E_FILENOTFOUND", "The file could not be found."},
    {0x80030003u, "STG_E_PATHNOTFOUND", "The path could not be found."},
    {0x80030004u, "STG_E_TOOMANYOPENFILES", "Too many files are open."},
    {0x80030005u, "STG_E_ACCESSDENIED", "Access is denied."},
    {0x80030006u, "STG_E_INVALIDHANDLE", "The handle is invalid."},
    {0x80030008u, "STG_E_INSUFFICIENTMEMORY", "There is not enough memory."},
    {0x80030009u, "STG_E_INVALIDPOINTER", "The pointer is invalid."},
    {0x80030012u, "STG_E_NOMOREFILES", "There are no more entries."},
    {0x80030013u, "STG_E_DISKISWRITEPROTECTED", "The disk is write-protected."},
    {0x80030019u, "STG_E_SEEKERROR", "An error occurred during a seek."},
    {0x8003001Du, "STG_E_WRITEFAULT", "A disk error occurred during a write."},
    {0x8003001Eu, "STG_E_READFAULT", "A disk error occurred during a read."},
    {0x80030020u, "STG_E_SHAREVIOLATION", "A share violation occurred."},
    {0x80030021u, "STG_E_LOCKVIOLATION", "A lock violation occurred."},
    {0x80030050u, "STG_E_FILEALREADYEXISTS", "The file already exists."},
    {0x80030057u, "STG_E_INVALIDPARAMETER", "A parameter is invalid."},
    {0x80030070u, "STG_E_MEDIUMFULL", "There is not enough space on the disk."},
    {0x800300FBu, "STG_E_INVALIDHEADER", "The file is not a valid compound file."},
    {0x800300FCu, "STG_E_INVALIDNAME", "The name is invalid."},
    {0x800300FDu, "STG_E_UNKNOWN", "An unexpected error occurred."},
    {0x800300FEu, "STG_E_UNIMPLEMENTEDFUNCTION", "That function is not implemented."},
    {0x800300FFu, "STG_E_INVALIDFLAG", "A flag is invalid."},
    {0x80030100u, "STG_E_INUSE", "The object is busy."},
    {0x80030101u, "STG_E_NOTCURRENT", "The storage has changed since the last commit."},
    {0x80030102u, "STG_E_REVERTED", "The object has ceased to exist."},
    {0x80030103u, "STG_E_CANTSAVE", "The object cannot be saved."},

    // Objects, class objects and the class registry.
    {0x80040000u, "OLE_E_OLEVERB", "The verb is invalid."},
    {0x80040001u, "OLE_E_ADVF", "The advise flags are invalid."},
    {0x80040002u, "OLE_E_ENUM_NOMORE", "The enumeration cannot go on: there is nothing more."},
    {0x80040003u, "OLE_E_ADVISENOTSUPPORTED", "Advising is not supported."},
    {0x80040004u, "OLE_E_NOCONNECTION", "There is no connection for this identifier."},
    {0x80040005u, "OLE_E_NOTRUNNING", "The object must be running to perform the operation."},
    {0x80040006u, "OLE_E_NOCACHE", "There is no cache to operate on."},
    {0x80040007u, "OLE_E_BLANK", "The object is not initialised."},
    {0x80040008u, "OLE_E_CLASSDIFF", "The source object is of another class than the linked one."},
    {0x80040009u, "OLE_E_CANT_GETMONIKER", "The object's moniker cannot be had."},
    {0x8004000Au, "OLE_E_CANT_BINDTOSOURCE", "The source cannot be bound."},
    {0x8004000Bu, "OLE_E_STATIC", "The object is static; the operation is not allowed."},
    {0x8004000Cu, "OLE_E_PROMPTSAVECANCELLED", "The user cancelled the save dialog."},
    {0x8004000Du, "OLE_E_INVALIDRECT", "The rectangle is invalid."},
    {0x8004000Eu, "OLE_E_WRONGCOMPOBJ", "The object library is incompatible with this one."},
    {0x8004000Fu, "OLE_E_INVALIDHWND", "The window handle is invalid."},
    {0x80040010u, "OLE_E_NOT_INPLACEACTIVE", "The object is not in place active."},
    {0x80040011u, "OLE_E_CANTCONVERT", "The object cannot be converted."},
    {0x80040012u, "OLE_E_NOSTORAGE", "The object has no storage yet."},
    {0x80040064u, "DV_E_FORMATETC", "The data format is invalid."},
    {0x80040110u, "CLASS_E_NOAGGREGATION", "The class does not support aggregation."},
    {0x80040111u, "CLASS_E_CLASSNOTAVAILABLE", "The class object cannot supply the requested class."},
    {0x80040112u, "CLASS_E_NOTLICENSED", "The class is not licensed for use."},
    {0x80040150u, "REGDB_E_READREGDB", "The registry could not be read."},
    {0x80040151u, "REGDB_E_WRITEREGDB", "The registry could not be written."},
    {0x80040152u, "REGDB_E_KEYMISSING", "A registry key could not be found."},
    {0x80040153u, "REGDB_E_INVALIDVALUE", "A value in the registry is invalid."},
    {0x80040154u, "REGDB_E_CLASSNOTREG", "The class is not registered."},
    {0x80040155u, "REGDB_E_IIDNOTREG", "The interface is not registered."},
    {0x800401D0u, "CLIPBRD_E_CANT_OPEN", "The clipboard cannot be opened."},
    {0x800401E0u, "MK_E_CONNECTMANUALLY", "The connection must be made by hand."},
    {0x800401E1u, "MK_E_EXCEEDEDDEADLINE", "The operation exceeded its deadline."},
    {0x800401E2u, "MK_E_NEEDGENERIC", "A generic composition of monikers is needed."},
    {0x800401E3u, "MK_E_UNAVAILABLE", "The operation is unavailable."},
    {0x800401E4u, "MK_E_SYNTAX", "The syntax is invalid."},
    {0x800401E5u, "MK_E_NOOBJECT", "There is no object for the moniker."},
    {0x800401E6u, "MK_E_INVALIDEXTENSION", "The file name extension is bad."},
    {0x800401E7u, "MK_E_INTERMEDIATEINTERFACENOTSUPPORTED", "An intermediate operation failed."},
    {0x800401E8u, "MK_E_NOTBINDABLE", "The moniker cannot be bound."},
    {0x800401E9u, "MK_E_NOTBOUND", "The moniker is not bound."},
    {0x800401EAu, "MK_E_CANTOPENFILE", "The moniker cannot open its file."},
    {0x800401EBu, "MK_E_MUSTBOTHERUSER", "User input is needed for the operation to succeed."},
    {0x800401ECu, "MK_E_NOINVERSE", "The moniker class has no inverse."},
    {0x800401EDu, "MK_E_NOSTORAGE", "The moniker does not refer to storage."},
    {0x800401EEu, "MK_E_NOPREFIX", "The monikers have no common prefix."},
    {0x800401EFu, "MK_E_ENUMERATION_FAILED", "The moniker could not be enumerated."},
    {0x800401F0u, "CO_E_NOTINITIALIZED", "The object library has not been initialised."},
    {0x800401F1u, "CO_E_ALREADYINITIALIZED", "The object library has already been initialised."},
    {0x800401F2u, "CO_E_CANTDETERMINECLASS", "The class of the object cannot be determined."},
    {0x800401F3u, "CO_E_CLASSSTRING", "The class string is invalid."},
    {0x800401F4u, "CO_E_IIDSTRING", "The interface string is invalid."},
    {0x800401F5u, "CO_E_APPNOTFOUND", "The application was not found."},
    {0x800401F6u, "CO_E_APPSINGLEUSE", "The application cannot be run more than once."},
    {0x800401F7u, "CO_E_ERRORINAPP", "Some error in the application program."},
    {0x800401F8u, "CO_E_DLLNOTFOUND", "The server library for this class was not found."},
    {0x800401F9u, "CO_E_ERRORINDLL", "The server library for this class could not be loaded or has no class objects."},
    {0x800401FAu, "CO_E_WRONGOSFORAPP", "The application was written for another operating system."},
    {0x800401FBu, "CO_E_OBJNOTREG", "The object is not registered."},
    {0x800401FCu, "CO_E_OBJISREG", "The object is already registered."},
    {0x800401FDu, "CO_E_OBJNOTCONNECTED", "The object is not connected to its server."},
    {0x800401FEu, "CO_E_APPDIDNTREG", "The application was started but did not register a class object."},
    {0x800401FFu, "CO_E_RELEASED", "The object has been released."},
    {0x80004021u, "CO_E_NOT_SUPPORTED", "The operation is not supported."},
    {0x80080005u, "CO_E_SERVER_EXEC_FAILURE", "The server failed to run."},
    // The same values are the connection points' CONNECT_E_NOCONNECTION and
    // CONNECT_E_ADVISELIMIT.
    {0x80040200u, "SELFREG_E_TYPELIB", "The type library could not be registered, or there is no such connection."},
    {0x80040201u, "SELFREG_E_CLASS", "The classes could not be registered, or the connection point takes no more connections."},
    {0x80040202u, "CONNECT_E_CANNOTCONNECT", "The connection cannot be made: the sink lacks the interface."},
    {0x80040203u, "CONNECT_E_OVERRIDDEN", "The connection point is overridden."},

    // Controls.
    {0x800A0005u, "CTL_E_ILLEGALFUNCTIONCALL", "Illegal function call."},
    {0x800A0006u, "CTL_E_OVERFLOW", "Overflow."},
    {0x800A0007u, "CTL_E_OUTOFMEMORY", "Out of memory."},
    {0x800A000Bu, "CTL_E_DIVISIONBYZERO", "Division by zero."},
    {0x800A000Eu, "CTL_E_OUTOFSTRINGSPACE", "Out of string space."},
    {0x800A001Cu, "CTL_E_OUTOFSTACKSPACE", "Out of stack space."},
    {0x800A0034u, "CTL_E_BADFILENAMEORNUMBER", "Bad file name or number."},
    {0x800A0035u, "CTL_E_FILENOTFOUND", "File not found."},
    {0x800A0036u, "CTL_E_BADFILEMODE", "Bad file mode."},
    {0x800A0037u, "CTL_E_FILEALREADYOPEN", "File already open."},
    {0x800A0039u, "CTL_E_DEVICEIOERROR", "Device input/output error."},
    {0x800A003Au, "CTL_E_FILEALREADYEXISTS", "File already exists."},
    {0x800A003Bu, "CTL_E_BADRECORDLENGTH", "Bad record length."},
    {0x800A003Du, "CTL_E_DISKFULL", "Disk full."},
    {0x800A003Fu, "CTL_E_BADRECORDNUMBER", "Bad record number."},
    {0x800A0040u, "CTL_E_BADFILENAME", "Bad file name."},
    {0x800A0043u, "CTL_E_TOOMANYFILES", "Too many files."},
    {0x800A0044u, "CTL_E_DEVICEUNAVAILABLE", "Device unavailable."},
    {0x800A0046u, "CTL_E_PERMISSIONDENIED", "Permission denied."},
    {0x800A0047u, "CTL_E_DISKNOTREADY", "Disk not ready."},
    {0x800A004Bu, "CTL_E_PATHFILEACCESSERROR", "Path or file access error."},
    {0x800A004Cu, "CTL_E_PATHNOTFOUND", "Path not found."},
    {0x800A005Du, "CTL_E_INVALIDPATTERNSTRING", "Invalid pattern string."},
    {0x800A005Eu, "CTL_E_INVALIDUSEOFNULL", "Invalid use of null."},
    {0x800A0141u, "CTL_E_INVALIDFILEFORMAT", "Invalid file format."},
    {0x800A017Cu, "CTL_E_INVALIDPROPERTYVALUE", "Invalid property value."},
    {0x800A017Du, "CTL_E_INVALIDPROPERTYARRAYINDEX", "Invalid property array index."},
    {0x800A017Eu, "CTL_E_SETNOTSUPPORTEDATRUNTIME", "The property cannot be set at run time."},
    {0x800A017Fu, "CTL_E_SETNOTSUPPORTED", "The property is read-only."},
    {0x800A0181u, "CTL_E_NEEDPROPERTYARRAYINDEX", "A property array index is needed."},
    {0x800A0183u, "CTL_E_SETNOTPERMITTED", "The property cannot be set now."},
    {0x800A0189u, "CTL_E_GETNOTSUPPORTEDATRUNTIME", "The property cannot be read at run time."},
    {0x800A018Au, "CTL_E_GETNOTSUPPORTED", "The property is write-only."},
    {0x800A01A6u, "CTL_E_PROPERTYNOTFOUND", "Property not found."},
    {0x800A01CCu, "CTL_E_INVALIDCLIPBOARDFORMAT", "Invalid clipboard format."},
    {0x800A01E1u, "CTL_E_INVALIDPICTURE", "Invalid picture."},
    {0x800A01E2u, "CTL_E_PRINTERERROR", "Printer error."},
    {0x800A02DFu, "CTL_E_CANTSAVEFILETOTEMP", "The file cannot be saved to a temporary place."},
    {0x800A02E8u, "CTL_E_SEARCHTEXTNOTFOUND", "The search text was not found."},
    {0x800A02EAu, "CTL_E_REPLACEMENTSTOOLONG", "The replacements are too long."},

    // Win32 error numbers: the registry, the loader, the kernel, windows.
    {2u, "ERROR_FILE_NOT_FOUND", "The file cannot be found."},
    {3u, "ERROR_PATH_NOT_FOUND", "The path cannot be found."},
    {4u, "ERROR_TOO_MANY_OPEN_FILES", "Too many files are open."},
    {5u, "ERROR_ACCESS_DENIED", "Access is denied."},
    {6u, "ERROR_INVALID_HANDLE", "The handle is invalid."},
    {8u, "ERROR_NOT_ENOUGH_MEMORY", "There is not enough memory to process this command."},
    {11u, "ERROR_BAD_FORMAT", "A program or library of the wrong format was loaded."},
    {12u, "ERROR_INVALID_ACCESS", "The access code is invalid."},
    {13u, "ERROR_INVALID_DATA", "The data is invalid."},
    {14u, "ERROR_OUTOFMEMORY", "There is not enough storage to complete the operation."},
    {18u, "ERROR_NO_MORE_FILES", "There are no more files."},
    {19u, "ERROR_WRITE_PROTECT", "The medium is write-protected."},
    {21u, "ERROR_NOT_READY", "The device is not ready."},
    {23u, "ERROR_CRC", "Data error (cyclic redundancy check)."},
    {25u, "ERROR_SEEK", "The drive cannot find the area asked for."},
    {29u, "ERROR_WRITE_FAULT", "The device cannot be written to."},
    {30u, "ERROR_READ_FAULT", "The device cannot be read from."},
    {31u, "ERROR_GEN_FAILURE", "A device attached to the system is not working."},
    {32u, "ERROR_SHARING_VIOLATION", "The file is in use by another process."},
    {33u, "ERROR_LOCK_VIOLATION", "Another process has locked a part of the file."},
    {38u, "ERROR_HANDLE_EOF", "The end of the file was reached."},
    {39u, "ERROR_HANDLE_DISK_FULL", "The disk is full."},
    {50u, "ERROR_NOT_SUPPORTED", "The request is not supported."},
    {80u, "ERROR_FILE_EXISTS", "The file exists."},
    {82u, "ERROR_CANNOT_MAKE", "The directory or file cannot be created."},
    {87u, "ERROR_INVALID_PARAMETER", "The parameter is incorrect."},
    {109u, "ERROR_BROKEN_PIPE", "The pipe has been ended."},
    {110u, "ERROR_OPEN_FAILED", "The system cannot open the device or file specified."},
    {111u, "ERROR_BUFFER_OVERFLOW", "The file name is too long."},
    {112u, "ERROR_DISK_FULL", "There is not enough space on the disk."},
    {120u, "ERROR_CALL_NOT_IMPLEMENTED", "This function is not supported on this system."},
    {121u, "ERROR_SEM_TIMEOUT", "The wait period expired."},
    {122u, "ERROR_INSUFFICIENT_BUFFER", "The data area passed to a call is too small."},
    {123u, "ERROR_INVALID_NAME", "The file name, directory name or volume label syntax is incorrect."},
    {126u, "ERROR_MOD_NOT_FOUND", "The module could not be found."},
    {127u, "ERROR_PROC_NOT_FOUND", "The procedure could not be found."},
    {145u, "ERROR_DIR_NOT_EMPTY", "The directory is not empty."},
    {160u, "ERROR_BAD_ARGUMENTS", "One or more arguments are not correct."},
    {161u, "ERROR_BAD_PATHNAME", "The path is invalid."},
    {170u, "ERROR_BUSY", "The resource is in use."},
    {183u, "ERROR_ALREADY_EXISTS", "The file or object already exists."},
    {193u, "ERROR_BAD_EXE_FORMAT", "The file is not a valid program or library."},
    {203u, "ERROR_ENVVAR_NOT_FOUND", "The environment option is not set."},
    {206u, "ERROR_FILENAME_EXCED_RANGE", "The file name or extension is too long."},
    {232u, "ERROR_NO_DATA", "The pipe is being closed."},
    {234u, "ERROR_MORE_DATA", "More data is available."},
    {258u, "WAIT_TIMEOUT", "The wait operation timed out."},
    {259u, "ERROR_NO_MORE_ITEMS", "No more data is available."},
    {267u, "ERROR_DIRECTORY", "The directory name is invalid."},
    {317u, "ERROR_MR_MID_NOT_FOUND", "The system has no message text for this code."},
    {487u, "ERROR_INVALID_ADDRESS", "The address is invalid."},
    {534u, "ERROR_ARITHMETIC_OVERFLOW", "The result is too large."},
    {995u, "ERROR_OPERATION_ABORTED", "The operation was aborted."},
    {997u, "ERROR_IO_PENDING", "The input or output operation is in progress."},
    {998u, "ERROR_NOACCESS", "Invalid access to a memory location."},
    {1004u, "ERROR_INVALID_FLAGS", "The flags are invalid."},
    {1009u, "ERROR_BADDB", "The configuration registry database is corrupt."},
    {1010u, "ERROR_BADKEY", "The configuration registry key is invalid."},
    {1011u, "ERROR_CANTOPEN", "The configuration registry key could not be opened."},
    {1012u, "ERROR_CANTREAD", "The configuration registry key could not be read."},
    {1013u, "ERROR_CANTWRITE", "The configuration registry key could not be written."},
    {1014u, "ERROR_REGISTRY_RECOVERED", "A registry file was recovered."},
    {1015u, "ERROR_REGISTRY_CORRUPT", "The registry is corrupted."},
    {1016u, "ERROR_REGISTRY_IO_FAILED", "An input or output operation on the registry failed."},
    {1017u, "ERROR_NOT_REGISTRY_FILE", "The file is not a registry file."},
    {1018u, "ERROR_KEY_DELETED", "The registry key has been marked for deletion."},
    {1020u, "ERROR_KEY_HAS_CHILDREN", "A key with subkeys cannot be changed so."},
    {1021u, "ERROR_CHILD_MUST_BE_VOLATILE", "A stable subkey cannot be made under a volatile key."},
    {1113u, "ERROR_NO_UNICODE_TRANSLATION", "The text cannot be translated to or from Unicode."},
    {1114u, "ERROR_DLL_INIT_FAILED", "A library failed to start."},
    {1157u, "ERROR_DLL_NOT_FOUND", "A library needed to run this was not found."},
    {1168u, "ERROR_NOT_FOUND", "The element was not found."},
    {1223u, "ERROR_CANCELLED", "The operation was cancelled by the user."},
    {1400u, "ERROR_INVALID_WINDOW_HANDLE", "The window handle is invalid."},
    {1407u, "ERROR_CANNOT_FIND_WND_CLASS", "The window class cannot be found."},
    {1408u, "ERROR_WINDOW_OF_OTHER_THREAD", "The window belongs to another thread."},
    {1410u, "ERROR_CLASS_ALREADY_EXISTS", "The class already exists."},
    {1411u, "ERROR_CLASS_DOES_NOT_EXIST", "The class does not exist."},
    {1412u, "ERROR_CLASS_HAS_WINDOWS", "The class still has open windows."},
    {1413u, "ERROR_INVALID_INDEX", "The index is invalid."},
    {1444u, "ERROR_INVALID_THREAD_ID", "The thread identifier is invalid."},
    {1460u, "ERROR_TIMEOUT", "The operation returned because the time-out period expired."},
    {1722u, "RPC_S_SERVER_UNAVAILABLE", "The server is unavailable."},
    {1726u, "RPC_S_CALL_FAILED", "The remote procedure call failed."},
    {1812u, "ERROR_RESOURCE_DATA_NOT_FOUND", "The module holds no such resource."},
    {1813u, "ERROR_RESOURCE_TYPE_NOT_FOUND", "The module holds no resource of that type."},
    {1814u, "ERROR_RESOURCE_NAME_NOT_FOUND", "The module holds no resource of that name."},
};

struct Sorted {
  std::vector<ErrorText> entries;
  Sorted() : entries(std::begin(kTable), std::end(kTable)) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ErrorText& a, const ErrorText& b) { return a.code < b.code; });
  }
};

const Sorted& Table() {
  static const Sorted* sorted = new Sorted;
  return *sorted;
}

} // namespace

std::span<const ErrorText> ErrorTexts() { return Table().entries; }

const ErrorText* FindErrorText(DWORD code) {
  const std::vector<ErrorText>& entries = Table().entries;
  auto found = std::lower_bound(entries.begin(), entries.end(), code,
                                [](const ErrorText& entry, DWORD wanted) { return entry.code < wanted; });
  return found != entries.end() && found->code == code ? &*found : nullptr;
}

} // namespace Platform

DWORD FormatMessage(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list*) {
  constexpr DWORD served = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (flags & ~served) != 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const Platform::ErrorText* entry = Platform::FindErrorText(messageId);
  // A Win32 error carried as an HRESULT reads as the error itself.
  if (entry == nullptr && (messageId & 0xFFFF0000u) == 0x80070000u)
    entry = Platform::FindErrorText(messageId & 0xFFFFu);
  if (entry == nullptr) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  std::string text = entry->text;
  if ((flags & FORMAT_MESSAGE_MAX_WIDTH_MASK) == 0)
    text += "\r\n";
  if (text.size() + 1 > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
