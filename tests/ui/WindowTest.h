// What the window tests share: a main window made from the program's own
// template over a scratch folder, its message loop run until something
// happens, and dialogs driven from another thread while the window waits in
// their modal loops.
#pragma once

#include "core/TextEncoding.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "tests/TestUtil.h"
#include "tests/ui/DialogDriver.h"
#include "ui/MainWindow.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cwchar>
#include <fstream>
#include <functional>
#include <thread>

namespace vesk::test {

using namespace std::chrono_literals;

inline void ResetViewState() {
    ViewState& view = SharedViewState();
    view.columns.Assign(DefaultColumns());
    view.viewFlags = kDefaultViewFlags;
    view.keyValueColumns = kDefaultKeyValueColumns;
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

inline void PressOk(HWND dialog) {
    PressButton(dialog, IDOK);
}

class WindowTest : public ::testing::Test {
protected:
    ScratchDir dir;
    HWND window = nullptr;
    HACCEL accelerators = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDA_MAIN));

    void SetUp() override { ResetViewState(); }
    void TearDown() override {
        if (IsWindow(window))
            DestroyWindow(window);
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
    void Command(int id) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void Key(HWND target, UINT key) {
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
        Pump([] { return false; }, 100ms);
    }

    std::filesystem::path WriteFile(const std::string& name, const std::string& text) {
        return dir.Write(name, Bytes(text)).make_preferred();
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
    static std::string ExpectedRow(const std::string& name, const std::string& content) {
        std::string line = name;
        for (AlgorithmId id : {kCrc32Id, kMd5Id, kSha1Id, kSha256Id})
            line += "|" + DigestHex(AlgorithmById(id), Bytes(content));
        return line;
    }
    std::string ReadSettings() {
        std::ifstream in(dir.path() / "vesk.ini", std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        // Written by the profile functions as UTF-16: keep the ASCII.
        std::string text;
        for (char c : bytes)
            if (c > 0 && c != '\r')
                text += c;
        return text;
    }
};

} // namespace vesk::test
