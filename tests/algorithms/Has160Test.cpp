#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kHas160 = 11;

// C. H. Lim, "The revised version of KCDSA" (the HAS-160 test values), then the
// rest of the RFC 1321 input suite with values from rhash 1.4.3 (--has160).
constexpr KnownAnswer kHas160Published[] = {
    {kHas160, "", 1, "307964EF34151D37C8047ADEC7AB50F4FF89762D"},
    {kHas160, "a", 1, "4872BCBC4CD0F0A9DC7C2F7045E5B43B6C830DB8"},
    {kHas160, "abc", 1, "975E810488CF2A3D49838478124AFCE4B1C78804"},
    {kHas160, "message digest", 1, "2338DBC8638D31225F73086246BA529F96710BC6"},
    {kHas160, "abcdefghijklmnopqrstuvwxyz", 1, "596185C9AB6703D0D0DBB98702BC0F5729CD1D3C"},
    {kHas160, "a", 1000000, "D6AD6F0608B878DA9B87999C2525CC84F4C9F18D"},
    {kHas160, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", 1,
     "CB5D7EFBCA2F02E0FB7167CABB123AF5795764E5"},
    {kHas160, "1234567890", 8, "07F05C8C0773C55CA3A5A695CE6ACA4C438911B5"},
};

// Around the padding edges: up to 55 bytes the 0x80 byte and the length share the last block;
// 56 to 63 bytes need one block more. Values from rhash 1.4.3 (--has160).
constexpr KnownAnswer kHas160PaddingEdges[] = {
    {kHas160, "a", 55, "0A0E88B80FE55090DADD7194B4ACE010C74463D9"},
    {kHas160, "a", 56, "D2C65DD5B2275ADCED047B223AADE699BEBC3F1A"},
    {kHas160, "a", 63, "B7D82945F5CC52C6A569055B8CFDAC0E4A236D35"},
    {kHas160, "a", 64, "D98A869C1F27711AEC9F06D93450E6318DB1EF64"},
    {kHas160, "a", 65, "C0488FF5DAF96C05A858579811329116776E45C3"},
    {kHas160, "a", 119, "FDD7AEF45368DD91D3185BDC61B1DA6F4619C6FA"},
    {kHas160, "a", 120, "0450525CA2D6E6C9CD21FA3B1C327324C0BEBA68"},
    {kHas160, "a", 127, "831CAFE6B78833B89DD3BC71AC98846B81B1CEF2"},
    {kHas160, "a", 128, "0E263A5C3FC9A10C7B81511C964DAAA1BCF0A8E3"},
};

TEST(Has160, PublishedAnswers) {
    CheckKnownAnswers(kHas160Published);
}

TEST(Has160, LengthsAroundThePaddingEdge) {
    CheckKnownAnswers(kHas160PaddingEdges);
}

TEST(Has160, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kHas160, BoundaryLengths({64}, 1200));
}

TEST(Has160, MatchesRhashAcrossBlockAndChunkEdges) {
    REQUIRE_TOOL("rhash");
    std::vector<size_t> lengths = BoundaryLengths({64}, 700);
    CheckAgainstOracle(kHas160, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("rhash --printf='%{has160}\\n'", files);
    });
}

} // namespace
} // namespace vesk::test
