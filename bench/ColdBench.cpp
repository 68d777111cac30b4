// Whole-process figures, first-touch costs included: each iteration starts a fresh process.
//   ColdMemchr  ed-memchr FILE, the memchr floor as a process of its own
//   ColdLoad    ed-load --format summary --quiet FILE: start, load, release of the structure, exit

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "BenchFiles.h"
#include "LoaderBench.h"

extern char** environ;

namespace edbench {

namespace {

// Runs `args` with its output to /dev/null; true when it exited with 0.
bool RunQuietly(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int status = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Cold(benchmark::State& state, std::vector<std::string> command) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    command.push_back(file.path);
    for (auto _ : state) {
        if (!RunQuietly(command)) state.SkipWithError((command[0] + " failed").c_str());
    }
    SetCounters(state, file);
}

void ColdMemchr(benchmark::State& state) {
    Cold(state, {ED_BENCH_MEMCHR});
}

void ColdLoad(benchmark::State& state) {
    Cold(state, {ED_BENCH_LOAD, "--format", "summary", "--quiet"});
}

}  // namespace

void RegisterColdBenchmarks(size_t nodes) {
    for (auto [name, run] : {std::pair{"ColdMemchr", &ColdMemchr}, std::pair{"ColdLoad", &ColdLoad}}) {
        benchmark::RegisterBenchmark(name, run)
            ->Arg(static_cast<int64_t>(nodes))
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace edbench
