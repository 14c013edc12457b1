#include "Stores.h"

#include "Store.h"
#include "SyncEngine.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

using Uid = std::array<BYTE, 16>;

// Personal folders.
constexpr Uid kPersonalStore = {0x4E, 0x49, 0x54, 0x41, 0xF9, 0xBF, 0xB8, 0x01,
                                0x00, 0xAA, 0x00, 0x37, 0xD9, 0x6E, 0x00, 0x00};
// Private mailbox, delegate mailbox and public folders of the mail server.
constexpr Uid kPrivateMailbox = {0x54, 0x94, 0xA1, 0xC0, 0x29, 0x7F, 0x10, 0x1B,
                                 0xA5, 0x87, 0x08, 0x00, 0x2B, 0x2A, 0x25, 0x17};
constexpr Uid kDelegateMailbox = {0x9E, 0xB4, 0x77, 0x00, 0x74, 0xE4, 0x11, 0xCE,
                                  0x8C, 0x5E, 0x00, 0xAA, 0x00, 0x42, 0x54, 0xE2};
constexpr Uid kPublicFolders = {0x78, 0xB2, 0xFA, 0x70, 0xAF, 0xF7, 0x11, 0xCD,
                                0x9B, 0xC8, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A};

constexpr Uid kDestinations[] = {kPersonalStore};
constexpr Uid kSources[] = {kPersonalStore, kPrivateMailbox, kDelegateMailbox, kPublicFolders};

} // namespace

bool IsAcceptedProvider(const std::vector<BYTE>& provider, bool bDest)
{
    const std::span<const Uid> list = bDest ? std::span<const Uid>(kDestinations) : std::span<const Uid>(kSources);
    return std::any_of(list.begin(), list.end(), [&](const Uid& uid) {
        return provider.size() == uid.size() && std::memcmp(provider.data(), uid.data(), uid.size()) == 0;
    });
}

CStores::CStores()
{
    TRACE_CTOR("CStores");
}

CStores::~CStores()
{
    TRACE_DTOR("CStores");
}

void CStores::FinalRelease()
{
    if (m_owner)
        m_owner->Forget(static_cast<IStores*>(this));
}

std::span<const DispatchMember> CStores::DispatchMembers()
{
    static const DispatchMember members[] = {
        DispMember<&IStores::Create>("Create", 1, DISPATCH_METHOD),
        DispMember<&IStores::get_Count>("Count", 2, DISPATCH_PROPERTYGET),
        DispMember<&IStores::get_Items>("Items", 3, DISPATCH_PROPERTYGET),
    };
    return members;
}

HRESULT CStores::Create(ISyncEngine* pParent, LONG bDest)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStores::Create", &hr);
    StoreRec* records = nullptr;
    LONG count = 0;
    if (!pParent)
        return hr = E_INVALIDARG;
    m_engine = pParent;
    m_bDest = bDest;
    hr = pParent->GetStoreList(reinterpret_cast<LONG_PTR>(&records), &count);
    if (FAILED(hr)) {
        TRACE_FAILED(GetStoreList, hr);
        return hr;
    }
    m_stores.clear();
    for (LONG i = 0; i < count; ++i) {
        if (IsAcceptedProvider(records[i].provider, bDest != 0))
            m_stores.push_back(&records[i]);
    }
    return hr;
}

HRESULT CStores::get_Count(LONG* pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStores::get_Count", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = static_cast<LONG>(m_stores.size());
    return hr;
}

HRESULT CStores::get_Items(LONG idx, IStore** pVal)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CStores::get_Items", &hr);
    if (!pVal)
        return hr = E_POINTER;
    *pVal = nullptr;
    if (idx < 1 || idx > static_cast<LONG>(m_stores.size()))
        return hr = E_INVALIDARG;
    CStore* store = nullptr;
    hr = CStore::CreateObject(&store);
    if (FAILED(hr))
        return hr;
    hr = store->Create(this, reinterpret_cast<LONG_PTR>(m_stores[idx - 1]), m_bDest);
    if (FAILED(hr)) {
        TRACE_FAILED(Create, hr);
        store->Release();
        return hr;
    }
    *pVal = store;
    return hr;
}
