// The operating-system seam: everything outside ui/ that touches the OS goes
// through here. One implementation per system: Platform_win32.cpp on Windows,
// Platform_posix.cpp elsewhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vesk::platform {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
#else
inline constexpr wchar_t kPathSeparator = L'/';
#endif

// File times count 100-nanosecond units since 1601-01-01 UTC. The last one a
// date text can show (year 30828), and the value that stands for a time
// outside that range.
inline constexpr uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFF;
inline constexpr uint64_t kNoFileTime = ~uint64_t{0};

#ifdef _WIN32
// Paths of MAX_PATH characters or more reach the file functions only in their
// "\\?\" form, which takes a full path with backslashes; shorter ones as given.
std::wstring LongPathForm(const std::wstring& path);
#endif

// An existing file opened for reading, shared with every other reader and
// writer the system allows. Folders are not opened.
class ReadOnlyFile {
public:
    ReadOnlyFile() = default;
    ~ReadOnlyFile();
    ReadOnlyFile(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile& operator=(ReadOnlyFile&& other) noexcept;
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool Open(const std::wstring& path);
    void Close();

    // The size and the last write as they stood when the file was opened
    // (POSIX reads both with the open; Windows asks when called).
    bool Size(uint64_t& byteCount) const;
    // The file time of the last write. False, with kNoFileTime, when it cannot
    // be read or lies before 1601 or after kMaxFileTime.
    bool LastWriteTime(uint64_t& fileTime) const;
    // Reads up to `byteCount` bytes: the number read, fewer only at the end of
    // the file, 0 at the end, -1 on error (bytes read before the error are lost).
    int64_t Read(void* buffer, size_t byteCount);

    // Why the last operation failed, in the system's words.
    std::wstring ErrorText() const;

private:
    intptr_t handle_ = -1;
    mutable uint32_t error_ = 0;
#ifndef _WIN32
    // From the status read by Open: one system call serves the open, the size and the date.
    uint64_t openedSize_ = 0;
    uint64_t openedWriteTime_ = kNoFileTime;
#endif
};

// How many processors this process may run on (its affinity, which may be
// fewer than the machine has), at least 1.
uint32_t UsableProcessorCount();

// What a path leads to; Other is a pipe, a socket or a device, which only
// gives data when something writes to it.
enum class PathKind { Missing, File, Folder, Other };

// What is at `path`, following links: a folder link counts as a folder.
PathKind QueryPathKind(const std::wstring& path);

// Whether the path's name alone makes it a device: on Windows the reserved
// names with any extension (CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9:
// "aux.txt", "C:\x\com1") and "\\.\" paths; never elsewhere, where
// QueryPathKind tells.
bool NamesDevice(const std::wstring& path);

// Whether the disk that holds the file pays for each seek (a rotating disk):
// two files read there in interleaved pieces would make it seek between
// them. False when the system does not say, or for memory and network file
// systems. Answers are kept per disk.
bool DiskSeeksSlowly(const std::wstring& path);

struct FolderEntry {
    std::wstring name;
    PathKind kind = PathKind::File; // links followed: Missing for a link to nothing
};

// What FolderEnumerator::Next found: an entry, the end of the listing, or a
// failure part-way through it.
enum class FolderStep { Entry, End, Failed };

// The entries of one folder in the order the file system gives them, "." and
// ".." included.
class FolderEnumerator {
public:
    FolderEnumerator() = default;
    ~FolderEnumerator();
    FolderEnumerator(const FolderEnumerator&) = delete;
    FolderEnumerator& operator=(const FolderEnumerator&) = delete;

    // `folder` ends with a path separator.
    bool Open(const std::wstring& folder);
    FolderStep Next(FolderEntry& entry);
    // Why Open or Next failed, in the system's words.
    std::wstring ErrorText() const;

private:
    std::wstring folder_;
    intptr_t handle_ = -1;
    uint32_t error_ = 0;
    bool pending_ = false; // Windows: the first entry came with the open
    FolderEntry first_;
};

// Which folder a path names, whatever link led there: two paths with equal
// identities are one folder.
struct FolderIdentity {
    uint64_t volume = 0;
    uint64_t file = 0;
    bool operator==(const FolderIdentity&) const = default;
};
bool QueryFolderIdentity(const std::wstring& folder, FolderIdentity& identity);

// A file name against a wildcard: "*" any run of characters, "?" one
// character, letters compared without regard to case; several patterns may be
// separated by ";".
bool MatchesWildcard(const std::wstring& name, const std::wstring& pattern);

// A system error code (errno, or GetLastError on Windows) in the system's words.
std::wstring SystemErrorText(uint32_t code);

// The running program's own full path.
std::wstring ExecutablePath();

// The largest INI file the POSIX build reads, far above any real settings file.
inline constexpr size_t kMaxIniFileBytes = 1 << 20;

// An INI file as it stood when this was made: its values come from that one
// reading. On Windows the system's profile functions read each value. On
// POSIX only a regular file of at most kMaxIniFileBytes is read; any other
// file reads as one without values.
class IniFile {
public:
    explicit IniFile(const std::wstring& path);

    // At most `maxCharacters` characters of one value, or nothing when the
    // file, the section or the key is missing.
    std::optional<std::wstring> Value(const std::wstring& section, const std::wstring& key,
                                      size_t maxCharacters) const;

private:
    std::wstring path_;
    std::wstring text_; // POSIX: the file's text
};

// Writes one value, creating the file and the section as needed and keeping
// the file's encoding. False, with the file left as it was, when the file
// exists but cannot be read whole or written.
bool WriteIniValue(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                   const std::wstring& value);

// The size as the shell writes it: "0 bytes", "1.50 KB", "3.14 GB".
std::wstring ByteSizeText(uint64_t byteCount);

// The local short date and the time without seconds; the date alone at exactly
// local midnight. Empty for a time after kMaxFileTime, kNoFileTime included.
std::wstring DateTimeText(uint64_t fileTime);

// Two texts in the user's sort order, letter case ignored: negative, 0 or
// positive.
int CompareTextIgnoringCase(const std::wstring& a, const std::wstring& b);

} // namespace vesk::platform
