#include "algorithms/Md2.h"

#include <algorithm>
#include <cstring>

namespace vesk {

namespace {

// RFC 1319, section 3.2 (PI_SUBST in its appendix): a permutation of 0 to 255
// shuffled with the digits of pi.
// clang-format off
constexpr uint8_t kPiSubst[256] = {
     41,  46,  67, 201, 162, 216, 124,   1,  61,  54,  84, 161, 236, 240,   6,  19,
     98, 167,   5, 243, 192, 199, 115, 140, 152, 147,  43, 217, 188,  76, 130, 202,
     30, 155,  87,  60, 253, 212, 224,  22, 103,  66, 111,  24, 138,  23, 229,  18,
    190,  78, 196, 214, 218, 158, 222,  73, 160, 251, 245, 142, 187,  47, 238, 122,
    169, 104, 121, 145,  21, 178,   7,  63, 148, 194,  16, 137,  11,  34,  95,  33,
    128, 127,  93, 154,  90, 144,  50,  39,  53,  62, 204, 231, 191, 247, 151,   3,
    255,  25,  48, 179,  72, 165, 181, 209, 215,  94, 146,  42, 172,  86, 170, 198,
     79, 184,  56, 210, 150, 164, 125, 182, 118, 252, 107, 226, 156, 116,   4, 241,
     69, 157, 112,  89, 100, 113, 135,  32, 134,  91, 207, 101, 230,  45, 168,   2,
     27,  96,  37, 173, 174, 176, 185, 246,  28,  70,  97, 105,  52,  64, 126,  15,
     85,  71, 163,  35, 221,  81, 175,  58, 195,  92, 249, 206, 186, 197, 234,  38,
     44,  83,  13, 110, 133,  40, 132,   9, 211, 223, 205, 244,  65, 129,  77,  82,
    106, 220,  55, 200, 108, 193, 171, 250,  36, 225, 123,   8,  12, 189, 177,  74,
    120, 136, 149, 139, 227,  99, 232, 109, 233, 203, 213, 254,  59,   0,  29,  57,
    242, 239, 183,  14, 102,  88, 208, 228, 166, 119, 114, 248, 235, 117,  75,  10,
     49,  68,  80, 180, 143, 237,  31,  26, 219, 153, 141,  51, 159,  17, 131,  20,
};
// clang-format on

} // namespace

void Md2Init(Md2Context* context) {
    std::memset(context, 0, sizeof *context);
}

// The checksum step of RFC 1319, section 3.2, as its reference code does it:
// each byte is XORed into the existing checksum byte (the text of section 3.2
// says "set", but the published test values come from the XOR).
static void UpdateChecksum(uint8_t* checksum, const uint8_t* block) {
    uint8_t l = checksum[15];
    for (int j = 0; j < 16; ++j)
        l = checksum[j] ^= kPiSubst[block[j] ^ l];
}

// The compression of RFC 1319, section 3.4: 18 passes over the 48-byte work
// area (state, block, state XOR block), each byte XORed with the substitution
// of the byte before it.
static void Md2Compress(uint8_t* state, const uint8_t* block) {
    uint8_t x[48];
    for (int j = 0; j < 16; ++j) {
        x[j] = state[j];
        x[16 + j] = block[j];
        x[32 + j] = state[j] ^ block[j];
    }
    uint8_t t = 0;
    for (int pass = 0; pass < 18; ++pass) {
        for (int k = 0; k < 48; ++k)
            t = x[k] ^= kPiSubst[t];
        t = uint8_t(t + pass);
    }
    std::memcpy(state, x, 16);
}

static void Md2Block(Md2Context* context, const uint8_t* block) {
    UpdateChecksum(context->checksum, block);
    Md2Compress(context->state, block);
}

void Md2Update(Md2Context* context, const uint8_t* data, uint64_t byteCount) {
    // Avoids arithmetic on a null data pointer.
    if (byteCount == 0)
        return;
    if (context->count > 0) {
        const uint64_t take = std::min<uint64_t>(byteCount, kMd2BlockBytes - context->count);
        std::memcpy(context->buffer + context->count, data, take);
        context->count += uint32_t(take);
        if (context->count < kMd2BlockBytes)
            return;
        Md2Block(context, context->buffer);
        data += take;
        byteCount -= take;
    }
    for (; byteCount >= kMd2BlockBytes; byteCount -= kMd2BlockBytes, data += kMd2BlockBytes)
        Md2Block(context, data);
    std::memcpy(context->buffer, data, byteCount);
    context->count = uint32_t(byteCount);
}

void Md2Final(Md2Context* context, uint8_t* digest) {
    // i bytes of value i, i from 1 to 16, so that even a full block is padded.
    const uint32_t padCount = kMd2BlockBytes - context->count;
    std::memset(context->buffer + context->count, int(padCount), padCount);
    Md2Block(context, context->buffer);
    // The checksum joins as one more block; its own checksum is not needed.
    Md2Compress(context->state, context->checksum);
    std::memcpy(digest, context->state, kMd2DigestBytes);
    // Leaves no trace of the message behind.
    std::memset(context, 0, sizeof *context);
}

} // namespace vesk
