#include "ui/OptionsDialog.h"

#include "resources/resource.h"
#include "ui/ControlUtil.h"

#include <commctrl.h>

namespace vesk {

namespace {

struct OptionsData {
    ViewState* view;
    ResultList* list;
};

void OnInitDialog(HWND dialog, const OptionsData& data) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LPARAM>(&data));
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_LIST);
    SetExplorerTheme(list);
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES);
    for (uint32_t p = kFirstAlgorithmPosition; p < kColumnCount; ++p) {
        std::wstring name = ColumnName(ColumnIdAtPosition(int(p)));
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = int(p - kFirstAlgorithmPosition);
        item.pszText = name.data();
        const int index = ListView_InsertItem(list, &item);
        ListView_SetCheckState(list, index, EntryShown(data.view->columns.Get(int(p))) ? TRUE : FALSE);
    }
}

void CheckEverything(HWND dialog, bool checked) {
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_LIST);
    for (int i = 0, count = ListView_GetItemCount(list); i < count; ++i)
        ListView_SetCheckState(list, i, checked ? TRUE : FALSE);
}

// Table order, so that each column lands after those already applied.
void Apply(HWND dialog, const OptionsData& data) {
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_LIST);
    for (uint32_t p = kFirstAlgorithmPosition; p < kColumnCount; ++p) {
        const bool checked = ListView_GetCheckState(list, int(p - kFirstAlgorithmPosition)) != FALSE;
        if (data.list != nullptr) {
            data.list->SetColumnShown(int(p), checked);
        } else {
            const ColumnEntry entry = data.view->columns.Get(int(p));
            data.view->columns.Set(int(p), WithShown(entry, checked));
        }
    }
}

INT_PTR CALLBACK OptionsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* data = reinterpret_cast<const OptionsData*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog, *reinterpret_cast<const OptionsData*>(lParam));
        return TRUE;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        if ((header.code == NM_CLICK || header.code == NM_RETURN) &&
            (header.idFrom == IDC_OPTIONS_SELECT_ALL || header.idFrom == IDC_OPTIONS_SELECT_NONE)) {
            CheckEverything(dialog, header.idFrom == IDC_OPTIONS_SELECT_ALL);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            Apply(dialog, *data);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

} // namespace

void ShowOptionsDialog(HWND owner, ViewState& view, ResultList* list) {
    OptionsData data{&view, list};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_OPTIONS), owner, OptionsDialogProc,
                    reinterpret_cast<LPARAM>(&data));
}

} // namespace vesk
