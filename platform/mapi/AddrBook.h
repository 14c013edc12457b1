// AddrBook: the session's address book. It has no directories of its own: recipients are
// one-off addresses, made with CreateOneOff or found by ResolveName from typed SMTP addresses.
// It shows no dialogs; calls that would need one report MAPI_E_NO_SUPPORT.
#pragma once

#include "mapi/PropObject.h"

namespace mapi {

class AddrBook : public PropObject<IAddrBook> {
public:
    static HRESULT Create(IAddrBook** out);

    HRESULT SaveChanges(ULONG) override { return MAPI_E_NO_SUPPORT; }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk) override;
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                   LPSPropProblemArray*) override;

    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                   ULONG* lpulConnection) override;
    HRESULT Unadvise(ULONG ulConnection) override;
    HRESULT CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags, ULONG* lpcbEntryID,
                         LPENTRYID* lppEntryID) override;
    HRESULT NewEntry(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG cbEIDContainer, LPENTRYID lpEIDContainer,
                     ULONG cbEIDNewEntryTpl, LPENTRYID lpEIDNewEntryTpl, ULONG* lpcbEIDNewEntry,
                     LPENTRYID* lppEIDNewEntry) override;
    HRESULT ResolveName(ULONG_PTR ulUIParam, ULONG ulFlags, LPTSTR lpszNewEntryTitle, LPADRLIST lpAdrList) override;
    HRESULT Address(ULONG_PTR* lpulUIParam, LPADRPARM lpAdrParms, LPADRLIST* lppAdrList) override;
    HRESULT Details(ULONG_PTR* lpulUIParam, LPFNDISMISS lpfnDismiss, LPVOID lpvDismissContext, ULONG cbEntryID,
                    LPENTRYID lpEntryID, LPFNBUTTON lpfButtonCallback, LPVOID lpvButtonContext, LPTSTR lpszButtonText,
                    ULONG ulFlags) override;
    HRESULT RecipOptions(ULONG_PTR ulUIParam, ULONG ulFlags, LPADRENTRY lpRecip) override;
    HRESULT QueryDefaultRecipOpt(LPTSTR lpszAdrType, ULONG ulFlags, ULONG* lpcValues,
                                 LPSPropValue* lppOptions) override;
    HRESULT GetPAB(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override;
    HRESULT SetPAB(ULONG cbEntryID, LPENTRYID lpEntryID) override;
    HRESULT GetDefaultDir(ULONG* lpcbEntryID, LPENTRYID* lppEntryID) override;
    HRESULT SetDefaultDir(ULONG cbEntryID, LPENTRYID lpEntryID) override;
    HRESULT GetSearchPath(ULONG ulFlags, LPSRowSet* lppSearchPath) override;
    HRESULT SetSearchPath(ULONG ulFlags, LPSRowSet lpSearchPath) override;
    HRESULT PrepareRecips(ULONG ulFlags, LPSPropTagArray lpPropTagArray, LPADRLIST lpRecipList) override;

protected:
    bool Supports(REFIID riid) const override { return IsEqualIID(riid, IID_IAddrBook); }
    HRESULT CurrentProps(PropMap& out) override
    {
        out = PropMap();
        return S_OK;
    }
    HRESULT WriteProps(const std::vector<PropValue>&) override { return MAPI_E_NO_ACCESS; }
    HRESULT RemoveProps(const std::vector<ULONG>&) override { return MAPI_E_NO_ACCESS; }
    bool IsComputed(ULONG) const override { return false; }
    bool Writable() const override { return false; }
    StoreFile* File() const override { return nullptr; }

private:
    AddrBook() = default;
};

} // namespace mapi
