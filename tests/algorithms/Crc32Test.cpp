#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kCrc32 = 5;

// The CRC-32/ISO-HDLC check value from the CRC catalogue, and the program's own published values.
constexpr KnownAnswer kCrc32Answers[] = {
    {kCrc32, "", 1, "00000000"},
    {kCrc32, "123456789", 1, "CBF43926"},
    {kCrc32, "abc", 1, "352441C2"},
    {kCrc32, "The quick brown fox jumps over the lazy dog", 1, "414FA339"},
};

TEST(Crc32, KnownAnswers) {
    CheckKnownAnswers(kCrc32Answers);
}

TEST(Crc32, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kCrc32, BoundaryLengths({8, 64}, 1200));
}

TEST(Crc32, MatchesZlibAcrossChunkEdges) {
    REQUIRE_TOOL("python3");
    std::vector<size_t> lengths = BoundaryLengths({8, 4096}, 9000);
    for (size_t edge : {size_t(1) << 20, size_t(2) << 20})
        for (size_t n = edge - 1; n <= edge + 1; ++n)
            lengths.push_back(n);
    CheckAgainstOracle(kCrc32, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("python3 -c 'import sys,zlib\n"
                           "for f in sys.argv[1:]: print(\"%08x\" % zlib.crc32(open(f,\"rb\").read()))'",
                           files);
    });
}

} // namespace
} // namespace vesk::test
