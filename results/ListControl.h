// The result list as its logic sees a list control: columns that carry a
// column id, rows of texts with their data and selection, and groups. The
// window implements it on the platform's list view; the tests keep it in
// memory.
#pragma once

#include "core/ResultSink.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vesk {

// Key-Value rows name their value by column id; header rows hold none.
inline constexpr ColumnId kNoValueId = 0xFFFFFFFF;

// What a row carries besides its texts.
struct RowData {
    std::shared_ptr<const FileRecord> record;
    int group = -1;                // Key-Value View: the group of the row's file
    bool groupHeader = false;      // stands for its group's header where the control draws no groups
    ColumnId valueId = kNoValueId; // Key-Value View: the value the row holds
    std::wstring sortText;         // scratch for one sort
};

struct ListColumn {
    ColumnId id = 0;
    std::wstring header;
    uint32_t width = 0;
    int order = 0; // display position, counted from the left; read only
};

enum class SortArrow { None, Up, Down };

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

    // Rows. Column 0 is the row's own text; Sheet View rows also show the
    // small icon of their file's type.
    virtual int RowCount() const = 0;
    virtual int AppendRow(const std::wstring& text, RowData data) = 0;
    virtual std::wstring CellText(int row, int column) const = 0;
    virtual void SetCellText(int row, int column, const std::wstring& text) = 0;
    virtual RowData& Data(int row) = 0;
    virtual bool IsSelected(int row) const = 0;
    virtual void SetSelected(int row, bool selected) = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;
    // Reorders every row by `compare` (negative, 0 or positive, as for qsort).
    virtual void SortRows(const std::function<int(const RowData&, const RowData&)>& compare) = 0;
    virtual void EnsureVisible(int row) = 0;

    // Groups, where the control draws them; elsewhere the list shows a header
    // row in their place.
    virtual bool DrawsGroups() const = 0;
    virtual void SetGroupView(bool on) = 0;
    virtual void InsertGroup(int id, const std::wstring& header) = 0;
    virtual std::wstring GroupHeader(int id) const = 0;
    virtual void SetGroupHeader(int id, const std::wstring& header) = 0;
    virtual void SetGroupCollapsed(int id, bool collapsed) = 0;
    virtual bool IsGroupCollapsed(int id) const = 0;
    virtual void RemoveAllGroups() = 0;

    // Sheet View shows file icons in column 0; Key-Value View none.
    virtual void SetFileIcons(bool on) = 0;
};

} // namespace vesk
