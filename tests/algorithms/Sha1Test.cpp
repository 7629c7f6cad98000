#include "algorithms/Sha1.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kSha1 = 20;

constexpr const char* k448BitMessage = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr const char* k896BitMessage = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                                       "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

// FIPS 180-2 appendix A ("abc", the two-block 448-bit message, a million 'a'), the
// empty message, and the 896-bit message of the SHA-512 examples (appendix C).
constexpr KnownAnswer kSha1Answers[] = {
    {kSha1, "", 1, "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
    {kSha1, "abc", 1, "A9993E364706816ABA3E25717850C26C9CD0D89D"},
    {kSha1, k448BitMessage, 1, "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
    {kSha1, k896BitMessage, 1, "A49B2446A02C645BF419F995B67091253A04A259"},
    {kSha1, "a", 1000000, "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
};

// Around every block edge, and at 55/56 (+ a block or two): the last length whose
// 0x80 and 8-byte bit count still fit into the final block, and the first that needs another.
std::vector<size_t> BlockAndPaddingLengths() {
    std::vector<size_t> lengths = BoundaryLengths({kSha1BlockBytes}, 1200);
    for (size_t block = 0; block < 3; ++block)
        for (size_t n = 54; n <= 57; ++n)
            lengths.push_back(block * kSha1BlockBytes + n);
    return lengths;
}

std::string Sha1Hex(Sha1Context* context) {
    uint8_t digest[kSha1DigestBytes];
    Sha1Final(context, digest);
    return ToHex(digest);
}

TEST(Sha1, KnownAnswers) {
    CheckKnownAnswers(kSha1Answers);
}

TEST(Sha1, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kSha1, BlockAndPaddingLengths());
}

TEST(Sha1, EmptyUpdateWithNullDataChangesNothing) {
    Sha1Context context;
    Sha1Init(&context);
    Sha1Update(&context, nullptr, 0);
    Sha1Update(&context, Bytes("abc").data(), 3);
    Sha1Update(&context, nullptr, 0);
    EXPECT_EQ(Sha1Hex(&context), "a9993e364706816aba3e25717850c26c9cd0d89d");
}

TEST(Sha1, MatchesHashlibAcrossBlockPaddingAndChunkEdges) {
    REQUIRE_TOOL("python3");
    std::vector<size_t> lengths = BlockAndPaddingLengths();
    CheckAgainstOracle(kSha1, lengths, [](const std::vector<std::filesystem::path>& files) {
        return PythonDigests("sha1", files);
    });
}

TEST(Sha1, MatchesOpensslDgst) {
    REQUIRE_TOOL("openssl");
    CheckAgainstOracle(kSha1, BoundaryLengths({kSha1BlockBytes}, 300),
                       [](const std::vector<std::filesystem::path>& files) {
                           return ToolDigests("openssl dgst -r -sha1", files);
                       });
}

// Hashing 4 GiB for real takes seconds, so the count starts 64 bytes short of
// 2^32 (on a block edge, leaving the buffer empty) with the state still initial.
TEST(Sha1, ByteCountCarriesPastFourGiB) {
    const std::vector<uint8_t> data = RandomBytes(100, TestSeed());

    // The same first block from the same state, then the count set to 2^32 by hand.
    Sha1Context byHand;
    Sha1Init(&byHand);
    Sha1Update(&byHand, data.data(), 64);
    byHand.byteCount[0] = 0;
    byHand.byteCount[1] = 1;
    Sha1Update(&byHand, data.data() + 64, 36);
    // The same again without the high word: the final block must tell them apart.
    Sha1Context withoutHighWord = byHand;
    withoutHighWord.byteCount[1] = 0;
    const std::string expected = Sha1Hex(&byHand);
    EXPECT_NE(Sha1Hex(&withoutHighWord), expected);

    for (size_t firstPiece : {100, 64, 63, 30, 1}) {
        Sha1Context carried;
        Sha1Init(&carried);
        carried.byteCount[0] = 0xFFFFFFC0;
        Sha1Update(&carried, data.data(), firstPiece);
        Sha1Update(&carried, data.data() + firstPiece, data.size() - firstPiece);
        EXPECT_EQ(carried.byteCount[0], 36u) << "first piece " << firstPiece;
        EXPECT_EQ(carried.byteCount[1], 1u) << "first piece " << firstPiece;
        EXPECT_EQ(Sha1Hex(&carried), expected) << "first piece " << firstPiece;
    }
}

} // namespace
} // namespace vesk::test
