// The built-in MAPI form in its toolkit window: loaded and shown through the form manager by a
// test site, owned by a program's window, typed into and clicked as a user would, closed with
// and without saving, and shown modally; pictures of it go to the artifacts folder.
#include "FormTestFixture.h"
#include "ToolkitDialogs.h"
#include "ToolkitTestEnvironment.h"

#include "base/MessageBox.h"
#include "base/Window.h"
#include "ui/FormWindow.h"
#include "ui/ToolkitPlatform.h"
#include "ui/WindowBinding.h"
#include "ui/WindowCapture.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/listctrl.h>
#include <wx/notebook.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

namespace {

using formtest::TestFormSite;
using mapi::BuiltInForm;
using platform::ui::FormWindow;

// Lets the toolkit draw and run what is pending (deferred deletions among it).
void Settle()
{
    for (int i = 0; i < 5; ++i) {
        wxYield();
        wxTheApp->ProcessIdle();
        wxMilliSleep(10);
    }
}

template <class T>
T* Named(wxWindow* window, const char* name)
{
    return dynamic_cast<T*>(wxWindow::FindWindowByName(name, window));
}

void Click(wxWindow* window, int id)
{
    auto* button = dynamic_cast<wxButton*>(window->FindWindow(id));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->IsEnabled());
    wxCommandEvent click(wxEVT_BUTTON, id);
    click.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(click);
}

class FormWindowTest : public formtest::FormFixture {
protected:
    void SetUp() override
    {
        REQUIRE_TOOLKIT();
        FormFixture::SetUp();
        m_platform = std::make_unique<platform::ui::ToolkitPlatform>();
        m_owner = new wxFrame(nullptr, wxID_ANY, "Conflicts", wxPoint(40, 40), wxSize(500, 400));
        m_owner->Show();
        m_binding = platform::ui::WindowBinding::Attach(m_owner, "ConflictList");
    }

    void TearDown() override
    {
        if (!m_platform)
            return;
        FormFixture::TearDown();
        m_binding.reset();
        m_owner->Destroy();
        Settle();
        m_platform.reset();
    }

    // The form's toolkit window.
    FormWindow* WindowOf(BuiltInForm* form)
    {
        return dynamic_cast<FormWindow*>(platform::ui::WindowBinding::FrameOf(form->Window()));
    }

    std::unique_ptr<platform::ui::ToolkitPlatform> m_platform;
    wxFrame* m_owner = nullptr;
    std::shared_ptr<platform::ui::WindowBinding> m_binding;
};

} // namespace

TEST_F(FormWindowTest, TheWindowShowsTheWholeMessage)
{
    auto msg = Draft("Quarterly figures");
    auto form = Open(msg.get(), nullptr, VCSTATUS_INTERACTIVE, VCSTATUS_NEW_MESSAGE | VCSTATUS_SAVE | VCSTATUS_SUBMIT,
                     std::nullopt, m_binding->Handle());
    ASSERT_TRUE(form);
    ASSERT_NE(form->Window(), nullptr);
    EXPECT_EQ(FindWindowA("MapiFormWindow", "Quarterly figures - IPM.Note"), form->Window());
    EXPECT_TRUE(IsWindowVisible(form->Window()));
    FormWindow* window = WindowOf(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetParent(), m_owner);
    EXPECT_EQ(window->GetTitle(), "Quarterly figures - IPM.Note");
    EXPECT_EQ(Named<wxTextCtrl>(window, "subject")->GetValue(), "Quarterly figures");
    EXPECT_EQ(Named<wxTextCtrl>(window, "body")->GetValue(), "First line\nSecond line");
    EXPECT_TRUE(Named<wxTextCtrl>(window, "subject")->IsEditable());
    auto* attachments = Named<wxListCtrl>(window, "attachments");
    ASSERT_EQ(attachments->GetItemCount(), 1);
    EXPECT_EQ(attachments->GetItemText(0), "report.pdf");
    auto* properties = Named<wxListCtrl>(window, "properties");
    EXPECT_EQ(properties->GetItemCount(), int(form->Content().properties.size()));
    auto* pages = Named<wxNotebook>(window, "pages");
    EXPECT_EQ(pages->GetPageText(1), "Attachments (1)");
    EXPECT_TRUE(window->FindWindow(wxID_SAVE)->IsEnabled());
    EXPECT_TRUE(window->FindWindow(FormWindow::kSendId)->IsEnabled());

    Settle();
    std::string error;
    const auto shot = platform::ui::CaptureWindow(window, "form-window", &error);
    ASSERT_FALSE(shot.empty()) << error;
    wxImage image;
    ASSERT_TRUE(image.LoadFile(wxString::FromUTF8(shot.string()), wxBITMAP_TYPE_PNG));
    EXPECT_EQ(image.GetWidth(), window->GetSize().x);
    pages->SetSelection(2);
    Settle();
    EXPECT_FALSE(platform::ui::CaptureWindow(window, "form-window-properties", &error).empty()) << error;
    pages->SetSelection(1);
    Settle();
    EXPECT_FALSE(platform::ui::CaptureWindow(window, "form-window-attachments", &error).empty()) << error;

    // The program closes the window as it would any other: the form shuts down with it.
    SendMessageA(form->Window(), WM_CLOSE, 0, 0);
    Settle();
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Shutdown);
    EXPECT_EQ(FindWindowA("MapiFormWindow", nullptr), nullptr);
    EXPECT_EQ(TestFormSite::s_live, live);
}

TEST_F(FormWindowTest, TypingSavingAndSendingGoThroughTheForm)
{
    auto msg = Draft("Draft");
    auto form = Open(msg.get());
    ASSERT_TRUE(form);
    FormWindow* window = WindowOf(form.get());
    ASSERT_NE(window, nullptr);
    Named<wxTextCtrl>(window, "subject")->SetValue("Final");
    Named<wxTextCtrl>(window, "body")->SetValue("Typed text");
    EXPECT_TRUE(form->Dirty());
    EXPECT_EQ(window->GetTitle(), "Final - IPM.Note");
    Click(window, wxID_SAVE);
    EXPECT_FALSE(form->Dirty());
    auto stored = Reopen(msg.get());
    EXPECT_EQ(mapitest::GetText(stored.get(), PR_SUBJECT), "Final");
    EXPECT_EQ(mapitest::GetText(stored.get(), PR_BODY), "Typed text");

    Click(window, FormWindow::kSendId);
    Settle();
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Shutdown);
    EXPECT_EQ(FindWindowA("MapiFormWindow", nullptr), nullptr);
    EXPECT_TRUE(platform::PromptRecords().empty());
}

TEST_F(FormWindowTest, ClosingAChangedFormAsksAndCanBeCancelled)
{
    auto msg = Draft("Question");
    auto form = Open(msg.get());
    ASSERT_TRUE(form);
    FormWindow* window = WindowOf(form.get());
    ASSERT_NE(window, nullptr);
    Named<wxTextCtrl>(window, "subject")->SetValue("Changed");
    platform::PushAnswer("cancel");
    window->Close();
    Settle();
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Normal);
    EXPECT_TRUE(window->IsShown());
    platform::PushAnswer("yes");
    Click(window, wxID_CLOSE);
    Settle();
    EXPECT_EQ(form->GetState(), BuiltInForm::State::Shutdown);
    EXPECT_EQ(mapitest::GetText(Reopen(msg.get()).get(), PR_SUBJECT), "Changed");
    ASSERT_EQ(platform::PromptRecords().size(), 2u);
}

TEST_F(FormWindowTest, AReadOnlyViewShowsTheMessageWithoutChanges)
{
    auto msg = Draft("Look only");
    auto form = Open(msg.get(), nullptr, VCSTATUS_INTERACTIVE | VCSTATUS_READONLY);
    ASSERT_TRUE(form);
    FormWindow* window = WindowOf(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(Named<wxTextCtrl>(window, "subject")->IsEditable());
    EXPECT_FALSE(Named<wxTextCtrl>(window, "body")->IsEditable());
    EXPECT_FALSE(window->FindWindow(wxID_SAVE)->IsEnabled());
    EXPECT_FALSE(window->FindWindow(FormWindow::kSendId)->IsEnabled());
    Settle();
    std::string error;
    EXPECT_FALSE(platform::ui::CaptureWindow(window, "form-window-read-only", &error).empty()) << error;
}

TEST_F(FormWindowTest, AModalFormReturnsFromTheVerbOnceClosed)
{
    auto msg = Draft("Modal");
    int shown = 0;
    ModalAnswerer answerer([&](wxDialog& dialog) {
        ++shown;
        EXPECT_EQ(dialog.GetTitle(), "Modal - IPM.Note");
        dialog.Close();
    });
    auto form = Open(msg.get(), nullptr, VCSTATUS_INTERACTIVE | VCSTATUS_MODAL);
    // Open returned: the window was shown modally and closed by the answerer.
    EXPECT_EQ(shown, 1);
    EXPECT_TRUE(mapi::OpenForms().empty());
    Settle();
    EXPECT_EQ(FindWindowA("MapiFormWindow", nullptr), nullptr);
    EXPECT_EQ(TestFormSite::s_live, live);
}
