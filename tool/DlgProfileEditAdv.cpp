#include "DlgProfileEditAdv.h"

#include "ErrorText.h"
#include "ToolStrings.h"
#include "base/WaitCursor.h"

#include "com/ComBstr.h"
#include "mapi/MapiCodes.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

namespace {

constexpr int VK_SPACE_KEY = 0x20;

std::string NameOf(IFolder* folder, HRESULT& hr)
{
    ComBstr name;
    hr = folder->get_Name(name.put());
    return name.Utf8();
}

} // namespace

CDlgProfileEditAdv::CDlgProfileEditAdv(IProfiles* profiles, IProfile* profile)
    : COrvDialog(IDD_PROFILE_EDIT_ADV, IDS_ADV_CAPTION), m_pProfiles(profiles), m_pProfile(profile)
{
    for (CTreeCtrl* tree : {&m_treeLocal, &m_treeGlobal}) {
        tree->m_onStateIconClick = [this, tree](HTREEITEM item) {
            if (tree->HasCheckBoxes())
                OnToggle(*tree, item, false);
        };
        tree->m_onKeyDown = [this, tree](int key, bool shift) {
            if (key == VK_SPACE_KEY && tree->HasCheckBoxes() && tree->GetSelectedItem())
                OnToggle(*tree, tree->GetSelectedItem(), shift);
        };
        tree->m_onSelChanged = [this](HTREEITEM, HTREEITEM) { UpdateButton(); };
    }
}

std::string CDlgProfileEditAdv::ConfirmationText(const std::string& path)
{
    char text[2048];
    std::snprintf(text, sizeof(text),
                  "Im Ordner \"%s\" werden die Unterordner des gewählten Ordners verbunden und bei Bedarf angelegt.\n\n",
                  path.c_str());
    return std::string(text) + "Möchten Sie fortfahren?\n";
}

std::string CDlgProfileEditAdv::CommandFailureText(const std::vector<Failure>& failures)
{
    std::string text = LoadResString(IDS_FOLDERS_FAILED);
    for (const Failure& failure : failures)
        text += "\r\n\r\n" +
                FormatResString(failure.creation ? IDS_FOLDER_NOT_CREATED : IDS_FOLDER_NOT_ASSOCIATED, failure.path) +
                "\r\n" + GetErrorText(failure.hr);
    return text;
}

CFolderHolder* CDlgProfileEditAdv::Holder(const CTreeCtrl& tree, HTREEITEM item)
{
    return dynamic_cast<CFolderHolder*>(tree.GetItemData(item));
}

std::string CDlgProfileEditAdv::ItemPath(const CTreeCtrl& tree, HTREEITEM item)
{
    std::string path;
    for (HTREEITEM at = item; at; at = tree.GetParentItem(at))
        path = path.empty() ? tree.GetItemText(at) : tree.GetItemText(at) + "\\" + path;
    return path;
}

HTREEITEM CDlgProfileEditAdv::FindCounterpart(const CTreeCtrl& tree, HTREEITEM item, const std::string& key)
{
    for (HTREEITEM child : tree.GetChildren(item)) {
        if (const CFolderHolder* holder = Holder(tree, child); holder && holder->m_strKey == key)
            return child;
        if (const HTREEITEM found = FindCounterpart(tree, child, key))
            return found;
    }
    return nullptr;
}

BOOL CDlgProfileEditAdv::OnInitDialog()
{
    AddItem(WC_BUTTONA, IDC_LOCAL_DRIVES, LoadResString(IDS_ADV_LOCAL), BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDC_GLOBAL_DRIVES, LoadResString(IDS_ADV_GLOBAL), BS_AUTORADIOBUTTON);
    AddItem(WC_BUTTONA, IDC_ASSOCIATE_SUBFOLDERS, LoadResString(IDS_ADV_ASSOCIATE), WS_GROUP | WS_TABSTOP);
    AddItem(WC_BUTTONA, IDOK, LoadResString(IDS_ADV_CLOSE), BS_DEFPUSHBUTTON | WS_TABSTOP);
    try {
        ComBstr name;
        if (SUCCEEDED(m_pProfile->get_Name(name.put())))
            SetTitle(GetTitle() + " - " + name.Utf8());
    } catch (const CComError&) {
        // No profile: the fill says so.
    }
    // Off and on again: the check boxes' state images are made.
    m_treeLocal.SetCheckBoxes(false);
    m_treeLocal.SetCheckBoxes(true);
    m_treeGlobal.SetCheckBoxes(false);
    m_treeGlobal.SetCheckBoxes(true);
    SetCheck(IDC_LOCAL_DRIVES, true);
    FillTrees();
    return TRUE;
}

BOOL CDlgProfileEditAdv::OnCommand(int id, int code)
{
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_LOCAL_DRIVES:
        case IDC_GLOBAL_DRIVES:
            FillTrees();
            return TRUE;
        case IDC_ASSOCIATE_SUBFOLDERS:
            OnAssociate();
            return TRUE;
        default:
            break;
        }
    }
    return COrvDialog::OnCommand(id, code);
}

void CDlgProfileEditAdv::FillTrees()
{
    m_bChanged = false;
    CWaitCursor wait;
    m_treeLocal.DeleteAllItems();
    m_treeGlobal.DeleteAllItems();
    const bool localDrives = LocalDrives();
    m_treeLocal.SetCheckBoxes(localDrives);
    m_treeGlobal.SetCheckBoxes(!localDrives);
    HRESULT hr = S_OK;
    try {
        hr = FillSide(m_treeGlobal, false, nullptr);
        if (SUCCEEDED(hr))
            hr = FillSide(m_treeLocal, true, &m_treeGlobal);
    } catch (const CComError& error) {
        hr = error.Error();
    }
    UpdateButton();
    if (FAILED(hr))
        MessageBox(FailureText(IDS_TREE_NOT_FILLED, hr), MB_OK | MB_ICONEXCLAMATION);
}

HRESULT CDlgProfileEditAdv::FillSide(CTreeCtrl& tree, bool destination, CTreeCtrl* counterpart)
{
    CEnginePtr<IStore> store;
    CEnginePtr<IFolders> folders;
    FolderList top;
    ComBstr storeName;
    HRESULT hr = destination ? m_pProfile->get_Destination(store.put()) : m_pProfile->get_Source(store.put());
    if (SUCCEEDED(hr))
        hr = store->get_StoreName(storeName.put());
    if (SUCCEEDED(hr))
        hr = store->get_Folders(folders.put());
    if (SUCCEEDED(hr))
        hr = TopLevelFolders(folders.get(), top);
    if (SUCCEEDED(hr))
        hr = FillTreeLevel(tree, top, nullptr, counterpart, true, storeName.Utf8());
    return hr;
}

HRESULT CDlgProfileEditAdv::FillTreeLevel(CTreeCtrl& tree, const FolderList& folders, HTREEITEM parent,
                                          CTreeCtrl* counterpart, bool storeLevel, const std::string& storeName)
{
    HRESULT hr = S_OK;
    for (const CEnginePtr<IFolder>& folder : folders) {
        ComBstr key;
        LONG empty = 0;
        LONG hasFolders = 0;
        // The store's top folder shows as the store.
        const std::string name = storeLevel ? storeName : NameOf(folder.get(), hr);
        if (SUCCEEDED(hr))
            hr = folder->get_IsEmpty(&empty);
        if (SUCCEEDED(hr))
            hr = folder->get_RecordKey(key.put());
        if (SUCCEEDED(hr))
            hr = folder->get_HasFolders(&hasFolders);
        if (FAILED(hr))
            return hr;
        const HTREEITEM item = tree.InsertItem(name, parent ? parent : TVI_ROOT, TVI_SORT);
        if (!empty)
            tree.SetItemState(item, TVIS_BOLD, TVIS_BOLD);
        tree.SetItemData(item, std::make_unique<CFolderHolder>(folder.get(), key.Utf8()));
        if (hasFolders) {
            FolderList children;
            hr = ChildFolders(folder.get(), children);
            if (SUCCEEDED(hr))
                hr = FillTreeLevel(tree, children, item, counterpart, false, storeName);
            if (FAILED(hr))
                return hr;
        }
        if (!parent)
            tree.Expand(item, TVE_EXPAND);
        LONG isDestination = 0;
        hr = folder->get_IsDestination(&isDestination);
        if (FAILED(hr))
            return hr;
        if (!isDestination)
            continue;
        CEnginePtr<IFolder> source;
        hr = folder->get_Source(source.put());
        if (FAILED(hr))
            return hr;
        if (!source)
            continue;
        if (tree.HasCheckBoxes()) {
            tree.SetCheck(item, TRUE);
        } else if (counterpart && counterpart->HasCheckBoxes()) {
            ComBstr sourceKey;
            hr = source->get_RecordKey(sourceKey.put());
            if (FAILED(hr))
                return hr;
            if (const HTREEITEM other = FindCounterpart(*counterpart, nullptr, sourceKey.Utf8()))
                counterpart->SetCheck(other, TRUE);
        }
    }
    return hr;
}

void CDlgProfileEditAdv::OnToggle(CTreeCtrl& tree, HTREEITEM item, bool shift)
{
    const BOOL check = tree.GetCheck(item) ? FALSE : TRUE;
    tree.SetCheck(item, check);
    if (shift) {
        std::vector<HTREEITEM> pending = tree.GetChildren(item);
        while (!pending.empty()) {
            const HTREEITEM at = pending.back();
            pending.pop_back();
            tree.SetCheck(at, check);
            for (HTREEITEM child : tree.GetChildren(at))
                pending.push_back(child);
        }
    }
    m_bChanged = true;
    UpdateButton();
}

void CDlgProfileEditAdv::UpdateButton()
{
    EnableItem(IDC_ASSOCIATE_SUBFOLDERS,
               m_bChanged && m_treeLocal.GetSelectedItem() != nullptr && m_treeGlobal.GetSelectedItem() != nullptr);
}

void CDlgProfileEditAdv::OnAssociate()
{
    if (!IsItemEnabled(IDC_ASSOCIATE_SUBFOLDERS))
        return;
    CTreeCtrl& other = LocalDrives() ? m_treeGlobal : m_treeLocal;
    if (MessageBox(ConfirmationText(ItemPath(other, other.GetSelectedItem())), MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    AssociateSubfolders();
}

void CDlgProfileEditAdv::AssociateSubfolders()
{
    CTreeCtrl& d = LocalDrives() ? m_treeLocal : m_treeGlobal;
    CTreeCtrl& o = LocalDrives() ? m_treeGlobal : m_treeLocal;
    m_failures.clear();
    {
        CWaitCursor wait;
        try {
            CEnginePtr<IStore> source, destination;
            HRESULT hr = m_pProfile->get_Source(source.put());
            if (SUCCEEDED(hr))
                hr = m_pProfile->get_Destination(destination.put());
            if (FAILED(hr)) {
                m_failures.push_back({false, ItemPath(d, d.GetSelectedItem()), hr});
            } else {
                const HTREEITEM dSelected = d.GetSelectedItem();
                const HTREEITEM oSelected = o.GetSelectedItem();
                ClearBranches(d, nullptr);
                MarkBranches(d, dSelected);
                CreateMissingSubfolders(d, dSelected, o, oSelected);
                AssociateMatchingSubfolders(d, dSelected, o, oSelected);
            }
        } catch (const CComError& error) {
            m_failures.push_back({false, ItemPath(d, d.GetSelectedItem()), error.Error()});
        }
        m_bChanged = false;
        UpdateButton();
    }
    if (!m_failures.empty())
        MessageBox(CommandFailureText(m_failures), MB_OK | MB_ICONEXCLAMATION);
}

void CDlgProfileEditAdv::ClearBranches(CTreeCtrl& tree, HTREEITEM item)
{
    for (HTREEITEM child : tree.GetChildren(item)) {
        if (CFolderHolder* holder = Holder(tree, child))
            holder->m_bBranch = false;
        ClearBranches(tree, child);
    }
}

void CDlgProfileEditAdv::MarkBranches(CTreeCtrl& tree, HTREEITEM item)
{
    for (HTREEITEM child : tree.GetChildren(item)) {
        if (tree.GetCheck(child))
            for (HTREEITEM at = child; at && at != item; at = tree.GetParentItem(at))
                if (CFolderHolder* holder = Holder(tree, at))
                    holder->m_bBranch = true;
        MarkBranches(tree, child);
    }
}

void CDlgProfileEditAdv::CreateMissingSubfolders(CTreeCtrl& d, HTREEITEM dItem, CTreeCtrl& o, HTREEITEM oItem)
{
    for (HTREEITEM c : d.GetChildren(dItem)) {
        CFolderHolder* holder = Holder(d, c);
        if (!holder || !holder->m_bBranch)
            continue;
        const std::string name = d.GetItemText(c);
        HTREEITEM p = o.FindChild(oItem, name);
        if (!p) {
            const HRESULT hr = CreateFolder(o, oItem, *holder, p);
            if (FAILED(hr)) {
                // Nothing to go on with below it.
                m_failures.push_back({true, ItemPath(o, oItem) + "\\" + name, hr});
                continue;
            }
        }
        CreateMissingSubfolders(d, c, o, p);
    }
}

HRESULT CDlgProfileEditAdv::CreateFolder(CTreeCtrl& o, HTREEITEM oItem, CFolderHolder& model, HTREEITEM& created)
{
    created = nullptr;
    CFolderHolder* parent = Holder(o, oItem);
    if (!parent)
        return MAPI_E_NOT_FOUND;
    HRESULT hr = S_OK;
    const std::string name = NameOf(model.m_pFolder.get(), hr);
    ComBstr type;
    if (SUCCEEDED(hr))
        hr = model.m_pFolder->get_Type(type.put());
    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIFolder> mapiFolder;
    if (SUCCEEDED(hr))
        hr = parent->m_pFolder->get_MAPIFolder(unknown.put());
    if (SUCCEEDED(hr))
        hr = unknown.As(mapiFolder);
    ComPtr<IMAPIFolder> newFolder;
    if (SUCCEEDED(hr))
        hr = mapiFolder->CreateFolder(FOLDER_GENERIC, const_cast<LPTSTR>(name.c_str()), nullptr, nullptr, 0,
                                      newFolder.put());
    if (FAILED(hr))
        return hr;
    const std::string containerClass = type.Utf8();
    SPropValue cls{};
    cls.ulPropTag = PR_CONTAINER_CLASS_A;
    cls.Value.lpszA = const_cast<char*>(containerClass.c_str());
    hr = HrSetOneProp(newFolder.get(), &cls);
    if (FAILED(hr))
        return hr;
    // The new folder among the parent's children, by its name.
    FolderList children;
    hr = ChildFolders(parent->m_pFolder.get(), children);
    if (FAILED(hr))
        return hr;
    for (const CEnginePtr<IFolder>& child : children) {
        HRESULT nameHr = S_OK;
        if (NameOf(child.get(), nameHr) != name || FAILED(nameHr))
            continue;
        ComBstr key;
        hr = child->get_RecordKey(key.put());
        if (FAILED(hr))
            return hr;
        created = o.InsertItem(name, oItem, TVI_SORT);
        o.SetItemData(created, std::make_unique<CFolderHolder>(child.get(), key.Utf8()));
        o.Expand(oItem, TVE_EXPAND);
        return S_OK;
    }
    return MAPI_E_NOT_FOUND;
}

void CDlgProfileEditAdv::AssociateMatchingSubfolders(CTreeCtrl& d, HTREEITEM dItem, CTreeCtrl& o, HTREEITEM oItem)
{
    for (HTREEITEM c : d.GetChildren(dItem)) {
        const std::string name = d.GetItemText(c);
        HTREEITEM p = o.FindChild(oItem, name);
        CFolderHolder* dHolder = Holder(d, c);
        CFolderHolder* oHolder = p ? Holder(o, p) : nullptr;
        if (!dHolder || !oHolder)
            continue;
        LONG dIsDestination = 0;
        HRESULT hr = dHolder->m_pFolder->get_IsDestination(&dIsDestination);
        IFolder* destination = dIsDestination ? dHolder->m_pFolder.get() : oHolder->m_pFolder.get();
        IFolder* source = dIsDestination ? oHolder->m_pFolder.get() : dHolder->m_pFolder.get();
        CEnginePtr<IFolder> current;
        if (SUCCEEDED(hr))
            hr = destination->get_Source(current.put());
        if (SUCCEEDED(hr)) {
            if (d.GetCheck(c)) {
                ComBstr currentKey, sourceKey;
                if (current)
                    hr = current->get_RecordKey(currentKey.put());
                if (SUCCEEDED(hr))
                    hr = source->get_RecordKey(sourceKey.put());
                if (SUCCEEDED(hr) && (!current || currentKey.Utf8() != sourceKey.Utf8())) {
                    hr = destination->put_Source(source);
                    if (SUCCEEDED(hr))
                        m_bAssociated = true;
                }
            } else if (current) {
                hr = destination->put_Source(nullptr);
                if (SUCCEEDED(hr))
                    m_bAssociated = true;
            }
        }
        if (FAILED(hr))
            m_failures.push_back({false, ItemPath(d, c), hr});
        AssociateMatchingSubfolders(d, c, o, p);
    }
}
