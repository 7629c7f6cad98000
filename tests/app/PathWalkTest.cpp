#include "app/PathWalk.h"
#include "core/HelperThreads.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <future>
#include <thread>
#endif

namespace vesk::test {
namespace {

// Keeps the path of every file the job hashed, in order, and calls
// `beforeResult` (with the count so far) before it takes each one.
class PathSink : public ResultSink {
public:
    std::vector<std::wstring> hashed;
    std::vector<std::wstring> failures;
    int reveals = 0;
    std::function<void(size_t)> beforeResult;

    void AddResult(const FileResult& result) override {
        if (beforeResult)
            beforeResult(hashed.size());
        hashed.push_back(result.record->path);
    }
    void RevealLast() override { ++reveals; }
    void ReportFailure(const std::wstring& path, const std::wstring&) override { failures.push_back(path); }
};

// root: a.txt b.doc .hidden.txt sub1/{c.txt deeper/{d.txt deepest/e.txt}} other.dir/f.txt empty/
class PathWalkTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::filesystem::path root = dir.path() / "root";
    ViewState view;
    PathSink sink;
    HashTarget target{view, sink};

    void SetUp() override {
        for (const char* file : {"a.txt", "b.doc", ".hidden.txt", "sub1/c.txt", "sub1/deeper/d.txt",
                                 "sub1/deeper/deepest/e.txt", "other.dir/f.txt"})
            dir.Write(std::string("root/") + file, Bytes(file));
        std::filesystem::create_directories(root / "empty");
    }

    // The hashed files relative to root, with "/" between names.
    std::set<std::string> Hashed() const {
        std::set<std::string> names;
        const std::string prefix = (root.string() + char(platform::kPathSeparator));
        for (const std::wstring& path : sink.hashed) {
            std::string name = WideToUtf8(path);
            EXPECT_TRUE(name.starts_with(prefix)) << name;
            name.erase(0, prefix.size());
            for (char& c : name)
                if (c == char(platform::kPathSeparator))
                    c = '/';
            names.insert(name);
        }
        EXPECT_EQ(names.size(), sink.hashed.size()) << "a file was hashed twice";
        return names;
    }
};

TEST_F(PathWalkTest, DepthRulesChooseTheLevels) {
    using Names = std::set<std::string>;
    const struct {
        ScanFlags flags;
        const wchar_t* wildcard;
        Names expected;
    } cases[] = {
        {0, L"*", {"a.txt", "b.doc", ".hidden.txt"}},
        {1, L"*", {"a.txt", "b.doc", ".hidden.txt", "sub1/c.txt", "other.dir/f.txt"}},
        {kScanEveryLevel,
         L"*",
         {"a.txt", "b.doc", ".hidden.txt", "sub1/c.txt", "sub1/deeper/d.txt", "sub1/deeper/deepest/e.txt",
          "other.dir/f.txt"}},
        {kScanOnlyLevel | 2, L"*", {"sub1/deeper/d.txt"}},
        {kScanOnlyLevel | 0, L"*", {"a.txt", "b.doc", ".hidden.txt"}},
        {kScanEveryLevel,
         L"*.TXT",
         {"a.txt", ".hidden.txt", "sub1/c.txt", "sub1/deeper/d.txt", "sub1/deeper/deepest/e.txt",
          "other.dir/f.txt"}},
        {kScanEveryLevel, L"?.doc", {"b.doc"}},
        {kScanEveryLevel, L"*.dir", {}}, // folder names are never matched, only entered
    };
    for (const auto& c : cases) {
        sink.hashed.clear();
        ScanFolder(WideOf(root), c.wildcard, c.flags, target);
        EXPECT_EQ(Hashed(), c.expected) << "flags " << std::hex << c.flags << " " << WideToUtf8(c.wildcard);
    }
}

// A stop ends the walk at its file, and the walk after it runs whole; with
// helper threads the files still come in the walk's order.
TEST_F(PathWalkTest, StopEndsTheWalkAndFilesHashedAtOnceKeepTheWalkOrder) {
    for (int i = 0; i < 100; ++i)
        dir.Write("root/sub1/many/m" + std::to_string(i), RandomBytes(size_t(i) * 301 % 4000, uint64_t(i)));
    std::vector<std::wstring> oneThread;
    for (const uint32_t threads : {1u, 4u}) {
        SetHashThreadCount(threads);
        PathSink stopping;
        stopping.beforeResult = [](size_t count) {
            if (count == 2)
                StopRunningJobs();
        };
        ScanFolder(WideOf(root), L"*", kScanEveryLevel, {view, stopping});
        EXPECT_EQ(stopping.hashed.size(), 3u) << threads << " threads";
        EXPECT_TRUE(stopping.failures.empty());

        PathSink whole; // made after the stop
        ScanFolder(WideOf(root), L"*", kScanEveryLevel, {view, whole});
        if (oneThread.empty())
            oneThread = whole.hashed;
        EXPECT_EQ(whole.hashed, oneThread) << threads << " threads";
    }
    SetHashThreadCount(0);
    ASSERT_EQ(oneThread.size(), 107u);
    // A subfolder is walked wholly when it is met: sub1's files come one after another.
    std::vector<size_t> inSub1;
    for (size_t i = 0; i < oneThread.size(); ++i)
        if (WideToUtf8(oneThread[i]).find("sub1") != std::string::npos)
            inSub1.push_back(i);
    EXPECT_EQ(inSub1.back() - inSub1.front() + 1, inSub1.size());
}

TEST_F(PathWalkTest, AddPathTellsFilesFromFolders) {
    AddPath(WideOf(root / "a.txt"), kScanEveryLevel, target);
    AddPath(WideOf(root / "sub1"), 0, target);
    AddPath(WideOf(root) + platform::kPathSeparator, 0, target); // a closing separator is no harm
    EXPECT_EQ(sink.hashed.size(), 1u + 1u + 3u);
    EXPECT_EQ(sink.reveals, 5 + 2); // one per hashed file, one per walk
}

TEST_F(PathWalkTest, MissingAndEmptyPathsGiveNoResult) {
    AddPath(WideOf(root / "nothing.bin"), 0, target);
    EXPECT_TRUE(sink.hashed.empty());
    EXPECT_EQ(sink.failures.size(), 1u);
    ScanFolder(WideOf(root / "empty"), L"*", kScanEveryLevel, target);
    EXPECT_TRUE(sink.hashed.empty());
    EXPECT_EQ(sink.reveals, 1); // the list's last row is shown all the same
    ScanFolder(WideOf(root / "a.txt"), L"*", kScanEveryLevel, target); // not a folder
    EXPECT_TRUE(sink.hashed.empty());
}

TEST_F(PathWalkTest, PathsBeyond260CharactersAreWalkedWhole) {
    std::filesystem::path deep = root;
    for (int i = 0; i < 7; ++i)
        deep /= std::string(40, char('k' + i));
#ifdef _WIN32
    // The Windows file functions take such paths only in their "\\?\" form.
    std::filesystem::create_directories(L"\\\\?\\" + deep.wstring());
    const std::wstring file = L"\\\\?\\" + (deep / "long.txt").wstring();
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written;
    WriteFile(h, "abc", 3, &written, nullptr);
    CloseHandle(h);
#else
    std::filesystem::create_directories(deep);
    dir.Write((deep / "long.txt").lexically_relative(dir.path()).string(), Bytes("abc"));
#endif
    ASSERT_GT((deep / "long.txt").string().size(), 300u);
    ScanFolder(WideOf(root), L"long.txt", kScanEveryLevel, target);
    ASSERT_EQ(sink.hashed.size(), 1u);
    EXPECT_EQ(sink.hashed[0], WideOf(deep / "long.txt"));
    EXPECT_TRUE(sink.failures.empty());
#ifdef _WIN32
    std::error_code ignored;
    std::filesystem::remove_all(L"\\\\?\\" + root.wstring(), ignored);
#endif
}

bool MakeFolderLink(const std::filesystem::path& link, const std::filesystem::path& to) {
#ifdef _WIN32
    return CreateSymbolicLinkW(link.c_str(), to.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != 0;
#else
    return symlink(to.c_str(), link.c_str()) == 0;
#endif
}

TEST_F(PathWalkTest, FolderLinkCycleEnds) {
    // sub1/deeper/up leads back to root; other.dir/side leads across to sub1.
    // (Wine reports success for a folder link but makes none.)
    if (!MakeFolderLink(root / "sub1" / "deeper" / "up", root) ||
        !MakeFolderLink(root / "other.dir" / "side", root / "sub1") ||
        platform::QueryPathKind(WideOf(root / "other.dir" / "side")) != platform::PathKind::Folder)
        GTEST_SKIP() << "this system makes no folder links";
    ScanFolder(WideOf(root), L"*", kScanEveryLevel, target);
    // Every file once by its own path, and sub1's files once more through the
    // side link, whose walk stops again at the link back up to root.
    std::multiset<std::string> names;
    for (const std::wstring& path : sink.hashed)
        names.insert(std::filesystem::path(WideToUtf8(path)).filename().string());
    EXPECT_EQ(names.count("a.txt"), 1u);
    EXPECT_EQ(names.count("c.txt"), 2u);
    EXPECT_EQ(names.count("e.txt"), 2u);
    EXPECT_EQ(sink.hashed.size(), 7u + 3u);
}

#ifndef _WIN32
TEST_F(PathWalkTest, EntryThatVanishedIsReportedAndTheWalkGoesOn) {
    // A link to nothing lists like a file that is gone by the time it is opened.
    ASSERT_EQ(symlink((root / "gone").c_str(), (root / "sub1" / "vanished.txt").c_str()), 0);
    ScanFolder(WideOf(root), L"*", kScanEveryLevel, target);
    EXPECT_EQ(sink.hashed.size(), 7u);
    ASSERT_EQ(sink.failures.size(), 1u);
    EXPECT_EQ(sink.failures[0], WideOf(root / "sub1" / "vanished.txt"));
}

// A walk that opened a pipe would wait for a writer: if it has not ended in
// time, each pipe gets one, so that the test fails instead of hanging.
TEST_F(PathWalkTest, PipesInAFolderArePassedOverAndOneNamedIsRead) {
    const std::filesystem::path pipes[] = {root / "pipe", root / "sub1" / "pipe.txt"};
    for (const auto& pipe : pipes)
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    auto walk =
        std::async(std::launch::async, [&] { ScanFolder(WideOf(root), L"*", kScanEveryLevel, target); });
    if (walk.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        ADD_FAILURE() << "the walk waits on a pipe";
        for (const auto& pipe : pipes)
            close(open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
    }
    walk.get();
    EXPECT_EQ(sink.hashed.size(), 7u);
    EXPECT_TRUE(sink.failures.empty());

    sink.hashed.clear();
    std::thread writer([&] { std::ofstream(pipes[0]) << "abc"; });
    AddPath(WideOf(pipes[0]), 0, target);
    writer.join();
    EXPECT_EQ(sink.hashed, std::vector<std::wstring>{WideOf(pipes[0])});
}

// Makes every later folder read of this process fail with EIO.
void FailFolderReadsFromNowOn() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_getdents64, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{std::size(filter), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        _exit(77); // this system lets no filter in
}

// A folder too big for one read of its entries, whose second read fails: in a
// child process, since the failure cannot be undone.
TEST_F(PathWalkTest, ListingThatFailsPartWayIsReportedAfterItsFiles) {
    constexpr int kFileCount = 1500;
    for (int i = 0; i < kFileCount; ++i)
        dir.Write("big/file-" + std::to_string(10000 + i), {});
    // The child's status tells which check failed, if any.
    const pid_t child = fork();
    if (child == 0) {
        // The parent's helper threads do not exist in the child: hash on this one.
        SetHashThreadCount(1);
        PathSink failing;
        failing.beforeResult = [](size_t count) {
            if (count == 0)
                FailFolderReadsFromNowOn();
        };
        ScanFolder(WideOf(dir.path() / "big"), L"*", 0, {view, failing});
        if (failing.hashed.empty() || failing.hashed.size() == size_t(kFileCount))
            _exit(1); // no files before the failure, or no failure
        _exit(!failing.failures.empty() && failing.failures.back() == WideOf(dir.path() / "big") ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no system-call filter here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
}

TEST_F(PathWalkTest, UnreadableSubfolderIsReportedAndSkipped) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop the superuser";
    std::filesystem::permissions(root / "sub1", std::filesystem::perms::none);
    ScanFolder(WideOf(root), L"*", kScanEveryLevel, target);
    std::filesystem::permissions(root / "sub1", std::filesystem::perms::owner_all);
    EXPECT_EQ(sink.hashed.size(), 4u);
    EXPECT_EQ(sink.failures.size(), 1u);
}
#endif

} // namespace
} // namespace vesk::test
