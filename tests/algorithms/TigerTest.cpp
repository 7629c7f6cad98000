#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesk::test {
namespace {

constexpr AlgorithmId kTiger = 32;

// The reference test set of the Tiger home page (Anderson and Biham), whose
// 64-bit words are written here as the digest bytes, least significant first;
// then the NESSIE vector of a million 'a'.
constexpr KnownAnswer kTigerAnswers[] = {
    {kTiger, "", 1, "3293AC630C13F0245F92BBB1766E16167A4E58492DDE73F3"},
    {kTiger, "abc", 1, "2AAB1484E8C158F2BFB8C5FF41B57A525129131C957B5F93"},
    {kTiger, "Tiger", 1, "DD00230799F5009FEC6DEBC838BB6A27DF2B9D6F110C7937"},
    {kTiger, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-", 1,
     "F71C8583902AFB879EDFE610F82C0D4786A3A534504486B5"},
    {kTiger, "ABCDEFGHIJKLMNOPQRSTUVWXYZ=abcdefghijklmnopqrstuvwxyz+0123456789", 1,
     "48CEEB6308B87D46E95D656112CDF18D97915F9765658957"},
    {kTiger, "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham", 1,
     "8A866829040A410C729AD23F5ADA711603B3CDD357E4C15E"},
    {kTiger,
     "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham, proceedings of Fast Software "
     "Encryption 3, Cambridge.",
     1, "CE55A6AFD591F5EBAC547FF84F89227F9331DAB0B611C889"},
    {kTiger,
     "Tiger - A Fast New Hash Function, by Ross Anderson and Eli Biham, proceedings of Fast Software "
     "Encryption 3, Cambridge, 1996.",
     1, "631ABDD103EB9A3D245B6DFD4D77B257FC7439501D1568DD"},
    {kTiger, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-", 2,
     "C54034E5B43EB8005848A7E0AE6AAC76E4FF590AE715FD25"},
    {kTiger, "a", 1000000, "6DB0E2729CBEAD93D715C6A7D36302E9B3CEE0D2BC314B41"},
};

TEST(Tiger, KnownAnswers) {
    CheckKnownAnswers(kTigerAnswers);
}

TEST(Tiger, SplitUpdateMatchesOneShot) {
    std::vector<size_t> lengths = BoundaryLengths({64}, 1200);
    // From 56 buffered bytes on, the bit count needs a block of its own.
    lengths.insert(lengths.end(), {55, 56, 57, 119, 120, 121});
    CheckSplitsMatchOneShot(kTiger, lengths);
}

TEST(Tiger, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    std::vector<size_t> lengths = BoundaryLengths({64}, 3000);
    CheckAgainstOracle(kTiger, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("rhash --printf='%{tiger}\\n'", files);
    });
}

} // namespace
} // namespace vesk::test
