// What a container asks of an object it places in its document: to draw
// itself onto a device context (IViewObject, IViewObject2), and its size
// and identity (IOleObject). Sizes are in HIMETRIC units (hundredths of a
// millimetre); a pixel is 2540 / 96 of them.
#ifndef PLATFORM_COM_VIEWOBJECT_H
#define PLATFORM_COM_VIEWOBJECT_H

#include "platform/com/unknown.h"

struct IAdviseSink;
struct IDataObject;
struct IEnumOLEVERB;
struct IEnumSTATDATA;
struct IMoniker;
struct IOleContainer;
struct DVTARGETDEVICE;
struct LOGPALETTE;
struct MSG;

struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPRECTL = RECTL*;
using LPCRECTL = const RECTL*;
using SIZEL = SIZE;
using LPSIZEL = SIZEL*;

// What of an object is drawn.
enum DVASPECT : DWORD {
  DVASPECT_CONTENT = 1,
  DVASPECT_THUMBNAIL = 2,
  DVASPECT_ICON = 4,
  DVASPECT_DOCPRINT = 8,
};

// GetUserType's forms.
#define USERCLASSTYPE_FULL 1
#define USERCLASSTYPE_SHORT 2
#define USERCLASSTYPE_APPNAME 3

#define OLE_E_ADVISENOTSUPPORTED PLATFORM_HRESULT(0x80040003)
#define OLE_E_NOCONNECTION PLATFORM_HRESULT(0x80040004)
#define OLEOBJ_E_NOVERBS PLATFORM_HRESULT(0x80040180)
#define DV_E_LINDEX PLATFORM_HRESULT(0x80040068)
#define DV_E_DVASPECT PLATFORM_HRESULT(0x8004006B)

PLATFORM_DEFINE_IID(IViewObject, "0000010D-0000-0000-C000-000000000046");
struct IViewObject : IUnknown {
  // Draws the aspect into bounds on dc; lindex -1 is the whole object.
  // continueDrawing, when given, is asked now and then whether to go on.
  virtual HRESULT Draw(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice,
                       HDC targetDc, HDC dc, LPCRECTL bounds, LPCRECTL windowBounds,
                       BOOL (*continueDrawing)(ULONG_PTR), ULONG_PTR continueArgument) = 0;
  virtual HRESULT GetColorSet(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice,
                              HDC targetDc, LOGPALETTE** colours) = 0;
  virtual HRESULT Freeze(DWORD aspect, LONG lindex, void* aspectInfo, DWORD* freeze) = 0;
  virtual HRESULT Unfreeze(DWORD freeze) = 0;
  virtual HRESULT SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) = 0;
  virtual HRESULT GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) = 0;

 protected:
  ~IViewObject() = default;
};

PLATFORM_DEFINE_IID(IViewObject2, "00000127-0000-0000-C000-000000000046");
struct IViewObject2 : IViewObject {
  virtual HRESULT GetExtent(DWORD aspect, LONG lindex, DVTARGETDEVICE* targetDevice, LPSIZEL size) = 0;

 protected:
  ~IViewObject2() = default;
};

// The container's side of one object in its document.
PLATFORM_DEFINE_IID(IOleClientSite, "00000118-0000-0000-C000-000000000046");
struct IOleClientSite : IUnknown {
  virtual HRESULT SaveObject() = 0;
  virtual HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
  virtual HRESULT GetContainer(IOleContainer** container) = 0;
  virtual HRESULT ShowObject() = 0;
  virtual HRESULT OnShowWindow(BOOL show) = 0;
  virtual HRESULT RequestNewObjectLayout() = 0;

 protected:
  ~IOleClientSite() = default;
};

PLATFORM_DEFINE_IID(IOleObject, "00000112-0000-0000-C000-000000000046");
struct IOleObject : IUnknown {
  virtual HRESULT SetClientSite(IOleClientSite* site) = 0;
  virtual HRESULT GetClientSite(IOleClientSite** site) = 0;
  virtual HRESULT SetHostNames(LPCOLESTR containerApplication, LPCOLESTR containerObject) = 0;
  virtual HRESULT Close(DWORD saveOption) = 0;
  virtual HRESULT SetMoniker(DWORD which, IMoniker* moniker) = 0;
  virtual HRESULT GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) = 0;
  virtual HRESULT InitFromData(IDataObject* data, BOOL creation, DWORD reserved) = 0;
  virtual HRESULT GetClipboardData(DWORD reserved, IDataObject** data) = 0;
  virtual HRESULT DoVerb(LONG verb, MSG* message, IOleClientSite* activeSite, LONG lindex, HWND parent,
                         LPCRECT position) = 0;
  virtual HRESULT EnumVerbs(IEnumOLEVERB** verbs) = 0;
  virtual HRESULT Update() = 0;
  virtual HRESULT IsUpToDate() = 0;
  virtual HRESULT GetUserClassID(CLSID* clsid) = 0;
  // The text is allocated with the task allocator and the caller's.
  virtual HRESULT GetUserType(DWORD form, LPOLESTR* userType) = 0;
  virtual HRESULT SetExtent(DWORD aspect, SIZEL* size) = 0;
  virtual HRESULT GetExtent(DWORD aspect, SIZEL* size) = 0;
  virtual HRESULT Advise(IAdviseSink* sink, DWORD* connection) = 0;
  virtual HRESULT Unadvise(DWORD connection) = 0;
  virtual HRESULT EnumAdvise(IEnumSTATDATA** advises) = 0;
  virtual HRESULT GetMiscStatus(DWORD aspect, DWORD* status) = 0;
  virtual HRESULT SetColorScheme(LOGPALETTE* palette) = 0;

 protected:
  ~IOleObject() = default;
};

namespace Platform {

// Pixels of a 96-dot-per-inch screen and HIMETRIC units, rounded.
inline LONG PixelsToHimetric(LONG pixels) {
  return static_cast<LONG>((static_cast<long long>(pixels) * 2540 + 48) / 96);
}
inline LONG HimetricToPixels(LONG himetric) {
  return static_cast<LONG>((static_cast<long long>(himetric) * 96 + 1270) / 2540);
}

}  // namespace Platform

#endif
