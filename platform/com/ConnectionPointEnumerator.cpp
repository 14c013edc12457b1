#include "com/ConnectionPointEnumerator.h"

#include <algorithm>

namespace platform::com::detail {

ConnectionPointEnumerator::ConnectionPointEnumerator(IUnknown* owner, std::vector<IConnectionPoint*> points,
                                                     std::size_t position)
    : m_owner(owner), m_points(std::move(points)), m_position(position)
{
}

HRESULT ConnectionPointEnumerator::Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched)
{
    if (!ppCP || (cConnections > 1 && !pcFetched))
        return E_POINTER;
    ULONG fetched = 0;
    while (fetched < cConnections && m_position < m_points.size()) {
        ppCP[fetched] = m_points[m_position++];
        ppCP[fetched]->AddRef();
        ++fetched;
    }
    if (pcFetched)
        *pcFetched = fetched;
    return fetched == cConnections ? S_OK : S_FALSE;
}

HRESULT ConnectionPointEnumerator::Skip(ULONG cConnections)
{
    const std::size_t left = m_points.size() - m_position;
    m_position += std::min<std::size_t>(cConnections, left);
    return cConnections <= left ? S_OK : S_FALSE;
}

HRESULT ConnectionPointEnumerator::Reset()
{
    m_position = 0;
    return S_OK;
}

HRESULT ConnectionPointEnumerator::Clone(IEnumConnectionPoints** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    ConnectionPointEnumerator* clone = nullptr;
    const HRESULT hr = CreateObject(&clone, m_owner.get(), m_points, m_position);
    if (FAILED(hr))
        return hr;
    *ppEnum = clone;
    return S_OK;
}

} // namespace platform::com::detail
