// One module handed to a script: the name, type, locality and processor of
// the engine's module object, and, reached by name through the same
// IDispatch, every automation member of the module type's own server (a
// microphone's AudioLevel, a speaker's Enabled).
//
// The wrapper holds its module counted; the module only remembers the
// wrapper (SetAggregate), so that a module the engine has dropped goes, with
// whatever device it holds open, as soon as the script lets go of it. It
// holds the engine counted too, since the module calls on it and scripts
// let go of the application and its modules in any order; and it writes to
// the working file only while the module is still the engine's.
#ifndef VORN_APPS_AUTOMATION_MODULEEXT_H
#define VORN_APPS_AUTOMATION_MODULEEXT_H

#include <vector>

#include "platform/com/errorinfo.h"
#include "platform/com/objects.h"
#include "platform/com/pointers.h"
#include "vorn/apps/automation/vornapp.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"

namespace Vorn {

class ATL_NO_VTABLE VornModuleExt : public CComObjectRootEx<CComMultiThreadModel>,
                                    public CComCoClass<VornModuleExt, &CLSID_VornModuleExt>,
                                    public IVornModuleExt,
                                    public ISupportErrorInfoImpl<&IID_IVornModuleExt> {
public:
  DECLARE_NOT_AGGREGATABLE(VornModuleExt)
  DECLARE_CLASS_REGISTRATION("VornApp.VornModuleExt.1", "VornApp.VornModuleExt",
                             "for use by external applications for accessing module properties")

  BEGIN_COM_MAP(VornModuleExt)
    COM_INTERFACE_ENTRY(IVornModuleExt)
    COM_INTERFACE_ENTRY2(IDispatch, IVornModuleExt)
    COM_INTERFACE_ENTRY(ISupportErrorInfo)
  END_COM_MAP()

  void FinalRelease();

  // A new wrapper of engine's module, as IDispatch; E_NOINTERFACE for an
  // object that is not a module.
  static HRESULT Wrap(IVornEngine* engine, IVornModuleLocal* module, IDispatch** wrapper);
  IVornModuleLocal* Module() const { return m_module; }

  // IDispatch: the wrapper's own members first, then the server's.
  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* exception, UINT* argumentError) override;

  // IVornModuleExt
  HRESULT get_Name(BSTR* name) override;
  HRESULT put_Name(BSTR name) override;
  HRESULT get_Type(BSTR* type) override;
  HRESULT get_IsLocal(VARIANT_BOOL* local) override;
  HRESULT get_processor(BSTR* processor) override;
  HRESULT put_processor(BSTR processor) override;
  HRESULT Save() override;

private:
  // The server's IDispatch (the module object's outer object), or null.
  CComPtr<IDispatch> ServerDispatch() const;
  // Whether the module is still in its engine's collection: one the engine
  // has dropped (removed, or left behind by another file's opening) must not
  // write itself into the working file.
  bool InEngine() const;

  IVornModuleLocal* m_module = nullptr;  // counted
  CComPtr<IVornEngine> m_engine;
  // IDs the server gave for names it answered, by the wrapper's own ID for
  // them (kServerIDs + index), so they never meet the wrapper's members.
  std::vector<DISPID> m_serverIDs;
};

}  // namespace Vorn

#endif
