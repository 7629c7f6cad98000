#include "core/DigestText.h"

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

std::wstring DigestToText(const uint8_t* digest, AlgorithmId id, bool uppercase) {
    const AlgorithmInfo& info = AlgorithmById(id);
    std::wstring text;
    if (id == kTthId) {
        Base32Encode({digest, info.digestLength}, !uppercase, text);
        return text;
    }
    const char* digits = uppercase ? "0123456789ABCDEF" : "0123456789abcdef";
    text.resize(2 * info.digestLength);
    for (uint32_t i = 0; i < info.digestLength; ++i) {
        text[2 * i] = wchar_t(digits[digest[i] >> 4]);
        text[2 * i + 1] = wchar_t(digits[digest[i] & 15]);
    }
    return text;
}

} // namespace vesk
