// Properties every registry entry must have, over one table of all 38
// algorithms: published answers, splits of the input, block and padding
// edges, alignment, a fresh start from any context, one shared context set,
// and an independent command-line oracle across the file reader's 1 MiB
// chunk edges. Family files keep only what is special to a family.
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

namespace vesk::test {
namespace {

// The registry's ids, in its order.
// clang-format off
enum : AlgorithmId {
    kBlake2b, kBlake2bp, kBlake2s, kBlake2sp, kAdler32, kCrc32, kCrc64, kEdonR224, kEdonR256, kEdonR384,
    kEdonR512, kHas160, kGost, kMd2, kMd4, kMd5, kRipemd128, kRipemd160, kRipemd256, kRipemd320, kSha1,
    kSha224, kSha256, kSha384, kSha512, kSha3_224, kSha3_256, kSha3_384, kSha3_512, kSnefru128, kSnefru256,
    kTth, kTiger, kWhirlpool, kXxh32, kXxh64, kXxh3, kXxh128, kBlake3,
};
// clang-format on

constexpr const char* kAlphabet = "abcdefghijklmnopqrstuvwxyz";
constexpr const char* kAlphanumeric = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr const char* kTigerAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-";
constexpr const char* k448Bits = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
constexpr const char* kSixteenFF = "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF";

// clang-format off
constexpr KnownAnswer kPublishedAnswers[] = {
    // BLAKE2: RFC 7693 appendices A and B ("abc"); the unkeyed empty-message
    // entries of the designers' testvectors/blake2-kat.json (the tree modes'
    // entries are in Blake2Test).
    {kBlake2b, "abc", 1, "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d17d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923"},
    {kBlake2s, "abc", 1, "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982"},
    {kBlake2b, "", 1, "786a02f742015903c6c6fd852552d272912f4740e15847618a86e217f71f5419d25e1031afee585313896444934eb04b903a685b1448b755d56f701afe9be2ce"},
    {kBlake2s, "", 1, "69217a3079908094e11121d042354a7c1f55b6482ca1a51e1b250dfd1ed0eef9"},
    // Adler32: the program's own values, and long runs of 0xFF (which drive both sums highest) as python3's
    // zlib.adler32 computes them: one reduction run, then 50 MiB.
    {kAdler32, "", 1, "00000001"},
    {kAdler32, "123456789", 1, "091e01de"},
    {kAdler32, "a", 1000000, "15d870f9"},
    {kAdler32, kSixteenFF, 5552 / 16, "f18f9b8c"},
    {kAdler32, kSixteenFF, (50 << 20) / 16, "09b1b3d3"},
    // CRC-32/ISO-HDLC and CRC-64/XZ: the check values of the CRC catalogue.
    {kCrc32, "", 1, "00000000"},
    {kCrc32, "123456789", 1, "cbf43926"},
    {kCrc64, "", 1, "0000000000000000"},
    {kCrc64, "123456789", 1, "995dc9bbdf1939fa"},
    {kCrc64, "abc", 1, "2cd8094a1a277627"},
    // Edon-R 256 and 512 as rhash 1.4.3 computes them.
    {kEdonR256, "", 1, "86e7c84024c55dbdc9339b395c95e88db8f781719851ad1d237c6e6a8e370b80"},
    {kEdonR256, "abc", 1, "0360f65d97c2152ea6ebe3d462bf49831e2d5f67b6140992320585d89fd271ce"},
    {kEdonR512, "", 1, "c7afbdf3e5b4590eb0b25000bf83fb16d4f9b722ee7f9a2dc2bd382035e8ee38d6f6f15c7b8eec85355ac59af989799950c64557eab0e687d0fcbdba90ae9704"},
    {kEdonR512, "abc", 1, "fe79bcfa310245d9139da8bc91b99fd022326f7f3aca1dfdfb6c84e4125d71fe9bb6a1d41afce358f8472835220a7829d5146b2bbfc8e5c2627f60a9b517c1a4"},
    // HAS-160: C. H. Lim, "The revised version of KCDSA".
    {kHas160, "", 1, "307964ef34151d37c8047adec7ab50f4ff89762d"},
    {kHas160, "abc", 1, "975e810488cf2a3d49838478124afce4b1c78804"},
    {kHas160, "a", 1000000, "d6ad6f0608b878da9b87999c2525cc84f4c9f18d"},
    {kHas160, kAlphanumeric, 1, "cb5d7efbca2f02e0fb7167cabb123af5795764e5"},
    // GOST: RFC 5831 section 7, the test-parameter-set values published with it,
    // and runs of 0xFF that carry through all eight words of the control sum
    // (rhash 1.4.3).
    {kGost, "", 1, "ce85b99cc46752fffee35cab9a7b0278abb4c2d2055cff685af4912c49490f8d"},
    {kGost, "abc", 1, "f3134348c44fb1b2a277729e2285ebb5cb5e0f29c975bc753b70497c06a4d51d"},
    {kGost, "This is message, length=32 bytes", 1, "b1c466d37519b82e8319819ff32595e047a28cb6f83eff1c6916a815a637fffa"},
    {kGost, "Suppose the original message has length = 50 bytes", 1, "471aba57a60a770d3a76130635c1fbea4ef14de51f78b4ae57dd893b62f55208"},
    {kGost, "U", 128, "53a3a3ed25180cef0c1d85a074273e551c25660a87062a52d926a9e8fe5733a4"},
    {kGost, "a", 1000000, "5c00ccc2734cdd3332d3d4749576e3c1a7dbaf0e7ea74e9fa602413c90a129fa"},
    {kGost, "\xFF", 32, "69191b650435a5d509d0006b9c9e06d9a411c91a30c87711241057d65d354c06"},
    {kGost, "\xFF", 33, "5a7d5df78ae8b295ba3200b9bbd0c64aa51bc319903a678bebb50787a42f7133"},
    {kGost, "\xFF", 96, "1fd385e758e22055ad1512e634b269673eec03ec046a8846d53444957891aee6"},
    {kGost, "\xFF", 1000, "24d14cc820364f77dbb9120a538386e9e376a23c0e050f41b5959df423c62372"},
    // MD2, MD4, MD5: the test suites of RFC 1319, 1320 and 1321, and set 1
    // vector #8 of NESSIE (a million 'a'). No common tool computes MD2.
    {kMd2, "", 1, "8350e5a3e24c153df2275c9f80692773"},
    {kMd2, "a", 1, "32ec01ec4a6dac72c0ab96fb34c0b5d1"},
    {kMd2, "abc", 1, "da853b0d3f88d99b30283a69e6ded6bb"},
    {kMd2, "message digest", 1, "ab4f496bfb2a530b219ff33031fe06b0"},
    {kMd2, kAlphabet, 1, "4e8ddff3650292ab5a4108c3aa47940b"},
    {kMd2, kAlphanumeric, 1, "da33def2a42df13975352846c30338cd"},
    {kMd2, "1234567890", 8, "d5976f79d83d3a0dc9806c3c66f3efd8"},
    {kMd2, "a", 1000000, "8c0a09ff1216ecaf95c8130953c62efd"},
    {kMd4, "", 1, "31d6cfe0d16ae931b73c59d7e0c089c0"},
    {kMd4, "abc", 1, "a448017aaf21d8525fc10ae87aa6729d"},
    {kMd4, "a", 1000000, "bbce80cc6bb65e5c6745e30d4eeca9a4"},
    {kMd5, "", 1, "d41d8cd98f00b204e9800998ecf8427e"},
    {kMd5, "abc", 1, "900150983cd24fb0d6963f7d28e17f72"},
    {kMd5, "a", 1000000, "7707d6ae4e027c70eea2a935c2296f21"},
    // RIPEMD: the designers' tables (Bosselaers, the RIPEMD-160 page); more of
    // the 128-bit one and the 256 and 320 bit extensions, which no common tool computes.
    {kRipemd128, "", 1, "cdf26213a150dc3ecb610f18f6b38b46"},
    {kRipemd128, "a", 1, "86be7afa339d0fc7cfc785e72f578d33"},
    {kRipemd128, "abc", 1, "c14a12199c66e4ba84636b0f69144c77"},
    {kRipemd128, "message digest", 1, "9e327b3d6e523062afc1132d7df9d1b8"},
    {kRipemd128, k448Bits, 1, "a1aa0689d0fafa2ddc22e88b49133a06"},
    {kRipemd128, "a", 1000000, "4a7f5723f954eba1216c9d8f6320431f"},
    {kRipemd160, "", 1, "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {kRipemd160, "abc", 1, "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
    {kRipemd160, k448Bits, 1, "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
    {kRipemd160, "a", 1000000, "52783243c1697bdbe16d37f97f68f08325dc1528"},
    {kRipemd256, "", 1, "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d"},
    {kRipemd256, "a", 1, "f9333e45d857f5d90a91bab70a1eba0cfb1be4b0783c9acfcd883a9134692925"},
    {kRipemd256, "abc", 1, "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65"},
    {kRipemd256, "message digest", 1, "87e971759a1ce47a514d5c914c392c9018c7c46bc14465554afcdf54a5070c0e"},
    {kRipemd256, k448Bits, 1, "3843045583aac6c8c8d9128573e7a9809afb2a0f34ccc36ea9e72f16f6368e3f"},
    {kRipemd256, "a", 1000000, "ac953744e10e31514c150d4d8d7b677342e33399788296e43ae4850ce4f97978"},
    {kRipemd320, "", 1, "22d65d5661536cdc75c1fdf5c6de7b41b9f27325ebc61e8557177d705a0ec880151c3a32a00899b8"},
    {kRipemd320, "a", 1, "ce78850638f92658a5a585097579926dda667a5716562cfcf6fbe77f63542f99b04705d6970dff5d"},
    {kRipemd320, "abc", 1, "de4c01b3054f8930a79d09ae738e92301e5a17085beffdc1b8d116713e74f82fa942d64cdbc4682d"},
    {kRipemd320, "message digest", 1, "3a8e28502ed45d422f68844f9dd316e7b98533fa3f2a91d29f84d425c88d6b4eff727df66a7c0197"},
    {kRipemd320, k448Bits, 1, "d034a7950cf722021ba4b84df769a5de2060e259df4c9bb4a4268c0e935bbc7470a969c9d072a1ac"},
    {kRipemd320, "a", 1000000, "bdee37f4371e20646b8b0d862dda16292ae36f40965e8c8509e63d1dbddecc503e2b63eb9245bb66"},
    // SHA-1 and SHA-2: FIPS 180-2 appendices A to D, RFC 3874.
    {kSha1, "", 1, "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    {kSha1, "abc", 1, "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {kSha1, "a", 1000000, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {kSha224, "", 1, "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f"},
    {kSha224, "abc", 1, "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
    {kSha224, "a", 1000000, "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67"},
    {kSha256, "", 1, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {kSha256, "abc", 1, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {kSha256, "a", 1000000, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {kSha384, "", 1, "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
    {kSha384, "abc", 1, "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {kSha384, "a", 1000000, "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985"},
    {kSha512, "", 1, "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931bd47417a81a538327af927da3e"},
    {kSha512, "abc", 1, "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"},
    {kSha512, "a", 1000000, "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5c2c49aa2e4eadb217ad8cc09b"},
    // SHA-3: NIST's examples for FIPS 202 (Msg0, "abc", Msg1600).
    {kSha3_224, "", 1, "6b4e03423667dbb73b6e15454f0eb1abd4597f9a1b078e3f5b5a6bc7"},
    {kSha3_224, "abc", 1, "e642824c3f8cf24ad09234ee7d3c766fc9a3a5168d0c94ad73b46fdf"},
    {kSha3_224, "\xA3", 200, "9376816aba503f72f96ce7eb65ac095deee3be4bf9bbc2a1cb7e11e0"},
    {kSha3_256, "", 1, "a7ffc6f8bf1ed76651c14756a061d662f580ff4de43b49fa82d80a4b80f8434a"},
    {kSha3_256, "abc", 1, "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"},
    {kSha3_256, "\xA3", 200, "79f38adec5c20307a98ef76e8324afbfd46cfd81b22e3973c65fa1bd9de31787"},
    {kSha3_384, "", 1, "0c63a75b845e4f7d01107d852e4c2485c51a50aaaa94fc61995e71bbee983a2ac3713831264adb47fb6bd1e058d5f004"},
    {kSha3_384, "abc", 1, "ec01498288516fc926459f58e2c6ad8df9b473cb0fc08c2596da7cf0e49be4b298d88cea927ac7f539f1edf228376d25"},
    {kSha3_384, "\xA3", 200, "1881de2ca7e41ef95dc4732b8f5f002b189cc1e42b74168ed1732649ce1dbcdd76197a31fd55ee989f2d7050dd473e8f"},
    {kSha3_512, "", 1, "a69f73cca23a9ac5c8b567dc185a756e97c982164fe25859e0d1dcc1475c80a615b2123af1f5f94c11e3e9402c3ac558f500199d95b6d3e301758586281dcd26"},
    {kSha3_512, "abc", 1, "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec57647e3934057340b4cf408d5a56592f8274eec53f0"},
    {kSha3_512, "\xA3", 200, "e76dfad22084a8b1467fcf2ffa58361bec7628edf5f3fdc0e4805dc48caeeca81b7c13c30adf52a3659584739a2df46be589c51ca1a4a8416df6545a1ce8ba00"},
    // Snefru: Merkle's distribution 2.5a (testSnefru, testSnefru256).
    {kSnefru128, "", 1, "8617f366566a011837f4fb4ba5bedea2"},
    {kSnefru128, "abc", 1, "553d0648928299a0f22a275a02c83b10"},
    {kSnefru128, "123456789\n", 1, "6103721ccd8ad565d68e90b0f8906163"},
    {kSnefru256, "", 1, "8617f366566a011837f4fb4ba5bedea2b892f3ed8b894023d16ae344b2be5881"},
    {kSnefru256, "abc", 1, "7d033205647a2af3dc8339f6cb25643c33ebc622d32979c4b612b02c4903031b"},
    {kSnefru256, "123456789\n", 1, "4ca72639e40e9ab9c0c3f523c4449b3911632d374c124d7702192ec2e4e0b7a3"},
    // Tiger: the Tiger home page (Anderson and Biham) and NESSIE; the Tiger tree
    // hash of the empty message and of "abc" as rhash 1.4.3 computes them.
    {kTiger, "", 1, "3293ac630c13f0245f92bbb1766e16167a4e58492dde73f3"},
    {kTiger, "abc", 1, "2aab1484e8c158f2bfb8c5ff41b57a525129131c957b5f93"},
    {kTiger, kTigerAlphabet, 2, "c54034e5b43eb8005848a7e0ae6aac76e4ff590ae715fd25"},
    {kTiger, "a", 1000000, "6db0e2729cbead93d715c6a7d36302e9b3cee0d2bc314b41"},
    {kTth, "", 1, "5d9ed00a030e638bdb753a6a24fb900e5a63b8e73e6c25b6"},
    {kTth, "abc", 1, "0487ca26443f59cfbc780f3ca0ce509c8c352c27c5dcca20"},
    // Whirlpool: ISO/IEC 10118-3:2004 as listed with the reference implementation.
    {kWhirlpool, "", 1, "19fa61d75522a4669b44e39c1d2e1726c530232130d407f89afee0964997f7a73e83be698b288febcf88e3e03c4f0757ea8964e59b63d93708b138cc42a66eb3"},
    {kWhirlpool, "abc", 1, "4e2448a4c6f486bb16b6562c73b4020bf3043e3a731bce721ae1b303d97e6d4c7181eebdb6c57e277d0e34957114cbd6c797fc9d95d8b582d225292076d4eef5"},
    {kWhirlpool, "1234567890", 8, "466ef18babb0154d25b9d38a6414f5c08784372bccb204d6549c4afadb6014294d5bd8df2a6c44e538cd047b2681a51a2c60481e88c5a20b2c2a80cf3a9a083b"},
    {kWhirlpool, "a", 1000000, "0c99005beb57eff50a7cf005560ddf5d29057fd86b20bfd62deca0f1ccea4af51fc15490eddc47af32bb2b66c34ff9ad8c6008ad677f77126953b226e4ed8b01"},
    // xxHash: xxhsum 0.8.1 on each side of the short-input limit and the first
    // block, so that the library compiled into the Windows build is checked too.
    {kXxh32, "", 1, "02cc5d05"},
    {kXxh32, "abc", 1, "32d153ff"},
    {kXxh32, "a", 241, "39f7373b"},
    {kXxh32, "a", 1025, "1d44011f"},
    {kXxh64, "", 1, "ef46db3751d8e999"},
    {kXxh64, "abc", 1, "44bc2cf5ad770999"},
    {kXxh64, "a", 241, "2d0b0ad15a92c62c"},
    {kXxh64, "a", 1025, "c966c285758e0f65"},
    {kXxh3, "", 1, "2d06800538d394c2"},
    {kXxh3, "abc", 1, "78af5f94892f3950"},
    {kXxh3, "a", 241, "f6cfef5c5aca1930"},
    {kXxh3, "a", 1025, "d46a63acfb8da1ea"},
    {kXxh128, "", 1, "99aa06d3014798d86001c324468d497f"},
    {kXxh128, "abc", 1, "06b05ab6733a618578af5f94892f3950"},
    {kXxh128, "a", 241, "3e7bebe4a2c07b0bf6cfef5c5aca1930"},
    {kXxh128, "a", 1025, "c91deb339ee4dc16d46a63acfb8da1ea"},
    {kBlake3, "abc", 1, "6437b3ac38465133ffb63b75273a8db548c558465d79db03fd359c6cd5bd9d85"},
};
// clang-format on

// The command-line tools that answer for an algorithm, given all files at once.
enum class Oracle { None, Hashlib, Rhash, Xxhsum, Zlib, Crc64Script };

// Where an algorithm's buffering and padding can go wrong, and who checks it.
struct Entry {
    AlgorithmId id;
    size_t blockBytes;
    size_t otherEdge;     // another length whose multiples matter (a leaf, a stripe, a reduction run)
    size_t lastPaddedFit; // the longest tail whose padding still fits its block; 0 when none is special
    Oracle oracle;
    const char* oracleName; // hashlib name, rhash format, xxhsum variant, zlib function
};

// clang-format off
constexpr Entry kEntries[] = {
    {kBlake2b, 128, 512, 0, Oracle::Hashlib, "blake2b"},
    {kBlake2bp, 128, 512, 0, Oracle::None, nullptr}, // tree modes: Blake2Test
    {kBlake2s, 64, 512, 0, Oracle::Hashlib, "blake2s"},
    {kBlake2sp, 64, 512, 0, Oracle::None, nullptr},
    {kAdler32, 16, 5552, 0, Oracle::Zlib, "adler32"},
    {kCrc32, 8, 64, 0, Oracle::Zlib, "crc32"},
    {kCrc64, 8, 64, 0, Oracle::Crc64Script, nullptr},
    {kEdonR224, 64, 0, 55, Oracle::None, nullptr}, // tied to Edon-R 256: EdonRTest
    {kEdonR256, 64, 0, 55, Oracle::Rhash, "{edon-r256}"},
    {kEdonR384, 128, 0, 119, Oracle::None, nullptr},
    {kEdonR512, 128, 0, 119, Oracle::Rhash, "{edon-r512}"},
    {kHas160, 64, 0, 55, Oracle::Rhash, "{has160}"},
    {kGost, 32, 0, 0, Oracle::Rhash, "{gost94}"},
    {kMd2, 16, 0, 0, Oracle::None, nullptr},
    {kMd4, 64, 0, 55, Oracle::Rhash, "{md4}"},
    {kMd5, 64, 0, 55, Oracle::Hashlib, "md5"},
    {kRipemd128, 64, 0, 55, Oracle::None, nullptr},
    {kRipemd160, 64, 0, 55, Oracle::Rhash, "{ripemd160}"},
    {kRipemd256, 64, 0, 55, Oracle::None, nullptr},
    {kRipemd320, 64, 0, 55, Oracle::None, nullptr},
    {kSha1, 64, 0, 55, Oracle::Hashlib, "sha1"},
    {kSha224, 64, 0, 55, Oracle::Hashlib, "sha224"},
    {kSha256, 64, 0, 55, Oracle::Hashlib, "sha256"},
    {kSha384, 128, 0, 111, Oracle::Hashlib, "sha384"},
    {kSha512, 128, 0, 111, Oracle::Hashlib, "sha512"},
    {kSha3_224, 144, 0, 143, Oracle::Hashlib, "sha3_224"},
    {kSha3_256, 136, 0, 135, Oracle::Hashlib, "sha3_256"},
    {kSha3_384, 104, 0, 103, Oracle::Hashlib, "sha3_384"},
    {kSha3_512, 72, 0, 71, Oracle::Hashlib, "sha3_512"},
    {kSnefru128, 48, 0, 0, Oracle::Rhash, "{snefru128}"},
    {kSnefru256, 32, 0, 0, Oracle::Rhash, "{snefru256}"},
    {kTth, 64, 1024, 0, Oracle::Rhash, "x{tth}"},
    {kTiger, 64, 0, 55, Oracle::Rhash, "{tiger}"},
    {kWhirlpool, 64, 0, 31, Oracle::Rhash, "{whirlpool}"},
    {kXxh32, 16, 1024, 0, Oracle::Xxhsum, "0"},
    {kXxh64, 32, 1024, 0, Oracle::Xxhsum, "1"},
    {kXxh3, 64, 1024, 240, Oracle::Xxhsum, "3"}, // 240: the longest short input
    {kXxh128, 64, 1024, 240, Oracle::Xxhsum, "2"},
    {kBlake3, 64, 1024, 0, Oracle::None, nullptr}, // the tree and b3sum: Blake3Test
};
// clang-format on
static_assert(std::size(kEntries) == kAlgorithmCount);

// Every block edge up to a few blocks, and each side of where the padding stops fitting.
std::vector<size_t> EdgeLengths(const Entry& entry) {
    const size_t other = entry.otherEdge != 0 ? entry.otherEdge : entry.blockBytes;
    std::vector<size_t> lengths =
        BoundaryLengths({entry.blockBytes, other}, 3 * std::max(entry.blockBytes, other) + 300);
    if (entry.lastPaddedFit != 0)
        for (size_t block = 0; block < 3; ++block)
            for (size_t n = entry.lastPaddedFit - 1; n <= entry.lastPaddedFit + 2; ++n)
                lengths.push_back(block * entry.blockBytes + n);
    return lengths;
}

// Each test runs in a process of its own: these are the first digests of one,
// so an algorithm whose tables wanted setting up first would fail here.
TEST(Registry, PublishedAnswers) {
    CheckKnownAnswers(kPublishedAnswers);
}

// Entries that share a family's update (SHA-224 and SHA-256, XXH3 and XXH128,
// the Edon-R pairs) each keep a context of their own in one set.
TEST(Registry, EveryAlgorithmInOneSetGivesItsOwnDigest) {
    ContextSetOwner set = StartedContextSet(kAlgorithmBits);
    ASSERT_EQ(set->count, int(kAlgorithmCount));
    const std::vector<uint8_t> data = RandomBytes(5000, TestSeed() ^ 0x5E7);
    size_t start = 0;
    std::vector<size_t> cuts = RandomCuts(data.size(), TestSeed());
    cuts.push_back(data.size());
    for (size_t cut : cuts) {
        for (int k = 0; k < set->count; ++k)
            set->algorithm[k]->update(ContextAt(set.get(), k), data.data() + start, cut - start);
        start = cut;
    }
    for (int k = 0; k < set->count; ++k)
        EXPECT_EQ(FinalHex(*set, k), DigestHex(*set->algorithm[k], data)) << set->algorithm[k]->name;
}

class EveryAlgorithm : public ::testing::TestWithParam<AlgorithmId> {
protected:
    const AlgorithmInfo& info = AlgorithmById(GetParam());
    const Entry& entry = kEntries[GetParam()];
};

std::string NameOf(const ::testing::TestParamInfo<AlgorithmId>& param) {
    std::string name = AlgorithmById(param.param).name;
    for (char& c : name)
        if (!std::isalnum(uint8_t(c)))
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Registry, EveryAlgorithm, ::testing::Range(AlgorithmId{0}, kAlgorithmCount), NameOf);

// Random cuts at every edge; and every cut into three pieces, empty ones
// included, which crosses each way a partial block can be topped up,
// finished or left whole.
TEST_P(EveryAlgorithm, SplitUpdatesMatchOneShot) {
    ASSERT_EQ(entry.id, GetParam());
    CheckSplitsMatchOneShot(GetParam(), EdgeLengths(entry));
    const std::vector<uint8_t> data = RandomBytes(2 * 32 + 1, TestSeed() ^ GetParam());
    const std::string expected = DigestHex(info, data);
    for (size_t first = 0; first <= data.size(); ++first)
        for (size_t second = first; second <= data.size(); ++second)
            ASSERT_EQ(DigestHexInPieces(info, data, {first, second}), expected)
                << "cut at " << first << ", " << second;
}

// Input at any address: some families read whole words in place.
TEST_P(EveryAlgorithm, DigestDoesNotDependOnAlignment) {
    const std::vector<uint8_t> data = RandomBytes(2100, TestSeed() ^ 0xA11);
    std::vector<uint8_t> buffer(data.size() + 8);
    for (size_t length : {1, 31, 33, 48, 63, 64, 65, 129, 1025, 2100}) {
        const std::string expected = DigestHex(info, {data.data(), length});
        for (size_t offset = 1; offset < 8; ++offset) {
            std::copy_n(data.begin(), length, buffer.begin() + ptrdiff_t(offset));
            const std::span<const uint8_t> input(buffer.data() + offset, length);
            EXPECT_EQ(DigestHex(info, input), expected) << length << " bytes at +" << offset;
            EXPECT_EQ(DigestHexInPieces(info, input, {length / 3}), expected)
                << length << " bytes at +" << offset;
        }
    }
}

// Init alone makes any context a fresh one; an empty update may pass no data.
TEST_P(EveryAlgorithm, InitStartsOverAndEmptyUpdatesChangeNothing) {
    const std::vector<uint8_t> data = RandomBytes(300, TestSeed() ^ 0x1417);
    ContextSetOwner set(BuildContextSet(SelectionMask{1} << GetParam()));
    void* context = ContextAt(set.get(), 0);
    std::memset(context, 0xA5, info.contextSize);
    for (int round = 0; round < 2; ++round) {
        info.init(context);
        info.update(context, nullptr, 0);
        info.update(context, data.data(), data.size());
        info.update(context, nullptr, 0);
        EXPECT_EQ(FinalHex(*set, 0), DigestHex(info, data)) << "round " << round;
    }
}

const Entry* oracleEntry = nullptr; // the entry RunOracle answers for

std::vector<std::string> RunOracle(const std::vector<std::filesystem::path>& files) {
    const std::string name = oracleEntry->oracleName != nullptr ? oracleEntry->oracleName : "";
    switch (oracleEntry->oracle) {
    case Oracle::Hashlib:
        return PythonDigests(name, files);
    case Oracle::Rhash:
        return ToolDigests("rhash --printf='%" + name + "\\n'", files);
    case Oracle::Xxhsum: // -H3 prints "XXH3 (file) = digest"
        return ToolDigests("sh -c 'xxhsum -H" + name + " \"$@\" 2>/dev/null | sed \"s/.* = //\"' xxhsum",
                           files);
    case Oracle::Zlib:
        return ToolDigests("python3 -c 'import sys,zlib\n"
                           "for f in sys.argv[1:]: print(\"%08x\" % zlib." +
                               name + "(open(f,\"rb\").read()))'",
                           files);
    case Oracle::Crc64Script: // no common tool has CRC-64/XZ: the byte-at-a-time table, built from the
                              // polynomial
        return ToolDigests("python3 -c 'import sys\n"
                           "T = []\n"
                           "for i in range(256):\n"
                           "    r = i\n"
                           "    for _ in range(8): r = (r >> 1) ^ (0xC96C5795D7870F42 if r & 1 else 0)\n"
                           "    T.append(r)\n"
                           "for f in sys.argv[1:]:\n"
                           "    r = 0xFFFFFFFFFFFFFFFF\n"
                           "    for b in open(f, \"rb\").read(): r = T[(r ^ b) & 0xFF] ^ (r >> 8)\n"
                           "    print(\"%016x\" % (r ^ 0xFFFFFFFFFFFFFFFF))'",
                           files);
    case Oracle::None:
        break;
    }
    return {};
}

class EveryOracle : public EveryAlgorithm {};

std::vector<AlgorithmId> IdsWithOracles() {
    std::vector<AlgorithmId> ids;
    for (const Entry& entry : kEntries)
        if (entry.oracle != Oracle::None)
            ids.push_back(entry.id);
    return ids;
}

INSTANTIATE_TEST_SUITE_P(Registry, EveryOracle, ::testing::ValuesIn(IdsWithOracles()), NameOf);

TEST_P(EveryOracle, MatchesItsToolAtEveryEdgeAndAcrossChunks) {
    REQUIRE_TOOL(entry.oracle == Oracle::Rhash    ? "rhash"
                 : entry.oracle == Oracle::Xxhsum ? "xxhsum"
                                                  : "python3");
    oracleEntry = &entry;
    CheckAgainstOracle(GetParam(), EdgeLengths(entry), RunOracle);
}

} // namespace
} // namespace vesk::test
