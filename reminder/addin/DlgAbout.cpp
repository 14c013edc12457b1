#include "DlgAbout.h"

#include "AddinCache.h"
#include "FailureBox.h"
#include "TraceScope.h"
#include "base/DialogItems.h"
#include "base/Format.h"
#include "base/Window.h"

#include <algorithm>
#include <string>

namespace {

constexpr DialogControl kControls[] = {
    {ControlKind::Icon, IDC_STATIC, 0, 14, 34, 21, 20, 0, false, IDI_LUMIVANE},
    {ControlKind::Static, IDC_STATIC, IDS_ABOUT_PRODUCT, 46, 40, 193, 10},
    {ControlKind::EtchedLine, IDC_STATIC, 0, 14, 92, 225, 1},
    {ControlKind::PushButton, IDC_BTN_RESET, IDS_ABOUT_RESET, 14, 110, 64, 14},
    {ControlKind::Static, IDC_STATIC, IDS_ABOUT_RESET_TEXT, 86, 112, 153, 24},
    {ControlKind::DefPushButton, IDOK, IDS_ABOUT_OK, 189, 162, 50, 14},
};
constexpr DialogTemplate kTemplate{IDD_ABOUT, 253, 186, IDS_ABOUT_CAPTION, kControls};

} // namespace

CDlgAbout::CDlgAbout() : CAddinDialog(kTemplate)
{
    TRACE_CTOR("CDlgAbout");
}

CDlgAbout::~CDlgAbout()
{
    TRACE_DTOR("CDlgAbout");
}

BOOL CDlgAbout::ProcessWindowMessage(HWND, UINT uMsg, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (uMsg) {
    case WM_INITDIALOG: result = OnInitDialog(); return TRUE;
    case WM_DESTROY: result = OnDestroy(); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK: OnOK(); return TRUE;
        case IDCANCEL: OnCancel(); return TRUE;
        case IDC_BTN_RESET: OnReset(); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

LRESULT CDlgAbout::OnInitDialog()
{
    TRACE_PROC("CDlgAbout::OnInitDialog");
    CreateControls();
    // The template's caption, a blank and the product: "Support Lumivane Add-In".
    SetWindowTextA(m_hWnd, TemplateCaption().c_str());
    char title[260] = {};
    GetWindowTextA(m_hWnd, title, sizeof title);
    const std::size_t used = std::char_traits<char>::length(title);
    if (used + 1 < sizeof title) {
        char product[WSPRINTF_LIMIT] = {};
        wsprintfA(product, " %s", "Lumivane Add-In");
        std::string caption = std::string(title) + product;
        caption.resize(std::min(caption.size(), sizeof title - 1));
        SetTitle(caption);
    }
    return TRUE;
}

LRESULT CDlgAbout::OnDestroy()
{
    TRACE_PROC("CDlgAbout::OnDestroy");
    return 0;
}

void CDlgAbout::OnOK()
{
    TRACE_PROC("CDlgAbout::OnOK");
    EndDialog(IDOK);
}

void CDlgAbout::OnCancel()
{
    TRACE_PROC("CDlgAbout::OnCancel");
    EndDialog(IDCANCEL);
}

void CDlgAbout::OnReset()
{
    HRESULT hr = S_OK;
    TRACE_FUNC("CDlgAbout::OnReset", &hr);
    const ComPtr<IReminderEngine> engine(AddinCache::Engine());
    if (!engine) {
        hr = E_POINTER;
        TracePrint(__FILE__, __LINE__, TL_WARNING, "No engine: nothing to reset\n");
        return;
    }
    hr = engine->Reset();
    m_resetRan = true;
    if (FAILED(hr)) {
        TRACE_FAILED(Reset, hr);
        ShowFailureBox(m_hWnd, FailureText(IDS_RESET_FAILED, hr));
    }
}
