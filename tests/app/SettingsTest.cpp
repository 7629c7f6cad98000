// The settings file through the system's own profile functions on Windows and
// the program's INI code elsewhere.
#include "app/Settings.h"
#include "platform/Platform.h"
#include "tests/TestUtil.h"
#include "text/TextEncoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vesk::test {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    ScratchDir dir;
    SettingsFile file{WideOf(dir.path() / "vesk.ini")};
    ViewState view;
    WindowPlacementRecord placement;

    std::wstring Raw(const wchar_t* key) {
        return ReadTextSetting(file, key, kMaxSettingCharacters, L"(absent)");
    }
    bool Load() { return LoadSettings(file, view, placement); }
};

std::wstring Word(ColumnEntry entry) {
    return Utf8ToWide(ColumnWordHex(entry));
}

TEST_F(SettingsTest, NoFileKeepsEveryDefaultAndSavedTheyAreHexInCapitals) {
    EXPECT_FALSE(Load());
    EXPECT_EQ(view.viewFlags.load(), kDefaultViewFlags);
    EXPECT_EQ(view.columns.Snapshot(), DefaultColumns());
    EXPECT_EQ(view.keyValueColumns, kDefaultKeyValueColumns);
    EXPECT_EQ(ReadIntSetting(file, L"FilterIndex", 1), 1);
    EXPECT_EQ(ReadTextSetting(file, L"Wildcard", kMaxFolderSettingCharacters, L"*"), L"*");

    // Saved, they are little-endian hex in capitals.
    WindowPlacementRecord window{-8, 20, 1000, 700, 3};
    EXPECT_TRUE(SaveSettings(file, view, &window));
    EXPECT_EQ(Raw(L"Config"), L"01000000");
    const ColumnSnapshot defaults = DefaultColumns();
    EXPECT_EQ(Raw(L"Column"), Word(defaults[0]) + Word(defaults[8]) + Word(defaults[18]) +
                                  Word(defaults[23]) + Word(defaults[25]));
    EXPECT_EQ(Raw(L"Column").substr(0, 8), L"3C101480");
    EXPECT_EQ(Raw(L"Column2"), L"0010198041104B80");
    EXPECT_EQ(Raw(L"WinPos"), L"F8FFFFFF14000000E8030000BC02000003000000");
}

TEST_F(SettingsTest, EverySavedValueComesBack) {
    view.viewFlags = 0x1F | 0x80000000; // unknown bits are kept too
    ColumnSnapshot entries = DefaultColumns();
    entries[0] = WithOrder(WithWidth(entries[0], 321), 5);
    entries[1] = WithShown(entries[1], true) | kColumnSortMarker;
    entries[40] = WithShown(entries[40], true) & ~kColumnAscending;
    entries[8] = WithShown(entries[8], false);
    view.columns.Assign(entries);
    view.keyValueColumns = {MakeColumnEntry(0, 1, 250, true), MakeColumnEntry(1, 0, 999, true)};
    WindowPlacementRecord window{10, 20, 30, 40, 2};
    SaveSettings(file, view, &window);

    ViewState loaded;
    WindowPlacementRecord loadedPlacement;
    EXPECT_TRUE(LoadSettings(file, loaded, loadedPlacement));
    EXPECT_EQ(loaded.viewFlags.load(), view.viewFlags.load());
    EXPECT_EQ(loaded.columns.Snapshot(), entries);
    EXPECT_EQ(loaded.keyValueColumns, view.keyValueColumns);
    EXPECT_EQ(loadedPlacement.left, 10);
    EXPECT_EQ(loadedPlacement.bottom, 40);
    EXPECT_EQ(loadedPlacement.showCommand, 2);
}

// Short hex keeps the default, longer hex is cut; a letter beyond F spills
// into the neighbouring bits, and any other character counts as 0.
TEST_F(SettingsTest, HexValuesShortLongAndMalformed) {
    WriteTextSetting(file, L"Config", L"0");
    WriteTextSetting(file, L"Column2", L"001019804110"); // 12 of 16 digits
    WriteTextSetting(file, L"WinPos", L"0102");
    EXPECT_FALSE(Load());
    EXPECT_EQ(view.viewFlags.load(), 1u);
    EXPECT_EQ(view.keyValueColumns, kDefaultKeyValueColumns);
    const struct {
        const wchar_t* text;
        ViewFlags flags;
    } cases[] = {{L"0000000000", 0}, {L"1f0000ff", 0xFF00001F}, {L"GZ!9\u0141\u0100zz", 0x33A00923}};
    for (const auto& c : cases) {
        WriteTextSetting(file, L"Config", c.text);
        Load();
        EXPECT_EQ(view.viewFlags.load(), c.flags) << WideToUtf8(c.text);
    }
}

// Each word of "Column" replaces, whole, the entry at its id's position;
// every other column keeps its entry, hidden. Words of ids no column carries
// are passed over, and a value shorter than one word is no value.
TEST_F(SettingsTest, ColumnWordsGoToTheirOwnPositions) {
    const ColumnEntry sha1 = MakeColumnEntry(20, 1, 300, true), crc32 = MakeColumnEntry(5, 2, 90, true);
    const ColumnEntry md5 = MakeColumnEntry(15, 0, 10, true);
    const ColumnEntry widest = MakeColumnEntry(kTthId, 63, kMaxColumnWidth, true) | kColumnSortMarker;
    // 50 words are cut to 399 characters, 49 words, of which 42 count: the
    // 43rd word (a different SHA-1 entry) never arrives.
    // Every column of a program without BLAKE3 shown: 41 words, BLAKE3 hidden.
    std::wstring fifty, beforeBlake3;
    std::vector<ColumnEntry> firstWords;
    for (int i = 0; i < 50; ++i) {
        if (i == PositionOfColumnId(kBlake3Id))
            beforeBlake3 = fifty;
        const ColumnEntry entry = i < int(kColumnCount) ? MakeColumnEntry(ColumnIdAtPosition(i), i, 50, true)
                                                        : MakeColumnEntry(20, 9, 999, false);
        fifty += Word(entry);
        if (i < int(kColumnCount))
            firstWords.push_back(entry);
    }
    const struct {
        const char* what;
        std::wstring text;
        std::vector<ColumnEntry> entries;
    } cases[] = {
        {"two words, no File", Word(sha1) + Word(crc32), {sha1, crc32}},
        {"nine characters", Word(md5) + L"F", {md5}},
        {"ids of no column around every bit set",
         Word(MakeColumnEntry(39, 0, 1, true)) + Word(widest) + Word(MakeColumnEntry(63, 0, 1, true)),
         {widest}},
        {"no valid word", Word(MakeColumnEntry(59, 0, 1, true)) + Word(~ColumnEntry(0)), {}},
        {"fifty words", fifty, firstWords},
        {"every column but BLAKE3", beforeBlake3, {firstWords.begin(), firstWords.end() - 1}},
        {"seven characters", L"1234567", {}},
        {"empty, as written when nothing was shown", L"", {}},
    };
    for (const auto& c : cases) {
        WriteTextSetting(file, L"Column", c.text);
        ViewState loaded;
        LoadSettings(file, loaded, placement);
        ColumnSnapshot expected = DefaultColumns();
        if (c.text.size() >= 8)
            for (ColumnEntry& entry : expected)
                entry = WithShown(entry, false);
        for (ColumnEntry entry : c.entries)
            expected[PositionOfColumnId(EntryId(entry))] = entry;
        EXPECT_EQ(loaded.columns.Snapshot(), expected) << c.what;
    }
}

TEST_F(SettingsTest, TextAndIntegerValues) {
    const std::wstring folder = L"C:\\Dat\u00e4\\\u03a9mega \u4e2d\u6587\\\U0001F600";
    EXPECT_TRUE(WriteTextSetting(file, L"Folder", folder));
    EXPECT_TRUE(WriteTextSetting(file, L"Font", L"Consolas,9"));
    EXPECT_EQ(ReadTextSetting(file, L"Folder", kMaxFolderSettingCharacters, L""), folder);
    EXPECT_EQ(ReadTextSetting(file, L"Font", kMaxFontSettingCharacters, L""), L"Consolas,9");
    const std::wstring longFolder(600, L'x');
    WriteTextSetting(file, L"Folder", longFolder);
    EXPECT_EQ(ReadTextSetting(file, L"Folder", kMaxFolderSettingCharacters, L""), longFolder.substr(0, 259));
    // A line break would make a second line of the file.
    EXPECT_FALSE(WriteTextSetting(file, L"Folder", L"a\nConfig=00000000"));
    EXPECT_EQ(ReadTextSetting(file, L"Config", 10, L"none"), L"none");

    // Integers are read from their leading digits.
    const struct {
        const wchar_t* text;
        int value;
    } cases[] = {{L"3", 3}, {L"12abc", 12}, {L"x", 0}, {L"-2", -2}, {L"99999999999", 2147483647}};
    for (const auto& c : cases) {
        WriteTextSetting(file, L"FilterIndex", c.text);
        EXPECT_EQ(ReadIntSetting(file, L"FilterIndex", 1), c.value) << WideToUtf8(c.text);
    }
    WriteIntSetting(file, L"DepthIndex", 7);
    EXPECT_EQ(ReadIntSetting(file, L"DepthIndex", 0), 7);
}

// The settings of the sample file: capitals, Size and GOST shown, a maximised
// window and a folder with characters from every plane.
void FillSample(ViewState& view) {
    view.viewFlags = kViewSheet | kViewUppercase;
    ColumnSnapshot entries = DefaultColumns();
    entries[1] = WithShown(entries[1], true);
    entries[PositionOfColumnId(12)] = WithShown(entries[PositionOfColumnId(12)], true);
    view.columns.Assign(entries);
}
constexpr WindowPlacementRecord kSampleWindow{-8, 20, 1000, 700, 3};
constexpr wchar_t kSampleFolder[] = L"C:\\Dat\u00e4\\\u03a9mega \u4e2d\u6587\\\U0001F600";

// The sample as vesk.exe wrote it under Wine: UTF-16 with a byte-order mark.
// The Windows build must still write exactly these bytes; the POSIX build must
// read them, and keep the file UTF-16 when it writes a value.
std::filesystem::path WrittenByVeskExe() {
    return PathOf(platform::ExecutablePath()).parent_path() / "written-by-vesk-exe.ini";
}

#ifdef _WIN32
TEST_F(SettingsTest, WritesTheSampleFileAsBefore) {
    ViewState sample;
    FillSample(sample);
    SaveSettings(file, sample, &kSampleWindow);
    WriteTextSetting(file, L"Folder", kSampleFolder);
    EXPECT_EQ(ReadFileText(dir.path() / "vesk.ini"), ReadFileText(WrittenByVeskExe()));
}
#else
TEST_F(SettingsTest, ReadsTheFileVeskExeWroteAndKeepsItUtf16) {
    std::filesystem::copy_file(WrittenByVeskExe(), dir.path() / "vesk.ini");
    ViewState expected;
    FillSample(expected);
    for (const wchar_t* font : {L"Arial,10", L"Arial,11"}) {
        ASSERT_TRUE(Load());
        EXPECT_EQ(view.viewFlags.load(), expected.viewFlags.load());
        EXPECT_EQ(view.columns.Snapshot(), expected.columns.Snapshot());
        EXPECT_EQ(placement.left, kSampleWindow.left);
        EXPECT_EQ(placement.showCommand, kSampleWindow.showCommand);
        EXPECT_EQ(ReadTextSetting(file, L"Folder", kMaxFolderSettingCharacters, L""), kSampleFolder);
        ASSERT_TRUE(WriteTextSetting(file, L"Font", font));
        EXPECT_TRUE(ReadFileText(dir.path() / "vesk.ini").starts_with("\xFF\xFE[\0G\0"));
        EXPECT_EQ(ReadTextSetting(file, L"Font", kMaxFontSettingCharacters, L""), font);
    }
}

std::string Utf16LeWithMark(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    return bytes;
}

TEST_F(SettingsTest, EveryEncodingIsReadAndKeptWhenWriting) {
    const struct {
        std::string before;
        std::string after;
    } cases[] = {
        {"[General]\r\nConfig=05000000\r\nFolder=\u03a9\U0001F600\r\n",
         "[General]\r\nConfig=05000000\r\nFolder=\u03a9\U0001F600\r\nFont=x\r\n"},
        {"\xEF\xBB\xBF[General]\nConfig=05000000\nFolder=\u03a9\U0001F600\n",
         "\xEF\xBB\xBF[General]\nConfig=05000000\nFolder=\u03a9\U0001F600\nFont=x\n"},
        {Utf16LeWithMark(u"[General]\r\nConfig=05000000\r\nFolder=\u03a9\U0001F600\r\n"),
         Utf16LeWithMark(u"[General]\r\nConfig=05000000\r\nFolder=\u03a9\U0001F600\r\nFont=x\r\n")},
    };
    for (const auto& c : cases) {
        std::ofstream(dir.path() / "vesk.ini", std::ios::binary) << c.before;
        Load();
        EXPECT_EQ(view.viewFlags.load(), 5u);
        EXPECT_EQ(ReadTextSetting(file, L"Folder", kMaxFolderSettingCharacters, L""), L"\u03a9\U0001F600");
        EXPECT_TRUE(WriteTextSetting(file, L"Font", L"x"));
        EXPECT_EQ(ReadFileText(dir.path() / "vesk.ini"), c.after);
    }
}

// What is at a path, as far as a settings writer could change it.
std::string Describe(const std::filesystem::path& path) {
    const auto status = std::filesystem::symlink_status(path);
    if (std::filesystem::is_symlink(status))
        return "link to " + std::filesystem::read_symlink(path).string();
    const std::string mode = std::to_string(int(status.permissions()));
    if (!std::filesystem::is_regular_file(status))
        return "type " + std::to_string(int(status.type())) + ", mode " + mode;
    return "file, mode " + mode + ": " + std::to_string(ReadFileText(path).size()) + " bytes";
}

// Such a file gives the defaults (a read-only one its values) and is never
// rewritten, nor replaced by a file that holds only the key being written.
TEST_F(SettingsTest, FileThatCannotBeReadWholeOrWrittenStaysAsItWas) {
    const std::filesystem::path ini = dir.path() / "vesk.ini";
    const auto write = [&](const std::string& bytes) { std::ofstream(ini, std::ios::binary) << bytes; };
    const std::string valid = "[General]\nConfig=00000000\n";
    const struct {
        const char* what;
        std::function<void()> make;
        bool readable;
        bool stopsOnlyUsers; // permissions do not stop the superuser
    } cases[] = {
        {"a folder", [&] { std::filesystem::create_directory(ini); }, false, false},
        {"a file beyond the size limit", [&] { write(valid + std::string(platform::kMaxIniFileBytes, ';')); },
         false, false},
        {"a named pipe", [&] { mkfifo(ini.c_str(), 0600); }, false, false},
        {"a link to an endless device", [&] { std::filesystem::create_symlink("/dev/zero", ini); }, false,
         false},
        {"a link to a file whose reads fail", [&] { std::filesystem::create_symlink("/proc/self/mem", ini); },
         false, false},
        {"an unreadable file", [&] { write(valid), chmod(ini.c_str(), 0200); }, false, true},
        {"a read-only file", [&] { write(valid), chmod(ini.c_str(), 0444); }, true, true},
    };
    for (const auto& c : cases) {
        if (c.stopsOnlyUsers && geteuid() == 0)
            continue;
        std::filesystem::remove_all(ini);
        c.make();
        const std::string before = Describe(ini);
        ViewState loaded;
        auto load = std::async(std::launch::async, [&] { LoadSettings(file, loaded, placement); });
        if (load.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
            ADD_FAILURE() << c.what << " keeps the load waiting";
            close(open(ini.c_str(), O_WRONLY | O_NONBLOCK));
        }
        load.get();
        EXPECT_EQ(loaded.viewFlags.load(), c.readable ? 0u : kDefaultViewFlags) << c.what;
        EXPECT_FALSE(WriteTextSetting(file, L"Font", L"Arial,10")) << c.what;
        EXPECT_FALSE(SaveSettings(file, loaded, &placement)) << c.what; // and the window says so
        EXPECT_EQ(Describe(ini), before) << c.what;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << c.what;
    }
}

// Each writer has a temporary file of its own, so a reader never meets a value
// cut short, and none is left behind.
TEST_F(SettingsTest, WritersAtOnceNeverLeaveAHalfWrittenFile) {
    const std::wstring value(300, L'x');
    std::atomic<int> running{3};
    std::vector<std::thread> writers;
    for (int w = 0; w < 3; ++w)
        writers.emplace_back([&, key = L"Key" + std::to_wstring(w)] {
            for (int i = 0; i < 50; ++i)
                WriteTextSetting(file, key.c_str(), value);
            --running;
        });
    while (running > 0)
        for (const wchar_t* key : {L"Key0", L"Key1", L"Key2"}) {
            const std::wstring read = ReadTextSetting(file, key, kMaxSettingCharacters, L"");
            ASSERT_TRUE(read.empty() || read == value) << read.size() << " characters";
        }
    for (std::thread& writer : writers)
        writer.join();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}
#endif

// Each case: a "Font" value, the font it gives starting from the default.
const struct {
    const wchar_t* text;
    const wchar_t* face;
    int points;
    bool bold;
    bool italic;
} kFontCases[] = {
    {L"Arial", L"Consolas", 9, false, false},
    {L",12", L"Consolas", 12, false, false},
    {L"Arial,10,italic,bold", L"Arial", 10, true, true},
    {L"Courier New,11pt,Bold,x", L"Courier New", 11, false, false},
    {L"Lucida,big", L"Lucida", 0, false, false},
    {L"A,8,x,y,z,bold,italic", L"A", 8, false, false},
    {L"A,8,x,y,italic,bold", L"A", 8, true, true},
    {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij,7", L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde", 7, false, false},
};

TEST(FontSetting, ParsesFieldsAsTheyStand) {
    for (const auto& c : kFontCases) {
        FontSetting font;
        ParseFontSetting(c.text, font);
        EXPECT_EQ(font.faceName, c.face) << WideToUtf8(c.text);
        EXPECT_EQ(font.pointSize, c.points) << WideToUtf8(c.text);
        EXPECT_EQ(font.bold, c.bold) << WideToUtf8(c.text);
        EXPECT_EQ(font.italic, c.italic) << WideToUtf8(c.text);
    }
}

} // namespace
} // namespace vesk::test
