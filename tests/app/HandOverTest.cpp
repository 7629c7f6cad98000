#include "app/HandOver.h"

#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace vesk::test {
namespace {

using Arguments = std::vector<std::wstring>;

// How the system splits command lines, including its quirks with backslashes
// and runs of quotes. Under Windows every row is also checked against the
// system's own splitter.
const struct {
    const wchar_t* line;
    Arguments arguments;
} kSplits[] = {
    {L"vesk.exe", {L"vesk.exe"}},
    {L"\"C:\\Program Files\\vesk.exe\" a.txt", {L"C:\\Program Files\\vesk.exe", L"a.txt"}},
    {L"C:\\x\\vesk.exe  a.txt\t b.txt ", {L"C:\\x\\vesk.exe", L"a.txt", L"b.txt"}},
    {L"v \"two words.txt\" c", {L"v", L"two words.txt", L"c"}},
    {L"v a\"b c\"d", {L"v", L"ab cd"}},
    {L"v C:\\dir\\ x", {L"v", L"C:\\dir\\", L"x"}},
    {L"v \"C:\\dir\\\\\" x", {L"v", L"C:\\dir\\", L"x"}},
    {L"v \\\"q\\\"", {L"v", L"\"q\""}},
    {L"v a\\\\\\\"b", {L"v", L"a\\\"b"}},
    {L"v \"\"", {L"v", L""}},
    {L"v \"a\"\"b\"", {L"v", L"a\"b"}},
    {L"v \"\"\"\"", {L"v", L"\""}},
    {L"v a\"\"\"b c", {L"v", L"a\"b", L"c"}},
    {L"\"v w\"x y", {L"v w", L"x", L"y"}},
    {L"v \"open", {L"v", L"open"}},
    {L"v \\\\server\\share\\f.txt", {L"v", L"\\\\server\\share\\f.txt"}},
};

TEST(HandOver, SplitsCommandLinesAsTheSystemDoes) {
    for (const auto& split : kSplits) {
        EXPECT_EQ(SplitCommandLine(split.line), split.arguments) << WideToUtf8(split.line);
#ifdef _WIN32
        int count = 0;
        wchar_t** system = CommandLineToArgvW(split.line, &count);
        ASSERT_NE(system, nullptr);
        EXPECT_EQ(SplitCommandLine(split.line), Arguments(system, system + count)) << WideToUtf8(split.line);
        LocalFree(system);
#endif
    }
}

TEST(HandOver, ResolvesRelativePathsAgainstTheSendersDirectory) {
    const struct {
        const wchar_t* directory;
        const wchar_t* path;
        const wchar_t* resolved;
    } cases[] = {
        {L"C:\\work", L"a.txt", L"C:\\work\\a.txt"},
        {L"C:\\work\\", L"sub\\a.txt", L"C:\\work\\sub\\a.txt"},
        {L"C:\\work\\deep", L"..\\a.txt", L"C:\\work\\a.txt"},
        {L"C:\\work", L".\\.\\a.txt", L"C:\\work\\a.txt"},
        {L"C:\\", L"..\\..\\a.txt", L"C:\\a.txt"},
        {L"\\\\srv\\share\\d", L"..\\..\\x", L"\\\\srv\\share\\x"},
        {L"C:\\work", L"D:\\abs.txt", L"D:\\abs.txt"},
        {L"C:\\work", L"D:rel.txt", L"D:rel.txt"},
        {L"C:\\work", L"\\rooted.txt", L"\\rooted.txt"},
        {L"C:\\work", L"\\\\srv\\share\\u.txt", L"\\\\srv\\share\\u.txt"},
        {L"", L"a.txt", L"a.txt"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveAgainst(c.directory, c.path), c.resolved) << WideToUtf8(c.path);

    // No 260-character limit on either part.
    const std::wstring deep = L"C:\\" + std::wstring(300, L'd');
    EXPECT_EQ(ResolveAgainst(deep, std::wstring(300, L'f')), deep + L"\\" + std::wstring(300, L'f'));
}

// A block round-trips with its minimum size; a malformed one gives nothing.
TEST(HandOver, BlockRoundTripsAndMalformedBlocksGiveNothing) {
    const std::wstring directory = L"C:\\" + std::wstring(400, L'x'); // longer than the system's old limit
    const std::wstring line = L"\"C:\\v\\vesk.exe\" a.txt ..\\b.txt \"D:\\c d.txt\"";
    const std::vector<uint8_t> block = BuildHandOverBlock(directory, line);
    EXPECT_EQ(block.size(), 2 * (directory.size() + line.size() + 2));
    EXPECT_EQ(BuildHandOverBlock(L"C:\\", L"v a").size(), 2 * 3 + 522u);

    const std::optional<HandOver> handOver = ParseHandOverBlock(block.data(), block.size());
    ASSERT_TRUE(handOver);
    EXPECT_EQ(handOver->directory, directory);
    EXPECT_EQ(handOver->start.action, StartAction::Add);
    EXPECT_EQ(handOver->start.paths, (Arguments{directory + L"\\a.txt", L"C:\\b.txt", L"D:\\c d.txt"}));

    std::vector<uint8_t> good = BuildHandOverBlock(L"C:\\d", L"v a.txt");
    const size_t textBytes = 2 * (4 + 1 + 7 + 1);
    EXPECT_FALSE(ParseHandOverBlock(nullptr, 10));
    EXPECT_FALSE(ParseHandOverBlock(good.data(), 0));
    EXPECT_FALSE(ParseHandOverBlock(good.data(), 1));
    // The size cuts the command line's terminator off, or the directory's.
    EXPECT_FALSE(ParseHandOverBlock(good.data(), textBytes - 2));
    EXPECT_FALSE(ParseHandOverBlock(good.data(), textBytes - 1));
    EXPECT_FALSE(ParseHandOverBlock(good.data(), 8));
    EXPECT_TRUE(ParseHandOverBlock(good.data(), textBytes));

    std::vector<uint8_t> noTerminator(4096, 'A');
    EXPECT_FALSE(ParseHandOverBlock(noTerminator.data(), noTerminator.size()));
    noTerminator[100] = noTerminator[101] = 0; // a directory, but no command line after it
    EXPECT_FALSE(ParseHandOverBlock(noTerminator.data(), noTerminator.size()));

    // Only the program path: nothing to add.
    const std::vector<uint8_t> bare = BuildHandOverBlock(L"C:\\d", L"vesk.exe");
    ASSERT_TRUE(ParseHandOverBlock(bare.data(), bare.size()));
    EXPECT_TRUE(ParseHandOverBlock(bare.data(), bare.size())->start.paths.empty());
}

// The file manager's entries start the window with an option first; the
// command line a start is handed on with splits back into the same start.
TEST(HandOver, WindowStartsTakeAnOptionOnlyFirstAndRoundTrip) {
    const struct {
        Arguments arguments;
        StartAction action;
        Arguments paths;
    } cases[] = {
        {{}, StartAction::Add, {}},
        {{L"a.txt", L"", L"C:\\b\\"}, StartAction::Add, {L"a.txt", L"C:\\b\\"}},
        {{L"--subfolders", L"C:\\photos\\"}, StartAction::AddWithSubfolders, {L"C:\\photos\\"}},
        {{L"--check", L"D:\\dl\\SHA256SUMS"}, StartAction::Check, {L"D:\\dl\\SHA256SUMS"}},
        {{L"--check"}, StartAction::Check, {}},
        // Later, an option is a file's name.
        {{L"x", L"--check", L"--subfolders"}, StartAction::Add, {L"x", L"--check", L"--subfolders"}},
        {{L"C:\\a b\\", L"\\\\server\\share\\x\\\\", L"say \"hi\".txt"},
         StartAction::Add,
         {L"C:\\a b\\", L"\\\\server\\share\\x\\\\", L"say \"hi\".txt"}},
    };
    for (const auto& c : cases) {
        const WindowStart start = ParseWindowStart(c.arguments);
        EXPECT_EQ(start.action, c.action);
        EXPECT_EQ(start.paths, c.paths);
        const std::wstring line = WindowStartCommandLine(L"C:\\Program Files\\Vesk\\vesk.exe", start);
        Arguments split = SplitCommandLine(line);
        ASSERT_FALSE(split.empty());
        EXPECT_EQ(split[0], L"C:\\Program Files\\Vesk\\vesk.exe");
        split.erase(split.begin());
        const WindowStart again = ParseWindowStart(split);
        EXPECT_EQ(again.action, c.action) << WideToUtf8(line);
        EXPECT_EQ(again.paths, c.paths) << WideToUtf8(line);
    }
}

} // namespace
} // namespace vesk::test
