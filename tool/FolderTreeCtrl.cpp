#include "FolderTreeCtrl.h"

#include "FolderSearch.h"
#include "ProfileLookup.h"

#include "base/MessageBox.h"
#include "base/Sound.h"
#include "com/ComBstr.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/MapiX.h"

#include <algorithm>
#include <cctype>

namespace {

// Ancestors deeper than this are no real hierarchy.
constexpr int kMaxDepth = 64;

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string LowerHex(const SBinary& bin)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bin.cb * 2);
    for (ULONG i = 0; i < bin.cb; ++i) {
        text.push_back(digits[bin.lpb[i] >> 4]);
        text.push_back(digits[bin.lpb[i] & 0x0F]);
    }
    return text;
}

// What MarkFolder reads of a folder opened by its entry ID.
struct FolderFacts {
    std::string recordKey;
    std::string parentEntryId;
    ULONG folderType = 0;
};

HRESULT OpenFolderFacts(IMsgStore* store, const std::string& entryId, FolderFacts& facts)
{
    ComPtr<IUnknown> unknown;
    ULONG objectType = 0;
    HRESULT hr = store->OpenEntry(static_cast<ULONG>(entryId.size()),
                                  reinterpret_cast<LPENTRYID>(const_cast<char*>(entryId.data())), nullptr,
                                  MAPI_BEST_ACCESS, &objectType, unknown.put());
    ComPtr<IMAPIFolder> folder;
    if (SUCCEEDED(hr))
        hr = unknown.As(folder);
    if (FAILED(hr))
        return hr;
    SizedSPropTagArray(3, tags) = {3, {PR_RECORD_KEY, PR_PARENT_ENTRYID, PR_FOLDER_TYPE}};
    ULONG count = 0;
    LPSPropValue props = nullptr;
    hr = folder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &props);
    if (FAILED(hr))
        return hr;
    if (count == 3 && props[0].ulPropTag == PR_RECORD_KEY && props[1].ulPropTag == PR_PARENT_ENTRYID) {
        facts.recordKey = LowerHex(props[0].Value.bin);
        facts.parentEntryId.assign(reinterpret_cast<const char*>(props[1].Value.bin.lpb), props[1].Value.bin.cb);
        facts.folderType = props[2].ulPropTag == PR_FOLDER_TYPE ? static_cast<ULONG>(props[2].Value.l) : 0;
    } else {
        hr = MAPI_E_NOT_FOUND;
    }
    MAPIFreeBuffer(props);
    return hr;
}

} // namespace

const std::array<unsigned, 8>& CFolderTreeCtrl::ImageIcons()
{
    static const std::array<unsigned, 8> icons = {131, 132, 131, 133, 134, 135, 136, 130};
    return icons;
}

const std::array<unsigned, 5>& CFolderTreeCtrl::StateIcons()
{
    static const std::array<unsigned, 5> icons = {157, 157, 158, 159, 156};
    return icons;
}

int CFolderTreeCtrl::ImageForClass(const std::string& containerClass)
{
    const std::string upper = Upper(containerClass);
    if (upper == "IPF.CONTACT")
        return IMG_CONTACT;
    if (upper.empty() || upper == "IPF.NOTE")
        return IMG_MAIL;
    if (upper == "IPF.STICKYNOTE")
        return IMG_NOTE;
    if (upper == "IPF.TASK")
        return IMG_TASK;
    if (upper == "IPF.APPOINTMENT")
        return IMG_APPOINTMENT;
    if (upper == "IPF.JOURNAL")
        return IMG_JOURNAL;
    return IMG_OTHER;
}

void CFolderTreeCtrl::ResetTree()
{
    DeleteAllItems();
    m_keyMap.clear();
    m_sourceLinks.clear();
    m_pStore.Release();
    m_nSide = SIDE_NONE;
}

HRESULT CFolderTreeCtrl::FillFolderTree(const std::string& profileName, int sideFlag)
{
    ResetTree();
    CEnginePtr<IProfiles> profiles;
    CEnginePtr<IProfile> match;
    HRESULT hr = m_pEngine->get_Profiles(profiles.put());
    if (SUCCEEDED(hr))
        hr = FindProfileByName(profiles.get(), profileName, match);
    if (FAILED(hr))
        return hr;
    // No profile of that name: nothing to fill.
    if (!match)
        return MAPI_E_NOT_FOUND;
    if (sideFlag == 0) {
        m_nSide = SIDE_SOURCE;
        hr = match->get_Source(m_pStore.put());
    } else {
        m_nSide = SIDE_DESTINATION;
        hr = match->get_Destination(m_pStore.put());
    }
    ComBstr storeName;
    if (SUCCEEDED(hr))
        hr = m_pStore->get_StoreName(storeName.put());
    if (SUCCEEDED(hr))
        hr = InsertRoot(storeName.Utf8());
    if (SUCCEEDED(hr) && m_nSide == SIDE_DESTINATION) {
        m_sourceLinks.clear();
        CEnginePtr<IFolders> folders;
        hr = m_pStore->get_Folders(folders.put());
        LONG top = 0;
        if (SUCCEEDED(hr))
            hr = folders->get_Count(&top);
        for (LONG i = 1; SUCCEEDED(hr) && i <= top; ++i) {
            CEnginePtr<IFolder> folder;
            hr = folders->get_Items(i, folder.put());
            if (SUCCEEDED(hr))
                hr = CollectSourceLinks(folder.get());
        }
        if (SUCCEEDED(hr))
            for (const auto& [key, folder] : std::map<std::string, CEnginePtr<IFolder>>(m_sourceLinks))
                MarkFolder(folder.get());
    }
    return hr;
}

HRESULT CFolderTreeCtrl::InsertRoot(const std::string& storeName)
{
    const HTREEITEM root = InsertItem(storeName, IMG_MAIL, IMG_MAIL, TVI_ROOT, TVI_LAST);
    CEnginePtr<IFolders> folders;
    HRESULT hr = m_pStore->get_Folders(folders.put());
    LONG count = 0;
    if (SUCCEEDED(hr))
        hr = folders->get_Count(&count);
    if (FAILED(hr) || count != 1)
        return hr;
    CEnginePtr<IFolder> top;
    ComBstr type, key;
    LONG empty = 0;
    hr = folders->get_Items(1, top.put());
    if (SUCCEEDED(hr))
        hr = top->get_Type(type.put());
    if (SUCCEEDED(hr))
        hr = top->get_RecordKey(key.put());
    if (SUCCEEDED(hr))
        hr = top->get_IsEmpty(&empty);
    if (FAILED(hr))
        return hr;
    m_keyMap[key.Utf8()] = root;
    SetItemData(root, std::make_unique<CFolderItemData>(key.Utf8(), top.get()));
    const bool associated = IsAssociated(top.get(), key.Utf8());
    SetItemState(root, INDEXTOSTATEIMAGEMASK(associated ? MARK_ASSOCIATED : MARK_NORMAL) | (empty ? 0 : TVIS_BOLD),
                 TVIS_STATEIMAGEMASK | TVIS_BOLD);
    SetItemChildren(root, 1);
    Expand(root, TVE_EXPAND);
    return S_OK;
}

HRESULT CFolderTreeCtrl::CollectSourceLinks(IFolder* folder)
{
    CEnginePtr<IFolder> source;
    HRESULT hr = folder->get_Source(source.put());
    if (FAILED(hr))
        return hr;
    if (source) {
        ComBstr sourceKey, entryId, name;
        hr = source->get_RecordKey(sourceKey.put());
        if (SUCCEEDED(hr))
            hr = source->get_EntryID(entryId.put());
        if (SUCCEEDED(hr))
            hr = source->get_Name(name.put());
        if (FAILED(hr))
            return hr;
        m_sourceLinks[sourceKey.Utf8()] = CEnginePtr<IFolder>(folder);
    }
    LONG hasFolders = 0;
    hr = folder->get_HasFolders(&hasFolders);
    if (FAILED(hr) || !hasFolders)
        return hr;
    FolderList children;
    hr = ChildFolders(folder, children);
    for (std::size_t i = 0; SUCCEEDED(hr) && i < children.size(); ++i)
        hr = CollectSourceLinks(children[i].get());
    return hr;
}

HTREEITEM CFolderTreeCtrl::FindItemByKey(const std::string& key) const
{
    const auto it = m_keyMap.find(key);
    return it == m_keyMap.end() ? nullptr : it->second;
}

std::string CFolderTreeCtrl::ItemPath(HTREEITEM item) const
{
    std::vector<std::string> texts;
    for (HTREEITEM at = item; at && GetParentItem(at); at = GetParentItem(at))
        texts.push_back(GetItemText(at));
    std::string path = "*";
    for (auto it = texts.rbegin(); it != texts.rend(); ++it)
        path += "/" + *it;
    return path;
}

bool CFolderTreeCtrl::IsAncestorOrSelf(HTREEITEM ancestor, HTREEITEM item) const
{
    for (HTREEITEM at = item; at; at = GetParentItem(at))
        if (at == ancestor)
            return true;
    return false;
}

BOOL CFolderTreeCtrl::OnItemExpanding(HTREEITEM item, UINT action)
{
    if ((action & TVE_ACTIONMASK) == TVE_COLLAPSE) {
        Expand(item, TVE_COLLAPSE | TVE_COLLAPSERESET);
        SelectItem(nullptr);
        SelectItem(item);
        return CTreeCtrl::OnItemExpanding(item, action);
    }
    LoadChildren(item);
    if (!IsItem(item))
        return TRUE;
    if (!GetChildItem(item)) {
        // Its subfolders have gone: no button any more.
        SetItemChildren(item, 0);
        MessageBeep(MB_ICONEXCLAMATION);
        return TRUE;
    }
    return CTreeCtrl::OnItemExpanding(item, action);
}

void CFolderTreeCtrl::LoadChildren(HTREEITEM item)
{
    for (HTREEITEM child : GetChildren(item))
        DeleteItem(child);
    CFolderItemData* data = GetFolderData(item);
    if (!data)
        return;
    FolderList children;
    if (FAILED(ChildFolders(data->m_pFolder.get(), children)))
        return;
    for (const CEnginePtr<IFolder>& folder : children) {
        if (!IsItem(item))
            return;
        InsertChild(item, folder.get());
    }
}

void CFolderTreeCtrl::InsertChild(HTREEITEM parent, IFolder* folder)
{
    ComBstr name, type, key;
    LONG empty = 0;
    LONG hasFolders = 0;
    if (FAILED(folder->get_Name(name.put())) || FAILED(folder->get_Type(type.put())) ||
        FAILED(folder->get_RecordKey(key.put())) || FAILED(folder->get_IsEmpty(&empty)))
        return;
    DropDuplicate(parent, key.Utf8());
    const HTREEITEM item = InsertItem(name.Utf8(), 0, 0, parent, TVI_SORT);
    SetItemState(item, INDEXTOSTATEIMAGEMASK(MARK_NORMAL) | (empty ? 0 : TVIS_BOLD), TVIS_STATEIMAGEMASK | TVIS_BOLD);
    m_keyMap[key.Utf8()] = item;
    SetItemData(item, std::make_unique<CFolderItemData>(key.Utf8(), folder));
    const int image = ImageForClass(type.Utf8());
    SetItemImage(item, image, image);
    if (IsAssociated(folder, key.Utf8())) {
        SetItemStateImage(item, MARK_ASSOCIATED);
        CheckLinkPath(item, key.Utf8());
    }
    if (SUCCEEDED(folder->get_HasFolders(&hasFolders)))
        SetItemChildren(item, hasFolders ? 1 : 0);
}

void CFolderTreeCtrl::DropDuplicate(HTREEITEM parent, const std::string& key)
{
    const HTREEITEM earlier = FindItemByKey(key);
    if (!earlier || IsAncestorOrSelf(earlier, parent))
        return;
    m_keyMap.erase(key);
    if (GetNextSiblingItem(earlier) || GetPrevSiblingItem(earlier)) {
        DeleteItem(earlier);
        return;
    }
    // An only child: its parent closes and has no children any more.
    const HTREEITEM earlierParent = GetParentItem(earlier);
    if (!earlierParent) {
        DeleteItem(earlier);
        return;
    }
    for (HTREEITEM child : GetChildren(earlierParent))
        DeleteItem(child);
    SetItemChildren(earlierParent, 0);
}

bool CFolderTreeCtrl::IsAssociated(IFolder* folder, const std::string& key)
{
    if (m_nSide == SIDE_DESTINATION)
        return HasSource(folder) != FALSE;
    if (m_nSide == SIDE_SOURCE)
        return m_pLinks && !m_pLinks->DestinationOfSource(key).empty();
    return false;
}

void CFolderTreeCtrl::CheckLinkPath(HTREEITEM item, const std::string& key)
{
    if (!m_pLinks)
        return;
    const bool local = m_nSide == SIDE_DESTINATION;
    const std::string destinationKey = local ? key : m_pLinks->DestinationOfSource(key);
    if (destinationKey.empty())
        return;
    const std::string path = ItemPath(item);
    if (m_pLinks->LinkPath(destinationKey, local) != path)
        m_pLinks->SetLinkPath(destinationKey, local, path);
}

BOOL CFolderTreeCtrl::IsInAssociationList(IFolder* folder)
{
    ComBstr key;
    if (!m_pLinks || FAILED(folder->get_RecordKey(key.put())))
        return FALSE;
    return m_pLinks->DestinationOfSource(key.Utf8()).empty() ? FALSE : TRUE;
}

BOOL CFolderTreeCtrl::HasSource(IFolder* folder)
{
    CEnginePtr<IFolder> source;
    return folder->get_Source(source.put()) == S_OK && source ? TRUE : FALSE;
}

BOOL CFolderTreeCtrl::OnSelChanging(HTREEITEM oldItem, HTREEITEM newItem)
{
    if (newItem) {
        if (const CFolderItemData* data = GetFolderData(newItem)) {
            LONG valid = 0;
            if (FAILED(data->m_pFolder->get_IsValid(&valid)) || !valid) {
                // The folder is gone from the store.
                DeleteItem(newItem);
                MessageBeep(MB_ICONEXCLAMATION);
                return TRUE;
            }
        }
    }
    return CTreeCtrl::OnSelChanging(oldItem, newItem);
}

void CFolderTreeCtrl::OnStateIconClick(HTREEITEM item) { SelectItem(item); }

void CFolderTreeCtrl::OnDeleteItemData(HTREEITEM item)
{
    if (const CFolderItemData* data = GetFolderData(item)) {
        const auto it = m_keyMap.find(data->m_strKey);
        if (it != m_keyMap.end() && it->second == item)
            m_keyMap.erase(it);
    }
}

BOOL CFolderTreeCtrl::MarkByFolderKind(HTREEITEM item, int wantedImage)
{
    if (!item)
        return FALSE;
    BOOL found = FALSE;
    if (GetItemStateImage(item) != MARK_ASSOCIATED) {
        if (GetItemImage(item) != wantedImage) {
            SetItemStateImage(item, MARK_OTHER_KIND);
        } else if (item == GetSelectedItem()) {
            SetItemStateImage(item, MARK_ASSOCIABLE);
            found = TRUE;
        } else {
            SetItemStateImage(item, MARK_NORMAL);
        }
    }
    for (HTREEITEM child : GetChildren(item))
        if (MarkByFolderKind(child, wantedImage))
            found = TRUE;
    return found;
}

BOOL CFolderTreeCtrl::ClearFolderMarks(HTREEITEM item)
{
    if (!item)
        return FALSE;
    BOOL found = FALSE;
    if (GetItemStateImage(item) != MARK_ASSOCIATED) {
        const bool selected = item == GetSelectedItem();
        SetItemStateImage(item, selected ? MARK_ASSOCIABLE : MARK_NORMAL);
        found = selected ? TRUE : FALSE;
    }
    for (HTREEITEM child : GetChildren(item))
        if (ClearFolderMarks(child))
            found = TRUE;
    return found;
}

BOOL CFolderTreeCtrl::SelectFolderByKey(HTREEITEM item, const std::string& key)
{
    if (!item)
        return FALSE;
    if (const CFolderItemData* data = GetFolderData(item); data && data->m_strKey == key) {
        if (GetItemStateImage(item) != MARK_NORMAL)
            SetItemStateImage(item, MARK_NORMAL);
        return TRUE;
    }
    for (HTREEITEM child : GetChildren(item))
        if (SelectFolderByKey(child, key))
            return TRUE;
    return FALSE;
}

void CFolderTreeCtrl::MarkFolder(IFolder* destination)
{
    ComBstr key;
    if (FAILED(destination->get_RecordKey(key.put())))
        return;
    if (!FindItemByKey(key.Utf8())) {
        ComBstr entryIdHex;
        ComPtr<IUnknown> unknown;
        ComPtr<IMsgStore> store;
        if (FAILED(destination->get_EntryID(entryIdHex.put())) || FAILED(m_pStore->get_MDB(unknown.put())) ||
            FAILED(unknown.As(store)))
            return;
        std::string hex = entryIdHex.Utf8();
        std::string entryId(hex.size() / 2, '\0');
        if (!FBinFromHex(hex.data(), reinterpret_cast<LPBYTE>(entryId.data())))
            return;
        FolderFacts facts;
        if (FAILED(OpenFolderFacts(store.get(), entryId, facts)))
            return;
        LoadAncestors(store.get(), facts.parentEntryId);
    }
    const HTREEITEM item = FindItemByKey(key.Utf8());
    if (!item)
        return;
    SetItemStateImage(item, MARK_ASSOCIATED);
    if (m_nSide == SIDE_SOURCE)
        SelectItem(item);
}

HRESULT CFolderTreeCtrl::LoadAncestors(IMsgStore* store, const std::string& parentEntryId)
{
    // The chain from a folder up to the tree's top: the outermost not yet loaded first.
    std::vector<FolderFacts> chain;
    std::string entryId = parentEntryId;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        FolderFacts facts;
        const HRESULT hr = OpenFolderFacts(store, entryId, facts);
        if (FAILED(hr))
            return hr;
        chain.push_back(facts);
        if (FindItemByKey(facts.recordKey) || facts.folderType != FOLDER_GENERIC || facts.parentEntryId == entryId)
            break;
        entryId = facts.parentEntryId;
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        if (const HTREEITEM item = FindItemByKey(it->recordKey))
            Expand(item, TVE_EXPAND);
    return S_OK;
}

BOOL CFolderTreeCtrl::ShowFolderByKey(const std::string& key, BOOL retry)
{
    std::vector<std::string> names;
    if (FindFolderPath(key, m_pStore.get(), names, false) != 0)
        return FALSE;
    if (names.empty()) {
        MessageBeep(MB_ICONASTERISK);
        return FALSE;
    }
    SetFocus();
    const HTREEITEM root = GetRootItem();
    Expand(root, TVE_EXPAND);
    SelectItem(root);
    SelectSetFirstVisible(root);
    HTREEITEM current = root;
    // The names run from the folder up to the store's name: walk them the other way.
    for (auto it = names.rbegin() + 1; it != names.rend(); ++it) {
        const HTREEITEM next = FindChild(current, *it);
        if (!next) {
            MessageBeep(MB_ICONASTERISK);
            if (retry)
                return FALSE;
            // What was loaded is out of date: load it anew and try once more.
            Expand(root, TVE_COLLAPSE | TVE_COLLAPSERESET);
            return ShowFolderByKey(key, TRUE);
        }
        SelectItem(next);
        EnsureVisible(next);
        if (it + 1 != names.rend())
            Expand(next, TVE_EXPAND);
        current = next;
    }
    return TRUE;
}
