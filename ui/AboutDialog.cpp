#include "ui/AboutDialog.h"

#include "app/AppVersion.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "ui/ListFont.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace vesk {

namespace {

constexpr wchar_t kHelpPageName[] = L"vesk-help.html";

struct AboutDialogData {
    FontOwner titleFont; // the dialog's font in bold; outlives the dialog's controls
};

std::wstring TitleText() {
    return std::wstring(L"Vesk ") + kProgramVersion + L" (x64) " + kReleaseDate;
}

std::wstring NoticeText() {
    const std::wstring year = std::wstring(kReleaseDate).substr(0, 4);
    return L"\u00A9 " + year + L" The Vesk developers. Provided as is, without warranty.";
}

// The help page's path as link markup, shortened with an ellipsis in the
// middle where it is wider than the control.
std::wstring LinkMarkup(HWND link) {
    std::wstring path = HelpPagePath();
    RECT client{};
    GetClientRect(link, &client);
    std::vector<wchar_t> shown(path.begin(), path.end());
    shown.resize(std::max<size_t>(shown.size() + 1, MAX_PATH), L'\0');
    HDC screen = GetDC(link);
    HGDIOBJ previous = SelectObject(screen, GetWindowFont(link));
    if (PathCompactPathW(screen, shown.data(), UINT(client.right - client.left)))
        path = shown.data();
    SelectObject(screen, previous);
    ReleaseDC(link, screen);
    return L"<a>" + path + L"</a>";
}

void OnInitDialog(HWND dialog, AboutDialogData& data) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&data));
    LOGFONTW font{};
    GetObjectW(GetWindowFont(dialog), sizeof font, &font);
    font.lfWeight = FW_BOLD;
    data.titleFont.reset(CreateFontIndirectW(&font));
    HWND title = GetDlgItem(dialog, IDC_ABOUT_TITLE);
    SetWindowFont(title, data.titleFont.get(), FALSE);
    SetWindowTextW(title, TitleText().c_str());
    Static_SetIcon(GetDlgItem(dialog, IDC_ABOUT_ICON),
                   LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_VESK)));
    HWND link = GetDlgItem(dialog, IDC_ABOUT_LINK);
    SetWindowTextW(link, LinkMarkup(link).c_str());
    SetDlgItemTextW(dialog, IDC_ABOUT_NOTICE, NoticeText().c_str());
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, *reinterpret_cast<AboutDialogData*>(lParam));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (header.idFrom == IDC_ABOUT_LINK && (header.code == NM_CLICK || header.code == NM_RETURN)) {
            OpenHelpPage();
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

} // namespace

void ShowAboutDialog(HWND owner) {
    AboutDialogData data;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutDialogProc,
                    reinterpret_cast<LPARAM>(&data));
}

std::wstring HelpPagePath() {
    std::wstring path = platform::ExecutablePath();
    path.resize(path.rfind(L'\\') + 1); // the folder, with its backslash
    return path + kHelpPageName;
}

void OpenHelpPage() {
    ShellExecuteW(nullptr, L"open", HelpPagePath().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

} // namespace vesk
