// The main frame and its tray icon without a display, over the in-memory tray: the icon and its
// state picture, clicks and the menu (answered as a script answers it), the default item that
// follows the window, "Edit - Alternative" by the settings, what closing saves, a second start's
// message, help pages per context, and a tray that is missing at first, comes, goes and comes
// back.
#include "AcceleratorTable.h"
#include "ConflictResource.h"
#include "DialogResource.h"
#include "DlgConflicts.h"
#include "MainFrame.h"
#include "OrvApp.h"
#include "OrvDoc.h"
#include "OrvView.h"
#include "resource.h"

#include "TempRoot.h"
#include "ToolTestSupport.h"

#include "base/AnswerQueue.h"
#include "base/Display.h"
#include "base/Menu.h"
#include "base/MessageLoop.h"
#include "base/Process.h"
#include "base/ShellNotify.h"
#include "base/UiLanguage.h"
#include "base/Window.h"
#include "registry/Registry.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

namespace {

namespace fs = std::filesystem;

void SetDword(HKEY root, const char* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, "Software\\Tembrix\\settings", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

std::vector<BYTE> ReadValue(const char* name, DWORD* typeOut = nullptr)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Tembrix\\settings", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::vector<BYTE> data(256);
    DWORD type = 0;
    DWORD cb = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &cb) != ERROR_SUCCESS)
        cb = 0;
    RegCloseKey(key);
    data.resize(cb);
    if (typeOut)
        *typeOut = type;
    return data;
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetThreadUILanguage(1033);
        platform::SetInMemoryTrayAvailable(true);
    }
    void TearDown() override
    {
        Destroy();
        platform::SetInMemoryTrayAvailable(true);
        platform::ForgetTrayIcons();
        SetThreadUILanguage(0);
    }

    // The program's window without a display: application, document (no engine registered
    // here), frame and view.
    void Make()
    {
        app = std::make_unique<COrvApp>();
        app->SetRegistryKey("Tembrix");
        app->LoadSettings();
        app->SetHelpFilePath();
        doc = std::make_unique<COrvDoc>();
        frame = std::make_unique<CMainFrame>(*app, *doc);
        ASSERT_TRUE(frame->Create());
        view = std::make_unique<COrvView>(*app, *doc);
        ASSERT_TRUE(view->Create(frame->GetSafeHwnd(), frame->GetSafeHwnd()));
        frame->SetView(view.get());
        frame->ShowAs(SW_SHOW);
    }
    void Destroy()
    {
        if (frame && frame->GetSafeHwnd())
            frame->DestroyWindow();
        view.reset();
        frame.reset();
        doc.reset();
        app.reset();
    }
    // Runs the loop until nothing is left, also what the messages it ran posted.
    void Pump()
    {
        while (platform::MessageLoop::Current().RunPending() > 0) {
        }
    }
    HWND Hwnd() const { return frame->GetSafeHwnd(); }
    std::optional<platform::TrayIcon> Icon() const { return platform::FindTrayIcon(Hwnd(), IDR_TRAYMENU); }
    void Click(UINT mouseMessage)
    {
        ASSERT_TRUE(platform::ClickTrayIcon(Hwnd(), IDR_TRAYMENU, mouseMessage));
        Pump();
    }

    TempRoot root;
    tooltest::ConsoleBoxes boxes;
    std::unique_ptr<COrvApp> app;
    std::unique_ptr<COrvDoc> doc;
    std::unique_ptr<CMainFrame> frame;
    std::unique_ptr<COrvView> view;
};

} // namespace

TEST_F(FrameTest, TheTrayIconShowsTheRunStateAndItsClicksFollowTheWindow)
{
    Make();
    ASSERT_TRUE(Icon());
    EXPECT_EQ(Icon()->callbackMessage, static_cast<UINT>(WMU_TRAY_NOTIFY));
    EXPECT_EQ(Icon()->tip, "");
    const HICON idle = Icon()->icon;
    ASSERT_NE(idle, nullptr);
    doc->SetSyncState(true);
    EXPECT_NE(Icon()->icon, idle) << "the running picture";
    EXPECT_EQ(frame->GetStatusText(), "Ready") << "unchanged while running";
    doc->SetSyncState(false);
    EXPECT_EQ(Icon()->icon, idle);

    // A double-click runs the default item: Minimize while the window shows, Restore from the
    // tray.
    EXPECT_EQ(frame->m_wndTray.GetDefaultCommand(), static_cast<UINT>(ID_TRAY_MINIMIZE));
    Click(WM_LBUTTONDBLCLK);
    EXPECT_EQ(frame->WindowState(), "tray");
    EXPECT_FALSE(IsWindowVisible(Hwnd()));
    EXPECT_EQ(frame->m_wndTray.GetDefaultCommand(), static_cast<UINT>(ID_TRAY_RESTORE));
    Click(WM_LBUTTONDBLCLK);
    EXPECT_EQ(frame->WindowState(), "normal");
    EXPECT_TRUE(IsWindowVisible(Hwnd()));
    EXPECT_EQ(GetForegroundWindow(), Hwnd());
    EXPECT_EQ(frame->m_wndTray.GetDefaultCommand(), static_cast<UINT>(ID_TRAY_MINIMIZE));

    // The window's own minimise button goes to the tray too.
    ShowWindow(Hwnd(), SW_MINIMIZE);
    EXPECT_EQ(frame->WindowState(), "tray");
    Click(WM_LBUTTONDBLCLK);
    EXPECT_EQ(frame->WindowState(), "normal");
    EXPECT_FALSE(IsIconic(Hwnd()));

    // The right button shows the menu 164; the chosen command reaches the frame.
    platform::PushAnswer("menu 32781");
    Click(WM_RBUTTONUP);
    EXPECT_EQ(frame->WindowState(), "tray");
    platform::PushAnswer("menu 32780");
    Click(WM_RBUTTONUP);
    EXPECT_EQ(frame->WindowState(), "normal");
    // Synchronize is grey without an engine: answering it is refused.
    platform::PushAnswer("menu 32777");
    Click(WM_RBUTTONUP);
    EXPECT_FALSE(platform::AnswerErrors().empty());
    EXPECT_FALSE(view->IsRunning());
    const auto prompts = platform::PromptRecords();
    int menus = 0;
    for (const auto& prompt : prompts)
        menus += prompt.kind == platform::PromptKind::Menu ? 1 : 0;
    EXPECT_EQ(menus, 3);
    // Other mouse messages and other icons' ids are taken and do nothing.
    EXPECT_EQ(frame->m_wndTray.HandleTrayMessage(IDR_TRAYMENU, WM_MOUSEMOVE), 1);
    EXPECT_EQ(frame->m_wndTray.HandleTrayMessage(7, WM_LBUTTONDBLCLK), 0);

    // Exit from the menu closes the window and takes the icon away.
    platform::PushAnswer("menu 57665");
    Click(WM_RBUTTONUP);
    EXPECT_EQ(frame->GetSafeHwnd(), nullptr);
    EXPECT_TRUE(platform::TrayIcons().empty());
}

TEST_F(FrameTest, TheAlternativeEditItemFollowsShowAdvancedEdit)
{
    const auto hasItem = [this] { return GetMenuState(frame->GetMenu(), ID_PROFILE_EDIT_ALTERNATIVE, MF_BYCOMMAND); };
    Make();
    EXPECT_EQ(hasItem(), static_cast<UINT>(-1)) << "off by default";
    EXPECT_NE(GetMenuState(frame->GetMenu(), ID_PROFILE_EDIT, MF_BYCOMMAND), static_cast<UINT>(-1));
    Destroy();

    SetDword(HKEY_LOCAL_MACHINE, "ShowAdvancedEdit", 1);
    Make();
    EXPECT_NE(hasItem(), static_cast<UINT>(-1)) << "from HKLM when HKCU has none";
    Destroy();

    SetDword(HKEY_CURRENT_USER, "ShowAdvancedEdit", 0);
    Make();
    EXPECT_EQ(hasItem(), static_cast<UINT>(-1)) << "HKCU wins";
    Destroy();

    SetDword(HKEY_CURRENT_USER, "ShowAdvancedEdit", 1);
    Make();
    EXPECT_NE(hasItem(), static_cast<UINT>(-1));
    // The toolbar's buttons carry their commands' labels.
    const auto& buttons = frame->ToolBarButtons();
    ASSERT_EQ(buttons.size(), 4u);
    EXPECT_EQ(buttons[0].id, static_cast<UINT>(ID_PROFILE_CREATE));
    EXPECT_EQ(buttons[0].label, "Create");
    EXPECT_EQ(buttons[3].label, "Delete");
    EXPECT_EQ(CMainFrame::CommandPrompt(ID_PROFILE_CREATE), "Create a new profile...");
}

TEST_F(FrameTest, ClosingSavesThePlacementAndTheBars)
{
    Make();
    frame->OnCommand(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(frame->IsToolBarVisible());
    EXPECT_TRUE(frame->IsCommandChecked(ID_VIEW_STATUS_BAR));
    EXPECT_FALSE(frame->IsCommandChecked(ID_VIEW_TOOLBAR));
    RECT bounds{40, 50, 700, 560};
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = bounds;
    ASSERT_TRUE(SetWindowPlacement(Hwnd(), &placement));
    SendMessageA(Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_EQ(frame->GetSafeHwnd(), nullptr);

    DWORD type = 0;
    const auto stored = ReadValue("MainFramePos", &type);
    ASSERT_EQ(stored.size(), 44u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    WINDOWPLACEMENT saved{};
    std::memcpy(&saved, stored.data(), sizeof(saved));
    EXPECT_EQ(saved.length, 44u);
    EXPECT_EQ(saved.rcNormalPosition.left, 40);
    EXPECT_EQ(saved.rcNormalPosition.bottom, 560);
    EXPECT_EQ(ReadValue("ToolBar", &type), (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(ReadValue("StatusBar"), (std::vector<BYTE>{1, 0, 0, 0}));
}

TEST_F(FrameTest, ASecondStartsMessageBringsTheWindowBackAndOtherValuesChangeNothing)
{
    Make();
    const UINT activate = RegisterWindowMessageA(ORVINTA_INSTANCE_NAME);
    frame->OnMinimize();
    ASSERT_EQ(frame->WindowState(), "tray");
    // In the tray the window is no top-level window: the message reaches the tray's window.
    const auto windows = platform::TopLevelWindows();
    EXPECT_EQ(std::find(windows.begin(), windows.end(), Hwnd()), windows.end());
    EXPECT_NE(std::find(windows.begin(), windows.end(), frame->m_wndTray.GetSafeHwnd()), windows.end());

    SendMessageA(frame->m_wndTray.GetSafeHwnd(), activate, 0, 7);
    SendMessageA(Hwnd(), activate, 0, 7);
    EXPECT_EQ(frame->WindowState(), "tray");
    EXPECT_EQ(app->m_nPendingSync, SYNC_NONE);
    EXPECT_EQ(app->m_tDueTime, 0);

    SendMessageA(frame->m_wndTray.GetSafeHwnd(), activate, 0, SYNC_OLSTART);
    EXPECT_EQ(frame->WindowState(), "normal");
    EXPECT_EQ(GetForegroundWindow(), Hwnd());
    EXPECT_EQ(app->m_nPendingSync, SYNC_OLSTART);
    EXPECT_NE(app->m_tDueTime, 0);

    // Minimised without a tray icon (it was taken away), then asked again: restored.
    frame->m_wndTray.DeleteTrayIcon();
    frame->OnMinimize();
    EXPECT_EQ(frame->WindowState(), "minimized");
    SendMessageA(Hwnd(), activate, 0, SYNC_NONE);
    EXPECT_EQ(frame->WindowState(), "normal");
    EXPECT_EQ(app->m_nPendingSync, SYNC_NONE);
    EXPECT_EQ(frame->ActivateRequests(), 4) << "each message, taken or not";
}

TEST_F(FrameTest, HelpOpensThePageOfEachContext)
{
    const fs::path record = root.path() / "opened.txt";
    const fs::path opener = root.path() / "opener";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record.string() << "'\n";
    fs::permissions(opener, fs::perms::owner_all);
    setenv(platform::kShellOpenVariable, opener.c_str(), 1);
    Make();
    const fs::path manual = fs::path(app->m_strHelpFilePath).replace_extension();
    EXPECT_EQ(manual.filename(), "Manual");
    // Every page the program's windows ask for is installed.
    for (const int context : {101, 161, 162, 163, 164, 165, 166, 167})
        EXPECT_TRUE(fs::exists(manual / (std::to_string(context) + ".html"))) << context;

    frame->OnCommand(ID_HELP_TOPICS);
    std::vector<ConflictRow> rows;
    for (const int mode : {CDlgConflicts::MODE_DELETIONS, CDlgConflicts::MODE_CHANGES}) {
        CDlgConflicts dialog(mode, rows, nullptr, nullptr, "caption", "L", "G");
        ASSERT_TRUE(dialog.Create());
        dialog.ClickItem(IDHELP_BUTTON);
        EXPECT_FALSE(dialog.IsEnded());
    }
    std::vector<std::string> opened;
    // The openers run as processes of their own, so their lines may come in any order.
    for (int i = 0; i < 2000 && opened.size() < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        opened.clear();
        std::ifstream in(record);
        for (std::string line; std::getline(in, line);)
            opened.push_back(line);
    }
    unsetenv(platform::kShellOpenVariable);
    std::sort(opened.begin(), opened.end());
    EXPECT_EQ(opened, (std::vector<std::string>{(manual / "101.html").string(), (manual / "166.html").string(),
                                                (manual / "167.html").string()}));
}

TEST_F(FrameTest, WithoutATrayTheWindowMinimisesAndATrayThatAppearsGetsTheIcon)
{
    platform::SetInMemoryTrayAvailable(false);
    Make();
    EXPECT_FALSE(Icon()) << "no tray";
    EXPECT_TRUE(frame->m_wndTray.IsShowPending());
    frame->OnMinimize();
    EXPECT_EQ(frame->WindowState(), "minimized") << "an ordinary minimised window";
    EXPECT_TRUE(IsIconic(Hwnd()));
    doc->SetSyncState(true);
    const HICON running = frame->m_wndTray.GetIcon();

    // A tray appears: it announces itself and gets the icon with the picture of now.
    platform::SetInMemoryTrayAvailable(true);
    Pump();
    ASSERT_TRUE(Icon());
    EXPECT_EQ(Icon()->icon, running);
    EXPECT_FALSE(frame->m_wndTray.IsShowPending());
    Click(WM_LBUTTONDBLCLK);
    EXPECT_EQ(frame->WindowState(), "normal") << "the default item was Restore";
    ShowWindow(Hwnd(), SW_MINIMIZE);
    EXPECT_EQ(frame->WindowState(), "tray") << "from now on into the tray";

    // The taskbar restarts: the icons go and the new one is announced.
    platform::SetInMemoryTrayAvailable(false);
    EXPECT_FALSE(Icon());
    platform::SetInMemoryTrayAvailable(true);
    Pump();
    ASSERT_TRUE(Icon());
    // The work area changes after the tray lost the icon.
    platform::ForgetTrayIcons();
    SendMessageA(frame->m_wndTray.GetSafeHwnd(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    ASSERT_TRUE(Icon());
    // ... and while it has it: it stays, once.
    SendMessageA(frame->m_wndTray.GetSafeHwnd(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    EXPECT_EQ(platform::TrayIcons().size(), 1u);
    EXPECT_TRUE(frame->m_wndTray.IsIconShown());
    Click(WM_LBUTTONDBLCLK);
    EXPECT_EQ(frame->WindowState(), "normal");

    // After the window has gone nothing adds the icon again.
    const HWND tray = frame->m_wndTray.GetSafeHwnd();
    frame->DestroyWindow();
    EXPECT_TRUE(platform::TrayIcons().empty());
    EXPECT_TRUE(frame->m_wndTray.IsRemoved());
    SendMessageA(tray, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
    platform::SetInMemoryTrayAvailable(false);
    platform::SetInMemoryTrayAvailable(true);
    Pump();
    EXPECT_TRUE(platform::TrayIcons().empty());
}

TEST(AcceleratorTable, TheFramesKeysAndTheirCommands)
{
    const CAcceleratorTable table = CAcceleratorTable::Load(IDR_MAINFRAME);
    EXPECT_EQ(table.Entries().size(), 8u);
    EXPECT_EQ(table.Find("C", true, false, false), static_cast<UINT>(ID_PROFILE_CREATE));
    EXPECT_EQ(table.Find("S", true, false, false), static_cast<UINT>(ID_SYNCHRONIZE));
    EXPECT_EQ(table.Find("F2", false, false, false), static_cast<UINT>(ID_PROFILE_RENAME));
    EXPECT_EQ(table.Find("R", true, false, false), static_cast<UINT>(ID_PROFILE_RENAME));
    EXPECT_EQ(table.Find("Del", false, false, false), static_cast<UINT>(ID_PROFILE_DELETE));
    EXPECT_EQ(table.Find("X", true, false, false), static_cast<UINT>(ID_PROFILE_EDIT_ALTERNATIVE));
    EXPECT_EQ(table.Find("S", false, false, false), 0u);
    EXPECT_EQ(CAcceleratorTable::KeyText(table.Entries().front()), "Ctrl+C");

    CAcceleratorTable parsed;
    EXPECT_FALSE(parsed.Parse("# keys\nctrl+x 1\n")) << "modifiers as they are written";
    EXPECT_TRUE(parsed.Parse("Ctrl+x 1\n\nShift+Alt+F12 65535  # end\n"));
    ASSERT_EQ(parsed.Entries().size(), 2u);
    EXPECT_EQ(parsed.Entries()[0].key, "X");
    EXPECT_TRUE(parsed.Entries()[1].shift && parsed.Entries()[1].alt);
    for (const char* bad : {"Ctrl+S", "Ctrl+S 0", "Ctrl+S 65536", "F25 1", "Hyper+S 1", "Ctrl+S 1 2", "Ctrl+SS 1"}) {
        CAcceleratorTable kept = parsed;
        EXPECT_FALSE(kept.Parse(bad)) << bad;
        EXPECT_EQ(kept.Entries().size(), 2u) << "a bad table keeps nothing of itself";
    }
}
