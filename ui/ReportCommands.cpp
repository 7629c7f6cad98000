#include "ui/ReportCommands.h"

#include "platform/Platform.h"
#include "results/ChecksumWriter.h"
#include "ui/Handles.h"
#include "ui/ListMenus.h"

#include <commdlg.h>

#include <cwctype>
#include <memory>

namespace vesk {

namespace {

constexpr wchar_t kFilterIndexKey[] = L"FilterIndex";
// Reports first, checksum files after them, and new forms at the end, so that
// every stored filter index keeps its meaning.
constexpr wchar_t kSaveFilters[] = L"Text Files(*.txt)\0*.txt\0"
                                   L"CSV (Comma delimited) Files(*.csv)\0*.csv\0"
                                   L"HTML Files(*.html;*.htm)\0*.html;*.htm\0"
                                   L"All Files(*.*)\0*.*\0"
                                   L"SHA-256 checksums (*.sha256)\0*.sha256\0"
                                   L"SHA-1 (*.sha1)\0*.sha1\0"
                                   L"MD5 (*.md5)\0*.md5\0"
                                   L"SHA-512 (*.sha512)\0*.sha512\0"
                                   L"BSD tags, every shown algorithm (*.txt)\0*.txt\0"
                                   L"SFV (*.sfv)\0*.sfv\0"
                                   L"BLAKE3 checksums (*.b3)\0*.b3\0";
constexpr int kSaveFilterCount = 11;
constexpr int kFirstChecksumFilter = 5;

struct ChecksumChoice {
    ChecksumForm form;
    std::optional<AlgorithmId> algorithm;
};

// A checksum file by the filter chosen, or by a checksum file's extension
// under the report filters; nothing for a report.
std::optional<ChecksumChoice> ChecksumChoiceOf(int filterIndex, const std::wstring& path) {
    static const ChecksumChoice kByFilter[] = {
        {ChecksumForm::Gnu, kSha256Id}, {ChecksumForm::Gnu, kSha1Id},      {ChecksumForm::Gnu, kMd5Id},
        {ChecksumForm::Gnu, kSha512Id}, {ChecksumForm::Bsd, std::nullopt}, {ChecksumForm::Sfv, kCrc32Id},
        {ChecksumForm::Gnu, kBlake3Id}};
    if (filterIndex >= kFirstChecksumFilter && filterIndex <= kSaveFilterCount)
        return kByFilter[filterIndex - kFirstChecksumFilter];
    std::wstring extension = path.substr(std::min(path.rfind(L'.'), path.size()));
    for (wchar_t& c : extension)
        c = wchar_t(std::towlower(wint_t(c)));
    static const std::pair<const wchar_t*, int> kByExtension[] = {
        {L".sha256", 5}, {L".sha1", 6}, {L".md5", 7}, {L".sha512", 8}, {L".sfv", 10}, {L".b3", 11}};
    for (const auto& [known, filter] : kByExtension)
        if (extension == known)
            return kByFilter[filter - kFirstChecksumFilter];
    return std::nullopt;
}

constexpr DWORD kLongestPathCharacters = 32768;

// Writes all of `report` but its final NUL; 0 on success, else the system's error.
DWORD WriteReportFile(const std::wstring& path, const std::string* report) {
    const HANDLE created = CreateFileW(platform::LongPathForm(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE)
        return GetLastError();
    const KernelHandleOwner file(created);
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
    if (GetFileAttributesW(platform::LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES &&
        MessageBoxW(owner, L"File already exists, do you want to replace it?", L"Confirm Save As",
                    MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    std::optional<std::string> report;
    if (const std::optional<ChecksumChoice> checksums = ChecksumChoiceOf(int(dialog.nFilterIndex), path)) {
        const std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
        const ChecksumFileText file =
            BuildChecksumFile(source.list, source.view, checksums->form, checksums->algorithm, folder);
        if (file.skippedFiles > 0) {
            const std::wstring algorithm =
                checksums->algorithm ? ColumnName(*checksums->algorithm) : std::wstring(L"any algorithm");
            const std::wstring message =
                std::to_wstring(file.skippedFiles) +
                L" files are left out of the checksum file: the list shows no " + algorithm +
                L" digest for them. Choose it in Tools > Options and add them again.";
            MessageBoxW(owner, message.c_str(), L"Vesk", MB_OK | MB_ICONWARNING);
        }
        if (file.writtenFiles == 0) {
            WriteIntSetting(settings, kFilterIndexKey, int(dialog.nFilterIndex));
            return;
        }
        report = file.text + '\0';
    } else {
        report = BuildReport(source.list, source.view, false, ReportFormatOfPath(path), source.footer);
    }
    if (const DWORD error = WriteReportFile(path, report ? &*report : nullptr); error != 0) {
        const std::wstring message =
            L"The report could not be saved to " + path + L":\n" + platform::SystemErrorText(error) + L".";
        MessageBoxW(owner, message.c_str(), L"Vesk", MB_OK | MB_ICONERROR);
    }
    WriteIntSetting(settings, kFilterIndexKey, int(dialog.nFilterIndex));
}

namespace {

// The temporary folder, ending in a backslash. Some systems' GetTempPathW
// refuses a folder longer than MAX_PATH; then the variables it reads are read
// here, in its order.
std::wstring TemporaryFolder() {
    std::wstring folder(kLongestPathCharacters, L'\0');
    DWORD length = GetTempPathW(DWORD(folder.size()), folder.data());
    for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
        if (length > 0 && length < folder.size())
            break;
        length = GetEnvironmentVariableW(name, folder.data(), DWORD(folder.size()));
    }
    if (length == 0 || length >= folder.size())
        length = GetWindowsDirectoryW(folder.data(), DWORD(folder.size()));
    folder.resize(length < folder.size() ? length : 0);
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

} // namespace

std::wstring TemporaryReportPath(ReportFormat format) {
    const std::wstring folder = TemporaryFolder();
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
