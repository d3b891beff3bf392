// The servers as a scripting host finds them: registered with the
// registration tool, each class reached from its ProgID alone, its members
// read from its type library through the registry and called by their
// dispatch IDs; and every dispatch table of the module-graph family
// against the library it was written from (the image control's: its own
// tests).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/support/dispatchtables.h"
#include "tests/support/tempdir.h"
#include "vorn/apps/automation/vornapp.h"
#include "vorn/interfaces/module.h"
#include "vorn/modules/mic/microphone.h"
#include "vorn/modules/ports/externalio.h"
#include "vorn/modules/voice/speaker.h"

namespace {

// The engine first: the module servers register through it.
const char* const kServers[] = {VORN_ENGINE_SERVER, VORN_PORTS_SERVER, VORN_MIC_SERVER,
                                VORN_VOICE_SERVER,  VORN_APP_SERVER,   CLIPVIEW_SERVER};

int RegServer(const std::string& arguments) {
  std::string command = std::string(REGSERVER_TOOL) + " " + arguments + " > /dev/null";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Subkeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return names;
  char name[256];
  for (DWORD i = 0; RegEnumKey(key, i, name, sizeof name) == ERROR_SUCCESS; ++i)
    names.emplace_back(name);
  RegCloseKey(key);
  return names;
}

std::string Value(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return {};
  char buffer[1024] = {};
  DWORD size = sizeof buffer - 1;
  RegQueryValueEx(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  return buffer;
}

using TestSupport::Member;
using TestSupport::Members;

std::string Listing(const Member& m) {
  std::string line = std::to_string(m.id) + " " + m.name + "(";
  for (std::size_t i = 0; i < m.params.size(); ++i)
    line += (i > 0 ? ", " : "") + m.params[i];
  return line + ")";
}

// A class as the host found it: from the ProgID to the library, the
// coclass, its default and its default source interface.
struct Found {
  std::string progId;
  CLSID clsid{};
  CComPtr<ITypeInfo> coclass;
  CComPtr<ITypeInfo> defaultInterface;
  CComPtr<ITypeInfo> source;
};

Found FindClass(const std::string& progId) {
  Found found;
  found.progId = progId;
  EXPECT_EQ(CLSIDFromProgID(Platform::Utf8ToUtf16(progId).c_str(), &found.clsid), S_OK) << progId;
  const std::string classKey = "CLSID\\" + Platform::GuidText(found.clsid);
  std::optional<GUID> libid = Platform::ParseGuid(Value(classKey + "\\TypeLib"));
  if (!libid) {
    ADD_FAILURE() << progId << " names no type library";
    return found;
  }
  // The newest version the registry has.
  std::vector<std::string> versions = Subkeys("TypeLib\\" + Platform::GuidText(*libid));
  EXPECT_FALSE(versions.empty()) << progId;
  if (versions.empty())
    return found;
  unsigned major = 0, minor = 0;
  std::sscanf(versions.back().c_str(), "%x.%x", &major, &minor);
  CComPtr<ITypeLib> library;
  EXPECT_EQ(LoadRegTypeLib(*libid, static_cast<WORD>(major), static_cast<WORD>(minor), 0, &library), S_OK) << progId;
  if (!library || FAILED(library->GetTypeInfoOfGuid(found.clsid, &found.coclass))) {
    ADD_FAILURE() << progId << ": no class in its library";
    return found;
  }
  TYPEATTR* attributes = nullptr;
  found.coclass->GetTypeAttr(&attributes);
  for (UINT i = 0; i < attributes->cImplTypes; ++i) {
    INT flags = 0;
    HREFTYPE reference = 0;
    found.coclass->GetImplTypeFlags(i, &flags);
    found.coclass->GetRefTypeOfImplType(i, &reference);
    if ((flags & IMPLTYPEFLAG_FDEFAULT) == 0)
      continue;
    CComPtr<ITypeInfo>& slot = (flags & IMPLTYPEFLAG_FSOURCE) != 0 ? found.source : found.defaultInterface;
    found.coclass->GetRefTypeInfo(reference, &slot);
  }
  found.coclass->ReleaseTypeAttr(attributes);
  return found;
}

GUID GuidOf(ITypeInfo* info) {
  TYPEATTR* attributes = nullptr;
  info->GetTypeAttr(&attributes);
  GUID guid = attributes->guid;
  TYPEKIND kind = attributes->typekind;
  info->ReleaseTypeAttr(attributes);
  return kind == TKIND_DISPATCH || kind == TKIND_INTERFACE || kind == TKIND_COCLASS ? guid : GUID_NULL;
}

bool Dispatchable(ITypeInfo* info) {
  TYPEATTR* attributes = nullptr;
  info->GetTypeAttr(&attributes);
  bool dispatch = attributes->typekind == TKIND_DISPATCH;
  info->ReleaseTypeAttr(attributes);
  return dispatch;
}

class ScriptingHost : public ::testing::Test {
protected:
  void SetUp() override {
    setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1);
    setenv("PLATFORM_AUDIO", "sim", 1);
    std::string all;
    for (const char* server : kServers)
      all += std::string(" ") + server;
    ASSERT_EQ(RegServer(all), 0);
  }

  // The ProgIDs of every class whose server is one of ours, as the
  // registry lists them.
  static std::vector<std::string> ProgIds() {
    std::set<std::string> servers;
    for (const char* server : kServers) {
      char* resolved = realpath(server, nullptr);
      servers.insert(resolved);
      std::free(resolved);
    }
    std::vector<std::string> progIds;
    for (const std::string& clsid : Subkeys("CLSID"))
      if (servers.count(Value("CLSID\\" + clsid + "\\InprocServer32")) != 0)
        progIds.push_back(Value("CLSID\\" + clsid + "\\ProgID"));
    return progIds;
  }

  TestSupport::TempDir m_dir;
};

TEST_F(ScriptingHost, ReachesEveryMemberOfEveryClassByItsDispatchId) {
  const std::vector<std::string> progIds = ProgIds();
  EXPECT_EQ(progIds.size(), 15u);
  std::set<std::string> listing;
  std::set<std::string> withEvents;
  for (const std::string& progId : progIds) {
    Found found = FindClass(progId);
    ASSERT_TRUE(found.defaultInterface) << progId;
    CComPtr<IUnknown> object;
    ASSERT_EQ(CoCreateInstance(found.clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK)
        << progId;
    CComQIPtr<IDispatch> dispatch(object);
    if (Dispatchable(found.defaultInterface)) {
      ASSERT_TRUE(dispatch) << progId;
      // The object's own type information is its default interface's.
      CComPtr<ITypeInfo> own;
      ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &own), S_OK) << progId;
      EXPECT_EQ(GuidOf(own), GuidOf(found.defaultInterface)) << progId;
      for (const Member& member : Members(found.defaultInterface)) {
        listing.insert(progId + " " + Listing(member));
        std::u16string name = Platform::Utf8ToUtf16(member.name);
        LPOLESTR names[] = {name.data()};
        DISPID id = 0;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << progId << " " << member.name;
        EXPECT_EQ(id, member.id) << progId << " " << member.name;
        // One argument too many: found by its ID and kind, and not run.
        std::vector<CComVariant> arguments(member.params.size() + 1);
        DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
        EXPECT_EQ(dispatch->Invoke(member.id, IID_NULL, 0, static_cast<WORD>(member.kind), &params, nullptr,
                                   nullptr, nullptr),
                  DISP_E_BADPARAMCOUNT)
            << progId << " " << Listing(member);
      }
    }
    CComQIPtr<IConnectionPointContainer> container(object);
    CComQIPtr<IProvideClassInfo2> provider(object);
    EXPECT_EQ(static_cast<bool>(container), static_cast<bool>(provider)) << progId;
    EXPECT_EQ(static_cast<bool>(found.source), static_cast<bool>(provider)) << progId;
    if (provider && found.source) {
      GUID events{};
      ASSERT_EQ(provider->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
      EXPECT_EQ(events, GuidOf(found.source)) << progId;
      CComPtr<ITypeInfo> classInfo;
      ASSERT_EQ(provider->GetClassInfo(&classInfo), S_OK);
      EXPECT_EQ(GuidOf(classInfo), found.clsid);
      CComPtr<IConnectionPoint> point;
      EXPECT_EQ(container->FindConnectionPoint(events, &point), S_OK) << progId;
      for (const Member& member : Members(found.source))
        listing.insert(progId + " events " + Listing(member));
      withEvents.insert(progId);
    }
  }
  EXPECT_EQ(withEvents, (std::set<std::string>{"VornPortsModule.VornExternalIOModule.1",
                                                "CLIPVIEWCTL.ClipViewCtlCtrl.1"}));
  for (const char* line : {
           "VornEngineHost.VornModuleRegistrar.1 1 RegisterModule(bstrModuleType, clsid)",
           "VornEngineHost.VornModule.1 7 DefineInput(bstrName, type, nArrayElementCount)",
           "VornEngineHost.VornPersist.1 9 LoadIntValue(bstrName)",
           "Vorn.Application.1 4 ConnectModules(srcModuleName, destModuleName, srcOutputName, destInputName)",
           "VornApp.VornModuleExt.1 4 processor()",
           "VornPortsModule.VornExternalIOModule.1 3 SetDataProperty(name, value)",
           "VornPortsModule.VornExternalIOModule.1 events 1 NewDataAvailable()",
           "VornMicModule.MicrophoneModule.1 2 CurrentAudioEnergy()",
           "VornVoiceModule.SpeakerModule.1 1 Enabled()",
           "CLIPVIEWCTL.ClipViewCtlCtrl.1 5 Threshold(sourceimagehandle, Threshold, resultimagehandle)",
           "CLIPVIEWCTL.ClipViewCtlCtrl.1 -552 AboutBox()",
       })
    EXPECT_EQ(listing.count(line), 1u) << line;
}

// The registrar's first member, as a script calls it: the class by its text.
TEST_F(ScriptingHost, RegistersAModuleTypeThroughTheRegistrarsDispatchInterface) {
  CComPtr<IDispatch> registrar;
  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(u"VornEngineHost.VornModuleRegistrar", &clsid), S_OK);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&registrar)),
            S_OK);
  const std::string type = Platform::GuidText(CLSID_SpeakerModule);
  CComVariant arguments[] = {CComVariant(Platform::Utf8ToUtf16(type).c_str()), CComVariant(u"ScriptedType")};
  DISPPARAMS params{arguments, nullptr, 2, 0};
  EXPECT_EQ(registrar->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Corvanth\\Modules\\ScriptedType", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  char value[64] = {};
  DWORD size = sizeof value - 1;
  RegQueryValueEx(key, "ClassID", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  EXPECT_EQ(std::string(value), type);
}

TEST_F(ScriptingHost, UnregisteringLeavesNoTypeLibraryOrInterfaceKey) {
  ASSERT_FALSE(Subkeys("TypeLib").empty());
  ASSERT_FALSE(Subkeys("Interface").empty());
  std::string all;
  for (auto server = std::rbegin(kServers); server != std::rend(kServers); ++server)
    all += std::string(" ") + *server;
  ASSERT_EQ(RegServer("-u" + all), 0);
  EXPECT_EQ(Subkeys("TypeLib"), std::vector<std::string>{});
  EXPECT_EQ(Subkeys("Interface"), std::vector<std::string>{});
}

TEST(DispatchTables, MatchTheTypeInformationOfTheirInterfaces) {
  auto load = [](const std::string& file) {
    CComPtr<ITypeLib> library;
    EXPECT_EQ(LoadTypeLib(Platform::Utf8ToUtf16(std::string(TYPELIBS) + "/" + file).c_str(), &library), S_OK);
    return library;
  };
  // Every dual interface of a library has its table.
  auto duals = [](ITypeLib* library) {
    int count = 0;
    for (UINT i = 0; i < library->GetTypeInfoCount(); ++i) {
      CComPtr<ITypeInfo> info;
      library->GetTypeInfo(i, &info);
      TYPEATTR* a = nullptr;
      info->GetTypeAttr(&a);
      count += (a->wTypeFlags & TYPEFLAG_FDUAL) != 0 ? 1 : 0;
      info->ReleaseTypeAttr(a);
    }
    return count;
  };
#define COMPARE(T) (TestSupport::CompareDispatchTable<T>(library, #T), ++count);
#define COMPARE_LIBRARY(file, TABLES, dispatchInterfaces) \
  {                                                       \
    CComPtr<ITypeLib> library = load(file);               \
    int count = 0;                                        \
    TABLES(COMPARE)                                       \
    EXPECT_EQ(count, duals(library) + dispatchInterfaces) << file; \
  }
  COMPARE_LIBRARY("VornEngineHost.tlb", VORNENGINEHOSTLib_DISPATCH_TABLES, 0)
  COMPARE_LIBRARY("VornPortsModule.tlb", VORNPORTSMODULELib_DISPATCH_TABLES, 0)
  COMPARE_LIBRARY("VornMicModule.tlb", VORNMICMODULELib_DISPATCH_TABLES, 0)
  COMPARE_LIBRARY("VornVoiceModule.tlb", VORNVOICEMODULELib_DISPATCH_TABLES, 0)
  COMPARE_LIBRARY("VornApp.tlb", VORNAPPLib_DISPATCH_TABLES, 0)
#undef COMPARE_LIBRARY
#undef COMPARE
}

}  // namespace
