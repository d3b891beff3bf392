// The image-processing control: a COM object that a container calls
// through automation to filter, measure and annotate its images, which it
// passes as handles (see image.h). It has no properties and fires no
// events; its dispatch interface is the table below, whose ids and names
// scripts and containers already use.
#ifndef CLIPVIEW_CONTROL_H
#define CLIPVIEW_CONTROL_H

#include "clipview/processor.h"
#include "platform/com/com.h"
#include "platform/com/persist.h"
#include "platform/com/viewobject.h"
#include "platform/dialogs/propertypage.h"
#include "platform/graphics/gdi.h"

PLATFORM_DEFINE_GUID(LIBID_CLIPVIEWCTLLib, "70FC09CF-91C5-4B6C-83F5-953A5B5D40AC");
PLATFORM_DEFINE_GUID(CLSID_ClipViewCtl, "523EF5C0-2E8B-44C0-94F4-C6981B3D0C07");
PLATFORM_DEFINE_GUID(CLSID_ClipViewCtlPropPage, "527F294D-A0F9-4227-BDB1-15CD7CC9F6AC");

// The methods, by dispatch id only (a dispatch interface has no slots of
// its own beyond IDispatch).
PLATFORM_DEFINE_DIID(_DClipViewCtl, "7CDA7114-FB1F-4ED3-BFE1-B5E133E22A7A");
struct _DClipViewCtl : IDispatch {
 protected:
  ~_DClipViewCtl() = default;
};
// The events a container could listen to; there are none.
PLATFORM_DEFINE_DIID(_DClipViewCtlEvents, "2B7F74AB-1633-4E88-93BB-8BFFBDDC550B");
struct _DClipViewCtlEvents : IDispatch {
 protected:
  ~_DClipViewCtlEvents() = default;
};

#define DISPID_ABOUTBOX (-552)

namespace clipview {

inline constexpr char kControlProgId[] = "CLIPVIEWCTL.ClipViewCtlCtrl.1";
inline constexpr char kControlName[] = "ClipViewCtl";  // the user type name
inline constexpr DWORD kMiscStatus = 0x20591;
// The state version that persistence exchanges: 1.0.
inline constexpr DWORD kStateVersion = 0x10000;
// The size the control is made with and the size of its picture.
inline constexpr LONG kInitialSize = 32;

// Resources of the control's library.
inline constexpr UINT kBitmapControl = 1;  // the toolbox picture, drawn by OnDraw
inline constexpr UINT kDialogAbout = 1;
inline constexpr UINT kDialogPropPage = 200;
inline constexpr UINT kStringControlName = 1;
inline constexpr UINT kStringPropPageName = 2;
inline constexpr UINT kStringPropPageCaption = 200;

// Copies the control's picture (a bitmap of the drawing surface or one
// loaded from resources), unchanged, to the top left of the bounds, clipped
// to them and to kInitialSize on each side.
BOOL DrawPicture(HDC dc, const RECT& bounds, HBITMAP picture);

class ATL_NO_VTABLE ClipViewCtl : public CComObjectRootEx<CComSingleThreadModel>,
                                  public CComCoClass<ClipViewCtl, &CLSID_ClipViewCtl>,
                                  public IDispatchImpl<_DClipViewCtl, &DIID__DClipViewCtl, &LIBID_CLIPVIEWCTLLib>,
                                  public ISpecifyPropertyPages,
                                  public IPersistStreamInit,
                                  public IViewObject2,
                                  public IOleObject,
                                  public IConnectionPointContainerImpl<ClipViewCtl>,
                                  public IConnectionPointImpl<ClipViewCtl, &DIID__DClipViewCtlEvents>,
                                  public IProvideClassInfo2Impl<&CLSID_ClipViewCtl, &DIID__DClipViewCtlEvents,
                                                                &LIBID_CLIPVIEWCTLLib> {
 public:
  DECLARE_CLASS_REGISTRATION(kControlProgId, "CLIPVIEWCTL.ClipViewCtlCtrl", kControlName)

  BEGIN_COM_MAP(ClipViewCtl)
  COM_INTERFACE_ENTRY(_DClipViewCtl)
  COM_INTERFACE_ENTRY2(IDispatch, _DClipViewCtl)
  COM_INTERFACE_ENTRY(ISpecifyPropertyPages)
  COM_INTERFACE_ENTRY(IPersistStreamInit)
  COM_INTERFACE_ENTRY2(IPersist, IPersistStreamInit)
  COM_INTERFACE_ENTRY(IViewObject2)
  COM_INTERFACE_ENTRY(IViewObject)
  COM_INTERFACE_ENTRY(IOleObject)
  COM_INTERFACE_ENTRY(IConnectionPointContainer)
  COM_INTERFACE_ENTRY(IProvideClassInfo2)
  COM_INTERFACE_ENTRY(IProvideClassInfo)
  END_COM_MAP()

  // Containers advise their event sinks as with any control; no event is
  // ever fired.
  BEGIN_CONNECTION_POINT_MAP(ClipViewCtl)
  CONNECTION_POINT_ENTRY(DIID__DClipViewCtlEvents)
  END_CONNECTION_POINT_MAP()

  // The methods. Images are handles; 0, an unknown handle or an image that
  // does not fit the method makes it answer FALSE (or 0) and change nothing.
  BOOL SobelMagnitude(LONG source, LONG result);
  BOOL SobelDirection(LONG source, LONG result, LONG direction);
  BOOL Motion(LONG source, LONG result);
  BOOL Difference(LONG source1, LONG source2, LONG result);
  BOOL Threshold(LONG source, SHORT threshold, LONG result);
  BOOL Normalize(LONG source, SHORT min, SHORT max, LONG result);
  BOOL DrawText(LONG image, const char* text, LONG x, LONG y);
  BOOL DrawDateTime(LONG image, LONG x, LONG y);
  BOOL SetTextStyle(LONG image, const char* fontName, SHORT fontSize, SHORT red, SHORT green, SHORT blue);
  BOOL DrawCrosshair(LONG image, LONG x, LONG y, LONG red, LONG green, LONG blue);
  BOOL DrawLine(LONG image, LONG x0, LONG y0, LONG x1, LONG y1, LONG red, LONG green, LONG blue);
  LONGLONG SumArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1);
  LONG MeanArea(LONG image, LONG x0, LONG y0, LONG x1, LONG y1);
  BOOL Scale(LONG image, LONG scaled);
  void AboutBox();

  // A sum answered through automation: a 4-byte integer while it fits one
  // (what containers have always read), an 8-byte one beyond, so that
  // large images never get a wrapped sum.
  VARIANT SumAreaValue(LONG image, LONG x0, LONG y0, LONG x1, LONG y1);

  // ISpecifyPropertyPages: the control's one page.
  HRESULT GetPages(CAUUID* pages) override;

  // IPersistStreamInit. The control has no properties: its saved state is
  // the version of that state, four bytes, and nothing ever makes it dirty.
  // A stream that ends before the version refuses the load.
  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT IsDirty() override { return S_FALSE; }
  HRESULT Load(LPSTREAM stream) override;
  HRESULT Save(LPSTREAM stream, BOOL clearDirty) override;
  HRESULT GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT InitNew() override;

  // Draws the control: its picture (bitmap 1 of the control's library) at
  // the top left of its bounds; FALSE when the picture cannot be drawn.
  BOOL OnDraw(HDC dc, const RECT& bounds);

  // IViewObject2: its content drawn by OnDraw, its size the extent. It
  // keeps no palette, freezes nothing and tells no one of changes.
  HRESULT Draw(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDc, HDC dc,
               LPCRECTL bounds, LPCRECTL windowBounds, BOOL (*continueDrawing)(ULONG_PTR),
               ULONG_PTR continueArgument) override;
  HRESULT GetColorSet(DWORD aspect, LONG lindex, void* aspectInfo, DVTARGETDEVICE* targetDevice, HDC targetDc,
                      LOGPALETTE** colours) override;
  HRESULT Freeze(DWORD, LONG, void*, DWORD* freeze) override;
  HRESULT Unfreeze(DWORD) override { return OLE_E_NOCONNECTION; }
  HRESULT SetAdvise(DWORD, DWORD, IAdviseSink*) override { return OLE_E_ADVISENOTSUPPORTED; }
  HRESULT GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT GetExtent(DWORD aspect, LONG lindex, DVTARGETDEVICE* targetDevice, LPSIZEL size) override;

  // IOleObject: the container's site, the control's size (in HIMETRIC,
  // kInitialSize pixels at first), class, user type name and status bits.
  // It has no verbs, monikers or data of its own.
  HRESULT SetClientSite(IOleClientSite* site) override;
  HRESULT GetClientSite(IOleClientSite** site) override;
  HRESULT SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT Close(DWORD) override { return S_OK; }
  HRESULT SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT GetClipboardData(DWORD, IDataObject** data) override;
  HRESULT DoVerb(LONG, MSG*, IOleClientSite*, LONG, HWND, LPCRECT) override { return E_NOTIMPL; }
  HRESULT EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT Update() override { return S_OK; }
  HRESULT IsUpToDate() override { return S_OK; }
  HRESULT GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT GetUserType(DWORD form, LPOLESTR* userType) override;
  HRESULT SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT Advise(IAdviseSink*, DWORD* connection) override;
  HRESULT Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
  HRESULT EnumAdvise(IEnumSTATDATA** advises) override;
  HRESULT GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  void FinalRelease() { SetClientSite(nullptr); }

  // The version of the state last loaded (kStateVersion for a new control).
  DWORD LoadedVersion() const { return m_loadedVersion; }

 private:
  ClipViewProcessor m_processor;
  DWORD m_loadedVersion = kStateVersion;
  SIZEL m_extent{Platform::PixelsToHimetric(kInitialSize), Platform::PixelsToHimetric(kInitialSize)};
  IOleClientSite* m_site = nullptr;  // counted
};

// The control's property page: it shows the control's name and version
// and edits nothing, so it is never dirty and applying it does nothing.
class ATL_NO_VTABLE ClipViewCtlPropPage : public CComObjectRootEx<CComSingleThreadModel>,
                                          public CComCoClass<ClipViewCtlPropPage, &CLSID_ClipViewCtlPropPage>,
                                          public IPropertyPage {
 public:
  DECLARE_CLASS_REGISTRATION("CLIPVIEWCTL.ClipViewCtlPropPage.1", "CLIPVIEWCTL.ClipViewCtlPropPage",
                             "ClipViewCtl Property Page")

  BEGIN_COM_MAP(ClipViewCtlPropPage)
  COM_INTERFACE_ENTRY(IPropertyPage)
  END_COM_MAP()

  ClipViewCtlPropPage();
  void FinalRelease();

  // The page's name (string 2) and caption in the frame (string 200).
  static std::string Name();
  static std::string Caption();
  // The page's window: dialog 200 with the caption.
  static std::unique_ptr<Platform::PropertyPage> CreatePage();

  // IPropertyPage. Its information: the caption as title, the size of
  // dialog 200 in pixels, no help file; it has no help of its own.
  HRESULT SetPageSite(IPropertyPageSite* site) override;
  HRESULT Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  HRESULT Deactivate() override;
  HRESULT GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT SetObjects(ULONG count, IUnknown** objects) override;
  HRESULT Show(UINT command) override;
  HRESULT Move(LPCRECT rect) override;
  HRESULT IsPageDirty() override { return S_FALSE; }
  HRESULT Apply() override { return S_OK; }
  HRESULT Help(LPCOLESTR) override { return E_NOTIMPL; }
  HRESULT TranslateAccelerator(MSG* message) override;

  const Platform::PropertyPage& Page() const { return *m_page; }

 private:
  void ReleaseObjects();

  std::unique_ptr<Platform::PropertyPage> m_page;
  IPropertyPageSite* m_site = nullptr;   // counted
  std::vector<IUnknown*> m_objects;      // counted
};

}  // namespace clipview

// The dispatch table, written from the library's description
// (ClipViewCtl.types).
#include "ClipViewCtl.dispatch.h"

#endif
