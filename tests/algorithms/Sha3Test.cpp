#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk::test {
namespace {

constexpr AlgorithmId kSha3_224 = 25;
constexpr AlgorithmId kSha3_256 = 26;
constexpr AlgorithmId kSha3_384 = 27;
constexpr AlgorithmId kSha3_512 = 28;

// The oracles, one instance per tool name: python3's hashlib and rhash.
template <const char* hashlibName>
std::vector<std::string> HashlibDigests(const std::vector<std::filesystem::path>& files) {
    return PythonDigests(hashlibName, files);
}

template <const char* rhashName>
std::vector<std::string> RhashDigests(const std::vector<std::filesystem::path>& files) {
    return ToolDigests(std::string("rhash --printf='%{") + rhashName + "}\\n'", files);
}

constexpr char kHashlib224[] = "sha3_224";
constexpr char kHashlib256[] = "sha3_256";
constexpr char kHashlib384[] = "sha3_384";
constexpr char kHashlib512[] = "sha3_512";
constexpr char kRhash224[] = "sha3-224";
constexpr char kRhash256[] = "sha3-256";
constexpr char kRhash384[] = "sha3-384";
constexpr char kRhash512[] = "sha3-512";

// Each variant with its rate, the bytes absorbed per permutation.
constexpr struct Variant {
    AlgorithmId id;
    size_t rate;
    Oracle hashlib;
    Oracle rhash;
} kVariants[] = {
    {kSha3_224, 144, HashlibDigests<kHashlib224>, RhashDigests<kRhash224>},
    {kSha3_256, 136, HashlibDigests<kHashlib256>, RhashDigests<kRhash256>},
    {kSha3_384, 104, HashlibDigests<kHashlib384>, RhashDigests<kRhash384>},
    {kSha3_512, 72, HashlibDigests<kHashlib512>, RhashDigests<kRhash512>},
};

// The empty message and the 1600-bit message of 200 bytes 0xA3 from NIST's
// "Examples with Intermediate Values" for FIPS 202 (SHA3-*_Msg0, SHA3-*_Msg1600);
// "abc", the 448-bit and 896-bit messages and a million 'a' from D. Ireland,
// "Test vectors for SHA-1, SHA-2 and SHA-3" (di-mgt.com.au), which are also the
// program's own published values for the empty message and "abc".
constexpr const char* k448Bits = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr const char* k896Bits =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopq"
    "rsmnopqrstnopqrstu";
constexpr KnownAnswer kSha3Answers[] = {
    {kSha3_224, "", 1, "6B4E03423667DBB73B6E15454F0EB1ABD4597F9A1B078E3F5B5A6BC7"},
    {kSha3_224, "abc", 1, "E642824C3F8CF24AD09234EE7D3C766FC9A3A5168D0C94AD73B46FDF"},
    {kSha3_224, "\xA3", 200, "9376816ABA503F72F96CE7EB65AC095DEEE3BE4BF9BBC2A1CB7E11E0"},
    {kSha3_224, k448Bits, 1, "8a24108b154ada21c9fd5574494479ba5c7e7ab76ef264ead0fcce33"},
    {kSha3_224, k896Bits, 1, "543e6868e1666c1a643630df77367ae5a62a85070a51c14cbf665cbc"},
    {kSha3_224, "a", 1000000, "d69335b93325192e516a912e6d19a15cb51c6ed5c15243e7a7fd653c"},

    {kSha3_256, "", 1, "A7FFC6F8BF1ED76651C14756A061D662F580FF4DE43B49FA82D80A4B80F8434A"},
    {kSha3_256, "abc", 1, "3A985DA74FE225B2045C172D6BD390BD855F086E3E9D525B46BFE24511431532"},
    {kSha3_256, "\xA3", 200, "79F38ADEC5C20307A98EF76E8324AFBFD46CFD81B22E3973C65FA1BD9DE31787"},
    {kSha3_256, k448Bits, 1, "41c0dba2a9d6240849100376a8235e2c82e1b9998a999e21db32dd97496d3376"},
    {kSha3_256, k896Bits, 1, "916f6061fe879741ca6469b43971dfdb28b1a32dc36cb3254e812be27aad1d18"},
    {kSha3_256, "a", 1000000, "5c8875ae474a3634ba4fd55ec85bffd661f32aca75c6d699d0cdcb6c115891c1"},

    {kSha3_384, "", 1,
     "0C63A75B845E4F7D01107D852E4C2485C51A50AAAA94FC61995E71BBEE983A2AC3713831264ADB47FB6BD1E058D5F004"},
    {kSha3_384, "abc", 1,
     "EC01498288516FC926459F58E2C6AD8DF9B473CB0FC08C2596DA7CF0E49BE4B298D88CEA927AC7F539F1EDF228376D25"},
    {kSha3_384, "\xA3", 200,
     "1881DE2CA7E41EF95DC4732B8F5F002B189CC1E42B74168ED1732649CE1DBCDD76197A31FD55EE989F2D7050DD473E8F"},
    {kSha3_384, k448Bits, 1,
     "991c665755eb3a4b6bbdfb75c78a492e8c56a22c5c4d7e429bfdbc32b9d4ad5aa04a1f076e62fea19eef51acd0657c22"},
    {kSha3_384, k896Bits, 1,
     "79407d3b5916b59c3e30b09822974791c313fb9ecc849e406f23592d04f625dc8c709b98b43b3852b337216179aa7fc7"},
    {kSha3_384, "a", 1000000,
     "eee9e24d78c1855337983451df97c8ad9eedf256c6334f8e948d252d5e0e76847aa0774ddb90a842190d2c558b4b8340"},

    {kSha3_512, "", 1,
     "A69F73CCA23A9AC5C8B567DC185A756E97C982164FE25859E0D1DCC1475C80A6"
     "15B2123AF1F5F94C11E3E9402C3AC558F500199D95B6D3E301758586281DCD26"},
    {kSha3_512, "abc", 1,
     "B751850B1A57168A5693CD924B6B096E08F621827444F70D884F5D0240D2712E"
     "10E116E9192AF3C91A7EC57647E3934057340B4CF408D5A56592F8274EEC53F0"},
    {kSha3_512, "\xA3", 200,
     "E76DFAD22084A8B1467FCF2FFA58361BEC7628EDF5F3FDC0E4805DC48CAEECA8"
     "1B7C13C30ADF52A3659584739A2DF46BE589C51CA1A4A8416DF6545A1CE8BA00"},
    {kSha3_512, k448Bits, 1,
     "04a371e84ecfb5b8b77cb48610fca8182dd457ce6f326a0fd3d7ec2f1e91636d"
     "ee691fbe0c985302ba1b0d8dc78c086346b533b49c030d99a27daf1139d6e75e"},
    {kSha3_512, k896Bits, 1,
     "afebb2ef542e6579c50cad06d2e578f9f8dd6881d7dc824d26360feebf18a4fa"
     "73e3261122948efcfd492e74e82e2189ed0fb440d187f382270cb455f21dd185"},
    {kSha3_512, "a", 1000000,
     "3c3a876da14034ab60627c077bb98f7e120a2a5370212dffb3385a18d4f38859"
     "ed311d0a9d5141ce9cc5c66ee689b266a8aa18ace8282a0e0db596c90b0a7b87"},
};

// 'a' repeated rate - 1 times (one free byte, so the padding is the single
// byte 0x86) and rate times (a whole padding block follows). Computed with
// Python 3's hashlib and checked with rhash 1.4.3, so that the padding edges
// are also covered where those tools are absent (the Windows build).
constexpr KnownAnswer kSha3PaddingEdgeAnswers[] = {
    {kSha3_224, "a", 143, "73b1b22b54f515f626a6abdde6af25cd4801dc6e9dc7fa3f77e1c122"},
    {kSha3_224, "a", 144, "f9019111996dcf160e284e320fd6d8825cabcd41a5ffdc4c5e9d64b6"},
    {kSha3_256, "a", 135, "8094bb53c44cfb1e67b7c30447f9a1c33696d2463ecc1d9c92538913392843c9"},
    {kSha3_256, "a", 136, "3fc5559f14db8e453a0a3091edbd2bc25e11528d81c66fa570a4efdcc2695ee1"},
    {kSha3_384, "a", 103,
     "af61fb4fd1c6afe80857fcba888318a0a1426635b4509f09707e3787630bdb621655ffa54f5884088ccc000f81436414"},
    {kSha3_384, "a", 104,
     "3a4f3b6284e571238884e95655e8c8a60e068e4059a9734abc08823a900d161592860243f00619ae699a29092ed91a16"},
    {kSha3_512, "a", 71,
     "070faf98d2a8fddf8ed886408744dc06456096c2e045f26f3c7b010530e6bbb3"
     "db535a54d636856f4e0e1e982461cb9a7e8e57ff8895cff1619af9f0e486e28c"},
    {kSha3_512, "a", 72,
     "a8ae722a78e10cbbc413886c02eb5b369a03f6560084aff566bd597bb7ad8c1c"
     "cd86e81296852359bf2faddb5153c0a7445722987875e74287adac21adebe952"},
};

// Lengths on both sides of the first rate blocks, where the padding either
// fits into the last block (down to the single byte 0x86) or needs one more.
std::vector<size_t> RateEdgeLengths(size_t rate) {
    std::vector<size_t> lengths = {0, 1, 2};
    for (size_t multiple = rate; multiple <= 3 * rate; multiple += rate)
        for (size_t n = multiple - 2; n <= multiple + 2; ++n)
            lengths.push_back(n);
    return lengths;
}

TEST(Sha3, KnownAnswers) {
    CheckKnownAnswers(kSha3Answers);
}

TEST(Sha3, PaddingEdgesKnownAnswers) {
    CheckKnownAnswers(kSha3PaddingEdgeAnswers);
}

TEST(Sha3, SplitUpdateMatchesOneShot) {
    for (const Variant& variant : kVariants)
        CheckSplitsMatchOneShot(variant.id, BoundaryLengths({8, variant.rate}, 4 * variant.rate + 3));
}

TEST(Sha3, EmptyUpdateWithNullDataChangesNothing) {
    for (const Variant& variant : kVariants) {
        const AlgorithmInfo& info = AlgorithmById(variant.id);
        alignas(64) unsigned char context[1024];
        ASSERT_LE(info.contextSize, sizeof context);
        info.init(context);
        info.update(context, nullptr, 0);
        uint8_t digest[kMaxDigestLength];
        info.final(context, digest);
        EXPECT_EQ(ToHex({digest, info.digestLength}), DigestHex(info, {})) << info.name;
    }
}

TEST(Sha3, MatchesHashlibAtRateEdges) {
    REQUIRE_TOOL("python3");
    for (const Variant& variant : kVariants)
        CheckAgainstOracle(variant.id, RateEdgeLengths(variant.rate), variant.hashlib);
}

TEST(Sha3, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    for (const Variant& variant : kVariants) {
        std::vector<size_t> lengths = RateEdgeLengths(variant.rate);
        CheckAgainstOracle(variant.id, lengths, variant.rhash);
    }
}

} // namespace
} // namespace vesk::test
