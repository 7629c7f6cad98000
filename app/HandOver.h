// The hand-over between two starts of the program: a start without a console
// sends its current directory and command line to the open window in one
// block, which the window turns back into the paths to add.
//
//     std::vector<uint8_t> block = BuildHandOverBlock(directory, GetCommandLineW());
//     ...WM_COPYDATA...
//     if (std::optional<HandOver> handOver = ParseHandOverBlock(data, byteCount)) ...
//
// The block holds UTF-16LE texts: the directory, a NUL, the command line as
// the system gave it (program path first), a NUL, then zero bytes up to at
// least 2 * L + 522 bytes for a command line of L characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

std::vector<uint8_t> BuildHandOverBlock(std::wstring_view directory, std::wstring_view commandLine);

// The tag a hand-over block travels with (WM_COPYDATA's dwData): a block
// without it is some other program's and is left alone.
inline constexpr uint32_t kHandOverTag = 0x6B736576; // "vesk"

// What a start of the window program asks of the window, from the arguments
// after the program path. An option counts only as the first argument:
//
//     PATH...                 adds the paths; a folder gives its own files
//     --subfolders PATH...    adds the paths; a folder gives its subfolders' files too
//     --check FILE...         checks each checksum file in a Verify window
//
// The file manager's entries start the program these ways.
enum class StartAction { Add, AddWithSubfolders, Check };

struct WindowStart {
    StartAction action = StartAction::Add;
    std::vector<std::wstring> paths; // empty ones left out
};
WindowStart ParseWindowStart(const std::vector<std::wstring>& arguments);

// The command line that asks a window for `start`, `program` first: each
// argument quoted, as SplitCommandLine splits it again.
std::wstring WindowStartCommandLine(const std::wstring& program, const WindowStart& start);

struct HandOver {
    std::wstring directory;
    WindowStart start; // its paths resolved against the directory
};

// Trusts nothing in the block: texts count only when their NUL lies inside
// it. A block without both texts gives nothing.
std::optional<HandOver> ParseHandOverBlock(const void* data, size_t byteCount);

// Splits a command line as the system splits a program's own: the program
// path ends at its closing quote or the first blank; later arguments are
// separated by blanks, with quotes grouping and backslashes escaping quotes.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// A Windows path relative to `directory` as an absolute one, with "." and
// ".." resolved; absolute, rooted and drive-relative paths come back as they
// are. No length limit.
std::wstring ResolveAgainst(const std::wstring& directory, const std::wstring& path);

} // namespace vesk
