#include "ui/MainWindow.h"

#include "app/AppVersion.h"
#include "app/ConsoleMode.h"
#include "app/HandOver.h"
#include "platform/Platform.h"
#include "platform/ReadMeter.h"
#include "resources/resource.h"
#include "ui/AboutDialog.h"
#include "ui/AddCommands.h"
#include "ui/AddFolderDialog.h"
#include "ui/BenchmarkDialog.h"
#include "ui/ControlUtil.h"
#include "ui/Dpi.h"
#include "ui/FilesNotReadWindow.h"
#include "ui/ListMenus.h"
#include "ui/OptionsDialog.h"
#include "ui/ShellIntegration.h"
#include "ui/VerifyWindow.h"
#include "ui/WindowSink.h"
#include "ui/Workers.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

namespace vesk {

namespace {

constexpr int kMinimumTrackSize = 400;
// Lengths at 96 DPI. The band under the list holds the progress bar at its
// top and the find box and the buttons, with this margin around them; the
// status bar lies under it.
constexpr int kMargin = 6;
constexpr int kProgressHeight = 5;
// The status bar's parts: the file count, the speed, the files not read.
constexpr int kFileCountPartWidth = 130;
constexpr int kSpeedPartWidth = 110;
constexpr int kNotReadPartWidth = 170;
constexpr int kNotReadPart = 2;
constexpr int kComparePart = 3; // drawn by the window, in green or red
// The width of a digest column beyond its text: edges and gaps.
constexpr uint32_t kCellMargin = 18;
// Rows that arrive within this time are painted together.
constexpr UINT_PTR kPaintTimer = 1;
constexpr UINT kPaintDelayMilliseconds = 100;
// While jobs run, the status bar shows the speed of the last second.
constexpr UINT_PTR kSpeedTimer = 2;
constexpr UINT kSpeedIntervalMilliseconds = 1000;

ViewFlags CurrentViewFlags() {
    return SharedViewState().viewFlags.load(std::memory_order_relaxed);
}

HeaderTexts HeaderTextsFromResources() {
    HeaderTexts texts;
    for (auto [id, text] : {std::pair{IDS_FILE, &texts.file}, std::pair{IDS_SIZE, &texts.size},
                            std::pair{IDS_DATE_MODIFIED, &texts.dateModified},
                            std::pair{IDS_NAME, &texts.name}, std::pair{IDS_VALUE, &texts.value}})
        if (std::wstring loaded = LoadText(id); !loaded.empty())
            *text = std::move(loaded);
    return texts;
}

constexpr COLORREF kFoundColour = RGB(0, 128, 0);
constexpr COLORREF kNotFoundColour = RGB(255, 0, 0);

// The help page beside the program, as an address a browser opens.
std::wstring ProductPageAddress() {
    std::wstring path = platform::ExecutablePath();
    path = path.substr(0, path.rfind(L'\\') + 1) + L"vesk-help.html";
    for (wchar_t& c : path)
        if (c == L'\\')
            c = L'/';
    return L"file:///" + path;
}

void OpenWithDesktop(const std::wstring& path) {
    ShellExecuteW(nullptr, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// A window closed maximised opens maximised; one closed minimised opens in its
// normal state, since a window that starts as a taskbar button looks as if
// the program did not start.
int ShowCommandOf(int32_t saved) {
    return saved == SW_SHOWMAXIMIZED ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
}

// No arrangement of monitors is wider or taller than this; a larger saved
// rectangle is damaged, and its width would not even fit in an int.
constexpr int64_t kLargestWindowExtent = 1 << 16;

bool IsSaneRectangle(const WindowPlacementRecord& placement) {
    const int64_t width = int64_t(placement.right) - placement.left;
    const int64_t height = int64_t(placement.bottom) - placement.top;
    return width > 0 && height > 0 && width <= kLargestWindowExtent && height <= kLargestWindowExtent;
}

// A dialog class of the program's own; the template's CLASS statement names it.
void RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kMainWindowClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when the class is there already
}

} // namespace

HWND MainWindow::Create(HINSTANCE instance, MainWindowOptions options) {
    RegisterMainWindowClass(instance);
    auto window = std::unique_ptr<MainWindow>(new MainWindow(std::move(options)));
    HWND handle = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                                     reinterpret_cast<LPARAM>(window.get()));
    if (handle != nullptr)
        window.release(); // freed when the window is destroyed
    return handle;
}

MainWindow* MainWindow::From(HWND window) {
    return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
}

// The widths the digests need in the list's font, kept at 96 DPI as every stored width is.
void MainWindow::InitColumnWidths() {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, listFont_.get());
    const auto digitsWidth = [&](uint32_t count) {
        const std::wstring zeros(count, L'0');
        SIZE size{};
        GetTextExtentPoint32W(screen, zeros.c_str(), int(zeros.size()), &size);
        return uint32_t(MulDiv(size.cx, int(kBaseDpi), int(dpi_)));
    };
    InitColumnLayout(SharedViewState().columns, digitsWidth, kCellMargin);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
}

void MainWindow::OnInitDialog(HWND window) {
    window_ = window;
    list_ = GetDlgItem(window, IDC_MAIN_LIST);
    find_ = GetDlgItem(window, IDC_MAIN_FIND);
    addFiles_ = GetDlgItem(window, ID_FILE_ADD_FILES);
    addFolder_ = GetDlgItem(window, ID_FILE_ADD_FOLDER);
    progress_ = GetDlgItem(window, IDC_MAIN_PROGRESS);
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                              reinterpret_cast<HMENU>(INT_PTR(IDC_MAIN_STATUS)), GetModuleHandleW(nullptr),
                              nullptr);
    SendMessageW(status_, WM_SETFONT, SendMessageW(window, WM_GETFONT, 0, 0), FALSE);

    // The template made the controls at the DPI the window opened at.
    dpi_ = templateDpi_ = WindowDpi(window);
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof templateFont_,
               &templateFont_);
    listFont_ = CreateListFont(options_.settings, dpi_);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), TRUE);
    InitColumnWidths();

    RECT rect{};
    GetClientRect(window, &rect);
    initialClientSize_ = {rect.right - rect.left, rect.bottom - rect.top};
    GetWindowRect(addFiles_, &rect);
    buttonSize96_ = {MulDiv(rect.right - rect.left, int(kBaseDpi), int(dpi_)),
                     MulDiv(rect.bottom - rect.top, int(kBaseDpi), int(dpi_))};
    GetWindowRect(find_, &rect);
    findHeight96_ = MulDiv(rect.bottom - rect.top, int(kBaseDpi), int(dpi_));

    DragAcceptFiles(window, TRUE);
    SetProgramIcons(window);

    WindowPlacementRecord placement;
    if (LoadSettings(options_.settings, SharedViewState(), placement))
        RestorePlacement(placement);
    // A placement of the template's own size brings no WM_SIZE: lay out now.
    GetClientRect(window, &rect);
    LayoutWindow(rect.right, rect.bottom);

    menu_ = GetMenu(window);
    SetAlwaysOnTop((CurrentViewFlags() & kViewAlwaysOnTop) != 0);
    ApplyViewFlags();
    MenuSetCheck(menu_, ID_TOOLS_SHELL, IsShellEntryRegistered());

    SetExplorerTheme(list_);
    ListView_SetExtendedListViewStyle(list_,
                                      LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER |
                                          ((CurrentViewFlags() & kViewGridLines) ? LVS_EX_GRIDLINES : 0));
    SendMessageW(list_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);

    openDocument_ = OpenWithDesktop;
    control_ = std::make_unique<ListViewControl>(list_);
    results_ = std::make_unique<ResultList>(*control_, SharedViewState(), HeaderTextsFromResources());
    results_->SetDpi(dpi_);
    results_->CreateColumns();
    UpdateStatusBar();

    TakeStart(ParseWindowStart(options_.paths));
}

// What a start asks for, with its own arguments or handed over: paths to add,
// or checksum files to verify.
void MainWindow::TakeStart(const WindowStart& start) {
    if (start.action == StartAction::Check) {
        for (const std::wstring& path : start.paths)
            OpenVerifyWindow(window_, path, options_.settings);
        return;
    }
    if (start.paths.empty())
        return;
    IntakeRequest request;
    request.paths = start.paths;
    if (start.action == StartAction::AddWithSubfolders) {
        request.kind = IntakeKind::DroppedFiles;
        request.flags = kScanEveryLevel;
    }
    StartWorker(window_, std::move(request));
}

void MainWindow::ApplyViewFlags() {
    const ViewFlags flags = CurrentViewFlags();
    MenuSetCheck(menu_, ID_VIEW_UPPERCASE, (flags & kViewUppercase) != 0);
    MenuSetCheck(menu_, ID_VIEW_FULL_PATH, (flags & kViewFullPath) != 0);
    MenuSetCheck(menu_, ID_VIEW_ALWAYS_ON_TOP, (flags & kViewAlwaysOnTop) != 0);
    MenuSetCheck(menu_, ID_VIEW_GRID_LINES, (flags & kViewGridLines) != 0);
    CheckMenuRadioItem(menu_, ID_VIEW_KEY_VALUE, ID_VIEW_SHEET,
                       (flags & kViewSheet) ? ID_VIEW_SHEET : ID_VIEW_KEY_VALUE, MF_BYCOMMAND);
}

// Every length from the window's DPI: the status bar at the bottom, the band
// above it, the list filling the rest.
void MainWindow::LayoutWindow(int width, int height) {
    const auto scaled = [&](int length) { return ScaleForDpi(length, dpi_); };
    const int margin = scaled(kMargin);
    const int buttonWidth = scaled(buttonSize96_.cx);
    const int buttonHeight = scaled(buttonSize96_.cy);
    const int findHeight = scaled(findHeight96_);

    SendMessageW(status_, WM_SIZE, 0, 0); // the bar sizes and places itself
    RECT statusRect{};
    GetWindowRect(status_, &statusRect);
    const int statusHeight = statusRect.bottom - statusRect.top;
    const int parts[] = {scaled(kFileCountPartWidth), scaled(kFileCountPartWidth + kSpeedPartWidth),
                         scaled(kFileCountPartWidth + kSpeedPartWidth + kNotReadPartWidth), -1};
    SendMessageW(status_, SB_SETPARTS, std::size(parts), reinterpret_cast<LPARAM>(parts));

    const int bandHeight = std::max(buttonHeight, findHeight) + 2 * margin;
    const int listHeight = std::max(height - statusHeight - bandHeight, 0);
    const int bandMiddle = listHeight + bandHeight / 2;
    MoveWindow(list_, 0, 0, width, listHeight, TRUE);
    MoveWindow(progress_, 0, listHeight, width, scaled(kProgressHeight), TRUE);
    const int buttonTop = bandMiddle - buttonHeight / 2;
    MoveWindow(addFolder_, width - margin - buttonWidth, buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(addFiles_, width - 2 * (margin + buttonWidth), buttonTop, buttonWidth, buttonHeight, TRUE);
    MoveWindow(find_, margin, bandMiddle - findHeight / 2, std::max(width - 4 * margin - 2 * buttonWidth, 0),
               findHeight, TRUE);
}

void MainWindow::OnSize(UINT state, int width, int height) {
    if (state != SIZE_MINIMIZED && list_ != nullptr)
        LayoutWindow(width, height);
}

void MainWindow::RestorePlacement(const WindowPlacementRecord& placement) {
    RECT rect{placement.left, placement.top, placement.right, placement.bottom};
    if (IsSaneRectangle(placement) && MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr) {
        // The rectangle was saved from GetWindowPlacement, in workspace
        // coordinates, and goes back the same way: a taskbar at the top or
        // left does not move the window at every start.
        WINDOWPLACEMENT saved{};
        saved.length = sizeof saved;
        saved.showCmd = UINT(ShowCommandOf(placement.showCommand));
        saved.rcNormalPosition = rect;
        SetWindowPlacement(window_, &saved);
        return;
    }
    // Saved on a monitor that is gone, or damaged: centre on the nearest
    // monitor (the primary one for a damaged rectangle), a little above the
    // middle, shrunk to fit a narrower monitor.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(IsSaneRectangle(placement) ? MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST)
                                               : MonitorFromWindow(window_, MONITOR_DEFAULTTOPRIMARY),
                    &monitor);
    const RECT& area = monitor.rcMonitor;
    const LONG monitorWidth = area.right - area.left;
    const LONG monitorHeight = area.bottom - area.top;
    if (monitorWidth < initialClientSize_.cx)
        initialClientSize_ = {monitorWidth * 8 / 10, monitorHeight * 8 / 10};
    rect.left = area.left + (monitorWidth - initialClientSize_.cx) / 2;
    rect.top = area.top - 30 + (monitorHeight - initialClientSize_.cy) / 2;
    rect.right = rect.left + initialClientSize_.cx;
    rect.bottom = rect.top + initialClientSize_.cy;
    MoveWindow(window_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
    ShowWindow(window_, ShowCommandOf(placement.showCommand));
}

void MainWindow::SetAlwaysOnTop(bool onTop) {
    SetWindowPos(window_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::ToggleViewFlag(ViewFlags flag, UINT menuId) {
    const ViewFlags flags = SharedViewState().viewFlags.fetch_xor(flag, std::memory_order_relaxed) ^ flag;
    MenuSetCheck(menu_, menuId, (flags & flag) != 0);
}

void MainWindow::SwitchView() {
    results_->CaptureColumnLayout();
    SharedViewState().viewFlags.fetch_xor(kViewSheet, std::memory_order_relaxed);
    ApplyViewFlags();
    results_->RebuildView();
}

// The view switches, the placement and the columns, as they stand now.
bool MainWindow::SaveWindowSettings() {
    results_->CaptureColumnLayout();
    WINDOWPLACEMENT windowPlacement{};
    windowPlacement.length = sizeof windowPlacement;
    GetWindowPlacement(window_, &windowPlacement);
    const RECT& normal = windowPlacement.rcNormalPosition;
    const WindowPlacementRecord placement{normal.left, normal.top, normal.right, normal.bottom,
                                          int32_t(windowPlacement.showCmd)};
    return SaveSettings(options_.settings, SharedViewState(), &placement);
}

void MainWindow::Exit() {
    if (!SaveWindowSettings()) {
        const std::wstring text = L"The settings could not be saved to " + options_.settings.path + L".";
        MessageBoxW(window_, text.c_str(), L"Vesk", MB_OK | MB_ICONWARNING);
    }
    // Jobs still reading end at their next piece rather than hashing for a window that is gone.
    StopRunningJobs();
    DestroyWindow(window_);
}

// The menu commands and accelerators, each a line of its own; a range of ids
// shares one line.
const MainWindow::Command MainWindow::kCommands[] = {
    {ID_FILE_EXIT, ID_FILE_EXIT, [](MainWindow& self, int) { self.Exit(); }},
    {ID_CLOSE_WINDOW, ID_CLOSE_WINDOW, [](MainWindow& self, int) { self.Exit(); }},
    {ID_FILE_STOP, ID_FILE_STOP, [](MainWindow&, int) { StopRunningJobs(); }},
    {ID_FILE_ADD_FILES, ID_FILE_ADD_FILES, [](MainWindow& self, int) { AddFilesCommand(self.window_); }},
    {ID_FILE_ADD_FOLDER, ID_FILE_ADD_FOLDER, [](MainWindow& self, int) { AddFolderCommand(self.window_); }},
    {ID_FILE_ADD_FOLDER_ADVANCED, ID_FILE_ADD_FOLDER_ADVANCED,
     [](MainWindow& self, int) { ShowAddFolderDialog(self.window_, self.options_.settings); }},
    {ID_FILE_VERIFY, ID_FILE_VERIFY,
     [](MainWindow& self, int) { ChooseAndVerify(self.window_, self.options_.settings); }},
    {ID_FILE_SAVE, ID_FILE_SAVE,
     [](MainWindow& self, int) { SaveReport(self.window_, self.Reports(), self.options_.settings); }},
    {ID_EDIT_COPY, ID_EDIT_COPY,
     [](MainWindow& self, int) { CopyReport(self.window_, self.Reports(), true); }},
    {ID_EDIT_COPY_ALL, ID_EDIT_COPY_ALL,
     [](MainWindow& self, int) { CopyReport(self.window_, self.Reports(), false); }},
    {ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, [](MainWindow& self, int) { self.results_->SelectAll(); }},
    {ID_EDIT_FIND, ID_EDIT_FIND, [](MainWindow& self, int) { self.ToggleFindBar(false); }},
    {ID_HIDE_FIND, ID_HIDE_FIND, [](MainWindow& self, int) { self.ToggleFindBar(true); }},
    {ID_EDIT_DELETE, ID_EDIT_DELETE, [](MainWindow& self, int) { self.results_->DeleteSelectedRows(); }},
    {ID_EDIT_CLEAR, ID_EDIT_CLEAR,
     [](MainWindow& self, int) {
         self.results_->Clear();
         self.ClearFilesNotRead();
         self.ShowCompare(L"", false); // no row is left to have matched
     }},
    {ID_VIEW_NOT_READ, ID_VIEW_NOT_READ, [](MainWindow& self, int) { self.ShowFilesNotRead(); }},
    {ID_VIEW_FONT, ID_VIEW_FONT, [](MainWindow& self, int) { self.ChangeFont(); }},
    {ID_TOOLS_OPTIONS, ID_TOOLS_OPTIONS,
     [](MainWindow& self, int) { ShowOptionsDialog(self.window_, SharedViewState(), self.results_.get()); }},
    {ID_VIEW_HTML_ALL, ID_VIEW_CSV_ALL, [](MainWindow& self, int id) { self.ViewReportCommand(id, false); }},
    {ID_VIEW_HTML_SELECTED, ID_VIEW_CSV_SELECTED,
     [](MainWindow& self, int id) { self.ViewReportCommand(id, true); }},
    {ID_VIEW_FULL_PATH, ID_VIEW_FULL_PATH, [](MainWindow& self, int) { self.ToggleFullPath(); }},
    {ID_VIEW_UPPERCASE, ID_VIEW_UPPERCASE, [](MainWindow& self, int) { self.ToggleUppercase(); }},
    {ID_VIEW_GRID_LINES, ID_VIEW_GRID_LINES, [](MainWindow& self, int) { self.ToggleGridLines(); }},
    {ID_VIEW_KEY_VALUE, ID_VIEW_KEY_VALUE, [](MainWindow& self, int) { self.ShowView(false); }},
    {ID_VIEW_SHEET, ID_VIEW_SHEET, [](MainWindow& self, int) { self.ShowView(true); }},
    {ID_VIEW_TOGGLE, ID_VIEW_TOGGLE, [](MainWindow& self, int) { self.SwitchView(); }},
    {ID_VIEW_ALWAYS_ON_TOP, ID_VIEW_ALWAYS_ON_TOP, [](MainWindow& self, int) { self.ToggleAlwaysOnTop(); }},
    {ID_LIST_COLLAPSE_ALL, ID_LIST_COLLAPSE_ALL,
     [](MainWindow& self, int) { self.results_->SetGroupsCollapsed(true); }},
    {ID_LIST_EXPAND_ALL, ID_LIST_EXPAND_ALL,
     [](MainWindow& self, int) { self.results_->SetGroupsCollapsed(false); }},
    {ID_TOOLS_BENCHMARK, ID_TOOLS_BENCHMARK,
     [](MainWindow& self, int) { ShowBenchmarkDialog(self.window_); }},
    {ID_TOOLS_SHELL, ID_TOOLS_SHELL, [](MainWindow& self, int) { ToggleShellEntry(self.menu_); }},
    {ID_HELP_HELP, ID_HELP_HELP, [](MainWindow&, int) { OpenHelpPage(); }},
    {ID_HELP_ABOUT, ID_HELP_ABOUT, [](MainWindow& self, int) { ShowAboutDialog(self.window_); }},
};

void MainWindow::OnCommand(int id, int code) {
    if (id == IDC_MAIN_FIND) {
        if (code == EN_CHANGE)
            OnFindChanged();
        return;
    }
    for (const Command& command : kCommands)
        if (id >= command.firstId && id <= command.lastId) {
            command.run(*this, id);
            if (IsWindow(window_))
                UpdateStatusBar(); // rows may have gone
            return;
        }
}

void MainWindow::ViewReportCommand(int id, bool selectedOnly) {
    const int first = selectedOnly ? ID_VIEW_HTML_SELECTED : ID_VIEW_HTML_ALL;
    ViewReport(Reports(), ReportFormat(id - first), selectedOnly, openDocument_);
}

void MainWindow::ToggleFullPath() {
    ToggleViewFlag(kViewFullPath, ID_VIEW_FULL_PATH);
    results_->RelabelFiles();
}

void MainWindow::ToggleUppercase() {
    ToggleViewFlag(kViewUppercase, ID_VIEW_UPPERCASE);
    results_->RecaseValues();
}

void MainWindow::ToggleGridLines() {
    ToggleViewFlag(kViewGridLines, ID_VIEW_GRID_LINES);
    ListView_SetExtendedListViewStyleEx(list_, LVS_EX_GRIDLINES,
                                        (CurrentViewFlags() & kViewGridLines) ? LVS_EX_GRIDLINES : 0);
}

void MainWindow::ToggleAlwaysOnTop() {
    ToggleViewFlag(kViewAlwaysOnTop, ID_VIEW_ALWAYS_ON_TOP);
    SetAlwaysOnTop((CurrentViewFlags() & kViewAlwaysOnTop) != 0);
}

void MainWindow::ShowView(bool sheet) {
    if (((CurrentViewFlags() & kViewSheet) != 0) != sheet)
        SwitchView();
}

void MainWindow::VerifyDroppedFiles(HDROP drop) {
    for (const std::wstring& path : TakeDroppedPaths(drop))
        OpenVerifyWindow(window_, path, options_.settings);
}

ReportInput MainWindow::Reports() {
    return {*control_, SharedViewState(), {ProductPageAddress(), kProgramVersion}};
}

// Hiding keeps the box's text and the rows it selected.
void MainWindow::ToggleFindBar(bool onlyHide) {
    if (IsWindowVisible(find_)) {
        ShowWindow(find_, SW_HIDE);
        SetFocus(list_);
    } else if (!onlyHide) {
        ShowWindow(find_, SW_SHOW);
        SetFocus(find_);
        TakeDigestFromClipboard();
    }
}

// A digest on the clipboard when the box opens is what the user came to
// compare. Only short text is read, and only then.
void MainWindow::TakeDigestFromClipboard() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(window_))
        return;
    std::wstring text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        const size_t bytes = GlobalSize(data);
        if (bytes <= (kLongestDigestQuery + 1) * sizeof(wchar_t))
            if (const auto* units = static_cast<const wchar_t*>(GlobalLock(data))) {
                text.assign(units, wcsnlen(units, bytes / sizeof(wchar_t)));
                GlobalUnlock(data);
            }
    }
    CloseClipboard();
    if (!ParseDigestQuery(text) || text == WindowText(find_))
        return;
    SetWindowTextW(find_, text.c_str()); // runs the compare
    SendMessageW(find_, EM_SETSEL, 0, -1);
}

// A whole digest is compared whole; any other text is looked for in the values.
void MainWindow::OnFindChanged() {
    const std::wstring text = WindowText(find_);
    // Typed a key at a time, a digest passes through shorter lengths that
    // other algorithms have: only a digest that came at once is offered.
    const bool cameAtOnce = text.size() > findTextLength_ + 1;
    findTextLength_ = text.size();
    const std::optional<DigestQuery> query = ParseDigestQuery(text);
    if (!query) {
        findMatchCount_ = results_->RunFind(text);
        ShowCompare(L"", false);
        InvalidateRect(find_, nullptr, TRUE);
        return;
    }
    const ResultList::DigestFind found = results_->RunDigestFind(*query);
    findMatchCount_ = found.matches;
    InvalidateRect(find_, nullptr, TRUE);
    if (found.matches > 0)
        ShowCompare(DigestMatchText(found.algorithm, found.fileName), true);
    else if (!found.shown.empty())
        ShowCompare(NoDigestMatchText(found.shown), false);
    else {
        ShowCompare(L"No shown algorithm gives digests of this length", false);
        if (cameAtOnce)
            OfferToCompute(*query);
    }
}

void MainWindow::ShowCompare(std::wstring text, bool matched) {
    compareText_ = std::move(text);
    compareMatched_ = matched;
    // The part is drawn from compareText_; its data says nothing.
    SendMessageW(status_, SB_SETTEXTW, kComparePart | SBT_OWNERDRAW, 0);
    InvalidateRect(status_, nullptr, TRUE);
}

void MainWindow::DrawStatusPart(const DRAWITEMSTRUCT& item) {
    if (item.itemID != UINT(kComparePart))
        return;
    RECT rect = item.rcItem;
    rect.left += ScaleForDpi(4, dpi_);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, compareMatched_ ? kFoundColour : kNotFoundColour);
    DrawTextW(item.hDC, compareText_.c_str(), int(compareText_.size()), &rect,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

// No shown algorithm gives digests of the pasted length: offer, once per
// digest, to show the ones that do and to hash the listed files again.
void MainWindow::OfferToCompute(const DigestQuery& query) {
    if (query.digest == offeredDigest_ || results_->FileCount() == 0)
        return;
    offeredDigest_ = query.digest;
    const std::wstring question = L"No shown algorithm gives digests of this length. Compute " +
                                  AlgorithmNamesText(query.algorithms) + L" for the listed files?";
    if (MessageBoxW(window_, question.c_str(), L"Vesk", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const std::vector<std::wstring> paths = results_->ListedPaths();
    results_->CaptureColumnLayout();
    for (AlgorithmId id : query.algorithms)
        if (const int position = PositionOfColumnId(id); position >= 0)
            results_->SetColumnShown(position, true);
    results_->Clear();
    UpdateStatusBar();
    IntakeRequest request;
    request.paths = paths;
    findAgainAfterJobs_ = true;
    StartWorker(window_, std::move(request));
}

void MainWindow::OnContextMenu(HWND clicked, POINT screen) {
    if (clicked == ListView_GetHeader(list_))
        ShowHeaderMenu(window_, *results_, SharedViewState(), screen);
    else if (clicked == list_)
        ShowListContextMenu(window_, *control_, screen);
}

void MainWindow::ChangeFont() {
    FontOwner font = ChooseListFont(window_, options_.settings, dpi_);
    if (!font)
        return;
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    listFont_ = std::move(font);
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    // A click on the count of files not read lists them.
    if (header.hwndFrom == status_ && (header.code == NM_CLICK || header.code == NM_DBLCLK)) {
        if (reinterpret_cast<const NMMOUSE&>(header).dwItemSpec == kNotReadPart && !notRead_.empty())
            ShowFilesNotRead();
        return 0;
    }
    if (header.hwndFrom != list_)
        return 0;
    switch (header.code) {
    case LVN_COLUMNCLICK:
        if (CurrentViewFlags() & kViewSheet)
            results_->SortByColumn(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_GETDISPINFOW:
        if (control_)
            control_->OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case LVN_ITEMCHANGING:
        return control_ && control_->OnItemChanging(reinterpret_cast<const NMLISTVIEW&>(header)) ? TRUE
                                                                                                 : FALSE;
    case NM_DBLCLK:
        // A double click on a Key-Value header row folds or unfolds its file.
        results_->ToggleGroupAt(reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
        return 0;
    case NM_CUSTOMDRAW:
        return control_
                   ? control_->OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)))
                   : CDRF_DODEFAULT;
    default:
        return 0;
    }
}

// True when the block was a hand-over and its paths are taken.
bool MainWindow::OnCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != kHandOverTag)
        return false;
    const std::optional<HandOver> handOver = ParseHandOverBlock(data.lpData, data.cbData);
    if (!handOver)
        return false;
    TakeStart(handOver->start);
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
    return true;
}

void MainWindow::OnProgress(WPARAM word, LPARAM percent) {
    const auto job = jobs_.find(JobOfProgressWord(word));
    if (job == jobs_.end())
        return;
    switch (StepOfProgressWord(word)) {
    case kProgressBegin:
        job->second = 0;
        break;
    case kProgressSet:
        job->second = int(std::clamp<LPARAM>(percent, 0, 100));
        break;
    default:
        job->second = -1;
        break;
    }
    ShowProgress();
}

// The bar follows the job furthest from its end; it goes when no job reads a long file.
void MainWindow::ShowProgress() {
    int least = -1;
    for (const auto& [job, percent] : jobs_)
        if (percent >= 0 && (least < 0 || percent < least))
            least = percent;
    if (least < 0) {
        ShowWindow(progress_, SW_HIDE);
        return;
    }
    if (!IsWindowVisible(progress_)) {
        SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
        ShowWindow(progress_, SW_SHOWNA);
    }
    SendMessageW(progress_, PBM_SETPOS, WPARAM(least), 0);
}

void MainWindow::OnJob(WPARAM step, uint32_t job) {
    if (step == kJobBegin) {
        if (jobs_.empty()) {
            speedBytes_ = platform::BytesReadSoFar();
            speedTime_ = GetTickCount64();
            SetTimer(window_, kSpeedTimer, kSpeedIntervalMilliseconds, nullptr);
        }
        jobs_[job] = -1;
        return;
    }
    jobs_.erase(job);
    ShowProgress();
    if (jobs_.empty()) {
        KillTimer(window_, kSpeedTimer);
        SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L""));
        if (findAgainAfterJobs_) {
            findAgainAfterJobs_ = false;
            OnFindChanged();
        }
    }
}

void MainWindow::UpdateSpeed() {
    const uint64_t bytes = platform::BytesReadSoFar();
    const ULONGLONG now = GetTickCount64();
    const std::wstring speed = SpeedText(bytes - speedBytes_, now - speedTime_);
    SendMessageW(status_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(speed.c_str()));
    speedBytes_ = bytes;
    speedTime_ = now;
}

void MainWindow::UpdateStatusBar() {
    const std::wstring files = FileCountText(results_->FileCount());
    const std::wstring notRead = NotReadCountText(notRead_.size());
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(files.c_str()));
    SendMessageW(status_, SB_SETTEXTW, kNotReadPart, reinterpret_cast<LPARAM>(notRead.c_str()));
}

void MainWindow::OnNotRead(const std::vector<FileNotRead>& files) {
    notRead_.insert(notRead_.end(), files.begin(), files.end());
    RefreshFilesNotRead(notReadWindow_);
    UpdateStatusBar();
}

void MainWindow::ShowFilesNotRead() {
    notReadWindow_ =
        vesk::ShowFilesNotRead(window_, notReadWindow_, notRead_, [this] { ClearFilesNotRead(); });
}

void MainWindow::ClearFilesNotRead() {
    notRead_.clear();
    RefreshFilesNotRead(notReadWindow_);
    UpdateStatusBar();
}

// The window moved to a monitor of another DPI, or the user changed the
// scale: fonts, columns and the layout follow, in the size the system suggests.
void MainWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    if (dpi == 0 || dpi == dpi_)
        return;
    dpi_ = dpi;
    LOGFONTW font = templateFont_;
    font.lfHeight = MulDiv(templateFont_.lfHeight, int(dpi), int(templateDpi_));
    dialogFont_ = FontOwner(CreateFontIndirectW(&font));
    for (HWND control : {find_, addFiles_, addFolder_, status_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont_.get()), FALSE);
    if (FontOwner listFont = CreateListFont(options_.settings, dpi)) {
        SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont.get()), TRUE);
        listFont_ = std::move(listFont);
    }
    results_->SetDpi(dpi);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(window_, &client);
    LayoutWindow(client.right, client.bottom);
    RedrawWindow(window_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// Repainting the list for every row of a folder of small files costs far more
// than hashing them: rows that come in quick succession are painted at once.
void MainWindow::DeferListPainting() {
    if (paintingDeferred_)
        return;
    paintingDeferred_ = true;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    SetTimer(window_, kPaintTimer, kPaintDelayMilliseconds, nullptr);
}

void MainWindow::PaintListNow() {
    KillTimer(window_, kPaintTimer);
    if (!paintingDeferred_)
        return;
    paintingDeferred_ = false;
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    if (revealDeferred_)
        results_->RevealLast();
    revealDeferred_ = false;
    RedrawWindow(list_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void MainWindow::OnAddResults(const std::vector<FileResult>& batch) {
    DeferListPainting();
    for (const FileResult& result : batch) {
        results_->AddResult(result);
        if (options_.console != nullptr)
            options_.console->Write(FormatConsoleResult(result));
    }
    UpdateStatusBar();
}

void MainWindow::OnRevealLast() {
    revealRequested = false;
    if (paintingDeferred_)
        revealDeferred_ = true;
    else
        results_->RevealLast();
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        reinterpret_cast<MainWindow*>(lParam)->OnInitDialog(window);
        return TRUE;
    }
    MainWindow* self = From(window);
    if (self == nullptr)
        return FALSE;
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        delete self;
        return TRUE;
    }
    return self->OnMessage(message, wParam, lParam);
}

INT_PTR MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return TRUE;
    case WM_COPYDATA:
        SetWindowLongPtrW(window_, DWLP_MSGRESULT,
                          OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_CONTEXTMENU:
        OnContextMenu(reinterpret_cast<HWND>(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_MAIN_STATUS) {
            DrawStatusPart(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLOREDIT:
        return OnCtlColorEdit(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case kAskSelectionMessage:
        ShowOptionsDialog(window_, SharedViewState(), results_.get());
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case kProgressMessage:
        OnProgress(wParam, lParam);
        return TRUE;
    case kAddResultsMessage:
        OnAddResults(*reinterpret_cast<const std::vector<FileResult>*>(lParam));
        return TRUE;
    case kRevealLastMessage:
        OnRevealLast();
        return TRUE;
    case kJobMessage:
        OnJob(wParam, uint32_t(lParam));
        return TRUE;
    case kNotReadMessage:
        OnNotRead(*reinterpret_cast<const std::vector<FileNotRead>*>(lParam));
        return TRUE;
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_TIMER:
        OnTimer(wParam);
        return TRUE;
    case WM_ENDSESSION:
        // The session ends without a WM_CLOSE: a log-off keeps the settings.
        if (wParam)
            SaveWindowSettings();
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    default:
        return FALSE;
    }
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO& limits) {
    limits.ptMinTrackSize = {kMinimumTrackSize, kMinimumTrackSize};
}

// The find box shows in green whether its text was found, in red if not, on
// the system's window colour (a high-contrast scheme's too).
INT_PTR MainWindow::OnCtlColorEdit(HDC dc, HWND control) {
    if (control != find_)
        return FALSE;
    SetTextColor(dc, findMatchCount_ > 0 ? kFoundColour : kNotFoundColour);
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
}

// With Alt held, dropped checksum files are checked instead of hashed.
void MainWindow::OnDropFiles(HDROP drop) {
    if (GetKeyState(VK_MENU) & 0x8000)
        VerifyDroppedFiles(drop);
    else
        AddDroppedItems(window_, drop);
}

void MainWindow::OnTimer(WPARAM timer) {
    if (timer == kPaintTimer)
        PaintListNow();
    else if (timer == kSpeedTimer)
        UpdateSpeed();
}

namespace {

// The keys the find box edits its text with. While it has the focus they are
// its own: the list's accelerators for the same keys (Ctrl+X clears the list,
// Delete removes rows) would act on rows the user cannot see being hit.
bool IsFindBoxEditingKey(HWND mainWindow, const MSG& message) {
    if ((message.message != WM_KEYDOWN && message.message != WM_KEYUP) ||
        message.hwnd != GetDlgItem(mainWindow, IDC_MAIN_FIND))
        return false;
    const bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    switch (message.wParam) {
    case 'X':
    case 'C':
    case 'V':
    case 'A':
    case 'Z':
        return control && !shift;
    case VK_DELETE:
    case VK_BACK:
    case VK_HOME:
    case VK_END:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_INSERT:
        return true;
    default:
        return false;
    }
}

} // namespace

void ProcessMainWindowMessage(HWND mainWindow, HACCEL accelerators, MSG& message) {
    // The list's own keys and clicks, on it or its header, act on the whole
    // selection a find asked for, not on the part set so far.
    const bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                       (message.message >= WM_LBUTTONDOWN && message.message <= WM_MBUTTONDBLCLK);
    if (input && message.hwnd != nullptr)
        if (const MainWindow* self = MainWindow::From(mainWindow); self && self->control_)
            if (message.hwnd == self->list_ || GetParent(message.hwnd) == self->list_)
                self->control_->FinishSelection();
    // Another window of the program (a Verify window) has its own keys.
    HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root != nullptr && root != mainWindow) {
        if (!IsDialogMessageW(root, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return;
    }
    if (IsFindBoxEditingKey(mainWindow, message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
        return;
    }
    if (TranslateAcceleratorW(mainWindow, accelerators, &message))
        return;
    const bool enter =
        (message.message == WM_KEYDOWN || message.message == WM_KEYUP || message.message == WM_CHAR) &&
        message.wParam == VK_RETURN && (message.hwnd == mainWindow || IsChild(mainWindow, message.hwnd));
    if (enter) {
        // The list still hears the key; the find box has no use for it.
        if (message.message != WM_CHAR)
            DispatchMessageW(&message);
        return;
    }
    if (IsDialogMessageW(mainWindow, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

} // namespace vesk
