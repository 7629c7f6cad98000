// The About box under Wine, opened from the Help menu, and where the help
// page is looked for.
#include "ui/AboutDialog.h"

#include "app/AppVersion.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "tests/ui/WindowTest.h"
#include "text/TextEncoding.h"
#include "ui/ControlUtil.h"

#include <windowsx.h>

#include <regex>

namespace vesk::test {
namespace {

void CheckAboutBox(HWND dialog) {
    wchar_t caption[64] = {};
    GetWindowTextW(dialog, caption, 64);
    EXPECT_STREQ(caption, L"About Vesk");

    HWND title = GetDlgItem(dialog, IDC_ABOUT_TITLE);
    const std::string titleText = WideToUtf8(WindowText(title));
    EXPECT_TRUE(std::regex_match(titleText, std::regex(R"(Vesk \d+\.\d+\.\d+ \(x64\) \d{4}-\d{2}-\d{2})")))
        << titleText;
    LOGFONTW font{};
    GetObjectW(GetWindowFont(title), sizeof font, &font);
    EXPECT_EQ(font.lfWeight, FW_BOLD);

    EXPECT_NE(SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0), 0);
    const std::wstring link = WindowText(GetDlgItem(dialog, IDC_ABOUT_LINK));
    EXPECT_NE(link.find(L"vesk-help.html"), std::wstring::npos) << WideToUtf8(link);
    EXPECT_FALSE(WindowText(GetDlgItem(dialog, IDC_ABOUT_NOTICE)).empty());
}

using AboutDialog = WindowTest;

TEST_F(AboutDialog, ShowsVersionIconLinkAndNoticeAndClosesWithOkOrEscape) {
    Open();
    for (int closeWith : {IDOK, IDCANCEL}) {
        std::atomic<HWND> shown = nullptr;
        DialogDriver driver(window, [&](HWND dialog) {
            shown = dialog;
            CheckAboutBox(dialog);
            PressButton(dialog, closeWith);
        });
        Command(ID_HELP_ABOUT);
        EXPECT_TRUE(driver.found());
        EXPECT_FALSE(IsWindow(shown));
    }
}

TEST_F(AboutDialog, HelpPageIsBesideTheProgram) {
    const std::filesystem::path program = PathOf(platform::ExecutablePath());
    EXPECT_EQ(PathOf(HelpPagePath()), program.parent_path() / "vesk-help.html");
    // The build puts it beside vesk.exe.
    EXPECT_TRUE(std::filesystem::exists(BuiltProgramPath().parent_path() / "vesk-help.html"));
}

} // namespace
} // namespace vesk::test
