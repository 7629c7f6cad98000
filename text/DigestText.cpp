#include "text/DigestText.h"

namespace vesk {

int Base32Encode(std::span<const uint8_t> bytes, bool lowercase, std::wstring& text) {
    static constexpr char kLower[] = "abcdefghijklmnopqrstuvwxyz234567";
    static constexpr char kUpper[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
    const char* alphabet = lowercase ? kLower : kUpper;
    text.clear();
    if (bytes.size() > kMaxBase32InputBytes)
        return -1;

    uint32_t accumulator = 0; // holds the `validBits` lowest bits not yet written
    int validBits = 0;
    size_t next = 0;
    while (text.size() < kMaxBase32Characters) {
        if (validBits == 0 && next == bytes.size())
            break;
        if (validBits < 5) {
            if (next < bytes.size()) {
                accumulator = (accumulator << 8 | bytes[next++]) & 0xFFFF;
                validBits += 8;
            } else {
                accumulator <<= 5 - validBits; // zero bits complete the last group
                validBits = 5;
            }
        }
        text += wchar_t(alphabet[(accumulator >> (validBits - 5)) & 31]);
        validBits -= 5;
    }
    return int(text.size());
}

std::wstring HexEncode(std::span<const uint8_t> bytes, bool uppercase) {
    const char* digits = uppercase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::wstring text(2 * bytes.size(), L'0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        text[2 * i] = wchar_t(digits[bytes[i] >> 4]);
        text[2 * i + 1] = wchar_t(digits[bytes[i] & 15]);
    }
    return text;
}

} // namespace vesk
