// The benchmark apart from its window: how fast each algorithm hashes one
// buffer in memory, the speed as the Benchmark dialog shows it, and the order
// of its rows when a column header is clicked.
//
//     ContextSetOwner set(BuildContextSet(kAllAlgorithms));
//     MeasureAlgorithms(*set, buffer, counter, [&](const AlgorithmInfo& info, uint64_t bytesPerSecond) {
//         rows.push_back(MakeBenchmarkRow(info, bytesPerSecond));
//         return true;                          // false stops before the next algorithm
//     });
//     sort.Click(kBenchmarkSpeedColumn);        // then order the rows with sort.Compare
#pragma once

#include "core/HashContextSet.h"
#include "results/ListControl.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace vesk {

// 50 MiB: every algorithm hashes the whole buffer in one update.
inline constexpr size_t kBenchmarkBufferBytes = 52428800;

// A high-resolution counter: `read` gives the current tick.
struct BenchmarkCounter {
    uint64_t ticksPerSecond = 0;
    std::function<uint64_t()> read;
};

// byteCount bytes in elapsedTicks ticks, in bytes per second, rounded down.
// No elapsed tick counts as one; a speed beyond 64 bits gives the largest.
uint64_t BytesPerSecond(uint64_t byteCount, uint64_t elapsedTicks, uint64_t ticksPerSecond);

// "3072 KB/s" up to 3 MiB per second, "3 MB/s" above, both rounded down. The
// units are powers of 1024.
std::wstring BenchmarkSpeedText(uint64_t bytesPerSecond);

// Called after each algorithm with its speed; returns whether to go on.
using MeasuredFunction = std::function<bool(const AlgorithmInfo& info, uint64_t bytesPerSecond)>;

// For each algorithm of the set, in its order: init (not timed), then one
// timed update over the whole buffer. Final is never called.
void MeasureAlgorithms(HashContextSet& set, std::span<const uint8_t> buffer, const BenchmarkCounter& counter,
                       const MeasuredFunction& measured);

// One row of the dialog: the two texts it shows and the key Speed sorts by,
// in units of 1024 bytes per second, finer than the text.
struct BenchmarkRow {
    std::wstring name;
    std::wstring speed;
    uint64_t speedKey = 0;
};
BenchmarkRow MakeBenchmarkRow(const AlgorithmInfo& info, uint64_t bytesPerSecond);

inline constexpr int kBenchmarkHashColumn = 0;
inline constexpr int kBenchmarkSpeedColumn = 1;
inline constexpr int kBenchmarkColumnCount = 2;

// What a header click changes on the headers.
struct BenchmarkArrows {
    int cleared = -1; // the other column, when it was the sort column: its arrow goes; else -1
    int column = -1;  // the clicked column, which shows `arrow`
    SortArrow arrow = SortArrow::None;
};

// The column the rows were last sorted by and the direction each column sorts
// in next. One lives as long as the program, across openings of the dialog.
class BenchmarkSort {
public:
    // A click on a column's header: a second click on the sort column turns
    // its direction round; the column becomes the sort column. A column
    // outside the list changes nothing and gives no arrows.
    BenchmarkArrows Click(int column);

    int column() const { return column_; }
    bool ascending(int column) const { return ascending_[column]; }

    // Negative, zero or positive as `a` comes before, with or after `b` in
    // the sort column's current direction: Hash by name, ignoring case in the
    // user's locale; Speed by the key.
    int Compare(const BenchmarkRow& a, const BenchmarkRow& b) const;

private:
    int column_ = -1;
    bool ascending_[kBenchmarkColumnCount] = {true, true};
};

} // namespace vesk
