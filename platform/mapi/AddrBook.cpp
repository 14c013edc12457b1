#include "mapi/AddrBook.h"

#include "base/Utf.h"
#include "mapi/FixedPropObject.h"
#include "mapi/OneOffAddress.h"

#include <cstring>
#include <set>

namespace mapi {

namespace {

std::u16string Text(LPTSTR p, bool unicode)
{
    if (!p)
        return {};
    return unicode ? std::u16string(reinterpret_cast<const char16_t*>(p)) : platform::Utf8ToUtf16(p);
}

std::u16string CaseFolded(std::u16string s)
{
    for (auto& c : s)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c + 32);
    return s;
}

const SPropValue* FindId(const ADRENTRY& e, ULONG id)
{
    for (ULONG i = 0; e.lpProps && i < e.cValues; ++i)
        if (PROP_ID(e.lpProps[i].ulPropTag) == id && PROP_TYPE(e.lpProps[i].ulPropTag) != PT_ERROR)
            return &e.lpProps[i];
    return nullptr;
}

// Replaces the entry's value block: its own values that `add` does not name, then `add`'s
// (only the tags of `only` when given), with strings in the width asked for.
HRESULT MergeInto(ADRENTRY& e, const PropMap& add, bool unicode, const SPropTagArray* only = nullptr)
{
    std::set<ULONG> ids;
    std::vector<const PropValue*> adding;
    for (const auto& v : add) {
        if (only) {
            bool wanted = false;
            for (ULONG i = 0; i < only->cValues; ++i)
                wanted = wanted || PROP_ID(only->aulPropTag[i]) == v.id();
            if (!wanted)
                continue;
        }
        ids.insert(v.id());
        adding.push_back(&v);
    }
    std::vector<const SPropValue*> keep;
    for (ULONG i = 0; e.lpProps && i < e.cValues; ++i)
        if (!ids.contains(PROP_ID(e.lpProps[i].ulPropTag)))
            keep.push_back(&e.lpProps[i]);
    const std::size_t n = keep.size() + adding.size();
    void* block = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * (n ? n : 1)), &block);
    if (FAILED(hr))
        return hr;
    auto* vals = static_cast<LPSPropValue>(block);
    std::memset(vals, 0, sizeof(SPropValue) * (n ? n : 1));
    std::size_t k = 0;
    for (const SPropValue* v : keep) {
        if (FAILED(hr = PropCopyMore(&vals[k++], const_cast<LPSPropValue>(v), MAPIAllocateMore, block)))
            break;
    }
    for (const PropValue* v : adding) {
        if (FAILED(hr))
            break;
        hr = v->ToSPropValue(v->ReportedTag(unicode), vals[k++], block);
    }
    if (FAILED(hr)) {
        MAPIFreeBuffer(block);
        return hr;
    }
    MAPIFreeBuffer(e.lpProps);
    e.lpProps = vals;
    e.cValues = static_cast<ULONG>(n);
    return S_OK;
}

// The one-off an entry stands for: from its entry ID, or from a typed SMTP address in its
// display name (or its e-mail address).
bool EntryAddress(const ADRENTRY& e, OneOffAddress& out, bool& hadEntryId)
{
    hadEntryId = false;
    if (const SPropValue* eid = FindId(e, PROP_ID(PR_ENTRYID))) {
        hadEntryId = true;
        return OneOffAddress::Parse(eid->Value.bin.lpb, eid->Value.bin.cb, out);
    }
    for (ULONG id : {PROP_ID(PR_DISPLAY_NAME), PROP_ID(PR_EMAIL_ADDRESS)}) {
        const SPropValue* v = FindId(e, id);
        if (!v)
            continue;
        const std::u16string text = PROP_TYPE(v->ulPropTag) == PT_UNICODE ? std::u16string(v->Value.lpszW)
                                    : PROP_TYPE(v->ulPropTag) == PT_STRING8 ? platform::Utf8ToUtf16(v->Value.lpszA)
                                                                            : std::u16string();
        if (OneOffAddress::FromSmtpText(text, out)) {
            // A display name that is not the address itself stays the recipient's name.
            const SPropValue* name = FindId(e, PROP_ID(PR_DISPLAY_NAME));
            if (id == PROP_ID(PR_EMAIL_ADDRESS) && name)
                out.name = PROP_TYPE(name->ulPropTag) == PT_UNICODE ? std::u16string(name->Value.lpszW)
                                                                     : platform::Utf8ToUtf16(name->Value.lpszA);
            return true;
        }
    }
    return false;
}

} // namespace

HRESULT AddrBook::Create(IAddrBook** out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    auto* book = new (std::nothrow) AddrBook();
    if (!book)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    *out = book;
    return S_OK;
}

HRESULT AddrBook::OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN* lppUnk)
{
    if (lppUnk)
        *lppUnk = nullptr;
    return MAPI_E_NO_SUPPORT;
}

HRESULT AddrBook::CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,
                         LPSPropProblemArray*)
{
    return MAPI_E_NO_SUPPORT;
}

HRESULT AddrBook::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG, ULONG* lpulObjType,
                            LPUNKNOWN* lppUnk)
{
    if (!lppUnk || !lpulObjType)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    OneOffAddress address;
    if (!lpEntryID || !OneOffAddress::Parse(lpEntryID, cbEntryID, address))
        return MAPI_E_UNKNOWN_ENTRYID; // no directories: only one-off entries open
    if (lpInterface && !IsEqualIID(*lpInterface, IID_IMailUser) && !IsEqualIID(*lpInterface, IID_IMAPIProp) &&
        !IsEqualIID(*lpInterface, IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    IMailUser* user = nullptr;
    HRESULT hr = FixedPropObject<IMailUser>::Create(address.Props(), MAPI_E_NO_ACCESS, &user);
    if (FAILED(hr))
        return hr;
    *lpulObjType = MAPI_MAILUSER;
    *lppUnk = user;
    return S_OK;
}

HRESULT AddrBook::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                  ULONG, ULONG* lpulResult)
{
    if (!lpulResult || !lpEntryID1 || !lpEntryID2)
        return MAPI_E_INVALID_PARAMETER;
    OneOffAddress a, b;
    if (OneOffAddress::Parse(lpEntryID1, cbEntryID1, a) && OneOffAddress::Parse(lpEntryID2, cbEntryID2, b)) {
        // One-offs name the same recipient when type and address agree (ignoring case).
        *lpulResult = CaseFolded(a.type) == CaseFolded(b.type) && CaseFolded(a.address) == CaseFolded(b.address);
        return S_OK;
    }
    *lpulResult = cbEntryID1 == cbEntryID2 && std::memcmp(lpEntryID1, lpEntryID2, cbEntryID1) == 0;
    return S_OK;
}

// The address book has no entries that change.
HRESULT AddrBook::Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) { return MAPI_E_NO_SUPPORT; }
HRESULT AddrBook::Unadvise(ULONG) { return MAPI_E_NOT_FOUND; }

HRESULT AddrBook::CreateOneOff(LPTSTR lpszName, LPTSTR lpszAdrType, LPTSTR lpszAddress, ULONG ulFlags,
                               ULONG* lpcbEntryID, LPENTRYID* lppEntryID)
{
    if (!lpszAdrType || !lpszAddress || !lpcbEntryID || !lppEntryID)
        return MAPI_E_INVALID_PARAMETER;
    if (ulFlags & ~(MAPI_UNICODE | MAPI_SEND_NO_RICH_INFO))
        return MAPI_E_UNKNOWN_FLAGS;
    const bool unicode = ulFlags & MAPI_UNICODE;
    OneOffAddress a{Text(lpszName, unicode), Text(lpszAdrType, unicode), Text(lpszAddress, unicode),
                    (ulFlags & MAPI_SEND_NO_RICH_INFO) != 0};
    if (a.type.empty() || a.address.empty())
        return MAPI_E_INVALID_PARAMETER;
    const Bytes eid = a.EntryId();
    void* p = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(eid.size()), &p);
    if (FAILED(hr))
        return hr;
    std::memcpy(p, eid.data(), eid.size());
    *lpcbEntryID = static_cast<ULONG>(eid.size());
    *lppEntryID = static_cast<LPENTRYID>(p);
    return S_OK;
}

HRESULT AddrBook::NewEntry(ULONG_PTR, ULONG, ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG*, LPENTRYID*)
{
    return MAPI_E_NO_SUPPORT; // needs the new-entry dialog
}

HRESULT AddrBook::ResolveName(ULONG_PTR, ULONG ulFlags, LPTSTR, LPADRLIST lpAdrList)
{
    if (!lpAdrList)
        return MAPI_E_INVALID_PARAMETER;
    const bool unicode = ulFlags & MAPI_UNICODE;
    bool unresolved = false;
    for (ULONG i = 0; i < lpAdrList->cRows; ++i) {
        ADRENTRY& e = lpAdrList->aRow[i];
        if (!e.lpProps)
            continue; // an empty entry is skipped, as the caller left it
        OneOffAddress address;
        bool hadEntryId = false;
        if (!EntryAddress(e, address, hadEntryId)) {
            unresolved = unresolved || !hadEntryId; // an entry ID of another provider stays as it is
            continue;
        }
        HRESULT hr = MergeInto(e, address.Props(), unicode);
        if (FAILED(hr))
            return hr;
    }
    return unresolved ? MAPI_E_NOT_FOUND : S_OK;
}

HRESULT AddrBook::Address(ULONG_PTR*, LPADRPARM, LPADRLIST*) { return MAPI_E_NO_SUPPORT; }

HRESULT AddrBook::Details(ULONG_PTR*, LPFNDISMISS, LPVOID, ULONG, LPENTRYID, LPFNBUTTON, LPVOID, LPTSTR, ULONG)
{
    return MAPI_E_NO_SUPPORT;
}

HRESULT AddrBook::RecipOptions(ULONG_PTR, ULONG, LPADRENTRY) { return MAPI_E_NO_SUPPORT; }

HRESULT AddrBook::QueryDefaultRecipOpt(LPTSTR, ULONG, ULONG* lpcValues, LPSPropValue* lppOptions)
{
    if (!lpcValues || !lppOptions)
        return MAPI_E_INVALID_PARAMETER;
    // SMTP recipients have no per-recipient options.
    *lpcValues = 0;
    *lppOptions = nullptr;
    return S_OK;
}

HRESULT AddrBook::GetPAB(ULONG* lpcbEntryID, LPENTRYID* lppEntryID)
{
    if (!lpcbEntryID || !lppEntryID)
        return MAPI_E_INVALID_PARAMETER;
    *lpcbEntryID = 0; // there is no personal address book
    *lppEntryID = nullptr;
    return S_OK;
}

HRESULT AddrBook::SetPAB(ULONG, LPENTRYID) { return MAPI_E_NOT_FOUND; }

HRESULT AddrBook::GetDefaultDir(ULONG* lpcbEntryID, LPENTRYID* lppEntryID)
{
    if (!lpcbEntryID || !lppEntryID)
        return MAPI_E_INVALID_PARAMETER;
    *lpcbEntryID = 0;
    *lppEntryID = nullptr;
    return MAPI_E_NOT_FOUND;
}

HRESULT AddrBook::SetDefaultDir(ULONG, LPENTRYID) { return MAPI_E_NOT_FOUND; }

HRESULT AddrBook::GetSearchPath(ULONG, LPSRowSet* lppSearchPath)
{
    if (!lppSearchPath)
        return MAPI_E_INVALID_PARAMETER;
    void* p = nullptr;
    HRESULT hr = MAPIAllocateBuffer(static_cast<ULONG>(CbNewSRowSet(1)), &p);
    if (FAILED(hr))
        return hr;
    static_cast<LPSRowSet>(p)->cRows = 0; // no containers to search
    *lppSearchPath = static_cast<LPSRowSet>(p);
    return S_OK;
}

HRESULT AddrBook::SetSearchPath(ULONG, LPSRowSet lpSearchPath)
{
    if (!lpSearchPath)
        return MAPI_E_INVALID_PARAMETER;
    return lpSearchPath->cRows == 0 ? S_OK : MAPI_E_NOT_FOUND;
}

HRESULT AddrBook::PrepareRecips(ULONG ulFlags, LPSPropTagArray lpPropTagArray, LPADRLIST lpRecipList)
{
    if (!lpRecipList)
        return MAPI_E_INVALID_PARAMETER;
    const bool unicode = ulFlags & MAPI_UNICODE;
    for (ULONG i = 0; i < lpRecipList->cRows; ++i) {
        ADRENTRY& e = lpRecipList->aRow[i];
        const SPropValue* eid = FindId(e, PROP_ID(PR_ENTRYID));
        OneOffAddress address;
        if (!eid || !OneOffAddress::Parse(eid->Value.bin.lpb, eid->Value.bin.cb, address))
            return MAPI_E_NOT_FOUND; // every entry must be resolved first
        HRESULT hr = MergeInto(e, address.Props(), unicode, lpPropTagArray);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

} // namespace mapi
