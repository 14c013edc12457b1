// A snapshot of a connection point's connections; each entry holds a reference to its sink
// (internal).
#pragma once

#include "com/ComObject.h"
#include "com/ConnectionPoints.h"

#include <vector>

namespace platform::com::detail {

class ConnectionEnumerator : public ComObject<ConnectionEnumerator, IEnumConnections> {
public:
    explicit ConnectionEnumerator(std::vector<CONNECTDATA> connections, std::size_t position = 0);
    ~ConnectionEnumerator() override;

    HRESULT STDMETHODCALLTYPE Next(ULONG cConnections, LPCONNECTDATA rgcd, ULONG* pcFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG cConnections) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** ppEnum) override;

private:
    std::vector<CONNECTDATA> m_connections;
    std::size_t m_position;
};

} // namespace platform::com::detail
