// Property pages: the pages an object names for itself, and the page
// objects a property frame shows, with the frame's site they report to.
#ifndef PLATFORM_COM_PROPERTYPAGES_H
#define PLATFORM_COM_PROPERTYPAGES_H

#include "platform/com/unknown.h"

struct MSG;  // platform/ui/window.h

// A counted array of GUIDs.
struct CAUUID {
  ULONG cElems;
  GUID* pElems;
};

PLATFORM_DEFINE_IID(ISpecifyPropertyPages, "B196B28B-BAB4-101A-B69C-00AA00341D07");
struct ISpecifyPropertyPages : IUnknown {
  virtual HRESULT GetPages(CAUUID* pages) = 0;

protected:
  ~ISpecifyPropertyPages() = default;
};

// What a page tells its frame about itself. The strings are allocated with
// the task allocator and belong to the caller.
struct PROPPAGEINFO {
  ULONG cb;
  LPOLESTR pszTitle;
  SIZE size;  // pixels
  LPOLESTR pszDocString;
  LPOLESTR pszHelpFile;
  DWORD dwHelpContext;
};
using LPPROPPAGEINFO = PROPPAGEINFO*;

// OnStatusChange flags.
#ifndef PROPPAGESTATUS_DIRTY
#define PROPPAGESTATUS_DIRTY 0x1u
#define PROPPAGESTATUS_VALIDATE 0x2u
#define PROPPAGESTATUS_CLEAN 0x4u
#endif

// The frame's side of one page.
PLATFORM_DEFINE_IID(IPropertyPageSite, "B196B28C-BAB4-101A-B69C-00AA00341D07");
struct IPropertyPageSite : IUnknown {
  virtual HRESULT OnStatusChange(DWORD dwFlags) = 0;
  virtual HRESULT GetLocaleID(LCID* pLocaleID) = 0;
  virtual HRESULT GetPageContainer(IUnknown** ppUnk) = 0;
  virtual HRESULT TranslateAccelerator(MSG* pMsg) = 0;

protected:
  ~IPropertyPageSite() = default;
};

// One page of a property frame: given its site and the objects it edits,
// made into a window inside the frame, told to apply its changes.
PLATFORM_DEFINE_IID(IPropertyPage, "B196B28D-BAB4-101A-B69C-00AA00341D07");
struct IPropertyPage : IUnknown {
  virtual HRESULT SetPageSite(IPropertyPageSite* pPageSite) = 0;
  virtual HRESULT Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) = 0;
  virtual HRESULT Deactivate() = 0;
  virtual HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) = 0;
  virtual HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) = 0;
  virtual HRESULT Show(UINT nCmdShow) = 0;
  virtual HRESULT Move(LPCRECT pRect) = 0;
  virtual HRESULT IsPageDirty() = 0;
  virtual HRESULT Apply() = 0;
  virtual HRESULT Help(LPCOLESTR pszHelpDir) = 0;
  virtual HRESULT TranslateAccelerator(MSG* pMsg) = 0;

protected:
  ~IPropertyPage() = default;
};

#endif
