#include "core/AlgorithmTable.h"

#include "algorithms/Crc32.h"
#include "algorithms/Snefru.h"
#include "algorithms/Tiger.h"
#include "algorithms/Tth.h"
#include "algorithms/Whirlpool.h"

namespace vesk {

namespace {

// An entry whose family is not built into this program: it has no operations,
// is never put into a context set and so never produces a digest.
constexpr AlgorithmInfo Unavailable(const char* name, uint32_t digestLength, AlgorithmId id) {
    return AlgorithmInfo{name, digestLength, id, 0, nullptr, nullptr, nullptr};
}

} // namespace

// clang-format off
const std::array<AlgorithmInfo, kAlgorithmCount> AlgorithmTable = {{
    Unavailable("BLAKE2b", 64, 0),
    Unavailable("BLAKE2bp", 64, 1),
    Unavailable("BLAKE2s", 32, 2),
    Unavailable("BLAKE2sp", 32, 3),
    Unavailable("Adler32", 4, 4),
    MakeAlgorithmInfo<Crc32Context, Crc32Init, Crc32Update, Crc32Final>("CRC32", 4, 5),
    Unavailable("CRC64", 8, 6),
    Unavailable("Edon-R 224", 28, 7),
    Unavailable("Edon-R 256", 32, 8),
    Unavailable("Edon-R 384", 48, 9),
    Unavailable("Edon-R 512", 64, 10),
    Unavailable("HAS-160", 20, 11),
    Unavailable("GOST", 32, 12),
    Unavailable("MD2", 16, 13),
    Unavailable("MD4", 16, 14),
    Unavailable("MD5", 16, 15),
    Unavailable("RIPEMD-128", 16, 16),
    Unavailable("RIPEMD-160", 20, 17),
    Unavailable("RIPEMD-256", 32, 18),
    Unavailable("RIPEMD-320", 40, 19),
    Unavailable("SHA-1", 20, 20),
    Unavailable("SHA-224", 28, 21),
    Unavailable("SHA-256", 32, 22),
    Unavailable("SHA-384", 48, 23),
    Unavailable("SHA-512", 64, 24),
    Unavailable("SHA3-224", 28, 25),
    Unavailable("SHA3-256", 32, 26),
    Unavailable("SHA3-384", 48, 27),
    Unavailable("SHA3-512", 64, 28),
    MakeAlgorithmInfo<SnefruContext, Snefru128Init, SnefruUpdate, SnefruFinal>("Snefru-128", 16, 29),
    MakeAlgorithmInfo<SnefruContext, Snefru256Init, SnefruUpdate, SnefruFinal>("Snefru-256", 32, 30),
    MakeAlgorithmInfo<TthContext, TthInit, TthUpdate, TthFinal>("TTH", 24, 31),
    MakeAlgorithmInfo<TigerContext, TigerInit, TigerUpdate, TigerFinal>("Tiger", 24, 32),
    MakeAlgorithmInfo<WhirlpoolContext, WhirlpoolInit, WhirlpoolUpdate, WhirlpoolFinal>("Whirlpool", 64, 33),
    Unavailable("XXH32", 4, 34),
    Unavailable("XXH64", 8, 35),
    Unavailable("XXH3", 8, 36),
    Unavailable("XXH128", 16, 37),
}};
// clang-format on

SelectionMask AvailableAlgorithms() {
    SelectionMask mask = 0;
    for (const AlgorithmInfo& info : AlgorithmTable)
        if (info.update != nullptr)
            mask |= SelectionMask{1} << info.id;
    return mask;
}

} // namespace vesk
