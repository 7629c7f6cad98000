#include "algorithms/x86/CpuFeatures.h"

#include <cpuid.h>

namespace vesk {

namespace {

// CPUID leaf 1, register ECX (Intel SDM volume 2A, table 3-10).
constexpr uint32_t kLeaf1Pclmul = 1u << 1;
constexpr uint32_t kLeaf1Ssse3 = 1u << 9;
constexpr uint32_t kLeaf1Sse41 = 1u << 19;
constexpr uint32_t kLeaf1OsXsave = 1u << 27; // XGETBV is usable
constexpr uint32_t kLeaf1Avx = 1u << 28;

// CPUID leaf 7, subleaf 0 (Intel SDM volume 2A, table 3-8).
constexpr uint32_t kLeaf7EbxBmi1 = 1u << 3;
constexpr uint32_t kLeaf7EbxAvx2 = 1u << 5;
constexpr uint32_t kLeaf7EbxBmi2 = 1u << 8;
constexpr uint32_t kLeaf7EbxAvx512F = 1u << 16;
constexpr uint32_t kLeaf7EbxSha = 1u << 29;
constexpr uint32_t kLeaf7EbxAvx512Bw = 1u << 30;
constexpr uint32_t kLeaf7EbxAvx512Vl = 1u << 31;
constexpr uint32_t kLeaf7EcxVpclmul = 1u << 10;

// XCR0: the register state the OS saves (Intel SDM volume 1, section 13.3).
constexpr uint64_t kXcr0SseAndYmm = 0x06;   // XMM and the upper halves of YMM
constexpr uint64_t kXcr0Avx512State = 0xE0; // opmask, upper halves of ZMM0-15, ZMM16-31

uint64_t ReadXcr0() {
    uint32_t low = 0, high = 0;
    // XGETBV with ECX = 0, written out because its intrinsic needs -mxsave.
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return uint64_t(high) << 32 | low;
}

uint32_t ReadCpuFeatures() {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return 0;
    const uint32_t leaf1Ecx = ecx;
    uint32_t leaf7Ebx = 0, leaf7Ecx = 0;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        leaf7Ebx = ebx;
        leaf7Ecx = ecx;
    }
    const uint64_t xcr0 = (leaf1Ecx & kLeaf1OsXsave) ? ReadXcr0() : 0;
    const bool ymmState = (xcr0 & kXcr0SseAndYmm) == kXcr0SseAndYmm;
    const bool zmmState = ymmState && (xcr0 & kXcr0Avx512State) == kXcr0Avx512State;

    uint32_t features = 0;
    if (leaf1Ecx & kLeaf1Ssse3)
        features |= kCpuSsse3;
    if (leaf1Ecx & kLeaf1Sse41)
        features |= kCpuSse41;
    if (leaf1Ecx & kLeaf1Pclmul)
        features |= kCpuPclmul;
    if (leaf7Ebx & kLeaf7EbxBmi1)
        features |= kCpuBmi1;
    if (leaf7Ebx & kLeaf7EbxBmi2)
        features |= kCpuBmi2;
    if (leaf7Ebx & kLeaf7EbxSha)
        features |= kCpuShaNi;
    if (ymmState && (leaf1Ecx & kLeaf1Avx)) {
        features |= kCpuAvx;
        if (leaf7Ebx & kLeaf7EbxAvx2)
            features |= kCpuAvx2;
        if (leaf7Ecx & kLeaf7EcxVpclmul)
            features |= kCpuVpclmul;
        constexpr uint32_t kAvx512Bits = kLeaf7EbxAvx512F | kLeaf7EbxAvx512Bw | kLeaf7EbxAvx512Vl;
        if (zmmState && (leaf7Ebx & kAvx512Bits) == kAvx512Bits)
            features |= kCpuAvx512;
    }
    return features;
}

} // namespace

uint32_t CpuFeatures() {
    static const uint32_t features = ReadCpuFeatures();
    return features;
}

} // namespace vesk
