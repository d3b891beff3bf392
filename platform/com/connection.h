// Connection points: how an object with events (the source) reaches the
// objects that listen (the sinks). The source answers
// IConnectionPointContainer; each of its outgoing interfaces has one
// IConnectionPoint, through which sinks Advise and Unadvise.
#ifndef PLATFORM_COM_CONNECTION_H
#define PLATFORM_COM_CONNECTION_H

#include <vector>

#include "platform/com/unknown.h"

struct CONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
};
using LPCONNECTDATA = CONNECTDATA*;

struct IConnectionPoint;
struct IConnectionPointContainer;

PLATFORM_DEFINE_IID(IEnumConnections, "B196B287-BAB4-101A-B69C-00AA00341D07");
struct IEnumConnections : IUnknown {
  // Each CONNECTDATA handed out carries a reference that the caller releases.
  virtual HRESULT Next(ULONG count, CONNECTDATA* connections, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** copy) = 0;

protected:
  ~IEnumConnections() = default;
};

PLATFORM_DEFINE_IID(IEnumConnectionPoints, "B196B285-BAB4-101A-B69C-00AA00341D07");
struct IEnumConnectionPoints : IUnknown {
  virtual HRESULT Next(ULONG count, IConnectionPoint** points, ULONG* fetched) = 0;
  virtual HRESULT Skip(ULONG count) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** copy) = 0;

protected:
  ~IEnumConnectionPoints() = default;
};

PLATFORM_DEFINE_IID(IConnectionPoint, "B196B286-BAB4-101A-B69C-00AA00341D07");
struct IConnectionPoint : IUnknown {
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
  // CONNECT_E_CANNOTCONNECT when the sink lacks the outgoing interface.
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // CONNECT_E_NOCONNECTION for a cookie that names no sink.
  virtual HRESULT Unadvise(DWORD cookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;

protected:
  ~IConnectionPoint() = default;
};

PLATFORM_DEFINE_IID(IConnectionPointContainer, "B196B284-BAB4-101A-B69C-00AA00341D07");
struct IConnectionPointContainer : IUnknown {
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
  // CONNECT_E_NOCONNECTION for an interface the object has no point for.
  virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

protected:
  ~IConnectionPointContainer() = default;
};

namespace Platform {
// Enumerators over a snapshot: the connections' and points' references are
// taken here and released with the enumerator.
PLATFORM_API HRESULT CreateConnectionEnumerator(const std::vector<CONNECTDATA>& connections,
                                                IEnumConnections** enumerator);
PLATFORM_API HRESULT CreateConnectionPointEnumerator(const std::vector<IConnectionPoint*>& points,
                                                     IEnumConnectionPoints** enumerator);
} // namespace Platform

#endif
