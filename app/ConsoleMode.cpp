#include "app/ConsoleMode.h"

#include "app/PathWalk.h"
#include "core/AlgorithmTable.h"

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

#ifndef _WIN32
namespace {

// A file name that holds a line break would split its line. As coreutils does,
// such a name, and one with a backslash, is printed after a backslash, with
// "\\", "\n" and "\r" for those characters.
std::wstring EscapedFileName(std::wstring_view name) {
    if (name.find_first_of(L"\\\n\r") == std::wstring_view::npos)
        return std::wstring(name);
    std::wstring escaped = L"\\";
    for (const wchar_t c : name) {
        if (c == L'\\')
            escaped += L"\\\\";
        else if (c == L'\n')
            escaped += L"\\n";
        else if (c == L'\r')
            escaped += L"\\r";
        else
            escaped += c;
    }
    return escaped;
}

} // namespace
#endif

std::wstring FormatConsoleResult(const FileResult& result) {
    std::wstring text = FormatConsoleLine(L"", std::nullopt);
#ifdef _WIN32
    // Windows names hold no line breaks, and their backslashes separate folders.
    text += FormatConsoleLine(result.displayName, std::nullopt);
#else
    text += FormatConsoleLine(EscapedFileName(result.displayName), std::nullopt);
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
