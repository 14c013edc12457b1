#include "FolderSearch.h"

#include "com/ComBstr.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// PR_PARENT_ENTRYID of an engine folder, as bytes.
HRESULT ParentEntryId(IFolder* folder, std::string& parent)
{
    ComPtr<IUnknown> unknown;
    HRESULT hr = folder->get_MAPIFolder(unknown.put());
    ComPtr<IMAPIFolder> mapiFolder;
    if (SUCCEEDED(hr))
        hr = unknown.As(mapiFolder);
    LPSPropValue prop = nullptr;
    if (SUCCEEDED(hr))
        hr = HrGetOneProp(mapiFolder.get(), PR_PARENT_ENTRYID, &prop);
    if (SUCCEEDED(hr))
        parent.assign(reinterpret_cast<const char*>(prop->Value.bin.lpb), prop->Value.bin.cb);
    MAPIFreeBuffer(prop);
    return hr;
}

// The items of a collection whose parent entry ID is `parent` (or, when `parent` is null, the
// first item's parent).
HRESULT FoldersWithParent(IFolders* folders, const std::string* parent, FolderList& out)
{
    out.clear();
    LONG count = 0;
    HRESULT hr = folders->get_Count(&count);
    if (FAILED(hr))
        return hr;
    std::string wanted = parent ? *parent : std::string();
    bool haveWanted = parent != nullptr;
    for (LONG i = 1; i <= count; ++i) {
        CEnginePtr<IFolder> folder;
        hr = folders->get_Items(i, folder.put());
        if (FAILED(hr))
            return hr;
        std::string itemParent;
        hr = ParentEntryId(folder.get(), itemParent);
        if (FAILED(hr))
            return hr;
        if (!haveWanted) {
            wanted = itemParent;
            haveWanted = true;
        }
        if (itemParent == wanted)
            out.push_back(folder);
    }
    return S_OK;
}

std::string RecordKeyOf(IFolder* folder, HRESULT& hr)
{
    ComBstr key;
    hr = folder->get_RecordKey(key.put());
    return SUCCEEDED(hr) ? key.Utf8() : std::string();
}

// Depth-first over a list of siblings and, below each, its children.
CEnginePtr<IFolder> FindInList(const FolderList& list, const std::string& key, HRESULT& hr,
                               std::vector<std::string>* names)
{
    for (const CEnginePtr<IFolder>& folder : list) {
        const std::string folderKey = RecordKeyOf(folder.get(), hr);
        if (FAILED(hr))
            return {};
        if (folderKey == key) {
            if (names) {
                ComBstr name;
                hr = folder->get_Name(name.put());
                if (FAILED(hr))
                    return {};
                names->push_back(name.Utf8());
            }
            hr = S_OK;
            return folder;
        }
        LONG hasFolders = 0;
        hr = folder->get_HasFolders(&hasFolders);
        if (FAILED(hr))
            return {};
        if (!hasFolders)
            continue;
        FolderList children;
        hr = ChildFolders(folder.get(), children);
        if (FAILED(hr))
            return {};
        CEnginePtr<IFolder> found = FindInList(children, key, hr, names);
        if (found) {
            if (names) {
                ComBstr name;
                hr = folder->get_Name(name.put());
                if (FAILED(hr))
                    return {};
                names->push_back(name.Utf8());
            }
            return found;
        }
        if (hr != MAPI_E_NOT_FOUND)
            return {};
    }
    hr = MAPI_E_NOT_FOUND;
    return {};
}

FolderList StoreTopFolders(IStore* store, HRESULT& hr)
{
    if (!store)
        throw CComError(E_POINTER);
    CEnginePtr<IFolders> folders;
    hr = store->get_Folders(folders.put());
    FolderList top;
    if (SUCCEEDED(hr))
        hr = TopLevelFolders(folders.get(), top);
    return top;
}

} // namespace

bool HexToBytes(const std::string& hex, std::string& bytes)
{
    bytes.clear();
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

HRESULT ChildFolders(IFolder* parent, FolderList& children)
{
    children.clear();
    if (!parent)
        throw CComError(E_POINTER);
    ComBstr entryId;
    HRESULT hr = parent->get_EntryID(entryId.put());
    if (FAILED(hr))
        return hr;
    std::string parentId;
    if (!HexToBytes(entryId.Utf8(), parentId))
        return MAPI_E_INVALID_ENTRYID;
    CEnginePtr<IFolders> folders;
    hr = parent->get_Folders(folders.put());
    if (FAILED(hr))
        return hr;
    return FoldersWithParent(folders.get(), &parentId, children);
}

HRESULT TopLevelFolders(IFolders* folders, FolderList& top)
{
    top.clear();
    if (!folders)
        throw CComError(E_POINTER);
    return FoldersWithParent(folders, nullptr, top);
}

CEnginePtr<IFolder> FindFolderByKey(IStore* store, const std::string& key, HRESULT& hr)
{
    const FolderList top = StoreTopFolders(store, hr);
    if (FAILED(hr))
        return {};
    return FindInList(top, key, hr, nullptr);
}

CEnginePtr<IFolder> FindFolderByKey(IFolders* folders, const std::string& key, HRESULT& hr)
{
    FolderList top;
    hr = TopLevelFolders(folders, top);
    if (FAILED(hr))
        return {};
    return FindInList(top, key, hr, nullptr);
}

int FindFolderPath(const std::string& key, IStore* store, std::vector<std::string>& names, bool rootMarker)
{
    names.clear();
    HRESULT hr = S_OK;
    const FolderList top = StoreTopFolders(store, hr);
    if (FAILED(hr))
        return 1;
    if (!FindInList(top, key, hr, &names) || FAILED(hr) || names.empty())
        return 1;
    names.pop_back(); // the store's top folder
    if (rootMarker) {
        names.push_back("*");
    } else {
        ComBstr storeName;
        if (FAILED(store->get_StoreName(storeName.put())))
            return 1;
        names.push_back(storeName.Utf8());
    }
    return 0;
}

HRESULT ClearFolderAssociation(IStore* store, const std::string& key)
{
    HRESULT hr = S_OK;
    CEnginePtr<IFolder> folder = FindFolderByKey(store, key, hr);
    if (!folder)
        return FAILED(hr) ? hr : MAPI_E_NOT_FOUND;
    return folder->put_Source(nullptr);
}
