// What the program computes and how it shows it: the column table (one word per
// displayable column, whose shown flags are the selection of algorithms), the
// view switches and the two Key-Value View columns.
//
// The table order is fixed: position 0 is File, 1 Size, 2 Date Modified and
// position id + 3 holds algorithm id. What the user rearranges is the display
// order stored in each entry, never the table order.
#pragma once

#include "core/AlgorithmTable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace vesk {

// A column word: bits 0-5 id, 6-11 display order, 12 shown, 13-29 width in
// pixels at kBaseDpi, 30 sort marker, 31 ascending.
using ColumnEntry = uint32_t;
using ColumnId = uint32_t;

// The DPI of a screen at 100%: stored widths have their meaning at it, as
// settings written by other tools and older versions expect.
inline constexpr uint32_t kBaseDpi = 96;

inline constexpr uint32_t kColumnCount = 42;
inline constexpr uint32_t kFirstAlgorithmPosition = 3;

inline constexpr ColumnId kFileColumnId = 60;
inline constexpr ColumnId kSizeColumnId = 61;
inline constexpr ColumnId kDateModifiedColumnId = 62;
inline constexpr ColumnId kKeyValueNameColumnId = 0;
inline constexpr ColumnId kKeyValueValueColumnId = 1;

inline constexpr ColumnEntry kColumnIdMask = 0x3F;
inline constexpr ColumnEntry kColumnOrderMask = 0xFC0;
inline constexpr ColumnEntry kColumnShown = 0x1000;
inline constexpr ColumnEntry kColumnWidthMask = 0x3FFFE000;
inline constexpr ColumnEntry kColumnSortMarker = 0x40000000;
inline constexpr ColumnEntry kColumnAscending = 0x80000000;
inline constexpr uint32_t kMaxColumnWidth = 0x1FFFF;

constexpr ColumnId EntryId(ColumnEntry entry) {
    return entry & kColumnIdMask;
}
constexpr uint32_t EntryOrder(ColumnEntry entry) {
    return (entry & kColumnOrderMask) >> 6;
}
constexpr uint32_t EntryWidth(ColumnEntry entry) {
    return (entry & kColumnWidthMask) >> 13;
}
constexpr bool EntryShown(ColumnEntry entry) {
    return (entry & kColumnShown) != 0;
}

constexpr ColumnEntry WithOrder(ColumnEntry entry, uint32_t order) {
    return (entry & ~kColumnOrderMask) | (order & 0x3F) << 6;
}
constexpr ColumnEntry WithWidth(ColumnEntry entry, uint32_t width) {
    return (entry & ~kColumnWidthMask) | (width & kMaxColumnWidth) << 13;
}
constexpr ColumnEntry WithShown(ColumnEntry entry, bool shown) {
    return shown ? entry | kColumnShown : entry & ~kColumnShown;
}

constexpr ColumnEntry MakeColumnEntry(ColumnId id, uint32_t order, uint32_t width, bool shown) {
    return WithShown(WithWidth(WithOrder(kColumnAscending | (id & kColumnIdMask), order), width), shown);
}

// The table position of a column id, or -1 for an id no column carries.
constexpr int PositionOfColumnId(ColumnId id) {
    if (id < kAlgorithmCount)
        return int(id + kFirstAlgorithmPosition);
    if (id >= kFileColumnId && id <= kDateModifiedColumnId)
        return int(id - kFileColumnId);
    return -1;
}

// The column's own name: "File", "Size", "Date Modified" or the algorithm's name.
std::wstring ColumnName(ColumnId id);

constexpr ColumnId ColumnIdAtPosition(int position) {
    return position < int(kFirstAlgorithmPosition) ? kFileColumnId + ColumnId(position)
                                                   : ColumnId(position) - kFirstAlgorithmPosition;
}

// The word of view switches; bits 5 to 31 have no meaning and are kept as they are.
using ViewFlags = uint32_t;
inline constexpr ViewFlags kViewSheet = 0x01;     // clear: Key-Value View
inline constexpr ViewFlags kViewFullPath = 0x02;  // file names with their full path
inline constexpr ViewFlags kViewUppercase = 0x04; // hex digits and base32 letters in capitals
inline constexpr ViewFlags kViewAlwaysOnTop = 0x08;
inline constexpr ViewFlags kViewGridLines = 0x10;
inline constexpr ViewFlags kDefaultViewFlags = kViewSheet;

using ColumnSnapshot = std::array<ColumnEntry, kColumnCount>;

// The 42 column words. Written by one thread (the user interface, or the entry
// thread while loading settings); read by hashing threads while they run. Every
// access is one 32-bit atomic access, so readers see each word whole.
class ColumnTable {
public:
    ColumnTable(); // the defaults: File, CRC32, MD5, SHA-1 and SHA-256 shown

    ColumnEntry Get(int position) const { return entries_[position].load(std::memory_order_relaxed); }
    void Set(int position, ColumnEntry entry) { entries_[position].store(entry, std::memory_order_relaxed); }

    ColumnSnapshot Snapshot() const;
    void Assign(const ColumnSnapshot& entries);
    SelectionMask Selection() const { return SelectionFromColumns(Snapshot()); }

    // Bit p - 3 for every shown algorithm position p.
    static SelectionMask SelectionFromColumns(const ColumnSnapshot& entries);

private:
    std::array<std::atomic<ColumnEntry>, kColumnCount> entries_;
};

ColumnSnapshot DefaultColumns();

// Gives every entry its position as display order and every algorithm column
// the width of its digest text plus a margin. `textWidth(n)` is the width in
// pixels of n "0" characters in the list's font.
void InitColumnLayout(ColumnTable& table, const std::function<uint32_t(uint32_t)>& textWidth,
                      uint32_t margin);

// The two columns of the Key-Value View, in memory order Name, Value.
using KeyValueColumns = std::array<ColumnEntry, 2>;
inline constexpr KeyValueColumns kDefaultKeyValueColumns = {
    MakeColumnEntry(kKeyValueNameColumnId, 0, 200, true),
    MakeColumnEntry(kKeyValueValueColumnId, 1, 600, true),
};

// The process-wide view state: the column table, the view switches and the
// Key-Value columns, all starting at their defaults.
struct ViewState {
    ColumnTable columns;
    std::atomic<ViewFlags> viewFlags{kDefaultViewFlags};
    KeyValueColumns keyValueColumns = kDefaultKeyValueColumns;
};

ViewState& SharedViewState();

} // namespace vesk
