#include "core/HashContextSet.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

// The job finalises contexts in column order, so a set holds them in
// ascending id order, each on a 64-byte boundary and zero-filled. A mask
// without algorithm bits builds nothing.
TEST(HashContextSet, ContextsFollowInIdOrderOn64ByteBoundaries) {
    const SelectionMask mask = (1ull << 5) | (1ull << 12) | (1ull << 31) | (1ull << 37);
    ContextSetOwner set(BuildContextSet(mask));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->count, 4);
    const AlgorithmId ids[] = {5, 12, 31, 37};
    for (int k = 0; k < set->count; ++k) {
        EXPECT_EQ(set->algorithm[k], &AlgorithmById(ids[k]));
        const auto* context = static_cast<const uint8_t*>(ContextAt(set.get(), k));
        EXPECT_EQ(reinterpret_cast<uintptr_t>(context) % 64, 0u);
        for (uint64_t i = 0; i < set->algorithm[k]->contextSize; ++i)
            ASSERT_EQ(context[i], 0) << "byte " << i << " of context " << k;
    }
    EXPECT_EQ(BuildContextSet(0), nullptr);
    EXPECT_EQ(BuildContextSet(~kAlgorithmBits), nullptr);
}

} // namespace
} // namespace vesk
