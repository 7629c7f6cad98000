// The main window under Wine with a display: created from its template,
// driven through its commands, accelerators, dialogs, drops and hand-over,
// with real files hashed by its workers.
#include "tests/ui/WindowTest.h"

#include "app/HandOver.h"
#include "ui/ControlUtil.h"
#include "ui/WindowSink.h"

#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#include <cwctype>
#include <set>
#include <sstream>

namespace vesk::test {
namespace {

using MainWindowTest = WindowTest;

void ResizeClient(HWND window, int width, int height) {
    RECT outer{}, client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    SetWindowPos(window, nullptr, 0, 0, width + (outer.right - outer.left) - client.right,
                 height + (outer.bottom - outer.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
}

// Every control inside the client area and none over another: the list spans
// the width from the top, the buttons end at the right in order, the status
// bar lies along the bottom.
void ExpectLaidOut(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int ids[] = {IDC_MAIN_LIST,     IDC_MAIN_PROGRESS,  IDC_MAIN_FIND,
                       ID_FILE_ADD_FILES, ID_FILE_ADD_FOLDER, IDC_MAIN_STATUS};
    std::vector<RECT> places;
    for (int id : ids) {
        RECT rect{};
        GetWindowRect(GetDlgItem(window, id), &rect);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_TRUE(rect.left >= 0 && rect.top >= 0 && rect.right <= client.right &&
                    rect.bottom <= client.bottom)
            << id;
        EXPECT_TRUE(rect.right > rect.left && rect.bottom > rect.top) << id;
        places.push_back(rect);
    }
    for (size_t i = 0; i < places.size(); ++i)
        for (size_t j = i + 1; j < places.size(); ++j) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &places[i], &places[j])) << ids[i] << " and " << ids[j];
        }
    EXPECT_TRUE(places[0].left == 0 && places[0].top == 0 && places[0].right == client.right);
    EXPECT_LT(places[3].right, places[4].left);
    EXPECT_GT(places[4].right, client.right * 9 / 10);
    EXPECT_TRUE(places[5].left == 0 && places[5].right == client.right && places[5].bottom == client.bottom);
    EXPECT_LE(places[4].bottom, places[5].top);
}

// The lines of the column table in the settings' text.
std::string ColumnLines(const std::string& settings) {
    std::istringstream lines(settings);
    std::string line, columns;
    while (std::getline(lines, line))
        if (line.rfind("Column", 0) == 0)
            columns += line + "\n";
    return columns;
}

TEST_F(MainWindowTest, CreatedFromItsTemplateWithMenuDefaultColumnsAndLayout) {
    Open();
    wchar_t title[32] = {};
    GetWindowTextW(window, title, 32);
    EXPECT_STREQ(title, L"Vesk");
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    EXPECT_STREQ(className, kMainWindowClassName); // the class a second start looks for
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetMenu(window), nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_MAIN_FIND)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_MAIN_PROGRESS)));
    EXPECT_EQ(Headers(), (std::vector<std::string>{"File", "CRC32", "MD5", "SHA-1", "SHA-256"}));
    // The digest columns fit their texts in the list's font: SHA-256 is the widest.
    EXPECT_GT(List().Column(4).width, List().Column(3).width);
    EXPECT_GT(List().Column(3).width, List().Column(1).width);
    EXPECT_TRUE(MenuChecked(ID_VIEW_SHEET));

    // The layout follows the client size and stops at the minimum.
    ResizeClient(window, 700, 500);
    ExpectLaidOut(window);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 700);
    EXPECT_EQ(StatusText(0), L"0 files");
    EXPECT_EQ(StatusText(2), L"");

    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 400);
    EXPECT_EQ(limits.ptMinTrackSize.y, 400);
}

TEST_F(MainWindowTest, CommandLinePathsAreHashedAtStart) {
    const auto a = WriteFile("a.txt", "abc");
    WriteFile("folder/b.txt", "bbb");
    WriteFile("folder/deeper/c.txt", "ccc"); // a folder argument gives its own files only
    Open({WideOf(a), WideOf(dir.path() / "folder"), WideOf(dir.path() / "missing.txt")});
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"a.txt", "abc"}, {"b.txt", "bbb"}}));
}

TEST_F(MainWindowTest, AddFilesTakesEveryFileChosenInTheOpenDialog) {
    WriteFile("one.txt", "1");
    WriteFile("two.txt", "22");
    WriteFile("three.txt", "333");
    Open();
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    EXPECT_TRUE(ChooseFile(ID_FILE_ADD_FILES, L"\"one.txt\" \"two.txt\" \"three.txt\""));
    std::filesystem::current_path(previous);
    ASSERT_TRUE(WaitForRows(3));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"one.txt", "1"}, {"three.txt", "333"}, {"two.txt", "22"}}));
}

TEST_F(MainWindowTest, AddFolderAdvancedUsesWildcardAndDepthAndRemembersThem) {
    WriteFile("tree/top.txt", "t");
    WriteFile("tree/top.bin", "x");
    WriteFile("tree/l1/one.txt", "1");
    WriteFile("tree/l1/l2/two.txt", "2");
    WriteFile("tree/l1/l2/l3/three.txt", "3");
    Open();
    const std::wstring folder = WideOf(dir.path() / "tree");
    {
        DialogDriver driver(window, [&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_ADD_FOLDER_FOLDER, folder.c_str());
            SetDlgItemTextW(dialog, IDC_ADD_FOLDER_WILDCARD, L"*.txt");
            ComboBox_SetCurSel(GetDlgItem(dialog, IDC_ADD_FOLDER_DEPTH), 12); // "Scan level 2"
            PressButton(dialog, IDOK);
        });
        Command(ID_FILE_ADD_FOLDER_ADVANCED);
        EXPECT_TRUE(driver.found());
    }
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"two.txt", "2"}}));
    const std::string settings = ReadSettings();
    EXPECT_NE(settings.find("Folder=" + WideToUtf8(folder)), std::string::npos) << settings;
    EXPECT_NE(settings.find("Wildcard=*.txt"), std::string::npos);
    EXPECT_NE(settings.find("DepthIndex=12"), std::string::npos);

    // The next opening shows the same choices; an emptied wildcard means "*".
    {
        DialogDriver driver(window, [&](HWND dialog) {
            wchar_t text[300] = {};
            GetDlgItemTextW(dialog, IDC_ADD_FOLDER_FOLDER, text, 300);
            EXPECT_EQ(text, folder);
            EXPECT_EQ(ComboBox_GetCurSel(GetDlgItem(dialog, IDC_ADD_FOLDER_DEPTH)), 12);
            SetDlgItemTextW(dialog, IDC_ADD_FOLDER_WILDCARD, L"");
            ComboBox_SetCurSel(GetDlgItem(dialog, IDC_ADD_FOLDER_DEPTH), 1); // the folder alone
            PressButton(dialog, IDOK);
        });
        Command(ID_FILE_ADD_FOLDER_ADVANCED);
    }
    ASSERT_TRUE(WaitForRows(3));
    EXPECT_NE(ReadSettings().find("Wildcard=*\n"), std::string::npos);
}

TEST_F(MainWindowTest, AddFolderPicksAFolderAndWalksDeeperWithShift) {
    WriteFile("pick/a.txt", "a");
    WriteFile("pick/sub/b.txt", "b");
    Open();
    const std::wstring folder = WideOf(dir.path() / "pick");
    for (bool shift : {false, true}) {
        SetKeyDown(VK_SHIFT, shift);
        const bool found = ChooseFile(ID_FILE_ADD_FOLDER, folder);
        SetKeyDown(VK_SHIFT, false);
        ASSERT_TRUE(found) << "no folder picker window found";
    }
    ASSERT_TRUE(WaitForRows(3));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"a.txt", "a"}, {"a.txt", "a"}, {"b.txt", "b"}}));
}

// A drop as the shell makes it: a DROPFILES header and the paths, each
// NUL-terminated, with an empty one at the end.
HDROP MakeDrop(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths)
        list += path + L'\0';
    list += L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(MainWindowTest, DroppedFoldersGoOneLevelDeeperWithCtrl) {
    const auto file = WriteFile("drop/file.txt", "f");
    WriteFile("drop/folder/own.txt", "o");
    WriteFile("drop/folder/sub/deep.txt", "d");
    WriteFile("drop/folder/sub/deeper/deepest.txt", "x");
    Open();
    SendMessageW(window, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({WideOf(file), WideOf(dir.path() / "drop" / "folder")})),
                 0);
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"file.txt", "f"}, {"own.txt", "o"}}));

    Command(ID_EDIT_CLEAR);
    SetKeyDown(VK_CONTROL, true);
    SendMessageW(window, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(MakeDrop({WideOf(dir.path() / "drop" / "folder")})), 0);
    SetKeyDown(VK_CONTROL, false);
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"deep.txt", "d"}, {"own.txt", "o"}}));
}

// Stop during a large file: the bar goes, the file adds no row, and a file
// added afterwards is hashed as usual.
TEST_F(MainWindowTest, StopDuringALargeFileLeavesNoPartialRow) {
    // Every algorithm: the large file takes seconds to hash.
    ColumnSnapshot columns = SharedViewState().columns.Snapshot();
    for (uint32_t p = kFirstAlgorithmPosition; p < kColumnCount; ++p)
        columns[p] = WithShown(columns[p], true);
    SharedViewState().columns.Assign(columns);
    const auto large = dir.Write("large.bin", std::vector<uint8_t>(64 << 20, 0x5A)).make_preferred();
    const auto small = WriteFile("small.txt", "s");
    Open({WideOf(large)});
    HWND bar = GetDlgItem(window, IDC_MAIN_PROGRESS);
    ASSERT_TRUE(Pump([&] { return IsWindowVisible(bar) != FALSE; }));
    Command(ID_FILE_STOP);
    EXPECT_TRUE(Pump([&] { return IsWindowVisible(bar) == FALSE; }, 10s));
    Pump([] { return false; }, 300ms);
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_TRUE(Main().filesNotRead().empty()); // stopped part-way is not a failure

    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({WideOf(small)})), 0);
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_EQ(WideToUtf8(List().CellText(0, 0)), "small.txt");
}

TEST_F(MainWindowTest, PathsLongerThanTheOldLimitAreHashed) {
    std::string deep = "long";
    while (deep.size() < 300)
        deep += "/" + std::string(40, 'd');
    const auto file = WriteFile(deep + "/file.txt", "long");
    Open({WideOf(file)});
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"file.txt", "long"}}));
    Command(ID_VIEW_FULL_PATH);
    EXPECT_EQ(List().CellText(0, 0), WideOf(file));
    // With the temporary folder as deep, a viewed report is written there.
    const std::wstring temporary = WideOf(file.parent_path()) + L"\\";
    std::wstring saved(32768, L'\0');
    saved.resize(GetEnvironmentVariableW(L"TMP", saved.data(), DWORD(saved.size())));
    SetEnvironmentVariableW(L"TMP", temporary.c_str());
    std::vector<std::wstring> opened;
    Main().SetDocumentOpener([&](const std::wstring& path) { opened.push_back(path); });
    Command(ID_VIEW_TXT_ALL);
    SetEnvironmentVariableW(L"TMP", saved.empty() ? nullptr : saved.c_str());
    ASSERT_EQ(opened, std::vector<std::wstring>{temporary + L"vesk.txt"});
    EXPECT_NE(GetFileAttributesW(platform::LongPathForm(opened[0]).c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, SwitchingViewsRoundTripsAndKeysWork) {
    WriteFile("v/a.txt", "a");
    WriteFile("v/b.txt", "bb");
    Open({WideOf(dir.path() / "v")});
    ASSERT_TRUE(WaitForRows(2));
    const std::vector<std::string> sheet = SheetRows();

    HWND list = GetDlgItem(window, IDC_MAIN_LIST);
    Key(list, VK_F11);
    EXPECT_EQ(SharedViewState().viewFlags & kViewSheet, 0u);
    EXPECT_EQ(List().ColumnCount(), 2);
    const int groupRows = 2; // a header row per file
    EXPECT_EQ(List().RowCount(), 2 * 4 + groupRows);
    EXPECT_TRUE(MenuChecked(ID_VIEW_KEY_VALUE));
    Command(ID_VIEW_KEY_VALUE); // already there: nothing changes
    EXPECT_EQ(List().RowCount(), 2 * 4 + groupRows);
    // A double click on a file's header row folds its group to that row, and
    // another unfolds it; a header row is never selected.
    ClickRow(list, 0, 2);
    EXPECT_EQ(List().RowCount(), 1 + 4 + 1);
    EXPECT_EQ(ListView_GetItemCount(list), 1 + 4 + 1);
    EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
    ClickRow(list, 0, 2);
    EXPECT_EQ(List().RowCount(), 2 * 4 + groupRows);

    Command(ID_VIEW_SHEET);
    EXPECT_EQ(SheetRows(), sheet);

    // In the find box, struck on the keyboard, its editing keys edit the
    // box's text and leave the rows alone: Ctrl+A selects the text, Ctrl+C and
    // Ctrl+X take it to the clipboard, Ctrl+V and Ctrl+Z bring it back, Delete
    // deletes in it.
    HWND find = GetDlgItem(window, IDC_MAIN_FIND);
    Command(ID_EDIT_FIND);
    SetWindowTextW(find, L"a.txt");
    const UINT selectedByFind = ListView_GetSelectedCount(list);
    Press(find, {VK_CONTROL, 'A'});
    DWORD start = 1, end = 0;
    SendMessageW(find, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);
    EXPECT_EQ(ListView_GetSelectedCount(list), selectedByFind);
    Press(find, {VK_CONTROL, 'C'});
    EXPECT_EQ(Clipboard(), L"a.txt");
    Press(find, {VK_CONTROL, 'X'});
    EXPECT_EQ(WindowText(find), L"");
    EXPECT_EQ(List().RowCount(), 2);
    Press(find, {VK_CONTROL, 'Z'});
    EXPECT_EQ(WindowText(find), L"a.txt");
    Press(find, {VK_END});
    Press(find, {VK_CONTROL, 'V'});
    EXPECT_EQ(WindowText(find), L"a.txta.txt");
    SetWindowTextW(find, L"b.txt");
    SendMessageW(find, EM_SETSEL, 0, 1);
    Press(find, {VK_DELETE});
    EXPECT_EQ(WindowText(find), L".txt");
    Press(find, {VK_SHIFT, VK_END});
    Press(find, {VK_DELETE});
    EXPECT_EQ(WindowText(find), L"");
    EXPECT_EQ(List().RowCount(), 2);
    // In the list the same keys are the list's: Ctrl+A selects every row, Delete removes them.
    Press(list, {VK_CONTROL, 'A'});
    EXPECT_EQ(ListView_GetSelectedCount(list), 2u);
    Press(list, {VK_DELETE});
    EXPECT_EQ(List().RowCount(), 0);

    // Ctrl+U re-cases; neither Escape nor Enter in the list, the find box or
    // the window closes it.
    Open({WideOf(dir.path() / "v")});
    ASSERT_TRUE(WaitForRows(2));
    list = GetDlgItem(window, IDC_MAIN_LIST);
    Key(list, 'U', true);
    EXPECT_EQ(WideToUtf8(List().CellText(0, 2)),
              Upper(DigestHex(AlgorithmById(kMd5Id),
                              Bytes(WideToUtf8(List().CellText(0, 0)) == "a.txt" ? "a" : "bb"))));
    Key(list, VK_ESCAPE);
    EXPECT_TRUE(IsWindow(window));
    for (HWND target : {list, GetDlgItem(window, IDC_MAIN_FIND), window}) {
        Key(target, VK_RETURN);
        PostMessageW(target, WM_CHAR, VK_RETURN, 1);
        Pump([] { return false; }, 100ms);
        EXPECT_TRUE(IsWindow(window));
    }
}

TEST_F(MainWindowTest, SettingsAreWrittenAtExitAndReadAtStart) {
    Open();
    Command(ID_VIEW_TOGGLE);
    Command(ID_VIEW_UPPERCASE);
    Command(ID_VIEW_GRID_LINES);
    MoveWindow(window, 40, 50, 640, 480, FALSE);
    Command(ID_FILE_EXIT);
    EXPECT_FALSE(IsWindow(window));
    const std::string settings = ReadSettings();
    EXPECT_NE(settings.find("Config=14000000"), std::string::npos) << settings;
    // WinPos: left 40, top 50, right 680, bottom 530, shown normally.
    EXPECT_NE(settings.find("WinPos=2800000032000000A802000012020000"), std::string::npos) << settings;
    EXPECT_NE(settings.find("Column2="), std::string::npos);
    EXPECT_NE(settings.find("Column=3C"), std::string::npos);

    ResetViewState();
    Open();
    EXPECT_EQ(SharedViewState().viewFlags.load(), kViewUppercase | kViewGridLines);
    EXPECT_EQ(List().ColumnCount(), 2);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(GetDlgItem(window, IDC_MAIN_LIST)) & LVS_EX_GRIDLINES,
              DWORD(LVS_EX_GRIDLINES));
    EXPECT_TRUE(MenuChecked(ID_VIEW_UPPERCASE));
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    EXPECT_EQ(placement.rcNormalPosition.left, 40);
    EXPECT_EQ(placement.rcNormalPosition.right, 680);

    // A log-off ends the session without closing the window first.
    Command(ID_VIEW_UPPERCASE);
    SendMessageW(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_NE(ReadSettings().find("Config=10000000"), std::string::npos) << ReadSettings();
}

// Saved placements a window must not open with: a rectangle whose width does
// not fit in an int (left and top INT_MIN, right and bottom INT_MAX), a
// window closed minimised, a value cut short, and a rectangle far outside
// every monitor (1000000, 5000000, 2000000, 10000000). Each opens visible on
// a monitor in its normal state; the one off every monitor is centred on the
// nearest.
TEST_F(MainWindowTest, DamagedMinimisedOrLostPlacementsOpenNormallyOnAMonitor) {
    const struct {
        const char* winPos;
        bool centred;
    } cases[] = {{"0000008000000080FFFFFF7FFFFFFF7F01000000", false},
                 {"2800000032000000A80200001202000002000000", false},
                 {"40420F00404B4C0080841E0080969800010000", false},
                 {"40420F00404B4C0080841E008096980001000000", true}};
    for (const auto& c : cases) {
        std::ofstream(dir.path() / "vesk.ini") << "[General]\r\nWinPos=" << c.winPos << "\r\n";
        Open();
        EXPECT_TRUE(IsWindowVisible(window) && !IsIconic(window)) << c.winPos;
        HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONULL);
        ASSERT_NE(monitor, nullptr) << c.winPos;
        RECT rect{};
        GetWindowRect(window, &rect);
        EXPECT_TRUE(rect.right > rect.left && rect.right - rect.left < 5000) << c.winPos;
        if (!c.centred)
            continue;
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoW(monitor, &info);
        const SIZE size = Main().initialClientSize();
        EXPECT_EQ(rect.right - rect.left, size.cx);
        EXPECT_EQ(rect.left,
                  info.rcMonitor.left + (info.rcMonitor.right - info.rcMonitor.left - size.cx) / 2);
        EXPECT_EQ(rect.top,
                  info.rcMonitor.top - 30 + (info.rcMonitor.bottom - info.rcMonitor.top - size.cy) / 2);
    }
}

// Settings that cannot be saved are not lost in silence: Exit says so, once.
TEST_F(MainWindowTest, ExitSaysWhenTheSettingsCannotBeSaved) {
    Open();
    std::filesystem::create_directory(dir.path() / "vesk.ini");
    DialogDriver told(
        window, [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }, L"Vesk");
    Command(ID_FILE_EXIT);
    EXPECT_TRUE(told.found());
    EXPECT_FALSE(IsWindow(window));
}

// A second vesk.exe, started without a console while this window is open,
// hands its relative path over; the path is taken against its directory.
TEST_F(MainWindowTest, SecondStartHandsItsCommandLineOver) {
    WriteFile("sender/relative.txt", "handed over");
    Open();
    FreeConsole(); // so that the second start finds no console to print to
    const std::wstring program = WideOf(BuiltProgramPath());
    const std::wstring workingDirectory = WideOf(dir.path() / "sender");
    EXPECT_EQ(RunBeside(program, L"\"" + program + L"\" relative.txt", workingDirectory), 0);
    ASSERT_TRUE(WaitForRows(1));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"relative.txt", "handed over"}}));
    Command(ID_VIEW_FULL_PATH);
    EXPECT_EQ(List().CellText(0, 0), workingDirectory + L"\\relative.txt");

    // A message box captioned "Vesk" in front (here the program's own, from
    // another thread) is no window to hand over to.
    WriteFile("sender/second.txt", "second");
    std::thread box([] { MessageBoxW(nullptr, L"in front", L"Vesk", MB_OK); });
    HWND shown = nullptr;
    for (int i = 0; i < 200 && shown == nullptr; ++i, Sleep(20))
        shown = FindWindowW(L"#32770", L"Vesk");
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(RunBeside(program, L"\"" + program + L"\" second.txt", workingDirectory), 0);
    EXPECT_TRUE(WaitForRows(2));
    PostMessageW(shown, WM_COMMAND, IDOK, 0);
    box.join();
}

// Every menu item a keyboard reaches has a mnemonic, none twice in one menu,
// and the window's buttons take none of the menu bar's: Alt+F must open File.
// "Verify with Vesk" from the file manager starts vesk.exe --check FILE: the
// open window checks the file in a Verify window.
TEST_F(MainWindowTest, ASecondStartWithCheckOpensAVerifyWindow) {
    WriteFile("v/same.txt", "same");
    WriteFile("v/changed.txt", "after");
    const std::string sha256 = DigestHex(AlgorithmById(kSha256Id), Bytes("same"));
    dir.Write("v/SHA256SUMS", Bytes(sha256 + "  same.txt\n" + sha256 + "  changed.txt\n"));
    Open();
    FreeConsole();
    const std::wstring program = WideOf(BuiltProgramPath());
    EXPECT_EQ(RunBeside(program, L"\"" + program + L"\" --check SHA256SUMS", WideOf(dir.path() / "v")), 0);
    std::wstring title;
    HWND verify = nullptr;
    EXPECT_TRUE(Pump([&] {
        verify = OwnedDialog(window, L"Verify ");
        title = verify ? WindowText(verify) : L"";
        return title == L"Verify SHA256SUMS - 1 OK, 1 FAILED";
    })) << WideToUtf8(title);
    EXPECT_EQ(List().RowCount(), 0); // nothing hashed into the list
    if (verify)
        DestroyWindow(verify);
}

TEST_F(MainWindowTest, MnemonicsAreUniqueInEachMenuAndApartFromTheMenuBar) {
    Open();
    std::function<std::set<wchar_t>(HMENU, const std::string&)> check = [&](HMENU menu,
                                                                            const std::string& where) {
        std::set<wchar_t> seen;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
            GetMenuItemInfoW(menu, UINT(i), TRUE, &info);
            if (info.fType & MFT_SEPARATOR)
                continue;
            wchar_t text[128] = {};
            GetMenuStringW(menu, UINT(i), text, 128, MF_BYPOSITION);
            const wchar_t* mark = wcschr(text, L'&');
            EXPECT_TRUE(mark != nullptr && mark[1] != 0) << where << ": " << WideToUtf8(text);
            const bool unique = mark == nullptr || seen.insert(wchar_t(towlower(mark[1]))).second;
            EXPECT_TRUE(unique) << where << ": " << WideToUtf8(text);
            if (info.hSubMenu != nullptr)
                check(info.hSubMenu, WideToUtf8(text));
        }
        return seen;
    };
    const std::set<wchar_t> menuBar = check(GetMenu(window), "the menu bar");
    HMENU context = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LIST_CONTEXT));
    check(GetSubMenu(context, 0), "the list's context menu");
    DestroyMenu(context);
    for (const int button : {ID_FILE_ADD_FILES, ID_FILE_ADD_FOLDER}) {
        const std::wstring text = WindowText(GetDlgItem(window, button));
        const size_t mark = text.find(L'&');
        ASSERT_NE(mark, std::wstring::npos) << WideToUtf8(text);
        EXPECT_EQ(menuBar.count(wchar_t(towlower(text[mark + 1]))), 0u) << WideToUtf8(text);
    }
}

// Starts that race with no window open, as the file manager makes them for
// many selected files, end in one window holding every path.
TEST_F(MainWindowTest, StartsAtOnceEndInOneWindowWithEveryPath) {
    const std::filesystem::path program = dir.path() / "vesk.exe";
    std::filesystem::copy_file(BuiltProgramPath(), program);
    FreeConsole();
    constexpr int kStarts = 20;
    std::vector<PROCESS_INFORMATION> started;
    for (int i = 0; i < kStarts; ++i) {
        const auto file = WriteFile("many/f" + std::to_string(i) + ".txt", std::to_string(i));
        std::wstring commandLine = L"\"" + WideOf(program) + L"\" \"" + WideOf(file) + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(CreateProcessW(WideOf(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                   DETACHED_PROCESS, nullptr, nullptr, &startup, &process));
        started.push_back(process);
    }
    // Every start but the window's own ends once it has handed over.
    std::vector<HANDLE> processes;
    for (const PROCESS_INFORMATION& process : started)
        processes.push_back(process.hProcess);
    HWND theWindow = nullptr;
    int windows = 0, rows = 0;
    for (int i = 0; i < 1500 && rows < kStarts; ++i, Sleep(20)) {
        windows = 0;
        for (HWND w = FindWindowW(kMainWindowClassName, nullptr); w;
             w = FindWindowExW(nullptr, w, kMainWindowClassName, nullptr), ++windows)
            theWindow = w;
        if (windows == 1)
            rows = int(SendMessageW(GetDlgItem(theWindow, IDC_MAIN_LIST), LVM_GETITEMCOUNT, 0, 0));
    }
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(rows, kStarts);
    if (theWindow != nullptr)
        PostMessageW(theWindow, WM_CLOSE, 0, 0);
    WaitForMultipleObjects(DWORD(processes.size()), processes.data(), TRUE, 20000);
    for (const PROCESS_INFORMATION& process : started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// The window of a separate vesk.exe that `process` runs, once it is open.
HWND WindowOfProcess(DWORD process) {
    for (int i = 0; i < 500; ++i) {
        for (HWND candidate = FindWindowW(kMainWindowClassName, nullptr); candidate;
             candidate = FindWindowExW(nullptr, candidate, kMainWindowClassName, nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            if (owner == process)
                return candidate;
        }
        Sleep(20);
    }
    return nullptr;
}

TEST_F(MainWindowTest, ClosingWhileWorkersHashEndsTheProcessCleanly) {
    // A copy of the program, so that the settings it writes at exit land here.
    const std::filesystem::path program = dir.path() / "vesk.exe";
    std::filesystem::copy_file(BuiltProgramPath(), program);
    dir.Write("busy/large.bin", std::vector<uint8_t>(96 << 20, 0x5A));
    for (int i = 0; i < 300; ++i)
        WriteFile("busy/small" + std::to_string(i), "s");
    FreeConsole();
    const std::wstring commandLine = L"\"" + WideOf(program) + L"\" \"" + WideOf(dir.path() / "busy") + L"\"";
    EXPECT_EQ(RunBeside(WideOf(program), commandLine, {}, DETACHED_PROCESS,
                        [](DWORD process) {
                            HWND other = WindowOfProcess(process);
                            EXPECT_NE(other, nullptr);
                            PostMessageW(other, WM_CLOSE, 0, 0);
                        }),
              0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "vesk.ini")); // saved on the way out
}

TEST_F(MainWindowTest, MalformedHandOverBlocksFromAnotherProcessChangeNothing) {
    WriteFile("x.txt", "x");
    Open();
    const std::filesystem::path sender =
        PathOf(platform::ExecutablePath()).parent_path() / "send_copydata.exe";
    // Each block from another process; the status says whether the window took it.
    auto send = [&](const std::vector<uint8_t>& block, size_t byteCount, uint32_t tag = kHandOverTag) {
        const auto file = dir.Write("block.bin", block);
        const std::wstring handle = std::to_wstring(reinterpret_cast<uintptr_t>(window));
        return RunBeside(WideOf(sender),
                         L"\"" + WideOf(sender) + L"\" " + handle + L" " + std::to_wstring(tag) + L" " +
                             std::to_wstring(byteCount) + L" \"" + WideOf(file) + L"\"",
                         {}, 0);
    };
    const std::vector<uint8_t> good = BuildHandOverBlock(WideOf(dir.path()), L"vesk.exe x.txt");
    const size_t textBytes = 2 * (WideOf(dir.path()).size() + 1 + 14 + 1);
    EXPECT_EQ(send(std::vector<uint8_t>(65536, 'A'), 65536), 1);      // no terminator anywhere
    EXPECT_EQ(send(good, textBytes - 2), 1);                          // the command line's terminator cut off
    EXPECT_EQ(send(good, 7), 1);                                      // an odd size inside the directory
    EXPECT_EQ(send({}, 0), 1);                                        // no data at all
    EXPECT_EQ(send(std::vector<uint8_t>(1 << 20, 0xFF), 1 << 20), 1); // large and without any text
    EXPECT_EQ(send(good, good.size(), 0), 1);                         // some other program's block
    Pump([] { return false; }, 500ms);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(List().RowCount(), 0);
    EXPECT_EQ(send(good, good.size()), 0); // and a good one is taken afterwards
    ASSERT_TRUE(WaitForRows(1));
}

// Alt+F, struck on the keyboard, opens the File menu: no control of the
// window takes the F.
TEST_F(MainWindowTest, AltFOpensTheFileMenu) {
    Open();
    std::atomic<HMENU> opened{nullptr};
    std::thread watcher([&] {
        HWND popup = nullptr;
        if (WaitFor(
                [&] {
                    popup = FindWindowW(L"#32768", nullptr);
                    return popup != nullptr && IsWindowVisible(popup);
                },
                5s)) {
            opened = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            // Escape closes the menu, and again leaves the menu bar.
            INPUT escape[4] = {};
            for (int i = 0; i < 4; ++i) {
                escape[i].type = INPUT_KEYBOARD;
                escape[i].ki.wVk = VK_ESCAPE;
                escape[i].ki.dwFlags = i % 2 ? KEYEVENTF_KEYUP : 0;
            }
            SendInput(4, escape, sizeof(INPUT));
        }
    });
    Press(GetDlgItem(window, IDC_MAIN_LIST), {VK_MENU, 'F'});
    Pump([&] { return opened.load() != nullptr; }, 5s);
    watcher.join();
    EXPECT_EQ(opened.load(), GetSubMenu(GetMenu(window), 0));
}

// A file another program holds with no sharing stays out of the list, and is
// counted in the status bar and listed with its reason; a log another
// program is still writing, sharing it, is hashed as it stands.
TEST_F(MainWindowTest, FilesThatCannotBeReadAreCountedAndListedWithTheirReason) {
    const auto locked = WriteFile("n/locked.bin", "locked");
    const auto log = WriteFile("n/growing.log", "line 1\n");
    WriteFile("n/plain.txt", "plain");
    HANDLE held = CreateFileW(WideOf(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE writing = CreateFileW(WideOf(log).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);
    Open({WideOf(dir.path() / "n")});
    ASSERT_TRUE(WaitForRows(2));
    EXPECT_EQ(SheetRows(), ExpectedRows({{"growing.log", "line 1\n"}, {"plain.txt", "plain"}}));
    EXPECT_EQ(StatusText(0), L"2 files");
    EXPECT_EQ(StatusText(2), L"1 file not read");
    ASSERT_EQ(Main().filesNotRead().size(), 1u);
    const FileNotRead notRead = Main().filesNotRead()[0];
    EXPECT_EQ(notRead.path, WideOf(locked));
    EXPECT_FALSE(notRead.reason.empty());

    Command(ID_VIEW_NOT_READ);
    HWND shown = Main().filesNotReadWindow();
    ASSERT_TRUE(IsWindowVisible(shown));
    EXPECT_EQ(WindowText(shown), L"Files Not Read");
    HWND rows = GetDlgItem(shown, IDC_NOT_READ_LIST);
    ASSERT_EQ(ListView_GetItemCount(rows), 1);
    wchar_t cell[512] = {};
    ListView_GetItemText(rows, 0, 0, cell, 512);
    EXPECT_EQ(std::wstring(cell), notRead.path);
    ListView_GetItemText(rows, 0, 1, cell, 512);
    EXPECT_EQ(std::wstring(cell), notRead.reason);
    PressButton(shown, IDC_NOT_READ_COPY);
    Pump([] { return false; }, 100ms);
    EXPECT_EQ(Clipboard(), notRead.path + L"\t" + notRead.reason + L"\r\n");

    // Closing hides the window, which keeps its place; Clear empties it with the list.
    PressButton(shown, IDCANCEL);
    Pump([] { return false; }, 100ms);
    EXPECT_FALSE(IsWindowVisible(shown));
    Command(ID_VIEW_NOT_READ);
    EXPECT_EQ(Main().filesNotReadWindow(), shown);
    Command(ID_EDIT_CLEAR);
    EXPECT_EQ(ListView_GetItemCount(rows), 0);
    EXPECT_EQ(StatusText(0), L"0 files");
    EXPECT_EQ(StatusText(2), L"");
    CloseHandle(held);
    CloseHandle(writing);
}

// Each job has its own share of the progress bar, which follows the job
// furthest from its end: one job's end leaves the bar to another still
// reading. While jobs run the status bar shows the speed.
TEST_F(MainWindowTest, OneJobsEndLeavesTheBarToAnotherStillReading) {
    Open();
    HWND bar = GetDlgItem(window, IDC_MAIN_PROGRESS);
    std::atomic<int> reached{0}, allowed{0};
    const auto stage = [&](int number) {
        reached = number;
        WaitFor([&] { return allowed >= number; }, 20s);
    };
    std::thread jobs([&] {
        {
            auto first = std::make_unique<WindowSink>(window);
            WindowSink second(window);
            first->ProgressBegin();
            first->ProgressSet(70);
            second.ProgressBegin();
            second.ProgressSet(20);
            stage(1);
            second.ProgressSet(90);
            first.reset(); // ends with its long file part-read
            stage(2);
        }
        reached = 3;
    });
    const auto position = [&] { return SendMessageW(bar, PBM_GETPOS, 0, 0); };
    ASSERT_TRUE(Pump([&] { return reached == 1; }));
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(position(), 20);
    Pump([] { return false; }, 1200ms);
    EXPECT_NE(StatusText(1).find(L"B/s"), std::wstring::npos) << WideToUtf8(StatusText(1));
    allowed = 1;
    ASSERT_TRUE(Pump([&] { return reached == 2; }));
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_EQ(position(), 90);
    allowed = 2;
    ASSERT_TRUE(Pump([&] { return reached == 3; }));
    jobs.join();
    EXPECT_FALSE(IsWindowVisible(bar));
    EXPECT_EQ(StatusText(1), L"");
}

// At twice the DPI the window lays itself out again with fonts, controls and
// columns twice as large, while the settings keep the widths they have at 96.
TEST_F(MainWindowTest, TwiceTheDpiDoublesFontsControlsAndColumnsButNotTheStoredWidths) {
    Open();
    Command(ID_FILE_EXIT);
    const std::string columnsAt96 = ColumnLines(ReadSettings());
    ASSERT_FALSE(columnsAt96.empty());
    Open();
    ASSERT_EQ(Main().dpi(), 96u);
    const LONG fontHeight = ListFont().lfHeight;
    std::vector<uint32_t> widths;
    for (int i = 0; i < List().ColumnCount(); ++i)
        widths.push_back(List().Column(i).width);
    const auto height = [&](int id) {
        RECT rect{};
        GetWindowRect(GetDlgItem(window, id), &rect);
        return rect.bottom - rect.top;
    };
    const LONG buttonHeight = height(ID_FILE_ADD_FILES);

    ResizeClient(window, 560, 420); // twice that fits on the screen
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT suggested{outer.left, outer.top, outer.left + 2 * (outer.right - outer.left),
                   outer.top + 2 * (outer.bottom - outer.top)};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(Main().dpi(), 192u);
    RECT now{};
    GetWindowRect(window, &now);
    EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
    EXPECT_NEAR(ListFont().lfHeight, 2 * fontHeight, 1);
    EXPECT_NEAR(height(ID_FILE_ADD_FILES), 2 * buttonHeight, 1);
    for (int i = 0; i < List().ColumnCount(); ++i)
        EXPECT_NEAR(List().Column(i).width, 2 * widths[size_t(i)], 1) << i;
    ExpectLaidOut(window);

    Command(ID_FILE_EXIT);
    EXPECT_EQ(ColumnLines(ReadSettings()), columnsAt96);
}

} // namespace
} // namespace vesk::test
