// Speed of every algorithm the way the program's own benchmark measures it:
// one update over a 50 MiB buffer, the init outside the timed part.
//
//     build/linux/bench/vesk_bench [--benchmark_filter=SHA]
#include "core/AlgorithmTable.h"
#include "core/HashContextSet.h"

#include <benchmark/benchmark.h>

#include <cstring>
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

void HashBuffer(benchmark::State& state, vesk::AlgorithmId id) {
    const vesk::AlgorithmInfo& info = vesk::AlgorithmById(id);
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
}

const bool kRegistered = [] {
    for (const vesk::AlgorithmInfo& info : vesk::AlgorithmTable)
        benchmark::RegisterBenchmark(info.name, HashBuffer, info.id)->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
