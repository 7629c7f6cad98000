// Code paths: the versions of an algorithm's inner loop written for particular
// processor extensions (SHA-NI, PCLMULQDQ, AVX2...). Every family below has a
// "portable" path that runs anywhere; the others run only where the processor
// has what they need. On first use each family takes the best path this
// processor runs, so callers never choose, and every path gives the same digests.
//
//     ActiveCodePath(PathFamily::Sha256);           // "shani" on a CPU with SHA-NI
//     UseCodePath(PathFamily::Sha256, "portable");  // tests and benchmarks only
//     UseBestCodePaths();                           // back to the default
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vesk {

// Families of algorithms that share one inner loop, and so one choice of path.
enum class PathFamily : uint32_t {
    Sha1,      // SHA-1
    Sha256,    // SHA-224, SHA-256
    Sha512,    // SHA-384, SHA-512
    Crc32,     // CRC32
    Crc64,     // CRC64
    Adler32,   // Adler32
    Blake2bp,  // BLAKE2bp (its leaves; the root is plain BLAKE2b)
    Blake2sp,  // BLAKE2sp (its leaves; the root is plain BLAKE2s)
    Sha3,      // SHA3-224, SHA3-256, SHA3-384, SHA3-512
    Whirlpool, // Whirlpool
    Xxh3,      // XXH3 and XXH128
    Blake3,    // BLAKE3 (its chunks and parents, many at once)
    EdonR256,  // Edon-R 224, Edon-R 256
};

inline constexpr PathFamily kPathFamilies[] = {
    PathFamily::Sha1,    PathFamily::Sha256,   PathFamily::Sha512,   PathFamily::Crc32, PathFamily::Crc64,
    PathFamily::Adler32, PathFamily::Blake2bp, PathFamily::Blake2sp, PathFamily::Sha3,  PathFamily::Whirlpool,
    PathFamily::Xxh3,    PathFamily::Blake3,   PathFamily::EdonR256,
};

// A short name for messages and test names: "Sha256".
const char* PathFamilyName(PathFamily family);

// Every path this build has for the family, fastest first, whether or not this
// processor runs it; the last is always "portable".
std::vector<const char*> CodePathNames(PathFamily family);

// True when the family has a path of that name and this processor runs it.
bool CpuRunsCodePath(PathFamily family, std::string_view pathName);

// The name of the path the family uses now.
const char* ActiveCodePath(PathFamily family);

// For tests and benchmarks, never while something is being hashed: makes the
// named path the family's. Returns false, changing nothing, when the family has
// no such path or this processor does not run it.
bool UseCodePath(PathFamily family, std::string_view pathName);

// Puts every family back on the best path this processor runs.
void UseBestCodePaths();

} // namespace vesk
