#include "results/ResultList.h"

#include "core/FileHashJob.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cwctype>
#include <numeric>

namespace vesk {

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

wchar_t LowerLetter(wchar_t c) {
    if (c < 0x80)
        return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
    return wchar_t(std::towlower(wint_t(c)));
}

// Whether `text` holds `loweredNeedle`, letters compared without regard to case.
bool ContainsIgnoringCase(const std::wstring& text, const std::wstring& loweredNeedle) {
    if (loweredNeedle.size() > text.size())
        return false;
    const size_t last = text.size() - loweredNeedle.size();
    for (size_t start = 0; start <= last; ++start) {
        size_t i = 0;
        while (i < loweredNeedle.size() && LowerLetter(text[start + i]) == loweredNeedle[i])
            ++i;
        if (i == loweredNeedle.size())
            return true;
    }
    return false;
}

// Keeps the elements whose flag is false, in order.
template <typename T>
void EraseFlagged(std::vector<T>& items, const std::vector<bool>& gone) {
    size_t kept = 0;
    for (size_t i = 0; i < items.size(); ++i)
        if (!gone[i]) {
            if (kept != i)
                items[kept] = std::move(items[i]);
            ++kept;
        }
    items.resize(kept);
}

} // namespace

// The Key-Value rows of every value of every file, folded or not.
class ResultList::UnfoldedRows : public ListRows {
public:
    explicit UnfoldedRows(const ResultList& list) : list_(list) {
        for (uint32_t file = 0; file < list.files_.size(); ++file) {
            firstRowOfFile_.push_back(int(rows_.size()));
            rows_.push_back({file, -1});
            for (size_t v = 0; v < list.files_[file].values.size(); ++v)
                rows_.push_back({file, int32_t(v)});
        }
    }
    int RowCount() const override { return int(rows_.size()); }
    std::wstring CellText(int row, int column) const override {
        return row >= 0 && row < RowCount() ? list_.KeyValueCellText(rows_[size_t(row)], column) : L"";
    }
    RowData Data(int row) const override {
        return row >= 0 && row < RowCount() ? list_.KeyValueData(rows_[size_t(row)]) : RowData();
    }
    int RowOf(const KeyValueRow& row) const { return firstRowOfFile_[row.file] + 1 + row.value; }

private:
    const ResultList& list_;
    std::vector<KeyValueRow> rows_;
    std::vector<int> firstRowOfFile_;
};

ResultList::ResultList(ListControl& control, ViewState& view, HeaderTexts texts)
    : control_(control), view_(view), texts_(std::move(texts)), sheetRows_(SheetView()) {
    control_.ShowRows(this);
}

ResultList::~ResultList() {
    control_.ShowRows(nullptr);
}

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

const std::wstring* ResultList::ValueText(const ListedFile& file, ColumnId id) const {
    if (id == kFileColumnId)
        return &file.displayName;
    for (const ResultValue& value : file.values)
        if (value.id == id)
            return &value.text;
    return nullptr;
}

int ResultList::RowCount() const {
    return sheetRows_ ? int(files_.size()) : int(keyValueRows_.size());
}

std::wstring ResultList::KeyValueCellText(const KeyValueRow& row, int column) const {
    if (column < 0 || column >= int(columnIds_.size()))
        return {};
    const ListedFile& file = files_[row.file];
    if (row.value < 0)
        return column == 0 ? file.displayName : std::wstring();
    const ResultValue& value = file.values[size_t(row.value)];
    return columnIds_[size_t(column)] > 0 ? value.text : HeaderFor(value.id);
}

RowData ResultList::KeyValueData(const KeyValueRow& row) const {
    RowData data;
    data.record = files_[row.file].record;
    data.group = int(row.file);
    data.groupHeader = row.value < 0;
    if (row.value >= 0)
        data.valueId = files_[row.file].values[size_t(row.value)].id;
    return data;
}

std::wstring ResultList::CellText(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= int(columnIds_.size()))
        return {};
    if (!sheetRows_)
        return KeyValueCellText(keyValueRows_[size_t(row)], column);
    const std::wstring* text = ValueText(files_[size_t(row)], columnIds_[size_t(column)]);
    return text ? *text : std::wstring();
}

RowData ResultList::Data(int row) const {
    if (row < 0 || row >= RowCount())
        return {};
    if (!sheetRows_)
        return KeyValueData(keyValueRows_[size_t(row)]);
    RowData data;
    data.record = files_[size_t(row)].record;
    return data;
}

const ListRows& ResultList::Unfolded() const {
    const bool folded = !sheetRows_ && std::any_of(files_.begin(), files_.end(),
                                                   [](const ListedFile& file) { return file.collapsed; });
    unfolded_.reset();
    if (!folded)
        return *this;
    unfolded_ = std::make_unique<UnfoldedRows>(*this);
    return *unfolded_;
}

int ResultList::UnfoldedRow(int shownRow) const {
    if (!unfolded_ || sheetRows_ || shownRow < 0 || size_t(shownRow) >= keyValueRows_.size())
        return shownRow;
    return unfolded_->RowOf(keyValueRows_[size_t(shownRow)]);
}

void ResultList::InsertListColumn(int index, const ListColumn& column) {
    control_.InsertColumn(index, column);
    columnIds_.insert(columnIds_.begin() + index, column.id);
}

void ResultList::CreateColumns() {
    const bool sheet = SheetView();
    if (sheet != sheetRows_) {
        sheetRows_ = sheet;
        RebuildKeyValueRows();
    }
    control_.SetFileIcons(sheet);
    for (int i = control_.ColumnCount() - 1; i >= 0; --i)
        control_.DeleteColumn(i);
    columnIds_.clear();
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

int ResultList::KeyValueColumnIndex(bool valueColumn) const {
    for (size_t c = 0; c < columnIds_.size(); ++c)
        if ((columnIds_[c] > 0) == valueColumn)
            return int(c);
    return -1;
}

void ResultList::AppendKeyValueRows(uint32_t file) {
    keyValueRows_.push_back({file, -1});
    if (files_[file].collapsed)
        return;
    for (size_t v = 0; v < files_[file].values.size(); ++v)
        keyValueRows_.push_back({file, int32_t(v)});
}

void ResultList::RebuildKeyValueRows() {
    keyValueRows_.clear();
    if (sheetRows_)
        return;
    for (uint32_t file = 0; file < files_.size(); ++file)
        AppendKeyValueRows(file);
}

void ResultList::AddResult(const FileResult& result) {
    ListedFile file{result.record, result.displayName, {}, false};
    for (const ResultValue& value : result.values) {
        // Sheet View keeps what has a column; a value of a column since hidden has no cell.
        const bool kept =
            !sheetRows_ || (value.id != kFileColumnId &&
                            std::find(columnIds_.begin(), columnIds_.end(), value.id) != columnIds_.end() &&
                            !ValueText(file, value.id));
        if (kept)
            file.values.push_back(value);
    }
    files_.push_back(std::move(file));
    if (!sheetRows_)
        AppendKeyValueRows(uint32_t(files_.size() - 1));
    control_.RowsChanged(true);
}

void ResultList::RevealLast() {
    if (const int count = RowCount(); count > 0)
        control_.EnsureVisible(count - 1);
}

void ResultList::SelectAll() {
    control_.SelectAllRows();
}

void ResultList::DeleteSelectedRows() {
    const std::vector<int> selected = control_.SelectedRows();
    if (selected.empty())
        return;
    std::vector<bool> fileGone(files_.size(), false);
    if (sheetRows_) {
        for (int row : selected)
            if (row >= 0 && size_t(row) < files_.size())
                fileGone[size_t(row)] = true;
    } else {
        // A file is gone when every one of its values goes; its header row
        // goes with it, as an emptied group disappears.
        std::vector<std::vector<bool>> valueGone(files_.size());
        for (int row : selected) {
            if (row < 0 || size_t(row) >= keyValueRows_.size() || keyValueRows_[size_t(row)].value < 0)
                continue;
            const KeyValueRow& kv = keyValueRows_[size_t(row)];
            std::vector<bool>& gone = valueGone[kv.file];
            gone.resize(files_[kv.file].values.size(), false);
            gone[size_t(kv.value)] = true;
        }
        for (size_t f = 0; f < files_.size(); ++f) {
            if (valueGone[f].empty())
                continue;
            EraseFlagged(files_[f].values, valueGone[f]);
            fileGone[f] = files_[f].values.empty();
        }
    }
    EraseFlagged(files_, fileGone);
    RebuildKeyValueRows();
    control_.RowsChanged(false);
    control_.SelectRows({});
}

void ResultList::Clear() {
    files_.clear();
    keyValueRows_.clear();
    control_.RowsChanged(false);
    control_.SelectRows({});
}

void ResultList::RelabelFiles() {
    for (ListedFile& file : files_)
        if (file.record)
            file.displayName = DisplayNameOf(*file.record);
    control_.RowsChanged(false);
}

// Only digests change case: size texts and dates keep theirs ("1.50 KB" in
// lower case would be another unit).
void ResultList::RecaseValues() {
    const bool uppercase = (view_.viewFlags.load(std::memory_order_relaxed) & kViewUppercase) != 0;
    for (ListedFile& file : files_)
        for (ResultValue& value : file.values)
            if (value.id < kAlgorithmCount)
                RecaseText(value.text, uppercase);
    control_.RowsChanged(false);
}

void ResultList::SetGroupsCollapsed(bool collapsed) {
    if (sheetRows_)
        return;
    for (ListedFile& file : files_)
        file.collapsed = collapsed;
    RebuildKeyValueRows();
    control_.RowsChanged(false);
    control_.SelectRows({});
}

void ResultList::ToggleGroupAt(int row) {
    if (sheetRows_ || row < 0 || size_t(row) >= keyValueRows_.size() || keyValueRows_[size_t(row)].value >= 0)
        return;
    ListedFile& file = files_[keyValueRows_[size_t(row)].file];
    file.collapsed = !file.collapsed;
    RebuildKeyValueRows();
    control_.RowsChanged(false);
    control_.SelectRows({});
}

void ResultList::RebuildView() {
    // Both views show the same values: those of the shown entries, in table
    // order; a value whose entry is no longer shown is dropped, and a newly
    // shown one is empty.
    const std::vector<ColumnId> shownIds = ShownValueIds(view_.columns.Snapshot());
    for (ListedFile& file : files_) {
        std::vector<ResultValue> values;
        values.reserve(shownIds.size());
        for (ColumnId id : shownIds) {
            const std::wstring* text = ValueText(file, id);
            values.push_back({id, text ? *text : std::wstring()});
        }
        file.values = std::move(values);
        if (file.record)
            file.displayName = DisplayNameOf(*file.record);
        file.collapsed = false;
    }
    CreateColumns();
    control_.RowsChanged(false);
    control_.SelectRows({});
}

void ResultList::SortByColumn(int column) {
    if (!sheetRows_ || column < 0 || column >= int(columnIds_.size()))
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
    std::vector<uint32_t> order(files_.size());
    std::iota(order.begin(), order.end(), 0u);
    auto number = [&](uint32_t f) -> uint64_t {
        const FileRecord* record = files_[f].record.get();
        return !record ? 0 : id == kSizeColumnId ? record->size : record->lastWriteTime;
    };
    if (id == kSizeColumnId || id == kDateModifiedColumnId) {
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            return direction * CompareNumbers(number(a), number(b)) < 0;
        });
    } else {
        static const std::wstring kNone;
        std::vector<const std::wstring*> keys(files_.size());
        for (size_t f = 0; f < files_.size(); ++f) {
            const std::wstring* text = ValueText(files_[f], id);
            keys[f] = text ? text : &kNone;
        }
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            return direction * platform::CompareTextIgnoringCase(*keys[a], *keys[b]) < 0;
        });
    }
    // The selection moves with its files.
    std::vector<bool> wasSelected(files_.size(), false);
    for (int row : control_.SelectedRows())
        if (row >= 0 && size_t(row) < files_.size())
            wasSelected[size_t(row)] = true;
    std::vector<ListedFile> sorted;
    sorted.reserve(files_.size());
    std::vector<int> selected;
    for (uint32_t f : order) {
        if (wasSelected[f])
            selected.push_back(int(sorted.size()));
        sorted.push_back(std::move(files_[f]));
    }
    files_ = std::move(sorted);
    control_.RowsChanged(false);
    control_.SelectRows(selected);
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
    if (!sheetRows_)
        return;
    const ColumnId id = ColumnIdAtPosition(position);
    if (shown) {
        InsertListColumn(std::min(index, int(columnIds_.size())),
                         {id, HeaderFor(id), ShownWidth(EntryWidth(entry))});
    } else if (index < int(columnIds_.size())) {
        control_.DeleteColumn(index);
        columnIds_.erase(columnIds_.begin() + index);
        if (sortColumn_ == index)
            sortColumn_ = -1;
        else if (sortColumn_ > index)
            --sortColumn_;
        // The column's texts go with it.
        for (ListedFile& file : files_)
            std::erase_if(file.values, [&](const ResultValue& value) { return value.id == id; });
    }
    control_.RowsChanged(false);
}

void ResultList::SelectMatches(const std::vector<int>& rows) {
    control_.SelectRows(rows);
    if (!rows.empty())
        control_.EnsureVisible(rows.front());
}

int ResultList::RunFind(const std::wstring& text) {
    if (text.empty()) {
        control_.SelectRows({});
        return 0;
    }
    const std::wstring needle = Lowered(text);
    int matches = 0;
    std::vector<int> rows;
    // The file's name is not a value: File in Sheet View, Name in Key-Value View.
    if (sheetRows_) {
        for (size_t f = 0; f < files_.size(); ++f) {
            int cells = 0;
            for (ColumnId id : columnIds_)
                if (id != kFileColumnId)
                    if (const std::wstring* value = ValueText(files_[f], id);
                        value && ContainsIgnoringCase(*value, needle))
                        ++cells;
            if (cells > 0)
                rows.push_back(int(f));
            matches += cells;
        }
    } else if (KeyValueColumnIndex(true) >= 0) {
        for (size_t row = 0; row < keyValueRows_.size(); ++row) {
            const KeyValueRow& kv = keyValueRows_[row];
            if (kv.value >= 0 &&
                ContainsIgnoringCase(files_[kv.file].values[size_t(kv.value)].text, needle)) {
                rows.push_back(int(row));
                ++matches;
            }
        }
    }
    SelectMatches(rows);
    return matches;
}

ResultList::DigestFind ResultList::RunDigestFind(const DigestQuery& query) {
    DigestFind found;
    for (AlgorithmId id : query.algorithms)
        if (const int position = PositionOfColumnId(id);
            position >= 0 && EntryShown(view_.columns.Get(position)))
            found.shown.push_back(id);
    const auto wanted = [&](ColumnId id) {
        return std::find(found.shown.begin(), found.shown.end(), id) != found.shown.end();
    };
    std::vector<int> rows;
    const auto match = [&](int row, const ListedFile& file, ColumnId id) {
        rows.push_back(row);
        if (found.matches++ > 0)
            return;
        found.algorithm = AlgorithmId(id);
        if (file.record)
            found.fileName = DisplayNameOf(*file.record);
    };
    if (sheetRows_) {
        for (size_t f = 0; f < files_.size(); ++f)
            for (ColumnId id : columnIds_)
                if (const std::wstring* value = ValueText(files_[f], id);
                    value && wanted(id) && DigestCellKey(*value) == query.digest) {
                    match(int(f), files_[f], id);
                    break;
                }
    } else if (KeyValueColumnIndex(true) >= 0) {
        for (size_t row = 0; row < keyValueRows_.size(); ++row) {
            const KeyValueRow& kv = keyValueRows_[row];
            if (kv.value < 0)
                continue;
            const ResultValue& value = files_[kv.file].values[size_t(kv.value)];
            if (wanted(value.id) && DigestCellKey(value.text) == query.digest)
                match(int(row), files_[kv.file], value.id);
        }
    }
    SelectMatches(rows);
    return found;
}

std::vector<std::wstring> ResultList::ListedPaths() const {
    std::vector<std::wstring> paths;
    for (const ListedFile& file : files_)
        if (file.record)
            paths.push_back(file.record->path);
    return paths;
}

} // namespace vesk
