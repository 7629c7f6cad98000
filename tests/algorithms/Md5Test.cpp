#include "algorithms/Md5.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kMd5 = 15;

// RFC 1321, appendix A.5 (the test suite), and set 1 vector #8 of the NESSIE
// test vectors (a million times "a").
constexpr KnownAnswer kMd5Answers[] = {
    {kMd5, "", 1, "D41D8CD98F00B204E9800998ECF8427E"},
    {kMd5, "a", 1, "0CC175B9C0F1B6A831C399E269772661"},
    {kMd5, "abc", 1, "900150983CD24FB0D6963F7D28E17F72"},
    {kMd5, "message digest", 1, "F96B697D7CB7938D525A2F31AAF161D0"},
    {kMd5, "abcdefghijklmnopqrstuvwxyz", 1, "C3FCD3D76192E4007DFB496CCA67E13B"},
    {kMd5, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
     "D174AB98D277D9F5A5611C2C9F419D9F"},
    {kMd5, "1234567890", 8, "57EDF4A22BE3C955AC49DA2E2107B67A"},
    {kMd5, "a", 1000000, "7707D6AE4E027C70EEA2A935C2296F21"},
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

TEST(Md5, KnownAnswers) {
    CheckKnownAnswers(kMd5Answers);
}

TEST(Md5, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kMd5, PaddingEdgeLengths());
}

TEST(Md5, FinalKeepsTheDigestInTheContext) {
    Md5Context context;
    Md5Init(&context);
    Md5Update(&context, reinterpret_cast<const uint8_t*>("abc"), 3);
    uint8_t digest[kMd5DigestBytes];
    Md5Final(&context, digest);
    EXPECT_EQ(ToHex(context.digest), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(ToHex(digest), ToHex(context.digest));
}

TEST(Md5, MatchesOpensslAcrossChunkEdges) {
    REQUIRE_TOOL("openssl");
    CheckAgainstOracle(kMd5, PaddingEdgeLengths(), [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("openssl dgst -r -md5", files);
    });
}

TEST(Md5, MatchesPythonHashlib) {
    REQUIRE_TOOL("python3");
    CheckAgainstOracle(kMd5, PaddingEdgeLengths(), [](const std::vector<std::filesystem::path>& files) {
        return PythonDigests("md5", files);
    });
}

// 513 MiB and a few bytes: the bit count passes 2^32, so its high word takes
// a carry, and the length field of the last block has both words set. The
// oracle gets the same bytes through a pipe, written by python3.
TEST(Md5, BitCountCarriesIntoHighWord) {
    REQUIRE_TOOL("python3");
    REQUIRE_TOOL("openssl");
    const std::vector<uint8_t> chunk = RandomBytes(1 << 20, TestSeed() ^ 0x4D45);
    constexpr int kChunkCount = 513;
    constexpr size_t kTailBytes = 7;
    Md5Context context;
    Md5Init(&context);
    for (int i = 0; i < kChunkCount; ++i)
        Md5Update(&context, chunk.data(), chunk.size());
    Md5Update(&context, chunk.data(), kTailBytes);
    uint8_t digest[kMd5DigestBytes];
    Md5Final(&context, digest);

    ScratchDir dir;
    const std::string file = dir.Write("chunk.bin", chunk).string();
    const std::optional<std::string> output =
        RunCommand("python3 -c 'import sys\nchunk = open(sys.argv[1], \"rb\").read()\n"
                   "for _ in range(int(sys.argv[2])): sys.stdout.buffer.write(chunk)\n"
                   "sys.stdout.buffer.write(chunk[:int(sys.argv[3])])' '" +
                   file + "' " + std::to_string(kChunkCount) + " " + std::to_string(kTailBytes) +
                   " | openssl dgst -r -md5");
    ASSERT_TRUE(output.has_value());
    EXPECT_EQ(ToHex(digest), Lower(output->substr(0, 2 * kMd5DigestBytes)));
}

} // namespace
} // namespace vesk::test
