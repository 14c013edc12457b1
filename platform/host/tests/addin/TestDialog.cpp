#include "TestDialog.h"

#include "TestAddInLog.h"

#include "base/DialogItems.h"
#include "base/FileDialog.h"
#include "base/Menu.h"
#include "base/MessageBox.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/Window.h"
#include "host/PropertySheet.h"

#include <dlfcn.h>

#include <cstdlib>
#include <string>

namespace {

constexpr UINT kTickPosted = WM_APP + 7;
constexpr UINT kSum = WM_APP + 8; // answers wParam + lParam

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// The page of the dialog's sheet: it logs what the sheet tells it; its command 1 tells the sheet
// it holds changes.
INT_PTR SheetPageProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == 1) {
        TestAddInLog("sheet page changed");
        SendMessageA(GetParent(hwnd), PSM_CHANGED, reinterpret_cast<WPARAM>(hwnd), 0);
    } else if (message == WM_NOTIFY) {
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        if (code == PSN_APPLY)
            TestAddInLog("sheet page apply");
        else if (code == PSN_RESET)
            TestAddInLog("sheet page reset");
    }
    return 0;
}

void* SheetPageView(void* parent, PROPSHEETPAGEA*)
{
    void* library = dlopen(HOST_TEST_PAGE_VIEW, RTLD_NOW);
    using Create = void* (*)(void*);
    auto create = library ? reinterpret_cast<Create>(dlsym(library, "CreateTestPageView")) : nullptr;
    return create ? create(parent) : nullptr;
}

// A sheet of the add-in's own, through the common controls' PropertySheetA found at run time.
INT_PTR ShowSheet(HWND owner)
{
    using Show = INT_PTR (*)(const PROPSHEETHEADERA*);
    const auto show = reinterpret_cast<Show>(GetProcAddress(LoadLibraryA("comctl32.dll"), "PropertySheetA"));
    if (!show)
        return -2;
    PROPSHEETPAGEA page{};
    page.dwSize = PROPSHEETPAGEA_V1_SIZE;
    page.dwFlags = PSP_USETITLE;
    page.pszTitle = "Sheet Page";
    page.pfnDlgProc = SheetPageProcedure;
    page.pfnCreateWindow = SheetPageView;
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_PROPTITLE;
    header.hwndParent = owner;
    header.pszCaption = "Test Sheet";
    header.nPages = 1;
    header.ppsp = &page;
    return show(&header);
}

std::string ItemText(HWND dialog, int id)
{
    char text[256];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

} // namespace

TestDialog::TestDialog()
{
    m_hwnd = platform::CreateMessageWindow(
        "TestDialogClass", "Test Dialog",
        [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_TIMER && wParam == 1) {
                TestAddInLog("tick " + std::to_string(++m_ticks));
                PostMessageA(hwnd, kTickPosted, static_cast<WPARAM>(m_ticks), 0);
                return 0;
            }
            if (message == kSum) {
                TestAddInLog("sum " + std::to_string(wParam) + " " + std::to_string(lParam));
                return static_cast<LRESULT>(wParam) + lParam;
            }
            if (message == kTickPosted) {
                TestAddInLog("post " + std::to_string(wParam));
                return 0;
            }
            if (message != WM_COMMAND)
                return DefWindowProcA(hwnd, message, wParam, lParam);
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (id == 101 && code == EN_CHANGE) {
                const auto modified = SendDlgItemMessageA(hwnd, 101, EM_GETMODIFY, 0, 0);
                TestAddInLog("edit \"" + ItemText(hwnd, 101) + "\" modified=" + std::to_string(modified));
            } else if (code == BN_CLICKED && id >= 102 && id <= 104) {
                TestAddInLog("button " + std::to_string(id) + " checked=" + std::to_string(IsDlgButtonChecked(hwnd, id)));
            } else if (code == BN_CLICKED && id == 105) {
                TestAddInLog("box " + std::to_string(MessageBoxA(hwnd, "Go on?", "Test Dialog", MB_YESNO | MB_ICONQUESTION)));
            } else if (code == BN_CLICKED && id == 106) {
                const HMENU menu = LoadMenuA(ThisModule(), MAKEINTRESOURCEA(200));
                const UINT chosen =
                    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RETURNCMD | TPM_LEFTBUTTON, 0, 0, 0, hwnd, nullptr);
                DestroyMenu(menu);
                TestAddInLog("menu " + std::to_string(chosen));
            } else if (code == BN_CLICKED && id == 107) {
                char path[MAX_PATH] = "";
                OPENFILENAMEA ofn{};
                ofn.lStructSize = sizeof ofn;
                ofn.hwndOwner = hwnd;
                ofn.lpstrFilter = "Wave Files (*.wav)\0*.wav\0";
                ofn.lpstrFile = path;
                ofn.nMaxFile = sizeof path;
                TestAddInLog(GetOpenFileNameA(&ofn) ? "file " + std::string(path) : std::string("file cancelled"));
            } else if (code == BN_CLICKED && id == 108) {
                TestAddInLog("sheet " + std::to_string(ShowSheet(hwnd)));
            }
            return 0;
        },
        nullptr, nullptr, WS_POPUP | WS_VISIBLE);
    platform::CreateDialogItem(m_hwnd, WC_EDITA, 101, "", WS_TABSTOP);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 102, "Remind me", BS_AUTOCHECKBOX | WS_TABSTOP);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 103, "Daily", BS_AUTORADIOBUTTON | WS_GROUP);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 104, "Weekly", BS_AUTORADIOBUTTON);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 105, "Ask", BS_PUSHBUTTON | WS_GROUP);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 106, "Menu", BS_PUSHBUTTON);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 107, "Open", BS_PUSHBUTTON);
    platform::CreateDialogItem(m_hwnd, WC_BUTTONA, 108, "Sheet", BS_PUSHBUTTON);
    SendDlgItemMessageA(m_hwnd, 101, EM_LIMITTEXT, 10, 0);
    if (std::getenv("HOST_TEST_TICKER"))
        SetTimer(m_hwnd, 1, 1000, nullptr);
    TestAddInLog("dialog open");
}

TestDialog::~TestDialog()
{
    if (IsWindow(m_hwnd))
        DestroyWindow(m_hwnd);
}
