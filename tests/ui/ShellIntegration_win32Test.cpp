// The context-menu entry in the current user's registry under Wine, read
// back with the registry functions, and the Tools menu's check mark.
#include "ui/ShellIntegration.h"

#include "tests/ui/WindowTest.h"
#include "ui/Handles.h"

#include <shlobj.h>

#include <map>
#include <set>

namespace vesk::test {
namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes";
constexpr wchar_t kShellKey[] = L"Software\\Classes\\*\\shell";
constexpr wchar_t kVerbKey[] = L"Software\\Classes\\*\\shell\\Vesk";

struct Value {
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    bool operator==(const Value&) const = default;
};

// A string value as the registry should hold it: UTF-16 with its NUL.
Value Text(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
    return {REG_SZ, std::vector<uint8_t>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}

struct KeyContents {
    std::map<std::wstring, Value> values;
    std::set<std::wstring> subkeys;
    bool operator==(const KeyContents&) const = default;
};

std::optional<KeyContents> ReadKey(const wchar_t* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    KeyContents contents;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        contents.values[std::wstring(name, nameLength)] = {type, std::vector<uint8_t>(data, data + dataSize)};
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        contents.subkeys.insert(std::wstring(name, nameLength));
    }
    RegCloseKey(key);
    return contents;
}

// Every key below `path` with its values, by path.
std::map<std::wstring, KeyContents> ReadTree(const std::wstring& path) {
    std::map<std::wstring, KeyContents> tree;
    if (std::optional<KeyContents> key = ReadKey(path.c_str())) {
        for (const std::wstring& subkey : key->subkeys)
            tree.merge(ReadTree(path + L"\\" + subkey));
        tree[path] = std::move(*key);
    }
    return tree;
}

void CreateKeyWithValue(const wchar_t* path, const wchar_t* name, const std::wstring& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// The test program stands for vesk.exe: the entry names whichever program
// registers it.
std::wstring QuotedProgram() {
    return L"\"" + platform::ExecutablePath() + L"\"";
}

// A data object holding a CF_HDROP list of paths, as the file manager hands
// its selection to a drop target.
class DropList final : public IDataObject {
public:
    explicit DropList(std::vector<std::wstring> paths) : paths_(std::move(paths)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        *object = id == IID_IUnknown || id == IID_IDataObject ? static_cast<IDataObject*>(this) : nullptr;
        if (*object == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0)
            delete this;
        return ULONG(left);
    }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK)
            return DV_E_FORMATETC;
        std::wstring list;
        for (const std::wstring& path : paths_)
            list += path + L'\0';
        list += L'\0';
        const size_t listBytes = list.size() * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + listBytes);
        auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        memcpy(header + 1, list.data(), listBytes);
        GlobalUnlock(memory);
        *medium = {};
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return format != nullptr && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL)
                   ? S_OK
                   : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out != nullptr)
            out->ptd = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** formats) override {
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        return direction == DATADIR_GET ? SHCreateStdEnumFmtEtc(1, &format, formats) : E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    std::atomic<long> references_{1};
    std::vector<std::wstring> paths_;
};

// Main windows of Vesk in processes other than this one.
int OtherMainWindows() {
    int count = 0;
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            wchar_t className[64] = {};
            GetClassNameW(candidate, className, 64);
            DWORD process = 0;
            GetWindowThreadProcessId(candidate, &process);
            if (wcscmp(className, kMainWindowClassName) == 0 && process != GetCurrentProcessId())
                ++*reinterpret_cast<int*>(data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

class ShellEntryTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        RegisterShellEntry(false);
    }
    void TearDown() override {
        RegisterShellEntry(false);
        WindowTest::TearDown();
    }

    // The verbs for files and folders, "Verify with Vesk" for a checksum
    // extension, and the drop target's class, each with exactly its values.
    static void ExpectExactlyTheEntry(const std::wstring& program = QuotedProgram()) {
        const std::wstring classId = L"{94B08D0F-3C87-49C5-9796-A5FB88AEE8BB}";
        const std::wstring classes = kClassesKey;
        const std::map<std::wstring, std::map<std::wstring, Value>> expected = {
            {L"*\\shell\\Vesk", {{L"Icon", Text(program + L",0")}, {L"MultiSelectModel", Text(L"Player")}}},
            {L"*\\shell\\Vesk\\command", {{L"", Text(program + L" \"%1\"")}}},
            {L"*\\shell\\Vesk\\DropTarget", {{L"CLSID", Text(classId)}}},
            {L"Directory\\shell\\Vesk",
             {{L"Icon", Text(program + L",0")}, {L"MultiSelectModel", Text(L"Player")}}},
            {L"Directory\\shell\\Vesk\\command", {{L"", Text(program + L" \"%1\"")}}},
            {L"Directory\\shell\\Vesk\\DropTarget", {{L"CLSID", Text(classId)}}},
            {L"SystemFileAssociations\\.sha256\\shell\\VeskVerify",
             {{L"", Text(L"Verify with Vesk")}, {L"Icon", Text(program + L",0")}}},
            {L"SystemFileAssociations\\.sha256\\shell\\VeskVerify\\command",
             {{L"", Text(program + L" --check \"%1\"")}}},
            {L"CLSID\\" + classId, {{L"", Text(L"Vesk drop target")}}},
            {L"CLSID\\" + classId + L"\\LocalServer32", {{L"", Text(program)}}},
        };
        for (const auto& [key, values] : expected) {
            const std::optional<KeyContents> read = ReadKey((classes + L"\\" + key).c_str());
            ASSERT_TRUE(read) << WideToUtf8(key);
            EXPECT_EQ(read->values, values) << WideToUtf8(key);
        }
    }
};

// Registering again leaves one of each entry, every checksum extension
// verifies, and unregistering leaves the registry as it was before, key for key.
TEST_F(ShellEntryTest, RegisteringAddsEachEntryOnceAndRemovingLeavesNothing) {
    EXPECT_FALSE(IsShellEntryRegistered());
    const auto before = ReadTree(kClassesKey);
    for (int time = 0; time < 2; ++time) {
        RegisterShellEntry(true);
        EXPECT_TRUE(IsShellEntryRegistered());
        ExpectExactlyTheEntry();
    }
    const std::optional<KeyContents> shell = ReadKey(kShellKey);
    EXPECT_EQ(shell ? shell->subkeys.count(L"Vesk") : 0, 1u);
    const auto registered = ReadTree(kClassesKey);
    for (const char* extension : {".md5", ".sha1", ".sha512", ".sfv", ".b2", ".b3", ".xxh128"})
        EXPECT_TRUE(registered.count(std::wstring(kClassesKey) + L"\\SystemFileAssociations\\" +
                                     Utf8ToWide(extension) + L"\\shell\\VeskVerify\\command"))
            << extension;
    RegisterShellEntry(false);
    EXPECT_FALSE(IsShellEntryRegistered());
    EXPECT_FALSE(ReadKey(kVerbKey));
    const auto after = ReadTree(kClassesKey);
    EXPECT_EQ(after.size(), before.size());
    for (const auto& [key, contents] : after)
        EXPECT_TRUE(before.count(key) && before.at(key) == contents) << WideToUtf8(key);
}

// With no entry, unregistering changes nothing; an entry without its command
// counts as registered, and only it is removed.
TEST_F(ShellEntryTest, UnregisteringTouchesNothingElse) {
    const std::wstring neighbour = std::wstring(kShellKey) + L"\\VeskTestNeighbour";
    CreateKeyWithValue(neighbour.c_str(), nullptr, L"kept");
    const std::optional<KeyContents> before = ReadKey(kShellKey);
    ASSERT_TRUE(before);
    for (bool withoutCommand : {false, true}) {
        if (withoutCommand)
            CreateKeyWithValue(kVerbKey, L"Icon", QuotedProgram() + L",0");
        EXPECT_EQ(IsShellEntryRegistered(), withoutCommand);
        RegisterShellEntry(false);
        EXPECT_FALSE(IsShellEntryRegistered());
        const std::optional<KeyContents> after = ReadKey(kShellKey);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->subkeys, before->subkeys);
        EXPECT_EQ(after->values, before->values);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, neighbour.c_str());
}

// The file manager's way with a large selection: it creates Vesk's drop
// target out of process and drops every item on it at once. All 1,000 arrive
// in the one window open, and no second window appears. With Shift held a
// folder comes with every subfolder.
TEST_F(ShellEntryTest, ADropOnTheVerbsTargetBringsEveryPathIntoTheOneWindow) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "many/file-" + std::to_string(i) + ".txt";
        paths.push_back(WideOf(WriteFile(name, name)));
    }
    WriteFile("tree/top.txt", "top");
    WriteFile("tree/a/b/deep.txt", "deep");
    Open();
    FreeConsole(); // the server must find no console to print to
    const std::wstring program = WideOf(BuiltProgramPath());
    RegisterShellEntry(true, program);
    // Windows finds the class through HKEY_CLASSES_ROOT, which shows the
    // user's classes over the machine's; Wine's COM looks at the machine's
    // alone, so the test mirrors the one key there.
    const std::wstring machineServer =
        L"Software\\Classes\\CLSID\\{94B08D0F-3C87-49C5-9796-A5FB88AEE8BB}\\LocalServer32";
    HKEY mirrored = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, machineServer.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &mirrored, nullptr),
              ERROR_SUCCESS);
    const std::wstring quoted = L"\"" + program + L"\"";
    RegSetValueExW(mirrored, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(quoted.c_str()),
                   DWORD((quoted.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(mirrored);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const auto drop = [&](std::vector<std::wstring> items, DWORD keys) {
        IDropTarget* created = nullptr;
        ASSERT_EQ(CoCreateInstance(kDropTargetClassId, nullptr, CLSCTX_LOCAL_SERVER, IID_IDropTarget,
                                   reinterpret_cast<void**>(&created)),
                  S_OK);
        const ComOwner<IDropTarget> target(created);
        const ComOwner<IDataObject> data(new DropList(std::move(items)));
        DWORD effect = DROPEFFECT_COPY;
        EXPECT_EQ(target->DragEnter(data.get(), keys, {0, 0}, &effect), S_OK);
        effect = DROPEFFECT_COPY;
        EXPECT_EQ(target->Drop(data.get(), keys, {0, 0}, &effect), S_OK);
    };
    drop(paths, MK_LBUTTON);
    EXPECT_TRUE(WaitForRows(1000));
    EXPECT_EQ(OtherMainWindows(), 0);
    drop({WideOf(dir.path() / "tree")}, MK_LBUTTON | MK_SHIFT);
    EXPECT_TRUE(WaitForRows(1002));
    EXPECT_EQ(OtherMainWindows(), 0);
    CoUninitialize();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\CLSID\\{94B08D0F-3C87-49C5-9796-A5FB88AEE8BB}");
}

TEST_F(ShellEntryTest, CheckMarkFollowsTheRegistry) {
    RegisterShellEntry(true); // by another instance, before this one starts
    Open();
    EXPECT_TRUE(MenuChecked(ID_TOOLS_SHELL));
    Command(ID_TOOLS_SHELL);
    EXPECT_FALSE(IsShellEntryRegistered());
    EXPECT_FALSE(MenuChecked(ID_TOOLS_SHELL));
    Command(ID_TOOLS_SHELL);
    ExpectExactlyTheEntry();
    EXPECT_TRUE(MenuChecked(ID_TOOLS_SHELL));
    // Removed elsewhere while the window is open: the toggle adds it again.
    RegisterShellEntry(false);
    Command(ID_TOOLS_SHELL);
    EXPECT_TRUE(IsShellEntryRegistered());
    EXPECT_TRUE(MenuChecked(ID_TOOLS_SHELL));
    RegisterShellEntry(false);
    Open();
    EXPECT_FALSE(MenuChecked(ID_TOOLS_SHELL));
}

} // namespace
} // namespace vesk::test
