#include "results/DigestCompare.h"

#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>

namespace vesk::test {
namespace {

constexpr AlgorithmId kBlake2sId = 2, kSha3_256Id = 26;
constexpr wchar_t kAbcSha256[] = L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

bool Names(const DigestQuery& query, AlgorithmId id) {
    return std::find(query.algorithms.begin(), query.algorithms.end(), id) != query.algorithms.end();
}

// Pasted texts: whole digests in either case, with a tag and blanks, give
// the digest and every algorithm of its length; anything else gives nothing.
TEST(DigestCompare, WholeDigestsOfAnAlgorithmsLengthAreQueries) {
    const std::wstring abc = kAbcSha256;
    std::wstring upperGrouped;
    for (size_t i = 0; i < abc.size(); ++i)
        upperGrouped += (i > 0 && i % 4 == 0 ? L" " : L"") + std::wstring(1, wchar_t(std::towupper(abc[i])));
    const struct {
        std::wstring text;
        std::wstring digest; // empty: no query
        std::vector<AlgorithmId> named, notNamed;
    } cases[] = {
        {abc, abc, {kSha256Id, kSha3_256Id, kBlake2sId, kBlake3Id}, {kSha512Id, kMd5Id}},
        {L"sha256:" + upperGrouped, abc, {kSha256Id}, {}},
        {L"  SHA-256: " + abc + L"\r\n", abc, {kSha256Id}, {}},
        {L"d41d8cd98f00b204e9800998ecf8427e", L"d41d8cd98f00b204e9800998ecf8427e", {kMd5Id}, {kSha256Id}},
        {L"352441C2", L"352441c2", {kCrc32Id}, {kMd5Id}},
        {L"LWPNACQDBZRYXW3VHJVCJ64QBZNGHOHHHZWCLNQ",
         L"lwpnacqdbzryxw3vhjvcj64qbznghohhhzwclnq",
         {kTthId},
         {}},
        {L"", L"", {}, {}},
        {L"abc", L"", {}, {}},
        {abc.substr(1), L"", {}, {}},                 // one digit short
        {abc.substr(0, 63) + L"g", L"", {}, {}},      // not hex
        {L"http://example.com/" + abc, L"", {}, {}},  // a tag is one word
        {std::wstring(300, L' ') + abc, L"", {}, {}}, // no short text
    };
    for (const auto& c : cases) {
        const std::optional<DigestQuery> query = ParseDigestQuery(c.text);
        std::wstring expected = c.digest;
        std::erase(expected, L' ');
        ASSERT_EQ(query.has_value(), !expected.empty()) << WideToUtf8(c.text);
        if (!query)
            continue;
        EXPECT_EQ(query->digest, expected) << WideToUtf8(c.text);
        for (AlgorithmId id : c.named)
            EXPECT_TRUE(Names(*query, id)) << WideToUtf8(c.text) << " " << id;
        for (AlgorithmId id : c.notNamed)
            EXPECT_FALSE(Names(*query, id)) << WideToUtf8(c.text) << " " << id;
        EXPECT_TRUE(std::is_sorted(query->algorithms.begin(), query->algorithms.end()));
    }
    EXPECT_EQ(DigestCellKey(L"BA7816BF"), L"ba7816bf");
}

TEST(DigestCompare, StatusTextsNameTheAlgorithms) {
    EXPECT_EQ(AlgorithmNamesText({kSha256Id}), L"SHA-256");
    EXPECT_EQ(AlgorithmNamesText({kSha256Id, kSha3_256Id}), L"SHA-256 or SHA3-256");
    EXPECT_EQ(AlgorithmNamesText({kBlake2sId, kSha256Id, kSha3_256Id}), L"BLAKE2s, SHA-256 or SHA3-256");
    EXPECT_EQ(DigestMatchText(kSha256Id, L"setup-2.4.1.exe"), L"SHA-256 of setup-2.4.1.exe matches");
    EXPECT_EQ(NoDigestMatchText({kSha256Id, kSha3_256Id}), L"No SHA-256 or SHA3-256 digest matches");
}

} // namespace
} // namespace vesk::test
