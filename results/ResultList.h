// The result list: every hashed file in Sheet View (one row per file, one
// column per value) or Key-Value View (one group per file, one name/value row
// per value), and the list commands of the main window.
//
//     ResultList list(control, SharedViewState());
//     list.CreateColumns();
//     list.AddResult(result);          // from a hashing job, on the window's thread
//     ...flip kViewSheet...
//     list.RebuildView();
//
// The list keeps its files, their texts and the rows of the active view in
// its own vectors; the control only shows them (see results/ListControl.h).
// In Key-Value View each file's group starts with a header row holding the
// file's name; selection, deletion and the other commands pass over header
// rows. A collapsed group shows its header row alone.
#pragma once

#include "core/ColumnTable.h"
#include "core/ResultSink.h"
#include "results/DigestCompare.h"
#include "results/ListControl.h"

#include <memory>
#include <string>
#include <vector>

namespace vesk {

// The fixed column headers, from the program's string table.
struct HeaderTexts {
    std::wstring file = L"File";
    std::wstring size = L"Size";
    std::wstring dateModified = L"Date Modified";
    std::wstring name = L"Name";
    std::wstring value = L"Value";
};

class ResultList : public ListRows {
public:
    ResultList(ListControl& control, ViewState& view, HeaderTexts texts = {});
    ~ResultList() override;
    ResultList(const ResultList&) = delete;
    ResultList& operator=(const ResultList&) = delete;

    bool SheetView() const { return (view_.viewFlags.load(std::memory_order_relaxed) & kViewSheet) != 0; }

    // The columns of the active view: the shown table entries in Sheet View,
    // Name and Value in Key-Value View.
    void CreateColumns();

    // A hashing job's result in the active view: one row whose cells follow
    // their column ids, or a group with one row per value.
    void AddResult(const FileResult& result);
    void RevealLast();

    void SelectAll();
    void DeleteSelectedRows();
    void Clear();

    // After Show File Full Path changed: every file's name again.
    void RelabelFiles();
    // After Show Hashes in Uppercase changed: every digest in the new case.
    void RecaseValues();
    // Key-Value View only: every group, or the group of the header row `row`.
    void SetGroupsCollapsed(bool collapsed);
    void ToggleGroupAt(int row);

    // After the Sheet View bit flipped: the same files and texts in the new
    // view, without reading any file again.
    void RebuildView();

    // Sheet View: sorts by list column `column`; a second click on the same
    // column reverses its direction.
    void SortByColumn(int column);

    // Copies the columns' widths and display positions into the column table
    // (Sheet View) or the Key-Value columns. The table keeps widths at 96 DPI,
    // the meaning they have in the settings at 100%.
    void CaptureColumnLayout();

    // The DPI the list is shown at (96 until told): stored widths are scaled
    // by it, and the shown columns take their widths at the new DPI.
    void SetDpi(uint32_t dpi);

    // Shows or hides the column table entry at `position` (1 to 41). In Sheet
    // View its list column is inserted, empty, where the table order puts it,
    // or deleted with its texts; in Key-Value View only files hashed from now
    // on follow.
    void SetColumnShown(int position, bool shown);

    // Selects every row with a value cell that holds `text`, letters compared
    // without regard to case; the file names are not searched. Scrolls to the
    // first match and gives the number of matching cells. An empty text only
    // clears the selection.
    int RunFind(const std::wstring& text);

    // Selects every row that shows the query's whole digest under one of its
    // algorithms, letters compared without regard to case, and scrolls to the
    // first. Gives the matches and the first one's algorithm and file, and
    // which of the query's algorithms the list shows at all.
    struct DigestFind {
        int matches = 0;
        AlgorithmId algorithm = 0;
        std::wstring fileName;
        std::vector<AlgorithmId> shown;
    };
    DigestFind RunDigestFind(const DigestQuery& query);

    // Every listed file's path, once each, in list order.
    std::vector<std::wstring> ListedPaths() const;

    // The files the list shows, in either view.
    size_t FileCount() const { return files_.size(); }
    int SortColumn() const { return sortColumn_; }

    // The rows of the active view, as the control asks for them.
    int RowCount() const override;
    std::wstring CellText(int row, int column) const override;
    RowData Data(int row) const override;
    const ListRows& Unfolded() const override;
    int UnfoldedRow(int shownRow) const override;

private:
    // A listed file: its name as shown and its values, by column id, in the
    // order they arrived (Sheet View) or are shown as rows (Key-Value View).
    struct ListedFile {
        std::shared_ptr<const FileRecord> record;
        std::wstring displayName;
        std::vector<ResultValue> values;
        bool collapsed = false;
    };
    // A Key-Value row: a file's header row, or one of its values.
    struct KeyValueRow {
        uint32_t file = 0;
        int32_t value = -1; // index into the file's values; -1 for the header row
    };

    class UnfoldedRows;

    std::wstring HeaderFor(ColumnId id) const;
    std::wstring KeyValueCellText(const KeyValueRow& row, int column) const;
    RowData KeyValueData(const KeyValueRow& row) const;
    std::wstring DisplayNameOf(const FileRecord& record) const;
    const std::wstring* ValueText(const ListedFile& file, ColumnId id) const;
    void InsertListColumn(int index, const ListColumn& column);
    void AppendKeyValueRows(uint32_t file);
    void RebuildKeyValueRows();
    int KeyValueColumnIndex(bool valueColumn) const;
    uint32_t ShownWidth(uint32_t storedWidth) const;
    uint32_t StoredWidth(uint32_t shownWidth) const;
    void SelectMatches(const std::vector<int>& rows);

    ListControl& control_;
    ViewState& view_;
    HeaderTexts texts_;
    std::vector<ColumnId> columnIds_;
    std::vector<ListedFile> files_;
    std::vector<KeyValueRow> keyValueRows_;          // Key-Value View only
    bool sheetRows_ = true;                          // the view the rows are laid out for
    mutable std::unique_ptr<UnfoldedRows> unfolded_; // made when asked for with groups folded
    int sortColumn_ = -1;
    uint32_t dpi_ = kBaseDpi;
};

} // namespace vesk
