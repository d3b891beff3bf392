// A module server's property page: the COM page object a property frame
// shows (ModulePropertyPage) and the dialog each server derives its page
// from (ModulePageDialog, template 201 of the server's resources).
//
// The page edits the module objects of its own server, found among the
// objects it is handed by the server's module interface; page and module
// live in one library, so a page reaches into the module object directly.
// It does so on the frame's thread while the engine's run thread may be in
// the module's Run, so every handler works under the engine module's lock:
//
//   WithModuleLocked([&] { module->m_fLevel = ...; return true; });
//
// runs the work between IVornModule::Lock and Unlock and, when the work
// says it changed something, sets the module's DirtyFlag so the engine
// saves the module. A server's page class is
//
//   class MicrophoneModulePP : public VornModules::ModulePropertyPage,
//                              public CComCoClass<MicrophoneModulePP, &CLSID_MicrophoneModulePP> {
//    public:
//     MicrophoneModulePP() : ModulePropertyPage(std::make_unique<MicrophonePageDialog>()) {}
//     DECLARE_CLASS_REGISTRATION(...)
//   };
#ifndef VORN_MODULES_COMMON_MODULEPROPERTYPAGE_H
#define VORN_MODULES_COMMON_MODULEPROPERTYPAGE_H

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/dialogs/propertypage.h"
#include "vorn/interfaces/module.h"

namespace VornModules {

inline constexpr UINT kPageTemplateId = 201;

class ModulePageDialog : public Platform::PropertyPage {
public:
  // A page of template 201 in resources, editing modules that answer
  // moduleIid. The bytes form is for tests.
  ModulePageDialog(REFIID moduleIid, HMODULE resources);
  ModulePageDialog(REFIID moduleIid, std::span<const BYTE> templateBytes);
  ~ModulePageDialog() override;

  // Holds the objects (a reference each) in place of the ones held so far;
  // the first of them that answers the module interface becomes the module.
  void SetObjects(ULONG count, IUnknown** objects);
  const std::vector<IUnknown*>& Objects() const { return m_objects; }
  // The module, as the module interface (no reference); null when none of
  // the objects was one. A page casts it to its server's module class.
  IUnknown* Module() const { return m_module; }

  const std::string& DocString() const { return m_docString; }
  DWORD HelpContext() const { return m_helpContext; }
  // The module's help page, which asking for also writes.
  virtual std::string GetHelpFile();
  // The page's own apply: what the controls hold goes into the module.
  virtual HRESULT ApplyChanges() = 0;
  // Reads the module's values into the controls.
  virtual void UpdateDisplay() {}

  // The base initialisation, then InitializePage under the module's lock;
  // what that did is no change of the user's, so the page ends clean and
  // the module's DirtyFlag as it was before.
  BOOL OnInitDialog() override;
  HRESULT OnApply() override { return ApplyChanges(); }

  // Runs work under the module's lock; when it answers true, sets the
  // module's DirtyFlag. False without a module (then work is not run).
  bool WithModuleLocked(const std::function<bool()>& work);
  // A control changed but is not yet applied: the page is dirty (the site
  // is told once) and so is the module.
  void MarkDirty();
  void SetModuleDirtyFlag(bool dirty);

protected:
  // The module's own filling of the controls, under its lock.
  virtual void InitializePage() {}

private:
  void ReleaseObjects();

  IID m_moduleIid;
  std::string m_docString;
  DWORD m_helpContext = 0;
  std::vector<IUnknown*> m_objects;
  IUnknown* m_module = nullptr;
};

class ATL_NO_VTABLE ModulePropertyPage : public CComObjectRootEx<CComSingleThreadModel>,
                                         public IPropertyPage,
                                         public IDispatchImpl<IVornModulePropertyPage, &IID_IVornModulePropertyPage,
                                                               &LIBID_VORNENGINEHOSTLib> {
public:
  explicit ModulePropertyPage(std::unique_ptr<ModulePageDialog> dialog);
  ~ModulePropertyPage() override;

  BEGIN_COM_MAP(ModulePropertyPage)
    COM_INTERFACE_ENTRY(IPropertyPage)
    COM_INTERFACE_ENTRY(IVornModulePropertyPage)
    COM_INTERFACE_ENTRY2(IDispatch, IVornModulePropertyPage)
  END_COM_MAP()

  // IPropertyPage
  HRESULT SetPageSite(IPropertyPageSite* pPageSite) override;
  HRESULT Activate(HWND hWndParent, LPCRECT pRect, BOOL bModal) override;
  HRESULT Deactivate() override;
  HRESULT GetPageInfo(PROPPAGEINFO* pPageInfo) override;
  HRESULT SetObjects(ULONG cObjects, IUnknown** ppUnk) override;
  HRESULT Show(UINT nCmdShow) override;
  HRESULT Move(LPCRECT pRect) override;
  HRESULT IsPageDirty() override;
  HRESULT Apply() override;
  HRESULT Help(LPCOLESTR pszHelpDir) override;
  HRESULT TranslateAccelerator(MSG* pMsg) override;

  // IVornModulePropertyPage
  HRESULT UpdateDisplay() override;
  HRESULT GetDlgSize(int* pnX, int* pnY) override;

  ModulePageDialog& Dialog() { return *m_dialog; }
  SIZE ActiveSize() const { return m_activeSize; }

private:
  // Passes the dialog's status changes on to the COM site.
  class SiteBridge : public Platform::PropertyPageSite {
  public:
    void OnStatusChange(DWORD flags) override;
    IPropertyPageSite* site = nullptr;
  };
  // Tells each held module object of the page's window coming or going.
  HRESULT TellModules(bool activated);

  std::unique_ptr<ModulePageDialog> m_dialog;
  IPropertyPageSite* m_site = nullptr;
  SiteBridge m_bridge;
  SIZE m_activeSize{0, 0};
};

}  // namespace VornModules

#endif
