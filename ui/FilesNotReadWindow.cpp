#include "ui/FilesNotReadWindow.h"

#include "resources/resource.h"
#include "ui/ControlUtil.h"
#include "ui/Dpi.h"
#include "ui/ListMenus.h"

#include <commctrl.h>

#include <memory>

namespace vesk {

namespace {

enum : UINT { kRefreshMessage = WM_APP + 30 };

// The list asks for its texts (an owner-data list): a hundred thousand
// failures cost no more to show than ten.
class FilesNotReadWindow {
public:
    FilesNotReadWindow(const std::vector<FileNotRead>& files, std::function<void()> clear)
        : files_(files), clear_(std::move(clear)) {}

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(window, DWLP_USER, lParam);
            reinterpret_cast<FilesNotReadWindow*>(lParam)->OnInitDialog(window);
            return TRUE;
        }
        auto* self = reinterpret_cast<FilesNotReadWindow*>(GetWindowLongPtrW(window, DWLP_USER));
        if (self == nullptr)
            return FALSE;
        switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED)
                self->Layout(LOWORD(lParam), HIWORD(lParam));
            return TRUE;
        case WM_NOTIFY:
            SetWindowLongPtrW(window, DWLP_MSGRESULT, self->OnNotify(*reinterpret_cast<NMHDR*>(lParam)));
            return TRUE;
        case WM_COMMAND:
            self->OnCommand(LOWORD(wParam));
            return TRUE;
        case kRefreshMessage:
            self->Refresh();
            return TRUE;
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
        list_ = GetDlgItem(window, IDC_NOT_READ_LIST);
        SetExplorerTheme(list_);
        ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        const UINT dpi = WindowDpi(window);
        ListViewInsertColumn(list_, 0, L"File", ScaleForDpi(380, dpi), LVCFMT_LEFT);
        ListViewInsertColumn(list_, 1, L"Reason", ScaleForDpi(380, dpi), LVCFMT_LEFT);
        SetProgramIcons(window);
        Refresh();
    }

    void Layout(int width, int height) {
        RECT button{};
        GetWindowRect(GetDlgItem(window_, IDCANCEL), &button);
        const SIZE size{button.right - button.left, button.bottom - button.top};
        const int margin = ScaleForDpi(6, WindowDpi(window_));
        MoveWindow(list_, 0, 0, width, height - size.cy - 2 * margin, TRUE);
        int left = width - margin;
        for (int id : {IDCANCEL, IDC_NOT_READ_CLEAR, IDC_NOT_READ_COPY}) {
            left -= size.cx;
            SetWindowPos(GetDlgItem(window_, id), nullptr, left, height - margin - size.cy, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            left -= margin;
        }
    }

    void Refresh() {
        ListView_SetItemCountEx(list_, int(files_.size()), LVSICF_NOSCROLL);
        InvalidateRect(list_, nullptr, TRUE);
    }

    LRESULT OnNotify(NMHDR& header) {
        if (header.hwndFrom != list_ || header.code != LVN_GETDISPINFOW)
            return 0;
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if ((item.mask & LVIF_TEXT) && item.iItem >= 0 && size_t(item.iItem) < files_.size()) {
            const FileNotRead& file = files_[size_t(item.iItem)];
            const std::wstring& text = item.iSubItem == 0 ? file.path : file.reason;
            lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
        }
        return 0;
    }

    void OnCommand(int id) {
        switch (id) {
        case IDC_NOT_READ_COPY:
            CopyTextToClipboard(window_, NotReadClipboardText(files_));
            break;
        case IDC_NOT_READ_CLEAR:
            clear_();
            break;
        case IDCANCEL:
            ShowWindow(window_, SW_HIDE);
            break;
        }
    }

    const std::vector<FileNotRead>& files_;
    std::function<void()> clear_;
    HWND window_ = nullptr;
    HWND list_ = nullptr;
};

} // namespace

HWND ShowFilesNotRead(HWND owner, HWND existing, const std::vector<FileNotRead>& files,
                      std::function<void()> clear) {
    HWND window = existing;
    if (!IsWindow(window)) {
        auto state = std::make_unique<FilesNotReadWindow>(files, std::move(clear));
        window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_NOT_READ), owner,
                                    FilesNotReadWindow::DialogProc, reinterpret_cast<LPARAM>(state.get()));
        if (window == nullptr)
            return nullptr;
        state.release(); // freed when the window is destroyed
    }
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    return window;
}

void RefreshFilesNotRead(HWND window) {
    if (IsWindow(window))
        SendMessageW(window, kRefreshMessage, 0, 0);
}

} // namespace vesk
