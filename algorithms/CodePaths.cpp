#include "algorithms/CodePaths.h"

#include "algorithms/PathFunctions.h"

#if defined(__x86_64__)
#include "algorithms/x86/CpuFeatures.h"
#define VESK_X86_PATHS 1
#else
#define VESK_X86_PATHS 0
#endif

#include <span>

namespace vesk {

namespace {

template <typename Function>
struct Variant {
    const char* name;
    uint32_t requiredFeatures; // CpuFeature bits, all needed
    Function function;
};

// Each family's versions, fastest first; the portable one last, needing nothing.
// clang-format off
constexpr Variant<Sha1BlocksFunction> kSha1Variants[] = {
#if VESK_X86_PATHS
    {"shani", kCpuShaNi | kCpuSsse3 | kCpuSse41, Sha1BlocksShani},
#endif
    {"portable", 0, Sha1BlocksPortable},
};
constexpr Variant<Sha256BlocksFunction> kSha256Variants[] = {
#if VESK_X86_PATHS
    {"shani", kCpuShaNi | kCpuSsse3 | kCpuSse41, Sha256BlocksShani},
#endif
    {"portable", 0, Sha256BlocksPortable},
};
constexpr Variant<Sha512BlocksFunction> kSha512Variants[] = {
#if VESK_X86_PATHS
    {"avx512", kCpuAvx512 | kCpuBmi2, Sha512BlocksAvx512},
    {"avx2", kCpuAvx2 | kCpuBmi2, Sha512BlocksAvx2},
#endif
    {"portable", 0, Sha512BlocksPortable},
};
constexpr Variant<Crc32Function> kCrc32Variants[] = {
#if VESK_X86_PATHS
    {"vpclmul", kCpuVpclmul | kCpuPclmul | kCpuAvx2, Crc32Vpclmul},
    {"pclmul", kCpuPclmul | kCpuSse41, Crc32Pclmul},
#endif
    {"portable", 0, Crc32Portable},
};
constexpr Variant<Crc64Function> kCrc64Variants[] = {
#if VESK_X86_PATHS
    {"vpclmul", kCpuVpclmul | kCpuPclmul | kCpuAvx2, Crc64Vpclmul},
    {"pclmul", kCpuPclmul | kCpuSse41, Crc64Pclmul},
#endif
    {"portable", 0, Crc64Portable},
};
constexpr Variant<Adler32Function> kAdler32Variants[] = {
#if VESK_X86_PATHS
    {"avx2", kCpuAvx2, Adler32Avx2},
    {"ssse3", kCpuSsse3, Adler32Ssse3},
#endif
    {"portable", 0, Adler32Portable},
};
constexpr Variant<Blake2bpStripesFunction> kBlake2bpVariants[] = {
#if VESK_X86_PATHS
    {"avx2", kCpuAvx2, Blake2bpStripesAvx2},
#endif
    {"portable", 0, Blake2bpStripesPortable},
};
constexpr Variant<Blake2spStripesFunction> kBlake2spVariants[] = {
#if VESK_X86_PATHS
    {"avx2", kCpuAvx2, Blake2spStripesAvx2},
#endif
    {"portable", 0, Blake2spStripesPortable},
};
constexpr Variant<KeccakPermutationFunction> kKeccakVariants[] = {
#if VESK_X86_PATHS
    {"bmi2", kCpuBmi1 | kCpuBmi2, KeccakF1600Bmi2},
#endif
    {"portable", 0, KeccakF1600Portable},
};
constexpr Variant<WhirlpoolBlocksFunction> kWhirlpoolVariants[] = {
#if VESK_X86_PATHS
    {"avx2", kCpuAvx2, WhirlpoolBlocksAvx2},
#endif
    {"portable", 0, WhirlpoolBlocksPortable},
};
// The portable XXH3 is the library's own build, SSE2 on every x86-64.
constexpr Variant<Xxh3UpdateFunction> kXxh3Variants[] = {
#if VESK_X86_PATHS
    {"avx512", kCpuAvx512, Xxh3UpdateAvx512},
    {"avx2", kCpuAvx2, Xxh3UpdateAvx2},
#endif
    {"portable", 0, Xxh3UpdatePortable},
};
// Each wider version finishes a remainder with the narrower ones, so it needs
// their extensions too.
constexpr Variant<Blake3NodesFunction> kBlake3Variants[] = {
#if VESK_X86_PATHS
    {"avx512", kCpuAvx512 | kCpuAvx2 | kCpuSse41 | kCpuSsse3, Blake3NodesAvx512},
    {"avx2", kCpuAvx2 | kCpuSse41 | kCpuSsse3, Blake3NodesAvx2},
    {"sse41", kCpuSse41 | kCpuSsse3, Blake3NodesSse41},
#endif
    {"portable", 0, Blake3NodesPortable},
};
constexpr Variant<EdonR256BlocksFunction> kEdonR256Variants[] = {
#if VESK_X86_PATHS
    {"avx512", kCpuAvx512, EdonR256BlocksAvx512},
#endif
    {"portable", 0, EdonR256BlocksPortable},
};
// clang-format on

template <typename Function, size_t N>
std::span<const Variant<Function>> All(const Variant<Function> (&variants)[N]) {
    return variants;
}

bool CpuRuns(uint32_t requiredFeatures) {
#if VESK_X86_PATHS
    return CpuHas(requiredFeatures);
#else
    return requiredFeatures == 0;
#endif
}

template <typename Function>
const Variant<Function>& Best(std::span<const Variant<Function>> variants) {
    for (const Variant<Function>& variant : variants)
        if (CpuRuns(variant.requiredFeatures))
            return variant;
    return variants.back();
}

template <typename Function>
void StoreBest(std::atomic<Function>& slot, std::span<const Variant<Function>> variants) {
    slot.store(Best(variants).function, std::memory_order_relaxed);
}

// Calls visit(variants, slot) with the family's variant list and table slot.
template <typename Visitor>
decltype(auto) VisitFamily(PathTable& table, PathFamily family, Visitor&& visit) {
    switch (family) {
    case PathFamily::Sha1:
        return visit(All(kSha1Variants), table.sha1Blocks);
    case PathFamily::Sha256:
        return visit(All(kSha256Variants), table.sha256Blocks);
    case PathFamily::Sha512:
        return visit(All(kSha512Variants), table.sha512Blocks);
    case PathFamily::Crc32:
        return visit(All(kCrc32Variants), table.crc32);
    case PathFamily::Crc64:
        return visit(All(kCrc64Variants), table.crc64);
    case PathFamily::Adler32:
        return visit(All(kAdler32Variants), table.adler32);
    case PathFamily::Blake2bp:
        return visit(All(kBlake2bpVariants), table.blake2bpStripes);
    case PathFamily::Blake2sp:
        return visit(All(kBlake2spVariants), table.blake2spStripes);
    case PathFamily::Sha3:
        return visit(All(kKeccakVariants), table.keccakF1600);
    case PathFamily::Whirlpool:
        return visit(All(kWhirlpoolVariants), table.whirlpoolBlocks);
    case PathFamily::Blake3:
        return visit(All(kBlake3Variants), table.blake3Nodes);
    case PathFamily::EdonR256:
        return visit(All(kEdonR256Variants), table.edonR256Blocks);
    case PathFamily::Xxh3:
        break;
    }
    return visit(All(kXxh3Variants), table.xxh3Update);
}

void StoreBestOfEveryFamily(PathTable& table) {
    for (PathFamily family : kPathFamilies)
        VisitFamily(table, family, [](auto variants, auto& slot) { StoreBest(slot, variants); });
}

} // namespace

// Filled on first use: a static's initialisation runs once and every caller
// waits for it, so the table is complete before any thread hashes through it.
PathTable& Paths() {
    static PathTable table;
    static const bool chosen = (StoreBestOfEveryFamily(table), true);
    (void)chosen;
    return table;
}

const char* PathFamilyName(PathFamily family) {
    switch (family) {
    case PathFamily::Sha1:
        return "Sha1";
    case PathFamily::Sha256:
        return "Sha256";
    case PathFamily::Sha512:
        return "Sha512";
    case PathFamily::Crc32:
        return "Crc32";
    case PathFamily::Crc64:
        return "Crc64";
    case PathFamily::Adler32:
        return "Adler32";
    case PathFamily::Blake2bp:
        return "Blake2bp";
    case PathFamily::Blake2sp:
        return "Blake2sp";
    case PathFamily::Sha3:
        return "Sha3";
    case PathFamily::Whirlpool:
        return "Whirlpool";
    case PathFamily::Blake3:
        return "Blake3";
    case PathFamily::EdonR256:
        return "EdonR256";
    case PathFamily::Xxh3:
        break;
    }
    return "Xxh3";
}

std::vector<const char*> CodePathNames(PathFamily family) {
    return VisitFamily(Paths(), family, [](auto variants, auto&) {
        std::vector<const char*> names;
        for (const auto& variant : variants)
            names.push_back(variant.name);
        return names;
    });
}

bool CpuRunsCodePath(PathFamily family, std::string_view pathName) {
    return VisitFamily(Paths(), family, [&](auto variants, auto&) {
        for (const auto& variant : variants)
            if (variant.name == pathName)
                return CpuRuns(variant.requiredFeatures);
        return false;
    });
}

const char* ActiveCodePath(PathFamily family) {
    return VisitFamily(Paths(), family, [](auto variants, auto& slot) {
        const auto active = slot.load(std::memory_order_relaxed);
        for (const auto& variant : variants)
            if (variant.function == active)
                return variant.name;
        return "unknown";
    });
}

bool UseCodePath(PathFamily family, std::string_view pathName) {
    return VisitFamily(Paths(), family, [&](auto variants, auto& slot) {
        for (const auto& variant : variants)
            if (variant.name == pathName && CpuRuns(variant.requiredFeatures)) {
                slot.store(variant.function, std::memory_order_relaxed);
                return true;
            }
        return false;
    });
}

void UseBestCodePaths() {
    StoreBestOfEveryFamily(Paths());
}

} // namespace vesk
