// The context-menu entry in the current user's registry under Wine, read
// back with the registry functions, and the Tools menu's check mark.
#include "ui/ShellIntegration.h"

#include "tests/ui/WindowTest.h"

#include <map>
#include <set>

namespace vesk::test {
namespace {

constexpr wchar_t kShellKey[] = L"Software\\Classes\\*\\shell";
constexpr wchar_t kVerbKey[] = L"Software\\Classes\\*\\shell\\Vesk";
constexpr wchar_t kCommandKey[] = L"Software\\Classes\\*\\shell\\Vesk\\command";

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

    static void ExpectExactlyTheEntry() {
        const std::optional<KeyContents> verb = ReadKey(kVerbKey);
        ASSERT_TRUE(verb);
        EXPECT_EQ(verb->values, (std::map<std::wstring, Value>{{L"Icon", Text(QuotedProgram() + L",0")}}));
        EXPECT_EQ(verb->subkeys, std::set<std::wstring>{L"command"});
        const std::optional<KeyContents> command = ReadKey(kCommandKey);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->values,
                  (std::map<std::wstring, Value>{{L"", Text(QuotedProgram() + L" \"%1\"")}}));
        EXPECT_TRUE(command->subkeys.empty());
    }
};

// Registering again leaves the one entry; unregistering removes it whole.
TEST_F(ShellEntryTest, RegisteringWritesExactlyTheIconAndTheCommandOnce) {
    EXPECT_FALSE(IsShellEntryRegistered());
    for (int time = 0; time < 2; ++time) {
        RegisterShellEntry(true);
        EXPECT_TRUE(IsShellEntryRegistered());
        ExpectExactlyTheEntry();
    }
    const std::optional<KeyContents> shell = ReadKey(kShellKey);
    EXPECT_EQ(shell ? shell->subkeys.count(L"Vesk") : 0, 1u);
    RegisterShellEntry(false);
    EXPECT_FALSE(IsShellEntryRegistered());
    EXPECT_FALSE(ReadKey(kVerbKey));
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
