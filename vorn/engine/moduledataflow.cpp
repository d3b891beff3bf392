// The module object's side of data flow: input and output data, has-data
// flags, multiple inputs keyed by source, the connection list and its
// check, the run hooks around a server's Run, and the transfer of outputs
// along connections.
#include <string>

#include "platform/kernel/kernel.h"
#include "vorn/engine/cycletimeline.h"
#include "vorn/engine/module.h"
#include "vorn/interfaces/engine.h"
#include "vorn/support/modulehelpers.h"

namespace {

using Platform::BstrView;

// "%d %s" of the source module and output: the key of one source's value
// in a multiple input.
std::u16string SourceKey(int sourceId, BSTR output) {
  return Platform::Utf8ToUtf16(std::to_string(sourceId)) + u" " + std::u16string(BstrView(output));
}

std::u16string Utf16(const char* text) { return Platform::Utf8ToUtf16(text); }

} // namespace

// ---- Data ------------------------------------------------------------------

HRESULT CVornModule::GetInputData(BSTR bstrName, VornConnectionData** ppData) {
  if (ppData == nullptr)
    return E_POINTER;
  *ppData = nullptr;
  CConnectionData* value = FindInput(bstrName);
  if (value == nullptr)
    return E_FAIL;
  *ppData = value->GetData();
  return S_OK;
}

HRESULT CVornModule::GetOutputData(BSTR bstrName, VornConnectionData** ppData) {
  if (ppData == nullptr)
    return E_POINTER;
  *ppData = nullptr;
  CConnectionData* value = FindOutput(bstrName);
  if (value == nullptr)
    return E_FAIL;
  *ppData = value->GetData();
  return S_OK;
}

HRESULT CVornModule::GetMultipleInputData(BSTR bstrInputName, int nInputIdx, VornConnectionData** ppData) {
  if (ppData == nullptr)
    return E_POINTER;
  *ppData = nullptr;
  CConnectionData* value = FindInput(bstrInputName);
  CConnectionData* source = value != nullptr && value->IsMultiple() ? value->GetChildAt(nInputIdx) : nullptr;
  if (source == nullptr)
    return E_INVALIDARG;
  *ppData = source->GetData();
  return S_OK;
}

HRESULT CVornModule::SetInputData(BSTR bstrName, VornConnectionData* pData) {
  if (pData == nullptr)
    return E_POINTER;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  CConnectionData* value = FindInput(bstrName);
  if (value == nullptr)
    return E_FAIL;
  HRESULT hr = value->SetData(pData);
  if (FAILED(hr))
    return hr;
  value->SetHasData(TRUE);
  return S_OK;
}

HRESULT CVornModule::SetMultipleInputData(BSTR bstrName, BSTR bstrKey, VornConnectionData* pData) {
  if (pData == nullptr)
    return E_POINTER;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  CConnectionData* value = FindInput(bstrName);
  if (value == nullptr || !value->IsMultiple())
    return E_INVALIDARG;
  CConnectionData* source = value->GetOrCreateChild(BstrView(bstrKey));
  HRESULT hr = source->SetData(pData);
  if (FAILED(hr))
    return hr;
  source->SetHasData(TRUE);
  return S_OK;
}

HRESULT CVornModule::InputHasData(BSTR bstrInputName, VARIANT_BOOL* pbHasData) {
  if (pbHasData == nullptr)
    return E_POINTER;
  *pbHasData = VARIANT_FALSE;
  CConnectionData* value = FindInput(bstrInputName);
  if (value == nullptr)
    return E_INVALIDARG;
  *pbHasData = value->HasData() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT CVornModule::OutputHasData(BSTR bstrOutputName, BOOL* pbHasData) {
  if (pbHasData == nullptr)
    return E_POINTER;
  *pbHasData = FALSE;
  CConnectionData* value = FindOutput(bstrOutputName);
  if (value == nullptr)
    return E_INVALIDARG;
  *pbHasData = value->HasData() ? TRUE : FALSE;
  return S_OK;
}

HRESULT CVornModule::SetOutputHasData(BSTR bstrOutputName) {
  CConnectionData* value = FindOutput(bstrOutputName);
  if (value != nullptr)
    value->SetHasData(TRUE);
  return S_OK;
}

HRESULT CVornModule::GetMultipleInputCount(BSTR bstrInputName, int* pnCount) {
  if (pnCount == nullptr)
    return E_POINTER;
  *pnCount = 0;
  CConnectionData* value = FindInput(bstrInputName);
  if (value == nullptr || !value->IsMultiple())
    return E_INVALIDARG;
  *pnCount = value->GetChildCount();
  return S_OK;
}

HRESULT CVornModule::MultipleInputHasData(BSTR bstrInputName, int nInputIdx, VARIANT_BOOL* pbHasData) {
  if (pbHasData == nullptr)
    return E_POINTER;
  *pbHasData = VARIANT_FALSE;
  CConnectionData* value = FindInput(bstrInputName);
  CConnectionData* source = value != nullptr && value->IsMultiple() ? value->GetChildAt(nInputIdx) : nullptr;
  if (source == nullptr)
    return E_INVALIDARG;
  *pbHasData = source->HasData() ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

// ---- Connections -----------------------------------------------------------

HRESULT CVornModule::AppendConnection(std::unique_ptr<CConnectionEntry> entry) {
  std::lock_guard<std::mutex> hold(m_connectionLock);
  m_connections.push_back(std::move(entry));
  m_connectionChanges.fetch_add(1, std::memory_order_release);
  return S_OK;
}

HRESULT CVornModule::AddConnection(BSTR bstrOutput, int nDestModuleID, BSTR bstrDestInput) {
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  return AppendConnection(
      std::make_unique<CConnectionEntry>(bstrOutput, m_id, nDestModuleID, bstrDestInput, nullptr, nullptr));
}

HRESULT CVornModule::AddDistributedConnection(BSTR srcOutputName, BSTR destMachineName, BSTR destModuleName,
                                              BSTR destInputName) {
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  return AppendConnection(std::make_unique<CConnectionEntry>(srcOutputName, m_id, -1, destInputName, destMachineName,
                                                             destModuleName));
}

HRESULT CVornModule::RemoveConnection(int nIdx) {
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  std::lock_guard<std::mutex> list(m_connectionLock);
  if (nIdx >= 0 && nIdx < static_cast<int>(m_connections.size())) {
    m_connections.erase(m_connections.begin() + nIdx);
    m_connectionChanges.fetch_add(1, std::memory_order_release);
  }
  return S_OK;
}

HRESULT CVornModule::RemoveConnections(int nID) {
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  std::lock_guard<std::mutex> list(m_connectionLock);
  std::erase_if(m_connections, [nID](const std::unique_ptr<CConnectionEntry>& entry) {
    return nID == -1 || entry->Record()->m_iDestID == nID;
  });
  m_connectionChanges.fetch_add(1, std::memory_order_release);
  return S_OK;
}

HRESULT CVornModule::GetConnectionCount(int* pnCount) {
  if (pnCount == nullptr)
    return E_POINTER;
  std::lock_guard<std::mutex> list(m_connectionLock);
  *pnCount = static_cast<int>(m_connections.size());
  return S_OK;
}

HRESULT CVornModule::GetConnection(int nIdx, VornConnection** ppConnection) {
  if (ppConnection == nullptr)
    return E_POINTER;
  std::lock_guard<std::mutex> list(m_connectionLock);
  *ppConnection = nIdx >= 0 && nIdx < static_cast<int>(m_connections.size())
                      ? m_connections[static_cast<std::size_t>(nIdx)]->Record()
                      : nullptr;
  return S_OK;
}

HRESULT CVornModule::ValidateConnection(BSTR bstrOutput, IVornModuleLocal* pDestModule, BSTR bstrDestInput,
                                        BSTR* pbstrErrorStr, BOOL* pbValid) {
  if (pDestModule == nullptr || pbstrErrorStr == nullptr || pbValid == nullptr)
    return E_POINTER;
  *pbValid = TRUE;
  *pbstrErrorStr = nullptr;
  CComBSTR destName;
  pDestModule->GetName(&destName);
  std::u16string name;
  {
    std::lock_guard<std::mutex> hold(m_textLock);
    name = m_name;
  }
  std::u16string output(BstrView(bstrOutput));
  std::u16string input(BstrView(bstrDestInput));
  std::u16string dest(BstrView(destName));
  std::u16string error = name + u"(" + output + u") ===> " + dest + u"(" + input + u")\n";

  CConnectionData* source = FindOutput(bstrOutput);
  VornConnectionDef* inputDef = nullptr;
  if (source == nullptr) {
    *pbValid = FALSE;
    error += u"The output module \"" + name + u"\" does not have an output named \"" + output + u"\"";
  } else if (pDestModule->GetInputConnectionDef(bstrDestInput, &inputDef), inputDef == nullptr) {
    *pbValid = FALSE;
    error += u"The input module \"" + dest + u"\" does not have an input named \"" + input + u"\"";
  } else {
    VornConnectionType from = source->GetDef()->m_Type;
    VornConnectionType to = inputDef->m_Type;
    if (from != to && from != ctVariant && to != ctVariant) {
      *pbValid = FALSE;
      error += u"Output has type \"" + Utf16(Vorn::ConnectionTypeName(from)) + u"\"; Input has type \"" +
               Utf16(Vorn::ConnectionTypeName(to)) + u"\"";
    }
  }
  if (!*pbValid)
    *pbstrErrorStr = SysAllocStringLen(error.data(), static_cast<UINT>(error.size()));
  return S_OK;
}

// ---- Run hooks and transfer ------------------------------------------------

HRESULT CVornModule::PreRun() {
  LONGLONG start = Vorn::CycleTimeline::RunStart();
  m_lock.lock();
  ++m_runHolds;
  m_runStart = start;
  m_outputs.ForEach([](const std::u16string&, CConnectionData& value) { value.SetHasData(FALSE); });
  return S_OK;
}

HRESULT CVornModule::PostRun() {
  LONGLONG end = Vorn::CycleTimeline::RunEnd();
  std::unique_lock<Platform::RecursiveLock> hold(m_lock);
  // Only written under the lock; read without it.
  m_accumulatedTime.store(m_accumulatedTime.load(std::memory_order_relaxed) + (end - m_runStart),
                          std::memory_order_relaxed);
  m_inputs.ForEach([](const std::u16string&, CConnectionData& value) { value.SetHasData(FALSE); });
  // Leaves the hold that PreRun took; a PostRun without one leaves only
  // its own.
  if (m_runHolds > 0) {
    --m_runHolds;
    m_lock.unlock();
  }
  return S_OK;
}

HRESULT CVornModule::Run() {
  return m_derivedModule != nullptr ? Guarded("Run", true, [&] { return m_derivedModule->Run(); }) : S_OK;
}
HRESULT CVornModule::Start() {
  return m_derivedModule != nullptr ? Guarded("Start", true, [&] { return m_derivedModule->Start(); }) : S_OK;
}
HRESULT CVornModule::Stop() {
  return m_derivedModule != nullptr ? Guarded("Stop", true, [&] { return m_derivedModule->Stop(); }) : S_OK;
}

HRESULT CVornModule::TransferOutputs(int* nTransferCounter) {
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  HRESULT result = S_OK;
  std::lock_guard<Platform::RecursiveLock> hold(m_lock);
  // Entries are removed only under the module's lock, which this holds, so
  // the ones seen here stay; new ones may be added meanwhile. The list seen
  // by the last transfer is kept until the connections change.
  std::vector<CConnectionEntry*>& entries = m_transferEntries;
  if (m_connectionChanges.load(std::memory_order_acquire) != m_transferEntriesAt) {
    std::lock_guard<std::mutex> list(m_connectionLock);
    entries.clear();
    for (const auto& entry : m_connections)
      entries.push_back(entry.get());
    m_transferEntriesAt = m_connectionChanges.load(std::memory_order_relaxed);
  }
  for (CConnectionEntry* entry : entries) {
    VornConnection* connection = entry->Record();
    CConnectionEntry::Resolved& cache = entry->Cache();
    if (!cache.outputKnown || cache.outputName != connection->m_SrcOutputName || cache.definitions != m_definitions) {
      cache.output = FindOutput(connection->m_SrcOutputName);
      cache.outputName = connection->m_SrcOutputName;
      cache.definitions = m_definitions;
      cache.outputKnown = true;
    }
    CConnectionData* output = cache.output;
    if (output == nullptr || !output->HasData())
      continue;
    if (entry->IsRemote()) {
      result = m_engine->SendConnectionData(connection);
      continue;
    }
    // The generation is read before the lookup, so a change during it
    // makes the next transfer look again.
    IVornModuleLocal* destination;
    CVornModule* direct;
    if (m_collection == nullptr) {
      destination = m_engine->GetModule(connection->m_iDestID);
      direct = dynamic_cast<CVornModule*>(destination);
      cache.inputModule = nullptr;
    } else {
      unsigned generation = m_collection->CurrentCollectionGeneration();
      if (!cache.destinationKnown || cache.generation != generation || cache.engine != m_engine ||
          cache.destinationId != connection->m_iDestID) {
        cache.destination = m_engine->GetModule(connection->m_iDestID);
        cache.direct = dynamic_cast<CVornModule*>(cache.destination);
        // Another object may live where the old destination did.
        cache.inputModule = nullptr;
        cache.engine = m_engine;
        cache.destinationId = connection->m_iDestID;
        cache.generation = generation;
        cache.destinationKnown = true;
      }
      destination = cache.destination;
      direct = cache.direct;
    }
    if (destination == nullptr)
      continue;
    if (direct != nullptr) {
      if (!direct->m_local.load(std::memory_order_relaxed))
        continue;
      if (nTransferCounter != nullptr)
        ++*nTransferCounter;
      Deliver(*entry, *direct, output->GetData());
      continue;
    }
    BOOL local = FALSE;
    if (FAILED(destination->IsLocal(&local)) || !local)
      continue;
    if (nTransferCounter != nullptr)
      ++*nTransferCounter;
    VornConnectionDef* inputDef = nullptr;
    destination->GetInputConnectionDef(connection->m_DestInputName, &inputDef);
    if (inputDef != nullptr && inputDef->m_bMultipleInput) {
      if (cache.sourceKey.m_str == nullptr || cache.keyId != connection->m_iSrcID || cache.keyOutputName != connection->m_SrcOutputName) {
        std::u16string key = SourceKey(connection->m_iSrcID, connection->m_SrcOutputName);
        cache.sourceKey = CComBSTR{std::u16string_view(key)};
        cache.keyId = connection->m_iSrcID;
        cache.keyOutputName = connection->m_SrcOutputName;
      }
      destination->SetMultipleInputData(connection->m_DestInputName, cache.sourceKey, output->GetData());
    } else {
      destination->SetInputData(connection->m_DestInputName, output->GetData());
    }
  }
  return result;
}

void CVornModule::Deliver(CConnectionEntry& entry, CVornModule& destination, const VornConnectionData* data) {
  VornConnection* connection = entry.Record();
  CConnectionEntry::Resolved& cache = entry.Cache();
  std::lock_guard<Platform::RecursiveLock> hold(destination.m_lock);
  if (cache.inputModule != &destination || cache.inputName != connection->m_DestInputName ||
      cache.inputDefinitions != destination.m_definitions) {
    cache.input = destination.FindInput(connection->m_DestInputName);
    cache.inputModule = &destination;
    cache.inputName = connection->m_DestInputName;
    cache.inputDefinitions = destination.m_definitions;
  }
  CConnectionData* value = cache.input;
  if (value == nullptr)
    return;
  if (value->IsMultiple()) {
    if (cache.sourceKey.m_str == nullptr || cache.keyId != connection->m_iSrcID ||
        cache.keyOutputName != connection->m_SrcOutputName) {
      std::u16string key = SourceKey(connection->m_iSrcID, connection->m_SrcOutputName);
      cache.sourceKey = CComBSTR{std::u16string_view(key)};
      cache.keyId = connection->m_iSrcID;
      cache.keyOutputName = connection->m_SrcOutputName;
    }
    value = value->GetOrCreateChild(BstrView(cache.sourceKey));
  }
  if (SUCCEEDED(value->SetData(data)))
    value->SetHasData(TRUE);
}

// ---- Modules feeding this one ----------------------------------------------

HRESULT CVornModule::GetInputModuleCount(int* pnCount) {
  if (pnCount == nullptr)
    return E_POINTER;
  *pnCount = 0;
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  int count = 0;
  int modules = m_engine->GetModuleCount();
  for (int i = 0; i < modules; ++i) {
    IVornModuleLocal* module = m_engine->GetModule(i);
    if (module == nullptr)
      continue;
    int connections = 0;
    module->GetConnectionCount(&connections);
    for (int c = 0; c < connections; ++c) {
      VornConnection* connection = nullptr;
      module->GetConnection(c, &connection);
      if (connection != nullptr && connection->m_iDestID == m_id)
        ++count;
    }
  }
  *pnCount = count;
  return S_OK;
}

HRESULT CVornModule::GetInputModule(int nIdx, IDispatch** ppModule) {
  if (ppModule == nullptr)
    return E_POINTER;
  *ppModule = nullptr;
  if (m_engine == nullptr)
    return E_UNEXPECTED;
  int seen = 0;
  int modules = m_engine->GetModuleCount();
  for (int i = 0; i < modules; ++i) {
    IVornModuleLocal* module = m_engine->GetModule(i);
    if (module == nullptr)
      continue;
    int connections = 0;
    module->GetConnectionCount(&connections);
    for (int c = 0; c < connections; ++c) {
      VornConnection* connection = nullptr;
      module->GetConnection(c, &connection);
      if (connection == nullptr || connection->m_iDestID != m_id)
        continue;
      if (seen++ == nIdx)
        return module->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(ppModule));
    }
  }
  return E_INVALIDARG;
}
