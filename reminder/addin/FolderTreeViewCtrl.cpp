#include "FolderTreeViewCtrl.h"

#include "OptionsResource.h"
#include "TraceScope.h"
#include "base/Utf.h"
#include "base/WaitCursor.h"
#include "base/Window.h"
#include "com/ComBstr.h"

#include <memory>

namespace {

// The reference an item holds on its store or folder.
class CTreeItemObject : public CTreeItemData {
public:
    explicit CTreeItemObject(IUnknown* object) : m_object(object) {}
    IUnknown* Object() const { return m_object.get(); }
    void Release() { m_object = nullptr; }

private:
    ComPtr<IUnknown> m_object;
};

constexpr int kImageStore = 0;
constexpr int kImagePublicStore = 1;
constexpr int kImageDefaultStore = 2;
constexpr int kImageFolder = 3;

constexpr int kSpaceKey = 0x20; // VK_SPACE

int ImageOfDefaultFolder(DefaultFolderType type)
{
    switch (type) {
    case DFT_IPM_OUTBOX: return 4;
    case DFT_IPM_WASTEBASKET: return 6;
    case DFT_IPM_SENTMAIL: return 8;
    case DFT_IPM_INBOX: return 9;
    case DFT_IPM_APPOINTMENT: return 10;
    case DFT_IPM_CONTACT: return 11;
    case DFT_IPM_JOURNAL: return 12;
    case DFT_IPM_NOTE: return 14;
    case DFT_IPM_TASK: return 16;
    case DFT_IPM_DRAFTS: return 17;
    case DFT_IPM_SYNC_ISSUS: return 3;
    case DFT_IPM_CONFLICTS: return 19;
    case DFT_IPM_LOCAL_FAILURES:
    case DFT_IPM_SERVER_FAILURES: return 20;
    case DFT_IPM_JUNK_EMAIL: return 21;
    default: return -1;
    }
}

int ImageOfContainerClass(ContainerClass cc)
{
    switch (cc) {
    case CC_Mail: return 3;
    case CC_Appointment: return 10;
    case CC_Contact: return 11;
    case CC_Task: return 16;
    case CC_Journal: return 12;
    case CC_Note: return 14;
    case CC_RSS: return 24;
    default: return -1;
    }
}

std::string Text(BSTR text)
{
    return text ? platform::Utf16ToUtf8(text) : std::string();
}

} // namespace

CFolderTreeViewCtrl::CFolderTreeViewCtrl()
{
    TRACE_CTOR("CFolderTreeViewCtrl");
}

CFolderTreeViewCtrl::~CFolderTreeViewCtrl()
{
    TRACE_DTOR("CFolderTreeViewCtrl");
    // The items' references go with the items (the tree's own destruction).
    FreeCache();
    m_engine = nullptr;
}

std::span<const unsigned> CFolderTreeViewCtrl::FolderIcons()
{
    return kFolderIcons;
}

const char* CFolderTreeViewCtrl::PublicStoreProvider()
{
    return "78b2fa70aff711cd9bc800aa002fc45a";
}

HRESULT CFolderTreeViewCtrl::Init(IReminderEngine* engine)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolderTreeViewCtrl::Init", &hr);
    ComPtr<ILVStores> stores;
    LONG count = 0;
    if (!engine) {
        // The Options dialog of a host whose engine is not made yet: the tree stays empty.
        hr = E_POINTER;
        TracePrint(__FILE__, __LINE__, TL_ERROR, "pEngine == NULL failed. hr=0x%08lx\n", hr);
        return hr;
    }
    m_engine = engine;
    hr = engine->get_Stores(stores.put());
    if (SUCCEEDED(hr) && !stores)
        hr = E_POINTER;
    if (FAILED(hr)) {
        TRACE_FAILED(get_Stores, hr);
        return hr;
    }
    hr = stores->get_Count(&count);
    if (FAILED(hr)) {
        TRACE_FAILED(get_Count, hr);
        return hr;
    }
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVStore> store;
        ComBstr name;
        hr = stores->get_Item(i, store.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Item, hr);
            break;
        }
        hr = store->get_Name(name.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Name, hr);
            break;
        }
        const HTREEITEM item = InsertObject(Text(name), store.get(), TVI_ROOT);
        SetHasChildren(item, TRUE);
        SetImage(item, store.get());
    }
    return hr;
}

HTREEITEM CFolderTreeViewCtrl::InsertObject(const std::string& text, IUnknown* object, HTREEITEM parent)
{
    const HTREEITEM item = InsertItem(text, parent, TVI_LAST);
    if (item)
        SetItemData(item, std::make_unique<CTreeItemObject>(object));
    return item;
}

ComPtr<IUnknown> CFolderTreeViewCtrl::ItemObject(HTREEITEM item) const
{
    const auto* data = dynamic_cast<const CTreeItemObject*>(GetItemData(item));
    return data ? ComPtr<IUnknown>(data->Object()) : ComPtr<IUnknown>();
}

ComPtr<ILVFolder> CFolderTreeViewCtrl::GetFolder(HTREEITEM item) const
{
    ComPtr<ILVFolder> folder;
    if (const ComPtr<IUnknown> object = ItemObject(item))
        object->QueryInterface(IID_ILVFolder, folder.put_void());
    return folder;
}

ComPtr<ILVStore> CFolderTreeViewCtrl::GetStore(HTREEITEM item) const
{
    ComPtr<ILVStore> store;
    if (const ComPtr<IUnknown> object = ItemObject(item))
        object->QueryInterface(IID_ILVStore, store.put_void());
    return store;
}

void CFolderTreeViewCtrl::SetHasChildren(HTREEITEM item, BOOL hasChildren)
{
    SetItemChildren(item, hasChildren ? 1 : 0);
}

void CFolderTreeViewCtrl::SetImage(HTREEITEM item, ILVStore* store)
{
    int image = kImageStore;
    VARIANT_BOOL isDefault = VARIANT_FALSE;
    ComBstr provider;
    if (SUCCEEDED(store->get_DefaultStore(&isDefault)) && isDefault)
        image = kImageDefaultStore;
    else if (SUCCEEDED(store->get_MDBProvider(provider.put())) && provider && Text(provider) == PublicStoreProvider())
        image = kImagePublicStore;
    SetItemImage(item, image, image);
}

void CFolderTreeViewCtrl::SetImage(HTREEITEM item, ILVFolder* folder)
{
    int image = -1;
    DefaultFolderType type = DFT_NONE;
    ContainerClass cc = CC_Mail;
    if (SUCCEEDED(folder->get_DefaultFolderType(&type)))
        image = ImageOfDefaultFolder(type);
    if (image < 0 && SUCCEEDED(folder->get_ContainerClass(&cc)))
        image = ImageOfContainerClass(cc);
    if (image < 0)
        image = kImageFolder;
    SetItemImage(item, image, image);
}

BOOL CFolderTreeViewCtrl::OnItemExpanding(HTREEITEM item, UINT)
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolderTreeViewCtrl::OnItemExpanding", &hr);
    CWaitCursor wait;
    ComPtr<IUnknown> object = ItemObject(item);
    ComPtr<ILVFolder> parent;
    ComPtr<ILVStore> store;
    ComPtr<ILVFolders> folders;
    LONG count = 0;
    if (GetItemState(item, TVIS_EXPANDEDONCE) & TVIS_EXPANDEDONCE)
        return FALSE;
    hr = object ? object->QueryInterface(IID_ILVFolder, parent.put_void()) : E_POINTER;
    if (FAILED(hr)) {
        hr = object ? object->QueryInterface(IID_ILVStore, store.put_void()) : E_POINTER;
        if (FAILED(hr)) {
            TRACE_FAILED(QueryInterface, hr);
            return FALSE;
        }
        hr = store->get_DefaultFolder(DFT_IPM_SUBTREE, parent.put());
        if (FAILED(hr)) {
            // A store whose top folder cannot be opened shows no children.
            TRACE_FAILED(get_DefaultFolder, hr);
            return FALSE;
        }
    }
    hr = parent->get_Folders(folders.put());
    if (SUCCEEDED(hr) && !folders)
        hr = E_POINTER;
    if (FAILED(hr)) {
        TRACE_FAILED(get_Folders, hr);
        return FALSE;
    }
    hr = folders->get_Count(&count);
    if (FAILED(hr)) {
        TRACE_FAILED(get_Count, hr);
        return FALSE;
    }
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<ILVFolder> folder;
        ComBstr name;
        VARIANT_BOOL subFolders = VARIANT_TRUE;
        hr = folders->get_Item(i, folder.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Item, hr);
            continue;
        }
        hr = folder->get_Name(name.put());
        if (FAILED(hr)) {
            TRACE_FAILED(get_Name, hr);
            break;
        }
        const HTREEITEM child = InsertObject(Text(name), folder.get(), item);
        folder->get_SubFolders(&subFolders);
        SetHasChildren(child, subFolders ? TRUE : FALSE);
        SetImage(child, folder.get());
        SetCheck(child, folder.get());
    }
    return FALSE;
}

void CFolderTreeViewCtrl::SetCheck(HTREEITEM item, ILVFolder* folder)
{
    ReminderType type = RT_NONE;
    VARIANT_BOOL possible = VARIANT_FALSE;
    VARIANT_BOOL wasteBasket = VARIANT_FALSE;
    folder->get_ReminderType(&type);
    folder->get_RemindersPossible(&possible);
    folder->get_InWasteBasket(&wasteBasket);
    int state = FCS_CHECKED;
    if (!possible)
        state = FCS_IMPOSSIBLE;
    else if (type == RT_NONE)
        state = FCS_UNCHECKED;
    else if (wasteBasket)
        state = FCS_WASTEBASKET;
    SetItemStateImage(item, state);
}

void CFolderTreeViewCtrl::ToggleCheck(HTREEITEM item)
{
    TRACE_PROC("CFolderTreeViewCtrl::ToggleCheck");
    const int state = GetItemStateImage(item);
    int next = state;
    if (state == FCS_UNCHECKED) {
        VARIANT_BOOL wasteBasket = VARIANT_FALSE;
        if (const ComPtr<ILVFolder> folder = GetFolder(item))
            folder->get_InWasteBasket(&wasteBasket);
        next = wasteBasket ? FCS_WASTEBASKET : FCS_CHECKED;
    } else if (state == FCS_CHECKED || state == FCS_WASTEBASKET) {
        next = FCS_UNCHECKED;
    }
    if (next == state)
        return;
    SetItemStateImage(item, next);
    UpdateCache(item, next);
}

void CFolderTreeViewCtrl::UpdateCache(HTREEITEM item, int state)
{
    const ComPtr<ILVFolder> folder = GetFolder(item);
    if (!folder) {
        TracePrint(__FILE__, __LINE__, TL_WARNING, "pFolder == NULL\n");
        return;
    }
    UpdateCache(folder.get(), state == FCS_CHECKED || state == FCS_WASTEBASKET ? RT_PUBLIC : RT_NONE);
}

void CFolderTreeViewCtrl::UpdateCache(ILVFolder* folder, ReminderType type)
{
    TRACE_PROC("CFolderTreeViewCtrl::UpdateCache");
    const bool wasDirty = IsDirty();
    const auto it = m_cache.find(folder);
    if (it != m_cache.end()) {
        it->second.type = type;
        ReminderType stored = RT_NONE;
        const HRESULT hr = folder->get_ReminderType(&stored);
        if (FAILED(hr))
            TRACE_FAILED(get_ReminderType, hr);
        else if (stored == type)
            m_cache.erase(it);
    } else {
        m_cache.emplace(folder, TCacheItem{ComPtr<ILVFolder>(folder), type});
    }
    if (IsDirty() != wasDirty)
        NotifyParent(IsDirty() ? TRUE : FALSE);
}

HRESULT CFolderTreeViewCtrl::Apply()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CFolderTreeViewCtrl::Apply", &hr);
    const bool wasDirty = IsDirty();
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        ILVFolder* folder = it->second.folder.get();
        const ReminderType type = it->second.type;
        HRESULT step = folder->put_ReminderType(type);
        if (FAILED(step)) {
            TRACE_FAILED(put_ReminderType, step);
            hr = S_FALSE;
            ++it;
            continue;
        }
        step = m_engine ? m_engine->SetReminderFolder(folder, type) : E_POINTER;
        if (FAILED(step)) {
            TRACE_FAILED(SetReminderFolder, step);
            hr = S_FALSE;
            ++it;
            continue;
        }
        it = m_cache.erase(it);
    }
    if (IsDirty() != wasDirty)
        NotifyParent(IsDirty() ? TRUE : FALSE);
    return hr;
}

void CFolderTreeViewCtrl::FreeCache()
{
    m_cache.clear();
}

void CFolderTreeViewCtrl::NotifyParent(BOOL dirty)
{
    if (const HWND parent = m_hWnd ? GetParent(m_hWnd) : nullptr)
        SendMessageA(parent, WMU_TREE_DIRTY, dirty ? 1 : 0, 0);
}

void CFolderTreeViewCtrl::OnStateIconClick(HTREEITEM item)
{
    TRACE_PROC("CFolderTreeViewCtrl::OnTreeFoldersClick");
    if (IsItem(item))
        ToggleCheck(item);
    CTreeCtrl::OnStateIconClick(item);
}

void CFolderTreeViewCtrl::OnKeyDown(int key, bool shift)
{
    if (key == kSpaceKey) {
        if (const HTREEITEM selected = GetSelectedItem())
            ToggleCheck(selected);
        return; // consumed
    }
    CTreeCtrl::OnKeyDown(key, shift);
}

void CFolderTreeViewCtrl::OnDeleteItemData(HTREEITEM item)
{
    if (auto* data = dynamic_cast<CTreeItemObject*>(GetItemData(item)))
        data->Release();
}
