// The server's half of every module: DerivedModuleBase implements what all
// module types share of IVornDerivedModule (icon, help page, module
// information, build flag, activation), makes the engine's module object
// aggregated inside the server's, and carries connection properties from a
// module's inputs to its outputs. A module class derives from its own dual
// interface and from this class (see moduleserver.h for the whole pattern).
//
// Resources: bitmap 4000 is the icon and resource 202 of type RT_HTML the
// help page, both looked up in the server library this code is linked into.
#ifndef VORN_MODULES_COMMON_DERIVEDMODULE_H
#define VORN_MODULES_COMMON_DERIVEDMODULE_H

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/com/com.h"
#include "vorn/interfaces/module.h"
#include "vorn/modules/common/comerror.h"
#include "vorn/modules/common/properties.h"

namespace VornModules {

inline constexpr int kIconBitmap = 4000;
inline constexpr int kHelpPageResource = 202;

// Holds the engine module's lock (IVornModule::Lock) while it lives, for work
// that must not meet the run thread's Run or the transfer of values. A
// failing Lock raises ComError; a null module holds nothing.
class ModuleLock {
public:
  explicit ModuleLock(IVornModule* module);
  ~ModuleLock();
  ModuleLock(const ModuleLock&) = delete;
  ModuleLock& operator=(const ModuleLock&) = delete;

private:
  IVornModule* m_module;
};

class DerivedModuleBase
    : public IDispatchImpl<IVornDerivedModule, &IID_IVornDerivedModule, &LIBID_VORNENGINEHOSTLib> {
public:
  // Run, Stop, Start, Save, Load and Initialize are the module type's own.
  HRESULT GetIcon(IDispatch** ppIPicture) override;
  HRESULT GetHelpFileName(BSTR* pbstrFullPath) override;
  HRESULT GetModuleInfo(VornModuleInfo* pModuleInfo) override;
  HRESULT GetDebugBuildFlag(BOOL* pbDebugBuild) override;
  HRESULT Activate() override { return S_OK; }
  HRESULT Deactivate() override { return S_OK; }

  // Replaces the properties text of output name; nothing when the output
  // is not there.
  virtual void SetOutputProperties(std::u16string_view name, std::u16string_view text);
  // The properties text of input name (of its first connection that has
  // one, for an input of several connections); empty when there is none.
  virtual std::u16string GetInputProperties(std::u16string_view name);
  // The help page's path, after writing the page from the resource; empty
  // when the page could not be written (*failure says why, when given).
  virtual std::string GetHelpFilePath(HRESULT* failure = nullptr);
  // Writes the help resource to m_strHelpFile, replacing the file whole or
  // not at all.
  virtual HRESULT WriteHelpFile();
  virtual bool HelpFileExists();
  // The server library's folder, ending in "/"; empty when the library's
  // path cannot be found.
  virtual std::string GetModulePath();
  // Hooks with the document that holds the properties of output name just
  // before they are published, and of input name when they change.
  virtual void OnOutputProperties(PropertiesDocument& document, std::u16string_view name);
  virtual void OnInputProperties(PropertiesDocument& document, std::u16string_view name);

  // Output name takes over the properties of the input of the same name
  // (the empty document when it has none), through OnOutputProperties.
  void PublishOutputProperties(std::u16string_view name);
  // At the start of Run: when the properties of input name are new or
  // changed, OnInputProperties and then PublishOutputProperties.
  void CheckInputProperties(std::u16string_view name);

protected:
  DerivedModuleBase();
  virtual ~DerivedModuleBase();

  // From the module class's FinalConstruct: makes the engine's module
  // object aggregated inside outer and tells it the type name and the
  // server half. Any failure is answered and the object is not made.
  HRESULT ConstructEngineModule(IUnknown* outer, std::u16string_view typeName);
  // From FinalRelease.
  void ReleaseEngineModule();

  // The engine module, held without a reference: it lives inside this object.
  IVornModule* m_pModule = nullptr;
  // Its inner IUnknown, owned.
  IUnknown* m_pInner = nullptr;
  std::string m_strAuthor;
  std::string m_strDescription;
  std::string m_strHelpFile;
  // Null when the XML platform could not be set up: properties are then
  // left alone.
  std::unique_ptr<PropertiesDocument> m_pXmlDoc;
  std::map<std::u16string, std::u16string, std::less<>> m_mapInputProps;
};

}  // namespace VornModules

#endif
