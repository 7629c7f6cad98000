#include "app/ConsoleMode.h"
#include "app/AppVersion.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vesk::test {
namespace {

class CapturingWriter : public platform::ConsoleWriter {
public:
    std::string text;
    void Write(std::wstring_view piece) override { text += WideToUtf8(piece); }
};

TEST(ConsoleLine, PadsNamesToTenCharactersAndKeepsLongOnesWhole) {
    const std::wstring longValue(600, L'f');
    const struct {
        const wchar_t* name;
        std::optional<std::wstring_view> value;
        std::wstring line;
    } cases[] = {
        {L"", L"ignored", L"\n"},
        {L"notes.txt", std::nullopt, L"notes.txt\n"},
        {L"CRC32", L"cbf43926", L"CRC32     : cbf43926\n"},
        {L"RIPEMD-128", L"00", L"RIPEMD-128: 00\n"},
        {L"Date Modified", L"1/2/2024", L"Date Modified: 1/2/2024\n"},
        {L"SHA-512", longValue, L"SHA-512   : " + longValue + L"\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatConsoleLine(c.name, c.value), c.line);
}

constexpr char kAbcDefaultLines[] =
    "\nabc.txt\n"
    "CRC32     : 352441c2\n"
    "MD5       : 900150983cd24fb0d6963f7d28e17f72\n"
    "SHA-1     : a9993e364706816aba3e25717850c26c9cd0d89d\n"
    "SHA-256   : ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n";

// A settings file that shows the columns of `ids` in that order, after the other `lines`.
std::string SettingsShowing(std::initializer_list<ColumnId> ids, const std::string& lines = "") {
    std::string text = "[General]\n" + lines + "Column=";
    uint32_t order = 0;
    for (ColumnId id : ids)
        text += ColumnWordHex(MakeColumnEntry(id, order++, 100, true));
    return text + "\n";
}

class ConsoleRunTest : public ::testing::Test {
protected:
    ScratchDir dir;
    CapturingWriter output;
    CapturingWriter errors;
    ViewState view;

    int Run(std::vector<std::wstring> paths, bool reportFailures = true,
            platform::ConsoleWriter* to = nullptr) {
        ConsoleRun run;
        run.paths = std::move(paths);
        run.settings = SettingsFile{WideOf(dir.path() / "vesk.ini")};
        run.output = to != nullptr ? to : &output;
        run.errors = &errors;
        run.reportFailures = reportFailures;
        return RunConsole(run, view);
    }
    std::wstring PathIn(const std::string& name) { return WideOf(Join(dir.path(), name)); }
    void WriteSettings(const std::string& text) {
        std::ofstream(dir.path() / "vesk.ini", std::ios::binary) << text;
    }
};

// A block per file in argument order; a folder gives its own files only; the
// settings file is read, never written.
TEST_F(ConsoleRunTest, FilesInArgumentOrderAndAFoldersOwnFiles) {
    dir.Write("empty.bin", {});
    dir.Write("folder/abc.txt", Bytes("abc"));
    dir.Write("folder/deeper/other.txt", Bytes("other"));
    EXPECT_EQ(Run({PathIn("empty.bin"), PathIn("folder")}), kExitSuccess);
    EXPECT_EQ(output.text,
              std::string("\nempty.bin\n"
                          "CRC32     : 00000000\n"
                          "MD5       : d41d8cd98f00b204e9800998ecf8427e\n"
                          "SHA-1     : da39a3ee5e6b4b0d3255bfef95601890afd80709\n"
                          "SHA-256   : e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\n") +
                  kAbcDefaultLines);
    EXPECT_EQ(errors.text, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "vesk.ini"));
}

TEST_F(ConsoleRunTest, MissingPathIsReportedWhenAskedAndSkipped) {
    dir.Write("abc.txt", Bytes("abc"));
    EXPECT_EQ(Run({PathIn("missing.txt"), PathIn("abc.txt")}), kExitSomePathFailed);
    EXPECT_EQ(output.text, kAbcDefaultLines);
    EXPECT_TRUE(errors.text.starts_with("vesk: " + WideToUtf8(PathIn("missing.txt")) + ": ")) << errors.text;

    output.text.clear();
    errors.text.clear();
    EXPECT_EQ(Run({PathIn("missing.txt"), PathIn("abc.txt")}, false), kExitSuccess);
    EXPECT_EQ(output.text, kAbcDefaultLines);
    EXPECT_EQ(errors.text, "");
}

TEST_F(ConsoleRunTest, NothingSelectedIsAnErrorBeforeAnyFile) {
    WriteSettings(SettingsShowing({kFileColumnId}));
    dir.Write("abc.txt", Bytes("abc"));
    EXPECT_EQ(Run({PathIn("abc.txt")}), kExitUsage);
    EXPECT_EQ(output.text, "");
    EXPECT_NE(errors.text.find("no algorithm"), std::string::npos);
}

#ifdef _WIN32
// Standard output redirected to a handle that refuses writes, as a full disk would.
TEST_F(ConsoleRunTest, RedirectedOutputThatCannotBeWrittenIsAFailure) {
    const auto file = dir.Write("abc.txt", Bytes("abc"));
    const HANDLE readOnly =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE standardOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    SetStdHandle(STD_OUTPUT_HANDLE, readOnly);
    const std::unique_ptr<platform::ConsoleWriter> refusing = platform::OpenConsoleOutput();
    SetStdHandle(STD_OUTPUT_HANDLE, standardOutput);
    ASSERT_NE(refusing, nullptr);
    EXPECT_EQ(Run({WideOf(file)}, false, refusing.get()), kExitOutputFailed);
    EXPECT_TRUE(errors.text.starts_with("vesk: write error: ")) << errors.text;
    CloseHandle(readOnly);
}
#else
// Names that would split or blur their line are escaped as coreutils does.
TEST_F(ConsoleRunTest, NamesWithLineBreaksOrBackslashesAreEscaped) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {{"a\nb", "\\a\\nb"}, {"c\\d", "\\c\\\\d"}, {"e\rf", "\\e\\rf"}, {"plain", "plain"}};
    for (const auto& c : cases) {
        dir.Write(c.name, Bytes("abc"));
        output.text.clear();
        EXPECT_EQ(Run({PathIn(c.name)}), kExitSuccess);
        EXPECT_TRUE(output.text.starts_with("\n" + std::string(c.shown) + "\nCRC32     : 352441c2\n"))
            << output.text;
    }
}

// tmpfs keeps a last-write time no date can show: the file is printed with an
// empty date, and the files around it are printed as well.
TEST_F(ConsoleRunTest, UnshowableFileTimeLeavesTheDateEmpty) {
    char farFuture[] = "/dev/shm/vesk-time-XXXXXX";
    const int fd = mkstemp(farFuture);
    if (fd < 0)
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    ASSERT_EQ(write(fd, "abc", 3), 3);
    const timespec times[2] = {{0, UTIME_OMIT}, {INT64_MAX, 0}};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
    WriteSettings(SettingsShowing({kFileColumnId, kDateModifiedColumnId, kCrc32Id}));
    dir.Write("abc.txt", Bytes("abc"));
    const int status = Run({PathIn("abc.txt"), Utf8ToWide(farFuture), PathIn("abc.txt")});
    unlink(farFuture);
    EXPECT_EQ(status, kExitSuccess);
    const std::string name = std::filesystem::path(farFuture).filename().string();
    EXPECT_NE(output.text.find("\n" + name + "\nDate Modified: \nCRC32     : 352441c2\n\nabc.txt\n"),
              std::string::npos)
        << output.text;
}
#endif

// The built program itself, its standard output going to a file (under Wine:
// a redirected vesk.exe).
class ConsoleProgramTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::filesystem::path program;

    void SetUp() override {
        const std::filesystem::path built = BuiltProgramPath();
        ASSERT_TRUE(std::filesystem::exists(built)) << built;
        program = dir.path() / built.filename();
        std::filesystem::copy_file(built, program);
    }
    ProgramResult Run(const std::vector<std::string>& arguments) {
        return RunProgram(program, arguments, dir.path());
    }
};

// Names outside ASCII come out as UTF-8; a missing path is said and skipped;
// the settings beside the program choose the lines.
TEST_F(ConsoleProgramTest, PrintsTheLinesOfEachFileAsTheSettingsBesideItSay) {
    const std::string name = "\xce\xa9mega \xe4\xb8\xad.txt";
    dir.Write("abc.txt", Bytes("abc"));
    dir.Write(name, Bytes("abc"));
    ProgramResult result = Run({"abc.txt", name});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, kAbcDefaultLines + std::string(kAbcDefaultLines).replace(1, 7, name));
    EXPECT_EQ(result.errors, "");

    result = Run({"missing.txt", "abc.txt"});
    EXPECT_EQ(result.output, kAbcDefaultLines);
    // Said on standard error, in the system's words, with status 1.
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.errors.starts_with("vesk: missing.txt: ")) << result.errors;
#ifndef _WIN32
    EXPECT_EQ(result.errors, "vesk: missing.txt: No such file or directory\n");
#endif

    // Uppercase and full paths on; File, Size, GOST and the Tiger tree hash shown.
    dir.Write("vesk.ini",
              Bytes(SettingsShowing({kFileColumnId, kSizeColumnId, 12, kTthId}, "Config=07000000\n")));
    dir.Write("sub/abc.txt", Bytes("abc"));
    EXPECT_EQ(Run({"sub"}).output,
              "\nsub" + std::string(1, char(platform::kPathSeparator)) +
                  "abc.txt\n"
                  "Size      : 3 bytes\n"
                  "GOST      : F3134348C44FB1B2A277729E2285EBB5CB5E0F29C975BC753B70497C06A4D51D\n"
                  "TTH       : ASD4UJSEH5M47PDYB46KBTSQTSGDKLBHYXOMUIA\n");
}

#ifndef _WIN32
// The lines, the status and the error report, through a shell in the scratch folder.
std::string RunInShell(const ScratchDir& dir, const std::string& command) {
    return RunCommand("cd '" + dir.path().string() + "' && " + command).value_or("(no shell)");
}

// Output to a full device is a failure; a closed standard error changes nothing else.
TEST_F(ConsoleProgramTest, OutputThatCannotBeWrittenIsAFailure) {
    dir.Write("abc.txt", Bytes("abc"));
    for (const char* arguments : {"abc.txt", "--help"})
        EXPECT_EQ(
            RunInShell(dir, "./vesk " + std::string(arguments) + " >/dev/full 2>errors; echo $?; cat errors"),
            "1\nvesk: write error: No space left on device\n")
            << arguments;
    EXPECT_EQ(RunInShell(dir, "./vesk missing.txt abc.txt 2>&-; echo $?"),
              kAbcDefaultLines + std::string("1\n"));
}

// On one processor every file is hashed on the main thread; with more, a
// folder's files overlap and a large file's algorithms are split.
TEST_F(ConsoleProgramTest, OneProcessorPrintsWhatEveryProcessorPrints) {
    REQUIRE_TOOL("taskset");
    const std::vector<uint8_t> data = RandomBytes(3 << 20, 41);
    for (size_t i = 0; i < 40; ++i)
        dir.Write("folder/f" + std::to_string(i),
                  {data.data(), i * i * 997 % (i % 7 == 6 ? data.size() : 5000)});
    dir.Write("big.bin", data);
    const std::string everyProcessor = RunInShell(dir, "./vesk folder big.bin; echo $?");
    EXPECT_EQ(std::count(everyProcessor.begin(), everyProcessor.end(), '\n'), 41 * 6 + 1);
    EXPECT_EQ(RunInShell(dir, "taskset -c 0 ./vesk folder big.bin; echo $?"), everyProcessor);
}

// Ctrl+C while a pipe is read: the pipe gets no lines, the file after it is
// not read, the one before it stays. (A script's background job starts with
// Ctrl+C ignored, which the program respects; env gives it back.)
TEST_F(ConsoleProgramTest, InterruptStopsAtTheFileBeingRead) {
    dir.Write("abc.txt", Bytes("abc"));
    EXPECT_EQ(RunInShell(dir, "mkfifo slow; "
                              "{ head -c 1048576 /dev/zero; touch written; sleep 2; } >slow & "
                              "env --default-signal=INT ./vesk abc.txt slow abc.txt >out 2>errors & vesk=$!; "
                              "while [ ! -e written ]; do sleep 0.05; done; kill -INT $vesk; "
                              "wait $vesk; echo $?; cat out errors"),
              "1\n" + std::string(kAbcDefaultLines) + "vesk: stopped\n");
}

TEST_F(ConsoleProgramTest, UsageAndOptions) {
    ProgramResult result = Run({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.starts_with("Usage: vesk")) << result.output;
    const std::string version =
        "vesk " + WideToUtf8(kProgramVersion) + " (" + WideToUtf8(kReleaseDate) + ")\n";
    EXPECT_TRUE(result.output.ends_with("\n\n" + version)) << result.output;
    EXPECT_EQ(Run({"--version"}).output, version);
    result = Run({});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.errors.starts_with("Usage: vesk"));
    result = Run({"--frobnicate"});
    EXPECT_EQ(result.exitCode, 2);
    dir.Write("-x", Bytes("abc"));
    result = Run({"--", "-x"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.output.starts_with("\n-x\nCRC32     : 352441c2\n")) << result.output;
}
#endif

} // namespace
} // namespace vesk::test
