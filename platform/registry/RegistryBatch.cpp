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
        RegistryStore::Instance().EndBatch();
}

LONG RegistryBatch::Commit()
{
    if (!m_open)
        return m_status;
    const LONG rc = RegistryStore::Instance().CommitBatch();
    RegistryStore::Instance().EndBatch();
    m_open = false;
    return rc;
}

} // namespace platform::registry
