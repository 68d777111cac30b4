// Throughput of the ED loader at three file sizes, each beside the floor of any line-oriented loader
// (splitting the same bytes into lines with memchr), so that every figure reads as a ratio to it.
//   Memchr        read the file in large blocks and find every line feed
//   Interning     the host contract's share alone: the reader's interning (ed::InternRecordTexts) of
//                 the text of every I and V line, all held at once, then all released
//   Reader        ed::Parser records into its tables and Clear, no structure built
//   ReadAndBuild  ed::Parser::Parse into a fresh kxk::Structure
//   PluginLoad    the whole load as a host does it: lib/ed.so's loader, LoadRequest, fetch, event
//   Release       destroying the structure of a PluginLoad and sweeping the texts it alone held
// These run warm, in one process; ColdBench.cpp has the whole-process figures.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LoaderBench.h"

#include "BenchFiles.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/RecordScan.h"
#include "kxk/AsyncEvent.h"
#include "kxk/PluginLibrary.h"
#include "kxk/Structure.h"
#include "kxloader/StructureParser.h"
#include "support/ParserInspector.h"

namespace edbench {

void SetCounters(benchmark::State& state, const BenchFile& file) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.bytes.size()));
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(file.lines * state.iterations()), benchmark::Counter::kIsRate);
    state.counters["nodes"] = static_cast<double>(file.nodes);
}

namespace {

void Memchr(benchmark::State& state) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    std::vector<char> block(1 << 20);
    for (auto _ : state) {
        const int fd = ::open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
        size_t lines = 0, carried = 0;
        ssize_t n;
        while ((n = ::read(fd, block.data() + carried, block.size() - carried)) > 0) {
            const char* p = block.data();
            const char* end = p + carried + n;
            while (const void* feed = std::memchr(p, '\n', static_cast<size_t>(end - p))) {
                p = static_cast<const char*>(feed) + 1;
                ++lines;
            }
            carried = static_cast<size_t>(end - p);
            std::memmove(block.data(), p, carried);
        }
        ::close(fd);
        benchmark::DoNotOptimize(lines);
    }
    SetCounters(state, file);
}

// The whole file as one block of lines with its records scanned, as the reader hands a block to the
// interning.
struct ScannedFile {
    std::vector<size_t> ends;
    std::vector<ed::RecordScan> scans;
};

ScannedFile ScanFile(const std::string& bytes) {
    ScannedFile file;
    for (size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', end + 1))
        file.ends.push_back(end + 1);
    if (file.ends.empty() || file.ends.back() != bytes.size()) file.ends.push_back(bytes.size());
    ed::ScanRecords(bytes.data(), file.ends, file.scans, &ed::ParserInspector::ReadOnlyValueNames());
    return file;
}

void Interning(benchmark::State& state) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    ScannedFile scanned = ScanFile(file.bytes);
    for (auto _ : state) {
        ed::InternRecordTexts(file.bytes.data(), scanned.ends, scanned.scans);
        for (ed::RecordScan& scan : scanned.scans) scan.text = du::Symbol();
    }
    SetCounters(state, file);
}

void Reader(benchmark::State& state) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.Read(file.bytes, "/memory/bench.ed");
        benchmark::DoNotOptimize(inspect.Root());
        inspect.Clear();
    }
    SetCounters(state, file);
}

void ReadAndBuild(benchmark::State& state) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        du::SmartPtr<kxk::Structure> structure(new kxk::Structure(du::Symbol(file.path)));
        bool parsed;
        {
            ed::Parser parser;
            parsed = parser.Parse(du::Symbol(file.path), structure);
        }
        if (!parsed) {
            state.SkipWithError("the parse failed");
            break;
        }
        // Swept as a host does after a release, so that the next load makes its texts again instead of
        // reviving them dead in the table.
        state.PauseTiming();
        structure = nullptr;
        du::Symbol::Sweep();
        state.ResumeTiming();
    }
    SetCounters(state, file);
}

// The loader component of the plug-in, made once per process like a host does.
class PluginLoader {
  public:
    PluginLoader() {
        std::string error;
        m_library = kxk::PluginLibrary::Open(ED_BENCH_PLUGIN, error);
        if (m_library) m_library->CreateComponent("loader", "ed", m_component);
        m_loader = dynamic_cast<kxloader::StructureParser*>(m_component.get());
    }
    ~PluginLoader() {
        m_component = nullptr;  // before the library that holds its code
    }
    kxloader::StructureParser* Get() const { return m_loader; }

  private:
    std::unique_ptr<kxk::PluginLibrary> m_library;
    du::SmartPtr<du::RefCounted> m_component;
    kxloader::StructureParser* m_loader = nullptr;
};

// Loads `file` through the plug-in into `structure`; false when the load failed.
bool LoadThroughPlugin(const BenchFile& file, du::SmartPtr<kxk::Structure>& structure) {
    static PluginLoader plugin;
    if (!plugin.Get()) return false;
    structure = new kxk::Structure(du::Symbol(file.path));
    kxk::AsyncEvent event;
    plugin.Get()->LoadRequest(structure, du::Symbol(file.path), &event);
    event.Wait();
    kxloader::FileParser::WaitForPendingFetches();
    return !event.HasFailed();
}

void PluginLoad(benchmark::State& state) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        du::SmartPtr<kxk::Structure> structure;
        if (!LoadThroughPlugin(file, structure)) {
            state.SkipWithError("the plug-in load failed");
            break;  // timing may not be paused once the run has failed
        }
        state.PauseTiming();
        structure = nullptr;
        du::Symbol::Sweep();
        state.ResumeTiming();
    }
    SetCounters(state, file);
}

void Release(benchmark::State& state) {
    const BenchFile& file = GetBenchFile(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        du::SmartPtr<kxk::Structure> structure;
        if (!LoadThroughPlugin(file, structure)) {
            state.SkipWithError("the plug-in load failed");
            break;
        }
        state.ResumeTiming();
        structure = nullptr;
        du::Symbol::Sweep();
    }
    SetCounters(state, file);
}

}  // namespace

void RegisterLoaderBenchmarks(const std::vector<size_t>& sizes) {
    // By size, so that each figure is taken close in time to the floor it is compared with.
    for (size_t nodes : sizes) {
        for (auto [name, run] : {std::pair{"Memchr", &Memchr}, std::pair{"Interning", &Interning},
                                 std::pair{"Reader", &Reader}, std::pair{"ReadAndBuild", &ReadAndBuild},
                                 std::pair{"PluginLoad", &PluginLoad}, std::pair{"Release", &Release}}) {
            benchmark::RegisterBenchmark(name, run)
                ->Arg(static_cast<int64_t>(nodes))
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
        RegisterColdBenchmarks(nodes);
    }
}

}  // namespace edbench
