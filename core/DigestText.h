// Digest bytes as the text the program shows: hexadecimal for every algorithm
// but the Tiger tree hash, which is shown as base32 (RFC 4648, no padding).
#pragma once

#include "core/AlgorithmTable.h"

#include <cstdint>
#include <span>
#include <string>

namespace vesk {

// The most characters base32 text is ever given: a 64-byte digest needs 103.
inline constexpr size_t kMaxBase32Characters = 128;
inline constexpr size_t kMaxBase32InputBytes = 0x10000000;

// Writes the base32 text of `bytes` into `text`, most significant bit first,
// at most 128 characters. Returns the number of characters, or -1 (and leaves
// `text` empty) for more than 268435456 bytes.
int Base32Encode(std::span<const uint8_t> bytes, bool lowercase, std::wstring& text);

// The text of one digest of algorithm `id`: digestLength bytes as two hex
// digits each, high nibble first, or base32 for the Tiger tree hash.
std::wstring DigestToText(const uint8_t* digest, AlgorithmId id, bool uppercase);

} // namespace vesk
