#include "tests/TestUtil.h"

#include "core/DigestText.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesk::test {
namespace {

constexpr AlgorithmId kTth = 31;
constexpr AlgorithmId kTiger = 32;
constexpr size_t kLeaf = 1024;

using Bytes24 = std::vector<uint8_t>;

Bytes24 TigerOf(const std::vector<uint8_t>& message) {
    return FromHex(DigestHex(AlgorithmById(kTiger), message));
}

// The THEX leaf and node hashes, written out with Tiger itself.
Bytes24 Leaf(std::span<const uint8_t> data) {
    std::vector<uint8_t> message{0x00};
    message.insert(message.end(), data.begin(), data.end());
    return TigerOf(message);
}

Bytes24 Node(const Bytes24& left, const Bytes24& right) {
    std::vector<uint8_t> message{0x01};
    message.insert(message.end(), left.begin(), left.end());
    message.insert(message.end(), right.begin(), right.end());
    return TigerOf(message);
}

// The tree built level by level, as THEX describes it: neighbours are paired,
// and a node left without a partner is promoted to the next level unchanged.
Bytes24 TreeByLevels(std::span<const uint8_t> data) {
    std::vector<Bytes24> level;
    for (size_t start = 0; start < data.size() || level.empty(); start += kLeaf)
        level.push_back(Leaf(data.subspan(start, std::min(kLeaf, data.size() - start))));
    while (level.size() > 1) {
        std::vector<Bytes24> next;
        for (size_t i = 0; i < level.size(); i += 2)
            next.push_back(i + 1 < level.size() ? Node(level[i], level[i + 1]) : level[i]);
        level = next;
    }
    return level[0];
}

std::string Base32Text(const std::string& hex) {
    const std::vector<uint8_t> digest = FromHex(hex);
    std::string text;
    for (wchar_t c : DigestToText(digest.data(), kTth, true))
        text += char(c);
    return text;
}

std::string TthHex(std::span<const uint8_t> data) {
    return DigestHex(AlgorithmById(kTth), data);
}

// The program's own published roots, in the base32 text it shows.
TEST(Tth, KnownAnswersInBase32) {
    EXPECT_EQ(Base32Text(TthHex({})), "LWPNACQDBZRYXW3VHJVCJ64QBZNGHOHHHZWCLNQ");
    EXPECT_EQ(Base32Text(TthHex(Bytes("abc"))), "ASD4UJSEH5M47PDYB46KBTSQTSGDKLBHYXOMUIA");
}

TEST(Tth, EmptyInputIsOneEmptyLeaf) {
    EXPECT_EQ(TthHex({}), ToHex(TigerOf({0x00})));
}

TEST(Tth, TreeShapeAtLeafEdges) {
    const std::vector<uint8_t> data = RandomBytes(3 * kLeaf, TestSeed() ^ kTth);
    const std::span<const uint8_t> all(data);
    const Bytes24 leaf1 = Leaf(all.subspan(0, kLeaf));
    const Bytes24 leaf2 = Leaf(all.subspan(kLeaf, kLeaf));
    const Bytes24 leaf3 = Leaf(all.subspan(2 * kLeaf, kLeaf));
    // A full leaf is finished at once: 1024 bytes are one leaf, with no empty second one.
    EXPECT_EQ(TthHex(all.first(kLeaf)), ToHex(leaf1));
    EXPECT_EQ(TthHex(all.first(kLeaf + 1)), ToHex(Node(leaf1, Leaf(all.subspan(kLeaf, 1)))));
    EXPECT_EQ(TthHex(all.first(2 * kLeaf)), ToHex(Node(leaf1, leaf2)));
    // The third leaf has no partner: it is carried up, not hashed again.
    EXPECT_EQ(TthHex(all.first(3 * kLeaf)), ToHex(Node(Node(leaf1, leaf2), leaf3)));
}

TEST(Tth, MatchesTreeBuiltLevelByLevel) {
    const std::vector<uint8_t> data = RandomBytes(40 * kLeaf, TestSeed() ^ (kTth << 4));
    for (size_t length : {kLeaf - 1, 4 * kLeaf, 5 * kLeaf + 17, 7 * kLeaf, 8 * kLeaf + 1, 13 * kLeaf - 1,
                          16 * kLeaf, 21 * kLeaf + 500, 40 * kLeaf}) {
        const std::span<const uint8_t> input(data.data(), length);
        EXPECT_EQ(TthHex(input), ToHex(TreeByLevels(input))) << length << " bytes";
    }
}

TEST(Tth, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kTth, BoundaryLengths({64, kLeaf}, 9 * kLeaf));
}

TEST(Tth, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    std::vector<size_t> lengths = BoundaryLengths({64, kLeaf}, 9 * kLeaf);
    CheckAgainstOracle(kTth, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("rhash --printf='%x{tth}\\n'", files);
    });
}

// rhash shows the root as base32, like this program; the two texts must agree.
TEST(Tth, Base32MatchesRhash) {
    REQUIRE_TOOL("rhash");
    const size_t lengths[] = {0, 1, kLeaf, kLeaf + 1, 3 * kLeaf, 100000};
    const std::vector<uint8_t> data = RandomBytes(100000, TestSeed() ^ (kTth << 12));
    ScratchDir dir;
    std::vector<std::filesystem::path> files;
    for (size_t length : lengths)
        files.push_back(dir.Write(std::to_string(length) + ".bin", {data.data(), length}));
    const std::vector<std::string> shown = ToolDigests("rhash --printf='%{tth}\\n'", files);
    ASSERT_EQ(shown.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(Lower(Base32Text(TthHex({data.data(), lengths[i]}))), shown[i]) << lengths[i] << " bytes";
}

} // namespace
} // namespace vesk::test
