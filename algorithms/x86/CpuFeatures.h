// The x86 instruction-set extensions that the fast code paths need, read once
// per process from CPUID and XGETBV.
//
//     if (CpuHas(kCpuShaNi | kCpuSsse3 | kCpuSse41))
//         ...the SHA-NI code may run...
//
// A bit is set only when the processor has the instructions and, for the AVX
// and AVX-512 families, the operating system also saves their registers on a
// thread switch (XCR0); without that they fault even on a processor that lists
// them. SSE2 is part of x86-64 and has no bit.
#pragma once

#include <cstdint>

namespace vesk {

enum CpuFeature : uint32_t {
    kCpuSsse3 = 1u << 0,
    kCpuSse41 = 1u << 1,
    kCpuPclmul = 1u << 2, // PCLMULQDQ on 128-bit registers
    kCpuAvx = 1u << 3,    // with YMM state enabled by the OS
    kCpuAvx2 = 1u << 4,   // with YMM state enabled by the OS
    kCpuBmi2 = 1u << 5,
    kCpuShaNi = 1u << 6,   // SHA-1 and SHA-256 instructions
    kCpuVpclmul = 1u << 7, // VPCLMULQDQ on 256-bit registers (with AVX)
    kCpuAvx512 = 1u << 8,  // AVX-512 F, BW and VL, with ZMM and mask state enabled by the OS
    kCpuBmi1 = 1u << 9,
};

// The features of the processor this process runs on, as CpuFeature bits.
uint32_t CpuFeatures();

inline bool CpuHas(uint32_t features) {
    return (CpuFeatures() & features) == features;
}

} // namespace vesk
