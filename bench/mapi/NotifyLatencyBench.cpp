// Time from a committed change to the advised sink's OnNotify: a change made by another
// process and found by the loop's once-a-second check, the same found by a loop that asks
// every 5 ms (HrDispatchNotifications), and a change made on the sink's own thread.
// The other process is this program again, started with "--write".
#include "base/MessageLoop.h"
#include "com/ComPtr.h"
#include "mapi/MapiTags.h"
#include "mapi/MapiUtil.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <time.h>

extern char** environ;

namespace {

std::string g_self;

long long MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

std::string Hex(const std::string& b)
{
    std::string s(b.size() * 2 + 1, '\0');
    HexFromBin(reinterpret_cast<LPBYTE>(const_cast<char*>(b.data())), static_cast<int>(b.size()), s.data());
    s.resize(b.size() * 2);
    return s;
}

ComPtr<IMAPIFolder> OpenFolder(IMsgStore* store, const std::string& eid)
{
    ComPtr<IUnknown> unk;
    ULONG type = 0;
    if (FAILED(store->OpenEntry(ULONG(eid.size()), (LPENTRYID)eid.data(), &IID_IMAPIFolder, MAPI_MODIFY, &type,
                                unk.put())))
        std::abort();
    ComPtr<IMAPIFolder> f;
    f.Attach(static_cast<IMAPIFolder*>(unk.Detach()));
    return f;
}

void AddMessage(IMAPIFolder* folder)
{
    ComPtr<IMessage> msg;
    if (FAILED(folder->CreateMessage(nullptr, 0, msg.put())))
        std::abort();
    SPropValue v{};
    v.ulPropTag = PR_SUBJECT_A;
    v.Value.lpszA = const_cast<char*>("latency");
    if (FAILED(HrSetOneProp(msg.get(), &v)) || FAILED(msg->SaveChanges(0)))
        std::abort();
}

// The writer: adds one message and writes the time its save was committed.
int Write(const char* path, const char* folderHex, const char* stampFile)
{
    ComPtr<IMsgStore> store;
    if (FAILED(mapi::OpenStoreFile(path, MDB_WRITE, store.put())))
        return 5;
    std::string eid(std::strlen(folderHex) / 2, '\0');
    if (!FBinFromHex(const_cast<char*>(folderHex), reinterpret_cast<LPBYTE>(eid.data())))
        return 3;
    auto folder = OpenFolder(store.get(), eid);
    AddMessage(folder.get());
    const long long t = MonotonicNs();
    std::ofstream(stampFile) << t;
    return 0;
}

struct Sink : IMAPIAdviseSink {
    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    ULONG OnNotify(ULONG c, LPNOTIFICATION n) override
    {
        for (ULONG i = 0; i < c; ++i)
            if (n[i].info.tab.ulTableEvent == TABLE_ROW_ADDED && !at)
                at = MonotonicNs();
        return 0;
    }
    long long at = 0;
};

struct Fixture {
    std::filesystem::path root;
    std::filesystem::path store;
    ComPtr<IMsgStore> mdb;
    ComPtr<IMAPIFolder> folder;
    ComPtr<IMAPITable> table;
    std::string folderHex;

    Fixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mapi-notify-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        store = root / "latency.store";
        if (FAILED(mapi::CreateStoreFile(store, mapi::StoreKind::Personal, u"Latency")) ||
            FAILED(mapi::OpenStoreFile(store, MDB_WRITE, mdb.put())))
            std::abort();
        const std::string inbox = [&] {
            ULONG cb = 0;
            LPENTRYID eid = nullptr;
            if (FAILED(mdb->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr)))
                std::abort();
            std::string s(reinterpret_cast<const char*>(eid), cb);
            MAPIFreeBuffer(eid);
            return s;
        }();
        folder = OpenFolder(mdb.get(), inbox);
        folderHex = Hex(inbox);
        if (FAILED(folder->GetContentsTable(0, table.put())))
            std::abort();
    }
    ~Fixture()
    {
        table = nullptr;
        folder = nullptr;
        mdb = nullptr;
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

// One change by another process; the seconds from its commit to OnNotify.
// The change comes `delayMs` after the sink was advised (so at that point of the loop's
// once-a-second check).
double CrossProcessOnce(Fixture& f, bool askEvery5ms, unsigned delayMs)
{
    Sink sink;
    ULONG conn = 0;
    if (FAILED(f.table->Advise(fnevTableModified, &sink, &conn)))
        std::abort();
    auto& loop = platform::MessageLoop::Current();
    if (delayMs) {
        bool waited = false;
        loop.StartTimer(delayMs, [&] { waited = true; }, platform::MessageLoop::TimerRepeat::Once);
        loop.RunUntil([&] { return waited; });
    }
    const std::string stamp = (f.root / "stamp").string();
    std::vector<std::string> args = {g_self, "--write", f.store.string(), f.folderHex, stamp};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, g_self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        std::abort();
    UINT_PTR asker = 0;
    if (askEvery5ms)
        asker = loop.StartTimer(5, [] { HrDispatchNotifications(0); });
    bool timedOut = false;
    const UINT_PTR guard = loop.StartTimer(5000, [&] { timedOut = true; }, platform::MessageLoop::TimerRepeat::Once);
    loop.RunUntil([&] { return timedOut || sink.at != 0; });
    loop.StopTimer(guard);
    if (asker)
        loop.StopTimer(asker);
    int status = 0;
    waitpid(pid, &status, 0);
    f.table->Unadvise(conn);
    if (timedOut || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::abort();
    long long committed = 0;
    std::ifstream(stamp) >> committed;
    return static_cast<double>(sink.at - committed) / 1e9;
}

// Changes spread evenly over the check interval: the mean is the typical latency, the
// longest (a change just after a check) about one interval.
void BM_OtherProcessChange_LoopCheck(benchmark::State& state)
{
    Fixture f;
    unsigned step = 0;
    double longest = 0;
    for (auto _ : state) {
        const double t = CrossProcessOnce(f, false, (step++ * 97) % 1000);
        longest = std::max(longest, t);
        state.SetIterationTime(t);
    }
    state.counters["longest_ms"] = longest * 1000;
}
BENCHMARK(BM_OtherProcessChange_LoopCheck)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_OtherProcessChange_AskedEvery5ms(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state)
        state.SetIterationTime(CrossProcessOnce(f, true, 0));
}
BENCHMARK(BM_OtherProcessChange_AskedEvery5ms)->UseManualTime()->Iterations(30)->Unit(benchmark::kMillisecond);

void BM_SameThreadChange(benchmark::State& state)
{
    Fixture f;
    auto& loop = platform::MessageLoop::Current();
    for (auto _ : state) {
        Sink sink;
        ULONG conn = 0;
        f.table->Advise(fnevTableModified, &sink, &conn);
        AddMessage(f.folder.get());
        const long long saved = MonotonicNs();
        while (!sink.at)
            loop.RunPending();
        f.table->Unadvise(conn);
        state.SetIterationTime(static_cast<double>(sink.at - saved) / 1e9);
    }
}
BENCHMARK(BM_SameThreadChange)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    g_self = std::filesystem::canonical("/proc/self/exe").string();
    if (argc == 5 && std::strcmp(argv[1], "--write") == 0)
        return Write(argv[2], argv[3], argv[4]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
