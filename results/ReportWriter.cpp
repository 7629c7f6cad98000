#include "results/ReportWriter.h"

#include "text/TextEncoding.h"

#include <algorithm>
#include <map>
#include <vector>

namespace vesk {

namespace {

constexpr wchar_t kLineEnd[] = L"\r\n";
constexpr wchar_t kPageHead[] =
    L"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>body {font:17px Consolas}"
    L"table{border-collapse:collapse;white-space:nowrap}td,th{border:1px solid #e0e0e0;padding:7px}"
    L"tr:nth-child(odd) {background-color:#eee;}.s {color:#666;font-style:italic;font-size:small;"
    L"</style></head><body><table>\r\n";
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::wstring EscapeHtml(const std::wstring& text) {
    if (text.find_first_of(L"&<>\"") == std::wstring::npos)
        return text;
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
        case L'&':
            escaped += L"&amp;";
            break;
        case L'<':
            escaped += L"&lt;";
            break;
        case L'>':
            escaped += L"&gt;";
            break;
        case L'"':
            escaped += L"&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// Quoted only when the field holds a comma, a quote or a line break, with
// inner quotes doubled; every other field is written as it is.
std::wstring QuoteCsv(const std::wstring& text) {
    if (text.find_first_of(L",\"\r\n") == std::wstring::npos)
        return text;
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        quoted += c;
        if (c == L'"')
            quoted += c;
    }
    return quoted + L"\"";
}

std::wstring PadTo(const std::wstring& text, size_t width) {
    return text.size() >= width ? text : text + std::wstring(width - text.size(), L' ');
}

// Reads what a report needs from the list once.
class ReportSource {
public:
    ReportSource(ListControl& list, bool selectedOnly) {
        const int columnCount = list.ColumnCount();
        for (int i = 0; i < columnCount; ++i)
            columns_.push_back(list.Column(i));
        // Display order, left to right.
        for (int i = 0; i < columnCount; ++i)
            shown_.push_back(i);
        std::stable_sort(shown_.begin(), shown_.end(),
                         [&](int a, int b) { return columns_[a].order < columns_[b].order; });
        if (list.Rows() == nullptr)
            return;
        // Folded groups are written whole.
        rows_ = &list.Rows()->Unfolded();
        std::vector<bool> selected;
        if (selectedOnly) {
            selected.assign(size_t(rows_->RowCount()), false);
            for (int row : list.SelectedRows())
                if (const int unfolded = list.Rows()->UnfoldedRow(row);
                    unfolded >= 0 && size_t(unfolded) < selected.size())
                    selected[size_t(unfolded)] = true;
        }
        for (int row = 0, count = rows_->RowCount(); row < count; ++row) {
            const RowData data = rows_->Data(row);
            if (data.groupHeader) {
                headerRowText_[data.group] = rows_->CellText(row, 0);
                continue;
            }
            if (!selectedOnly || selected[size_t(row)])
                written_.push_back(row);
        }
    }

    const std::vector<int>& rows() const { return written_; }
    const std::vector<int>& shownColumns() const { return shown_; }
    const ListColumn& column(int index) const { return columns_[index]; }
    std::wstring Cell(int row, int column) const { return rows_->CellText(row, column); }
    int GroupOf(int row) const { return rows_->Data(row).group; }
    std::wstring GroupHeader(int group) const {
        const auto header = headerRowText_.find(group);
        return header == headerRowText_.end() ? std::wstring() : header->second;
    }

private:
    const ListRows* rows_ = nullptr;
    std::vector<ListColumn> columns_;
    std::vector<int> shown_;
    std::vector<int> written_;
    std::map<int, std::wstring> headerRowText_;
};

std::vector<size_t> SheetWidths(const ReportSource& source) {
    std::vector<size_t> widths;
    for (int column : source.shownColumns()) {
        const ColumnId id = source.column(column).id;
        size_t width = 0;
        if (id < kAlgorithmCount) {
            width = 2 * AlgorithmById(id).digestLength;
        } else {
            for (int row : source.rows())
                width = std::max(width, source.Cell(row, column).size());
        }
        widths.push_back(width);
    }
    return widths;
}

class ReportBuilder {
public:
    ReportBuilder(const ReportSource& source, ReportFormat format, bool sheet)
        : source_(source), format_(format), sheet_(sheet) {}

    std::wstring Build(const ReportFooter& footer) {
        if (format_ == ReportFormat::Html)
            text_ += kPageHead;
        if (format_ == ReportFormat::Txt) {
            if (sheet_) {
                widths_ = SheetWidths(source_);
            } else if (!source_.shownColumns().empty()) {
                for (int row : source_.rows())
                    nameWidth_ = std::max(nameWidth_, source_.Cell(row, source_.shownColumns()[0]).size());
            }
        }
        if (sheet_)
            HeaderLine();
        bool anyRow = false;
        int group = 0;
        for (int row : source_.rows()) {
            if (!sheet_ && (!anyRow || source_.GroupOf(row) != group)) {
                group = source_.GroupOf(row);
                GroupLine(source_.GroupHeader(group), anyRow);
            }
            anyRow = true;
            RowLine(row);
        }
        if (format_ == ReportFormat::Html)
            text_ += L"</table><span class=\"s\">Created by using <a href=\"" +
                     EscapeHtml(footer.productPage) + L"\">Vesk " + EscapeHtml(footer.version) +
                     L"</a></span></body></html>";
        return std::move(text_);
    }

private:
    std::wstring Separator() const {
        if (format_ == ReportFormat::Csv)
            return L",";
        if (format_ == ReportFormat::Txt)
            return sheet_ ? L"    " : L" : ";
        return L"";
    }

    void Cells(const std::vector<std::wstring>& texts, bool header) {
        const std::wstring separator = Separator();
        for (size_t i = 0; i < texts.size(); ++i) {
            if (i > 0)
                text_ += separator;
            switch (format_) {
            case ReportFormat::Html:
                text_ += (header ? L"<th>" : L"<td>") + EscapeHtml(texts[i]) + (header ? L"</th>" : L"</td>");
                break;
            case ReportFormat::Csv:
                text_ += QuoteCsv(texts[i]);
                break;
            case ReportFormat::Txt:
                if (sheet_)
                    text_ += PadTo(texts[i], widths_[i]);
                else
                    text_ += i == 0 ? L"  " + PadTo(texts[i], nameWidth_) : texts[i];
                break;
            }
        }
    }

    void HeaderLine() {
        std::vector<std::wstring> headers;
        for (int column : source_.shownColumns())
            headers.push_back(source_.column(column).header);
        if (format_ == ReportFormat::Html)
            text_ += L"<tr>";
        Cells(headers, true);
        if (format_ == ReportFormat::Html)
            text_ += L"</tr>";
        text_ += kLineEnd;
    }

    void GroupLine(const std::wstring& header, bool afterAnother) {
        if (afterAnother)
            text_ += kLineEnd;
        if (format_ == ReportFormat::Html)
            text_ += L"<tr><th colspan=\"2\">" + EscapeHtml(header) + L"</th></tr>";
        else
            text_ += format_ == ReportFormat::Csv ? QuoteCsv(header) : header;
        text_ += kLineEnd;
    }

    void RowLine(int row) {
        std::vector<std::wstring> texts;
        for (int column : source_.shownColumns())
            texts.push_back(source_.Cell(row, column));
        if (format_ == ReportFormat::Html)
            text_ += L"<tr>";
        Cells(texts, false);
        if (format_ == ReportFormat::Html)
            text_ += L"</tr>";
        text_ += kLineEnd;
    }

    const ReportSource& source_;
    ReportFormat format_;
    bool sheet_;
    std::vector<size_t> widths_;
    size_t nameWidth_ = 0;
    std::wstring text_;
};

} // namespace

std::optional<std::wstring> BuildReportText(ListControl& list, const ViewState& view, bool selectedOnly,
                                            ReportFormat format, const ReportFooter& footer) {
    const ReportSource source(list, selectedOnly);
    if (source.rows().empty())
        return std::nullopt;
    const bool sheet = (view.viewFlags.load(std::memory_order_relaxed) & kViewSheet) != 0;
    return ReportBuilder(source, format, sheet).Build(footer);
}

std::optional<std::string> BuildReport(ListControl& list, const ViewState& view, bool selectedOnly,
                                       ReportFormat format, const ReportFooter& footer) {
    const std::optional<std::wstring> text = BuildReportText(list, view, selectedOnly, format, footer);
    if (!text)
        return std::nullopt;
    std::string bytes = format == ReportFormat::Html ? std::string() : std::string(kByteOrderMark);
    bytes += WideToUtf8(*text);
    bytes += '\0';
    return bytes;
}

ReportFormat ReportFormatOfPath(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos)
        return ReportFormat::Txt;
    std::wstring extension = path.substr(dot + 1);
    for (wchar_t& c : extension)
        if (c >= L'A' && c <= L'Z')
            c = wchar_t(c - L'A' + L'a');
    if (extension == L"csv")
        return ReportFormat::Csv;
    if (extension == L"html" || extension == L"htm")
        return ReportFormat::Html;
    return ReportFormat::Txt;
}

} // namespace vesk
