#include "FolderPath.h"

#include "EnginePtr.h"

#include "com/ComPtr.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <cstdlib>
#include <cstring>

namespace {

// Far deeper than any folder hierarchy a store provider allows; a longer parent chain is a cycle.
constexpr int kMaxFolderDepth = 256;

HRESULT AppendParentPathAt(IMsgStore* store, IMAPIFolder* folder, std::string& path, const SBinary& ipmSubtree,
                           int depth)
{
    if (depth > kMaxFolderDepth)
        return MAPI_E_FOLDER_CYCLE;
    SizedSPropTagArray(3, tags) = {3, {PR_PARENT_ENTRYID, PR_ENTRYID, PR_DISPLAY_NAME_A}};
    ULONG count = 0;
    LPSPropValue props = nullptr;
    HRESULT hr = folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &props);
    if (FAILED(hr))
        return hr;
    if (count != 3 || props[0].ulPropTag != PR_PARENT_ENTRYID || props[1].ulPropTag != PR_ENTRYID) {
        MAPIFreeBuffer(props);
        return MAPI_E_NOT_FOUND;
    }
    const SBinary& parent = props[0].Value.bin;
    const SBinary& self = props[1].Value.bin;

    ULONG equal = FALSE;
    hr = store->CompareEntryIDs(self.cb, reinterpret_cast<LPENTRYID>(self.lpb), ipmSubtree.cb,
                                reinterpret_cast<LPENTRYID>(ipmSubtree.lpb), 0, &equal);
    if (SUCCEEDED(hr) && !equal) {
        // The store's root is its own parent: the walk left the IPM subtree without meeting it.
        ULONG selfParent = FALSE;
        hr = store->CompareEntryIDs(self.cb, reinterpret_cast<LPENTRYID>(self.lpb), parent.cb,
                                    reinterpret_cast<LPENTRYID>(parent.lpb), 0, &selfParent);
        if (SUCCEEDED(hr) && selfParent)
            hr = MAPI_E_NOT_FOUND;
        if (SUCCEEDED(hr)) {
            ULONG type = 0;
            ComPtr<IUnknown> unknown;
            hr = store->OpenEntry(parent.cb, reinterpret_cast<LPENTRYID>(parent.lpb), nullptr, 0, &type,
                                  unknown.put());
            ComPtr<IMAPIFolder> parentFolder;
            if (SUCCEEDED(hr))
                hr = unknown.As(parentFolder);
            if (SUCCEEDED(hr))
                hr = AppendParentPathAt(store, parentFolder.get(), path, ipmSubtree, depth + 1);
        }
    }
    if (SUCCEEDED(hr)) {
        if (path.empty())
            path.assign(1, '*');
        else
            path += std::string("/") + (PROP_TYPE(props[2].ulPropTag) == PT_STRING8 ? props[2].Value.lpszA : "");
    }
    MAPIFreeBuffer(props);
    return hr;
}

std::string PathBelowSubtree(IMAPIFolder* folder, IStore* store)
{
    if (!folder || !store)
        return {};
    SBinary subtree{};
    HRESULT hr = GetIpmSubtreeEntryId(store, &subtree);
    std::string path;
    if (SUCCEEDED(hr)) {
        ComPtr<IUnknown> mdb;
        ComPtr<IMsgStore> msgStore;
        hr = store->get_MDB(mdb.put());
        if (SUCCEEDED(hr))
            hr = mdb.As(msgStore);
        if (SUCCEEDED(hr))
            hr = AppendParentPath(msgStore.get(), folder, path, subtree);
    }
    std::free(subtree.lpb);
    return FAILED(hr) ? std::string() : path;
}

} // namespace

HRESULT CopySBinary(SBinary* dest, const SBinary* source, LPVOID parent)
{
    dest->cb = source->cb;
    dest->lpb = nullptr;
    if (source->cb == 0)
        return S_OK;
    LPVOID bytes = nullptr;
    const HRESULT hr = parent ? MAPIAllocateMore(source->cb, parent, &bytes) : MAPIAllocateBuffer(source->cb, &bytes);
    if (SUCCEEDED(hr)) {
        std::memcpy(bytes, source->lpb, source->cb);
        dest->lpb = static_cast<LPBYTE>(bytes);
    }
    return hr;
}

HRESULT GetIpmSubtreeEntryId(IStore* store, SBinary* entryId)
{
    entryId->cb = 0;
    entryId->lpb = nullptr;
    if (!store)
        return E_POINTER;
    ComPtr<IUnknown> mdb;
    HRESULT hr = store->get_MDB(mdb.put());
    ComPtr<IMsgStore> msgStore;
    if (SUCCEEDED(hr))
        hr = mdb.As(msgStore);
    LPSPropValue prop = nullptr;
    if (SUCCEEDED(hr))
        hr = HrGetOneProp(msgStore.get(), PR_IPM_SUBTREE_ENTRYID, &prop);
    if (SUCCEEDED(hr)) {
        entryId->lpb = static_cast<LPBYTE>(std::malloc(prop->Value.bin.cb ? prop->Value.bin.cb : 1));
        if (!entryId->lpb) {
            hr = E_OUTOFMEMORY;
        } else {
            entryId->cb = prop->Value.bin.cb;
            std::memcpy(entryId->lpb, prop->Value.bin.lpb, prop->Value.bin.cb);
        }
    }
    MAPIFreeBuffer(prop);
    return hr;
}

HRESULT AppendParentPath(IMsgStore* store, IMAPIFolder* folder, std::string& path, const SBinary& ipmSubtree)
{
    if (!store || !folder)
        return E_POINTER;
    return AppendParentPathAt(store, folder, path, ipmSubtree, 0);
}

std::string GetFolderPath(IMAPIFolder* folder, IStore* store) { return PathBelowSubtree(folder, store); }

std::string GetLinkFolderPath(IFolder* folder, IStore* store)
{
    if (!folder || !store)
        return {};
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIFolder> mapiFolder;
    if (FAILED(folder->get_MAPIFolder(unknown.put())) || FAILED(unknown.As(mapiFolder)))
        return {};
    return PathBelowSubtree(mapiFolder.get(), store);
}
