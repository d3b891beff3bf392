#include "vorn/engine/networkpaths.h"

#include <strings.h>

#include "vorn/support/utilities.h"

namespace Vorn {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

bool IsDrivePath(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

std::string ServerOfPath(const std::string& path) {
  if (path.size() < 3 || !((path[0] == '\\' && path[1] == '\\') || (path[0] == '/' && path[1] == '/')))
    return {};
  std::size_t end = path.find_first_of("\\/", 2);
  return path.substr(2, end == std::string::npos ? std::string::npos : end - 2);
}

std::string NetworkPathOf(const std::string& path, const std::string& host) {
  if (path.empty() || !ServerOfPath(path).empty())
    return path;
  if (IsDrivePath(path)) {
    std::string rest = path.substr(2);
    if (!rest.empty() && rest[0] != '\\' && rest[0] != '/')
      rest = "\\" + rest;
    return "\\\\" + host + "\\" + path.substr(0, 1) + rest;
  }
  if (path[0] == '/')
    return "//" + host + path;
  return path;
}

bool IsPathOnMachine(const std::string& path, const std::string& host, const FixedDriveTest& isFixed) {
  std::string server = ServerOfPath(path);
  if (!server.empty())
    return SameText(server, host);
  if (IsDrivePath(path))
    return isFixed && isFixed(path[0]);
  if (path.empty())
    return false;
  return path[0] == '/' || path.find('\\') == std::string::npos;
}

std::string MachineOfPath(const std::string& path, const std::string& host, const FixedDriveTest& isFixed) {
  if (IsPathOnMachine(path, host, isFixed))
    return host;
  std::string server = ServerOfPath(path);
  if (!server.empty())
    return server;
  return path.substr(0, path.find('\\'));
}

std::string ApplicationIdentity(const std::string& applicationName, const std::string& networkPath,
                                bool distributedDB) {
  std::string identity;
  if (!applicationName.empty())
    identity = "App \"" + applicationName + "\" ";
  std::string file = networkPath;
  if (distributedDB) {
    std::size_t slash = file.find_last_of("\\/");
    if (slash != std::string::npos)
      file = file.substr(slash + 1);
  }
  return identity + "\"" + file + "\"";
}

std::vector<std::string> IdentityFields(const std::string& identity) {
  std::vector<std::string> fields;
  // Without the separators after the last field, what is left always holds
  // one more.
  std::string rest = identity.substr(0, identity.find_last_not_of(" ,\t\r\n") + 1);
  while (!rest.empty())
    fields.push_back(ReadToken(rest, '"', '"'));
  return fields;
}

bool IdentityNamesApplication(const std::string& identity, const std::string& wanted, bool checkFile,
                              const std::string& ownIdentity) {
  std::vector<std::string> fields = IdentityFields(identity);
  if (fields.size() < 2 || !SameText(fields[0], "App") || !SameText(fields[1], wanted))
    return false;
  if (!checkFile)
    return true;
  std::vector<std::string> own = IdentityFields(ownIdentity);
  return fields.size() >= 3 && !own.empty() && fields[2] == own.back();
}

}  // namespace Vorn
