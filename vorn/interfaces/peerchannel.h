// The peer channel: the outside component through which an engine reaches
// the engines of the same application on other machines. An engine holds at
// most one and works alone without it. The engine calls it from the
// client's thread and from its run thread: CycleDone after every fast
// cycle, SendConnectionData from the cycle's transfers, and SendCommand
// with "STOP" when a fast cycle failed. A channel is safe to call from both.
//
// The channel delivers what it receives by calling the receiving engine's
// IVornEngineControl with bBroadcast off.
#ifndef VORN_INTERFACES_PEERCHANNEL_H
#define VORN_INTERFACES_PEERCHANNEL_H

#include "platform/com/bstr.h"
#include "platform/com/unknown.h"

struct IVornStringList;
struct VornConnection;

PLATFORM_DEFINE_IID(IVornPeerChannel, "5D47B5FC-6A0F-4645-AEF4-E2365D628F92");
struct IVornPeerChannel : IUnknown {
  // Data of a connection into another machine; the result is passed back.
  virtual HRESULT SendConnectionData(VornConnection* pConnection) = 0;
  // The names of all hosts (the caller owns the list).
  virtual HRESULT GetAllHosts(IVornStringList** ppHosts) = 0;
  // A command for the other engines; its failure changes nothing here.
  virtual HRESULT SendCommand(BSTR bstrCommand) = 0;
  // Idle time of the client's thread; bSlow: the engine is not running fast.
  virtual HRESULT PeerIdle(BOOL bSlow) = 0;
  // Positions the channel keeps for itself; the engine never calls them.
  virtual HRESULT Reserved1() { return E_NOTIMPL; }
  virtual HRESULT Reserved2() { return E_NOTIMPL; }
  virtual HRESULT Reserved3() { return E_NOTIMPL; }
  virtual HRESULT PeerClose() = 0;
  virtual HRESULT Reserved4() { return E_NOTIMPL; }
  // The application identity of the engine's open working file.
  virtual HRESULT SetIdentity(BSTR bstrIdentity) = 0;
  virtual HRESULT ReportUnavailableMachines(IVornStringList* pMachines) = 0;
  virtual HRESULT SyncMachine(BSTR bstrMachine, int nTimeoutMs, BOOL* pbAcknowledged) = 0;
  // The application identities of a host (the caller owns the list).
  virtual HRESULT GetHostApps(BSTR bstrHost, IVornStringList** ppApps) = 0;
  virtual HRESULT SetUserName(BSTR bstrUser) = 0;
  virtual HRESULT GetUserName(BSTR* pbstrUser) = 0;
  virtual HRESULT GetUserForMachine(BSTR bstrMachine, BSTR bstrIdentity, BSTR* pbstrUser) = 0;
  // After each cycle of the run thread, with the count of data moved.
  virtual HRESULT CycleDone(int* pnTransferCount) = 0;
  // Before the run thread starts.
  virtual HRESULT BeforeRunThread() = 0;

protected:
  ~IVornPeerChannel() = default;
};

// How an engine is given its peer channel (null takes it away). The engine
// holds a counted reference and releases it last.
PLATFORM_DEFINE_IID(IVornPeerChannelHost, "0E6901BD-4E5A-43A3-A46F-7FAAF6598D17");
struct IVornPeerChannelHost : IUnknown {
  virtual HRESULT SetPeerChannel(IVornPeerChannel* pChannel) = 0;

protected:
  ~IVornPeerChannelHost() = default;
};

#endif
