// The reminders window's tests: the folder model's fixture (profile "Work", the engine stand-in
// whose back folder is the personal store's Calendar) with a watched calendar in the public
// store, whose items the mirroring copies into the back folder; a fixed clock; and a window that
// stands in for the reminders window around a list: the details pane's controls, the view
// filter it answers, the notifications it reflects and the updates it hears.
#pragma once

#include "ReminderFixture.h"
#include "ReminderListCtrl.h"
#include "base/ManualClock.h"

#include <memory>

namespace remindertest {

// 2007-05-01 10:00 UTC plus a quarter of an hour: kMay1st10h is due, later times are not.
constexpr ULONGLONG kNow = kMay1st10h + 15 * kMinute;

class ReminderListFixture : public ReminderFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // An item of the watched calendar; `change` may set more properties before it is saved.
    Bytes Item(const ItemPlan& plan, const std::function<void(IMessage*)>& change = {});
    // A named property of the items' own sets or a string name, set on a message.
    void SetText(IMessage* message, const GUID& set, LONG id, const char* text);
    void SetText(IMessage* message, const char16_t* name, const char* text);
    // The item's copy in the back folder.
    Bytes CopyOf(const std::string& subject);

    // The stand-in window with a list inside, filled for the filter.
    void OpenList(LONG filter = 1);
    void CloseList();
    // The texts of the shown columns of a row, and the row with this subject (-1: none).
    std::string Cell(int row, LONG columnId);
    int RowOf(const std::string& subject);
    std::string Detail(int id);

    std::shared_ptr<platform::ManualClock> clock;
    std::unique_ptr<platform::ScopedClock> scopedClock;
    ComPtr<IMAPIFolder> calendar;
    ComPtr<ILVFolder> watched;
    HWND dialog = nullptr;
    LONG filter = 1;
    int updates = 0;
    std::unique_ptr<CReminderListCtrl> list;
};

} // namespace remindertest
