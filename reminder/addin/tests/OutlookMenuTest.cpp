// The explorer menu command of hosts below major version 14: the add-in's button in the Tools menu
// of every explorer, before the host's reminders command 6894, which it hides while it shows; the
// sinks that follow the explorers; the removal when the engine is disabled.
#include "HostIntegrationFixture.h"

#include "ButtonSink.h"
#include "LateBound.h"
#include "OutlookMenu.h"
#include "base/Utf.h"
#include "com/ComBstr.h"
#include "host/ButtonFace.h"
#include "host/CommandBars.h"
#include "host/Explorer.h"

#include <algorithm>

using namespace addintest;

namespace {

constexpr char kVersion12[] = "12.0.6423.1000";

class OutlookMenuTest : public HostIntegrationFixture {
protected:
    void SetUp() override
    {
        HostIntegrationFixture::SetUp();
        Restart(kVersion12);
    }

    CExplorer* ExplorerAt(std::size_t n) { return program->Application()->ExplorerList()->List().at(n - 1).get(); }
    std::size_t ExplorerCount() { return program->Application()->ExplorerList()->List().size(); }

    CCommandBarControls* ToolsOf(std::size_t n)
    {
        host::CommandBarControlNode* tools =
            ExplorerAt(n)->Bars()->MenuBar()->Controls()->Find(std::nullopt, 30004, std::nullopt, std::nullopt, true);
        return tools ? tools->Children() : nullptr;
    }

    // The Tools menu of explorer n: "button" for the add-in's, the ids of the others, each with
    // " hidden" when it does not show.
    std::vector<std::string> Tools(std::size_t n)
    {
        std::vector<std::string> items;
        CCommandBarControls* tools = ToolsOf(n);
        if (!tools)
            return items;
        for (host::CommandBarControlNode* node : tools->Nodes()) {
            const host::ControlState& s = node->State();
            std::string item = s.tag == kMenuButtonTag ? std::string("button") : std::to_string(s.id);
            items.push_back(item + (s.visible ? "" : " hidden"));
        }
        return items;
    }

    // Buttons tagged as the add-in's anywhere in explorer n's bars.
    int TaggedButtons(std::size_t n)
    {
        int count = 0;
        std::function<void(CCommandBarControls*)> walk = [&](CCommandBarControls* controls) {
            for (host::CommandBarControlNode* node : controls->Nodes()) {
                count += node->State().tag == kMenuButtonTag;
                if (node->Children())
                    walk(node->Children());
            }
        };
        for (const ComPtr<CCommandBar>& bar : ExplorerAt(n)->Bars()->Bars())
            walk(bar->Controls());
        return count;
    }

    host::CommandBarControlNode* ButtonOf(std::size_t n)
    {
        return ExplorerAt(n)->Bars()->MenuBar()->Controls()->Find(std::nullopt, std::nullopt,
                                                                  std::u16string(kMenuButtonTag), std::nullopt, true);
    }

    void SetEnabled(bool enabled)
    {
        ASSERT_NE(AddinCache::Engine(), nullptr);
        ASSERT_EQ(AddinCache::Engine()->put_Enabled(enabled ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
    }

    const std::vector<std::string> kShown{"7095", "5577", "button", "6894 hidden", "522"};
    const std::vector<std::string> kHidden{"7095", "5577", "button hidden", "6894", "522"};
    const std::vector<std::string> kHost{"7095", "5577", "6894", "522"};
};

// What the add-in's window part is asked to open, below the host integration's seam.
class OpenedWindows : public CEngineSeam {
public:
    HRESULT OpenRemindersWindow(IReminderEngine* engine, LONG filter) override
    {
        opened.push_back({engine, filter});
        return S_OK;
    }
    std::vector<std::pair<IReminderEngine*, LONG>> opened;
};

} // namespace

TEST_F(OutlookMenuTest, ButtonsFollowThreeExplorersAsTheyOpenActivateAndDeactivate)
{
    StartExtension();
    ASSERT_TRUE(EngineEnabled());
    EXPECT_TRUE(OutlookMenu::HasExplorersSink());
    // The first explorer gets a sink; its button comes with its next activation.
    EXPECT_EQ(OutlookMenu::ExplorerSinkCount(), 1u);
    EXPECT_EQ(Tools(1), kHost);

    // A new explorer is activated at once: its button shows, the host's command hides.
    Run("explorer 9");
    Run("explorer 13");
    ASSERT_EQ(ExplorerCount(), 3u);
    EXPECT_EQ(OutlookMenu::ExplorerSinkCount(), 3u);
    EXPECT_EQ(OutlookMenu::ButtonSinkCount(), 2u);
    EXPECT_EQ(Tools(1), kHost);
    EXPECT_EQ(Tools(2), kHidden);
    EXPECT_EQ(Tools(3), kShown);

    // controls shows the button before 6894 with its caption and face, 6894 hidden.
    const auto lines = Run("controls");
    auto at = [&](const std::string& text) {
        return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
    };
    const auto button = at("tag=\"Show Lumivane Window\"");
    const auto command = at("id=6894");
    ASSERT_NE(button, lines.end());
    ASSERT_NE(command, lines.end());
    EXPECT_EQ(button + 1, command);
    EXPECT_EQ(*button, "    3 id=1 type=1 visible=1 enabled=1 tag=\"Show Lumivane Window\" caption=\"Lumivane Add-In\" "
                       "face=16x16");
    EXPECT_NE(command->find("visible=0"), std::string::npos);

    // Deactivating hides a button and shows 6894 again; activating reverses both.
    Run("activate 1");
    EXPECT_EQ(Tools(1), kShown);
    EXPECT_EQ(Tools(3), kHidden);
    Run("activate 3");
    EXPECT_EQ(Tools(1), kHidden);
    EXPECT_EQ(Tools(3), kShown);
    for (std::size_t n = 1; n <= 3; ++n)
        EXPECT_EQ(TaggedButtons(n), 1) << n;

    // The button's texts and its face, transparent where the bitmap is magenta.
    const host::ControlState& state = ButtonOf(3)->State();
    EXPECT_EQ(platform::Utf16ToUtf8(state.tooltip), "Lumivane Add-In");
    EXPECT_EQ(platform::Utf16ToUtf8(state.description), "Lumivane Add-In");
    EXPECT_TRUE(state.beginGroup);
    const ImagePixels face = *host::ShownFace(state);
    auto alpha = [&](int x, int y) { return face.rgba[static_cast<std::size_t>(y * face.width + x) * 4 + 3]; };
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(15, 15), 0);
    EXPECT_EQ(alpha(7, 8), 255);

    // A closed explorer takes its sinks along.
    Run("close");
    EXPECT_EQ(OutlookMenu::ExplorerSinkCount(), 2u);
    EXPECT_EQ(OutlookMenu::ButtonSinkCount(), 2u);
}

TEST_F(OutlookMenuTest, DisablingRestoresTheHostsCommandEverywhereAndLaterActivationsAddNothing)
{
    StartExtension();
    Run("explorer 9");
    Run("explorer 13");
    Run("activate 1");
    SetEnabled(false);
    EXPECT_FALSE(OutlookMenu::HasExplorersSink());
    EXPECT_EQ(OutlookMenu::ExplorerSinkCount(), 0u);
    EXPECT_EQ(OutlookMenu::ButtonSinkCount(), 0u);
    for (std::size_t n = 1; n <= 3; ++n)
        EXPECT_EQ(Tools(n), kHost) << n;
    Run("activate 2");
    Run("activate 3");
    Run("explorer 6");
    for (std::size_t n = 1; n <= 4; ++n)
        EXPECT_EQ(Tools(n), kHost) << n;

    // Enabled, disabled and enabled again: one button per explorer once each is activated.
    SetEnabled(true);
    SetEnabled(false);
    SetEnabled(true);
    EXPECT_EQ(OutlookMenu::ExplorerSinkCount(), 4u);
    for (std::size_t n : {1, 2, 3, 4, 2})
        Run("activate " + std::to_string(n));
    for (std::size_t n = 1; n <= 4; ++n)
        EXPECT_EQ(TaggedButtons(n), 1) << n;
    EXPECT_EQ(Tools(2), kShown);
    EXPECT_EQ(Tools(4), kHidden);
}

TEST_F(OutlookMenuTest, AMenuBarWithATaggedButtonGetsNoSecond)
{
    // Another copy of the add-in left its button in the first explorer.
    ComPtr<CommandBarControl> added;
    ASSERT_EQ(ToolsOf(1)->Add(LateBound::MissingArg(), LateBound::MissingArg(), LateBound::MissingArg(), LateBound::MissingArg(),
                              LateBound::MissingArg(), added.put()),
              S_OK);
    ASSERT_EQ(added->put_Tag(ComBstr(kMenuButtonTag)), S_OK);
    StartExtension();
    Run("explorer 9");
    Run("activate 1");
    EXPECT_EQ(TaggedButtons(1), 1);
    EXPECT_EQ(OutlookMenu::ButtonSinkCount(), 1u); // only the second explorer's button is the add-in's
    EXPECT_EQ(TaggedButtons(2), 1);
}

TEST_F(OutlookMenuTest, WithoutTheHostsCommandTheButtonGoesToTheEndOfTheMenu)
{
    ComPtr<CommandBarControl> command;
    ASSERT_EQ(ExplorerAt(1)->Bars()->MenuBar()->Controls()->Find(std::nullopt, 6894, std::nullopt, std::nullopt, true)
                  ->Interface()
                  ->Delete(LateBound::MissingArg()),
              S_OK);
    StartExtension();
    Run("explorer 9");
    Run("activate 1");
    EXPECT_EQ(Tools(1), (std::vector<std::string>{"7095", "5577", "522", "button"}));
}

TEST_F(OutlookMenuTest, WithoutTheToolsMenuNothingIsAdded)
{
    StartExtension();
    Run("explorer 9");
    ASSERT_EQ(ExplorerAt(1)->Bars()->MenuBar()->Controls()->Find(std::nullopt, 30004, std::nullopt, std::nullopt, true)
                  ->Interface()
                  ->Delete(LateBound::MissingArg()),
              S_OK);
    Run("activate 1");
    EXPECT_EQ(TaggedButtons(1), 0);
    EXPECT_EQ(OutlookMenu::ButtonSinkCount(), 1u);
    // Hiding goes on with the other explorers.
    SetEnabled(false);
    EXPECT_EQ(Tools(2), kHost);
    EXPECT_EQ(TaggedButtons(2), 0);
}

TEST_F(OutlookMenuTest, NothingWithoutACachedApplication)
{
    EXPECT_EQ(InstallOutlookMenu(TRUE), S_OK);
    EXPECT_FALSE(OutlookMenu::HasExplorersSink());
    CommandBarControl* button = nullptr;
    EXPECT_EQ(InstallOutlookMenu(nullptr, TRUE, &button), E_INVALIDARG);
}

TEST_F(OutlookMenuTest, AHostWithARibbonGetsNoButton)
{
    StopExtension();
    Restart("14.0.7015.1000");
    StartExtension();
    Run("explorer 9");
    Run("activate 1");
    // The sinks follow the explorers, but the ribbon shows the commands: no button, 6894 shown.
    EXPECT_TRUE(OutlookMenu::HasExplorersSink());
    for (std::size_t n : {1u, 2u}) {
        EXPECT_EQ(TaggedButtons(n), 0) << n;
        EXPECT_EQ(Tools(n), kHost) << n;
    }
    EXPECT_EQ(OutlookMenu::ButtonSinkCount(), 0u);
}

TEST_F(OutlookMenuTest, AClickOpensTheRemindersWindowOfTheEngineAndWithoutOneNothing)
{
    OpenedWindows windows;
    seam.Uninstall();
    SetEngineSeam(&windows);
    seam.Install();
    StartExtension();
    Run("explorer 9"); // a new explorer gets its button at once
    EXPECT_EQ(Run("click tag Show Lumivane Window").front(), "click \"Lumivane Add-In\"");
    // The window shows the view filter the user chose last (0: the stored one).
    ASSERT_EQ(windows.opened.size(), 1u);
    EXPECT_EQ(windows.opened[0].first, AddinCache::Engine());
    EXPECT_EQ(windows.opened[0].second, 0);

    // A click that comes when there is no engine shows nothing.
    CButtonSink* sink = nullptr;
    ASSERT_EQ(CButtonSink::CreateObject(&sink, ButtonOf(2)->Interface().get()), S_OK);
    ComPtr<CButtonSink> held;
    held.Attach(sink);
    StopExtension();
    ASSERT_EQ(AddinCache::Engine(), nullptr);
    EXPECT_EQ(sink->OnClick(), S_OK);
    EXPECT_EQ(windows.opened.size(), 1u);

    seam.Uninstall();
    SetEngineSeam(nullptr);
    seam.Install();
}
