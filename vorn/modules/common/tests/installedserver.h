// For tests of a module server as it is installed: the registry rows every
// server writes for its module class and its page class, and the checks of
// what the framework answers for it (icon, page) that each server's test
// makes with its own resources.
#ifndef VORN_MODULES_COMMON_TESTS_INSTALLEDSERVER_H
#define VORN_MODULES_COMMON_TESTS_INSTALLEDSERVER_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/com/com.h"
#include "platform/com/picture.h"
#include "platform/com/propertypages.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/tests/serverregistration.h"
#include "vorn/interfaces/module.h"

namespace ServerTests {

// The resolved absolute path; empty when there is none.
inline std::string RealPath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  std::string text = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return text;
}

// The pixel size a bitmap file's header gives, in HIMETRIC at 96 dots per
// inch, as a picture reports it.
inline std::pair<long, long> BitmapSizeHimetric(const std::string& path) {
  const std::string bytes = TestSupport::ReadFile(path);
  auto word = [&](std::size_t at) {
    std::int32_t value = 0;
    if (bytes.size() >= at + 4) std::memcpy(&value, bytes.data() + at, 4);
    return static_cast<long>(value < 0 ? -value : value);
  };
  return {(word(18) * 2540 + 48) / 96, (word(22) * 2540 + 48) / 96};
}

struct RegistryRow {
  HKEY root;
  std::string key;
  const char* value;  // null: the key's default value
  std::string expected;
};

// What names a module server: its library ("VornMicModule"), its module
// type, its two classes' names and ids, and its type library's id.
struct ModuleServerNames {
  std::string library;
  std::string typeName;
  std::string moduleClass;
  std::string moduleClsid;
  std::string pageClass;
  std::string pageClsid;
  std::string typeLibrary;
};

// The rows registration writes for a server registered from serverPath
// (its resolved absolute path).
inline std::vector<RegistryRow> ModuleServerRows(const ModuleServerNames& names, const std::string& serverPath) {
  const std::string moduleKey = "CLSID\\" + names.moduleClsid, pageKey = "CLSID\\" + names.pageClsid;
  const std::string moduleProgId = names.library + "." + names.moduleClass;
  const std::string pageProgId = names.library + "." + names.pageClass;
  return {
      {HKEY_LOCAL_MACHINE, "Software\\Corvanth\\Modules\\" + names.typeName, "ClassID", names.moduleClsid},
      {HKEY_CLASSES_ROOT, moduleKey, nullptr, names.moduleClass + " Class"},
      {HKEY_CLASSES_ROOT, moduleKey + "\\ProgID", nullptr, moduleProgId + ".1"},
      {HKEY_CLASSES_ROOT, moduleKey + "\\VersionIndependentProgID", nullptr, moduleProgId},
      {HKEY_CLASSES_ROOT, moduleKey + "\\InprocServer32", nullptr, serverPath},
      {HKEY_CLASSES_ROOT, moduleKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {HKEY_CLASSES_ROOT, moduleKey + "\\TypeLib", nullptr, names.typeLibrary},
      {HKEY_CLASSES_ROOT, moduleProgId + ".1\\CLSID", nullptr, names.moduleClsid},
      {HKEY_CLASSES_ROOT, moduleProgId + "\\CurVer", nullptr, moduleProgId + ".1"},
      {HKEY_CLASSES_ROOT, pageKey, nullptr, names.pageClass + " Class"},
      {HKEY_CLASSES_ROOT, pageKey + "\\InprocServer32", nullptr, serverPath},
      {HKEY_CLASSES_ROOT, pageKey + "\\InprocServer32", "ThreadingModel", "Apartment"},
      {HKEY_CLASSES_ROOT, pageProgId + ".1\\CLSID", nullptr, names.pageClsid},
      {HKEY_CLASSES_ROOT, pageProgId + "\\CurVer", nullptr, pageProgId + ".1"},
  };
}

inline void ExpectRowsWritten(const std::vector<RegistryRow>& rows) {
  for (const RegistryRow& row : rows)
    EXPECT_EQ(RegistryText(row.root, row.key, row.value), row.expected) << row.key << " " << (row.value ? row.value : "");
}

inline void ExpectRowsGone(const std::vector<RegistryRow>& rows) {
  for (const RegistryRow& row : rows) EXPECT_FALSE(KeyExists(row.root, row.key)) << row.key;
}

// The module's icon is a picture of the bitmap file's size.
inline void ExpectIconOfBitmap(IVornModuleLocal* module, const std::string& bitmapPath) {
  CComPtr<IPicture> icon;
  ASSERT_EQ(module->GetIcon(&icon), S_OK);
  ASSERT_TRUE(icon);
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  ASSERT_EQ(icon->get_Width(&width), S_OK);
  ASSERT_EQ(icon->get_Height(&height), S_OK);
  EXPECT_EQ(std::make_pair(long{width}, long{height}), BitmapSizeHimetric(bitmapPath));
}

// The title of the page class, made through the registry; its dialog must
// be found in its server (a size of its own).
inline std::u16string ServedPageTitle(REFCLSID pageClass) {
  CComPtr<IPropertyPage> page;
  EXPECT_EQ(CoCreateInstance(pageClass, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                             reinterpret_cast<void**>(&page)),
            S_OK);
  if (!page) return u"<no page>";
  PROPPAGEINFO info{};
  EXPECT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_GT(info.size.cx, 0) << "the dialog found in the server";
  std::u16string title = info.pszTitle != nullptr ? std::u16string(info.pszTitle) : u"";
  for (LPOLESTR text : {info.pszTitle, info.pszDocString, info.pszHelpFile}) CoTaskMemFree(text);
  return title;
}

}  // namespace ServerTests

#endif
