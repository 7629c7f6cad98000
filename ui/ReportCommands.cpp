#include "ui/ReportCommands.h"

#include "ui/ListMenus.h"

#include <commdlg.h>

#include <memory>

namespace vesk {

namespace {

constexpr wchar_t kFilterIndexKey[] = L"FilterIndex";
constexpr wchar_t kSaveFilters[] = L"Text Files(*.txt)\0*.txt\0"
                                   L"CSV (Comma delimited) Files(*.csv)\0*.csv\0"
                                   L"HTML Files(*.html;*.htm)\0*.html;*.htm\0"
                                   L"All Files(*.*)\0*.*\0";
constexpr int kSaveFilterCount = 4;
constexpr DWORD kLongestPathCharacters = 32768;

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileOwner = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

std::wstring SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message = text != nullptr ? text : L"error " + std::to_wstring(error);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    return message;
}

// Writes all of `report` but its final NUL; 0 on success, else the system's error.
DWORD WriteReportFile(const std::wstring& path, const std::string* report) {
    FileOwner file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        return GetLastError();
    }
    size_t at = 0;
    const size_t size = report != nullptr ? report->size() - 1 : 0;
    while (at < size) {
        DWORD written = 0;
        const DWORD piece = DWORD(std::min<size_t>(size - at, 1 << 24));
        if (!WriteFile(file.get(), report->data() + at, piece, &written, nullptr) || written == 0)
            return GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
        at += written;
    }
    return 0;
}

} // namespace

void SaveReport(HWND owner, const ReportInput& source, const SettingsFile& settings) {
    if (source.list.RowCount() == 0)
        return;
    int filterIndex = ReadIntSetting(settings, kFilterIndexKey, 1);
    if (filterIndex > kSaveFilterCount)
        filterIndex = 1;
    std::wstring path(kLongestPathCharacters, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kSaveFilters;
    dialog.nFilterIndex = DWORD(filterIndex);
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = DWORD(path.size());
    dialog.lpstrDefExt = L"html";
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&dialog))
        return;
    path.resize(wcslen(path.c_str()));
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
        MessageBoxW(owner, L"File already exists, do you want to replace it?", L"Confirm Save As",
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const std::optional<std::string> report =
        BuildReport(source.list, source.view, false, ReportFormatOfPath(path), source.footer);
    if (const DWORD error = WriteReportFile(path, report ? &*report : nullptr); error != 0) {
        const std::wstring message =
            L"The report could not be saved to " + path + L":\n" + SystemMessage(error);
        MessageBoxW(owner, message.c_str(), L"Vesk", MB_OK | MB_ICONERROR);
    }
    WriteIntSetting(settings, kFilterIndexKey, int(dialog.nFilterIndex));
}

std::wstring TemporaryReportPath(ReportFormat format) {
    std::wstring folder(MAX_PATH + 1, L'\0');
    folder.resize(GetTempPathW(DWORD(folder.size()), folder.data()));
    static constexpr const wchar_t* kNames[] = {L"vesk.html", L"vesk.txt", L"vesk.csv"};
    return folder + kNames[static_cast<uint32_t>(format)];
}

void ViewReport(const ReportInput& source, ReportFormat format, bool selectedOnly,
                const std::function<void(const std::wstring& path)>& open) {
    if (source.list.RowCount() == 0)
        return;
    const std::wstring path = TemporaryReportPath(format);
    const std::optional<std::string> report =
        BuildReport(source.list, source.view, selectedOnly, format, source.footer);
    if (WriteReportFile(path, report ? &*report : nullptr) == 0 && report)
        open(path);
}

void CopyReport(HWND owner, const ReportInput& source, bool selectedOnly) {
    const std::optional<std::wstring> report =
        BuildReportText(source.list, source.view, selectedOnly, ReportFormat::Txt, source.footer);
    if (report)
        CopyTextToClipboard(owner, *report);
}

} // namespace vesk
