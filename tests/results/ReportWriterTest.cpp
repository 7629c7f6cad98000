#include "results/ReportWriter.h"

#include "results/ResultList.h"
#include "tests/TestUtil.h"
#include "tests/results/MemoryListControl.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

const ReportFooter kFooter{L"file:///C:/Vesk/vesk-help.html", L"0.1.0"};
const std::string kHead =
    "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>body {font:17px Consolas}"
    "table{border-collapse:collapse;white-space:nowrap}td,th{border:1px solid #e0e0e0;padding:7px}"
    "tr:nth-child(odd) {background-color:#eee;}.s {color:#666;font-style:italic;font-size:small;"
    "</style></head><body><table>\r\n";
const std::string kTail =
    "</table><span class=\"s\">Created by using <a href=\"file:///C:/Vesk/vesk-help.html\">"
    "Vesk 0.1.0</a></span></body></html>";
const std::string kMark = "\xEF\xBB\xBF";

std::string Spaces(size_t count) {
    return std::string(count, ' ');
}

// Two files with CRC32 and MD5 shown and short made-up values, in either view,
class ReportTest : public ::testing::Test {
protected:
    ViewState view;
    MemoryListControl control;
    ResultList list{control, view};

    void SetUp() override { ShowColumns(view, {kSha1Id, kSha256Id}, false); }
    void Fill(bool sheet, std::vector<std::pair<std::wstring, std::wstring>> files = {{L"a.txt", L"1"},
                                                                                      {L"bb.txt", L"2"}}) {
        view.viewFlags = sheet ? kViewSheet : 0;
        list.CreateColumns();
        for (const auto& [name, n] : files)
            list.AddResult({name,
                            std::make_shared<FileRecord>(FileRecord{1, 1, name}),
                            {{kCrc32Id, L"c" + n}, {kMd5Id, L"m" + n}}});
    }
    std::string Report(ReportFormat format, bool selectedOnly = false) {
        const std::optional<std::string> report = BuildReport(control, view, selectedOnly, format, kFooter);
        if (!report)
            return "(none)";
        EXPECT_EQ(report->back(), '\0');
        EXPECT_EQ(report->find('\0'), report->size() - 1);
        return report->substr(0, report->size() - 1);
    }
    void SelectRowsHolding(const std::wstring& text) {
        for (int row = 0; row < control.RowCount(); ++row)
            for (int column = 0; column < control.ColumnCount(); ++column)
                if (!control.Data(row).groupHeader && control.CellText(row, column) == text)
                    control.SetSelected(row, true);
    }
};

TEST_F(ReportTest, SheetViewInEveryFormat) {
    Fill(true);
    EXPECT_EQ(Report(ReportFormat::Txt), kMark + "File  " + "    " + "CRC32   " + "    " + "MD5" +
                                             Spaces(29) + "\r\n" + "a.txt " + "    " + "c1      " + "    " +
                                             "m1" + Spaces(30) + "\r\n" + "bb.txt" + "    " + "c2      " +
                                             "    " + "m2" + Spaces(30) + "\r\n");
    EXPECT_EQ(Report(ReportFormat::Csv), kMark + "File,CRC32,MD5\r\na.txt,c1,m1\r\nbb.txt,c2,m2\r\n");
    EXPECT_EQ(Report(ReportFormat::Html), kHead +
                                              "<tr><th>File</th><th>CRC32</th><th>MD5</th></tr>\r\n"
                                              "<tr><td>a.txt</td><td>c1</td><td>m1</td></tr>\r\n"
                                              "<tr><td>bb.txt</td><td>c2</td><td>m2</td></tr>\r\n" +
                                              kTail);
    // Only the selected row, and its widths alone.
    SelectRowsHolding(L"bb.txt");
    EXPECT_EQ(Report(ReportFormat::Csv, true), kMark + "File,CRC32,MD5\r\nbb.txt,c2,m2\r\n");
}

TEST_F(ReportTest, KeyValueViewInEveryFormat) {
    Fill(false);
    EXPECT_EQ(Report(ReportFormat::Txt), kMark + "a.txt\r\n  CRC32 : c1\r\n  MD5   : m1\r\n\r\n"
                                                 "bb.txt\r\n  CRC32 : c2\r\n  MD5   : m2\r\n");
    EXPECT_EQ(Report(ReportFormat::Csv),
              kMark + "a.txt\r\nCRC32,c1\r\nMD5,m1\r\n\r\nbb.txt\r\nCRC32,c2\r\nMD5,m2\r\n");
    EXPECT_EQ(Report(ReportFormat::Html), kHead +
                                              "<tr><th colspan=\"2\">a.txt</th></tr>\r\n"
                                              "<tr><td>CRC32</td><td>c1</td></tr>\r\n"
                                              "<tr><td>MD5</td><td>m1</td></tr>\r\n\r\n"
                                              "<tr><th colspan=\"2\">bb.txt</th></tr>\r\n"
                                              "<tr><td>CRC32</td><td>c2</td></tr>\r\n"
                                              "<tr><td>MD5</td><td>m2</td></tr>\r\n" +
                                              kTail);
    // A dragged value column is padded, and the names follow unpadded.
    control.SetColumnOrder({1, 0});
    EXPECT_EQ(Report(ReportFormat::Txt), kMark + "a.txt\r\n  c1 : CRC32\r\n  m1 : MD5\r\n\r\n"
                                                 "bb.txt\r\n  c2 : CRC32\r\n  m2 : MD5\r\n");
    EXPECT_EQ(Report(ReportFormat::Csv),
              kMark + "a.txt\r\nc1,CRC32\r\nm1,MD5\r\n\r\nbb.txt\r\nc2,CRC32\r\nm2,MD5\r\n");
}

TEST_F(ReportTest, SelectedRowsSkipGroupsWithoutSelectionAndCollapsedGroupsAreWritten) {
    Fill(false, {{L"a.txt", L"1"}, {L"bb.txt", L"2"}, {L"c.txt", L"3"}});
    for (bool folded : {false, true}) {
        if (folded)
            list.ToggleGroupAt(0); // a.txt folded: the rows of the others move up
        SelectRowsHolding(L"m2");
        SelectRowsHolding(L"c3");
        EXPECT_EQ(Report(ReportFormat::Txt, true),
                  kMark + "bb.txt\r\n  MD5   : m2\r\n\r\nc.txt\r\n  CRC32 : c3\r\n");
    }
    EXPECT_EQ(Report(ReportFormat::Csv),
              kMark + "a.txt\r\nCRC32,c1\r\nMD5,m1\r\n\r\nbb.txt\r\nCRC32,c2\r\nMD5,m2\r\n\r\n"
                      "c.txt\r\nCRC32,c3\r\nMD5,m3\r\n");
    control.SelectRows({});
    EXPECT_EQ(Report(ReportFormat::Txt, true), "(none)");
}

TEST_F(ReportTest, TxtPadsDigestColumnsToTwiceTheirLengthAndOthersToTheirLongestText) {
    ShowColumns(view, {kTthId, kDateModifiedColumnId}); // Size stays hidden
    ShowColumns(view, {kMd5Id}, false);
    view.viewFlags = kViewSheet;
    list.CreateColumns();
    const std::wstring tth(39, L'q');
    list.AddResult({L"f",
                    std::make_shared<FileRecord>(),
                    {{kDateModifiedColumnId, L"7/1/2026"}, {kCrc32Id, L"c"}, {kTthId, tth}}});
    EXPECT_EQ(Report(ReportFormat::Txt), kMark + "File    Date Modified    CRC32       TTH" + Spaces(45) +
                                             "\r\n" + "f    7/1/2026    c           " + WideToUtf8(tth) +
                                             Spaces(9) + "\r\n");
}

TEST_F(ReportTest, HostileAndNonAsciiNamesSurviveEveryFormat) {
    Fill(true,
         {{L"<img src=x onerror=alert(1)>&.txt", L"1"}, {L"a,\"b\".txt", L"2"}, {L"\u4e2d\u6587.txt", L"3"}});
    const std::string html = Report(ReportFormat::Html);
    EXPECT_NE(html.find("<td>&lt;img src=x onerror=alert(1)&gt;&amp;.txt</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>a,&quot;b&quot;.txt</td>"), std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_NE(html.find("<td>\xE4\xB8\xAD\xE6\x96\x87.txt</td>"), std::string::npos);
    EXPECT_EQ(Report(ReportFormat::Csv), kMark + "File,CRC32,MD5\r\n"
                                                 "<img src=x onerror=alert(1)>&.txt,c1,m1\r\n"
                                                 "\"a,\"\"b\"\".txt\",c2,m2\r\n"
                                                 "\xE4\xB8\xAD\xE6\x96\x87.txt,c3,m3\r\n");
}

TEST_F(ReportTest, NothingToWriteGivesNone) {
    view.viewFlags = kViewSheet;
    list.CreateColumns();
    EXPECT_EQ(Report(ReportFormat::Html), "(none)");
    Fill(true);
    EXPECT_EQ(Report(ReportFormat::Csv, true), "(none)");
    EXPECT_FALSE(BuildReportText(control, view, true, ReportFormat::Txt, kFooter));
    // The clipboard's text has no byte-order mark and no NUL.
    EXPECT_EQ(*BuildReportText(control, view, false, ReportFormat::Csv, kFooter),
              L"File,CRC32,MD5\r\na.txt,c1,m1\r\nbb.txt,c2,m2\r\n");
}

TEST(ReportFormat, FollowsTheExtensionWhateverItsCase) {
    const struct {
        const wchar_t* path;
        ReportFormat format;
    } cases[] = {
        {L"C:\\r\\sums.CSV", ReportFormat::Csv}, {L"sums.htm", ReportFormat::Html},
        {L"sums.Html", ReportFormat::Html},      {L"sums.txt", ReportFormat::Txt},
        {L"C:\\r.x\\noext", ReportFormat::Txt},  {L"sums", ReportFormat::Txt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReportFormatOfPath(c.path), c.format) << WideToUtf8(c.path);
}

} // namespace
} // namespace vesk::test
