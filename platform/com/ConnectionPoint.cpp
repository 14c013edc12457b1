#include "com/ConnectionPoint.h"

#include "com/ConnectionEnumerator.h"

#include <algorithm>

using platform::com::detail::ConnectionEnumerator;

ConnectionPoint::ConnectionPoint(IConnectionPointContainer& container, const IID& iid)
    : m_container(container), m_iid(iid)
{
}

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_OF(IConnectionPoint))) {
        *ppv = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The connection point is part of its container and lives as long as it does.
ULONG ConnectionPoint::AddRef()
{
    return m_container.AddRef();
}

ULONG ConnectionPoint::Release()
{
    return m_container.Release();
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* pIID)
{
    if (!pIID)
        return E_POINTER;
    *pIID = m_iid;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** ppCPC)
{
    if (!ppCPC)
        return E_POINTER;
    *ppCPC = &m_container;
    m_container.AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* pUnkSink, DWORD* pdwCookie)
{
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_POINTER;
    ComPtr<IUnknown> sink;
    if (FAILED(pUnkSink->QueryInterface(m_iid, sink.put_void())) || !sink)
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(m_mutex);
    const DWORD cookie = m_nextCookie++;
    if (m_nextCookie == 0)
        m_nextCookie = 1;
    m_connections.push_back({cookie, std::move(sink)});
    *pdwCookie = cookie;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD dwCookie)
{
    ComPtr<IUnknown> released; // released after the lock is dropped: the sink may call back
    {
        std::lock_guard lock(m_mutex);
        auto it = std::find_if(m_connections.begin(), m_connections.end(),
                               [dwCookie](const Connection& c) { return c.cookie == dwCookie; });
        if (dwCookie == 0 || it == m_connections.end())
            return CONNECT_E_NOCONNECTION;
        released = std::move(it->sink);
        m_connections.erase(it);
    }
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    std::vector<CONNECTDATA> data;
    {
        std::lock_guard lock(m_mutex);
        for (const Connection& c : m_connections) {
            c.sink->AddRef();
            data.push_back({c.sink.get(), c.cookie});
        }
    }
    ConnectionEnumerator* enumerator = nullptr;
    const HRESULT hr = ConnectionEnumerator::CreateObject(&enumerator, std::move(data));
    if (FAILED(hr))
        return hr;
    *ppEnum = enumerator;
    return S_OK;
}

std::size_t ConnectionPoint::ConnectionCount() const
{
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Snapshot() const
{
    std::lock_guard lock(m_mutex);
    std::vector<ComPtr<IUnknown>> sinks;
    sinks.reserve(m_connections.size());
    for (const Connection& c : m_connections)
        sinks.push_back(c.sink);
    return sinks;
}

std::size_t ConnectionPoint::Fire(DISPID dispid, std::span<VARIANT> args)
{
    // COM passes arguments last first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    std::size_t called = 0;
    for (const ComPtr<IUnknown>& sink : Snapshot()) {
        // The pointer for a dispinterface or dual interface is an IDispatch.
        auto* dispatch = reinterpret_cast<IDispatch*>(sink.get());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        ++called;
    }
    return called;
}

void ConnectionPoint::ForEachSink(const std::function<void(IUnknown*)>& f)
{
    for (const ComPtr<IUnknown>& sink : Snapshot())
        f(sink.get());
}
