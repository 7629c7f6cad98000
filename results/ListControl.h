// The result list as its logic sees a list control: columns that carry a
// column id, and rows it does not hold. The rows belong to their owner (a
// ListRows); the control asks it for texts as it draws, and keeps only the
// row count and which rows are selected. So adding, deleting, sorting or
// rebuilding 100,000 rows is work on the owner's vectors and one repaint.
// The window implements the control on the platform's owner-data list view;
// the tests keep it in memory.
#pragma once

#include "core/ResultSink.h"

#include <memory>
#include <string>
#include <vector>

namespace vesk {

// Key-Value rows name their value by column id; header rows hold none.
inline constexpr ColumnId kNoValueId = 0xFFFFFFFF;

// What a row stands for besides its texts.
struct RowData {
    std::shared_ptr<const FileRecord> record;
    int group = -1;                // Key-Value View: the file's group, counted from 0 in list order
    bool groupHeader = false;      // the header row of its group, holding the file's name
    ColumnId valueId = kNoValueId; // Key-Value View: the value the row holds
};

struct ListColumn {
    ColumnId id = 0;
    std::wstring header;
    uint32_t width = 0;
    int order = 0; // display position, counted from the left; read only
};

enum class SortArrow { None, Up, Down };

// The rows a control shows, kept by their owner.
class ListRows {
public:
    virtual ~ListRows() = default;
    virtual int RowCount() const = 0;
    virtual std::wstring CellText(int row, int column) const = 0;
    virtual RowData Data(int row) const = 0;

    // Every row with folded groups unfolded, as reports and checksum files
    // write them; and the row there of a shown row, in the rows Unfolded
    // last gave.
    virtual const ListRows& Unfolded() const { return *this; }
    virtual int UnfoldedRow(int shownRow) const { return shownRow; }
};

class ListControl {
public:
    virtual ~ListControl() = default;

    // Columns by index, the order they were inserted in; the user may drag them
    // to other display positions. A column inserted at `index` shows at
    // display position `index`.
    virtual int ColumnCount() const = 0;
    virtual ListColumn Column(int index) const = 0;
    virtual void InsertColumn(int index, const ListColumn& column) = 0;
    // The column index shown at each display position, left to right.
    virtual void SetColumnOrder(const std::vector<int>& indexAtPosition) = 0;
    virtual void DeleteColumn(int index) = 0;
    virtual void SetColumnWidth(int index, uint32_t width) = 0;
    virtual void SetSortArrow(int index, SortArrow arrow) = 0;

    // The rows shown; null shows none. The owner outlives the control's use
    // of them and calls RowsChanged after every change.
    void ShowRows(const ListRows* rows) {
        rows_ = rows;
        RowsChanged(false);
    }
    const ListRows* Rows() const { return rows_; }
    int RowCount() const { return rows_ ? rows_->RowCount() : 0; }
    std::wstring CellText(int row, int column) const { return rows_ ? rows_->CellText(row, column) : L""; }
    RowData Data(int row) const { return rows_ ? rows_->Data(row) : RowData(); }

    // After the rows changed. `appendedOnly`: rows were only added at the
    // end, so the rows shown and the selection stay; otherwise every row is
    // drawn again and the selection is the caller's to set.
    virtual void RowsChanged(bool appendedOnly) = 0;

    // Selection, by row. SelectRows selects exactly the rows given, in
    // ascending order, as one change.
    virtual bool IsSelected(int row) const = 0;
    virtual std::vector<int> SelectedRows() const = 0;
    virtual void SelectRows(const std::vector<int>& ascendingRows) = 0;
    virtual void SelectAllRows() = 0;
    virtual void EnsureVisible(int row) = 0;

    // Sheet View shows the small icon of each file's type in column 0;
    // Key-Value View none.
    virtual void SetFileIcons(bool on) = 0;

protected:
    const ListRows* rows_ = nullptr;
};

} // namespace vesk
