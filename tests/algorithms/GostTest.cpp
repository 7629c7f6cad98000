#include "algorithms/Gost.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <thread>

namespace vesk::test {
namespace {

constexpr AlgorithmId kGost = 12;

// The program's own values for "" and "abc" (the empty message runs the step
// function only on the zero length and the zero control sum), the worked examples
// of RFC 5831 section 7, and the widely published test-parameter-set values for
// "a", "message digest", the fox, 128 'U' and a million 'a' (all agree with rhash).
constexpr KnownAnswer kGostPublished[] = {
    {kGost, "", 1, "CE85B99CC46752FFFEE35CAB9A7B0278ABB4C2D2055CFF685AF4912C49490F8D"},
    {kGost, "abc", 1, "F3134348C44FB1B2A277729E2285EBB5CB5E0F29C975BC753B70497C06A4D51D"},
    {kGost, "This is message, length=32 bytes", 1,
     "B1C466D37519B82E8319819FF32595E047A28CB6F83EFF1C6916A815A637FFFA"},
    {kGost, "Suppose the original message has length = 50 bytes", 1,
     "471ABA57A60A770D3A76130635C1FBEA4EF14DE51F78B4AE57DD893B62F55208"},
    {kGost, "a", 1, "D42C539E367C66E9C88A801F6649349C21871B4344C6A573F849FDCE62F314DD"},
    {kGost, "message digest", 1, "AD4434ECB18F2C99B60CBE59EC3D2469582B65273F48DE72DB2FDE16A4889A4D"},
    {kGost, "The quick brown fox jumps over the lazy dog", 1,
     "77B7FA410C9AC58A25F49BCA7D0468C9296529315EACA76BD1A10F376D1F4294"},
    {kGost, "U", 128, "53A3A3ED25180CEF0C1D85A074273E551C25660A87062A52D926A9E8FE5733A4"},
    {kGost, "a", 1000000, "5C00CCC2734CDD3332D3D4749576E3C1A7DBAF0E7EA74E9FA602413C90A129FA"},
};

// Runs of 0xFF, whose blocks make the carries of the control sum run through
// all eight words. Values from rhash 1.4.3 (--gost94).
constexpr KnownAnswer kGostAllOnes[] = {
    {kGost, "\xFF", 1, "CC402C0BD195438F5CB6B93609C547F152EE3B54D16EF04A497E488FDA4CA89E"},
    {kGost, "\xFF", 31, "E87C300D92EB59DC4062832A2805541E341D316F4294C1D713380F5DDF67EA96"},
    {kGost, "\xFF", 32, "69191B650435A5D509D0006B9C9E06D9A411C91A30C87711241057D65D354C06"},
    {kGost, "\xFF", 33, "5A7D5DF78AE8B295BA3200B9BBD0C64AA51BC319903A678BEBB50787A42F7133"},
    {kGost, "\xFF", 64, "13416C4EC74A63C3EC90CB1748FD462C7572C6C6B41844E48CC1184D1E916098"},
    {kGost, "\xFF", 96, "1FD385E758E22055AD1512E634B269673EEC03EC046A8846D53444957891AEE6"},
    {kGost, "\xFF", 100, "C3EA2FAE2F3623F568D3BF326BD0DB60EE339621A3920F46EE23F1FFDEFA8C79"},
    {kGost, "\xFF", 1000, "24D14CC820364F77DBB9120A538386E9E376A23C0E050F41B5959DF423C62372"},
};

TEST(Gost, PublishedAnswers) {
    CheckKnownAnswers(kGostPublished);
}

TEST(Gost, RunsOfOnesCarryThroughTheControlSum) {
    CheckKnownAnswers(kGostAllOnes);
}

TEST(Gost, ControlSumIsTheExact256BitSum) {
    // Three all-ones blocks sum to 2^256 - 3; a fourth block holding 3 wraps the
    // sum to zero, carrying out of word 0 through all eight words.
    std::vector<uint8_t> message(96, 0xFF);
    message.resize(128, 0x00);
    message[96] = 3;
    message.push_back(0x00); // so that the fourth block is processed by update
    GostContext context;
    GostInit(&context);
    GostUpdate(&context, message.data(), 96);
    EXPECT_EQ(context.sum[0], 0xFFFFFFFEu) << "two blocks processed, the third still buffered";
    for (int i = 1; i < 8; ++i)
        EXPECT_EQ(context.sum[i], 0xFFFFFFFFu) << "word " << i;
    GostUpdate(&context, message.data() + 96, message.size() - 96);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(context.sum[i], 0u) << "word " << i;
    EXPECT_EQ(context.length[0], 4 * 256u);
    EXPECT_EQ(context.length[1], 0u);
    EXPECT_EQ(context.bufferCount, 1u);
}

TEST(Gost, ThirtyTwoSingleBytesMatchOneUpdate) {
    const std::vector<uint8_t> data = RandomBytes(32, TestSeed());
    std::vector<size_t> everyByte;
    for (size_t cut = 1; cut < data.size(); ++cut)
        everyByte.push_back(cut);
    EXPECT_EQ(DigestHexInPieces(AlgorithmById(kGost), data, everyByte),
              DigestHex(AlgorithmById(kGost), data));
}

TEST(Gost, ThirtyThreeBytesSplitAnywhereMatchOneUpdate) {
    const std::vector<uint8_t> data = RandomBytes(33, TestSeed() + 1);
    const std::string expected = DigestHex(AlgorithmById(kGost), data);
    for (size_t first = 0; first <= data.size(); ++first)
        for (size_t second = first; second <= data.size(); ++second)
            EXPECT_EQ(DigestHexInPieces(AlgorithmById(kGost), data, {first, second}), expected)
                << "cut at " << first << " and " << second;
}

TEST(Gost, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kGost, BoundaryLengths({32}, 1200));
}

// The round tables need no set-up, so the first digests of a process are
// right, even when several threads start hashing at once.
TEST(Gost, FirstDigestsOnSeveralThreadsNeedNoSetUp) {
    std::vector<std::string> digests(4);
    std::vector<std::thread> threads;
    for (std::string& digest : digests)
        threads.emplace_back([&digest] { digest = DigestHex(AlgorithmById(kGost), Bytes("abc")); });
    for (std::thread& thread : threads)
        thread.join();
    for (const std::string& digest : digests)
        EXPECT_EQ(digest, "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d");
}

TEST(Gost, MatchesRhashAcrossBlockAndChunkEdges) {
    REQUIRE_TOOL("rhash");
    std::vector<size_t> lengths = BoundaryLengths({32}, 700);
    CheckAgainstOracle(kGost, lengths, [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("rhash --printf='%{gost94}\\n'", files);
    });
}

} // namespace
} // namespace vesk::test
