// The options page's folder tree over a personal store with a folder of 1,000 subfolders and the
// real engine: expanding that folder (each child's name, subfolder flag, image and check state
// read through the folder model), and Apply with 200 changed folders (each folder's reminder type
// written and the engine's bookkeeping).
#include "FolderTreeViewCtrl.h"
#include "MapiBuffer.h"
#include "ReminderEngine.h"
#include "Trace.h"
#include "mapi/ProfileRegistry.h"
#include "mapi/StoreAccess.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kSubfolders = 1000;
constexpr int kChanged = 200;

void Require(HRESULT hr)
{
    if (FAILED(hr))
        std::abort();
}

// A platform root with the profile "Work" of one personal store whose folder "Big" holds
// `kSubfolders` task folders; an engine on its session.
struct Fixture {
    std::filesystem::path root;
    ComPtr<IMAPISession> session;
    ComPtr<IReminderEngine> engine;

    Fixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "addin-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        setenv("PLATFORM_ROOT", pattern.c_str(), 1);
        TraceSetLevel(0);
        const auto path = root / "personal.store";
        ComPtr<IMsgStore> store;
        Require(MAPIInitialize(nullptr));
        Require(mapi::ProfileRegistry::Create("Work"));
        Require(mapi::ProfileRegistry::SetDefault("Work"));
        Require(mapi::CreateStoreFile(path, mapi::StoreKind::Personal, u"Personal Folders"));
        Require(mapi::ProfileRegistry::AddStore("Work", path));
        Require(mapi::OpenStoreFile(path, MDB_WRITE, store.put()));
        CMapiBuffer<SPropValue> subtreeId;
        Require(HrGetOneProp(store.get(), PR_IPM_SUBTREE_ENTRYID, subtreeId.put()));
        ULONG type = 0;
        ComPtr<IUnknown> unknown;
        Require(store->OpenEntry(subtreeId->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtreeId->Value.bin.lpb), nullptr,
                                 MAPI_MODIFY, &type, unknown.put()));
        ComPtr<IMAPIFolder> subtree;
        Require(unknown.As(subtree));
        ComPtr<IMAPIFolder> big;
        Require(subtree->CreateFolder(FOLDER_GENERIC, const_cast<char*>("Big"), nullptr, nullptr, 0, big.put()));
        for (int i = 0; i < kSubfolders; ++i) {
            const std::string name = "Tasks " + std::to_string(i);
            ComPtr<IMAPIFolder> folder;
            Require(big->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr, 0, folder.put()));
            SPropValue cls{};
            cls.ulPropTag = PR_CONTAINER_CLASS_A;
            cls.Value.lpszA = const_cast<char*>("IPF.Task");
            Require(HrSetOneProp(folder.get(), &cls));
        }
        char profile[] = "Work";
        Require(MAPILogonEx(0, profile, nullptr, MAPI_EXTENDED | MAPI_NO_MAIL | MAPI_NEW_SESSION | MAPI_EXPLICIT_PROFILE,
                            session.put()));
        Require(CReminderEngine::CreateInstance(engine.put()));
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_UNKNOWN;
        v.punkVal = session.get();
        Require(engine->Initialize(v));
    }

    ~Fixture()
    {
        engine = nullptr;
        if (session)
            session->Logoff(0, 0, 0);
        session = nullptr;
        MAPIUninitialize();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    // A tree over the engine's stores with the store opened; the item of "Big".
    HTREEITEM Big(CFolderTreeViewCtrl& tree) const
    {
        Require(tree.Init(engine.get()));
        const HTREEITEM store = tree.GetRootItem();
        tree.Expand(store, TVE_EXPAND);
        const HTREEITEM big = tree.FindChild(store, "Big");
        if (!big)
            std::abort();
        return big;
    }
};

Fixture& World()
{
    static Fixture fixture;
    return fixture;
}

void BM_ExpandThousandSubfolders(benchmark::State& state)
{
    Fixture& world = World();
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<CFolderTreeViewCtrl>();
        const HTREEITEM big = world.Big(*tree);
        state.ResumeTiming();
        tree->Expand(big, TVE_EXPAND);
        state.PauseTiming();
        if (tree->GetChildren(big).size() != kSubfolders)
            std::abort();
        tree.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ExpandThousandSubfolders)->Unit(benchmark::kMillisecond);

void BM_ApplyTwoHundredChangedFolders(benchmark::State& state)
{
    Fixture& world = World();
    CFolderTreeViewCtrl tree;
    const HTREEITEM big = world.Big(tree);
    tree.Expand(big, TVE_EXPAND);
    const std::vector<HTREEITEM> children = tree.GetChildren(big);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kChanged; ++i)
            tree.ToggleCheck(children[static_cast<std::size_t>(i)]);
        if (tree.Cache().size() != kChanged)
            std::abort();
        state.ResumeTiming();
        if (tree.Apply() != S_OK)
            std::abort();
        // Back to no reminder folders (checked and unchecked turns alternate otherwise).
        state.PauseTiming();
        for (int i = 0; i < kChanged; ++i)
            tree.ToggleCheck(children[static_cast<std::size_t>(i)]);
        if (tree.Apply() != S_OK)
            std::abort();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ApplyTwoHundredChangedFolders)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
