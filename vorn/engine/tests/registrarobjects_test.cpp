#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <limits>

#include "tests/support/tempdir.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/moduletyperegistry.h"
#include "vorn/engine/registrarobjects.h"
#include "vorn/engine/workingdatabase.h"

namespace {

using namespace Vorn;

PLATFORM_DEFINE_GUID(CLSID_RegistrarTestType, "5E2A9C41-7B3D-4F60-8A1E-2C4B6D8F0A13");

template <class T>
CComPtr<T> Make() {
  CComObject<T>* object = nullptr;
  EXPECT_EQ(CComObject<T>::CreateInstance(&object), S_OK);
  return CComPtr<T>(object);
}

class RegistrarObjects : public ::testing::Test {
protected:
  RegistrarObjects() { setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("registry.sqlite").c_str(), 1); }
  ~RegistrarObjects() override { unsetenv("PLATFORM_REGISTRY_FILE"); }

  // A persist object of module 4 on an engine with an empty working file.
  CComPtr<VornPersist> Storage() {
    WorkingDatabase::CreateEmptyWorkingFile(m_dir.Path("model.vrn"));
    CComObject<VornEngine>* engine = nullptr;
    EXPECT_EQ(CComObject<VornEngine>::CreateInstance(&engine), S_OK);
    CComPtr<IVornEngine> held(static_cast<IVornEngine*>(engine));
    held->SetWorkingFilePath(CComBSTR(m_dir.Path("model.vrn")));
    held->OpenDatabase();
    auto persist = Make<VornPersist>();
    persist->Attach(held, 4);
    return persist;
  }

  TestSupport::TempDir m_dir;
};

TEST_F(RegistrarObjects, RegistrarWritesTheTypeAndReportsWhatReachedTheRegistry) {
  auto registrar = Make<VornModuleRegistrar>();
  CLSID found{};
  EXPECT_EQ(registrar->RegisterModule(CComBSTR("Gain"), CLSID_RegistrarTestType), S_OK);
  EXPECT_TRUE(ModuleTypeRegistry::GetClassId("Gain", found) && found == CLSID_RegistrarTestType);
  ModuleTypeRegistry::Register("Other", CLSID_RegistrarTestType);

  // An empty type names every type's parent key: nothing is written or lost.
  EXPECT_EQ(registrar->RegisterModule(nullptr, CLSID_RegistrarTestType), E_INVALIDARG);
  EXPECT_EQ(registrar->UnRegisterModule(CComBSTR("")), E_INVALIDARG);
  EXPECT_TRUE(ModuleTypeRegistry::GetClassId("Other", found));

  EXPECT_EQ(registrar->UnRegisterModule(CComBSTR("Gain")), S_OK);
  EXPECT_FALSE(ModuleTypeRegistry::GetClassId("Gain", found));
  EXPECT_EQ(registrar->UnRegisterModule(CComBSTR("Gain")), S_OK) << "an absent type is already gone";

  // A registry that cannot be written fails the registration.
  setenv("PLATFORM_REGISTRY_FILE", m_dir.Path("missing/dir/registry.sqlite").c_str(), 1);
  EXPECT_TRUE(FAILED(registrar->RegisterModule(CComBSTR("Gain"), CLSID_RegistrarTestType)));
}

TEST_F(RegistrarObjects, PersistWithoutAnEngineAnswersUnexpected) {
  auto persist = Make<VornPersist>();
  float f = 0;
  int n = 0;
  EXPECT_EQ(persist->SaveFloatValue(CComBSTR("v"), 1.0f), E_UNEXPECTED);
  EXPECT_EQ(persist->LoadFloatValue(CComBSTR("v"), &f), E_UNEXPECTED);
  EXPECT_EQ(persist->LoadIntValue(CComBSTR("v"), &n), E_UNEXPECTED);
  EXPECT_EQ(persist->SaveFloatArray(CComBSTR("v"), &f, 1), E_UNEXPECTED);
  EXPECT_EQ(persist->LoadIntValue(CComBSTR("v"), nullptr), E_POINTER);
}

TEST_F(RegistrarObjects, PersistIntegersAreTruncatedAndClampedFloats) {
  auto persist = Storage();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float stored;
    int expected;
  } cases[] = {{3.0f, 3}, {2.9f, 2}, {-2.9f, -2}, {nan, 0}, {1e20f, std::numeric_limits<int>::max()},
               {-1e20f, std::numeric_limits<int>::min()}};
  for (const Case& c : cases) {
    ASSERT_EQ(persist->SaveFloatValue(CComBSTR("Count"), c.stored), S_OK);
    int value = -7;
    EXPECT_EQ(persist->LoadIntValue(CComBSTR("Count"), &value), S_OK);
    EXPECT_EQ(value, c.expected) << c.stored;
  }
  // Integers come back exactly, also those a float cannot hold.
  for (int stored : {3, -5, (1 << 24) + 1, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
    int value = 0;
    ASSERT_EQ(persist->SaveIntValue(CComBSTR("Count"), stored), S_OK);
    EXPECT_EQ(persist->LoadIntValue(CComBSTR("Count"), &value), S_OK);
    EXPECT_EQ(value, stored);
  }
  ASSERT_EQ(persist->SaveIntValue(CComBSTR("Count"), 3), S_OK);
  float f = 0;
  EXPECT_EQ(persist->LoadFloatValue(CComBSTR("Count"), &f), S_OK);
  EXPECT_EQ(f, 3.0f) << "single integers are float values";
}

TEST_F(RegistrarObjects, PersistPlainFloatArrayIsRowZero) {
  auto persist = Storage();
  float row0[] = {1.5f, 2.5f, 3.5f}, row1[] = {9.0f};
  ASSERT_EQ(persist->SaveFloatArray2D(CComBSTR("a"), 0, row0, 3), S_OK);
  ASSERT_EQ(persist->SaveFloatArray2D(CComBSTR("a"), 1, row1, 1), S_OK);
  float back[4] = {};
  int size = 0;
  EXPECT_EQ(persist->LoadFloatArray(CComBSTR("a"), 4, back, &size), S_OK);
  ASSERT_EQ(size, 3);
  EXPECT_EQ(back[2], 3.5f);

  float plain[] = {7.0f, 8.0f};
  ASSERT_EQ(persist->SaveFloatArray(CComBSTR("b"), plain, 2), S_OK);
  EXPECT_EQ(persist->LoadFloatArray2D(CComBSTR("b"), 0, 4, back, &size), S_OK);
  EXPECT_EQ(size, 2);
  EXPECT_EQ(back[1], 8.0f);
}

TEST_F(RegistrarObjects, StringListChecksItsIndexes) {
  auto list = Make<VornStringList>();
  CComBSTR text;
  int count = -1;
  EXPECT_EQ(list->GetAt(0, &text), E_INVALIDARG) << "empty list";
  EXPECT_EQ(list->GetCount(nullptr), E_POINTER);
  EXPECT_EQ(list->GetAt(0, nullptr), E_POINTER);
  for (const char* item : {"a", "b", "c"})
    EXPECT_EQ(list->Add(CComBSTR(item)), S_OK);
  for (int bad : {-1, 3}) {
    EXPECT_EQ(list->GetAt(bad, &text), E_INVALIDARG) << bad;
    EXPECT_EQ(list->RemoveAt(bad), E_INVALIDARG) << bad;
  }
  EXPECT_EQ(list->RemoveAt(1), S_OK);
  EXPECT_EQ(list->GetAt(1, &text), S_OK);
  EXPECT_EQ(Platform::BstrToUtf8(text), "c");
  EXPECT_EQ(list->GetCount(&count), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(list->RemoveAll(), S_OK);
  EXPECT_EQ(list->GetCount(&count), S_OK);
  EXPECT_EQ(count, 0);
}

} // namespace
