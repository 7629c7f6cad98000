#include "algorithms/Sha2.h"

#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kSha224 = 21;
constexpr AlgorithmId kSha256 = 22;
constexpr AlgorithmId kSha384 = 23;
constexpr AlgorithmId kSha512 = 24;

constexpr const char* k448BitMessage = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr const char* k896BitMessage = "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmno"
                                       "ijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu";

// FIPS 180-2 appendices B (SHA-256: "abc", the 448-bit message, a million 'a'),
// C and D (SHA-512 and SHA-384: "abc", the 896-bit message, a million 'a'),
// RFC 3874 section 3 (SHA-224: the same three as SHA-256), the empty message, and
// the other one of the two multi-block messages through each variant.
constexpr KnownAnswer kSha2Answers[] = {
    {kSha224, "", 1, "D14A028C2A3A2BC9476102BB288234C415A2B01F828EA62AC5B3E42F"},
    {kSha224, "abc", 1, "23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7"},
    {kSha224, k448BitMessage, 1, "75388B16512776CC5DBA5DA1FD890150B0C6455CB4F58B1952522525"},
    {kSha224, k896BitMessage, 1, "C97CA9A559850CE97A04A96DEF6D99A9E0E0E2AB14E6B8DF265FC0B3"},
    {kSha224, "a", 1000000, "20794655980C91D8BBB4C1EA97618A4BF03F42581948B2EE4EE7AD67"},

    {kSha256, "", 1, "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
    {kSha256, "abc", 1, "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
    {kSha256, k448BitMessage, 1, "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1"},
    {kSha256, k896BitMessage, 1, "CF5B16A778AF8380036CE59E7B0492370B249B11E8F07A51AFAC45037AFEE9D1"},
    {kSha256, "a", 1000000, "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},

    {kSha384, "", 1,
     "38B060A751AC96384CD9327EB1B1E36A21FDB71114BE07434C0CC7BF63F6E1DA274EDEBFE76F65FBD51AD2F14898B95B"},
    {kSha384, "abc", 1,
     "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7"},
    {kSha384, k448BitMessage, 1,
     "3391FDDDFC8DC7393707A65B1B4709397CF8B1D162AF05ABFE8F450DE5F36BC6B0455A8520BC4E6F5FE95B1FE3C8452B"},
    {kSha384, k896BitMessage, 1,
     "09330C33F71147E83D192FC782CD1B4753111B173B3B05D22FA08086E3B0F712FCC7C71A557E2DB966C3E9FA91746039"},
    {kSha384, "a", 1000000,
     "9D0E1809716474CB086E834E310A4A1CED149E9C00F248527972CEC5704C2A5B07B8B3DC38ECC4EBAE97DDD87F3D8985"},

    {kSha512, "", 1,
     "CF83E1357EEFB8BDF1542850D66D8007D620E4050B5715DC83F4A921D36CE9CE"
     "47D0D13C5D85F2B0FF8318D2877EEC2F63B931BD47417A81A538327AF927DA3E"},
    {kSha512, "abc", 1,
     "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
     "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"},
    {kSha512, k448BitMessage, 1,
     "204A8FC6DDA82F0A0CED7BEB8E08A41657C16EF468B228A8279BE331A703C335"
     "96FD15C13B1B07F9AA1D3BEA57789CA031AD85C7A71DD70354EC631238CA3445"},
    {kSha512, k896BitMessage, 1,
     "8E959B75DAE313DA8CF4F72814FC143F8F7779C6EB9F7FA17299AEADB6889018"
     "501D289E4900F7E4331B99DEC4B5433AC7D329EEB6DD26545E96E55B874BE909"},
    {kSha512, "a", 1000000,
     "E718483D0CE769644E2E42C7BC15B4638E1F98B13B2044285632A803AFA973EB"
     "DE0FF244877EA60A4CB0432CE577C31BEB009C5C2C49AA2E4EADB217AD8CC09B"},
};

using Files = std::vector<std::filesystem::path>;

std::vector<std::string> HashlibSha224(const Files& files) {
    return PythonDigests("sha224", files);
}

std::vector<std::string> HashlibSha256(const Files& files) {
    return PythonDigests("sha256", files);
}

std::vector<std::string> HashlibSha384(const Files& files) {
    return PythonDigests("sha384", files);
}

std::vector<std::string> HashlibSha512(const Files& files) {
    return PythonDigests("sha512", files);
}

struct Variant {
    AlgorithmId id;
    Oracle hashlib;
    size_t blockBytes;
    size_t lengthFieldBytes; // the bit count at the end of the final block
};

constexpr Variant kVariants[] = {
    {kSha224, HashlibSha224, kSha256BlockBytes, 8},
    {kSha256, HashlibSha256, kSha256BlockBytes, 8},
    {kSha384, HashlibSha384, kSha512BlockBytes, 16},
    {kSha512, HashlibSha512, kSha512BlockBytes, 16},
};

// Around every block edge, and where the 0x80 and the bit count stop fitting into
// the final block (55/56 for SHA-256, 111/112 for SHA-512, plus a block or two).
std::vector<size_t> BlockAndPaddingLengths(const Variant& variant) {
    std::vector<size_t> lengths = BoundaryLengths({variant.blockBytes}, 1200);
    const size_t lastFit = variant.blockBytes - variant.lengthFieldBytes - 1;
    for (size_t block = 0; block < 3; ++block)
        for (size_t n = lastFit - 1; n <= lastFit + 2; ++n)
            lengths.push_back(block * variant.blockBytes + n);
    return lengths;
}

template <typename Context, size_t digestBytes>
std::string FinalHex(void (*final)(Context*, uint8_t*), Context* context) {
    uint8_t digest[digestBytes];
    final(context, digest);
    return ToHex(digest);
}

TEST(Sha2, KnownAnswers) {
    CheckKnownAnswers(kSha2Answers);
}

TEST(Sha2, SplitUpdateMatchesOneShot) {
    for (const Variant& variant : kVariants)
        CheckSplitsMatchOneShot(variant.id, BlockAndPaddingLengths(variant));
}

TEST(Sha2, EmptyUpdateWithNullDataChangesNothing) {
    Sha256Context context256;
    Sha256Init(&context256);
    Sha256Update(&context256, nullptr, 0);
    Sha256Update(&context256, Bytes("abc").data(), 3);
    Sha256Update(&context256, nullptr, 0);
    EXPECT_EQ((FinalHex<Sha256Context, kSha256DigestBytes>(Sha256Final, &context256)),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");

    Sha512Context context512;
    Sha384Init(&context512);
    Sha512Update(&context512, nullptr, 0);
    Sha512Update(&context512, Bytes("abc").data(), 3);
    Sha512Update(&context512, nullptr, 0);
    EXPECT_EQ((FinalHex<Sha512Context, kSha384DigestBytes>(Sha384Final, &context512)),
              "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
              "8086072ba1e7cc2358baeca134c825a7");
}

TEST(Sha2, MatchesHashlibAcrossBlockPaddingAndChunkEdges) {
    REQUIRE_TOOL("python3");
    for (const Variant& variant : kVariants) {
        std::vector<size_t> lengths = BlockAndPaddingLengths(variant);
        CheckAgainstOracle(variant.id, lengths, variant.hashlib);
    }
}

TEST(Sha256, MatchesOpensslDgst) {
    REQUIRE_TOOL("openssl");
    CheckAgainstOracle(kSha256, BoundaryLengths({kSha256BlockBytes}, 300),
                       [](const Files& files) { return ToolDigests("openssl dgst -r -sha256", files); });
}

// Hashing 4 GiB for real takes seconds, so the count starts 64 bytes short of
// 2^32 (on a block edge, leaving the buffer empty) with the state still initial.
TEST(Sha256, ByteCountCarriesPastFourGiB) {
    const std::vector<uint8_t> data = RandomBytes(100, TestSeed());
    const auto finalHex = FinalHex<Sha256Context, kSha256DigestBytes>;

    // The same first block from the same state, then the count set to 2^32 by hand.
    Sha256Context byHand;
    Sha256Init(&byHand);
    Sha256Update(&byHand, data.data(), 64);
    byHand.byteCount[0] = 0;
    byHand.byteCount[1] = 1;
    Sha256Update(&byHand, data.data() + 64, 36);
    // The same again without the high word: the final block must tell them apart.
    Sha256Context withoutHighWord = byHand;
    withoutHighWord.byteCount[1] = 0;
    const std::string expected = finalHex(Sha256Final, &byHand);
    EXPECT_NE(finalHex(Sha256Final, &withoutHighWord), expected);

    for (size_t firstPiece : {100, 64, 63, 30, 1}) {
        Sha256Context carried;
        Sha256Init(&carried);
        carried.byteCount[0] = 0xFFFFFFC0;
        Sha256Update(&carried, data.data(), firstPiece);
        Sha256Update(&carried, data.data() + firstPiece, data.size() - firstPiece);
        EXPECT_EQ(carried.byteCount[0], 36u) << "first piece " << firstPiece;
        EXPECT_EQ(carried.byteCount[1], 1u) << "first piece " << firstPiece;
        EXPECT_EQ(finalHex(Sha256Final, &carried), expected) << "first piece " << firstPiece;
    }
}

// As above for the 128-bit count: it starts a block short of 2^64 bytes.
TEST(Sha512, ByteCountCarriesPast2To64) {
    const std::vector<uint8_t> data = RandomBytes(200, TestSeed());
    const auto finalHex = FinalHex<Sha512Context, kSha512DigestBytes>;

    Sha512Context byHand;
    Sha512Init(&byHand);
    Sha512Update(&byHand, data.data(), 128);
    byHand.byteCount[0] = 0;
    byHand.byteCount[1] = 1;
    Sha512Update(&byHand, data.data() + 128, 72);
    // The bit count of the final block is the byte count times 8 across both
    // words: 2^64 + 72 bytes, 72 bytes and 2^61 + 72 bytes (whose bit count
    // reaches the high word only through that shift) must all differ.
    Sha512Context withoutHighWord = byHand;
    withoutHighWord.byteCount[1] = 0;
    Sha512Context shiftedIntoHighWord = withoutHighWord;
    shiftedIntoHighWord.byteCount[0] += uint64_t(1) << 61;
    const std::string expected = finalHex(Sha512Final, &byHand);
    const std::string without = finalHex(Sha512Final, &withoutHighWord);
    const std::string shifted = finalHex(Sha512Final, &shiftedIntoHighWord);
    EXPECT_NE(without, expected);
    EXPECT_NE(shifted, expected);
    EXPECT_NE(shifted, without);

    for (size_t firstPiece : {200, 128, 127, 60, 1}) {
        Sha512Context carried;
        Sha512Init(&carried);
        carried.byteCount[0] = ~uint64_t(0) - 127;
        Sha512Update(&carried, data.data(), firstPiece);
        Sha512Update(&carried, data.data() + firstPiece, data.size() - firstPiece);
        EXPECT_EQ(carried.byteCount[0], 72u) << "first piece " << firstPiece;
        EXPECT_EQ(carried.byteCount[1], 1u) << "first piece " << firstPiece;
        EXPECT_EQ(finalHex(Sha512Final, &carried), expected) << "first piece " << firstPiece;
    }
}

} // namespace
} // namespace vesk::test
