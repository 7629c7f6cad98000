#include "ui/ListFont.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include <commdlg.h>

namespace vesk {

namespace {

LOGFONTW DescribeFont(const FontSetting& setting, UINT dotsPerInch) {
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

FontSetting ReadListFontSetting(const SettingsFile& settings) {
    FontSetting setting;
    ParseFontSetting(ReadTextSetting(settings, L"Font", kMaxFontSettingCharacters, L""), setting);
    return setting;
}

} // namespace

FontOwner ChooseListFont(HWND owner, const SettingsFile& settings, UINT dpi) {
    FontSetting setting = ReadListFontSetting(settings);
    // The dialog speaks in points at the screen's DPI, whatever the list's.
    HDC screen = GetDC(nullptr);
    const int screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTW font = DescribeFont(setting, UINT(screenDpi > 0 ? screenDpi : 96));
    CHOOSEFONTW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpLogFont = &font;
    dialog.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontW(&dialog))
        return nullptr;
    setting.faceName = font.lfFaceName;
    setting.pointSize = dialog.iPointSize / 10;
    setting.bold = font.lfWeight >= FW_BOLD;
    setting.italic = font.lfItalic != FALSE;
    WriteTextSetting(settings, L"Font", FormatFontSetting(setting));
    const LOGFONTW atDpi = DescribeFont(setting, dpi);
    return FontOwner(CreateFontIndirectW(&atDpi));
}

FontOwner CreateListFont(const SettingsFile& settings, UINT dpi) {
    const LOGFONTW font = DescribeFont(ReadListFontSetting(settings), dpi);
    return FontOwner(CreateFontIndirectW(&font));
}

} // namespace vesk
