#include "results/Benchmark.h"

#include "platform/Platform.h"

#include <limits>

namespace vesk {

namespace {

constexpr uint64_t kKilobyte = 1024;
constexpr uint64_t kMegabyte = 1024 * 1024;
// Speeds up to this many bytes per second are shown in KB/s.
constexpr uint64_t kLargestKilobyteSpeed = 3 * kMegabyte;

__extension__ typedef unsigned __int128 Wide;

int CompareNumbers(uint64_t a, uint64_t b) {
    return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

uint64_t BytesPerSecond(uint64_t byteCount, uint64_t elapsedTicks, uint64_t ticksPerSecond) {
    // The product overflows 64 bits with a fast counter (a few GHz) and 50 MiB.
    const Wide speed = Wide(ticksPerSecond) * byteCount / (elapsedTicks == 0 ? 1 : elapsedTicks);
    constexpr uint64_t kLargest = std::numeric_limits<uint64_t>::max();
    return speed > kLargest ? kLargest : uint64_t(speed);
}

std::wstring BenchmarkSpeedText(uint64_t bytesPerSecond) {
    if (bytesPerSecond <= kLargestKilobyteSpeed)
        return std::to_wstring(bytesPerSecond / kKilobyte) + L" KB/s";
    return std::to_wstring(bytesPerSecond / kMegabyte) + L" MB/s";
}

void MeasureAlgorithms(HashContextSet& set, std::span<const uint8_t> buffer, const BenchmarkCounter& counter,
                       const MeasuredFunction& measured) {
    for (int k = 0; k < set.count; ++k) {
        const AlgorithmInfo& info = *set.algorithm[k];
        void* context = ContextAt(&set, k);
        info.init(context);
        const uint64_t start = counter.read();
        info.update(context, buffer.data(), buffer.size());
        const uint64_t end = counter.read();
        if (!measured(info, BytesPerSecond(buffer.size(), end - start, counter.ticksPerSecond)))
            return;
    }
}

BenchmarkRow MakeBenchmarkRow(const AlgorithmInfo& info, uint64_t bytesPerSecond) {
    // Names are plain ASCII.
    const std::string_view name(info.name);
    return {std::wstring(name.begin(), name.end()), BenchmarkSpeedText(bytesPerSecond),
            bytesPerSecond / kKilobyte};
}

BenchmarkArrows BenchmarkSort::Click(int column) {
    if (column < 0 || column >= kBenchmarkColumnCount)
        return {};
    if (column == column_)
        ascending_[column] = !ascending_[column];
    const BenchmarkArrows arrows{column_ == column ? -1 : column_, column,
                                 ascending_[column] ? SortArrow::Up : SortArrow::Down};
    column_ = column;
    return arrows;
}

int BenchmarkSort::Compare(const BenchmarkRow& a, const BenchmarkRow& b) const {
    if (column_ < 0)
        return 0;
    const int order = column_ == kBenchmarkHashColumn ? platform::CompareTextIgnoringCase(a.name, b.name)
                                                      : CompareNumbers(a.speedKey, b.speedKey);
    return ascending_[column_] ? order : -order;
}

} // namespace vesk
