#include "core/ColumnTable.h"

namespace vesk {

namespace {

constexpr uint32_t kDefaultFileWidth = 160;
constexpr uint32_t kDefaultSizeWidth = 100;
constexpr uint32_t kDefaultDateWidth = 140;
// Until a window measures its font: a plain 7-pixel digit and a small margin.
constexpr uint32_t kFallbackDigitWidth = 7;
constexpr uint32_t kFallbackMargin = 18;

constexpr bool ShownByDefault(AlgorithmId id) {
    return id == kCrc32Id || id == kMd5Id || id == kSha1Id || id == kSha256Id;
}

} // namespace

std::wstring ColumnName(ColumnId id) {
    switch (id) {
    case kFileColumnId:
        return L"File";
    case kSizeColumnId:
        return L"Size";
    case kDateModifiedColumnId:
        return L"Date Modified";
    default:
        break;
    }
    if (id >= kAlgorithmCount)
        return {};
    const char* name = AlgorithmById(id).name;
    return std::wstring(name, name + std::char_traits<char>::length(name));
}

ColumnSnapshot DefaultColumns() {
    ColumnSnapshot entries{};
    entries[0] = MakeColumnEntry(kFileColumnId, 0, kDefaultFileWidth, true);
    entries[1] = MakeColumnEntry(kSizeColumnId, 1, kDefaultSizeWidth, false);
    entries[2] = MakeColumnEntry(kDateModifiedColumnId, 2, kDefaultDateWidth, false);
    for (AlgorithmId id = 0; id < kAlgorithmCount; ++id) {
        const uint32_t width = 2 * AlgorithmById(id).digestLength * kFallbackDigitWidth + kFallbackMargin;
        entries[id + kFirstAlgorithmPosition] =
            MakeColumnEntry(id, id + kFirstAlgorithmPosition, width, ShownByDefault(id));
    }
    return entries;
}

ColumnTable::ColumnTable() {
    Assign(DefaultColumns());
}

ColumnSnapshot ColumnTable::Snapshot() const {
    ColumnSnapshot entries;
    for (uint32_t p = 0; p < kColumnCount; ++p)
        entries[p] = Get(int(p));
    return entries;
}

void ColumnTable::Assign(const ColumnSnapshot& entries) {
    for (uint32_t p = 0; p < kColumnCount; ++p)
        Set(int(p), entries[p]);
}

SelectionMask ColumnTable::SelectionFromColumns(const ColumnSnapshot& entries) {
    SelectionMask mask = 0;
    for (uint32_t p = kFirstAlgorithmPosition; p < kColumnCount; ++p)
        if (EntryShown(entries[p]))
            mask |= SelectionMask{1} << (p - kFirstAlgorithmPosition);
    return mask;
}

void InitColumnLayout(ColumnTable& table, const std::function<uint32_t(uint32_t)>& textWidth,
                      uint32_t margin) {
    for (uint32_t p = 0; p < kColumnCount; ++p) {
        ColumnEntry entry = WithOrder(table.Get(int(p)), p);
        if (p >= kFirstAlgorithmPosition) {
            const uint32_t digits = 2 * AlgorithmById(p - kFirstAlgorithmPosition).digestLength;
            entry = WithWidth(entry, textWidth(digits) + margin);
        }
        table.Set(int(p), entry);
    }
}

ViewState& SharedViewState() {
    static ViewState state;
    return state;
}

} // namespace vesk
