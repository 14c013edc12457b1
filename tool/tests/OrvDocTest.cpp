// The document's engine connection: through COM by the engine's class, its profiles loaded, a
// missing engine reported once with its error text and left empty without ending anything, and
// the close rule during a run.
#include "OrvDoc.h"

#include "OrvApp.h"
#include "resource.h"

#include "EngineTestSupport.h"
#include "ToolTestSupport.h"
#include "base/MessageBox.h"
#include "base/Window.h"

namespace {

using namespace enginetest;
using tooltest::Boxes;

class DocTest : public ::testing::Test {
protected:
    TempRoot root;
    tooltest::ConsoleBoxes boxes;
};

TEST_F(DocTest, UnregisteredEngineIsReportedOnceAndLeavesEverythingEmpty)
{
    COrvApp app;
    COrvDoc doc;
    EXPECT_FALSE(doc.m_pEngine);
    EXPECT_FALSE(doc.m_pProfiles);
    EXPECT_FALSE(doc.LoadProfiles()) << "nothing to load from";
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("The engine could not be loaded.\r\n", 0), 0u) << boxes[0].text;
    EXPECT_NE(boxes[0].text.find("0x8"), std::string::npos) << "with the error text: " << boxes[0].text;
    EXPECT_EQ(boxes[0].caption, "Orvinta");
    // Reaching the engine through the empty reference is an error a handler can catch.
    EXPECT_THROW(doc.m_pEngine->Init(), CComError);
}

TEST_F(DocTest, RegisteredEngineIsConnectedWithItsProfiles)
{
    ASSERT_EQ(Regsvr(), 0);
    {
        COrvApp app;
        COrvDoc doc;
        ASSERT_TRUE(doc.m_pEngine);
        ASSERT_TRUE(doc.m_pProfiles);
        LONG count = -1;
        EXPECT_EQ(doc.m_pProfiles->get_Count(&count), S_OK);
        EXPECT_EQ(count, 0);
        EXPECT_TRUE(Boxes().empty());
        EXPECT_TRUE(doc.LoadProfiles());
    }
    EXPECT_EQ(LibraryCanUnloadNow(), S_OK) << "the document released every engine object";
}

TEST_F(DocTest, ClosingDuringARunIsRefusedAndRemembered)
{
    COrvApp app;
    COrvDoc doc;
    platform::ClearAnswers();
    std::vector<UINT> icons;
    std::vector<std::string> status;
    doc.m_onTrayIcon = [&](UINT icon) { icons.push_back(icon); };
    doc.m_onStatusText = [&](const std::string& text) { status.push_back(text); };
    int stopped = 0;
    HWND view = platform::CreateMessageWindow("View", "", [&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WMU_KILLTIMER)
            ++stopped;
        return 0;
    }, HWND_MESSAGE);
    doc.AddView(view);

    EXPECT_EQ(doc.OnIdle(), "");
    doc.SetSyncState(true);
    EXPECT_EQ(doc.OnIdle(), "Processing synchronisation...");
    EXPECT_FALSE(doc.CanCloseFrame());
    EXPECT_TRUE(doc.m_bQuitAfterRun);
    EXPECT_EQ(stopped, 0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text,
              "Synchronisation in progress.\n\nThe application will quit when synchronisation is complete.");
    EXPECT_EQ(Boxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));

    doc.SetSyncState(false);
    EXPECT_EQ(icons, (std::vector<UINT>{IDI_RUNNING, IDI_IDLE}));
    EXPECT_EQ(status, std::vector<std::string>{"Ready"});
    EXPECT_TRUE(doc.CanCloseFrame());
    EXPECT_EQ(stopped, 1);
    DestroyWindow(view);
}

} // namespace
