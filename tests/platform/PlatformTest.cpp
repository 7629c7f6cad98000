// The platform layer, through the real system calls of whichever system runs
// the tests (Linux natively, Windows under Wine).
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <bit>
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vesk::test {
namespace {

// What the Windows shell writes for these sizes (StrFormatByteSizeW, English
// locale); the POSIX build imitates it.
constexpr struct {
    uint64_t byteCount;
    const char* text;
} kByteSizeTexts[] = {
    {0, "0 bytes"},
    {1023, "1023 bytes"},
    {1024, "1.00 KB"},
    {1536, "1.50 KB"},
    {10239, "9.99 KB"},
    {10240, "10.0 KB"},
    {102399, "99.9 KB"},
    {102400, "100 KB"},
    {1023999, "999 KB"},
    {1024000, "0.97 MB"},
    {1048576, "1.00 MB"},
    {104857600, "100 MB"},
    {1073741823, "0.99 GB"},
    {1152921504606846976, "1.00 EB"},
    {9223372036854775807, "7.99 EB"},
};

TEST(Platform, ByteSizeTextLikeTheShell) {
    for (const auto& c : kByteSizeTexts)
        EXPECT_EQ(WideToUtf8(platform::ByteSizeText(c.byteCount)), c.text) << c.byteCount;
}

// A file reads in chunks, then gives 0, moves whole to a new owner and tells
// its last write time; folders and missing files do not open, and nothing
// reads from them.
TEST(Platform, ReadOnlyFileReadsWholeFilesOnly) {
    ScratchDir dir;
    const std::vector<uint8_t> data = RandomBytes(100000, 2);
    const auto file = dir.Write("read.bin", data);
    platform::ReadOnlyFile first;
    ASSERT_TRUE(first.Open(WideOf(file)));
    platform::ReadOnlyFile reader = std::move(first);
    char byte;
    EXPECT_EQ(first.Read(&byte, 1), -1);
    uint64_t size = 0;
    ASSERT_TRUE(reader.Size(size));
    EXPECT_EQ(size, data.size());
    std::vector<uint8_t> back(2 * 65536);
    EXPECT_EQ(reader.Read(back.data(), 65536), 65536);
    EXPECT_EQ(reader.Read(back.data() + 65536, 65536), int64_t(data.size() - 65536));
    EXPECT_EQ(reader.Read(back.data(), 10), 0);
    back.resize(data.size());
    EXPECT_EQ(back, data);
    // The last write time in 100 ns units since 1601: now, give or take.
    uint64_t fileTime = 0;
    ASSERT_TRUE(reader.LastWriteTime(fileTime));
    const uint64_t unixSeconds = fileTime / 10000000 - 11644473600ull;
    const auto now = uint64_t(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count());
    EXPECT_LE(unixSeconds > now ? unixSeconds - now : now - unixSeconds, 600u);

    platform::ReadOnlyFile none;
    EXPECT_FALSE(none.Open(WideOf(dir.path())));
    EXPECT_FALSE(none.Open(WideOf(dir.path() / "missing.bin")));
    EXPECT_FALSE(none.Size(size));
    EXPECT_EQ(none.Read(&byte, 1), -1);
}

#ifdef _WIN32
// A file another program holds open for writing, sharing it, is read as it
// stands; one held with no sharing at all is not, and says why.
TEST(Platform, ReadOnlyFileOpensWhatOtherProgramsShare) {
    ScratchDir dir;
    const std::wstring path = WideOf(dir.Write("held.log", Bytes("written so far")));
    for (const DWORD sharing :
         {DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE), DWORD(FILE_SHARE_READ | FILE_SHARE_DELETE), DWORD(0)}) {
        const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, sharing, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        platform::ReadOnlyFile file;
        EXPECT_EQ(file.Open(path), sharing != 0) << sharing;
        if (sharing == 0) {
            EXPECT_FALSE(file.ErrorText().empty());
        }
        file.Close();
        CloseHandle(held);
    }
}
#endif

#ifndef _WIN32
// tmpfs keeps whatever time a program sets, however far from now.
TEST(Platform, LastWriteTimeFlagsTimesNoFileTimeHolds) {
    char name[] = "/dev/shm/vesk-time-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0)
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    close(fd);
    constexpr int64_t kEpoch = 11644473600; // seconds from 1601 to 1970
    const struct {
        int64_t unixSeconds;
        uint64_t fileTime;
    } cases[] = {
        {0, kEpoch * 10000000},
        {-kEpoch, 0},
        {int64_t(platform::kMaxFileTime / 10000000) - kEpoch, platform::kMaxFileTime / 10000000 * 10000000},
        {-kEpoch - 1, platform::kNoFileTime},
        {int64_t(platform::kMaxFileTime / 10000000) - kEpoch + 1, platform::kNoFileTime},
        {2199023255552, platform::kNoFileTime},
        {INT64_MAX, platform::kNoFileTime},
        {INT64_MIN, platform::kNoFileTime},
    };
    for (const auto& c : cases) {
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(c.unixSeconds), 0}};
        struct stat status;
        if (utimensat(AT_FDCWD, name, times, 0) != 0 || stat(name, &status) != 0 ||
            status.st_mtim.tv_sec != c.unixSeconds) {
            ADD_FAILURE() << "/dev/shm does not keep the time " << c.unixSeconds;
            continue;
        }
        platform::ReadOnlyFile file;
        ASSERT_TRUE(file.Open(Utf8ToWide(name)));
        uint64_t fileTime = 0;
        EXPECT_EQ(file.LastWriteTime(fileTime), c.fileTime != platform::kNoFileTime) << c.unixSeconds;
        EXPECT_EQ(fileTime, c.fileTime) << c.unixSeconds;
    }
    unlink(name);
}
#endif

TEST(Platform, UsableProcessorsFollowTheAffinity) {
#ifdef _WIN32
    DWORD_PTR process = 0, system = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &process, &system));
    EXPECT_EQ(platform::UsableProcessorCount(), uint32_t(std::popcount(uint64_t(process))));
    if (!SetProcessAffinityMask(GetCurrentProcess(), process & (~process + 1)))
        GTEST_SKIP() << "the affinity cannot be set here";
    EXPECT_EQ(platform::UsableProcessorCount(), 1u);
    SetProcessAffinityMask(GetCurrentProcess(), process);
#else
    cpu_set_t allowed;
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    EXPECT_EQ(platform::UsableProcessorCount(), uint32_t(CPU_COUNT(&allowed)));
    int first = 0;
    while (!CPU_ISSET(first, &allowed))
        ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
    EXPECT_EQ(platform::UsableProcessorCount(), 1u);
    sched_setaffinity(0, sizeof allowed, &allowed);
#endif
}

TEST(Platform, DateTimeTextDropsMidnightAndSecondsAndStopsAtTheLastFileTime) {
    // Local midnight and 00:00:30 of one day, found through the system's own
    // local time so that the test holds in any time zone.
    const std::wstring noon = platform::DateTimeText(133548696000000000ull); // 2024-03-15 12:00:00 UTC
    ASSERT_FALSE(noon.empty());
    const size_t space = noon.find(L' ');
    ASSERT_NE(space, std::wstring::npos) << WideToUtf8(noon);
    EXPECT_EQ(noon.find(L":00:00"), std::wstring::npos) << "seconds shown: " << WideToUtf8(noon);
    // Scan the surrounding two days in whole minutes for the one local midnight.
    int midnights = 0;
    for (uint64_t minute = 0; minute < 2 * 24 * 60; ++minute) {
        const uint64_t t = 133548696000000000ull - 24ull * 3600 * 10000000 + minute * 60 * 10000000;
        const std::wstring text = platform::DateTimeText(t);
        if (text.find(L' ') == std::wstring::npos && text.find(L':') == std::wstring::npos) {
            ++midnights;
            // Thirty seconds later the time shows, with the same minute as midnight.
            const std::wstring later = platform::DateTimeText(t + 30ull * 10000000);
            EXPECT_EQ(later.substr(0, text.size()), text);
            EXPECT_GT(later.size(), text.size());
        }
    }
    EXPECT_EQ(midnights, 2);
    // Nothing beyond the last file time.
    EXPECT_FALSE(platform::DateTimeText(platform::kMaxFileTime - 2 * 86400 * 10000000ull).empty());
    EXPECT_EQ(platform::DateTimeText(platform::kMaxFileTime + 1), L"");
    EXPECT_EQ(platform::DateTimeText(platform::kNoFileTime), L"");
}

} // namespace
} // namespace vesk::test
