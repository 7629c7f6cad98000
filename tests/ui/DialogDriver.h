// Driving the program's modal dialogs under Wine: the test's thread opens a
// dialog through a command of the main window and sits in its modal loop,
// while a DialogDriver on a thread of its own finds the dialog and works it.
#pragma once

#include "app/Settings.h"
#include "core/ColumnTable.h"
#include "tests/TestUtil.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace vesk::test {

using namespace std::chrono_literals;

// A visible dialog of this process other than `owner`, if one is open: the
// one `owner` opened, since the tests open one at a time.
inline HWND OwnedDialog(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            wchar_t className[16] = {};
            GetClassNameW(candidate, className, 16);
            DWORD process = 0;
            GetWindowThreadProcessId(candidate, &process);
            if (candidate != s.owner && process == GetCurrentProcessId() && IsWindowVisible(candidate) &&
                wcscmp(className, L"#32770") == 0) {
                s.found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs `drive` on the first dialog that `owner` opens, from a thread of its
// own, while the test's thread sits in the dialog's modal loop.
class DialogDriver {
public:
    DialogDriver(HWND owner, std::function<void(HWND)> drive)
        : thread_([this, owner, drive = std::move(drive)] {
              for (int i = 0; i < 1000 && !found_; ++i) {
                  if (HWND dialog = OwnedDialog(owner)) {
                      found_ = true;
                      std::this_thread::sleep_for(300ms); // let it finish opening
                      drive(dialog);
                  }
                  std::this_thread::sleep_for(20ms);
              }
          }) {}
    ~DialogDriver() { thread_.join(); }
    bool found() const { return found_; }

private:
    std::atomic<bool> found_{false};
    std::thread thread_;
};

// For a driver's thread: waits until `done`, or gives false when the time is up.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// A click on a dialog's button, as the dialog manager reports it.
inline void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// The main window with its settings in a scratch folder and the default view.
class TestMainWindow {
public:
    TestMainWindow() {
        ViewState& view = SharedViewState();
        view.columns.Assign(DefaultColumns());
        view.viewFlags = kDefaultViewFlags;
        view.keyValueColumns = kDefaultKeyValueColumns;
        window_ =
            MainWindow::Create(GetModuleHandleW(nullptr), {{WideOf(dir_.path() / "vesk.ini")}, {}, nullptr});
    }
    ~TestMainWindow() {
        if (IsWindow(window_))
            DestroyWindow(window_);
        // The quit message the window leaves behind would end the next modal loop.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    TestMainWindow(const TestMainWindow&) = delete;
    TestMainWindow& operator=(const TestMainWindow&) = delete;

    HWND handle() const { return window_; }
    // A menu command; a modal dialog it opens runs until it closes.
    void Command(int id) const { SendMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool MenuChecked(int id) const {
        return (GetMenuState(GetMenu(window_), UINT(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
    }

private:
    ScratchDir dir_;
    HWND window_ = nullptr;
};

} // namespace vesk::test
