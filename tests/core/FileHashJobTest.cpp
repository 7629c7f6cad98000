#include "core/FileHashJob.h"
#include "core/TextEncoding.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace vesk::test {
namespace {

// Writes down every call the job makes, one line each.
class RecordingSink : public ResultSink {
public:
    std::vector<std::string> events;
    std::vector<uint32_t> progress;
    std::shared_ptr<const FileRecord> record;
    std::function<void()> onAsk;
    std::function<void()> onProgress;
    bool console = false;

    void ProgressBegin() override { events.push_back("begin"); }
    void ProgressSet(uint32_t percent) override {
        progress.push_back(percent);
        if (onProgress)
            onProgress();
    }
    void ProgressEnd() override { events.push_back("end"); }
    void AskForSelection() override {
        events.push_back("ask");
        if (onAsk)
            onAsk();
    }
    int AppendSheetRow(const std::wstring& name, std::shared_ptr<const FileRecord> fileRecord) override {
        events.push_back("row " + WideToUtf8(name));
        record = fileRecord;
        return 7;
    }
    void SetSheetCell(int row, int column, const std::wstring& text) override {
        events.push_back("cell " + std::to_string(row) + "," + std::to_string(column) + " " +
                         WideToUtf8(text));
    }
    void BeginFileGroup(const std::wstring& name) override { events.push_back("group " + WideToUtf8(name)); }
    void AddGroupRow(const std::wstring& name, const std::wstring& value,
                     std::shared_ptr<const FileRecord> fileRecord) override {
        events.push_back("pair " + WideToUtf8(name) + "=" + WideToUtf8(value));
        record = fileRecord;
    }
    bool ConsoleActive() const override { return console; }
    void ConsoleLine(std::wstring_view name, std::optional<std::wstring_view> value) override {
        std::string line = "console " + WideToUtf8(name);
        if (value)
            line += ": " + WideToUtf8(*value);
        events.push_back(line);
    }
    void RevealLast() override { events.push_back("reveal"); }

    bool HasResult() const {
        return std::any_of(events.begin(), events.end(), [](const std::string& e) {
            return e.starts_with("row ") || e.starts_with("group ") || e.starts_with("console");
        });
    }
};

void Show(ViewState& view, std::initializer_list<ColumnId> ids, bool shown = true) {
    for (ColumnId id : ids) {
        const int p = PositionOfColumnId(id);
        view.columns.Set(p, WithShown(view.columns.Get(p), shown));
    }
}

void SelectOnly(ViewState& view, std::initializer_list<ColumnId> ids) {
    for (int p = 3; p < int(kColumnCount); ++p)
        view.columns.Set(p, WithShown(view.columns.Get(p), false));
    Show(view, ids);
}

// The digests the default selection should show for `data`, in id order.
std::vector<std::string> ExpectedDigests(std::span<const uint8_t> data, bool uppercase = false) {
    std::vector<std::string> digests;
    for (AlgorithmId id : {kCrc32Id, kMd5Id, kSha1Id, kSha256Id})
        digests.push_back(uppercase ? Upper(DigestHex(AlgorithmById(id), data))
                                    : DigestHex(AlgorithmById(id), data));
    return digests;
}

std::vector<std::string> Cells(const RecordingSink& sink) {
    std::vector<std::string> cells;
    for (const std::string& e : sink.events)
        if (e.starts_with("cell "))
            cells.push_back(e.substr(e.find(' ', 5) + 1));
    return cells;
}

TEST(FileHashJob, SheetRowHoldsSizeDateThenAlgorithmsInIdOrder) {
    ScratchDir dir;
    const std::vector<uint8_t> data = RandomBytes(3000, 11);
    const auto file = dir.Write("data.bin", data);
    ViewState view;
    Show(view, {kSizeColumnId, kDateModifiedColumnId});
    RecordingSink sink;
    HashFile(WideOf(file), view, sink);

    ASSERT_NE(sink.record, nullptr);
    EXPECT_EQ(sink.record->size, 3000u);
    EXPECT_EQ(sink.record->path, WideOf(file));
    EXPECT_GT(sink.record->lastWriteTime, 0u);
    std::vector<std::string> expected = {WideToUtf8(platform::ByteSizeText(3000)),
                                         WideToUtf8(platform::DateTimeText(sink.record->lastWriteTime))};
    for (const std::string& digest : ExpectedDigests(data))
        expected.push_back(digest);
    EXPECT_EQ(Cells(sink), expected);
    EXPECT_EQ(sink.events.front(), "begin");
    EXPECT_EQ(sink.events[2], "row data.bin");
    EXPECT_EQ(sink.events[3], "cell 7,1 " + expected[0]);
    EXPECT_EQ(sink.events.back(), "reveal");
}

TEST(FileHashJob, KeyValueGroupNamesEveryValue) {
    ScratchDir dir;
    const auto file = dir.Write("kv.txt", Bytes("abc"));
    ViewState view;
    view.viewFlags = 0;
    Show(view, {kSizeColumnId});
    RecordingSink sink;
    HashFile(WideOf(file), view, sink);
    std::vector<std::string> expected = {"begin", "end", "group kv.txt", "pair Size=3 bytes"};
    for (AlgorithmId id : {kCrc32Id, kMd5Id, kSha1Id, kSha256Id})
        expected.push_back(std::string("pair ") + AlgorithmById(id).name + "=" +
                           DigestHex(AlgorithmById(id), Bytes("abc")));
    expected.push_back("reveal");
    EXPECT_EQ(sink.events, expected);
}

TEST(FileHashJob, ConsoleGetsEmptyLineNameAndOneLinePerValue) {
    ScratchDir dir;
    const auto file = dir.Write("c.txt", Bytes("abc"));
    ViewState view;
    view.viewFlags = kViewSheet | kViewUppercase;
    SelectOnly(view, {kCrc32Id});
    RecordingSink sink;
    sink.console = true;
    HashFile(WideOf(file), view, sink);
    const std::vector<std::string> expected = {"begin",
                                               "end",
                                               "row c.txt",
                                               "console ",
                                               "console c.txt",
                                               "console CRC32: 352441C2",
                                               "cell 7,1 352441C2",
                                               "reveal"};
    EXPECT_EQ(sink.events, expected);
}

TEST(FileHashJob, EmptyFileGivesEmptyInputDigestsAndZeroBytes) {
    ScratchDir dir;
    const auto file = dir.Write("empty", {});
    ViewState view;
    Show(view, {kSizeColumnId});
    RecordingSink sink;
    HashFile(WideOf(file), view, sink);
    std::vector<std::string> expected = {WideToUtf8(platform::ByteSizeText(0))};
    for (const std::string& digest : ExpectedDigests({}))
        expected.push_back(digest);
    EXPECT_EQ(Cells(sink), expected);
    EXPECT_TRUE(sink.progress.empty()); // nothing read, so no update either
}

TEST(FileHashJob, ProgressOncePerChunkAndNeverAbove100) {
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
    for (const auto& c : cases) {
        const auto file = dir.Write("p" + std::to_string(c.byteCount), {data.data(), c.byteCount});
        ViewState view;
        RecordingSink sink;
        HashFile(WideOf(file), view, sink);
        EXPECT_EQ(sink.progress, c.progress) << c.byteCount;
        EXPECT_EQ(Cells(sink), ExpectedDigests({data.data(), c.byteCount})) << c.byteCount;
    }
}

TEST(FileHashJob, UppercaseAndFullPathFollowViewFlags) {
    ScratchDir dir;
    const auto file = dir.Write("Name.TXT", Bytes("abc"));
    const std::wstring path = WideOf(file);
    ViewState view;
    view.viewFlags = kViewSheet | kViewFullPath | kViewUppercase;
    RecordingSink sink;
    HashFile(path, view, sink);
    EXPECT_EQ(sink.events[2], "row " + file.string());
    EXPECT_EQ(Cells(sink), ExpectedDigests(Bytes("abc"), true));

    EXPECT_EQ(DisplayName(path, false), L"Name.TXT");
    EXPECT_EQ(DisplayName(L"bare-name", false), L"bare-name");
    EXPECT_EQ(DisplayName(L"bare-name", true), L"bare-name");
}

TEST(FileHashJob, MissingFolderAndVanishedPathsGiveNoResult) {
    ScratchDir dir;
    const auto gone = dir.Write("gone.txt", Bytes("abc"));
    std::filesystem::remove(gone);
    for (const std::filesystem::path& path : {gone, dir.path(), dir.path() / "never" / "there.bin"}) {
        ViewState view;
        RecordingSink sink;
        HashFile(WideOf(path), view, sink);
        EXPECT_TRUE(sink.events.empty()) << path;
    }
}

#ifndef _WIN32
TEST(FileHashJob, ReadErrorGivesNoResult) {
    // Reading a process's own memory at offset 0 fails at once: the open and
    // the size work, the first read does not.
    ViewState view;
    RecordingSink sink;
    HashFile(L"/proc/self/mem", view, sink);
    EXPECT_FALSE(sink.HasResult());
    EXPECT_EQ(sink.events, (std::vector<std::string>{"begin", "end"}));
}

TEST(FileHashJob, DataBeyondTheStartSizeIsHashedWithProgressCappedAt100) {
    // A pipe reports size 0 and then delivers data, like a file that grows.
    ScratchDir dir;
    const auto fifo = dir.path() / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::vector<uint8_t> data = RandomBytes(kReadChunkBytes + 100, 9);
    std::thread writer([&] { dir.Write("pipe", data); });
    ViewState view;
    RecordingSink sink;
    HashFile(WideOf(fifo), view, sink);
    writer.join();
    EXPECT_EQ(Cells(sink), ExpectedDigests(data));
    for (uint32_t percent : sink.progress)
        EXPECT_EQ(percent, 100u);
}
#endif

TEST(FileHashJob, NothingSelectedAsksOnceThenHashesTheNewChoice) {
    ScratchDir dir;
    const auto file = dir.Write("a.txt", Bytes("abc"));
    ViewState view;
    SelectOnly(view, {});
    RecordingSink sink;
    HashFile(WideOf(file), view, sink);
    EXPECT_EQ(sink.events, (std::vector<std::string>{"ask"}));

    RecordingSink chooser;
    chooser.onAsk = [&] { Show(view, {kCrc32Id}); };
    HashFile(WideOf(file), view, chooser);
    EXPECT_EQ(chooser.events.front(), "ask");
    EXPECT_EQ(Cells(chooser), (std::vector<std::string>{"352441c2"}));
}

TEST(FileHashJob, SelectionChangedWhileReadingKeepsTheStartingSelection) {
    ScratchDir dir;
    const std::vector<uint8_t> data = RandomBytes(2 * kReadChunkBytes, 3);
    const auto file = dir.Write("b.bin", data);
    ViewState view;
    RecordingSink sink;
    sink.onProgress = [&] {
        SelectOnly(view, {0, 33, 37});
        Show(view, {kSizeColumnId});
    };
    HashFile(WideOf(file), view, sink);
    EXPECT_EQ(Cells(sink), ExpectedDigests(data));
}

} // namespace
} // namespace vesk::test
