// The resizable-window framework's display-free parts: anchors, the minimum size, the size
// grip's show state and the saved placement text.
#include "AnchorLayout.h"
#include "MinTrackSize.h"
#include "SizeGripState.h"
#include "WindowPlacementText.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// A parent whose children are rectangles.
class TestLayout : public CAnchorLayout {
public:
    CRect client;
    std::map<ChildId, CRect> children;
    int moveCalls = 0;

protected:
    CRect GetLayoutRect() const override { return client; }
    CRect GetChildRect(ChildId child) const override { return children.at(child); }
    void MoveChildren(const std::vector<ChildMove>& moves) override
    {
        ++moveCalls;
        for (const ChildMove& move : moves)
            children[move.child] = move.rect;
    }
};

int a, b, c, d;

TEST(AnchorLayout, StretchedChildKeepsItsDistancesToAllEdges)
{
    TestLayout layout;
    layout.client = {0, 0, 400, 300};
    layout.children[&a] = {10, 20, 390, 280};
    layout.AddAnchor(&a, TOP_LEFT, BOTTOM_RIGHT);
    layout.client = {0, 0, 601, 451};
    layout.ArrangeLayout();
    EXPECT_EQ(layout.children[&a], (CRect{10, 20, 591, 431}));
}

TEST(AnchorLayout, CornerChildMovesAndKeepsItsSize)
{
    TestLayout layout;
    layout.client = {0, 0, 400, 300};
    layout.children[&b] = {300, 250, 380, 275};
    layout.AddAnchor(&b, BOTTOM_RIGHT);
    layout.client = {0, 0, 500, 350};
    layout.ArrangeLayout();
    EXPECT_EQ(layout.children[&b], (CRect{400, 300, 480, 325}));
}

TEST(AnchorLayout, CentreAnchorsUseIntegerPercentages)
{
    TestLayout layout;
    layout.client = {0, 0, 201, 101};
    layout.children[&c] = {90, 10, 110, 30};
    layout.AddAnchor(&c, TOP_CENTER);     // margin x = 90 - 201*50/100 = -10
    layout.children[&d] = {0, 40, 201, 60};
    layout.AddAnchor(&d, MIDDLE_LEFT, MIDDLE_RIGHT);
    layout.client = {0, 0, 303, 203};
    layout.ArrangeLayout();
    EXPECT_EQ(layout.children[&c], (CRect{141, 10, 161, 30}));
    EXPECT_EQ(layout.children[&d], (CRect{0, 91, 303, 111}));
}

TEST(AnchorLayout, LayoutRectangleOffsetAndUnchangedChildrenAreSkipped)
{
    TestLayout layout;
    layout.client = {-30, -40, 370, 260}; // a scrolled form: content starts above and left
    layout.children[&a] = {-20, -30, 360, 250};
    layout.children[&b] = {0, 0, 50, 20};
    layout.AddAnchor(&a, TOP_LEFT, BOTTOM_RIGHT);
    layout.AddAnchor(&b, TOP_LEFT);
    EXPECT_TRUE(layout.CalcLayout().empty());
    layout.ArrangeLayout();
    EXPECT_EQ(layout.moveCalls, 0);

    layout.client = {-30, -40, 470, 260};
    const auto moves = layout.CalcLayout();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].child, &a);
    EXPECT_FALSE(moves[0].move);
    EXPECT_TRUE(moves[0].size);
    EXPECT_EQ(moves[0].rect, (CRect{-20, -30, 460, 250}));
}

TEST(AnchorLayout, AddingAChildAgainReplacesItsAnchors)
{
    TestLayout layout;
    layout.client = {0, 0, 100, 100};
    layout.children[&a] = {10, 10, 20, 20};
    layout.AddAnchor(&a, TOP_LEFT);
    layout.AddAnchor(&a, BOTTOM_RIGHT);
    EXPECT_EQ(layout.AnchorCount(), 1u);
    layout.client = {0, 0, 200, 200};
    layout.ArrangeLayout();
    EXPECT_EQ(layout.children[&a], (CRect{110, 110, 120, 120}));
}

TEST(MinTrackSize, SizesBelowTheDesignAreGrown)
{
    CMinTrackSize limits;
    EXPECT_EQ(limits.Constrain({10, 10}), (CSize{10, 10}));
    limits.SetMinTrackSize({300, 200});
    EXPECT_EQ(limits.Constrain({250, 400}), (CSize{300, 400}));
    EXPECT_EQ(limits.Constrain({500, 100}), (CSize{500, 200}));
}

TEST(SizeGrip, MaximisedDialogHidesTheGripAndRestoredShowsIt)
{
    auto grip = CSizeGripState::ForDialog(true);
    EXPECT_TRUE(grip.IsVisible());
    grip.OnDialogSize(SIZE_MAXIMIZED);
    EXPECT_FALSE(grip.IsVisible());
    grip.OnDialogSize(SIZE_MAXSHOW); // another window's state: nothing changes
    grip.OnDialogSize(SIZE_MAXHIDE);
    EXPECT_FALSE(grip.IsVisible());
    grip.OnDialogSize(SIZE_MAXIMIZED); // a second maximise does not count twice
    grip.OnDialogSize(SIZE_RESTORED);
    EXPECT_TRUE(grip.IsVisible());
    EXPECT_EQ(grip.ShowCount(), 1);
}

TEST(SizeGrip, ChildDialogShowsNoGrip)
{
    auto grip = CSizeGripState::ForDialog(false);
    grip.OnDialogSize(SIZE_RESTORED);
    EXPECT_FALSE(grip.IsVisible());
}

TEST(SizeGrip, FormViewShowsTheGripOnlyWhenAllThreeHold)
{
    auto grip = CSizeGripState::ForFormView();
    const CSize design{400, 300};
    grip.OnFormViewSize(false, {500, 400}, design, true, true);
    EXPECT_TRUE(grip.IsVisible());
    // Smaller than designed: scroll bars, no grip.
    grip.OnFormViewSize(false, {399, 400}, design, true, true);
    EXPECT_FALSE(grip.IsVisible());
    // ... and still none when the frame is maximised too.
    grip.OnFormViewSize(true, {399, 400}, design, true, true);
    EXPECT_FALSE(grip.IsVisible());
    EXPECT_EQ(grip.ShowCount(), -1);
    grip.OnFormViewSize(false, {400, 300}, design, true, true);
    EXPECT_TRUE(grip.IsVisible());
    // Not at the frame's corner (a status bar below it) or a frame that cannot be resized.
    grip.OnFormViewSize(false, {400, 300}, design, true, false);
    EXPECT_FALSE(grip.IsVisible());
    grip.OnFormViewSize(false, {400, 300}, design, false, true);
    EXPECT_FALSE(grip.IsVisible());
}

TEST(PlacementText, RoundTrip)
{
    CPlacementText placement;
    placement.rect = {-8, 12, 640, 480};
    placement.showCmd = 3;
    placement.flags = 2;
    EXPECT_EQ(placement.Format(), "-8,12,640,480,3,2");
    const auto parsed = CPlacementText::Parse("-8,12,640,480,3,2");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->rect, placement.rect);
    EXPECT_EQ(parsed->showCmd, 3);
    EXPECT_EQ(parsed->flags, 2);
}

TEST(PlacementText, AnythingButSixNumbersIsIgnored)
{
    EXPECT_FALSE(CPlacementText::Parse(""));
    EXPECT_FALSE(CPlacementText::Parse("1,2,3,4,5"));
    EXPECT_FALSE(CPlacementText::Parse("1,2,3,4,5,6,7"));
    EXPECT_FALSE(CPlacementText::Parse("1,2,x,4,5,6"));
    EXPECT_FALSE(CPlacementText::Parse("1,2,3,4,5,"));
    EXPECT_FALSE(CPlacementText::Parse("1,2,3,4,5,99999999999"));
    EXPECT_TRUE(CPlacementText::Parse("1, 2, 3, 4, 5, 6"));
}

} // namespace

#include "WindowStateStore.h"

#include "TempRoot.h"
#include "registry/Registry.h"

namespace {

class TestStateStore : public CWindowStateStore {
public:
    CPlacementText placement;
    CRect window{100, 100, 500, 400};
    std::vector<CRect> areas = std::vector<CRect>(1, CRect{0, 0, 1280, 1024});
    int moves = 0;
    int placements = 0;

protected:
    std::string GetSettingsKey() const override { return "Software\\Tembrix\\settings"; }
    CPlacementText GetPlacement() const override { return placement; }
    void SetPlacement(const CPlacementText& p) override
    {
        placement = p;
        ++placements;
    }
    CRect GetWindowRect() const override { return window; }
    void MoveWindow(const CRect& rect) override
    {
        window = rect;
        ++moves;
    }
    std::vector<CRect> GetWorkAreas() const override { return areas; }
};

std::string StoredText(const std::string& section)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\Tembrix\\settings\\" + section).c_str(), 0, KEY_READ, &key) != 0)
        return "";
    char buffer[128] = "";
    DWORD cb = sizeof(buffer);
    RegQueryValueExA(key, "WindowPlacement", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &cb);
    RegCloseKey(key);
    return buffer;
}

void StoreText(const std::string& section, const std::string& text)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\Tembrix\\settings\\" + section).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    RegSetValueExA(key, "WindowPlacement", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

TEST(WindowState, RectangleOnlySavesTheCurrentRectangleShownNormally)
{
    TempRoot root;
    TestStateStore store;
    store.placement = {{10, 20, 300, 200}, 3, 2};
    EXPECT_TRUE(store.SaveWindowState("DlgProfileEdit", TRUE));
    EXPECT_EQ(StoredText("DlgProfileEdit"), "100,100,500,400,1,0");
    EXPECT_TRUE(store.SaveWindowState("DlgProfileEditAdv", FALSE));
    EXPECT_EQ(StoredText("DlgProfileEditAdv"), "10,20,300,200,3,2");

    TestStateStore other;
    EXPECT_TRUE(other.LoadWindowState("DlgProfileEdit", TRUE));
    EXPECT_EQ(other.window, (CRect{100, 100, 500, 400}));
    EXPECT_EQ(other.placements, 0);
    EXPECT_TRUE(other.LoadWindowState("DlgProfileEditAdv", FALSE));
    EXPECT_EQ(other.placement.rect, (CRect{10, 20, 300, 200}));
    EXPECT_EQ(other.placement.showCmd, 3);
}

TEST(WindowState, MissingBrokenOrOffScreenPlacementsLeaveTheWindowAlone)
{
    TempRoot root;
    TestStateStore store;
    EXPECT_FALSE(store.LoadWindowState("Nothing", TRUE));
    StoreText("Five", "1,2,3,4,5");
    EXPECT_FALSE(store.LoadWindowState("Five", TRUE));
    // Saved on a second display to the right that is gone now.
    StoreText("Gone", "1400,100,1800,400,1,0");
    EXPECT_FALSE(store.LoadWindowState("Gone", TRUE));
    EXPECT_FALSE(store.LoadWindowState("Gone", FALSE));
    EXPECT_EQ(store.moves + store.placements, 0);
    // With that display back it applies.
    store.areas.push_back({1280, 0, 2560, 1024});
    EXPECT_TRUE(store.LoadWindowState("Gone", TRUE));
    EXPECT_EQ(store.window, (CRect{1400, 100, 1800, 400}));
}

} // namespace
