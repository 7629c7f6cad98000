#include "ui/VerifyWindow.h"

#include "app/AppVersion.h"
#include "app/Verify.h"
#include "core/AlgorithmTable.h"
#include "resources/resource.h"
#include "results/TextRows.h"
#include "ui/ControlUtil.h"
#include "ui/ListView.h"
#include "ui/ReportCommands.h"
#include "ui/WindowSink.h"

#include <commctrl.h>
#include <commdlg.h>

#include <atomic>
#include <memory>
#include <vector>

namespace vesk {

namespace {

enum : UINT {
    kLinesCheckedMessage = WM_APP + 20, // lParam: const std::vector<CheckResult>*, in order
    kCheckEndedMessage =
        WM_APP + 21, // wParam: improperly formatted lines; lParam: const std::wstring* problem
};

// The title counts the outcomes; more often than this it would only flicker.
constexpr ULONGLONG kTitleIntervalMilliseconds = 250;

constexpr COLORREF kOkColour = RGB(0, 128, 0);
constexpr COLORREF kProblemColour = RGB(255, 0, 0);
// The columns carry no column table ids; the report writer sizes them by their texts.
constexpr ColumnId kTextColumnId = 63;

struct VerifyStart {
    HWND verifyWindow;
    HWND mainWindow;
    std::wstring checksumPath;
    // Set when the window closes; the check stops at its next piece.
    std::shared_ptr<std::atomic<bool>> closed;
};

// The main window's progress bar shows long files; the check's own window
// shows what could not be read, and its closing stops the check.
class VerifySink : public WindowSink {
public:
    VerifySink(HWND mainWindow, std::shared_ptr<std::atomic<bool>> closed)
        : WindowSink(mainWindow, false), closed_(std::move(closed)) {}
    bool StopRequested() const override { return closed_->load() || WindowSink::StopRequested(); }

private:
    std::shared_ptr<std::atomic<bool>> closed_;
};

DWORD WINAPI VerifyWorker(void* parameter) {
    std::unique_ptr<VerifyStart> start(static_cast<VerifyStart*>(parameter));
    VerifySink progress(start->mainWindow, start->closed);
    // Lines travel in batches, as results do to the main window: a message
    // per line costs more than checking a small file.
    std::vector<CheckResult> batch;
    BatchClock batchClock(512, 50);
    const auto send = [&] {
        if (!batch.empty() && !start->closed->load())
            SendMessageW(start->verifyWindow, kLinesCheckedMessage, 0, reinterpret_cast<LPARAM>(&batch));
        batch.clear();
    };
    const CheckEnd end = CheckChecksumFile(start->checksumPath, progress, [&](const CheckResult& result) {
        batch.push_back(result);
        if (batchClock.Due(batch.size()))
            send();
    });
    send();
    std::wstring problem = end.problem;
    if (problem.empty() && end.lines == 0)
        problem = L"no properly formatted checksum lines found";
    const size_t improper = end.improperLines;
    if (!start->closed->load())
        SendMessageW(start->verifyWindow, kCheckEndedMessage, improper, reinterpret_cast<LPARAM>(&problem));
    return 0;
}

class VerifyWindow {
public:
    VerifyWindow(HWND mainWindow, std::wstring checksumPath, SettingsFile settings)
        : mainWindow_(mainWindow), checksumPath_(std::move(checksumPath)), settings_(std::move(settings)) {
        view_.viewFlags = kViewSheet;
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<VerifyWindow*>(GetWindowLongPtrW(window, DWLP_USER));
        if (message == WM_INITDIALOG) {
            self = reinterpret_cast<VerifyWindow*>(lParam);
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            self->OnInitDialog(window);
            return TRUE;
        }
        if (self == nullptr)
            return FALSE;
        switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED)
                self->Layout(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case kLinesCheckedMessage:
            self->OnLinesChecked(*reinterpret_cast<const std::vector<CheckResult>*>(lParam));
            return TRUE;
        case kCheckEndedMessage:
            self->OnCheckEnded(size_t(wParam), *reinterpret_cast<const std::wstring*>(lParam));
            return TRUE;
        case WM_NOTIFY:
            SetWindowLongPtrW(window, DWLP_MSGRESULT, self->OnNotify(*reinterpret_cast<NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            self->OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_DESTROY:
            self->closed_->store(true);
            return FALSE;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, DWLP_USER, 0);
            delete self;
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    void OnInitDialog(HWND window) {
        window_ = window;
        list_ = GetDlgItem(window, IDC_VERIFY_LIST);
        SetExplorerTheme(list_);
        ListView_SetExtendedListViewStyle(list_,
                                          LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);
        control_ = std::make_unique<ListViewControl>(list_);
        control_->ShowRows(&rows_);
        const struct {
            const wchar_t* header;
            uint32_t width;
        } columns[] = {
            {L"File", 200}, {L"Status", 90}, {L"Algorithm", 130}, {L"Expected", 300}, {L"Computed", 300}};
        for (int i = 0; i < int(std::size(columns)); ++i)
            control_->InsertColumn(
                i, {i == 0 ? kFileColumnId : kTextColumnId, columns[i].header, columns[i].width});
        SetProgramIcons(window);
        RECT rect{};
        GetWindowRect(GetDlgItem(window, IDCANCEL), &rect);
        buttonSize_ = {rect.right - rect.left, rect.bottom - rect.top};
        UpdateTitle(L"checking");
    }

    void Layout(int width, int height) {
        constexpr int kMargin = 6;
        const int band = buttonSize_.cy + 2 * kMargin;
        MoveWindow(list_, 0, 0, width, height - band, TRUE);
        int left = width - kMargin;
        for (int id : {IDCANCEL, IDC_VERIFY_COPY, IDC_VERIFY_SAVE}) {
            left -= buttonSize_.cx;
            SetWindowPos(GetDlgItem(window_, id), nullptr, left, height - kMargin - buttonSize_.cy, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            left -= kMargin;
        }
    }

    void UpdateTitle(const std::wstring& state) {
        const size_t slash = checksumPath_.find_last_of(L"\\/");
        const std::wstring name =
            slash == std::wstring::npos ? checksumPath_ : checksumPath_.substr(slash + 1);
        SetWindowTextW(window_, (L"Verify " + name + L" - " + state).c_str());
    }

    void OnLinesChecked(const std::vector<CheckResult>& results) {
        // The rows go to the list as one count change, which draws only rows
        // that come into view; the first batch also sets the column widths.
        const bool first = rows_.RowCount() == 0;
        for (const CheckResult& result : results)
            AddLine(result);
        control_->RowsChanged(true);
        if (first)
            FitColumns();
        if (const ULONGLONG now = GetTickCount64(); now - titleTime_ >= kTitleIntervalMilliseconds) {
            titleTime_ = now;
            UpdateTitle(summary_.Text() + L" (checking)");
        }
    }

    void AddLine(const CheckResult& result) {
        const bool uppercase =
            (SharedViewState().viewFlags.load(std::memory_order_relaxed) & kViewUppercase) != 0;
        const std::wstring expected =
            DigestToText(result.line.expected.data(), result.line.algorithm, uppercase);
        rows_.Append(
            {result.line.name, CheckStatusText(result.status), AlgorithmChoiceText(result.line), expected,
             result.status == CheckStatus::Ok || result.status == CheckStatus::Failed ? result.computed
                                                                                      : result.reason});
        statuses_.push_back(result.status);
        summary_.Count(result.status);
    }

    static constexpr int kFitRowLimit = 5000;

    void FitColumns() {
        for (int column = 0; column < control_->ColumnCount(); ++column)
            ListView_SetColumnWidth(list_, column, LVSCW_AUTOSIZE_USEHEADER);
    }

    void OnCheckEnded(size_t improperLines, const std::wstring& problem) {
        // Fitting measures every row's text: for a long list the first rows' widths stay.
        if (rows_.RowCount() <= kFitRowLimit)
            FitColumns();
        std::wstring state = problem.empty() ? summary_.Text() : problem;
        if (improperLines > 0)
            state += L", " + std::to_wstring(improperLines) +
                     (improperLines == 1 ? L" line improperly formatted" : L" lines improperly formatted");
        UpdateTitle(state);
    }

    LRESULT OnNotify(NMHDR& header) {
        if (header.hwndFrom == list_ && header.code == LVN_GETDISPINFOW && control_)
            control_->OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(header));
        if (header.hwndFrom != list_ || header.code != NM_CUSTOMDRAW)
            return 0;
        auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT)
            return CDRF_NOTIFYITEMDRAW;
        if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT && draw.nmcd.dwItemSpec < statuses_.size())
            draw.clrText = statuses_[draw.nmcd.dwItemSpec] == CheckStatus::Ok ? kOkColour : kProblemColour;
        return CDRF_DODEFAULT;
    }

    void OnCommand(int id) {
        const ReportInput reports{*control_, view_, {L"", kProgramVersion}};
        switch (id) {
        case IDC_VERIFY_SAVE:
            SaveReport(window_, reports, settings_);
            break;
        case IDC_VERIFY_COPY:
            CopyReport(window_, reports, ListView_GetSelectedCount(list_) > 0);
            break;
        case IDCANCEL:
            DestroyWindow(window_);
            break;
        }
    }

    HWND mainWindow_;
    std::wstring checksumPath_;
    SettingsFile settings_;
    ViewState view_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
    SIZE buttonSize_{};
    TextRows rows_; // before the control, which shows them until it goes
    std::unique_ptr<ListViewControl> control_;
    std::vector<CheckStatus> statuses_;
    CheckSummary summary_;
    ULONGLONG titleTime_ = 0;

public:
    const std::shared_ptr<std::atomic<bool>> closed_ = std::make_shared<std::atomic<bool>>(false);
};

} // namespace

HWND OpenVerifyWindow(HWND mainWindow, const std::wstring& checksumPath, const SettingsFile& settings) {
    auto state = std::make_unique<VerifyWindow>(mainWindow, checksumPath, settings);
    HWND window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_VERIFY), mainWindow,
                                     VerifyWindow::DialogProc, reinterpret_cast<LPARAM>(state.get()));
    if (window == nullptr)
        return nullptr;
    auto start = std::make_unique<VerifyStart>(VerifyStart{window, mainWindow, checksumPath, state->closed_});
    state.release(); // freed when the window is destroyed
    if (HANDLE thread = CreateThread(nullptr, 0, VerifyWorker, start.get(), 0, nullptr)) {
        start.release();
        CloseHandle(thread);
    }
    return window;
}

void ChooseAndVerify(HWND mainWindow, const SettingsFile& settings) {
    static constexpr wchar_t kFilter[] =
        L"Checksum Files (*.sha256;*.sha1;*.md5;*.sha512;*.sfv;*.b2;*.b3;*SUMS)\0"
        L"*.sha256;*.sha1;*.md5;*.sha512;*.sha224;*.sha384;*.sfv;*.b2;*.b3;*SUMS;*.txt\0"
        L"All Files(*.*)\0*.*\0";
    std::wstring path(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = mainWindow;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = DWORD(path.size());
    dialog.lpstrTitle = L"Verify Checksum File";
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&dialog))
        return;
    path.resize(wcslen(path.c_str()));
    OpenVerifyWindow(mainWindow, path, settings);
}

} // namespace vesk
