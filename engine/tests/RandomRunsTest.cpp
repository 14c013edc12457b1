// Many runs over two folder pairs with random changes on both sides, and runs killed at random
// moments in a child process: after each run every message has exactly one partner and no
// content is lost.
#include "SyncFixture.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <fcntl.h>
#include <thread>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace enginetest;

namespace {

using Types = std::vector<SHORT>;

struct Item {
    int pair = 0; // 0: Projects/Inbox, 1: News/Calendar
    std::string body;
    int owner = 0; // side of the last change: 0 source, 1 destination
};

const char* kSrcNames[] = {"Projects", "News"};
const char* kDstNames[] = {"Inbox", "Calendar"};

class RandomRuns : public SyncFixture {
protected:
    // Random changes, at most one per item: adds, edits and deletions on either side, moves
    // between the linked destination folders.
    void Change(std::mt19937& rng, int operations)
    {
        std::vector<std::string> pool;
        for (const auto& [subject, item] : model)
            pool.push_back(subject);
        std::shuffle(pool.begin(), pool.end(), rng);
        for (int op = 0; op < operations; ++op) {
            int kind = std::uniform_int_distribution<int>(0, 7)(rng);
            if (kind <= 1 || pool.empty()) {
                const int pair = std::uniform_int_distribution<int>(0, 1)(rng);
                const std::string subject = "m" + std::to_string(next++);
                const std::string body = "b" + std::to_string(rng());
                Add(kind == 0 ? Src(kSrcNames[pair]).get() : Dst(kDstNames[pair]).get(), subject, body);
                model[subject] = Item{pair, body, kind};
                continue;
            }
            const std::string subject = pool.back();
            pool.pop_back();
            Item& item = model[subject];
            ComPtr<IMAPIFolder> src = Src(kSrcNames[item.pair]), dst = Dst(kDstNames[item.pair]);
            int side = kind % 2;
            if (unsynced) {
                // Without a completed run between the changes, an item changes only on the side
                // of its last change, so that no two versions meet as a conflict.
                side = item.owner;
                if (kind >= 6 && side == 0)
                    kind = 2;
            }
            switch (kind) {
            case 2:
            case 3:
                item.body = "e" + std::to_string(rng());
                item.owner = side;
                SetBody(side == 0 ? src.get() : dst.get(), subject, item.body);
                break;
            case 4:
            case 5:
                Delete(side == 0 ? src.get() : dst.get(), subject);
                model.erase(subject);
                break;
            default: {
                std::optional<Msg> m = Find(dst.get(), subject);
                ASSERT_TRUE(m);
                item.owner = 1;
                SBinary bin{static_cast<ULONG>(m->entryId.size()), m->entryId.data()};
                ENTRYLIST list{1, &bin};
                ComPtr<IMAPIFolder> other = Dst(kDstNames[1 - item.pair]);
                ASSERT_EQ(dst->CopyMessages(&list, nullptr, other.get(), 0, nullptr, MESSAGE_MOVE), S_OK);
                item.pair = 1 - item.pair;
                break;
            }
            }
        }
    }

    // Every destination message pairs with exactly one source message of its folder pair and
    // has its content. With `exact`, both sides hold exactly the model's messages; otherwise
    // each model message is at least there (copies may have come back or doubled).
    // Every destination message pairs with exactly one source message of its folder pair. With
    // `exact`, both sides hold exactly the model's messages with the same content. Otherwise
    // (after killed runs) every model message is still on both sides, copies may have come back
    // or doubled, and its latest content is on at least one side: a run killed after storing its
    // time but before its conflicts were seen leaves such a pair apart until one side changes.
    void Check(bool exact)
    {
        for (int pair = 0; pair < 2; ++pair) {
            std::vector<Msg> srcList = List(Src(kSrcNames[pair]).get());
            std::vector<Msg> dstList = List(Dst(kDstNames[pair]).get());
            std::map<std::vector<BYTE>, const Msg*> byKey;
            for (const Msg& s : srcList)
                byKey[s.recordKey] = &s;
            std::set<std::vector<BYTE>> partnered;
            for (const Msg& d : dstList) {
                auto it = byKey.find(d.searchKey);
                ASSERT_NE(it, byKey.end()) << "no partner for " << d.subject;
                EXPECT_TRUE(partnered.insert(d.searchKey).second) << "two partners for " << d.subject;
                EXPECT_EQ(it->second->subject, d.subject);
                if (exact) {
                    EXPECT_EQ(it->second->body, d.body) << d.subject;
                }
            }
            EXPECT_EQ(partnered.size(), srcList.size()) << "source messages without a partner";
            std::multimap<std::string, std::string> want;
            for (const auto& [subject, item] : model)
                if (item.pair == pair)
                    want.emplace(subject, item.body);
            std::multimap<std::string, std::string> srcHave = Contents(Src(kSrcNames[pair]).get());
            std::multimap<std::string, std::string> dstHave = Contents(Dst(kDstNames[pair]).get());
            if (exact) {
                EXPECT_EQ(srcHave, want) << "pair " << pair;
                EXPECT_EQ(dstHave, want) << "pair " << pair;
                continue;
            }
            for (const auto& [subject, body] : want) {
                EXPECT_TRUE(srcHave.count(subject)) << "lost in the source: " << subject;
                EXPECT_TRUE(dstHave.count(subject)) << "lost in the destination: " << subject;
                bool found = false;
                for (const auto* have : {&srcHave, &dstHave}) {
                    auto [b, e] = have->equal_range(subject);
                    found = found || std::any_of(b, e, [&](const auto& h) { return h.second == body; });
                }
                EXPECT_TRUE(found) << "latest content lost: " << subject;
            }
        }
    }

    std::map<std::string, Item> model;
    int next = 0;
    bool unsynced = false; // changes may meet runs that did not finish
};

TEST_F(RandomRuns, EveryRunLeavesExactPairsAndTheLatestContent)
{
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 rng(seed);
        for (int round = 0; round < 8; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            Change(rng, round == 0 ? 20 : 12);
            ASSERT_EQ(Sync(), Types{});
            Check(true);
            if (HasFailure())
                return;
            ASSERT_FALSE(model.empty());
        }
    }
}

// The child's part: one run of the first profile in the platform root it inherited.
TEST(RandomRunsChild, OneRun)
{
    if (!std::getenv("ENGINE_KILL_CHILD"))
        GTEST_SKIP() << "runs only as the child of the kill test";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ASSERT_EQ(MAPIInitialize(nullptr), S_OK);
    {
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"Tembrix.SyncEngine", &clsid), S_OK);
        ComPtr<ISyncEngine> engine;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_ISyncEngine, engine.put_void()), S_OK);
        ASSERT_EQ(engine->Init(), S_OK);
        ComPtr<IProfiles> profiles;
        ASSERT_EQ(engine->get_Profiles(profiles.put()), S_OK);
        ComPtr<IProfile> profile;
        ASSERT_EQ(profiles->get_Items(1, profile.put()), S_OK);
        RecordingStatus sink;
        EXPECT_EQ(profile->Synchronize(&sink), S_OK);
        // Nobody answers here: every conflict is kept as it is, so that it comes up again.
        ComPtr<IConflicts> conflicts;
        ASSERT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
        LONG n = 0;
        conflicts->get_Count(&n);
        for (LONG i = 1; i <= n; ++i) {
            ComPtr<IConflict> c;
            ASSERT_EQ(conflicts->get_Items(i, c.put()), S_OK);
            EXPECT_EQ(c->Resolve(0), S_OK);
        }
        conflicts.Release();
        profile->FinalizeSynchronize();
    }
    MAPIUninitialize();
    CoUninitialize();
}

class KilledRuns : public RandomRuns {
protected:
    KilledRuns()
    {
        realClock = true; // the child runs on the system clock too
        unsynced = true;
    }
};

pid_t StartChild(const char* output = "/dev/null")
{
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=RandomRunsChild.OneRun";
    char* argv[] = {self.data(), filter.data(), nullptr};
    setenv("ENGINE_KILL_CHILD", "1", 1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    unsetenv("ENGINE_KILL_CHILD");
    return rc == 0 ? pid : -1;
}

TEST_F(KilledRuns, RunKilledAtAnyMomentLosesNoMessage)
{
    std::mt19937 rng(7);
    Change(rng, 150);
    ASSERT_EQ(Sync(), Types{});
    Check(true);
    int finished = 0;
    int killed = 0;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Change(rng, 20);
        const pid_t pid = StartChild();
        ASSERT_GT(pid, 0);
        // Start-up and the run's work take some tens of milliseconds, then the run waits its
        // second before storing the time: most kills fall into the work, some into the wait.
        const bool inWork = std::uniform_int_distribution<int>(0, 3)(rng) != 0;
        const int micros = inWork ? std::uniform_int_distribution<int>(0, 80000)(rng)
                                  : std::uniform_int_distribution<int>(80000, 1100000)(rng);
        std::this_thread::sleep_for(std::chrono::microseconds(micros));
        kill(pid, SIGKILL);
        int st = 0;
        waitpid(pid, &st, 0);
        if (WIFEXITED(st))
            ++finished;
        else
            ++killed;
    }
    EXPECT_GT(killed, 20) << "most children die in their run";
    // One complete run in a child, then two here: the first may still raise conflicts of the
    // killed runs' half work.
    Change(rng, 8);
    const auto t0 = std::chrono::steady_clock::now();
    const std::string log = (platform::RootDirectory() / "child.txt").string();
    const pid_t pid = StartChild(log.c_str());
    ASSERT_GT(pid, 0);
    int st = 0;
    waitpid(pid, &st, 0);
    RecordProperty("complete_child_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - t0)
                                            .count()));
    if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) {
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        ADD_FAILURE() << "the child did not run to its end:\n" << text.str();
    }
    // A killed run's copies count as changes, so a pair that changed again meets as both
    // changed: both versions stay and the run reports them. The user keeps the later one.
    Run();
    {
        ComPtr<IConflicts> conflicts;
        ASSERT_EQ(profile->get_Conflicts(conflicts.put()), S_OK);
        LONG n = 0;
        conflicts->get_Count(&n);
        for (LONG i = 1; i <= n; ++i) {
            ComPtr<IConflict> c;
            ASSERT_EQ(conflicts->get_Items(i, c.put()), S_OK);
            SHORT type = 0;
            c->get_Type(&type);
            if (type != 3)
                continue;
            ComPtr<IUnknown> unknown;
            ASSERT_EQ(c->get_DestinationMessage(unknown.put()), S_OK);
            ComPtr<IMessage> m;
            unknown.As(m);
            LPSPropValue props = nullptr;
            ULONG count = 0;
            SizedSPropTagArray(2, tags) = {2, {PR_SUBJECT_W, PR_BODY_W}};
            ASSERT_TRUE(SUCCEEDED(m->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &props)));
            const std::string subject = platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(props[0].Value.lpszW));
            const std::string body = platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(props[1].Value.lpszW));
            MAPIFreeBuffer(props);
            auto it = model.find(subject);
            EXPECT_EQ(c->Resolve(it != model.end() && it->second.body == body ? 3 : 1), S_OK) << subject;
        }
    }
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    Run();
    ASSERT_EQ(profile->FinalizeSynchronize(), S_OK);
    Check(false);
    RecordProperty("finished_children", finished);
}

} // namespace
