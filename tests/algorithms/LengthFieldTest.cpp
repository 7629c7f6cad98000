// The message length that the MD4, MD5, SHA-1 and SHA-2 families append: its
// count must carry from the low word into the high one, and the bit count
// must take the bytes' top bits along when it is multiplied by 8.
#include "algorithms/Sha1.h"
#include "algorithms/Sha2.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace vesk::test {
namespace {

constexpr AlgorithmId kMd4 = 14;
constexpr AlgorithmId kMd5 = 15;

// 513 MiB and a few bytes for real: the bit count passes 2^32. rhash gets the
// same bytes through a pipe, written by python3.
TEST(LengthField, Md4AndMd5BitCountsCarryPast2To32) {
    REQUIRE_TOOL("python3");
    REQUIRE_TOOL("rhash");
    constexpr int kChunkCount = 513;
    constexpr size_t kTailBytes = 7;
    const std::vector<uint8_t> chunk = RandomBytes(1 << 20, TestSeed() ^ 0x4D44);
    std::string digests;
    for (AlgorithmId id : {kMd4, kMd5}) {
        ContextSetOwner set = StartedContextSet(SelectionMask{1} << id);
        void* context = ContextAt(set.get(), 0);
        for (int i = 0; i < kChunkCount; ++i)
            AlgorithmById(id).update(context, chunk.data(), chunk.size());
        AlgorithmById(id).update(context, chunk.data(), kTailBytes);
        digests += (digests.empty() ? "" : " ") + FinalHex(*set, 0);
    }
    ScratchDir dir;
    const std::string file = dir.Write("chunk.bin", chunk).string();
    const std::optional<std::string> output =
        RunCommand("python3 -c 'import sys\nchunk = open(sys.argv[1], \"rb\").read()\n"
                   "for _ in range(int(sys.argv[2])): sys.stdout.buffer.write(chunk)\n"
                   "sys.stdout.buffer.write(chunk[:int(sys.argv[3])])' '" +
                   file + "' " + std::to_string(kChunkCount) + " " + std::to_string(kTailBytes) +
                   " | rhash --printf='%{md4} %{md5}\\n' -");
    ASSERT_TRUE(output.has_value());
    EXPECT_EQ(digests + "\n", Lower(*output));
}

// Hashing 4 GiB (or 2^64 bytes) takes too long, so the count is set by hand.
// A block hashed from the start state, then the count set to exactly 2^32
// (2^64) bytes, must give what a count started one block short of that gives
// after the same bytes in any pieces; and without the carry, or with the
// count's top bits not shifted into the bit count, the digest must differ.
template <typename Context, void (*Init)(Context*), void (*Update)(Context*, const uint8_t*, uint64_t),
          void (*Final)(Context*, uint8_t*), size_t kBlockBytes>
void CheckCountCarry(const char* name) {
    SCOPED_TRACE(name);
    using Word = std::remove_cvref_t<decltype(Context{}.byteCount[0])>;
    const std::vector<uint8_t> data = RandomBytes(kBlockBytes + 40, TestSeed());
    const auto finalHex = [](Context context) {
        uint8_t digest[kMaxDigestLength] = {};
        Final(&context, digest);
        return ToHex(digest);
    };
    Context byHand;
    Init(&byHand);
    Update(&byHand, data.data(), kBlockBytes);
    byHand.byteCount[0] = 0;
    byHand.byteCount[1] = 1;
    Update(&byHand, data.data() + kBlockBytes, data.size() - kBlockBytes);
    const std::string expected = finalHex(byHand);

    Context withoutCarry = byHand;
    withoutCarry.byteCount[1] = 0;
    Context topBitsOnly = withoutCarry;
    topBitsOnly.byteCount[0] += Word(1) << (8 * sizeof(Word) - 3);
    EXPECT_NE(finalHex(withoutCarry), expected);
    EXPECT_NE(finalHex(topBitsOnly), expected);
    EXPECT_NE(finalHex(topBitsOnly), finalHex(withoutCarry));

    for (size_t firstPiece : {data.size(), kBlockBytes, kBlockBytes - 1, size_t(30), size_t(1)}) {
        Context carried;
        Init(&carried);
        carried.byteCount[0] = Word(0) - Word(kBlockBytes);
        Update(&carried, data.data(), firstPiece);
        Update(&carried, data.data() + firstPiece, data.size() - firstPiece);
        EXPECT_EQ(finalHex(carried), expected) << "first piece " << firstPiece;
    }
}

// SHA-1 and SHA-256 past 2^32 bytes, SHA-512 past 2^64.
TEST(LengthField, ShaByteCountsCarryIntoTheHighWord) {
    CheckCountCarry<Sha1Context, Sha1Init, Sha1Update, Sha1Final, kSha1BlockBytes>("SHA-1");
    CheckCountCarry<Sha256Context, Sha256Init, Sha256Update, Sha256Final, kSha256BlockBytes>("SHA-256");
    CheckCountCarry<Sha512Context, Sha512Init, Sha512Update, Sha512Final, kSha512BlockBytes>("SHA-512");
}

} // namespace
} // namespace vesk::test
