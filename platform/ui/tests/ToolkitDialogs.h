// Answers the toolkit's modal dialogs from a test: once a modal dialog shows, `answer` is
// called with it (on the GUI thread) and is to end it, as a user's click would.
#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

#include <functional>
#include <vector>

class ModalAnswerer : private wxModalDialogHook {
public:
    explicit ModalAnswerer(std::function<void(wxDialog&)> answer);
    ~ModalAnswerer() override;
    // The dialogs answered so far.
    int answered() const { return m_answered; }

private:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

    wxTimer m_timer;
    std::function<void(wxDialog&)> m_answer;
    std::vector<wxDialog*> m_open; // the modal dialogs showing, innermost last
    wxDialog* m_answering = nullptr;
    int m_answered = 0;
};

// Clicks the dialog's button with this id.
void ClickButton(wxDialog& dialog, int id);
