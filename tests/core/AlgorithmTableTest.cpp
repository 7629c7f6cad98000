#include "core/AlgorithmTable.h"
#include "core/HashContextSet.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace vesk {
namespace {

// The table as the program's users know it: id, name, digest bytes.
constexpr struct {
    const char* name;
    uint32_t digestLength;
} kExpectedTable[] = {
    {"BLAKE2b", 64},    {"BLAKE2bp", 64},   {"BLAKE2s", 32},    {"BLAKE2sp", 32},   {"Adler32", 4},
    {"CRC32", 4},       {"CRC64", 8},       {"Edon-R 224", 28}, {"Edon-R 256", 32}, {"Edon-R 384", 48},
    {"Edon-R 512", 64}, {"HAS-160", 20},    {"GOST", 32},       {"MD2", 16},        {"MD4", 16},
    {"MD5", 16},        {"RIPEMD-128", 16}, {"RIPEMD-160", 20}, {"RIPEMD-256", 32}, {"RIPEMD-320", 40},
    {"SHA-1", 20},      {"SHA-224", 28},    {"SHA-256", 32},    {"SHA-384", 48},    {"SHA-512", 64},
    {"SHA3-224", 28},   {"SHA3-256", 32},   {"SHA3-384", 48},   {"SHA3-512", 64},   {"Snefru-128", 16},
    {"Snefru-256", 32}, {"TTH", 24},        {"Tiger", 24},      {"Whirlpool", 64},  {"XXH32", 4},
    {"XXH64", 8},       {"XXH3", 8},        {"XXH128", 16},
};
static_assert(std::size(kExpectedTable) == kAlgorithmCount);

TEST(AlgorithmTable, EntriesMatchTheirIdsNamesAndLengths) {
    for (AlgorithmId id = 0; id < kAlgorithmCount; ++id) {
        const AlgorithmInfo& info = AlgorithmById(id);
        EXPECT_EQ(info.id, id);
        EXPECT_STREQ(info.name, kExpectedTable[id].name);
        EXPECT_EQ(info.digestLength, kExpectedTable[id].digestLength) << info.name;
        EXPECT_LE(info.digestLength, kMaxDigestLength);
        EXPECT_TRUE(info.init != nullptr && info.update != nullptr && info.final != nullptr) << info.name;
        EXPECT_GT(info.contextSize, 0u) << info.name;
    }
}

TEST(HashContextSet, HeaderLayoutIsFixed) {
    EXPECT_EQ(offsetof(HashContextSet, count), 0u);
    EXPECT_EQ(offsetof(HashContextSet, algorithm), 8u);
    EXPECT_EQ(offsetof(HashContextSet, offset), 8u + 8 * kAlgorithmCount);
    EXPECT_EQ(kContextAreaOffset % 64, 0u);
    EXPECT_GE(kContextAreaOffset, sizeof(HashContextSet));
}

TEST(HashContextSet, EverySelectionLaysOutContextsInIdOrderOn64ByteSlots) {
    const SelectionMask masks[] = {kAllAlgorithms, kAlgorithmBits, SelectionMask{1} << kTthId,
                                   (1ull << 5) | (1ull << 15) | (1ull << 20) | (1ull << 22), 0x5555555555ull};
    for (SelectionMask mask : masks) {
        ContextSetOwner set(BuildContextSet(mask));
        const SelectionMask expected = mask & kAlgorithmBits;
        if (expected == 0) {
            EXPECT_EQ(set, nullptr);
            continue;
        }
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(set.get()) % 64, 0u);
        int k = 0;
        int32_t nextOffset = 0;
        for (AlgorithmId id = 0; id < kAlgorithmCount; ++id) {
            if ((expected >> id & 1) == 0)
                continue;
            ASSERT_LT(k, set->count);
            EXPECT_EQ(set->algorithm[k], &AlgorithmById(id));
            EXPECT_EQ(set->offset[k], nextOffset);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(ContextAt(set.get(), k)) % 64, 0u);
            nextOffset += int32_t((AlgorithmById(id).contextSize + 63) / 64 * 64);
            ++k;
        }
        EXPECT_EQ(set->count, k);
        for (int rest = k; rest < int(kAlgorithmCount); ++rest) {
            EXPECT_EQ(set->algorithm[rest], nullptr);
            EXPECT_EQ(set->offset[rest], 0);
        }
        // The contexts start zeroed.
        const auto* area = reinterpret_cast<const uint8_t*>(set.get()) + kContextAreaOffset;
        for (int32_t i = 0; i < nextOffset; ++i)
            ASSERT_EQ(area[i], 0) << "byte " << i;
    }
}

TEST(HashContextSet, DefaultSelectionPutsMd5AfterOneCrc32Slot) {
    const SelectionMask defaults = (1ull << 5) | (1ull << 15) | (1ull << 20) | (1ull << 22);
    ContextSetOwner set(BuildContextSet(defaults));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->count, 4);
    EXPECT_EQ(set->offset[0], 0);
    EXPECT_EQ(set->offset[1], 64);
    EXPECT_EQ(set->offset[2], 64 + int32_t((AlgorithmById(kMd5Id).contextSize + 63) / 64 * 64));
}

TEST(HashContextSet, MaskWithoutAlgorithmBitsBuildsNothing) {
    EXPECT_EQ(BuildContextSet(0), nullptr);
    EXPECT_EQ(BuildContextSet(~kAlgorithmBits), nullptr);
    EXPECT_EQ(BuildContextSet(SelectionMask{1} << 38), nullptr);
    ReleaseContextSet(nullptr);
}

} // namespace
} // namespace vesk
