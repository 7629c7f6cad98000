// File-name wildcards: the Windows build asks the shell (PathMatchSpecW); the
// POSIX build has its own matcher, held to the same answers here.
#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace vesk::platform {
namespace {

constexpr struct {
    const wchar_t* name;
    const wchar_t* pattern;
    bool matches;
} kWildcardCases[] = {
    {L"abc", L"*", true},
    {L"abc", L"*.*", true}, // also names without a dot
    {L"ABC.TXT", L"*.txt", true},
    {L"abc.txt", L"*.TXT", true},
    {L"a.b.c", L"*.c", true},
    {L"abc.txt", L"a?c.*", true},
    {L"ac.txt", L"a?c.*", false},
    {L"abc", L"???", true},
    {L"abcd", L"???", false},
    {L"abc", L"?", false},
    {L"abc", L"a*?c", true},
    {L"ac", L"a*?c", false},
    {L"abc", L"**c", true},
    {L"a.txt", L"*.txt*", true},
    {L"abc.txt", L"*.doc;*.txt", true},
    {L"abc.txt", L"*.doc; *.txt", true},
    {L"abc.doc", L"*.txt;*.xls", false},
    {L"abc", L"abc ", false},
    {L"x", L"", false},
    {L"\u00e9t\u00e9.txt", L"\u00c9T\u00c9.*", true},
};

TEST(Wildcard, MatchesNamesLikeTheShell) {
    for (const auto& c : kWildcardCases)
        EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches)
            << std::string(c.name, c.name + wcslen(c.name)) << " vs "
            << std::string(c.pattern, c.pattern + wcslen(c.pattern));
}

} // namespace
} // namespace vesk::platform
