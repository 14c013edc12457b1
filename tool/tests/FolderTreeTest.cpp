// The folder tree of the profile editor on real nested stores: filled lazily (each folder once,
// under its parent), images by folder kind, the four marks, linked folders loaded with their
// ancestors, a folder shown by its key, and folders that vanished from the store meanwhile.
#include "FolderTreeCtrl.h"

#include "ProfileFixture.h"

#include "base/MessageBox.h"
#include "mapi/MapiCodes.h"

#include <sqlite3.h>

namespace {

using namespace tooltest;

// An association list that knows which source keys are linked to which destination keys and
// the paths it shows.
class TestLinks : public IFolderLinkPaths {
public:
    std::string DestinationOfSource(const std::string& sourceKey) const override
    {
        for (const auto& [destination, source] : pairs)
            if (source == sourceKey)
                return destination;
        return {};
    }
    std::string LinkPath(const std::string& destinationKey, bool local) const override
    {
        const auto& paths = local ? localPaths : globalPaths;
        const auto it = paths.find(destinationKey);
        return it == paths.end() ? std::string() : it->second;
    }
    void SetLinkPath(const std::string& destinationKey, bool local, const std::string& path) override
    {
        (local ? localPaths : globalPaths)[destinationKey] = path;
        ++changes;
    }

    std::map<std::string, std::string> pairs; // destination key -> source key
    std::map<std::string, std::string> localPaths, globalPaths;
    int changes = 0;
};

class FolderTree : public ProfileFixture {
protected:
    void SetUp() override
    {
        ProfileFixture::SetUp();
        source.SetEngine(engine.get());
        source.SetLinkPaths(&links);
        destination.SetEngine(engine.get());
        destination.SetLinkPaths(&links);
    }
    void TearDown() override
    {
        // The trees hold engine objects: they go before the engine is checked.
        sourceTree.reset();
        destinationTree.reset();
        ProfileFixture::TearDown();
    }

    // Links a destination folder to a source folder through the engine.
    void Link(const std::vector<std::string>& local, const std::vector<std::string>& global)
    {
        ComPtr<IFolder> dst = EngineFolder(true, local);
        ComPtr<IFolder> src = EngineFolder(false, global);
        ASSERT_TRUE(dst && src);
        ASSERT_EQ(dst->put_Source(src.get()), S_OK);
        links.pairs[KeyOf(dst.get())] = KeyOf(src.get());
    }

    TestLinks links;
    std::unique_ptr<CFolderTreeCtrl> sourceTree = std::make_unique<CFolderTreeCtrl>();
    std::unique_ptr<CFolderTreeCtrl> destinationTree = std::make_unique<CFolderTreeCtrl>();
    CFolderTreeCtrl& source = *sourceTree;
    CFolderTreeCtrl& destination = *destinationTree;
};

TEST_F(FolderTree, EachFolderIsLoadedOnceUnderItsParentWhenItOpens)
{
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    EXPECT_EQ(source.GetSide(), CFolderTreeCtrl::SIDE_SOURCE);
    const HTREEITEM root = source.GetRootItem();
    ASSERT_TRUE(root);
    EXPECT_EQ(source.GetItemText(root), "Public Folders");
    EXPECT_EQ(source.GetItemImage(root), CFolderTreeCtrl::IMG_MAIL);
    EXPECT_TRUE(source.IsExpanded(root));
    EXPECT_EQ(ChildTexts(source, root), (std::vector<std::string>{"News", "Projects"}));

    const HTREEITEM projects = ChildNamed(source, root, "Projects");
    EXPECT_TRUE(source.ItemHasChildren(projects)) << "the button before anything is loaded";
    EXPECT_FALSE(source.GetChildItem(projects));
    EXPECT_EQ(CountItems(source, root), 2);

    ASSERT_TRUE(source.Expand(projects, TVE_EXPAND));
    EXPECT_EQ(ChildTexts(source, projects), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_FALSE(source.ItemHasChildren(ChildNamed(source, projects, "Beta")));
    ASSERT_TRUE(source.Expand(ChildNamed(source, projects, "Alpha"), TVE_EXPAND));
    ASSERT_TRUE(source.Expand(ChildNamed(source, root, "News"), TVE_EXPAND));
    EXPECT_EQ(ChildTexts(source, ChildNamed(source, root, "News")), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(CountItems(source, root), 6) << "Projects, Alpha, Deep, Beta, News, Alpha: each once";

    // The two folders named Alpha are different folders with their own keys.
    const HTREEITEM deep = ItemAt(source, {"Projects", "Alpha", "Deep"});
    ASSERT_TRUE(deep);
    EXPECT_EQ(source.FindItemByKey(KeyOf(EngineFolder(false, {"Projects", "Alpha", "Deep"}).get())), deep);
    EXPECT_EQ(source.ItemPath(deep), "*/Projects/Alpha/Deep");
    EXPECT_NE(ItemAt(source, {"News", "Alpha"}), ItemAt(source, {"Projects", "Alpha"}));

    // Closing an item drops what was loaded below it and selects it.
    source.SelectItem(deep);
    ASSERT_TRUE(source.Expand(projects, TVE_COLLAPSE));
    EXPECT_FALSE(source.GetChildItem(projects));
    EXPECT_TRUE(source.ItemHasChildren(projects));
    EXPECT_EQ(source.GetSelectedItem(), projects);
    EXPECT_FALSE(source.FindItemByKey(KeyOf(EngineFolder(false, {"Projects", "Alpha", "Deep"}).get())));
}

TEST_F(FolderTree, ImagesFollowTheContainerClassAndFullFoldersAreBold)
{
    CreateFolder(personal, {"Inbox"}, "Orders");
    ComPtr<IMsgStore> store = OpenFile(personal);
    ComPtr<IMAPIFolder> odd = CreateFolder(personal, {}, "Odd");
    SPropValue cls{};
    cls.ulPropTag = PR_CONTAINER_CLASS_A;
    cls.Value.lpszA = const_cast<char*>("IPF.Custom");
    ASSERT_EQ(odd->SetProps(1, &cls, nullptr), S_OK);
    odd.Release();
    CreateFolder(personal, {}, "Plain");
    AddMessage(personal, {"Calendar"}, "Meeting");

    ASSERT_EQ(destination.FillFolderTree("Public", 1), S_OK);
    EXPECT_EQ(destination.GetSide(), CFolderTreeCtrl::SIDE_DESTINATION);
    const HTREEITEM root = destination.GetRootItem();
    EXPECT_EQ(destination.GetItemText(root), "Personal Folders");
    EXPECT_EQ(ChildTexts(destination, root),
              (std::vector<std::string>{"Calendar", "Contacts", "Drafts", "Inbox", "Journal", "Junk E-mail", "Notes",
                                        "Odd", "Plain", "Sent Items", "Tasks"}))
        << "no outbox, no deleted items; sorted";
    const std::map<std::string, int> images = {
        {"Calendar", CFolderTreeCtrl::IMG_APPOINTMENT}, {"Contacts", CFolderTreeCtrl::IMG_CONTACT},
        {"Inbox", CFolderTreeCtrl::IMG_MAIL},           {"Journal", CFolderTreeCtrl::IMG_JOURNAL},
        {"Notes", CFolderTreeCtrl::IMG_NOTE},           {"Odd", CFolderTreeCtrl::IMG_OTHER},
        {"Plain", CFolderTreeCtrl::IMG_MAIL},           {"Tasks", CFolderTreeCtrl::IMG_TASK}};
    for (const auto& [name, image] : images) {
        const HTREEITEM item = ChildNamed(destination, root, name);
        EXPECT_EQ(destination.GetItemImage(item), image) << name;
        EXPECT_EQ(destination.GetItemStateImage(item), CFolderTreeCtrl::MARK_NORMAL) << name;
        EXPECT_EQ(destination.IsBold(item), name == "Calendar") << name;
    }
    EXPECT_TRUE(destination.ItemHasChildren(ChildNamed(destination, root, "Inbox")));
    EXPECT_EQ(CFolderTreeCtrl::ImageForClass("ipf.task"), CFolderTreeCtrl::IMG_TASK);
    EXPECT_EQ(CFolderTreeCtrl::ImageIcons()[CFolderTreeCtrl::IMG_OTHER], 130u);
    EXPECT_EQ(CFolderTreeCtrl::StateIcons()[CFolderTreeCtrl::MARK_ASSOCIATED], 156u);
}

TEST_F(FolderTree, MarksShowWhatMayBeAssociated)
{
    Link({"Inbox"}, {"Projects"});
    ASSERT_EQ(destination.FillFolderTree("Public", 1), S_OK);
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    const HTREEITEM droot = destination.GetRootItem();
    const HTREEITEM sroot = source.GetRootItem();
    const HTREEITEM inbox = ChildNamed(destination, droot, "Inbox");
    const HTREEITEM calendar = ChildNamed(destination, droot, "Calendar");
    EXPECT_EQ(destination.GetItemStateImage(inbox), CFolderTreeCtrl::MARK_ASSOCIATED);
    const HTREEITEM projects = ChildNamed(source, sroot, "Projects");
    const HTREEITEM news = ChildNamed(source, sroot, "News");
    EXPECT_EQ(source.GetItemStateImage(projects), CFolderTreeCtrl::MARK_ASSOCIATED) << "a source in the list";
    EXPECT_EQ(source.GetItemStateImage(news), CFolderTreeCtrl::MARK_NORMAL);

    // The local selection: associated folders keep 4, the selected one gets 2.
    destination.SelectItem(calendar);
    EXPECT_TRUE(destination.ClearFolderMarks(droot));
    EXPECT_EQ(destination.GetItemStateImage(calendar), CFolderTreeCtrl::MARK_ASSOCIABLE);
    EXPECT_EQ(destination.GetItemStateImage(inbox), CFolderTreeCtrl::MARK_ASSOCIATED);
    EXPECT_EQ(destination.GetItemStateImage(ChildNamed(destination, droot, "Tasks")), CFolderTreeCtrl::MARK_NORMAL);

    // The global side by the kind of the local selection: a calendar makes mail folders 3.
    source.SelectItem(news);
    EXPECT_FALSE(source.MarkByFolderKind(sroot, destination.GetItemImage(calendar)));
    EXPECT_EQ(source.GetItemStateImage(news), CFolderTreeCtrl::MARK_OTHER_KIND);
    EXPECT_EQ(source.GetItemStateImage(projects), CFolderTreeCtrl::MARK_ASSOCIATED);
    // A mail folder: the selected global mail folder is associable, the others normal.
    EXPECT_TRUE(source.MarkByFolderKind(sroot, CFolderTreeCtrl::IMG_MAIL));
    EXPECT_EQ(source.GetItemStateImage(news), CFolderTreeCtrl::MARK_ASSOCIABLE);
    EXPECT_EQ(source.GetItemStateImage(sroot), CFolderTreeCtrl::MARK_NORMAL);
    // No kind (nothing or an associated folder chosen locally): nothing is associable.
    EXPECT_FALSE(source.MarkByFolderKind(sroot, -1));
    EXPECT_EQ(source.GetItemStateImage(news), CFolderTreeCtrl::MARK_OTHER_KIND);

    // A dissolved association: its items go back to 1.
    EXPECT_TRUE(destination.SelectFolderByKey(droot, KeyOf(EngineFolder(true, {"Inbox"}).get())));
    EXPECT_EQ(destination.GetItemStateImage(inbox), CFolderTreeCtrl::MARK_NORMAL);
    EXPECT_FALSE(destination.SelectFolderByKey(droot, "00"));
}

TEST_F(FolderTree, LinkedFoldersAreLoadedWithTheirAncestors)
{
    CreateFolder(personal, {"Inbox"}, "Sub");
    CreateFolder(personal, {"Inbox", "Sub"}, "Deeper");
    Link({"Inbox", "Sub", "Deeper"}, {"Projects", "Alpha", "Deep"});
    links.localPaths[KeyOf(EngineFolder(true, {"Inbox", "Sub", "Deeper"}).get())] = "*/Inbox/Old";

    ASSERT_EQ(destination.FillFolderTree("Public", 1), S_OK);
    const HTREEITEM deeper = ItemAt(destination, {"Inbox", "Sub", "Deeper"});
    ASSERT_TRUE(deeper) << "loaded with Inbox and Sub above it";
    EXPECT_TRUE(destination.IsExpanded(ItemAt(destination, {"Inbox"})));
    EXPECT_TRUE(destination.IsExpanded(ItemAt(destination, {"Inbox", "Sub"})));
    EXPECT_EQ(destination.GetItemStateImage(deeper), CFolderTreeCtrl::MARK_ASSOCIATED);
    EXPECT_EQ(destination.SourceLinks().size(), 1u);
    EXPECT_FALSE(destination.GetSelectedItem()) << "the destination side selects nothing";
    // The list showed an older path of the folder: the tree's path replaces it.
    EXPECT_EQ(links.LinkPath(KeyOf(EngineFolder(true, {"Inbox", "Sub", "Deeper"}).get()), true),
              "*/Inbox/Sub/Deeper");

    // The source side marks the linked source folder when it is loaded.
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    ASSERT_TRUE(source.Expand(ItemAt(source, {"Projects"}), TVE_EXPAND));
    ASSERT_TRUE(source.Expand(ItemAt(source, {"Projects", "Alpha"}), TVE_EXPAND));
    EXPECT_EQ(source.GetItemStateImage(ItemAt(source, {"Projects", "Alpha", "Deep"})),
              CFolderTreeCtrl::MARK_ASSOCIATED);
    EXPECT_EQ(source.GetItemStateImage(ItemAt(source, {"Projects", "Alpha"})), CFolderTreeCtrl::MARK_NORMAL);
}

TEST_F(FolderTree, FolderIsShownByItsKeyAndOutdatedItemsAreLoadedAgain)
{
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    const std::string deepKey = KeyOf(EngineFolder(false, {"Projects", "Alpha", "Deep"}).get());
    EXPECT_TRUE(source.ShowFolderByKey(deepKey));
    EXPECT_EQ(source.GetSelectedItem(), ItemAt(source, {"Projects", "Alpha", "Deep"}));
    EXPECT_TRUE(source.HasFocus());
    EXPECT_TRUE(platform::BeepRecords().empty());

    // Another program renames Alpha: the loaded items no longer lead there.
    RenameFolder(publicStore, {"Projects", "Alpha"}, "Gamma");
    EXPECT_TRUE(source.ShowFolderByKey(deepKey));
    EXPECT_EQ(source.GetSelectedItem(), ItemAt(source, {"Projects", "Gamma", "Deep"}));
    EXPECT_FALSE(ItemAt(source, {"Projects", "Alpha"}));
    EXPECT_EQ(platform::BeepRecords(), std::vector<UINT>{MB_ICONASTERISK}) << "one miss, then the retry";

    // A key that is in no folder of the store changes nothing.
    const HTREEITEM selected = source.GetSelectedItem();
    EXPECT_FALSE(source.ShowFolderByKey("0011223344"));
    EXPECT_EQ(source.GetSelectedItem(), selected);
}

TEST_F(FolderTree, FolderMetAgainReplacesItsEarlierItem)
{
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    const HTREEITEM root = source.GetRootItem();
    ASSERT_TRUE(source.Expand(ChildNamed(source, root, "Projects"), TVE_EXPAND));
    ASSERT_TRUE(source.Expand(ChildNamed(source, root, "News"), TVE_EXPAND));
    const std::string betaKey = KeyOf(EngineFolder(false, {"Projects", "Beta"}).get());
    const std::string newsAlphaKey = KeyOf(EngineFolder(false, {"News", "Alpha"}).get());

    // Another program moves Beta and News/Alpha below Projects/Alpha: the tree still shows
    // them where they were. Opening Alpha meets both again.
    ComPtr<IFolder> alpha = EngineFolder(false, {"Projects", "Alpha"});
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(publicStore.string().c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 5000);
    const auto idOf = [](const std::string& key) { return std::stoll(key.substr(16), nullptr, 16); };
    const std::string sql = "UPDATE objects SET parent = " + std::to_string(idOf(KeyOf(alpha.get()))) +
                            " WHERE id IN (" + std::to_string(idOf(betaKey)) + ", " +
                            std::to_string(idOf(newsAlphaKey)) + ")";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);

    ASSERT_TRUE(source.Expand(ItemAt(source, {"Projects", "Alpha"}), TVE_EXPAND));
    EXPECT_EQ(ChildTexts(source, ItemAt(source, {"Projects", "Alpha"})),
              (std::vector<std::string>{"Alpha", "Beta", "Deep"}));
    EXPECT_EQ(ChildTexts(source, ItemAt(source, {"Projects"})), std::vector<std::string>{"Alpha"})
        << "Beta had a sibling: its earlier item is deleted";
    const HTREEITEM news = ChildNamed(source, root, "News");
    EXPECT_FALSE(source.GetChildItem(news)) << "an only child: its parent is closed";
    EXPECT_FALSE(source.ItemHasChildren(news));
    EXPECT_FALSE(source.IsExpanded(news));
    EXPECT_EQ(source.FindItemByKey(betaKey), ItemAt(source, {"Projects", "Alpha", "Beta"}));
}

TEST_F(FolderTree, VanishedSubfoldersTakeTheButtonAwayWithABeep)
{
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    const HTREEITEM projects = ChildNamed(source, source.GetRootItem(), "Projects");
    ASSERT_TRUE(source.ItemHasChildren(projects));
    DeleteFolder(publicStore, {"Projects"}, "Alpha");
    DeleteFolder(publicStore, {"Projects"}, "Beta");
    EXPECT_FALSE(source.Expand(projects, TVE_EXPAND));
    EXPECT_FALSE(source.ItemHasChildren(projects));
    EXPECT_FALSE(source.IsExpanded(projects));
    EXPECT_EQ(platform::BeepRecords(), std::vector<UINT>{MB_ICONEXCLAMATION});
}

TEST_F(FolderTree, DeletedFolderCannotBeSelectedAndLeavesTheTree)
{
    ASSERT_EQ(source.FillFolderTree("Public", 0), S_OK);
    const HTREEITEM root = source.GetRootItem();
    const HTREEITEM projects = ChildNamed(source, root, "Projects");
    ASSERT_TRUE(source.SelectItem(projects));
    int changes = 0;
    source.m_onSelChanged = [&](HTREEITEM, HTREEITEM) { ++changes; };
    DeleteFolder(publicStore, {}, "News");
    EXPECT_FALSE(source.SelectItem(ChildNamed(source, root, "News")));
    EXPECT_EQ(ChildTexts(source, root), std::vector<std::string>{"Projects"});
    EXPECT_EQ(source.GetSelectedItem(), projects) << "the old selection stays";
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(platform::BeepRecords(), std::vector<UINT>{MB_ICONEXCLAMATION});

    // A click on a state image selects the item.
    source.UserClickStateIcon(root);
    EXPECT_EQ(source.GetSelectedItem(), root);
    EXPECT_EQ(changes, 1);
}

TEST_F(FolderTree, ProfileThatNoProfileHasFillsNothing)
{
    EXPECT_EQ(source.FillFolderTree("Private", 0), MAPI_E_NOT_FOUND);
    EXPECT_FALSE(source.GetRootItem());
    EXPECT_EQ(source.GetSide(), CFolderTreeCtrl::SIDE_NONE);

    CFolderTreeCtrl noEngine;
    EXPECT_THROW(noEngine.FillFolderTree("Public", 0), CComError);
}

} // namespace
