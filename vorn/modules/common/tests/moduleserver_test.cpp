// A module server as it is installed: the engine library and the test
// server registered through the registration tool, the module made by its
// class ID through the registry. The test links none of the server's code.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/activation/activation.h"
#include "platform/com/com.h"
#include "platform/com/picture.h"
#include "platform/ui/messagebox.h"
#include "tests/support/tempdir.h"
#include "vorn/engine/tests/serverregistration.h"
#include "vorn/interfaces/connection.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/module.h"
#include "vorn/modules/common/tests/testserver/gainmodule.h"

namespace {

using ServerTests::KeyExists;
using ServerTests::RegistryText;
using ServerTests::RunRegServer;

std::string RealPath(const char* path) {
  char* resolved = realpath(path, nullptr);
  std::string text = resolved != nullptr ? resolved : "";
  std::free(resolved);
  return text;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class ModuleServer : public ::testing::Test {
protected:
  void SetUp() override { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  void TearDown() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  TestSupport::TempDir m_dir;
};

// First: once the engine library is loaded, its classes are served from
// the process's class table whatever the registry says.
TEST_F(ModuleServer, WithoutTheEngineRegistersNothingAndSaysWhy) {
  void* library = dlopen(TEST_MODULE_SERVER, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto registerServer = reinterpret_cast<HRESULT (*)()>(dlsym(library, "DllRegisterServer"));
  ASSERT_NE(registerServer, nullptr);
  MessageBoxRecorder messages;
  EXPECT_EQ(registerServer(), SELFREG_E_CLASS);
  const std::vector<std::string> texts = messages.Texts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("Could not create VornModuleRegistrar object.\nModules in this server will not be "
                           "registered.\nHRESULT = 0x8",
                           0),
            0u)
      << texts[0];
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" + Platform::GuidText(CLSID_TestGainModule)));
  dlclose(library);
}

TEST_F(ModuleServer, RegistersTypeAndClassAndServesTheModuleByClassId) {
  ASSERT_EQ(RunRegServer({VORN_ENGINE_SERVER}), 0);
  ASSERT_EQ(RunRegServer({TEST_MODULE_SERVER}), 0);

  const std::string key = "CLSID\\" + Platform::GuidText(CLSID_TestGainModule);
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key), "TestGainModule Class");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\ProgID"), "VornTestModule.TestGainModule.1");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\InprocServer32"), RealPath(TEST_MODULE_SERVER));
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, "VornTestModule.TestGainModule\\CurVer"),
            "VornTestModule.TestGainModule.1");

  // One object carries the engine's half and the server's.
  CComPtr<IVornModuleLocal> module;
  ASSERT_EQ(CoCreateInstance(CLSID_TestGainModule, nullptr, CLSCTX_INPROC_SERVER, IID_IVornModuleLocal,
                             reinterpret_cast<void**>(&module)),
            S_OK);
  CComQIPtr<ITestGainModule> gain(module);
  CComQIPtr<IVornModule> engineSide(module);
  ASSERT_TRUE(gain);
  ASSERT_TRUE(engineSide);
  CComBSTR type;
  ASSERT_EQ(engineSide->get_Type(&type), S_OK);
  EXPECT_EQ(Platform::BstrToUtf8(type), "TestGain");

  // The help page is the resource, byte for byte, beside the server.
  CComBSTR help;
  ASSERT_EQ(module->GetHelpFileName(&help), S_OK);
  const std::string server = RealPath(TEST_MODULE_SERVER);
  EXPECT_EQ(Platform::BstrToUtf8(help), server.substr(0, server.rfind('/') + 1) + "TestGainModuleHelp.htm");
  EXPECT_EQ(FileBytes(Platform::BstrToUtf8(help)), FileBytes(TEST_MODULE_HELP));

  // The icon is the server's bitmap 4000 (16 by 12 pixels).
  CComPtr<IPicture> icon;
  ASSERT_EQ(module->GetIcon(&icon), S_OK);
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  ASSERT_EQ(icon->get_Width(&width), S_OK);
  ASSERT_EQ(icon->get_Height(&height), S_OK);
  EXPECT_EQ(width, (16 * 2540 + 48) / 96);
  EXPECT_EQ(height, (12 * 2540 + 48) / 96);
  module.Release();
  gain.Release();
  engineSide.Release();

  ASSERT_EQ(RunRegServer({"-u", TEST_MODULE_SERVER}), 0);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key));
}

// A source, a gain and a sink, each from its own registered server, in an
// engine over a working file of the test's own.
class ModuleGraph : public ModuleServer {
protected:
  void SetUp() override {
    ModuleServer::SetUp();
    for (const char* server : {VORN_ENGINE_SERVER, TEST_SOURCE_SERVER, TEST_MODULE_SERVER, TEST_SINK_SERVER})
      ASSERT_EQ(RunRegServer({server}), 0) << server;
    std::filesystem::copy_file(EMPTY_WORKING_FILE, m_file);
    m_engine = OpenEngine();
    ASSERT_TRUE(m_engine);
    struct Made {
      const char16_t* type;
      const char16_t* name;
      IVornModuleLocal** module;
    } made[] = {{u"TestSource", u"source", &m_source}, {u"TestGain", u"gain", &m_gain}, {u"TestSink", u"sink", &m_sink}};
    for (const Made& each : made) {
      CComPtr<IVornModuleLocal> module;
      ASSERT_EQ(m_engine->CreateModule(CComBSTR(each.type), &module), S_OK);
      ASSERT_TRUE(module);
      module->SetID(m_engine->GetNewModuleID());
      module->SetName(CComBSTR(each.name));
      ASSERT_EQ(m_engine->AddNewModule(module), S_OK);
      *each.module = module;  // the engine holds it
    }
    ASSERT_EQ(m_source->AddConnection(CComBSTR(u"Out"), IdOf(m_gain), CComBSTR(u"In")), S_OK);
    ASSERT_EQ(m_gain->AddConnection(CComBSTR(u"Out"), IdOf(m_sink), CComBSTR(u"In")), S_OK);
    CComQIPtr<ITestGainModule> gain(m_gain);
    ASSERT_TRUE(gain);
    ASSERT_EQ(gain->put_Gain(3.0f), S_OK);
  }
  void TearDown() override {
    if (m_engine) {
      m_engine->SetRunning(esStop);
      m_engine->CloseDatabase(FALSE);
    }
    m_engine.Release();
    ModuleServer::TearDown();
  }

  CComPtr<IVornEngine> OpenEngine() {
    CComPtr<IVornEngine> engine;
    EXPECT_EQ(CoCreateInstance(CLSID_VornEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IVornEngine,
                               reinterpret_cast<void**>(&engine)),
              S_OK);
    if (!engine)
      return engine;
    EXPECT_EQ(engine->SetWorkingFilePath(CComBSTR(m_file.c_str())), S_OK);
    EXPECT_EQ(engine->OpenDatabase(), S_OK);
    return engine;
  }
  static int IdOf(IVornModuleLocal* module) {
    int id = -1;
    module->GetID(&id);
    return id;
  }
  void Cycle() {
    ASSERT_EQ(m_engine->RunAll(), S_OK);
    int moved = 0;
    ASSERT_EQ(m_engine->TransferAllOutputs(&moved), S_OK);
  }

  const std::string m_file = m_dir.Path("model.vrn");
  CComPtr<IVornEngine> m_engine;
  IVornModuleLocal* m_source = nullptr;
  IVornModuleLocal* m_gain = nullptr;
  IVornModuleLocal* m_sink = nullptr;
};

// What input "In" of module holds now, read under the module's lock so a
// running engine does not write it meanwhile.
std::vector<float> InputValues(IVornModuleLocal* module) {
  CComQIPtr<IVornModule> engineSide(module);
  if (!engineSide || FAILED(engineSide->Lock()))
    return {};
  std::vector<float> values;
  VornConnectionData* data = nullptr;
  VARIANT_BOOL has = VARIANT_FALSE;
  if (SUCCEEDED(engineSide->InputHasData(CComBSTR(u"In"), &has)) && has != VARIANT_FALSE &&
      SUCCEEDED(module->GetInputData(CComBSTR(u"In"), &data)) && data != nullptr && data->m_pFloatArray != nullptr)
    values.assign(data->m_pFloatArray, data->m_pFloatArray + data->m_iArrayElementCnt);
  engineSide->Unlock();
  return values;
}

std::u16string Properties(IVornModuleLocal* module, bool input, const char16_t* name) {
  CComQIPtr<IVornModule> engineSide(module);
  if (!engineSide || FAILED(engineSide->Lock()))
    return {};
  VornConnectionData* data = nullptr;
  std::u16string text;
  const HRESULT hr = input ? module->GetInputData(CComBSTR(name), &data) : module->GetOutputData(CComBSTR(name), &data);
  if (SUCCEEDED(hr) && data != nullptr && data->m_pbstrProperties != nullptr && *data->m_pbstrProperties != nullptr)
    text = Platform::BstrView(*data->m_pbstrProperties);
  engineSide->Unlock();
  return text;
}

void SetOutputProperties(IVornModuleLocal* module, const char16_t* text) {
  VornConnectionData* data = nullptr;
  ASSERT_EQ(module->GetOutputData(CComBSTR(u"Out"), &data), S_OK);
  SysFreeString(*data->m_pbstrProperties);
  *data->m_pbstrProperties = SysAllocString(text);
}

std::vector<float> Block(float value) { return std::vector<float>(4, value); }

// Slow cycles move a value one hop per cycle: after cycle c the gain holds
// the source's count c and the sink the gain's product of count c - 1. A
// step from a stopped engine is one more cycle and leaves it stopped.
TEST_F(ModuleGraph, SlowCyclesMoveValuesOneHopPerCycle) {
  ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
  for (int cycle = 1; cycle <= 4; ++cycle) {
    SCOPED_TRACE(cycle);
    Cycle();
    EXPECT_EQ(InputValues(m_gain), Block(static_cast<float>(cycle)));
    EXPECT_EQ(InputValues(m_sink), cycle == 1 ? std::vector<float>{} : Block(3.0f * static_cast<float>(cycle - 1)));
  }
  ASSERT_EQ(m_engine->SetRunning(esStop), S_OK);

  const int generation = m_engine->GetGenerationCounter();
  ASSERT_EQ(m_engine->Step(), S_OK);
  EXPECT_EQ(m_engine->GetRunning(), esStop);
  EXPECT_EQ(m_engine->GetGenerationCounter(), generation + 1);
  EXPECT_EQ(InputValues(m_sink), Block(3.0f * 4.0f));
}

// The gain takes over its input's properties onto its output, marked, in
// the cycle that brings a new text; text that does not parse changes nothing.
TEST_F(ModuleGraph, PropertiesTravelThroughTheGainWhenTheyChange) {
  ASSERT_EQ(m_engine->SetRunning(esSlow), S_OK);
  struct Step {
    const char16_t* sent;
    const char16_t* type;
  } steps[] = {
      {u"<?xml version='1.0'?><PROPS><Type>Audio</Type></PROPS>", u"<Type>Audio</Type>"},
      {u"<PROPS><Type", u"<Type>Audio</Type>"},
      {u"<?xml version='1.0'?><PROPS><Type>Text</Type></PROPS>", u"<Type>Text</Type>"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(Platform::Utf16ToUtf8(step.sent));
    SetOutputProperties(m_source, step.sent);
    Cycle();  // the text reaches the gain's input
    Cycle();  // the gain's Run takes it over, the transfer brings it to the sink
    const std::u16string atSink = Properties(m_sink, true, u"In");
    EXPECT_NE(atSink.find(step.type), std::u16string::npos) << Platform::Utf16ToUtf8(atSink);
    EXPECT_NE(atSink.find(u"<Gained>yes</Gained>"), std::u16string::npos) << Platform::Utf16ToUtf8(atSink);
  }
}

// Run fast for a moment, save, and open the file in a fresh engine: the
// same modules, connections and stored values, and the source counting on
// from where it was saved.
TEST_F(ModuleGraph, RunFastThenSaveAndReopenInAFreshEngine) {
  ASSERT_EQ(m_engine->SetRunning(esFast), S_OK);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  auto arrived = [&] {
    const std::vector<float> values = InputValues(m_sink);
    return !values.empty() && values[0] >= 3.0f &&
           Properties(m_sink, true, u"In").find(u"<Gained>yes</Gained>") != std::u16string::npos;
  };
  while (!arrived() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(arrived()) << "values and properties reach the sink when running fast";
  ASSERT_EQ(m_engine->SetRunning(esStop), S_OK);
  const std::vector<float> gainHeld = InputValues(m_gain);
  ASSERT_FALSE(gainHeld.empty());
  const float counted = gainHeld[0];
  ASSERT_EQ(m_engine->SaveAll(), S_OK);
  ASSERT_EQ(m_engine->CloseDatabase(FALSE), S_OK);
  m_engine.Release();

  CComPtr<IVornEngine> reopened = OpenEngine();
  ASSERT_TRUE(reopened);
  ASSERT_EQ(reopened->GetModuleCount(), 3);
  struct Expected {
    const char16_t* name;
    const char* type;
    const char16_t* to;  // the module its one connection goes to
  } expected[] = {{u"source", "TestSource", u"gain"}, {u"gain", "TestGain", u"sink"}, {u"sink", "TestSink", nullptr}};
  for (const Expected& each : expected) {
    SCOPED_TRACE(Platform::Utf16ToUtf8(each.name));
    IVornModuleLocal* module = reopened->FindModule(CComBSTR(each.name));
    ASSERT_NE(module, nullptr);
    CComQIPtr<IVornModule> engineSide(module);
    CComBSTR type;
    ASSERT_EQ(engineSide->get_Type(&type), S_OK);
    EXPECT_EQ(Platform::BstrToUtf8(type), each.type);
    int connections = -1;
    ASSERT_EQ(module->GetConnectionCount(&connections), S_OK);
    ASSERT_EQ(connections, each.to != nullptr ? 1 : 0);
    if (each.to != nullptr) {
      VornConnection* connection = nullptr;
      ASSERT_EQ(module->GetConnection(0, &connection), S_OK);
      ASSERT_NE(connection, nullptr);
      EXPECT_EQ(IdOf(reopened->FindModule(CComBSTR(each.to))), connection->m_iDestID);
    }
  }
  CComQIPtr<ITestGainModule> gain(reopened->FindModule(CComBSTR(u"gain")));
  ASSERT_TRUE(gain);
  float factor = 0.0f;
  ASSERT_EQ(gain->get_Gain(&factor), S_OK);
  EXPECT_EQ(factor, 3.0f);

  ASSERT_EQ(reopened->Step(), S_OK);
  EXPECT_EQ(InputValues(reopened->FindModule(CComBSTR(u"gain"))), Block(counted + 1.0f));
  reopened->CloseDatabase(FALSE);
}

}  // namespace
