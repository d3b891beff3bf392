// The information dialog: the product's name and picture and the version
// report of the installed toolkit.
#ifndef TRAVIX_WIZARD_ABOUT_H
#define TRAVIX_WIZARD_ABOUT_H

#include <string>
#include <vector>

#include "platform/dialogs/dialog.h"

namespace Travix::Wizard {

class AboutDialog : public Platform::Dialog {
 public:
  explicit AboutDialog(Platform::Dialog* parent = nullptr);
  // Reads the install path and fills the tree with the report of its
  // directories.
  BOOL OnInitDialog() override;
};

// The directories the report lists: the install path's "bin" (the
// programs) and "lib" (the libraries).
std::vector<std::string> ReportDirectories(const std::string& installPath);

}  // namespace Travix::Wizard

#endif
