// CFolderTreeViewCtrl: the check-box tree of the options page in which the user marks reminder
// folders. One root per store of the profile; each store's folders below its top of information
// store, listed when the store or folder is first expanded. A folder's check state shows its
// reminder type; what the user changes is kept in a cache and written to the folder model and
// the engine only by Apply. The tree lives in a window of its own (a child of the options page,
// or of the zoom dialog while that borrows it), to whose parent it reports whether changes are
// pending (WM_APP + 1). A toolkit view shows it (platform/ui TreeCtrlView).
#pragma once

#include "ReminderLib.h"
#include "base/TreeCtrl.h"
#include "com/ComPtr.h"

#include <array>
#include <map>
#include <span>

// The check states: the item's state image.
enum FolderCheckState {
    FCS_STORE = 0,      // store items: no box
    FCS_IMPOSSIBLE = 1, // grey: the folder cannot carry reminders
    FCS_UNCHECKED = 2,  // white: not a reminder folder
    FCS_CHECKED = 3,    // green: reminder folder
    FCS_WASTEBASKET = 4 // red: reminder folder inside the deleted-items folder
};

// The message the tree sends its parent: wParam 1 when changes are pending, 0 when none are.
#define WMU_TREE_DIRTY (WM_APP + 1)

class CFolderTreeViewCtrl : public CTreeCtrl {
public:
    // A folder whose wanted reminder type differs from its stored one.
    struct TCacheItem {
        ComPtr<ILVFolder> folder;
        ReminderType type = RT_NONE;
    };

    CFolderTreeViewCtrl();
    ~CFolderTreeViewCtrl() override;

    // Takes over the tree's window (a child window, class "SysTreeView32").
    void SubclassWindow(HWND hwnd) { m_hWnd = hwnd; }
    HWND m_hWnd = nullptr;

    // Keeps the engine and makes a root for each of its stores. Without an engine: E_POINTER
    // and an empty tree. A failing call of the store collection ends the listing and is
    // returned.
    HRESULT Init(IReminderEngine* engine);
    // Writes each pending change (the folder's reminder type, then the engine's watching);
    // S_FALSE when some stay pending.
    HRESULT Apply();
    bool IsDirty() const { return !m_cache.empty(); }
    void FreeCache();
    const std::map<ILVFolder*, TCacheItem>& Cache() const { return m_cache; }

    // The check state of a folder item from its folder (the cache is not touched).
    void SetCheck(HTREEITEM item, ILVFolder* folder);
    // Space or a click on the box: white to green (red in the deleted items), green or red to
    // white; other states stay.
    void ToggleCheck(HTREEITEM item);
    void UpdateCache(HTREEITEM item, int state);
    void UpdateCache(ILVFolder* folder, ReminderType type);
    // The item's folder (none for a store).
    ComPtr<ILVFolder> GetFolder(HTREEITEM item) const;
    ComPtr<ILVStore> GetStore(HTREEITEM item) const;
    void SetHasChildren(HTREEITEM item, BOOL hasChildren);
    void SetImage(HTREEITEM item, ILVStore* store);
    void SetImage(HTREEITEM item, ILVFolder* folder);
    // WMU_TREE_DIRTY with the flag to the tree window's parent.
    void NotifyParent(BOOL dirty);

    // The images: the state bitmap (five 16 x 16 images, magenta transparent) and the icons
    // of the image list in their order.
    static constexpr UINT kStateBitmap = 201;
    static std::span<const unsigned> FolderIcons();
    // The store provider whose stores show image 1 (public folders).
    static const char* PublicStoreProvider();

protected:
    // TVN_ITEMEXPANDING: lists the item's folders the first time.
    BOOL OnItemExpanding(HTREEITEM item, UINT action) override;
    // NM_CLICK on the state icon.
    void OnStateIconClick(HTREEITEM item) override;
    // TVN_KEYDOWN: the space bar toggles the selected item.
    void OnKeyDown(int key, bool shift) override;
    // TVN_DELETEITEM: the item's reference goes.
    void OnDeleteItemData(HTREEITEM item) override;

private:
    ComPtr<IUnknown> ItemObject(HTREEITEM item) const;
    HTREEITEM InsertObject(const std::string& text, IUnknown* object, HTREEITEM parent);

    ComPtr<IReminderEngine> m_engine;
    std::map<ILVFolder*, TCacheItem> m_cache;
};
