// The main view's costs without a display, with the real engine on real store files in a
// temporary platform root: reading 1,000 sync profiles and their stores into the profile list,
// filling the association list of a profile with 1,000 linked folders, and a first run of 10,000
// messages through the program's worker, status sink and view handlers beside the same run with
// the engine's own sink. A clock that moves with every reading stands in for the system clock, so
// the run's fixed one-second pause costs no real time.
#include "SyncWorld.h"
#include "TempRoot.h"
#include "ViewHarness.h"

#include "base/MessageLoop.h"
#include "base/PlatformRoot.h"
#include "mapi/MapiUtil.h"
#include "base/Window.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

using syncbench::Check;
using syncbench::World;

// The program's objects over the engine that the world registered.
struct Program : CViewHarness {
    Program() { Make(); }
};

ComPtr<IStore> StoreNamed(IStores* stores, const std::string& name)
{
    LONG count = 0;
    stores->get_Count(&count);
    for (LONG i = 1; i <= count; ++i) {
        ComPtr<IStore> store;
        ComBstr text;
        if (SUCCEEDED(stores->get_Items(i, store.put())) && SUCCEEDED(store->get_StoreName(text.put())) &&
            text.Utf8() == name)
            return store;
    }
    throw std::runtime_error("store not found");
}

void BM_LoadProfileInfo(benchmark::State& state)
{
    TempRoot root;
    World world(0);
    {
        // More profiles over the world's two stores.
        Program setup;
        ComPtr<IStores> sources, destinations;
        Check(setup.doc->m_pEngine->get_Sources(sources.put()), "get_Sources");
        Check(setup.doc->m_pEngine->get_Destinations(destinations.put()), "get_Destinations");
        for (int i = 1; i < state.range(0); ++i) {
            ComPtr<IProfile> profile;
            Check(setup.doc->m_pProfiles->get_Items(-1, profile.put()), "Items");
            ComBstr name(std::string_view("Profile " + std::to_string(i)));
            profile->put_Name(name);
            Check(profile->put_Source(StoreNamed(sources.get(), "Public Folders").get()), "put_Source");
            Check(profile->put_Destination(StoreNamed(destinations.get(), "Personal Folders").get()), "put_Destination");
            Check(setup.doc->m_pProfiles->Add(profile.get()), "Add");
        }
    }
    Program program;
    for (auto _ : state) {
        if (!program.view->LoadProfileInfo())
            state.SkipWithError("a store could not be opened");
        benchmark::DoNotOptimize(program.view->m_wndProfiles.GetItemCount());
    }
    state.counters["per_profile"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadProfileInfo)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// `count` folders in groups of 100 in both stores ("L3/L3-17" and "G3/G3-17"), each local one
// associated with its global one through the engine.
void LinkFolders(int count)
{
    for (const bool local : {true, false}) {
        ComPtr<IMsgStore> store;
        const auto file = local ? platform::StoresDirectory() / "personal.store" : World::SourcePath();
        Check(mapi::OpenStoreFile(file, MDB_WRITE, store.put()), "OpenStoreFile");
        LPSPropValue subtree = nullptr;
        Check(HrGetOneProp(store.get(), PR_IPM_SUBTREE_ENTRYID, &subtree), "HrGetOneProp");
        ComPtr<IUnknown> unknown;
        ULONG type = 0;
        Check(store->OpenEntry(subtree->Value.bin.cb, reinterpret_cast<LPENTRYID>(subtree->Value.bin.lpb), nullptr,
                               MAPI_MODIFY, &type, unknown.put()),
              "OpenEntry");
        MAPIFreeBuffer(subtree);
        ComPtr<IMAPIFolder> top;
        unknown.As(top);
        const std::string side = local ? "L" : "G";
        for (int group = 0; group * 100 < count; ++group) {
            ComPtr<IMAPIFolder> parent;
            const std::string name = side + std::to_string(group);
            Check(top->CreateFolder(FOLDER_GENERIC, const_cast<char*>(name.c_str()), nullptr, nullptr, 0, parent.put()),
                  "CreateFolder");
            for (int i = group * 100; i < std::min(count, group * 100 + 100); ++i) {
                ComPtr<IMAPIFolder> child;
                const std::string childName = name + "-" + std::to_string(i);
                Check(parent->CreateFolder(FOLDER_GENERIC, const_cast<char*>(childName.c_str()), nullptr, nullptr, 0,
                                           child.put()),
                      "CreateFolder");
            }
        }
    }
    Program program;
    ComPtr<IProfile> profile;
    Check(program.doc->m_pProfiles->get_Items(1, profile.put()), "Items");
    // Every folder of a store by its name (a folder's list holds all of its descendants).
    const auto byName = [](IStore* store) {
        std::map<std::string, ComPtr<IFolder>> folders;
        ComPtr<IFolders> top, all;
        ComPtr<IFolder> root;
        Check(store->get_Folders(top.put()), "get_Folders");
        Check(top->get_Items(1, root.put()), "Items");
        Check(root->get_Folders(all.put()), "get_Folders");
        LONG n = 0;
        all->get_Count(&n);
        for (LONG i = 1; i <= n; ++i) {
            ComPtr<IFolder> folder;
            ComBstr name;
            Check(all->get_Items(i, folder.put()), "Items");
            folder->get_Name(name.put());
            folders[name.Utf8()] = folder;
        }
        return folders;
    };
    ComPtr<IStore> source, destination;
    Check(profile->get_Source(source.put()), "get_Source");
    Check(profile->get_Destination(destination.put()), "get_Destination");
    auto global = byName(source.get());
    auto local = byName(destination.get());
    for (int i = 0; i < count; ++i) {
        const std::string suffix = std::to_string(i / 100) + "-" + std::to_string(i);
        Check(local.at("L" + suffix)->put_Source(global.at("G" + suffix).get()), "put_Source");
    }
}

void BM_FillFolderLinks(benchmark::State& state)
{
    TempRoot root;
    World world(0);
    LinkFolders(static_cast<int>(state.range(0)));
    Program program;
    for (auto _ : state) {
        if (!program.view->m_wndFolderLinks.FillFolderLinks(program.doc->m_pProfiles.get(), 1))
            state.SkipWithError("the profile could not be read");
        benchmark::DoNotOptimize(program.view->m_wndFolderLinks.GetItemCount());
    }
    if (program.view->m_wndFolderLinks.GetItemCount() != state.range(0) + 1)
        state.SkipWithError("not every association was listed");
    state.counters["per_link"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_FillFolderLinks)->Arg(1000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// CPU seconds of the whole process (all threads) so far.
double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A first run into an empty destination, each iteration in a world of its own. Besides the real
// time, the CPU time of all threads: the worker's part does not show in the benchmark's own CPU
// column, and the disk's waits, which vary from run to run, are not in it.
void FirstRun(benchmark::State& state, bool throughTheView, bool ownThread = true)
{
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto root = std::make_unique<TempRoot>();
        auto world = std::make_unique<World>(static_cast<int>(state.range(0)));
        std::unique_ptr<Program> program;
        if (throughTheView) {
            program = std::make_unique<Program>();
            program->view->LoadProfileInfo();
            program->view->m_wndProfiles.SetCheck(0, true);
        }
        state.ResumeTiming();
        const double before = ProcessCpuSeconds();
        if (throughTheView) {
            program->view->StartSync();
            platform::MessageLoop::Current().RunUntil([&] { return !program->view->IsRunning(); });
        } else if (!ownThread) {
            world->Run(); // on the thread that made the engine's objects
        } else {
            // On a thread of its own too, as the program's worker runs it.
            std::thread worker([&] {
                CoInitialize(nullptr);
                MAPIInitialize(nullptr);
                world->Run();
                MAPIUninitialize();
                CoUninitialize();
            });
            worker.join();
        }
        cpu += ProcessCpuSeconds() - before;
        state.PauseTiming();
        program.reset();
        world.reset();
        root.reset();
        state.ResumeTiming();
    }
    state.counters["per_message"] = benchmark::Counter(static_cast<double>(state.iterations() * state.range(0)),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["process_cpu_s"] = cpu / static_cast<double>(state.iterations());
}

void BM_FirstRunEngineSink(benchmark::State& state) { FirstRun(state, false); }
void BM_FirstRunThroughTheView(benchmark::State& state) { FirstRun(state, true); }
void BM_FirstRunEngineSinkSameThread(benchmark::State& state) { FirstRun(state, false, false); }
BENCHMARK(BM_FirstRunEngineSink)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FirstRunEngineSinkSameThread)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FirstRunThroughTheView)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
