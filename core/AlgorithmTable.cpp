#include "core/AlgorithmTable.h"

#include "algorithms/Crc32.h"
#include "algorithms/EdonR.h"
#include "algorithms/Ripemd.h"

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
    MakeAlgorithmInfo<EdonR256Context, EdonR224Init, EdonR256Update, EdonR256Final>("Edon-R 224", 28, 7),
    MakeAlgorithmInfo<EdonR256Context, EdonR256Init, EdonR256Update, EdonR256Final>("Edon-R 256", 32, 8),
    MakeAlgorithmInfo<EdonR512Context, EdonR384Init, EdonR512Update, EdonR512Final>("Edon-R 384", 48, 9),
    MakeAlgorithmInfo<EdonR512Context, EdonR512Init, EdonR512Update, EdonR512Final>("Edon-R 512", 64, 10),
    Unavailable("HAS-160", 20, 11),
    Unavailable("GOST", 32, 12),
    Unavailable("MD2", 16, 13),
    Unavailable("MD4", 16, 14),
    Unavailable("MD5", 16, 15),
    MakeAlgorithmInfo<Ripemd128Context, Ripemd128Init, Ripemd128Update, Ripemd128Final>("RIPEMD-128", 16, 16),
    MakeAlgorithmInfo<Ripemd160Context, Ripemd160Init, Ripemd160Update, Ripemd160Final>("RIPEMD-160", 20, 17),
    MakeAlgorithmInfo<Ripemd256Context, Ripemd256Init, Ripemd256Update, Ripemd256Final>("RIPEMD-256", 32, 18),
    MakeAlgorithmInfo<Ripemd320Context, Ripemd320Init, Ripemd320Update, Ripemd320Final>("RIPEMD-320", 40, 19),
    Unavailable("SHA-1", 20, 20),
    Unavailable("SHA-224", 28, 21),
    Unavailable("SHA-256", 32, 22),
    Unavailable("SHA-384", 48, 23),
    Unavailable("SHA-512", 64, 24),
    Unavailable("SHA3-224", 28, 25),
    Unavailable("SHA3-256", 32, 26),
    Unavailable("SHA3-384", 48, 27),
    Unavailable("SHA3-512", 64, 28),
    Unavailable("Snefru-128", 16, 29),
    Unavailable("Snefru-256", 32, 30),
    Unavailable("TTH", 24, 31),
    Unavailable("Tiger", 24, 32),
    Unavailable("Whirlpool", 64, 33),
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
