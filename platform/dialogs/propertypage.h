// Property pages: a dialog shown inside a property frame that reports to
// the frame's site whether it holds changes not yet applied.
#ifndef PLATFORM_DIALOGS_PROPERTYPAGE_H
#define PLATFORM_DIALOGS_PROPERTYPAGE_H

#include <string>

#include "platform/dialogs/dialog.h"

namespace Platform {

// The frame's side: told when a page's status changes (PROPPAGESTATUS_*).
class PLATFORM_API PropertyPageSite {
 public:
  virtual ~PropertyPageSite();
  virtual void OnStatusChange(DWORD flags) = 0;
};

class PLATFORM_API PropertyPage : public Dialog {
 public:
  PropertyPage(UINT templateId, std::string caption, HMODULE module = nullptr);
  PropertyPage(UINT templateId, std::span<const BYTE> templateBytes, std::string caption);

  const std::string& Caption() const { return m_caption; }
  void SetPageSite(PropertyPageSite* site) { m_site = site; }
  PropertyPageSite* PageSite() const { return m_site; }

  // A change not yet applied: the first one tells the site (dirty and
  // validate); clearing it tells the site with no flags.
  void SetModified(bool modified = true);
  bool IsModified() const { return m_modified; }

  // Reads the controls, applies them and clears the modified state;
  // the result of OnApply.
  HRESULT Apply();
  virtual HRESULT OnApply() { return 0; }

  // The page's size in pixels, from its template (see dialogunits.h);
  // a zero size when the template is missing.
  SIZE PageSize();

 private:
  std::string m_caption;
  PropertyPageSite* m_site = nullptr;
  bool m_modified = false;
};

}  // namespace Platform

#endif
