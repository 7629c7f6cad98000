// The main window: a resizable dialog holding the result list, a thin
// progress bar, the find box and the two add buttons, the status bar, with
// the main menu.
//
//     HWND window = MainWindow::Create(instance, options);   // visible at once
//     MSG message;
//     while (GetMessageW(&message, nullptr, 0, 0) > 0)
//         ProcessMainWindowMessage(window, accelerators, message);
#pragma once

#include "app/HandOver.h"
#include "app/Settings.h"
#include "platform/Console.h"
#include "results/ResultList.h"
#include "results/StatusTexts.h"
#include "ui/ListFont.h"
#include "ui/ListView.h"
#include "ui/ReportCommands.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

// The main window's own class, named in its template: a second start finds
// the window by it alone, never a message box or another program's dialog
// titled "Vesk".
inline constexpr wchar_t kMainWindowClassName[] = L"Vesk.MainWindow";

struct MainWindowOptions {
    SettingsFile settings;
    std::vector<std::wstring> paths; // the program's own arguments, taken at start (app/HandOver.h)
    platform::ConsoleWriter* console = nullptr; // where results are also printed, when started from a console
};

class MainWindow {
public:
    // Null when no window can be made (no display).
    static HWND Create(HINSTANCE instance, MainWindowOptions options);
    static MainWindow* From(HWND window);

    HWND handle() const { return window_; }
    // How the View menu's reports are opened; the desktop's "open" unless set.
    void SetDocumentOpener(std::function<void(const std::wstring&)> open) { openDocument_ = std::move(open); }
    int findMatchCount() const { return findMatchCount_; }
    // What a digest compare says in the status bar, and whether it matched.
    const std::wstring& compareText() const { return compareText_; }
    bool compareMatched() const { return compareMatched_; }
    ListViewControl& listControl() { return *control_; }
    SIZE initialClientSize() const { return initialClientSize_; }
    const std::vector<FileNotRead>& filesNotRead() const { return notRead_; }
    HWND filesNotReadWindow() const { return notReadWindow_; }
    UINT dpi() const { return dpi_; }

private:
    friend void ProcessMainWindowMessage(HWND mainWindow, HACCEL accelerators, MSG& message);

    explicit MainWindow(MainWindowOptions options) : options_(std::move(options)) {}
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // A menu command or accelerator: ids firstId to lastId run `run`.
    struct Command {
        int firstId;
        int lastId;
        void (*run)(MainWindow& self, int id);
    };
    static const Command kCommands[];

    void OnInitDialog(HWND window);
    void OnSize(UINT state, int width, int height);
    void OnCommand(int id, int code);
    LRESULT OnNotify(const NMHDR& header);
    void OnGetMinMaxInfo(MINMAXINFO& limits);
    INT_PTR OnCtlColorEdit(HDC dc, HWND control);
    void OnDropFiles(HDROP drop);
    void OnTimer(WPARAM timer);
    bool OnCopyData(const COPYDATASTRUCT& data);
    void TakeStart(const WindowStart& start);
    void ShowCompare(std::wstring text, bool matched);
    void OfferToCompute(const DigestQuery& query);
    void TakeDigestFromClipboard();
    void DrawStatusPart(const DRAWITEMSTRUCT& item);
    void OnProgress(WPARAM word, LPARAM percent);
    void OnJob(WPARAM step, uint32_t job);
    void OnNotRead(const std::vector<FileNotRead>& files);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void ShowProgress();
    void UpdateSpeed();
    void UpdateStatusBar();
    void ShowFilesNotRead();
    void ClearFilesNotRead();
    void OnAddResults(const std::vector<FileResult>& batch);
    void OnRevealLast();
    void DeferListPainting();
    void PaintListNow();

    void InitColumnWidths();
    void LayoutWindow(int width, int height);
    void RestorePlacement(const WindowPlacementRecord& placement);
    void ApplyViewFlags();
    void ToggleViewFlag(ViewFlags flag, UINT menuId);
    void SwitchView();
    void ShowView(bool sheet);
    void ToggleFullPath();
    void ToggleUppercase();
    void ToggleGridLines();
    void ToggleAlwaysOnTop();
    void ViewReportCommand(int id, bool selectedOnly);
    void SetAlwaysOnTop(bool onTop);
    bool SaveWindowSettings();
    void Exit();
    void ToggleFindBar(bool onlyHide);
    void OnFindChanged();
    void OnContextMenu(HWND clicked, POINT screen);
    void ChangeFont();
    void VerifyDroppedFiles(HDROP drop);
    ReportInput Reports();

    MainWindowOptions options_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    HWND progress_ = nullptr;
    HWND find_ = nullptr;
    HWND addFiles_ = nullptr;
    HWND addFolder_ = nullptr;
    HWND status_ = nullptr;
    HWND notReadWindow_ = nullptr;
    HMENU menu_ = nullptr;
    FontOwner listFont_;
    FontOwner dialogFont_;    // the controls' font after a change of DPI
    LOGFONTW templateFont_{}; // the template's font, at templateDpi_
    UINT templateDpi_ = 96;
    UINT dpi_ = 96;
    std::unique_ptr<ListViewControl> control_;
    std::unique_ptr<ResultList> results_;
    SIZE initialClientSize_{};
    SIZE buttonSize96_{}; // the buttons and the find box as the template makes them at 96 DPI
    int findHeight96_ = 0;
    int findMatchCount_ = 0;
    std::wstring compareText_;
    bool compareMatched_ = false;
    std::wstring offeredDigest_; // the digest whose algorithms were last offered
    size_t findTextLength_ = 0;
    bool findAgainAfterJobs_ = false;
    std::vector<FileNotRead> notRead_;
    std::map<uint32_t, int> jobs_; // each running job's progress in percent; -1 while it shows no bar
    uint64_t speedBytes_ = 0;      // the bytes read and the time at the last speed figure
    ULONGLONG speedTime_ = 0;
    std::function<void(const std::wstring&)> openDocument_;
    bool paintingDeferred_ = false; // rows arrive faster than the list is worth repainting
    bool revealDeferred_ = false;
};

// One step of the message loop: the accelerators first, then the dialog
// manager, then the window itself. Enter never reaches the dialog manager,
// where it would become command 1, Exit; the find box's editing keys never
// reach the accelerators.
void ProcessMainWindowMessage(HWND mainWindow, HACCEL accelerators, MSG& message);

} // namespace vesk
