#include "platform/Console.h"

#include "platform/Platform.h"
#include "text/TextEncoding.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>

namespace vesk::platform {

namespace {

// Keeps the first failure of a writer that does not buffer.
class UnbufferedWriter : public ConsoleWriter {
public:
    bool Flush() override { return error_ == 0; }
    std::wstring ErrorText() const override { return SystemErrorText(error_); }

protected:
    void Fail() {
        if (error_ == 0)
            error_ = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    }

private:
    DWORD error_ = 0;
};

// A real console takes the text as UTF-16, whatever its code page.
class ConsoleScreenWriter : public UnbufferedWriter {
public:
    explicit ConsoleScreenWriter(HANDLE console) : console_(console) {}
    ~ConsoleScreenWriter() override { CloseHandle(console_); }
    bool IsInteractive() const override { return true; }
    void Write(std::wstring_view text) override {
        // Old consoles refuse very long writes, so the text goes in pieces.
        constexpr size_t kPiece = 8192;
        for (size_t at = 0; at < text.size(); at += kPiece) {
            const DWORD count = DWORD(std::min(kPiece, text.size() - at));
            DWORD written = 0;
            SetLastError(0);
            if (!WriteConsoleW(console_, text.data() + at, count, &written, nullptr) || written != count) {
                Fail();
                return;
            }
        }
    }

private:
    HANDLE console_;
};

// A file or a pipe gets UTF-8, which every tool that reads it understands.
class Utf8HandleWriter : public UnbufferedWriter {
public:
    explicit Utf8HandleWriter(HANDLE handle) : handle_(handle) {}
    void Write(std::wstring_view text) override {
        const std::string bytes = WideToUtf8(text);
        size_t at = 0;
        while (at < bytes.size()) {
            DWORD written = 0;
            const DWORD count = DWORD(std::min<size_t>(bytes.size() - at, 1 << 20));
            SetLastError(0);
            if (!WriteFile(handle_, bytes.data() + at, count, &written, nullptr) || written == 0) {
                Fail();
                return;
            }
            at += written;
        }
    }

private:
    HANDLE handle_;
};

// A file, a pipe or a device other than a console (NUL, say).
bool IsRedirected(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD type = GetFileType(handle);
    DWORD consoleMode;
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE ||
           (type == FILE_TYPE_CHAR && !GetConsoleMode(handle, &consoleMode));
}

void (*interruptHandler)() = nullptr;
std::atomic<bool> interrupted{false};

// Runs on a thread of its own that the system starts for the event.
BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    if (interrupted.exchange(true))
        return FALSE; // the second one ends the program
    interruptHandler();
    return TRUE;
}

} // namespace

std::unique_ptr<ConsoleWriter> OpenConsoleOutput() {
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (IsRedirected(output))
        return std::make_unique<Utf8HandleWriter>(output);
    // Attaching fails with "access denied" when the process has a console already.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return nullptr;
    if (GetStdHandle(STD_OUTPUT_HANDLE) == INVALID_HANDLE_VALUE)
        return nullptr;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<ConsoleScreenWriter>(console);
}

std::unique_ptr<ConsoleWriter> OpenErrorOutput() {
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    if (IsRedirected(errors))
        return std::make_unique<Utf8HandleWriter>(errors);
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<ConsoleScreenWriter>(console);
}

std::vector<std::wstring> CommandLineArguments(int, char**) {
    std::vector<std::wstring> arguments;
    int count = 0;
    wchar_t** split = CommandLineToArgvW(GetCommandLineW(), &count);
    if (split == nullptr)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments.emplace_back(split[i]);
    LocalFree(split);
    return arguments;
}

void ReleaseConsolePrompt() {
    HWND console = GetConsoleWindow();
    if (console == nullptr || console != GetForegroundWindow())
        return;
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

void CallOnFirstInterrupt(void (*handler)()) {
    interruptHandler = handler;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

} // namespace vesk::platform
