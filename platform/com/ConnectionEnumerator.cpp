#include "com/ConnectionEnumerator.h"

#include <algorithm>

namespace platform::com::detail {

ConnectionEnumerator::ConnectionEnumerator(std::vector<CONNECTDATA> connections, std::size_t position)
    : m_connections(std::move(connections)), m_position(position)
{
}

ConnectionEnumerator::~ConnectionEnumerator()
{
    for (CONNECTDATA& c : m_connections)
        c.pUnk->Release();
}

HRESULT ConnectionEnumerator::Next(ULONG cConnections, LPCONNECTDATA rgcd, ULONG* pcFetched)
{
    if (!rgcd || (cConnections > 1 && !pcFetched))
        return E_POINTER;
    ULONG fetched = 0;
    while (fetched < cConnections && m_position < m_connections.size()) {
        rgcd[fetched] = m_connections[m_position++];
        rgcd[fetched].pUnk->AddRef();
        ++fetched;
    }
    if (pcFetched)
        *pcFetched = fetched;
    return fetched == cConnections ? S_OK : S_FALSE;
}

HRESULT ConnectionEnumerator::Skip(ULONG cConnections)
{
    const std::size_t left = m_connections.size() - m_position;
    m_position += std::min<std::size_t>(cConnections, left);
    return cConnections <= left ? S_OK : S_FALSE;
}

HRESULT ConnectionEnumerator::Reset()
{
    m_position = 0;
    return S_OK;
}

HRESULT ConnectionEnumerator::Clone(IEnumConnections** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    for (CONNECTDATA& c : m_connections)
        c.pUnk->AddRef();
    ConnectionEnumerator* clone = nullptr;
    const HRESULT hr = CreateObject(&clone, m_connections, m_position);
    if (FAILED(hr)) {
        for (CONNECTDATA& c : m_connections)
            c.pUnk->Release();
        return hr;
    }
    *ppEnum = clone;
    return S_OK;
}

} // namespace platform::com::detail
