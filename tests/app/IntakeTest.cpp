#include "app/Intake.h"

#include "platform/Platform.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

std::wstring Native(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'\\')
            c = platform::kPathSeparator;
    return path;
}

TEST(Intake, SelectionTextGivesEveryChosenFile) {
    using namespace std::string_literals;
    const struct {
        std::wstring selection;
        size_t firstNameOffset;
        std::vector<std::wstring> paths;
    } cases[] = {
        // One file: the offset points at the name inside the full path.
        {Native(L"C:\\data\\one.txt") + L"\0\0"s, 8, {Native(L"C:\\data\\one.txt")}},
        {Native(L"C:\\root.txt") + L"\0\0"s, 3, {Native(L"C:\\root.txt")}},
        // Several: the folder, then the names, in the dialog's order.
        {Native(L"C:\\data") + L"\0b.txt\0a.txt\0c d.txt\0\0"s,
         8,
         {Native(L"C:\\data\\b.txt"), Native(L"C:\\data\\a.txt"), Native(L"C:\\data\\c d.txt")}},
        {Native(L"C:\\") + L"\0x\0\0"s, 4, {Native(L"C:\\x")}},
        // No closing empty entry: the text's end closes the list.
        {Native(L"C:\\d") + L"\0x"s, 5, {Native(L"C:\\d\\x")}},
        {L"", 0, {}},
        {L"abc", 9, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SelectedFilePaths(c.selection, c.firstNameOffset), c.paths);
}

TEST(Intake, DepthChoicesInListOrderMakeFolderScans) {
    const struct {
        int index;
        const wchar_t* text;
        ScanFlags flags;
    } cases[] = {
        {0, L"Scan all levels", kScanEveryLevel},
        {1, L"Scan 0 level (the specified directory only)", 0},
        {2, L"Scan 1 level(s)", 1},
        {10, L"Scan 9 level(s)", 9},
        {11, L"Scan level 1", 0x10001},
        {13, L"Scan level 3", 0x10003},
        {19, L"Scan level 9", 0x10009},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DepthChoiceText(c.index), c.text);
        EXPECT_EQ(DepthChoiceFlags(c.index), c.flags);
    }
    // An index outside the list, as a damaged setting could give, walks every level.
    EXPECT_EQ(DepthChoiceFlags(-1), kScanEveryLevel);
    EXPECT_EQ(DepthChoiceFlags(20), kScanEveryLevel);
    // A scan needs a folder and a wildcard.
    EXPECT_EQ(FolderScanRequest(Native(L"C:\\d"), L"*.iso", 3).folder, Native(L"C:\\d\\"));
    EXPECT_EQ(FolderScanRequest(Native(L"C:\\d\\"), L"*", 3).folder, Native(L"C:\\d\\"));
    EXPECT_TRUE(FolderScanRequest(L"", L"*", 0).folder.empty());
    EXPECT_TRUE(FolderScanRequest(L"C:", L"", 0).folder.empty());
}

} // namespace
} // namespace vesk::test
