#include "tests/TestUtil.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

constexpr AlgorithmId kRipemd128 = 16;
constexpr AlgorithmId kRipemd160 = 17;
constexpr AlgorithmId kRipemd256 = 18;
constexpr AlgorithmId kRipemd320 = 19;

constexpr const char* kAlphabet = "abcdefghijklmnopqrstuvwxyz";
constexpr const char* kOverlapping56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr const char* kAlphanumeric62 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// The designers' test vectors from the RIPEMD-160 page (Bosselaers,
// homes.esat.kuleuven.be/~bosselae/ripemd160.html): the 128 and 160 bit table
// and the table of the optional 256 and 320 bit extensions. The empty and "abc"
// rows are also the program's own published values.
constexpr KnownAnswer kRipemdAnswers[] = {
    {kRipemd128, "", 1, "CDF26213A150DC3ECB610F18F6B38B46"},
    {kRipemd128, "a", 1, "86BE7AFA339D0FC7CFC785E72F578D33"},
    {kRipemd128, "abc", 1, "C14A12199C66E4BA84636B0F69144C77"},
    {kRipemd128, "message digest", 1, "9E327B3D6E523062AFC1132D7DF9D1B8"},
    {kRipemd128, kAlphabet, 1, "FD2AA607F71DC8F510714922B371834E"},
    {kRipemd128, kOverlapping56, 1, "A1AA0689D0FAFA2DDC22E88B49133A06"},
    {kRipemd128, kAlphanumeric62, 1, "D1E959EB179C911FAEA4624C60C5C702"},
    {kRipemd128, "1234567890", 8, "3F45EF194732C2DBB2C4A2C769795FA3"},
    {kRipemd128, "a", 1000000, "4A7F5723F954EBA1216C9D8F6320431F"},

    {kRipemd160, "", 1, "9C1185A5C5E9FC54612808977EE8F548B2258D31"},
    {kRipemd160, "a", 1, "0BDC9D2D256B3EE9DAAE347BE6F4DC835A467FFE"},
    {kRipemd160, "abc", 1, "8EB208F7E05D987A9B044A8E98C6B087F15A0BFC"},
    {kRipemd160, "message digest", 1, "5D0689EF49D2FAE572B881B123A85FFA21595F36"},
    {kRipemd160, kAlphabet, 1, "F71C27109C692C1B56BBDCEB5B9D2865B3708DBC"},
    {kRipemd160, kOverlapping56, 1, "12A053384A9C0C88E405A06C27DCF49ADA62EB2B"},
    {kRipemd160, kAlphanumeric62, 1, "B0E20B6E3116640286ED3A87A5713079B21F5189"},
    {kRipemd160, "1234567890", 8, "9B752E45573D4B39F4DBD3323CAB82BF63326BFB"},
    {kRipemd160, "a", 1000000, "52783243C1697BDBE16D37F97F68F08325DC1528"},

    {kRipemd256, "", 1, "02BA4C4E5F8ECD1877FC52D64D30E37A2D9774FB1E5D026380AE0168E3C5522D"},
    {kRipemd256, "a", 1, "F9333E45D857F5D90A91BAB70A1EBA0CFB1BE4B0783C9ACFCD883A9134692925"},
    {kRipemd256, "abc", 1, "AFBD6E228B9D8CBBCEF5CA2D03E6DBA10AC0BC7DCBE4680E1E42D2E975459B65"},
    {kRipemd256, "message digest", 1, "87E971759A1CE47A514D5C914C392C9018C7C46BC14465554AFCDF54A5070C0E"},
    {kRipemd256, kAlphabet, 1, "649D3034751EA216776BF9A18ACC81BC7896118A5197968782DD1FD97D8D5133"},
    {kRipemd256, kOverlapping56, 1, "3843045583AAC6C8C8D9128573E7A9809AFB2A0F34CCC36EA9E72F16F6368E3F"},
    {kRipemd256, kAlphanumeric62, 1, "5740A408AC16B720B84424AE931CBB1FE363D1D0BF4017F1A89F7EA6DE77A0B8"},
    {kRipemd256, "1234567890", 8, "06FDCC7A409548AAF91368C06A6275B553E3F099BF0EA4EDFD6778DF89A890DD"},
    {kRipemd256, "a", 1000000, "AC953744E10E31514C150D4D8D7B677342E33399788296E43AE4850CE4F97978"},

    {kRipemd320, "", 1, "22D65D5661536CDC75C1FDF5C6DE7B41B9F27325EBC61E8557177D705A0EC880151C3A32A00899B8"},
    {kRipemd320, "a", 1, "CE78850638F92658A5A585097579926DDA667A5716562CFCF6FBE77F63542F99B04705D6970DFF5D"},
    {kRipemd320, "abc", 1,
     "DE4C01B3054F8930A79D09AE738E92301E5A17085BEFFDC1B8D116713E74F82FA942D64CDBC4682D"},
    {kRipemd320, "message digest", 1,
     "3A8E28502ED45D422F68844F9DD316E7B98533FA3F2A91D29F84D425C88D6B4EFF727DF66A7C0197"},
    {kRipemd320, kAlphabet, 1,
     "CABDB1810B92470A2093AA6BCE05952C28348CF43FF60841975166BB40ED234004B8824463E6B009"},
    {kRipemd320, kOverlapping56, 1,
     "D034A7950CF722021BA4B84DF769A5DE2060E259DF4C9BB4A4268C0E935BBC7470A969C9D072A1AC"},
    {kRipemd320, kAlphanumeric62, 1,
     "ED544940C86D67F250D232C30B7B3E5770E0C60C8CB9A4CAFE3B11388AF9920E1B99230B843C86A4"},
    {kRipemd320, "1234567890", 8,
     "557888AF5F6D8ED62AB66945C6D2A0A47ECD5341E915EB8FEA1D0524955F825DC717E4A008AB2D42"},
    {kRipemd320, "a", 1000000,
     "BDEE37F4371E20646B8B0D862DDA16292AE36F40965E8C8509E63D1DBDDECC503E2B63EB9245BB66"},
};

TEST(Ripemd, KnownAnswers) {
    CheckKnownAnswers(kRipemdAnswers);
}

// Lengths around every block edge plus 55 and 56, where the length field stops
// fitting behind the padding byte and a second block is needed.
std::vector<size_t> PaddingEdgeLengths(size_t upTo) {
    std::vector<size_t> lengths = BoundaryLengths({64}, upTo);
    lengths.insert(lengths.end(), {54, 55, 56, 57, 119, 120});
    return lengths;
}

TEST(Ripemd, SplitUpdateMatchesOneShot) {
    for (AlgorithmId id : {kRipemd128, kRipemd160, kRipemd256, kRipemd320})
        CheckSplitsMatchOneShot(id, PaddingEdgeLengths(1200));
}

TEST(Ripemd160, MatchesPythonHashlibAcrossChunkEdges) {
    REQUIRE_TOOL("python3");
    std::vector<size_t> lengths = PaddingEdgeLengths(5000);
    CheckAgainstOracle(kRipemd160, lengths, [](const std::vector<std::filesystem::path>& files) {
        return PythonDigests("ripemd160", files);
    });
}

TEST(Ripemd160, MatchesOpenssl) {
    REQUIRE_TOOL("openssl");
    CheckAgainstOracle(kRipemd160, PaddingEdgeLengths(3000),
                       [](const std::vector<std::filesystem::path>& files) {
                           // OpenSSL 3.0.7 and later serve RIPEMD-160 from the default provider
                           // (earlier 3.0 releases needed -provider legacy).
                           return ToolDigests("openssl dgst -r -ripemd160", files);
                       });
}

TEST(Ripemd160, MatchesRhash) {
    REQUIRE_TOOL("rhash");
    CheckAgainstOracle(kRipemd160, PaddingEdgeLengths(3000),
                       [](const std::vector<std::filesystem::path>& files) {
                           return ToolDigests("rhash --printf='%{ripemd160}\\n'", files);
                       });
}

} // namespace
} // namespace vesk::test
