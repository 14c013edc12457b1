// The association list filled from a profile on real store files: every linked folder once
// with its full path, however deep; the source's path or "Not available"; the key pairs; the
// folder kinds' images; and the paths shortened to the columns.
#include "FolderLinkListCtrl.h"

#include "StoreFixture.h"

#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <algorithm>

namespace {

using namespace enginetest;

class FolderLinks : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        // Personal Folders: Shared/A/B and Shared/C; Public Folders: Projects/Alpha and News.
        CreateFolder(personal, {}, "Shared");
        CreateFolder(personal, {"Shared"}, "A");
        CreateFolder(personal, {"Shared", "A"}, "B", FOLDER_GENERIC);
        CreateFolder(personal, {"Shared"}, "C");
        engine = CreateEngine();
        ASSERT_TRUE(engine);
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        profile = SavedProfile(profiles.get(), engine.get());
        ASSERT_TRUE(profile);
        ASSERT_EQ(profile->get_Source(source.put()), S_OK);
        ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
        LONG count = 0;
        profiles->get_Count(&count);
        index = count;
    }
    void TearDown() override
    {
        source.Release();
        destination.Release();
        profile.Release();
        profiles.Release();
        engine.Release();
        StoreFixture::TearDown();
    }

    ComPtr<IFolder> Local(const std::string& name)
    {
        ComPtr<IFolders> all = SubtreeFolders(destination.get());
        return FolderNamed(all.get(), name);
    }
    ComPtr<IFolder> Global(const std::string& name)
    {
        ComPtr<IFolders> all = SubtreeFolders(source.get());
        return FolderNamed(all.get(), name);
    }
    void Link(const std::string& local, const std::string& global)
    {
        ComPtr<IFolder> dst = Local(local);
        ComPtr<IFolder> src = Global(global);
        ASSERT_TRUE(dst && src) << local << " <- " << global;
        ASSERT_EQ(dst->put_Source(src.get()), S_OK);
    }
    static std::string ContainerClass(IFolder* folder)
    {
        ComBstr type;
        folder->get_Type(type.put());
        return type.Utf8();
    }

    ComPtr<ISyncEngine> engine;
    ComPtr<IProfiles> profiles;
    ComPtr<IProfile> profile;
    ComPtr<IStore> source, destination;
    LONG index = 0;
};

TEST_F(FolderLinks, NestedLinksAreListedOnceWithTheirFullPaths)
{
    Link("B", "Alpha");
    Link("Shared", "News");
    Link("Calendar", "Projects");
    CFolderLinkListCtrl list;
    ASSERT_TRUE(list.FillFolderLinks(profiles.get(), index));
    ASSERT_EQ(list.GetItemCount(), 3);
    std::vector<std::pair<std::string, std::string>> rows;
    for (int i = 0; i < list.GetItemCount(); ++i)
        rows.emplace_back(list.GetRow(i).text[0], list.GetRow(i).text[2]);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{{"*/Calendar", "*/Projects"},
                                                                        {"*/Shared", "*/News"},
                                                                        {"*/Shared/A/B", "*/Projects/Alpha"}}));
    const int b = list.FindItemByKey(Key(Local("B").get()));
    ASSERT_GE(b, 0);
    EXPECT_EQ(list.FullLocalPath(list.GetItemKey(b)), "*/Shared/A/B");
    EXPECT_EQ(list.FullGlobalPath(list.GetItemKey(b)), "*/Projects/Alpha");
    EXPECT_EQ(list.KeyPairs().at(Key(Local("B").get())), Key(Global("Alpha").get()));
    EXPECT_EQ(list.GetItemImage(b, CFolderLinkListCtrl::COL_LINK), CFolderLinkListCtrl::IMG_LINK);
    const int calendar = list.FindItemByKey(Key(Local("Calendar").get()));
    EXPECT_EQ(list.GetItemImage(calendar, CFolderLinkListCtrl::COL_LOCAL),
              CFolderLinkListCtrl::ImageForClass(ContainerClass(Local("Calendar").get())));
    EXPECT_EQ(list.GetItemImage(calendar, CFolderLinkListCtrl::COL_LOCAL), CFolderLinkListCtrl::IMG_APPOINTMENT);
}

TEST_F(FolderLinks, ASourceOutsideTheFolderTreeIsNotAvailable)
{
    Link("C", "News");
    // Point the link at the public store's root folder, which lies outside its folder tree.
    ComPtr<IMsgStore> pub = OpenFile(publicStore);
    ComPtr<IUnknown> unknown;
    ULONG type = 0;
    ASSERT_EQ(pub->OpenEntry(0, nullptr, nullptr, 0, &type, unknown.put()), S_OK);
    ComPtr<IMAPIFolder> root;
    ASSERT_EQ(unknown.As(root), S_OK);
    LPSPropValue rootId = nullptr;
    ASSERT_EQ(HrGetOneProp(root.get(), PR_ENTRYID, &rootId), S_OK);
    GUID guid{};
    ASSERT_EQ(profile->GetGUID(&guid), S_OK);
    ComPtr<IUnknown> mapiFolder;
    ASSERT_EQ(Local("C")->get_MAPIFolder(mapiFolder.put()), S_OK);
    ComPtr<IMAPIFolder> c;
    ASSERT_EQ(mapiFolder.As(c), S_OK);
    MAPINAMEID id{};
    id.lpguid = &guid;
    id.ulKind = MNID_STRING;
    id.Kind.lpwstrName = const_cast<LPWSTR>(u"PRS_SOURCE_FOLDER");
    LPMAPINAMEID ids[1] = {&id};
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(c->GetIDsFromNames(1, ids, MAPI_CREATE, &tags), S_OK);
    SPropValue value{};
    value.ulPropTag = PROP_TAG(PT_BINARY, PROP_ID(tags->aulPropTag[0]));
    value.Value.bin = rootId->Value.bin;
    ASSERT_EQ(HrSetOneProp(c.get(), &value), S_OK);
    MAPIFreeBuffer(tags);
    MAPIFreeBuffer(rootId);

    CFolderLinkListCtrl list;
    ASSERT_TRUE(list.FillFolderLinks(profiles.get(), index));
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetRow(0).text[0], "*/Shared/C");
    EXPECT_EQ(list.GetRow(0).text[2], "Not available");
}

TEST_F(FolderLinks, AnUnreadableProfileLeavesTheListEmpty)
{
    Link("B", "Alpha");
    CFolderLinkListCtrl list;
    ASSERT_TRUE(list.FillFolderLinks(profiles.get(), index));
    EXPECT_EQ(list.GetItemCount(), 1);
    EXPECT_FALSE(list.FillFolderLinks(profiles.get(), index + 1));
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_FALSE(list.FillFolderLinks(nullptr, 1));
    EXPECT_TRUE(list.KeyPairs().empty());
}

TEST_F(FolderLinks, PathsAreShortenedToTheColumnsAndComeBackWhole)
{
    Link("B", "Alpha");
    CFolderLinkListCtrl list;
    list.SetMeasure(FixedWidthMeasure(10));
    list.SetColumnSpaces(100, 1000);
    ASSERT_TRUE(list.FillFolderLinks(profiles.get(), index));
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetRow(0).text[0], "*/../A/B");
    EXPECT_EQ(list.GetRow(0).text[2], "*/Projects/Alpha");
    list.SetColumnSpaces(1000, 1000);
    list.RelayoutFolderLinks();
    EXPECT_EQ(list.GetRow(0).text[0], "*/Shared/A/B");
}

TEST_F(FolderLinks, RowsAddedByTheEditorAreSelectedAndShown)
{
    CFolderLinkListCtrl list;
    ASSERT_TRUE(list.FillFolderLinks(profiles.get(), index));
    EXPECT_EQ(list.GetItemCount(), 0);
    int shown = -1;
    list.m_onEnsureVisible = [&](int row) { shown = row; };
    list.AddFolderLinks("*/Shared/C", Local("C").get(), "", Global("News").get());
    ASSERT_EQ(list.GetItemCount(), 1);
    EXPECT_EQ(list.GetRow(0).text[2], "Not available");
    EXPECT_TRUE(list.GetRow(0).selected);
    EXPECT_TRUE(list.GetRow(0).focused);
    EXPECT_EQ(shown, 0);
    EXPECT_EQ(list.KeyPairs().at(Key(Local("C").get())), Key(Global("News").get()));
    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_TRUE(list.KeyPairs().empty());
    EXPECT_EQ(list.FullLocalPath(Key(Local("C").get())), "");
}

TEST(FolderKinds, ContainerClassesHaveTheirImagesWhateverTheirCase)
{
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass(""), CFolderLinkListCtrl::IMG_MAIL);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("ipf.note"), CFolderLinkListCtrl::IMG_MAIL);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("IPF.Contact"), CFolderLinkListCtrl::IMG_CONTACT);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("IPF.STICKYNOTE"), CFolderLinkListCtrl::IMG_NOTE);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("IPF.TasK"), CFolderLinkListCtrl::IMG_TASK);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("IPF.Appointment"), CFolderLinkListCtrl::IMG_APPOINTMENT);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("IPF.Journal"), CFolderLinkListCtrl::IMG_JOURNAL);
    EXPECT_EQ(CFolderLinkListCtrl::ImageForClass("IPF.Note.Custom"), CFolderLinkListCtrl::IMG_FOLDER);
    const auto& icons = CFolderLinkListCtrl::ImageIcons();
    EXPECT_EQ(icons[CFolderLinkListCtrl::IMG_EMPTY], 145u);
    EXPECT_EQ(icons[CFolderLinkListCtrl::IMG_FOLDER], 130u);
    EXPECT_EQ(icons[CFolderLinkListCtrl::IMG_PENDING], 138u);
    EXPECT_EQ(icons[CFolderLinkListCtrl::IMG_CURRENT], 141u);
    EXPECT_EQ(icons[CFolderLinkListCtrl::IMG_SECOND_PASS], 139u);
    EXPECT_EQ(icons[CFolderLinkListCtrl::IMG_DONE], 140u);
}

} // namespace
