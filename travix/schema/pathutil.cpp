#include "travix/schema/pathutil.h"

namespace Travix {

namespace {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string_view::size_type LastSeparator(std::string_view path) {
  return path.find_last_of("/\\");
}
}  // namespace

std::string JoinPath(std::string_view dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  while (dir.size() > 1 && dir.back() == '/') dir.remove_suffix(1);
  while (!name.empty() && IsSeparator(name.front())) name.remove_prefix(1);
  std::string joined(dir);
  if (joined.back() != '/') joined += '/';
  joined += name;
  return joined;
}

std::string FileNamePart(std::string_view path) {
  auto cut = LastSeparator(path);
  return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string DirectoryPart(std::string_view path) {
  auto cut = LastSeparator(path);
  if (cut == std::string_view::npos) return {};
  if (cut == 0) return std::string(path.substr(0, 1));
  return std::string(path.substr(0, cut));
}

}  // namespace Travix
