// The conflict model over the conflicts of real runs: deletions apart from changes, one header
// per folder pair in key order, the order inside a group, "(untitled)", what could not be read,
// and "?" for a pair whose stores the profile cannot give.
#include "ConflictList.h"

#include "ConflictTestSupport.h"
#include "FakeEngine.h"


namespace {

using namespace conflicttest;

std::vector<std::string> Describe(const std::vector<ConflictRow>& rows)
{
    std::vector<std::string> lines;
    for (const ConflictRow& row : rows) {
        if (row.pPair)
            lines.push_back("[" + row.pPair->strLocalPath + " | " + row.pPair->strGlobalPath + "]");
        else
            lines.push_back(std::to_string(row.pEntry->nType) + " " + row.pEntry->strDstSubject + " | " +
                            row.pEntry->strSrcSubject);
    }
    return lines;
}

bool IsZero(const FILETIME& time) { return time.dwLowDateTime == 0 && time.dwHighDateTime == 0; }

// The run's conflicts, and after them a failure record (type 99) and an item that cannot be
// given.
class WithFailures : public fakeengine::FakeObject<IConflicts> {
public:
    WithFailures(IConflicts* run, IConflict* failure) : m_run(run), m_failure(failure) {}
    HRESULT STDMETHODCALLTYPE Create(IProfile*, LONG, IConflict**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_Count(LONG* pVal) override
    {
        m_run->get_Count(pVal);
        m_runCount = *pVal;
        *pVal += 2;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_Items(LONG idx, IConflict** pVal) override
    {
        if (idx == m_runCount + 1) {
            *pVal = m_failure.get();
            (*pVal)->AddRef();
            return S_OK;
        }
        if (idx == m_runCount + 2)
            return E_OUTOFMEMORY;
        return m_run->get_Items(idx, pVal);
    }

private:
    ComPtr<IConflicts> m_run;
    ComPtr<IConflict> m_failure;
    LONG m_runCount = 0;
};

class ConflictModel : public ConflictRuns {};

} // namespace

TEST_F(ConflictModel, DeletionsApartFromChangesEachGroupedByFolderPair)
{
    ASSERT_EQ(EveryType(true), (std::vector<SHORT>{1, 2, 3, 4, 5, 6, 7}));
    CConflictList model;
    EXPECT_EQ(model.Load(Conflicts().get(), profile.get()), 0);

    EXPECT_EQ(Describe(model.DeleteList()),
              (std::vector<std::string>{"[*/Inbox | */Projects]", "5 five | ", "6  | six"}));

    // Two pairs among the changes, in the order of their keys; the Calendar's global folder is
    // gone.
    const auto& changes = model.ChangeList();
    ASSERT_EQ(changes.size(), 7u);
    std::vector<std::string> inbox = {"[*/Inbox | */Projects]", "1 one | ", "2  | two", "3 three | three",
                                      "7 seven | "};
    std::vector<std::string> calendar = {"[*/Calendar | ]", "4  | "};
    const bool inboxFirst = changes[0].pPair->strLocalPath == "*/Inbox";
    std::vector<std::string> expected = inboxFirst ? inbox : calendar;
    for (const auto& line : inboxFirst ? calendar : inbox)
        expected.push_back(line);
    EXPECT_EQ(Describe(changes), expected);
    const std::string firstKey = changes[0].pPair->strKey;
    const std::string secondKey = changes[inboxFirst ? 5 : 2].pPair->strKey;
    EXPECT_LT(firstKey, secondKey);
    EXPECT_EQ(model.FolderPairs().size(), 2u);
    // Keys: the two folders' record keys in upper-case hex.
    EXPECT_EQ(firstKey.find_first_of("abcdef"), std::string::npos) << firstKey;
    EXPECT_EQ(model.FolderPairs().at(inboxFirst ? secondKey : firstKey).strKey.back(), '-')
        << "the missing global folder gives an empty side";

    for (const ConflictRow& row : changes) {
        if (!row.pEntry)
            continue;
        const ConflictEntry& e = *row.pEntry;
        EXPECT_EQ(IsZero(e.ftDstTime), e.strDstSubject.empty()) << e.nType;
        EXPECT_EQ(IsZero(e.ftSrcTime), e.strSrcSubject.empty()) << e.nType;
        EXPECT_GE(e.nIndex, 1);
    }
}

TEST_F(ConflictModel, AGroupIsOrderedByTypeDestinationTimeSubjectAndIndex)
{
    Paired({"zulu", "alpha", "mike", "kilo", ""});
    // Changed on both sides; here in this order, so that the times contradict the subjects.
    for (const char* s : {"zulu", "alpha", "mike", "kilo", ""}) {
        SetEveryBody(Src().get(), s, "global");
        SetEveryBody(Dst().get(), s, "local");
    }
    Delete(Src().get(), "kilo"); // now only changed here: 1
    ASSERT_EQ(SortedTypes(), std::vector<SHORT>{}) << "before the run";
    std::vector<SHORT> types = Run();
    std::sort(types.begin(), types.end());
    ASSERT_EQ(types, (std::vector<SHORT>{1, 3, 3, 3, 3}));
    CConflictList model;
    EXPECT_EQ(model.Load(Conflicts().get(), profile.get()), 0);
    EXPECT_TRUE(model.DeleteList().empty());
    EXPECT_EQ(Describe(model.ChangeList()),
              (std::vector<std::string>{"[*/Inbox | */Projects]", "1 kilo | ", "3 zulu | zulu", "3 alpha | alpha",
                                        "3 mike | mike", "3 (untitled) | (untitled)"}));

    // The store gives every save a time of its own; at one time the subject decides, then the
    // index.
    ConflictEntry a, b;
    a.nType = b.nType = 3;
    a.ftDstTime = b.ftDstTime = FILETIME{100, 1};
    a.strDstSubject = "Minutes";
    b.strDstSubject = "Agenda";
    a.nIndex = 1;
    b.nIndex = 2;
    EXPECT_TRUE(CConflictList::EntryBefore(b, a));
    b.strDstSubject = "Minutes";
    EXPECT_TRUE(CConflictList::EntryBefore(a, b));
    EXPECT_FALSE(CConflictList::EntryBefore(b, a));
    b.ftDstTime = FILETIME{99, 1};
    EXPECT_TRUE(CConflictList::EntryBefore(b, a)) << "the earlier time first";
    b.nType = 1;
    b.ftDstTime = FILETIME{101, 1};
    EXPECT_TRUE(CConflictList::EntryBefore(b, a)) << "the lower type first";
}

TEST_F(ConflictModel, UnreadableConflictsAreCountedAndLeftOut)
{
    Paired({"a"});
    SetBody(Src().get(), "a", "s");
    SetBody(Dst().get(), "a", "d");
    ASSERT_EQ(Run(), std::vector<SHORT>{3});
    // A failure record as a run makes it.
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(u"Tembrix.Conflict", &clsid), S_OK);
    ComPtr<IConflict> failure;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IConflict, failure.put_void()), S_OK);
    ASSERT_EQ(failure->Create(profile.get(), 99, nullptr, nullptr, nullptr, nullptr,
                              const_cast<char*>("fatal error in line 12 : no folder")),
              S_OK);
    EXPECT_EQ(GetFolderPairKey(failure.get()), "");
    auto conflicts = fakeengine::Make<WithFailures>(Conflicts().get(), failure.get());

    CConflictList model;
    EXPECT_EQ(model.Load(conflicts.get(), profile.get()), 1) << "the failure record; the item never given is not counted";
    EXPECT_EQ(Describe(model.ChangeList()), (std::vector<std::string>{"[*/Inbox | */Projects]", "3 a | a"}));
}

TEST_F(ConflictModel, APairWhoseStoresTheProfileCannotGiveReadsQuestionMarks)
{
    ASSERT_EQ(EveryType(false), (std::vector<SHORT>{1, 2, 3, 5, 6, 7}));
    fakeengine::CallLog log;
    auto storeless = fakeengine::Make<fakeengine::FakeProfile>(log, 1, fakeengine::FakeProfileSetup{});
    CConflictList model;
    EXPECT_EQ(model.Load(Conflicts().get(), storeless.get()), 0);
    EXPECT_TRUE(model.FolderPairs().empty());
    EXPECT_EQ(Describe(model.DeleteList()), (std::vector<std::string>{"[? | ?]", "5 five | ", "6  | six"}));
    ASSERT_FALSE(model.ChangeList().empty());
    EXPECT_EQ(Describe(model.ChangeList())[0], "[? | ?]");
}
