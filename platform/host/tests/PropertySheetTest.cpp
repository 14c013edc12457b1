// PropertySheetA: an add-in's own sheet, modal, answered by queued answers, by the presenter of a
// host with a display, or cancelled; and found through the "comctl32.dll" name.
#include "TempRoot.h"

#include "base/AnswerQueue.h"
#include "base/MessageBox.h"
#include "base/Module.h"
#include "base/Resources.h"
#include "base/Window.h"
#include "host/PropertySheet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_log;
LRESULT g_applyResult = PSNRET_NOERROR;

UINT Callback(HWND, UINT message, PROPSHEETPAGEA* page)
{
    g_log.push_back(std::string(message == PSPCB_ADDREF ? "addref " : message == PSPCB_CREATE ? "create " : "release ") +
                    page->pszTitle);
    return 1;
}

INT_PTR Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    char title[64] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    const std::string name = title;
    switch (message) {
    case WM_INITDIALOG: {
        const auto* record = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
        g_log.push_back("init " + name + " param=" + std::to_string(record->lParam));
        return TRUE;
    }
    case WM_COMMAND:
        SendMessageA(GetParent(hwnd), wParam == 1 ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(hwnd), 0);
        return 0;
    case WM_NOTIFY: {
        const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
        switch (notify->hdr.code) {
        case PSN_SETACTIVE: g_log.push_back("setactive " + name); return 0;
        case PSN_KILLACTIVE: g_log.push_back("killactive " + name); return FALSE;
        case PSN_APPLY:
            g_log.push_back("apply " + name + " " + std::to_string(notify->lParam));
            return g_applyResult;
        case PSN_QUERYCANCEL: g_log.push_back("querycancel " + name); return FALSE;
        case PSN_RESET: g_log.push_back("reset " + name); return 0;
        default: return 0;
        }
    }
    case WM_DESTROY: g_log.push_back("destroy " + name); return 0;
    default: return 0;
    }
}

class PropertySheets : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_log.clear();
        g_applyResult = PSNRET_NOERROR;
        platform::ClearAnswers();
        for (const char* title : {"Lumivane Add-In", "Second"}) {
            PROPSHEETPAGEA page{};
            page.dwSize = PROPSHEETPAGEA_V1_SIZE;
            page.dwFlags = PSP_USETITLE | PSP_USECALLBACK;
            page.pszTemplate = MAKEINTRESOURCEA(107);
            page.pszTitle = title;
            page.pfnDlgProc = Procedure;
            page.lParam = static_cast<LPARAM>(pages.size() + 41);
            page.pfnCallback = Callback;
            pages.push_back(page);
        }
        header.dwSize = sizeof header;
        header.dwFlags = PSH_PROPSHEETPAGE | PSH_PROPTITLE;
        header.pszCaption = "Lumivane Add-In";
        header.nPages = 1;
        header.ppsp = pages.data();
    }
    void TearDown() override
    {
        host::SetPropertySheetPresenter(nullptr);
        platform::ClearAnswers();
    }

    TempRoot root;
    std::vector<PROPSHEETPAGEA> pages;
    PROPSHEETHEADERA header{};
};

} // namespace

TEST_F(PropertySheets, ResolvedThroughTheCommonControlsLibrary)
{
    const HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(comctl, "PropertySheetA")), reinterpret_cast<void*>(&PropertySheetA));
}

TEST_F(PropertySheets, OkAppliesThePagesAndClosesTheSheet)
{
    platform::PushAnswer("ok");
    EXPECT_EQ(PropertySheetA(&header), 1);
    EXPECT_EQ(g_log, (std::vector<std::string>{"addref Lumivane Add-In", "create Lumivane Add-In",
                                               "init Lumivane Add-In param=41", "setactive Lumivane Add-In",
                                               "killactive Lumivane Add-In", "apply Lumivane Add-In 1",
                                               "destroy Lumivane Add-In", "release Lumivane Add-In"}));
    const auto records = platform::PromptRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].kind, platform::PromptKind::Sheet);
    EXPECT_EQ(records[0].caption, "Lumivane Add-In Properties");
    EXPECT_EQ(records[0].answer, IDOK);
    EXPECT_TRUE(records[0].queued);
    // The sheet worked on copies: the caller's records are as they were.
    EXPECT_EQ(pages[0].lParam, 41);
}

TEST_F(PropertySheets, CancelAndNoAnswerLeaveEverythingUnapplied)
{
    header.dwFlags = PSH_PROPSHEETPAGE; // the caption as it stands
    header.nPages = 2;
    header.nStartPage = 1;
    platform::PushAnswer("cancel");
    EXPECT_EQ(PropertySheetA(&header), 0);
    EXPECT_EQ(std::vector<std::string>(g_log.begin() + 6, g_log.end()),
              (std::vector<std::string>{"setactive Second", "querycancel Second", "reset Lumivane Add-In",
                                        "reset Second", "destroy Lumivane Add-In", "destroy Second",
                                        "release Lumivane Add-In", "release Second"}));
    EXPECT_EQ(platform::PromptRecords().back().caption, "Lumivane Add-In");

    g_log.clear();
    EXPECT_EQ(PropertySheetA(&header), 0); // headless without an answer: cancelled
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "reset Second"), g_log.end());
    EXPECT_EQ(platform::PromptRecords().back().answer, IDCANCEL);
    EXPECT_FALSE(platform::PromptRecords().back().queued);
}

TEST_F(PropertySheets, APageThatRefusesKeepsTheSheetForTheNextAnswer)
{
    g_applyResult = PSNRET_INVALID_NOCHANGEPAGE;
    platform::PushAnswer("ok");
    platform::PushAnswer("cancel");
    EXPECT_EQ(PropertySheetA(&header), 0);
    EXPECT_EQ(platform::PendingAnswers(), 0u);
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "apply Lumivane Add-In 1"), g_log.end());
    EXPECT_NE(std::find(g_log.begin(), g_log.end(), "reset Lumivane Add-In"), g_log.end());
}

TEST_F(PropertySheets, ThePresenterShowsTheSheetAndTheApplyStateFollowsThePages)
{
    std::vector<std::string> states;
    host::SetPropertySheetPresenter([&](host::PropertySheet& sheet) {
        EXPECT_EQ(sheet.Caption(), "Lumivane Add-In Properties");
        sheet.SetStateObserver([&] { states.push_back(sheet.ApplyEnabled() ? "enabled" : "disabled"); });
        const HWND page = sheet.Pages()[0].window;
        EXPECT_EQ(GetParent(page), sheet.Window());
        SendMessageA(page, WM_COMMAND, 1, 0); // the user changes a control
        SendMessageA(page, WM_COMMAND, 1, 0);
        EXPECT_TRUE(sheet.ApplyEnabled());
        SendMessageA(page, WM_COMMAND, 2, 0);
        EXPECT_FALSE(sheet.ApplyEnabled());
        SendMessageA(page, WM_COMMAND, 1, 0);
        EXPECT_TRUE(sheet.Apply());
        EXPECT_FALSE(sheet.ApplyEnabled());
        sheet.Cancel(); // after Apply: the changes stay applied
    });
    EXPECT_EQ(PropertySheetA(&header), 1);
    EXPECT_EQ(states, (std::vector<std::string>{"enabled", "disabled", "enabled", "disabled"}));

    // A queued answer comes before the presenter.
    bool presented = false;
    host::SetPropertySheetPresenter([&](host::PropertySheet&) { presented = true; });
    platform::PushAnswer("cancel");
    EXPECT_EQ(PropertySheetA(&header), 0);
    EXPECT_FALSE(presented);
    // A presenter that leaves the sheet open: it is cancelled.
    EXPECT_EQ(PropertySheetA(&header), 0);
    EXPECT_TRUE(presented);
    EXPECT_EQ(g_log.back(), "release Lumivane Add-In");
}

namespace {

int EndWithOk(const HOSTDIALOG* dialog, void* context)
{
    *static_cast<std::string*>(context) = std::string(dialog->title) + " " + std::to_string(dialog->childCount);
    return IDOK;
}

} // namespace

TEST_F(PropertySheets, DialogHooksSeeTheSheetAndMayEndIt)
{
    std::string seen;
    HDIALOGHOOK hook = HostInstallDialogHook(EndWithOk, &seen);
    platform::PushAnswer("cancel");
    EXPECT_EQ(PropertySheetA(&header), 1);
    EXPECT_EQ(seen, "Lumivane Add-In Properties 5"); // tabs, three buttons, one page
    EXPECT_EQ(platform::PendingAnswers(), 1u);       // the hook answered; the queue was not asked
    EXPECT_EQ(platform::PromptRecords().back().answer, IDOK);
    EXPECT_FALSE(platform::PromptRecords().back().queued);
    HostRemoveDialogHook(hook);
}

TEST_F(PropertySheets, HeadersNotOfferedAreRefused)
{
    EXPECT_EQ(PropertySheetA(nullptr), -1);
    PROPSHEETHEADERA bad = header;
    bad.dwFlags = PSH_PROPTITLE; // pages as handles
    EXPECT_EQ(PropertySheetA(&bad), -1);
    bad = header;
    bad.dwFlags |= PSH_MODELESS;
    EXPECT_EQ(PropertySheetA(&bad), -1);
    bad = header;
    bad.nPages = 0;
    EXPECT_EQ(PropertySheetA(&bad), -1);
    bad = header;
    bad.ppsp = nullptr;
    EXPECT_EQ(PropertySheetA(&bad), -1);
    EXPECT_TRUE(g_log.empty());
}
