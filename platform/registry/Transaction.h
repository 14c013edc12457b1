// One unit of work on the registry database: committed by Commit(), rolled back when the
// object goes out of scope without it. Nested units become savepoints of the outer one.
#pragma once

#include "registry/RegistryDatabase.h"

namespace platform::registry {

class Transaction {
public:
    Transaction(RegistryDatabase& db, bool write) : m_db(db)
    {
        m_db.Begin(write);
        m_active = true;
    }
    ~Transaction()
    {
        if (m_active)
            m_db.Rollback();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit()
    {
        m_db.Commit();
        m_active = false;
    }

private:
    RegistryDatabase& m_db;
    bool m_active = false;
};

} // namespace platform::registry
