#include "store/app_path_store.h"

#include <vector>

#include "toolkit/narrow.h"

namespace tolvane {

namespace {

// The longest key name is 255 UTF-16 units, at most two ANSI bytes each.
constexpr DWORD kLongNameCapacity = 2 * 255 + 1;

}  // namespace

AppPathStore::AppPathStore(HKEY root, std::wstring subKey)
    : root_(root), subKey_(std::move(subKey)) {}

AppPathStore::~AppPathStore() {
    if (IsOpen()) CloseAppPaths();
}

LONG AppPathStore::OpenAppPaths() {
    HKEY key = nullptr;
    LONG result = RegOpenKeyA(root_, ToAnsi(subKey_).c_str(), &key);
    hAppPaths_ = result == ERROR_SUCCESS ? key : nullptr;
    return result;
}

void AppPathStore::CloseAppPaths() {
    RegCloseKey(hAppPaths_);
    hAppPaths_ = nullptr;
}

LONG AppPathStore::EnumEntryName(DWORD index, RefreshBuffers& buffers, std::wstring& name) {
    LONG result = RegEnumKeyA(hAppPaths_, index, buffers.name.data(), RefreshBuffers::kCapacity);
    if (result == ERROR_SUCCESS) {
        name = FromAnsiBuffer(buffers.name.data(), buffers.name.size());
        return result;
    }
    if (result != ERROR_MORE_DATA) return result;

    // Hiding this entry and every one after it would be worse than a
    // second read: take the long name with a buffer that fits any key name.
    std::vector<char> longName(kLongNameCapacity, '\0');
    result = RegEnumKeyA(hAppPaths_, index, longName.data(), kLongNameCapacity);
    if (result == ERROR_SUCCESS) name = FromAnsiBuffer(longName.data(), longName.size());
    return result;
}

LONG AppPathStore::QueryEntryPath(const std::wstring& name, RefreshBuffers& buffers,
                                  std::wstring& path) {
    std::string subKey = ToAnsi(name);
    LONG size = RefreshBuffers::kCapacity;
    LONG result = RegQueryValueA(hAppPaths_, subKey.c_str(), buffers.value.data(), &size);
    if (result == ERROR_SUCCESS) {
        path = FromAnsiBuffer(buffers.value.data(), buffers.value.size());
        return result;
    }
    // A long path read as empty would be exported wrongly and written back
    // over the real one by an edit: read it whole. The value may grow
    // between two reads, so try a few times.
    for (int attempt = 0; attempt < 4 && result == ERROR_MORE_DATA; ++attempt) {
        std::vector<char> value(static_cast<size_t>(size) + 1, '\0');
        size = static_cast<LONG>(value.size());
        result = RegQueryValueA(hAppPaths_, subKey.c_str(), value.data(), &size);
        if (result == ERROR_SUCCESS) {
            path = FromAnsiBuffer(value.data(), value.size());
            return result;
        }
    }
    path.clear();
    return result;
}

LONG AppPathStore::OpenEntry(const std::wstring& name, HKEY& entry) {
    entry = nullptr;
    HKEY key = nullptr;
    LONG result = RegOpenKeyA(hAppPaths_, ToAnsi(name).c_str(), &key);
    if (result == ERROR_SUCCESS) entry = key;
    return result;
}

LONG AppPathStore::CreateEntry(const std::wstring& name, HKEY& entry) {
    entry = nullptr;
    HKEY key = nullptr;
    LONG result = RegCreateKeyA(hAppPaths_, ToAnsi(name).c_str(), &key);
    if (result == ERROR_SUCCESS) entry = key;
    return result;
}

bool AppPathStore::SetKeyValue(HKEY key, const std::wstring& subKey, const std::wstring& value) {
    std::string ansiValue = ToAnsi(value);
    DWORD bytes = static_cast<DWORD>(ansiValue.size()) + 1;
    return RegSetValueA(key, ToAnsi(subKey).c_str(), REG_SZ, ansiValue.c_str(), bytes) ==
           ERROR_SUCCESS;
}

LONG AppPathStore::DeleteEntry(const std::wstring& name) {
    // An empty sub-key name would make the platform delete the open key
    // itself; no entry has an empty name.
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    return RegDeleteKeyA(hAppPaths_, ToAnsi(name).c_str());
}

void AppPathStore::CloseEntry(HKEY entry) {
    // RegOpenKeyA hands back the parent itself for an empty name; closing
    // that would close the store under its owner.
    if (entry == hAppPaths_ && entry != nullptr) return;
    RegCloseKey(entry);
}

}  // namespace tolvane
