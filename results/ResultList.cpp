#include "results/ResultList.h"

#include "core/FileHashJob.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cwctype>

namespace vesk {

struct ResultList::FileBlock {
    std::shared_ptr<const FileRecord> record;
    std::vector<ResultValue> values; // one per shown entry after File, in table order
};

namespace {

constexpr ColumnEntry kCapturedBits = kColumnIdMask | kColumnShown | kColumnSortMarker | kColumnAscending;

// Letters in the case the Uppercase switch asks for; false when nothing changed.
bool RecaseText(std::wstring& text, bool uppercase) {
    bool changed = false;
    for (wchar_t& c : text) {
        const wchar_t before = c;
        if (uppercase && c >= L'a' && c <= L'z')
            c = wchar_t(c - L'a' + L'A');
        else if (!uppercase && c >= L'A' && c <= L'Z')
            c = wchar_t(c - L'A' + L'a');
        changed |= c != before;
    }
    return changed;
}

RowData MakeRowData(std::shared_ptr<const FileRecord> record, int group = -1, bool groupHeader = false,
                    ColumnId valueId = kNoValueId) {
    RowData data;
    data.record = std::move(record);
    data.group = group;
    data.groupHeader = groupHeader;
    data.valueId = valueId;
    return data;
}

std::wstring Lowered(std::wstring text) {
    for (wchar_t& c : text)
        c = wchar_t(std::towlower(wint_t(c)));
    return text;
}

int CompareNumbers(uint64_t a, uint64_t b) {
    return a > b ? 1 : a < b ? -1 : 0;
}

// The shown table entries after File, in table order.
std::vector<ColumnId> ShownValueIds(const ColumnSnapshot& columns) {
    std::vector<ColumnId> ids;
    for (uint32_t p = 1; p < kColumnCount; ++p)
        if (EntryShown(columns[p]))
            ids.push_back(ColumnIdAtPosition(int(p)));
    return ids;
}

} // namespace

ResultList::ResultList(ListControl& control, ViewState& view, HeaderTexts texts)
    : control_(control), view_(view), texts_(std::move(texts)) {}

std::wstring ResultList::HeaderFor(ColumnId id) const {
    switch (id) {
    case kFileColumnId:
        return texts_.file;
    case kSizeColumnId:
        return texts_.size;
    case kDateModifiedColumnId:
        return texts_.dateModified;
    default:
        return ColumnName(id);
    }
}

std::wstring ResultList::DisplayNameOf(const FileRecord& record) const {
    return DisplayName(record.path, (view_.viewFlags.load(std::memory_order_relaxed) & kViewFullPath) != 0);
}

void ResultList::InsertListColumn(int index, const ListColumn& column) {
    control_.InsertColumn(index, column);
    columnIds_.insert(columnIds_.begin() + index, column.id);
}

void ResultList::CreateColumns() {
    const bool sheet = SheetView();
    control_.SetFileIcons(sheet);
    for (int i = control_.ColumnCount() - 1; i >= 0; --i)
        control_.DeleteColumn(i);
    columnIds_.clear();
    control_.SetGroupView(!sheet && control_.DrawsGroups());
    std::vector<ColumnEntry> entries;
    if (!sheet) {
        for (int i = 0; i < 2; ++i) {
            const ColumnEntry entry = view_.keyValueColumns[i];
            const ColumnId id = EntryId(entry);
            InsertListColumn(i, {id, id > 0 ? texts_.value : texts_.name, ShownWidth(EntryWidth(entry))});
            entries.push_back(entry);
        }
    } else {
        for (uint32_t p = 0; p < kColumnCount; ++p) {
            const ColumnEntry entry = view_.columns.Get(int(p));
            if (!EntryShown(entry))
                continue;
            const ColumnId id = ColumnIdAtPosition(int(p));
            InsertListColumn(int(columnIds_.size()), {id, HeaderFor(id), ShownWidth(EntryWidth(entry))});
            entries.push_back(entry);
        }
    }
    // All display positions at once: set one at a time, a column asking for a
    // position beyond those already made would land at the end instead, and
    // an arrangement the user dragged would not come back.
    std::vector<int> indexAtPosition(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        indexAtPosition[i] = int(i);
    std::stable_sort(indexAtPosition.begin(), indexAtPosition.end(),
                     [&](int a, int b) { return EntryOrder(entries[a]) < EntryOrder(entries[b]); });
    control_.SetColumnOrder(indexAtPosition);
}

void ResultList::AppendSheetRow(const std::wstring& displayName,
                                const std::shared_ptr<const FileRecord>& record,
                                const std::vector<ResultValue>& values) {
    auto textFor = [&](ColumnId id) -> const std::wstring* {
        if (id == kFileColumnId)
            return &displayName;
        for (const ResultValue& value : values)
            if (value.id == id)
                return &value.text;
        return nullptr;
    };
    const std::wstring* first = columnIds_.empty() ? &displayName : textFor(columnIds_[0]);
    const int row = control_.AppendRow(first ? *first : std::wstring(), MakeRowData(record));
    for (size_t c = 1; c < columnIds_.size(); ++c)
        if (const std::wstring* text = textFor(columnIds_[c]); text && !text->empty())
            control_.SetCellText(row, int(c), *text);
}

void ResultList::AddFileGroup(const std::wstring& displayName,
                              const std::shared_ptr<const FileRecord>& record) {
    currentGroup_ = groupCounter_++;
    if (control_.DrawsGroups()) {
        control_.InsertGroup(currentGroup_, displayName);
    } else {
        control_.AppendRow(displayName, MakeRowData(record, currentGroup_, true));
    }
}

int ResultList::KeyValueColumnIndex(bool valueColumn) const {
    for (size_t c = 0; c < columnIds_.size(); ++c)
        if ((columnIds_[c] > 0) == valueColumn)
            return int(c);
    return -1;
}

void ResultList::AddGroupRow(ColumnId valueId, const std::wstring& value,
                             const std::shared_ptr<const FileRecord>& record) {
    const int nameColumn = KeyValueColumnIndex(false);
    const int valueColumn = KeyValueColumnIndex(true);
    const std::wstring name = HeaderFor(valueId);
    const std::wstring empty;
    const int row = control_.AppendRow(nameColumn == 0    ? name
                                       : valueColumn == 0 ? value
                                                          : empty,
                                       MakeRowData(record, currentGroup_, false, valueId));
    if (nameColumn > 0)
        control_.SetCellText(row, nameColumn, name);
    if (valueColumn > 0 && !value.empty())
        control_.SetCellText(row, valueColumn, value);
}

void ResultList::AddResult(const FileResult& result) {
    ++fileCount_;
    if (SheetView()) {
        AppendSheetRow(result.displayName, result.record, result.values);
        return;
    }
    AddFileGroup(result.displayName, result.record);
    for (const ResultValue& value : result.values)
        AddGroupRow(value.id, value.text, result.record);
}

void ResultList::RevealLast() {
    if (const int count = control_.RowCount(); count > 0)
        control_.EnsureVisible(count - 1);
}

void ResultList::SelectAll() {
    for (int row = 0, count = control_.RowCount(); row < count; ++row)
        control_.SetSelected(row, !control_.Data(row).groupHeader);
}

void ResultList::DeleteSelectedRows() {
    // A file's rows lie together; the file is gone when every one of them goes.
    const FileRecord* file = nullptr;
    bool fileGone = false;
    size_t filesGone = 0;
    for (int row = control_.RowCount() - 1; row >= 0; --row) {
        const RowData& data = control_.Data(row);
        if (data.groupHeader)
            continue;
        if (data.record.get() != file) {
            filesGone += fileGone ? 1 : 0;
            file = data.record.get();
            fileGone = true;
        }
        if (control_.IsSelected(row))
            control_.DeleteRow(row);
        else
            fileGone = false;
    }
    filesGone += fileGone ? 1 : 0;
    fileCount_ -= std::min(fileCount_, filesGone);
    RemoveEmptyHeaderRows();
}

// A header row whose group lost its last row goes too, as an emptied group
// drawn by the control disappears.
void ResultList::RemoveEmptyHeaderRows() {
    for (int row = control_.RowCount() - 1; row >= 0; --row) {
        const RowData& data = control_.Data(row);
        if (!data.groupHeader)
            continue;
        const bool hasRows = row + 1 < control_.RowCount() && !control_.Data(row + 1).groupHeader &&
                             control_.Data(row + 1).group == data.group;
        if (!hasRows)
            control_.DeleteRow(row);
    }
}

void ResultList::RemoveAllRowsAndGroups() {
    groupCounter_ = 0;
    currentGroup_ = 0;
    control_.DeleteAllRows();
    control_.RemoveAllGroups();
}

void ResultList::Clear() {
    fileCount_ = 0;
    RemoveAllRowsAndGroups();
}

void ResultList::RelabelFiles() {
    const int count = control_.RowCount();
    if (SheetView()) {
        const int fileColumn =
            int(std::find(columnIds_.begin(), columnIds_.end(), kFileColumnId) - columnIds_.begin());
        if (fileColumn >= int(columnIds_.size()))
            return;
        for (int row = 0; row < count; ++row)
            if (const RowData& data = control_.Data(row); data.record)
                control_.SetCellText(row, fileColumn, DisplayNameOf(*data.record));
        return;
    }
    int previousGroup = -1;
    for (int row = 0; row < count; ++row) {
        const RowData& data = control_.Data(row);
        if (!data.record)
            continue;
        if (data.groupHeader)
            control_.SetCellText(row, 0, DisplayNameOf(*data.record));
        else if (data.group != previousGroup && control_.DrawsGroups())
            control_.SetGroupHeader(data.group, DisplayNameOf(*data.record));
        previousGroup = data.group;
    }
}

// Only digests change case: size texts and dates keep theirs ("1.50 KB" in
// lower case would be another unit).
void ResultList::RecaseValues() {
    const bool uppercase = (view_.viewFlags.load(std::memory_order_relaxed) & kViewUppercase) != 0;
    const int count = control_.RowCount();
    auto recaseCell = [&](int row, int column) {
        std::wstring text = control_.CellText(row, column);
        if (!text.empty() && RecaseText(text, uppercase))
            control_.SetCellText(row, column, text);
    };
    if (SheetView()) {
        for (size_t c = 0; c < columnIds_.size(); ++c)
            if (columnIds_[c] < kAlgorithmCount)
                for (int row = 0; row < count; ++row)
                    recaseCell(row, int(c));
        return;
    }
    const int valueColumn = KeyValueColumnIndex(true);
    if (valueColumn < 0)
        return;
    for (int row = 0; row < count; ++row)
        if (control_.Data(row).valueId < kAlgorithmCount)
            recaseCell(row, valueColumn);
}

void ResultList::SetGroupsCollapsed(bool collapsed) {
    if (SheetView() || !control_.DrawsGroups())
        return;
    int previousGroup = -1;
    for (int row = 0, count = control_.RowCount(); row < count; ++row) {
        const int group = control_.Data(row).group;
        if (group != previousGroup)
            control_.SetGroupCollapsed(group, collapsed);
        previousGroup = group;
    }
}

// The list's files as blocks while it still shows the old view, which is the
// opposite of the one the Sheet View bit now names.
std::vector<ResultList::FileBlock> ResultList::CollectBlocks(const std::vector<ColumnId>& shownIds) {
    std::vector<FileBlock> blocks;
    const int count = control_.RowCount();
    auto emptyValues = [&] {
        std::vector<ResultValue> values;
        for (ColumnId id : shownIds)
            values.push_back({id, {}});
        return values;
    };
    if (!SheetView()) {
        // Old view Sheet: one block per row, by the column that carries each id.
        for (int row = 0; row < count; ++row) {
            FileBlock block{control_.Data(row).record, emptyValues()};
            for (ResultValue& value : block.values) {
                const auto column = std::find(columnIds_.begin(), columnIds_.end(), value.id);
                if (column != columnIds_.end())
                    value.text = control_.CellText(row, int(column - columnIds_.begin()));
            }
            blocks.push_back(std::move(block));
        }
        return blocks;
    }
    // Old view Key-Value: consecutive rows of one group are one file; a value
    // whose column is no longer shown is dropped.
    const int valueColumn = KeyValueColumnIndex(true);
    int group = -1;
    for (int row = 0; row < count; ++row) {
        const RowData& data = control_.Data(row);
        if (blocks.empty() || data.group != group) {
            blocks.push_back({data.record, emptyValues()});
            group = data.group;
        }
        if (data.groupHeader || valueColumn < 0)
            continue;
        for (ResultValue& value : blocks.back().values)
            if (value.id == data.valueId)
                value.text = control_.CellText(row, valueColumn);
    }
    return blocks;
}

void ResultList::RebuildView() {
    const std::vector<ColumnId> shownIds = ShownValueIds(view_.columns.Snapshot());
    const std::vector<FileBlock> blocks = CollectBlocks(shownIds);
    RemoveAllRowsAndGroups();
    CreateColumns();
    const bool sheet = SheetView();
    for (const FileBlock& block : blocks) {
        if (!block.record)
            continue;
        const std::wstring displayName = DisplayNameOf(*block.record);
        if (sheet) {
            AppendSheetRow(displayName, block.record, block.values);
        } else {
            AddFileGroup(displayName, block.record);
            for (const ResultValue& value : block.values)
                AddGroupRow(value.id, value.text, block.record);
        }
    }
}

void ResultList::SortByColumn(int column) {
    if (!SheetView() || column < 0 || column >= int(columnIds_.size()))
        return;
    const ColumnId id = columnIds_[column];
    const int position = PositionOfColumnId(id);
    if (position < 0)
        return;
    ColumnEntry entry = view_.columns.Get(position);
    if (column == sortColumn_)
        entry ^= kColumnAscending;
    for (uint32_t p = 0; p < kColumnCount; ++p)
        view_.columns.Set(int(p), view_.columns.Get(int(p)) & ~kColumnSortMarker);
    entry |= kColumnSortMarker;
    view_.columns.Set(position, entry);
    const bool ascending = (entry & kColumnAscending) != 0;

    if (sortColumn_ >= 0 && sortColumn_ < control_.ColumnCount())
        control_.SetSortArrow(sortColumn_, SortArrow::None);
    control_.SetSortArrow(column, ascending ? SortArrow::Up : SortArrow::Down);
    sortColumn_ = column;

    const int direction = ascending ? 1 : -1;
    if (id == kSizeColumnId) {
        control_.SortRows([&](const RowData& a, const RowData& b) {
            return direction * CompareNumbers(a.record ? a.record->size : 0, b.record ? b.record->size : 0);
        });
    } else if (id == kDateModifiedColumnId) {
        control_.SortRows([&](const RowData& a, const RowData& b) {
            return direction * CompareNumbers(a.record ? a.record->lastWriteTime : 0,
                                              b.record ? b.record->lastWriteTime : 0);
        });
    } else {
        for (int row = 0, count = control_.RowCount(); row < count; ++row)
            control_.Data(row).sortText = control_.CellText(row, column);
        control_.SortRows([&](const RowData& a, const RowData& b) {
            return direction * platform::CompareTextIgnoringCase(a.sortText, b.sortText);
        });
        for (int row = 0, count = control_.RowCount(); row < count; ++row)
            control_.Data(row).sortText.clear();
    }
}

void ResultList::CaptureColumnLayout() {
    const int count = control_.ColumnCount();
    if (!SheetView()) {
        for (int i = 0; i < std::min(count, 2); ++i) {
            const ListColumn column = control_.Column(i);
            view_.keyValueColumns[i] =
                WithOrder(WithWidth(view_.keyValueColumns[i], StoredWidth(column.width)), column.order);
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const ListColumn column = control_.Column(i);
        const int position = PositionOfColumnId(column.id);
        if (position < 0)
            continue;
        const ColumnEntry kept = view_.columns.Get(position) & kCapturedBits;
        view_.columns.Set(position,
                          WithOrder(WithWidth(kept, StoredWidth(column.width)), uint32_t(column.order)));
    }
}

uint32_t ResultList::ShownWidth(uint32_t storedWidth) const {
    return uint32_t((uint64_t(storedWidth) * dpi_ + kBaseDpi / 2) / kBaseDpi);
}

uint32_t ResultList::StoredWidth(uint32_t shownWidth) const {
    return uint32_t((uint64_t(shownWidth) * kBaseDpi + dpi_ / 2) / dpi_);
}

void ResultList::SetDpi(uint32_t dpi) {
    if (dpi == 0 || dpi == dpi_)
        return;
    CaptureColumnLayout();
    dpi_ = dpi;
    for (int i = 0, count = control_.ColumnCount(); i < count; ++i) {
        ColumnEntry entry = 0;
        if (!SheetView())
            entry = view_.keyValueColumns[size_t(std::min(i, 1))];
        else if (const int position = PositionOfColumnId(control_.Column(i).id); position >= 0)
            entry = view_.columns.Get(position);
        control_.SetColumnWidth(i, ShownWidth(EntryWidth(entry)));
    }
}

} // namespace vesk

namespace vesk {

void ResultList::SetColumnShown(int position, bool shown) {
    if (position < 1 || position >= int(kColumnCount))
        return;
    const ColumnEntry entry = view_.columns.Get(position);
    if (EntryShown(entry) == shown)
        return;
    int index = 0;
    for (int p = 0; p < position; ++p)
        index += EntryShown(view_.columns.Get(p)) ? 1 : 0;
    view_.columns.Set(position, WithShown(entry, shown));
    if (!SheetView())
        return;
    if (shown) {
        const ColumnId id = ColumnIdAtPosition(position);
        InsertListColumn(std::min(index, int(columnIds_.size())),
                         {id, HeaderFor(id), ShownWidth(EntryWidth(entry))});
    } else if (index < int(columnIds_.size())) {
        control_.DeleteColumn(index);
        columnIds_.erase(columnIds_.begin() + index);
        if (sortColumn_ == index)
            sortColumn_ = -1;
    }
}

int ResultList::RunFind(const std::wstring& text) {
    const int count = control_.RowCount();
    for (int row = 0; row < count; ++row)
        control_.SetSelected(row, false);
    if (text.empty())
        return 0;
    const std::wstring needle = Lowered(text);
    // The file's name is not a value: File in Sheet View, Name in Key-Value View.
    const int skipped =
        SheetView() ? int(std::find(columnIds_.begin(), columnIds_.end(), kFileColumnId) - columnIds_.begin())
                    : KeyValueColumnIndex(false);
    int matches = 0;
    bool revealed = false;
    for (int row = 0; row < count; ++row) {
        if (control_.Data(row).groupHeader)
            continue;
        for (int column = 0; column < int(columnIds_.size()); ++column) {
            if (column == skipped ||
                Lowered(control_.CellText(row, column)).find(needle) == std::wstring::npos)
                continue;
            control_.SetSelected(row, true);
            ++matches;
            if (!revealed)
                control_.EnsureVisible(row);
            revealed = true;
        }
    }
    return matches;
}

ResultList::DigestFind ResultList::RunDigestFind(const DigestQuery& query) {
    DigestFind found;
    const int count = control_.RowCount();
    for (int row = 0; row < count; ++row)
        control_.SetSelected(row, false);
    for (AlgorithmId id : query.algorithms)
        if (const int position = PositionOfColumnId(id);
            position >= 0 && EntryShown(view_.columns.Get(position)))
            found.shown.push_back(id);
    const auto wanted = [&](ColumnId id) {
        return std::find(found.shown.begin(), found.shown.end(), id) != found.shown.end();
    };
    const auto match = [&](int row, ColumnId id) {
        control_.SetSelected(row, true);
        if (found.matches++ > 0)
            return;
        control_.EnsureVisible(row);
        found.algorithm = AlgorithmId(id);
        if (const auto& record = control_.Data(row).record)
            found.fileName = DisplayNameOf(*record);
    };
    const int valueColumn = SheetView() ? -1 : KeyValueColumnIndex(true);
    for (int row = 0; row < count; ++row) {
        const RowData& data = control_.Data(row);
        if (data.groupHeader)
            continue;
        if (!SheetView()) {
            if (wanted(data.valueId) && DigestCellKey(control_.CellText(row, valueColumn)) == query.digest)
                match(row, data.valueId);
            continue;
        }
        for (int column = 0; column < int(columnIds_.size()); ++column)
            if (wanted(columnIds_[column]) && DigestCellKey(control_.CellText(row, column)) == query.digest) {
                match(row, columnIds_[column]);
                break;
            }
    }
    return found;
}

std::vector<std::wstring> ResultList::ListedPaths() const {
    std::vector<std::wstring> paths;
    const FileRecord* last = nullptr;
    for (int row = 0, count = control_.RowCount(); row < count; ++row) {
        const FileRecord* record = control_.Data(row).record.get();
        if (record != nullptr && record != last)
            paths.push_back(record->path);
        last = record;
    }
    return paths;
}

} // namespace vesk
