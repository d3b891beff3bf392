#include "platform/dialogs/propertypage.h"

#include "platform/dialogs/dialogunits.h"
#include "platform/errors.h"

namespace Platform {

PropertyPageSite::~PropertyPageSite() = default;

PropertyPage::PropertyPage(UINT templateId, std::string caption, HMODULE module)
    : Dialog(templateId, nullptr, module), m_caption(std::move(caption)) {}

PropertyPage::PropertyPage(UINT templateId, std::span<const BYTE> templateBytes, std::string caption)
    : Dialog(templateId, templateBytes, nullptr), m_caption(std::move(caption)) {}

void PropertyPage::SetModified(bool modified) {
  if (modified == m_modified) return;
  m_modified = modified;
  if (m_site) m_site->OnStatusChange(modified ? PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE : 0);
}

HRESULT PropertyPage::Apply() {
  if (IsWindow() && !UpdateData(TRUE)) return E_FAIL;
  const HRESULT result = OnApply();
  SetModified(false);
  return result;
}

SIZE PropertyPage::PageSize() {
  return DialogTemplatePixels(TemplateBytes()).value_or(SIZE{0, 0});
}

}  // namespace Platform
