// Runs on the worker thread over scripted profiles: the order of the engine calls, the progress
// the status sink writes and posts, the conflicts left without a choice, the marks, the end
// sound, failed profiles, the schedule's timer with its quit-after-run, and the sink itself.
#include "ViewFixture.h"

#include "ConflictHandler.h"

#include "base/DebugOutput.h"
#include "base/ManualClock.h"
#include "base/MessageBox.h"
#include "base/Process.h"
#include "base/Sound.h"
#include "base/WinTime.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace tooltest;

// Whether `wanted` appears in `calls` in this order (other calls may come between).
bool InOrder(const std::vector<std::string>& calls, const std::vector<std::string>& wanted)
{
    auto it = calls.begin();
    for (const auto& call : wanted) {
        it = std::find(it, calls.end(), call);
        if (it == calls.end())
            return false;
        ++it;
    }
    return true;
}

bool Contains(const std::vector<std::string>& calls, const std::string& call)
{
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

HRESULT Report(IStatus* sink)
{
    BSTR init = SysAllocString(u"Initializing..");
    BSTR done = SysAllocString(u"done.");
    sink->Information(init);
    sink->FoldersProgress(0, 1);
    sink->FoldersProgress(1, 1);
    sink->CurrentFolder(fakeengine::Make<FakeFolder>(u"Inbox", u"0a1b").Detach());
    sink->MessagesProgress(0, 1);
    sink->MessagesProgress(1, 1);
    sink->Information(done);
    SysFreeString(init);
    SysFreeString(done);
    return S_OK;
}

std::vector<platform::SoundRecord> EndSounds()
{
    std::vector<platform::SoundRecord> sounds;
    for (const auto& sound : platform::SoundRecords())
        if (sound.sound == "OrvintaDone")
            sounds.push_back(sound);
    return sounds;
}

// The state texts the view showed, one per change.
class StateHistory : public COrvViewSite {
public:
    explicit StateHistory(const COrvView& view) : m_view(view) {}
    void ControlsChanged() override
    {
        if (texts.empty() || texts.back() != m_view.m_strState)
            texts.push_back(m_view.m_strState);
    }
    std::vector<std::string> texts;

private:
    const COrvView& m_view;
};

class WorkerTest : public ViewFixture {
protected:
    void SetUp() override { platform::ClearSoundRecords(); }

    // The view over the profiles, read and with these checked.
    void Ready(std::vector<FakeProfileSetup> setups, const std::vector<std::string>& checked)
    {
        MakeView(std::move(setups));
        view->LoadProfileInfo();
        for (const auto& name : checked)
            Check(name);
        log.Clear();
    }
    // A run over these profiles, held inside the first one's run by the gate.
    void StartHeldRun(RunGate& gate, std::vector<FakeProfileSetup> setups, const std::vector<std::string>& checked)
    {
        setups.front().run = gate.Run();
        Ready(std::move(setups), checked);
        view->StartSync();
        platform::MessageLoop::Current().RunUntil([&] { return gate.Entered(); });
    }
    void RunNow()
    {
        view->StartSync();
        ASSERT_TRUE(view->IsRunning());
        WaitForRun();
        Pump();
    }
};

TEST_F(WorkerTest, AProfileRunsInTheEnginesOrderAndNoConflictIsLeftWithoutAMode)
{
    auto a = Profile("A");
    a.run = Report;
    a.conflicts = {1, 0, 3};
    Ready({a, Profile("B")}, {"A"});
    platform::DebugOutputCapture debugger;
    RunNow();
    const auto calls = log.Calls();
    EXPECT_TRUE(InOrder(calls, {"Items(1)", "Name(1)", "QueryDelete(1,1)", "Synchronize(1)", "Conflicts(1)", "Count",
                                "Conflict(1)", "Type(1)", "Resolve(1,0)", "Conflict(2)", "Type(2)", "Conflict(3)",
                                "Type(3)", "Resolve(3,0)", "FinalizeSynchronize(1)"}))
        << ::testing::PrintToString(calls);
    EXPECT_FALSE(Contains(calls, "Resolve(2,0)")) << "nothing to resolve";
    EXPECT_FALSE(Contains(calls, "Synchronize(2)")) << "not checked";
    EXPECT_NE(debugger.joined().find("Initializing..\r\nFolder 0 of 1\r\nFolder 1 of 1\r\nFolder: Inbox "
                                     "[RecordKey:0a1b]\r\nMessage 0 of 1\r\nMessage 1 of 1\r\ndone.\r\n"),
              std::string::npos)
        << debugger.joined();
    EXPECT_EQ(Marks(), (std::vector<std::string>{"D", ""}));
    EXPECT_EQ(view->m_strState, "Synchronisation complete.");
    EXPECT_TRUE(EndSounds().empty()) << "the profile left conflicts";
    const auto beeps = platform::BeepRecords();
    EXPECT_NE(std::find(beeps.begin(), beeps.end(), static_cast<UINT>(MB_ICONQUESTION)), beeps.end());
    EXPECT_FALSE(view->IsWorkerAlive());
    EXPECT_FALSE(doc->m_bRunning);
}

TEST_F(WorkerTest, TheQueryDeleteSettingGoesToEachProfile)
{
    Ready({Profile("A"), Profile("B")}, {"A", "B"});
    app->m_bQueryDelete = false;
    RunNow();
    EXPECT_TRUE(InOrder(log.Calls(), {"QueryDelete(1,0)", "Synchronize(1)", "QueryDelete(2,0)", "Synchronize(2)"}));
}

class RecordingHandler : public IConflictHandler {
public:
    void HandleConflicts(COrvView& view, IProfile*, IConflicts* conflicts, const std::string& name,
                         const std::string& localStore, const std::string& globalStore) override
    {
        thread = GetCurrentThreadId();
        seen = name + "|" + localStore + "|" + globalStore;
        // The user resolves the first conflict; the box says so on the window thread.
        ComPtr<IConflict> first;
        conflicts->get_Items(1, first.put());
        first->Resolve(3);
        answer = view.SendToWindowThread([this] {
            boxThread = GetCurrentThreadId();
            return static_cast<LRESULT>(MessageBoxA(nullptr, "1 entries could not be accessed", "Orvinta", MB_OK));
        });
    }
    DWORD thread = 0;
    DWORD boxThread = 0;
    LRESULT answer = 0;
    std::string seen;
};

TEST_F(WorkerTest, ConflictsGoToTheHandlerOnTheWorkerAndItsBoxesToTheWindowThread)
{
    auto a = Profile("A");
    a.conflicts = {5, 2};
    Ready({a}, {"A"});
    RecordingHandler handler;
    view->SetConflictHandler(&handler);
    RunNow();
    EXPECT_NE(handler.thread, 0u);
    EXPECT_NE(handler.thread, GetCurrentThreadId());
    EXPECT_EQ(handler.boxThread, GetCurrentThreadId());
    EXPECT_EQ(handler.answer, IDOK);
    EXPECT_EQ(handler.seen, "A|Local A|Global A");
    const auto calls = log.Calls();
    EXPECT_TRUE(InOrder(calls, {"Resolve(1,3)", "Resolve(2,0)", "FinalizeSynchronize(1)"}));
    EXPECT_FALSE(Contains(calls, "Resolve(1,0)")) << "the user's choice stands";
    ASSERT_EQ(Boxes().size(), 1u);
}

TEST_F(WorkerTest, WithNoProfileCheckedTheWorkerAsksOnceAndEnds)
{
    Ready({Profile("A")}, {});
    EXPECT_FALSE(view->m_bSyncButtonEnabled);
    view->StartSync();
    EXPECT_FALSE(view->IsRunning()) << "the button is off";
    view->StartSync(true); // as a due schedule starts it
    ASSERT_TRUE(view->IsRunning());
    WaitForRun();
    EXPECT_FALSE(Contains(log.Calls(), "Synchronize(1)"));
    EXPECT_EQ(Marks(), (std::vector<std::string>{""})) << "no marks";
    const auto sounds = EndSounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].flags, 0x12081u);
}

TEST_F(WorkerTest, OnlyTheLastProfileDecidesAboutTheEndSound)
{
    auto conflicting = Profile("A");
    conflicting.conflicts = {3};
    Ready({conflicting, Profile("B")}, {"A", "B"});
    RunNow();
    EXPECT_EQ(EndSounds().size(), 1u) << "the last profile left none";

    TearDown();
    platform::ClearSoundRecords();
    auto last = Profile("B");
    last.conflicts = {3};
    Ready({Profile("A"), last}, {"A", "B"});
    RunNow();
    EXPECT_TRUE(EndSounds().empty()) << "the last profile left some";
}

TEST_F(WorkerTest, AFailedProfileIsMarkedAndTheRunEndsWithErrorsAndWithoutSound)
{
    auto failing = Profile("A");
    failing.run = [](IStatus*) { return E_FAIL; };
    Ready({failing, Profile("B"), Profile("C")}, {"A", "C"});
    StateHistory history(*view);
    view->SetSite(&history);
    RunNow();
    EXPECT_EQ(Marks(), (std::vector<std::string>{"F", "", "D"}));
    const std::string failure = view->m_wndProfiles.GetRow(Row("A")).failure;
    EXPECT_NE(failure.find("(0x80004005)"), std::string::npos) << failure;
    EXPECT_TRUE(Contains(history.texts, "The profile \"A\" could not be synchronised: " + failure))
        << ::testing::PrintToString(history.texts);
    EXPECT_EQ(view->m_strState, "Synchronisation completed with errors.");
    EXPECT_TRUE(EndSounds().empty());
    EXPECT_TRUE(Boxes().empty()) << "no box stops the run";
    EXPECT_TRUE(Contains(log.Calls(), "Synchronize(3)")) << "the run went on";

}

TEST_F(WorkerTest, AProfileThatCannotBeReadIsMarkedFailedAndTheRunGoesOn)
{
    Ready({Profile("A"), Profile("B")}, {"A", "B"});
    profiles->m_failingItems = {1};
    RunNow();
    EXPECT_EQ(Marks(), (std::vector<std::string>{"F", "D"}));
    EXPECT_FALSE(view->m_wndProfiles.GetRow(0).failure.empty());
    EXPECT_TRUE(Contains(log.Calls(), "Synchronize(2)"));
    EXPECT_EQ(view->m_strState, "Synchronisation completed with errors.");
    EXPECT_TRUE(EndSounds().empty());
}

TEST_F(WorkerTest, MarksFollowTheRunAndTheListRefusesSelectionsMeanwhile)
{
    RunGate gate;
    StartHeldRun(gate, {Profile("A"), Profile("B"), Profile("C")}, {"A", "C"});
    Pump();
    EXPECT_EQ(Marks(), (std::vector<std::string>{"C", "", "W"}));
    EXPECT_EQ(view->m_wndProfiles.GetSelectedRow(), -1) << "the run clears the selection";
    EXPECT_EQ(view->m_wndLocalStore.GetFullText(), "Local A") << "the running profile's stores show";
    EXPECT_TRUE(doc->m_bRunning);
    EXPECT_FALSE(view->m_bSyncButtonEnabled);
    for (UINT id : {ID_SYNCHRONIZE, ID_PROFILE_DELETE, ID_PROFILE_EDIT})
        EXPECT_FALSE(view->IsCommandEnabled(id));
    view->StartSync(true);
    EXPECT_TRUE(view->IsWorkerAlive()) << "one worker at a time";

    const auto beepsBefore = platform::BeepRecords().size();
    EXPECT_FALSE(view->m_wndProfiles.SetItemSelected(Row("B"), true));
    EXPECT_FALSE(view->OnFolderSelectionChanging(0));
    EXPECT_EQ(platform::BeepRecords().size(), beepsBefore + 2);
    EXPECT_EQ(platform::BeepRecords().back(), static_cast<UINT>(MB_ICONASTERISK));
    view->m_bProgrammaticSelection = true;
    EXPECT_TRUE(view->OnFolderSelectionChanging(0));
    view->m_bProgrammaticSelection = false;

    gate.Open();
    WaitForRun();
    EXPECT_EQ(Marks(), (std::vector<std::string>{"D", "", "D"}));
    EXPECT_EQ(view->m_wndProfiles.GetSelectedRow(), Row("C")) << "the last profile that ran";
    EXPECT_TRUE(view->m_bSyncButtonEnabled);
    EXPECT_FALSE(doc->m_bRunning);
}

TEST_F(WorkerTest, TheViewGoingDuringARunStopsTheWorkerAfterItsProfile)
{
    RunGate gate;
    StartHeldRun(gate, {Profile("A"), Profile("B")}, {"A", "B"});
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gate.Open();
    });
    view.reset();
    opener.join();
    const auto calls = log.Calls();
    EXPECT_TRUE(Contains(calls, "FinalizeSynchronize(1)"));
    EXPECT_FALSE(Contains(calls, "Synchronize(2)"));
}

// --- The schedule's timer ---------------------------------------------------------------------

class TimerTest : public WorkerTest {
protected:
    void Advance(int seconds) { clock->advance(static_cast<ULONGLONG>(seconds) * 1000); }

    // 2026-03-01T00:00:00Z
    std::shared_ptr<platform::ManualClock> clock =
        std::make_shared<platform::ManualClock>((1772323200ULL + platform::kUnixEpochSeconds) * 10000000ULL, 1000);
    platform::ScopedClock scoped{clock};
};

TEST_F(TimerTest, ARunStartsOnceItsDueTimeHasPassed)
{
    Ready({Profile("A")}, {"A"});
    app->m_bSyncOnOutlookStart = true;
    app->m_nSyncOnOutlookStartDelay = 300;
    app->ScheduleSync(SYNC_OLSTART);
    Advance(300);
    view->OnTimer(0);
    EXPECT_FALSE(view->IsRunning()) << "due now, not yet past";
    Advance(1);
    view->OnTimer(0);
    EXPECT_TRUE(view->IsRunning());
    EXPECT_EQ(app->m_nPendingSync, SYNC_NONE);
    EXPECT_EQ(app->m_tDueTime, 0);
    WaitForRun();
    Pump();
    EXPECT_EQ(closes, 0) << "only an autosync quits after its run";
}

TEST_F(TimerTest, AnAutosyncWithNothingCheckedStillRunsAndEnds)
{
    Ready({Profile("A")}, {});
    app->ScheduleSync(SYNC_AUTOSYNC);
    view->OnTimer(0);
    EXPECT_TRUE(doc->m_bQuitAfterRun);
    Advance(1);
    view->OnTimer(0);
    ASSERT_TRUE(view->IsRunning());
    WaitForRun();
    Pump();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(doc->m_bQuitAfterRun);
    EXPECT_EQ(EndSounds().size(), 1u);
}

TEST_F(TimerTest, ARunFallingDueDuringARunIsDroppedAndThatRunServesTheAutosync)
{
    RunGate gate;
    StartHeldRun(gate, {Profile("A")}, {"A"});
    app->ScheduleSync(SYNC_AUTOSYNC);
    Advance(2);
    view->OnTimer(0);
    EXPECT_EQ(app->m_nPendingSync, SYNC_NONE) << "dropped without a message";
    EXPECT_EQ(app->m_tDueTime, 0);
    EXPECT_TRUE(doc->m_bQuitAfterRun);
    EXPECT_TRUE(Boxes().empty());
    gate.Open();
    WaitForRun();
    Pump();
    EXPECT_EQ(closes, 1) << "the program quits after the run that served it";
}

TEST_F(TimerTest, AnOverdueRunIsAskedForAndNoDropsItWithItsQuit)
{
    Ready({Profile("A")}, {"A"});
    app->ScheduleSync(SYNC_AUTOSYNC);
    view->m_bProfileDialogOpen = true;
    Advance(2);
    view->OnTimer(0);
    EXPECT_TRUE(view->m_bOverdue);
    EXPECT_EQ(app->m_nPendingSync, SYNC_AUTOSYNC) << "kept while the dialog is open";
    EXPECT_TRUE(doc->m_bQuitAfterRun);
    view->m_bProfileDialogOpen = false;
    platform::PushAnswer("no");
    view->OnTimer(0);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].text, "A scheduled synchronisation is overdue.\r\nDo you want to start it now?");
    EXPECT_FALSE(view->IsRunning());
    EXPECT_EQ(app->m_nPendingSync, SYNC_NONE);
    EXPECT_FALSE(view->m_bOverdue);
    EXPECT_FALSE(doc->m_bQuitAfterRun) << "the run that was to end the program never comes";

    // Yes starts it.
    app->ScheduleSync(SYNC_OLSTOP);
    view->m_bProfileDialogOpen = true;
    Advance(2);
    view->OnTimer(0);
    view->m_bProfileDialogOpen = false;
    platform::PushAnswer("yes");
    view->OnTimer(0);
    EXPECT_TRUE(view->IsRunning());
    WaitForRun();
    Pump();
    EXPECT_EQ(closes, 0);
}

TEST_F(TimerTest, APlainStartReplacingAPendingAutosyncTakesItsQuitAway)
{
    Ready({Profile("A")}, {"A"});
    app->ScheduleSync(SYNC_AUTOSYNC);
    view->OnTimer(0);
    EXPECT_TRUE(doc->m_bQuitAfterRun);
    app->ScheduleSyncFromMessage(SYNC_NONE); // a plain second start
    view->OnTimer(0);
    EXPECT_FALSE(doc->m_bQuitAfterRun);
    // A later run of the user's does not close the program.
    RunNow();
    EXPECT_EQ(closes, 0);

    // The same when an "olstart" replaces it.
    app->ScheduleSync(SYNC_AUTOSYNC);
    view->OnTimer(0);
    EXPECT_TRUE(doc->m_bQuitAfterRun);
    app->m_bSyncOnOutlookStart = true;
    app->m_nSyncOnOutlookStartDelay = 60;
    app->ScheduleSync(SYNC_OLSTART);
    view->OnTimer(0);
    EXPECT_FALSE(doc->m_bQuitAfterRun);
}

TEST_F(TimerTest, ACloseRefusedDuringARunKeepsItsOwnRequest)
{
    RunGate gate;
    StartHeldRun(gate, {Profile("A")}, {"A"});
    EXPECT_FALSE(doc->CanCloseFrame());
    app->ScheduleSync(SYNC_AUTOSYNC);
    view->OnTimer(0);
    app->ScheduleSyncFromMessage(SYNC_NONE);
    view->OnTimer(0);
    EXPECT_TRUE(doc->m_bQuitAfterRun) << "the user asked to close";
    gate.Open();
    WaitForRun();
    Pump();
    EXPECT_EQ(closes, 1);
}

// --- The status sink ---------------------------------------------------------------------------

class SinkTest : public ViewFixture {
protected:
    void SetUp() override
    {
        MakeView({Profile("A")});
        ASSERT_EQ(CreateStatusSink(sink.put()), S_OK);
        static_cast<CSyncStatusSink*>(sink.get())->m_hWndView = view->GetSafeHwnd();
    }
    void TearDown() override
    {
        sink.Release();
        ViewFixture::TearDown();
    }
    ComPtr<IStatus> sink;
};

TEST_F(SinkTest, AFolderWhoseTextCannotBeConvertedIsReleasedAndTheCallFails)
{
    auto good = Make<FakeFolder>(u"Inbox", u"0a1b");
    good->AddRef();
    EXPECT_EQ(sink->CurrentFolder(good.get()), S_OK);
    EXPECT_EQ(good->Refs(), 1u) << "the handed-over reference is released";
    EXPECT_EQ(CSyncStatusSink::CurrentFolderKey(), "0a1b");

    // A lone surrogate is no text: the call returns the failure instead of raising it.
    std::vector<ComPtr<FakeFolder>> broken{Make<FakeFolder>(u"Inbox", std::u16string(1, u'\xD800')),
                                           Make<FakeFolder>(std::u16string(u"In") + u'\xDC00', u"0c0d")};
    for (auto& folder : broken) {
        folder->AddRef();
        platform::DebugOutputCapture debugger;
        EXPECT_TRUE(FAILED(sink->CurrentFolder(folder.get())));
        EXPECT_EQ(folder->Refs(), 1u);
        EXPECT_EQ(CSyncStatusSink::CurrentFolderKey(), "0a1b") << "nothing kept";
        EXPECT_EQ(debugger.joined(), "");
    }
    EXPECT_EQ(sink->CurrentFolder(nullptr), E_POINTER);
    Pump();
    EXPECT_EQ(view->m_nCurFolderRow, -1);
}

TEST_F(SinkTest, APassEndsWithAPause)
{
    auto clock = std::make_shared<platform::ManualClock>(0, 5000);
    platform::ScopedClock scoped(clock);
    EXPECT_EQ(sink->MessagesProgress(1, 2), S_OK);
    EXPECT_EQ(clock->tickCount(), 5000u);
    EXPECT_EQ(sink->MessagesProgress(2, 2), S_OK);
    EXPECT_EQ(clock->tickCount(), 5050u);
    EXPECT_EQ(sink->MessagesProgress(0, 0), S_OK);
    EXPECT_EQ(clock->tickCount(), 5100u);
}

TEST_F(SinkTest, TheSinkAnswersForItsOwnInterfacesOnly)
{
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(sink->QueryInterface(IID_IUnknown, unknown.put_void()), S_OK);
    ComPtr<IStatus> status;
    EXPECT_EQ(sink->QueryInterface(IID_IStatus, status.put_void()), S_OK);
    ComPtr<IFolder> folder;
    EXPECT_EQ(sink->QueryInterface(IID_IFolder, folder.put_void()), E_NOINTERFACE);
    EXPECT_FALSE(folder);
    EXPECT_EQ(CreateStatusSink(nullptr), E_POINTER);
}

} // namespace
