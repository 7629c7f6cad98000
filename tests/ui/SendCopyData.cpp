// Sends one WM_COPYDATA block to a window, as any program on the desktop can:
//     send_copydata WINDOW TAG BYTE-COUNT FILE
// WINDOW is the handle and TAG the block's dwData, both in decimal; the block
// is the first BYTE-COUNT bytes of FILE, or no data at all for a count of 0.
// The exit status is 0 when the window took the block, 1 when it did not.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <vector>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 5)
        return 2;
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(wcstoull(arguments[1], nullptr, 10)));
    const ULONG_PTR tag = ULONG_PTR(wcstoull(arguments[2], nullptr, 10));
    const DWORD byteCount = DWORD(wcstoul(arguments[3], nullptr, 10));
    std::vector<char> block(byteCount);
    if (FILE* file = _wfopen(arguments[4], L"rb")) {
        block.resize(fread(block.data(), 1, block.size(), file));
        fclose(file);
    }
    COPYDATASTRUCT data{tag, DWORD(block.size()), block.empty() ? nullptr : block.data()};
    DWORD_PTR taken = FALSE;
    return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000,
                               &taken) != 0 &&
                   taken == TRUE
               ? 0
               : 1;
}
