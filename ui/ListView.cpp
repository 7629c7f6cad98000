#include "ui/ListView.h"

#include "ui/ControlUtil.h"

#include <commctrl.h>
#include <shellapi.h>

namespace vesk {

namespace {

constexpr COLORREF kHeaderRowBackground = RGB(232, 236, 242);

RowData* RowDataOf(LPARAM lParam) {
    return reinterpret_cast<RowData*>(lParam);
}

struct SortContext {
    const std::function<int(const RowData&, const RowData&)>* compare;
};

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM context) {
    const auto& compare = *reinterpret_cast<SortContext*>(context)->compare;
    return compare(*RowDataOf(a), *RowDataOf(b));
}

// Whether this control draws groups: some list views accept the messages and
// show nothing.
bool ProbeGroups(HWND list) {
    ListView_EnableGroupView(list, TRUE);
    bool drawn = ListView_IsGroupViewEnabled(list) != FALSE;
    if (drawn) {
        constexpr int kProbeId = 0x7FFF;
        LVGROUP group{};
        group.cbSize = sizeof group;
        group.mask = LVGF_GROUPID;
        group.iGroupId = kProbeId;
        ListView_InsertGroup(list, -1, &group);
        drawn = ListView_HasGroup(list, kProbeId) != FALSE;
        ListView_RemoveGroup(list, kProbeId);
    }
    ListView_EnableGroupView(list, FALSE);
    return drawn;
}

} // namespace

ListViewControl::ListViewControl(HWND list) : list_(list), drawsGroups_(ProbeGroups(list)) {
    SHFILEINFOW info{};
    systemIcons_ = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

ListViewControl::~ListViewControl() = default;

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

int ListViewControl::RowCount() const {
    return ListView_GetItemCount(list_);
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

int ListViewControl::AppendRow(const std::wstring& text, RowData data) {
    std::wstring copy = text;
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = RowCount();
    item.pszText = copy.data();
    if (fileIcons_ && data.record) {
        item.mask |= LVIF_IMAGE;
        item.iImage = IconIndex(data.record->path);
    }
    if (drawsGroups_ && data.group >= 0) {
        item.mask |= LVIF_GROUPID;
        item.iGroupId = data.group;
    }
    auto owned = std::make_unique<RowData>(std::move(data));
    item.lParam = reinterpret_cast<LPARAM>(owned.get());
    const int row = ListView_InsertItem(list_, &item);
    if (row >= 0)
        owned.release(); // freed when the control reports the item deleted
    return row;
}

std::wstring ListViewControl::CellText(int row, int column) const {
    // Full paths can be longer than any fixed buffer: grow until the text fits.
    std::wstring text(260, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = int(text.size());
        const int length =
            int(SendMessageW(list_, LVM_GETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&item)));
        if (length < int(text.size()) - 1 || text.size() >= 1u << 20) {
            text.resize(size_t(std::max(length, 0)));
            return text;
        }
        text.assign(text.size() * 4, L'\0');
    }
}

void ListViewControl::SetCellText(int row, int column, const std::wstring& text) {
    std::wstring copy = text;
    ListView_SetItemText(list_, row, column, copy.data());
}

RowData& ListViewControl::Data(int row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!ListView_GetItem(list_, &item) || item.lParam == 0) {
        emptyRow_ = RowData();
        return emptyRow_;
    }
    return *RowDataOf(item.lParam);
}

bool ListViewControl::IsSelected(int row) const {
    return (ListView_GetItemState(list_, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void ListViewControl::SetSelected(int row, bool selected) {
    ListView_SetItemState(list_, row, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
}

void ListViewControl::DeleteRow(int row) {
    ListView_DeleteItem(list_, row);
}

void ListViewControl::DeleteAllRows() {
    ListView_DeleteAllItems(list_);
}

void ListViewControl::SortRows(const std::function<int(const RowData&, const RowData&)>& compare) {
    SortContext context{&compare};
    ListView_SortItems(list_, CompareRows, reinterpret_cast<LPARAM>(&context));
}

void ListViewControl::EnsureVisible(int row) {
    ListView_EnsureVisible(list_, row, FALSE);
}

void ListViewControl::SetGroupView(bool on) {
    if (drawsGroups_)
        ListView_EnableGroupView(list_, on ? TRUE : FALSE);
}

void ListViewControl::InsertGroup(int id, const std::wstring& header) {
    std::wstring copy = header;
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_HEADER | LVGF_GROUPID;
    group.pszHeader = copy.data();
    group.iGroupId = id;
    if (collapsibleGroups_) {
        group.mask |= LVGF_STATE;
        group.stateMask = LVGS_COLLAPSIBLE;
        group.state = LVGS_COLLAPSIBLE;
    }
    ListView_InsertGroup(list_, id, &group);
}

std::wstring ListViewControl::GroupHeader(int id) const {
    // A header is a file's name, full paths included: grow until it fits.
    for (size_t size = 1024;; size *= 4) {
        std::wstring text(size, L'\0');
        LVGROUP group{};
        group.cbSize = sizeof group;
        group.mask = LVGF_HEADER;
        group.pszHeader = text.data();
        group.cchHeader = int(text.size());
        if (ListView_GetGroupInfo(list_, id, &group) < 0)
            return {};
        text.resize(wcsnlen(text.c_str(), text.size()));
        if (text.size() < size - 1 || size >= 1u << 20)
            return text;
    }
}

void ListViewControl::SetGroupHeader(int id, const std::wstring& header) {
    std::wstring copy = header;
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_HEADER;
    group.pszHeader = copy.data();
    ListView_SetGroupInfo(list_, id, &group);
}

void ListViewControl::SetGroupCollapsed(int id, bool collapsed) {
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_STATE;
    group.stateMask = LVGS_COLLAPSED;
    group.state = collapsed ? LVGS_COLLAPSED : LVGS_NORMAL;
    ListView_SetGroupInfo(list_, id, &group);
}

bool ListViewControl::IsGroupCollapsed(int id) const {
    return (ListView_GetGroupState(list_, id, LVGS_COLLAPSED) & LVGS_COLLAPSED) != 0;
}

void ListViewControl::RemoveAllGroups() {
    if (drawsGroups_)
        ListView_RemoveAllGroups(list_);
}

void ListViewControl::SetFileIcons(bool on) {
    fileIcons_ = on;
    ListView_SetImageList(list_, on ? systemIcons_ : nullptr, LVSIL_SMALL);
}

void ListViewControl::OnDeleteItem(const NMLISTVIEW& item) {
    delete RowDataOf(item.lParam);
}

bool ListViewControl::OnItemChanging(const NMLISTVIEW& item) {
    const RowData* data = RowDataOf(item.lParam);
    return data != nullptr && data->groupHeader && (item.uChanged & LVIF_STATE) != 0 &&
           (item.uNewState & LVIS_SELECTED) != 0;
}

LRESULT ListViewControl::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return drawsGroups_ ? CDRF_DODEFAULT : CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const RowData* data = RowDataOf(draw.nmcd.lItemlParam);
        if (data == nullptr || !data->groupHeader)
            return CDRF_DODEFAULT;
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
