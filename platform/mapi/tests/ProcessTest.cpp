// Several processes on one store file: entry IDs and named properties agree, concurrent writers
// lose nothing, and a writer killed in the middle of a save leaves no half message.
#include "MapiTestUtil.h"

#include "base/MessageLoop.h"
#include "mapi/StoreFile.h"

#include <csignal>
#include <chrono>
#include <cstdio>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

using namespace mapitest;

namespace {

pid_t Spawn(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(MAPI_TEST_WRITER));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, MAPI_TEST_WRITER, nullptr, nullptr, argv.data(), environ), 0);
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Output(const std::vector<std::string>& args)
{
    std::string cmd = MAPI_TEST_WRITER;
    for (const auto& a : args)
        cmd += " '" + a + "'";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    while (p && fgets(buf, sizeof buf, p))
        out += buf;
    if (p) {
        EXPECT_EQ(pclose(p), 0);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::vector<std::pair<std::string, std::string>> SubjectsAndBodies(IMAPIFolder* folder)
{
    ComPtr<IMAPITable> table;
    EXPECT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray(1, cols) = {1, {PR_ENTRYID}};
    LPSRowSet rows = nullptr;
    EXPECT_EQ(HrQueryAllRows(table.get(), reinterpret_cast<LPSPropTagArray>(&cols), nullptr, nullptr, 0, &rows), S_OK);
    std::vector<std::pair<std::string, std::string>> out;
    for (ULONG i = 0; rows && i < rows->cRows; ++i) {
        ComPtr<IUnknown> unk;
        ULONG type = 0;
        const SBinary& e = rows->aRow[i].lpProps[0].Value.bin;
        EXPECT_EQ(folder->OpenEntry(e.cb, (LPENTRYID)e.lpb, nullptr, 0, &type, unk.put()), S_OK);
        auto* msg = static_cast<IMessage*>(unk.get());
        out.emplace_back(GetText(msg, PR_SUBJECT), GetText(msg, PR_BODY));
        // Every attachment is complete.
        ComPtr<IMAPITable> atts;
        EXPECT_EQ(msg->GetAttachmentTable(0, atts.put()), S_OK);
        SizedSPropTagArray(1, num) = {1, {PR_ATTACH_NUM}};
        LPSRowSet arows = nullptr;
        EXPECT_EQ(HrQueryAllRows(atts.get(), reinterpret_cast<LPSPropTagArray>(&num), nullptr, nullptr, 0, &arows), S_OK);
        for (ULONG j = 0; arows && j < arows->cRows; ++j) {
            ComPtr<IAttach> att;
            EXPECT_EQ(msg->OpenAttach(arows->aRow[j].lpProps[0].Value.l, nullptr, 0, att.put()), S_OK);
            EXPECT_EQ(GetBin(att.get(), PR_ATTACH_DATA_BIN), out.back().second);
        }
        out.back().second = std::to_string(arows ? arows->cRows : 0) + ":" + out.back().second;
        FreeProws(arows);
    }
    FreeProws(rows);
    return out;
}

} // namespace

TEST_F(StoreTest, AnotherProcessOpensObjectsByEntryId)
{
    auto folder = NewFolder(Subtree().get(), "Shared");
    auto msg = NewMessage(folder.get(), "seen elsewhere");
    EXPECT_EQ(Output({"open", Hex(GetBin(store.get(), PR_ENTRYID)), Hex(GetBin(msg.get(), PR_ENTRYID))}),
              "seen elsewhere");
}

TEST_F(StoreTest, NamedPropertyIdsAgreeBetweenProcesses)
{
    const std::string theirs = Output({"named", path.string()});
    GUID set = MakeGuid("0A0B0C0D-1111-2222-3333-444455556666");
    WCHAR name[] = u"PRS_LAST_SYNC";
    MAPINAMEID id{&set, MNID_STRING, {}};
    id.Kind.lpwstrName = name;
    LPMAPINAMEID list = &id;
    LPSPropTagArray tags = nullptr;
    ASSERT_EQ(store->GetIDsFromNames(1, &list, 0, &tags), S_OK); // created by the other process
    char mine[8];
    std::snprintf(mine, sizeof mine, "%04x", static_cast<unsigned>(PROP_ID(tags->aulPropTag[0])));
    MAPIFreeBuffer(tags);
    EXPECT_EQ(theirs, mine);
    EXPECT_EQ(Output({"named", path.string()}), theirs);
}

TEST_F(StoreTest, TwoProcessesWriteOneStoreAtOnce)
{
    auto folder = NewFolder(Subtree().get(), "Busy");
    const std::string eid = Hex(GetBin(folder.get(), PR_ENTRYID));
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    pid_t a = Spawn({"add", path.string(), eid, "150", "a"});
    pid_t b = Spawn({"add", path.string(), eid, "150", "b"});
    for (int i = 0; i < 50; ++i)
        NewMessage(folder.get(), "p" + std::to_string(i));
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);
    // The table opened before sees the other processes' messages too.
    ULONG count = 0;
    ASSERT_EQ(table->GetRowCount(0, &count), S_OK);
    EXPECT_EQ(count, 350u);
    std::set<std::string> subjects;
    for (const auto& [s, body] : SubjectsAndBodies(folder.get()))
        subjects.insert(s);
    EXPECT_EQ(subjects.size(), 350u);
    EXPECT_TRUE(subjects.count("a149") && subjects.count("b0") && subjects.count("p49"));
}

TEST_F(StoreTest, KilledWriterLeavesOnlyWholeMessages)
{
    auto folder = NewFolder(Subtree().get(), "Crash");
    const std::string eid = Hex(GetBin(folder.get(), PR_ENTRYID));
    folder = nullptr;
    store = nullptr;
    int committed = 0;
    for (int round = 0; round < 3; ++round) {
        // The writer reports each committed save on a pipe; it is killed a little later,
        // in the middle of another save.
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> args = {MAPI_TEST_WRITER, "saveloop", path.string(), eid};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ASSERT_EQ(posix_spawn(&pid, MAPI_TEST_WRITER, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        FILE* in = fdopen(fds[0], "r");
        char line[64];
        int seen = 0;
        while (seen < 2 + round && fgets(line, sizeof line, in))
            ++seen;
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + 7 * round));
        kill(pid, SIGKILL);
        while (fgets(line, sizeof line, in)) // saves reported before the kill landed
            ++seen;
        fclose(in);
        Wait(pid);
        committed += seen;
    }
    ASSERT_EQ(mapi::OpenStoreFile(path, MDB_WRITE, store.put()), S_OK);
    auto crash = OpenAs<IMAPIFolder>(store.get(), [&] {
        Bytes b(eid.size() / 2, '\0');
        FBinFromHex(const_cast<char*>(eid.c_str()), reinterpret_cast<LPBYTE>(b.data()));
        return b;
    }());
    auto messages = SubjectsAndBodies(crash.get());
    // Nothing committed is lost, and at most one half-written save per kill is missing.
    EXPECT_GE(messages.size(), static_cast<size_t>(committed));
    EXPECT_LE(messages.size(), static_cast<size_t>(committed) + 3);
    for (const auto& [subject, body] : messages) {
        ASSERT_EQ(body.substr(0, 2), "3:") << subject;
        std::string expected;
        while (expected.size() < 200000)
            expected += subject + ";";
        EXPECT_EQ(body.substr(2), expected) << subject;
    }
    // The store still takes changes.
    NewMessage(crash.get(), "after");
}

// Another process's changes are looked for once per batch of table calls: a table sees them at
// the latest when its thread's loop has turned, or when the batch's short interval is over.
TEST_F(StoreTest, TableSeesAnotherProcesssChangeByTheNextLoopTurn)
{
    auto& loop = platform::MessageLoop::Current();
    auto folder = NewFolder(Subtree().get(), "Shared");
    NewMessage(folder.get(), "first");
    ComPtr<IMAPITable> table;
    ASSERT_EQ(folder->GetContentsTable(0, table.put()), S_OK);
    SizedSPropTagArray(1, cols) = {1, {PR_SUBJECT_A}};
    ASSERT_EQ(table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0), S_OK);
    auto count = [&] {
        ULONG n = 0;
        EXPECT_EQ(table->GetRowCount(0, &n), S_OK);
        return n;
    };
    EXPECT_EQ(count(), 1u);
    const std::string eid = Hex(GetBin(folder.get(), PR_ENTRYID));
    ASSERT_EQ(Wait(Spawn({"add", path.string(), eid, "2", "loop"})), 0);
    loop.RunPending();
    EXPECT_EQ(count(), 3u);
    LPSRowSet rows = nullptr;
    ASSERT_EQ(table->QueryRows(10, 0, &rows), S_OK);
    EXPECT_EQ(rows->cRows, 3u);
    FreeProws(rows);

    // Without a turn of the loop, once the interval is over.
    ASSERT_EQ(Wait(Spawn({"add", path.string(), eid, "1", "later"})), 0);
    std::this_thread::sleep_for(mapi::StoreFile::kBatchWindow + std::chrono::milliseconds(20));
    EXPECT_EQ(count(), 4u);
    // Nothing here took the other processes' work for damage.
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".damaged"));
}
