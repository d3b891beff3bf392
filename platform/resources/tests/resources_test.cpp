#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/dialogs/dialog.h"
#include "platform/kernel/kernel.h"
#include "platform/resources/gdiobject.h"
#include "platform/resources/module.h"
#include "platform/resources/resources.h"

namespace {

std::string Bytes(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC resource = FindResource(module, name, type);
  if (resource == nullptr)
    return "<none>";
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, resource)));
  return std::string(data, SizeofResource(module, resource));
}

std::string String(HINSTANCE module, UINT id, int size = 256) {
  char buffer[256];
  std::memset(buffer, '?', sizeof buffer);
  int length = LoadString(module, id, buffer, size);
  EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(buffer));
  return buffer;
}

TEST(Resources, FoundByNameAndTypeInTheCallersModule) {
  HMODULE self = Platform::ThisModule();
  ASSERT_EQ(self, GetModuleHandle(nullptr));
  std::string data("data\0with a zero", 16);
  struct Case {
    HMODULE module;
    LPCSTR name;
    LPCSTR type;
    std::string expected;
  } cases[] = {
      {self, MAKEINTRESOURCE(201), "DATAFILES", data},
      {nullptr, MAKEINTRESOURCE(201), "datafiles", data},
      {self, "#201", "DATAFILES", data},
      {self, "named", "Registry", data},
      {self, MAKEINTRESOURCE(202), RT_HTML, "<html><head><title>Test Module Help</title></head><body><h1>Module "
                                            "Name: Test Module</h1></body></html>\n"},
      {self, MAKEINTRESOURCE(203), RT_HTML, "<none>"},
      {self, MAKEINTRESOURCE(202), "DATAFILES", "<none>"},
      {self, MAKEINTRESOURCE(202), "NOSUCHTYPE", "<none>"},
      // The platform library carries none of the program's resources.
      {Platform::ModuleOf(reinterpret_cast<const void*>(&FindResource)), MAKEINTRESOURCE(202), RT_HTML, "<none>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Bytes(c.module, c.name, c.type), c.expected) << (IS_INTRESOURCE(c.name) ? "id" : c.name);

  EXPECT_EQ(FindResource(self, MAKEINTRESOURCE(203), RT_HTML), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_EQ(FindResource(self, MAKEINTRESOURCE(1), "NOSUCHTYPE"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  // A resource handle is good only with the module it came from.
  HRSRC html = FindResource(self, MAKEINTRESOURCE(202), RT_HTML);
  HMODULE platform = Platform::ModuleOf(reinterpret_cast<const void*>(&FindResource));
  EXPECT_EQ(LoadResource(platform, html), nullptr);
  EXPECT_EQ(SizeofResource(platform, html), 0u);
  EXPECT_EQ(LoadResource(self, nullptr), nullptr);
}

TEST(Resources, StringsAreCutWholeAndEachServerFindsItsOwn) {
  HINSTANCE self = Platform::ThisModule();
  EXPECT_EQ(String(self, 100), "PlatformTestServer");
  EXPECT_EQ(String(self, 101), "Quoted \"word\"; and a semicolon");
  EXPECT_EQ(String(self, 102), "Grüße");
  EXPECT_EQ(String(self, 102, 4), "Gr");  // "ü" does not fit after "Gr" and is not cut in half
  EXPECT_EQ(String(self, 100, 1), "");
  EXPECT_EQ(String(self, 999), "");
  EXPECT_EQ(String(self, 0x10064), "");  // not a 16-bit id: not string 100
  char untouched = 'x';
  EXPECT_EQ(LoadString(self, 100, &untouched, 0), 0);
  EXPECT_EQ(untouched, 'x');

  using ServerString = int (*)(UINT, char*, int);
  for (auto [path, expected] : {std::pair{SERVER_A, "server A"}, std::pair{SERVER_B, "server B"}}) {
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto serverString = reinterpret_cast<ServerString>(dlsym(library, "ServerString"));
    ASSERT_NE(serverString, nullptr);
    char buffer[64];
    EXPECT_EQ(serverString(100, buffer, sizeof buffer), static_cast<int>(std::strlen(expected)));
    EXPECT_STREQ(buffer, expected);
    EXPECT_EQ(serverString(101, buffer, sizeof buffer), 0);
  }
}

TEST(Resources, BitmapsAndDialogTemplates) {
  HINSTANCE self = Platform::ThisModule();
  HBITMAP bitmap = LoadBitmap(self, MAKEINTRESOURCE(4000));
  ASSERT_NE(bitmap, nullptr);
  BITMAP description{};
  ASSERT_EQ(GetObject(bitmap, sizeof description, &description), static_cast<int>(sizeof description));
  EXPECT_EQ(description.bmWidth, 2);
  EXPECT_EQ(description.bmHeight, 2);
  EXPECT_EQ(description.bmBitsPixel, 24);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_EQ(LoadBitmap(self, MAKEINTRESOURCE(4001)), nullptr);
  // Not a bitmap, though the bytes are there.
  EXPECT_EQ(LoadBitmap(self, MAKEINTRESOURCE(4002)), nullptr);

  std::optional<std::vector<BYTE>> page = Platform::LoadDialogTemplate(self, 201);
  ASSERT_TRUE(page.has_value());
  std::string bytes = Bytes(self, MAKEINTRESOURCE(201), RT_DIALOG);
  EXPECT_EQ(std::string(page->begin(), page->end()), bytes);
  // The extended layout: version 1, then 0xFFFF.
  ASSERT_GE(page->size(), 4u);
  EXPECT_EQ((*page)[2], 0xFF);
  EXPECT_EQ((*page)[3], 0xFF);
  EXPECT_FALSE(Platform::LoadDialogTemplate(self, 202).has_value());
}

// An .ico file of square 24-bit images, each of one colour with its top
// left pixel masked out.
std::string IconFile(std::initializer_list<int> sizes) {
  std::string directory, images;
  auto put = [](std::string& to, auto value) { to.append(reinterpret_cast<const char*>(&value), sizeof value); };
  put(directory, WORD{0});
  put(directory, WORD{1});
  put(directory, static_cast<WORD>(sizes.size()));
  std::size_t offset = 6 + 16 * sizes.size();
  for (int size : sizes) {
    const std::size_t stride = (static_cast<std::size_t>(size) * 3 + 3) / 4 * 4, maskStride = (size + 31) / 32 * 4;
    std::string image;
    BITMAPINFOHEADER header{40, size, 2 * size, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    put(image, header);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x)
        image += std::string{static_cast<char>(size), 0, 0};
      image.append(stride - 3 * static_cast<std::size_t>(size), '\0');
    }
    for (int y = 0; y < size; ++y) {
      std::string row(maskStride, '\0');
      if (y == size - 1)  // bottom-up: the top row comes last
        row[0] = static_cast<char>(0x80);
      image += row;
    }
    directory += std::string{static_cast<char>(size), static_cast<char>(size), 0, 0};
    put(directory, WORD{1});
    put(directory, WORD{24});
    put(directory, static_cast<DWORD>(image.size()));
    put(directory, static_cast<DWORD>(offset));
    offset += image.size();
    images += image;
  }
  return directory + images;
}

TEST(Icons, TheImageNearestTheSizeAskedForWithItsMask) {
  const std::string file = IconFile({16, 32, 48});
  for (const auto& [asked, given] : {std::pair{0, 32}, std::pair{16, 16}, std::pair{20, 16}, std::pair{40, 32},
                                     std::pair{64, 48}}) {
    HICON icon = Platform::CreateIconFromFile(file.data(), file.size(), asked, asked);
    ASSERT_NE(icon, nullptr) << asked;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    Platform::DibBitmap* colour = Platform::FindBitmap(info.hbmColor);
    Platform::DibBitmap* mask = Platform::FindBitmap(info.hbmMask);
    ASSERT_TRUE(colour && mask);
    EXPECT_EQ(colour->Width(), given) << asked;
    EXPECT_EQ(colour->Height(), given) << asked;
    EXPECT_EQ(colour->Bits()[0], given);  // blue holds the image's size
    EXPECT_EQ(mask->Bits()[(given - 1) * ((given + 31) / 32 * 4)], 0x80);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
  }
}

// However its bytes are damaged, an icon is refused and nothing past them
// is read.
TEST(Icons, DamagedFilesAreRefused) {
  const std::string good = IconFile({32});
  for (std::size_t length = 0; length < good.size(); ++length) {
    const std::string cut = good.substr(0, length);
    EXPECT_EQ(Platform::CreateIconFromFile(cut.data(), cut.size(), 0, 0), nullptr) << length;
  }
  auto changed = [&](std::size_t at, std::string bytes) { return good.substr(0, at) + bytes + good.substr(at + bytes.size()); };
  const std::string damaged[] = {
      changed(0, std::string("\1", 1)),             // reserved
      changed(2, std::string("\2", 1)),             // not icons
      changed(4, std::string("\0\0", 2)),          // no images
      changed(4, std::string("\xff\x7f", 2)),      // more entries than bytes
      changed(14, std::string("\xff\xff\x0f\0", 4)),  // an image beyond the file
      changed(22 + 8, std::string("\x41", 1)),      // an odd height
      changed(22 + 4, std::string("\0\x10\0\0", 4)),  // wider than any icon
  };
  for (const std::string& bytes : damaged)
    EXPECT_EQ(Platform::CreateIconFromFile(bytes.data(), bytes.size(), 0, 0), nullptr);
  EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(4000)), nullptr);  // a bitmap, not an icon
}

} // namespace
