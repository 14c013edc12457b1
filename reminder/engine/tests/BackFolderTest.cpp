// The back folder: the restriction that selects the copies, the sink that keeps the engine's next
// reminder, and the two clean-up passes of enabling (orphans, missing signal times).
#include "EngineFixture.h"

#include "BackFolder.h"
#include "BackFolderSink.h"
#include "LVFolder.h"
#include "MapiBuffer.h"
#include "RegKeyEx.h"
#include "RegUtils.h"

#include <algorithm>
#include <set>

using namespace remindertest;

namespace {

class BackFolderTest : public EngineFixture {
protected:
    struct CopyPlan {
        std::string subject;
        std::optional<Bytes> storeKey = std::nullopt;
        std::optional<Bytes> folderKey = std::nullopt;
        std::optional<bool> lumivaneItem = true;
        std::optional<ULONGLONG> signalTime = std::nullopt;
        std::optional<ULONGLONG> reminderTime = std::nullopt;
        std::optional<LONG> delta = std::nullopt;
        bool reminderSet = true;
    };

    // A copy written straight into the back folder.
    void NewCopy(const CopyPlan& plan)
    {
        ComPtr<IMAPIFolder> folder = BackFolder();
        ComPtr<IMessage> copy;
        ASSERT_EQ(folder->CreateMessage(nullptr, MAPI_ASSOCIATED, copy.put()), S_OK);
        SPropValue subject{};
        subject.ulPropTag = PR_SUBJECT_A;
        subject.Value.lpszA = const_cast<char*>(plan.subject.c_str());
        ASSERT_EQ(HrSetOneProp(copy.get(), &subject), S_OK);
        auto binary = [&](BackFolderItem::Name name, const Bytes& value) {
            SPropValue v{};
            v.ulPropTag = NamedTag(copy.get(), BackFolderItem::NameOf(name), PT_BINARY);
            v.Value.bin = {static_cast<ULONG>(value.size()), const_cast<BYTE*>(value.data())};
            ASSERT_EQ(HrSetOneProp(copy.get(), &v), S_OK);
        };
        if (plan.storeKey)
            binary(BackFolderItem::LVStoreRecordKey, *plan.storeKey);
        if (plan.folderKey)
            binary(BackFolderItem::LVFolderRecordKey, *plan.folderKey);
        if (plan.lumivaneItem) {
            SPropValue v{};
            v.ulPropTag = NamedTag(copy.get(), BackFolderItem::NameOf(BackFolderItem::LumivaneItem), PT_BOOLEAN);
            v.Value.b = *plan.lumivaneItem ? 1 : 0;
            ASSERT_EQ(HrSetOneProp(copy.get(), &v), S_OK);
        }
        SetBool(copy.get(), PSETID_Common, kPidLidReminderSet, plan.reminderSet);
        if (plan.signalTime)
            SetTime(copy.get(), PSETID_Common, kPidLidReminderSignalTime, *plan.signalTime);
        if (plan.reminderTime)
            SetTime(copy.get(), PSETID_Common, kPidLidReminderTime, *plan.reminderTime);
        if (plan.delta) {
            SPropValue v{};
            v.ulPropTag = NamedTag(copy.get(), PSETID_Common, kPidLidReminderDelta, PT_LONG);
            v.Value.l = *plan.delta;
            ASSERT_EQ(HrSetOneProp(copy.get(), &v), S_OK);
        }
        ASSERT_EQ(copy->SaveChanges(0), S_OK);
    }

    void FolderKey(const std::string& storeKey, const std::string& folderKey)
    {
        CRegKeyEx key;
        const std::string path = std::string(kFoldersKey) + "\\" + ProfileKey() + "\\" + storeKey + "\\" + folderKey;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, path.c_str()), ERROR_SUCCESS);
        ASSERT_EQ(key.SetStringValue("eid", "00"), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDWORDValue("type", RT_PUBLIC), ERROR_SUCCESS);
    }

    std::vector<std::string> Subjects()
    {
        std::vector<std::string> subjects;
        for (const Copy& c : Copies())
            subjects.push_back(c.subject);
        std::sort(subjects.begin(), subjects.end());
        return subjects;
    }
};

} // namespace

TEST_F(BackFolderTest, TheRestrictionSelectsTheCopiesOnly)
{
    NewCopy({"copy"});
    NewCopy({"marked false", {}, {}, false});
    NewCopy({"unmarked", {}, {}, std::nullopt});
    ComPtr<IMAPIFolder> folder = BackFolder();
    CMapiBuffer<SRestriction> restriction;
    ASSERT_EQ(GetBackFolderRestriction(folder.get(), restriction.put()), S_OK);
    ASSERT_EQ(restriction->rt, static_cast<ULONG>(RES_AND));
    ASSERT_EQ(restriction->res.resAnd.cRes, 2u);
    EXPECT_EQ(restriction->res.resAnd.lpRes[0].rt, static_cast<ULONG>(RES_EXIST));
    EXPECT_EQ(restriction->res.resAnd.lpRes[1].rt, static_cast<ULONG>(RES_PROPERTY));
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(MAPI_ASSOCIATED, table.put()), S_OK);
    SizedSPropTagArray(1, columns) = {1, {PR_SUBJECT_A}};
    LPSRowSet rows = nullptr;
    ASSERT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&columns), restriction.get(), nullptr, 0,
                             &rows),
              S_OK);
    ASSERT_EQ(rows->cRows, 1u);
    EXPECT_STREQ(rows->aRow[0].lpProps[0].Value.lpszA, "copy");
    FreeProws(rows);
    EXPECT_EQ(GetBackFolderRestriction(nullptr, restriction.put()), E_INVALIDARG);
    EXPECT_FALSE(restriction);

    MAPINAMEID id{};
    InitNameID(id, PSETID_Common, 0x8560);
    EXPECT_EQ(id.ulKind, static_cast<ULONG>(MNID_ID));
    EXPECT_EQ(id.Kind.lID, 0x8560);
    EXPECT_TRUE(IsEqualGUID(*id.lpguid, PSETID_Common));
}

TEST_F(BackFolderTest, ACopyWithoutASignalTimeGetsOneOnEnabling)
{
    FolderKey("aa01", "f1");
    CopyPlan plan{"Meeting", Bytes{0xaa, 0x01}, Bytes{0xf1}};
    plan.reminderTime = kMay1st10h;
    plan.delta = 15;
    NewCopy(plan);
    NewCopy({"No times", Bytes{0xaa, 0x01}, Bytes{0xf1}});
    WriteIni("RunDisabled", 1);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    const auto copies = Copies();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].subject, "Meeting");
    EXPECT_EQ(copies[0].signalTime, std::optional<ULONGLONG>(kMay1st10h - 15 * kMinute));
    EXPECT_FALSE(copies[1].signalTime);
}

TEST_F(BackFolderTest, EnablingDeletesExactlyTheCopiesOfFoldersThatAreNoReminderFoldersAnyMore)
{
    // Three stores with three folders each: in the first two folders are reminder folders, in the
    // second one, the third has no key at all. More than a batch of copies per folder.
    const std::vector<Bytes> stores = {{0xaa, 0x01}, {0xaa, 0x02}, {0xaa, 0x03}};
    const std::vector<Bytes> folders = {{0xf1}, {0xf2}, {0xf3}};
    FolderKey("aa01", "f1");
    FolderKey("aa01", "f2");
    FolderKey("aa02", "f1");
    std::set<std::string> kept;
    for (std::size_t s = 0; s < stores.size(); ++s) {
        for (std::size_t f = 0; f < folders.size(); ++f) {
            for (int i = 0; i < 23; ++i) {
                const std::string subject = "s" + std::to_string(s + 1) + "f" + std::to_string(f + 1) + "-" +
                                            std::to_string(i);
                NewCopy({subject, stores[s], folders[f]});
                if ((s == 0 && f < 2) || (s == 1 && f == 0))
                    kept.insert(subject);
            }
        }
    }
    // Copies without one key or both are orphans too; copies of another kind are not touched.
    NewCopy({"no keys"});
    NewCopy({"no folder key", stores[0]});
    NewCopy({"no store key", std::nullopt, folders[0]});
    NewCopy({"not a copy", stores[2], folders[2], std::nullopt});
    kept.insert("not a copy");
    WriteIni("RunDisabled", 1);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    const auto subjects = Subjects();
    EXPECT_EQ(std::set<std::string>(subjects.begin(), subjects.end()), kept);
    EXPECT_EQ(subjects.size(), kept.size());
}

TEST_F(BackFolderTest, WithoutTheProfilesFolderKeysEveryCopyIsAnOrphan)
{
    NewCopy({"a", Bytes{0xaa}, Bytes{0xf1}});
    NewCopy({"b", Bytes{0xaa}, Bytes{0xf2}});
    WriteIni("RunDisabled", 1);
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    EXPECT_TRUE(Copies().empty());
}

TEST_F(BackFolderTest, TheSinkReadsTheCopiesOncePerBatchOfChanges)
{
    WriteIni("RunDisabled", 1);
    FolderKey("aa01", "f1");
    ASSERT_EQ(reminder->put_Enabled(VARIANT_TRUE), S_OK);
    Pump();
    const CBackFolderSink* sink = Engine()->Sink();
    ASSERT_TRUE(sink);
    const ULONG before = sink->Reloads();
    for (int i = 0; i < 40; ++i) {
        CopyPlan plan{"c" + std::to_string(i), Bytes{0xaa, 0x01}, Bytes{0xf1}};
        plan.signalTime = kNow + ULONGLONG(40 - i) * kMinute;
        NewCopy(plan);
    }
    Pump();
    EXPECT_EQ(sink->Reloads(), before + 1);
    EXPECT_EQ(NextReminder(), kNow + kMinute);
}

TEST_F(BackFolderTest, ASinkThatCannotBeSetIsNoSinkAndItsEngineHasNoBackFolder)
{
    CLVFolder* unopened = nullptr;
    ASSERT_EQ(CLVFolder::CreateObject(&unopened), S_OK);
    ComPtr<ILVFolder> folder;
    folder.Attach(unopened);
    CBackFolderSink* made = nullptr;
    ASSERT_EQ(CBackFolderSink::CreateObject(&made), S_OK);
    ComPtr<CBackFolderSink> sink;
    sink.Attach(made);
    EXPECT_TRUE(FAILED(sink->SetSink(reminder.get(), folder.get())));
    EXPECT_EQ(sink->ReloadTable(), MAPI_E_NOT_INITIALIZED);
    EXPECT_EQ(sink->SetSink(nullptr, folder.get()), E_INVALIDARG);
}
