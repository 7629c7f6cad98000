// Speed of every algorithm the way the program's own benchmark measures it:
// one update over a 50 MiB buffer, the init outside the timed part. Each row's
// label names the code path that ran; algorithms with processor-specific paths
// get a row per other path this processor runs ("SHA-256 [portable]"), and the
// context names the processor (cpu_model, from /proc/cpuinfo).
//
//     build/linux/bench/vesk_bench [--benchmark_filter=SHA]
#include "core/AlgorithmTable.h"
#include "core/HashContextSet.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr size_t kBufferBytes = 50 << 20;

const std::vector<uint8_t>& Buffer() {
    static const std::vector<uint8_t> buffer = [] {
        std::vector<uint8_t> bytes(kBufferBytes);
        uint32_t x = 0x12345678;
        for (uint8_t& b : bytes) {
            x = x * 1103515245 + 12345;
            b = uint8_t(x >> 24);
        }
        return bytes;
    }();
    return buffer;
}

// path is null for the best path this processor runs.
void HashBuffer(benchmark::State& state, vesk::AlgorithmId id, const char* path) {
    const vesk::AlgorithmInfo& info = vesk::AlgorithmById(id);
    if (path != nullptr)
        vesk::UseCodePath(*vesk::AlgorithmPathFamily(id), path);
    vesk::ContextSetOwner set(vesk::BuildContextSet(vesk::SelectionMask{1} << id));
    const std::vector<uint8_t>& buffer = Buffer();
    void* context = vesk::ContextAt(set.get(), 0);
    for (auto _ : state) {
        state.PauseTiming();
        info.init(context);
        state.ResumeTiming();
        info.update(context, buffer.data(), buffer.size());
        benchmark::ClobberMemory();
    }
    uint8_t digest[vesk::kMaxDigestLength];
    info.final(context, digest);
    benchmark::DoNotOptimize(digest);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(buffer.size()));
    state.SetLabel(vesk::AlgorithmCodePath(id));
    vesk::UseBestCodePaths();
}

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown";
}

const bool kRegistered = [] {
    benchmark::AddCustomContext("cpu_model", CpuModel());
    for (const vesk::AlgorithmInfo& info : vesk::AlgorithmTable) {
        benchmark::RegisterBenchmark(info.name, HashBuffer, info.id, nullptr)->Unit(benchmark::kMillisecond);
        const std::optional<vesk::PathFamily> family = vesk::AlgorithmPathFamily(info.id);
        if (!family)
            continue;
        const std::string best = vesk::ActiveCodePath(*family);
        for (const char* path : vesk::CodePathNames(*family))
            if (path != best && vesk::CpuRunsCodePath(*family, path))
                benchmark::RegisterBenchmark((std::string(info.name) + " [" + path + "]").c_str(), HashBuffer,
                                             info.id, path)
                    ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace

BENCHMARK_MAIN();
