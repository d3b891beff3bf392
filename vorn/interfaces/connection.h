// The values that travel along connections, and the records that describe
// inputs, outputs and connections. They are shared by the engine, the module
// servers and the front ends, laid out as the type library has them.
#ifndef VORN_INTERFACES_CONNECTION_H
#define VORN_INTERFACES_CONNECTION_H

#include "platform/com/bstr.h"
#include "platform/com/guid.h"
#include "platform/com/variant.h"

// The kinds of data a connection carries.
enum VornConnectionType : int {
  ctFloatArray = 0,
  ctString = 1,
  ctVariant = 2,
  ctIUnknown = 3,
};

// One value on a connection. The pointers name storage of whoever answered
// the record (an input's or output's value object); a receiver copies what
// it keeps.
struct VornConnectionData {
  VornConnectionType m_Type;
  BSTR* m_pbstrProperties;
  union {
    float* m_pFloatArray;
    BSTR* m_pbstrString;
    VARIANT* m_pVariant;
    IUnknown* m_pUnk;
  };
  union {
    int m_iArrayElementCnt;
    IID m_InterfaceID;
  };
};

// The definition of an input or output.
struct VornConnectionDef {
  BSTR m_bstrName;
  VornConnectionType m_Type;
  int m_iArrayElementCnt;
  BOOL m_bMultipleInput;
};

// One outgoing connection, kept at its source module. A connection to
// another machine names that machine in m_DestMachine and has m_iDestID -1.
struct VornConnection {
  BSTR m_DestInputName;
  BSTR m_SrcOutputName;
  int m_iSrcID;
  int m_iDestID;
  BSTR m_DestMachine;
  BSTR m_DestModuleName;
};

#endif
