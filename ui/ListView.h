// The result list on the platform's owner-data list view (LVS_OWNERDATA): the
// control keeps the row count and the selection, and asks for each text it
// draws through LVN_GETDISPINFO, which the owner passes to OnGetDispInfo.
// Each column carries its column id in its subitem number.
#pragma once

#include "results/ListControl.h"
#include "ui/Handles.h"

#include <windows.h>

#include <commctrl.h>

#include <unordered_map>

namespace vesk {

class ListViewControl : public ListControl {
public:
    explicit ListViewControl(HWND list); // a list view made with LVS_OWNERDATA
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

    void RowsChanged(bool appendedOnly) override;
    bool IsSelected(int row) const override;
    std::vector<int> SelectedRows() const override;
    void SelectRows(const std::vector<int>& ascendingRows) override;
    void SelectAllRows() override;
    void EnsureVisible(int row) override;

    void SetFileIcons(bool on) override;

    // A large selection is set a slice at a time while the window is idle.
    // Before the list's own keys and clicks, which change the selection from
    // what it is, the window makes the rest at once.
    void FinishSelection() const;

    // Notifications the owner passes on. OnItemChanging gives true to refuse
    // the change (a header row is never selected on its own); OnCustomDraw
    // gives the custom-draw result (header rows are drawn bold on a shaded
    // band).
    void OnGetDispInfo(NMLVDISPINFOW& info);
    bool OnItemChanging(const NMLISTVIEW& item) const;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);

private:
    int IconIndex(const std::wstring& path);

    // A large selection is made a slice at a time (see SelectRows).
    void SetPendingSlice(ULONGLONG budgetMilliseconds, bool shownChanged) const;
    void DropPendingSelection() const;
    static void CALLBACK ContinueSelection(HWND list, UINT message, UINT_PTR self, DWORD time);

    HWND list_;
    // Rows still to be set by the slices to come, from pendingNext_ on:
    // selected, or taken out of a selection of every row.
    mutable std::vector<int> pendingRows_;
    mutable size_t pendingNext_ = 0;
    mutable bool pendingSelect_ = true;
    bool fileIcons_ = false;
    HIMAGELIST systemIcons_ = nullptr;
    std::unordered_map<std::wstring, int> iconByExtension_;
    FontOwner boldFont_;           // the list font in bold, for header rows
    HFONT boldMadeFrom_ = nullptr; // the list font it was made from
};

} // namespace vesk
