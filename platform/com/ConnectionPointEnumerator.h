// The connection points of a container, which it keeps alive while it is in use (internal).
#pragma once

#include "com/ComObject.h"
#include "com/ComPtr.h"
#include "com/ConnectionPoints.h"

#include <vector>

namespace platform::com::detail {

class ConnectionPointEnumerator : public ComObject<ConnectionPointEnumerator, IEnumConnectionPoints> {
public:
    ConnectionPointEnumerator(IUnknown* owner, std::vector<IConnectionPoint*> points, std::size_t position = 0);

    HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** ppEnum) override;

private:
    ComPtr<IUnknown> m_owner;
    std::vector<IConnectionPoint*> m_points;
    std::size_t m_position;
};

} // namespace platform::com::detail
