// The profile editors' trees without a display, with the real engine on real store files in a
// temporary platform root: opening a folder with 1,000 subfolders in the editor's folder tree,
// and the advanced editor's fill of 1,000 folders on three levels. Both take each folder's
// children out of the engine's list of all its descendants, which is the cost they show.
#include "SyncWorld.h"
#include "TempRoot.h"
#include "ViewHarness.h"

#include "DlgProfileEditAdv.h"
#include "FolderTreeCtrl.h"

#include "mapi/MapiUtil.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using syncbench::Check;
using syncbench::World;

// The program's document over the engine that the world registered, its profile named "Bench".
struct Program : CViewHarness {
    Program()
    {
        Make();
        ComPtr<IProfile> profile;
        Check(doc->m_pProfiles->get_Items(1, profile.put()), "Items");
        Check(profile->put_Name(ComBstr(std::string_view("Bench"))), "put_Name");
        Check(doc->m_pProfiles->Add(profile.get()), "Add");
    }
};

ComPtr<IMAPIFolder> Child(IMAPIFolder* parent, const std::string& name)
{
    ComPtr<IMAPIFolder> child;
    Check(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr, OPEN_IF_EXISTS,
                               child.put()),
          "CreateFolder");
    return child;
}

ComPtr<IMAPIFolder> PublicRoot(IMsgStore* store)
{
    LPSPropValue subtree = nullptr;
    Check(HrGetOneProp(store, PR_IPM_SUBTREE_ENTRYID, &subtree), "HrGetOneProp");
    ComPtr<IUnknown> unknown;
    ULONG type = 0;
    const HRESULT hr = store->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb),
                                       nullptr, MAPI_MODIFY, &type, unknown.put());
    MAPIFreeBuffer(subtree);
    Check(hr, "OpenEntry");
    ComPtr<IMAPIFolder> folder;
    Check(unknown.As(folder), "IMAPIFolder");
    return folder;
}

void BM_ExpandFolderOf1000(benchmark::State& state)
{
    TempRoot root;
    World world(0);
    {
        ComPtr<IMsgStore> store;
        Check(mapi::OpenStoreFile(World::SourcePath(), MDB_WRITE, store.put()), "OpenStoreFile");
        ComPtr<IMAPIFolder> projects = Child(PublicRoot(store.get()).get(), "Projects");
        for (int i = 0; i < state.range(0); ++i)
            Child(projects.get(), "Folder " + std::to_string(i));
    }
    Program program;
    std::size_t loaded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<CFolderTreeCtrl>();
        tree->SetEngine(program.doc->m_pEngine.get());
        Check(tree->FillFolderTree("Bench", 0), "FillFolderTree");
        HTREEITEM projects = nullptr;
        for (HTREEITEM item : tree->GetChildren(tree->GetRootItem()))
            if (tree->GetItemText(item) == "Projects")
                projects = item;
        state.ResumeTiming();
        tree->Expand(projects, TVE_EXPAND);
        loaded = tree->GetChildren(projects).size();
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    if (loaded != static_cast<std::size_t>(state.range(0)))
        state.SkipWithError("not every subfolder was loaded");
    state.counters["per_folder"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ExpandFolderOf1000)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// 10 folders at the top of the public store, 10 below each, 9 below each of those: 1,010.
void BM_AdvancedFillOf1000(benchmark::State& state)
{
    TempRoot root;
    World world(0);
    int folders = 0;
    {
        ComPtr<IMsgStore> store;
        Check(mapi::OpenStoreFile(World::SourcePath(), MDB_WRITE, store.put()), "OpenStoreFile");
        ComPtr<IMAPIFolder> top = PublicRoot(store.get());
        for (int a = 0; a < 10; ++a) {
            ComPtr<IMAPIFolder> first = Child(top.get(), "Area " + std::to_string(a));
            ++folders;
            for (int b = 0; b < 10; ++b) {
                ComPtr<IMAPIFolder> second = Child(first.get(), "Team " + std::to_string(b));
                ++folders;
                for (int c = 0; c < 9; ++c, ++folders)
                    Child(second.get(), "Topic " + std::to_string(c));
            }
        }
    }
    Program program;
    ComPtr<IProfile> profile;
    Check(program.doc->m_pProfiles->get_Items(1, profile.put()), "Items");
    std::size_t items = 0;
    for (auto _ : state) {
        CDlgProfileEditAdv dialog(program.doc->m_pProfiles.get(), profile.get());
        if (!dialog.Create())
            state.SkipWithError("the dialog could not be made");
        items = dialog.m_treeGlobal.GetCount();
    }
    // The store's top folder and the Projects folder of the world come with them.
    if (items < static_cast<std::size_t>(folders))
        state.SkipWithError("not every folder was filled in");
    state.counters["folders"] = static_cast<double>(items);
    state.counters["per_folder"] = benchmark::Counter(static_cast<double>(state.iterations() * items),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_AdvancedFillOf1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
