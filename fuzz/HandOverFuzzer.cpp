// The block another start of the program sends the window (WM_COPYDATA): any
// process on the desktop can send any bytes. The input is the block itself.
// Its NUL-separated texts also serve as a directory and arguments that are
// quoted the way the system expects, sent through a block of our own and
// parsed back.
#include "app/HandOver.h"
#include "fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace vesk;
using vesk::fuzz::Visible;

namespace {

// Whether `path` starts with a drive letter and a colon.
bool HasDrive(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool HasDriveRoot(const std::wstring& path) {
    return HasDrive(path) && path.size() >= 3 && (path[2] == L'\\' || path[2] == L'/');
}

// Quotes one argument so that the system's splitter gives it back: blanks and
// quotes need quoting; backslashes count only before a quote.
std::wstring QuoteArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L"\"";
}

std::vector<std::wstring> TextsOf(const uint8_t* data, size_t size) {
    std::vector<std::wstring> texts(1);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const auto unit = wchar_t(data[i] | data[i + 1] << 8);
        if (unit == 0)
            texts.emplace_back();
        else
            texts.back() += unit;
    }
    return texts;
}

// A block that parses gives the first text as its directory and one path per
// non-empty argument of the second, after an option: absolute and rooted ones as they are,
// relative ones below the directory's root, joined by single backslashes,
// free of "." and ".." parts.
void CheckParsedBlock(const HandOver& handOver, const std::vector<std::wstring>& texts) {
    FUZZ_CHECK(handOver.directory == texts[0], Visible(handOver.directory));
    std::vector<std::wstring> arguments = SplitCommandLine(texts[1]);
    if (!arguments.empty())
        arguments.erase(arguments.begin()); // the program path
    std::erase(arguments, std::wstring());
    // An option first asks for another start; the rest are its paths.
    if (!arguments.empty() && (arguments[0] == L"--check" || arguments[0] == L"--subfolders"))
        arguments.erase(arguments.begin());
    FUZZ_CHECK(handOver.start.paths.size() == arguments.size(), Visible(texts[1]));
    if (!HasDriveRoot(handOver.directory))
        return;
    const std::wstring root = handOver.directory.substr(0, 3);
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const std::wstring& path = handOver.start.paths[i];
        // Rooted or with a drive: kept as it is.
        if (argument[0] == L'\\' || argument[0] == L'/' || HasDrive(argument)) {
            FUZZ_CHECK(path == argument, Visible(argument) + " -> " + Visible(path));
            continue;
        }
        FUZZ_CHECK(path.compare(0, 3, root) == 0, Visible(argument) + " -> " + Visible(path));
        std::wstring rest = path.substr(3);
        if (!rest.empty() && rest.back() == L'\\')
            rest.pop_back();
        if (rest.empty())
            continue; // ".." climbed to the root and stopped there
        const std::wstring wrapped = L"\\" + rest + L"\\";
        FUZZ_CHECK(rest.find(L'/') == std::wstring::npos && wrapped.find(L"\\\\") == std::wstring::npos &&
                       wrapped.find(L"\\.\\") == std::wstring::npos &&
                       wrapped.find(L"\\..\\") == std::wstring::npos,
                   Visible(argument) + " -> " + Visible(path));
    }
}

// Arguments quoted into a command line come back whole from the splitter and
// from a block of our own making.
void CheckQuotedArguments(const std::vector<std::wstring>& texts) {
    const std::wstring& directory = texts[0];
    std::vector<std::wstring> arguments = {L"C:\\Program Files\\Vesk\\vesk.exe"};
    std::wstring commandLine = L"\"" + arguments[0] + L"\"";
    for (size_t i = 1; i < texts.size(); ++i) {
        arguments.push_back(texts[i]);
        commandLine += (i % 2 ? L" " : L" \t ") + QuoteArgument(texts[i]);
    }
    const std::vector<std::wstring> split = SplitCommandLine(commandLine);
    FUZZ_CHECK(split == arguments, Visible(commandLine));

    const std::vector<uint8_t> block = BuildHandOverBlock(directory, commandLine);
    FUZZ_CHECK(block.size() >= 2 * commandLine.size() + 522, std::to_string(block.size()));
    const std::optional<HandOver> parsed = ParseHandOverBlock(block.data(), block.size());
    FUZZ_CHECK(parsed.has_value(), Visible(commandLine));
    FUZZ_CHECK(parsed->directory == directory, Visible(parsed->directory));
    WindowStart expected =
        ParseWindowStart(std::vector<std::wstring>(arguments.begin() + 1, arguments.end()));
    for (std::wstring& path : expected.paths)
        path = ResolveAgainst(directory, path);
    FUZZ_CHECK(parsed->start.action == expected.action && parsed->start.paths == expected.paths,
               Visible(commandLine));

    // A start written out as a command line splits back into itself.
    const std::wstring rewritten = WindowStartCommandLine(arguments[0], parsed->start);
    std::vector<std::wstring> again = SplitCommandLine(rewritten);
    again.erase(again.begin());
    const WindowStart reparsed = ParseWindowStart(again);
    // A path that resolved to nothing (".." against a folder without a root)
    // is written as an empty argument, which adds nothing.
    std::vector<std::wstring> written = parsed->start.paths;
    std::erase(written, std::wstring());
    FUZZ_CHECK(reparsed.action == parsed->start.action && reparsed.paths == written, Visible(rewritten));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::wstring> texts = TextsOf(data, size);
    const std::optional<HandOver> handOver = ParseHandOverBlock(data, size);
    // Both texts must end with their NUL inside the block.
    FUZZ_CHECK(handOver.has_value() == (texts.size() >= 3), std::to_string(texts.size()));
    if (handOver)
        CheckParsedBlock(*handOver, texts);
    CheckQuotedArguments(texts);
    return 0;
}
