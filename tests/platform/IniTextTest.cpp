#include "platform/IniText.h"

#include <gtest/gtest.h>

namespace vesk::platform {
namespace {

TEST(IniText, LookupIgnoresCaseBlanksAndOneQuotePair) {
    const std::wstring text =
        L"; comment\n[Other]\nKey=wrong\n[ general ]\n  kEy  =  \"quoted value\"  \nx=1\n";
    EXPECT_EQ(IniLookup(text, L"General", L"KEY"), L"quoted value");
    EXPECT_EQ(IniLookup(text, L"GENERAL", L"x"), L"1");
    EXPECT_EQ(IniLookup(text, L"Other", L"key"), L"wrong");
    EXPECT_EQ(IniLookup(text, L"General", L"missing"), std::nullopt);
    EXPECT_EQ(IniLookup(text, L"Missing", L"key"), std::nullopt);
    EXPECT_EQ(IniLookup(L"[General]\nempty=\n", L"General", L"empty"), L"");
    EXPECT_EQ(IniLookup(L"[General]\nk='a\"\n", L"General", L"k"), L"'a\"");
    EXPECT_EQ(IniLookup(L"[General]\r\nConfig=01000000\rFont=x\r\n", L"General", L"Config"), L"01000000");
    // Only the first section and key of a name count.
    const std::wstring twice = L"[General]\nk=first\nk=second\n[General]\nk=third\n";
    EXPECT_EQ(IniLookup(twice, L"General", L"k"), L"first");
    EXPECT_EQ(IniAssign(twice, L"General", L"K", L"new"),
              L"[General]\nk=new\nk=second\n[General]\nk=third\n");
}

// Each case: the text before, the key and value written, the text after.
constexpr struct {
    const wchar_t* before;
    const wchar_t* key;
    const wchar_t* value;
    const wchar_t* after;
} kAssignCases[] = {
    {L"", L"Config", L"01000000", L"[General]\nConfig=01000000\n"},
    {L"[General]\nConfig=00\n", L"config", L"01", L"[General]\nConfig=01\n"},
    {L"[General]\r\nA=1\r\n\r\n[Next]\r\nB=2\r\n", L"C", L"3",
     L"[General]\r\nA=1\r\nC=3\r\n\r\n[Next]\r\nB=2\r\n"},
    {L"[General]\nA=1", L"B", L"2", L"[General]\nA=1\nB=2\n"},
    {L"[Other]\nA=1", L"B", L"2", L"[Other]\nA=1\n[General]\nB=2\n"},
    {L"\uFEFF; keep me\n[General]\n", L"Font", L"\u03A9,9", L"\uFEFF; keep me\n[General]\nFont=\u03A9,9\n"},
    {L"[General]\n  Folder = old  \nZ=9\n", L"folder", L"C:\\x y", L"[General]\nFolder=C:\\x y\nZ=9\n"},
    // A lone CR ends a line too: the new key must not join the value before it.
    {L"[General]\r\nConfig=01000000\r", L"Font", L"x", L"[General]\r\nConfig=01000000\rFont=x\r\n"},
    {L"[General]\rA=1\r[Next]\rB=2", L"C", L"3", L"[General]\rA=1\rC=3\r[Next]\rB=2"},
    {L"[Other]\rA=1\r", L"B", L"2", L"[Other]\rA=1\r[General]\rB=2\r"},
};

TEST(IniText, AssignKeepsEveryOtherLine) {
    for (const auto& c : kAssignCases) {
        const std::wstring after = IniAssign(c.before, L"General", c.key, c.value);
        EXPECT_EQ(after, c.after) << "writing " << c.key;
        EXPECT_EQ(IniLookup(after, L"General", c.key), c.value);
    }
}

TEST(IniText, Utf16WithBrokenUnitsIsReadSafely) {
    IniEncoding encoding;
    // A lone high surrogate, a pair, and an odd last byte.
    const std::string bytes("\xFF\xFE"
                            "a\0"
                            "\x00\xD8"
                            "b\0"
                            "\x3D\xD8\x00\xDE"
                            "c",
                            13);
    EXPECT_EQ(DecodeIniBytes(bytes, encoding), L"a\uFFFDb\U0001F600");
    EXPECT_EQ(encoding, IniEncoding::Utf16WithMark);
    EXPECT_EQ(EncodeIniText(L"a\U0001F600", encoding), std::string("\xFF\xFE"
                                                                   "a\0"
                                                                   "\x3D\xD8\x00\xDE",
                                                                   8));
}

} // namespace
} // namespace vesk::platform
