// Digest bytes as text: hexadecimal, two digits a byte with the high nibble
// first, or base32 (RFC 4648, no padding) for the one digest shown that way.
#pragma once

#include <cstddef>
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

// Two hex digits for each byte, high nibble first.
std::wstring HexEncode(std::span<const uint8_t> bytes, bool uppercase);

} // namespace vesk
