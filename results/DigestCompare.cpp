#include "results/DigestCompare.h"

namespace vesk {

namespace {

constexpr size_t kLongestTag = 16;

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

bool IsBase32Letter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'2' && c <= L'7');
}

bool IsTagCharacter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'_';
}

// Base32 without padding: five bits a letter.
size_t Base32Length(uint32_t byteCount) {
    return (size_t(byteCount) * 8 + 4) / 5;
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c;
}

} // namespace

std::optional<DigestQuery> ParseDigestQuery(std::wstring_view text) {
    if (text.size() > kLongestDigestQuery)
        return std::nullopt;
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    if (const size_t colon = text.find(L':');
        colon != std::wstring_view::npos && colon > 0 && colon <= kLongestTag) {
        bool tag = true;
        for (wchar_t c : text.substr(0, colon))
            tag = tag && IsTagCharacter(c);
        if (tag)
            text.remove_prefix(colon + 1);
    }
    std::wstring digest;
    bool hex = true, base32 = true;
    for (wchar_t c : text) {
        if (IsBlank(c))
            continue;
        hex = hex && IsHexDigit(c);
        base32 = base32 && IsBase32Letter(c);
        digest += c;
    }
    if (digest.empty())
        return std::nullopt;
    DigestQuery query;
    for (const AlgorithmInfo& info : AlgorithmTable) {
        const bool fits = info.id == kTthId ? base32 && digest.size() == Base32Length(info.digestLength)
                                            : hex && digest.size() == 2 * size_t(info.digestLength);
        if (fits)
            query.algorithms.push_back(info.id);
    }
    if (query.algorithms.empty())
        return std::nullopt;
    query.digest = DigestCellKey(digest);
    return query;
}

std::wstring DigestCellKey(std::wstring_view cell) {
    std::wstring key(cell);
    for (wchar_t& c : key)
        c = Lower(c);
    return key;
}

std::wstring AlgorithmNamesText(const std::vector<AlgorithmId>& ids) {
    std::wstring text;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (i > 0)
            text += i + 1 == ids.size() ? L" or " : L", ";
        const char* name = AlgorithmById(ids[i]).name;
        text.append(name, name + std::char_traits<char>::length(name));
    }
    return text;
}

std::wstring DigestMatchText(AlgorithmId id, const std::wstring& fileName) {
    return AlgorithmNamesText({id}) + L" of " + fileName + L" matches";
}

std::wstring NoDigestMatchText(const std::vector<AlgorithmId>& shown) {
    return L"No " + AlgorithmNamesText(shown) + L" digest matches";
}

} // namespace vesk
