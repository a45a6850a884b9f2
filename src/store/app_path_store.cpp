#include "store/app_path_store.h"

#include <sddl.h>

#include "store/registry_snapshot.h"

namespace tolvane {

namespace {

// Key names are at most 255 characters.
constexpr DWORD kMaxKeyName = 256;
// Most paths fit this at the first read.
constexpr DWORD kFirstReadBytes = 520;

bool IsText(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// The text of a string value's bytes, up to its first NUL; an odd last
// byte is no character.
std::wstring TextOf(const std::vector<BYTE>& bytes, DWORD size) {
    const auto* text = reinterpret_cast<const wchar_t*>(bytes.data());
    size_t length = size / sizeof(wchar_t);
    return std::wstring(text, wcsnlen(text, length));
}

// The user account of a process token; empty when it cannot be read.
std::vector<BYTE> TokenUserOf(HANDLE process) {
    UniqueKernelObject token;
    if (!OpenProcessToken(process, TOKEN_QUERY, token.put())) return {};
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size == 0 || !GetTokenInformation(token.get(), TokenUser, user.data(), size, &size)) {
        return {};
    }
    return user;
}

PSID SidOf(std::vector<BYTE>& tokenUser) {
    return reinterpret_cast<TOKEN_USER*>(tokenUser.data())->User.Sid;
}

}  // namespace

UniqueKey DesktopUserHive() {
    DWORD shellProcessId = 0;
    HWND shell = GetShellWindow();
    if (!shell || !GetWindowThreadProcessId(shell, &shellProcessId)) return {};
    UniqueKernelObject shellProcess(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, shellProcessId));
    if (!shellProcess) return {};
    std::vector<BYTE> desktopUser = TokenUserOf(shellProcess.get());
    std::vector<BYTE> ownUser = TokenUserOf(GetCurrentProcess());
    if (desktopUser.empty() || ownUser.empty() || EqualSid(SidOf(desktopUser), SidOf(ownUser))) {
        return {};
    }
    UniqueLocalMemory<wchar_t*> text;
    if (!ConvertSidToStringSidW(SidOf(desktopUser), text.put())) return {};
    UniqueKey hive;
    RegOpenKeyExW(HKEY_USERS, text.get(), 0, KEY_READ | KEY_WRITE, hive.put());
    return hive;
}

AppPathStore::AppPathStore(Scope scope) : AppPathStore(HiveOf(scope), kAppPathsSubKey, scope) {
    if (scope != Scope::User) return;
    ownRoot_ = DesktopUserHive();
    if (ownRoot_) root_ = ownRoot_.get();
}

AppPathStore::AppPathStore(HKEY root, std::wstring subKey, Scope scope)
    : root_(root), subKey_(std::move(subKey)), scope_(scope) {}

AppPathStore::~AppPathStore() = default;

LONG AppPathStore::OpenAppPaths() {
    // Writing where the user may; reading only where the user may not, so
    // that a refused change fails with the refusal's own code.
    UniqueKey key;
    LONG result =
        RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_READ | KEY_WRITE | kRegistryView, key.put());
    writable_ = result == ERROR_SUCCESS;
    if (result == ERROR_ACCESS_DENIED) {
        result = RegOpenKeyExW(root_, subKey_.c_str(), 0, KEY_READ | kRegistryView, key.put());
    }
    if (result == ERROR_SUCCESS) hAppPaths_ = std::move(key);
    return result;
}

void AppPathStore::CloseAppPaths() {
    hAppPaths_.reset();
    writable_ = false;
}

LONG AppPathStore::EnumEntryName(DWORD index, std::wstring& name, ULONGLONG* written) const {
    if (!hAppPaths_) return ERROR_INVALID_HANDLE;
    wchar_t buffer[kMaxKeyName];
    DWORD length = kMaxKeyName;
    FILETIME time{};
    LONG result =
        RegEnumKeyExW(hAppPaths_.get(), index, buffer, &length, nullptr, nullptr, nullptr, &time);
    if (result != ERROR_SUCCESS) return result;
    name.assign(buffer, length);
    if (written) *written = (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    return result;
}

TextValue ReadTextValue(HKEY key, const wchar_t* valueName) {
    std::vector<BYTE> bytes(kFirstReadBytes);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(bytes.size());
    LONG result = RegQueryValueExW(key, valueName, nullptr, &type, bytes.data(), &size);
    // The value may grow between two reads: try a few times.
    for (int attempt = 0; attempt < 4 && result == ERROR_MORE_DATA && IsText(type); ++attempt) {
        bytes.resize(size + sizeof(wchar_t));
        size = static_cast<DWORD>(bytes.size());
        result = RegQueryValueExW(key, valueName, nullptr, &type, bytes.data(), &size);
    }
    TextValue value;
    value.type = type;
    if (result == ERROR_FILE_NOT_FOUND) {
        value.type = REG_NONE;
    } else if (!IsText(type) && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA)) {
        value.state = ValueState::NotText;
    } else if (result != ERROR_SUCCESS) {
        value.state = ValueState::Unreadable;
    } else {
        value.state = ValueState::Text;
        value.raw = TextOf(bytes, size);
    }
    return value;
}

LONG AppPathStore::ReadEntry(const std::wstring& name, AppPathEntry& entry) const {
    AppPathEntry read;
    read.name = name;  // |name| may be |entry|'s own
    read.scope = scope_;
    read.written = entry.written;
    entry = std::move(read);
    UniqueKey key;
    LONG result = OpenEntry(entry.name, key);
    if (result == ERROR_ACCESS_DENIED) {
        entry.state = entry.pathValue.state = ValueState::Unreadable;
        return ERROR_SUCCESS;
    }
    if (result != ERROR_SUCCESS) return result;
    TextValue program = ReadTextValue(key.get(), nullptr);
    entry.state = program.state;
    entry.type = program.type;
    entry.raw = std::move(program.raw);
    entry.pathValue = ReadTextValue(key.get(), kPathValueName);
    return ERROR_SUCCESS;
}

LONG AppPathStore::ListEntries(std::vector<AppPathEntry>& entries) const {
    entries.clear();
    for (DWORD index = 0;; ++index) {
        std::wstring name;
        LONG result = EnumEntryName(index, name);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        AppPathEntry entry;
        if (ReadEntry(name, entry) == ERROR_SUCCESS) entries.push_back(std::move(entry));
    }
}

LONG AppPathStore::OpenEntry(const std::wstring& name, UniqueKey& entry, REGSAM access) const {
    entry.reset();
    // An empty name would open the App Paths key itself.
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    if (!hAppPaths_) return ERROR_INVALID_HANDLE;
    return RegOpenKeyExW(hAppPaths_.get(), name.c_str(), 0, access | kRegistryView, entry.put());
}

bool AppPathStore::HasEntry(const std::wstring& name) const {
    UniqueKey entry;
    LONG result = OpenEntry(name, entry);
    return result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED;
}

}  // namespace tolvane
