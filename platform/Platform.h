// The operating-system seam: everything outside ui/ that touches the OS goes
// through here. One implementation per system: Platform_win32.cpp on Windows,
// Platform_posix.cpp elsewhere.
#pragma once

#include <cstdint>
#include <string>

namespace vesk::platform {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// An existing file opened for reading, shared with other readers but not with
// writers (where the system can refuse writers). Folders are not opened.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool Open(const std::wstring& path);
    bool IsOpen() const;
    void Close();

    bool Size(uint64_t& byteCount) const;
    // 100-nanosecond units since 1601-01-01 UTC.
    bool LastWriteTime(uint64_t& fileTime) const;
    // Reads up to `byteCount` bytes: the number read, 0 at the end, -1 on error.
    int64_t Read(void* buffer, size_t byteCount);

private:
    intptr_t handle_ = -1;
};

// The size as the shell writes it: "0 bytes", "1.50 KB", "3.14 GB".
std::wstring ByteSizeText(uint64_t byteCount);

// The local short date and the time without seconds; the date alone at exactly
// local midnight.
std::wstring DateTimeText(uint64_t fileTime);

} // namespace vesk::platform
