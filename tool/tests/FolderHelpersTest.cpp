// Folder paths and searches over the engine's folder objects, on real store files with nested
// folders, the engine library registered in the test's own root.
#include "FolderPath.h"
#include "FolderSearch.h"

#include "StoreFixture.h"

#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

using namespace enginetest;

class FolderHelpers : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        // Public Folders: Projects/Alpha/Deep, Projects/Beta, News; a second "Alpha" below News.
        CreateFolder(publicStore, {"Projects", "Alpha"}, "Deep");
        CreateFolder(publicStore, {"Projects"}, "Beta");
        CreateFolder(publicStore, {"News"}, "Alpha");
        engine = CreateEngine();
        ASSERT_TRUE(engine);
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        profile = SavedProfile(profiles.get(), engine.get());
        ASSERT_TRUE(profile);
        ASSERT_EQ(profile->get_Source(source.put()), S_OK);
        ASSERT_EQ(profile->get_Destination(destination.put()), S_OK);
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

    CEnginePtr<IFolder> Root(IStore* store)
    {
        ComPtr<IFolders> top;
        EXPECT_EQ(store->get_Folders(top.put()), S_OK);
        CEnginePtr<IFolder> root;
        EXPECT_EQ(top->get_Items(1, root.put()), S_OK);
        return root;
    }

    static std::vector<std::string> Names(const FolderList& list)
    {
        std::vector<std::string> names;
        for (const auto& folder : list) {
            ComBstr name;
            folder->get_Name(name.put());
            names.push_back(name.Utf8());
        }
        return names;
    }

    // A folder by its path of names below the root, through the children lists.
    CEnginePtr<IFolder> ByPath(IStore* store, const std::vector<std::string>& path)
    {
        CEnginePtr<IFolder> folder = Root(store);
        for (const std::string& name : path) {
            FolderList children;
            EXPECT_EQ(ChildFolders(folder.get(), children), S_OK);
            const auto names = Names(children);
            const auto it = std::find(names.begin(), names.end(), name);
            if (it == names.end())
                return {};
            folder = children[static_cast<std::size_t>(it - names.begin())];
        }
        return folder;
    }

    ComPtr<ISyncEngine> engine;
    ComPtr<IProfiles> profiles;
    ComPtr<IProfile> profile;
    ComPtr<IStore> source, destination;
};

TEST_F(FolderHelpers, ChildFoldersHoldEachFolderOnceUnderItsParent)
{
    CEnginePtr<IFolder> root = Root(source.get());
    ComPtr<IFolders> descendants;
    ASSERT_EQ(root->get_Folders(descendants.put()), S_OK);
    LONG count = 0;
    descendants->get_Count(&count);
    EXPECT_EQ(count, 6) << "the engine's list holds all descendants";

    FolderList children;
    ASSERT_EQ(ChildFolders(root.get(), children), S_OK);
    auto names = Names(children);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"News", "Projects"}));

    CEnginePtr<IFolder> projects = ByPath(source.get(), {"Projects"});
    ASSERT_TRUE(projects);
    ASSERT_EQ(ChildFolders(projects.get(), children), S_OK);
    names = Names(children);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "Beta"}));

    CEnginePtr<IFolder> deep = ByPath(source.get(), {"Projects", "Alpha", "Deep"});
    ASSERT_TRUE(deep);
    ASSERT_EQ(ChildFolders(deep.get(), children), S_OK);
    EXPECT_TRUE(children.empty());

    FolderList top;
    ASSERT_EQ(TopLevelFolders(descendants.get(), top), S_OK);
    names = Names(top);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"News", "Projects"}));

    EXPECT_THROW(ChildFolders(nullptr, children), CComError);
}

TEST_F(FolderHelpers, PathsStartAtTheSubtreeMarker)
{
    EXPECT_EQ(GetLinkFolderPath(Root(source.get()).get(), source.get()), "*");
    EXPECT_EQ(GetLinkFolderPath(ByPath(source.get(), {"Projects", "Alpha", "Deep"}).get(), source.get()),
              "*/Projects/Alpha/Deep");
    EXPECT_EQ(GetLinkFolderPath(ByPath(source.get(), {"News", "Alpha"}).get(), source.get()), "*/News/Alpha");
    EXPECT_EQ(GetLinkFolderPath(ByPath(destination.get(), {"Inbox"}).get(), destination.get()), "*/Inbox");

    ComPtr<IUnknown> unknown;
    ComPtr<IMAPIFolder> inbox;
    ASSERT_EQ(ByPath(destination.get(), {"Inbox"})->get_MAPIFolder(unknown.put()), S_OK);
    ASSERT_EQ(unknown.As(inbox), S_OK);
    EXPECT_EQ(GetFolderPath(inbox.get(), destination.get()), "*/Inbox");
    EXPECT_EQ(GetFolderPath(nullptr, destination.get()), "");
    EXPECT_EQ(GetLinkFolderPath(nullptr, destination.get()), "");
    // A folder of another store never meets this store's subtree.
    EXPECT_EQ(GetFolderPath(inbox.get(), source.get()), "");
}

TEST_F(FolderHelpers, PathOutsideTheSubtreeEndsAtTheSelfParentedRoot)
{
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(source->get_MDB(unknown.put()), S_OK);
    ComPtr<IMsgStore> store;
    ASSERT_EQ(unknown.As(store), S_OK);
    ULONG type = 0;
    ComPtr<IUnknown> rootUnknown;
    ASSERT_EQ(store->OpenEntry(0, nullptr, nullptr, 0, &type, rootUnknown.put()), S_OK);
    ComPtr<IMAPIFolder> storeRoot;
    ASSERT_EQ(rootUnknown.As(storeRoot), S_OK);

    SBinary subtree{};
    ASSERT_EQ(GetIpmSubtreeEntryId(source.get(), &subtree), S_OK);
    std::string path;
    EXPECT_EQ(AppendParentPath(store.get(), storeRoot.get(), path, subtree), MAPI_E_NOT_FOUND);
    std::free(subtree.lpb);
}

TEST_F(FolderHelpers, FindByKeySearchesDepthFirstAndCollectsThePath)
{
    CEnginePtr<IFolder> deep = ByPath(source.get(), {"Projects", "Alpha", "Deep"});
    ASSERT_TRUE(deep);
    const std::string key = Key(deep.get());

    HRESULT hr = E_FAIL;
    CEnginePtr<IFolder> found = FindFolderByKey(source.get(), key, hr);
    ASSERT_TRUE(found);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(Key(found.get()), key);

    ComPtr<IFolders> descendants;
    ASSERT_EQ(Root(source.get())->get_Folders(descendants.put()), S_OK);
    found = FindFolderByKey(descendants.get(), key, hr);
    ASSERT_TRUE(found);

    found = FindFolderByKey(source.get(), "00112233", hr);
    EXPECT_FALSE(found);
    EXPECT_EQ(hr, MAPI_E_NOT_FOUND);

    std::vector<std::string> names;
    EXPECT_EQ(FindFolderPath(key, source.get(), names, true), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"Deep", "Alpha", "Projects", "*"}));
    EXPECT_EQ(FindFolderPath(key, source.get(), names, false), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"Deep", "Alpha", "Projects", "Public Folders"}));
    EXPECT_EQ(FindFolderPath(Key(Root(source.get()).get()), source.get(), names, true), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"*"}));
    EXPECT_EQ(FindFolderPath("abcdef", source.get(), names, true), 1);

    EXPECT_THROW(FindFolderByKey(static_cast<IStore*>(nullptr), key, hr), CComError);
}

TEST_F(FolderHelpers, ClearFolderAssociationUnlinksByDestinationKey)
{
    CEnginePtr<IFolder> inbox = ByPath(destination.get(), {"Inbox"});
    CEnginePtr<IFolder> beta = ByPath(source.get(), {"Projects", "Beta"});
    ASSERT_TRUE(inbox && beta);
    ASSERT_EQ(inbox->put_Source(beta.get()), S_OK);
    std::string betaKey = Key(beta.get());
    EXPECT_EQ(destination->FindSrcKey(betaKey.data()), S_OK);

    EXPECT_EQ(ClearFolderAssociation(destination.get(), Key(inbox.get())), S_OK);
    EXPECT_EQ(destination->FindSrcKey(betaKey.data()), E_FAIL);
    EXPECT_EQ(SourceName(ByPath(destination.get(), {"Inbox"}).get()), "<none>");
    EXPECT_EQ(ClearFolderAssociation(destination.get(), "0badc0de"), MAPI_E_NOT_FOUND);
}

TEST(MapiHelpers, CopySBinaryOfNothingAllocatesNothing)
{
    BYTE bytes[] = {1, 2, 3};
    SBinary source{0, bytes};
    SBinary copy{99, bytes};
    EXPECT_EQ(CopySBinary(&copy, &source, nullptr), S_OK);
    EXPECT_EQ(copy.cb, 0u);
    EXPECT_EQ(copy.lpb, nullptr);

    source.cb = 3;
    LPVOID parent = nullptr;
    ASSERT_EQ(MAPIAllocateBuffer(8, &parent), S_OK);
    ASSERT_EQ(CopySBinary(&copy, &source, parent), S_OK);
    ASSERT_EQ(copy.cb, 3u);
    EXPECT_EQ(copy.lpb[2], 3);
    MAPIFreeBuffer(parent); // frees the copy with it

    ASSERT_EQ(CopySBinary(&copy, &source, nullptr), S_OK);
    EXPECT_EQ(copy.lpb[0], 1);
    MAPIFreeBuffer(copy.lpb);
}

TEST(MapiHelpers, HexTextToBytes)
{
    std::string bytes;
    EXPECT_TRUE(HexToBytes("00aBff", bytes));
    EXPECT_EQ(bytes, std::string("\x00\xab\xff", 3));
    EXPECT_TRUE(HexToBytes("abc", bytes));
    EXPECT_EQ(bytes, "\xab");
    EXPECT_FALSE(HexToBytes("zz", bytes));
}

} // namespace

#include "StoreFilePath.h"
#include "com/TaskMem.h"

namespace {

std::string HexOf(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

// An entry ID in the older layout: the marker at 72, the path's digits from 106.
std::string OlderLayout(const std::string& pathHex)
{
    return std::string(72, 'a') + "4e495441" + "f9bfb801" + "00aa0037" + "d96e" + "000000" + pathHex;
}

TEST_F(FolderHelpers, PersonalStoreEntryIdCarriesItsFile)
{
    ComBstr entryId;
    ASSERT_EQ(destination->get_EntryID(entryId.put()), S_OK);
    EXPECT_EQ(GetStoreFilePathFromEntryId(entryId.Utf8()), personal.string());
    // Upper-case digits read the same.
    std::string upper = entryId.Utf8();
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(GetStoreFilePathFromEntryId(upper), personal.string());

    // The public store is no personal store: its entry ID has no marker where one is looked for.
    ComBstr publicId;
    ASSERT_EQ(source->get_EntryID(publicId.put()), S_OK);
    EXPECT_EQ(GetStoreFilePathFromEntryId(publicId.Utf8()), "no filename available");
}

TEST(StoreFilePath, OlderLayoutWideAndBrokenPaths)
{
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout(HexOf("/tmp/a.pst"))), "/tmp/a.pst");
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout(HexOf(std::string("/tmp/b.pst\0", 11)))), "/tmp/b.pst");
    // UTF-16 with the high byte first.
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout("002f00fc00620065007200" "2e007000730074")),
              "/\xC3\xBC" "ber.pst");
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout("")), "no filename available");
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout("2f7")), "no filename available") << "odd length";
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout("2fzz")), "no filename available");
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout(HexOf(std::string(261, 'x')))), "no filename available");
    EXPECT_EQ(GetStoreFilePathFromEntryId(OlderLayout(HexOf(std::string(260, 'x')))), std::string(260, 'x'));
    EXPECT_EQ(GetStoreFilePathFromEntryId("4e495441"), "no filename available");
    EXPECT_EQ(GetStoreFilePathFromEntryId(""), "no filename available");
}

TEST(StoreFilePath, WideToAnsiHoldsTheLongestUtf8)
{
    LPSTR ansi = reinterpret_cast<LPSTR>(1);
    EXPECT_EQ(WideToAnsi(nullptr, &ansi), S_OK);
    EXPECT_EQ(ansi, nullptr);
    // Three-byte characters and a surrogate pair (four bytes).
    const std::u16string wide = u"\u20AC\u20AC\u20AC\U0001D11E";
    ASSERT_EQ(WideToAnsi(wide.c_str(), &ansi), S_OK);
    EXPECT_EQ(std::string(ansi), "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC\xF0\x9D\x84\x9E");
    CoTaskMemFree(ansi);
}

} // namespace
