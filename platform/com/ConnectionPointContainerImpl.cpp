#include "com/ConnectionPointContainerImpl.h"

#include "com/ConnectionPointEnumerator.h"

using platform::com::detail::ConnectionPointEnumerator;

ConnectionPointContainerImpl::ConnectionPointContainerImpl() = default;
ConnectionPointContainerImpl::~ConnectionPointContainerImpl() = default;

ConnectionPoint& ConnectionPointContainerImpl::AddConnectionPoint(const IID& iid)
{
    m_points.push_back(std::make_unique<ConnectionPoint>(*this, iid));
    return *m_points.back();
}

ConnectionPoint* ConnectionPointContainerImpl::GetConnectionPoint(const IID& iid) const
{
    for (const auto& point : m_points) {
        if (IsEqualIID(point->Iid(), iid))
            return point.get();
    }
    return nullptr;
}

HRESULT ConnectionPointContainerImpl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP)
{
    if (!ppCP)
        return E_POINTER;
    *ppCP = GetConnectionPoint(riid);
    if (!*ppCP)
        return CONNECT_E_NOCONNECTION;
    (*ppCP)->AddRef();
    return S_OK;
}

HRESULT ConnectionPointContainerImpl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    std::vector<IConnectionPoint*> points;
    for (const auto& point : m_points)
        points.push_back(point.get());
    ConnectionPointEnumerator* enumerator = nullptr;
    const HRESULT hr = ConnectionPointEnumerator::CreateObject(&enumerator, this, std::move(points));
    if (FAILED(hr))
        return hr;
    *ppEnum = enumerator;
    return S_OK;
}
