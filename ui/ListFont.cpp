#include "ui/ListFont.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include <commdlg.h>

namespace vesk {

namespace {

LOGFONTW DescribeFont(const FontSetting& setting) {
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
    return font;
}

} // namespace

FontOwner ChooseListFont(HWND owner, HFONT current, const SettingsFile& settings) {
    LOGFONTW font{};
    GetObjectW(current, sizeof font, &font);
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontW(&dialog))
        return nullptr;
    FontSetting setting;
    setting.faceName = font.lfFaceName;
    setting.pointSize = dialog.iPointSize / 10;
    setting.bold = font.lfWeight >= FW_BOLD;
    setting.italic = font.lfItalic != FALSE;
    WriteTextSetting(settings, L"Font", FormatFontSetting(setting));
    return FontOwner(CreateFontIndirectW(&font));
}

FontOwner CreateListFont(const SettingsFile& settings) {
    FontSetting setting;
    ParseFontSetting(ReadTextSetting(settings, L"Font", kMaxFontSettingCharacters, L""), setting);
    const LOGFONTW font = DescribeFont(setting);
    return FontOwner(CreateFontIndirectW(&font));
}

} // namespace vesk
