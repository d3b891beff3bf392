#include "platform/com/picture.h"

#include "platform/com/dispimpl.h"
#include "platform/com/objects.h"
#include "platform/com/viewobject.h"

namespace {

class ATL_NO_VTABLE Picture : public CComObjectRootEx<CComMultiThreadModel>, public IPicture, public IPictureDisp {
public:
  BEGIN_COM_MAP(Picture)
  COM_INTERFACE_ENTRY(IPicture)
  COM_INTERFACE_ENTRY(IPictureDisp)
  COM_INTERFACE_ENTRY2(IDispatch, IPictureDisp)
  END_COM_MAP()

  void Own(bool own) { m_own = own; }
  void Set(SHORT type, HBITMAP bitmap) {
    m_type = type;
    m_bitmap = bitmap;
    if (Platform::DibBitmap* dib = Platform::FindBitmap(bitmap)) {
      m_width = Platform::PixelsToHimetric(dib->Width());
      m_height = Platform::PixelsToHimetric(dib->Height());
    }
  }
  void FinalRelease() {
    if (m_own && m_bitmap != nullptr)
      DeleteObject(m_bitmap);
  }

  HRESULT get_Handle(OLE_HANDLE* handle) override { return Answer(handle, reinterpret_cast<OLE_HANDLE>(m_bitmap)); }
  HRESULT get_hPal(OLE_HANDLE* palette) override { return Answer(palette, OLE_HANDLE{0}); }
  HRESULT get_Type(SHORT* type) override { return Answer(type, m_type); }
  HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) override { return Answer(width, m_width); }
  HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) override { return Answer(height, m_height); }

  HRESULT GetTypeInfoCount(UINT* count) override {
    if (count == nullptr)
      return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr)
      *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                 UINT* argumentError) override;

private:
  template <class Value>
  static HRESULT Answer(Value* out, Value value) {
    if (out == nullptr)
      return E_POINTER;
    *out = value;
    return S_OK;
  }

  SHORT m_type = PICTYPE_NONE;
  HBITMAP m_bitmap = nullptr;
  bool m_own = false;
  LONG m_width = 0;
  LONG m_height = 0;
};

} // namespace

BEGIN_DISPATCH_TABLE(Picture)
DISPATCH_ENTRY_GET(DISPID_PICT_HANDLE, "Handle", &Picture::get_Handle)
DISPATCH_ENTRY_GET(DISPID_PICT_HPAL, "hPal", &Picture::get_hPal)
DISPATCH_ENTRY_GET(DISPID_PICT_TYPE, "Type", &Picture::get_Type)
DISPATCH_ENTRY_GET(DISPID_PICT_WIDTH, "Width", &Picture::get_Width)
DISPATCH_ENTRY_GET(DISPID_PICT_HEIGHT, "Height", &Picture::get_Height)
END_DISPATCH_TABLE()

HRESULT Picture::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return Platform::DispatchGetIDsOfNames(Platform::DispatchTable<Picture>::Members(), iid, names, count, ids);
}

HRESULT Picture::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) {
  return Platform::DispatchInvoke(this, Platform::DispatchTable<Picture>::Members(), id, iid, flags, params, result,
                                  exception, argumentError);
}

HRESULT OleCreatePictureIndirect(LPPICTDESC description, REFIID iid, BOOL own, LPVOID* picture) {
  if (picture == nullptr)
    return E_POINTER;
  *picture = nullptr;
  if (description == nullptr)
    return E_POINTER;
  // The bitmap form as it was laid out for 32 bits: 20 bytes.
  if (description->cbSizeofstruct < 20)
    return E_INVALIDARG;
  if (description->picType == PICTYPE_BITMAP) {
    if (Platform::FindBitmap(description->bmp.hbitmap) == nullptr)
      return E_INVALIDARG;
  } else if (description->picType != PICTYPE_NONE) {
    return E_NOTIMPL;
  }
  CComObject<Picture>* created = nullptr;
  HRESULT hr = CComObject<Picture>::CreateInstance(&created);
  if (FAILED(hr))
    return hr;
  created->Set(static_cast<SHORT>(description->picType),
               description->picType == PICTYPE_BITMAP ? description->bmp.hbitmap : nullptr);
  created->AddRef();
  hr = created->QueryInterface(iid, picture);
  // A picture that is not handed out leaves the bitmap to the caller.
  if (SUCCEEDED(hr))
    created->Own(own != FALSE);
  created->Release();
  return hr;
}
