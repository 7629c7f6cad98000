// The features read from CPUID and XGETBV against the kernel's own reading of
// them, the flags line of /proc/cpuinfo (which lists AVX only where the kernel
// saves its registers, as our bits require).
#if defined(__x86_64__)

#include "algorithms/x86/CpuFeatures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace vesk {
namespace {

std::set<std::string> KernelCpuFlags() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
        if (line.rfind("flags", 0) == 0) {
            std::istringstream words(line.substr(line.find(':') + 1));
            std::set<std::string> flags;
            for (std::string word; words >> word;)
                flags.insert(word);
            return flags;
        }
    return {};
}

TEST(CpuFeatures, AgreeWithTheKernelsFlags) {
    const std::set<std::string> flags = KernelCpuFlags();
    if (flags.empty())
        GTEST_SKIP() << "no /proc/cpuinfo here";
    const auto has = [&](const char* flag) { return flags.count(flag) == 1; };
    // The kernel's name (or names, all needed) for each of our bits.
    const struct {
        CpuFeature feature;
        std::set<std::string> kernelFlags;
    } table[] = {
        {kCpuSsse3, {"ssse3"}},
        {kCpuSse41, {"sse4_1"}},
        {kCpuPclmul, {"pclmulqdq"}},
        {kCpuAvx, {"avx"}},
        {kCpuAvx2, {"avx2"}},
        {kCpuBmi1, {"bmi1"}},
        {kCpuBmi2, {"bmi2"}},
        {kCpuShaNi, {"sha_ni"}},
        {kCpuVpclmul, {"vpclmulqdq", "avx"}},
        {kCpuAvx512, {"avx512f", "avx512bw", "avx512vl"}},
    };
    for (const auto& row : table) {
        bool expected = true;
        for (const std::string& flag : row.kernelFlags)
            expected = expected && has(flag.c_str());
        EXPECT_EQ(CpuHas(row.feature), expected) << *row.kernelFlags.begin();
    }
}

} // namespace
} // namespace vesk

#endif
