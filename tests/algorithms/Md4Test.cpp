#include "algorithms/Md4.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kMd4 = 14;

// RFC 1320, appendix A.5 (the test suite), and set 1 vector #8 of the NESSIE
// test vectors (a million times "a").
constexpr KnownAnswer kMd4Answers[] = {
    {kMd4, "", 1, "31D6CFE0D16AE931B73C59D7E0C089C0"},
    {kMd4, "a", 1, "BDE52CB31DE33E46245E05FBDBD6FB24"},
    {kMd4, "abc", 1, "A448017AAF21D8525FC10AE87AA6729D"},
    {kMd4, "message digest", 1, "D9130A8164549FE818874806E1C7014B"},
    {kMd4, "abcdefghijklmnopqrstuvwxyz", 1, "D79E1C308AA5BBCDEEA8ED63DF412DA9"},
    {kMd4, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
     "043F8582F241DB351CE627E153E7F0E4"},
    {kMd4, "1234567890", 8, "E33B4DDC9C38F2199C3E7B164FCC0536"},
    {kMd4, "a", 1000000, "BBCE80CC6BB65E5C6745E30D4EECA9A4"},
};

// Lengths at the padding edges: up to 55 bytes the length field fits behind
// the 0x80 byte, from 56 to 63 it needs another block.
std::vector<size_t> PaddingEdgeLengths() {
    std::vector<size_t> lengths = BoundaryLengths({64}, 1200);
    for (size_t block = 0; block <= 128; block += 64)
        for (size_t n = block + 54; n <= block + 57; ++n)
            lengths.push_back(n);
    return lengths;
}

TEST(Md4, KnownAnswers) {
    CheckKnownAnswers(kMd4Answers);
}

TEST(Md4, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kMd4, PaddingEdgeLengths());
}

std::vector<std::string> RhashMd4(const std::vector<std::filesystem::path>& files) {
    return ToolDigests("rhash --printf='%{md4}\\n'", files);
}

TEST(Md4, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    std::vector<size_t> lengths = PaddingEdgeLengths();
    CheckAgainstOracle(kMd4, lengths, RhashMd4);
}

// 513 MiB and a few bytes: the bit count passes 2^32, so its high word takes
// a carry, and the length field of the last block has both words set. The
// oracle gets the same bytes through a pipe, written by python3.
TEST(Md4, BitCountCarriesIntoHighWord) {
    REQUIRE_TOOL("python3");
    REQUIRE_TOOL("rhash");
    const std::vector<uint8_t> chunk = RandomBytes(1 << 20, TestSeed() ^ 0x4D44);
    constexpr int kChunkCount = 513;
    constexpr size_t kTailBytes = 7;
    Md4Context context;
    Md4Init(&context);
    for (int i = 0; i < kChunkCount; ++i)
        Md4Update(&context, chunk.data(), chunk.size());
    Md4Update(&context, chunk.data(), kTailBytes);
    uint8_t digest[kMd4DigestBytes];
    Md4Final(&context, digest);

    ScratchDir dir;
    const std::string file = dir.Write("chunk.bin", chunk).string();
    const std::optional<std::string> output =
        RunCommand("python3 -c 'import sys\nchunk = open(sys.argv[1], \"rb\").read()\n"
                   "for _ in range(int(sys.argv[2])): sys.stdout.buffer.write(chunk)\n"
                   "sys.stdout.buffer.write(chunk[:int(sys.argv[3])])' '" +
                   file + "' " + std::to_string(kChunkCount) + " " + std::to_string(kTailBytes) +
                   " | rhash --printf='%{md4}\\n' -");
    ASSERT_TRUE(output.has_value());
    EXPECT_EQ(ToHex(digest), Lower(output->substr(0, 2 * kMd4DigestBytes)));
}

} // namespace
} // namespace vesk::test
