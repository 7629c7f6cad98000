#include "ui/ListFont.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace vesk {

FontOwner CreateListFont(const SettingsFile& settings) {
    FontSetting setting;
    ParseFontSetting(ReadTextSetting(settings, L"Font", kMaxFontSettingCharacters, L""), setting);
    HDC screen = GetDC(nullptr);
    const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW font{};
    // A negative height asks for that character height; 0 for the default.
    // Sizes beyond any screen are held to one the system can make.
    constexpr int kLargestPointSize = 1600;
    const int points = std::clamp(setting.pointSize, 0, kLargestPointSize);
    font.lfHeight = -int(std::lround(double(points) * dotsPerInch / 72.0));
    font.lfWeight = setting.bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = setting.italic ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(font.lfFaceName, setting.faceName.c_str(), LF_FACESIZE - 1);
    return FontOwner(CreateFontIndirectW(&font));
}

} // namespace vesk
