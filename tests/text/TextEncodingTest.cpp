#include "text/TextEncoding.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(TextEncoding, RoundTripsEveryPlane) {
    const std::wstring text = L"abc \u00e9 \u03a9 \u4e2d \U0001F600 end";
    const std::string utf8 = WideToUtf8(text);
    EXPECT_EQ(utf8, "abc \xc3\xa9 \xce\xa9 \xe4\xb8\xad \xf0\x9f\x98\x80 end");
    EXPECT_EQ(Utf8ToWide(utf8), text);
}

// Invalid UTF-8 is kept byte for byte where wide characters can hold it; a
// lone surrogate becomes a replacement character.
TEST(TextEncoding, InvalidTextSurvivesAsFarAsItCan) {
    // Overlong, truncated, lone continuation, surrogate and out-of-range forms.
    const std::string bad[] = {"\xc0\xaf", "a\xe4\xb8", "\x80x", "\xed\xa0\x80", "\xf5\x80\x80\x80", "\xff"};
    for (const std::string& bytes : bad) {
        const std::wstring wide = Utf8ToWide(bytes);
        if constexpr (sizeof(wchar_t) == 4)
            EXPECT_EQ(WideToUtf8(wide), bytes);
        else
            EXPECT_NE(wide.find(L'\uFFFD'), std::wstring::npos);
    }
    EXPECT_EQ(WideToUtf8(std::wstring(1, wchar_t(0xD800))), "\xef\xbf\xbd");
}

} // namespace
} // namespace vesk
