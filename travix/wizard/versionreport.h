// The version report of the information dialog: the running system and,
// for every file of the toolkit's "bin" directory, its version block.
#ifndef TRAVIX_WIZARD_VERSIONREPORT_H
#define TRAVIX_WIZARD_VERSIONREPORT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Platform {
class TreeView;
}

namespace Travix::Wizard {

struct SystemVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  std::string servicePack;  // empty when the system reports none
};

// The kernel's release ("6.1.0-18-amd64": 6, 1, 0) from uname.
SystemVersion RunningSystemVersion();
SystemVersion ParseRelease(std::string_view release);

struct ReportItem {
  std::string text;
  std::vector<ReportItem> children;
};

struct VersionReport {
  std::vector<ReportItem> items;      // root items, in their order
  std::vector<std::string> messages;  // what is shown to the user, in order
};

// The report of `directories`: for each a root item with its path (the
// first one with the system under it), then each regular file of it in
// the order of its name, found by its full path.
VersionReport BuildVersionReport(const std::vector<std::string>& directories, const SystemVersion& system);

// The texts of a file's fixed version fields.
std::string OperatingSystemText(std::uint32_t os);
std::string FileTypeText(std::uint32_t type, std::uint32_t subtype);
std::string BuildFlagsText(std::uint32_t flags);

// Appends the report's items to a tree view.
void FillTree(Platform::TreeView& tree, const VersionReport& report);
// The report as the tree shows it: one line per item, two spaces per level.
std::vector<std::string> ReportLines(const VersionReport& report);

}  // namespace Travix::Wizard

#endif
