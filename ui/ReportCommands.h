// Where reports go: Save writes one to a file the user names, the View menu's
// report commands write one to the temporary folder and have the desktop open
// it, Copy and Copy All put one on the clipboard.
#pragma once

#include "app/Settings.h"
#include "results/ReportWriter.h"

#include <windows.h>

#include <functional>
#include <string>

namespace vesk {

struct ReportInput {
    ListControl& list;
    const ViewState& view;
    ReportFooter footer;
};

// The Save dialog, the overwrite question, then a report of every row in the
// format the file's extension names. A file that cannot be written is said so.
void SaveReport(HWND owner, const ReportInput& source, const SettingsFile& settings);

// "vesk.html", "vesk.txt" or "vesk.csv" in the temporary folder, handed to
// `open`.
void ViewReport(const ReportInput& source, ReportFormat format, bool selectedOnly,
                const std::function<void(const std::wstring& path)>& open);

// A TXT report as the clipboard's text.
void CopyReport(HWND owner, const ReportInput& source, bool selectedOnly);

// The temporary file a view command writes for `format`.
std::wstring TemporaryReportPath(ReportFormat format);

} // namespace vesk
