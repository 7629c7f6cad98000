#include "platform/Platform.h"

#include <windows.h>

#include <shlwapi.h>

namespace vesk::platform {

namespace {

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

// Paths of MAX_PATH characters or more reach the file functions only in their
// "\\?\" form, which takes a full path with backslashes.
std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.starts_with(L"\\\\?\\"))
        return path;
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    if (full.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

} // namespace

ReadOnlyFile::~ReadOnlyFile() {
    Close();
}

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

bool ReadOnlyFile::Open(const std::wstring& path) {
    Close();
    HANDLE file = CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

bool ReadOnlyFile::IsOpen() const {
    return handle_ != -1;
}

void ReadOnlyFile::Close() {
    if (handle_ != -1)
        CloseHandle(AsHandle(handle_));
    handle_ = -1;
}

bool ReadOnlyFile::Size(uint64_t& byteCount) const {
    LARGE_INTEGER size;
    if (handle_ == -1 || !GetFileSizeEx(AsHandle(handle_), &size))
        return false;
    byteCount = uint64_t(size.QuadPart);
    return true;
}

bool ReadOnlyFile::LastWriteTime(uint64_t& fileTime) const {
    FILETIME lastWrite;
    if (handle_ == -1 || !GetFileTime(AsHandle(handle_), nullptr, nullptr, &lastWrite))
        return false;
    fileTime = uint64_t(lastWrite.dwHighDateTime) << 32 | lastWrite.dwLowDateTime;
    return true;
}

int64_t ReadOnlyFile::Read(void* buffer, size_t byteCount) {
    if (handle_ == -1)
        return -1;
    DWORD got = 0;
    const DWORD wanted = byteCount > 0x40000000 ? 0x40000000 : DWORD(byteCount);
    if (!ReadFile(AsHandle(handle_), buffer, wanted, &got, nullptr))
        return -1;
    return int64_t(got);
}

std::wstring ByteSizeText(uint64_t byteCount) {
    wchar_t text[128];
    if (StrFormatByteSizeW(LONGLONG(byteCount), text, 128) == nullptr)
        return L"";
    return text;
}

std::wstring DateTimeText(uint64_t fileTime) {
    FILETIME utc{DWORD(fileTime), DWORD(fileTime >> 32)};
    FILETIME local;
    SYSTEMTIME fields;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &fields))
        return L"";
    wchar_t date[80];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &fields, nullptr, date, 80) == 0)
        return L"";
    std::wstring text = date;
    if (fields.wHour == 0 && fields.wMinute == 0 && fields.wSecond == 0)
        return text;
    wchar_t time[64];
    if (GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &fields, nullptr, time, 64) != 0)
        text += L" " + std::wstring(time);
    return text;
}

} // namespace vesk::platform
