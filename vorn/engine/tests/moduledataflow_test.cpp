#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "vorn/engine/tests/fakes.h"

namespace {

std::string Text(BSTR text) { return Platform::BstrToUtf8(text); }

// A small model: sources 7 and 8, a destination 9 with a single, a
// multiple and a VARIANT input, and module 5 shown here but running on
// another machine.
struct Model {
  FakeEngine engine;
  CComPtr<IVornModuleLocal> m5, m7, m8, m9;

  Model() {
    for (auto [module, id] : {std::pair{&m5.p, 5}, {&m7.p, 7}, {&m8.p, 8}, {&m9.p, 9}}) {
      EXPECT_EQ(CVornModule::CreateInstance(module), S_OK);
      (*module)->SetEngine(&engine);
      (*module)->SetID(id);
      (*module)->SetProcessor(CComBSTR(u"Host1"), FALSE, FALSE);
      engine.Place(id, *module);
    }
    m5->SetProcessor(CComBSTR(u"Elsewhere"), FALSE, FALSE);
    Define(m7)->DefineOutput(CComBSTR(u"Default"), ctFloatArray, 3);
    Define(m7)->DefineOutput(CComBSTR(u"Text"), ctString, 0);
    Define(m8)->DefineOutput(CComBSTR(u"Default"), ctFloatArray, 3);
    Define(m9)->DefineInput(CComBSTR(u"In"), ctFloatArray, 3);
    Define(m9)->DefineMultipleInputs(CComBSTR(u"Sum"), ctFloatArray, 3);
    Define(m9)->DefineInput(CComBSTR(u"Any"), ctVariant, 0);
    Define(m5)->DefineInput(CComBSTR(u"In"), ctFloatArray, 3);
  }
  static CComQIPtr<IVornModule> Define(IVornModuleLocal* module) { return CComQIPtr<IVornModule>(module); }

  // A server filling its output during Run.
  static void Produce(IVornModuleLocal* module, const char16_t* output, std::vector<float> values) {
    VornConnectionData* data = nullptr;
    ASSERT_EQ(module->GetOutputData(CComBSTR(output), &data), S_OK);
    ASSERT_EQ(data->m_iArrayElementCnt, static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), data->m_pFloatArray);
    Define(module)->SetOutputHasData(CComBSTR(output));
  }
  static std::vector<float> Floats(VornConnectionData* data) {
    return std::vector<float>(data->m_pFloatArray, data->m_pFloatArray + data->m_iArrayElementCnt);
  }
  static std::vector<float> Input(IVornModuleLocal* module, const char16_t* input) {
    VornConnectionData* data = nullptr;
    EXPECT_EQ(module->GetInputData(CComBSTR(input), &data), S_OK);
    return Floats(data);
  }
  static bool HasData(IVornModuleLocal* module, const char16_t* input) {
    VARIANT_BOOL has = VARIANT_FALSE;
    EXPECT_EQ(Define(module)->InputHasData(CComBSTR(input), &has), S_OK);
    return has == VARIANT_TRUE;
  }
};

TEST(DataFlow, TransferCopiesOutputsIntoLocalInputs) {
  Model model;
  CComBSTR out(u"Default"), in(u"In"), sum(u"Sum");
  model.m7->AddConnection(out, 9, in);
  model.m7->AddConnection(out, 9, sum);
  model.m7->AddConnection(out, 9, sum);
  model.m7->AddConnection(out, 5, in);
  model.m7->AddDistributedConnection(out, CComBSTR(u"M2"), CComBSTR(u"Far"), in);
  model.m7->AddConnection(CComBSTR(u"Text"), 9, CComBSTR(u"Any"));
  model.m8->AddConnection(out, 9, sum);
  Model::Produce(model.m7, u"Default", {1, 2, 3});
  Model::Produce(model.m8, u"Default", {4, 5, 6});

  int counter = 0;
  EXPECT_EQ(model.m7->TransferOutputs(&counter), S_OK);
  EXPECT_EQ(model.m8->TransferOutputs(&counter), S_OK);
  // Two connections from one source share its value; the remote entry went
  // to the engine and the module of another machine got nothing.
  EXPECT_EQ(counter, 4);
  EXPECT_EQ(model.engine.sent, (std::vector<std::string>{"M2:Far.In"}));
  EXPECT_FALSE(Model::HasData(model.m5, u"In"));
  EXPECT_FALSE(Model::HasData(model.m9, u"Any"));
  int sources = 0;
  EXPECT_EQ(Model::Define(model.m9)->GetMultipleInputCount(sum, &sources), S_OK);
  EXPECT_EQ(sources, 2);
  VornConnectionData* second = nullptr;
  ASSERT_EQ(model.m9->GetMultipleInputData(sum, 1, &second), S_OK);
  EXPECT_EQ(Model::Floats(second), (std::vector<float>{4, 5, 6}));

  // The input holds a copy of its own.
  Model::Produce(model.m7, u"Default", {9, 9, 9});
  EXPECT_EQ(Model::Input(model.m9, u"In"), (std::vector<float>{1, 2, 3}));
  EXPECT_TRUE(Model::HasData(model.m9, u"In"));

  // A cycle in which the source produced nothing moves nothing: the input
  // keeps its old data without the flag.
  model.m7->PreRun();
  model.m7->PostRun();
  model.m9->PreRun();
  model.m9->PostRun();
  EXPECT_FALSE(Model::HasData(model.m9, u"Sum"));
  EXPECT_EQ(model.m7->TransferOutputs(nullptr), S_OK);
  EXPECT_FALSE(Model::HasData(model.m9, u"In"));
  EXPECT_EQ(Model::Input(model.m9, u"In"), (std::vector<float>{1, 2, 3}));

  // Without a counter it still delivers.
  Model::Produce(model.m7, u"Default", {7, 7, 7});
  EXPECT_EQ(model.m7->TransferOutputs(nullptr), S_OK);
  EXPECT_EQ(Model::Input(model.m9, u"In"), (std::vector<float>{7, 7, 7}));
}

TEST(DataFlow, NamesAndKindsThatDoNotFit) {
  Model model;
  IVornModuleLocal* m9 = model.m9;
  CComQIPtr<IVornModule> automation = Model::Define(m9);
  CComBSTR in(u"In"), sum(u"Sum"), missing(u"Missing"), lower(u"in");
  float values[3] = {};
  VornConnectionData data{};
  data.m_Type = ctFloatArray;
  data.m_pFloatArray = values;
  data.m_iArrayElementCnt = 3;
  VornConnectionData* record = nullptr;
  VARIANT_BOOL has = VARIANT_FALSE;
  BOOL flag = FALSE;
  int count = 0;
  struct Case {
    const char* call;
    HRESULT expected;
    std::function<HRESULT()> run;
  };
  const Case cases[] = {
      {"GetInputData unknown", E_FAIL, [&] { return m9->GetInputData(missing, &record); }},
      {"names match case", E_FAIL, [&] { return m9->GetInputData(lower, &record); }},
      {"GetOutputData unknown", E_FAIL, [&] { return m9->GetOutputData(in, &record); }},
      {"SetInputData unknown", E_FAIL, [&] { return m9->SetInputData(missing, &data); }},
      {"SetMultipleInputData single", E_INVALIDARG, [&] { return m9->SetMultipleInputData(in, in, &data); }},
      {"GetMultipleInputData single", E_INVALIDARG, [&] { return m9->GetMultipleInputData(in, 0, &record); }},
      {"GetMultipleInputData past end", E_INVALIDARG, [&] { return m9->GetMultipleInputData(sum, 0, &record); }},
      {"GetMultipleInputCount single", E_INVALIDARG, [&] { return automation->GetMultipleInputCount(in, &count); }},
      {"MultipleInputHasData index", E_INVALIDARG, [&] { return automation->MultipleInputHasData(sum, -1, &has); }},
      {"InputHasData unknown", E_INVALIDARG, [&] { return automation->InputHasData(missing, &has); }},
      {"OutputHasData unknown", E_INVALIDARG, [&] { return m9->OutputHasData(missing, &flag); }},
      {"SetOutputHasData unknown", S_OK, [&] { return automation->SetOutputHasData(missing); }},
      {"SetMultipleInputData", S_OK, [&] { return m9->SetMultipleInputData(sum, CComBSTR(u"3 Out"), &data); }},
      {"MultipleInputHasData", S_OK, [&] { return automation->MultipleInputHasData(sum, 0, &has); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    EXPECT_EQ(c.run(), c.expected);
  }
  EXPECT_EQ(has, VARIANT_TRUE);
  VornConnectionDef* def = reinterpret_cast<VornConnectionDef*>(&data);
  EXPECT_EQ(m9->GetInputConnectionDef(missing, &def), S_OK);
  EXPECT_EQ(def, nullptr);
}

TEST(DataFlow, ValidationNamesWhatDoesNotFit) {
  Model model;
  model.m9->SetName(CComBSTR(u"Mixer"));
  model.m7->SetName(CComBSTR(u"Source"));
  Model::Define(model.m9)->DefineInput(CComBSTR(u"Label"), ctString, 0);
  Model::Define(model.m9)->DefineInput(CComBSTR(u"Odd"), static_cast<VornConnectionType>(7), 0);
  struct Case {
    const char16_t* output;
    const char16_t* input;
    const char* error;
  };
  const Case cases[] = {
      {u"Text", u"Any", nullptr},
      {u"Default", u"Any", nullptr},
      {u"Default", u"In", nullptr},
      {u"Default", u"Label",
       "Source(Default) ===> Mixer(Label)\nOutput has type \"ctFloatArray\"; Input has type \"ctString\""},
      // A kind the engine does not know has no name.
      {u"Default", u"Odd", "Source(Default) ===> Mixer(Odd)\nOutput has type \"ctFloatArray\"; Input has type \"\""},
      {u"Nothing", u"In",
       "Source(Nothing) ===> Mixer(In)\nThe output module \"Source\" does not have an output named \"Nothing\""},
      {u"Text", u"Nowhere",
       "Source(Text) ===> Mixer(Nowhere)\nThe input module \"Mixer\" does not have an input named \"Nowhere\""},
  };
  for (const Case& c : cases) {
    CComBSTR error;
    BOOL valid = FALSE;
    EXPECT_EQ(model.m7->ValidateConnection(CComBSTR(c.output), model.m9, CComBSTR(c.input), &error, &valid), S_OK);
    EXPECT_EQ(valid, c.error == nullptr);
    EXPECT_EQ(Text(error), c.error == nullptr ? "" : c.error);
  }
}

TEST(DataFlow, ConnectionListAndTheModulesFeedingOne) {
  Model model;
  CComBSTR out(u"Default"), in(u"In"), sum(u"Sum");
  model.m7->AddConnection(out, 5, in);
  model.m7->AddConnection(out, 9, in);
  model.m7->AddConnection(out, 9, sum);
  model.m7->AddConnection(out, 5, in);
  model.m8->AddConnection(out, 9, sum);

  CComQIPtr<IVornModule> nine = Model::Define(model.m9);
  int feeding = 0;
  EXPECT_EQ(nine->GetInputModuleCount(&feeding), S_OK);
  EXPECT_EQ(feeding, 3);
  CComPtr<IDispatch> third;
  EXPECT_EQ(nine->GetInputModule(2, &third), S_OK);
  EXPECT_TRUE(third.IsEqualObject(model.m8));

  VornConnection* connection = nullptr;
  model.m7->GetConnection(1, &connection);
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(connection->m_iSrcID, 7);
  EXPECT_EQ(Text(connection->m_DestInputName), "In");
  model.m7->RemoveConnection(4);
  model.m7->RemoveConnections(5);
  int count = 0;
  model.m7->GetConnectionCount(&count);
  EXPECT_EQ(count, 2);
  model.m7->GetConnection(2, &connection);
  EXPECT_EQ(connection, nullptr);
  model.m7->RemoveConnections(-1);
  model.m7->GetConnectionCount(&count);
  EXPECT_EQ(count, 0);
}

TEST(DataFlow, ModuleLockIsHeldFromPreRunToPostRun) {
  Model model;
  model.m9->PreRun();
  // Re-entrant for the running thread, as a server's Run may lock.
  model.m9->Lock();
  model.m9->Unlock();
  std::atomic<bool> locked{false};
  std::thread other([&] {
    model.m9->Lock();
    locked = true;
    model.m9->Unlock();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(locked);
  model.m9->PostRun();
  other.join();
  EXPECT_TRUE(locked);
  LONGLONG time = -1;
  model.m9->GetAccumulatedTime(&time);
  EXPECT_GE(time, 0);
}

} // namespace
