#include "ReminderListFixture.h"

#include "base/DialogItems.h"
#include "base/ListView.h"
#include "base/Utf.h"
#include "base/Window.h"
#include "ReminderMessages.h"

namespace remindertest {

void ReminderListFixture::SetUp()
{
    clock = std::make_shared<platform::ManualClock>(kNow, 1000);
    scopedClock = std::make_unique<platform::ScopedClock>(clock);
    ReminderFixture::SetUp();
    calendar = NewFolder(Subtree(publicStore.get()).get(), "Team", "IPF.Appointment");
    watched = FolderObject(u"Public Folders", calendar.get());
    ASSERT_TRUE(watched);
    ASSERT_EQ(engine->SetReminderFolder(watched.get(), RT_PUBLIC), S_OK);
}

void ReminderListFixture::TearDown()
{
    CloseList();
    watched = nullptr;
    calendar = nullptr;
    ReminderFixture::TearDown();
    scopedClock.reset();
}

Bytes ReminderListFixture::Item(const ItemPlan& plan, const std::function<void(IMessage*)>& change)
{
    const Bytes id = NewItem(calendar.get(), plan);
    if (change)
        Change(publicStore.get(), id, change);
    Pump();
    return id;
}

void ReminderListFixture::SetText(IMessage* message, const GUID& set, LONG id, const char* text)
{
    SPropValue v{};
    v.ulPropTag = NamedTag(message, set, id, PT_STRING8);
    v.Value.lpszA = const_cast<char*>(text);
    EXPECT_EQ(HrSetOneProp(message, &v), S_OK);
}

void ReminderListFixture::SetText(IMessage* message, const char16_t* name, const char* text)
{
    SPropValue v{};
    v.ulPropTag = NamedTag(message, name, PT_STRING8);
    v.Value.lpszA = const_cast<char*>(text);
    EXPECT_EQ(HrSetOneProp(message, &v), S_OK);
}

Bytes ReminderListFixture::CopyOf(const std::string& subject)
{
    for (const Copy& copy : Copies())
        if (copy.subject == subject)
            return copy.entryId;
    ADD_FAILURE() << "no copy of " << subject;
    return {};
}

void ReminderListFixture::OpenList(LONG filterType)
{
    CloseList();
    filter = filterType;
    dialog = platform::CreateMessageWindow("#32770", "Lumivane Add-In", [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WMU_REMINDERS_GETFILTER)
            return filter;
        if (message == WMU_REMINDERS_UPDATEUI) {
            ++updates;
            return 0;
        }
        if (message == WM_NOTIFY && lParam) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            return SendMessageA(header->hwndFrom, OCM_NOTIFY, wParam, lParam);
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    });
    ASSERT_TRUE(dialog);
    for (int id : {229, 231, 230, 244, 245})
        platform::CreateDialogItem(dialog, id == 229 ? WC_STATICA : WC_STATICA, id, "", SS_LEFT);
    list = std::make_unique<CReminderListCtrl>();
    ASSERT_TRUE(list->Create(dialog, 204));
    list->Init(engine.get());
}

void ReminderListFixture::CloseList()
{
    if (dialog && IsWindow(dialog))
        DestroyWindow(dialog);
    dialog = nullptr;
    list.reset();
}

std::string ReminderListFixture::Cell(int row, LONG columnId)
{
    for (int subitem = 0; subitem < list->GetColumnCount(); ++subitem) {
        const int slot = list->SlotOfSubitem(subitem);
        if (slot >= 0 && list->Columns()[static_cast<std::size_t>(slot)].GetId() == columnId)
            return list->GetItemText(row, subitem);
    }
    ADD_FAILURE() << "column " << columnId << " not shown";
    return {};
}

int ReminderListFixture::RowOf(const std::string& subject)
{
    for (int row = 0; row < list->GetItemCount(); ++row)
        if (Cell(row, 1) == subject)
            return row;
    return -1;
}

std::string ReminderListFixture::Detail(int id)
{
    char text[512] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

} // namespace remindertest
