#include "ToolkitDialogs.h"

#include <wx/button.h>

#include <gtest/gtest.h>

#include <algorithm>

ModalAnswerer::ModalAnswerer(std::function<void(wxDialog&)> answer) : m_answer(std::move(answer))
{
    Register();
    // The innermost dialog is answered once it has had a moment to show.
    m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (m_open.empty() || m_open.back() == m_answering)
            return;
        m_answering = m_open.back();
        ++m_answered;
        m_answer(*m_answering);
    });
    m_timer.Start(50);
}

ModalAnswerer::~ModalAnswerer()
{
    Unregister();
}

int ModalAnswerer::Enter(wxDialog* dialog)
{
    m_open.push_back(dialog);
    return wxID_NONE;
}

void ModalAnswerer::Exit(wxDialog* dialog)
{
    std::erase(m_open, dialog);
    if (m_answering == dialog)
        m_answering = nullptr;
}

void ClickButton(wxDialog& dialog, int id)
{
    auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
    ASSERT_NE(button, nullptr) << "no button " << id;
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}
