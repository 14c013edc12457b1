#include "registry/RegistryBatch.h"

#include "base/WinError.h"
#include "registry/RegistryStore.h"

namespace platform::registry {

RegistryBatch::RegistryBatch() : m_status(RegistryStore::Instance().BeginBatch())
{
    m_open = m_status == ERROR_SUCCESS;
}

RegistryBatch::~RegistryBatch()
{
    if (m_open)
        RegistryStore::Instance().EndBatch(false);
}

LONG RegistryBatch::Commit()
{
    if (!m_open)
        return m_status == ERROR_SUCCESS ? ERROR_INVALID_FUNCTION : m_status;
    m_open = false;
    return RegistryStore::Instance().EndBatch(true);
}

} // namespace platform::registry
