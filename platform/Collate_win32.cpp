#include "platform/Platform.h"

#include <windows.h>

namespace vesk::platform {

int CompareTextIgnoringCase(const std::wstring& a, const std::wstring& b) {
    const int order = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), int(a.size()),
                                     b.c_str(), int(b.size()));
    return order == 0 ? 0 : order - CSTR_EQUAL;
}

} // namespace vesk::platform
