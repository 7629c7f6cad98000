#include "results/ResultList.h"
#include "results/StatusTexts.h"

#include "app/PathWalk.h"
#include "core/FileHashJob.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "tests/results/MemoryListControl.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace vesk::test {
namespace {

// A hashed file as a job would hand it over: the values of every shown column
// after File, with made-up digests that name their file and algorithm.
// Paths are written with "/" and use the system's separator.
FileResult MakeResult(const ViewState& view, std::wstring path, uint64_t size, uint64_t time) {
    std::replace(path.begin(), path.end(), L'/', platform::kPathSeparator);
    auto record = std::make_shared<FileRecord>(FileRecord{size, time, path});
    FileResult result{DisplayName(path, false), record, {}};
    for (uint32_t p = 1; p < kColumnCount; ++p) {
        if (!EntryShown(view.columns.Get(int(p))))
            continue;
        const ColumnId id = ColumnIdAtPosition(int(p));
        std::wstring text = id == kSizeColumnId ? std::to_wstring(size) + L" bytes"
                            : id == kDateModifiedColumnId
                                ? L"Mon " + std::to_wstring(time)
                                : result.displayName + L":" + ColumnName(id) + L":ab";
        result.values.push_back({id, text});
    }
    return result;
}

// Every row as "cell|cell|...", header rows marked with "#", Key-Value rows
// with "@" and their group.
std::vector<std::string> Dump(const ListControl& list) {
    std::vector<std::string> lines;
    for (int row = 0; row < list.RowCount(); ++row) {
        const RowData data = list.Data(row);
        std::string line = data.groupHeader  ? "# "
                           : data.group >= 0 ? "@" + std::to_string(data.group) + " "
                                             : "";
        for (int c = 0; c < list.ColumnCount(); ++c)
            line += (c ? "|" : "") + WideToUtf8(list.CellText(row, c));
        lines.push_back(line);
    }
    return lines;
}

// One column's texts down the rows, header rows left out, joined by "|".
std::string ColumnTexts(const ListControl& list, int column) {
    std::string texts;
    for (int row = 0; row < list.RowCount(); ++row)
        if (!list.Data(row).groupHeader)
            texts += (texts.empty() ? "" : "|") + WideToUtf8(list.CellText(row, column));
    return texts;
}

std::vector<std::string> Headers(const MemoryListControl& list) {
    std::vector<std::string> headers;
    for (const ListColumn& column : list.columns)
        headers.push_back(WideToUtf8(column.header));
    return headers;
}

class ResultListTest : public ::testing::Test {
protected:
    ViewState view;
    MemoryListControl control;
    ResultList list{control, view};

    void SetUp() override { list.CreateColumns(); }
    void Add(const std::wstring& path, uint64_t size = 1, uint64_t time = 1) {
        list.AddResult(MakeResult(view, path, size, time));
    }
    void SwitchView() {
        list.CaptureColumnLayout();
        view.viewFlags ^= kViewSheet;
        list.RebuildView();
    }
    void SelectWhere(const std::function<bool(const RowData&)>& chosen) {
        for (int row = 0; row < control.RowCount(); ++row)
            control.SetSelected(row, chosen(control.Data(row)));
    }
};

// With no rows, switching views changes only the columns.
TEST_F(ResultListTest, SheetColumnsFollowTheTableAndKeyValueHasNameAndValue) {
    const std::vector<std::string> sheet = {"File", "CRC32", "MD5", "SHA-1", "SHA-256"};
    EXPECT_EQ(Headers(control), sheet);
    EXPECT_TRUE(control.fileIcons);
    SwitchView();
    EXPECT_EQ(Headers(control), (std::vector<std::string>{"Name", "Value"}));
    EXPECT_EQ(control.columns[0].width, 200u);
    EXPECT_EQ(control.columns[1].width, 600u);
    EXPECT_FALSE(control.fileIcons);
    SwitchView();
    EXPECT_EQ(control.RowCount(), 0);
    EXPECT_EQ(Headers(control), sheet);
}

TEST_F(ResultListTest, RebuildBothWaysKeepsFilesTextsAndOrder) {
    ShowColumns(view, {kSizeColumnId});
    list.CreateColumns();
    Add(L"d/one.txt", 900);
    Add(L"d/two.txt", 2000);
    Add(L"d/three.txt", 5);
    const std::vector<std::string> sheet = Dump(control);

    SwitchView();
    std::vector<std::string> expected;
    for (int file = 0; file < 3; ++file) {
        const std::string name = file == 0 ? "one.txt" : file == 1 ? "two.txt" : "three.txt";
        const std::string size = file == 0 ? "900" : file == 1 ? "2000" : "5";
        const std::string group = "@" + std::to_string(file) + " ";
        expected.push_back("# " + name + "|");
        expected.push_back(group + "Size|" + size + " bytes");
        for (const char* algorithm : {"CRC32", "MD5", "SHA-1", "SHA-256"})
            expected.push_back(group + algorithm + "|" + name + ":" + algorithm + ":ab");
    }
    EXPECT_EQ(Dump(control), expected);

    SwitchView();
    EXPECT_EQ(Dump(control), sheet);
    for (int row = 0; row < control.RowCount(); ++row)
        EXPECT_NE(control.Data(row).record, nullptr);
}

TEST_F(ResultListTest, RebuildDropsHiddenValuesAndLeavesNewlyShownEmpty) {
    Add(L"a.bin");
    ShowColumns(view, {kMd5Id}, false); // hidden after the file was hashed
    ShowColumns(view, {kSha512Id});     // shown after it
    SwitchView();
    EXPECT_EQ(ColumnTexts(control, 0), "CRC32|SHA-1|SHA-256|SHA-512");
    EXPECT_EQ(ColumnTexts(control, 1), "a.bin:CRC32:ab|a.bin:SHA-1:ab|a.bin:SHA-256:ab|");
    ShowColumns(view, {kSha1Id}, false);
    SwitchView();
    EXPECT_EQ(Headers(control), (std::vector<std::string>{"File", "CRC32", "SHA-256", "SHA-512"}));
    EXPECT_EQ(Dump(control), (std::vector<std::string>{"a.bin|a.bin:CRC32:ab|a.bin:SHA-256:ab|"}));
}

TEST_F(ResultListTest, ValuesLandUnderTheColumnOfTheirIdWhateverTheJobSaw) {
    FileResult result = MakeResult(view, L"x.iso", 1, 1);
    ShowColumns(view, {kSha1Id}, false); // the user hid SHA-1 while the file was read
    ShowColumns(view, {AlgorithmId{6}});
    list.CreateColumns();
    list.AddResult(result);
    EXPECT_EQ(Headers(control), (std::vector<std::string>{"File", "CRC32", "CRC64", "MD5", "SHA-256"}));
    EXPECT_EQ(Dump(control),
              (std::vector<std::string>{"x.iso|x.iso:CRC32:ab||x.iso:MD5:ab|x.iso:SHA-256:ab"}));
}

TEST_F(ResultListTest, SortBySizeDateAndTextWithEachColumnsOwnDirection) {
    ShowColumns(view, {kSizeColumnId, kDateModifiedColumnId});
    list.CreateColumns();
    // Size texts sort differently from byte counts: "900 bytes" > "2000 bytes".
    Add(L"b.txt", 2000, 30);
    Add(L"C.txt", 900, 10);
    Add(L"a.txt", 70000, 20);
    list.SortByColumn(1);
    EXPECT_EQ(ColumnTexts(control, 0), "C.txt|b.txt|a.txt");
    EXPECT_EQ(control.arrows[1], SortArrow::Up);
    list.SortByColumn(1);
    EXPECT_EQ(ColumnTexts(control, 0), "a.txt|b.txt|C.txt");
    EXPECT_EQ(control.arrows[1], SortArrow::Down);
    EXPECT_EQ(view.columns.Get(1) & (kColumnAscending | kColumnSortMarker), kColumnSortMarker);

    list.SortByColumn(2); // dates, ascending: this column's own stored direction
    EXPECT_EQ(ColumnTexts(control, 0), "C.txt|a.txt|b.txt");
    EXPECT_EQ(control.arrows[1], SortArrow::None);
    EXPECT_EQ(control.arrows[2], SortArrow::Up);
    EXPECT_EQ(view.columns.Get(1) & kColumnSortMarker, 0u);

    list.SortByColumn(0); // names, without regard to case
    EXPECT_EQ(ColumnTexts(control, 0), "a.txt|b.txt|C.txt");
    list.SortByColumn(1); // Size again keeps the descending direction it was left with
    EXPECT_EQ(ColumnTexts(control, 0), "a.txt|b.txt|C.txt");
    EXPECT_EQ(list.SortColumn(), 1);

    SwitchView(); // Key-Value View ignores sort clicks
    const std::vector<std::string> keyValue = Dump(control);
    list.SortByColumn(0);
    EXPECT_EQ(Dump(control), keyValue);
}

// A file's record lives exactly as long as its rows, through rebuilds.
TEST_F(ResultListTest, DeleteSelectedRowsAndClearRestartsGroups) {
    for (const wchar_t* name : {L"0", L"1", L"2", L"3", L"4", L"5"})
        Add(name);
    const std::weak_ptr<const FileRecord> kept = control.Data(0).record, one = control.Data(1).record,
                                          gone = control.Data(5).record;
    control.SetSelected(2, true);
    control.SetSelected(5, true);
    list.DeleteSelectedRows();
    EXPECT_EQ(ColumnTexts(control, 0), "0|1|3|4");
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(list.FileCount(), 4u);
    EXPECT_TRUE(control.SelectedRows().empty());

    SwitchView();
    EXPECT_FALSE(kept.expired());
    EXPECT_EQ(control.Data(control.RowCount() - 1).group, 3);
    // Delete every value row of the second file: its header row goes with them.
    SelectWhere([](const RowData& data) { return data.group == 1 && !data.groupHeader; });
    list.DeleteSelectedRows();
    for (int row = 0; row < control.RowCount(); ++row)
        EXPECT_EQ(control.Data(row).record != nullptr && control.Data(row).record.get() == one.lock().get(),
                  false);
    EXPECT_TRUE(one.expired());
    EXPECT_EQ(control.RowCount(), 3 * 5);
    // A selected header row alone deletes nothing; some of a file's rows
    // going leaves the file counted.
    SelectWhere([](const RowData& data) { return data.groupHeader; });
    list.DeleteSelectedRows();
    EXPECT_EQ(control.RowCount(), 3 * 5);
    control.SetSelected(control.RowCount() - 1, true);
    list.DeleteSelectedRows();
    EXPECT_EQ(list.FileCount(), 3u);
    EXPECT_EQ(control.RowCount(), 3 * 5 - 1);

    list.Clear();
    EXPECT_EQ(control.RowCount(), 0);
    EXPECT_EQ(control.shownRows, 0);
    EXPECT_TRUE(kept.expired());
    EXPECT_EQ(list.FileCount(), 0u);
    Add(L"new");
    EXPECT_EQ(control.Data(0).group, 0);
    EXPECT_EQ(control.shownRows, 5);
    const std::weak_ptr<const FileRecord> added = control.Data(0).record;
    SwitchView();
    SwitchView();
    EXPECT_FALSE(added.expired());
}

TEST_F(ResultListTest, RelabelFollowsTheFullPathSwitchInBothViews) {
    Add(L"data/one.txt");
    view.viewFlags |= kViewFullPath;
    list.RelabelFiles();
    const std::wstring fullPath = std::wstring(L"data") + platform::kPathSeparator + L"one.txt";
    EXPECT_EQ(control.CellText(0, 0), fullPath);
    view.viewFlags &= ~kViewFullPath;
    SwitchView();
    EXPECT_EQ(control.CellText(0, 0), L"one.txt");
    view.viewFlags |= kViewFullPath;
    list.RelabelFiles();
    EXPECT_EQ(control.CellText(0, 0), fullPath);
    EXPECT_EQ(control.CellText(1, 0), L"CRC32");
}

TEST_F(ResultListTest, RecaseChangesDigestsOnlyNeverSizesOrDates) {
    ShowColumns(view, {kSizeColumnId, kDateModifiedColumnId});
    list.CreateColumns();
    FileResult result = MakeResult(view, L"f.bin", 1, 1);
    result.values[0].text = L"1.50 KB";
    result.values[1].text = L"Dec 7 10:00 AM";
    list.AddResult(result);
    view.viewFlags |= kViewUppercase;
    list.RecaseValues();
    EXPECT_EQ(
        Dump(control),
        (std::vector<std::string>{
            "f.bin|1.50 KB|Dec 7 10:00 AM|F.BIN:CRC32:AB|F.BIN:MD5:AB|F.BIN:SHA-1:AB|F.BIN:SHA-256:AB"}));
    view.viewFlags &= ~kViewUppercase;
    list.RecaseValues();
    SwitchView();
    view.viewFlags |= kViewUppercase;
    list.RecaseValues();
    EXPECT_EQ(ColumnTexts(control, 1),
              "1.50 KB|Dec 7 10:00 AM|F.BIN:CRC32:AB|F.BIN:MD5:AB|F.BIN:SHA-1:AB|F.BIN:SHA-256:AB");
}

// A collapsed group shows its header row alone; Sheet View has no groups.
TEST_F(ResultListTest, CollapsingGroupsLeavesTheirHeaderRows) {
    Add(L"a");
    Add(L"b");
    list.SetGroupsCollapsed(true);
    EXPECT_EQ(control.RowCount(), 2);
    SwitchView();
    list.SetGroupsCollapsed(true);
    EXPECT_EQ(Dump(control), (std::vector<std::string>{"# a|", "# b|"}));
    list.ToggleGroupAt(1);
    EXPECT_EQ(control.RowCount(), 6);
    list.ToggleGroupAt(2); // a value row toggles nothing
    EXPECT_EQ(control.RowCount(), 6);
    EXPECT_EQ(list.RunFind(L"a:md5"), 0); // the values of a collapsed group are not shown
    EXPECT_EQ(list.RunFind(L"b:md5"), 1);
    list.SetGroupsCollapsed(false);
    EXPECT_EQ(control.RowCount(), 10);
    SwitchView();
    EXPECT_EQ(Dump(control).size(), 2u);
}

TEST_F(ResultListTest, CaptureKeepsWidthsAndDraggedOrderPerView) {
    control.columns[0].width = 333;
    control.columns[0].order = 2;
    control.columns[2].order = 0;
    list.CaptureColumnLayout();
    EXPECT_EQ(EntryWidth(view.columns.Get(0)), 333u);
    EXPECT_EQ(EntryOrder(view.columns.Get(0)), 2u);
    EXPECT_EQ(EntryOrder(view.columns.Get(PositionOfColumnId(kMd5Id))), 0u);

    SwitchView();
    control.columns[1].width = 77;
    control.columns[1].order = 0;
    control.columns[0].order = 1;
    SwitchView();
    EXPECT_EQ(view.keyValueColumns[1], WithOrder(WithWidth(kDefaultKeyValueColumns[1], 77), 0));
    // Back in Sheet View the columns come back where the user left them.
    EXPECT_EQ(control.columns[0].width, 333u);
    EXPECT_EQ(control.columns[0].order, 2);

    // At twice the DPI the columns are twice as wide, the table keeps the
    // widths they have at 96, and a width set there is stored halved.
    list.SetDpi(192);
    EXPECT_EQ(control.columns[0].width, 666u);
    control.columns[1].width = 401;
    list.CaptureColumnLayout();
    EXPECT_EQ(EntryWidth(view.columns.Get(0)), 333u);
    EXPECT_EQ(EntryWidth(view.columns.Get(PositionOfColumnId(control.columns[1].id))), 201u);
    SwitchView();
    EXPECT_EQ(control.columns[1].width, 154u);
    list.SetDpi(96);
    EXPECT_EQ(control.columns[1].width, 77u);
}

TEST_F(ResultListTest, FindSelectsRowsWithMatchingValuesAndCountsCells) {
    Add(L"abc.txt");
    FileResult other = MakeResult(view, L"other.bin", 1, 1);
    other.values[1].text = L"xx ABC yy"; // a second match in the same row, in capitals
    list.AddResult(other);
    Add(L"zzz.txt");
    EXPECT_EQ(list.RunFind(L"Abc"), 5); // four digests of abc.txt, one cell of other.bin
    EXPECT_EQ(control.SelectedRows(), (std::vector<int>{0, 1}));
    EXPECT_EQ(control.visibleRow, 0);
    EXPECT_EQ(list.RunFind(L"other"), 3);
    EXPECT_EQ(control.SelectedRows(), std::vector<int>{1});
    EXPECT_EQ(list.RunFind(L"bin"), 3); // names are not searched: only the digests that name it
    EXPECT_EQ(list.RunFind(L"zzz.txt:"), 4);
    EXPECT_EQ(list.RunFind(L"zzz.txt|"), 0);
    const int changes = control.selectChanges;
    EXPECT_EQ(list.RunFind(L""), 0);
    EXPECT_TRUE(control.SelectedRows().empty());
    EXPECT_EQ(control.selectChanges, changes + 1); // the whole selection set at once

    SwitchView(); // Key-Value View: the Name column is not searched either
    EXPECT_EQ(list.RunFind(L"SHA-1"), 3);
    EXPECT_EQ(list.RunFind(L"abc.txt:md5"), 1);
    for (int row : control.SelectedRows())
        EXPECT_FALSE(control.Data(row).groupHeader);
}

TEST_F(ResultListTest, ShowingAndHidingColumnsInsertsAndDeletesAtTheTablePlace) {
    Add(L"a");
    list.SetColumnShown(PositionOfColumnId(kDateModifiedColumnId), true);
    list.SetColumnShown(PositionOfColumnId(kSha512Id), true); // SHA-512, after SHA-256
    EXPECT_EQ(Headers(control), (std::vector<std::string>{"File", "Date Modified", "CRC32", "MD5", "SHA-1",
                                                          "SHA-256", "SHA-512"}));
    EXPECT_EQ(Dump(control), (std::vector<std::string>{"a||a:CRC32:ab|a:MD5:ab|a:SHA-1:ab|a:SHA-256:ab|"}));
    list.SetColumnShown(PositionOfColumnId(kMd5Id), false);
    EXPECT_EQ(Dump(control), (std::vector<std::string>{"a||a:CRC32:ab|a:SHA-1:ab|a:SHA-256:ab|"}));
    EXPECT_FALSE(EntryShown(view.columns.Get(PositionOfColumnId(kMd5Id))));
    list.SetColumnShown(PositionOfColumnId(kMd5Id), true); // back, and empty
    EXPECT_EQ(Dump(control), (std::vector<std::string>{"a||a:CRC32:ab||a:SHA-1:ab|a:SHA-256:ab|"}));

    SwitchView(); // Key-Value View: the table changes, the list does not
    const auto before = Dump(control);
    list.SetColumnShown(PositionOfColumnId(kCrc32Id), false);
    EXPECT_EQ(Dump(control), before);
    EXPECT_EQ(Headers(control), (std::vector<std::string>{"Name", "Value"}));
    EXPECT_FALSE(EntryShown(view.columns.Get(PositionOfColumnId(kCrc32Id))));
}

// 100,000 rows, each operation checked against a plain reference of the
// same files: the list's own vectors must give what row-by-row work gave.
TEST_F(ResultListTest, HundredThousandRowsMatchAPlainReference) {
    constexpr int kFiles = 100'000;
    std::vector<std::wstring> names;
    std::mt19937 random(7);
    for (int i = 0; i < kFiles; ++i) {
        names.push_back(L"f" + std::to_wstring(random() % 1'000'000) + L".bin");
        Add(names.back(), uint64_t(i), uint64_t(kFiles - i));
    }
    const std::vector<std::string> sheet = Dump(control);
    ASSERT_EQ(sheet.size(), size_t(kFiles));
    SwitchView();
    EXPECT_EQ(control.RowCount(), kFiles * 5);
    SwitchView();
    EXPECT_EQ(Dump(control), sheet);

    // Sort by name, then by size descending; both stable.
    list.SortByColumn(0);
    std::vector<std::wstring> sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [](const std::wstring& a, const std::wstring& b) {
        return platform::CompareTextIgnoringCase(a, b) < 0;
    });
    for (int row = 0; row < kFiles; row += 997)
        ASSERT_EQ(control.CellText(row, 0), sorted[size_t(row)]) << row;

    // Find: every row whose digests hold the text, in list order.
    const std::wstring needle = L"f12";
    std::vector<int> expected;
    for (int row = 0; row < kFiles; ++row)
        if (control.CellText(row, 0).starts_with(needle))
            expected.push_back(row);
    const int changes = control.selectChanges;
    EXPECT_EQ(list.RunFind(needle), int(expected.size()) * 4);
    EXPECT_EQ(control.SelectedRows(), expected);
    EXPECT_EQ(control.selectChanges, changes + 1);

    // Delete the found rows and every third of the others.
    for (int row = 0; row < kFiles; row += 3)
        control.SetSelected(row, true);
    std::vector<std::string> kept;
    const std::vector<std::string> before = Dump(control);
    for (int row = 0; row < kFiles; ++row)
        if (!control.IsSelected(row))
            kept.push_back(before[size_t(row)]);
    list.DeleteSelectedRows();
    EXPECT_EQ(Dump(control), kept);
    EXPECT_EQ(list.FileCount(), kept.size());

    // Select all, then delete all.
    list.SelectAll();
    EXPECT_EQ(control.SelectedRows().size(), kept.size());
    list.DeleteSelectedRows();
    EXPECT_EQ(control.RowCount(), 0);
    EXPECT_EQ(list.FileCount(), 0u);
}

// Jobs on several threads hand their results to the window's thread one at a
// time, as messages do, while the user sorts and switches views there.
TEST_F(ResultListTest, ConcurrentJobsKeepEveryValueWithItsOwnFile) {
    ScratchDir dir;
    std::vector<std::wstring> files;
    for (int i = 0; i < 40; ++i)
        files.push_back(WideOf(dir.Write("f" + std::to_string(i) + ".bin", RandomBytes(100 + i * 997, i))));
    std::mutex windowThread;
    struct ListSink : ResultSink {
        ResultList& list;
        std::mutex& lock;
        ListSink(ResultList& l, std::mutex& m) : list(l), lock(m) {}
        void AddResult(const FileResult& result) override {
            std::lock_guard guard(lock);
            list.AddResult(result);
        }
    };
    std::atomic<int> finished{0};
    auto job = [&](size_t first) {
        ListSink sink(list, windowThread);
        for (size_t i = first; i < files.size(); i += 2)
            AddPath(files[i], 0, {view, sink});
        ++finished;
    };
    std::thread a(job, 0);
    std::thread b(job, 1);
    for (int i = 0; finished < 2; ++i) {
        std::lock_guard guard(windowThread);
        if (i % 3 == 0)
            SwitchView();
        else if (list.SheetView())
            list.SortByColumn(i % 5);
    }
    a.join();
    b.join();
    if (!list.SheetView())
        SwitchView();
    ASSERT_EQ(control.RowCount(), int(files.size()));
    for (int row = 0; row < control.RowCount(); ++row) {
        const std::vector<uint8_t> data = Bytes(ReadFileText(PathOf(control.Data(row).record->path)));
        EXPECT_EQ(WideToUtf8(control.CellText(row, 1)), DigestHex(AlgorithmById(kCrc32Id), data));
        EXPECT_EQ(WideToUtf8(control.CellText(row, 4)), DigestHex(AlgorithmById(kSha256Id), data));
    }
}

// A pasted digest selects the rows that show it whole, in either view and
// either case, and says which file and algorithm matched, or which shown
// algorithms have its length.
TEST_F(ResultListTest, DigestFindSelectsTheWholeDigestInBothViews) {
    const auto add = [&](const std::wstring& path, const std::string& content) {
        auto record = std::make_shared<FileRecord>(FileRecord{content.size(), 1, path});
        FileResult result{path, record, {}};
        for (AlgorithmId id : kDefaultAlgorithms)
            result.values.push_back({id, Utf8ToWide(Upper(DigestHex(AlgorithmById(id), Bytes(content))))});
        list.AddResult(result);
    };
    add(L"a.txt", "a");
    add(L"b.txt", "b");
    add(L"b-again.txt", "b");
    const std::wstring sha256OfB = L"sha256: " + Utf8ToWide(DigestHex(AlgorithmById(kSha256Id), Bytes("b")));
    for (int view = 0; view < 2; ++view) {
        const ResultList::DigestFind found = list.RunDigestFind(*ParseDigestQuery(sha256OfB));
        EXPECT_EQ(found.matches, 2);
        EXPECT_EQ(found.algorithm, kSha256Id);
        EXPECT_EQ(found.fileName, L"b.txt");
        EXPECT_EQ(found.shown, std::vector<AlgorithmId>{kSha256Id});
        std::set<const FileRecord*> selected;
        for (int row : control.SelectedRows())
            selected.insert(control.Data(row).record.get());
        EXPECT_EQ(selected.size(), 2u);
        // A substring of a digest is no digest; a length no shown algorithm has finds nothing.
        const std::wstring md5OfA = Utf8ToWide(DigestHex(AlgorithmById(kMd5Id), Bytes("a")));
        EXPECT_EQ(list.RunDigestFind(*ParseDigestQuery(md5OfA)).matches, 1);
        const ResultList::DigestFind none = list.RunDigestFind(
            *ParseDigestQuery(Utf8ToWide(DigestHex(AlgorithmById(kSha512Id), Bytes("a")))));
        EXPECT_EQ(none.matches, 0);
        EXPECT_TRUE(none.shown.empty());
        EXPECT_TRUE(control.SelectedRows().empty());
        EXPECT_EQ(list.ListedPaths(), (std::vector<std::wstring>{L"a.txt", L"b.txt", L"b-again.txt"}));
        SwitchView();
    }
}

TEST(StatusTextsTest, CountsSpeedsAndClipboardLines) {
    const struct {
        std::wstring text, expected;
    } cases[] = {
        {FileCountText(0), L"0 files"},
        {FileCountText(1), L"1 file"},
        {FileCountText(997), L"997 files"},
        {NotReadCountText(0), L""},
        {NotReadCountText(1), L"1 file not read"},
        {NotReadCountText(3), L"3 files not read"},
        {SpeedText(1 << 20, 0), L""},                        // no time passed yet
        {SpeedText(uint64_t(85) << 20, 1000), L"85.0 MB/s"}, // 1 MB is 2^20 bytes
        {SpeedText(3 << 20, 2000), L"1.5 MB/s"},
        {SpeedText(uint64_t(1023) << 20, 1000), L"1023.0 MB/s"},
        {SpeedText(uint64_t(1) << 30, 1000), L"1.0 GB/s"}, // from 1024 MB/s on
        {SpeedText(uint64_t(5) << 40, 1000), L"5120.0 GB/s"},
        {NotReadClipboardText({}), L""},
        {NotReadClipboardText({{L"C:\\a.bin", L"Access is denied."}, {L"b", L"gone"}}),
         L"C:\\a.bin\tAccess is denied.\r\nb\tgone\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, c.expected);
}

} // namespace
} // namespace vesk::test
