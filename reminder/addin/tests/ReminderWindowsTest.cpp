// The reminders window and the field chooser on a virtual display: the add-in's views library
// loaded as the host loads it, over the real stores and the engine stand-in; pictures of both in
// English and German go to build/artifacts/mailhost.
#include "ReminderDialog.h"
#include "ReminderListFixture.h"
#include "ToolkitTestEnvironment.h"

#include "ColumnLayout.h"
#include "TimeFixture.h"
#include "base/AnswerQueue.h"
#include "base/DialogItems.h"
#include "base/MessageLoop.h"
#include "base/UiLanguage.h"
#include "base/Window.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/dataview.h>
#include <wx/dialog.h>

#include <chrono>
#include <filesystem>
#include <thread>

using namespace remindertest;

namespace {

void Settle()
{
    for (int i = 0; i < 20; ++i) {
        platform::MessageLoop::Current().RunPending();
        HrDispatchNotifications(0);
        wxTheApp->ProcessPendingEvents();
        wxYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void Picture(wxTopLevelWindow* window, const std::string& name)
{
    Settle();
    std::string error;
    const auto file = platform::ui::CaptureWindow(window, name, &error);
    ASSERT_FALSE(file.empty()) << error;
    std::error_code ec;
    std::filesystem::create_directories(LUMIVANE_ARTIFACTS, ec);
    std::filesystem::copy_file(file, std::filesystem::path(LUMIVANE_ARTIFACTS) / file.filename(),
                               std::filesystem::copy_options::overwrite_existing, ec);
    EXPECT_FALSE(ec) << ec.message();
}

wxDataViewCtrl* DataView(wxWindow* parent)
{
    for (wxWindow* child : parent->GetChildren())
        if (auto* view = dynamic_cast<wxDataViewCtrl*>(child))
            return view;
    return nullptr;
}

wxDialog* DialogTitled(const std::string& title)
{
    for (wxWindow* window : wxTopLevelWindows)
        if (auto* dialog = dynamic_cast<wxDialog*>(window); dialog && dialog->IsShown() &&
                                                          dialog->GetTitle().utf8_string() == title)
            return dialog;
    return nullptr;
}

class ReminderWindows : public ReminderListFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        ReminderListFixture::SetUp();
        toolkit = std::make_unique<platform::ui::ToolkitPlatform>();
        language = GetThreadUILanguage();
        platform::ClearAnswers();
    }
    void TearDown() override
    {
        if (!toolkit)
            return;
        if (const HWND window = CReminderDialog::RemindersWindow())
            DestroyWindow(window);
        Settle();
        SetThreadUILanguage(language);
        toolkit.reset();
        ReminderListFixture::TearDown();
    }

    void Items()
    {
        ItemPlan meeting = Plan("Project meeting");
        Item(meeting, [&](IMessage* m) {
            SetText(m, PSETID_Appointment, 0x8208, "Room 4");
            SetTime(m, PSETID_Appointment, 0x820D, kMay1st10h + 15 * kMinute);
            SetTime(m, PSETID_Appointment, 0x820E, kMay1st10h + 75 * kMinute);
        });
        ItemPlan call = Plan("Call the printer");
        call.messageClass = "IPM.Task";
        call.signalTime = kMay1st10h - 90 * kMinute;
        Item(call);
        ItemPlan review = Plan("Design review");
        review.signalTime = kNow + 180 * kMinute;
        Item(review, [&](IMessage* m) { SetText(m, PSETID_Appointment, 0x8208, "Lab"); });
        ItemPlan note = Plan("Send the minutes");
        note.messageClass = "IPM.Note";
        note.signalTime = kNow + 2 * 1440 * kMinute;
        Item(note);
    }

    CReminderDialog* Open()
    {
        auto* dialog = new CReminderDialog(engine.get());
        dialog->SetFilterType(1);
        EXPECT_TRUE(dialog->Create());
        dialog->ActivateReminderWindow(SW_SHOW);
        Settle();
        return dialog;
    }

    ScopedTz utc{"UTC"};
    std::unique_ptr<platform::ui::ToolkitPlatform> toolkit;
    LANGID language = 0;
};

TEST_F(ReminderWindows, TheWindowInEnglishAndGermanWithChosenColumns)
{
    Items();
    std::vector<CReminderColumn> columns = ColumnLayout::DefaultColumns();
    columns[2].SetVisible(true); // Folder
    columns[3].SetVisible(true); // Reminder Due at
    ASSERT_EQ(ColumnLayout::Write(columns), ERROR_SUCCESS);
    for (LANGID shown : {LANGID(0x0409), LANGID(0x0407)}) {
        SetThreadUILanguage(shown);
        CReminderDialog* dialog = Open();
        const HWND window = dialog->m_hWnd;
        wxDialog* view = DialogTitled("Lumivane Add-In");
        ASSERT_NE(view, nullptr);
        // The list shows the rows and the chosen columns; one row selected shows its details.
        wxDataViewCtrl* list = DataView(view);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(static_cast<int>(list->GetColumnCount()), 8);
        EXPECT_EQ(dialog->ListCtrl().GetColumnCount(), 8);
        dialog->ListCtrl().UserSelect({1});
        Settle();
        Picture(view, shown == 0x0409 ? "reminders-window-en" : "reminders-window-de");
        // Escape closes it through Close: due rows come back later.
        wxKeyEvent escape(wxEVT_CHAR_HOOK);
        escape.m_keyCode = WXK_ESCAPE;
        view->GetEventHandler()->ProcessEvent(escape);
        Settle();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(DialogTitled("Lumivane Add-In"), nullptr);
    }
}

TEST_F(ReminderWindows, TheFieldChooserOverTheWindow)
{
    Items();
    for (LANGID shown : {LANGID(0x0409), LANGID(0x0407)}) {
        SetThreadUILanguage(shown);
        CReminderDialog* dialog = Open();
        const std::string title = shown == 0x0409 ? "Choose Fields" : "Felder ausw\xC3\xA4hlen";
        bool seen = false;
        wxTheApp->CallAfter([&] {
            Settle();
            wxDialog* chooser = DialogTitled(title);
            ASSERT_NE(chooser, nullptr) << title;
            seen = true;
            const HWND window = platform::ui::WindowBinding::Of(chooser)->Handle();
            // The user picks the row of "Subject".
            wxDataViewCtrl* fields = DataView(chooser);
            ASSERT_NE(fields, nullptr);
            const wxDataViewItem row = fields->GetModel() ? static_cast<wxDataViewVirtualListModel*>(fields->GetModel())->GetItem(1)
                                                          : wxDataViewItem();
            fields->Select(row);
            wxDataViewEvent selected(wxEVT_DATAVIEW_SELECTION_CHANGED, fields, row);
            fields->ProcessWindowEvent(selected);
            Settle();
            char width[8] = "";
            GetDlgItemTextA(window, 253, width, sizeof width);
            EXPECT_STREQ(width, "100");
            Picture(chooser, shown == 0x0409 ? "field-chooser-en" : "field-chooser-de");
            SendMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
        });
        platform::PushAnswer("menu 2");
        dialog->ListCtrl().UserHeaderMenu(POINT{40, 40});
        Settle();
        EXPECT_TRUE(seen);
        SendMessageA(dialog->m_hWnd, WM_COMMAND, IDOK, 0);
        Settle();
    }
}

} // namespace
