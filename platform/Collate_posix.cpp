#include "platform/Platform.h"

#include <cwchar>
#include <cwctype>

namespace vesk::platform {

int CompareTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    std::wstring lowerA = a;
    std::wstring lowerB = b;
    for (wchar_t& c : lowerA)
        c = wchar_t(std::towlower(wint_t(c)));
    for (wchar_t& c : lowerB)
        c = wchar_t(std::towlower(wint_t(c)));
    const int order = std::wcscoll(lowerA.c_str(), lowerB.c_str());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

} // namespace vesk::platform
