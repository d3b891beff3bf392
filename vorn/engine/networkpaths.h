// Where a working file lives, as the engines of several machines name it:
// its network form, whether it lies on this machine, the machine that
// holds it, and the application identity an engine announces to its
// peers. Pure functions of their arguments, so both path families can be
// checked anywhere: the Windows forms ("D:\dir\f", "\\HOST\share\f") and
// the POSIX ones ("/dir/f", "//HOST/dir/f").
#ifndef VORN_ENGINE_NETWORKPATHS_H
#define VORN_ENGINE_NETWORKPATHS_H

#include <functional>
#include <string>
#include <vector>

namespace Vorn {

// Whether the drive with this letter is a fixed one of this machine.
using FixedDriveTest = std::function<bool(char drive)>;

// The server of a network path ("\\HOST\..." or "//HOST/..."), empty for
// any other path.
std::string ServerOfPath(const std::string& path);

// The path as other machines reach it: a network path is kept; "D:\dir\f"
// becomes "\\HOST\D\dir\f"; an absolute POSIX path "/dir/f" becomes
// "//HOST/dir/f". An empty path, or a relative one, is kept as it is.
std::string NetworkPathOf(const std::string& path, const std::string& host);

// Whether the path lies on the machine host: a network path when its
// server is host (in any case), a drive path when its drive is fixed, an
// absolute POSIX path always. A relative path with no backslash is
// resolved by this machine and so is local too; any other is not.
bool IsPathOnMachine(const std::string& path, const std::string& host, const FixedDriveTest& isFixed);

// The machine that holds the file of path: host when the path is on it;
// else the server of a network path, or the text before the first
// backslash (the drive, "D:") of a path on a drive that is not fixed.
std::string MachineOfPath(const std::string& path, const std::string& host, const FixedDriveTest& isFixed);

// The identity an engine announces: `App "name" ` when it has an
// application name, then the quoted file (its network path, or only its
// file name with extension when the file is shared by the peers).
std::string ApplicationIdentity(const std::string& applicationName, const std::string& networkPath,
                                bool distributedDB);

// The fields of an identity, as the token reader takes them with double
// quotes: a field that begins with a double quote runs to the next one; any
// other to the next blank, comma, tab or line feed. Blanks, commas, tabs
// and line ends between fields are skipped.
std::vector<std::string> IdentityFields(const std::string& identity);

// Whether a host's identity names the application wanted (both without
// regard to case) and, when checkFile is set, the file that ownIdentity
// names, exactly.
bool IdentityNamesApplication(const std::string& identity, const std::string& wanted, bool checkFile,
                              const std::string& ownIdentity);

}  // namespace Vorn

#endif
