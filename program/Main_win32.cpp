// Entry of vesk.exe. Three ways to run: console mode when there is somewhere
// to print to and something to hash; a hand-over of the command line to a
// window already open; otherwise the main window.
#include "app/AppVersion.h"
#include "app/ConsoleCheck.h"
#include "app/ConsoleMode.h"
#include "app/HandOver.h"
#include "core/ColumnTable.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "ui/ControlUtil.h"
#include "ui/Handles.h"
#include "ui/MainWindow.h"
#include "ui/OptionsDialog.h"
#include "ui/ShellDropTarget.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <sddl.h>

namespace {

using namespace vesk;

int RunConsoleMode(const ConsoleCommand& command, platform::ConsoleWriter& output) {
    std::unique_ptr<platform::ConsoleWriter> errors = platform::OpenErrorOutput();
    ConsoleRun run;
    run.settings = SettingsFile::BesideExecutable();
    run.output = &output;
    run.errors = errors ? errors.get() : &output;
    // A path that cannot be read is said, and the status tells, as the Linux
    // program and --help have it.
    run.reportFailures = true;
    // A person at a console may choose the algorithms; a script gets the
    // message and the status instead of a dialog that would stop it.
    if (output.IsInteractive())
        run.askForSelection = [](ViewState& view) { ShowOptionsDialog(nullptr, view, nullptr); };
    return RunConsoleCommand(command, std::move(run));
}

// Sends the current directory and the command line to the open window, and
// waits until it has taken them. False when it did not answer within a minute
// or did not take them.
bool HandOverTo(HWND window, const std::wstring& commandLine) {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(DWORD(directory.size()), directory.data()));
    std::vector<uint8_t> block = BuildHandOverBlock(directory, commandLine);
    COPYDATASTRUCT data{kHandOverTag, DWORD(block.size()), block.data()};
    DWORD receiver = 0;
    GetWindowThreadProcessId(window, &receiver);
    AllowSetForegroundWindow(receiver); // so that the window may come to the front
    DWORD_PTR taken = FALSE;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 60000,
                               &taken) != 0 &&
           taken == TRUE;
}

// The user's SID as text, which names the user's own first-start mutex.
std::wstring UserSidText() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return L"";
    const KernelHandleOwner owner(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<uint8_t> user(size);
    wchar_t* text = nullptr;
    if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size) ||
        !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &text))
        return L"";
    std::wstring sid(text);
    LocalFree(text);
    return sid;
}

// Starts that race with no window open must end in one window. The start that
// first holds this mutex (one per user session) keeps it while it runs and
// opens the window; the others wait for that window and hand over to it.
KernelHandleOwner HoldFirstStartMutex(bool& first) {
    const std::wstring name = L"Local\\Vesk." + UserSidText();
    KernelHandleOwner mutex(CreateMutexW(nullptr, TRUE, name.c_str()));
    first = mutex && GetLastError() != ERROR_ALREADY_EXISTS;
    return mutex;
}

// Hands the command line to a window of the program: the first start's, which
// a later start waits up to 10 s to appear. False when there is none to take it.
bool HandOverToRunningWindow(bool first, const std::wstring& commandLine) {
    const ULONGLONG deadline = GetTickCount64() + (first ? 0 : 10000);
    for (;;) {
        if (HWND running = FindWindowW(kMainWindowClassName, nullptr))
            if (HandOverTo(running, commandLine))
                return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(50);
    }
}

// The main window and its message loop, until the window is destroyed.
int RunWindow(HINSTANCE instance, std::vector<std::wstring> paths, platform::ConsoleWriter* console) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_LINK_CLASS | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDA_MAIN));
    const std::vector<std::wstring> kept = paths;
    HWND window = MainWindow::Create(instance, {SettingsFile::BesideExecutable(), std::move(paths), console});
    if (window == nullptr) {
        // No display to show a window on: hash what was asked for as in a
        // console, or say why nothing happens.
        std::unique_ptr<platform::ConsoleWriter> errors = platform::OpenErrorOutput();
        ConsoleCommand command;
        command.paths = kept;
        if (!kept.empty())
            return console  ? RunConsoleMode(command, *console)
                   : errors ? RunConsoleMode(command, *errors)
                            : 1;
        if (errors)
            errors->Write(L"vesk: no window can be shown here (no display)\n");
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        ProcessMainWindowMessage(window, accelerators, message);
    return 0;
}

// Started by COM for the file manager's verb: serves the one drop the file
// manager makes, then takes its paths as a start from the desktop would.
bool IsEmbeddingStart(const std::vector<std::wstring>& arguments) {
    return arguments.size() == 2 && (_wcsicmp(arguments[1].c_str(), L"-Embedding") == 0 ||
                                     _wcsicmp(arguments[1].c_str(), L"/Embedding") == 0);
}

std::optional<WindowStart> ServeShellDrop() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::optional<ServedDrop> drop = ServeOneDrop(60000);
    if (!drop || drop->paths.empty())
        return std::nullopt;
    return WindowStart{drop->shiftHeld ? StartAction::AddWithSubfolders : StartAction::Add, drop->paths};
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    std::unique_ptr<platform::ConsoleWriter> output = platform::OpenConsoleOutput();
    const std::vector<std::wstring> arguments = platform::CommandLineArguments(0, nullptr);
    std::vector<std::wstring> paths(arguments.size() > 1 ? arguments.begin() + 1 : arguments.end(),
                                    arguments.end());
    std::wstring commandLine = GetCommandLineW();
    if (IsEmbeddingStart(arguments)) {
        const std::optional<WindowStart> dropped = ServeShellDrop();
        if (!dropped)
            return 0;
        commandLine = WindowStartCommandLine(platform::ExecutablePath(), *dropped);
        paths = SplitCommandLine(commandLine);
        paths.erase(paths.begin());
        output.reset(); // the paths go to a window, never to a console
    }
    if (output && !paths.empty()) {
        const int status = RunConsoleMode(ParseConsoleArguments(arguments), *output);
        output.reset();
        platform::ReleaseConsolePrompt();
        return status;
    }
    bool first = false;
    const KernelHandleOwner firstStart = HoldFirstStartMutex(first);
    // When no window takes the paths, this start opens one with them: nothing is dropped.
    if (!output && !paths.empty() && HandOverToRunningWindow(first, commandLine))
        return 0;
    const int status = RunWindow(instance, std::move(paths), output.get());
    // Workers still hashing end with the process, before anything they use
    // is torn down.
    ExitProcess(UINT(status));
}
