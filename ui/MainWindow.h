// The main window: a resizable dialog holding the result list, a thin
// progress bar, the find box and the two add buttons, with the main menu.
//
//     HWND window = MainWindow::Create(instance, options);   // visible at once
//     MSG message;
//     while (GetMessageW(&message, nullptr, 0, 0) > 0)
//         ProcessMainWindowMessage(window, accelerators, message);
#pragma once

#include "app/Settings.h"
#include "platform/Console.h"
#include "results/ResultList.h"
#include "ui/ListFont.h"
#include "ui/ListView.h"
#include "ui/ReportCommands.h"

#include <windows.h>

#include <shellapi.h>

#include <functional>
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
    std::vector<std::wstring> paths;            // the program's own arguments, hashed at start
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
    ListViewControl& listControl() { return *control_; }
    SIZE initialClientSize() const { return initialClientSize_; }

private:
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
    void OnProgress(WPARAM step, LPARAM percent);
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
    HMENU menu_ = nullptr;
    FontOwner listFont_;
    std::unique_ptr<ListViewControl> control_;
    std::unique_ptr<ResultList> results_;
    SIZE initialClientSize_{};
    int buttonWidth_ = 0;
    int findHeight_ = 0;
    int findMatchCount_ = 0;
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
