#include "FixTable.h"

#include "RegistryLog.h"

bool AppliesOnInstall(const FixRow& row, FixType type)
{
    switch (type) {
    case FixType::Client: return row.client;
    case FixType::Server: return row.server;
    case FixType::Both: return true;
    case FixType::None: break;
    }
    return false;
}

bool AppliesOnRemove(const FixRow& row, FixType type, bool clientInstalled, bool serverInstalled)
{
    if (!row.removeOnUninstall)
        return false;
    switch (type) {
    case FixType::Server: return row.server && !(row.client && clientInstalled);
    case FixType::Client: return row.client && !(row.server && serverInstalled);
    case FixType::Both: return true;
    case FixType::None: break;
    }
    return false;
}

namespace {

bool Usable(const FixRow& row, bool isXP)
{
    return (!row.xpOnly || isXP) && row.valueName && row.valueName[0] != '\0';
}

} // namespace

void InstallRows(std::span<const FixRow> table, FixType type, bool isXP)
{
    for (const FixRow& row : table)
        if (AppliesOnInstall(row, type) && Usable(row, isXP))
            RegSetString(row.root, row.subKey, row.valueName, row.data);
}

void RemoveRows(std::span<const FixRow> table, FixType type, bool isXP, bool clientInstalled, bool serverInstalled)
{
    for (const FixRow& row : table)
        if (AppliesOnRemove(row, type, clientInstalled, serverInstalled) && Usable(row, isXP))
            RegRemoveVal(row.root, row.subKey, row.valueName);
}
