#include "app/Settings.h"

#include "platform/Platform.h"

#include <climits>
#include <cstring>
#include <vector>

namespace vesk {

namespace {

constexpr wchar_t kConfigKey[] = L"Config";
constexpr wchar_t kColumnKey[] = L"Column";
constexpr wchar_t kColumn2Key[] = L"Column2";
constexpr wchar_t kWinPosKey[] = L"WinPos";

constexpr size_t kColumnWordDigits = 2 * sizeof(ColumnEntry);

// A digit's value by the low 8 bits of its character: letters run on past F to
// 35, anything else counts as 0. Well-formed hex decodes as usual in either case.
uint8_t DigitValue(wchar_t c) {
    const uint8_t low = uint8_t(c);
    if (low >= '0' && low <= '9')
        return uint8_t(low - '0');
    if (low >= 'A' && low <= 'Z')
        return uint8_t(low - 'A' + 10);
    if (low >= 'a' && low <= 'z')
        return uint8_t(low - 'a' + 10);
    return 0;
}

void DecodeHex(const wchar_t* digits, uint8_t* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(DigitValue(digits[2 * i]) << 4 | DigitValue(digits[2 * i + 1]));
}

std::wstring EncodeHex(const uint8_t* bytes, size_t size) {
    static constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(2 * size);
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::optional<std::wstring> ReadValue(const platform::IniFile& ini, const wchar_t* key,
                                      size_t maxCharacters) {
    return ini.Value(kSettingsSection, key, maxCharacters);
}

bool ReadHex(const platform::IniFile& ini, const wchar_t* key, void* destination, size_t size) {
    const std::optional<std::wstring> text = ReadValue(ini, key, kMaxSettingCharacters);
    if (!text || text->size() < 2 * size)
        return false;
    DecodeHex(text->data(), static_cast<uint8_t*>(destination), size);
    return true;
}

ColumnEntry DecodeColumnWord(const wchar_t* digits) {
    uint8_t bytes[sizeof(ColumnEntry)];
    DecodeHex(digits, bytes, sizeof bytes);
    return ColumnEntry(bytes[0]) | ColumnEntry(bytes[1]) << 8 | ColumnEntry(bytes[2]) << 16 |
           ColumnEntry(bytes[3]) << 24;
}

// "Column": the words of the shown columns. Every entry is hidden first, then
// each word replaces the entry its id belongs to, whole; the table order itself
// never changes.
void LoadColumns(const platform::IniFile& ini, ColumnTable& table) {
    const std::wstring text = ReadValue(ini, kColumnKey, kMaxSettingCharacters).value_or(L"");
    const size_t wordCount = std::min<size_t>(text.size() / kColumnWordDigits, kColumnCount);
    if (wordCount == 0)
        return;
    ColumnSnapshot entries = table.Snapshot();
    for (ColumnEntry& entry : entries)
        entry = WithShown(entry, false);
    for (size_t i = 0; i < wordCount; ++i) {
        const ColumnEntry word = DecodeColumnWord(text.data() + i * kColumnWordDigits);
        const int position = PositionOfColumnId(EntryId(word));
        if (position >= 0)
            entries[position] = word;
    }
    table.Assign(entries);
}

void StoreLe32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> 8 * i);
}

} // namespace

std::wstring SettingsPathFor(const std::wstring& executablePath) {
    const size_t separator = executablePath.rfind(platform::kPathSeparator);
    if (separator == std::wstring::npos)
        return L"vesk.ini";
    return executablePath.substr(0, separator + 1) + L"vesk.ini";
}

std::wstring SettingsPath() {
    return SettingsPathFor(platform::ExecutablePath());
}

SettingsFile SettingsFile::BesideExecutable() {
    return {SettingsPath()};
}

bool ReadHexSetting(const SettingsFile& file, const wchar_t* key, void* destination, size_t size) {
    return ReadHex(platform::IniFile(file.path), key, destination, size);
}

bool WriteHexSetting(const SettingsFile& file, const wchar_t* key, const void* source, size_t size) {
    return WriteTextSetting(file, key, EncodeHex(static_cast<const uint8_t*>(source), size));
}

std::wstring ReadTextSetting(const SettingsFile& file, const wchar_t* key, size_t maxCharacters,
                             const std::wstring& fallback) {
    return ReadValue(platform::IniFile(file.path), key, maxCharacters).value_or(fallback);
}

bool WriteTextSetting(const SettingsFile& file, const wchar_t* key, const std::wstring& value) {
    return platform::WriteIniValue(file.path, kSettingsSection, key, value);
}

int ReadIntSetting(const SettingsFile& file, const wchar_t* key, int fallback) {
    const std::optional<std::wstring> text =
        ReadValue(platform::IniFile(file.path), key, kMaxSettingCharacters);
    if (!text)
        return fallback;
    // Like the profile functions: an optional sign, then the leading digits.
    size_t i = 0;
    const bool negative = i < text->size() && (*text)[i] == L'-';
    if (i < text->size() && ((*text)[i] == L'-' || (*text)[i] == L'+'))
        ++i;
    long long value = 0;
    for (; i < text->size() && (*text)[i] >= L'0' && (*text)[i] <= L'9'; ++i)
        value = std::min<long long>(value * 10 + ((*text)[i] - L'0'), INT_MAX);
    return int(negative ? -value : value);
}

bool WriteIntSetting(const SettingsFile& file, const wchar_t* key, int value) {
    return WriteTextSetting(file, key, std::to_wstring(value));
}

bool LoadSettings(const SettingsFile& file, ViewState& view, WindowPlacementRecord& placement) {
    const platform::IniFile ini(file.path); // one reading for every key
    uint8_t config[4];
    ViewFlags flags = kDefaultViewFlags;
    if (ReadHex(ini, kConfigKey, config, sizeof config))
        flags = uint32_t(config[0]) | uint32_t(config[1]) << 8 | uint32_t(config[2]) << 16 |
                uint32_t(config[3]) << 24;
    view.viewFlags.store(flags, std::memory_order_relaxed);

    uint8_t keyValue[8];
    if (ReadHex(ini, kColumn2Key, keyValue, sizeof keyValue))
        for (int i = 0; i < 2; ++i)
            view.keyValueColumns[i] = ColumnEntry(keyValue[4 * i]) | ColumnEntry(keyValue[4 * i + 1]) << 8 |
                                      ColumnEntry(keyValue[4 * i + 2]) << 16 |
                                      ColumnEntry(keyValue[4 * i + 3]) << 24;

    LoadColumns(ini, view.columns);

    uint8_t record[sizeof(WindowPlacementRecord)];
    if (!ReadHex(ini, kWinPosKey, record, sizeof record))
        return false;
    int32_t fields[5];
    for (int i = 0; i < 5; ++i)
        fields[i] = int32_t(uint32_t(record[4 * i]) | uint32_t(record[4 * i + 1]) << 8 |
                            uint32_t(record[4 * i + 2]) << 16 | uint32_t(record[4 * i + 3]) << 24);
    placement = {fields[0], fields[1], fields[2], fields[3], fields[4]};
    return true;
}

bool CaptureColumns(const SettingsFile& file, const ViewState& view) {
    std::vector<uint8_t> shown;
    for (ColumnEntry entry : view.columns.Snapshot())
        if (EntryShown(entry)) {
            shown.resize(shown.size() + 4);
            StoreLe32(shown.data() + shown.size() - 4, entry);
        }
    const bool columns = WriteHexSetting(file, kColumnKey, shown.data(), shown.size());
    uint8_t keyValue[8];
    StoreLe32(keyValue, view.keyValueColumns[0]);
    StoreLe32(keyValue + 4, view.keyValueColumns[1]);
    return WriteHexSetting(file, kColumn2Key, keyValue, sizeof keyValue) && columns;
}

bool SaveSettings(const SettingsFile& file, const ViewState& view, const WindowPlacementRecord* placement) {
    uint8_t config[4];
    StoreLe32(config, view.viewFlags.load(std::memory_order_relaxed));
    bool saved = WriteHexSetting(file, kConfigKey, config, sizeof config);
    if (placement != nullptr) {
        const int32_t fields[5] = {placement->left, placement->top, placement->right, placement->bottom,
                                   placement->showCommand};
        uint8_t record[sizeof(WindowPlacementRecord)];
        for (int i = 0; i < 5; ++i)
            StoreLe32(record + 4 * i, uint32_t(fields[i]));
        saved = WriteHexSetting(file, kWinPosKey, record, sizeof record) && saved;
    }
    return CaptureColumns(file, view) && saved;
}

void ParseFontSetting(const std::wstring& text, FontSetting& font) {
    // At most six fields; the sixth keeps any further commas.
    std::vector<std::wstring> fields;
    size_t start = 0;
    while (fields.size() < 5) {
        const size_t comma = text.find(L',', start);
        if (comma == std::wstring::npos)
            break;
        fields.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    fields.push_back(text.substr(start));
    if (fields.size() < 2)
        return;
    font.faceName = fields[0].substr(0, kMaxFontFaceCharacters);
    if (font.faceName.empty())
        font.faceName = L"Consolas";
    long long points = 0;
    for (size_t i = 0; i < fields[1].size() && fields[1][i] >= L'0' && fields[1][i] <= L'9'; ++i)
        points = std::min<long long>(points * 10 + (fields[1][i] - L'0'), INT_MAX);
    font.pointSize = int(points);
    for (size_t i = 2; i < fields.size(); ++i) {
        if (fields[i] == L"bold")
            font.bold = true;
        else if (fields[i] == L"italic")
            font.italic = true;
    }
}

std::wstring FormatFontSetting(const FontSetting& font) {
    std::wstring text = font.faceName + L"," + std::to_wstring(font.pointSize);
    if (font.bold)
        text += L",bold";
    if (font.italic)
        text += L",italic";
    return text;
}

} // namespace vesk
