#include "ui/ShellIntegration.h"

#include "platform/Platform.h"
#include "resources/resource.h"
#include "ui/ControlUtil.h"
#include "ui/Handles.h"

#include <memory>
#include <string>
#include <type_traits>

namespace vesk {

namespace {

constexpr wchar_t kClassesKey[] = L"Software\\Classes";
// Below kClassesKey.
constexpr wchar_t kVerbKey[] = L"*\\shell\\Vesk";
constexpr wchar_t kCommandKey[] = L"*\\shell\\Vesk\\command";

RegistryKeyOwner OpenKey(HKEY parent, const wchar_t* name, REGSAM access) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(parent, name, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return RegistryKeyOwner(key);
}

RegistryKeyOwner CreateKey(HKEY parent, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, name, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return RegistryKeyOwner(key);
}

// Stored with its terminating NUL.
void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD((text.size() + 1) * sizeof(wchar_t)));
}

void Register() {
    const std::wstring program = L"\"" + platform::ExecutablePath() + L"\"";
    // Windows always has this key; a fresh Wine prefix may not.
    const RegistryKeyOwner classes = CreateKey(HKEY_CURRENT_USER, kClassesKey);
    if (!classes)
        return;
    const RegistryKeyOwner verb = CreateKey(classes.get(), kVerbKey);
    if (!verb)
        return;
    SetText(verb.get(), L"Icon", program + L",0");
    if (const RegistryKeyOwner command = CreateKey(verb.get(), L"command"))
        SetText(command.get(), nullptr, program + L" \"%1\"");
}

void Unregister() {
    const RegistryKeyOwner classes = OpenKey(HKEY_CURRENT_USER, kClassesKey, KEY_READ | KEY_WRITE);
    if (!classes)
        return;
    // A key with subkeys cannot be deleted: the command first.
    RegDeleteKeyW(classes.get(), kCommandKey);
    RegDeleteKeyW(classes.get(), kVerbKey);
}

} // namespace

bool IsShellEntryRegistered() {
    const RegistryKeyOwner classes = OpenKey(HKEY_CURRENT_USER, kClassesKey, KEY_READ);
    return classes && OpenKey(classes.get(), kVerbKey, KEY_READ) != nullptr;
}

void RegisterShellEntry(bool add) {
    if (add)
        Register();
    else
        Unregister();
}

void ToggleShellEntry(HMENU menu) {
    RegisterShellEntry(!IsShellEntryRegistered());
    MenuSetCheck(menu, ID_TOOLS_SHELL, IsShellEntryRegistered());
}

} // namespace vesk
