// A list control kept in memory, so the result list's logic runs natively
// under the sanitizers. Like the owner-data list view it holds columns, the
// row count and the selection, and reads every text from the rows' owner.
#pragma once

#include "results/ListControl.h"

#include <algorithm>
#include <vector>

namespace vesk::test {

class MemoryListControl : public ListControl {
public:
    std::vector<ListColumn> columns;
    std::vector<SortArrow> arrows;
    std::vector<bool> selected; // by row, as many as the rows shown
    bool fileIcons = false;
    int visibleRow = -1;
    int shownRows = 0;     // the count the control was last told
    int selectChanges = 0; // SelectRows and SelectAllRows calls

    int ColumnCount() const override { return int(columns.size()); }
    ListColumn Column(int index) const override { return columns.at(size_t(index)); }
    void InsertColumn(int index, const ListColumn& column) override {
        ListColumn placed = column;
        // Like the list view: the new column shows at its index, and the ones
        // at or after that display position move one place to the right.
        placed.order = index;
        for (ListColumn& other : columns)
            if (other.order >= placed.order)
                ++other.order;
        columns.insert(columns.begin() + index, placed);
        arrows.insert(arrows.begin() + index, SortArrow::None);
    }
    void SetColumnOrder(const std::vector<int>& indexAtPosition) override {
        for (size_t position = 0; position < indexAtPosition.size(); ++position)
            columns.at(size_t(indexAtPosition[position])).order = int(position);
    }
    void DeleteColumn(int index) override {
        const int order = columns.at(size_t(index)).order;
        columns.erase(columns.begin() + index);
        arrows.erase(arrows.begin() + index);
        for (ListColumn& other : columns)
            if (other.order > order)
                --other.order;
    }
    void SetSortArrow(int index, SortArrow arrow) override { arrows.at(size_t(index)) = arrow; }
    void SetColumnWidth(int index, uint32_t width) override { columns.at(size_t(index)).width = width; }

    void RowsChanged(bool) override {
        shownRows = RowCount();
        selected.resize(size_t(shownRows), false);
    }
    bool IsSelected(int row) const override { return selected.at(size_t(row)); }
    std::vector<int> SelectedRows() const override {
        std::vector<int> rows;
        for (size_t row = 0; row < selected.size(); ++row)
            if (selected[row])
                rows.push_back(int(row));
        return rows;
    }
    void SelectRows(const std::vector<int>& ascendingRows) override {
        ++selectChanges;
        std::fill(selected.begin(), selected.end(), false);
        for (int row : ascendingRows)
            selected.at(size_t(row)) = true;
    }
    void SelectAllRows() override {
        ++selectChanges;
        std::fill(selected.begin(), selected.end(), true);
    }
    // What a click or a drag with the mouse does.
    void SetSelected(int row, bool on) { selected.at(size_t(row)) = on; }
    void EnsureVisible(int row) override { visibleRow = row; }

    void SetFileIcons(bool on) override { fileIcons = on; }
};

} // namespace vesk::test
