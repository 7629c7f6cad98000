#include "app/HandOver.h"

#include <algorithm>

namespace vesk {

namespace {

// Beyond the command line, the block always has room for a directory of the
// classic path limit: 260 characters and a terminator, two bytes each.
constexpr size_t kClassicPathCharacters = 260;
constexpr size_t kDirectoryRoomBytes = 2 * (kClassicPathCharacters + 1);

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

bool IsSlash(wchar_t c) {
    return c == L'\\' || c == L'/';
}

bool HasDriveLetter(const std::wstring& path) {
    return path.size() >= 2 && path[1] == L':' &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// The part that ".." never climbs above: "C:\" or "\\server\share\".
size_t RootLength(const std::wstring& path) {
    if (HasDriveLetter(path))
        return path.size() > 2 && IsSlash(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])) {
        size_t at = 2;
        for (int part = 0; part < 2 && at < path.size(); ++part) {
            while (at < path.size() && !IsSlash(path[at]))
                ++at;
            if (at < path.size())
                ++at;
        }
        return at;
    }
    return !path.empty() && IsSlash(path[0]) ? 1 : 0;
}

std::wstring Canonical(const std::wstring& path) {
    const size_t rootLength = RootLength(path);
    std::vector<std::wstring> parts;
    size_t at = rootLength;
    while (at <= path.size()) {
        size_t end = at;
        while (end < path.size() && !IsSlash(path[end]))
            ++end;
        const std::wstring part = path.substr(at, end - at);
        if (part == L"..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    std::wstring result = path.substr(0, rootLength);
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            result += L'\\';
        result += parts[i];
    }
    if (!path.empty() && IsSlash(path.back()) && !parts.empty())
        result += L'\\';
    return result;
}

// The text from `at` up to the next NUL inside the block.
std::optional<std::wstring> TextAt(const std::vector<wchar_t>& units, size_t& at) {
    const auto end = std::find(units.begin() + at, units.end(), L'\0');
    if (end == units.end())
        return std::nullopt;
    std::wstring text(units.begin() + at, end);
    at = size_t(end - units.begin()) + 1;
    return text;
}

// The program path at the start of a command line: quotes group, backslashes
// are plain characters. Leaves `at` after it.
std::wstring TakeProgramPath(std::wstring_view line, size_t& at) {
    std::wstring program;
    if (line[0] == L'"') {
        for (at = 1; at < line.size() && line[at] != L'"'; ++at)
            program += line[at];
        if (at < line.size())
            ++at;
    } else {
        for (; at < line.size() && !IsBlank(line[at]); ++at)
            program += line[at];
    }
    return program;
}

// A quote that groups, at `at`, and the quotes right after it: in a run of
// quotes every third one is a literal quote. Leaves `at` on the run's last
// quote; `quotes` is odd while inside quotes.
void TakeQuoteRun(std::wstring_view line, size_t& at, std::wstring& argument, int& quotes) {
    ++quotes;
    while (at + 1 < line.size() && line[at + 1] == L'"') {
        ++at;
        if (++quotes == 3) {
            argument += L'"';
            quotes = 0;
        }
    }
    if (quotes == 2)
        quotes = 0;
}

} // namespace

std::vector<uint8_t> BuildHandOverBlock(std::wstring_view directory, std::wstring_view commandLine) {
    const size_t textBytes = 2 * (directory.size() + 1 + commandLine.size() + 1);
    std::vector<uint8_t> block(std::max(textBytes, 2 * commandLine.size() + kDirectoryRoomBytes), 0);
    size_t at = 0;
    for (std::wstring_view text : {directory, commandLine}) {
        for (wchar_t c : text) {
            block[at++] = uint8_t(c & 0xFF);
            block[at++] = uint8_t((c >> 8) & 0xFF);
        }
        at += 2; // the terminator, already zero
    }
    return block;
}

std::optional<HandOver> ParseHandOverBlock(const void* data, size_t byteCount) {
    if (data == nullptr)
        return std::nullopt;
    const auto* bytes = static_cast<const uint8_t*>(data);
    std::vector<wchar_t> units(byteCount / 2);
    for (size_t i = 0; i < units.size(); ++i)
        units[i] = wchar_t(bytes[2 * i] | bytes[2 * i + 1] << 8);
    size_t at = 0;
    std::optional<std::wstring> directory = TextAt(units, at);
    if (!directory)
        return std::nullopt;
    const std::optional<std::wstring> commandLine = TextAt(units, at);
    if (!commandLine)
        return std::nullopt;
    HandOver handOver{std::move(*directory), {}};
    std::vector<std::wstring> arguments = SplitCommandLine(*commandLine);
    if (!arguments.empty())
        arguments.erase(arguments.begin());
    handOver.start = ParseWindowStart(arguments);
    for (std::wstring& path : handOver.start.paths)
        path = ResolveAgainst(handOver.directory, path);
    return handOver;
}

WindowStart ParseWindowStart(const std::vector<std::wstring>& arguments) {
    WindowStart start;
    size_t first = 0;
    if (!arguments.empty() && arguments[0] == L"--subfolders") {
        start.action = StartAction::AddWithSubfolders;
        first = 1;
    } else if (!arguments.empty() && arguments[0] == L"--check") {
        start.action = StartAction::Check;
        first = 1;
    }
    for (size_t i = first; i < arguments.size(); ++i)
        if (!arguments[i].empty())
            start.paths.push_back(arguments[i]);
    return start;
}

std::wstring WindowStartCommandLine(const std::wstring& program, const WindowStart& start) {
    // A quote ends an argument and backslashes before it double; Windows paths
    // hold no quotes, but a folder's closing backslash comes before one.
    const auto quoted = [](const std::wstring& argument) {
        std::wstring text = L"\"";
        size_t backslashes = 0;
        for (wchar_t c : argument) {
            if (c == L'\\') {
                ++backslashes;
                continue;
            }
            text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
            backslashes = 0;
            text += c;
        }
        text.append(2 * backslashes, L'\\');
        return text + L'"';
    };
    std::wstring line = L"\"" + program + L"\"";
    if (start.action == StartAction::AddWithSubfolders)
        line += L" --subfolders";
    else if (start.action == StartAction::Check)
        line += L" --check";
    for (const std::wstring& path : start.paths)
        line += L' ' + quoted(path);
    return line;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
    std::vector<std::wstring> arguments;
    size_t at = 0;
    if (line.empty())
        return arguments;
    arguments.push_back(TakeProgramPath(line, at));

    while (at < line.size() && IsBlank(line[at]))
        ++at;
    std::wstring argument;
    bool started = false;
    int quotes = 0; // odd while inside quotes
    size_t backslashes = 0;
    for (; at < line.size(); ++at) {
        const wchar_t c = line[at];
        if (IsBlank(c) && quotes % 2 == 0) {
            argument.append(backslashes, L'\\');
            backslashes = 0;
            if (started)
                arguments.push_back(std::move(argument));
            argument.clear();
            started = false;
            quotes = 0;
            continue;
        }
        started = true;
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c != L'"') {
            argument.append(backslashes, L'\\');
            backslashes = 0;
            argument += c;
            continue;
        }
        // 2n backslashes and a quote: n backslashes and a quote that groups;
        // 2n + 1: n backslashes and a literal quote.
        argument.append(backslashes / 2, L'\\');
        const bool literal = backslashes % 2 == 1;
        backslashes = 0;
        if (literal) {
            argument += L'"';
            continue;
        }
        TakeQuoteRun(line, at, argument, quotes);
    }
    argument.append(backslashes, L'\\');
    if (started)
        arguments.push_back(std::move(argument));
    return arguments;
}

std::wstring ResolveAgainst(const std::wstring& directory, const std::wstring& path) {
    if (path.empty() || directory.empty() || HasDriveLetter(path) || IsSlash(path[0]))
        return path;
    std::wstring joined = directory;
    if (!IsSlash(joined.back()))
        joined += L'\\';
    joined += path;
    return Canonical(joined);
}

} // namespace vesk
