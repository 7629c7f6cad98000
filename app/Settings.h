// The settings file, vesk.ini beside the executable: one section "General"
// whose keys mirror the view switches, the column table, the Key-Value columns,
// the window placement, the list font and the dialogs' last choices.
//
//     SettingsFile settings = SettingsFile::BesideExecutable();
//     WindowPlacementRecord placement;
//     const bool placed = LoadSettings(settings, SharedViewState(), placement);
//     ...
//     SaveSettings(settings, SharedViewState(), &placement);   // window mode only
//
// Values that mirror memory ("Config", "Column", "Column2", "WinPos") are hex:
// the bytes in memory order, two digits each, so numbers read least
// significant byte first. A missing value, or one shorter than its full size,
// keeps the default; characters beyond it are ignored. Every other character
// decodes as the stored format always has: by its low 8 bits, "0"-"9" as 0-9,
// letters of either case as 10 to 35 (so one beyond F spills into the
// neighbouring bits), anything else as 0.
#pragma once

#include "core/ColumnTable.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vesk {

struct SettingsFile {
    std::wstring path;

    // The executable's path with everything after its last separator replaced
    // by "vesk.ini" ("vesk.ini" alone when it holds no separator).
    static SettingsFile BesideExecutable();
};

// vesk.ini beside the running program, and beside any given program path.
std::wstring SettingsPath();
std::wstring SettingsPathFor(const std::wstring& executablePath);

// Keys and the most characters read of each value.
inline constexpr wchar_t kSettingsSection[] = L"General";
inline constexpr size_t kMaxSettingCharacters = 399;
inline constexpr size_t kMaxFontSettingCharacters = 255;
inline constexpr size_t kMaxFolderSettingCharacters = 259;
inline constexpr size_t kMaxWrittenWildcardCharacters = 127;

// The main window's normal rectangle in screen coordinates and its show state
// (1 normal, 2 minimised, 3 maximised), stored as "WinPos".
struct WindowPlacementRecord {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t showCommand = 1;
};
static_assert(sizeof(WindowPlacementRecord) == 20);

// Decodes the first 2 * size characters of the key's value into `destination`.
// A shorter value leaves it unchanged and gives false.
bool ReadHexSetting(const SettingsFile& file, const wchar_t* key, void* destination, size_t size);
// Writes `size` bytes as 2 * size upper-case hex digits.
bool WriteHexSetting(const SettingsFile& file, const wchar_t* key, const void* source, size_t size);

// Text and decimal values; `fallback` when the key is absent.
std::wstring ReadTextSetting(const SettingsFile& file, const wchar_t* key, size_t maxCharacters,
                             const std::wstring& fallback);
bool WriteTextSetting(const SettingsFile& file, const wchar_t* key, const std::wstring& value);
int ReadIntSetting(const SettingsFile& file, const wchar_t* key, int fallback);
bool WriteIntSetting(const SettingsFile& file, const wchar_t* key, int value);

// Reads "Config", "Column2", "Column" and "WinPos" into `view` and `placement`;
// true when "WinPos" was read.
bool LoadSettings(const SettingsFile& file, ViewState& view, WindowPlacementRecord& placement);

// Writes "Column" (the shown entries in table order) and "Column2". Where a
// result list exists, its caller first copies the list's widths and display
// order into the table.
// False when a value could not be written.
bool CaptureColumns(const SettingsFile& file, const ViewState& view);

// Writes "Config", "WinPos" (when a placement is given) and the columns. False
// when any of them could not be written (the file is a folder, or read-only).
bool SaveSettings(const SettingsFile& file, const ViewState& view, const WindowPlacementRecord* placement);

// The list font: "Face,points[,bold][,italic]".
struct FontSetting {
    std::wstring faceName = L"Consolas";
    int pointSize = 9;
    bool bold = false;
    bool italic = false;
};
inline constexpr size_t kMaxFontFaceCharacters = 31;

// Applies a "Font" value to `font`; a value of one field changes nothing.
void ParseFontSetting(const std::wstring& text, FontSetting& font);
std::wstring FormatFontSetting(const FontSetting& font);

} // namespace vesk
