// The window's tools under Wine: the Options dialog, find, the header menu,
// the font, and reports saved, viewed and copied.
#include "tests/ui/WindowTest.h"

#include "app/ChecksumFile.h"
#include "app/Verify.h"
#include "ui/ControlUtil.h"
#include "ui/ListMenus.h"
#include "ui/ReportCommands.h"
#include "ui/WindowSink.h"
#include "ui/Workers.h"

#include <commctrl.h>

namespace vesk::test {
namespace {

class ToolsTest : public WindowTest {
protected:
    // Two hashed files, in the view `viewFlags` names.
    void OpenWithTwoFiles(ViewFlags viewFlags = kViewSheet) {
        const std::string flags = viewFlags & kViewSheet ? "01000000" : "00000000";
        std::ofstream(dir.path() / "vesk.ini") << "[General]\r\nConfig=" << flags << "\r\n";
        WriteFile("files/abc.txt", "abc");
        WriteFile("files/other.bin", "other");
        Open({WideOf(dir.path() / "files")});
        ASSERT_TRUE(WaitForRows(viewFlags & kViewSheet ? 2 : 10));
    }
    // Runs the Options dialog, ticking exactly the algorithms in `ticked` (by
    // table position), or pressing a link first; then OK or Cancel.
    void RunOptions(std::function<void(HWND list, HWND dialog)> change, bool ok) {
        DialogDriver driver(window, [&](HWND dialog) {
            change(GetDlgItem(dialog, IDC_OPTIONS_LIST), dialog);
            if (ok)
                PressButton(dialog, IDOK);
            else
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        Command(ID_TOOLS_OPTIONS);
        EXPECT_TRUE(driver.found());
    }
    static void ClickLink(HWND dialog, int id) {
        NMHDR click{GetDlgItem(dialog, id), UINT_PTR(id), UINT(NM_CLICK)};
        SendMessageW(dialog, WM_NOTIFY, WPARAM(id), reinterpret_cast<LPARAM>(&click));
    }
};

// The header menu lists every column after File with its state, as the
// Options dialog does the algorithms.
TEST_F(ToolsTest, OptionsShowsTheSelectionAndApplyOnlyOnOk) {
    OpenWithTwoFiles();
    HMENU menu = BuildHeaderMenu(SharedViewState());
    EXPECT_EQ(GetMenuItemCount(menu), int(kColumnCount)); // every column after File, and a separator
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(menu, PositionOfColumnId(kSha1Id), MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR, UINT(MF_SEPARATOR));
    DestroyMenu(menu);
    RunOptions(
        [](HWND list, HWND dialog) {
            // The label's mnemonic reaches the control after it: the list.
            EXPECT_EQ(GetWindow(GetDlgItem(dialog, IDC_OPTIONS_LABEL), GW_HWNDNEXT), list);
            EXPECT_EQ(ListView_GetItemCount(list), int(kAlgorithmCount));
            std::vector<int> ticked;
            for (int i = 0; i < int(kAlgorithmCount); ++i)
                if (ListView_GetCheckState(list, i))
                    ticked.push_back(i);
            EXPECT_EQ(ticked, std::vector<int>(std::begin(kDefaultAlgorithms), std::end(kDefaultAlgorithms)));
            ListView_SetCheckState(list, 24, TRUE); // SHA-512
            ListView_SetCheckState(list, int(kMd5Id), FALSE);
        },
        true);
    EXPECT_EQ(Headers(), (std::vector<std::string>{"File", "CRC32", "SHA-1", "SHA-256", "SHA-512"}));
    EXPECT_EQ(List().CellText(0, 4), L""); // a new column is empty for the rows there already

    RunOptions([](HWND, HWND dialog) { ClickLink(dialog, IDC_OPTIONS_SELECT_ALL); }, false);
    EXPECT_EQ(List().ColumnCount(), 5);
    RunOptions([](HWND, HWND dialog) { ClickLink(dialog, IDC_OPTIONS_SELECT_NONE); }, true);
    EXPECT_EQ(Headers(), (std::vector<std::string>{"File"}));
    RunOptions(
        [](HWND list, HWND dialog) {
            ClickLink(dialog, IDC_OPTIONS_SELECT_ALL);
            for (int i = 0; i < int(kAlgorithmCount); ++i)
                EXPECT_TRUE(ListView_GetCheckState(list, i));
        },
        true);
    EXPECT_EQ(List().ColumnCount(), int(kAlgorithmCount) + 1);
}

TEST_F(ToolsTest, OptionsInKeyValueViewChangesOnlyTheNextFiles) {
    OpenWithTwoFiles(0);
    const int rows = List().RowCount();
    RunOptions([](HWND list, HWND) { ListView_SetCheckState(list, int(kCrc32Id), FALSE); }, true);
    EXPECT_EQ(List().RowCount(), rows);
    EXPECT_EQ(List().ColumnCount(), 2);
    EXPECT_FALSE(EntryShown(SharedViewState().columns.Get(PositionOfColumnId(kCrc32Id))));
}

TEST_F(ToolsTest, AFileWithNothingSelectedAsksForAChoiceFirst) {
    OpenWithTwoFiles();
    RunOptions([](HWND, HWND dialog) { ClickLink(dialog, IDC_OPTIONS_SELECT_NONE); }, true);
    Command(ID_EDIT_CLEAR);
    DialogDriver driver(window, [](HWND dialog) {
        ListView_SetCheckState(GetDlgItem(dialog, IDC_OPTIONS_LIST), int(kCrc32Id), TRUE);
        PressButton(dialog, IDOK);
    });
    IntakeRequest request;
    request.paths = {WideOf(dir.path() / "files" / "abc.txt")};
    StartWorker(window, std::move(request));
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_TRUE(driver.found());
    EXPECT_EQ(Headers(), (std::vector<std::string>{"File", "CRC32"}));
    EXPECT_EQ(List().CellText(0, 1), L"352441c2");
}

TEST_F(ToolsTest, FindSelectsMatchesAndColoursTheBox) {
    OpenWithTwoFiles();
    Command(ID_EDIT_FIND);
    HWND find = GetDlgItem(window, IDC_MAIN_FIND);
    EXPECT_TRUE(IsWindowVisible(find));
    EXPECT_EQ(GetFocus(), find);
    const std::string md5 = DigestHex(AlgorithmById(kMd5Id), Bytes("abc"));
    SetWindowTextW(find, Utf8ToWide(Upper(md5.substr(3, 10))).c_str());
    EXPECT_EQ(Main().findMatchCount(), 1);
    EXPECT_EQ(ListView_GetSelectedCount(GetDlgItem(window, IDC_MAIN_LIST)), 1u);
    HDC dc = CreateCompatibleDC(nullptr);
    SendMessageW(window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(find));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 128, 0));
    SetWindowTextW(find, L"abc.txt"); // only a file name holds it
    EXPECT_EQ(Main().findMatchCount(), 0);
    SendMessageW(window, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(find));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    DeleteDC(dc);
    Key(find, VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(find));
}

// A find that selects tens of thousands of rows sets the first of them at
// once and the rest while the window is idle. Nobody meets half of it: the
// next keystroke replaces it, a click on the list or a command makes it
// whole first.
TEST_F(ToolsTest, LargeFindSelectionsAreWholeBeforeAnythingActsOnThem) {
    std::ofstream(dir.path() / "vesk.ini") << "[General]\r\nConfig=01000000\r\n";
    Open();
    constexpr int kRows = 100'000;
    const auto matches = [](int row) { return row % 5 < 2; }; // 40%, scattered
    std::vector<FileResult> batch;
    for (int row = 0; row < kRows; ++row) {
        auto record = std::make_shared<FileRecord>();
        record->path = L"C:\\f" + std::to_wstring(row);
        batch.push_back(
            {record->path, record, {{kMd5Id, (matches(row) ? L"00ab" : L"00cd") + std::to_wstring(row)}}});
    }
    SendMessageW(window, kAddResultsMessage, 0, reinterpret_cast<LPARAM>(&batch));
    ASSERT_EQ(List().RowCount(), kRows);
    HWND list = GetDlgItem(window, IDC_MAIN_LIST);
    HWND find = GetDlgItem(window, IDC_MAIN_FIND);
    const auto selectedCount = [&] { return int(ListView_GetSelectedCount(list)); };
    const auto selectedAreMatches = [&] {
        int count = 0;
        for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
             row = ListView_GetNextItem(list, row, LVNI_SELECTED), ++count)
            if (!matches(row))
                return false;
        return count == kRows / 5 * 2;
    };
    Command(ID_EDIT_FIND);

    SetWindowTextW(find, L"ab");
    EXPECT_LT(selectedCount(), kRows / 5 * 2) << "made at once: this test no longer sees the slices";
    SetWindowTextW(find, L"abX");
    Pump([] { return false; }, 300ms);
    EXPECT_EQ(selectedCount(), 0);

    SetWindowTextW(find, L"ab");
    EXPECT_TRUE(Pump([&] { return selectedCount() == kRows / 5 * 2; }));
    EXPECT_TRUE(selectedAreMatches());

    SetWindowTextW(find, L"");
    SetWindowTextW(find, L"ab");
    ClickRow(list, 2); // a row that does not match, clicked alone
    Pump([] { return false; }, 300ms);
    EXPECT_EQ(selectedCount(), 1);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2);

    SetWindowTextW(find, L"");
    SetWindowTextW(find, L"ab");
    Command(ID_EDIT_DELETE);
    ASSERT_EQ(List().RowCount(), kRows - kRows / 5 * 2);
    int column = 0;
    while (column < List().ColumnCount() && List().Column(column).id != kMd5Id)
        ++column;
    for (int row = 0; row < List().RowCount(); ++row)
        ASSERT_EQ(List().CellText(row, column).substr(0, 4), L"00cd") << row;
}

// A digest pasted into the find box with real keys, or waiting on the
// clipboard when the box opens, is compared whole; the status bar says which
// file matched, or which shown algorithms do not; a length no shown algorithm
// has is offered to be computed.
TEST_F(ToolsTest, PastedDigestsAreComparedWhole) {
    OpenWithTwoFiles();
    const auto setClipboard = [&](const std::wstring& text) {
        ASSERT_TRUE(OpenClipboard(window));
        EmptyClipboard();
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
        memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(memory);
        SetClipboardData(CF_UNICODETEXT, memory);
        CloseClipboard();
    };
    const auto hex = [](AlgorithmId id, const char* content) {
        return Utf8ToWide(DigestHex(AlgorithmById(id), Bytes(content)));
    };
    HWND list = GetDlgItem(window, IDC_MAIN_LIST);
    HWND find = GetDlgItem(window, IDC_MAIN_FIND);
    setClipboard(L"sha256: " + Utf8ToWide(Upper(WideToUtf8(hex(kSha256Id, "other")))));
    Command(ID_EDIT_FIND); // the clipboard holds a digest: the box takes it
    EXPECT_EQ(Main().compareText(), L"SHA-256 of other.bin matches");
    EXPECT_TRUE(Main().compareMatched());
    ASSERT_EQ(ListView_GetSelectedCount(list), 1u);
    EXPECT_EQ(List().CellText(ListView_GetNextItem(list, -1, LVNI_SELECTED), 0), L"other.bin");

    SetWindowTextW(find, L"");
    setClipboard(hex(kSha256Id, "neither"));
    Press(find, {VK_CONTROL, 'V'});
    EXPECT_EQ(WindowText(find), hex(kSha256Id, "neither"));
    EXPECT_EQ(Main().compareText(), L"No SHA-256 digest matches");
    EXPECT_FALSE(Main().compareMatched());
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);

    // SHA-512 is not shown: Yes computes it for the listed files, then looks again.
    SetWindowTextW(find, L"");
    setClipboard(hex(kSha512Id, "abc"));
    DialogDriver yes(
        window, [](HWND box) { PressButton(box, IDYES); }, L"Vesk");
    Press(find, {VK_CONTROL, 'V'});
    EXPECT_TRUE(yes.found());
    EXPECT_TRUE(Pump([&] { return Main().compareMatched(); })) << WideToUtf8(Main().compareText());
    EXPECT_EQ(Main().compareText(), L"SHA-512 of abc.txt matches");
    EXPECT_EQ(List().RowCount(), 2);
    const std::vector<std::string> headers = Headers();
    EXPECT_NE(std::find(headers.begin(), headers.end(), "SHA-512"), headers.end());
    Command(ID_EDIT_CLEAR);
    EXPECT_EQ(Main().compareText(), L"");
}

TEST_F(ToolsTest, ChosenFontIsWrittenUsedAndReadAtStart) {
    Open();
    std::wstring face; // the first face the dialog offers: which ones exist depends on the system
    DialogDriver driver(window, [&](HWND dialog) {
        HWND faces = GetDlgItem(dialog, 0x470 /* cmb1 */);
        face.resize(size_t(SendMessageW(faces, CB_GETLBTEXTLEN, 0, 0)));
        SendMessageW(faces, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(face.data()));
        SendMessageW(faces, CB_SETCURSEL, 0, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELCHANGE), reinterpret_cast<LPARAM>(faces));
        HWND sizes = GetDlgItem(dialog, 0x472 /* cmb3 */);
        SendMessageW(sizes, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(L"12"));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
        PressButton(dialog, IDOK);
    });
    Command(ID_VIEW_FONT);
    EXPECT_TRUE(driver.found());
    EXPECT_NE(ReadSettings().find("Font=" + WideToUtf8(face) + ",12"), std::string::npos) << ReadSettings();
    EXPECT_EQ(ListFont().lfFaceName, face);

    // And the next start reads it.
    std::ofstream(dir.path() / "vesk.ini") << "[General]\r\nFont=Arial,10,bold\r\n";
    Open();
    EXPECT_STREQ(ListFont().lfFaceName, L"Arial");
    EXPECT_EQ(ListFont().lfWeight, FW_BOLD);
    EXPECT_LT(ListFont().lfHeight, 0);
}

TEST_F(ToolsTest, CopyPutsTheTxtReportOnTheClipboardAndViewOpensReports) {
    OpenWithTwoFiles();
    // MD5 of "abc" and of "other".
    const std::wstring abc = L"900150983cd24fb0d6963f7d28e17f72", other = L"795f3202b17cb6bc3d4b771d8c6c9eaf";
    auto holds = [](const std::wstring& text, const std::wstring& part) {
        return text.find(part) != text.npos;
    };
    Command(ID_EDIT_COPY_ALL);
    const std::wstring all = Clipboard();
    EXPECT_TRUE(holds(all, L"abc.txt") && holds(all, abc) && holds(all, L"other.bin") && holds(all, other));
    Command(ID_EDIT_COPY); // nothing selected: the clipboard keeps what it had
    EXPECT_EQ(Clipboard(), all);
    const int otherRow = List().CellText(0, 0) == L"other.bin" ? 0 : 1;
    List().SelectRows({otherRow});
    Command(ID_EDIT_COPY);
    const std::wstring selected = Clipboard();
    EXPECT_TRUE(holds(selected, L"other.bin") && holds(selected, other));
    EXPECT_FALSE(holds(selected, L"abc.txt") || holds(selected, abc));
    List().SelectRows({});

    // Viewed reports go to the temporary folder and are opened.
    std::vector<std::wstring> opened;
    Main().SetDocumentOpener([&](const std::wstring& path) { opened.push_back(path); });
    Command(ID_VIEW_CSV_ALL);
    Command(ID_VIEW_HTML_ALL);
    Command(ID_VIEW_TXT_SELECTED); // nothing selected: an empty file, nothing opened
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], TemporaryReportPath(ReportFormat::Csv));
    EXPECT_TRUE(opened[0].ends_with(L"\\vesk.csv"));
    EXPECT_TRUE(opened[1].ends_with(L"\\vesk.html"));
    const std::string text = ReadFileText(PathOf(opened[0]));
    EXPECT_TRUE(text.starts_with("\uFEFFFile,CRC32,MD5,SHA-1,SHA-256\r\n")) << text;
    EXPECT_EQ(std::filesystem::file_size(PathOf(TemporaryReportPath(ReportFormat::Txt))), 0u);
}

TEST_F(ToolsTest, SaveTakesTheFormatFromTheExtensionAndAsksBeforeReplacing) {
    OpenWithTwoFiles();
    const struct {
        const char* name;
        int storedFilter; // "FilterIndex" before the dialog opens, 1-based
        int writtenFilter;
        const char* written;
        const char* starts;
    } cases[] = {
        {"sums.CSV", 1, 1, "sums.CSV", "\uFEFFFile,CRC32"},
        {"page.htm", 2, 2, "page.htm", "<!DOCTYPE html>"},
        {"plain.txt", 2, 2, "plain.txt", "\uFEFFFile   "},    // the CSV filter, but the name says TXT
        {"bare", 4, 4, "bare.html", "<!DOCTYPE html>"},       // All Files: the dialog adds "html"
        {"twelve.txt", 12, 1, "twelve.txt", "\uFEFFFile   "}, // no such filter: the first one
    };
    for (const auto& c : cases) {
        WriteIntSetting(Settings(), L"FilterIndex", c.storedFilter);
        ChooseFile(ID_FILE_SAVE, WideOf(dir.path() / c.name));
        const std::string text = ReadFileText(dir.path() / c.written);
        EXPECT_TRUE(text.starts_with(c.starts)) << c.name << ": " << text.substr(0, 40);
        EXPECT_EQ(ReadIntSetting(Settings(), L"FilterIndex", 0), c.writtenFilter) << c.name;
    }

    // Saving over an existing file asks; No leaves the file and the filter alone.
    const std::wstring existing = WideOf(dir.path() / "sums.CSV");
    dir.Write("sums.CSV", Bytes("keep me"));
    for (const int answer : {IDNO, IDYES}) {
        DialogDriver confirm(
            window, [&](HWND box) { PostMessageW(box, WM_COMMAND, answer, 0); }, L"Confirm Save As");
        ChooseFile(ID_FILE_SAVE, existing);
        EXPECT_EQ(ReadFileText(dir.path() / "sums.CSV") == "keep me", answer == IDNO);
    }
}

TEST_F(ToolsTest, SaveWritesChecksumFilesThatCheckAsOk) {
    OpenWithTwoFiles();
    for (const int filter : {5, 9}) {
        WriteIntSetting(Settings(), L"FilterIndex", filter);
        ChooseFile(ID_FILE_SAVE, WideOf(dir.path() / (filter == 5 ? "list" : "tags.txt")));
        const std::filesystem::path written = dir.path() / (filter == 5 ? "list.sha256" : "tags.txt");
        const std::string text = ReadFileText(written);
        const std::string digest = DigestHex(AlgorithmById(kSha256Id), Bytes("abc"));
        EXPECT_NE(text.find(filter == 5 ? digest + "  files/abc.txt\n"
                                        : "SHA256 (files/abc.txt) = " + digest + "\n"),
                  std::string::npos)
            << text;
        const ChecksumList list = ParseChecksumText(text, WideOf(written));
        EXPECT_EQ(list.lines.size(), filter == 5 ? 2u : 8u);
        size_t ok = 0;
        ResultSink quiet;
        CheckFiles(list, WideOf(dir.path()), quiet,
                   [&](const CheckResult& result) { ok += result.status == CheckStatus::Ok ? 1 : 0; });
        EXPECT_EQ(ok, list.lines.size());
    }
}

TEST_F(ToolsTest, SaveThatCannotWriteSaysSo) {
    OpenWithTwoFiles();
    DialogDriver told(
        window, [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, L"Vesk");
    ChooseFile(ID_FILE_SAVE, L"Z:\\proc\\vesk-cannot-write-here.txt");
    EXPECT_TRUE(told.found());
    EXPECT_NE(ReadSettings().find("FilterIndex="), std::string::npos);
}

TEST_F(ToolsTest, VerifyFromTheMenuShowsEachLinesStatus) {
    Open();
    WriteFile("v/same.txt", "same");
    WriteFile("v/changed.txt", "before");
    std::filesystem::create_directories(dir.path() / "v" / "folder");
    std::string sums;
    for (const char* name : {"same.txt", "changed.txt", "gone.txt", "folder"})
        sums += *FormatChecksumLine(ChecksumForm::Gnu, kSha256Id, Utf8ToWide(name),
                                    DigestHex(AlgorithmById(kSha256Id),
                                              Bytes(name == std::string("changed.txt") ? "before" : "same")));
    sums += "MD5 (same.txt) = " + DigestHex(AlgorithmById(kMd5Id), Bytes("same")) + "\nnot a line\n";
    dir.Write("v/SHA256SUMS", Bytes(sums));
    WriteFile("v/changed.txt", "after");
    EXPECT_TRUE(ChooseFile(ID_FILE_VERIFY, WideOf(dir.path() / "v" / "SHA256SUMS")));
    HWND verify = nullptr;
    std::wstring title;
    ASSERT_TRUE(Pump([&] {
        verify = OwnedDialog(window, L"Verify ");
        wchar_t text[256] = {};
        if (verify)
            GetWindowTextW(verify, text, 256);
        title = text;
        return verify && title.find(L"checking") == std::wstring::npos;
    }));
    EXPECT_EQ(title,
              L"Verify SHA256SUMS - 2 OK, 1 FAILED, 1 missing, 1 unreadable, 1 line improperly formatted");
    HWND list = GetDlgItem(verify, IDC_VERIFY_LIST);
    ASSERT_EQ(ListView_GetItemCount(list), 5);
    std::vector<std::wstring> statuses;
    for (int row = 0; row < 5; ++row) {
        wchar_t text[64] = {};
        ListView_GetItemText(list, row, 1, text, 64);
        statuses.push_back(text);
    }
    EXPECT_EQ(statuses, (std::vector<std::wstring>{L"OK", L"FAILED", L"MISSING", L"UNREADABLE", L"OK"}));
    wchar_t algorithm[64] = {};
    ListView_GetItemText(list, 4, 2, algorithm, 64);
    EXPECT_STREQ(algorithm, L"MD5 (tag)");
    DestroyWindow(verify);
}

} // namespace
} // namespace vesk::test
