#include "text/DigestText.h"
#include "core/AlgorithmTable.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vesk::test {
namespace {

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// RFC 4648 section 10 (without the "=" padding, which the program never writes).
constexpr struct {
    const char* input;
    const char* base32;
} kBase32Vectors[] = {
    {"", ""},
    {"f", "MY"},
    {"fo", "MZXQ"},
    {"foo", "MZXW6"},
    {"foob", "MZXW6YQ"},
    {"fooba", "MZXW6YTB"},
    {"foobar", "MZXW6YTBOI"},
    {"abc", "MFRGG"},
};

// Either case; at most 128 characters; more than 256 MiB refused before any
// byte is read.
TEST(Base32, Rfc4648VectorsInBothCasesAndItsLimits) {
    for (const auto& vector : kBase32Vectors) {
        std::wstring text;
        const std::vector<uint8_t> input = Bytes(vector.input);
        EXPECT_EQ(Base32Encode(input, false, text), int(std::strlen(vector.base32)));
        EXPECT_EQ(Narrow(text), vector.base32);
        Base32Encode(input, true, text);
        EXPECT_EQ(Narrow(text), Lower(vector.base32));
    }
    std::wstring text;
    EXPECT_EQ(Base32Encode(RandomBytes(100, 1), true, text), 128);
    EXPECT_EQ(text.size(), 128u);
    const uint8_t byte = 0;
    text = L"old";
    EXPECT_EQ(Base32Encode({&byte, kMaxBase32InputBytes + 1}, true, text), -1);
    EXPECT_TRUE(text.empty());
}

TEST(DigestText, HexHighNibbleFirstInTheAskedCaseAndTigerTreeHashInBase32) {
    uint8_t digest[kMaxDigestLength];
    for (uint32_t i = 0; i < kMaxDigestLength; ++i)
        digest[i] = uint8_t(0x0F + 16 * i);
    EXPECT_EQ(Narrow(DigestToText(digest, kCrc32Id, false)), "0f1f2f3f");
    EXPECT_EQ(Narrow(DigestToText(digest, kCrc32Id, true)), "0F1F2F3F");
    // A 64-byte digest gives 128 digits with no separators.
    EXPECT_EQ(Narrow(DigestToText(digest, 24, false)), ToHex(digest));
    // The Tiger tree hash of the empty input, as its users see it: base32.
    const std::vector<uint8_t> tth = FromHex("5d9ed00a030e638bdb753a6a24fb900e5a63b8e73e6c25b6");
    const std::string lower = Narrow(DigestToText(tth.data(), kTthId, false));
    EXPECT_EQ(lower, "lwpnacqdbzryxw3vhjvcj64qbznghohhhzwclnq");
    EXPECT_EQ(Narrow(DigestToText(tth.data(), kTthId, true)), Upper(lower));
}

} // namespace
} // namespace vesk::test
