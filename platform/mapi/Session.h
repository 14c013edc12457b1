// Session: IMAPISession on one profile. Opens the profile's stores on demand and keeps them for
// the session's life; usable from any thread.
#pragma once

#include "com/ComPtr.h"
#include "mapi/MapiX.h"
#include "mapi/ProfileRegistry.h"

#include <atomic>
#include <map>
#include <mutex>

namespace mapi {

class Session : public IMAPISession {
public:
    static HRESULT Create(const std::string& profile, ULONG flags, IMAPISession** out);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;

    HRESULT GetLastError(HRESULT hResult, ULONG ulFlags, LPMAPIERROR* lppMAPIError) override;
    HRESULT GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                         LPMDB* lppMDB) override;
    HRESULT OpenAddressBook(ULONG_PTR ulUIParam, LPCIID lpInterface, ULONG ulFlags, IAddrBook** lppAdrBook) override;
    HRESULT OpenProfileSection(LPMAPIUID lpUID, LPCIID lpInterface, ULONG ulFlags, LPPROFSECT* lppProfSect) override;
    HRESULT GetStatusTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                   ULONG* lpulConnection) override;
    HRESULT Unadvise(ULONG ulConnection) override;
    HRESULT MessageOptions(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszAdrType, LPMESSAGE lpMessage) override;
    HRESULT QueryDefaultMessageOpt(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                   LPSPropValue* lppOptions) override;
    HRESULT EnumAdrTypes(ULONG ulFlags, ULONG* lpcAdrTypes, LPTSTR** lpppszAdrTypes) override;
    HRESULT QueryIdentity(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override;
    HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) override;
    HRESULT SetDefaultStore(ULONG ulFlags, ULONG cbEntryID, LPENTRYID lpEntryID) override;
    HRESULT AdminServices(ULONG ulFlags, IMsgServiceAdmin** lppServiceAdmin) override;
    HRESULT ShowForm(ULONG_PTR ulUIParam, LPMDB lpMsgStore, LPMAPIFOLDER lpParentFolder, LPCIID lpInterface,
                     ULONG ulMessageToken, LPMESSAGE lpMessageSent, ULONG ulFlags, ULONG ulMessageStatus,
                     ULONG ulMessageFlags, ULONG ulAccess, LPSTR lpszMessageClass) override;
    HRESULT PrepareForm(LPCIID lpInterface, LPMESSAGE lpMessage, ULONG* lpulMessageToken) override;

    const std::string& profile() const { return m_profile; }
    // Adds a reference unless the last one is already gone (for the shared-session list).
    bool TryAddRef();
    // Called when a session dies: drops it from the shared-session list.
    static void (*s_onDestroy)(Session*);
    bool loggedOff() const { return m_loggedOff; }

private:
    explicit Session(std::string profile) : m_profile(std::move(profile)) {}
    virtual ~Session();
    // The profile's store with this identity, opened for writing (as far as the profile lets the
    // session write it) and kept.
    HRESULT StoreByGuid(const GUID& guid, IMsgStore** out);
    // Opens a store by its entry ID with what the profile lets the session change in it (entry:
    // the profile's record of the store, null for a store outside the profile).
    static HRESULT OpenWithAccess(const void* entryId, std::size_t cb, bool write, const ProfileStore* entry,
                                  IMsgStore** out);

    std::atomic<ULONG> m_refs{1};
    std::recursive_mutex m_mutex;
    std::string m_profile;
    std::atomic<bool> m_loggedOff{false};
    std::map<std::string, ComPtr<IMsgStore>> m_stores; // by record key
};

} // namespace mapi
