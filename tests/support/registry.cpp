#include "support/registry.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include "toolkit/handles.h"

namespace tolvane::testing {

namespace {

HKEY RootOf(Scope scope) {
    return scope == Scope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

UniqueKey OpenAppPathsKey(Scope scope = Scope::Machine) {
    UniqueKey key;
    RegCreateKeyExW(RootOf(scope), kAppPathsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                    nullptr);
    return key;
}

}  // namespace

void ClearAppPaths() {
    UniqueKey key = OpenAppPathsKey();
    for (const std::wstring& name : EntryNames()) {
        RegDeleteTreeW(key.get(), name.c_str());
        RegDeleteKeyW(key.get(), name.c_str());
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, kAppPathsPath);
    RegDeleteKeyW(HKEY_CURRENT_USER, kAppPathsPath);
}

void PutEntry(const std::wstring& name, const wchar_t* path, Scope scope) {
    UniqueKey root = OpenAppPathsKey(scope);
    UniqueKey entry;
    RegCreateKeyExW(root.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, entry.put(),
                    nullptr);
    if (path) {
        RegSetValueExW(entry.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       static_cast<DWORD>((wcslen(path) + 1) * sizeof(wchar_t)));
    }
}

void PutNamedValue(const std::wstring& name, const std::wstring& value, const std::wstring& data,
                   DWORD type, Scope scope) {
    PutRawValue(name, value.c_str(), type, data.c_str(),
                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)), scope);
}

void PutRawValue(const std::wstring& name, const wchar_t* valueName, DWORD type, const void* bytes,
                 DWORD size, Scope scope) {
    UniqueKey root = OpenAppPathsKey(scope);
    UniqueKey entry;
    ASSERT_EQ(RegCreateKeyExW(root.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              entry.put(), nullptr),
              ERROR_SUCCESS)
        << "cannot make the subkey";
    RegSetValueExW(entry.get(), valueName, 0, type, static_cast<const BYTE*>(bytes), size);
}

void SetEntryAcl(const std::wstring& name, const wchar_t* sddl) {
    std::wstring path = std::wstring(kAppPathsPath);
    if (!name.empty()) path += L"\\" + name;
    UniqueKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, key.put());
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                             nullptr)) {
        RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
    }
}

bool EntryExists(const std::wstring& name, Scope scope) {
    UniqueKey root;
    RegOpenKeyExW(RootOf(scope), kAppPathsPath, 0, KEY_READ, root.put());
    UniqueKey entry;
    return RegOpenKeyExW(root.get(), name.c_str(), 0, KEY_READ, entry.put()) == ERROR_SUCCESS;
}

std::wstring EntryDefault(const std::wstring& name, DWORD* type, Scope scope) {
    return [&] {
        UniqueKey root = OpenAppPathsKey(scope);
        UniqueKey entry;
        if (RegOpenKeyExW(root.get(), name.c_str(), 0, KEY_READ, entry.put()) != ERROR_SUCCESS)
            return std::wstring();
        DWORD size = 0;
        DWORD kind = 0;
        RegQueryValueExW(entry.get(), nullptr, nullptr, &kind, nullptr, &size);
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegQueryValueExW(entry.get(), nullptr, nullptr, &kind,
                             reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS)
            kind = REG_NONE;
        if (type) *type = kind;
        text.resize(wcsnlen(text.c_str(), text.size()));
        return text;
    }();
}

std::vector<unsigned char> EntryDefaultBytes(const std::wstring& name, DWORD* type) {
    UniqueKey root = OpenAppPathsKey();
    UniqueKey entry;
    if (RegOpenKeyExW(root.get(), name.c_str(), 0, KEY_READ, entry.put()) != ERROR_SUCCESS)
        return {};
    DWORD size = 0;
    DWORD kind = REG_NONE;
    if (RegQueryValueExA(entry.get(), nullptr, nullptr, &kind, nullptr, &size) != ERROR_SUCCESS) {
        if (type) *type = REG_NONE;
        return {};
    }
    std::vector<unsigned char> bytes(size);
    RegQueryValueExA(entry.get(), nullptr, nullptr, &kind, bytes.data(), &size);
    bytes.resize(size);
    if (type) *type = kind;
    return bytes;
}

std::wstring NamedValue(const std::wstring& name, const std::wstring& value) {
    UniqueKey root = OpenAppPathsKey();
    UniqueKey entry;
    if (RegOpenKeyExW(root.get(), name.c_str(), 0, KEY_READ, entry.put()) != ERROR_SUCCESS)
        return {};
    wchar_t buffer[2048] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    if (RegQueryValueExW(entry.get(), value.empty() ? nullptr : value.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return {};
    return buffer;
}

std::vector<std::wstring> EntryNames(Scope scope) {
    UniqueKey root;
    RegOpenKeyExW(RootOf(scope), kAppPathsPath, 0, KEY_READ, root.put());
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[512];
        DWORD length = 512;
        if (RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

int RunReg(const std::wstring& arguments) {
    std::wstring command = L"reg.exe " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

}  // namespace tolvane::testing
