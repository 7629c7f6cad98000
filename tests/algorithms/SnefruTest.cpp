#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vesk::test {
namespace {

constexpr AlgorithmId kSnefru128 = 29;
constexpr AlgorithmId kSnefru256 = 30;

constexpr const char* kQuantumText = "The theory of quantum electrodynamics has now lasted for\n"
                                     "more than fifty years, and has been tested more and more\n"
                                     "accurately over a wider and wider range of conditions.\n"
                                     "At the present time I can proudly say that there is no\n"
                                     "significant difference between experiment and theory!\n\n"
                                     "Just to give you an idea of how the theory has been put\n"
                                     "through the wringer, I'll give you some recent numbers:\n"
                                     "experiments have Dirac's number at 1.00115965221 (with\n"
                                     "an uncertainty of about five times as much). To give you\n"
                                     "a feeling for the accuracy of these numbers, it comes\n"
                                     "out something like this:  If you were to measure the\n"
                                     "distance from Los Angeles to New York to this accuracy,\n"
                                     "it would be exact to the thickness of a human hair.\n"
                                     "That's how delicately quantum electrodynamics has, in the\n"
                                     "past fifty years, been checked -- both theoretically and\n"
                                     "experimentally.\n";

// The test set of Merkle's Snefru distribution 2.5a (testSnefru with
// correctSnefruOutput, testSnefru256 with correctSnefru256Output), whose inputs
// are lines ending in a newline, and the program's own published values.
constexpr KnownAnswer kSnefruAnswers[] = {
    {kSnefru128, "", 1, "8617F366566A011837F4FB4BA5BEDEA2"},
    {kSnefru128, "abc", 1, "553D0648928299A0F22A275A02C83B10"},
    {kSnefru128, "\n", 1, "D9FCB3171C097FBBA8C8F12AA0906BAD"},
    {kSnefru128, "1\n", 1, "44EC420CE99C1F62FEB66C53C24AE453"},
    {kSnefru128, "12\n", 1, "7182051AA852EF6FBA4B6C9C9B79B317"},
    {kSnefru128, "123\n", 1, "BC3A50AF82BF56D6A64732BC7B050A93"},
    {kSnefru128, "1234\n", 1, "C5B8A04985A8EADFB4331A8988752B77"},
    {kSnefru128, "12345\n", 1, "D559A2B62F6F44111324F85208723707"},
    {kSnefru128, "123456\n", 1, "6CFB5E8F1DA02BD167B01E4816686C30"},
    {kSnefru128, "1234567\n", 1, "29AA48325F275A8A7A01BA1543C54BA5"},
    {kSnefru128, "12345678\n", 1, "BE862A6B68B7DF887EBE00319CBC4A47"},
    {kSnefru128, "123456789\n", 1, "6103721CCD8AD565D68E90B0F8906163"},
    {kSnefru128, kQuantumText, 1, "56AB6BB21A7A07892D62CB03C41DDE6D"},
    {kSnefru256, "", 1, "8617F366566A011837F4FB4BA5BEDEA2B892F3ED8B894023D16AE344B2BE5881"},
    {kSnefru256, "abc", 1, "7D033205647A2AF3DC8339F6CB25643C33EBC622D32979C4B612B02C4903031B"},
    {kSnefru256, "\n", 1, "2E02687F0D45D5B9B50CB68C3F33E6843D618A1ACA2D06893D3EB4E3026B5732"},
    {kSnefru256, "1\n", 1, "BFEA4A05A2A2EF15C736D114598A20B9D9BD4D66B661E6B05ECF6A7737BDC58C"},
    {kSnefru256, "12\n", 1, "AC677D69761ADE3F189C7AEF106D5FE7392D324E19CC76D5DB4A2C05F2CC2CC5"},
    {kSnefru256, "123\n", 1, "061C76AA1DB4A22C0E42945E26C48499B5400162E08C640BE05D3C007C44793D"},
    {kSnefru256, "1234\n", 1, "1E87FE1D9C927E9E24BE85E3CC73359873541640A6261793CE5A974953113F5E"},
    {kSnefru256, "12345\n", 1, "1B59927D85A9349A87796620FE2FF401A06A7BA48794498EBAB978EFC3A68912"},
    {kSnefru256, "123456\n", 1, "28E9D9BC35032B68FAEDA88101ECB2524317E9DA111B0E3E7094107212D9CF72"},
    {kSnefru256, "1234567\n", 1, "F7FFF4EE74FD1B8D6B3267F84E47E007F029D13B8AF7E37E34D13B469B8F248F"},
    {kSnefru256, "12345678\n", 1, "EE7D64B0102B2205E98926613B200185559D08BE6AD787DA717C968744E11AF3"},
    {kSnefru256, "123456789\n", 1, "4CA72639E40E9AB9C0C3F523C4449B3911632D374C124D7702192EC2E4E0B7A3"},
    {kSnefru256, kQuantumText, 1, "5E8A32ED1998B611F5F096960C65E820DA93A9A424D2715130C1E45483F1839C"},
};

// One block short of, exactly at, and one byte past a block: 48 bytes make
// Snefru-128 compress the data block and the length block, 49 bytes three
// blocks; likewise 32 and 33 bytes for Snefru-256. Values computed with
// rhash --snefru128 and --snefru256.
constexpr KnownAnswer kSnefruBlockEdgeAnswers[] = {
    {kSnefru128, "a", 47, "69C786F67C0AD37DF59D6C8F06B327F2"},
    {kSnefru128, "a", 48, "EEF38987A435351AB540E0BD15296C6A"},
    {kSnefru128, "a", 49, "3A12AA920DF53CE683B7133F5E0D2DFF"},
    {kSnefru256, "a", 31, "96BB2B81B3AFF11A4D672B23F600F6965C138276EAD7D089369DEAA9258988E7"},
    {kSnefru256, "a", 32, "DBC6238CC321AECBA8F057213C3A605D74F21EC352E2183BC3B3853064FFA732"},
    {kSnefru256, "a", 33, "7A1133846080DD68D6842DF39C86F961925605679BAD4FFAE07118482B6031FA"},
};

TEST(Snefru, KnownAnswers) {
    CheckKnownAnswers(kSnefruAnswers);
}

TEST(Snefru, KnownAnswersAtBlockEdges) {
    CheckKnownAnswers(kSnefruBlockEdgeAnswers);
}

TEST(Snefru, EmptyInputOfSnefru128IsPrefixOfSnefru256) {
    // Both compress one all-zero 512-bit input, and Snefru-128 keeps half of the output.
    const std::string short128 = DigestHex(AlgorithmById(kSnefru128), {});
    EXPECT_EQ(DigestHex(AlgorithmById(kSnefru256), {}).substr(0, short128.size()), short128);
}

TEST(Snefru128, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kSnefru128, BoundaryLengths({48}, 1200));
}

TEST(Snefru256, SplitUpdateMatchesOneShot) {
    CheckSplitsMatchOneShot(kSnefru256, BoundaryLengths({32}, 1200));
}

std::vector<size_t> OracleLengths(size_t blockBytes) {
    std::vector<size_t> lengths = BoundaryLengths({blockBytes}, 2000);
    return lengths;
}

TEST(Snefru128, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    CheckAgainstOracle(kSnefru128, OracleLengths(48), [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("rhash --printf='%{snefru128}\\n'", files);
    });
}

TEST(Snefru256, MatchesRhashAcrossChunkEdges) {
    REQUIRE_TOOL("rhash");
    CheckAgainstOracle(kSnefru256, OracleLengths(32), [](const std::vector<std::filesystem::path>& files) {
        return ToolDigests("rhash --printf='%{snefru256}\\n'", files);
    });
}

} // namespace
} // namespace vesk::test
