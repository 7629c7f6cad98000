// A list control kept in memory, so the result list's logic runs natively
// under the sanitizers. With `drawsGroups` false it behaves like a list view
// without groups, and the result list shows header rows instead.
#pragma once

#include "results/ListControl.h"

#include <algorithm>
#include <map>
#include <vector>

namespace vesk::test {

class MemoryListControl : public ListControl {
public:
    struct Row {
        std::vector<std::wstring> cells;
        RowData data;
        bool selected = false;
    };
    struct Group {
        std::wstring header;
        bool collapsed = false;
    };

    explicit MemoryListControl(bool drawsGroups = true) : drawsGroups_(drawsGroups) {}

    std::vector<ListColumn> columns;
    std::vector<SortArrow> arrows;
    std::vector<Row> rows;
    std::map<int, Group> groups;
    bool groupView = false;
    bool fileIcons = false;
    int visibleRow = -1;

    int ColumnCount() const override { return int(columns.size()); }
    ListColumn Column(int index) const override { return columns.at(index); }
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
        for (Row& row : rows)
            if (int(row.cells.size()) > index)
                row.cells.insert(row.cells.begin() + index, std::wstring());
    }
    void SetColumnOrder(const std::vector<int>& indexAtPosition) override {
        for (size_t position = 0; position < indexAtPosition.size(); ++position)
            columns.at(indexAtPosition[position]).order = int(position);
    }
    void DeleteColumn(int index) override {
        const int order = columns.at(index).order;
        columns.erase(columns.begin() + index);
        arrows.erase(arrows.begin() + index);
        for (ListColumn& other : columns)
            if (other.order > order)
                --other.order;
        for (Row& row : rows)
            if (int(row.cells.size()) > index)
                row.cells.erase(row.cells.begin() + index);
    }
    void SetSortArrow(int index, SortArrow arrow) override { arrows.at(index) = arrow; }
    void SetColumnWidth(int index, uint32_t width) override { columns.at(size_t(index)).width = width; }

    int RowCount() const override { return int(rows.size()); }
    int AppendRow(const std::wstring& text, RowData data) override {
        rows.push_back({{text}, std::move(data), false});
        return int(rows.size()) - 1;
    }
    std::wstring CellText(int row, int column) const override {
        const Row& r = rows.at(row);
        return column < int(r.cells.size()) ? r.cells[column] : std::wstring();
    }
    void SetCellText(int row, int column, const std::wstring& text) override {
        Row& r = rows.at(row);
        if (column >= int(columns.size()) && column > 0)
            return;
        if (int(r.cells.size()) <= column)
            r.cells.resize(column + 1);
        r.cells[column] = text;
    }
    RowData& Data(int row) override { return rows.at(row).data; }
    bool IsSelected(int row) const override { return rows.at(row).selected; }
    void SetSelected(int row, bool selected) override { rows.at(row).selected = selected; }
    void DeleteRow(int row) override { rows.erase(rows.begin() + row); }
    void DeleteAllRows() override { rows.clear(); }
    void SortRows(const std::function<int(const RowData&, const RowData&)>& compare) override {
        std::stable_sort(rows.begin(), rows.end(),
                         [&](const Row& a, const Row& b) { return compare(a.data, b.data) < 0; });
    }
    void EnsureVisible(int row) override { visibleRow = row; }

    bool DrawsGroups() const override { return drawsGroups_; }
    void SetGroupView(bool on) override { groupView = on; }
    void InsertGroup(int id, const std::wstring& header) override { groups[id] = {header, false}; }
    std::wstring GroupHeader(int id) const override {
        const auto group = groups.find(id);
        return group == groups.end() ? std::wstring() : group->second.header;
    }
    void SetGroupHeader(int id, const std::wstring& header) override { groups.at(id).header = header; }
    void SetGroupCollapsed(int id, bool collapsed) override { groups.at(id).collapsed = collapsed; }
    bool IsGroupCollapsed(int id) const override { return groups.at(id).collapsed; }
    void RemoveAllGroups() override { groups.clear(); }

    void SetFileIcons(bool on) override { fileIcons = on; }

private:
    bool drawsGroups_;
};

} // namespace vesk::test
