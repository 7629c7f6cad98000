// The tree modes BLAKE2bp and BLAKE2sp: leaves fed block by block in turn and a
// root over their digests. (BLAKE2b and BLAKE2s are checked with every other
// algorithm.)
#include "algorithms/Blake2.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <numeric>

namespace vesk::test {
namespace {

constexpr AlgorithmId kBlake2bp = 1;
constexpr AlgorithmId kBlake2sp = 3;

// An unkeyed answer of the designers' reference code: the message is the
// bytes 00 01 02 ... of the given length.
struct CountingAnswer {
    AlgorithmId id;
    size_t length;
    const char* expectedHex;
};

// BLAKE2/BLAKE2 on GitHub, testvectors/blake2-kat.json, the entries with an
// empty key; lengths around the 64- and 128-byte blocks. For BLAKE2bp, 129 and
// more bytes reach leaf 1; for BLAKE2sp, 255 bytes reach leaves 0 to 3.
// clang-format off
constexpr CountingAnswer kReferenceAnswers[] = {
    {kBlake2bp, 0, "b5ef811a8038f70b628fa8b294daae7492b1ebe343a80eaabbf1f6ae664dd67b9d90b0120791eab81dc96985f28849f6a305186a85501b405114bfa678df9380"},
    {kBlake2bp, 1, "a139280e72757b723e6473d5be59f36e9d50fc5cd7d4585cbc09804895a36c521242fb2789f85cb9e35491f31d4a6952f9d8e097aef94fa1ca0b12525721f03d"},
    {kBlake2bp, 2, "ef8cda9635d5063af81115da3c52325a86e84074f9f724b7cbd0b0856ff00177cdd283c298326cd0917754c5241f1480fb509cf2d2c449818077ae35fc330737"},
    {kBlake2bp, 3, "8cf933a2d361a3e6a136dbe4a01e7903797ad6ce766e2b91b9b4a4035127d65f4be86550119418e22da00fd06bf2b27596b37f06be0a154aaf7eca54c4520b97"},
    {kBlake2bp, 63, "0425caaa923b47b35045eb50829c048bc890444afeefc0afc9d1877b821e043c9c7b9d6dc33fbbdfa537c1ece311965b2fee8982bc46a2a750bfc71d79dbea04"},
    {kBlake2bp, 64, "6b9d86f15c090a00fc3d907f906c5eb79265e58b88eb64294b4cc4e2b89b1a7c5ee3127ed21b456862de6b2abda59eaacf2dcbe922ca755e40735be81d9c88a5"},
    {kBlake2bp, 65, "146a187a99e8a2d233e0eb373d437b02bfa8d6515b3ca1de48a6b6acf7437eb7e7ac3f2d19ef3bb9b833cc5761dba22d1ad060be76cdcb812d64d578e989a5a4"},
    {kBlake2bp, 127, "ea64b003a135766121cfbccbdc08dca2402926be78cea3d0a7253d9ec9e63b8acdd994559917e0e03b5e155f944d7198d99245a794ce19c9b4df4da4a3399334"},
    {kBlake2bp, 128, "05ad0f271faf7e361320518452813ff9fb9976ac378050b6eefb05f7867b577b8f14475794cff61b2bc062d346a7c65c6e0067c60a374af7940f10aa449d5fb9"},
    {kBlake2bp, 129, "b545880294afa153f8b9f49c73d952b5d1228f1a1ab5ebcb05ff79e560c030f7500fe256a40b6a0e6cb3d42acd4b98595c5b51eaec5ad69cd40f1fc16d2d5f50"},
    {kBlake2bp, 191, "28b3c260fa7f23b9ccadd615a11469498adb18d7a9f684fde435c06533f5f508b29b5ecd0ecd57369f22f1c54e61be6cd104c8f7d3e1847aad67073a4786e1db"},
    {kBlake2bp, 192, "d643233325239e2ebd411f0e002330562eb1bb08e68824b71b98199c76d53158d91ddd6f4f8261ec1d72fc77c2cc237eda15f0257cf07b84cf1fbd1dbafa1dfc"},
    {kBlake2bp, 193, "3d7b44cc82efcafcaba6b1910548958c180a0e8d84bc663e8ef9533bd80c4bbaaa255b1981f756eb1079ad0f3471a1fc9d7a432339303a5781a34535309e5a24"},
    {kBlake2bp, 255, "3f35c45d24fcfb4acca651076c08000e279ebbff37a1333ce19fd577202dbd24b58c514e36dd9ba64af4d78eea4e2dd13bc18d798887dd971376bcae0087e17e"},
    {kBlake2sp, 0, "dd0e891776933f43c7d032b08a917e25741f8aa9a12c12e1cac8801500f2ca4f"},
    {kBlake2sp, 1, "a6b9eecc25227ad788c99d3f236debc8da408849e9a5178978727a81457f7239"},
    {kBlake2sp, 2, "dacadece7a8e6bf3abfe324ca695436984b8195d29f6bbd896e41e18e21c9145"},
    {kBlake2sp, 3, "ed14413b40da689f1f7fed2b08dff45b8092db5ec2c3610e02724d202f423c46"},
    {kBlake2sp, 63, "1024c940be7341449b5010522b509f65bbdc1287b455c2bb7f72b2c92fd0d189"},
    {kBlake2sp, 64, "52603b6cbfad4966cb044cb267568385cf35f21e6c45cf30aed19832cb51e9f5"},
    {kBlake2sp, 65, "fff24d3cc729d395daf978b0157306cb495797e6c8dca1731d2f6f81b849baae"},
    {kBlake2sp, 127, "a626543c271fccc3e4450b48d66bc9cbdeb25e5d077a6213cd90cbbd0fd22076"},
    {kBlake2sp, 128, "05cf3a90049116dc60efc31536aaa3d167762994892876dcb7ef3fbecd7449c0"},
    {kBlake2sp, 129, "ccd61c926cc1e5e9128c021c0c6e92aefc4ffbde394dd6f3b7d87a8ced896014"},
    {kBlake2sp, 191, "c7fdade59c4699385eba59e756c2b171b023deae082e5a6e3bfbdc1073a32003"},
    {kBlake2sp, 192, "975327c5f4dec6414b6e00cb042337b8d2a6564637a7442aec7be8f8c89a2f1c"},
    {kBlake2sp, 193, "a2f7246df4a24efbacd3fd60683abc868bef25327052cf2f1d93ece4ffcd73c6"},
    {kBlake2sp, 255, "25059f10605e67adfe681350666e15ae976a5a571c13cf5bc8053f430e120a52"},
};
// clang-format on

TEST(Blake2, ReferenceUnkeyedTreeAnswers) {
    for (const CountingAnswer& answer : kReferenceAnswers) {
        std::vector<uint8_t> input(answer.length);
        std::iota(input.begin(), input.end(), uint8_t{0});
        EXPECT_EQ(DigestHex(AlgorithmById(answer.id), input), answer.expectedHex)
            << AlgorithmById(answer.id).name << " of 00 01 02 ... (" << answer.length << " bytes)";
    }
}

// Updates that end exactly on a block or stripe edge leave a full block (or
// none) held in some leaf, the case the random cuts rarely hit; pieces of two
// stripes and more also start on a stripe edge with every leaf holding a block.
TEST(Blake2, UpdatesEndingOnBlockAndStripeEdgesMatchOneShot) {
    const std::vector<uint8_t> data = RandomBytes(6 * kBlake2StripeBytes + 1, TestSeed());
    for (AlgorithmId id : {kBlake2bp, kBlake2sp}) {
        const AlgorithmInfo& info = AlgorithmById(id);
        for (size_t length : {511, 512, 513, 1024, 1025, 2048, 2560, 3072, 3073}) {
            const std::span<const uint8_t> input(data.data(), length);
            for (size_t step : {64, 128, 512, 1024, 1536}) {
                std::vector<size_t> cuts;
                for (size_t cut = step; cut < length; cut += step)
                    cuts.push_back(cut);
                EXPECT_EQ(DigestHexInPieces(info, input, cuts), DigestHex(info, input))
                    << info.name << ", " << length << " bytes in pieces of " << step;
            }
        }
    }
}

// hashlib has no tree modes, but its BLAKE2 objects take the tree parameters:
// this builds BLAKE2bp and BLAKE2sp from them (leaves with node offsets 0 to
// n-1, the last one marked, leaf blocks dealt out in turn, a root over the leaf
// digests). It agrees with every unkeyed answer of the reference code.
std::vector<std::string> PythonTreeDigests(const char* function, int leafCount, int blockBytes,
                                           const std::vector<std::filesystem::path>& files) {
    return ToolDigests(
        std::string("python3 -c 'import hashlib,sys\n"
                    "h, n, b = hashlib.") +
            function + ", " + std::to_string(leafCount) + ", " + std::to_string(blockBytes) +
            "\n"
            "kw = dict(fanout=n, depth=2, leaf_size=0, inner_size=h().digest_size)\n"
            "for f in sys.argv[1:]:\n"
            "  data = open(f, \"rb\").read()\n"
            "  leaves = [h(node_offset=i, node_depth=0, last_node=(i == n - 1), **kw) for i in range(n)]\n"
            "  for k in range(0, len(data), b): leaves[k // b % n].update(data[k:k + b])\n"
            "  root = h(node_offset=0, node_depth=1, last_node=True, **kw)\n"
            "  for leaf in leaves: root.update(leaf.digest())\n"
            "  print(root.hexdigest())'",
        files);
}

TEST(Blake2, TreeModesMatchTreesBuiltWithPythonHashlib) {
    REQUIRE_TOOL("python3");
    CheckAgainstOracle(kBlake2bp, BoundaryLengths({64, 128, kBlake2StripeBytes}, 3000),
                       [](const std::vector<std::filesystem::path>& files) {
                           return PythonTreeDigests("blake2b", kBlake2bpLeafCount, kBlake2bBlockBytes, files);
                       });
    CheckAgainstOracle(kBlake2sp, BoundaryLengths({64, 128, kBlake2StripeBytes}, 3000),
                       [](const std::vector<std::filesystem::path>& files) {
                           return PythonTreeDigests("blake2s", kBlake2spLeafCount, kBlake2sBlockBytes, files);
                       });
}

} // namespace
} // namespace vesk::test
