#include "algorithms/Md2.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kMd2 = 13;

// RFC 1319, appendix A.5 (the test suite), and set 1 vector #8 of the NESSIE
// test vectors (a million times "a"). No common tool computes MD2, so these
// are the only outside answers; "1234567890" x 8 and "" end on a block
// boundary and so take a whole block of sixteen 16s as padding.
constexpr KnownAnswer kMd2Answers[] = {
    {kMd2, "", 1, "8350E5A3E24C153DF2275C9F80692773"},
    {kMd2, "a", 1, "32EC01EC4A6DAC72C0AB96FB34C0B5D1"},
    {kMd2, "abc", 1, "DA853B0D3F88D99B30283A69E6DED6BB"},
    {kMd2, "message digest", 1, "AB4F496BFB2A530B219FF33031FE06B0"},
    {kMd2, "abcdefghijklmnopqrstuvwxyz", 1, "4E8DDFF3650292AB5A4108C3AA47940B"},
    {kMd2, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
     "DA33DEF2A42DF13975352846C30338CD"},
    {kMd2, "1234567890", 8, "D5976F79D83D3A0DC9806C3C66F3EFD8"},
    {kMd2, "a", 1000000, "8C0A09FF1216ECAF95C8130953C62EFD"},
};

TEST(Md2, KnownAnswers) {
    CheckKnownAnswers(kMd2Answers);
}

TEST(Md2, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kMd2, BoundaryLengths({16}, 700));
}

TEST(Md2, FinalLeavesAContextReadyForTheNextMessage) {
    Md2Context context;
    Md2Init(&context);
    uint8_t digest[kMd2DigestBytes];
    Md2Update(&context, reinterpret_cast<const uint8_t*>("message"), 7);
    Md2Final(&context, digest);
    Md2Update(&context, reinterpret_cast<const uint8_t*>("abc"), 3);
    Md2Final(&context, digest);
    EXPECT_EQ(ToHex(digest), "da853b0d3f88d99b30283a69e6ded6bb");
}

} // namespace
} // namespace vesk::test
