// Small helpers shared by the test files: hex text, reproducible random data,
// hashing through the registry, and external tools used as oracles.
#pragma once

#include "core/ColumnTable.h"
#include "core/HashContextSet.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vesk::test {

// Paths as the program's wide text and back, without a detour through the
// ANSI code page on Windows.
std::wstring WideOf(const std::filesystem::path& path);
std::filesystem::path PathOf(const std::wstring& text);
// `relative` is UTF-8.
std::filesystem::path Join(const std::filesystem::path& folder, const std::string& relative);

std::string ToHex(std::span<const uint8_t> bytes);
std::vector<uint8_t> FromHex(const std::string& hex);
std::vector<uint8_t> Bytes(const std::string& text);
std::string Upper(std::string text);
std::string Lower(std::string text);

// The seed for this run's random inputs: VESK_TEST_SEED when set, else a fresh
// one. It is printed once so that a failure can be replayed.
uint64_t TestSeed();
std::vector<uint8_t> RandomBytes(size_t byteCount, uint64_t seed);

// Lengths 0 to `upTo`: every length to 20, multiple - 2 to multiple + 2 for the
// first eight multiples of each block size, and a sparse spread of the rest.
std::vector<size_t> BoundaryLengths(std::initializer_list<size_t> blockSizes, size_t upTo);

// A context set for `mask` with every context started, and the lowercase hex
// digest that finishing context k gives.
ContextSetOwner StartedContextSet(SelectionMask mask);
std::string FinalHex(HashContextSet& set, int k);

// The algorithms a fresh view shows, in column order.
inline constexpr AlgorithmId kDefaultAlgorithms[] = {kCrc32Id, kMd5Id, kSha1Id, kSha256Id};

// Shows or hides the columns of `ids` in the view's table.
void ShowColumns(ViewState& view, std::initializer_list<ColumnId> ids, bool shown = true);
// A column entry as the settings file writes it: eight hex digits, low byte first.
std::string ColumnWordHex(ColumnEntry entry);

// Lowercase hex digest of `data` through the registry entry, in one update.
std::string DigestHex(const AlgorithmInfo& info, std::span<const uint8_t> data);
// The same, with the input cut at `cuts` (ascending offsets) into several updates.
std::string DigestHexInPieces(const AlgorithmInfo& info, std::span<const uint8_t> data,
                              const std::vector<size_t>& cuts);
// Random cut points for `byteCount` bytes, drawn from `seed`.
std::vector<size_t> RandomCuts(size_t byteCount, uint64_t seed);

// A folder of scratch files, removed with everything in it when it goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path Write(const std::string& name, std::span<const uint8_t> bytes) const;

private:
    std::filesystem::path path_;
};

// A published digest: `input` repeated `repeatCount` times hashes to `expectedHex`
// (either letter case).
struct KnownAnswer {
    AlgorithmId id;
    const char* input;
    size_t repeatCount;
    const char* expectedHex;
};
void CheckKnownAnswers(std::span<const KnownAnswer> answers);

// For random inputs of every length in `lengths`: random cuts into several
// updates (and one update per byte for short inputs) give the one-shot digest.
void CheckSplitsMatchOneShot(AlgorithmId id, const std::vector<size_t>& lengths);

// Writes one random file per length, and for 1 MiB - 1 to 1 MiB + 1 bytes,
// has `oracle` digest them all in one run, and compares with the registry's
// digest of each.
using Oracle = std::vector<std::string> (*)(const std::vector<std::filesystem::path>& files);
void CheckAgainstOracle(AlgorithmId id, std::vector<size_t> lengths, Oracle oracle);

// Every byte of a file; empty when it cannot be read.
std::string ReadFileText(const std::filesystem::path& file);

// Runs a program with its standard output and error going to files, and waits.
struct ProgramResult {
    int exitCode = -1;
    std::string output;
    std::string errors;
};
ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory);

// The program built beside the tests: build/<preset>/vesk, or vesk.exe.
std::filesystem::path BuiltProgramPath();

// External tools as black-box oracles (native builds only).
bool HaveTool(const std::string& name);
std::optional<std::string> RunCommand(const std::string& command);
// Runs `command file1 file2 ...` once and returns, per file in order, the first
// word of its output line, lowercased. Empty when the tool fails.
std::vector<std::string> ToolDigests(const std::string& command,
                                     const std::vector<std::filesystem::path>& files);
// The digests of python3's hashlib.new(name) for each file.
std::vector<std::string> PythonDigests(const std::string& hashlibName,
                                       const std::vector<std::filesystem::path>& files);

} // namespace vesk::test

// Oracle tests run natively, where the test command installs the tools; they are
// skipped under Wine, where no such tools exist.
#ifdef _WIN32
#define REQUIRE_TOOL(name) GTEST_SKIP() << "no external tools under Windows"
#else
#define REQUIRE_TOOL(name) ASSERT_TRUE(::vesk::test::HaveTool(name)) << "missing tool: " << (name)
#endif
