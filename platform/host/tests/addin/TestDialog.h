// A dialog of the test add-in for the host's window commands, opened at start-up when
// HOST_TEST_DIALOG is set: "Test Dialog" with an edit (101), a check box (102), two radio buttons
// (103, 104) and three buttons that ask the user, through the platform, for a message box (105),
// a popup menu (106) and a file (107), and one that shows a property sheet of the add-in's own
// through PropertySheetA (108). With HOST_TEST_TICKER set, a one-second timer posts the
// dialog a message on each tick; WM_APP + 8 answers the sum of its parameters. Everything it hears
// goes to the add-in's log.
#pragma once

#include "base/WinTypes.h"

class TestDialog {
public:
    TestDialog();
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

private:
    HWND m_hwnd = nullptr;
    int m_ticks = 0;
};
