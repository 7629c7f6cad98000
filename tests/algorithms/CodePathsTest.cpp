// Every processor-specific code path against the portable one: the same
// digests for every length to 1024, unaligned starts, inputs split over many
// updates, runs of all-ones and zero bytes, the 1 MiB chunk edges of the file
// reader, and inputs that end where their memory does. A path this processor
// lacks is skipped and says so; the digests themselves are checked against
// published values and other tools in the family tests, with the best paths.
#include "algorithms/CodePaths.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace vesk::test {
namespace {

constexpr size_t kChunkBytes = size_t(1) << 20;

std::vector<AlgorithmId> AlgorithmsOf(PathFamily family) {
    std::vector<AlgorithmId> ids;
    for (const AlgorithmInfo& info : AlgorithmTable)
        if (AlgorithmPathFamily(info.id) == family)
            ids.push_back(info.id);
    return ids;
}

struct PathCase {
    PathFamily family;
    std::string path;
};

void PrintTo(const PathCase& param, std::ostream* out) {
    *out << PathFamilyName(param.family) << " " << param.path;
}

std::vector<PathCase> AllFastPaths() {
    std::vector<PathCase> cases;
    for (PathFamily family : kPathFamilies)
        for (const char* path : CodePathNames(family))
            if (std::string(path) != "portable")
                cases.push_back({family, path});
    return cases;
}

std::string CaseName(const testing::TestParamInfo<PathCase>& info) {
    return std::string(PathFamilyName(info.param.family)) + "_" + info.param.path;
}

// One input and how it is fed: cut at the given offsets into several updates.
struct Feed {
    std::span<const uint8_t> data;
    std::vector<size_t> cuts;
    std::string label;
};

class CodePath : public testing::TestWithParam<PathCase> {
protected:
    void SetUp() override {
        if (!CpuRunsCodePath(GetParam().family, GetParam().path))
            GTEST_SKIP() << "this processor cannot run the " << GetParam().path << " path of "
                         << PathFamilyName(GetParam().family);
    }

    void TearDown() override { UseBestCodePaths(); }

    // Digests every feed with the portable path, then with the path under test.
    void ExpectSameAsPortable(const std::vector<Feed>& feeds) {
        const PathCase& param = GetParam();
        for (AlgorithmId id : AlgorithmsOf(param.family)) {
            const AlgorithmInfo& info = AlgorithmById(id);
            std::vector<std::string> expected;
            ASSERT_TRUE(UseCodePath(param.family, "portable"));
            for (const Feed& feed : feeds)
                expected.push_back(DigestHexInPieces(info, feed.data, feed.cuts));
            ASSERT_TRUE(UseCodePath(param.family, param.path));
            for (size_t i = 0; i < feeds.size(); ++i)
                EXPECT_EQ(DigestHexInPieces(info, feeds[i].data, feeds[i].cuts), expected[i])
                    << info.name << " on the " << param.path << " path, " << feeds[i].label;
        }
    }
};

TEST_P(CodePath, MatchesPortable) {
    const std::vector<uint8_t> data = RandomBytes(2 * kChunkBytes + 3, TestSeed() ^ 0xC0DE);
    const std::vector<uint8_t> ones(70000, 0xFF), zeros(70000, 0x00);
    std::vector<Feed> feeds;
    // Every length to 1024.
    for (size_t length = 0; length <= 1024; ++length)
        feeds.push_back({{data.data(), length}, {}, std::to_string(length) + " bytes"});
    // Unaligned starts.
    for (size_t offset = 1; offset < 64; ++offset)
        for (size_t length : {1, 31, 64, 127, 200, 513, 1025, 4096 + 17})
            feeds.push_back({{data.data() + offset, length},
                             {},
                             std::to_string(length) + " bytes at +" + std::to_string(offset)});
    // Two pieces, cut at every offset of a 1100-byte input.
    for (size_t cut = 0; cut <= 1100; ++cut)
        feeds.push_back({{data.data(), 1100}, {cut}, "1100 bytes cut at " + std::to_string(cut)});
    // Many pieces of random sizes, so that blocks and stripes start anywhere.
    for (size_t length : {777, 4099, 20000, 70000})
        for (uint64_t round = 0; round < 4; ++round)
            feeds.push_back(
                {{data.data(), length},
                 RandomCuts(length, TestSeed() + length + round),
                 std::to_string(length) + " bytes in random pieces, round " + std::to_string(round)});
    // All-ones bytes drive the checksums' running sums to their largest values,
    // where a vector version that defers its reductions would overflow first.
    for (size_t length : {5551, 5552, 5553, 11104, 65536 + 7, 70000}) {
        feeds.push_back({{ones.data(), length}, {}, std::to_string(length) + " bytes of 0xFF"});
        feeds.push_back({{zeros.data(), length}, {}, std::to_string(length) + " zero bytes"});
    }
    feeds.push_back({{ones.data(), 70000}, {1, 5554, 40000}, "70000 bytes of 0xFF in four updates"});
    // The file reader's chunk edges, and its chunks as it hands them over:
    // whole ones, then the rest, also not starting on a block or stripe edge.
    for (size_t length = kChunkBytes - 1; length <= kChunkBytes + 1; ++length)
        feeds.push_back({{data.data(), length}, {}, std::to_string(length) + " bytes"});
    feeds.push_back({{data.data(), kChunkBytes + 1}, {kChunkBytes}, "1 MiB + 1 in two updates"});
    feeds.push_back({data, {kChunkBytes, 2 * kChunkBytes}, "2 MiB + 3 in 1 MiB updates"});
    feeds.push_back({data, {5, kChunkBytes + 5}, "2 MiB + 3 from offset 5"});
    // Inputs that end where their memory ends, so that AddressSanitizer sees a
    // version that schedules several blocks at once read past the last one:
    // every count of whole blocks to 9 and the lengths around them.
    std::vector<std::vector<uint8_t>> exact;
    for (size_t blocks = 1; blocks <= 9; ++blocks)
        for (size_t length : {128 * blocks - 1, 128 * blocks, 128 * blocks + 1})
            exact.emplace_back(data.begin(), data.begin() + ptrdiff_t(length));
    for (const std::vector<uint8_t>& bytes : exact)
        feeds.push_back({bytes, {}, std::to_string(bytes.size()) + " bytes ending their allocation"});
    ExpectSameAsPortable(feeds);
}

INSTANTIATE_TEST_SUITE_P(FastPaths, CodePath, testing::ValuesIn(AllFastPaths()), CaseName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CodePath); // a build with portable code only

// Every family ends with the portable path and starts on the best path the
// processor runs; an unknown or unrunnable path is refused and changes
// nothing; a forced path is reported, and the best paths come back.
TEST(CodePaths, ChoosingAndForcingPaths) {
    for (PathFamily family : kPathFamilies) {
        const std::vector<const char*> names = CodePathNames(family);
        ASSERT_FALSE(names.empty());
        EXPECT_STREQ(names.back(), "portable") << PathFamilyName(family);
        EXPECT_TRUE(CpuRunsCodePath(family, "portable")) << PathFamilyName(family);
        const char* best = nullptr;
        for (const char* name : names)
            if (best == nullptr && CpuRunsCodePath(family, name))
                best = name;
        EXPECT_STREQ(ActiveCodePath(family), best) << PathFamilyName(family);

        EXPECT_FALSE(UseCodePath(family, "no-such-path")) << PathFamilyName(family);
        for (const char* name : names)
            EXPECT_TRUE(CpuRunsCodePath(family, name) || !UseCodePath(family, name))
                << PathFamilyName(family) << " " << name;
        EXPECT_STREQ(ActiveCodePath(family), best) << PathFamilyName(family);

        ASSERT_TRUE(UseCodePath(family, "portable"));
        EXPECT_STREQ(ActiveCodePath(family), "portable");
        for (AlgorithmId id : AlgorithmsOf(family))
            EXPECT_STREQ(AlgorithmCodePath(id), "portable") << AlgorithmById(id).name;
        UseBestCodePaths();
        EXPECT_STREQ(ActiveCodePath(family), best);
    }
}

} // namespace
} // namespace vesk::test
