#include "vorn/modules/common/derivedmodule.h"

#include <sys/stat.h>

#include "platform/registration/registration.h"
#include "platform/resources/module.h"
#include "platform/resources/resources.h"
#include "vorn/modules/common/helpfile.h"

namespace VornModules {

namespace {

// The server library this code is linked into: each server has its own
// copy of the framework, so each finds its own file and resources.
HINSTANCE ServerInstance() { return Platform::ThisModule(); }

// A new BSTR of text; E_OUTOFMEMORY raised when there is no memory for it.
BSTR NewBstr(std::u16string_view text) {
  BSTR bstr = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (bstr == nullptr)
    ThrowComError(E_OUTOFMEMORY, IID_IVornModule);
  return bstr;
}

// The name as the engine takes it, as a BSTR of its own.
CComBSTR NameBstr(std::u16string_view name) {
  CComBSTR bstr;
  bstr.Attach(NewBstr(name));
  return bstr;
}

std::u16string PropertiesOf(const VornConnectionData* data) {
  if (data == nullptr || data->m_pbstrProperties == nullptr || *data->m_pbstrProperties == nullptr)
    return {};
  return std::u16string(Platform::BstrView(*data->m_pbstrProperties));
}

}  // namespace

// ---- Lock ------------------------------------------------------------------

ModuleLock::ModuleLock(IVornModule* module) : m_module(module) {
  if (m_module == nullptr)
    return;
  const HRESULT hr = m_module->Lock();
  if (FAILED(hr))
    ThrowComError(hr, IID_IVornModule);
}

ModuleLock::~ModuleLock() {
  if (m_module != nullptr)
    m_module->Unlock();
}

// ---- Construction ------------------------------------------------------------

DerivedModuleBase::DerivedModuleBase() : m_pXmlDoc(PropertiesDocument::Create()) {}

DerivedModuleBase::~DerivedModuleBase() { ReleaseEngineModule(); }

HRESULT DerivedModuleBase::ConstructEngineModule(IUnknown* outer, std::u16string_view typeName) {
  HRESULT hr = CoCreateInstance(CLSID_VornModule, outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                reinterpret_cast<void**>(&m_pInner));
  if (FAILED(hr))
    return hr;
  if (m_pInner == nullptr)
    return E_NOINTERFACE;
  hr = m_pInner->QueryInterface(IID_IVornModule, reinterpret_cast<void**>(&m_pModule));
  if (FAILED(hr))
    return hr;
  // The query counted on the outer object; a reference kept here would
  // keep this object alive through its own inner one.
  m_pModule->Release();
  try {
    hr = m_pModule->SetModuleType(NameBstr(typeName));
    if (FAILED(hr))
      ThrowComError(hr, IID_IVornModule);
    hr = m_pModule->SetDerivedModule(outer);
    if (FAILED(hr))
      ThrowComError(hr, IID_IVornModule);
  } catch (const ComError& error) {
    return error.Error();
  }
  return S_OK;
}

void DerivedModuleBase::ReleaseEngineModule() {
  m_pModule = nullptr;
  if (IUnknown* inner = std::exchange(m_pInner, nullptr))
    inner->Release();
}

// ---- IVornDerivedModule ------------------------------------------------------

HRESULT DerivedModuleBase::GetIcon(IDispatch** ppIPicture) {
  if (ppIPicture == nullptr)
    return E_POINTER;
  *ppIPicture = nullptr;
  HBITMAP bitmap = LoadBitmap(ServerInstance(), MAKEINTRESOURCE(kIconBitmap));
  if (bitmap == nullptr)
    return E_FAIL;
  PICTDESC description{};
  description.cbSizeofstruct = sizeof description;
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  description.bmp.hpal = nullptr;
  const HRESULT hr = OleCreatePictureIndirect(&description, IID_IDispatch, TRUE, reinterpret_cast<void**>(ppIPicture));
  // The picture owns the bitmap only once it exists.
  if (FAILED(hr))
    DeleteObject(bitmap);
  return hr;
}

HRESULT DerivedModuleBase::GetHelpFileName(BSTR* pbstrFullPath) {
  if (pbstrFullPath == nullptr)
    return E_POINTER;
  *pbstrFullPath = nullptr;
  HRESULT failure = S_OK;
  const std::string path = GetHelpFilePath(&failure);
  if (path.empty())
    return FAILED(failure) ? failure : E_FAIL;
  *pbstrFullPath = Platform::AllocBstr(std::string_view(path));
  return *pbstrFullPath != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT DerivedModuleBase::GetModuleInfo(VornModuleInfo* pModuleInfo) {
  if (pModuleInfo == nullptr)
    return E_POINTER;
  // The record's handle field is 32 bits wide and a library's handle is an
  // address: it cannot be carried, and nothing reads it.
  pModuleInfo->m_hModule = 0;
  pModuleInfo->m_bstrAuthor = Platform::AllocBstr(std::string_view(m_strAuthor));
  pModuleInfo->m_bstrDescription = Platform::AllocBstr(std::string_view(m_strDescription));
  if (pModuleInfo->m_bstrAuthor == nullptr || pModuleInfo->m_bstrDescription == nullptr) {
    SysFreeString(std::exchange(pModuleInfo->m_bstrAuthor, nullptr));
    SysFreeString(std::exchange(pModuleInfo->m_bstrDescription, nullptr));
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT DerivedModuleBase::GetDebugBuildFlag(BOOL* pbDebugBuild) {
  if (pbDebugBuild == nullptr)
    return E_POINTER;
#ifdef NDEBUG
  *pbDebugBuild = FALSE;
#else
  *pbDebugBuild = TRUE;
#endif
  return S_OK;
}

// ---- Help page ---------------------------------------------------------------

// Empty when the library's own path cannot be found: the page is then not
// written rather than written at the root of the file system.
std::string DerivedModuleBase::GetModulePath() {
  std::string path = Platform::ModuleFilePath(ServerInstance());
  const std::size_t split = path.find_last_of("/\\");
  if (split == std::string::npos)
    return {};
  return path.substr(0, split + 1);
}

std::string DerivedModuleBase::GetHelpFilePath(HRESULT* failure) {
  if (m_strHelpFile.empty()) {
    const std::string folder = GetModulePath();
    if (folder.empty()) {
      if (failure != nullptr)
        *failure = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
      return {};
    }
    if (m_pModule != nullptr) {
      CComBSTR type;
      const HRESULT hr = m_pModule->get_Type(&type);
      if (FAILED(hr))
        ThrowComError(hr, IID_IVornModule);
      m_strHelpFile = folder + Platform::BstrToUtf8(type) + "ModuleHelp.htm";
    }
  }
  const HRESULT written = WriteHelpFile();
  if (failure != nullptr)
    *failure = written;
  return SUCCEEDED(written) ? m_strHelpFile : std::string();
}

HRESULT DerivedModuleBase::WriteHelpFile() {
  const HINSTANCE instance = ServerInstance();
  HRSRC resource = FindResource(instance, MAKEINTRESOURCE(kHelpPageResource), RT_HTML);
  HGLOBAL loaded = resource != nullptr ? LoadResource(instance, resource) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr)
    return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
  return ReplaceFile(m_strHelpFile, static_cast<const BYTE*>(bytes), SizeofResource(instance, resource));
}

bool DerivedModuleBase::HelpFileExists() {
  struct stat info {};
  return !m_strHelpFile.empty() && stat(m_strHelpFile.c_str(), &info) == 0;
}

// ---- Connection properties -----------------------------------------------------

void DerivedModuleBase::SetOutputProperties(std::u16string_view name, std::u16string_view text) {
  if (m_pModule == nullptr)
    return;
  // The run thread's transfer copies these texts under the same lock.
  ModuleLock lock(m_pModule);
  VornConnectionData* data = nullptr;
  if (FAILED(m_pModule->GetOutputData(NameBstr(name), &data)) || data == nullptr ||
      data->m_pbstrProperties == nullptr)
    return;
  BSTR replacement = NewBstr(text);
  SysFreeString(std::exchange(*data->m_pbstrProperties, replacement));
}

std::u16string DerivedModuleBase::GetInputProperties(std::u16string_view name) {
  if (m_pModule == nullptr)
    return {};
  ModuleLock lock(m_pModule);
  CComBSTR input = NameBstr(name);
  int count = 0;
  if (FAILED(m_pModule->GetMultipleInputCount(input, &count)) || count < 1) {
    VornConnectionData* data = nullptr;
    if (SUCCEEDED(m_pModule->GetInputData(input, &data)))
      return PropertiesOf(data);
    return {};
  }
  for (int index = 0; index < count; ++index) {
    VornConnectionData* data = nullptr;
    if (FAILED(m_pModule->GetMultipleInputData(input, index, &data)))
      continue;
    std::u16string text = PropertiesOf(data);
    if (!text.empty())
      return text;
  }
  return {};
}

void DerivedModuleBase::OnOutputProperties(PropertiesDocument&, std::u16string_view) {}

void DerivedModuleBase::OnInputProperties(PropertiesDocument&, std::u16string_view) {}

void DerivedModuleBase::PublishOutputProperties(std::u16string_view name) {
  ModuleLock lock(m_pModule);
  std::u16string text = GetInputProperties(name);
  if (text.empty())
    text = kEmptyProperties;
  if (m_pXmlDoc == nullptr || !m_pXmlDoc->LoadXml(text))
    return;
  OnOutputProperties(*m_pXmlDoc, name);
  SetOutputProperties(name, m_pXmlDoc->Xml());
}

void DerivedModuleBase::CheckInputProperties(std::u16string_view name) {
  ModuleLock lock(m_pModule);
  std::u16string text = GetInputProperties(name);
  if (text.empty())
    return;
  auto seen = m_mapInputProps.find(name);
  if (seen != m_mapInputProps.end() && seen->second == text)
    return;
  if (seen == m_mapInputProps.end())
    seen = m_mapInputProps.emplace(std::u16string(name), text).first;
  else
    seen->second = text;
  // Text that does not parse says nothing about the input: the hook and the
  // outputs are left as they were.
  if (m_pXmlDoc == nullptr || !m_pXmlDoc->LoadXml(text))
    return;
  OnInputProperties(*m_pXmlDoc, name);
  PublishOutputProperties(name);
}

}  // namespace VornModules
