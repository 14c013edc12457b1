#include "ui/ToolkitFormDisplays.h"

#include "mapi/BuiltInForm.h"
#include "ui/FormWindow.h"
#include "ui/WindowBinding.h"

#include <wx/thread.h>
#include <wx/weakref.h>

namespace platform::ui {

namespace {

class ToolkitFormDisplay : public mapi::FormDisplay {
public:
    explicit ToolkitFormDisplay(mapi::BuiltInForm& form) : m_form(form) {}
    ~ToolkitFormDisplay() override { Close(); }

    HRESULT Open(HWND parent, const RECT* position, bool modal) override
    {
        // Toolkit windows live on the toolkit's thread only.
        if (!wxIsMainThread())
            return MAPI_E_CALL_FAILED;
        if (!m_window) {
            wxWindow* owner = parent ? WindowBinding::FrameOf(parent) : nullptr;
            m_window = new FormWindow(owner, &m_form);
            m_binding = WindowBinding::Attach(m_window, "MapiFormWindow");
            if (position && position->right > position->left && position->bottom > position->top)
                m_window->SetSize(position->left, position->top, position->right - position->left,
                                  position->bottom - position->top);
            else
                m_window->CentreOnParent();
        }
        if (modal && !m_window->IsShown()) {
            m_window->ShowModal(); // until the form closes
            return S_OK;
        }
        m_window->Show();
        m_window->Raise();
        return S_OK;
    }

    void Refresh() override
    {
        if (m_window)
            m_window->Fill();
    }

    void Close() override
    {
        FormWindow* window = m_window.get();
        m_window = nullptr;
        m_binding.reset();
        if (!window)
            return;
        window->Detach();
        if (window->IsModal())
            window->EndModal(wxID_CLOSE);
        if (!window->IsBeingDeleted())
            window->Destroy();
    }

    HWND Window() const override { return m_window && m_binding ? m_binding->Handle() : nullptr; }
    bool Shown() const override { return m_window && m_window->IsShown(); }

private:
    mapi::BuiltInForm& m_form;
    wxWeakRef<FormWindow> m_window;
    std::shared_ptr<WindowBinding> m_binding;
};

} // namespace

std::unique_ptr<mapi::FormDisplay> ToolkitFormDisplays::Create(mapi::BuiltInForm& form)
{
    return std::make_unique<ToolkitFormDisplay>(form);
}

} // namespace platform::ui
