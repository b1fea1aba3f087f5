// ReplaceInStream over the generated Pascal-like corpus: 1, 10, 100 and 1000 definitions,
// rare matches (one per ~10 KB) and dense ones (one per ~100 bytes), each scan.
//
// The input is made on first use with bench/gen_corpus.py in SWAPWRIGHT_BENCH_DATA (default:
// bench-data in the build folder); SWAPWRIGHT_BENCH_BYTES sets its size (default 100 MB).
#include "cli/defs_file.h"
#include "core/base/file_replace.h"
#include "core/base/files.h"
#include "core/engine/source_buffer.h"
#include "core/engine/substitution.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>

using namespace swapwright;

namespace {

std::string dataDir() {
    const char* d = std::getenv("SWAPWRIGHT_BENCH_DATA");
    return d && *d ? d : SWAPWRIGHT_BENCH_DATA_DEFAULT;
}

std::string corpusBytesSetting() {
    const char* b = std::getenv("SWAPWRIGHT_BENCH_BYTES");
    return b && *b ? b : "100000000";
}

void runOrThrow(const std::string& command) {
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// The corpus file, made once.
const SourceBuffer& corpus() {
    static const SourceBuffer buffer = [] {
        const std::string dir = dataDir();
        const std::string name = dir + "/corpus-" + corpusBytesSetting() + ".pas";
        if (!files::fileExists(name)) {
            runOrThrow("mkdir -p '" + dir + "'");
            runOrThrow("python3 '" SWAPWRIGHT_SOURCE_DIR "/bench/gen_corpus.py' corpus --bytes " + corpusBytesSetting() +
                       " --seed 1 --out '" + name + "'");
        }
        return SourceBuffer::readFile(name);
    }();
    return buffer;
}

const std::vector<TFindReplace>& definitions(int count, bool dense) {
    static std::map<std::pair<int, bool>, std::vector<TFindReplace>> made;
    auto& defs = made[{count, dense}];
    if (defs.empty()) {
        corpus();
        const std::string dir = dataDir();
        const std::string name = dir + "/defs-" + corpusBytesSetting() + "-" + std::to_string(count) +
                                 (dense ? "-dense" : "-rare") + ".tsv";
        if (!files::fileExists(name))
            runOrThrow("python3 '" SWAPWRIGHT_SOURCE_DIR "/bench/gen_corpus.py' defs --corpus '" + dir + "/corpus-" +
                       corpusBytesSetting() + ".pas' --count " + std::to_string(count) + " --every " +
                       (dense ? "100" : "10000") + " --seed 1 --out '" + name + "'");
        defs = cli::parseDefinitions(files::readWholeFile(name)).definitions;
    }
    return defs;
}

// Takes the output and drops it: the pass's own cost, without a device.
class DiscardingSink final : public OutputSink {
public:
    DiscardingSink() : OutputSink(1 << 18) {}

protected:
    void deliver(const char*, std::size_t) override {}
};

void replaceBench(benchmark::State& state, CandidateScan scan) {
    const int count = static_cast<int>(state.range(0));
    const bool dense = state.range(1) != 0;
    const std::string_view source = corpus().view();
    std::vector<TFindReplace> defs = definitions(count, dense);
    const CompiledDefinitions compiled(defs, scan);
    std::int64_t replaced = 0;
    for (auto _ : state) {
        for (auto& d : defs)
            d.Count = 0;
        DiscardingSink sink;
        ReplaceInStream(source, sink, slpNone, defs, compiled);
        benchmark::DoNotOptimize(sink.size());
        replaced = 0;
        for (const auto& d : defs)
            replaced += d.Count;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(source.size()));
    state.counters["replaced"] = static_cast<double>(replaced);
    state.SetLabel(compiled.scan() == CandidateScan::Simd ? "simd" : "portable");
}

void BM_Replace(benchmark::State& state) { replaceBench(state, CandidateScan::Auto); }
void BM_ReplacePortable(benchmark::State& state) { replaceBench(state, CandidateScan::Portable); }

// The floor of any pass: the bytes copied once, in blocks of the sink's size.
void BM_MemcpyFloor(benchmark::State& state) {
    const std::string_view source = corpus().view();
    constexpr std::size_t kBlock = 1 << 18;
    std::vector<char> block(kBlock);
    for (auto _ : state) {
        for (std::size_t p = 0; p < source.size(); p += kBlock)
            std::memcpy(block.data(), source.data() + p, std::min(kBlock, source.size() - p));
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(source.size()));
}

// Preparing the definitions, which a run does once.
void BM_Compile(benchmark::State& state) {
    const auto& defs = definitions(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        CompiledDefinitions compiled(defs);
        benchmark::DoNotOptimize(compiled.size());
    }
}

} // namespace

BENCHMARK(BM_MemcpyFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Replace)->ArgsProduct({{1, 10, 100, 1000}, {0, 1}})->ArgNames({"defs", "dense"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplacePortable)->ArgsProduct({{1, 10, 100, 1000}, {0, 1}})->ArgNames({"defs", "dense"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compile)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);
