#include "app/Verify.h"

#include "core/AlgorithmTable.h"
#include "core/FileHashJob.h"
#include "platform/Platform.h"

#include <cwctype>
#include <map>

namespace vesk {

namespace {

// What one reading of a file gave: a digest text per algorithm, or a reason.
struct FileOutcome {
    std::map<AlgorithmId, std::wstring> digests;
    std::wstring reason;
    bool read = false;
    bool missing = false;
};

// Catches the one result of a hashing job and passes its progress on.
class CheckSink : public ResultSink {
public:
    CheckSink(ResultSink& outer, FileOutcome& outcome) : outer_(outer), outcome_(outcome) {}
    void ProgressBegin() override { outer_.ProgressBegin(); }
    void ProgressSet(uint32_t percent) override { outer_.ProgressSet(percent); }
    void ProgressEnd() override { outer_.ProgressEnd(); }
    void AddResult(const FileResult& result) override {
        outcome_.read = true;
        for (const ResultValue& value : result.values)
            outcome_.digests[value.id] = value.text;
    }
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override {
        outcome_.reason = reason;
        outer_.ReportFailure(path, reason);
    }
    bool StopRequested() const override { return outer_.StopRequested(); }

private:
    ResultSink& outer_;
    FileOutcome& outcome_;
};

bool IsAbsolute(const std::wstring& name) {
#ifdef _WIN32
    return (name.size() >= 2 && name[1] == L':') || (!name.empty() && (name[0] == L'\\' || name[0] == L'/'));
#else
    return !name.empty() && name[0] == L'/';
#endif
}

// A checksum file bigger than this is refused rather than read into memory.
constexpr size_t kChecksumPieceBytes = 1 << 16;

bool SameDigestText(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(wint_t(a[i])) != std::towlower(wint_t(b[i])))
            return false;
    return true;
}

FileOutcome ReadOnce(const std::wstring& path, SelectionMask algorithms, ResultSink& progress) {
    FileOutcome outcome;
    const platform::PathKind kind = platform::QueryPathKind(path);
    if (kind == platform::PathKind::Missing && !platform::NamesDevice(path)) {
        outcome.missing = true;
        outcome.reason = L"No such file or directory";
        progress.ReportFailure(path, outcome.reason);
        return outcome;
    }
    // A checksum file from anywhere may name a device or a pipe, which would
    // give data forever or wait for it: only regular files are read.
    if (kind == platform::PathKind::Other || platform::NamesDevice(path)) {
        outcome.reason = L"not a regular file";
        progress.ReportFailure(path, outcome.reason);
        return outcome;
    }
    ViewState view;
    view.viewFlags = kViewSheet;
    ColumnSnapshot columns = view.columns.Snapshot();
    for (uint32_t p = 1; p < kColumnCount; ++p)
        columns[p] = WithShown(columns[p], p >= kFirstAlgorithmPosition &&
                                               (algorithms >> (p - kFirstAlgorithmPosition) & 1) != 0);
    view.columns.Assign(columns);
    CheckSink sink(progress, outcome);
    HashFile(path, view, sink);
    if (!outcome.read && outcome.reason.empty())
        outcome.reason = L"could not be read";
    return outcome;
}

} // namespace

std::wstring FolderOfChecksumFile(const std::wstring& path) {
#ifdef _WIN32
    const size_t separator = path.find_last_of(L"\\/");
#else
    const size_t separator = path.rfind(L'/');
#endif
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::wstring ResolveListedName(const std::wstring& folder, const std::wstring& name) {
    if (IsAbsolute(name) || folder.empty())
        return name;
    std::wstring path = folder;
    if (path.back() != platform::kPathSeparator)
        path += platform::kPathSeparator;
    return path + name;
}

namespace {

CheckResult CheckLine(const ChecksumLine& line, const std::wstring& folder, ResultSink& progress) {
    CheckResult result;
    result.line = line;
    result.path = ResolveListedName(folder, line.name);
    const FileOutcome outcome = ReadOnce(result.path, SelectionMask{1} << line.algorithm, progress);
    const auto digest = outcome.digests.find(line.algorithm);
    if (outcome.read && digest != outcome.digests.end()) {
        result.computed = digest->second;
        const std::wstring expected = DigestToText(line.expected.data(), line.algorithm, false);
        result.status = SameDigestText(expected, result.computed) ? CheckStatus::Ok : CheckStatus::Failed;
    } else {
        result.status = outcome.missing ? CheckStatus::Missing : CheckStatus::Unreadable;
        result.reason = outcome.reason;
    }
    return result;
}

} // namespace

void CheckFiles(const ChecksumList& list, const std::wstring& folder, ResultSink& progress,
                const std::function<void(const CheckResult&)>& report) {
    for (const ChecksumLine& line : list.lines) {
        // Lines not reached when the check is stopped get no outcome.
        if (progress.StopRequested())
            return;
        report(CheckLine(line, folder, progress));
    }
}

CheckEnd CheckChecksumFile(const std::wstring& checksumPath, ResultSink& progress,
                           const std::function<void(const CheckResult&)>& report) {
    CheckEnd end;
    platform::ReadOnlyFile file;
    // A pipe is read as it comes (a list given as <(...)), but a device
    // name alone never is.
    if (platform::NamesDevice(checksumPath)) {
        end.problem = L"not a regular file";
        return end;
    }
    if (!file.Open(checksumPath)) {
        end.problem = file.ErrorText();
        return end;
    }
    const std::wstring folder = FolderOfChecksumFile(checksumPath);
    ChecksumLineReader reader(checksumPath);
    const auto take = [&](ChecksumLine& line) {
        if (progress.StopRequested())
            return;
        ++end.lines;
        report(CheckLine(line, folder, progress));
    };
    std::vector<char> piece(kChecksumPieceBytes);
    while (!progress.StopRequested()) {
        const int64_t got = file.Read(piece.data(), piece.size());
        if (got < 0) {
            end.problem = file.ErrorText();
            break;
        }
        if (got == 0) {
            reader.Finish(take);
            break;
        }
        reader.Feed(std::string_view(piece.data(), size_t(got)), take);
    }
    end.improperLines = reader.improperLines();
    return end;
}

std::wstring CheckStatusText(CheckStatus status) {
    switch (status) {
    case CheckStatus::Ok:
        return L"OK";
    case CheckStatus::Failed:
        return L"FAILED";
    case CheckStatus::Missing:
        return L"MISSING";
    case CheckStatus::Unreadable:
        return L"UNREADABLE";
    }
    return {};
}

std::wstring AlgorithmChoiceText(const ChecksumLine& line) {
    static constexpr const wchar_t* kHow[] = {L"tag", L"file name", L"length"};
    return ColumnName(line.algorithm) + L" (" + kHow[static_cast<int>(line.source)] + L")";
}

void CheckSummary::Count(CheckStatus status) {
    switch (status) {
    case CheckStatus::Ok:
        ++ok;
        break;
    case CheckStatus::Failed:
        ++failed;
        break;
    case CheckStatus::Missing:
        ++missing;
        break;
    case CheckStatus::Unreadable:
        ++unreadable;
        break;
    }
}

std::wstring CheckSummary::Text() const {
    std::wstring text;
    auto add = [&](size_t count, const wchar_t* what) {
        if (count == 0)
            return;
        if (!text.empty())
            text += L", ";
        text += std::to_wstring(count) + L" " + what;
    };
    add(ok, L"OK");
    add(failed, L"FAILED");
    add(missing, L"missing");
    add(unreadable, L"unreadable");
    return text.empty() ? L"nothing checked" : text;
}

} // namespace vesk
