#include "travix/wizard/versionreport.h"

#include <sys/utsname.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/dialogs/controls.h"
#include "platform/version/version.h"

namespace Travix::Wizard {

namespace {

struct StringField {
  const char* name;
  const char* display;
};

constexpr StringField kStringFields[] = {
    {"Comments", "Comments"},
    {"CompanyName", "Company Name"},
    {"FileDescription", "File Description"},
    {"FileVersion", "File Version"},
    {"InternalName", "Internal Name"},
    {"LegalCopyright", "Legal Copyright"},
    {"LegalTrademarks", "Legal Trademarks"},
    {"OriginalFilename", "Original Filename"},
    {"PrivateBuild", "Private Build"},
    {"ProductName", "Product Name"},
    {"ProductVersion", "Product Version"},
    {"SpecialBuild", "Special Build"},
};

std::string FourParts(std::uint32_t ms, std::uint32_t ls) {
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFFu) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFFu);
}

// The file's item, or nothing when it carries no version block.
bool AddFile(VersionReport& report, const std::string& path) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfo(path.c_str(), handle, size, block.data())) return false;

  ReportItem item{path, {}};
  for (const StringField& field : kStringFields) {
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + field.name;
    LPVOID value = nullptr;
    UINT length = 0;
    if (VerQueryValue(block.data(), query.c_str(), &value, &length) && value)
      item.children.push_back({std::string(field.display) + ":  " + static_cast<const char*>(value), {}});
  }
  LPVOID fixedPointer = nullptr;
  UINT length = 0;
  // A fixed block without its signature holds no version: it is as good
  // as missing.
  VS_FIXEDFILEINFO fixed{};
  if (VerQueryValue(block.data(), "\\", &fixedPointer, &length) && fixedPointer && length >= sizeof fixed)
    std::memcpy(&fixed, fixedPointer, sizeof fixed);
  if (fixed.dwSignature == VS_FFI_SIGNATURE) {
    item.children.push_back({"File Version (full):  " + FourParts(fixed.dwFileVersionMS, fixed.dwFileVersionLS), {}});
    item.children.push_back(
        {"Product Version (full):  " + FourParts(fixed.dwProductVersionMS, fixed.dwProductVersionLS), {}});
    if (fixed.dwFileFlags != 0) item.children.push_back({BuildFlagsText(fixed.dwFileFlags), {}});
    item.children.push_back({"Operating System:  " + OperatingSystemText(fixed.dwFileOS), {}});
    item.children.push_back({"File Type:  " + FileTypeText(fixed.dwFileType, fixed.dwFileSubtype), {}});
  } else {
    report.messages.push_back("No info VS_FIXEDFILEINFO found for " + path);
  }
  report.items.push_back(std::move(item));
  return true;
}

void AddLines(const ReportItem& item, int depth, std::vector<std::string>& lines) {
  lines.push_back(std::string(std::size_t(depth) * 2, ' ') + item.text);
  for (const ReportItem& child : item.children) AddLines(child, depth + 1, lines);
}

void AddToTree(Platform::TreeView& tree, const ReportItem& item, Platform::HTREEITEM parent) {
  Platform::HTREEITEM added = tree.InsertItem(item.text, parent);
  for (const ReportItem& child : item.children) AddToTree(tree, child, added);
}

}  // namespace

SystemVersion ParseRelease(std::string_view release) {
  SystemVersion version;
  int* parts[] = {&version.major, &version.minor, &version.build};
  const char* at = release.data();
  const char* end = release.data() + release.size();
  for (int* part : parts) {
    const auto result = std::from_chars(at, end, *part);
    if (result.ec != std::errc()) break;
    at = result.ptr;
    if (at == end || *at != '.') break;
    ++at;
  }
  return version;
}

SystemVersion RunningSystemVersion() {
  struct utsname name {};
  if (::uname(&name) != 0) return {};
  return ParseRelease(name.release);
}

std::string OperatingSystemText(std::uint32_t os) {
  switch (os) {
  case 0x00000001u: return "Windows 16-bit";
  case 0x00000002u: return "Presentation Manager 16-bit";
  case 0x00000003u: return "Presentation Manager 32-bit";
  case 0x00000004u: return "Win32";
  case 0x00010000u: return "DOS";
  case 0x00010001u: return "Windows 16-bit on DOS";
  case 0x00010004u: return "Windows 32-bit on DOS";
  case 0x00020000u: return "OS/2 16-bit";
  case 0x00020002u: return "Presentation Manager 16-bit on OS/2";
  case 0x00030000u: return "OS/2 32-bit";
  case 0x00030003u: return "Presentation Manager 32-bit on OS/2";
  case 0x00040000u: return "Windows NT";
  case 0x00040004u: return "Win32 on Windows NT";
  default: return "Unknown";
  }
}

std::string FileTypeText(std::uint32_t type, std::uint32_t subtype) {
  static constexpr const char* kDrivers[] = {"Printer Driver", "Keyboard Driver", "Language Driver",
                                             "Display Driver", "Mouse Driver",    "Network Driver",
                                             "System Driver",  "Installable Driver", "Sound Driver",
                                             "Comm Driver",    "Input Method Driver"};
  static constexpr const char* kFonts[] = {"Raster Font", "Vector Font", "TrueType Font"};
  switch (type) {
  case 1: return "Application";
  case 2: return "Dynamic Link Library";
  case 3: return subtype >= 1 && subtype <= 11 ? kDrivers[subtype - 1] : "Device Driver, Unknown type";
  case 4: return subtype >= 1 && subtype <= 3 ? kFonts[subtype - 1] : "Font, Unknown type";
  case 5: return "Virtual Device";
  case 7: return "Static-link Library";
  default: return "Unknown";
  }
}

std::string BuildFlagsText(std::uint32_t flags) {
  static constexpr const char* kNames[] = {"Debug", "PreRel", "Patched", "Private", "Info", "Special"};
  std::string text = "Build Flags: ";
  for (std::size_t bit = 0; bit < std::size(kNames); ++bit) {
    const std::string name = kNames[bit];
    text += ' ';
    text += (flags & (1u << bit)) ? name : std::string(name.size(), ' ');
  }
  return text;
}

VersionReport BuildVersionReport(const std::vector<std::string>& directories, const SystemVersion& system) {
  VersionReport report;
  for (const std::string& directory : directories) {
    ReportItem root{" Pathname: " + directory, {}};
    if (report.items.empty()) {
      root.children.push_back({"Windows: " + std::to_string(system.major) + "." + std::to_string(system.minor), {}});
      root.children.push_back({"Build Number: " + std::to_string(system.build), {}});
      if (!system.servicePack.empty()) root.children.push_back({system.servicePack, {}});
    }
    report.items.push_back(std::move(root));

    // Every regular file, by its full path, in the order of the names: the
    // process's own directory stays where it is, and the report is the
    // same whatever order the directory lists its entries in.
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
      std::error_code typeError;
      if (it->is_regular_file(typeError)) files.push_back(it->path().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& path : files) {
      if (!AddFile(report, path)) report.messages.push_back("No Version Info for " + path);
    }
  }
  return report;
}

void FillTree(Platform::TreeView& tree, const VersionReport& report) {
  for (const ReportItem& item : report.items) AddToTree(tree, item, nullptr);
}

std::vector<std::string> ReportLines(const VersionReport& report) {
  std::vector<std::string> lines;
  for (const ReportItem& item : report.items) AddLines(item, 0, lines);
  return lines;
}

}  // namespace Travix::Wizard
