// Times the main window on many rows: starts vesk.exe on a folder, waits
// until the list holds the expected number of rows, and meanwhile asks the
// window every few milliseconds whether it still answers. Then times what a
// user does with those rows, each beside its target: select all, a find
// keystroke, a sort, the view switches, the case and full-path switches, and
// deleting every row.
//     window_fill_timer VESK.EXE FOLDER ROWS
// Or times a Verify window started on a checksum file until it is done:
//     window_fill_timer --verify VESK.EXE CHECKSUM-FILE
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "resources/resource.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Search {
    DWORD process;
    HWND found;
    const wchar_t* titleStart;
};

HWND FindWindowOf(DWORD process, const wchar_t* titleStart) {
    Search search{process, nullptr, titleStart};
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            wchar_t title[512] = {};
            GetWindowTextW(candidate, title, 512);
            if (owner == s.process && IsWindowVisible(candidate) &&
                wcsncmp(title, s.titleStart, wcslen(s.titleStart)) == 0) {
                s.found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindMainWindow(DWORD process) {
    return FindWindowOf(process, L"Vesk");
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

double Now() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 3'600'000, &result);
    return LRESULT(result);
}

// Runs `step` and waits until the window has drawn what followed; prints the
// seconds beside the target.
template <typename Step>
void Time(HWND window, const wchar_t* what, double target, Step step) {
    const double start = Now();
    step();
    UpdateWindow(window); // no effect across processes; the next answer waits for the paint
    Ask(window, WM_NULL, 0, 0);
    const double seconds = Now() - start;
    wprintf(L"  %-40ls %8.3f s   target %5.1f s  %ls\n", what, seconds, target,
            seconds <= target ? L"met" : L"MISSED");
    fflush(stdout);
}

// A large selection is finished in slices while the window is idle: the
// time until the list's selected count last changed, watched until it has
// kept still for 300 ms.
void TimeWholeSelection(HWND list, double start) {
    LRESULT count = Ask(list, LVM_GETSELECTEDCOUNT, 0, 0);
    double changed = Now();
    while (Now() - changed < 0.3) {
        Sleep(2);
        if (const LRESULT now = Ask(list, LVM_GETSELECTEDCOUNT, 0, 0); now != count) {
            count = now;
            changed = Now();
        }
    }
    wprintf(L"  %-40ls %8.3f s   (%ld rows selected)\n", L"  ... whole selection made", changed - start,
            long(count));
    fflush(stdout);
}

void TimeOperations(HWND window, long rows) {
    HWND list = GetDlgItem(window, IDC_MAIN_LIST);
    HWND find = GetDlgItem(window, IDC_MAIN_FIND);
    auto command = [&](int id) { Ask(window, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
    wprintf(L"operations on %ld rows:\n", rows);
    Time(window, L"first Select All", 0.5, [&] { command(ID_EDIT_SELECT_ALL); });
    Time(window, L"Select All again", 0.5, [&] { command(ID_EDIT_SELECT_ALL); });
    command(ID_EDIT_FIND);
    for (const wchar_t* typed : {L"a", L"ab", L"abc"}) {
        const std::wstring what = std::wstring(L"find keystroke \"") + typed + L"\"" +
                                  (typed[1] == 0 ? L" (most rows match)" : L"");
        const double start = Now();
        Time(window, what.c_str(), 0.3, [&] { Ask(find, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed)); });
        TimeWholeSelection(list, start);
    }
    Time(window, L"find emptied", 0.3, [&] { Ask(find, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"")); });
    HWND header = reinterpret_cast<HWND>(Ask(list, LVM_GETHEADER, 0, 0));
    for (const wchar_t* what : {L"sort by File (header click)", L"sort by File, reversed"})
        Time(window, what, 3, [&] {
            Ask(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 5));
            Ask(header, WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
        });
    Time(window, L"Key-Value View", 3, [&] { command(ID_VIEW_KEY_VALUE); });
    Time(window, L"Sheet View", 3, [&] { command(ID_VIEW_SHEET); });
    Time(window, L"Show Hashes in Uppercase", 3, [&] { command(ID_VIEW_UPPERCASE); });
    Time(window, L"Show File Full Path", 3, [&] { command(ID_VIEW_FULL_PATH); });
    command(ID_EDIT_SELECT_ALL);
    Time(window, L"Delete with every row selected", 2, [&] { command(ID_EDIT_DELETE); });
    wprintf(L"  rows left: %ld\n", long(Ask(list, LVM_GETITEMCOUNT, 0, 0)));
}

// Starts vesk.exe with a Verify window on `checksumFile` and waits until its
// title no longer says it is checking.
int TimeVerify(const std::wstring& program, const std::wstring& checksumFile) {
    std::wstring commandLine = L"\"" + program + L"\" --check \"" + checksumFile + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &process))
        return 1;
    std::wstring title;
    while (Now() - start < 3600) {
        Sleep(50);
        HWND verify = FindWindowOf(process.dwProcessId, L"Verify ");
        if (verify == nullptr)
            continue;
        wchar_t text[512] = {};
        SendMessageTimeoutW(verify, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 60000,
                            nullptr);
        title = text;
        if (title.find(L"checking") == std::wstring::npos)
            break;
    }
    wprintf(L"%.2f s until \"%ls\"\n", Now() - start, title.c_str());
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Without a console to attach to, vesk.exe opens its window.
    FreeConsole();
    if (argc == 4 && wcscmp(argv[1], L"--verify") == 0)
        return TimeVerify(argv[2], argv[3]);
    if (argc != 4) {
        fwprintf(stderr, L"usage: window_fill_timer VESK.EXE FOLDER ROWS\n"
                         L"       window_fill_timer --verify VESK.EXE CHECKSUM-FILE\n");
        return 2;
    }
    const long rows = wcstol(argv[3], nullptr, 10);
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
    HWND window = nullptr;
    for (;;) {
        QueryPerformanceCounter(&now);
        if (Seconds(start, now, frequency) > 600)
            break;
        window = FindMainWindow(process.dwProcessId);
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
    fflush(stdout);
    if (count >= rows && window != nullptr) {
        Sleep(1000); // the last batch painted
        TimeOperations(window, count);
    }
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return count >= rows ? 0 : 1;
}
