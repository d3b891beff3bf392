#include "travix/wizard/about.h"

#include "platform/dialogs/dialoghost.h"
#include "travix/wizard/installpath.h"
#include "travix/wizard/templates.h"
#include "travix/wizard/versionreport.h"

namespace Travix::Wizard {

AboutDialog::AboutDialog(Platform::Dialog* parent) : Dialog(IDD_ABOUT, DialogTemplateBytes(IDD_ABOUT), parent) {}

std::vector<std::string> ReportDirectories(const std::string& installPath) {
  return {JoinPath(installPath, "bin"), JoinPath(installPath, "lib")};
}

BOOL AboutDialog::OnInitDialog() {
  Dialog::OnInitDialog();
  if (Platform::Control* picture = GetDlgItem(IDC_PICTURE)) picture->SetImage(IDB_ABOUT);
  const VersionReport report = BuildVersionReport(ReportDirectories(LookUpInstallPath({})), RunningSystemVersion());
  for (const std::string& message : report.messages) MessageBox(message, {}, MB_OK);
  if (auto* tree = GetDlgItemAs<Platform::TreeView>(IDC_VERSION_TREE)) FillTree(*tree, report);
  return TRUE;
}

}  // namespace Travix::Wizard
