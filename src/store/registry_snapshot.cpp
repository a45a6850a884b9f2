#include "store/registry_snapshot.h"

#include <algorithm>

#include "store/app_path_store.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// Key names are at most 255 characters, value names at most 16383.
constexpr DWORD kMaxKeyName = 256;
constexpr DWORD kMaxValueName = 16384;
// A value may grow between two reads: a few more tries, then its code.
constexpr int kReadAttempts = 4;
// Most value names and data fit these at the first try, which saves asking
// every key for its largest ones first.
constexpr size_t kFirstValueName = 256;
constexpr size_t kFirstData = 2048;

LONG ReadValues(HKEY key, std::vector<RegistryValue>& values) {
    std::vector<wchar_t> name(kFirstValueName);
    std::vector<BYTE> data(kFirstData);
    int attempts = 0;
    for (DWORD index = 0;;) {
        auto nameLength = static_cast<DWORD>(name.size());
        auto size = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        LONG result =
            RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result == ERROR_MORE_DATA && ++attempts < kReadAttempts) {
            name.resize(kMaxValueName);
            data.resize(std::max<size_t>(size, data.size() * 2));
            continue;
        }
        if (result != ERROR_SUCCESS) return result;
        values.push_back({std::wstring(name.data(), nameLength), type,
                          std::vector<BYTE>(data.begin(), data.begin() + size)});
        attempts = 0;
        ++index;
    }
}

LONG ReadValueNames(HKEY key, std::vector<std::wstring>& names) {
    std::vector<wchar_t> name(kMaxValueName);
    for (DWORD index = 0;; ++index) {
        auto length = static_cast<DWORD>(name.size());
        LONG result =
            RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        names.emplace_back(name.data(), length);
    }
}

LONG ReadSubkeyNames(HKEY key, std::vector<std::wstring>& names) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[kMaxKeyName];
        DWORD length = kMaxKeyName;
        LONG result = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (result != ERROR_SUCCESS) return result;
        names.emplace_back(name, length);
    }
}

LONG ReadSnapshotAt(HKEY parent, const std::wstring& name, size_t depth, KeySnapshot& snapshot);

// |depth|: the level of |key|, 1 for the snapshot's own key.
LONG ReadOpenKey(HKEY key, size_t depth, KeySnapshot& snapshot) {
    LONG result = ReadValues(key, snapshot.values);
    std::vector<std::wstring> names;
    if (result == ERROR_SUCCESS) result = ReadSubkeyNames(key, names);
    if (!names.empty() && depth >= kMaxEntryDepth) return kErrorTreeTooDeep;
    for (size_t i = 0; i < names.size() && result == ERROR_SUCCESS; ++i) {
        KeySnapshot subkey;
        result = ReadSnapshotAt(key, names[i], depth + 1, subkey);
        if (result == ERROR_SUCCESS) snapshot.subkeys.push_back(std::move(subkey));
        // One deleted meanwhile is simply not part of the snapshot.
        if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    }
    return result;
}

LONG ReadSnapshotAt(HKEY parent, const std::wstring& name, size_t depth, KeySnapshot& snapshot) {
    snapshot = KeySnapshot{};
    // An empty name would read |parent| itself.
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    UniqueKey key;
    LONG result = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | kRegistryView, key.put());
    if (result != ERROR_SUCCESS) return result;
    snapshot.name = name;
    return ReadOpenKey(key.get(), depth, snapshot);
}

// |levelsLeft|: how many levels |name| and its subkeys may still span.
LONG DeleteTree(HKEY parent, const std::wstring& name, REGSAM rights, size_t levelsLeft) {
    // An empty name would delete |parent| itself.
    if (name.empty()) return ERROR_INVALID_PARAMETER;
    UniqueKey key;
    LONG result =
        RegOpenKeyExW(parent, name.c_str(), 0,
                      KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | rights | kRegistryView, key.put());
    if (result != ERROR_SUCCESS) return result;
    for (;;) {
        wchar_t subkey[kMaxKeyName];
        DWORD length = kMaxKeyName;
        result = RegEnumKeyExW(key.get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result == ERROR_SUCCESS && levelsLeft <= 1) result = kErrorTreeTooDeep;
        if (result == ERROR_SUCCESS) result = DeleteTree(key.get(), subkey, 0, levelsLeft - 1);
        if (result != ERROR_SUCCESS) return result;
    }
    key.reset();
    return RegDeleteKeyExW(parent, name.c_str(), kRegistryView, 0);
}

LONG WriteSnapshotAt(HKEY parent, const KeySnapshot& snapshot, size_t depth);

template <typename Item>
bool Holds(const std::vector<Item>& items, const std::wstring& name) {
    return std::any_of(items.begin(), items.end(),
                       [&](const Item& item) { return item.name == name; });
}

// Values and subkeys that the snapshot does not hold go; a name that differs
// only in letter case goes too, so that the snapshot's spelling comes back.
LONG RemoveStrays(HKEY key, const KeySnapshot& snapshot, size_t depth) {
    std::vector<std::wstring> values;
    std::vector<std::wstring> subkeys;
    LONG result = ReadValueNames(key, values);
    if (result == ERROR_SUCCESS) result = ReadSubkeyNames(key, subkeys);
    for (size_t i = 0; i < values.size() && result == ERROR_SUCCESS; ++i) {
        if (!Holds(snapshot.values, values[i])) result = RegDeleteValueW(key, values[i].c_str());
    }
    for (size_t i = 0; i < subkeys.size() && result == ERROR_SUCCESS; ++i) {
        if (!Holds(snapshot.subkeys, subkeys[i])) {
            result = DeleteTree(key, subkeys[i], 0, kMaxEntryDepth - depth);
        }
    }
    return result;
}

LONG WriteSnapshotAt(HKEY parent, const KeySnapshot& snapshot, size_t depth) {
    if (snapshot.name.empty()) return ERROR_INVALID_PARAMETER;
    UniqueKey key;
    LONG result =
        RegCreateKeyExW(parent, snapshot.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE | kRegistryView, nullptr, key.put(), nullptr);
    if (result == ERROR_SUCCESS) result = RemoveStrays(key.get(), snapshot, depth);
    for (size_t i = 0; i < snapshot.values.size() && result == ERROR_SUCCESS; ++i) {
        result = SetValue(key.get(), snapshot.values[i]);
    }
    for (size_t i = 0; i < snapshot.subkeys.size() && result == ERROR_SUCCESS; ++i) {
        result = WriteSnapshotAt(key.get(), snapshot.subkeys[i], depth + 1);
    }
    return result;
}

void AppendEdits(Scope scope, const std::wstring& path, const KeySnapshot& key,
                 std::vector<KeyEdit>& edits) {
    KeyEdit edit;
    edit.scope = scope;
    edit.path = path;
    for (const RegistryValue& value : key.values) edit.values.push_back({value});
    edits.push_back(std::move(edit));
    for (const KeySnapshot& subkey : key.subkeys) {
        AppendEdits(scope, path + L"\\" + subkey.name, subkey, edits);
    }
}

}  // namespace

DWORD TypeIn(const KeySnapshot& key, const std::wstring& name) {
    auto found =
        std::find_if(key.values.begin(), key.values.end(),
                     [&](const RegistryValue& value) { return SameName(value.name, name); });
    return found == key.values.end() ? REG_NONE : found->type;
}

LONG ReadKeySnapshot(HKEY parent, const std::wstring& name, KeySnapshot& snapshot) {
    return ReadSnapshotAt(parent, name, 1, snapshot);
}

LONG WriteKeySnapshot(HKEY parent, const KeySnapshot& snapshot) {
    if (DepthOf(snapshot) > kMaxEntryDepth) return kErrorTreeTooDeep;
    return WriteSnapshotAt(parent, snapshot, 1);
}

LONG SetValue(HKEY key, const RegistryValue& value) {
    return RegSetValueExW(key, value.name.c_str(), 0, value.type,
                          value.data.empty() ? nullptr : value.data.data(),
                          static_cast<DWORD>(value.data.size()));
}

LONG DeleteKeyTree(HKEY parent, const std::wstring& name, REGSAM rights) {
    return DeleteTree(parent, name, rights, kMaxEntryDepth);
}

size_t DepthOf(const KeySnapshot& snapshot, size_t most) {
    if (snapshot.subkeys.empty()) return 1;
    if (most <= 1) return 2;  // deeper than |most|: no need to go further
    size_t deepest = 0;
    for (const KeySnapshot& subkey : snapshot.subkeys) {
        deepest = std::max(deepest, DepthOf(subkey, most - 1));
    }
    return deepest + 1;
}

HKEY HiveOf(Scope scope) {
    return scope == Scope::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

LONG EntryReader::Open(Scope scope, Hive*& hive) {
    hive = &read_[scope == Scope::User ? 1 : 0];
    if (!hive->opened) {
        hive->opened = true;
        hive->openResult = RegOpenKeyExW(hives_.For(scope), kAppPathsSubKey, 0,
                                         KEY_READ | kRegistryView, hive->appPaths.put());
    }
    return hive->openResult;
}

LONG EntryReader::Name(Hive& hive) {
    if (hive.named) return ERROR_SUCCESS;
    std::vector<std::wstring> names;
    LONG result = ReadSubkeyNames(hive.appPaths.get(), names);
    if (result != ERROR_SUCCESS) return result;
    hive.named = true;
    for (std::wstring& name : names) hive.spelled.emplace(Folded(name), std::move(name));
    return ERROR_SUCCESS;
}

LONG EntryReader::Listed(const EntryKey& key, bool& listed) {
    // A name that no key can have: Read() says why.
    listed = key.name.empty() || key.name.find(L'\\') != std::wstring::npos;
    if (listed) return ERROR_SUCCESS;
    Hive* hive = nullptr;
    LONG result = Open(key.scope, hive);
    if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (result == ERROR_SUCCESS) result = Name(*hive);
    if (result == ERROR_SUCCESS) listed = hive->spelled.count(Folded(key.name)) > 0;
    return result;
}

LONG EntryReader::Read(const EntryKey& key, EntrySnapshot& snapshot) {
    snapshot = EntrySnapshot{};
    snapshot.scope = key.scope;
    failed_ = key;
    if (key.name.empty() || key.name.find(L'\\') != std::wstring::npos) {
        return ERROR_INVALID_PARAMETER;
    }
    Hive* hive = nullptr;
    LONG result = Open(key.scope, hive);
    if (result == ERROR_SUCCESS)
        result = ReadKeySnapshot(hive->appPaths.get(), key.name, snapshot.key);
    if (result != ERROR_SUCCESS) return result;
    result = Name(*hive);
    if (result != ERROR_SUCCESS) return result;
    auto spelled = hive->spelled.find(Folded(key.name));
    // One made after the names were read is spelt as it was asked for.
    if (spelled != hive->spelled.end()) snapshot.key.name = spelled->second;
    return ERROR_SUCCESS;
}

LONG EntryReader::ReadAll(Scope scope, std::vector<EntrySnapshot>& snapshots) {
    Hive* hive = nullptr;
    LONG result = Open(scope, hive);
    if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    std::vector<std::wstring> names;
    if (result == ERROR_SUCCESS) result = ReadSubkeyNames(hive->appPaths.get(), names);
    for (size_t i = 0; i < names.size() && result == ERROR_SUCCESS; ++i) {
        EntrySnapshot snapshot{scope};
        failed_ = {scope, names[i]};
        result = ReadKeySnapshot(hive->appPaths.get(), names[i], snapshot.key);
        if (result == ERROR_SUCCESS) snapshots.push_back(std::move(snapshot));
        if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;
    }
    return result;
}

LONG ReadEntrySnapshot(const EntryKey& key, EntrySnapshot& snapshot) {
    return EntryReader().Read(key, snapshot);
}

std::vector<KeyEdit> EditsOf(const std::vector<EntrySnapshot>& entries) {
    std::vector<KeyEdit> edits;
    for (const EntrySnapshot& entry : entries) {
        AppendEdits(entry.scope, entry.key.name, entry.key, edits);
    }
    return edits;
}

EntryKey EntryOf(const KeyEdit& edit) {
    return {edit.scope, edit.path.substr(0, edit.path.find(L'\\'))};
}

}  // namespace tolvane
