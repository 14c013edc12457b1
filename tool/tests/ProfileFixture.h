// A sync profile on real store files for the folder trees and the profile editors: "Public"
// from the public store (Projects/Alpha/Deep, Projects/Beta, News/Alpha) to the personal
// store, the engine registered in the test's own root, and short ways to the stores' folders.
#pragma once

#include "FolderSearch.h"
#include "StoreFixture.h"
#include "ToolTestSupport.h"
#include "base/TreeCtrl.h"

#include "base/Sound.h"
#include "mapi/MapiTags.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tooltest {

class ProfileFixture : public enginetest::StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        CreateFolder(publicStore, {"Projects", "Alpha"}, "Deep");
        CreateFolder(publicStore, {"Projects"}, "Beta");
        CreateFolder(publicStore, {"News"}, "Alpha");
        engine = CreateEngine();
        ASSERT_TRUE(engine);
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        profile = SavedProfile(profiles.get(), engine.get(), "Public");
        ASSERT_TRUE(profile);
        platform::ClearSoundRecords();
    }
    void TearDown() override
    {
        profile.Release();
        profiles.Release();
        engine.Release();
        StoreFixture::TearDown();
    }

    // The engine folder at a path of names below a store's top folder (through the profile).
    ComPtr<IFolder> EngineFolder(bool destination, const std::vector<std::string>& path)
    {
        ComPtr<IStore> store;
        if (destination)
            EXPECT_EQ(profile->get_Destination(store.put()), S_OK);
        else
            EXPECT_EQ(profile->get_Source(store.put()), S_OK);
        ComPtr<IFolders> top;
        store->get_Folders(top.put());
        ComPtr<IFolder> folder;
        top->get_Items(1, folder.put());
        // Through the children lists: an engine folder's own list holds all its descendants.
        for (const std::string& name : path) {
            FolderList children;
            if (!folder || FAILED(ChildFolders(folder.get(), children)))
                return {};
            folder.Release();
            for (const auto& child : children) {
                ComBstr text;
                child->get_Name(text.put());
                if (text.Utf8() == name)
                    folder = ComPtr<IFolder>(child.get());
            }
        }
        return folder;
    }

    static std::string KeyOf(IFolder* folder) { return enginetest::Key(folder); }

    // A message in a folder of a store file.
    static void AddMessage(const std::filesystem::path& store, const std::vector<std::string>& path,
                           const std::string& subject)
    {
        ComPtr<IMsgStore> msgStore = OpenFile(store);
        ComPtr<IMAPIFolder> folder = OpenFolder(msgStore.get(), path);
        ComPtr<IMessage> message;
        ASSERT_EQ(folder->CreateMessage(nullptr, 0, message.put()), S_OK);
        std::u16string text = platform::Utf8ToUtf16(subject);
        SPropValue prop{};
        prop.ulPropTag = PR_SUBJECT_W;
        prop.Value.lpszW = reinterpret_cast<LPWSTR>(text.data());
        ASSERT_EQ(message->SetProps(1, &prop, nullptr), S_OK);
        ASSERT_EQ(message->SaveChanges(0), S_OK);
    }

    // A folder's property changed by another program.
    static void RenameFolder(const std::filesystem::path& store, const std::vector<std::string>& path,
                             const std::string& name)
    {
        ComPtr<IMsgStore> msgStore = OpenFile(store);
        ComPtr<IMAPIFolder> folder = OpenFolder(msgStore.get(), path);
        std::u16string text = platform::Utf8ToUtf16(name);
        SPropValue prop{};
        prop.ulPropTag = PR_DISPLAY_NAME_W;
        prop.Value.lpszW = reinterpret_cast<LPWSTR>(text.data());
        ASSERT_EQ(folder->SetProps(1, &prop, nullptr), S_OK);
    }

    static void DeleteFolder(const std::filesystem::path& store, const std::vector<std::string>& parent,
                             const std::string& name)
    {
        ComPtr<IMsgStore> msgStore = OpenFile(store);
        ComPtr<IMAPIFolder> folder = OpenFolder(msgStore.get(), parent);
        ComPtr<IMAPIFolder> child = OpenFolder(msgStore.get(), [&] {
            auto full = parent;
            full.push_back(name);
            return full;
        }());
        LPSPropValue eid = nullptr;
        ASSERT_EQ(HrGetOneProp(child.get(), PR_ENTRYID, &eid), S_OK);
        child.Release();
        ASSERT_EQ(folder->DeleteFolder(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), 0,
                                       nullptr, DEL_FOLDERS | DEL_MESSAGES),
                  S_OK);
        MAPIFreeBuffer(eid);
    }

    ComPtr<ISyncEngine> engine;
    ComPtr<IProfiles> profiles;
    ComPtr<IProfile> profile;
    ConsoleBoxes boxes;
};

// The texts of an item's children (the top level for null).
inline std::vector<std::string> ChildTexts(const CTreeCtrl& tree, HTREEITEM item)
{
    std::vector<std::string> texts;
    for (HTREEITEM child : tree.GetChildren(item))
        texts.push_back(tree.GetItemText(child));
    return texts;
}

inline HTREEITEM ChildNamed(const CTreeCtrl& tree, HTREEITEM item, const std::string& text)
{
    return tree.FindChild(item, text);
}

// An item by its path of texts below the root item.
inline HTREEITEM ItemAt(const CTreeCtrl& tree, const std::vector<std::string>& path)
{
    HTREEITEM item = tree.GetRootItem();
    for (const std::string& text : path) {
        item = item ? ChildNamed(tree, item, text) : nullptr;
    }
    return item;
}

inline int CountItems(const CTreeCtrl& tree, HTREEITEM item)
{
    int count = 0;
    for (HTREEITEM child : tree.GetChildren(item))
        count += 1 + CountItems(tree, child);
    return count;
}

} // namespace tooltest
