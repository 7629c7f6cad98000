// The Tiger tree hash: 1024-byte leaves under Tiger with a 0x00 prefix, nodes
// with 0x01, a node without a partner carried up unchanged (THEX).
#include "tests/TestUtil.h"

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

std::string TthHex(std::span<const uint8_t> data) {
    return DigestHex(AlgorithmById(kTth), data);
}

// A full leaf is finished at once (1024 bytes are one leaf, with no empty
// second one), and a node without a partner is carried up, not hashed again.
TEST(Tth, MatchesTreeBuiltLevelByLevel) {
    const std::vector<uint8_t> data = RandomBytes(40 * kLeaf, TestSeed() ^ (kTth << 4));
    for (size_t length :
         {kLeaf - 1, kLeaf, kLeaf + 1, 2 * kLeaf, 3 * kLeaf, 4 * kLeaf, 5 * kLeaf + 17, 7 * kLeaf,
          8 * kLeaf + 1, 13 * kLeaf - 1, 16 * kLeaf, 21 * kLeaf + 500, 40 * kLeaf}) {
        const std::span<const uint8_t> input(data.data(), length);
        EXPECT_EQ(TthHex(input), ToHex(TreeByLevels(input))) << length << " bytes";
    }
}

} // namespace
} // namespace vesk::test
