#include "ui/ShellIntegration.h"

#include "app/ChecksumFile.h"
#include "platform/Platform.h"
#include "resources/resource.h"
#include "ui/ControlUtil.h"
#include "ui/Handles.h"

#include <vector>

namespace vesk {

namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes";
// Below kClassesKey. The files' verb key is the one whose presence counts.
constexpr wchar_t kFilesVerbKey[] = L"*\\shell\\Vesk";
constexpr wchar_t kFoldersVerbKey[] = L"Directory\\shell\\Vesk";
constexpr wchar_t kVerifyVerbName[] = L"VeskVerify";

RegistryKeyOwner OpenKey(HKEY parent, const std::wstring& name, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name.c_str(), 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return RegistryKeyOwner(key);
}

RegistryKeyOwner CreateKey(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return RegistryKeyOwner(key);
}

// Stored with its terminating NUL.
void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD((text.size() + 1) * sizeof(wchar_t)));
}

std::wstring ClassIdText() {
    wchar_t text[40] = {};
    StringFromGUID2(kDropTargetClassId, text, 40);
    return text;
}

std::wstring ClassKey() {
    return L"CLSID\\" + ClassIdText();
}

std::vector<std::wstring> VerifyVerbKeys() {
    std::vector<std::wstring> keys;
    for (const std::wstring& extension : ChecksumFileExtensions())
        keys.push_back(L"SystemFileAssociations\\" + extension + L"\\shell\\" + kVerifyVerbName);
    return keys;
}

// A verb that takes the whole selection: the drop target where the file
// manager knows it (any number of items), the command elsewhere.
void RegisterVerb(HKEY classes, const std::wstring& key, const std::wstring& program) {
    const RegistryKeyOwner verb = CreateKey(classes, key);
    if (!verb)
        return;
    SetText(verb.get(), L"Icon", program + L",0");
    SetText(verb.get(), L"MultiSelectModel", L"Player");
    if (const RegistryKeyOwner command = CreateKey(verb.get(), L"command"))
        SetText(command.get(), nullptr, program + L" \"%1\"");
    if (const RegistryKeyOwner dropTarget = CreateKey(verb.get(), L"DropTarget"))
        SetText(dropTarget.get(), L"CLSID", ClassIdText());
}

void Register(const std::wstring& programPath) {
    const std::wstring program = L"\"" + programPath + L"\"";
    // Windows always has this key; a fresh Wine prefix may not.
    const RegistryKeyOwner classes = CreateKey(HKEY_CURRENT_USER, kClassesKey);
    if (!classes)
        return;
    RegisterVerb(classes.get(), kFilesVerbKey, program);
    RegisterVerb(classes.get(), kFoldersVerbKey, program);
    for (const std::wstring& key : VerifyVerbKeys()) {
        const RegistryKeyOwner verb = CreateKey(classes.get(), key);
        if (!verb)
            continue;
        SetText(verb.get(), nullptr, L"Verify with Vesk");
        SetText(verb.get(), L"Icon", program + L",0");
        if (const RegistryKeyOwner command = CreateKey(verb.get(), L"command"))
            SetText(command.get(), nullptr, program + L" --check \"%1\"");
    }
    if (const RegistryKeyOwner server = CreateKey(classes.get(), ClassKey())) {
        SetText(server.get(), nullptr, L"Vesk drop target");
        if (const RegistryKeyOwner local = CreateKey(server.get(), L"LocalServer32"))
            SetText(local.get(), nullptr, program);
    }
}

// Deletes `key` when it holds neither values nor subkeys.
void DeleteIfEmpty(HKEY classes, const std::wstring& key) {
    DWORD subkeys = 1, values = 1;
    if (const RegistryKeyOwner opened = OpenKey(classes, key, KEY_READ)) {
        if (RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return;
    }
    if (subkeys == 0 && values == 0)
        RegDeleteKeyW(classes, key.c_str());
}

// Deletes `key` with everything below it, then the keys above it up to
// `depth` levels that it alone filled.
void DeleteTree(HKEY classes, std::wstring key, int depth) {
    RegDeleteTreeW(classes, key.c_str());
    RegDeleteKeyW(classes, key.c_str());
    for (int level = 0; level < depth; ++level) {
        const size_t slash = key.rfind(L'\\');
        if (slash == std::wstring::npos)
            return;
        key.resize(slash);
        DeleteIfEmpty(classes, key);
    }
}

void Unregister() {
    {
        const RegistryKeyOwner classes = OpenKey(HKEY_CURRENT_USER, kClassesKey, KEY_READ | KEY_WRITE);
        if (!classes)
            return;
        DeleteTree(classes.get(), kFilesVerbKey, 2);
        DeleteTree(classes.get(), kFoldersVerbKey, 2);
        for (const std::wstring& key : VerifyVerbKeys())
            DeleteTree(classes.get(), key, 3);
        DeleteTree(classes.get(), ClassKey(), 1);
    }
    // A fresh Wine prefix has no classes key until the entry makes one.
    DeleteIfEmpty(HKEY_CURRENT_USER, kClassesKey);
}

} // namespace

bool IsShellEntryRegistered() {
    const RegistryKeyOwner classes = OpenKey(HKEY_CURRENT_USER, kClassesKey, KEY_READ);
    return classes && OpenKey(classes.get(), kFilesVerbKey, KEY_READ) != nullptr;
}

void RegisterShellEntry(bool add, const std::wstring& program) {
    if (add)
        Register(program);
    else
        Unregister();
}

void RegisterShellEntry(bool add) {
    RegisterShellEntry(add, platform::ExecutablePath());
}

void ToggleShellEntry(HMENU menu) {
    RegisterShellEntry(!IsShellEntryRegistered());
    MenuSetCheck(menu, ID_TOOLS_SHELL, IsShellEntryRegistered());
}

} // namespace vesk
