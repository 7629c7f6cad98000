// Reports of a result list whose file names and values come from outside:
// the list is filled through the result list's own logic in either view, then
// written in every format, of every row and of the selected ones. The HTML page and the CSV file are read
// back with strict readers of our own and must give exactly the texts of the
// list: no name may add markup, leave an entity undone or shift a field.
#include "core/FileHashJob.h"
#include "fuzz/FuzzCheck.h"
#include "results/ReportWriter.h"
#include "results/ResultList.h"
#include "tests/results/MemoryListControl.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace vesk;
using vesk::fuzz::Visible;
using Record = std::vector<std::wstring>;

namespace {

const ReportFooter kFooter{L"file:///C:/Program%20Files/Vesk/vesk-help.html", L"0.1.0"};
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string Describe(const std::vector<Record>& records) {
    std::string text;
    for (const Record& record : records) {
        text += "[";
        for (size_t i = 0; i < record.size(); ++i)
            text += (i ? "|" : "") + Visible(record[i]);
        text += "]\n";
    }
    return text;
}

// What the report must hold, read from the control: in Sheet View the column
// headers, then one record per row; in Key-Value View per group a record of
// its header, then its rows; groups after the first follow an empty record.
// Cells go in display order.
std::vector<Record> ExpectedRecords(const test::MemoryListControl& control, bool sheet, bool selectedOnly,
                                    bool separators, size_t& rowCount) {
    std::vector<int> shown(control.columns.size());
    for (size_t i = 0; i < shown.size(); ++i)
        shown[i] = int(i);
    std::stable_sort(shown.begin(), shown.end(),
                     [&](int a, int b) { return control.columns[a].order < control.columns[b].order; });
    std::vector<Record> records;
    if (sheet) {
        records.emplace_back();
        for (const int column : shown)
            records.back().push_back(control.columns[column].header);
    }
    rowCount = 0;
    int group = 0;
    for (int row = 0; row < control.RowCount(); ++row) {
        const RowData data = control.Data(row);
        if (data.groupHeader || (selectedOnly && !control.IsSelected(row)))
            continue;
        if (!sheet && (rowCount == 0 || data.group != group)) {
            group = data.group;
            if (rowCount > 0 && separators)
                records.emplace_back();
            std::wstring header;
            for (int other = 0; other < control.RowCount(); ++other)
                if (const RowData otherData = control.Data(other);
                    otherData.groupHeader && otherData.group == group)
                    header = control.CellText(other, 0);
            records.push_back({header});
        }
        ++rowCount;
        records.emplace_back();
        for (const int column : shown)
            records.back().push_back(control.CellText(row, column));
    }
    return records;
}

// An empty line and a line of one empty field read alike in CSV.
void DropEmptyField(std::vector<Record>& records) {
    for (Record& record : records)
        if (record.size() == 1 && record[0].empty())
            record.clear();
}

bool StartsWithAt(std::wstring_view text, size_t at, std::wstring_view prefix) {
    return text.substr(at, prefix.size()) == prefix;
}

// Text between tags: the four entities the writer makes, and no raw "&", "<"
// or ">" at all.
std::wstring HtmlText(std::wstring_view text) {
    static constexpr std::pair<std::wstring_view, wchar_t> kEntities[] = {
        {L"&amp;", L'&'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&quot;", L'"'}};
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        FUZZ_CHECK(text[i] != L'>', "raw > in " + Visible(text));
        if (text[i] != L'&') {
            out += text[i++];
            continue;
        }
        const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities),
                                         [&](const auto& e) { return StartsWithAt(text, i, e.first); });
        FUZZ_CHECK(entity != std::end(kEntities), "raw & in " + Visible(text));
        out += entity->second;
        i += entity->first.size();
    }
    return out;
}

// The table rows of the page: every tag must be one the writer makes, every
// cell's text well escaped.
std::vector<Record> ReadHtml(std::wstring_view page) {
    static constexpr std::wstring_view kOtherTags[] = {
        L"!DOCTYPE html", L"html",  L"/html",  L"head",  L"/head", L"meta charset=\"utf-8\"", L"body",
        L"/body",         L"table", L"/table", L"/span", L"/a",    L"span class=\"s\""};
    std::vector<Record> records;
    bool inRow = false, inCell = false;
    std::wstring cell;
    size_t at = 0;
    while (at < page.size()) {
        const size_t open = std::min(page.find(L'<', at), page.size());
        const std::wstring text = HtmlText(page.substr(at, open - at));
        if (inCell)
            cell += text;
        if (open == page.size())
            break;
        const size_t close = page.find(L'>', open);
        FUZZ_CHECK(close != std::wstring_view::npos, "unclosed tag");
        const std::wstring_view tag = page.substr(open + 1, close - open - 1);
        at = close + 1;
        if (tag == L"style") {
            at = page.find(L"</style>", at);
            FUZZ_CHECK(at != std::wstring_view::npos, "unclosed style");
            at += 8;
        } else if (tag == L"tr") {
            FUZZ_CHECK(!inRow, "nested row");
            inRow = true;
            records.emplace_back();
        } else if (tag == L"/tr") {
            FUZZ_CHECK(inRow && !inCell, "stray </tr>");
            inRow = false;
        } else if (tag == L"td" || tag == L"th" || tag == L"th colspan=\"2\"") {
            FUZZ_CHECK(inRow && !inCell, "cell outside a row");
            inCell = true;
            cell.clear();
        } else if (tag == L"/td" || tag == L"/th") {
            FUZZ_CHECK(inCell, "stray cell end");
            inCell = false;
            records.back().push_back(cell);
        } else if (tag.starts_with(L"a href=\"") && tag.ends_with(L"\"")) {
            FUZZ_CHECK(!inRow, "link inside the table");
            FUZZ_CHECK(HtmlText(tag.substr(8, tag.size() - 9)) == kFooter.productPage, "link changed");
        } else {
            FUZZ_CHECK(std::find(std::begin(kOtherTags), std::end(kOtherTags), tag) != std::end(kOtherTags),
                       "unexpected tag <" + Visible(tag) + ">");
            FUZZ_CHECK(!inRow, "tag <" + Visible(tag) + "> inside a row");
        }
    }
    FUZZ_CHECK(!inRow && !inCell, "unfinished table");
    return records;
}

// CSV as Python's csv module reads it in strict mode: fields quoted with
// doubled inner quotes, a quote inside an unquoted field an error, CR, LF or
// CRLF ending a record, an empty line an empty record.
std::vector<Record> ReadCsv(std::wstring_view text) {
    std::vector<Record> records;
    size_t at = 0;
    const auto atLineEnd = [&] { return at == text.size() || text[at] == L'\r' || text[at] == L'\n'; };
    while (at < text.size()) {
        Record record;
        if (!atLineEnd()) {
            for (;;) {
                std::wstring field;
                if (text[at] == L'"') {
                    for (++at;; ++at) {
                        FUZZ_CHECK(at < text.size(), "unclosed quote");
                        if (text[at] == L'"' && !StartsWithAt(text, at, L"\"\""))
                            break;
                        if (text[at] == L'"')
                            ++at; // a doubled quote
                        field += text[at];
                    }
                    ++at;
                    FUZZ_CHECK(atLineEnd() || text[at] == L',', "text after a closing quote");
                } else {
                    for (; !atLineEnd() && text[at] != L','; ++at) {
                        FUZZ_CHECK(text[at] != L'"', "quote inside an unquoted field");
                        field += text[at];
                    }
                }
                record.push_back(std::move(field));
                if (atLineEnd())
                    break;
                ++at; // the comma
                if (atLineEnd()) {
                    record.emplace_back();
                    break;
                }
            }
        }
        at += StartsWithAt(text, at, L"\r\n") ? 2 : 1;
        records.push_back(std::move(record));
    }
    return records;
}

// One report of the list: present exactly when it has rows, the file the
// clipboard text plus its mark and NUL, and HTML and CSV read back whole.
void CheckReport(test::MemoryListControl& control, const ViewState& view, bool selectedOnly,
                 ReportFormat format) {
    const bool sheet = (view.viewFlags.load() & kViewSheet) != 0;
    size_t rowCount = 0;
    std::vector<Record> expected =
        ExpectedRecords(control, sheet, selectedOnly, format == ReportFormat::Csv, rowCount);
    const std::optional<std::string> report = BuildReport(control, view, selectedOnly, format, kFooter);
    FUZZ_CHECK(report.has_value() == (rowCount > 0), "a report without rows, or none with rows");
    if (!report)
        return;
    const std::optional<std::wstring> text = BuildReportText(control, view, selectedOnly, format, kFooter);
    FUZZ_CHECK(text.has_value(), "no text");
    const std::string mark = format == ReportFormat::Html ? "" : kByteOrderMark;
    FUZZ_CHECK(*report == mark + WideToUtf8(*text) + '\0', "the file differs from the clipboard text");

    if (format == ReportFormat::Txt)
        return; // aligned columns for reading, with nothing a program parses
    const std::wstring page =
        Utf8ToWide(std::string_view(*report).substr(mark.size(), report->size() - mark.size() - 1));
    std::vector<Record> found = format == ReportFormat::Html ? ReadHtml(page) : ReadCsv(page);
    if (format == ReportFormat::Csv) {
        DropEmptyField(expected);
        DropEmptyField(found);
    }
    FUZZ_CHECK(found == expected, "read back:\n" + Describe(found) + "expected:\n" + Describe(expected));
}

std::wstring HostileText(FuzzedDataProvider& input, size_t maxBytes) {
    return Utf8ToWide(input.ConsumeRandomLengthString(maxBytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    ViewState view;
    view.viewFlags = input.ConsumeIntegralInRange<ViewFlags>(0, 7);
    const uint64_t shownBits = input.ConsumeIntegral<uint64_t>();
    ColumnSnapshot columns = DefaultColumns();
    for (uint32_t p = 0; p < kColumnCount; ++p)
        columns[p] = WithOrder(WithShown(columns[p], (shownBits >> p & 1) != 0),
                               input.ConsumeIntegralInRange<uint32_t>(0, 63));
    view.columns.Assign(columns);
    for (ColumnEntry& entry : view.keyValueColumns)
        entry = MakeColumnEntry(input.ConsumeIntegralInRange<ColumnId>(0, 1),
                                input.ConsumeIntegralInRange<uint32_t>(0, 3), 100, true);
    test::MemoryListControl control;
    const bool rebuild = input.ConsumeBool();
    const bool sort = input.ConsumeBool();
    const std::wstring find = HostileText(input, 8);

    ResultList list(control, view);
    list.CreateColumns();
    const int fileCount = input.ConsumeIntegralInRange<int>(1, 4);
    for (int f = 0; f < fileCount; ++f) {
        auto record = std::make_shared<FileRecord>();
        record->path = HostileText(input, 48);
        record->size = input.ConsumeIntegral<uint32_t>();
        FileResult result{DisplayName(record->path, (view.viewFlags & kViewFullPath) != 0), record, {}};
        for (uint32_t p = 1; p < kColumnCount; ++p)
            if (EntryShown(columns[p]))
                result.values.push_back({ColumnIdAtPosition(int(p)), HostileText(input, 24)});
        list.AddResult(result);
    }
    if (rebuild) {
        view.viewFlags ^= kViewSheet;
        list.RebuildView();
    }
    if (sort)
        list.SortByColumn(input.ConsumeIntegralInRange<int>(0, 3));
    list.RunFind(find);
    for (int row = 0; row < control.RowCount(); ++row)
        if (input.ConsumeBool())
            control.SetSelected(row, true);

    for (const ReportFormat format : {ReportFormat::Html, ReportFormat::Txt, ReportFormat::Csv})
        for (const bool selectedOnly : {false, true})
            CheckReport(control, view, selectedOnly, format);
    return 0;
}
