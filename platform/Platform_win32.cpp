#include "platform/Platform.h"

#include "platform/ReadMeter.h"

#include <windows.h>

#include <winioctl.h>

#include <shlwapi.h>

#include <algorithm>
#include <bit>
#include <cwctype>
#include <map>
#include <mutex>

namespace vesk::platform {

namespace {

HANDLE AsHandle(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

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
    // Whatever another program allows: a log being written or a download
    // still open is hashed as it stands; only a file opened with no sharing
    // at all stays unread.
    HANDLE file = CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(file);
    return true;
}

void ReadOnlyFile::Close() {
    if (handle_ != -1)
        CloseHandle(AsHandle(handle_));
    handle_ = -1;
}

bool ReadOnlyFile::Size(uint64_t& byteCount) const {
    LARGE_INTEGER size;
    if (handle_ == -1 || !GetFileSizeEx(AsHandle(handle_), &size)) {
        error_ = handle_ == -1 ? ERROR_INVALID_HANDLE : GetLastError();
        return false;
    }
    byteCount = uint64_t(size.QuadPart);
    return true;
}

bool ReadOnlyFile::LastWriteTime(uint64_t& fileTime) const {
    fileTime = kNoFileTime;
    FILETIME lastWrite;
    if (handle_ == -1 || !GetFileTime(AsHandle(handle_), nullptr, nullptr, &lastWrite)) {
        error_ = handle_ == -1 ? ERROR_INVALID_HANDLE : GetLastError();
        return false;
    }
    const uint64_t time = uint64_t(lastWrite.dwHighDateTime) << 32 | lastWrite.dwLowDateTime;
    if (time > kMaxFileTime) {
        error_ = ERROR_INVALID_DATA;
        return false;
    }
    fileTime = time;
    return true;
}

int64_t ReadOnlyFile::Read(void* buffer, size_t byteCount) {
    if (handle_ == -1) {
        error_ = ERROR_INVALID_HANDLE;
        return -1;
    }
    size_t total = 0;
    // Fill the buffer as far as the file goes, so that a short read means the end.
    while (total < byteCount) {
        const size_t left = byteCount - total;
        DWORD got = 0;
        if (!ReadFile(AsHandle(handle_), static_cast<char*>(buffer) + total,
                      left > 0x40000000 ? 0x40000000 : DWORD(left), &got, nullptr)) {
            // The bytes before the error go too: a short count means the end.
            error_ = GetLastError();
            return -1;
        }
        if (got == 0)
            break;
        total += got;
    }
    CountBytesRead(total);
    return int64_t(total);
}

uint32_t UsableProcessorCount() {
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system) || process == 0)
        return 1;
    return uint32_t(std::popcount(uint64_t(process)));
}

std::wstring SystemErrorText(uint32_t code) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 ? std::wstring(text, length) : L"error " + std::to_wstring(code);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    return message;
}

std::wstring ReadOnlyFile::ErrorText() const {
    return SystemErrorText(error_);
}

bool DiskSeeksSlowly(const std::wstring& path) {
    std::wstring volume(MAX_PATH + 1, L'\0');
    if (!GetVolumePathNameW(path.c_str(), volume.data(), DWORD(volume.size())))
        return false;
    volume.resize(wcslen(volume.c_str()));
    static std::mutex lock;
    static std::map<std::wstring, bool> known;
    std::lock_guard guard(lock);
    if (const auto found = known.find(volume); found != known.end())
        return found->second;
    bool seeks = false;
    // "C:\" is asked as the device "\\.\C:"; a volume mounted in a folder or
    // on the network gives no answer and counts as not seeking.
    if (volume.size() == 3 && volume[1] == L':') {
        const std::wstring device = L"\\\\.\\" + volume.substr(0, 2);
        HANDLE handle = CreateFileW(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            STORAGE_PROPERTY_QUERY query{};
            query.PropertyId = StorageDeviceSeekPenaltyProperty;
            query.QueryType = PropertyStandardQuery;
            DEVICE_SEEK_PENALTY_DESCRIPTOR penalty{};
            DWORD returned = 0;
            if (DeviceIoControl(handle, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, &penalty,
                                sizeof penalty, &returned, nullptr) &&
                returned >= sizeof penalty)
                seeks = penalty.IncursSeekPenalty != FALSE;
            CloseHandle(handle);
        }
    }
    known.emplace(volume, seeks);
    return seeks;
}

bool NamesDevice(const std::wstring& path) {
    if (path.rfind(L"\\\\.\\", 0) == 0 || path.rfind(L"//./", 0) == 0)
        return true;
    const size_t slash = path.find_last_of(L"\\/:");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    name.resize(std::min(name.find(L'.'), name.size()));
    while (!name.empty() && name.back() == L' ')
        name.pop_back();
    for (wchar_t& c : name)
        c = wchar_t(std::towupper(wint_t(c)));
    if (name == L"CON" || name == L"PRN" || name == L"AUX" || name == L"NUL")
        return true;
    return name.size() == 4 && (name.rfind(L"COM", 0) == 0 || name.rfind(L"LPT", 0) == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
}

PathKind QueryPathKind(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

FolderEnumerator::~FolderEnumerator() {
    if (handle_ != -1)
        FindClose(AsHandle(handle_));
}

bool FolderEnumerator::Open(const std::wstring& folder) {
    folder_ = folder;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW(LongPathForm(folder + L"*").c_str(), FindExInfoBasic, &found,
                                   FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) {
        error_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(find);
    first_.name = found.cFileName;
    first_.kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    pending_ = true;
    return true;
}

FolderStep FolderEnumerator::Next(FolderEntry& entry) {
    if (handle_ == -1) {
        error_ = ERROR_INVALID_HANDLE;
        return FolderStep::Failed;
    }
    if (pending_) {
        pending_ = false;
        entry = first_;
        return FolderStep::Entry;
    }
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(AsHandle(handle_), &found)) {
        error_ = GetLastError();
        return error_ == ERROR_NO_MORE_FILES ? FolderStep::End : FolderStep::Failed;
    }
    entry.name = found.cFileName;
    entry.kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
    return FolderStep::Entry;
}

std::wstring FolderEnumerator::ErrorText() const {
    return SystemErrorText(error_);
}

bool QueryFolderIdentity(const std::wstring& folder, FolderIdentity& identity) {
    // Opening a folder (and following a link or junction to it) takes the
    // backup-semantics flag; no access right is needed to read its identity.
    HANDLE handle =
        CreateFileW(LongPathForm(folder).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    if (!known)
        return false;
    identity.volume = information.dwVolumeSerialNumber;
    identity.file = uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    return true;
}

bool MatchesWildcard(const std::wstring& name, const std::wstring& pattern) {
    return PathMatchSpecW(name.c_str(), pattern.c_str()) != FALSE;
}

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return L"";
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

IniFile::IniFile(const std::wstring& path) : path_(path) {}

std::optional<std::wstring> IniFile::Value(const std::wstring& section, const std::wstring& key,
                                           size_t maxCharacters) const {
    // A default no key can have tells a missing key from an empty value.
    static const wchar_t kAbsent[] = L"\x01\x02absent\x02\x01";
    std::wstring value(maxCharacters + 1, L'\0');
    const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), kAbsent, value.data(),
                                                  DWORD(value.size()), path_.c_str());
    value.resize(length);
    if (value == kAbsent)
        return std::nullopt;
    return value;
}

bool WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) {
    if (value.find_first_of(L"\r\n") != std::wstring::npos)
        return false;
    // A profile file the system creates itself is in the ANSI code page, which
    // cannot hold every character of a path. One that starts as UTF-16 with a
    // byte-order mark stays UTF-16.
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        HANDLE created =
            CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            static const BYTE kUtf16Mark[] = {0xFF, 0xFE};
            DWORD written = 0;
            WriteFile(created, kUtf16Mark, sizeof kUtf16Mark, &written, nullptr);
            CloseHandle(created);
        }
    }
    return WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

std::wstring ByteSizeText(uint64_t byteCount) {
    wchar_t text[128];
    if (StrFormatByteSizeW(LONGLONG(byteCount), text, 128) == nullptr)
        return L"";
    return text;
}

std::wstring DateTimeText(uint64_t fileTime) {
    if (fileTime > kMaxFileTime)
        return L"";
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
