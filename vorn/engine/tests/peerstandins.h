// Peer channels for tests: a recorder that notes every call and answers
// from a script, and a loopback hub that joins engines of one process as
// if they ran on machines of their own, delivering each one's commands to
// the others when those are idle.
#ifndef VORN_ENGINE_TESTS_PEERSTANDINS_H
#define VORN_ENGINE_TESTS_PEERSTANDINS_H

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/bstr.h"
#include "vorn/interfaces/engine.h"
#include "vorn/interfaces/peerchannel.h"

namespace PeerStandIns {

// A counted object of its own, for the stand-ins.
template <class Interface>
class Counted : public Interface {
public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object)
      return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != __uuidof(Interface))
      return E_NOINTERFACE;
    *object = static_cast<Interface*>(this);
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    ULONG left = --m_refs;
    if (left == 0)
      delete this;
    return left;
  }

protected:
  virtual ~Counted() = default;

private:
  std::atomic<ULONG> m_refs{1};
};

// Notes each call as "Operation" or "Operation argument" and answers what
// the test scripted (S_OK and empty answers otherwise). Made with one
// reference, which the test holds.
class Recorder : public Counted<IVornPeerChannel> {
public:
  std::vector<std::string> Calls() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_calls;
  }
  // The commands sent, in order.
  std::vector<std::string> Commands() const {
    std::vector<std::string> commands;
    for (const std::string& call : Calls())
      if (call.rfind("SendCommand ", 0) == 0)
        commands.push_back(call.substr(12));
    return commands;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.clear();
  }
  // The result of the next calls of an operation.
  void Answer(const std::string& operation, HRESULT result) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_results[operation] = result;
  }
  // Lists are made by the test's own function (the recorder owns none).
  std::function<IVornStringList*()> hosts;
  std::function<IVornStringList*(const std::string& host)> hostApps;
  BOOL acknowledge = TRUE;
  std::string userName = "user";

  HRESULT SendConnectionData(VornConnection*) override { return Note("SendConnectionData"); }
  HRESULT GetAllHosts(IVornStringList** ppHosts) override {
    if (ppHosts)
      *ppHosts = hosts ? hosts() : nullptr;
    return Note("GetAllHosts");
  }
  HRESULT SendCommand(BSTR bstrCommand) override { return Note("SendCommand", Platform::BstrToUtf8(bstrCommand)); }
  HRESULT PeerIdle(BOOL bSlow) override { return Note("PeerIdle", bSlow ? "1" : "0"); }
  HRESULT PeerClose() override { return Note("PeerClose"); }
  HRESULT SetIdentity(BSTR bstrIdentity) override { return Note("SetIdentity", Platform::BstrToUtf8(bstrIdentity)); }
  HRESULT ReportUnavailableMachines(IVornStringList*) override { return Note("ReportUnavailableMachines"); }
  HRESULT SyncMachine(BSTR bstrMachine, int nTimeoutMs, BOOL* pbAcknowledged) override {
    if (pbAcknowledged)
      *pbAcknowledged = acknowledge;
    return Note("SyncMachine", Platform::BstrToUtf8(bstrMachine) + " " + std::to_string(nTimeoutMs));
  }
  HRESULT GetHostApps(BSTR bstrHost, IVornStringList** ppApps) override {
    std::string host = Platform::BstrToUtf8(bstrHost);
    if (ppApps)
      *ppApps = hostApps ? hostApps(host) : nullptr;
    return Note("GetHostApps", host);
  }
  HRESULT SetUserName(BSTR bstrUser) override { return Note("SetUserName", Platform::BstrToUtf8(bstrUser)); }
  HRESULT GetUserName(BSTR* pbstrUser) override {
    if (pbstrUser)
      *pbstrUser = Platform::AllocBstr(userName);
    return Note("GetUserName");
  }
  HRESULT GetUserForMachine(BSTR bstrMachine, BSTR bstrIdentity, BSTR* pbstrUser) override {
    if (pbstrUser)
      *pbstrUser = Platform::AllocBstr(userName);
    return Note("GetUserForMachine", Platform::BstrToUtf8(bstrMachine) + " " + Platform::BstrToUtf8(bstrIdentity));
  }
  HRESULT CycleDone(int* pnTransferCount) override {
    return Note("CycleDone", pnTransferCount ? std::to_string(*pnTransferCount) : "null");
  }
  HRESULT BeforeRunThread() override { return Note("BeforeRunThread"); }

private:
  HRESULT Note(const std::string& operation, const std::string& argument = {}) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(argument.empty() ? operation : operation + " " + argument);
    auto result = m_results.find(operation);
    return result == m_results.end() ? S_OK : result->second;
  }

  mutable std::mutex m_mutex;
  std::vector<std::string> m_calls;
  std::map<std::string, HRESULT> m_results;
};

// Calls the operation of control that a received command names, with
// bBroadcast off, as a peer channel must. Answers false for a text that
// names none.
inline bool Deliver(IVornEngine* engine, IVornEngineControl* control, const std::string& command) {
  auto quoted = [&](std::size_t from) {
    std::size_t open = command.find('"', from);
    std::size_t close = open == std::string::npos ? open : command.find('"', open + 1);
    return close == std::string::npos ? std::string() : command.substr(open + 1, close - open - 1);
  };
  auto number = [&](std::size_t from) { return std::stoi(command.substr(from)); };
  // The engines of one process share one file system: //HOST/path is /path.
  auto local = [](std::string path) {
    if (path.rfind("//", 0) == 0 && path.find('/', 2) != std::string::npos)
      path = path.substr(path.find('/', 2));
    return path;
  };
  auto startsWith = [&](const char* word) { return command.rfind(word, 0) == 0; };
  if (command == "STOP")
    control->SetRunning(esStop, FALSE);
  else if (command == "RUN")
    control->SetRunning(esSlow, FALSE);
  else if (command == "RUNFAST")
    control->SetRunning(esFast, FALSE);
  else if (command == "STEP")
    control->Step(FALSE);
  else if (command == "CLOSE")
    control->Close(FALSE);
  else if (command == "LEAVINGAPPPOOL")
    ;
  else if (startsWith("REOPENDATABASE ")) {
    BSTR path = Platform::AllocBstr(local(quoted(15)));
    control->ReOpenDatabase(FALSE, path);
    SysFreeString(path);
  } else if (startsWith("OPENDATABASE ")) {
    BSTR path = Platform::AllocBstr(local(quoted(13)));
    engine->SetWorkingFilePath(path);
    SysFreeString(path);
    control->OpenDatabase(FALSE);
  } else if (startsWith("RELOADDATA "))
    control->ReloadModuleData(number(11));
  else if (startsWith("RELOAD "))
    control->ReloadModule(number(7), FALSE);
  else if (startsWith("REMOVE "))
    // The sender has deleted the rows already.
    control->RemoveModule(number(7), FALSE, FALSE);
  else
    return false;
  return true;
}

// Joins engines of one process. Each engine gets an endpoint of its own
// (Join); a command sent through one endpoint waits in the inbox of every
// other one until that endpoint's engine is idle (PeerIdle), and is then
// delivered to it. Single-threaded, as the engines' client threads are.
class LoopbackHub {
public:
  // The endpoint for an engine on the machine host; the engine is not held
  // (it holds its endpoint). The caller owns the one reference answered.
  IVornPeerChannel* Join(IVornEngine* engine, IVornEngineControl* control, const std::string& host) {
    auto* endpoint = new Endpoint(this, engine, control, host);
    m_endpoints.push_back(endpoint);
    return endpoint;
  }
  // Every command delivered so far, as "host: command".
  const std::vector<std::string>& Delivered() const { return m_delivered; }
  std::vector<std::string> Identities(const std::string& host) const {
    for (const Endpoint* endpoint : m_endpoints)
      if (endpoint->host == host)
        return {endpoint->identity};
    return {};
  }
  std::vector<std::string> Hosts() const {
    std::vector<std::string> hosts;
    for (const Endpoint* endpoint : m_endpoints)
      hosts.push_back(endpoint->host);
    return hosts;
  }

private:
  struct Endpoint : Counted<IVornPeerChannel> {
    Endpoint(LoopbackHub* hub, IVornEngine* engine, IVornEngineControl* control, std::string host)
        : hub(hub), engine(engine), control(control), host(std::move(host)) {}
    ~Endpoint() override { std::erase(hub->m_endpoints, this); }

    HRESULT SendConnectionData(VornConnection*) override { return S_OK; }
    HRESULT GetAllHosts(IVornStringList** ppHosts) override {
      if (ppHosts)
        *ppHosts = nullptr;
      return E_NOTIMPL;
    }
    HRESULT SendCommand(BSTR bstrCommand) override {
      std::string command = Platform::BstrToUtf8(bstrCommand);
      for (Endpoint* other : hub->m_endpoints)
        if (other != this)
          other->inbox.push_back(command);
      return S_OK;
    }
    HRESULT PeerIdle(BOOL) override {
      // Commands that a delivery makes this engine send go to the others,
      // not back into this inbox.
      while (!inbox.empty()) {
        std::string command = inbox.front();
        inbox.pop_front();
        hub->m_delivered.push_back(host + ": " + command);
        Deliver(engine, control, command);
      }
      return S_OK;
    }
    HRESULT PeerClose() override { return S_OK; }
    HRESULT SetIdentity(BSTR bstrIdentity) override {
      identity = Platform::BstrToUtf8(bstrIdentity);
      return S_OK;
    }
    HRESULT ReportUnavailableMachines(IVornStringList*) override { return S_OK; }
    HRESULT SyncMachine(BSTR, int, BOOL* pbAcknowledged) override {
      if (pbAcknowledged)
        *pbAcknowledged = TRUE;
      return S_OK;
    }
    HRESULT GetHostApps(BSTR, IVornStringList** ppApps) override {
      if (ppApps)
        *ppApps = nullptr;
      return E_NOTIMPL;
    }
    HRESULT SetUserName(BSTR) override { return S_OK; }
    HRESULT GetUserName(BSTR* pbstrUser) override {
      if (pbstrUser)
        *pbstrUser = nullptr;
      return S_OK;
    }
    HRESULT GetUserForMachine(BSTR, BSTR, BSTR* pbstrUser) override {
      if (pbstrUser)
        *pbstrUser = nullptr;
      return S_OK;
    }
    HRESULT CycleDone(int*) override { return S_OK; }
    HRESULT BeforeRunThread() override { return S_OK; }

    LoopbackHub* hub;
    IVornEngine* engine;
    IVornEngineControl* control;
    std::string host;
    std::string identity;
    std::deque<std::string> inbox;
  };

  std::vector<Endpoint*> m_endpoints;
  std::vector<std::string> m_delivered;
};

}  // namespace PeerStandIns

#endif
