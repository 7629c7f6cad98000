#include "ui/MainWindow.h"

#include "app/ConsoleMode.h"
#include "app/HandOver.h"
#include "resources/resource.h"
#include "ui/AboutDialog.h"
#include "ui/AddCommands.h"
#include "ui/AddFolderDialog.h"
#include "ui/BenchmarkDialog.h"
#include "ui/ControlUtil.h"
#include "ui/ShellIntegration.h"
#include "ui/WindowSink.h"
#include "ui/Workers.h"

#include <commctrl.h>
#include <windowsx.h>

namespace vesk {

namespace {

constexpr int kMinimumTrackSize = 400;
// The band under the list: the progress bar at its top, the find box and the
// buttons in it.
constexpr int kBandHeight = 40;
constexpr int kProgressHeight = 5;
// Rows that arrive within this time are painted together.
constexpr UINT_PTR kPaintTimer = 1;
constexpr UINT kPaintDelayMilliseconds = 100;

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

int ShowCommandOf(int32_t saved) {
    return saved == SW_SHOWMINIMIZED || saved == SW_SHOWMAXIMIZED ? saved : SW_SHOWNORMAL;
}

} // namespace

HWND MainWindow::Create(HINSTANCE instance, MainWindowOptions options) {
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

void MainWindow::InitColumnWidths() {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, listFont_.get());
    const auto digitsWidth = [&](uint32_t count) {
        const std::wstring zeros(count, L'0');
        SIZE size{};
        GetTextExtentPoint32W(screen, zeros.c_str(), int(zeros.size()), &size);
        return uint32_t(size.cx);
    };
    InitColumnLayout(SharedViewState().columns, digitsWidth, 6 * uint32_t(GetSystemMetrics(SM_CXEDGE) + 1));
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

    listFont_ = CreateListFont(options_.settings);
    SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(listFont_.get()), TRUE);
    InitColumnWidths();

    RECT rect{};
    GetClientRect(window, &rect);
    initialClientSize_ = {rect.right - rect.left, rect.bottom - rect.top};
    GetWindowRect(addFiles_, &rect);
    buttonWidth_ = rect.right - rect.left;
    GetWindowRect(find_, &rect);
    findHeight_ = rect.bottom - rect.top;

    DragAcceptFiles(window, TRUE);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (auto [kind, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
        const int size = GetSystemMetrics(metric);
        HANDLE icon = LoadImageW(instance, MAKEINTRESOURCEW(IDI_VESK), IMAGE_ICON, size, size, LR_SHARED);
        SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }

    WindowPlacementRecord placement;
    if (LoadSettings(options_.settings, SharedViewState(), placement))
        RestorePlacement(placement);

    menu_ = GetMenu(window);
    SetAlwaysOnTop((CurrentViewFlags() & kViewAlwaysOnTop) != 0);
    ApplyViewFlags();
    MenuSetCheck(menu_, ID_TOOLS_SHELL, IsShellEntryRegistered());

    SetExplorerTheme(list_);
    ListView_SetExtendedListViewStyle(list_,
                                      LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP | LVS_EX_DOUBLEBUFFER |
                                          ((CurrentViewFlags() & kViewGridLines) ? LVS_EX_GRIDLINES : 0));
    SendMessageW(list_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);

    control_ = std::make_unique<ListViewControl>(list_);
    control_->SetCollapsibleGroups(OsMajorVersion() >= 6);
    results_ = std::make_unique<ResultList>(*control_, SharedViewState(), HeaderTextsFromResources());
    results_->CreateColumns();

    if (!options_.paths.empty()) {
        IntakeRequest request;
        request.paths = options_.paths;
        StartWorker(window, std::move(request));
    }
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

void MainWindow::LayoutWindow(int width, int height) {
    const int listHeight = height - kBandHeight;
    const int buttonTop = height - 32;
    MoveWindow(list_, 0, 0, width, listHeight, TRUE);
    SetWindowPos(addFolder_, nullptr, width - buttonWidth_ - 10, buttonTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(addFiles_, nullptr, width - (2 * buttonWidth_ + 20), buttonTop, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    MoveWindow(progress_, 0, listHeight, width, kProgressHeight, TRUE);
    MoveWindow(find_, 10, listHeight + (kBandHeight - findHeight_) / 2, width - (2 * buttonWidth_ + 20) - 20,
               findHeight_, TRUE);
}

void MainWindow::OnSize(UINT state, int width, int height) {
    if (state != SIZE_MINIMIZED && list_ != nullptr)
        LayoutWindow(width, height);
}

void MainWindow::RestorePlacement(const WindowPlacementRecord& placement) {
    RECT rect{placement.left, placement.top, placement.right, placement.bottom};
    const bool sane = rect.right > rect.left && rect.bottom > rect.top;
    if (!sane || MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) == nullptr) {
        // Saved on a monitor that is gone (or damaged): centre on the nearest
        // one, a little above the middle, shrunk to fit a narrower monitor.
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& area = monitor.rcMonitor;
        const LONG monitorWidth = area.right - area.left;
        const LONG monitorHeight = area.bottom - area.top;
        if (monitorWidth < initialClientSize_.cx)
            initialClientSize_ = {monitorWidth * 8 / 10, monitorHeight * 8 / 10};
        rect.left = area.left + (monitorWidth - initialClientSize_.cx) / 2;
        rect.top = area.top - 30 + (monitorHeight - initialClientSize_.cy) / 2;
        rect.right = rect.left + initialClientSize_.cx;
        rect.bottom = rect.top + initialClientSize_.cy;
    }
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

void MainWindow::Exit() {
    results_->CaptureColumnLayout();
    WINDOWPLACEMENT windowPlacement{};
    windowPlacement.length = sizeof windowPlacement;
    GetWindowPlacement(window_, &windowPlacement);
    const RECT& normal = windowPlacement.rcNormalPosition;
    const WindowPlacementRecord placement{normal.left, normal.top, normal.right, normal.bottom,
                                          int32_t(windowPlacement.showCmd)};
    SaveSettings(options_.settings, SharedViewState(), &placement);
    DestroyWindow(window_);
}

void MainWindow::OnCommand(int id, int code) {
    const bool sheet = (CurrentViewFlags() & kViewSheet) != 0;
    switch (id) {
    case ID_FILE_EXIT:
    case ID_CLOSE_WINDOW:
        Exit();
        break;
    case ID_FILE_ADD_FILES:
        AddFilesCommand(window_);
        break;
    case ID_FILE_ADD_FOLDER:
        AddFolderCommand(window_);
        break;
    case ID_FILE_ADD_FOLDER_ADVANCED:
        ShowAddFolderDialog(window_, options_.settings);
        break;
    case ID_EDIT_SELECT_ALL:
        results_->SelectAll();
        break;
    case ID_EDIT_DELETE:
        results_->DeleteSelectedRows();
        break;
    case ID_EDIT_CLEAR:
        results_->Clear();
        break;
    case ID_VIEW_FULL_PATH:
        ToggleViewFlag(kViewFullPath, ID_VIEW_FULL_PATH);
        results_->RelabelFiles();
        break;
    case ID_VIEW_UPPERCASE:
        ToggleViewFlag(kViewUppercase, ID_VIEW_UPPERCASE);
        results_->RecaseValues();
        break;
    case ID_VIEW_GRID_LINES:
        ToggleViewFlag(kViewGridLines, ID_VIEW_GRID_LINES);
        ListView_SetExtendedListViewStyleEx(list_, LVS_EX_GRIDLINES,
                                            (CurrentViewFlags() & kViewGridLines) ? LVS_EX_GRIDLINES : 0);
        break;
    case ID_VIEW_KEY_VALUE:
        if (sheet)
            SwitchView();
        break;
    case ID_VIEW_SHEET:
        if (!sheet)
            SwitchView();
        break;
    case ID_VIEW_TOGGLE:
        SwitchView();
        break;
    case ID_VIEW_ALWAYS_ON_TOP:
        ToggleViewFlag(kViewAlwaysOnTop, ID_VIEW_ALWAYS_ON_TOP);
        SetAlwaysOnTop((CurrentViewFlags() & kViewAlwaysOnTop) != 0);
        break;
    case ID_LIST_COLLAPSE_ALL:
    case ID_LIST_EXPAND_ALL:
        results_->SetGroupsCollapsed(id == ID_LIST_COLLAPSE_ALL);
        break;
    case ID_TOOLS_BENCHMARK:
        ShowBenchmarkDialog(window_);
        break;
    case ID_TOOLS_SHELL:
        ToggleShellEntry(menu_);
        break;
    case ID_HELP_HELP:
        OpenHelpPage();
        break;
    case ID_HELP_ABOUT:
        ShowAboutDialog(window_);
        break;
    default:
        break;
    }
    (void)code;
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != list_)
        return 0;
    switch (header.code) {
    case LVN_COLUMNCLICK:
        if (CurrentViewFlags() & kViewSheet)
            results_->SortByColumn(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_DELETEITEM:
        ListViewControl::OnDeleteItem(reinterpret_cast<const NMLISTVIEW&>(header));
        return 0;
    case LVN_ITEMCHANGING:
        return ListViewControl::OnItemChanging(reinterpret_cast<const NMLISTVIEW&>(header)) ? TRUE : FALSE;
    case NM_CUSTOMDRAW:
        return control_
                   ? control_->OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)))
                   : CDRF_DODEFAULT;
    default:
        return 0;
    }
}

void MainWindow::OnCopyData(const COPYDATASTRUCT& data) {
    const std::optional<HandOver> handOver = ParseHandOverBlock(data.lpData, data.cbData);
    if (!handOver)
        return;
    if (!handOver->paths.empty()) {
        IntakeRequest request;
        request.paths = handOver->paths;
        StartWorker(window_, std::move(request));
    }
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
}

void MainWindow::OnProgress(WPARAM step, LPARAM percent) {
    switch (step) {
    case kProgressBegin:
        SendMessageW(progress_, PBM_SETRANGE32, 0, 100);
        SendMessageW(progress_, PBM_SETPOS, 0, 0);
        ShowWindow(progress_, SW_SHOWNA);
        break;
    case kProgressSet:
        SendMessageW(progress_, PBM_SETPOS, WPARAM(percent), 0);
        break;
    default:
        ShowWindow(progress_, SW_HIDE);
        break;
    }
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
}

void MainWindow::OnRevealLast() {
    revealRequested = false;
    if (paintingDeferred_)
        revealDeferred_ = true;
    else
        results_->RevealLast();
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* self = From(window);
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<MainWindow*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->OnInitDialog(window);
        return TRUE;
    }
    if (self == nullptr)
        return FALSE;
    switch (message) {
    case WM_SIZE:
        self->OnSize(UINT(wParam), LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {kMinimumTrackSize, kMinimumTrackSize};
        return TRUE;
    case WM_COPYDATA:
        self->OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return FALSE;
    case WM_NOTIFY:
        SetWindowLongPtrW(window, DWLP_MSGRESULT, self->OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_COMMAND:
        self->OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_DROPFILES:
        AddDroppedItems(window, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case kProgressMessage:
        self->OnProgress(wParam, lParam);
        return TRUE;
    case kAddResultsMessage:
        self->OnAddResults(*reinterpret_cast<const std::vector<FileResult>*>(lParam));
        return TRUE;
    case kRevealLastMessage:
        self->OnRevealLast();
        return TRUE;
    case WM_TIMER:
        if (wParam == kPaintTimer)
            self->PaintListNow();
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return TRUE;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, DWLP_USER, 0);
        delete self;
        return TRUE;
    default:
        return FALSE;
    }
}

void ProcessMainWindowMessage(HWND mainWindow, HACCEL accelerators, MSG& message) {
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
