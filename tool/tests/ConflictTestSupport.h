// Runs of the real engine that leave conflicts of every kind in the saved profile "Public"
// (Inbox <- Projects, Calendar <- News), for the conflict model's and the dialog's tests.
#pragma once

#include "SyncFixture.h"

#include "base/UiLanguage.h"
#include "mapi/MapiTags.h"

#include <algorithm>

namespace conflicttest {

using namespace enginetest;

class ConflictRuns : public SyncFixture {
protected:
    // The rows' texts ("(untitled)", captions) in English.
    void SetUp() override
    {
        SyncFixture::SetUp();
        SetThreadUILanguage(1033);
    }
    void TearDown() override
    {
        SetThreadUILanguage(0);
        SyncFixture::TearDown();
    }

    // After a first run that pairs them, each item of Projects gets its conflict in the next
    // run: "one" changed here and gone there (1), "two" changed there and gone here (2), "three"
    // changed on both (3), "five" gone there (5) and "six" gone here (6) with QueryDelete on, and
    // "seven" gone there with its local copy's pairing key lost (7). With `missingFolder` the
    // global News folder goes too (4 for the Calendar pair).
    std::vector<SHORT> EveryType(bool missingFolder)
    {
        Paired({"one", "two", "three", "five", "six", "seven"});
        Delete(Src().get(), "one");
        SetBody(Dst().get(), "one", "local one");
        SetBody(Src().get(), "two", "global two");
        Delete(Dst().get(), "two");
        SetBody(Src().get(), "three", "global three");
        SetBody(Dst().get(), "three", "local three");
        Delete(Src().get(), "five");
        Delete(Dst().get(), "six");
        Delete(Src().get(), "seven");
        DropFolderKey("seven");
        if (missingFolder)
            DeleteGlobalFolder("News");
        profile->put_QueryDelete(1);
        std::vector<SHORT> types = Run();
        std::sort(types.begin(), types.end());
        return types;
    }

    void Paired(std::initializer_list<const char*> subjects)
    {
        for (const char* s : subjects)
            Add(Src().get(), s, "orig");
        ASSERT_EQ(Sync(), std::vector<SHORT>{});
    }

    void DropFolderKey(const char* subject)
    {
        ComPtr<IMessage> m = Open(Dst().get(), Find(Dst().get(), subject)->entryId);
        SizedSPropTagArray(1, tags) = {1, {tagFolderKey}};
        ASSERT_EQ(m->DeleteProps(reinterpret_cast<LPSPropTagArray>(&tags), nullptr), S_OK);
        ASSERT_EQ(m->SaveChanges(0), S_OK);
    }

    void DeleteGlobalFolder(const char* name)
    {
        ComPtr<IMAPIFolder> subtree = OpenFolder(srcStore.get(), {});
        LPSPropValue eid = nullptr;
        ASSERT_EQ(HrGetOneProp(Src(name).get(), PR_ENTRYID, &eid), S_OK);
        ASSERT_EQ(subtree->DeleteFolder(eid->Value.bin.cb, reinterpret_cast<LPENTRYID>(eid->Value.bin.lpb), 0,
                                        nullptr, DEL_FOLDERS | DEL_MESSAGES),
                  S_OK);
        MAPIFreeBuffer(eid);
    }

    // Changes the body of every message of that subject.
    void SetEveryBody(IMAPIFolder* folder, const std::string& subject, const std::string& body)
    {
        for (const Msg& m : List(folder)) {
            if (m.subject != subject)
                continue;
            ComPtr<IMessage> msg = Open(folder, m.entryId);
            std::u16string b = platform::Utf8ToUtf16(body);
            SPropValue v{};
            v.ulPropTag = PR_BODY_W;
            v.Value.lpszW = reinterpret_cast<LPWSTR>(b.data());
            ASSERT_EQ(HrSetOneProp(msg.get(), &v), S_OK);
            ASSERT_EQ(msg->SaveChanges(0), S_OK);
        }
    }

    std::vector<SHORT> SortedTypes()
    {
        std::vector<SHORT> types = ConflictTypes();
        std::sort(types.begin(), types.end());
        return types;
    }

    ComPtr<IConflicts> Conflicts()
    {
        ComPtr<IConflicts> conflicts;
        EXPECT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
        return conflicts;
    }
};

} // namespace conflicttest
