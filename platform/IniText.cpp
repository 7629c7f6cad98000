#include "platform/IniText.h"

#include "text/TextEncoding.h"

#include <algorithm>
#include <vector>

namespace vesk::platform {

namespace {

struct Line {
    size_t start;   // first character
    size_t end;     // one past the last character, before the line break
    size_t breakAt; // one past the line break
};

// A line ends at CR, LF or CRLF.
std::vector<Line> SplitLines(std::wstring_view text) {
    std::vector<Line> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
        size_t breakAt = end;
        if (end < text.size())
            breakAt += text.substr(end, 2) == L"\r\n" ? 2 : 1;
        lines.push_back({start, end, breakAt});
        start = breakAt;
    }
    return lines;
}

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

wchar_t FoldCase(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::wstring_view> SectionName(std::wstring_view line) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != L'[')
        return std::nullopt;
    const size_t close = line.find(L']');
    if (close == std::wstring_view::npos)
        return std::nullopt;
    return Trim(line.substr(1, close - 1));
}

bool KeyOfLine(std::wstring_view line, std::wstring_view& key, std::wstring_view& value) {
    const size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos)
        return false;
    key = Trim(line.substr(0, equals));
    value = Trim(line.substr(equals + 1));
    return true;
}

struct Found {
    bool section = false;
    size_t sectionLine = 0;
    size_t lastEntryLine = 0; // the section header when it has no entries
    bool key = false;
    size_t keyLine = 0;
};

Found Find(std::wstring_view text, const std::vector<Line>& lines, std::wstring_view section,
           std::wstring_view key) {
    Found found;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::wstring_view line = text.substr(lines[i].start, lines[i].end - lines[i].start);
        if (auto name = SectionName(line)) {
            if (found.section)
                break; // only the first section of that name counts
            inside = SameName(*name, section);
            if (inside) {
                found.section = true;
                found.sectionLine = found.lastEntryLine = i;
            }
            continue;
        }
        if (!inside || Trim(line).empty())
            continue;
        found.lastEntryLine = i;
        std::wstring_view lineKey, lineValue;
        if (!found.key && KeyOfLine(line, lineKey, lineValue) && SameName(lineKey, key)) {
            found.key = true;
            found.keyLine = i;
        }
    }
    return found;
}

std::wstring_view LineBreakOf(std::wstring_view text, const std::vector<Line>& lines) {
    for (const Line& line : lines)
        if (line.breakAt > line.end)
            return text.substr(line.end, line.breakAt - line.end);
    return L"\n";
}

} // namespace

std::optional<std::wstring> IniLookup(std::wstring_view text, std::wstring_view section,
                                      std::wstring_view key) {
    const std::vector<Line> lines = SplitLines(text);
    const Found found = Find(text, lines, section, key);
    if (!found.key)
        return std::nullopt;
    const Line& line = lines[found.keyLine];
    std::wstring_view lineKey, value;
    KeyOfLine(text.substr(line.start, line.end - line.start), lineKey, value);
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::wstring(value);
}

std::wstring IniAssign(std::wstring_view text, std::wstring_view section, std::wstring_view key,
                       std::wstring_view value) {
    const std::vector<Line> lines = SplitLines(text);
    const std::wstring_view lineBreak = LineBreakOf(text, lines);
    const Found found = Find(text, lines, section, key);
    const std::wstring entry = std::wstring(key) + L"=" + std::wstring(value);
    std::wstring result;
    if (found.key) {
        const Line& line = lines[found.keyLine];
        std::wstring_view oldKey, oldValue;
        KeyOfLine(text.substr(line.start, line.end - line.start), oldKey, oldValue);
        result = text.substr(0, line.start);
        result += std::wstring(oldKey) + L"=" + std::wstring(value);
        result += text.substr(line.end);
        return result;
    }
    if (found.section) {
        const Line& after = lines[found.lastEntryLine];
        result = text.substr(0, after.breakAt);
        if (after.breakAt == after.end) // the last line of the file had no break
            result += lineBreak;
        result += entry;
        result += lineBreak;
        result += text.substr(after.breakAt);
        return result;
    }
    result = text;
    if (!result.empty() && result.back() != L'\n' && result.back() != L'\r')
        result += lineBreak;
    result += L"[" + std::wstring(section) + L"]";
    result += lineBreak;
    result += entry;
    result += lineBreak;
    return result;
}

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";

std::wstring Utf16LeToWide(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    const auto unitAt = [&](size_t i) {
        return char32_t(uint8_t(bytes[2 * i]) | uint8_t(bytes[2 * i + 1]) << 8);
    };
    const size_t unitCount = bytes.size() / 2;
    for (size_t i = 0; i < unitCount; ++i) {
        char32_t c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < unitCount && unitAt(i + 1) >= 0xDC00 &&
            unitAt(i + 1) <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(++i) - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (sizeof(wchar_t) == 2 && c >= 0x10000) {
            text += wchar_t(0xD800 + ((c - 0x10000) >> 10));
            text += wchar_t(0xDC00 + (c & 0x3FF));
        } else {
            text += wchar_t(c);
        }
    }
    return text;
}

std::string WideToUtf16Le(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(2 * text.size());
    const auto append = [&](char32_t unit) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    };
    for (const wchar_t c : text) {
        const auto code = char32_t(c);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            append(0xD800 + ((code - 0x10000) >> 10));
            append(0xDC00 + (code & 0x3FF));
        } else {
            append(code > 0x10FFFF ? 0xFFFD : code);
        }
    }
    return bytes;
}

} // namespace

std::wstring DecodeIniBytes(std::string_view bytes, IniEncoding& encoding) {
    if (bytes.starts_with(kUtf16LeMark)) {
        encoding = IniEncoding::Utf16WithMark;
        return Utf16LeToWide(bytes.substr(kUtf16LeMark.size()));
    }
    encoding = bytes.starts_with(kUtf8Mark) ? IniEncoding::Utf8WithMark : IniEncoding::Utf8;
    if (encoding == IniEncoding::Utf8WithMark)
        bytes.remove_prefix(kUtf8Mark.size());
    return Utf8ToWide(bytes);
}

std::string EncodeIniText(std::wstring_view text, IniEncoding encoding) {
    switch (encoding) {
    case IniEncoding::Utf16WithMark:
        return std::string(kUtf16LeMark) + WideToUtf16Le(text);
    case IniEncoding::Utf8WithMark:
        return std::string(kUtf8Mark) + WideToUtf8(text);
    case IniEncoding::Utf8:
        break;
    }
    return WideToUtf8(text);
}

} // namespace vesk::platform
