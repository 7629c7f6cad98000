// BLAKE3: the designers' published digests through every code path, updates
// cut across block, chunk and batch edges, subtrees hashed apart and added as
// threads would, and b3sum as an oracle on files.
#include "algorithms/Blake3.h"
#include "algorithms/CodePaths.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vesk::test {
namespace {

constexpr size_t kChunk = kBlake3ChunkBytes;
constexpr size_t kBlock = kBlake3BlockBytes;

std::string FinalHex(Blake3Context* context) {
    uint8_t digest[kBlake3DigestBytes];
    Blake3Final(context, digest);
    return ToHex(digest);
}

// The digest of data fed in updates cut at `cuts` (ascending offsets).
std::string Blake3Hex(std::span<const uint8_t> data, const std::vector<size_t>& cuts = {}) {
    Blake3Context context;
    Blake3Init(&context);
    size_t start = 0;
    for (size_t cut : cuts) {
        Blake3Update(&context, data.data() + start, cut - start);
        start = cut;
    }
    Blake3Update(&context, data.data() + start, data.size() - start);
    return FinalHex(&context);
}

std::vector<size_t> CutsEvery(size_t step, size_t length) {
    std::vector<size_t> cuts;
    for (size_t cut = step; cut < length; cut += step)
        cuts.push_back(cut);
    return cuts;
}

// The published inputs: byte i is i % 251.
std::vector<uint8_t> CountingBytes(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = uint8_t(i % 251);
    return bytes;
}

// Every test below runs once per code path; a path this processor lacks is
// skipped and says so.
class Blake3Path : public testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (!CpuRunsCodePath(PathFamily::Blake3, GetParam()))
            GTEST_SKIP() << "this processor cannot run the " << GetParam() << " path of BLAKE3";
        ASSERT_TRUE(UseCodePath(PathFamily::Blake3, GetParam()));
    }

    void TearDown() override { UseBestCodePaths(); }

    // Digests through the portable path, whatever path the test runs.
    std::vector<std::string> PortableDigests(const std::vector<std::span<const uint8_t>>& inputs) {
        std::vector<std::string> digests;
        EXPECT_TRUE(UseCodePath(PathFamily::Blake3, "portable"));
        for (std::span<const uint8_t> input : inputs)
            digests.push_back(Blake3Hex(input));
        EXPECT_TRUE(UseCodePath(PathFamily::Blake3, GetParam()));
        return digests;
    }
};

std::vector<std::string> Blake3PathNames() {
    std::vector<std::string> names;
    for (const char* name : CodePathNames(PathFamily::Blake3))
        names.push_back(name);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Paths, Blake3Path, testing::ValuesIn(Blake3PathNames()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

struct PublishedAnswer {
    size_t length;
    const char* expectedHex;
};

// BLAKE3-team/BLAKE3 on GitHub, test_vectors/test_vectors.json, every case:
// input_len bytes of i % 251, and the first 32 bytes of "hash".
// clang-format off
constexpr PublishedAnswer kPublishedAnswers[] = {
    {0, "af1349b9f5f9a1a6a0404dea36dcc9499bcb25c9adc112b7cc9a93cae41f3262"},
    {1, "2d3adedff11b61f14c886e35afa036736dcd87a74d27b5c1510225d0f592e213"},
    {2, "7b7015bb92cf0b318037702a6cdd81dee41224f734684c2c122cd6359cb1ee63"},
    {3, "e1be4d7a8ab5560aa4199eea339849ba8e293d55ca0a81006726d184519e647f"},
    {4, "f30f5ab28fe047904037f77b6da4fea1e27241c5d132638d8bedce9d40494f32"},
    {5, "b40b44dfd97e7a84a996a91af8b85188c66c126940ba7aad2e7ae6b385402aa2"},
    {6, "06c4e8ffb6872fad96f9aaca5eee1553eb62aed0ad7198cef42e87f6a616c844"},
    {7, "3f8770f387faad08faa9d8414e9f449ac68e6ff0417f673f602a646a891419fe"},
    {8, "2351207d04fc16ade43ccab08600939c7c1fa70a5c0aaca76063d04c3228eaeb"},
    {63, "e9bc37a594daad83be9470df7f7b3798297c3d834ce80ba85d6e207627b7db7b"},
    {64, "4eed7141ea4a5cd4b788606bd23f46e212af9cacebacdc7d1f4c6dc7f2511b98"},
    {65, "de1e5fa0be70df6d2be8fffd0e99ceaa8eb6e8c93a63f2d8d1c30ecb6b263dee"},
    {127, "d81293fda863f008c09e92fc382a81f5a0b4a1251cba1634016a0f86a6bd640d"},
    {128, "f17e570564b26578c33bb7f44643f539624b05df1a76c81f30acd548c44b45ef"},
    {129, "683aaae9f3c5ba37eaaf072aed0f9e30bac0865137bae68b1fde4ca2aebdcb12"},
    {1023, "10108970eeda3eb932baac1428c7a2163b0e924c9a9e25b35bba72b28f70bd11"},
    {1024, "42214739f095a406f3fc83deb889744ac00df831c10daa55189b5d121c855af7"},
    {1025, "d00278ae47eb27b34faecf67b4fe263f82d5412916c1ffd97c8cb7fb814b8444"},
    {2048, "e776b6028c7cd22a4d0ba182a8bf62205d2ef576467e838ed6f2529b85fba24a"},
    {2049, "5f4d72f40d7a5f82b15ca2b2e44b1de3c2ef86c426c95c1af0b6879522563030"},
    {3072, "b98cb0ff3623be03326b373de6b9095218513e64f1ee2edd2525c7ad1e5cffd2"},
    {3073, "7124b49501012f81cc7f11ca069ec9226cecb8a2c850cfe644e327d22d3e1cd3"},
    {4096, "015094013f57a5277b59d8475c0501042c0b642e531b0a1c8f58d2163229e969"},
    {4097, "9b4052b38f1c5fc8b1f9ff7ac7b27cd242487b3d890d15c96a1c25b8aa0fb995"},
    {5120, "9cadc15fed8b5d854562b26a9536d9707cadeda9b143978f319ab34230535833"},
    {5121, "628bd2cb2004694adaab7bbd778a25df25c47b9d4155a55f8fbd79f2fe154cff"},
    {6144, "3e2e5b74e048f3add6d21faab3f83aa44d3b2278afb83b80b3c35164ebeca205"},
    {6145, "f1323a8631446cc50536a9f705ee5cb619424d46887f3c376c695b70e0f0507f"},
    {7168, "61da957ec2499a95d6b8023e2b0e604ec7f6b50e80a9678b89d2628e99ada77a"},
    {7169, "a003fc7a51754a9b3c7fae0367ab3d782dccf28855a03d435f8cfe74605e7817"},
    {8192, "aae792484c8efe4f19e2ca7d371d8c467ffb10748d8a5a1ae579948f718a2a63"},
    {8193, "bab6c09cb8ce8cf459261398d2e7aef35700bf488116ceb94a36d0f5f1b7bc3b"},
    {16384, "f875d6646de28985646f34ee13be9a576fd515f76b5b0a26bb324735041ddde4"},
    {31744, "62b6960e1a44bcc1eb1a611a8d6235b6b4b78f32e7abc4fb4c6cdcce94895c47"},
    {102400, "bc3e3d41a1146b069abffad3c0d44860cf664390afce4d9661f7902e7943e085"},
};
// clang-format on

TEST_P(Blake3Path, PublishedDigests) {
    for (const PublishedAnswer& answer : kPublishedAnswers)
        EXPECT_EQ(Blake3Hex(CountingBytes(answer.length)), answer.expectedHex) << answer.length << " bytes";
}

// Lengths on each side of the block and chunk edges, of 4, 8 and 16 chunks
// (the vector widths), and of the 128-chunk batches an update hashes at once;
// fed in pieces that end on, before and after those edges, and at random.
TEST_P(Blake3Path, SplitUpdatesMatchOneShot) {
    std::vector<size_t> lengths = {0, 1, 17 * kChunk + 1, 129 * kChunk, 256 * kChunk + 1, 300 * kChunk + 7};
    for (size_t edge : {kBlock, kChunk, 2 * kChunk, 4 * kChunk, 8 * kChunk, 16 * kChunk, 128 * kChunk})
        for (size_t length : {edge - 1, edge, edge + 1})
            lengths.push_back(length);
    const size_t steps[] = {1,           kBlock - 1,      kBlock,       kBlock + 1,
                            kChunk - 1,  kChunk,          kChunk + 1,   4 * kChunk + 1,
                            16 * kChunk, 16 * kChunk + 1, 128 * kChunk, 128 * kChunk + 1};
    const std::vector<uint8_t> data = RandomBytes(300 * kChunk + 7, TestSeed() ^ 0xB3);
    std::vector<std::span<const uint8_t>> inputs;
    for (size_t length : lengths)
        inputs.emplace_back(data.data(), length);
    const std::vector<std::string> expected = PortableDigests(inputs);
    for (size_t k = 0; k < inputs.size(); ++k) {
        const size_t length = inputs[k].size();
        for (size_t step : steps) {
            // Byte by byte only where that stays quick.
            if (step < length && (step > 1 || length <= 2 * kChunk + 1)) {
                EXPECT_EQ(Blake3Hex(inputs[k], CutsEvery(step, length)), expected[k])
                    << length << " bytes in pieces of " << step;
            }
        }
        EXPECT_EQ(Blake3Hex(inputs[k], RandomCuts(length, TestSeed() + length)), expected[k])
            << length << " bytes in random pieces";
        EXPECT_EQ(Blake3Hex(inputs[k]), expected[k]) << length << " bytes in one update";
    }
}

// One step of handing an input over: a whole subtree of `chunks` chunks,
// hashed apart, or plain input of `bytes` bytes.
struct Piece {
    uint64_t chunks;
    uint64_t bytes;
};

constexpr Piece Subtree(uint64_t chunks) {
    return {chunks, 0};
}

constexpr Piece Plain(uint64_t bytes) {
    return {0, bytes};
}

// Hashes the subtrees first, each into its own CV as a thread would, then
// gives the context the pieces in input order.
std::string HandedOverHex(const std::vector<uint8_t>& data, const std::vector<Piece>& pieces) {
    std::vector<std::vector<uint8_t>> cvs;
    for (size_t offset = 0; const Piece& piece : pieces) {
        if (piece.chunks > 0) {
            cvs.emplace_back(kBlake3DigestBytes);
            Blake3SubtreeCv(data.data() + offset, piece.chunks * kChunk, offset / kChunk, cvs.back().data());
        }
        offset += piece.chunks * kChunk + piece.bytes;
    }
    Blake3Context context;
    Blake3Init(&context);
    size_t offset = 0, subtree = 0;
    for (const Piece& piece : pieces) {
        if (piece.chunks > 0)
            Blake3AddSubtree(&context, cvs[subtree++].data(), piece.chunks * kChunk);
        else
            Blake3Update(&context, data.data() + offset, piece.bytes);
        offset += piece.chunks * kChunk + piece.bytes;
    }
    return FinalHex(&context);
}

// Splits of one input over threads: subtrees that end the input (nothing
// buffered at Final), plain input before a subtree that ends on a chunk edge
// (its full chunk is hashed when the subtree comes), shrinking subtrees as at
// the end of a split, and subtrees larger than an update's batch.
TEST_P(Blake3Path, SubtreesAddedMatchPlainUpdate) {
    const std::vector<Piece> splits[] = {
        {Subtree(1), Subtree(1)},
        {Subtree(1), Plain(1)},
        {Subtree(2), Subtree(2), Plain(100)},
        {Subtree(4), Subtree(4), Subtree(4), Subtree(4)},
        {Subtree(8), Subtree(4), Subtree(2), Subtree(1), Plain(1)},
        {Plain(3 * kChunk), Subtree(1), Subtree(4), Plain(kChunk)},
        {Plain(8 * kChunk), Subtree(8), Plain(5000)},
        {Plain(5 * kChunk), Plain(3 * kChunk), Subtree(8), Subtree(16), Plain(kChunk + 1)},
        {Subtree(16), Plain(1), Plain(kChunk - 1), Subtree(1), Subtree(2)},
        {Subtree(128), Subtree(128), Plain(77)},
        {Subtree(256), Subtree(64), Subtree(32), Plain(kChunk)},
        {Subtree(512), Subtree(512)},
        {Subtree(2048), Subtree(1024), Plain(3 * kChunk + 1)},
    };
    const std::vector<uint8_t> data = RandomBytes(3075 * kChunk + 1, TestSeed() ^ 0x5B);
    for (const std::vector<Piece>& pieces : splits) {
        size_t length = 0;
        std::string label;
        for (const Piece& piece : pieces) {
            length += piece.chunks * kChunk + piece.bytes;
            label += piece.chunks > 0 ? " subtree of " + std::to_string(piece.chunks) + " chunks,"
                                      : " " + std::to_string(piece.bytes) + " plain bytes,";
        }
        const std::vector<uint8_t> input(data.begin(), data.begin() + length);
        EXPECT_EQ(HandedOverHex(input, pieces), Blake3Hex(input)) << "handed over as" << label;
    }
}

// The contract's one exception: a subtree that is the whole input was hashed
// as a non-root, so Final has no digest and says so with zeros.
TEST(Blake3, LoneSubtreeGivesNoDigest) {
    const std::vector<uint8_t> data = RandomBytes(4 * kChunk, TestSeed());
    uint8_t cv[kBlake3DigestBytes];
    Blake3SubtreeCv(data.data(), data.size(), 0, cv);
    Blake3Context context;
    Blake3Init(&context);
    Blake3AddSubtree(&context, cv, data.size());
    EXPECT_EQ(FinalHex(&context), std::string(2 * kBlake3DigestBytes, '0'));
}

// Files fed in 128 KiB pieces, as the program reads them, on the best path.
TEST(Blake3, MatchesB3sumOnFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "no external tools under Windows";
#else
    if (!HaveTool("b3sum"))
        GTEST_SKIP() << "b3sum is not installed (apt-get install b3sum)";
#endif
    const size_t lengths[] = {0,
                              1,
                              kChunk - 1,
                              kChunk,
                              kChunk + 1,
                              65537,
                              3 * 131072 + 5,
                              1u << 20,
                              (1u << 20) + 1,
                              (5u << 20) + 123};
    ScratchDir dir;
    std::vector<std::filesystem::path> files;
    std::vector<std::string> expected;
    for (size_t length : lengths) {
        const std::vector<uint8_t> data = RandomBytes(length, TestSeed() + length);
        files.push_back(dir.Write(std::to_string(length) + ".bin", data));
        expected.push_back(Blake3Hex(data, CutsEvery(128 * kChunk, length)));
    }
    EXPECT_EQ(ToolDigests("b3sum", files), expected)
        << "files of " << lengths[0] << " to " << lengths[std::size(lengths) - 1] << " bytes";
}

} // namespace
} // namespace vesk::test
