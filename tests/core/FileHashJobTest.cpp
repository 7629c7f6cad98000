#include "core/FileHashJob.h"
#include "core/HelperThreads.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vesk::test {
namespace {

// Writes down every call the job makes, one line each (a result with its
// values), so that two runs can be compared whole, and keeps the results.
class RecordingSink : public ResultSink {
public:
    std::vector<std::string> log;
    std::vector<uint32_t> progress;
    std::vector<FileResult> results;
    std::function<void()> onAsk;
    std::function<void()> onProgress;
    size_t stopAfterResults = SIZE_MAX;

    void ProgressBegin() override { log.push_back("begin"); }
    void ProgressSet(uint32_t percent) override {
        log.push_back("set " + std::to_string(percent));
        progress.push_back(percent);
        if (onProgress)
            onProgress();
    }
    void ProgressEnd() override { log.push_back("end"); }
    void AskForSelection() override {
        log.push_back("ask");
        if (onAsk)
            onAsk();
    }
    void AddResult(const FileResult& result) override {
        std::string line = "result " + WideToUtf8(result.displayName);
        for (const ResultValue& value : result.values)
            line += " " + WideToUtf8(value.text);
        log.push_back(line);
        results.push_back(result);
        if (--stopAfterResults == 0)
            StopRunningJobs();
    }
    void RevealLast() override { log.push_back("reveal"); }
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override {
        log.push_back("failure " + WideToUtf8(path) + ": " + WideToUtf8(reason));
    }

    bool HasFailure() const {
        return std::any_of(log.begin(), log.end(),
                           [](const std::string& e) { return e.starts_with("failure "); });
    }
};

void SelectOnly(ViewState& view, std::initializer_list<ColumnId> ids) {
    for (int p = 3; p < int(kColumnCount); ++p)
        view.columns.Set(p, WithShown(view.columns.Get(p), false));
    ShowColumns(view, ids);
}

// Every job in the scope counts on this many threads.
class ScopedThreadCount {
public:
    explicit ScopedThreadCount(uint32_t threadCount) { SetHashThreadCount(threadCount); }
    ~ScopedThreadCount() { SetHashThreadCount(0); }
};

// One thread, as on a single processor or under `taskset -c 0`, and more
// threads than this machine may have.
constexpr uint32_t kThreadCounts[] = {1, 2, 5};

// The texts the default selection should show for `data`, after `leading`
// (the Size and Date Modified texts, where shown).
std::vector<std::string> ExpectedDigests(std::span<const uint8_t> data, std::vector<std::string> leading = {},
                                         bool uppercase = false) {
    for (AlgorithmId id : kDefaultAlgorithms) {
        const std::string digest = DigestHex(AlgorithmById(id), data);
        leading.push_back(uppercase ? Upper(digest) : digest);
    }
    return leading;
}

// What hashing `path` tells a sink that does nothing else.
RecordingSink Hashed(const std::wstring& path, const ViewState& view = ViewState()) {
    RecordingSink sink;
    HashFile(path, view, sink);
    return sink;
}

// The texts of the only result's values.
std::vector<std::string> Cells(const RecordingSink& sink) {
    std::vector<std::string> cells;
    if (sink.results.size() != 1) {
        ADD_FAILURE() << sink.results.size() << " results";
        return cells;
    }
    for (const ResultValue& value : sink.results[0].values)
        cells.push_back(WideToUtf8(value.text));
    return cells;
}

// An empty file reads nothing, so it shows no progress either.
TEST(FileHashJob, OneResultWithSizeDateThenAlgorithmsInIdOrder) {
    ScratchDir dir;
    for (const size_t size : {3000, 0}) {
        const std::vector<uint8_t> data = RandomBytes(size, 11);
        const auto file = dir.Write("data.bin", data);
        ViewState view;
        ShowColumns(view, {kSizeColumnId, kDateModifiedColumnId});
        const RecordingSink sink = Hashed(WideOf(file), view);

        ASSERT_EQ(sink.results.size(), 1u);
        const FileRecord& record = *sink.results[0].record;
        EXPECT_EQ(record.size, size);
        EXPECT_EQ(record.path, WideOf(file));
        EXPECT_GT(record.lastWriteTime, 0u);
        std::vector<ColumnId> ids;
        for (const ResultValue& value : sink.results[0].values)
            ids.push_back(value.id);
        EXPECT_EQ(ids, (std::vector<ColumnId>{kSizeColumnId, kDateModifiedColumnId, kCrc32Id, kMd5Id, kSha1Id,
                                              kSha256Id}));
        std::string result = "result data.bin";
        for (const std::string& cell :
             ExpectedDigests(data, {WideToUtf8(platform::ByteSizeText(size)),
                                    WideToUtf8(platform::DateTimeText(record.lastWriteTime))}))
            result += " " + cell;
        std::vector<std::string> expected = {"begin", "set 100", "end", result, "reveal"};
        if (size == 0)
            expected.erase(expected.begin() + 1);
        EXPECT_EQ(sink.log, expected);
    }
}

// A stop during the reading ends the file at its next piece: no result, no
// failure, and the bar closed. A job started after the stop runs as usual.
TEST(FileHashJob, ProgressOncePerChunkNeverAbove100AndStopAtTheNextPiece) {
    ScratchDir dir;
    const std::vector<uint8_t> data = RandomBytes(3 * kReadChunkBytes + 1, 5);
    const struct {
        size_t byteCount;
        std::vector<uint32_t> progress;
    } cases[] = {
        {kReadChunkBytes, {100}},
        {kReadChunkBytes - 1, {100}},
        {kReadChunkBytes + 1, {99, 100}},
        {3 * kReadChunkBytes + 1, {33, 66, 99, 100}},
    };
    for (const uint32_t threads : kThreadCounts) {
        ScopedThreadCount scope(threads);
        for (const auto& c : cases) {
            const auto file = dir.Write("p" + std::to_string(c.byteCount), {data.data(), c.byteCount});
            const RecordingSink sink = Hashed(WideOf(file));
            EXPECT_EQ(sink.progress, c.progress) << c.byteCount << " bytes, " << threads << " threads";
            EXPECT_EQ(Cells(sink), ExpectedDigests({data.data(), c.byteCount})) << c.byteCount;
        }
        const auto file = dir.Write("large", data);
        ViewState view;
        RecordingSink stopped;
        stopped.onProgress = [] { StopRunningJobs(); };
        HashFile(WideOf(file), view, stopped);
        EXPECT_EQ(stopped.log, (std::vector<std::string>{"begin", "set 33", "end"})) << threads << " threads";
        HashFile(WideOf(file), view, stopped);
        EXPECT_EQ(stopped.log.size(), 3u) << "a stopped sink starts nothing";

        EXPECT_EQ(Cells(Hashed(WideOf(file))), ExpectedDigests(data)) << threads << " threads";
    }
}

TEST(FileHashJob, UppercaseAndFullPathFollowViewFlags) {
    ScratchDir dir;
    const auto file = dir.Write("Name.TXT", Bytes("abc"));
    const std::wstring path = WideOf(file);
    ViewState view;
    view.viewFlags = kViewSheet | kViewFullPath | kViewUppercase;
    const RecordingSink sink = Hashed(path, view);
    ASSERT_EQ(sink.results.size(), 1u);
    EXPECT_EQ(sink.results[0].displayName, path);
    EXPECT_EQ(Cells(sink), ExpectedDigests(Bytes("abc"), {}, true));

    EXPECT_EQ(DisplayName(path, false), L"Name.TXT");
    EXPECT_EQ(DisplayName(L"bare-name", false), L"bare-name");
    EXPECT_EQ(DisplayName(L"bare-name", true), L"bare-name");
}

TEST(FileHashJob, MissingFolderAndVanishedPathsAreReportedWithoutResult) {
    ScratchDir dir;
    const auto gone = dir.Write("gone.txt", Bytes("abc"));
    std::filesystem::remove(gone);
    for (const std::filesystem::path& path : {gone, dir.path(), dir.path() / "never" / "there.bin"}) {
        const RecordingSink sink = Hashed(WideOf(path));
        EXPECT_TRUE(sink.results.empty()) << path;
        EXPECT_TRUE(sink.HasFailure()) << path;
    }
}

#ifndef _WIN32
TEST(FileHashJob, ReadErrorIsReportedWithoutResult) {
    // Reading a process's own memory at offset 0 fails at once: the open and
    // the size work, the first read does not.
    const RecordingSink sink = Hashed(L"/proc/self/mem");
    EXPECT_TRUE(sink.results.empty());
    ASSERT_EQ(sink.log.size(), 3u);
    EXPECT_EQ(sink.log[0], "begin");
    EXPECT_TRUE(sink.log[1].starts_with("failure /proc/self/mem: ")) << sink.log[1];
    EXPECT_EQ(sink.log[2], "end");
}

// Windows refuses writers while the job reads, so a file can change under
// the job only where the system allows it.
// A file that shrinks gives no result; one that grows is hashed to its end,
// with the size hashed.
TEST(FileHashJob, FileThatChangesWhileRead) {
    ScratchDir dir;
    const std::vector<uint8_t> data = RandomBytes(2 * kReadChunkBytes + 7, 22);
    for (const uint32_t threads : kThreadCounts) {
        ScopedThreadCount scope(threads);
        const auto shrinks = dir.Write("shrinks.bin", data);
        RecordingSink shrunk;
        shrunk.onProgress = [&] {
            std::filesystem::resize_file(shrinks, kReadChunkBytes + kReadChunkBytes / 2);
        };
        HashFile(WideOf(shrinks), ViewState(), shrunk);
        EXPECT_TRUE(shrunk.results.empty());
        EXPECT_EQ(std::count(shrunk.log.begin(), shrunk.log.end(),
                             "failure " + shrinks.string() + ": file changed while it was read"),
                  1)
            << threads;

        const auto file = dir.Write("grows.bin", {data.data(), kReadChunkBytes + 3});
        ViewState view;
        ShowColumns(view, {kSizeColumnId});
        RecordingSink sink;
        bool grown = false;
        sink.onProgress = [&] {
            if (!grown)
                dir.Write("grows.bin", data);
            grown = true;
        };
        HashFile(WideOf(file), view, sink);
        ASSERT_EQ(sink.results.size(), 1u) << threads;
        EXPECT_EQ(sink.results[0].record->size, data.size());
        EXPECT_EQ(sink.progress, (std::vector<uint32_t>{99, 100, 100}));
        EXPECT_EQ(Cells(sink), ExpectedDigests(data, {WideToUtf8(platform::ByteSizeText(data.size()))}));
    }
}

TEST(FileHashJob, PipeIsReadToItsEndWithProgressCappedAt100) {
    // A pipe reports size 0 and then delivers data.
    ScratchDir dir;
    const auto fifo = dir.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<uint8_t> data = RandomBytes(kReadChunkBytes + 100, 9);
    std::thread writer([&] { dir.Write("pipe", data); });
    const RecordingSink sink = Hashed(WideOf(fifo));
    writer.join();
    EXPECT_EQ(Cells(sink), ExpectedDigests(data));
    EXPECT_EQ(sink.results.at(0).record->size, data.size());
    for (uint32_t percent : sink.progress)
        EXPECT_EQ(percent, 100u);
}
#endif

// Nothing selected: the job asks once, then hashes the new choice. A choice
// changed while a file is read leaves that file with the one it started with.
TEST(FileHashJob, TheSelectionAtTheStartOfAFileCounts) {
    ScratchDir dir;
    const auto file = dir.Write("a.txt", Bytes("abc"));
    ViewState view;
    SelectOnly(view, {});
    EXPECT_EQ(Hashed(WideOf(file), view).log, (std::vector<std::string>{"ask"}));

    RecordingSink chooser;
    chooser.onAsk = [&] { ShowColumns(view, {kCrc32Id}); };
    HashFile(WideOf(file), view, chooser);
    EXPECT_EQ(chooser.log.front(), "ask");
    EXPECT_EQ(Cells(chooser), (std::vector<std::string>{"352441c2"}));

    const std::vector<uint8_t> data = RandomBytes(2 * kReadChunkBytes, 3);
    const auto large = dir.Write("b.bin", data);
    ViewState defaults;
    RecordingSink changed;
    changed.onProgress = [&] {
        SelectOnly(defaults, {0, 33, 37});
        ShowColumns(defaults, {kSizeColumnId});
    };
    HashFile(WideOf(large), defaults, changed);
    EXPECT_EQ(Cells(changed), ExpectedDigests(data));
}

// Small files, empty ones, files just above and below the size at which a
// file's algorithms are split, missing files and failures in between.
std::vector<std::wstring> MixedFiles(const ScratchDir& dir) {
    constexpr size_t kSizes[] = {
        1000, 0, 1, kSplitFileBytes, kSplitFileBytes + 1, 64, 3 * kReadChunkBytes + 5};
    const std::vector<uint8_t> data = RandomBytes(3 * kReadChunkBytes + 5, 31);
    std::vector<std::wstring> paths;
    for (size_t i = 0; i < 120; ++i) {
        const size_t size = i % 11 == 3 ? kSizes[i / 11 % std::size(kSizes)] : i * 37 % 3000;
        paths.push_back(WideOf(dir.Write("f" + std::to_string(i), {data.data(), size})));
        if (i % 29 == 5)
            paths.push_back(WideOf(dir.path() / ("missing" + std::to_string(i))));
    }
    return paths;
}

// Runs the paths through a queue; "!" before a path adds it as a failure.
std::vector<std::string> QueueLog(const std::vector<std::wstring>& paths, ViewState& view, uint32_t threads,
                                  std::function<void()> onAsk = {}, size_t stopAfterResults = SIZE_MAX) {
    ScopedThreadCount scope(threads);
    RecordingSink sink;
    sink.onAsk = std::move(onAsk);
    sink.stopAfterResults = stopAfterResults;
    FileHashQueue queue(view, sink);
    for (const std::wstring& path : paths) {
        if (path.starts_with(L"!"))
            queue.AddFailure(path.substr(1), L"cannot be listed");
        else
            queue.Add(path);
    }
    queue.Finish();
    return sink.log;
}

// A log without its progress sets: how many a file a helper reads shows, and
// which, depends on when the caller looked.
std::vector<std::string> WithoutSets(const std::vector<std::string>& log) {
    std::vector<std::string> kept;
    for (const std::string& line : log)
        if (!line.starts_with("set "))
            kept.push_back(line);
    return kept;
}

// Each file's progress begins, only rises, stays at most 100 and ends, one
// file after the other.
void ExpectProgressInOrder(const std::vector<std::string>& log, const std::string& label) {
    bool open = false;
    int last = -1;
    for (const std::string& line : log) {
        if (line == "begin") {
            EXPECT_FALSE(open) << label;
            open = true;
            last = -1;
        } else if (line == "end") {
            EXPECT_TRUE(open) << label;
            open = false;
        } else if (line.starts_with("set ")) {
            const int percent = std::stoi(line.substr(4));
            EXPECT_TRUE(open && percent >= last && percent <= 100) << label << ": " << line;
            last = percent;
        }
    }
    EXPECT_FALSE(open) << label;
}

// A queue stopped at its `results`-th result: that many results, after the
// last only its reveal and the progress of a file being read when the stop
// came, and each file's progress in order. Files the helpers hashed ahead are
// not shown, nor is any file added after the stop.
void ExpectStoppedAfter(const std::vector<std::string>& log, int results, const std::string& label) {
    const auto isResult = [](const std::string& line) { return line.starts_with("result "); };
    EXPECT_EQ(std::count_if(log.begin(), log.end(), isResult), results) << label;
    const auto last = std::find_if(log.rbegin(), log.rend(), isResult);
    EXPECT_TRUE(std::all_of(log.rbegin(), last, [](const std::string& line) {
        return line == "reveal" || line == "begin" || line == "end" || line.starts_with("set ");
    })) << label;
    ExpectProgressInOrder(log, label + ", stopped");
}

TEST(FileHashQueue, FilesHashedAtOnceReachTheSinkAsOneAfterTheOtherAndNoneAfterAStop) {
    ScratchDir dir;
    const std::vector<std::wstring> files = MixedFiles(dir);
    std::vector<std::wstring> paths = files;
    paths.insert(paths.begin() + 40, L"!" + WideOf(dir.path() / "folder"));
    ViewState view;
    ShowColumns(view, {kSizeColumnId});
    std::vector<std::string> expected;
    {
        ScopedThreadCount scope(1);
        RecordingSink sink;
        for (const std::wstring& path : paths) {
            if (path.starts_with(L"!"))
                sink.ReportFailure(path.substr(1), L"cannot be listed");
            else
                HashFile(path, view, sink);
        }
        expected = sink.log;
    }
    for (const uint32_t threads : kThreadCounts) {
        const std::string label = std::to_string(threads) + " threads";
        const std::vector<std::string> log = QueueLog(paths, view, threads);
        EXPECT_EQ(WithoutSets(log), WithoutSets(expected)) << label;
        ExpectProgressInOrder(log, label);
        ExpectStoppedAfter(QueueLog(files, view, threads, {}, 7), 7, label);
    }
}

// Where the split would leave threads idle (one algorithm), large files are
// hashed at once, each whole on a thread of its own; the sink still hears of
// them one after the other, failures in their places, and a stop shows
// nothing after the file that stopped. A disk that seeks slowly gets its
// files read one at a time, with the same outcome.
TEST(FileHashQueue, LargeFilesHashedAtOnceKeepOrderFailuresAndStop) {
    ScratchDir dir;
    std::vector<std::wstring> paths;
    for (int i = 0; i < 14; ++i) {
        const size_t size = i % 5 == 2 ? 700 : 2 * kReadChunkBytes + size_t(i) * 4099;
        paths.push_back(WideOf(dir.Write("large" + std::to_string(i), RandomBytes(size, uint32_t(i)))));
        if (i % 6 == 4)
            paths.push_back(WideOf(dir.path() / ("missing" + std::to_string(i))));
    }
    paths.insert(paths.begin() + 9, L"!" + WideOf(dir.path() / "folder"));
    ViewState view;
    SelectOnly(view, {kSha256Id});
    const std::vector<std::string> expected = QueueLog(paths, view, 1);
    static std::atomic<int> probed{0};
    for (const SeekProbe probe : {SeekProbe{[](const std::wstring&) {
                                      ++probed;
                                      return false;
                                  }},
                                  SeekProbe{[](const std::wstring&) {
                                      ++probed;
                                      return true;
                                  }}}) {
        SetSeekProbe(probe);
        for (const uint32_t threads : {2u, 8u}) {
            const std::string label = std::to_string(threads) + " threads";
            const std::vector<std::string> log = QueueLog(paths, view, threads);
            EXPECT_EQ(WithoutSets(log), WithoutSets(expected)) << label;
            ExpectProgressInOrder(log, label);
            ExpectStoppedAfter(QueueLog(paths, view, threads, {}, 3), 3, label);
        }
    }
    SetSeekProbe(nullptr);
    EXPECT_GT(probed.load(), 0);
}

// The decision itself: a split that keeps the threads busy stays; a file on
// a disk that seeks slowly is never read beside another.
TEST(FileHashQueue, LargeFilesGoBesideOthersOnlyWhereTheSplitLeavesThreadsIdle) {
    const auto mask = [](std::initializer_list<AlgorithmId> ids) {
        SelectionMask bits = 0;
        for (AlgorithmId id : ids)
            bits |= SelectionMask{1} << id;
        return bits;
    };
    const struct {
        SelectionMask algorithms;
        uint32_t threads;
        bool seeks, beside;
    } cases[] = {
        {mask({kSha256Id}), 2, false, true},
        {mask({kMd5Id}), 2, false, true},
        {mask({kSha512Id}), 8, false, true},
        {mask({kSha256Id}), 2, true, false},  // a rotating disk reads one file at a time
        {mask({kSha256Id}), 1, false, false}, // one thread: nothing beside
        {mask({kBlake3Id}), 2, false, true},  // read and hashed on one thread anyway
        {mask({kCrc32Id, kMd5Id, kSha1Id, kSha256Id}), 2, false, false}, // the default four split well
        {kAlgorithmBits, 2, false, false}, // every algorithm: two threads stay busy
    };
    for (const auto& c : cases) {
        ContextSetOwner set(BuildContextSet(c.algorithms));
        ASSERT_TRUE(set);
        SetSeekProbe(c.seeks ? SeekProbe{[](const std::wstring&) { return true; }}
                             : SeekProbe{[](const std::wstring&) { return false; }});
        EXPECT_EQ(HashBesideOtherFiles(L"file", *set, c.threads), c.beside)
            << std::hex << c.algorithms << std::dec << ", " << c.threads << " threads";
    }
    SetSeekProbe(nullptr);
}

TEST(FileHashQueue, NothingSelectedAsksOnTheCallingThreadOnce) {
    ScratchDir dir;
    const std::vector<std::wstring> paths = MixedFiles(dir);
    std::vector<std::string> expected;
    for (const uint32_t threads : kThreadCounts) {
        ViewState view;
        SelectOnly(view, {});
        const std::thread::id caller = std::this_thread::get_id();
        const std::vector<std::string> log = QueueLog(paths, view, threads, [&] {
            EXPECT_EQ(std::this_thread::get_id(), caller);
            ShowColumns(view, {kCrc32Id});
        });
        EXPECT_EQ(std::count(log.begin(), log.end(), "ask"), 1) << threads << " threads";
        if (expected.empty())
            expected = WithoutSets(log);
        EXPECT_EQ(WithoutSets(log), expected) << threads << " threads";
    }
}

} // namespace
} // namespace vesk::test
