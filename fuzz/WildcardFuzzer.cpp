// The wildcard of Add Folder (Advanced), which vesk.ini also keeps, against
// the file names of a folder tree. The POSIX matcher is checked against a
// plain dynamic-programming matcher, and must stay fast: a matcher that
// backtracks without limit would take seconds on some inputs of a few
// kilobytes. Input: the pattern, a NUL, then the name, both UTF-8.
#include "fuzz/FuzzCheck.h"
#include "platform/Platform.h"

#include <clocale>
#include <cstdint>
#include <ctime>
#include <cwctype>
#include <locale.h>
#include <string>
#include <string_view>
#include <vector>

using namespace vesk;
using vesk::fuzz::Visible;

namespace {

// The most processor time one match may take on any input the fuzzer makes
// (scripts/fuzz keeps them to a few kilobytes); the matcher needs microseconds.
constexpr double kMaxSecondsPerMatch = 0.5;

wchar_t Folded(wchar_t c) {
    static const locale_t kUtf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    return kUtf8 != locale_t(0) ? wchar_t(towlower_l(wint_t(c), kUtf8)) : c;
}

// Whether the whole name matches one pattern: match[i][j] says whether the
// first i characters of the pattern match the first j of the name.
bool ReferenceMatchesOne(std::wstring_view name, std::wstring_view pattern) {
    if (pattern == L"*.*")
        return true;
    std::vector<std::vector<bool>> match(pattern.size() + 1, std::vector<bool>(name.size() + 1));
    match[0][0] = true;
    for (size_t i = 1; i <= pattern.size(); ++i) {
        const wchar_t p = pattern[i - 1];
        match[i][0] = p == L'*' && match[i - 1][0];
        for (size_t j = 1; j <= name.size(); ++j) {
            if (p == L'*')
                match[i][j] = match[i - 1][j] || match[i][j - 1];
            else
                match[i][j] = match[i - 1][j - 1] && (p == L'?' || Folded(p) == Folded(name[j - 1]));
        }
    }
    return match[pattern.size()][name.size()];
}

// Patterns separated by ";", leading blanks dropped, empty ones matching nothing.
bool ReferenceMatches(std::wstring_view name, std::wstring_view patterns) {
    for (;;) {
        const size_t separator = patterns.find(L';');
        std::wstring_view one = patterns.substr(0, separator);
        while (!one.empty() && one.front() == L' ')
            one.remove_prefix(1);
        if (!one.empty() && ReferenceMatchesOne(name, one))
            return true;
        if (separator == std::wstring_view::npos)
            return false;
        patterns.remove_prefix(separator + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = std::min(input.find('\0'), input.size());
    const std::wstring pattern = Utf8ToWide(input.substr(0, split));
    const std::wstring name = Utf8ToWide(input.substr(std::min(split + 1, input.size())));

    const std::clock_t start = std::clock();
    const bool matches = platform::MatchesWildcard(name, pattern);
    const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    FUZZ_CHECK(seconds < kMaxSecondsPerMatch, std::to_string(seconds) + " s for a pattern of " +
                                                  std::to_string(pattern.size()) + " characters");
    FUZZ_CHECK(matches == ReferenceMatches(name, pattern),
               "name \"" + Visible(name) + "\", pattern \"" + Visible(pattern) + "\"");
    return 0;
}
