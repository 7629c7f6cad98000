#include "core/ColumnTable.h"

#include <gtest/gtest.h>

namespace vesk {
namespace {

TEST(ColumnTable, DefaultsSelectCrc32Md5Sha1Sha256AndShowOnlyFileBesides) {
    ColumnTable table;
    EXPECT_EQ(table.Selection(), (1ull << 5) | (1ull << 15) | (1ull << 20) | (1ull << 22));
    EXPECT_TRUE(EntryShown(table.Get(0)));
    EXPECT_FALSE(EntryShown(table.Get(1)));
    EXPECT_FALSE(EntryShown(table.Get(2)));
    for (int p = 0; p < int(kColumnCount); ++p) {
        const ColumnEntry entry = table.Get(p);
        EXPECT_EQ(PositionOfColumnId(EntryId(entry)), p);
        EXPECT_NE(entry & kColumnAscending, 0u);
        EXPECT_EQ(entry & kColumnSortMarker, 0u);
    }
    for (ColumnId invalid : {39u, 45u, 59u, 63u})
        EXPECT_EQ(PositionOfColumnId(invalid), -1) << invalid; // ids no column carries
}

// Worked examples, and fields that do not spill into each other.
TEST(ColumnTable, EntryWords) {
    EXPECT_EQ(MakeColumnEntry(kCrc32Id, 1, 80, true), 0x800A1045u);
    const ColumnEntry full = MakeColumnEntry(37, 63, kMaxColumnWidth, true) | kColumnSortMarker;
    EXPECT_EQ(EntryId(full), 37u);
    EXPECT_EQ(EntryOrder(full), 63u);
    EXPECT_EQ(EntryWidth(full), kMaxColumnWidth);
    EXPECT_EQ(EntryWidth(WithWidth(full, 0)), 0u);
    EXPECT_EQ(WithWidth(full, 0) | kColumnWidthMask, full);
    EXPECT_EQ(WithOrder(full, 0) | kColumnOrderMask, full);
}

TEST(ColumnTable, SelectionFollowsShownFlagsOfAlgorithmPositionsOnly) {
    ColumnTable table;
    ColumnSnapshot entries = table.Snapshot();
    for (int p = 0; p < int(kColumnCount); ++p)
        entries[p] = WithShown(entries[p], false);
    EXPECT_EQ(ColumnTable::SelectionFromColumns(entries), 0u);
    entries[37] = WithShown(entries[37], true); // XXH32
    entries[0] = WithShown(entries[0], true);
    entries[1] = WithShown(entries[1], true);
    EXPECT_EQ(ColumnTable::SelectionFromColumns(entries), 1ull << 34);
    table.Assign(entries);
    EXPECT_EQ(table.Selection(), 1ull << 34);
}

TEST(ColumnTable, LayoutGivesDisplayOrderAndDigestWidths) {
    ColumnTable table;
    InitColumnLayout(
        table, [](uint32_t characters) { return 8 * characters; }, 18);
    for (int p = 0; p < int(kColumnCount); ++p)
        EXPECT_EQ(EntryOrder(table.Get(p)), uint32_t(p));
    EXPECT_EQ(EntryWidth(table.Get(24 + 3)), 128u * 8 + 18); // SHA-512
    EXPECT_EQ(EntryWidth(table.Get(kCrc32Id + 3)), 8u * 8 + 18);
    EXPECT_EQ(EntryWidth(table.Get(0)), 160u);
    EXPECT_EQ(table.Selection(), ColumnTable().Selection());
}

} // namespace
} // namespace vesk
