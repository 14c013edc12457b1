#include "PropPageOptionsMain.h"

#include "AddinCache.h"
#include "AddinViews.h"
#include "DlgAbout.h"
#include "DlgUsername.h"
#include "DlgZoom.h"
#include "FailureBox.h"
#include "ModuleInstance.h"
#include "ReminderEngine.h"
#include "RegKeyEx.h"
#include "TraceScope.h"
#include "base/Bitmap.h"
#include "base/DialogItems.h"
#include "base/DialogUnits.h"
#include "base/FileDialog.h"
#include "base/HtmlHelp.h"
#include "base/Module.h"
#include "base/Profile.h"
#include "base/Sound.h"
#include "base/WaitCursor.h"
#include "base/Window.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr DialogControl kControls[] = {
    {ControlKind::GroupBox, IDC_GRP_FOLDERS, IDS_PAGE_FOLDERS, 7, 4, 258, 108},
    {ControlKind::RadioButton, IDC_RAD_ALL, IDS_PAGE_ALL, 14, 16, 90, 10, WS_GROUP, true},
    {ControlKind::RadioButton, IDC_RAD_MINE, IDS_PAGE_MINE, 110, 16, 90, 10, 0, true},
    {ControlKind::Tree, IDC_TREE_FOLDERS, 0, 14, 16, 244, 72},
    {ControlKind::Frame, IDC_TREE_PLACEHOLDER, 0, 14, 16, 244, 72, 0, true},
    {ControlKind::PushButton, IDC_BTN_ZOOM, IDS_PAGE_ZOOM, 208, 92, 50, 14},
    {ControlKind::GroupBox, IDC_GRP_ACTION, IDS_PAGE_ACTION, 7, 115, 258, 60},
    {ControlKind::CheckBox, IDC_CHK_REMINDERWINDOW, IDS_PAGE_REMINDERWINDOW, 14, 127, 180, 10},
    {ControlKind::CheckBox, IDC_CHK_SOUND, IDS_PAGE_SOUND, 14, 142, 68, 10},
    {ControlKind::Edit, IDC_EDIT_SOUND, 0, 84, 140, 134, 13},
    {ControlKind::BitmapButton, IDC_BTN_PLAY, IDS_PAGE_PLAY, 221, 140, 17, 13, 0, false, IDB_PLAY},
    {ControlKind::BitmapButton, IDC_BTN_OPEN, IDS_PAGE_OPEN, 241, 140, 17, 13, 0, false, IDB_OPEN},
    {ControlKind::CheckBox, IDC_CHK_MAIL, IDS_PAGE_MAIL, 14, 158, 68, 10},
    {ControlKind::Edit, IDC_EDIT_MAIL, 0, 84, 156, 174, 13},
    {ControlKind::GroupBox, IDC_GRP_BOTTOM, 0, 7, 177, 258, 33},
    {ControlKind::Picture, IDC_PIC_PRODUCT, 0, 14, 185, 100, 21, 0, false, IDB_PRODUCT},
    {ControlKind::PushButton, IDC_BTN_USER, IDS_PAGE_USER, 118, 190, 44, 14, 0, true},
    {ControlKind::PushButton, IDC_BTN_TESTMAIL, IDS_PAGE_TESTMAIL, 118, 190, 44, 14, 0, true, 0, 1031},
    {ControlKind::PushButton, IDC_BTN_ABOUT, IDS_PAGE_SUPPORT, 166, 190, 44, 14},
    {ControlKind::PushButton, IDC_BTN_HELP, IDS_PAGE_HELP, 214, 190, 44, 14},
};
constexpr DialogTemplate kTemplate{IDD_OPTIONS_MAIN, 272, 216, 0, kControls};

constexpr char kReminderWindow[] = "ReminderWindow";
constexpr char kSound[] = "Sound";
constexpr char kSoundFile[] = "SoundFile";
constexpr char kMail[] = "Mail";
constexpr char kMailAddress[] = "MailAddress";
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr int kButtonImageWidth = 16;
constexpr std::size_t kMailAddressMax = 1024;

// The page whose window is about to be made (PSPCB_CREATE), taken by its first message.
thread_local CPropPageOptionsMain* t_creating = nullptr;

// A string value of the key into the edit: its size first, then the text; a missing value
// leaves the edit as it is.
void ReadString(HKEY key, const char* name, HWND dialog, int id)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || size == 0)
        return;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return;
    std::vector<char> text(static_cast<std::size_t>(size) + 1, '\0');
    DWORD read = size;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &read) == ERROR_SUCCESS)
        SetDlgItemTextA(dialog, id, text.data());
}

} // namespace

CPropPageOptionsMain::CPropPageOptionsMain(IUnknown* creator) : CAddinDialog(kTemplate), m_creator(creator)
{
    TRACE_CTOR("CPropPageOptionsMain");
    if (IReminderEngine* engine = AddinCache::Engine()) {
        const HRESULT hr = engine->put_Configuring(VARIANT_TRUE);
        if (FAILED(hr))
            TRACE_FAILED(put_Configuring, hr);
        else
            m_configuring = engine;
    }
}

CPropPageOptionsMain::~CPropPageOptionsMain()
{
    TRACE_DTOR("CPropPageOptionsMain");
    // Configuring ends on the engine it began on, whatever the cache holds now.
    if (m_configuring) {
        const HRESULT hr = m_configuring->put_Configuring(VARIANT_FALSE);
        if (FAILED(hr))
            TRACE_FAILED(put_Configuring, hr);
        m_configuring = nullptr;
    }
    m_creator = nullptr;
}

CPropPageOptionsMain* CPropPageOptionsMain::FromWindow(HWND hWnd)
{
    return hWnd ? reinterpret_cast<CPropPageOptionsMain*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA)) : nullptr;
}

INT_PTR CPropPageOptionsMain::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CPropPageOptionsMain* page = FromWindow(hWnd);
    if (!page) {
        page = std::exchange(t_creating, nullptr);
        if (!page && uMsg == WM_INITDIALOG && lParam)
            page = reinterpret_cast<CPropPageOptionsMain*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        if (!page)
            return FALSE;
        page->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
    }
    LRESULT result = 0;
    const BOOL handled = page->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result);
    if (uMsg == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        page->m_hWnd = nullptr;
    }
    return handled ? result : FALSE;
}

UINT CPropPageOptionsMain::PropPageCallback(HWND, UINT uMsg, PROPSHEETPAGEA* ppsp)
{
    auto* page = ppsp ? reinterpret_cast<CPropPageOptionsMain*>(ppsp->lParam) : nullptr;
    switch (uMsg) {
    case PSPCB_CREATE: t_creating = page; break;
    case PSPCB_RELEASE:
        if (t_creating == page)
            t_creating = nullptr;
        delete page;
        break;
    default: break;
    }
    return 1;
}

void* CPropPageOptionsMain::CreatePageWindow(void* parentWindow, PROPSHEETPAGEA* ppsp)
{
    auto* page = ppsp ? reinterpret_cast<CPropPageOptionsMain*>(ppsp->lParam) : nullptr;
    const AddinViewHooks* views = AddinViews();
    return page && views ? views->createPageView(parentWindow, *page) : nullptr;
}

IBitmapButtonModel* CPropPageOptionsMain::Button(int id)
{
    if (id == IDC_BTN_PLAY)
        return &m_btnPlay;
    if (id == IDC_BTN_OPEN)
        return &m_btnOpen;
    return nullptr;
}

BOOL CPropPageOptionsMain::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (uMsg) {
    case WM_INITDIALOG: result = OnInitDialog(); return TRUE;
    case WM_SHOWWINDOW: result = OnShowWindow(wParam); return TRUE;
    case WM_DESTROY: result = OnDestroy(); return TRUE;
    case WMU_TREE_DIRTY: result = OnDirty(wParam); return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const UINT code = HIWORD(wParam);
        if (code == EN_CHANGE) {
            if (id == IDC_EDIT_SOUND)
                OnEditSoundKillFocus();
            else if (id == IDC_EDIT_MAIL)
                OnEditMailChange();
            else
                return FALSE;
            return TRUE;
        }
        if (code != BN_CLICKED)
            return FALSE;
        switch (id) {
        case IDC_RAD_ALL:
        case IDC_RAD_MINE: OnChkRemindersClick(); return TRUE;
        case IDC_BTN_ZOOM: OnBtnZoomClick(); return TRUE;
        case IDC_CHK_REMINDERWINDOW: OnChkReminderWindowClick(); return TRUE;
        case IDC_CHK_SOUND: OnChkSoundClick(); return TRUE;
        case IDC_BTN_PLAY: OnBtnPlayClick(); return TRUE;
        case IDC_BTN_OPEN: OnBtnOpenClick(); return TRUE;
        case IDC_CHK_MAIL: OnChkMailClick(); return TRUE;
        case IDC_BTN_ABOUT: OnBtnAboutClick(); return TRUE;
        case IDC_BTN_HELP: OnBtnHelpClick(); return TRUE;
        case IDC_BTN_USER: OnBtnUserClick(); return TRUE;
        case IDC_BTN_TESTMAIL: OnBtnTestMailClick(); return TRUE;
        default: return FALSE;
        }
    }
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header)
            return FALSE;
        switch (header->code) {
        case PSN_SETACTIVE: result = OnSetActive(); return TRUE;
        case PSN_KILLACTIVE: result = OnKillActive(); return TRUE;
        case PSN_APPLY: result = OnApply(); return TRUE;
        case PSN_QUERYCANCEL: result = OnQueryCancel(); return TRUE;
        case PSN_HELP: result = OnHelp(); return TRUE;
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}

LRESULT CPropPageOptionsMain::OnInitDialog()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CPropPageOptionsMain::OnInitDialog", &hr);
    // What the template gives: the controls, and the tree in a window of its own.
    CreateControls();
    const HWND tree = platform::CreateMessageWindow(
        "SysTreeView32", "", [](HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }, m_hWnd,
        nullptr, WS_CHILD | WS_VISIBLE | WS_TABSTOP);

    ReadSettings();

    m_btnPlay.SubclassWindow(GetDlgItem(m_hWnd, IDC_BTN_PLAY));
    m_btnPlay.SetBitmapButtonExtendedStyle(BMPBTN_AUTO3D_DOUBLE, BMPBTN_AUTO3D_DOUBLE | BMPBTN_AUTOSIZE);
    m_btnPlay.SetImageList(IDB_PLAY, kButtonImageWidth, kMagenta);
    m_btnPlay.SetImages(0, -1, -1, 1);
    m_btnOpen.SubclassWindow(GetDlgItem(m_hWnd, IDC_BTN_OPEN));
    m_btnOpen.SetBitmapButtonExtendedStyle(BMPBTN_AUTO3D_DOUBLE, BMPBTN_AUTO3D_DOUBLE | BMPBTN_AUTOSIZE);
    m_btnOpen.SetImageList(IDB_OPEN, kButtonImageWidth, kMagenta);
    m_btnOpen.SetImages(0, -1, -1, 1);

    m_tree.SubclassWindow(tree);
    hr = m_tree.Init(AddinCache::Engine());
    if (FAILED(hr))
        TRACE_FAILED(Init, hr); // the page opens with an empty tree

    m_placeholder = GetDlgItem(m_hWnd, IDC_TREE_PLACEHOLDER);
    EnableControls();
    if (GetPrivateProfileIntA(kIniSection, "TestMail", 0, kIniFile) != 0)
        ShowItem(IDC_BTN_TESTMAIL, true);
    // Filling the edits reported changes: the page starts unchanged.
    m_controlsChanged = false;
    m_treeChanged = false;
    SendChangedState();
    return TRUE;
}

void CPropPageOptionsMain::ReadSettings()
{
    CheckDlgButton(m_hWnd, IDC_RAD_ALL, BST_CHECKED);
    // A missing Sound reads as off, as the engine reads it.
    const struct {
        int id;
        const char* name;
        DWORD value;
    } checks[] = {{IDC_CHK_REMINDERWINDOW, kReminderWindow, 1}, {IDC_CHK_SOUND, kSound, 0}, {IDC_CHK_MAIL, kMail, 0}};
    CRegKeyEx key;
    const bool open = key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS ||
                      key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS;
    for (const auto& check : checks) {
        DWORD value = check.value;
        if (open)
            key.QueryDWORDValue(check.name, value);
        CheckDlgButton(m_hWnd, check.id, value ? BST_CHECKED : BST_UNCHECKED);
    }
    SetDlgItemTextA(m_hWnd, IDC_EDIT_SOUND, "");
    SetDlgItemTextA(m_hWnd, IDC_EDIT_MAIL, "");
    if (open) {
        ReadString(key, kSoundFile, m_hWnd, IDC_EDIT_SOUND);
        ReadString(key, kMailAddress, m_hWnd, IDC_EDIT_MAIL);
    }
}

void CPropPageOptionsMain::EnableControls()
{
    const BOOL sound = IsDlgButtonChecked(m_hWnd, IDC_CHK_SOUND) == BST_CHECKED;
    EnableWindow(GetDlgItem(m_hWnd, IDC_EDIT_SOUND), sound);
    EnableWindow(GetDlgItem(m_hWnd, IDC_BTN_PLAY), sound);
    EnableWindow(GetDlgItem(m_hWnd, IDC_BTN_OPEN), sound);
    EnableWindow(GetDlgItem(m_hWnd, IDC_EDIT_MAIL), IsDlgButtonChecked(m_hWnd, IDC_CHK_MAIL) == BST_CHECKED);
}

std::string CPropPageOptionsMain::ItemText(int id) const
{
    std::vector<char> text(static_cast<std::size_t>(GetWindowTextLengthA(GetDlgItem(m_hWnd, id))) + 1, '\0');
    GetDlgItemTextA(m_hWnd, id, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void CPropPageOptionsMain::MarkChanged(BOOL changed)
{
    m_controlsChanged = changed != FALSE;
    SendChangedState();
}

void CPropPageOptionsMain::SendChangedState()
{
    const HWND sheet = GetParent(m_hWnd);
    if (!sheet)
        return;
    SendMessageA(sheet, m_controlsChanged || m_treeChanged ? PSM_CHANGED : PSM_UNCHANGED,
                 reinterpret_cast<WPARAM>(m_hWnd), 0);
}

LRESULT CPropPageOptionsMain::OnDirty(WPARAM wParam)
{
    TRACE_PROC("CPropPageOptionsMain::OnDirty");
    m_treeChanged = wParam != 0;
    SendChangedState();
    return 0;
}

LRESULT CPropPageOptionsMain::OnShowWindow(WPARAM wParam)
{
    if (wParam)
        CenterTabWindow();
    return 0;
}

LRESULT CPropPageOptionsMain::OnDestroy()
{
    TRACE_PROC("CPropPageOptionsMain::OnDestroy");
    return 0;
}

void CPropPageOptionsMain::OnChkRemindersClick()
{
    MarkChanged(TRUE);
}

void CPropPageOptionsMain::OnChkReminderWindowClick()
{
    MarkChanged(TRUE);
}

void CPropPageOptionsMain::OnEditMailChange()
{
    MarkChanged(TRUE);
}

void CPropPageOptionsMain::OnChkSoundClick()
{
    MarkChanged(TRUE);
    EnableControls();
}

void CPropPageOptionsMain::OnChkMailClick()
{
    EnableControls();
    MarkChanged(TRUE);
}

void CPropPageOptionsMain::OnEditSoundKillFocus()
{
    if (SendDlgItemMessageA(m_hWnd, IDC_EDIT_SOUND, EM_GETMODIFY, 0, 0))
        MarkChanged(TRUE);
}

void CPropPageOptionsMain::OnBtnPlayClick()
{
    TRACE_PROC("CPropPageOptionsMain::OnBtnPlayClick");
    SendDlgItemMessageA(m_hWnd, IDC_EDIT_SOUND, EM_SETMODIFY, FALSE, 0);
    const std::string path = ItemText(IDC_EDIT_SOUND);
    CWaitCursor wait;
    // In the background: the host's window goes on while the sound plays.
    PlaySoundA(path.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT | SND_ASYNC);
}

void CPropPageOptionsMain::OnBtnOpenClick()
{
    TRACE_PROC("CPropPageOptionsMain::OnBtnOpenClick");
    char file[MAX_PATH] = {};
    const std::string current = ItemText(IDC_EDIT_SOUND);
    current.copy(file, sizeof file - 1);
    static const char kFilter[] = "Wave Files (*.wav)\0*.wav\0";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hWnd;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrDefExt = "wav";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
        return;
    SetDlgItemTextA(m_hWnd, IDC_EDIT_SOUND, file);
    MarkChanged(TRUE);
}

void CPropPageOptionsMain::OnBtnZoomClick()
{
    TRACE_PROC("CPropPageOptionsMain::OnBtnZoomClick");
    ShowItem(IDC_TREE_PLACEHOLDER, true);
    CDlgZoom dialog(m_tree.m_hWnd, m_hWnd, &m_tree);
    dialog.DoModal(GetActiveWindow());
    ShowItem(IDC_TREE_PLACEHOLDER, false);
}

void CPropPageOptionsMain::OnBtnAboutClick()
{
    TRACE_PROC("CPropPageOptionsMain::OnBtnAboutClick");
    CDlgAbout dialog;
    dialog.DoModal(GetActiveWindow());
    if (dialog.ResetRan()) {
        // The settings and the folders are gone: the page shows what is stored now.
        ReadSettings();
        EnableControls();
        RebuildTree();
        m_controlsChanged = false;
        m_treeChanged = false;
        SendChangedState();
    }
}

void CPropPageOptionsMain::RebuildTree()
{
    m_tree.FreeCache();
    m_tree.DeleteAllItems();
    const HRESULT hr = m_tree.Init(AddinCache::Engine());
    if (FAILED(hr))
        TRACE_FAILED(Init, hr);
}

void CPropPageOptionsMain::OnBtnUserClick()
{
    TRACE_PROC("CPropPageOptionsMain::OnBtnUserClick");
    CDlgUsername dialog;
    dialog.DoModal(GetActiveWindow());
}

void CPropPageOptionsMain::OnBtnHelpClick()
{
    TRACE_PROC("CPropPageOptionsMain::OnBtnHelpClick");
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(ModuleInstance(), path, sizeof path);
    std::string file(path, std::min<std::size_t>(length, sizeof path));
    const std::size_t slash = file.find_last_of("/\\");
    file = (slash == std::string::npos ? std::string() : file.substr(0, slash + 1)) + "Lumivane Add-In.chm";
    HtmlHelpA(m_hWnd, file.c_str(), HH_DISPLAY_TOC, 0);
}

void CPropPageOptionsMain::OnBtnTestMailClick()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CPropPageOptionsMain::OnBtnTestMailClick", &hr);
    char address[kMailAddressMax + 1] = {};
    GetDlgItemTextA(m_hWnd, IDC_EDIT_MAIL, address, static_cast<int>(kMailAddressMax));
    auto* engine = dynamic_cast<CReminderEngine*>(AddinCache::Engine());
    if (!engine) {
        hr = E_POINTER;
        TracePrint(__FILE__, __LINE__, TL_WARNING, "No engine: no test mail\n");
        return;
    }
    hr = engine->SendMail(address, "Testmail", "Testbody");
}

LRESULT CPropPageOptionsMain::OnSetActive()
{
    CenterTabWindow();
    return 0;
}

LRESULT CPropPageOptionsMain::OnKillActive()
{
    return FALSE;
}

LRESULT CPropPageOptionsMain::OnQueryCancel()
{
    return FALSE;
}

LRESULT CPropPageOptionsMain::OnHelp()
{
    return 0;
}

HRESULT CPropPageOptionsMain::WriteSettings()
{
    CRegKeyEx key;
    LONG rc = key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS);
    const auto checked = [this](int id) -> DWORD { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0; };
    if (rc == ERROR_SUCCESS)
        rc = key.SetDWORDValue(kReminderWindow, checked(IDC_CHK_REMINDERWINDOW));
    if (rc == ERROR_SUCCESS)
        rc = key.SetDWORDValue(kSound, checked(IDC_CHK_SOUND));
    if (rc == ERROR_SUCCESS)
        rc = key.SetStringValue(kSoundFile, ItemText(IDC_EDIT_SOUND).c_str());
    if (rc == ERROR_SUCCESS)
        rc = key.SetDWORDValue(kMail, checked(IDC_CHK_MAIL));
    if (rc == ERROR_SUCCESS)
        rc = key.SetStringValue(kMailAddress, ItemText(IDC_EDIT_MAIL).c_str());
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

LRESULT CPropPageOptionsMain::OnApply()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CPropPageOptionsMain::OnApply", &hr);
    HRESULT settings = S_OK;
    if (m_treeChanged) {
        // Reports its new state through OnDirty; entries that failed stay pending.
        const HRESULT applied = m_tree.Apply();
        if (applied != S_OK)
            TRACE_FAILED(Apply, applied);
    }
    if (m_controlsChanged) {
        settings = WriteSettings();
        if (FAILED(settings))
            TRACE_FAILED(SetValue, settings);
        else
            m_controlsChanged = false;
    }
    // What could not be done stays pending, the page changed and the sheet open.
    if (FAILED(settings))
        ShowFailureBox(m_hWnd, FailureText(IDS_SETTINGS_NOT_SAVED, settings));
    else if (m_tree.IsDirty())
        ShowFailureBox(m_hWnd, LoadAddinString(IDS_FOLDERS_NOT_CHANGED));
    else
        return PSNRET_NOERROR;
    hr = FAILED(settings) ? settings : S_FALSE;
    return PSNRET_INVALID_NOCHANGEPAGE;
}

void CPropPageOptionsMain::CenterTabWindow()
{
    IDialogView* view = View();
    if (!view)
        return;
    const std::optional<RECT> area = view->TabDisplayArea();
    if (!area)
        return;
    // The page's own size: its dialog units in pixels (there is no template to read it from).
    RECT page{0, 0, kTemplate.cx, kTemplate.cy};
    MapDialogRect(m_hWnd, &page);
    const LONG dx = std::max<LONG>(0, ((area->right - area->left) - (page.right - page.left)) / 2);
    const LONG dy = std::max<LONG>(0, ((area->bottom - area->top) - (page.bottom - page.top)) / 2);
    view->MovePage(area->left + dx, area->top + dy);
}
