// XXH3's streaming update from the xxHash header, built with its AVX512 code:
// the build compiles this file alone with -mavx512f and XXH_VECTOR=XXH_AVX512.
// With XXH_INLINE_ALL every function of the header is static to this file, and
// the file includes nothing else, so no AVX512 copy of a shared inline function
// can stand in for the baseline one elsewhere in the program.
// GCC 12 takes the deliberately undefined start values in its own AVX-512
// intrinsics for uninitialised ones once they are inlined here; clang has no
// such warning and would reject its name.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <xxhash.h>

#include <cstddef>
#include <cstdint>

static_assert(XXH_VECTOR == XXH_AVX512, "built with the AVX512 flags and definitions");

namespace vesk {

void Xxh3UpdateAvx512(void* state, const uint8_t* data, uint64_t byteCount) {
    XXH3_64bits_update(static_cast<XXH3_state_t*>(state), data, size_t(byteCount));
}

} // namespace vesk
