#include "app/ChecksumFile.h"

#include "app/ConsoleCheck.h"
#include "app/Verify.h"
#include "core/AlgorithmTable.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "text/NameEscape.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>

namespace vesk::test {
namespace {

const std::string kAbcSha256 = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kAbcMd5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string kAbcCrc32 = "352441c2";

// One line of a parsed checksum file: name, algorithm, how it was chosen.
std::string Describe(const ChecksumLine& line) {
    static const char* kHow[] = {"tag", "file", "length"};
    return WideToUtf8(line.name) + "|" + AlgorithmById(line.algorithm).name + "|" +
           kHow[static_cast<int>(line.source)] + "|" + ToHex(line.expected).substr(0, 8);
}

TEST(ChecksumFile, ReadsEveryFormAndCountsWhatItCannot) {
    const struct {
        const char* title;
        std::string text;
        const wchar_t* fileName;
        std::vector<std::string> lines;
        size_t improper;
    } cases[] = {
        {"GNU text and binary marks, either case, CRLF",
         kAbcSha256 + "  a.txt\r\n" + Upper(kAbcSha256) + " *b c.txt\n",
         L"SUMS",
         {"a.txt|SHA-256|length|ba7816bf", "b c.txt|SHA-256|length|ba7816bf"},
         0},
        {"escaped names",
         "\\" + kAbcSha256 + "  n\\nl\n\\" + kAbcSha256 + "  back\\\\slash\n\\" + kAbcSha256 + "  bad\\q\n",
         L"SUMS",
         {"n\nl|SHA-256|length|ba7816bf", "back\\slash|SHA-256|length|ba7816bf"},
         1},
        {"BSD tags of coreutils and rhash, mixed with GNU lines",
         "SHA256 (a.txt) = " + kAbcSha256 + "\nMD5   (x (1).txt) = " + kAbcMd5 + "\n" + kAbcMd5 +
             "  plain\n" + "\\SHA256 (n\\nl) = " + kAbcSha256 +
             "\nTTH   (t) = ASD4UJSEH5M47PDYB46KBTSQTSGDKLBHYXOMUIA\n" +
             "RMD160 (r) = 8eb208f7e05d987a9b044a8e98c6b087f15a0bfc\n",
         L"SUMS",
         {"a.txt|SHA-256|tag|ba7816bf", "x (1).txt|MD5|tag|90015098", "plain|MD5|length|90015098",
          "n\nl|SHA-256|tag|ba7816bf", "t|TTH|tag|0487ca26", "r|RIPEMD-160|tag|8eb208f7"},
         0},
        {"SFV with comments",
         "; made by a tool\n;\na file.txt " + Upper(kAbcCrc32) + "\n",
         L"disk.sfv",
         {"a file.txt|CRC32|file|352441c2"},
         0},
        {"the file name decides over the length",
         kAbcMd5 + "  m\n",
         L"C:\\x\\list.MD4",
         {"m|MD4|file|90015098"},
         0},
        {"b2sums", std::string(128, 'a') + "  f\n", L"B2SUMS", {"f|BLAKE2b|file|aaaaaaaa"}, 0},
        {"BLAKE3 by the file's name and by its tag",
         std::string(64, 'a') + "  f\nBLAKE3 (g) = " + std::string(64, 'b') + "\n",
         L"files.b3",
         {"f|BLAKE3|file|aaaaaaaa", "g|BLAKE3|tag|bbbbbbbb"},
         0},
        {"b3sums", std::string(64, 'a') + "  f\n", L"B3SUMS", {"f|BLAKE3|file|aaaaaaaa"}, 0},
        {"lengths that name no algorithm, a wrong length for the tag, one space",
         std::string(48, 'a') + "  x\nSHA1 (y) = " + kAbcMd5 + "\n" + kAbcSha256 + " z\n",
         L"SUMS",
         {},
         3},
        {"blank lines and a byte-order mark",
         "\xEF\xBB\xBF\n  \n" + kAbcCrc32 + "  c\n\n",
         L"SUMS",
         {"c|CRC32|length|352441c2"},
         0},
        {"binary junk",
         std::string("\x7F"
                     "ELF\x02\x01\x01\0\0\0",
                     10) +
             "\n\xFF\xFE\n",
         L"SUMS",
         {},
         2},
        {"empty", "", L"SUMS", {}, 0},
        {"a line past the limit between two good ones, the last without a line break",
         kAbcCrc32 + "  a\n" + std::string(kLongestChecksumLine + 5, 'f') + "  long\n" + kAbcCrc32 + "  b",
         L"SUMS",
         {"a|CRC32|length|352441c2", "b|CRC32|length|352441c2"},
         1},
    };
    for (const auto& c : cases) {
        const ChecksumList list = ParseChecksumText(c.text, c.fileName);
        std::vector<std::string> lines;
        for (const ChecksumLine& line : list.lines)
            lines.push_back(Describe(line));
        EXPECT_EQ(lines, c.lines) << c.title;
        EXPECT_EQ(list.improperLines, c.improper) << c.title;
        // Read a piece at a time, however the pieces fall, the lines are the same.
        for (size_t pieceSize : {size_t(1), size_t(3), size_t(65536)}) {
            ChecksumLineReader reader(c.fileName);
            std::vector<std::string> pieced;
            std::vector<size_t> numbers;
            const auto take = [&](ChecksumLine& line) {
                pieced.push_back(Describe(line));
                numbers.push_back(line.lineNumber);
            };
            for (size_t at = 0; at < c.text.size(); at += pieceSize)
                reader.Feed(std::string_view(c.text).substr(at, pieceSize), take);
            reader.Finish(take);
            EXPECT_EQ(pieced, c.lines) << c.title << ", pieces of " << pieceSize;
            EXPECT_EQ(reader.improperLines(), c.improper) << c.title << ", pieces of " << pieceSize;
            for (size_t i = 0; i < numbers.size() && i < list.lines.size(); ++i)
                EXPECT_EQ(numbers[i], list.lines[i].lineNumber) << c.title;
        }
    }
    // A line longer than any name is refused, not read.
    const std::string longLine = kAbcSha256 + "  " + std::string(kLongestChecksumLine, 'n') + "\n";
    EXPECT_EQ(ParseChecksumText(longLine, L"SUMS").improperLines, 1u);
}

// Windows keeps device names in every folder and with any extension: a line
// naming one is refused at once, never opened. Elsewhere names are only names.
TEST(ChecksumFile, ReservedDeviceNamesAreNeverOpened) {
    const struct {
        const wchar_t* path;
        bool device;
    } names[] = {
        {L"aux.txt", true},  {L"COM1", true},           {L"C:\\x\\con", true},
        {L"lpt9.log", true}, {L"nul .txt", true},       {L"\\\\.\\PhysicalDrive0", true},
        {L"com10", false},   {L"auxiliary.txt", false}, {L"C:\\con\\a.txt", false},
        {L"console", false},
    };
    for (const auto& name : names)
        EXPECT_EQ(platform::NamesDevice(name.path), name.device && platform::kPathSeparator == L'\\')
            << WideToUtf8(name.path);
#ifdef _WIN32
    const std::string zeros = DigestHex(AlgorithmById(kSha256Id), Bytes(""));
    const ChecksumList list = ParseChecksumText(zeros + "  aux.txt\n" + zeros + "  COM1\n", L"SHA256SUMS");
    ResultSink sink;
    std::vector<CheckResult> results;
    CheckFiles(list, L"C:\\", sink, [&](const CheckResult& result) { results.push_back(result); });
    ASSERT_EQ(results.size(), 2u);
    for (const CheckResult& result : results) {
        EXPECT_EQ(result.status, CheckStatus::Unreadable);
        EXPECT_EQ(result.reason, L"not a regular file");
    }
#endif
}

TEST(ChecksumFile, WritesLinesAsCoreutilsDoes) {
    const struct {
        ChecksumForm form;
        AlgorithmId id;
        const wchar_t* name;
        const char* line;
    } cases[] = {
        {ChecksumForm::Gnu, kMd5Id, L"a.txt", "d  a.txt\n"},
#ifdef _WIN32
        {ChecksumForm::Gnu, kMd5Id, L"dir\\f",
         "d  dir/f\n"}, // separators written as "/", which reads everywhere
#else
        {ChecksumForm::Gnu, kMd5Id, L"back\\slash", "\\d  back\\\\slash\n"},
#endif
        {ChecksumForm::Gnu, kMd5Id, L"n\nl", "\\d  n\\nl\n"},
        {ChecksumForm::Bsd, kSha256Id, L"a b", "SHA256 (a b) = d\n"},
        {ChecksumForm::Bsd, AlgorithmId{26}, L"x", "SHA3-256 (x) = d\n"},
        {ChecksumForm::Bsd, AlgorithmId{0}, L"c\rr", "\\BLAKE2b (c\\rr) = d\n"},
        {ChecksumForm::Sfv, kCrc32Id, L"s.bin", "s.bin d\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatChecksumLine(c.form, c.id, c.name, "d"), c.line) << c.line;
    EXPECT_FALSE(FormatChecksumLine(ChecksumForm::Sfv, kCrc32Id, L"n\nl", "d"));
    // Every tag written reads back as its own algorithm.
    for (AlgorithmId id = 0; id < kAlgorithmCount; ++id)
        EXPECT_EQ(AlgorithmOfTag(TagOfAlgorithm(id)), id) << TagOfAlgorithm(id);
    EXPECT_EQ(WrittenName(L"plain\\name", NameEscapes::CheckReport), L"plain\\name");
    EXPECT_EQ(WrittenName(L"a\\b\nc", NameEscapes::CheckReport), L"\\a\\\\b\\nc");
}

#ifndef _WIN32
// A folder of matching, changed, missing and unreadable files, checked by
// Vesk and by a coreutils tool: the same lines in the same order, the same
// exit status.
TEST(ChecksumFile, CheckMatchesCoreutilsLineForLine) {
    const struct {
        const char* tool;
        const char* sums;
    } tools[] = {{"sha256sum", "SHA256SUMS"}, {"md5sum", "sums.md5"}, {"b2sum", "sums.b2"}};
    for (const auto& tool : tools) {
        REQUIRE_TOOL(tool.tool);
        ScratchDir dir;
        for (const char* name : {"same.txt", "changed.txt", "gone.txt", "odd name.bin"})
            dir.Write(name, Bytes(name));
        std::filesystem::create_directory(dir.path() / "a folder");
        const std::string made =
            *RunCommand("cd '" + dir.path().string() + "' && " + tool.tool +
                        " same.txt changed.txt gone.txt 'odd name.bin' && " + tool.tool + " --tag same.txt");
        std::ofstream(dir.path() / tool.sums, std::ios::binary)
            << made << "not a checksum line\n"
            << made.substr(0, made.find("  ")) << "  a folder\n";
        dir.Write("changed.txt", Bytes("changed"));
        std::filesystem::remove(dir.path() / "gone.txt");

        const ProgramResult vesk = RunProgram(BuiltProgramPath(), {"--check", tool.sums}, dir.path());
        const ProgramResult oracle =
            RunProgram("/usr/bin/" + std::string(tool.tool), {"-c", tool.sums}, dir.path());
        EXPECT_EQ(vesk.output, oracle.output) << tool.tool;
        EXPECT_EQ(vesk.exitCode, oracle.exitCode) << tool.tool;
        for (const char* warning :
             {"WARNING: 1 line is improperly formatted", "WARNING: 2 listed files could not be read",
              "WARNING: 1 computed checksum did NOT match"})
            EXPECT_NE(vesk.errors.find(warning), std::string::npos) << tool.tool << ": " << vesk.errors;
    }
}

// A checksum file naming a device and a pipe ends at once: neither is read,
// each is counted unreadable with its reason.
TEST(ChecksumFile, DevicesAndPipesAreRefusedNotRead) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo((dir.path() / "pipe").c_str(), 0600), 0);
    const std::string zeros = DigestHex(AlgorithmById(kSha256Id), Bytes(""));
    std::ofstream(dir.path() / "SHA256SUMS") << zeros << "  /dev/zero\n" << zeros << "  pipe\n";
    const std::optional<std::string> output =
        RunCommand("cd '" + dir.path().string() + "' && timeout 20 '" + BuiltProgramPath().string() +
                   "' --check SHA256SUMS 2>&1; echo \"status $?\"");
    ASSERT_TRUE(output);
    for (const char* line : {"/dev/zero: FAILED open or read", "pipe: FAILED open or read",
                             "/dev/zero: not a regular file", "pipe: not a regular file", "status 1"})
        EXPECT_NE(output->find(line), std::string::npos) << line << " in " << *output;
}

// A checksum file is read a piece at a time: checking 200,000 lines (14 MB)
// takes no more memory than a short list, and every line is counted.
TEST(ChecksumFile, LongChecksumFilesAreCheckedInBoundedMemory) {
    REQUIRE_TOOL("python3");
    ScratchDir dir;
    {
        std::ofstream sums(dir.path() / "SUMS", std::ios::binary);
        const std::string line = std::string(64, '0') + "  gone\n";
        for (int i = 0; i < 200000; ++i)
            sums << line;
    }
    // Freed memory goes back at once, so that the peak is what is held.
    const std::optional<std::string> output = RunCommand(
        "cd '" + dir.path().string() + "' && ASAN_OPTIONS=quarantine_size_mb=0:detect_leaks=0 python3 -c '" +
        "import resource, subprocess\n" + "run = subprocess.run([\"" + BuiltProgramPath().string() +
        "\", \"--check\", \"SUMS\"], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)\n" +
        "print(resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, run.returncode, "
        "run.stderr.count(b\"\\n\"))'");
    ASSERT_TRUE(output);
    long peakKiB = 0;
    int status = 0;
    long warnings = 0;
    ASSERT_EQ(sscanf(output->c_str(), "%ld %d %ld", &peakKiB, &status, &warnings), 3) << *output;
    EXPECT_LT(peakKiB, 30 * 1024) << "peak resident KiB";
    EXPECT_EQ(status, 1);
    // A reason per line, then that the lines name no algorithm and how many files were not read.
    EXPECT_EQ(warnings, 200000 + 2);
}

// What Vesk writes, coreutils and Vesk read back as all OK.
TEST(ChecksumFile, WrittenSumsCheckAsOkWithCoreutilsAndVesk) {
    REQUIRE_TOOL("sha256sum");
    ScratchDir dir;
    dir.Write("files/a.txt", Bytes("a"));
    dir.Write("files/back\\slash", Bytes("b"));
    dir.Write("files/n\nl", Bytes("n"));
    const struct {
        const char* form;
        const char* sums;
        std::string checker;
    } cases[] = {{"sha256", "files.sha256", "sha256sum -c"},
                 {"md5", "files.md5", "md5sum -c"},
                 {"bsd", "files.txt", "cksum -c"},
                 {"b3", "files.b3", "b3sum -c"},
                 {"sfv", "files.sfv", "rhash --skip-ok -c"}};
    for (const auto& c : cases) {
        const ProgramResult written = RunProgram(BuiltProgramPath(), {"--sums", c.form, "files"}, dir.path());
        const bool sfv = std::string(c.form) == "sfv"; // SFV cannot hold a name with a line break
        EXPECT_EQ(written.exitCode, sfv ? 1 : 0) << written.errors;
        std::ofstream(dir.path() / c.sums, std::ios::binary) << written.output;
        if (!sfv) {
            const auto checked = RunCommand("cd '" + dir.path().string() + "' && " + c.checker + " " +
                                            c.sums + " >/dev/null 2>&1 && echo ok");
            EXPECT_EQ(checked.value_or(""), "ok\n") << c.form << ":\n" << written.output;
        }
        const ProgramResult vesk = RunProgram(BuiltProgramPath(), {"--check", c.sums}, dir.path());
        EXPECT_EQ(vesk.exitCode, 0) << c.form << ": " << vesk.output << vesk.errors;
    }
}
#endif

TEST(ChecksumFile, ConsoleOptionsEndWithDoubleDash) {
    const ConsoleCommand check = ParseConsoleArguments({L"vesk", L"--check", L"SUMS"});
    EXPECT_EQ(check.kind, ConsoleCommand::Kind::Check);
    const ConsoleCommand literal = ParseConsoleArguments({L"vesk", L"--", L"--check"});
    EXPECT_EQ(literal.kind, ConsoleCommand::Kind::Hash);
    EXPECT_EQ(literal.paths, (std::vector<std::wstring>{L"--check"}));
    EXPECT_EQ(ParseConsoleArguments({L"vesk", L"--sums", L"sha1", L"x"}).sums->algorithm, kSha1Id);
    for (const std::vector<std::wstring>& wrong :
         {std::vector<std::wstring>{L"vesk", L"--sums", L"crc99", L"x"},
          {L"vesk", L"--check"},
          {L"vesk", L"--check", L"--sums", L"md5", L"x"},
          {L"vesk", L"--what"}})
        EXPECT_EQ(ParseConsoleArguments(wrong).kind, ConsoleCommand::Kind::Error) << WideToUtf8(wrong[1]);
}

} // namespace
} // namespace vesk::test
