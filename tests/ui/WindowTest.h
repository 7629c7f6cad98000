// What the window tests share: a main window made from the program's own
// template over a scratch folder, its message loop run until something
// happens, and dialogs driven from another thread while the test's thread
// sits in their modal loops, opened through the main window's commands.
#pragma once

#include "app/Settings.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "tests/TestUtil.h"
#include "text/TextEncoding.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>

namespace vesk::test {

using namespace std::chrono_literals;

// A visible dialog of this process other than `owner`, with a title that
// starts with `title` if one is given: the one `owner` opened, since the tests
// open one at a time.
inline HWND OwnedDialog(HWND owner, const wchar_t* title) {
    struct Search {
        HWND owner;
        const wchar_t* title;
        HWND found;
    } search{owner, title, nullptr};
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            wchar_t className[16] = {}, text[64] = {};
            GetClassNameW(candidate, className, 16);
            // The title as stored: asking the window for it would wait on its thread.
            InternalGetWindowText(candidate, text, 64);
            DWORD process = 0;
            GetWindowThreadProcessId(candidate, &process);
            if (candidate != s.owner && process == GetCurrentProcessId() && IsWindowVisible(candidate) &&
                wcscmp(className, L"#32770") == 0 &&
                (s.title == nullptr || wcsncmp(text, s.title, wcslen(s.title)) == 0)) {
                s.found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs `drive` on the first dialog that `owner` opens (with a title that
// starts with `title`, if given), from a thread of its own, while the test's thread sits in the
// dialog's modal loop.
class DialogDriver {
public:
    DialogDriver(HWND owner, std::function<void(HWND)> drive, const wchar_t* title = nullptr)
        : thread_([this, owner, title, drive = std::move(drive)] {
              for (int i = 0; i < 1000 && !found_; ++i) {
                  if (HWND dialog = OwnedDialog(owner, title)) {
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

// Holds or releases a key in this thread's keyboard state, as the window
// reads it while it handles a message.
inline void SetKeyDown(int key, bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[key] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

// Types `text` into the dialog's file name box, wherever the dialog keeps it.
inline void TypeFileName(HWND dialog, const std::wstring& text) {
    if (SetDlgItemTextW(dialog, 0x47c /* cmb13 */, text.c_str()))
        return;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t className[16] = {};
            GetClassNameW(child, className, 16);
            if (_wcsicmp(className, L"Edit") != 0)
                return TRUE;
            SetWindowTextW(child, reinterpret_cast<const wchar_t*>(data));
            return FALSE;
        },
        reinterpret_cast<LPARAM>(text.c_str()));
}

inline void ResetViewState() {
    ViewState& view = SharedViewState();
    view.columns.Assign(DefaultColumns());
    view.viewFlags = kDefaultViewFlags;
    view.keyValueColumns = kDefaultKeyValueColumns;
}

// The main window with its settings in a scratch folder, from the default view.
class WindowTest : public ::testing::Test {
protected:
    ScratchDir dir;
    HWND window = nullptr;
    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDA_MAIN));

    void SetUp() override { ResetViewState(); }
    void TearDown() override {
        if (IsWindow(window))
            DestroyWindow(window);
        // Also takes the quit message the window leaves behind, which would end the next modal loop.
        Pump([] { return false; }, 100ms);
        SetKeyDown(VK_CONTROL, false);
        SetKeyDown(VK_SHIFT, false);
    }

    SettingsFile Settings() const { return {WideOf(dir.path() / "vesk.ini")}; }
    void Open(std::vector<std::wstring> paths = {}) {
        // One window at a time: a second start would hand its paths to a stray one.
        if (IsWindow(window))
            DestroyWindow(window);
        window = MainWindow::Create(GetModuleHandleW(nullptr), {Settings(), std::move(paths), nullptr});
        ASSERT_NE(window, nullptr);
    }
    MainWindow& Main() { return *MainWindow::From(window); }
    ListViewControl& List() { return Main().listControl(); }

    // Runs the window's messages until `done` or the time is up.
    bool Pump(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                ProcessMainWindowMessage(window, accelerators, message);
            if (done())
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    bool WaitForRows(int count) {
        const bool reached = Pump([&] { return List().RowCount() >= count; });
        Pump([] { return false; }, 200ms); // nothing more arrives
        return reached && List().RowCount() == count;
    }
    // A menu command; a modal dialog it opens runs until it closes.
    void Command(int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool MenuChecked(int id) const {
        return (GetMenuState(GetMenu(window), UINT(id), MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    void Key(HWND target, UINT key, bool withControl = false) {
        SetKeyDown(VK_CONTROL, withControl);
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        Pump([] { return false; }, 100ms);
        SetKeyDown(VK_CONTROL, false);
    }
    // Keys as a person strikes them, through the system's input queue to
    // `focus` in the window brought to the front: the first keys are held
    // while the last is struck, then all are let go in reverse order.
    void Press(HWND focus, std::initializer_list<WORD> keys) {
        SetForegroundWindow(window);
        SetFocus(focus);
        std::vector<INPUT> inputs;
        const auto add = [&](WORD key, DWORD flags) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = key;
            input.ki.dwFlags = flags;
            inputs.push_back(input);
        };
        for (WORD key : keys)
            add(key, 0);
        for (auto key = std::rbegin(keys); key != std::rend(keys); ++key)
            add(*key, KEYEVENTF_KEYUP);
        SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
        Pump([] { return false; }, 200ms);
    }
    // Clicks of the left button on `row` of a list view, through the
    // system's input queue: one, or two for a double click.
    void ClickRow(HWND list, int row, int clicks = 1) {
        SetForegroundWindow(window);
        RECT rect{};
        ListView_GetItemRect(list, row, &rect, LVIR_LABEL);
        POINT point{rect.left + 10, (rect.top + rect.bottom) / 2};
        ClientToScreen(list, &point);
        SetCursorPos(point.x, point.y);
        std::vector<INPUT> inputs;
        for (int click = 0; click < clicks; ++click)
            for (DWORD flags : {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP}) {
                INPUT input{};
                input.type = INPUT_MOUSE;
                input.mi.dwFlags = flags;
                inputs.push_back(input);
            }
        SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
        Pump([] { return false; }, 200ms);
    }
    std::wstring StatusText(int part) {
        HWND bar = GetDlgItem(window, IDC_MAIN_STATUS);
        std::wstring text(LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, WPARAM(part), 0)), L'\0');
        SendMessageW(bar, SB_GETTEXTW, WPARAM(part), reinterpret_cast<LPARAM>(text.data()));
        return text;
    }
    LOGFONTW ListFont() {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(window, IDC_MAIN_LIST), WM_GETFONT, 0, 0)),
                   sizeof font, &font);
        return font;
    }
    std::wstring Clipboard() {
        std::wstring text;
        if (!OpenClipboard(window))
            return L"(no clipboard)";
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }
    // Runs the command, whose file dialog gets `name` typed in and OK pressed.
    bool ChooseFile(int command, const std::wstring& name) {
        DialogDriver driver(window, [&](HWND dialog) {
            TypeFileName(dialog, name);
            PressButton(dialog, IDOK);
        });
        Command(command);
        return driver.found();
    }
    // Runs a program as from the desktop, with no standard handles, while this
    // window's messages run and `meanwhile` is given its process id: its exit
    // status, or -1 if it did not start or end in time (then it is ended).
    int RunBeside(const std::wstring& program, std::wstring commandLine,
                  const std::wstring& workingDirectory = {}, DWORD flags = DETACHED_PROCESS,
                  const std::function<void(DWORD)>& meanwhile = {}) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                            workingDirectory.empty() ? nullptr : workingDirectory.c_str(), &startup,
                            &process))
            return -1;
        if (meanwhile)
            meanwhile(process.dwProcessId);
        const bool ended = Pump([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; });
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        if (!ended)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return ended ? int(code) : -1;
    }

    std::filesystem::path WriteFile(const std::string& name, const std::string& text) {
        return dir.Write(name, Bytes(text)).make_preferred();
    }
    std::vector<std::string> Headers() {
        std::vector<std::string> headers;
        for (int i = 0; i < List().ColumnCount(); ++i)
            headers.push_back(WideToUtf8(List().Column(i).header));
        return headers;
    }
    // File name and the four default digests of every row, sorted by name.
    std::vector<std::string> SheetRows() {
        std::vector<std::string> rows;
        for (int row = 0; row < List().RowCount(); ++row) {
            std::string line;
            for (int column = 0; column < List().ColumnCount(); ++column)
                line += (column ? "|" : "") + WideToUtf8(List().CellText(row, column));
            rows.push_back(line);
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // The rows SheetRows should give for files of these names and contents.
    static std::vector<std::string>
    ExpectedRows(std::initializer_list<std::pair<const char*, const char*>> files) {
        std::vector<std::string> rows;
        for (const auto& [name, content] : files) {
            rows.push_back(name);
            for (AlgorithmId id : kDefaultAlgorithms)
                rows.back() += "|" + DigestHex(AlgorithmById(id), Bytes(content));
        }
        return rows;
    }
    std::string ReadSettings() {
        // Written by the profile functions as UTF-16: keep the ASCII.
        std::string text;
        for (char c : ReadFileText(dir.path() / "vesk.ini"))
            if (c > 0 && c != '\r')
                text += c;
        return text;
    }
};

} // namespace vesk::test
