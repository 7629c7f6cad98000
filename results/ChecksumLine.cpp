#include "results/ChecksumLine.h"

#include "text/NameEscape.h"
#include "text/TextEncoding.h"

#include <algorithm>
#include <cctype>

namespace vesk {

namespace {

// Spellings other tools write that differ from the program's own names.
constexpr struct {
    const char* tag;
    AlgorithmId id;
} kTagAliases[] = {
    {"RMD128", 16},    {"RMD160", 17},    {"RMD256", 18}, {"RMD320", 19}, {"GOST94", 12},
    {"BLAKE2B512", 0}, {"BLAKE2S256", 2}, {"SNEFRU", 30}, {"XXH364", 36}, {"XXH3128", 37},
};

std::string Normalised(std::string_view tag) {
    std::string text;
    for (char c : tag)
        if (c != '-' && c != '_' && c != ' ')
            text += char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::optional<AlgorithmId> AlgorithmOfTag(std::string_view tag) {
    const std::string wanted = Normalised(tag);
    if (wanted.empty())
        return std::nullopt;
    for (const AlgorithmInfo& info : AlgorithmTable)
        if (Normalised(info.name) == wanted)
            return info.id;
    for (const auto& alias : kTagAliases)
        if (wanted == alias.tag)
            return alias.id;
    return std::nullopt;
}

std::string TagOfAlgorithm(AlgorithmId id) {
    switch (id) {
    case 0:
        return "BLAKE2b";
    case 17:
        return "RMD160";
    case 12:
        return "GOST94";
    default:
        break;
    }
    std::string tag;
    for (const char* c = AlgorithmById(id).name; *c; ++c)
        if (*c != ' ')
            tag += char(std::toupper(static_cast<unsigned char>(*c)));
    // coreutils writes SHA-1 and SHA-2 without a hyphen, SHA-3 with one.
    if (tag.starts_with("SHA-"))
        tag.erase(3, 1);
    return tag;
}

std::optional<std::string> FormatChecksumLine(ChecksumForm form, AlgorithmId id, std::wstring_view name,
                                              std::string_view digestText) {
#ifdef _WIN32
    // Windows names hold no backslash but between folders: written as "/",
    // they read back everywhere, and need no escape.
    std::wstring portable(name);
    std::replace(portable.begin(), portable.end(), L'\\', L'/');
    name = portable;
#endif
    if (form == ChecksumForm::Sfv && name.find_first_of(L"\n\r") != std::wstring_view::npos)
        return std::nullopt;
    const bool escape = form != ChecksumForm::Sfv && NameNeedsEscape(name, NameEscapes::DigestLine);
    const std::string written =
        WideToUtf8(escape ? EscapeNameCharacters(name, NameEscapes::DigestLine) : name);
    const std::string prefix = escape ? "\\" : "";
    switch (form) {
    case ChecksumForm::Gnu:
        return prefix + std::string(digestText) + "  " + written + "\n";
    case ChecksumForm::Bsd:
        return prefix + TagOfAlgorithm(id) + " (" + written + ") = " + std::string(digestText) + "\n";
    case ChecksumForm::Sfv:
        return written + " " + std::string(digestText) + "\n";
    }
    return std::nullopt;
}

} // namespace vesk
