#include "app/ChecksumFile.h"

#include "text/NameEscape.h"
#include "text/TextEncoding.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace vesk {

namespace {

// Conventional names and extensions of checksum files.
constexpr struct {
    const char* name; // lower case: a whole file name, or an extension with its dot
    AlgorithmId id;
} kFileNames[] = {
    {".md5", 15},          {"md5sums", 15},    {".md4", 14},       {".sha1", 20},      {"sha1sums", 20},
    {".sha224", 21},       {"sha224sums", 21}, {".sha256", 22},    {"sha256sums", 22}, {".sha384", 23},
    {"sha384sums", 23},    {".sha512", 24},    {"sha512sums", 24}, {".sha3-224", 25},  {".sha3-256", 26},
    {".sha3-384", 27},     {".sha3-512", 28},  {".b2", 0},         {"b2sums", 0},      {".sfv", 5},
    {".crc32", 5},         {".crc", 5},        {".tth", 31},       {".whirlpool", 33}, {".rmd160", 17},
    {".ripemd160", 17},    {".xxh32", 34},     {".xxh64", 35},     {".xxh128", 37},    {".b3", kBlake3Id},
    {"b3sums", kBlake3Id},
};

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<uint8_t>> DecodeHex(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes(text.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const int high = HexValue(text[2 * i]);
        const int low = HexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = uint8_t(high << 4 | low);
    }
    return bytes;
}

// RFC 4648 base32 without padding, either letter case.
std::optional<std::vector<uint8_t>> DecodeBase32(std::string_view text) {
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        const char upper = char(std::toupper(static_cast<unsigned char>(c)));
        int value = -1;
        if (upper >= 'A' && upper <= 'Z')
            value = upper - 'A';
        else if (upper >= '2' && upper <= '7')
            value = upper - '2' + 26;
        if (value < 0)
            return std::nullopt;
        bits = bits << 5 | uint32_t(value);
        count += 5;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(uint8_t(bits >> count));
        }
    }
    return bytes;
}

std::optional<AlgorithmId> AlgorithmOfFileName(std::wstring_view fileName) {
    const size_t slash = fileName.find_last_of(L"\\/");
    std::string name = WideToUtf8(slash == std::wstring_view::npos ? fileName : fileName.substr(slash + 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return char(std::tolower(static_cast<unsigned char>(c))); });
    for (const auto& known : kFileNames) {
        const std::string_view pattern = known.name;
        if (pattern[0] == '.' ? name.ends_with(pattern) : name == pattern)
            return known.id;
    }
    return std::nullopt;
}

std::optional<AlgorithmId> AlgorithmOfLength(std::string_view digest) {
    switch (digest.size()) {
    case 8:
        return kCrc32Id;
    case 32:
        return kMd5Id;
    case 40:
        return kSha1Id;
    case 64:
        return kSha256Id;
    case 96:
        return kSha384Id;
    case 128:
        return kSha512Id;
    case 39:
        return kTthId;
    default:
        return std::nullopt;
    }
}

std::optional<std::vector<uint8_t>> DecodeDigest(std::string_view text, AlgorithmId id) {
    std::optional<std::vector<uint8_t>> bytes =
        id == kTthId && text.size() == 39 ? DecodeBase32(text) : DecodeHex(text);
    if (!bytes || bytes->size() != AlgorithmById(id).digestLength)
        return std::nullopt;
    return bytes;
}

bool IsHexDigit(char c) {
    return HexValue(c) >= 0;
}

class LineParser {
public:
    explicit LineParser(std::optional<AlgorithmId> fileAlgorithm) : fileAlgorithm_(fileAlgorithm) {}

    std::optional<ChecksumLine> Parse(std::string_view line) const {
        const bool escaped = !line.empty() && line[0] == '\\';
        const std::string_view body = escaped ? line.substr(1) : line;
        if (std::optional<ChecksumLine> tagged = ParseTagged(body, escaped))
            return tagged;
        if (std::optional<ChecksumLine> gnu = ParseGnu(body, escaped))
            return gnu;
        if (!escaped)
            return ParseSfv(line);
        return std::nullopt;
    }

private:
    // ALGO (NAME) = DIGEST; rhash pads the tag with spaces.
    std::optional<ChecksumLine> ParseTagged(std::string_view body, bool escaped) const {
        const size_t open = body.find(" (");
        const size_t close = body.rfind(") = ");
        if (open == std::string_view::npos || close == std::string_view::npos || close < open + 2)
            return std::nullopt;
        const std::optional<AlgorithmId> id = AlgorithmOfTag(body.substr(0, open));
        if (!id)
            return std::nullopt;
        return Make(body.substr(open + 2, close - open - 2), escaped, body.substr(close + 4), *id,
                    AlgorithmSource::Tag);
    }

    // DIGEST, a space, a space or "*", NAME.
    std::optional<ChecksumLine> ParseGnu(std::string_view body, bool escaped) const {
        const size_t space = body.find(' ');
        if (space == std::string_view::npos || space + 2 > body.size() ||
            (body[space + 1] != ' ' && body[space + 1] != '*'))
            return std::nullopt;
        const std::string_view digest = body.substr(0, space);
        return MakeUntagged(body.substr(space + 2), escaped, digest);
    }

    // NAME CRC32, the name possibly holding spaces.
    std::optional<ChecksumLine> ParseSfv(std::string_view line) const {
        const size_t space = line.rfind(' ');
        if (space == std::string_view::npos || space == 0 || line.size() - space - 1 != 8 ||
            !std::all_of(line.begin() + space + 1, line.end(), IsHexDigit))
            return std::nullopt;
        return Make(line.substr(0, space), false, line.substr(space + 1), kCrc32Id,
                    AlgorithmSource::FileName);
    }

    std::optional<ChecksumLine> MakeUntagged(std::string_view name, bool escaped,
                                             std::string_view digest) const {
        if (fileAlgorithm_)
            return Make(name, escaped, digest, *fileAlgorithm_, AlgorithmSource::FileName);
        const std::optional<AlgorithmId> id = AlgorithmOfLength(digest);
        if (!id)
            return std::nullopt;
        return Make(name, escaped, digest, *id, AlgorithmSource::DigestLength);
    }

    static std::optional<ChecksumLine> Make(std::string_view name, bool escaped, std::string_view digest,
                                            AlgorithmId id, AlgorithmSource source) {
        std::optional<std::vector<uint8_t>> expected = DecodeDigest(digest, id);
        if (!expected || name.empty())
            return std::nullopt;
        std::optional<std::string> unescaped = escaped ? UnescapeName(name) : std::string(name);
        if (!unescaped || unescaped->empty() || unescaped->find('\0') != std::string::npos)
            return std::nullopt;
        ChecksumLine line;
        line.name = Utf8ToWide(*unescaped);
        line.algorithm = id;
        line.source = source;
        line.expected = std::move(*expected);
        return line;
    }

    std::optional<AlgorithmId> fileAlgorithm_;
};

} // namespace

ChecksumList ParseChecksumText(std::string_view bytes, std::wstring_view fileName) {
    ChecksumList list;
    ChecksumLineReader reader(fileName);
    const auto take = [&](ChecksumLine& line) { list.lines.push_back(std::move(line)); };
    reader.Feed(bytes, take);
    reader.Finish(take);
    list.improperLines = reader.improperLines();
    return list;
}

ChecksumLineReader::ChecksumLineReader(std::wstring_view fileName)
    : fileNameAlgorithm_(AlgorithmOfFileName(fileName)) {}

void ChecksumLineReader::Feed(std::string_view bytes, const std::function<void(ChecksumLine&)>& take) {
    while (!bytes.empty()) {
        const size_t end = bytes.find('\n');
        const std::string_view part = bytes.substr(0, end);
        // Past the limit a line is improperly formatted; the rest of it is not kept.
        if (!overlong_) {
            if (pending_.size() + part.size() > kLongestChecksumLine + 1) {
                overlong_ = true;
                pending_.clear();
            } else {
                pending_.append(part);
            }
        }
        if (end == std::string_view::npos)
            return;
        bytes.remove_prefix(end + 1);
        if (overlong_) {
            ++lineNumber_;
            ++improperLines_;
            overlong_ = false;
            started_ = true;
        } else {
            TakeLine(pending_, take);
        }
        pending_.clear();
    }
}

void ChecksumLineReader::Finish(const std::function<void(ChecksumLine&)>& take) {
    if (overlong_) {
        ++lineNumber_;
        ++improperLines_;
    } else if (!pending_.empty()) {
        TakeLine(pending_, take);
    }
    pending_.clear();
    overlong_ = false;
}

void ChecksumLineReader::TakeLine(std::string_view line, const std::function<void(ChecksumLine&)>& take) {
    if (!started_ && line.starts_with("\xEF\xBB\xBF"))
        line.remove_prefix(3);
    started_ = true;
    ++lineNumber_;
    if (line.ends_with('\r'))
        line.remove_suffix(1);
    if (line.empty() || line[0] == ';' ||
        std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; }))
        return;
    std::optional<ChecksumLine> parsed =
        line.size() <= kLongestChecksumLine ? LineParser(fileNameAlgorithm_).Parse(line) : std::nullopt;
    if (!parsed) {
        ++improperLines_;
        return;
    }
    parsed->lineNumber = lineNumber_;
    take(*parsed);
}

std::vector<std::wstring> ChecksumFileExtensions() {
    std::vector<std::wstring> extensions;
    for (const auto& entry : kFileNames)
        if (entry.name[0] == '.')
            extensions.emplace_back(entry.name, entry.name + std::strlen(entry.name));
    return extensions;
}

} // namespace vesk
