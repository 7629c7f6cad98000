#include "text/NameEscape.h"

namespace vesk {

namespace {

std::wstring_view SpecialCharacters(NameEscapes form) {
    return form == NameEscapes::DigestLine ? L"\\\n\r" : L"\\\n";
}

} // namespace

bool NameNeedsEscape(std::wstring_view name, NameEscapes form) {
    const std::wstring_view triggers = form == NameEscapes::DigestLine ? L"\\\n\r" : L"\n";
    return name.find_first_of(triggers) != std::wstring_view::npos;
}

std::wstring EscapeNameCharacters(std::wstring_view name, NameEscapes form) {
    const std::wstring_view special = SpecialCharacters(form);
    std::wstring escaped;
    escaped.reserve(name.size());
    for (const wchar_t c : name) {
        if (special.find(c) == std::wstring_view::npos)
            escaped += c;
        else if (c == L'\\')
            escaped += L"\\\\";
        else if (c == L'\n')
            escaped += L"\\n";
        else
            escaped += L"\\r";
    }
    return escaped;
}

std::wstring WrittenName(std::wstring_view name, NameEscapes form) {
    if (!NameNeedsEscape(name, form))
        return std::wstring(name);
    return L"\\" + EscapeNameCharacters(name, form);
}

std::optional<std::string> UnescapeName(std::string_view text) {
    std::string name;
    name.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            name += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        if (text[i] == '\\')
            name += '\\';
        else if (text[i] == 'n')
            name += '\n';
        else if (text[i] == 'r')
            name += '\r';
        else
            return std::nullopt;
    }
    return name;
}

} // namespace vesk
