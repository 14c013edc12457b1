// The scope a store's Reminders search folder had before the add-in first pointed it at the
// Outbox: its container list and search state, kept under
// HKEY_CURRENT_USER\Software\Halvesta\Lumivane Suppression\<store record key hex>. It lies
// outside the add-in's settings tree, so that resetting the settings does not lose it.
#pragma once

#include "mapi/Mapi.h"

#include <string>
#include <string_view>
#include <vector>

class CSuppressionRecord {
public:
    using Binary = std::vector<BYTE>;

    // The record of the store with this record key (hex text, either case).
    explicit CSuppressionRecord(std::string_view storeRecordKeyHex);

    // HKEY_CURRENT_USER\... key of all records.
    static const char* RootKey();

    bool Exists() const;
    // S_OK with the saved scope; MAPI_E_NOT_FOUND without a record; MAPI_E_CORRUPT_DATA when
    // the record cannot be read back (a value of the wrong type, text that is no hex).
    HRESULT Load(std::vector<Binary>& containers, ULONG& searchState) const;
    HRESULT Save(const ENTRYLIST* containers, ULONG searchState) const;
    // Deletes the record (a missing one is no failure) and the root key once it is empty.
    HRESULT Remove() const;

private:
    std::string m_key; // the record key's hex text
};
