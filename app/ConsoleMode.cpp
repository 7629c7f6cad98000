#include "app/ConsoleMode.h"

#include "app/PathWalk.h"
#include "core/AlgorithmTable.h"
#include "text/NameEscape.h"

namespace vesk {

std::wstring FormatConsoleLine(std::wstring_view name, std::optional<std::wstring_view> value) {
    constexpr size_t kNameWidth = 10;
    if (name.empty())
        return L"\n";
    std::wstring line(name);
    if (value) {
        if (line.size() < kNameWidth)
            line.append(kNameWidth - line.size(), L' ');
        line += L": ";
        line += *value;
    }
    line += L'\n';
    return line;
}

std::wstring FormatConsoleResult(const FileResult& result) {
    std::wstring text = FormatConsoleLine(L"", std::nullopt);
#ifdef _WIN32
    // Windows names hold no line breaks, and their backslashes separate folders.
    text += FormatConsoleLine(result.displayName, std::nullopt);
#else
    text += FormatConsoleLine(WrittenName(result.displayName, NameEscapes::DigestLine), std::nullopt);
#endif
    for (const ResultValue& value : result.values)
        text += FormatConsoleLine(ColumnName(value.id), value.text);
    return text;
}

void ConsoleSink::AddResult(const FileResult& result) {
    output_.Write(FormatConsoleResult(result));
}

void ConsoleSink::ReportFailure(const std::wstring& path, const std::wstring& reason) {
    anyFailure_ = true;
    if (errors_ != nullptr)
        errors_->Write(L"vesk: " + path + L": " + reason + L"\n");
}

int FinishConsoleOutput(platform::ConsoleWriter& output, platform::ConsoleWriter* errors, int status) {
    if (output.Flush())
        return status;
    if (errors != nullptr && errors != &output)
        errors->Write(L"vesk: write error: " + output.ErrorText() + L"\n");
    return kExitOutputFailed;
}

int RunConsole(const ConsoleRun& run, ViewState& view) {
    WindowPlacementRecord unusedPlacement;
    LoadSettings(run.settings, view, unusedPlacement);
    if (view.columns.Selection() == 0 && run.askForSelection)
        run.askForSelection(view);
    if (view.columns.Selection() == 0) {
        if (run.errors != nullptr)
            run.errors->Write(L"vesk: no algorithm is selected in " + run.settings.path + L"\n");
        return kExitUsage;
    }
    ConsoleSink sink(*run.output, run.reportFailures ? run.errors : nullptr);
    const HashTarget target{view, sink};
    for (const std::wstring& path : run.paths)
        AddPath(path, 0, target);
    return FinishConsoleOutput(*run.output, run.errors,
                               run.reportFailures && sink.anyFailure() ? kExitSomePathFailed : kExitSuccess);
}

} // namespace vesk
