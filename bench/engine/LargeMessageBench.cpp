// Peak memory of one large message: made with mapiadmin in the source store (a body from a JSON
// file, or an attachment from a file) and copied into the personal store by a sync run. The
// tool's figure is its process's peak RSS; the run's is how far the peak RSS of the process
// rose above what it held before the run. Each is also given as a multiple of the value's size.
#include "SyncWorld.h"
#include "TempRoot.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using syncbench::World;

// A line of /proc/self/status in MB ("VmRSS", "VmHWM").
double StatusMB(const std::string& name)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0)
            return std::stod(line.substr(name.size() + 1)) / 1024.0;
    throw std::runtime_error("no " + name + " in /proc/self/status");
}

// Resets the high-water mark of this process's resident memory to what it holds now.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Runs a program to its end; its peak RSS in MB. The child starts in this process's memory
// and takes its high-water mark along through exec, so that mark is reset first.
double RunForPeak(std::vector<std::string> args)
{
    ResetPeak();
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        throw std::runtime_error("cannot start " + args[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(args[0] + " failed");
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// range(0): 0 a body (text from JSON), 1 an attachment; range(1): its size in MB.
void BM_LargeMessage(benchmark::State& state)
{
    const bool attachment = state.range(0) == 1;
    const std::size_t size = static_cast<std::size_t>(state.range(1)) << 20;
    for (auto _ : state) {
        TempRoot root;
        World world(0);
        const auto input = root.path() / (attachment ? "data.bin" : "message.json");
        {
            std::ofstream out(input, std::ios::binary);
            if (attachment) {
                std::string block(1 << 20, '\0');
                for (std::size_t i = 0; i < block.size(); ++i)
                    block[i] = static_cast<char>(i * 2654435761u >> 24);
                for (std::size_t done = 0; done < size; done += block.size())
                    out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), size - done)));
            } else {
                out << "{\"subject\": \"large\", \"body\": \"" << std::string(size, 'x') << "\"}";
            }
        }
        std::vector<std::string> args = {MAPIADMIN_PROGRAM, "message", "create", World::SourcePath().string(),
                                         "Projects", "--subject", "large"};
        if (attachment) {
            args.push_back("--attach");
            args.push_back(input.string());
        } else {
            args.push_back("--json");
            args.push_back(input.string());
        }
        const double created = RunForPeak(args);

        ResetPeak();
        const double before = StatusMB("VmRSS");
        world.Run();
        const double rise = StatusMB("VmHWM") - before;

        const double mb = static_cast<double>(size) / (1 << 20);
        state.counters["create_peak_MB"] = created;
        state.counters["create_x"] = created / mb;
        state.counters["sync_rise_MB"] = rise;
        state.counters["sync_x"] = rise / mb;
    }
}
BENCHMARK(BM_LargeMessage)
    ->ArgNames({"attachment", "MB"})
    ->Args({0, 50})
    ->Args({1, 50})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
