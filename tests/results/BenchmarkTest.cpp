#include "results/Benchmark.h"

#include "tests/TestUtil.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace vesk::test {
namespace {

constexpr uint64_t kLargest = std::numeric_limits<uint64_t>::max();

TEST(BenchmarkSpeed, TextSwitchesToMegabytesAboveThreeMebibytes) {
    const struct {
        uint64_t bytesPerSecond;
        const char* text;
    } cases[] = {
        {0, "0 KB/s"},
        {1023, "0 KB/s"},
        {1024, "1 KB/s"},
        {3145727, "3071 KB/s"},
        {3145728, "3072 KB/s"}, // the last speed in KB/s
        {3145729, "3 MB/s"},
        {4194303, "3 MB/s"},
        {4194304, "4 MB/s"},
        {uint64_t{1} << 32, "4096 MB/s"},
        {(uint64_t{1} << 32) + 5 * 1048576 + 1, "4101 MB/s"},
        {uint64_t{1} << 53, "8589934592 MB/s"}, // more megabytes than 32 bits hold
        {kLargest, "17592186044415 MB/s"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WideToUtf8(BenchmarkSpeedText(c.bytesPerSecond)), c.text) << c.bytesPerSecond;
}

TEST(BenchmarkSpeed, BytesPerSecondFromTicks) {
    const struct {
        uint64_t byteCount, elapsedTicks, ticksPerSecond, expected;
    } cases[] = {
        {52428800, 10000000, 10000000, 52428800},                   // one second of a 10 MHz counter
        {52428800, 5000000, 10000000, 104857600},                   // half a second
        {10, 3, 1, 3},                                              // rounded down
        {52428800, 1, 10000000, 524288000000000},                   // one tick
        {52428800, 0, 10000000, 524288000000000},                   // no tick counts as one
        {52428800, uint64_t{1} << 40, uint64_t{1} << 40, 52428800}, // the product needs more than 64 bits
        {52428800, 1, uint64_t{1} << 50, kLargest},                 // the speed itself does not fit
        {52428800, 7, 0, 0},                                        // no counter frequency
    };
    for (const auto& c : cases)
        EXPECT_EQ(BytesPerSecond(c.byteCount, c.elapsedTicks, c.ticksPerSecond), c.expected)
            << c.byteCount << " bytes in " << c.elapsedTicks << " ticks at " << c.ticksPerSecond;
}

// A counter that algorithm k sees advance by k ticks over its update (none for
// the first), at 1000 ticks per second.
struct SteppingCounter {
    int reads = 0;
    BenchmarkCounter counter{1000, [this] {
                                 const int k = reads / 2;
                                 const bool end = reads++ % 2 == 1;
                                 return uint64_t(100 * k + (end ? k : 0));
                             }};
};

TEST(BenchmarkRun, EveryAlgorithmOnceInTableOrderOverTheWholeBufferUntilTheCallerStops) {
    const std::vector<uint8_t> buffer = RandomBytes(1000, TestSeed());
    ContextSetOwner set(BuildContextSet(kAllAlgorithms));
    ASSERT_TRUE(set);
    SteppingCounter stepping;
    std::vector<AlgorithmId> ids;
    MeasureAlgorithms(*set, buffer, stepping.counter,
                      [&](const AlgorithmInfo& info, uint64_t bytesPerSecond) {
                          const uint64_t ticks = std::max<uint64_t>(ids.size(), 1);
                          EXPECT_EQ(bytesPerSecond, 1000 * 1000 / ticks) << info.name;
                          ids.push_back(info.id);
                          return true;
                      });
    ASSERT_EQ(ids.size(), size_t(kAlgorithmCount));
    for (AlgorithmId id = 0; id < kAlgorithmCount; ++id)
        EXPECT_EQ(ids[id], id);
    EXPECT_EQ(stepping.reads, int(2 * kAlgorithmCount));
    // Each context was started afresh and took the buffer in one update.
    for (int k = 0; k < set->count; ++k)
        EXPECT_EQ(FinalHex(*set, k), DigestHex(*set->algorithm[k], buffer)) << set->algorithm[k]->name;

    // The run stops when the caller no longer wants rows.
    SteppingCounter stopping;
    int rows = 0;
    MeasureAlgorithms(*set, buffer, stopping.counter,
                      [&](const AlgorithmInfo&, uint64_t) { return ++rows < 3; });
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(stopping.reads, 6);
}

BenchmarkRow Row(const char* name, uint64_t speedKey) {
    return {Utf8ToWide(name), BenchmarkSpeedText(speedKey * 1024), speedKey};
}

std::vector<std::string> Sorted(std::vector<BenchmarkRow> rows, const BenchmarkSort& sort) {
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const BenchmarkRow& a, const BenchmarkRow& b) { return sort.Compare(a, b) < 0; });
    std::vector<std::string> names;
    for (const BenchmarkRow& row : rows)
        names.push_back(WideToUtf8(row.name));
    return names;
}

// Two rows show "3 MB/s" but differ in their keys.
const std::vector<BenchmarkRow> kRows = {Row("md5", 700000), Row("SHA-1", 3100), Row("Adler32", 9000000),
                                         Row("MD4", 3200), Row("crc32", 12)};

// Hash's own direction is never turned by Speed's clicks, and each column
// keeps its direction while the other one sorts; a click outside the columns
// changes nothing.
TEST(BenchmarkSortOrder, SpeedTwiceThenHashThenSpeed) {
    BenchmarkSort sort;
    EXPECT_EQ(sort.column(), -1);
    EXPECT_EQ(Sorted(kRows, sort), (std::vector<std::string>{"md5", "SHA-1", "Adler32", "MD4", "crc32"}));
    const struct {
        int column;
        int cleared;
        SortArrow arrow;
        std::vector<std::string> order;
    } clicks[] = {
        {kBenchmarkSpeedColumn, -1, SortArrow::Up, {"crc32", "SHA-1", "MD4", "md5", "Adler32"}},
        {kBenchmarkSpeedColumn, -1, SortArrow::Down, {"Adler32", "md5", "MD4", "SHA-1", "crc32"}},
        {kBenchmarkHashColumn,
         kBenchmarkSpeedColumn,
         SortArrow::Up,
         {"Adler32", "crc32", "MD4", "md5", "SHA-1"}},
        {kBenchmarkSpeedColumn,
         kBenchmarkHashColumn,
         SortArrow::Down,
         {"Adler32", "md5", "MD4", "SHA-1", "crc32"}},
    };
    for (const auto& click : clicks) {
        const BenchmarkArrows arrows = sort.Click(click.column);
        EXPECT_EQ(arrows.cleared, click.cleared);
        EXPECT_EQ(arrows.column, click.column);
        EXPECT_EQ(arrows.arrow, click.arrow);
        EXPECT_EQ(Sorted(kRows, sort), click.order);
    }
    for (int column : {-1, kBenchmarkColumnCount}) {
        const BenchmarkArrows arrows = sort.Click(column);
        EXPECT_EQ(arrows.column, -1);
        EXPECT_EQ(arrows.arrow, SortArrow::None);
    }
    EXPECT_EQ(sort.column(), kBenchmarkSpeedColumn);
    EXPECT_FALSE(sort.ascending(kBenchmarkSpeedColumn));
    EXPECT_TRUE(sort.ascending(kBenchmarkHashColumn));
}

} // namespace
} // namespace vesk::test
