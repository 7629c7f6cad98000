// XXH3's streaming update from the xxHash header, built with its AVX2 code:
// the build compiles this file alone with -mavx2 and XXH_VECTOR=XXH_AVX2.
// With XXH_INLINE_ALL every function of the header is static to this file, and
// the file includes nothing else, so no AVX2 copy of a shared inline function
// can stand in for the baseline one elsewhere in the program.
#include <xxhash.h>

#include <cstddef>
#include <cstdint>

static_assert(XXH_VECTOR == XXH_AVX2, "built with the AVX2 flags and definitions");

namespace vesk {

void Xxh3UpdateAvx2(void* state, const uint8_t* data, uint64_t byteCount) {
    XXH3_64bits_update(static_cast<XXH3_state_t*>(state), data, size_t(byteCount));
}

} // namespace vesk
