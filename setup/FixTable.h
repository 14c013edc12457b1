// The rows of registry values that a setup helper writes on install and removes on remove,
// and the rules that pick the rows for a run.
#pragma once

#include "CommandLine.h"
#include "registry/Registry.h"

#include <span>

struct FixRow {
    HKEY root;
    LPCSTR subKey;
    LPCSTR valueName; // rows whose value name is empty are skipped
    LPCSTR data;
    bool client;            // belongs to the client
    bool server;            // belongs to the server
    bool removeOnUninstall; // removed again by "remove"
    bool xpOnly;            // applies on Windows XP only
};

// Install: the row belongs to the type (both: every row).
bool AppliesOnInstall(const FixRow& row, FixType type);

// Remove: rows with the remove flag that belong to the type, keeping those that the other
// side of the product, while installed, shares (both: every row with the remove flag).
bool AppliesOnRemove(const FixRow& row, FixType type, bool clientInstalled, bool serverInstalled);

// Writes (RegSetString) the rows that apply on install, in order. XP-only rows count only
// when isXP; rows with an empty value name are skipped. Failures are logged and the loop
// goes on.
void InstallRows(std::span<const FixRow> table, FixType type, bool isXP);

// Removes (RegRemoveVal) the rows that apply on remove, in order, under the same conditions.
void RemoveRows(std::span<const FixRow> table, FixType type, bool isXP, bool clientInstalled, bool serverInstalled);
