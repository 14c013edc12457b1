// ConnectionPoint: one outgoing interface of a connectable object, with its advised sinks.
// It lives inside its container (ConnectionPointContainerImpl) and shares the container's
// reference count. Events go to every sink through IDispatch::Invoke, so the outgoing
// interface is a dispinterface or a dual interface.
#pragma once

#include "com/ComPtr.h"
#include "com/ConnectionPoints.h"
#include "com/Dispatch.h"

#include <functional>
#include <initializer_list>
#include <mutex>
#include <span>
#include <vector>

class ConnectionPoint : public IConnectionPoint {
public:
    ConnectionPoint(IConnectionPointContainer& container, const IID& iid);
    ConnectionPoint(const ConnectionPoint&) = delete;
    ConnectionPoint& operator=(const ConnectionPoint&) = delete;
    virtual ~ConnectionPoint();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* pIID) override;
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    // CONNECT_E_CANNOTCONNECT when the sink lacks the outgoing interface.
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    // CONNECT_E_NOCONNECTION for a cookie that names no connection.
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD dwCookie) override;
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** ppEnum) override;

    const IID& Iid() const { return m_iid; }
    std::size_t ConnectionCount() const;

    // Calls dispid as a method on every sink advised when the call starts; args are in
    // declaration order. A sink may unadvise (itself or others) while it is called. Returns
    // the number of sinks called (failures of single sinks do not stop the others).
    std::size_t Fire(DISPID dispid, std::span<VARIANT> args = {});
    // The same for sinks of a custom interface: f gets each sink's interface pointer.
    void ForEachSink(const std::function<void(IUnknown*)>& f);

private:
    struct Connection {
        DWORD cookie;
        ComPtr<IUnknown> sink; // the sink's pointer for the outgoing interface
    };
    std::vector<ComPtr<IUnknown>> Snapshot() const;

    IConnectionPointContainer& m_container;
    IID m_iid;
    mutable std::mutex m_mutex;
    std::vector<Connection> m_connections;
    DWORD m_nextCookie = 1;
};
