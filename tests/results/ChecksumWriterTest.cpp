#include "results/ChecksumWriter.h"

#include "app/ChecksumFile.h"

#include "platform/Platform.h"
#include "results/ResultList.h"
#include "tests/TestUtil.h"
#include "tests/results/MemoryListControl.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

namespace vesk::test {
namespace {

std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
    return folder + platform::kPathSeparator + name;
}

class ChecksumWriterTest : public ::testing::TestWithParam<bool> {
protected:
    ViewState view;
    MemoryListControl control;
    ResultList list{control, view};
    const std::wstring folder = InFolder(L"", L"data");

    // Two files in the folder and one outside it, in the view the parameter names.
    void SetUp() override {
        view.viewFlags = GetParam() ? kViewSheet : 0;
        list.CreateColumns();
        const struct {
            std::wstring path;
            const wchar_t* crc;
        } files[] = {{InFolder(folder, L"a.txt"), L"352441C2"},
                     {InFolder(InFolder(folder, L"sub"), L"b c.bin"), L"00000000"},
                     {InFolder(L"", L"elsewhere.iso"), L"11111111"}};
        for (const auto& file : files)
            list.AddResult({file.path,
                            std::make_shared<FileRecord>(FileRecord{1, 1, file.path}),
                            {{kCrc32Id, file.crc}, {kMd5Id, L"900150983CD24FB0D6963F7D28E17F72"}}});
    }
};

TEST_P(ChecksumWriterTest, WritesShownDigestsWithNamesBelowTheFolder) {
    const std::string sub = "sub/"; // "/" between folders on every system
    const std::string outside = WideToUtf8(InFolder(L"", L"elsewhere.iso"));
    const ChecksumFileText gnu = BuildChecksumFile(control, view, ChecksumForm::Gnu, kMd5Id, folder);
    EXPECT_EQ(gnu.text, "900150983cd24fb0d6963f7d28e17f72  a.txt\n"
                        "900150983cd24fb0d6963f7d28e17f72  " +
                            sub +
                            "b c.bin\n"
                            "900150983cd24fb0d6963f7d28e17f72  " +
                            (outside[0] == '\\' ? "/elsewhere.iso" : outside) + "\n");
    EXPECT_EQ(gnu.writtenFiles, 3u);

    const ChecksumFileText bsd = BuildChecksumFile(control, view, ChecksumForm::Bsd, std::nullopt, folder);
    EXPECT_TRUE(
        bsd.text.starts_with("CRC32 (a.txt) = 352441c2\nMD5 (a.txt) = 900150983cd24fb0d6963f7d28e17f72\n"))
        << bsd.text;
    const ChecksumFileText sfv = BuildChecksumFile(control, view, ChecksumForm::Sfv, kCrc32Id, folder);
    EXPECT_TRUE(sfv.text.starts_with("a.txt 352441c2\n" + sub + "b c.bin 00000000\n")) << sfv.text;

    // What is written reads back to the same names and digests.
    const ChecksumList read = ParseChecksumText(bsd.text, L"list.txt");
    ASSERT_EQ(read.lines.size(), 6u);
    EXPECT_EQ(read.improperLines, 0u);
    EXPECT_EQ(read.lines[2].algorithm, kCrc32Id);
    EXPECT_EQ(read.lines[3].expected, FromHex("900150983cd24fb0d6963f7d28e17f72"));

    // An algorithm the list does not show leaves every file out.
    const ChecksumFileText missing = BuildChecksumFile(control, view, ChecksumForm::Gnu, kSha256Id, folder);
    EXPECT_EQ(missing.text, "");
    EXPECT_EQ(missing.skippedFiles, 3u);
}

INSTANTIATE_TEST_SUITE_P(Views, ChecksumWriterTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Sheet" : "KeyValue"; });

} // namespace
} // namespace vesk::test
