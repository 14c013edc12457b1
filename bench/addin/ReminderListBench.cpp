// The reminder list over a back folder of 10,000 copies (default columns): filling it, sorting
// its rows, one modified copy reaching it through its sink, and a reload of every row.
#include "BackFolder.h"
#include "BackFolderItem.h"
#include "MapiBuffer.h"
#include "ReminderListCtrl.h"
#include "ReminderBenchStore.h"
#include "ReminderMessages.h"
#include "TestEngine.h"
#include "Trace.h"
#include "base/ListView.h"
#include "base/MessageLoop.h"
#include "base/WinTime.h"
#include "base/Window.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace reminder_bench;

// 2007-05-01 10:00 UTC.
constexpr ULONGLONG kStart = 128224872000000000ULL;
constexpr ULONGLONG kMinute = 600000000ULL;

// A platform root with the profile "Work" of one personal store whose Calendar holds `count`
// copies, signal times a minute apart around the start; the engine stand-in on it; a window
// around the list that answers its filter and reflects its notifications.
struct Fixture {
    std::filesystem::path root;
    ComPtr<IMAPISession> session;
    ComPtr<IMsgStore> store;
    ComPtr<IMAPIFolder> backFolder;
    ComPtr<CTestEngine> engine;
    std::vector<std::vector<BYTE>> copies;
    HWND dialog = nullptr;

    explicit Fixture(int count)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "list-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        TraceSetLevel(0);
        const auto path = root / "personal.store";
        if (FAILED(MAPIInitialize(nullptr)) || FAILED(mapi::ProfileRegistry::Create("Work")) ||
            FAILED(mapi::ProfileRegistry::SetDefault("Work")) ||
            FAILED(mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Personal Folders")) ||
            FAILED(mapi::ProfileRegistry::AddStore("Work", path)) || FAILED(mapi::OpenStoreFile(path, MDB_WRITE, store.put())))
            std::abort();
        ULONG cb = 0;
        CMapiBuffer<ENTRYID> inboxId;
        if (FAILED(store->GetReceiveFolder(nullptr, 0, &cb, inboxId.put(), nullptr)))
            std::abort();
        auto inbox = OpenAs<IMAPIFolder>(store.get(), std::vector<BYTE>(reinterpret_cast<BYTE*>(inboxId.get()),
                                                                         reinterpret_cast<BYTE*>(inboxId.get()) + cb));
        backFolder = OpenAs<IMAPIFolder>(store.get(), Binary(inbox.get(), PR_IPM_APPOINTMENT_ENTRYID));
        const NamedProp names[] = {CopyProp(BackFolderItem::LumivaneItem), CopyProp(BackFolderItem::ItemMessageClass),
                                   {&PSETID_Common, kPidLidReminderSet, nullptr, PT_BOOLEAN},
                                   {&PSETID_Common, kPidLidReminderSignalTime, nullptr, PT_SYSTIME},
                                   {&PSETID_Appointment, 0x8208, nullptr, PT_STRING8}};
        CMapiBuffer<SPropTagArray> tags;
        if (FAILED(ResolveNamedProps(backFolder.get(), names, MAPI_CREATE, tags.put())))
            std::abort();
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
            v[2].Value.lpszA = const_cast<char*>("IPM.Appointment");
            v[3].ulPropTag = tags->aulPropTag[2];
            v[3].Value.b = 1;
            v[4].ulPropTag = tags->aulPropTag[3];
            // Half of them due, in an order the sort has to change.
            v[4].Value.ft = platform::UInt64ToFileTime(kStart + ULONGLONG((i * 7919) % count) * kMinute - count / 2 * kMinute);
            v[5].ulPropTag = tags->aulPropTag[4];
            v[5].Value.lpszA = const_cast<char*>("Room 1");
            if (FAILED(copy->SetProps(6, v, nullptr)) || FAILED(copy->SaveChanges(KEEP_OPEN_READONLY)))
                std::abort();
            copies.push_back(Binary(copy.get(), PR_ENTRYID));
        }
        session = LogOn("Work");
        if (FAILED(CTestEngine::Start(session.get(), engine)))
            std::abort();
        dialog = platform::CreateMessageWindow("#32770", "Lumivane Add-In", [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WMU_REMINDERS_GETFILTER)
                return 1;
            if (message == WM_NOTIFY && lParam)
                return SendMessageA(reinterpret_cast<const NMHDR*>(lParam)->hwndFrom, OCM_NOTIFY, wParam, lParam);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        });
    }

    ~Fixture()
    {
        DestroyWindow(dialog);
        engine = nullptr;
        backFolder = nullptr;
        store = nullptr;
        session->Logoff(0, 0, 0);
        session = nullptr;
        MAPIUninitialize();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    void Rename(const std::vector<BYTE>& id, const std::string& subject)
    {
        auto copy = OpenAs<IMessage>(store.get(), id);
        SPropValue v{};
        v.ulPropTag = PR_SUBJECT_A;
        v.Value.lpszA = const_cast<char*>(subject.c_str());
        if (FAILED(HrSetOneProp(copy.get(), &v)) || FAILED(copy->SaveChanges(0)))
            std::abort();
    }
};

constexpr int kCopies = 10000;

void BM_Fill(benchmark::State& state)
{
    Fixture f(kCopies);
    CReminderListCtrl list;
    list.Create(f.dialog, 204);
    for (auto _ : state) {
        list.Init(f.engine.get());
        if (list.GetItemCount() != kCopies)
            std::abort();
    }
}
BENCHMARK(BM_Fill)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_Sort(benchmark::State& state)
{
    Fixture f(kCopies);
    CReminderListCtrl list;
    list.Create(f.dialog, 204);
    list.Init(f.engine.get());
    for (auto _ : state)
        list.SortRows();
}
BENCHMARK(BM_Sort)->Unit(benchmark::kMillisecond);

void BM_RowModified(benchmark::State& state)
{
    Fixture f(kCopies);
    CReminderListCtrl list;
    list.Create(f.dialog, 204);
    list.Init(f.engine.get());
    Pump();
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.Rename(f.copies[static_cast<std::size_t>(n % kCopies)], "Renamed " + std::to_string(n));
        ++n;
        state.ResumeTiming();
        // The notification reaches the list's sink: one row removed and added again.
        Pump();
    }
    if (list.GetItemCount() != kCopies)
        std::abort();
}
BENCHMARK(BM_RowModified)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Reload(benchmark::State& state)
{
    Fixture f(kCopies);
    CReminderListCtrl list;
    list.Create(f.dialog, 204);
    list.Init(f.engine.get());
    ComPtr<IMAPITable> table;
    CMapiBuffer<SPropTagArray> tags;
    CMapiBuffer<SRestriction> restriction;
    if (FAILED(f.backFolder->GetContentsTable(MAPI_ASSOCIATED, table.put())) ||
        FAILED(list.GetColumnTags(f.backFolder.get(), FALSE, tags.put())) ||
        FAILED(GetBackFolderRestriction(f.backFolder.get(), restriction.put())) ||
        FAILED(table->Restrict(restriction.get(), 0)) || FAILED(table->SetColumns(tags.get(), 0)))
        std::abort();
    for (auto _ : state) {
        list.ReloadRows(table.get());
        if (list.GetItemCount() != kCopies)
            std::abort();
    }
}
BENCHMARK(BM_Reload)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
