// Checksum files come with downloads and backups: any bytes may arrive. The
// first input byte picks the checksum file's name (which may name the
// algorithm), the rest is its text. Every line read must hold a digest of its
// algorithm's length and a name, and must come back the same when written as
// a BSD line (and as a GNU line where the digest's length alone names it).
#include "app/ChecksumFile.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace vesk;
using vesk::fuzz::Visible;

namespace {

constexpr const wchar_t* kFileNames[] = {L"list.txt", L"SHA256SUMS", L"files.md5", L"disk.sfv",
                                         L"B2SUMS",   L"hashes.tth", L"x.xxh128",  L"CHECKSUM"};

// Reads `text` back and expects exactly `line` from it.
void CheckReadsBack(const std::string& text, const ChecksumLine& line, AlgorithmSource source) {
    const ChecksumList again = ParseChecksumText(text, L"list.txt");
    FUZZ_CHECK(again.lines.size() == 1 && again.improperLines == 0, text);
    const ChecksumLine& read = again.lines[0];
    FUZZ_CHECK(read.name == line.name, Visible(line.name) + " -> " + Visible(read.name));
    FUZZ_CHECK(read.algorithm == line.algorithm && read.source == source, text);
    FUZZ_CHECK(read.expected == line.expected, text);
}

// The algorithms a GNU line's digest length names when nothing else does.
bool NamedByLength(AlgorithmId id) {
    return id == kCrc32Id || id == kMd5Id || id == kSha1Id || id == kSha256Id || id == kSha384Id ||
           id == kSha512Id;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const std::wstring_view fileName = kFileNames[data[0] % std::size(kFileNames)];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const ChecksumList list = ParseChecksumText(text, fileName);

    const size_t lineCount = size_t(std::count(text.begin(), text.end(), '\n')) + 1;
    FUZZ_CHECK(list.lines.size() + list.improperLines <= lineCount, std::to_string(list.improperLines));
    size_t previous = 0;
    for (const ChecksumLine& line : list.lines) {
        FUZZ_CHECK(line.lineNumber > previous && line.lineNumber <= lineCount,
                   std::to_string(line.lineNumber));
        previous = line.lineNumber;
        FUZZ_CHECK(line.algorithm < kAlgorithmCount, std::to_string(line.algorithm));
        FUZZ_CHECK(line.expected.size() == AlgorithmById(line.algorithm).digestLength,
                   std::to_string(line.expected.size()));
        FUZZ_CHECK(!line.name.empty() && line.name.find(L'\0') == std::wstring::npos, Visible(line.name));

        const std::string digest = fuzz::Hex(line.expected.data(), line.expected.size());
        const std::optional<std::string> bsd =
            FormatChecksumLine(ChecksumForm::Bsd, line.algorithm, line.name, digest);
        FUZZ_CHECK(bsd.has_value(), Visible(line.name));
        CheckReadsBack(*bsd, line, AlgorithmSource::Tag);
        if (NamedByLength(line.algorithm) && line.name.find(L" (") == std::wstring::npos) {
            const std::optional<std::string> gnu =
                FormatChecksumLine(ChecksumForm::Gnu, line.algorithm, line.name, digest);
            FUZZ_CHECK(gnu.has_value(), Visible(line.name));
            CheckReadsBack(*gnu, line, AlgorithmSource::DigestLength);
        }
    }
    return 0;
}
