// Times the main window filling its list: starts vesk.exe on a folder, waits
// until the list holds the expected number of rows, and meanwhile asks the
// window every few milliseconds whether it still answers.
//     window_fill_timer VESK.EXE FOLDER ROWS
// Prints the seconds until the last row and the slowest answer.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    DWORD process;
    HWND found;
};

HWND FindMainWindow(DWORD process) {
    Search search{process, nullptr};
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            wchar_t title[8] = {};
            GetWindowTextW(candidate, title, 8);
            if (owner == s.process && wcscmp(title, L"Vesk") == 0) {
                s.found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        fwprintf(stderr, L"usage: window_fill_timer VESK.EXE FOLDER ROWS\n");
        return 2;
    }
    const long rows = wcstol(argv[3], nullptr, 10);
    // Without a console to attach to, vesk.exe opens its window.
    FreeConsole();
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\" \"" + argv[2] + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // No standard handles: the program starts as from the desktop, not as a
    // console program whose output goes somewhere.
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &process))
        return 1;
    double slowestAnswer = 0;
    long count = 0;
    for (;;) {
        QueryPerformanceCounter(&now);
        if (Seconds(start, now, frequency) > 600)
            break;
        HWND window = FindMainWindow(process.dwProcessId);
        if (window == nullptr) {
            Sleep(5);
            continue;
        }
        LARGE_INTEGER asked, answered;
        QueryPerformanceCounter(&asked);
        DWORD_PTR result = 0;
        SendMessageTimeoutW(GetDlgItem(window, 52), LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 60000, &result);
        QueryPerformanceCounter(&answered);
        slowestAnswer = std::max(slowestAnswer, Seconds(asked, answered, frequency));
        count = long(result);
        if (count >= rows)
            break;
        Sleep(200);
    }
    QueryPerformanceCounter(&now);
    wprintf(L"%ld rows in %.2f s; slowest answer %.0f ms\n", count, Seconds(start, now, frequency),
            slowestAnswer * 1000);
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return count >= rows ? 0 : 1;
}
