// The engine's run states and cycles: starting and stopping the local
// modules, one cycle (RunAll) and one transfer pass, the single step, and
// the run thread that cycles on its own while the speed is esFast.
//
// Each cycle works on referenced copies of the modules, taken under the
// engine lock, so that clients may add and remove modules meanwhile; the
// engine lock is never held while a module is called. The copies are kept
// from cycle to cycle until the collection changes, and a module removed
// meanwhile lives on until the last cycle that holds it is done.
#include <exception>
#include <thread>
#include <utility>

#include "platform/com/memory.h"
#include "platform/com/pointers.h"
#include "platform/kernel/kernel.h"
#include "vorn/engine/cycletimeline.h"
#include "vorn/engine/engine.h"
#include "vorn/engine/module.h"

namespace Vorn {

namespace {

constexpr DWORD kCycleWaitMs = 10;
constexpr int kCyclesBetweenWaits = 10;
constexpr DWORD kEndPollMs = 20;
constexpr DWORD kEndWaitMs = 5000;
constexpr const char* kWaitEventName = "VornEngineWait";

LONGLONG Now() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

bool IsLocalModule(IVornModuleLocal* module) {
  BOOL local = FALSE;
  module->IsLocal(&local);
  return local != FALSE;
}

}  // namespace

EngineSpeed VornEngine::GetRunning() { return m_speed; }

int VornEngine::GetGenerationCounter() { return m_generationCounter; }

LONGLONG VornEngine::GetCycleStartTime() { return m_cycleStartTime; }

HRESULT VornEngine::Thrown(IVornModuleLocal* module) {
  // An exception with a text of its own has been shown with that text by
  // the module's guard; it only fails the call, in debug mode too.
  try {
    throw;
  } catch (const std::exception&) {
    return E_FAIL;
  } catch (...) {
  }
  BOOL debugBuild = FALSE;
  module->GetDebugBuildFlag(&debugBuild);
  if (m_debugRun && debugBuild)
    throw;
  return E_FAIL;
}

HRESULT VornEngine::StartAll() {
  m_cycleStartTime = Now();
  HRESULT result = S_OK;
  std::shared_ptr<const Snapshot> modules = CurrentSnapshot();
  std::vector<IVornModuleLocal*> started;
  for (IVornModuleLocal* module : modules->modules) {
    if (!IsLocalModule(module))
      continue;
    HRESULT hr;
    try {
      hr = module->Start();
    } catch (...) {
      hr = Thrown(module);
    }
    if (FAILED(hr))
      result = E_FAIL;
    else
      started.push_back(module);
  }
  // A failed start leaves the engine stopped, so nothing may stay started.
  if (FAILED(result)) {
    for (IVornModuleLocal* module : started) {
      try {
        module->Stop();
      } catch (...) {
      }
    }
  }
  return result;
}

HRESULT VornEngine::StopAll() {
  HRESULT result = S_OK;
  std::shared_ptr<const Snapshot> modules = CurrentSnapshot();
  for (IVornModuleLocal* module : modules->modules) {
    if (!IsLocalModule(module))
      continue;
    HRESULT hr;
    try {
      hr = module->Stop();
    } catch (...) {
      hr = Thrown(module);
    }
    if (FAILED(hr))
      result = E_FAIL;
  }
  return result;
}

HRESULT VornEngine::RunAll() {
  LONGLONG start = Now();
  // A plain store: readers want a recent value, not an order with others.
  m_cycleStartTime.store(start, std::memory_order_relaxed);
  std::shared_ptr<const Snapshot> modules = CurrentSnapshot(true);
  CycleTimeline::Cycle timeline(start);
  HRESULT result = S_OK;
  for (std::size_t i = 0; i < modules->modules.size(); ++i) {
    IVornModuleLocal* module = modules->modules[i];
    CVornModule* own = modules->own[i];
    if (own != nullptr ? !own->LocalNow() : !IsLocalModule(module))
      continue;
    auto postRun = [&] { own != nullptr ? own->CVornModule::PostRun() : module->PostRun(); };
    own != nullptr ? own->CVornModule::PreRun() : module->PreRun();
    try {
      own != nullptr ? own->CVornModule::Run() : module->Run();
    } catch (...) {
      result = E_FAIL;
      try {
        Thrown(module);
      } catch (...) {
        postRun();
        throw;
      }
    }
    postRun();
  }
  return result;
}

HRESULT VornEngine::TransferAllOutputs(int* pnTransferCounter) {
  HRESULT result = S_OK;
  std::shared_ptr<const Snapshot> modules = CurrentSnapshot();
  for (std::size_t i = 0; i < modules->modules.size(); ++i) {
    IVornModuleLocal* module = modules->modules[i];
    CVornModule* own = modules->own[i];
    if (own != nullptr ? !own->LocalNow() : !IsLocalModule(module))
      continue;
    result = own != nullptr ? own->CVornModule::TransferOutputs(pnTransferCounter) : module->TransferOutputs(pnTransferCounter);
    if (FAILED(result))
      break;
  }
  return result;
}

void VornEngine::RunThreadMain(RunThread* self) {
  CoInitialize(nullptr);
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  HANDLE wait = CreateEvent(nullptr, TRUE, TRUE, kWaitEventName);
  int moved = 1;
  int cycles = 0;
  while (!self->retired && m_speed == esFast) {
    if (moved == 0 || cycles > kCyclesBetweenWaits) {
      if (wait != nullptr)
        WaitForSingleObject(wait, kCycleWaitMs);
      cycles = 0;
    }
    if (wait != nullptr)
      ResetEvent(wait);
    ++cycles;
    moved = 0;
    HRESULT hr;
    // No debugger waits on this thread: an exception passed on from a
    // module ends the cycle like any other failure.
    try {
      hr = RunAll();
    } catch (...) {
      hr = E_FAIL;
    }
    if (FAILED(hr))
      static_cast<IVornEngine*>(this)->SetRunning(esStop);
    else
      TransferAllOutputs(&moved);
    if (CComPtr<IVornPeerChannel> peer = Peer())
      peer->CycleDone(&moved);
  }
  if (wait != nullptr)
    CloseHandle(wait);
  CoUninitialize();
  self->ended = true;
}

void VornEngine::StartRunThread() {
  if (CComPtr<IVornPeerChannel> peer = Peer())
    peer->BeforeRunThread();
  auto thread = std::make_unique<RunThread>();
  RunThread* self = thread.get();
  thread->thread = std::thread([this, self] { RunThreadMain(self); });
  m_runThread = std::move(thread);
}

std::unique_ptr<VornEngine::RunThread> VornEngine::RetireRunThread() {
  if (!m_runThread)
    return nullptr;
  m_runThread->retired = true;
  // The run thread cannot wait for its own end: its object is joined later.
  if (m_runThread->thread.get_id() == std::this_thread::get_id()) {
    m_endingThreads.push_back(std::move(m_runThread));
    return nullptr;
  }
  return std::move(m_runThread);
}

void VornEngine::AwaitEnd(std::unique_ptr<RunThread> thread) {
  if (!thread)
    return;
  TickTimer waited;
  waited.Set(kEndWaitMs);
  while (!thread->ended && !waited.IsDue())
    Sleep(kEndPollMs);
  if (thread->ended) {
    thread->thread.join();
    return;
  }
  // A module that never returns keeps its thread: the object waits with the
  // others, since deleting a running thread would end the process.
  std::lock_guard<std::recursive_mutex> state(m_stateLock);
  m_endingThreads.push_back(std::move(thread));
}

void VornEngine::ReapEndedThreads(bool all) {
  std::vector<std::unique_ptr<RunThread>> threads;
  {
    std::lock_guard<std::recursive_mutex> state(m_stateLock);
    threads.swap(m_endingThreads);
  }
  std::vector<std::unique_ptr<RunThread>> kept;
  for (auto& thread : threads) {
    if (thread->thread.get_id() == std::this_thread::get_id()) {
      if (!all) {
        kept.push_back(std::move(thread));
      } else {
        // The engine's last release came from its own run thread, which
        // still writes to its record as it leaves: the record stays.
        thread->thread.detach();
        thread.release();
      }
    } else if (all || thread->ended)
      thread->thread.join();
    else
      kept.push_back(std::move(thread));
  }
  if (!kept.empty()) {
    std::lock_guard<std::recursive_mutex> state(m_stateLock);
    for (auto& thread : kept)
      m_endingThreads.push_back(std::move(thread));
  }
}

HRESULT VornEngine::SetRunning(EngineSpeed speed, BOOL bBroadcast) {
  static const char* const commands[] = {"STOP", "RUN", "RUNFAST"};
  if (speed >= esStop && speed <= esFast)
    Broadcast(bBroadcast, commands[speed]);
  ReapEndedThreads(false);
  std::unique_ptr<RunThread> ending;
  bool stopping = false;
  {
    std::lock_guard<std::recursive_mutex> state(m_stateLock);
    EngineSpeed current = m_speed;
    if (current == speed)
      return S_OK;
    if (current == esStop && std::exchange(m_stopOwed, false))
      StopAll();
    if (current == esStop && FAILED(StartAll()))
      return E_FAIL;
    stopping = speed == esStop;
    if (stopping)
      m_stopOwed = true;
    m_speed = speed;
    if (speed == esFast) {
      if (!m_runThread)
        StartRunThread();
    } else {
      ending = RetireRunThread();
    }
  }
  AwaitEnd(std::move(ending));
  // Under the state lock, and only when still owed: a start that came in
  // since (a client answering a stop the run thread made itself) has paid
  // it before starting the modules again.
  if (stopping) {
    std::lock_guard<std::recursive_mutex> state(m_stateLock);
    if (std::exchange(m_stopOwed, false))
      StopAll();
  }
  return S_OK;
}

HRESULT VornEngine::Step(BOOL bBroadcast) {
  Broadcast(bBroadcast, "STEP");
  SetRunning(esStop, FALSE);
  HRESULT hr = StartAll();
  if (FAILED(hr))
    return hr;
  Sleep(110);
  hr = RunAll();
  if (SUCCEEDED(hr)) {
    int moved = 0;
    hr = TransferAllOutputs(&moved);
  }
  // The engine is stopped after a step, whatever the cycle did.
  HRESULT stopped = StopAll();
  return FAILED(hr) ? hr : stopped;
}

}  // namespace Vorn
