// Where the toolkit is installed: the registry value that its installation
// writes, else the place of the running program (<install>/bin/travixwz).
#ifndef TRAVIX_WIZARD_INSTALLPATH_H
#define TRAVIX_WIZARD_INSTALLPATH_H

#include <string>
#include <string_view>

namespace Travix::Wizard {

// Under HKEY_LOCAL_MACHINE: the key whose value "Path" names the install
// directory, and the toolkit's own key, read for its value "Debug".
inline constexpr const char* kAppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Travix.Exe";
inline constexpr const char* kTravixKey = "SOFTWARE\\Pelvane\\Travix";

enum class RegistryStatus { Ok, CannotOpen, CannotQuery };

struct RegistryText {
  RegistryStatus status = RegistryStatus::CannotOpen;
  std::string value;
};

// The whole text of the string value `name` of HKEY_LOCAL_MACHINE\key;
// CannotQuery when it is missing or holds no text.
RegistryText ReadMachineString(const char* key, const char* name);
// Whether HKEY_LOCAL_MACHINE\key can be opened, and whether it holds the
// value `name` (of any type or content).
RegistryStatus ProbeMachineValue(const char* key, const char* name);

// The message for a failed read: "Can't open key: HKEY_LOCAL_MACHINE\" or
// "Can't query key: HKEY_LOCAL_MACHINE\" followed by the key.
std::string RegistryFailureText(RegistryStatus status, std::string_view key);

// Records `installPath` as the install path (the value "Path" of the
// application-path key, created when missing) in the registry of this
// user; false, with the reason, when it cannot be written.
bool WriteInstallPath(const std::string& installPath, std::string& failure);

// The directory above the running program's.
std::string RunningProgramInstallPath();

// The install path from the registry; without it, the running program's
// place (`runningPlace`), where the failure is shown with `caption` only
// when that holds no bin/travix either: an installation that runs from
// its own place needs no key.
std::string LookUpInstallPath(std::string_view caption, const std::string& runningPlace = RunningProgramInstallPath());

// Joins with "/" (a path that already ends in a separator gets none).
std::string JoinPath(std::string_view directory, std::string_view name);

}  // namespace Travix::Wizard

#endif
