// HostSession: the host's MAPI session and what its object model asks of it: the default store,
// its standard folders, objects by entry ID, and the keys as hexadecimal text.
#pragma once

#include "com/ComPtr.h"
#include "mapi/Mapi.h"

#include <string>
#include <vector>

namespace host {

using Binary = std::vector<BYTE>;

// Lower-case hexadecimal text, two digits a byte.
std::string HexText(const BYTE* data, std::size_t size);
std::string HexText(const Binary& data);
// false for text of odd length or with characters that are no hexadecimal digits.
bool ParseHex(std::string_view text, Binary& out);

class HostSession {
public:
    HostSession() = default;
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;
    ~HostSession();

    // Logs on with the named profile, or the default profile when the name is empty.
    HRESULT Logon(const std::string& profile);
    void Logoff();

    IMAPISession* Session() const { return m_session.get(); }
    const std::string& ProfileName() const { return m_profile; }

    // Stores of the session: entry ID, display name, default flag.
    struct StoreInfo {
        Binary entryId;
        std::u16string name;
        bool isDefault = false;
    };
    HRESULT Stores(std::vector<StoreInfo>& stores) const;
    HRESULT OpenStore(const Binary& entryId, ComPtr<IMsgStore>& store) const;
    HRESULT OpenDefaultStore(ComPtr<IMsgStore>& store, Binary& entryId) const;
    // The entry ID of a default folder (olFolder... numbers) of a store.
    HRESULT DefaultFolderId(IMsgStore* store, LONG folderType, Binary& folderId) const;
    // Opens an object by its entry ID (the store is found from the ID; storeId narrows the search).
    HRESULT OpenEntry(const Binary& entryId, const Binary* storeId, ULONG& objectType, ComPtr<IUnknown>& object) const;

private:
    ComPtr<IMAPISession> m_session;
    std::string m_profile;
};

// A binary property of an object ({} when missing).
Binary GetBinaryProp(IMAPIProp* object, ULONG tag);
std::u16string GetTextProp(IMAPIProp* object, ULONG tag);

} // namespace host
