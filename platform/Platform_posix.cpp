#include "platform/Platform.h"

#include "core/TextEncoding.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <langinfo.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vesk::platform {

namespace {

// Seconds from 1601-01-01 (the file-time epoch) to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;

std::string NativePath(const std::wstring& path) {
    return WideToUtf8(path);
}

std::string FormatTime(const char* format, const std::tm& fields) {
    char text[256];
    const size_t length = std::strftime(text, sizeof text, format, &fields);
    return std::string(text, length);
}

// The locale's time format with the seconds taken out: "%H:%M:%S" becomes
// "%H:%M", "%r" and "%T" their shorter forms.
std::string TimeFormatWithoutSeconds() {
    std::string format = nl_langinfo(T_FMT);
    if (format.empty())
        format = "%H:%M:%S";
    for (size_t at; (at = format.find("%T")) != std::string::npos;)
        format.replace(at, 2, "%H:%M");
    for (size_t at; (at = format.find("%r")) != std::string::npos;)
        format.replace(at, 2, "%I:%M %p");
    const size_t seconds = format.find("%S");
    if (seconds != std::string::npos) {
        // Drop the separator before the seconds too.
        size_t from = seconds;
        while (from > 0 && format[from - 1] != 'M' && format[from - 1] != 'H' && format[from - 1] != 'I')
            --from;
        format.erase(from, seconds + 2 - from);
    }
    return format;
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
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

bool ReadOnlyFile::IsOpen() const {
    return handle_ >= 0;
}

void ReadOnlyFile::Close() {
    if (handle_ >= 0)
        ::close(int(handle_));
    handle_ = -1;
}

bool ReadOnlyFile::Size(uint64_t& byteCount) const {
    struct stat status;
    if (handle_ < 0 || ::fstat(int(handle_), &status) != 0)
        return false;
    byteCount = uint64_t(status.st_size);
    return true;
}

bool ReadOnlyFile::LastWriteTime(uint64_t& fileTime) const {
    struct stat status;
    if (handle_ < 0 || ::fstat(int(handle_), &status) != 0)
        return false;
    const int64_t seconds = int64_t(status.st_mtim.tv_sec) + kFileTimeEpochOffset;
    if (seconds < 0)
        return false;
    fileTime = uint64_t(seconds) * kFileTimeUnitsPerSecond + uint64_t(status.st_mtim.tv_nsec) / 100;
    return true;
}

int64_t ReadOnlyFile::Read(void* buffer, size_t byteCount) {
    if (handle_ < 0)
        return -1;
    size_t total = 0;
    // Fill the buffer as far as the file goes, so that chunks stay whole.
    while (total < byteCount) {
        const ssize_t got = ::read(int(handle_), static_cast<char*>(buffer) + total, byteCount - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return total > 0 ? int64_t(total) : -1;
        if (got == 0)
            break;
        total += size_t(got);
    }
    return int64_t(total);
}

std::wstring ByteSizeText(uint64_t byteCount) {
    if (byteCount < 1024)
        return std::to_wstring(byteCount) + L" bytes";
    static constexpr const wchar_t* kUnits[] = {L"KB", L"MB", L"GB", L"TB", L"PB", L"EB"};
    // The smallest unit that keeps the number below 1000 (1000 KB is 0.97 MB),
    // then three significant digits, cut rather than rounded: 1.50 KB, 15.0 MB, 150 GB.
    int unit = 0;
    unsigned __int128 divisor = 1024;
    while (unit < 5 && byteCount >= 1000 * divisor) {
        divisor *= 1024;
        ++unit;
    }
    const auto hundredths = uint64_t(byteCount * (unsigned __int128)100 / divisor);
    wchar_t text[64];
    if (hundredths < 1000)
        std::swprintf(text, 64, L"%llu.%02llu %ls", (unsigned long long)(hundredths / 100),
                      (unsigned long long)(hundredths % 100), kUnits[unit]);
    else if (hundredths < 10000)
        std::swprintf(text, 64, L"%llu.%llu %ls", (unsigned long long)(hundredths / 100),
                      (unsigned long long)(hundredths / 10 % 10), kUnits[unit]);
    else
        std::swprintf(text, 64, L"%llu %ls", (unsigned long long)(hundredths / 100), kUnits[unit]);
    return text;
}

std::wstring DateTimeText(uint64_t fileTime) {
    const std::time_t seconds = std::time_t(fileTime / kFileTimeUnitsPerSecond) - kFileTimeEpochOffset;
    std::tm fields{};
    if (localtime_r(&seconds, &fields) == nullptr)
        return L"";
    std::string text = FormatTime("%x", fields);
    if (fields.tm_hour != 0 || fields.tm_min != 0 || fields.tm_sec != 0)
        text += " " + FormatTime(TimeFormatWithoutSeconds().c_str(), fields);
    return Utf8ToWide(text);
}

} // namespace vesk::platform
