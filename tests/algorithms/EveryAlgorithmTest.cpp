// Properties every registry entry must have, whatever its family.
#include "core/HashContextSet.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vesk::test {
namespace {

// Several families read whole blocks in place when the input is aligned for
// their word size and copy them otherwise; the digest must not tell which.
TEST(EveryAlgorithm, DigestDoesNotDependOnAlignment) {
    const std::vector<uint8_t> data = RandomBytes(2100, TestSeed() ^ 0xA11);
    for (const AlgorithmInfo& info : AlgorithmTable) {
        for (size_t length : {1, 31, 33, 48, 63, 64, 65, 129, 1025, 2100}) {
            const std::span<const uint8_t> aligned(data.data(), length);
            const std::string expected = DigestHex(info, aligned);
            std::vector<uint8_t> buffer(length + 8);
            for (size_t offset = 1; offset < 8; ++offset) {
                std::copy(aligned.begin(), aligned.end(), buffer.begin() + ptrdiff_t(offset));
                const std::span<const uint8_t> input(buffer.data() + offset, length);
                EXPECT_EQ(DigestHex(info, input), expected)
                    << info.name << ", " << length << " bytes at +" << offset;
                EXPECT_EQ(DigestHexInPieces(info, input, {length / 3}), expected)
                    << info.name << ", " << length << " bytes at +" << offset << ", in two pieces";
            }
        }
    }
}

// A context is put into its start state by init alone, whatever it held.
TEST(EveryAlgorithm, InitResetsAUsedContext) {
    const std::vector<uint8_t> data = RandomBytes(300, TestSeed() ^ 0x1417);
    for (const AlgorithmInfo& info : AlgorithmTable) {
        ContextSetOwner set(BuildContextSet(SelectionMask{1} << info.id));
        void* context = ContextAt(set.get(), 0);
        std::memset(context, 0xA5, info.contextSize);
        info.init(context);
        info.update(context, data.data(), data.size());
        uint8_t digest[kMaxDigestLength];
        info.final(context, digest);
        info.init(context);
        info.update(context, data.data(), data.size());
        info.final(context, digest);
        EXPECT_EQ(ToHex({digest, info.digestLength}), DigestHex(info, data)) << info.name;
    }
}

} // namespace
} // namespace vesk::test
