// Mirroring a watched public folder into the back folder: the first mirroring of 1,000 and
// 10,000 items with reminders, watching again over 10,000 unchanged copies, and one changed
// item reaching its copy while 10,000 copies are present, changed on the watching thread and
// by another process (this program again, started with "--change").
#include "ReminderFolders.h"
#include "TestEngine.h"
#include "Trace.h"

#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "ReminderBenchStore.h"
#include "base/MessageLoop.h"
#include "com/ComBstr.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <vector>

extern char** environ;

namespace {

using namespace reminder_bench;

std::string g_self;

long long MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

std::string Hex(const BYTE* data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < size; ++i) {
        s += digits[data[i] >> 4];
        s += digits[data[i] & 0xF];
    }
    return s;
}

ULONG Named(IMAPIProp* object, const GUID& set, LONG id, ULONG type)
{
    const NamedProp prop[] = {{&set, id, nullptr, type}};
    CMapiBuffer<SPropTagArray> tags;
    if (FAILED(ResolveNamedProps(object, prop, MAPI_CREATE, tags.put())))
        std::abort();
    return tags->aulPropTag[0];
}

void SetSubject(IMessage* message, const std::string& subject)
{
    SPropValue v{};
    v.ulPropTag = PR_SUBJECT_A;
    v.Value.lpszA = const_cast<char*>(subject.c_str());
    if (FAILED(HrSetOneProp(message, &v)))
        std::abort();
}

// The other process: renames one item and writes the time its save was committed.
int ChangeElsewhere(const char* path, const char* itemHex, const char* stampFile)
{
    ComPtr<IMsgStore> store;
    if (FAILED(mapi::OpenStoreFile(path, MDB_WRITE, store.put())))
        return 5;
    std::vector<BYTE> id(std::strlen(itemHex) / 2);
    for (std::size_t i = 0; i < id.size(); ++i)
        id[i] = static_cast<BYTE>(std::stoi(std::string(itemHex + 2 * i, 2), nullptr, 16));
    auto item = OpenAs<IMessage>(store.get(), id);
    SetSubject(item.get(), "Changed elsewhere");
    if (FAILED(item->SaveChanges(0)))
        return 6;
    std::ofstream(stampFile) << MonotonicNs();
    return 0;
}

// A platform root with the profile "Work": a personal store (its Calendar is the back folder)
// and a public store whose folder "Shared" holds `items` items with reminders.
struct Fixture {
    std::filesystem::path root, personalPath, publicPath;
    ComPtr<IMAPISession> session;
    ComPtr<CTestEngine> engine;
    ComPtr<IMsgStore> publicStore;
    ComPtr<IMAPIFolder> shared;
    ComPtr<ILVFolder> watched;
    std::vector<std::vector<BYTE>> items;

    explicit Fixture(int count)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mirror-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        TraceSetLevel(0);
        if (FAILED(MAPIInitialize(nullptr)) || FAILED(mapi::ProfileRegistry::Create("Work")) ||
            FAILED(mapi::ProfileRegistry::SetDefault("Work")))
            std::abort();
        personalPath = root / "personal.store";
        publicPath = root / "public.store";
        if (FAILED(mapi::CreateStoreFile(personalPath, mapi::StoreKind::Personal, u"Personal Folders")) ||
            FAILED(mapi::CreateStoreFile(publicPath, mapi::StoreKind::PublicFolders, u"Public Folders")) ||
            FAILED(mapi::ProfileRegistry::AddStore("Work", personalPath)) ||
            FAILED(mapi::ProfileRegistry::AddStore("Work", publicPath)) ||
            FAILED(mapi::OpenStoreFile(publicPath, MDB_WRITE, publicStore.put())))
            std::abort();
        auto subtree = OpenAs<IMAPIFolder>(publicStore.get(), Binary(publicStore.get(), PR_IPM_SUBTREE_ENTRYID));
        if (FAILED(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Shared"), nullptr, nullptr, 0,
                                         shared.put())))
            std::abort();
        for (int i = 0; i < count; ++i) {
            ComPtr<IMessage> m;
            if (FAILED(shared->CreateMessage(nullptr, 0, m.put())))
                std::abort();
            SetSubject(m.get(), "Item " + std::to_string(i));
            SPropValue v[3]{};
            v[0].ulPropTag = Named(m.get(), PSETID_Common, kPidLidReminderSet, PT_BOOLEAN);
            v[0].Value.b = 1;
            v[1].ulPropTag = Named(m.get(), PSETID_Common, kPidLidReminderSignalTime, PT_SYSTIME);
            v[1].Value.ft = {0, 0x01D00000};
            v[2].ulPropTag = PR_MESSAGE_CLASS_A;
            v[2].Value.lpszA = const_cast<char*>("IPM.Appointment");
            if (FAILED(m->SetProps(3, v, nullptr)) || FAILED(m->SaveChanges(KEEP_OPEN_READONLY)))
                std::abort();
            items.push_back(Binary(m.get(), PR_ENTRYID));
        }
        session = LogOn("Work");
        if (FAILED(CTestEngine::Start(session.get(), engine)))
            std::abort();
        watched = FolderObject();
    }

    ~Fixture()
    {
        watched = nullptr;
        engine = nullptr;
        shared = nullptr;
        publicStore = nullptr;
        session->Logoff(0, 0, 0);
        session = nullptr;
        MAPIUninitialize();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    ComPtr<ILVFolder> FolderObject()
    {
        ComPtr<ILVStores> stores;
        ComPtr<ILVStore> store;
        ComPtr<ILVFolder> folder;
        engine->get_Stores(stores.put());
        const std::vector<BYTE> key = Binary(publicStore.get(), PR_RECORD_KEY);
        const std::vector<BYTE> eid = Binary(shared.get(), PR_ENTRYID);
        if (FAILED(stores->GetStoreFromKey(ComBstr(Hex(key.data(), key.size())), store.put())) || !store ||
            FAILED(store->GetFolderFromEID(ComBstr(Hex(eid.data(), eid.size())), folder.put())))
            std::abort();
        return folder;
    }

    // The copies in the back folder.
    ULONG CopyCount()
    {
        ComPtr<ILVFolder> back;
        ComPtr<IUnknown> unknown;
        ComPtr<IMAPIFolder> folder;
        ComPtr<IMAPITable> table;
        ULONG count = 0;
        if (FAILED(engine->get_BackFolder(back.put())) || !back || FAILED(back->get_MAPIFolder(unknown.put())) ||
            FAILED(unknown.As(folder)) || FAILED(folder->GetContentsTable(MAPI_ASSOCIATED, table.put())) ||
            FAILED(table->GetRowCount(0, &count)))
            std::abort();
        return count;
    }

    void Watch()
    {
        if (FAILED(engine->SetReminderFolder(watched.get(), RT_PUBLIC)))
            std::abort();
    }

    void Pump()
    {
        auto& loop = platform::MessageLoop::Current();
        int idle = 0;
        for (int i = 0; i < 100 && idle < 2; ++i) {
            HrDispatchNotifications(0);
            idle = loop.RunPending() == 0 ? idle + 1 : 0;
        }
    }
};

// The copy of an item, found through a table of the back folder, has this subject.
class CopyWatcher {
public:
    CopyWatcher(Fixture& f, const std::vector<BYTE>& item)
    {
        ComPtr<ILVFolder> back;
        ComPtr<IUnknown> unknown;
        ComPtr<IMAPIFolder> folder;
        if (FAILED(f.engine->get_BackFolder(back.put())) || FAILED(back->get_MAPIFolder(unknown.put())) ||
            FAILED(unknown.As(folder)) || FAILED(folder->GetContentsTable(MAPI_ASSOCIATED, m_table.put())))
            std::abort();
        const NamedProp name[] = {CopyProp(BackFolderItem::LVEntryID)};
        CMapiBuffer<SPropTagArray> tags;
        if (FAILED(ResolveNamedProps(folder.get(), name, MAPI_CREATE, tags.put())))
            std::abort();
        m_tagEntryId = tags->aulPropTag[0];
        SizedSPropTagArray(2, columns) = {2, {PR_SUBJECT_A, m_tagEntryId}};
        if (FAILED(m_table->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0)))
            std::abort();
        m_item = item;
    }

    std::string Subject()
    {
        SPropValue key{};
        key.ulPropTag = m_tagEntryId;
        key.Value.bin = {static_cast<ULONG>(m_item.size()), m_item.data()};
        SRestriction equal{};
        equal.rt = RES_PROPERTY;
        equal.res.resProperty = {RELOP_EQ, m_tagEntryId, &key};
        if (FAILED(m_table->FindRow(&equal, BOOKMARK_BEGINNING, 0)))
            return {};
        LPSRowSet rows = nullptr;
        if (FAILED(m_table->QueryRows(1, 0, &rows)) || !rows || rows->cRows == 0) {
            FreeProws(rows);
            return {};
        }
        std::string subject = rows->aRow[0].lpProps[0].ulPropTag == PR_SUBJECT_A ? rows->aRow[0].lpProps[0].Value.lpszA
                                                                                 : "";
        FreeProws(rows);
        return subject;
    }

private:
    ComPtr<IMAPITable> m_table;
    ULONG m_tagEntryId = 0;
    std::vector<BYTE> m_item;
};

void BM_FirstMirroring(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const long long start = MonotonicNs();
        f.Watch();
        state.SetIterationTime(static_cast<double>(MonotonicNs() - start) / 1e9);
        if (f.CopyCount() != static_cast<ULONG>(state.range(0)))
            std::abort();
        // Unwatching deletes the copies again.
        f.engine->SetReminderFolder(f.watched.get(), RT_NONE);
    }
    state.counters["items_per_s"] =
        benchmark::Counter(static_cast<double>(state.range(0)), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FirstMirroring)->Arg(1000)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_AdviseAgainOverUnchangedCopies(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    f.Watch();
    for (auto _ : state) {
        f.engine->Folders().RemoveAll(); // the copies stay
        const long long start = MonotonicNs();
        f.Watch();
        state.SetIterationTime(static_cast<double>(MonotonicNs() - start) / 1e9);
    }
    if (f.CopyCount() != static_cast<ULONG>(state.range(0)))
        std::abort();
}
BENCHMARK(BM_AdviseAgainOverUnchangedCopies)->Arg(10000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OneChangeSameThread(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    f.Watch();
    auto& loop = platform::MessageLoop::Current();
    int n = 0;
    for (auto _ : state) {
        const auto& id = f.items[static_cast<std::size_t>(n * 7919) % f.items.size()];
        CopyWatcher copy(f, id);
        if (copy.Subject().empty()) // reads the table before the change
            std::abort();
        const std::string subject = "Changed " + std::to_string(n++);
        auto item = OpenAs<IMessage>(f.publicStore.get(), id);
        SetSubject(item.get(), subject);
        if (FAILED(item->SaveChanges(0)))
            std::abort();
        const long long saved = MonotonicNs();
        while (copy.Subject() != subject)
            loop.RunPending();
        state.SetIterationTime(static_cast<double>(MonotonicNs() - saved) / 1e9);
    }
}
BENCHMARK(BM_OneChangeSameThread)->Arg(10000)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

void BM_OneChangeOtherProcess(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    f.Watch();
    auto& loop = platform::MessageLoop::Current();
    int n = 0;
    double longest = 0;
    for (auto _ : state) {
        const auto& id = f.items[static_cast<std::size_t>(n++ * 7919) % f.items.size()];
        CopyWatcher copy(f, id);
        if (copy.Subject().empty())
            std::abort();
        const std::string stamp = (f.root / "stamp").string();
        std::vector<std::string> args = {g_self, "--change", f.publicPath.string(), Hex(id.data(), id.size()), stamp};
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (posix_spawn(&pid, g_self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
            std::abort();
        // The host's loop: the once-a-second look for other processes' changes.
        bool done = false, timedOut = false;
        const UINT_PTR poll = loop.StartTimer(5, [&] { done = copy.Subject() == "Changed elsewhere"; });
        const UINT_PTR guard =
            loop.StartTimer(10000, [&] { timedOut = true; }, platform::MessageLoop::TimerRepeat::Once);
        loop.RunUntil([&] { return done || timedOut; });
        loop.StopTimer(guard);
        if (timedOut)
            std::abort();
        const long long updated = MonotonicNs();
        loop.StopTimer(poll);
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            std::abort();
        long long committed = 0;
        std::ifstream(stamp) >> committed;
        const double t = static_cast<double>(updated - committed) / 1e9;
        longest = std::max(longest, t);
        state.SetIterationTime(t);
        // Back to the old subject for the next round, through this process.
        auto item = OpenAs<IMessage>(f.publicStore.get(), id);
        SetSubject(item.get(), "Item");
        item->SaveChanges(0);
        f.Pump();
    }
    state.counters["longest_ms"] = longest * 1000;
}
BENCHMARK(BM_OneChangeOtherProcess)->Arg(10000)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    g_self = std::filesystem::canonical("/proc/self/exe").string();
    if (argc == 5 && std::strcmp(argv[1], "--change") == 0)
        return ChangeElsewhere(argv[2], argv[3], argv[4]);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
