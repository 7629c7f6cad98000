#include "platform/Platform.h"

#include "platform/ReadMeter.h"

#include "platform/IniText.h"
#include "text/TextEncoding.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <map>
#include <mutex>
#include <sched.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vesk::platform {

namespace {

// Seconds from 1601-01-01 (the file-time epoch) to 1970-01-01.
constexpr int64_t kFileTimeEpochOffset = 11644473600;
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;

// A time of the system as a file time, or kNoFileTime when none can hold it.
uint64_t FileTimeOf(const timespec& time) {
    constexpr int64_t kLastSecond = int64_t(kMaxFileTime / kFileTimeUnitsPerSecond) - kFileTimeEpochOffset;
    if (time.tv_sec < -kFileTimeEpochOffset || time.tv_sec > kLastSecond)
        return kNoFileTime;
    const uint64_t fileTime =
        uint64_t(time.tv_sec + kFileTimeEpochOffset) * kFileTimeUnitsPerSecond + uint64_t(time.tv_nsec) / 100;
    return fileTime <= kMaxFileTime ? fileTime : kNoFileTime;
}

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

ReadOnlyFile::ReadOnlyFile(ReadOnlyFile&& other) noexcept
    : handle_(other.handle_), error_(other.error_), openedSize_(other.openedSize_),
      openedWriteTime_(other.openedWriteTime_) {
    other.handle_ = -1;
}

ReadOnlyFile& ReadOnlyFile::operator=(ReadOnlyFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        error_ = other.error_;
        openedSize_ = other.openedSize_;
        openedWriteTime_ = other.openedWriteTime_;
        other.handle_ = -1;
    }
    return *this;
}

bool ReadOnlyFile::Open(const std::wstring& path) {
    Close();
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error_ = uint32_t(errno);
        return false;
    }
    struct stat status;
    const bool known = ::fstat(fd, &status) == 0;
    if (known && !S_ISDIR(status.st_mode)) {
        handle_ = fd;
        openedSize_ = uint64_t(status.st_size);
        openedWriteTime_ = FileTimeOf(status.st_mtim);
        return true;
    }
    // The mode means nothing when fstat failed.
    error_ = known ? EISDIR : uint32_t(errno);
    ::close(fd);
    return false;
}

void ReadOnlyFile::Close() {
    if (handle_ >= 0)
        ::close(int(handle_));
    handle_ = -1;
}

bool ReadOnlyFile::Size(uint64_t& byteCount) const {
    if (handle_ < 0) {
        error_ = EBADF;
        return false;
    }
    byteCount = openedSize_;
    return true;
}

bool ReadOnlyFile::LastWriteTime(uint64_t& fileTime) const {
    fileTime = kNoFileTime;
    if (handle_ < 0) {
        error_ = EBADF;
        return false;
    }
    fileTime = openedWriteTime_;
    if (fileTime == kNoFileTime)
        error_ = EOVERFLOW;
    return fileTime != kNoFileTime;
}

int64_t ReadOnlyFile::Read(void* buffer, size_t byteCount) {
    if (handle_ < 0) {
        error_ = EBADF;
        return -1;
    }
    size_t total = 0;
    // Fill the buffer as far as the file goes, so that a short read means the end.
    while (total < byteCount) {
        const ssize_t got = ::read(int(handle_), static_cast<char*>(buffer) + total, byteCount - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            // The bytes before the error go too: a short count means the end.
            error_ = uint32_t(errno);
            return -1;
        }
        if (got == 0)
            break;
        total += size_t(got);
    }
    CountBytesRead(total);
    return int64_t(total);
}

std::wstring ReadOnlyFile::ErrorText() const {
    return SystemErrorText(error_);
}

uint32_t UsableProcessorCount() {
    cpu_set_t allowed;
    if (::sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return uint32_t(CPU_COUNT(&allowed));
    const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
    return online > 0 ? uint32_t(online) : 1;
}

bool NamesDevice(const std::wstring&) {
    return false;
}

bool DiskSeeksSlowly(const std::wstring& path) {
    struct stat status;
    if (::stat(NativePath(path).c_str(), &status) != 0 || major(status.st_dev) == 0)
        return false; // gone, or no block device behind it (tmpfs, overlay, network)
    static std::mutex lock;
    static std::map<dev_t, bool> known;
    std::lock_guard guard(lock);
    if (const auto found = known.find(status.st_dev); found != known.end())
        return found->second;
    // A partition's folder has no queue of its own; its disk's folder, one up, does.
    const std::string device =
        "/sys/dev/block/" + std::to_string(major(status.st_dev)) + ":" + std::to_string(minor(status.st_dev));
    bool rotational = false;
    for (const char* queue : {"/queue/rotational", "/../queue/rotational"}) {
        if (FILE* file = std::fopen((device + queue).c_str(), "r")) {
            int value = 0;
            const bool read = std::fscanf(file, "%d", &value) == 1;
            std::fclose(file);
            if (read) {
                rotational = value != 0;
                break;
            }
        }
    }
    known.emplace(status.st_dev, rotational);
    return rotational;
}

PathKind QueryPathKind(const std::wstring& path) {
    struct stat status;
    if (::stat(NativePath(path).c_str(), &status) != 0)
        return PathKind::Missing;
    if (S_ISDIR(status.st_mode))
        return PathKind::Folder;
    return S_ISREG(status.st_mode) ? PathKind::File : PathKind::Other;
}

FolderEnumerator::~FolderEnumerator() {
    if (handle_ != -1)
        ::closedir(reinterpret_cast<DIR*>(handle_));
}

bool FolderEnumerator::Open(const std::wstring& folder) {
    folder_ = folder;
    DIR* dir = ::opendir(NativePath(folder).c_str());
    if (dir == nullptr) {
        error_ = uint32_t(errno);
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(dir);
    return true;
}

FolderStep FolderEnumerator::Next(FolderEntry& entry) {
    if (handle_ == -1) {
        error_ = EBADF;
        return FolderStep::Failed;
    }
    // Only errno tells the end of the listing from a failure.
    errno = 0;
    const dirent* item = ::readdir(reinterpret_cast<DIR*>(handle_));
    if (item == nullptr) {
        error_ = uint32_t(errno);
        return error_ == 0 ? FolderStep::End : FolderStep::Failed;
    }
    entry.name = Utf8ToWide(item->d_name);
    switch (item->d_type) {
    case DT_REG:
        entry.kind = PathKind::File;
        break;
    case DT_DIR:
        entry.kind = PathKind::Folder;
        break;
    case DT_LNK:
    case DT_UNKNOWN:
        entry.kind = QueryPathKind(folder_ + entry.name);
        break;
    default:
        entry.kind = PathKind::Other;
    }
    return FolderStep::Entry;
}

std::wstring FolderEnumerator::ErrorText() const {
    return SystemErrorText(error_);
}

bool QueryFolderIdentity(const std::wstring& folder, FolderIdentity& identity) {
    struct stat status;
    if (::stat(NativePath(folder).c_str(), &status) != 0)
        return false;
    identity.volume = uint64_t(status.st_dev);
    identity.file = uint64_t(status.st_ino);
    return true;
}

namespace {

wchar_t FoldCase(wchar_t c) {
    // The C.UTF-8 locale knows the case of every letter, whatever the user's locale is.
    static const locale_t kUtf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
    if (c < 128)
        return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c;
    return kUtf8 != locale_t(0) ? wchar_t(towlower_l(wint_t(c), kUtf8)) : c;
}

bool MatchesOnePattern(std::wstring_view name, std::wstring_view pattern) {
    if (pattern == L"*.*")
        return true; // as on Windows: also names without a dot
    // Greedy match with one backtrack point per star, linear in practice.
    size_t n = 0, p = 0, starAt = std::wstring_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == L'*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::wstring_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool MatchesWildcard(const std::wstring& name, const std::wstring& pattern) {
    std::wstring_view rest = pattern;
    for (;;) {
        const size_t separator = rest.find(L';');
        std::wstring_view one = rest.substr(0, separator);
        while (!one.empty() && one.front() == L' ')
            one.remove_prefix(1);
        if (!one.empty() && MatchesOnePattern(name, one))
            return true;
        if (separator == std::wstring_view::npos)
            return false;
        rest.remove_prefix(separator + 1);
    }
}

std::wstring SystemErrorText(uint32_t code) {
    return Utf8ToWide(std::strerror(int(code)));
}

std::wstring ExecutablePath() {
    std::vector<char> path(4096);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            return L"";
        if (size_t(length) < path.size())
            return Utf8ToWide(std::string_view(path.data(), size_t(length)));
        path.resize(path.size() * 2);
    }
}

namespace {

// Closes a file descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now, with the answer close gives.
    bool Close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// The bytes of an INI file, read whole. A missing file reads as empty, with
// `exists` false. Anything but a regular file of at most kMaxIniFileBytes
// gives false: a pipe could keep the reader waiting, a device never end.
bool ReadIniBytes(const std::string& path, std::string& bytes, bool& exists, mode_t& mode) {
    bytes.clear();
    exists = false;
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (file.get() < 0)
        return errno == ENOENT;
    exists = true;
    struct stat status;
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        uint64_t(status.st_size) > kMaxIniFileBytes)
        return false;
    mode = status.st_mode;
    // Room for one byte more than the size tells a file that grew meanwhile.
    bytes.resize(size_t(status.st_size) + 1);
    size_t total = 0;
    for (;;) {
        if (total == bytes.size()) {
            if (total > kMaxIniFileBytes)
                return false;
            bytes.resize(std::min(2 * total, kMaxIniFileBytes + 1));
        }
        const ssize_t got = ::read(file.get(), bytes.data() + total, bytes.size() - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            break;
        total += size_t(got);
    }
    bytes.resize(total);
    return true;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(size_t(written));
    }
    return true;
}

// Puts `bytes` in place of the file at `path`: written beside it under a name
// of its own, then renamed over it, so that a failure half-way leaves the old
// file whole and two writers never share a half-written file.
bool ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode) {
    std::string temporary = path + ".XXXXXX";
    Descriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0)
        return false;
    const bool written =
        ::fchmod(file.get(), mode & 07777) == 0 && WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0;
    if (file.Close() && written && std::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

// Where the settings file really lives: a link is written through, not replaced.
std::string LinkTarget(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

} // namespace

IniFile::IniFile(const std::wstring& path) : path_(path) {
    std::string bytes;
    bool exists;
    mode_t mode;
    IniEncoding encoding;
    // A file that cannot be read whole has no values: the caller's defaults hold.
    if (ReadIniBytes(NativePath(path), bytes, exists, mode))
        text_ = DecodeIniBytes(bytes, encoding);
}

std::optional<std::wstring> IniFile::Value(const std::wstring& section, const std::wstring& key,
                                           size_t maxCharacters) const {
    std::optional<std::wstring> value = IniLookup(text_, section, key);
    if (value && value->size() > maxCharacters)
        value->resize(maxCharacters);
    return value;
}

bool WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value) {
    // A line break inside a value would split it into lines of its own.
    if (value.find_first_of(L"\r\n") != std::wstring::npos ||
        key.find_first_of(L"\r\n=[") != std::wstring::npos)
        return false;
    const std::string path = LinkTarget(NativePath(file));
    std::string bytes;
    bool exists;
    mode_t mode = 0;
    if (!ReadIniBytes(path, bytes, exists, mode))
        return false;
    if (exists && ::access(path.c_str(), W_OK) != 0)
        return false; // a read-only file stays as it is, though its folder would allow a new one
    if (!exists) {
        // The umask can only be read by setting it; settings are written on one thread.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // A new file starts as UTF-16 with a byte-order mark, as the Windows program starts it.
    IniEncoding encoding = IniEncoding::Utf16WithMark;
    const std::wstring text = exists ? DecodeIniBytes(bytes, encoding) : L"";
    return ReplaceFile(path, EncodeIniText(IniAssign(text, section, key, value), encoding), mode);
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
    if (fileTime > kMaxFileTime)
        return L"";
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
