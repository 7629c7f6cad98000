#include "ui/BenchmarkDialog.h"

#include "resources/resource.h"
#include "results/Benchmark.h"
#include "ui/ControlUtil.h"
#include "ui/Handles.h"

#include <commctrl.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace vesk {

namespace {

// What a run and its dialog share. The dialog marks it closed when it goes;
// the worker looks before each step that would reach the dialog, and stops.
struct RunState {
    explicit RunState(HWND dialog) : dialog(dialog) {}
    const HWND dialog;
    std::atomic<bool> dialogClosed{false};
};

// Messages from a run's worker to its dialog; wParam is the run's RunState,
// so that a dialog never takes rows from a run that is not its own.
enum : UINT {
    kClearRowsMessage = WM_APP + 1,
    kAddRowMessage = WM_APP + 2, // lParam: const BenchmarkRow*
    kRunDoneMessage = WM_APP + 3,
};

struct BenchmarkDialogData {
    HWND list = nullptr;
    std::vector<BenchmarkRow> rows; // each list row's item data is its index here
    std::shared_ptr<RunState> run;  // the run going on, if any
};

std::atomic<int> runsInProgress{0};

// The sort column and directions outlive the dialog.
BenchmarkSort& SharedBenchmarkSort() {
    static BenchmarkSort sort;
    return sort;
}

// ---- The run, on its worker thread -----------------------------------------

bool DialogOpen(const RunState& run) {
    return !run.dialogClosed.load();
}

void SendToDialog(RunState& run, UINT message, const void* payload = nullptr) {
    if (DialogOpen(run))
        SendMessageW(run.dialog, message, reinterpret_cast<WPARAM>(&run), reinterpret_cast<LPARAM>(payload));
}

uint64_t ReadCounter() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return uint64_t(now.QuadPart);
}

// Pages never written would all read as one shared page of zeros, which stays
// in the cache and flatters every algorithm: each page gets bytes of its own.
void FillBuffer(std::span<uint8_t> buffer) {
    uint64_t x = 0x9E3779B97F4A7C15;
    for (size_t i = 0; i + 8 <= buffer.size(); i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&buffer[i], &x, 8);
    }
}

void MeasureForDialog(RunState& run) {
    VirtualMemoryOwner<uint8_t> memory(static_cast<uint8_t*>(
        VirtualAlloc(nullptr, kBenchmarkBufferBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)));
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    ContextSetOwner set(BuildContextSet(kAllAlgorithms));
    if (!memory || !set || !DialogOpen(run))
        return;
    const std::span<uint8_t> buffer(memory.get(), kBenchmarkBufferBytes);
    FillBuffer(buffer);
    SendToDialog(run, kClearRowsMessage);
    // Locking may well fail (it is bounded by the working set); the pages are
    // in memory after the fill all the same.
    VirtualLock(buffer.data(), buffer.size());
    MeasureAlgorithms(*set, buffer, {uint64_t(frequency.QuadPart), ReadCounter},
                      [&](const AlgorithmInfo& info, uint64_t bytesPerSecond) {
                          const BenchmarkRow row = MakeBenchmarkRow(info, bytesPerSecond);
                          SendToDialog(run, kAddRowMessage, &row);
                          return DialogOpen(run);
                      });
    VirtualUnlock(buffer.data(), buffer.size());
}

DWORD WINAPI RunWorker(void* parameter) {
    {
        const std::unique_ptr<std::shared_ptr<RunState>> run(
            static_cast<std::shared_ptr<RunState>*>(parameter));
        MeasureForDialog(**run);
        SendToDialog(**run, kRunDoneMessage);
    }
    runsInProgress.fetch_sub(1);
    return 0;
}

bool StartRunWorker(std::shared_ptr<RunState> run) {
    auto parameter = std::make_unique<std::shared_ptr<RunState>>(std::move(run));
    runsInProgress.fetch_add(1);
    HANDLE thread = CreateThread(nullptr, 0, RunWorker, parameter.get(), 0, nullptr);
    if (thread == nullptr) {
        runsInProgress.fetch_sub(1);
        return false;
    }
    parameter.release(); // the worker owns it now
    CloseHandle(thread);
    return true;
}

// ---- The dialog, on the window thread --------------------------------------

void OnInitDialog(HWND dialog, BenchmarkDialogData& data) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&data));
    data.list = GetDlgItem(dialog, IDC_BENCHMARK_LIST);
    SetExplorerTheme(data.list);
    ListView_SetExtendedListViewStyle(data.list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    RECT client{};
    GetClientRect(data.list, &client);
    // Room is left for a vertical scroll bar.
    const int width = (client.right - client.left - 20) / 2;
    ListViewInsertColumn(data.list, kBenchmarkHashColumn, L"Hash", width, LVCFMT_LEFT);
    ListViewInsertColumn(data.list, kBenchmarkSpeedColumn, L"Speed", width, LVCFMT_RIGHT);
}

void ShowWaitCursor(bool wait) {
    SetCursor(LoadCursorW(nullptr, wait ? IDC_WAIT : IDC_ARROW));
}

void OnRunDone(HWND dialog, BenchmarkDialogData& data) {
    data.run.reset();
    EnableWindow(GetDlgItem(dialog, IDC_BENCHMARK_RUN), TRUE);
    POINT pointer{};
    RECT area{};
    GetWindowRect(dialog, &area);
    if (GetCursorPos(&pointer) && PtInRect(&area, pointer))
        ShowWaitCursor(false);
}

void OnRun(HWND dialog, BenchmarkDialogData& data) {
    if (data.run)
        return;
    HWND button = GetDlgItem(dialog, IDC_BENCHMARK_RUN);
    data.run = std::make_shared<RunState>(dialog);
    ShowWaitCursor(true);
    // A disabled button cannot keep the focus: the list takes it and can be
    // scrolled while the rows come.
    if (GetFocus() == button)
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(data.list), TRUE);
    EnableWindow(button, FALSE);
    if (!StartRunWorker(data.run))
        OnRunDone(dialog, data);
}

void OnClearRows(BenchmarkDialogData& data) {
    ListView_DeleteAllItems(data.list);
    data.rows.clear();
}

void OnAddRow(BenchmarkDialogData& data, const BenchmarkRow& row) {
    const int index = int(data.rows.size());
    data.rows.push_back(row);
    ListViewInsertRow(data.list, index, row.name, LPARAM(index));
    ListViewSetCellText(data.list, index, kBenchmarkSpeedColumn, row.speed);
}

int CALLBACK CompareRows(LPARAM a, LPARAM b, LPARAM context) {
    const auto& data = *reinterpret_cast<const BenchmarkDialogData*>(context);
    return SharedBenchmarkSort().Compare(data.rows[size_t(a)], data.rows[size_t(b)]);
}

void OnColumnClick(BenchmarkDialogData& data, int column) {
    const BenchmarkArrows arrows = SharedBenchmarkSort().Click(column);
    if (arrows.column < 0)
        return;
    if (arrows.cleared >= 0)
        ListViewSetSortArrow(data.list, arrows.cleared, SortArrow::None);
    ListViewSetSortArrow(data.list, arrows.column, arrows.arrow);
    ListView_SortItems(data.list, CompareRows, reinterpret_cast<LPARAM>(&data));
}

// Whether a message from a worker comes from this dialog's own run.
bool FromOwnRun(const BenchmarkDialogData* data, WPARAM run) {
    return data != nullptr && data->run && reinterpret_cast<RunState*>(run) == data->run.get();
}

INT_PTR CALLBACK BenchmarkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* data = reinterpret_cast<BenchmarkDialogData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, *reinterpret_cast<BenchmarkDialogData*>(lParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_BENCHMARK_RUN:
            OnRun(dialog, *data);
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (data != nullptr && header.hwndFrom == data->list && header.code == LVN_COLUMNCLICK) {
            OnColumnClick(*data, reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return TRUE;
        }
        break;
    }
    case WM_SETCURSOR:
        if (data != nullptr && data->run) {
            ShowWaitCursor(true);
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        break;
    case kClearRowsMessage:
        if (FromOwnRun(data, wParam))
            OnClearRows(*data);
        return TRUE;
    case kAddRowMessage:
        if (FromOwnRun(data, wParam))
            OnAddRow(*data, *reinterpret_cast<const BenchmarkRow*>(lParam));
        return TRUE;
    case kRunDoneMessage:
        if (FromOwnRun(data, wParam))
            OnRunDone(dialog, *data);
        return TRUE;
    case WM_DESTROY:
        if (data != nullptr && data->run)
            data->run->dialogClosed = true;
        break;
    }
    return FALSE;
}

} // namespace

void ShowBenchmarkDialog(HWND owner) {
    BenchmarkDialogData data;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BENCHMARK), owner, BenchmarkDialogProc,
                    reinterpret_cast<LPARAM>(&data));
}

int BenchmarkRunsInProgress() {
    return runsInProgress.load();
}

} // namespace vesk
