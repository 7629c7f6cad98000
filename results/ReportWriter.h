// Reports of the result list: an HTML page, column-aligned text (TXT) or
// comma-separated values (CSV), of every row or of the selected rows, in the
// list's current view, row order and column order.
//
//     std::optional<std::string> report = BuildReport(list, view, false, ReportFormat::Csv, footer);
//     if (report) file.write(report->data(), report->size() - 1);   // all but the final NUL
//
// Reports are UTF-8, so that every file name survives: TXT and CSV start with
// a byte-order mark that editors and spreadsheet programs recognise, the HTML
// page declares its character set. HTML texts are escaped and CSV fields that
// need it are quoted, so that no file name can add markup or shift columns.
#pragma once

#include "core/ColumnTable.h"
#include "results/ListControl.h"

#include <optional>
#include <string>

namespace vesk {

enum class ReportFormat : uint32_t { Html = 0, Txt = 1, Csv = 2 };

// What the HTML page's last line says about the program that made it.
struct ReportFooter {
    std::wstring productPage; // where the link leads
    std::wstring version;
};

// The report as text, without byte-order mark or final NUL: what the
// clipboard takes. None when there is no row to write.
std::optional<std::wstring> BuildReportText(ListControl& list, const ViewState& view, bool selectedOnly,
                                            ReportFormat format, const ReportFooter& footer);

// The report as the bytes of a file, followed by exactly one NUL byte that
// counts in the size: writers write all but the last byte.
std::optional<std::string> BuildReport(ListControl& list, const ViewState& view, bool selectedOnly,
                                       ReportFormat format, const ReportFooter& footer);

// The format a file name asks for by its extension: ".csv" CSV, ".html" and
// ".htm" HTML, anything else TXT.
ReportFormat ReportFormatOfPath(const std::wstring& path);

} // namespace vesk
