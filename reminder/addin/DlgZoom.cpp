#include "DlgZoom.h"

#include "FolderTreeViewCtrl.h"
#include "ModuleInstance.h"
#include "ReminderEngine.h"
#include "RegKeyEx.h"
#include "TraceScope.h"
#include "base/DialogItems.h"
#include "base/Display.h"
#include "base/Format.h"
#include "base/Resources.h"
#include "base/Window.h"

#include <algorithm>
#include <string>

namespace {

constexpr DialogControl kControls[] = {
    {ControlKind::Frame, IDC_ZOOM_FRAME, 0, 7, 7, 238, 213, 0, true},
    {ControlKind::DefPushButton, IDOK, IDS_ZOOM_CLOSE, 179, 228, 66, 14},
};
constexpr DialogTemplate kTemplate{IDD_ZOOM, 252, 249, IDS_ZOOM_CAPTION, kControls, true};

constexpr char kZoomTreePlacement[] = "ZoomTreePlacement";
constexpr int kSmallIconSize = 16;

// A placement that can be shown: a restored rectangle with a size, on a display that is there.
bool Showable(const WINDOWPLACEMENT& placement)
{
    const RECT& r = placement.rcNormalPosition;
    return r.right > r.left && r.bottom > r.top && MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

} // namespace

CDlgZoom::CDlgZoom(HWND tree, HWND home, CTreeCtrl* treeModel)
    : CAddinDialog(kTemplate), m_hTree(tree), m_hHome(home), m_treeModel(treeModel)
{
    TRACE_CTOR("CDlgZoom");
}

CDlgZoom::~CDlgZoom()
{
    TRACE_DTOR("CDlgZoom");
    if (m_bigIcon)
        DestroyIcon(m_bigIcon);
    if (m_smallIcon)
        DestroyIcon(m_smallIcon);
}

BOOL CDlgZoom::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (uMsg) {
    case WMU_TREE_DIRTY: result = OnDirty(wParam, lParam); return TRUE;
    case WM_INITDIALOG: result = OnInitDialog(); return TRUE;
    case WM_DESTROY: result = OnDestroy(); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

LRESULT CDlgZoom::OnInitDialog()
{
    TRACE_PROC("CDlgZoom::OnInitDialog");
    CreateControls();
    m_bigIcon = static_cast<HICON>(
        LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_LUMIVANE), IMAGE_ICON, SYSTEM_ICON_SIZE, SYSTEM_ICON_SIZE, 0));
    m_smallIcon = static_cast<HICON>(
        LoadImageA(ModuleInstance(), MAKEINTRESOURCEA(IDI_LUMIVANE), IMAGE_ICON, kSmallIconSize, kSmallIconSize, 0));

    // The tree moves in, into the place of the frame.
    m_treePlacement.length = sizeof(WINDOWPLACEMENT);
    if (m_hTree) {
        GetWindowPlacement(m_hTree, &m_treePlacement);
        SetParent(m_hTree, m_hWnd);
        WINDOWPLACEMENT frame{};
        frame.length = sizeof(WINDOWPLACEMENT);
        if (GetWindowPlacement(GetDlgItem(m_hWnd, IDC_ZOOM_FRAME), &frame)) {
            frame.showCmd = SW_SHOWNORMAL;
            SetWindowPlacement(m_hTree, &frame);
        }
    }

    // "Lumivane Add-In - Zoom".
    char caption[260] = {};
    wsprintfA(caption, "%s - ", "Lumivane Add-In");
    std::string title = caption + TemplateCaption();
    title.resize(std::min<std::size_t>(title.size(), sizeof caption - 1));
    SetTitle(title);

    // The last placement, unless it lies off every display there is now.
    CRegKeyEx key;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(WINDOWPLACEMENT);
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS &&
        key.QueryValue(kZoomTreePlacement, &placement) == ERROR_SUCCESS) {
        if (Showable(placement)) {
            SetWindowPlacement(m_hWnd, &placement);
            m_placementRestored = true;
        } else {
            TracePrint(__FILE__, __LINE__, TL_DEBUG, "ZoomTreePlacement lies on no display: not applied\n");
        }
    }
    return TRUE;
}

LRESULT CDlgZoom::OnDestroy()
{
    TRACE_PROC("CDlgZoom::OnDestroy");
    if (m_hTree) {
        SetParent(m_hTree, m_hHome);
        SetWindowPlacement(m_hTree, &m_treePlacement);
    }
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(WINDOWPLACEMENT);
    CRegKeyEx key;
    if (GetWindowPlacement(m_hWnd, &placement) &&
        key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) == ERROR_SUCCESS)
        key.SetValue(&placement, kZoomTreePlacement);
    return 0;
}

LRESULT CDlgZoom::OnDirty(WPARAM wParam, LPARAM lParam)
{
    TRACE_PROC("CDlgZoom::OnDirty");
    return SendMessageA(m_hHome, WMU_TREE_DIRTY, wParam, lParam);
}
