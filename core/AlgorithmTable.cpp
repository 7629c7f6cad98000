#include "core/AlgorithmTable.h"

#include "algorithms/Adler32.h"
#include "algorithms/Blake2.h"
#include "algorithms/Blake3.h"
#include "algorithms/Crc32.h"
#include "algorithms/Crc64.h"
#include "algorithms/EdonR.h"
#include "algorithms/Gost.h"
#include "algorithms/Has160.h"
#include "algorithms/Md2.h"
#include "algorithms/Md4.h"
#include "algorithms/Md5.h"
#include "algorithms/Ripemd.h"
#include "algorithms/Sha1.h"
#include "algorithms/Sha2.h"
#include "algorithms/Sha3.h"
#include "algorithms/Snefru.h"
#include "algorithms/Tiger.h"
#include "algorithms/Tth.h"
#include "algorithms/Whirlpool.h"
#include "algorithms/XxHash.h"
#include "text/DigestText.h"

#include <span>

namespace vesk {

namespace {

void Blake3PieceValue(const uint8_t* piece, uint64_t byteCount, uint64_t offset, uint8_t* value) {
    Blake3SubtreeCv(piece, byteCount, offset / kBlake3ChunkBytes, value);
}

void Blake3AddPiece(void* context, const uint8_t* value, uint64_t byteCount) {
    Blake3AddSubtree(static_cast<Blake3Context*>(context), value, byteCount);
}

constexpr AlgorithmInfo WithPieceValues(AlgorithmInfo info, AlgorithmPieceValue pieceValue,
                                        AlgorithmAddPiece addPiece) {
    info.pieceValue = pieceValue;
    info.addPiece = addPiece;
    return info;
}

static_assert(kBlake3DigestBytes <= kMaxPieceValueBytes);

} // namespace

// clang-format off
constexpr std::array<AlgorithmInfo, kAlgorithmCount> AlgorithmTable = {{
    MakeAlgorithmInfo<Blake2bContext, Blake2bInit, Blake2bUpdate, Blake2bFinal>("BLAKE2b", 64, 0),
    MakeAlgorithmInfo<Blake2bpContext, Blake2bpInit, Blake2bpUpdate, Blake2bpFinal>("BLAKE2bp", 64, 1),
    MakeAlgorithmInfo<Blake2sContext, Blake2sInit, Blake2sUpdate, Blake2sFinal>("BLAKE2s", 32, 2),
    MakeAlgorithmInfo<Blake2spContext, Blake2spInit, Blake2spUpdate, Blake2spFinal>("BLAKE2sp", 32, 3),
    MakeAlgorithmInfo<Adler32Context, Adler32Init, Adler32Update, Adler32Final>("Adler32", 4, 4),
    MakeAlgorithmInfo<Crc32Context, Crc32Init, Crc32Update, Crc32Final>("CRC32", 4, 5),
    MakeAlgorithmInfo<Crc64Context, Crc64Init, Crc64Update, Crc64Final>("CRC64", 8, 6),
    MakeAlgorithmInfo<EdonR256Context, EdonR224Init, EdonR256Update, EdonR256Final>("Edon-R 224", 28, 7),
    MakeAlgorithmInfo<EdonR256Context, EdonR256Init, EdonR256Update, EdonR256Final>("Edon-R 256", 32, 8),
    MakeAlgorithmInfo<EdonR512Context, EdonR384Init, EdonR512Update, EdonR512Final>("Edon-R 384", 48, 9),
    MakeAlgorithmInfo<EdonR512Context, EdonR512Init, EdonR512Update, EdonR512Final>("Edon-R 512", 64, 10),
    MakeAlgorithmInfo<Has160Context, Has160Init, Has160Update, Has160Final>("HAS-160", 20, 11),
    MakeAlgorithmInfo<GostContext, GostInit, GostUpdate, GostFinal>("GOST", 32, 12),
    MakeAlgorithmInfo<Md2Context, Md2Init, Md2Update, Md2Final>("MD2", 16, 13),
    MakeAlgorithmInfo<Md4Context, Md4Init, Md4Update, Md4Final>("MD4", 16, 14),
    MakeAlgorithmInfo<Md5Context, Md5Init, Md5Update, Md5Final>("MD5", 16, 15),
    MakeAlgorithmInfo<Ripemd128Context, Ripemd128Init, Ripemd128Update, Ripemd128Final>("RIPEMD-128", 16, 16),
    MakeAlgorithmInfo<Ripemd160Context, Ripemd160Init, Ripemd160Update, Ripemd160Final>("RIPEMD-160", 20, 17),
    MakeAlgorithmInfo<Ripemd256Context, Ripemd256Init, Ripemd256Update, Ripemd256Final>("RIPEMD-256", 32, 18),
    MakeAlgorithmInfo<Ripemd320Context, Ripemd320Init, Ripemd320Update, Ripemd320Final>("RIPEMD-320", 40, 19),
    MakeAlgorithmInfo<Sha1Context, Sha1Init, Sha1Update, Sha1Final>("SHA-1", 20, 20),
    MakeAlgorithmInfo<Sha256Context, Sha224Init, Sha256Update, Sha224Final>("SHA-224", 28, 21),
    MakeAlgorithmInfo<Sha256Context, Sha256Init, Sha256Update, Sha256Final>("SHA-256", 32, 22),
    MakeAlgorithmInfo<Sha512Context, Sha384Init, Sha512Update, Sha384Final>("SHA-384", 48, 23),
    MakeAlgorithmInfo<Sha512Context, Sha512Init, Sha512Update, Sha512Final>("SHA-512", 64, 24),
    MakeAlgorithmInfo<Sha3Context, Sha3Init224, Sha3Update, Sha3Final224>("SHA3-224", 28, 25),
    MakeAlgorithmInfo<Sha3Context, Sha3Init256, Sha3Update, Sha3Final256>("SHA3-256", 32, 26),
    MakeAlgorithmInfo<Sha3Context, Sha3Init384, Sha3Update, Sha3Final384>("SHA3-384", 48, 27),
    MakeAlgorithmInfo<Sha3Context, Sha3Init512, Sha3Update, Sha3Final512>("SHA3-512", 64, 28),
    MakeAlgorithmInfo<SnefruContext, Snefru128Init, SnefruUpdate, SnefruFinal>("Snefru-128", 16, 29),
    MakeAlgorithmInfo<SnefruContext, Snefru256Init, SnefruUpdate, SnefruFinal>("Snefru-256", 32, 30),
    MakeAlgorithmInfo<TthContext, TthInit, TthUpdate, TthFinal>("TTH", 24, 31),
    MakeAlgorithmInfo<TigerContext, TigerInit, TigerUpdate, TigerFinal>("Tiger", 24, 32),
    MakeAlgorithmInfo<WhirlpoolContext, WhirlpoolInit, WhirlpoolUpdate, WhirlpoolFinal>("Whirlpool", 64, 33),
    MakeAlgorithmInfo<XxHash32Context, Xxh32Init, Xxh32Update, Xxh32Final>("XXH32", 4, 34),
    MakeAlgorithmInfo<XxHash64Context, Xxh64Init, Xxh64Update, Xxh64Final>("XXH64", 8, 35),
    MakeAlgorithmInfo<XxHash3Context, Xxh3Init, Xxh3Update, Xxh3Final>("XXH3", 8, 36),
    MakeAlgorithmInfo<XxHash3Context, Xxh3Init, Xxh3Update, Xxh128Final>("XXH128", 16, 37),
    WithPieceValues(MakeAlgorithmInfo<Blake3Context, Blake3Init, Blake3Update, Blake3Final>("BLAKE3", 32, 38),
                    Blake3PieceValue, Blake3AddPiece),
}};
// clang-format on

// AlgorithmById relies on each entry sitting at its own id; callers size their
// digest buffers by kMaxDigestLength.
static_assert([] {
    for (AlgorithmId id = 0; id < kAlgorithmCount; ++id)
        if (AlgorithmTable[id].id != id || AlgorithmTable[id].digestLength > kMaxDigestLength)
            return false;
    return true;
}());

namespace {

// The entries whose update runs through a family of code paths.
struct PathFamilyOfEntry {
    AlgorithmId id;
    PathFamily family;
};
constexpr PathFamilyOfEntry kPathFamilyOfEntry[] = {
    {1, PathFamily::Blake2bp},       // BLAKE2bp
    {3, PathFamily::Blake2sp},       // BLAKE2sp
    {4, PathFamily::Adler32},        // Adler32
    {kCrc32Id, PathFamily::Crc32},   // CRC32
    {6, PathFamily::Crc64},          // CRC64
    {7, PathFamily::EdonR256},       // Edon-R 224
    {8, PathFamily::EdonR256},       // Edon-R 256
    {kSha1Id, PathFamily::Sha1},     // SHA-1
    {21, PathFamily::Sha256},        // SHA-224
    {kSha256Id, PathFamily::Sha256}, // SHA-256
    {23, PathFamily::Sha512},        // SHA-384
    {24, PathFamily::Sha512},        // SHA-512
    {25, PathFamily::Sha3},          // SHA3-224
    {26, PathFamily::Sha3},          // SHA3-256
    {27, PathFamily::Sha3},          // SHA3-384
    {28, PathFamily::Sha3},          // SHA3-512
    {33, PathFamily::Whirlpool},     // Whirlpool
    {36, PathFamily::Xxh3},          // XXH3
    {37, PathFamily::Xxh3},          // XXH128
    {38, PathFamily::Blake3},        // BLAKE3
};

} // namespace

std::optional<PathFamily> AlgorithmPathFamily(AlgorithmId id) {
    for (const PathFamilyOfEntry& entry : kPathFamilyOfEntry)
        if (entry.id == id)
            return entry.family;
    return std::nullopt;
}

const char* AlgorithmCodePath(AlgorithmId id) {
    const std::optional<PathFamily> family = AlgorithmPathFamily(id);
    return family ? ActiveCodePath(*family) : "portable";
}

std::wstring DigestToText(const uint8_t* digest, AlgorithmId id, bool uppercase) {
    const std::span<const uint8_t> bytes(digest, AlgorithmById(id).digestLength);
    if (id != kTthId)
        return HexEncode(bytes, uppercase);
    std::wstring text;
    Base32Encode(bytes, !uppercase, text);
    return text;
}

} // namespace vesk
