#include "ui/ListView.h"

#include "ui/ControlUtil.h"

#include <commctrl.h>
#include <shellapi.h>

namespace vesk {

namespace {

constexpr COLORREF kHeaderRowBackground = RGB(232, 236, 242);

// Setting a row's selection is one message per row, and some list views take
// 10 to 60 microseconds for each (Wine's, measured on 100,000 rows). A find
// that selects 40,000 rows sets what fits in the first budget at once, and
// the rest in slices while the window is idle, so the next keystroke never
// waits for the last one's selection.
constexpr ULONGLONG kFirstSliceMilliseconds = 30;
constexpr ULONGLONG kIdleSliceMilliseconds = 30;
constexpr UINT kIdleSliceInterval = USER_TIMER_MINIMUM;

} // namespace

ListViewControl::ListViewControl(HWND list) : list_(list) {
    SHFILEINFOW info{};
    systemIcons_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

ListViewControl::~ListViewControl() {
    DropPendingSelection();
}

int ListViewControl::ColumnCount() const {
    HWND header = ListView_GetHeader(list_);
    return header ? Header_GetItemCount(header) : 0;
}

ListColumn ListViewControl::Column(int index) const {
    wchar_t text[260] = {};
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_SUBITEM | LVCF_ORDER | LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = int(std::size(text));
    if (!ListView_GetColumn(list_, index, &column))
        return {};
    return {ColumnId(column.iSubItem), text, uint32_t(std::max(column.cx, 0)), column.iOrder};
}

void ListViewControl::InsertColumn(int index, const ListColumn& column) {
    std::wstring header = column.header;
    LVCOLUMNW item{};
    item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    item.fmt = LVCFMT_LEFT;
    item.cx = int(column.width);
    item.pszText = header.data();
    item.iSubItem = int(column.id);
    ListView_InsertColumn(list_, index, &item);
}

void ListViewControl::SetColumnOrder(const std::vector<int>& indexAtPosition) {
    if (!indexAtPosition.empty())
        ListView_SetColumnOrderArray(list_, int(indexAtPosition.size()),
                                     const_cast<int*>(indexAtPosition.data()));
}

void ListViewControl::DeleteColumn(int index) {
    ListView_DeleteColumn(list_, index);
}

void ListViewControl::SetColumnWidth(int index, uint32_t width) {
    ListView_SetColumnWidth(list_, index, int(width));
}

void ListViewControl::SetSortArrow(int index, SortArrow arrow) {
    ListViewSetSortArrow(list_, index, arrow);
}

int ListViewControl::IconIndex(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    const size_t slash = path.rfind(L'\\');
    const std::wstring extension =
        dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash) ? L"" : path.substr(dot);
    const auto known = iconByExtension_.find(extension);
    if (known != iconByExtension_.end())
        return known->second;
    // By name only: the icon of the file's type, without touching the file.
    SHFILEINFOW info{};
    const std::wstring probe = L"x" + extension;
    int index = -1;
    if (SHGetFileInfoW(probe.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        index = info.iIcon;
    iconByExtension_.emplace(extension, index);
    return index;
}

void ListViewControl::RowsChanged(bool appendedOnly) {
    const int count = ListControl::RowCount();
    if (appendedOnly) {
        // Rows added at the end: what is shown stays, and only newly shown rows are drawn.
        ListView_SetItemCountEx(list_, count, LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
        return;
    }
    DropPendingSelection(); // its rows may no longer be those rows
    ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL);
    InvalidateRect(list_, nullptr, TRUE);
}

bool ListViewControl::IsSelected(int row) const {
    FinishSelection();
    return (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

std::vector<int> ListViewControl::SelectedRows() const {
    FinishSelection();
    std::vector<int> rows;
    rows.reserve(size_t(ListView_GetSelectedCount(list_)));
    for (int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list_, row, LVNI_SELECTED))
        rows.push_back(row);
    return rows;
}

void ListViewControl::SelectRows(const std::vector<int>& ascendingRows) {
    // With most rows chosen, select all and take the others out.
    DropPendingSelection();
    const int count = ListControl::RowCount();
    const bool most = ascendingRows.size() * 2 > size_t(count);
    pendingSelect_ = !most;
    if (most) {
        size_t next = 0;
        for (int row = 0; row < count; ++row) {
            if (next < ascendingRows.size() && ascendingRows[next] == row)
                ++next;
            else
                pendingRows_.push_back(row);
        }
    } else {
        pendingRows_ = ascendingRows;
    }
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(list_, -1, most ? LVIS_SELECTED : 0, LVIS_SELECTED);
    SetPendingSlice(kFirstSliceMilliseconds, true);
    if (pendingNext_ < pendingRows_.size())
        SetTimer(list_, reinterpret_cast<UINT_PTR>(this), kIdleSliceInterval, ContinueSelection);
}

void ListViewControl::SelectAllRows() {
    DropPendingSelection();
    // Some list views set every row on its own, drawing each unless told not to.
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

// Sets pending rows until the budget is spent, with drawing off, then draws
// again: the whole list when `shownChanged` or a row in view changed, else
// nothing more than was due (some list views draw every row when drawing is
// turned back on).
void ListViewControl::SetPendingSlice(ULONGLONG budgetMilliseconds, bool shownChanged) const {
    const bool paintDue = GetUpdateRect(list_, nullptr, FALSE) != FALSE;
    const int firstShown = ListView_GetTopIndex(list_);
    const int lastShown = firstShown + ListView_GetCountPerPage(list_);
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    const ULONGLONG start = GetTickCount64();
    const UINT state = pendingSelect_ ? LVIS_SELECTED : 0;
    while (pendingNext_ < pendingRows_.size()) {
        const int row = pendingRows_[pendingNext_];
        shownChanged = shownChanged || (row >= firstShown && row <= lastShown);
        ListView_SetItemState(list_, row, state, LVIS_SELECTED);
        if (++pendingNext_ % 256 == 0 && GetTickCount64() - start >= budgetMilliseconds)
            break;
    }
    if (pendingNext_ == pendingRows_.size()) {
        pendingRows_.clear();
        pendingNext_ = 0;
    }
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    if (shownChanged || paintDue)
        InvalidateRect(list_, nullptr, TRUE);
    else
        ValidateRect(list_, nullptr);
}

void ListViewControl::FinishSelection() const {
    if (pendingRows_.empty())
        return;
    KillTimer(list_, reinterpret_cast<UINT_PTR>(this));
    SetPendingSlice(~ULONGLONG(0), false);
}

void ListViewControl::DropPendingSelection() const {
    if (pendingRows_.empty())
        return;
    KillTimer(list_, reinterpret_cast<UINT_PTR>(this));
    pendingRows_.clear();
    pendingNext_ = 0;
}

void CALLBACK ListViewControl::ContinueSelection(HWND, UINT, UINT_PTR self, DWORD) {
    const auto& control = *reinterpret_cast<const ListViewControl*>(self);
    control.SetPendingSlice(kIdleSliceMilliseconds, false);
    if (control.pendingRows_.empty())
        KillTimer(control.list_, self);
}

void ListViewControl::EnsureVisible(int row) {
    ListView_EnsureVisible(list_, row, FALSE);
}

void ListViewControl::SetFileIcons(bool on) {
    fileIcons_ = on;
    ListView_SetImageList(list_, on ? systemIcons_ : nullptr, LVSIL_SMALL);
}

void ListViewControl::OnGetDispInfo(NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (item.iItem < 0 || item.iItem >= ListControl::RowCount())
        return;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const std::wstring text = CellText(item.iItem, item.iSubItem);
        const size_t length = std::min(text.size(), size_t(item.cchTextMax) - 1);
        text.copy(item.pszText, length);
        item.pszText[length] = L'\0';
    }
    if ((item.mask & LVIF_IMAGE) != 0) {
        item.iImage = -1;
        if (fileIcons_ && item.iSubItem == 0)
            if (const RowData data = Data(item.iItem); data.record)
                item.iImage = IconIndex(data.record->path);
    }
}

bool ListViewControl::OnItemChanging(const NMLISTVIEW& item) const {
    return item.iItem >= 0 && (item.uChanged & LVIF_STATE) != 0 && (item.uNewState & LVIS_SELECTED) != 0 &&
           (item.uOldState & LVIS_SELECTED) == 0 && Data(item.iItem).groupHeader;
}

LRESULT ListViewControl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        if (!Data(int(draw.nmcd.dwItemSpec)).groupHeader)
            return CDRF_DODEFAULT;
        // A header row stands for its group, never for a selected row.
        draw.nmcd.uItemState &= ~UINT(CDIS_SELECTED | CDIS_FOCUS);
        HFONT listFont = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
        if (!boldFont_ || boldMadeFrom_ != listFont) {
            LOGFONTW font{};
            GetObjectW(listFont ? listFont : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
            font.lfWeight = FW_BOLD;
            boldFont_.reset(CreateFontIndirectW(&font));
            boldMadeFrom_ = listFont;
        }
        SelectObject(draw.nmcd.hdc, boldFont_.get());
        draw.clrTextBk = kHeaderRowBackground;
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

} // namespace vesk
