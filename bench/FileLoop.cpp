// The least a program can do per file of a folder: list it, then open, size,
// date, read and close every file, hashing nothing. scripts/bench-job times
// vesk.exe against it under Wine.
//     file_loop FOLDER
// Prints the number of files and bytes read.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        fwprintf(stderr, L"usage: file_loop FOLDER\n");
        return 2;
    }
    std::wstring folder = argv[1];
    if (folder.back() != L'\\')
        folder += L'\\';
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    static char buffer[64 * 1024];
    unsigned long long fileCount = 0, byteCount = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        HANDLE file = CreateFileW((folder + found.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        LARGE_INTEGER size;
        FILETIME written;
        GetFileSizeEx(file, &size);
        GetFileTime(file, nullptr, nullptr, &written);
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            byteCount += got;
        CloseHandle(file);
        ++fileCount;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    wprintf(L"%llu files, %llu bytes\n", fileCount, byteCount);
    return 0;
}
