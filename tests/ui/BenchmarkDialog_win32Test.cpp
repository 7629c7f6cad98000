// The Benchmark dialog under Wine, opened from the Tools menu. One full run of
// all 38 algorithms over 50 MiB takes seconds here, so only one test runs one.
#include "ui/BenchmarkDialog.h"

#include "results/Benchmark.h"
#include "tests/ui/WindowTest.h"
#include "text/TextEncoding.h"

#include <commctrl.h>

#include <algorithm>
#include <regex>

namespace vesk::test {
namespace {

std::wstring CellText(HWND list, int row, int column) {
    wchar_t text[260] = {};
    ListView_GetItemText(list, row, column, text, 260);
    return text;
}

std::vector<std::wstring> Column(HWND list, int column) {
    std::vector<std::wstring> texts;
    for (int row = 0, count = ListView_GetItemCount(list); row < count; ++row)
        texts.push_back(CellText(list, row, column));
    return texts;
}

// The header's arrow on a column: 1 up, -1 down, 0 none.
int Arrow(HWND list, int column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(list), column, &item);
    return (item.fmt & HDF_SORTUP) ? 1 : (item.fmt & HDF_SORTDOWN) ? -1 : 0;
}

void ClickHeader(HWND dialog, int column) {
    NMLISTVIEW click{};
    click.hdr.hwndFrom = GetDlgItem(dialog, IDC_BENCHMARK_LIST);
    click.hdr.idFrom = IDC_BENCHMARK_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(dialog, WM_NOTIFY, IDC_BENCHMARK_LIST, reinterpret_cast<LPARAM>(&click));
}

// A speed text in KB/s, as finely as the text tells.
uint64_t Kilobytes(const std::wstring& speed) {
    const uint64_t number = std::stoull(speed);
    return speed.ends_with(L" MB/s") ? number * 1024 : number;
}

bool InOrder(const std::vector<std::wstring>& texts, int arrow,
             const std::function<int(const std::wstring&, const std::wstring&)>& compare) {
    for (size_t i = 1; i < texts.size(); ++i)
        if (arrow * compare(texts[i - 1], texts[i]) > 0)
            return false;
    return true;
}

int CompareNames(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
}

int CompareSpeeds(const std::wstring& a, const std::wstring& b) {
    return Kilobytes(a) < Kilobytes(b) ? -1 : Kilobytes(a) > Kilobytes(b) ? 1 : 0;
}

using BenchmarkDialogTest = WindowTest;

// Name and speed of every row, in the list's order.
std::vector<std::pair<std::wstring, std::wstring>> Rows(HWND list) {
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    for (int row = 0, count = ListView_GetItemCount(list); row < count; ++row)
        rows.emplace_back(CellText(list, row, kBenchmarkHashColumn),
                          CellText(list, row, kBenchmarkSpeedColumn));
    return rows;
}

void RunAndSort(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_BENCHMARK_LIST);
    HWND button = GetDlgItem(dialog, IDC_BENCHMARK_RUN);
    RECT client{};
    GetClientRect(list, &client);
    for (int column : {kBenchmarkHashColumn, kBenchmarkSpeedColumn})
        EXPECT_EQ(ListView_GetColumnWidth(list, column), (client.right - 20) / 2);
    EXPECT_EQ(ListView_GetItemCount(list), 0);

    PressButton(dialog, IDC_BENCHMARK_RUN);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(button); }, 5s));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(button); }, 300s));
    const auto measured = Rows(list);
    ASSERT_EQ(measured.size(), size_t(kAlgorithmCount));
    const std::wregex speedText(LR"(\d+ [KM]B/s)");
    for (AlgorithmId id = 0; id < kAlgorithmCount; ++id) {
        EXPECT_EQ(WideToUtf8(measured[id].first), AlgorithmById(id).name);
        EXPECT_TRUE(std::regex_match(measured[id].second, speedText)) << WideToUtf8(measured[id].second);
    }

    // Speed twice (the second click turns the first round), then Hash; the
    // directions are the program's, whatever earlier dialogs left.
    ClickHeader(dialog, kBenchmarkSpeedColumn);
    const int first = Arrow(list, kBenchmarkSpeedColumn);
    EXPECT_NE(first, 0);
    EXPECT_TRUE(InOrder(Column(list, kBenchmarkSpeedColumn), first, CompareSpeeds));
    ClickHeader(dialog, kBenchmarkSpeedColumn);
    EXPECT_EQ(Arrow(list, kBenchmarkSpeedColumn), -first);
    EXPECT_TRUE(InOrder(Column(list, kBenchmarkSpeedColumn), -first, CompareSpeeds));
    ClickHeader(dialog, kBenchmarkHashColumn);
    EXPECT_EQ(Arrow(list, kBenchmarkSpeedColumn), 0);
    const int byName = Arrow(list, kBenchmarkHashColumn);
    EXPECT_NE(byName, 0);
    EXPECT_TRUE(InOrder(Column(list, kBenchmarkHashColumn), byName, CompareNames));
    // Every row keeps its own speed through the sorting.
    auto sorted = Rows(list);
    auto expected = measured;
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);
}

TEST_F(BenchmarkDialogTest, RunListsEveryAlgorithmInTableOrderThenSortsByEitherColumn) {
    Open();
    DialogDriver driver(window, [](HWND dialog) {
        RunAndSort(dialog);
        PressButton(dialog, IDOK);
    });
    Command(ID_TOOLS_BENCHMARK);
    EXPECT_TRUE(driver.found());
    // The worker ends just after its last message.
    EXPECT_TRUE(WaitFor([] { return BenchmarkRunsInProgress() == 0; }, 5s));
}

TEST_F(BenchmarkDialogTest, ClosingDuringARunLeavesTheNextDialogAlone) {
    Open();
    {
        DialogDriver driver(window, [](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_BENCHMARK_LIST);
            PressButton(dialog, IDC_BENCHMARK_RUN);
            EXPECT_TRUE(WaitFor([&] { return ListView_GetItemCount(list) >= 2; }, 60s));
            PressButton(dialog, IDCANCEL);
        });
        Command(ID_TOOLS_BENCHMARK);
        EXPECT_TRUE(driver.found());
    }
    // The closed dialog's run may still be timing an algorithm: a new dialog
    // opened meanwhile gets none of its rows and can start a run of its own.
    DialogDriver driver(window, [](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_BENCHMARK_LIST);
        EXPECT_TRUE(WaitFor([] { return BenchmarkRunsInProgress() == 0; }, 120s));
        EXPECT_EQ(ListView_GetItemCount(list), 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_BENCHMARK_RUN)));
        PressButton(dialog, IDCANCEL);
    });
    Command(ID_TOOLS_BENCHMARK);
    EXPECT_TRUE(driver.found());
}

} // namespace
} // namespace vesk::test
