#include "vorn/engine/serverdirectory.h"

#include <algorithm>
#include <cctype>

#include "platform/activation/activation.h"

namespace Vorn {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::string_view TrimSeparators(std::string_view path) {
  while (!path.empty() && IsSeparator(path.back()))
    path.remove_suffix(1);
  return path;
}

bool NamesDebug(std::string_view component) {
  constexpr std::string_view debug = "debug";
  return component.size() == debug.size() &&
         std::equal(component.begin(), component.end(), debug.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

}  // namespace

std::string ModuleServerDirectory(std::string_view engineDirectory) {
  if (engineDirectory.empty())
    return {};
  const bool rooted = IsSeparator(engineDirectory.front());
  std::string_view directory = TrimSeparators(engineDirectory);
  const std::size_t split = directory.find_last_of("/\\");
  const std::string_view last = split == std::string_view::npos ? directory : directory.substr(split + 1);
  if (NamesDebug(last))
    directory = TrimSeparators(directory.substr(0, directory.size() - last.size()));
  if (directory.empty())
    return rooted ? "/ModuleCom" : "ModuleCom";
  return std::string(directory) + "/ModuleCom";
}

void AddModuleServerDirectory(const std::string& enginePath) {
  const std::size_t split = enginePath.find_last_of("/\\");
  if (split == std::string::npos)
    return;
  const std::string directory = ModuleServerDirectory(std::string_view(enginePath).substr(0, split + 1));
  if (!directory.empty())
    Platform::AddServerSearchDirectory(directory);
}

}  // namespace Vorn
