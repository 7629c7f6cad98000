#include "algorithms/XxHash.h"

#include "algorithms/ByteOrder.h"
#include "algorithms/PathFunctions.h"

#include <cstddef>

namespace vesk {

// The library takes size_t lengths; on a 32-bit target a 64-bit count would
// have to be cut into pieces.
static_assert(sizeof(size_t) == sizeof(uint64_t), "the updates pass byteCount on unchanged");

// The library reports errors only for null states and inputs, which these
// callers never pass, so its result codes are not looked at.

void Xxh32Init(XxHash32Context* context) {
    XXH32_reset(context, 0);
}

void Xxh32Update(XxHash32Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount > 0)
        XXH32_update(context, data, size_t(byteCount));
}

void Xxh32Final(XxHash32Context* context, uint8_t* digest) {
    StoreBe32(digest, XXH32_digest(context));
}

void Xxh64Init(XxHash64Context* context) {
    XXH64_reset(context, 0);
}

void Xxh64Update(XxHash64Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount > 0)
        XXH64_update(context, data, size_t(byteCount));
}

void Xxh64Final(XxHash64Context* context, uint8_t* digest) {
    StoreBe64(digest, XXH64_digest(context));
}

void Xxh3Init(XxHash3Context* context) {
    XXH3_64bits_reset(context); // seed 0 and the library's default secret
}

// The library's own update, built for the baseline of the target (SSE2 on
// x86-64). XXH3 and XXH128 share it: their states differ only in the digest.
void Xxh3UpdatePortable(void* state, const uint8_t* data, uint64_t byteCount) {
    XXH3_64bits_update(static_cast<XxHash3Context*>(state), data, size_t(byteCount));
}

void Xxh3Update(XxHash3Context* context, const uint8_t* data, uint64_t byteCount) {
    if (byteCount > 0)
        Active(Paths().xxh3Update)(context, data, byteCount);
}

void Xxh3Final(XxHash3Context* context, uint8_t* digest) {
    StoreBe64(digest, XXH3_64bits_digest(context));
}

void Xxh128Final(XxHash3Context* context, uint8_t* digest) {
    const XXH128_hash_t hash = XXH3_128bits_digest(context);
    StoreBe64(digest, hash.high64);
    StoreBe64(digest + 8, hash.low64);
}

} // namespace vesk
