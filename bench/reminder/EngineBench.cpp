// The reminder engine over a back folder of 100 and 10,000 copies: one timer tick (which must not
// depend on the number of copies), the sink's reload and how many reloads a batch of changes
// costs, enabling, and the time from a copy falling due to the reminders being raised with a
// timer of one second.
#include "BackFolderItem.h"
#include "EngineSeam.h"
#include "MapiBuffer.h"
#include "RegKeyEx.h"
#include "RegUtils.h"
#include "ReminderEngine.h"
#include "ReminderBenchStore.h"
#include "Trace.h"
#include "base/MessageLoop.h"
#include "base/WinTime.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace reminder_bench;

constexpr ULONGLONG kFarFuture = 0x7000000000000000ULL;

// Records the raising of the reminders.
class CountingSeam : public CEngineSeam {
public:
    HRESULT OpenRemindersWindow(IReminderEngine*, LONG) override
    {
        ++opened;
        return E_OUTOFMEMORY; // no window: the next tick raises again
    }
    int opened = 0;
};

// A platform root with the profile "Work" of one personal store whose Calendar holds `count`
// copies of a reminder folder (its key is in the registry), none due; an engine on it.
struct Fixture {
    std::filesystem::path root;
    ComPtr<IMAPISession> session;
    ComPtr<IMsgStore> store;
    ComPtr<IMAPIFolder> backFolder;
    ComPtr<IReminderEngine> engine;
    std::vector<std::vector<BYTE>> copies;
    ULONG signalTag = 0;
    CountingSeam seam;

    explicit Fixture(int count)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "engine-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        TraceSetLevel(0);
        SetEngineSeam(&seam);
        const auto path = root / "personal.store";
        if (FAILED(MAPIInitialize(nullptr)) || FAILED(mapi::ProfileRegistry::Create("Work")) ||
            FAILED(mapi::ProfileRegistry::SetDefault("Work")) ||
            FAILED(mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Personal Folders")) ||
            FAILED(mapi::ProfileRegistry::AddStore("Work", path)) ||
            FAILED(mapi::OpenStoreFile(path, MDB_WRITE, store.put())))
            std::abort();
        ULONG cb = 0;
        CMapiBuffer<ENTRYID> inboxId;
        if (FAILED(store->GetReceiveFolder(nullptr, 0, &cb, inboxId.put(), nullptr)))
            std::abort();
        auto inbox = OpenAs<IMAPIFolder>(store.get(), std::vector<BYTE>(reinterpret_cast<BYTE*>(inboxId.get()),
                                                                         reinterpret_cast<BYTE*>(inboxId.get()) + cb));
        backFolder = OpenAs<IMAPIFolder>(store.get(), Binary(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID));
        const NamedProp names[] = {CopyProp(BackFolderItem::LumivaneItem), CopyProp(BackFolderItem::LVStoreRecordKey),
                                   CopyProp(BackFolderItem::LVFolderRecordKey),
                                   {&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN},
                                   {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME}};
        CMapiBuffer<SPropTagArray> tags;
        if (FAILED(ResolveNamedProps(backFolder.get(), names, MAPI_CREATE, tags.put())))
            std::abort();
        signalTag = tags->aulPropTag[4];
        BYTE storeKey[] = {0xaa, 0x01}, folderKey[] = {0xf1};
        for (int i = 0; i < count; ++i) {
            ComPtr<IMessage> copy;
            if (FAILED(backFolder->CreateMessage(nullptr, MAPI_ASSOCIATED, copy.put())))
                std::abort();
            const std::string subject = "Copy " + std::to_string(i);
            SPropValue v[6]{};
            v[0].ulPropTag = PR_SUBJECT_A;
            v[0].Value.lpszA = const_cast<char*>(subject.c_str());
            v[1].ulPropTag = tags->aulPropTag[0];
            v[1].Value.b = 1;
            v[2].ulPropTag = tags->aulPropTag[1];
            v[2].Value.bin = {sizeof storeKey, storeKey};
            v[3].ulPropTag = tags->aulPropTag[2];
            v[3].Value.bin = {sizeof folderKey, folderKey};
            v[4].ulPropTag = tags->aulPropTag[3];
            v[4].Value.b = 1;
            v[5].ulPropTag = signalTag;
            v[5].Value.ft = platform::UInt64ToFileTime(kFarFuture - ULONGLONG(i));
            if (FAILED(copy->SetProps(6, v, nullptr)) || FAILED(copy->SaveChanges(KEEP_OPEN_READONLY)))
                std::abort();
            copies.push_back(Binary(copy.get(), PR_ENTRYID));
        }
        session = LogOn("Work");
        if (FAILED(CReminderEngine::CreateInstance(engine.put())))
            std::abort();
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_UNKNOWN;
        v.punkVal = session.get();
        if (FAILED(engine->Initialize(v)))
            std::abort();
        // The copies' folder is a reminder folder of a store the profile does not hold: kept, not
        // watched.
        ComPtr<ILVStores> stores;
        BSTR profileKey = nullptr;
        if (FAILED(engine->get_Stores(stores.put())) || FAILED(stores->get_ProfileKey(&profileKey)))
            std::abort();
        std::string key(kFoldersKey);
        key += "\\";
        for (const OLECHAR* c = profileKey; *c; ++c)
            key += static_cast<char>(*c);
        SysFreeString(profileKey);
        CRegKeyEx folder;
        if (folder.Create(HKEY_CURRENT_USER, (key + "\\aa01\\f1").c_str()) != ERROR_SUCCESS ||
            folder.SetStringValue("eid", "00") != ERROR_SUCCESS || folder.SetDWORDValue("type", RT_PUBLIC) != ERROR_SUCCESS)
            std::abort();
    }

    ~Fixture()
    {
        engine = nullptr;
        backFolder = nullptr;
        store = nullptr;
        session->Logoff(0, 0, 0);
        session = nullptr;
        SetEngineSeam(nullptr);
        MAPIUninitialize();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    CReminderEngine* Engine() const { return static_cast<CReminderEngine*>(engine.get()); }

    void SetSignal(const std::vector<BYTE>& id, ULONGLONG when)
    {
        auto copy = OpenAs<IMessage>(store.get(), id);
        SPropValue v{};
        v.ulPropTag = signalTag;
        v.Value.ft = platform::UInt64ToFileTime(when);
        if (FAILED(HrSetOneProp(copy.get(), &v)) || FAILED(copy->SaveChanges(0)))
            std::abort();
    }
};

void BM_OnTimer(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    if (FAILED(f.engine->put_Enabled(VARIANT_TRUE)))
        std::abort();
    Pump();
    for (auto _ : state) {
        LRESULT result = 0;
        f.Engine()->ProcessWindowMessage(f.Engine()->TimerWindow(), WM_TIMER, 1, 0, result, 0);
        benchmark::DoNotOptimize(result);
    }
    f.engine->put_Enabled(VARIANT_FALSE);
}
BENCHMARK(BM_OnTimer)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

// One reload reads every copy.
void BM_SinkReload(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    if (FAILED(f.engine->put_Enabled(VARIANT_TRUE)))
        std::abort();
    Pump();
    CBackFolderSink* sink = const_cast<CBackFolderSink*>(f.Engine()->Sink());
    for (auto _ : state)
        sink->ReloadTable();
    f.engine->put_Enabled(VARIANT_FALSE);
}
BENCHMARK(BM_SinkReload)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// A batch of 100 changed copies: the reloads it costs (counter) and the time until the engine
// knows the new next reminder.
void BM_SinkBatch(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    if (FAILED(f.engine->put_Enabled(VARIANT_TRUE)))
        std::abort();
    Pump();
    const CBackFolderSink* sink = f.Engine()->Sink();
    ULONGLONG when = kFarFuture / 2;
    ULONG reloads = 0;
    for (auto _ : state) {
        const ULONG before = sink->Reloads();
        for (int i = 0; i < 100; ++i)
            f.SetSignal(f.copies[static_cast<std::size_t>(i)], --when);
        Pump();
        reloads += sink->Reloads() - before;
        if (platform::FileTimeToUInt64(f.Engine()->NextReminder()) != when)
            std::abort(); // the engine knows the earliest of the new times
    }
    state.counters["reloads/batch"] = benchmark::Counter(static_cast<double>(reloads) / state.iterations());
    f.engine->put_Enabled(VARIANT_FALSE);
}
BENCHMARK(BM_SinkBatch)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Enabling (back folder, orphan sweep, signal times, the sink's first reading, the timer) and
// disabling again.
void BM_EnableDisable(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (FAILED(f.engine->put_Enabled(VARIANT_TRUE)))
            std::abort();
        f.engine->put_Enabled(VARIANT_FALSE);
    }
}
BENCHMARK(BM_EnableDisable)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond);

// From a copy falling due (written on this thread) to the reminders being raised, with the
// timer at one second and the loop waiting for work in real time.
void BM_ChangeToRaise(benchmark::State& state)
{
    Fixture f(static_cast<int>(state.range(0)));
    f.engine->put_UpdateInterval(1);
    if (FAILED(f.engine->put_Enabled(VARIANT_TRUE)))
        std::abort();
    Pump();
    auto& loop = platform::MessageLoop::Current();
    for (auto _ : state) {
        const int opened = f.seam.opened;
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        f.SetSignal(f.copies[0], platform::FileTimeToUInt64(now) - 10000000ULL);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        bool timedOut = false;
        const UINT_PTR poll = loop.StartTimer(10, [&] { timedOut = std::chrono::steady_clock::now() > deadline; });
        loop.RunUntil([&] { return f.seam.opened > opened || timedOut; });
        loop.StopTimer(poll);
        if (timedOut)
            std::abort();
        state.PauseTiming();
        f.SetSignal(f.copies[0], kFarFuture);
        Pump();
        state.ResumeTiming();
    }
    f.engine->put_Enabled(VARIANT_FALSE);
}
BENCHMARK(BM_ChangeToRaise)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
