// Picture objects: a bitmap wrapped for whoever shows it (a module's icon),
// through IPicture and the automation view IPictureDisp.
#ifndef PLATFORM_COM_PICTURE_H
#define PLATFORM_COM_PICTURE_H

#include "platform/com/dispatch.h"
#include "platform/resources/gdiobject.h"

// A handle as a number: pointer-wide here.
using OLE_HANDLE = UINT_PTR;
// Sizes in HIMETRIC units (hundredths of a millimetre).
using OLE_XSIZE_HIMETRIC = LONG;
using OLE_YSIZE_HIMETRIC = LONG;

#define PICTYPE_UNINITIALIZED (-1)
#define PICTYPE_NONE 0
#define PICTYPE_BITMAP 1
#define PICTYPE_METAFILE 2
#define PICTYPE_ICON 3
#define PICTYPE_ENHMETAFILE 4

struct PICTDESC {
  UINT cbSizeofstruct;
  UINT picType;
  union {
    struct {
      HBITMAP hbitmap;
      HPALETTE hpal;
    } bmp;
    struct {
      HICON hicon;
    } icon;
  };
};
using LPPICTDESC = PICTDESC*;

PLATFORM_DEFINE_IID(IPicture, "7BF80980-BF32-101A-8BBB-00AA00300CAB");
struct IPicture : IUnknown {
  virtual HRESULT get_Handle(OLE_HANDLE* handle) = 0;
  virtual HRESULT get_hPal(OLE_HANDLE* palette) = 0;
  virtual HRESULT get_Type(SHORT* type) = 0;
  virtual HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) = 0;
  virtual HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) = 0;

protected:
  ~IPicture() = default;
};

// Its properties: Handle (0), hPal (2), Type (3), Width (4), Height (5).
PLATFORM_DEFINE_IID(IPictureDisp, "7BF80981-BF32-101A-8BBB-00AA00300CAB");
struct IPictureDisp : IDispatch {
protected:
  ~IPictureDisp() = default;
};

#define DISPID_PICT_HANDLE 0
#define DISPID_PICT_HPAL 2
#define DISPID_PICT_TYPE 3
#define DISPID_PICT_WIDTH 4
#define DISPID_PICT_HEIGHT 5

// A picture of a bitmap (PICTYPE_BITMAP) or an empty one (PICTYPE_NONE),
// asked for iid. With own the picture deletes the bitmap when it goes.
// A bitmap handle that names no bitmap answers E_INVALIDARG, a size field
// smaller than the bitmap form E_INVALIDARG, other kinds E_NOTIMPL.
PLATFORM_API HRESULT OleCreatePictureIndirect(LPPICTDESC description, REFIID iid, BOOL own, LPVOID* picture);

#endif
