#include "app/ConsoleCheck.h"

#include "app/AppVersion.h"
#include "app/PathWalk.h"
#include "app/Verify.h"
#include "core/ColumnTable.h"
#include "core/StopRequest.h"
#include "platform/Console.h"
#include "platform/Platform.h"
#include "text/NameEscape.h"
#include "text/TextEncoding.h"

namespace vesk {

namespace {

std::wstring Plural(size_t count, const wchar_t* one, const wchar_t* many) {
    return std::to_wstring(count) + L" " + (count == 1 ? one : many);
}

// One checksum file; true when all its lines were read and matched.
bool CheckOneFile(const std::wstring& checksumPath, platform::ConsoleWriter& output,
                  platform::ConsoleWriter* errors) {
    auto warn = [&](const std::wstring& text) {
        if (errors != nullptr)
            errors->Write(L"vesk: " + text + L"\n");
    };
    ResultSink quiet;
    size_t failed = 0;
    size_t unread = 0;
    size_t byLength = 0;
    const CheckEnd end = CheckChecksumFile(checksumPath, quiet, [&](const CheckResult& result) {
        const std::wstring name = WrittenName(result.line.name, NameEscapes::CheckReport);
        byLength += result.line.source == AlgorithmSource::DigestLength ? 1 : 0;
        switch (result.status) {
        case CheckStatus::Ok:
            output.Write(name + L": OK\n");
            break;
        case CheckStatus::Failed:
            ++failed;
            output.Write(name + L": FAILED\n");
            break;
        case CheckStatus::Missing:
        case CheckStatus::Unreadable:
            ++unread;
            warn(name + L": " + result.reason);
            output.Write(name + L": FAILED open or read\n");
            break;
        }
    });
    if (!end.problem.empty()) {
        warn(checksumPath + L": " + end.problem);
        return false;
    }
    if (end.lines == 0) {
        warn(checksumPath + L": no properly formatted checksum lines found");
        return false;
    }
    if (byLength > 0)
        warn(
            checksumPath + L": " + Plural(byLength, L"line names", L"lines name") +
            L" no algorithm; taken by the digest's length (8 hex digits CRC32, 32 MD5, 40 SHA-1, 64 SHA-256, "
            L"96 SHA-384, 128 SHA-512)");
    if (end.improperLines > 0)
        warn(L"WARNING: " + Plural(end.improperLines, L"line is", L"lines are") + L" improperly formatted");
    if (unread > 0)
        warn(L"WARNING: " + Plural(unread, L"listed file", L"listed files") + L" could not be read");
    if (failed > 0)
        warn(L"WARNING: " + Plural(failed, L"computed checksum", L"computed checksums") + L" did NOT match");
    return failed == 0 && unread == 0;
}

// Prints each hashed file as checksum-file lines.
class SumsSink : public ResultSink {
public:
    SumsSink(platform::ConsoleWriter& output, platform::ConsoleWriter* errors, const SumsForm& form)
        : output_(output), errors_(errors), form_(form) {}
    void AddResult(const FileResult& result) override {
        for (const ResultValue& value : result.values) {
            if (value.id >= kAlgorithmCount)
                continue;
            if (const std::optional<std::string> line =
                    FormatChecksumLine(form_.form, value.id, result.record->path, WideToUtf8(value.text)))
                output_.Write(Utf8ToWide(*line));
            else
                ReportFailure(result.record->path, L"this name cannot be written in SFV");
        }
    }
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override {
        anyFailure = true;
        if (errors_ != nullptr)
            errors_->Write(L"vesk: " + path + L": " + reason + L"\n");
    }
    bool anyFailure = false;

private:
    platform::ConsoleWriter& output_;
    platform::ConsoleWriter* errors_;
    SumsForm form_;
};

} // namespace

const wchar_t kConsoleUsage[] =
    L"Usage: vesk [--sums FORM] [--] PATH...\n"
    L"       vesk --check [--] CHECKSUM-FILE...\n"
    L"Print the digests of each file PATH and of the files directly inside each folder PATH.\n"
    L"The algorithms, the letter case and the file-name form come from vesk.ini beside\n"
    L"the program, the settings file of the Windows program.\n"
    L"\n"
    L"  -c, --check      check the files listed in checksum files (GNU \"DIGEST  NAME\" lines,\n"
    L"                   BSD \"ALGO (NAME) = DIGEST\" lines or SFV), names taken in the\n"
    L"                   checksum file's folder; prints NAME: OK, FAILED or FAILED open or read\n"
    L"      --sums FORM  print checksum-file lines instead: sha256, sha1, md5, sha512 or b3\n"
    L"                   (\"DIGEST  NAME\"), bsd (every chosen algorithm) or sfv\n"
    L"  -h, --help       show this help and exit\n"
    L"      --version    show the version and exit\n"
    L"\n"
    L"Exit status: 0 when every path was hashed (or every listed file matched), 1 when a\n"
    L"path could not be read, a file did not match or the output could not be written,\n"
    L"2 on a usage error or when no algorithm is selected.\n";

ConsoleInterrupt::ConsoleInterrupt() : started_(StopGeneration()) {
    platform::CallOnFirstInterrupt(&StopRunningJobs);
}

int ConsoleInterrupt::Finish(int status, platform::ConsoleWriter* errors) const {
    if (!StoppedSince(started_))
        return status;
    if (errors != nullptr)
        errors->Write(L"vesk: stopped\n");
    return status == kExitSuccess ? kExitSomePathFailed : status;
}

std::wstring ConsoleVersionLine() {
    return std::wstring(L"vesk ") + kProgramVersion + L" (" + kReleaseDate + L")\n";
}

ConsoleCommand ParseConsoleArguments(const std::vector<std::wstring>& arguments) {
    ConsoleCommand command;
    bool optionsEnd = false;
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (optionsEnd || argument.size() < 2 || argument[0] != L'-') {
            command.paths.push_back(argument);
        } else if (argument == L"--") {
            optionsEnd = true;
        } else if (argument == L"-c" || argument == L"--check") {
            command.kind = ConsoleCommand::Kind::Check;
        } else if (argument == L"--sums" || argument.starts_with(L"--sums=")) {
            const std::wstring name = argument == L"--sums"
                                          ? (i + 1 < arguments.size() ? arguments[++i] : L"")
                                          : argument.substr(7);
            command.sums = SumsFormOfName(name);
            if (!command.sums)
                return {ConsoleCommand::Kind::Error, {}, {}, L"unknown checksum form '" + name + L"'"};
        } else if (argument == L"-h" || argument == L"--help") {
            return {ConsoleCommand::Kind::Help, {}, {}, {}};
        } else if (argument == L"--version") {
            return {ConsoleCommand::Kind::Version, {}, {}, {}};
        } else {
            return {ConsoleCommand::Kind::Error, {}, {}, L"unknown option " + argument};
        }
    }
    if (command.kind == ConsoleCommand::Kind::Check && command.sums)
        return {ConsoleCommand::Kind::Error, {}, {}, L"--check and --sums do not go together"};
    // Nothing to hash: the usage text on standard error, as an error.
    if (command.paths.empty())
        return {ConsoleCommand::Kind::Error, {}, {}, {}};
    return command;
}

int RunConsoleCheck(const ConsoleCheckRun& run) {
    bool allGood = true;
    for (const std::wstring& checksumPath : run.checksumFiles)
        allGood = CheckOneFile(checksumPath, *run.output, run.errors) && allGood;
    return FinishConsoleOutput(*run.output, run.errors, allGood ? kExitSuccess : kExitSomePathFailed);
}

std::optional<SumsForm> SumsFormOfName(const std::wstring& name) {
    if (name == L"sha256")
        return SumsForm{ChecksumForm::Gnu, kSha256Id};
    if (name == L"sha1")
        return SumsForm{ChecksumForm::Gnu, kSha1Id};
    if (name == L"md5")
        return SumsForm{ChecksumForm::Gnu, kMd5Id};
    if (name == L"sha512")
        return SumsForm{ChecksumForm::Gnu, kSha512Id};
    if (name == L"b3")
        return SumsForm{ChecksumForm::Gnu, kBlake3Id};
    if (name == L"bsd")
        return SumsForm{ChecksumForm::Bsd, std::nullopt};
    if (name == L"sfv")
        return SumsForm{ChecksumForm::Sfv, kCrc32Id};
    return std::nullopt;
}

int RunConsoleSums(const ConsoleRun& run, const SumsForm& form, ViewState& view) {
    WindowPlacementRecord unusedPlacement;
    LoadSettings(run.settings, view, unusedPlacement);
    // Lowercase digests, as the other tools write them; one algorithm unless BSD.
    view.viewFlags = kViewSheet;
    ColumnSnapshot columns = view.columns.Snapshot();
    for (uint32_t p = 1; p < kColumnCount; ++p) {
        const bool algorithm = p >= kFirstAlgorithmPosition;
        const bool shown = form.algorithm ? algorithm && ColumnIdAtPosition(int(p)) == *form.algorithm
                                          : algorithm && EntryShown(columns[p]);
        columns[p] = WithShown(columns[p], shown);
    }
    view.columns.Assign(columns);
    if (view.columns.Selection() == 0) {
        if (run.errors != nullptr)
            run.errors->Write(L"vesk: no algorithm is selected in " + run.settings.path + L"\n");
        return kExitUsage;
    }
    SumsSink sink(*run.output, run.errors, form);
    for (const std::wstring& path : run.paths)
        AddPath(path, 0, {view, sink});
    return FinishConsoleOutput(*run.output, run.errors, sink.anyFailure ? kExitSomePathFailed : kExitSuccess);
}

int RunConsoleCommand(const ConsoleCommand& command, ConsoleRun run) {
    platform::ConsoleWriter& output = *run.output;
    platform::ConsoleWriter* errors = run.errors;
    switch (command.kind) {
    case ConsoleCommand::Kind::Help:
        output.Write(kConsoleUsage + (L"\n" + ConsoleVersionLine()));
        return FinishConsoleOutput(output, errors, kExitSuccess);
    case ConsoleCommand::Kind::Version:
        output.Write(ConsoleVersionLine());
        return FinishConsoleOutput(output, errors, kExitSuccess);
    case ConsoleCommand::Kind::Error:
        errors->Write(command.error.empty() ? std::wstring(kConsoleUsage)
                                            : L"vesk: " + command.error + L"\nTry 'vesk --help'.\n");
        return kExitUsage;
    case ConsoleCommand::Kind::Check:
    case ConsoleCommand::Kind::Hash:
        break;
    }
    const ConsoleInterrupt interrupt;
    if (command.kind == ConsoleCommand::Kind::Check)
        return interrupt.Finish(RunConsoleCheck({command.paths, &output, errors}), errors);
    run.paths = command.paths;
    if (command.sums)
        return interrupt.Finish(RunConsoleSums(run, *command.sums, SharedViewState()), errors);
    return interrupt.Finish(RunConsole(run, SharedViewState()), errors);
}

} // namespace vesk
