// ConnectionPointContainerImpl: IConnectionPointContainer for a connectable object. List it
// among the class's interfaces and add one connection point per outgoing interface in the
// constructor:
//   class CAccount : public ComObject<CAccount, DispatchImpl<CAccount, IAccount>,
//                                     ConnectionPointContainerImpl> {
//       CAccount() { m_events = &AddConnectionPoint(DIID_AccountEvents); }
//       ... m_events->Fire(1, args);
#pragma once

#include "com/ConnectionPoint.h"

#include <memory>
#include <vector>

class ConnectionPointContainerImpl : public IConnectionPointContainer {
public:
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    // CONNECT_E_NOCONNECTION when the object has no connection point for riid.
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

protected:
    ConnectionPointContainerImpl();
    ~ConnectionPointContainerImpl();
    ConnectionPointContainerImpl(const ConnectionPointContainerImpl&) = delete;
    ConnectionPointContainerImpl& operator=(const ConnectionPointContainerImpl&) = delete;

    ConnectionPoint& AddConnectionPoint(const IID& iid);
    // The connection point of iid, or null.
    ConnectionPoint* GetConnectionPoint(const IID& iid) const;

private:
    std::vector<std::unique_ptr<ConnectionPoint>> m_points;
};

template <>
struct IidTraits<ConnectionPointContainerImpl> : IidTraits<IConnectionPointContainer> {};
