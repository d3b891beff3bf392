#include "vorn/support/modulehelpers.h"

#include "platform/com/text.h"

namespace Vorn {

const char* ConnectionTypeName(VornConnectionType type) {
  switch (type) {
  case ctFloatArray:
    return "ctFloatArray";
  case ctString:
    return "ctString";
  case ctVariant:
    return "ctVariant";
  case ctIUnknown:
    return "ctIUnknown";
  }
  return "";
}

bool IsMultipleInput(IVornModuleLocal* module, const std::string& inputName) {
  if (module == nullptr)
    return false;
  std::u16string wide = Platform::Utf8ToUtf16(inputName);
  BSTR name = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  VornConnectionDef* definition = nullptr;
  HRESULT hr = module->GetInputConnectionDef(name, &definition);
  SysFreeString(name);
  return SUCCEEDED(hr) && definition != nullptr && definition->m_bMultipleInput != FALSE;
}

std::string ProcessorOf(IVornModuleLocal* module) {
  if (module == nullptr)
    return {};
  BSTR processor = nullptr;
  if (FAILED(module->GetProcessor(&processor)))
    return {};
  std::string text = Platform::Utf16ToUtf8(processor);
  SysFreeString(processor);
  return text;
}

} // namespace Vorn
