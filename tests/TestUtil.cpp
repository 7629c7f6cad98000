#include "tests/TestUtil.h"

#include "platform/Platform.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>
#include <set>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vesk::test {

namespace {
constexpr size_t kChunkBytes = size_t(1) << 20;
} // namespace

std::wstring WideOf(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return Utf8ToWide(path.string());
#endif
}

std::filesystem::path PathOf(const std::wstring& text) {
#ifdef _WIN32
    return std::filesystem::path(text);
#else
    return std::filesystem::path(WideToUtf8(text));
#endif
}

std::filesystem::path Join(const std::filesystem::path& folder, const std::string& relative) {
    return folder / PathOf(Utf8ToWide(relative));
}

std::string ToHex(std::span<const uint8_t> bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(uint8_t(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Upper(std::string text) {
    std::ranges::transform(text, text.begin(), [](uint8_t c) { return char(std::toupper(c)); });
    return text;
}

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](uint8_t c) { return char(std::tolower(c)); });
    return text;
}

uint64_t TestSeed() {
    static const uint64_t seed = [] {
        uint64_t value;
        if (const char* text = std::getenv("VESK_TEST_SEED"))
            value = std::strtoull(text, nullptr, 0);
        else
            value = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
        std::cout << "random inputs use VESK_TEST_SEED=" << value << "\n";
        return value;
    }();
    return seed;
}

std::vector<uint8_t> RandomBytes(size_t byteCount, uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::vector<uint8_t> bytes(byteCount);
    for (size_t i = 0; i < byteCount; i += 8) {
        uint64_t word = generator();
        for (size_t j = i; j < std::min(byteCount, i + 8); ++j, word >>= 8)
            bytes[j] = uint8_t(word);
    }
    return bytes;
}

std::vector<size_t> BoundaryLengths(std::initializer_list<size_t> blockSizes, size_t upTo) {
    std::set<size_t> lengths;
    for (size_t n = 0; n <= std::min<size_t>(upTo, 20); ++n)
        lengths.insert(n);
    // Around the first eight multiples of each block size, then sparsely.
    for (size_t block : blockSizes)
        for (size_t multiple = block; multiple <= std::min(upTo + 2, 8 * block); multiple += block)
            for (size_t n = multiple - std::min<size_t>(multiple, 2); n <= multiple + 2; ++n)
                if (n <= upTo)
                    lengths.insert(n);
    for (size_t n = 21; n <= upTo; n = n * 3 / 2 + 1)
        lengths.insert(n);
    lengths.insert(upTo);
    return {lengths.begin(), lengths.end()};
}

ContextSetOwner StartedContextSet(SelectionMask mask) {
    ContextSetOwner set(BuildContextSet(mask));
    for (int k = 0; set && k < set->count; ++k)
        set->algorithm[k]->init(ContextAt(set.get(), k));
    return set;
}

std::string FinalHex(HashContextSet& set, int k) {
    uint8_t digest[kMaxDigestLength];
    set.algorithm[k]->final(ContextAt(&set, k), digest);
    return ToHex({digest, set.algorithm[k]->digestLength});
}

void ShowColumns(ViewState& view, std::initializer_list<ColumnId> ids, bool shown) {
    for (ColumnId id : ids) {
        const int p = PositionOfColumnId(id);
        view.columns.Set(p, WithShown(view.columns.Get(p), shown));
    }
}

std::string ColumnWordHex(ColumnEntry entry) {
    char text[9];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", entry & 0xFF, entry >> 8 & 0xFF, entry >> 16 & 0xFF,
                  entry >> 24);
    return text;
}

std::string DigestHex(const AlgorithmInfo& info, std::span<const uint8_t> data) {
    return DigestHexInPieces(info, data, {});
}

std::string DigestHexInPieces(const AlgorithmInfo& info, std::span<const uint8_t> data,
                              const std::vector<size_t>& cuts) {
    ContextSetOwner set = StartedContextSet(SelectionMask{1} << info.id);
    if (!set)
        return "(unavailable)";
    void* context = ContextAt(set.get(), 0);
    size_t start = 0;
    for (size_t cut : cuts) {
        info.update(context, data.data() + start, cut - start);
        start = cut;
    }
    info.update(context, data.data() + start, data.size() - start);
    return FinalHex(*set, 0);
}

std::vector<size_t> RandomCuts(size_t byteCount, uint64_t seed) {
    std::mt19937_64 generator(seed);
    std::vector<size_t> cuts;
    size_t position = 0;
    while (position < byteCount) {
        // Mostly short pieces, now and then a long one, so that both the
        // buffering and the whole-block paths are crossed at odd alignments.
        size_t step = generator() % 4 == 0 ? generator() % 4096 : generator() % 200;
        position = std::min(byteCount, position + step);
        cuts.push_back(position);
    }
    return cuts;
}

void CheckKnownAnswers(std::span<const KnownAnswer> answers) {
    for (const KnownAnswer& answer : answers) {
        std::string input;
        for (size_t i = 0; i < answer.repeatCount; ++i)
            input += answer.input;
        EXPECT_EQ(DigestHex(AlgorithmById(answer.id), Bytes(input)), Lower(answer.expectedHex))
            << AlgorithmById(answer.id).name << " of \"" << std::string(answer.input).substr(0, 40) << "\" x "
            << answer.repeatCount;
    }
}

void CheckSplitsMatchOneShot(AlgorithmId id, const std::vector<size_t>& lengths) {
    const AlgorithmInfo& info = AlgorithmById(id);
    const uint64_t seed = TestSeed() ^ id;
    const size_t longest = lengths.empty() ? 0 : *std::max_element(lengths.begin(), lengths.end());
    const std::vector<uint8_t> data = RandomBytes(longest, seed);
    for (size_t length : lengths) {
        const std::span<const uint8_t> input(data.data(), length);
        const std::string expected = DigestHex(info, input);
        EXPECT_EQ(DigestHexInPieces(info, input, RandomCuts(length, seed + length)), expected)
            << info.name << ", " << length << " bytes in random pieces";
        if (length <= 300) {
            std::vector<size_t> everyByte;
            for (size_t cut = 1; cut < length; ++cut)
                everyByte.push_back(cut);
            EXPECT_EQ(DigestHexInPieces(info, input, everyByte), expected)
                << info.name << ", " << length << " bytes one at a time";
        }
    }
}

void CheckAgainstOracle(AlgorithmId id, std::vector<size_t> lengths, Oracle oracle) {
    const AlgorithmInfo& info = AlgorithmById(id);
    // Every oracle also sees the edge of the file reader's 1 MiB chunks.
    for (size_t n = kChunkBytes - 1; n <= kChunkBytes + 1; ++n)
        if (std::find(lengths.begin(), lengths.end(), n) == lengths.end())
            lengths.push_back(n);
    const size_t longest = *std::max_element(lengths.begin(), lengths.end());
    const std::vector<uint8_t> data = RandomBytes(longest, TestSeed() ^ (id << 8));
    ScratchDir dir;
    std::vector<std::filesystem::path> files;
    for (size_t length : lengths)
        files.push_back(dir.Write(std::to_string(length) + ".bin", {data.data(), length}));
    const std::vector<std::string> expected = oracle(files);
    ASSERT_EQ(expected.size(), files.size()) << info.name << ": the oracle gave no answer for every file";
    for (size_t i = 0; i < lengths.size(); ++i)
        EXPECT_EQ(DigestHex(info, {data.data(), lengths[i]}), expected[i])
            << info.name << ", " << lengths[i] << " random bytes";
}

ScratchDir::ScratchDir() {
    static int serial = 0;
    std::random_device entropy;
    path_ = std::filesystem::temp_directory_path() /
            ("vesk-test-" + std::to_string(entropy()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchDir::Write(const std::string& name, std::span<const uint8_t> bytes) const {
    std::filesystem::path file = Join(path_, name);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

std::string ReadFileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::filesystem::path BuiltProgramPath() {
    const std::filesystem::path tests = PathOf(platform::ExecutablePath());
#ifdef _WIN32
    return tests.parent_path().parent_path() / "vesk.exe";
#else
    return tests.parent_path().parent_path() / "vesk";
#endif
}

#ifdef _WIN32

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory) {
    ScratchDir streams;
    const std::filesystem::path outputFile = streams.path() / "out", errorFile = streams.path() / "err";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output =
        CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    HANDLE errors =
        CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    std::wstring commandLine = L"\"" + program.wstring() + L"\"";
    for (const std::string& argument : arguments)
        commandLine += L" \"" + Utf8ToWide(argument) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = output;
    startup.hStdError = errors;
    PROCESS_INFORMATION process{};
    ProgramResult result;
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workingDirectory.c_str(), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.exitCode = int(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(output);
    CloseHandle(errors);
    result.output = ReadFileText(outputFile);
    result.errors = ReadFileText(errorFile);
    return result;
}

bool HaveTool(const std::string&) {
    return false;
}
std::optional<std::string> RunCommand(const std::string&) {
    return std::nullopt;
}

#else

ProgramResult RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory) {
    ScratchDir streams;
    const std::filesystem::path outputFile = streams.path() / "out", errorFile = streams.path() / "err";
    ProgramResult result;
    const pid_t child = fork();
    if (child == 0) {
        const int output = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (output < 0 || errors < 0 || dup2(output, 1) < 0 || dup2(errors, 2) < 0 ||
            chdir(workingDirectory.c_str()) != 0)
            _exit(127);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.output = ReadFileText(outputFile);
    result.errors = ReadFileText(errorFile);
    return result;
}

bool HaveTool(const std::string& name) {
    return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

std::optional<std::string> RunCommand(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string output;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    if (pclose(pipe) != 0)
        return std::nullopt;
    return output;
}

#endif

std::vector<std::string> ToolDigests(const std::string& command,
                                     const std::vector<std::filesystem::path>& files) {
    std::string line = command;
    for (const auto& file : files)
        line += " '" + file.string() + "'";
    std::optional<std::string> output = RunCommand(line);
    std::vector<std::string> digests;
    if (!output)
        return digests;
    std::istringstream lines(*output);
    std::string text;
    while (std::getline(lines, text)) {
        std::istringstream words(text);
        std::string first;
        if (words >> first)
            digests.push_back(Lower(first));
    }
    return digests;
}

std::vector<std::string> PythonDigests(const std::string& hashlibName,
                                       const std::vector<std::filesystem::path>& files) {
    return ToolDigests("python3 -c 'import hashlib,sys\n"
                       "for f in sys.argv[1:]: print(hashlib.new(\"" +
                           hashlibName + "\", open(f,\"rb\").read()).hexdigest())'",
                       files);
}

} // namespace vesk::test
