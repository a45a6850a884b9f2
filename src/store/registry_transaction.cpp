#include "store/registry_transaction.h"

#include <algorithm>
#include <set>

#include "store/app_path_store.h"

namespace tolvane {

namespace {

// Windows makes at most this many levels of keys in one call.
constexpr size_t kLevelsPerCreate = 32;

// Deleting what is not there leaves the registry as the edit wants it.
LONG UnlessMissing(LONG result) {
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

// Opens |path| below |parent| for |access|, making what is missing of it,
// kLevelsPerCreate levels at a time.
LONG CreatePath(HKEY parent, const std::wstring& path, REGSAM access, UniqueKey& key) {
    UniqueKey at;
    for (size_t start = 0;;) {
        size_t end = start;
        for (size_t level = 0; level < kLevelsPerCreate && end < path.size(); ++level) {
            end = std::min(path.find(L'\\', end + (level ? 1 : 0)), path.size());
        }
        bool last = end >= path.size();
        UniqueKey next;
        LONG result = RegCreateKeyExW(
            at ? at.get() : parent, path.substr(start, end - start).c_str(), 0, nullptr,
            REG_OPTION_NON_VOLATILE, (last ? access : KEY_CREATE_SUB_KEY) | kRegistryView, nullptr,
            next.put(), nullptr);
        if (result != ERROR_SUCCESS) return result;
        at = std::move(next);
        if (last) break;
        start = end + 1;
    }
    key = std::move(at);
    return ERROR_SUCCESS;
}

// Tells registrations that are not there without a snapshot each: a large
// import is mostly new registrations. Each hive's App Paths key is opened
// once; when it holds no more subkeys than the registrations asked about,
// their names are listed once, else each registration is tried with one
// open.
class MissingEntries {
  public:
    explicit MissingEntries(const std::vector<EntryKey>& keys) {
        for (const EntryKey& key : keys) ++hives_[HiveIndex(key.scope)].asked;
    }

    bool operator()(const EntryKey& key) {
        Hive& hive = hives_[HiveIndex(key.scope)];
        if (hive.opened == kUnopened) Open(key.scope, hive);
        if (hive.opened == ERROR_FILE_NOT_FOUND) return true;
        // Anything else is for the snapshot to find out and tell.
        if (hive.opened != ERROR_SUCCESS || !IsAllowedEntryName(key.name)) return false;
        if (hive.listed) return !hive.names.contains(key.name);
        UniqueKey entry;
        return RegOpenKeyExW(hive.appPaths.get(), key.name.c_str(), 0,
                             KEY_QUERY_VALUE | kRegistryView, entry.put()) == ERROR_FILE_NOT_FOUND;
    }

  private:
    static constexpr LONG kUnopened = -1;

    struct Hive {
        size_t asked = 0;
        LONG opened = kUnopened;
        UniqueKey appPaths;
        bool listed = false;
        std::set<std::wstring, NameOrder> names;
    };

    static size_t HiveIndex(Scope scope) { return scope == Scope::User ? 1 : 0; }

    static void Open(Scope scope, Hive& hive) {
        hive.opened = RegOpenKeyExW(HiveOf(scope), kAppPathsSubKey, 0, KEY_READ | kRegistryView,
                                    hive.appPaths.put());
        DWORD subkeys = 0;
        if (hive.opened != ERROR_SUCCESS ||
            RegQueryInfoKeyW(hive.appPaths.get(), nullptr, nullptr, nullptr, &subkeys, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr) != ERROR_SUCCESS ||
            subkeys > hive.asked) {
            return;
        }
        for (DWORD index = 0;; ++index) {
            wchar_t name[kMaxKeyNameLength + 1];
            DWORD length = static_cast<DWORD>(std::size(name));
            LONG result = RegEnumKeyExW(hive.appPaths.get(), index, name, &length, nullptr, nullptr,
                                        nullptr, nullptr);
            if (result == ERROR_NO_MORE_ITEMS) break;
            if (result != ERROR_SUCCESS) return;  // tried one by one then
            hive.names.emplace(name, length);
        }
        hive.listed = true;
    }

    Hive hives_[2];
};

}  // namespace

LONG RegistryTransaction::Begin(const std::vector<EntryKey>& keys) {
    backups_.clear();
    index_.clear();
    writes_ = 0;
    restoreResult_ = ERROR_SUCCESS;
    MissingEntries missing(keys);
    for (const EntryKey& key : keys) {
        if (BackupOf(key)) continue;
        EntryBackup backup;
        backup.entry.scope = key.scope;
        LONG result = missing(key) ? ERROR_FILE_NOT_FOUND : ReadEntrySnapshot(key, backup.entry);
        if (result == ERROR_FILE_NOT_FOUND) {
            backup.entry.key.name = key.name;
        } else if (result != ERROR_SUCCESS) {
            backups_.clear();
            index_.clear();
            return result;
        }
        backup.existed = result == ERROR_SUCCESS;
        index_.emplace(key, backups_.size());
        backups_.push_back(std::move(backup));
    }
    return ERROR_SUCCESS;
}

const EntryBackup* RegistryTransaction::Find(const EntryKey& key) const {
    auto found = index_.find(key);
    return found == index_.end() ? nullptr : &backups_[found->second];
}

EntryBackup* RegistryTransaction::BackupOf(const EntryKey& key) {
    return const_cast<EntryBackup*>(Find(key));
}

LONG RegistryTransaction::Apply(const std::vector<KeyEdit>& edits) {
    restoreResult_ = ERROR_SUCCESS;
    for (const KeyEdit& edit : edits) {
        if (!BackupOf(EntryOf(edit))) return ERROR_INVALID_PARAMETER;
    }
    for (const KeyEdit& edit : edits) {
        BackupOf(EntryOf(edit))->touched = true;
        LONG result = Write(edit);
        if (result == ERROR_SUCCESS) continue;
        for (const EntryBackup& backup : backups_) {
            LONG restored = backup.touched ? Restore(backup) : ERROR_SUCCESS;
            // A code met on the way is no failure when the registration is
            // as it was all the same.
            if (restored != ERROR_SUCCESS && Unchanged(backup)) restored = ERROR_SUCCESS;
            if (restoreResult_ == ERROR_SUCCESS) restoreResult_ = restored;
        }
        RemoveMadeAppPaths(Scope::Machine);
        RemoveMadeAppPaths(Scope::User);
        return result;
    }
    return ERROR_SUCCESS;
}

LONG RegistryTransaction::Step() {
    size_t index = writes_++;
    return beforeRegistryWrite ? beforeRegistryWrite(index) : ERROR_SUCCESS;
}

LONG RegistryTransaction::OpenAppPaths(Scope scope, HKEY& appPaths) {
    UniqueKey& key = scope == Scope::User ? user_ : machine_;
    LONG result = ERROR_SUCCESS;
    // A user's hive often has no App Paths key until the first registration.
    if (!key) {
        DWORD disposition = 0;
        result =
            RegCreateKeyExW(HiveOf(scope), kAppPathsSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE | kRegistryView, nullptr, key.put(), &disposition);
        (scope == Scope::User ? madeUser_ : madeMachine_) = disposition == REG_CREATED_NEW_KEY;
    }
    appPaths = key.get();
    return result;
}

// After a failed Apply(): an App Paths key that it made goes again, unless
// something else has been put into it meanwhile.
void RegistryTransaction::RemoveMadeAppPaths(Scope scope) {
    UniqueKey& key = scope == Scope::User ? user_ : machine_;
    bool& made = scope == Scope::User ? madeUser_ : madeMachine_;
    DWORD subkeys = 1;
    DWORD values = 1;
    if (!made || !key ||
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys || values) {
        return;
    }
    key.reset();
    made = false;
    RegDeleteKeyExW(HiveOf(scope), kAppPathsSubKey, kRegistryView, 0);
}

LONG RegistryTransaction::Write(const KeyEdit& edit) {
    HKEY appPaths = nullptr;
    LONG result = OpenAppPaths(edit.scope, appPaths);
    if (result == ERROR_SUCCESS) result = Step();
    if (result != ERROR_SUCCESS) return result;
    if (edit.remove) return UnlessMissing(DeleteKeyTree(appPaths, edit.path));
    UniqueKey key;
    result = CreatePath(appPaths, edit.path, KEY_SET_VALUE, key);
    return result == ERROR_SUCCESS ? WriteValues(key.get(), edit) : result;
}

LONG RegistryTransaction::WriteValues(HKEY key, const KeyEdit& edit) {
    for (const ValueEdit& edited : edit.values) {
        const RegistryValue& value = edited.value;
        LONG result = Step();
        if (result != ERROR_SUCCESS) return result;
        result = edited.remove ? UnlessMissing(RegDeleteValueW(key, value.name.c_str()))
                               : SetValue(key, value);
        if (result != ERROR_SUCCESS) return result;
    }
    return ERROR_SUCCESS;
}

bool RegistryTransaction::Unchanged(const EntryBackup& backup) {
    EntrySnapshot now;
    LONG result = ReadEntrySnapshot({backup.entry.scope, backup.entry.key.name}, now);
    // A name that the registry cannot hold (too long, say) is refused as a
    // parameter: no key of that name can be there.
    if (!backup.existed) return result == ERROR_FILE_NOT_FOUND || result == ERROR_INVALID_PARAMETER;
    return result == ERROR_SUCCESS && now.key == backup.entry.key;
}

LONG RegistryTransaction::Restore(const EntryBackup& backup) {
    // A registration that the failed write never reached is left alone: it
    // may refuse to be written to, as it refused that write.
    if (Unchanged(backup)) return ERROR_SUCCESS;
    HKEY appPaths = nullptr;
    LONG result = OpenAppPaths(backup.entry.scope, appPaths);
    if (result != ERROR_SUCCESS) return result;
    if (backup.existed) return WriteKeySnapshot(appPaths, backup.entry.key);
    return UnlessMissing(DeleteKeyTree(appPaths, backup.entry.key.name));
}

std::vector<EntryKey> EntriesOf(const std::vector<KeyEdit>& edits) {
    std::vector<EntryKey> keys;
    std::set<EntryKey, EntryOrder> known;
    for (const KeyEdit& edit : edits) {
        EntryKey key = EntryOf(edit);
        if (known.insert(key).second) keys.push_back(std::move(key));
    }
    return keys;
}

}  // namespace tolvane
