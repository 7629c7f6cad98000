#include "core/PieceStream.h"

#include "core/AlgorithmCost.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesk::test {
namespace {

// Ways to spread a set's contexts over threads; thread 0 also reads. Context
// k goes to thread `first + k % (threads - first)`, where 0 threads means one
// more than there are contexts; or the split is the balanced one.
struct Spread {
    const char* name;
    uint32_t threads;
    uint32_t first;
    bool balanced;

    ThreadSplit For(const HashContextSet& set) const {
        if (balanced)
            return BalancedSplit(set, threads);
        ThreadSplit split;
        split.threadCount = threads != 0 ? threads : uint32_t(set.count) + 1;
        for (int k = 0; k < set.count; ++k)
            split.threadOf[size_t(k)] = uint8_t(first + uint32_t(k) % (split.threadCount - first));
        return split;
    }
};

const Spread kSpreads[] = {
    {"one thread", 1, 0, false},        {"two in turn", 2, 0, false},
    {"three in turn", 3, 0, false},     {"each alone, the reader idle", 0, 1, false},
    {"all on one helper", 2, 1, false}, {"balanced over two", 2, 0, true},
    {"balanced over five", 5, 0, true},
};

// Streams each file through every spread and compares each digest with the
// registry's one-shot digest of the same bytes; also checks the byte counts
// handed to afterPiece.
void CheckEverySpread(SelectionMask mask, std::initializer_list<size_t> lengths, uint64_t seed) {
    ScratchDir dir;
    const std::vector<uint8_t> data = RandomBytes(std::max(lengths), seed);
    for (const size_t length : lengths) {
        const std::span<const uint8_t> bytes(data.data(), length);
        const auto file = dir.Write("f" + std::to_string(length), bytes);
        std::vector<std::string> expected;
        for (const AlgorithmInfo& info : AlgorithmTable)
            if (mask >> info.id & 1)
                expected.push_back(DigestHex(info, bytes));
        std::vector<uint64_t> expectedCounts;
        for (size_t n = kPieceBytes; n <= length; n += kPieceBytes)
            expectedCounts.push_back(n);
        if (length % kPieceBytes != 0)
            expectedCounts.push_back(length);

        for (const Spread& spread : kSpreads) {
            ContextSetOwner set = StartedContextSet(mask);
            ASSERT_TRUE(set);
            platform::ReadOnlyFile reader;
            ASSERT_TRUE(reader.Open(WideOf(file)));
            std::vector<uint64_t> counts;
            uint64_t byteCount = 0;
            const StreamOutcome outcome = StreamIntoContexts(
                reader, set.get(), spread.For(*set),
                [&](uint64_t n) {
                    counts.push_back(n);
                    return true;
                },
                byteCount);
            ASSERT_EQ(outcome, StreamOutcome::Complete) << spread.name << ", " << length << " bytes";
            EXPECT_EQ(byteCount, length) << spread.name;
            EXPECT_EQ(counts, expectedCounts) << spread.name << ", " << length << " bytes";
            for (int k = 0; k < set->count; ++k)
                EXPECT_EQ(FinalHex(*set, k), expected[size_t(k)])
                    << set->algorithm[k]->name << ", " << spread.name << ", " << length << " bytes";
        }
    }
}

TEST(PieceStream, EverySpreadOfAllAlgorithmsGivesTheOneThreadDigests) {
    CheckEverySpread(kAlgorithmBits, {0, 1, kPieceBytes, kPieceBytes + 1}, TestSeed());
}

// Long enough for the pieces' memory to be used over and over; the default
// algorithms keep it quick.
TEST(PieceStream, EverySpreadGivesTheOneThreadDigestsWhenPiecesAreReused) {
    constexpr size_t kRound = kPiecesInFlight * kPieceBytes;
    CheckEverySpread(ColumnTable().Selection(), {kRound - 1, kRound + 1, 2 * kRound + kPieceBytes / 2 + 7},
                     TestSeed() + 1);
}

// BLAKE3 hashes its pieces apart: dealt out over every thread, alone or
// beside others, its digest is the one-shot one, at each edge of the first
// piece (which always goes through update) and past the pieces in flight.
TEST(PieceStream, DealtPiecesGiveTheOneThreadDigest) {
    constexpr size_t kRound = kPiecesInFlight * kPieceBytes;
    for (const SelectionMask mask :
         {SelectionMask{1} << kBlake3Id, SelectionMask{1} << kBlake3Id | 1u << kMd5Id})
        CheckEverySpread(mask,
                         {0, 1, kPieceBytes - 1, kPieceBytes, kPieceBytes + 1, 2 * kPieceBytes, kRound + 3,
                          2 * kRound, 2 * kRound + kPieceBytes + 1},
                         TestSeed() + 2);
}

TEST(PieceStream, BalancedSplitKeepsEveryHelperBusyAndNoThreadFarAboveItsShare) {
    for (const SelectionMask mask :
         {kAlgorithmBits, SelectionMask{1} << kMd5Id | SelectionMask{1} << kCrc32Id, SelectionMask{1} << 36,
          SelectionMask{1} << kBlake3Id, SelectionMask{1} << kBlake3Id | SelectionMask{1} << kSha256Id}) {
        ContextSetOwner set(BuildContextSet(mask));
        ASSERT_TRUE(set);
        for (const uint32_t limit : {1u, 2u, 3u, 8u, 39u, 100u}) {
            const ThreadSplit split = BalancedSplit(*set, limit);
            ASSERT_GE(split.threadCount, 1u);
            const bool dealt = (mask >> kBlake3Id & 1) != 0 && limit > 1;
            EXPECT_EQ(split.dealtContext >= 0, dealt);
            EXPECT_LE(split.threadCount,
                      std::min(limit, dealt ? kAlgorithmCount + 1 : uint32_t(set->count) + 1));
            std::vector<uint64_t> load(split.threadCount, 0);
            load[0] = kReadCost;
            uint64_t total = kReadCost, costliest = 0;
            for (int k = 0; k < set->count; ++k) {
                ASSERT_LT(split.threadOf[size_t(k)], split.threadCount);
                const uint64_t cost = AlgorithmCost(set->algorithm[k]->id);
                if (k == split.dealtContext)
                    for (const uint8_t owner : split.dealtOwner) {
                        ASSERT_LT(owner, split.threadCount);
                        load[owner] += cost / kDealCycle + 1;
                    }
                else
                    load[split.threadOf[size_t(k)]] += cost;
                total += cost;
                costliest = std::max(costliest, cost);
            }
            for (uint32_t t = 1; t < split.threadCount; ++t)
                EXPECT_GT(load[t], 0u) << "helper " << t << " of " << split.threadCount << " has nothing";
            // Each algorithm to the least loaded thread stays within this bound.
            for (const uint64_t threadLoad : load)
                EXPECT_LE(threadLoad, total / split.threadCount + costliest)
                    << set->count << " over " << limit;
        }
    } // The reading thread makes fewer of the dealt pieces than a helper.
    ContextSetOwner blake3(BuildContextSet(SelectionMask{1} << kBlake3Id));
    const ThreadSplit two = BalancedSplit(*blake3, 2);
    EXPECT_LT(std::count(two.dealtOwner.begin(), two.dealtOwner.end(), 0), int(kDealCycle / 2));
}

// Handing pieces to another thread costs about a read: one algorithm alone is
// read and hashed on one thread, several worth splitting are split.
TEST(PieceStream, WorthwhileSplitOnlyWhereItSavesTime) {
    const struct {
        std::vector<AlgorithmId> ids;
        uint32_t threads;
        bool split;
    } cases[] = {
        {{36}, 2, false},       // XXH3
        {{kCrc32Id}, 8, false}, //
        {{kSha512Id}, 2, false},
        {{kMd5Id}, 2, false},
        {{kCrc32Id, kMd5Id, kSha1Id, kSha256Id}, 2, true},
        {{kCrc32Id, kMd5Id, kSha1Id, kSha256Id}, 1, false},
        {{kBlake3Id}, 2, false},
    };
    for (const auto& c : cases) {
        SelectionMask mask = 0;
        for (AlgorithmId id : c.ids)
            mask |= SelectionMask{1} << id;
        ContextSetOwner set(BuildContextSet(mask));
        EXPECT_EQ(WorthwhileSplit(*set, c.threads).threadCount > 1, c.split)
            << c.ids.size() << " algorithms, first " << c.ids[0] << ", " << c.threads << " threads";
    }
}

// A stop asked for after a piece ends the stream there, on every spread: the
// helpers are released and nothing more is read.
TEST(PieceStream, StopAfterAPieceEndsEverySpread) {
    ScratchDir dir;
    const auto file = dir.Write("f", RandomBytes(kPiecesInFlight * kPieceBytes * 3, TestSeed()));
    for (const uint64_t stopAt : {uint64_t(kPieceBytes), uint64_t(kPiecesInFlight + 2) * kPieceBytes}) {
        for (const Spread& spread : kSpreads) {
            ContextSetOwner set = StartedContextSet(kAlgorithmBits);
            ASSERT_TRUE(set);
            platform::ReadOnlyFile reader;
            ASSERT_TRUE(reader.Open(WideOf(file)));
            uint64_t byteCount = 0;
            EXPECT_EQ(
                StreamIntoContexts(
                    reader, set.get(), spread.For(*set), [&](uint64_t n) { return n < stopAt; }, byteCount),
                StreamOutcome::Stopped)
                << spread.name;
            EXPECT_EQ(byteCount, stopAt) << spread.name;
        }
    }
}

#ifndef _WIN32
TEST(PieceStream, ReadFailureStopsTheHelpers) {
    ContextSetOwner set = StartedContextSet(kAlgorithmBits);
    ASSERT_TRUE(set);
    // Reading a process's own memory at offset 0 fails at once.
    platform::ReadOnlyFile reader;
    ASSERT_TRUE(reader.Open(L"/proc/self/mem"));
    uint64_t byteCount = 1;
    EXPECT_EQ(StreamIntoContexts(
                  reader, set.get(), BalancedSplit(*set, 4), [](uint64_t) { return true; }, byteCount),
              StreamOutcome::ReadFailed);
    EXPECT_EQ(byteCount, 0u);
}
#endif

} // namespace
} // namespace vesk::test
