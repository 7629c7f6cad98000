// vesk.ini, which anyone who can write to the program's folder can change,
// and which older or other builds may have written. The input is the file's
// bytes. In memory: decoding and encoding it, and setting one value, which
// must read back and leave every other value as it was. Through the file, as
// the program reads it: the view switches, the column table, the Key-Value
// columns, the window placement and the font; saving them must keep them and
// every other value; then one file is hashed with the columns that came out,
// and shown in the result list in both views.
#include "app/Settings.h"
#include "core/AlgorithmTable.h"
#include "core/FileHashJob.h"
#include "core/HashContextSet.h"
#include "fuzz/FuzzCheck.h"
#include "platform/IniText.h"
#include "platform/Platform.h"
#include "results/ResultList.h"
#include "tests/results/MemoryListControl.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

using namespace vesk;
using vesk::fuzz::Visible;

namespace {

constexpr const wchar_t* kKeys[] = {L"Config", L"Column",   L"Column2",     L"WinPos",    L"Font",
                                    L"Folder", L"Wildcard", L"FilterIndex", L"DepthIndex"};
constexpr const wchar_t* kNewValues[] = {L"0123ABCD", L"Lucida Console,10,bold", L"C:\\Data\\new", L""};

// A folder of its own in memory where there is one: every save renames a
// freshly synced file, which would cost a disk write per save elsewhere.
class ScratchFolder {
public:
    ScratchFolder() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        // Folders of runs that ended in a crash, whose process is gone.
        for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(kPrefix) && ::kill(std::atoi(name.c_str() + kPrefix.size()), 0) != 0 &&
                errno == ESRCH)
                std::filesystem::remove_all(entry.path(), error);
        }
        path_ = base / (std::string(kPrefix) + std::to_string(::getpid()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    static constexpr std::string_view kPrefix = "vesk-fuzz-settings-";
    std::filesystem::path path_;
};

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void CheckIniText(std::string_view bytes) {
    platform::IniEncoding encoding;
    const std::wstring text = platform::DecodeIniBytes(bytes, encoding);
    const std::string encoded = platform::EncodeIniText(text, encoding);
    // UTF-8 keeps every byte, valid or not; UTF-16 loses only lone surrogates and an odd last byte.
    if (encoding != platform::IniEncoding::Utf16WithMark)
        FUZZ_CHECK(encoded == bytes, "UTF-8 bytes changed on the way through text");
    platform::IniEncoding again;
    FUZZ_CHECK(platform::DecodeIniBytes(encoded, again) == text && again == encoding,
               "text changed on the way through bytes");

    std::vector<std::optional<std::wstring>> before;
    for (const wchar_t* key : kKeys)
        before.push_back(platform::IniLookup(text, kSettingsSection, key));
    const size_t chosen = bytes.size() % std::size(kKeys);
    const std::wstring value = kNewValues[bytes.size() / std::size(kKeys) % std::size(kNewValues)];
    const std::wstring assigned = platform::IniAssign(text, kSettingsSection, kKeys[chosen], value);
    for (size_t k = 0; k < std::size(kKeys); ++k) {
        const std::optional<std::wstring> now = platform::IniLookup(assigned, kSettingsSection, kKeys[k]);
        const std::optional<std::wstring> expected = k == chosen ? value : before[k];
        FUZZ_CHECK(now == expected, Visible(kKeys[k]) + " reads \"" + Visible(now.value_or(L"(none)")) +
                                        "\" after setting " + Visible(kKeys[chosen]) + " in \"" +
                                        Visible(text) + "\"");
    }
}

bool SameFont(const FontSetting& a, const FontSetting& b) {
    return a.faceName == b.faceName && a.pointSize == b.pointSize && a.bold == b.bold && a.italic == b.italic;
}

FontSetting ReadFont(const SettingsFile& file) {
    FontSetting font;
    ParseFontSetting(ReadTextSetting(file, L"Font", kMaxFontSettingCharacters, L""), font);
    return font;
}

// The values the program keeps but never rewrites on its own.
std::vector<std::wstring> OtherValues(const SettingsFile& file) {
    return {ReadTextSetting(file, L"Folder", kMaxFolderSettingCharacters, L"(none)"),
            ReadTextSetting(file, L"Wildcard", kMaxFolderSettingCharacters, L"(none)"),
            std::to_wstring(ReadIntSetting(file, L"FilterIndex", 1)),
            std::to_wstring(ReadIntSetting(file, L"DepthIndex", 0))};
}

class ResultCatcher : public ResultSink {
public:
    std::optional<FileResult> result;
    std::wstring failure;
    void AddResult(const FileResult& r) override { result = r; }
    void ReportFailure(const std::wstring& path, const std::wstring& reason) override {
        failure = path + L": " + reason;
    }
};

std::wstring OneShotDigestText(AlgorithmId id, std::string_view bytes, bool uppercase) {
    ContextSetOwner set(BuildContextSet(SelectionMask{1} << id));
    const AlgorithmInfo& info = AlgorithmById(id);
    info.init(ContextAt(set.get(), 0));
    info.update(ContextAt(set.get(), 0), reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    uint8_t digest[kMaxDigestLength];
    info.final(ContextAt(set.get(), 0), digest);
    return DigestToText(digest, id, uppercase);
}

// The settings file hashed with the columns read from it: one value per shown
// column in table order, each digest that of the file's bytes.
std::optional<FileResult> CheckHashing(const SettingsFile& file, const ViewState& view) {
    const std::string bytes = FileBytes(file.path);
    ResultCatcher sink;
    HashFile(file.path, view, sink);
    FUZZ_CHECK(sink.failure.empty(), Visible(sink.failure));
    const ColumnSnapshot columns = view.columns.Snapshot();
    FUZZ_CHECK(sink.result.has_value() == (ColumnTable::SelectionFromColumns(columns) != 0),
               "a result without algorithms, or none with them");
    if (!sink.result)
        return std::nullopt;
    const bool uppercase = (view.viewFlags.load() & kViewUppercase) != 0;
    size_t v = 0;
    for (uint32_t p = 1; p < kColumnCount; ++p) {
        if (!EntryShown(columns[p]))
            continue;
        FUZZ_CHECK(v < sink.result->values.size(), "too few values");
        const ResultValue& value = sink.result->values[v++];
        const ColumnId id = ColumnIdAtPosition(int(p));
        FUZZ_CHECK(value.id == id,
                   "value " + std::to_string(value.id) + " in place of " + std::to_string(id));
        if (id < kAlgorithmCount)
            FUZZ_CHECK(value.text == OneShotDigestText(id, bytes, uppercase),
                       std::string(AlgorithmById(id).name) + " " + Visible(value.text));
        else if (id == kSizeColumnId)
            FUZZ_CHECK(value.text == platform::ByteSizeText(bytes.size()), Visible(value.text));
    }
    FUZZ_CHECK(v == sink.result->values.size(), "too many values");
    return sink.result;
}

// The result in the list, with whatever column words the file held, in the
// view it named and then in the other one.
void CheckResultList(ViewState& view, const FileResult& result) {
    test::MemoryListControl control;
    ResultList list(control, view);
    list.CreateColumns();
    list.AddResult(result);
    view.viewFlags ^= kViewSheet;
    list.RebuildView();
    const bool sheet = (view.viewFlags.load() & kViewSheet) != 0;
    size_t shownCount = 0;
    for (const ColumnEntry entry : view.columns.Snapshot())
        shownCount += EntryShown(entry);
    FUZZ_CHECK(control.columns.size() == (sheet ? shownCount : 2), std::to_string(control.columns.size()));
    list.CaptureColumnLayout();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckIniText(bytes);

    static const ScratchFolder folder;
    const std::filesystem::path path = folder.path() / "vesk.ini";
    const SettingsFile file{path.wstring()};
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(size));
    ViewState view;
    WindowPlacementRecord placement;
    const bool placed = LoadSettings(file, view, placement);
    // Whatever the Column value held, each position keeps its own column.
    for (uint32_t p = 0; p < kColumnCount; ++p)
        FUZZ_CHECK(PositionOfColumnId(EntryId(view.columns.Get(int(p)))) == int(p),
                   "position " + std::to_string(p) + " holds another column");
    const FontSetting font = ReadFont(file);
    FontSetting reparsed;
    ParseFontSetting(FormatFontSetting(font), reparsed);
    FUZZ_CHECK(SameFont(reparsed, font), Visible(FormatFontSetting(font)));
    const std::vector<std::wstring> others = OtherValues(file);

    // What the window writes when it closes.
    FUZZ_CHECK(WriteTextSetting(file, L"Font", FormatFontSetting(font)), "the font was not written");
    SaveSettings(file, view, placed ? &placement : nullptr);
    ViewState reloaded;
    WindowPlacementRecord placementAgain;
    FUZZ_CHECK(LoadSettings(file, reloaded, placementAgain) == placed, "the window placement came or went");
    if (placed)
        FUZZ_CHECK(std::memcmp(&placement, &placementAgain, sizeof placement) == 0, "the placement changed");
    FUZZ_CHECK(reloaded.viewFlags.load() == view.viewFlags.load(), "Config changed");
    FUZZ_CHECK(reloaded.keyValueColumns == view.keyValueColumns, "Column2 changed");
    // Shown columns come back whole. A table with none is written as an empty
    // value, which reads as no value: the next start shows the default columns.
    const ColumnSnapshot saved = view.columns.Snapshot(), loaded = reloaded.columns.Snapshot();
    if (std::none_of(saved.begin(), saved.end(), EntryShown))
        FUZZ_CHECK(loaded == DefaultColumns(), "an empty table did not read as the defaults");
    else
        for (uint32_t p = 0; p < kColumnCount; ++p)
            FUZZ_CHECK(EntryShown(saved[p]) == EntryShown(loaded[p]) &&
                           (!EntryShown(saved[p]) || saved[p] == loaded[p]),
                       "column " + std::to_string(p) + " changed");
    FUZZ_CHECK(SameFont(ReadFont(file), font), "the font changed");
    FUZZ_CHECK(OtherValues(file) == others, "another value changed");

    if (const std::optional<FileResult> result = CheckHashing(file, reloaded))
        CheckResultList(reloaded, *result);
    return 0;
}
