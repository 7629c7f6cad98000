// The result list on the platform's list view control.
//
// Each row's data lives on the heap, pointed to by the item's lParam, and is
// freed when the control reports the item deleted (LVN_DELETEITEM, which the
// owner passes to OnDeleteItem). Each column carries its column id in its
// subitem number.
#pragma once

#include "results/ListControl.h"
#include "ui/Handles.h"

#include <windows.h>

#include <commctrl.h>

#include <unordered_map>

namespace vesk {

class ListViewControl : public ListControl {
public:
    explicit ListViewControl(HWND list);
    ~ListViewControl() override;
    ListViewControl(const ListViewControl&) = delete;
    ListViewControl& operator=(const ListViewControl&) = delete;

    HWND handle() const { return list_; }

    int ColumnCount() const override;
    ListColumn Column(int index) const override;
    void InsertColumn(int index, const ListColumn& column) override;
    void SetColumnOrder(const std::vector<int>& indexAtPosition) override;
    void DeleteColumn(int index) override;
    void SetColumnWidth(int index, uint32_t width) override;
    void SetSortArrow(int index, SortArrow arrow) override;

    int RowCount() const override;
    int AppendRow(const std::wstring& text, RowData data) override;
    std::wstring CellText(int row, int column) const override;
    void SetCellText(int row, int column, const std::wstring& text) override;
    RowData& Data(int row) override;
    bool IsSelected(int row) const override;
    void SetSelected(int row, bool selected) override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;
    void SortRows(const std::function<int(const RowData&, const RowData&)>& compare) override;
    void EnsureVisible(int row) override;

    bool DrawsGroups() const override { return drawsGroups_; }
    void SetGroupView(bool on) override;
    void InsertGroup(int id, const std::wstring& header) override;
    std::wstring GroupHeader(int id) const override;
    void SetGroupHeader(int id, const std::wstring& header) override;
    void SetGroupCollapsed(int id, bool collapsed) override;
    bool IsGroupCollapsed(int id) const override;
    void RemoveAllGroups() override;

    void SetFileIcons(bool on) override;

    // Notifications the owner passes on. OnItemChanging gives true to refuse
    // the change (a header row is never selected); OnCustomDraw gives the
    // custom-draw result (header rows are drawn bold on a shaded band).
    static void OnDeleteItem(const NMLISTVIEW& item);
    static bool OnItemChanging(const NMLISTVIEW& item);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

    // Whether groups are created collapsible (systems from version 6 on).
    void SetCollapsibleGroups(bool collapsible) { collapsibleGroups_ = collapsible; }

private:
    int IconIndex(const std::wstring& path);

    HWND list_;
    bool drawsGroups_ = false;
    bool collapsibleGroups_ = true;
    bool fileIcons_ = false;
    HIMAGELIST systemIcons_ = nullptr;
    std::unordered_map<std::wstring, int> iconByExtension_;
    FontOwner boldFont_;           // the list font in bold, for header rows
    HFONT boldMadeFrom_ = nullptr; // the list font it was made from
    RowData emptyRow_;
};

} // namespace vesk
