#include "ToolkitTestEnvironment.h"

#include "VirtualDisplay.h"

#include <wx/app.h>
#include <wx/init.h>

#include <memory>

namespace toolkit_test {

namespace {

bool g_running = false;

class ToolkitEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (!VirtualDisplay::Available())
            return;
        m_display = std::make_unique<VirtualDisplay>();
        ASSERT_TRUE(m_display->ok()) << m_display->error();
        m_display->makeCurrent();
        // A failed toolkit check is a failed test, not a dialog that waits for a click.
        wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                              const wxString& msg) {
            ADD_FAILURE() << "toolkit check failed: " << cond.utf8_string() << " " << msg.utf8_string() << " in "
                          << func.utf8_string() << " (" << file.utf8_string() << ":" << line << ")";
        });
        wxApp::SetInstance(new wxApp);
        int argc = 1;
        static char name[] = "platform_ui_tests";
        char* argv[] = {name, nullptr};
        ASSERT_TRUE(wxEntryStart(argc, argv)) << "the toolkit cannot start";
        ASSERT_TRUE(wxTheApp->CallOnInit());
        g_running = true;
    }

    void TearDown() override
    {
        if (g_running) {
            wxTheApp->OnExit();
            wxEntryCleanup();
            g_running = false;
        }
        m_display.reset();
    }

private:
    std::unique_ptr<VirtualDisplay> m_display;
};

[[maybe_unused]] const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

} // namespace

bool ToolkitRunning()
{
    return g_running;
}

} // namespace toolkit_test
