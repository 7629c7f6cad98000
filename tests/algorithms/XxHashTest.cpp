#include "tests/TestUtil.h"

#include "algorithms/XxHash.h"
#include "core/HashContextSet.h"

#include <gtest/gtest.h>

#include <string>

namespace vesk::test {
namespace {

constexpr AlgorithmId kXxh32 = 34;
constexpr AlgorithmId kXxh64 = 35;
constexpr AlgorithmId kXxh3 = 36;
constexpr AlgorithmId kXxh128 = 37;

// The program's published values for the empty input; the rest is what
// xxhsum 0.8.1 prints (-H0, -H1, -H3, -H2) for "abc" and for 'a' repeated
// across the short-input limit (240 bytes) and the first block (1024 bytes),
// so that the library as compiled into the Windows build is checked too.
constexpr KnownAnswer kXxHashAnswers[] = {
    {kXxh32, "", 1, "02CC5D05"},
    {kXxh32, "abc", 1, "32d153ff"},
    {kXxh32, "a", 240, "b59ce2e4"},
    {kXxh32, "a", 241, "39f7373b"},
    {kXxh32, "a", 1024, "2fcde20d"},
    {kXxh32, "a", 1025, "1d44011f"},

    {kXxh64, "", 1, "EF46DB3751D8E999"},
    {kXxh64, "abc", 1, "44bc2cf5ad770999"},
    {kXxh64, "a", 240, "64b2260dfef89ea1"},
    {kXxh64, "a", 241, "2d0b0ad15a92c62c"},
    {kXxh64, "a", 1024, "066388ec456b9809"},
    {kXxh64, "a", 1025, "c966c285758e0f65"},

    {kXxh3, "", 1, "2D06800538D394C2"},
    {kXxh3, "abc", 1, "78af5f94892f3950"},
    {kXxh3, "a", 240, "993c46d96a01b5c6"},
    {kXxh3, "a", 241, "f6cfef5c5aca1930"},
    {kXxh3, "a", 1024, "4a5d6b09a9587a1c"},
    {kXxh3, "a", 1025, "d46a63acfb8da1ea"},

    {kXxh128, "", 1, "99AA06D3014798D86001C324468D497F"},
    {kXxh128, "abc", 1, "06b05ab6733a618578af5f94892f3950"},
    {kXxh128, "a", 240, "0163721cdafde206ea57d24533760a39"},
    {kXxh128, "a", 241, "3e7bebe4a2c07b0bf6cfef5c5aca1930"},
    {kXxh128, "a", 1024, "52628c92ccb242754a5d6b09a9587a1c"},
    {kXxh128, "a", 1025, "c91deb339ee4dc16d46a63acfb8da1ea"},
};

// xxhsum prints "<hex>  <file>" for -H0, -H1 and -H2, but the BSD form
// "XXH3 (<file>) = <hex>" for -H3; the sed keeps the digest alone.
template <int variant>
std::vector<std::string> XxhsumDigests(const std::vector<std::filesystem::path>& files) {
    return ToolDigests("sh -c 'xxhsum -H" + std::to_string(variant) +
                           " \"$@\" 2>/dev/null | sed \"s/.* = //\"' xxhsum",
                       files);
}

constexpr struct Variant {
    AlgorithmId id;
    Oracle xxhsum;
} kVariants[] = {
    {kXxh32, XxhsumDigests<0>},
    {kXxh64, XxhsumDigests<1>},
    {kXxh3, XxhsumDigests<3>},
    {kXxh128, XxhsumDigests<2>},
};

TEST(XxHash, KnownAnswers) {
    CheckKnownAnswers(kXxHashAnswers);
}

TEST(XxHash, SplitUpdateMatchesOneShot) {
    for (const Variant& variant : kVariants)
        CheckSplitsMatchOneShot(variant.id, BoundaryLengths({16, 32, 64, 240, 256, 1024}, 4200));
}

TEST(XxHash, EmptyUpdateWithNullDataChangesNothing) {
    for (const Variant& variant : kVariants) {
        const AlgorithmInfo& info = AlgorithmById(variant.id);
        ContextSetOwner set(BuildContextSet(SelectionMask{1} << variant.id));
        ASSERT_NE(set, nullptr);
        void* context = ContextAt(set.get(), 0);
        info.init(context);
        info.update(context, nullptr, 0);
        uint8_t digest[kMaxDigestLength];
        info.final(context, digest);
        EXPECT_EQ(ToHex({digest, info.digestLength}), DigestHex(info, {})) << info.name;
    }
}

TEST(XxHash, MatchesXxhsumAcrossChunkEdges) {
    REQUIRE_TOOL("xxhsum");
    std::vector<size_t> lengths = BoundaryLengths({16, 32, 240, 1024}, 3000);
    for (const Variant& variant : kVariants)
        CheckAgainstOracle(variant.id, lengths, variant.xxhsum);
}

// XXH3 and XXH128 share the state type and the update, but each entry gets a
// context of its own in the set; feeding both in turn must give each its
// one-shot digest.
TEST(XxHash, Xxh3AndXxh128InOneSetDoNotDisturbEachOther) {
    ContextSetOwner set(BuildContextSet(SelectionMask{1} << kXxh3 | SelectionMask{1} << kXxh128));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->count, 2);
    for (int k = 0; k < set->count; ++k)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(ContextAt(set.get(), k)) % alignof(XxHash3Context), 0u);

    for (size_t length : {size_t(0), size_t(3), size_t(240), size_t(241), size_t(1025), size_t(5000)}) {
        const std::vector<uint8_t> data = RandomBytes(length, TestSeed() + length);
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->init(ContextAt(set.get(), k));
        size_t start = 0;
        std::vector<size_t> cuts = RandomCuts(length, TestSeed() ^ length);
        cuts.push_back(length);
        for (size_t cut : cuts) {
            for (int k = 0; k < set->count; ++k)
                set->algorithm[k]->update(ContextAt(set.get(), k), data.data() + start, cut - start);
            start = cut;
        }
        for (int k = 0; k < set->count; ++k) {
            const AlgorithmInfo& info = *set->algorithm[k];
            uint8_t digest[kMaxDigestLength];
            info.final(ContextAt(set.get(), k), digest);
            EXPECT_EQ(ToHex({digest, info.digestLength}), DigestHex(info, data))
                << info.name << ", " << length;
        }
    }
}

} // namespace
} // namespace vesk::test
