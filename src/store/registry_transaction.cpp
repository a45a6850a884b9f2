#include "store/registry_transaction.h"

#include <algorithm>

#include "store/app_path_store.h"

namespace tolvane {

namespace {

// Deleting what is not there leaves the registry as the edit wants it.
LONG UnlessMissing(LONG result) {
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

}  // namespace

LONG RegistryTransaction::Begin(const std::vector<EntryKey>& keys) {
    backups_.clear();
    writes_ = 0;
    restoreResult_ = ERROR_SUCCESS;
    for (const EntryKey& key : keys) {
        if (BackupOf(key)) continue;
        EntryBackup backup;
        LONG result = ReadEntrySnapshot(key, backup.entry);
        if (result == ERROR_FILE_NOT_FOUND) {
            backup.entry.key.name = key.name;
        } else if (result != ERROR_SUCCESS) {
            backups_.clear();
            return result;
        }
        backup.existed = result == ERROR_SUCCESS;
        backups_.push_back(std::move(backup));
    }
    return ERROR_SUCCESS;
}

EntryBackup* RegistryTransaction::BackupOf(const EntryKey& key) {
    for (EntryBackup& backup : backups_) {
        if (SameEntry({backup.entry.scope, backup.entry.key.name}, key)) return &backup;
    }
    return nullptr;
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
            if (restoreResult_ == ERROR_SUCCESS) restoreResult_ = restored;
        }
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
        result =
            RegCreateKeyExW(HiveOf(scope), kAppPathsSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ | KEY_WRITE | kRegistryView, nullptr, key.put(), nullptr);
    }
    appPaths = key.get();
    return result;
}

LONG RegistryTransaction::Write(const KeyEdit& edit) {
    HKEY appPaths = nullptr;
    LONG result = OpenAppPaths(edit.scope, appPaths);
    if (result == ERROR_SUCCESS) result = Step();
    if (result != ERROR_SUCCESS) return result;
    if (edit.remove) return UnlessMissing(DeleteKeyTree(appPaths, edit.path));
    UniqueKey key;
    result = RegCreateKeyExW(appPaths, edit.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_SET_VALUE | kRegistryView, nullptr, key.put(), nullptr);
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
    if (!backup.existed) return result == ERROR_FILE_NOT_FOUND;
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
    for (const KeyEdit& edit : edits) {
        EntryKey key = EntryOf(edit);
        bool known = std::any_of(keys.begin(), keys.end(),
                                 [&](const EntryKey& other) { return SameEntry(other, key); });
        if (!known) keys.push_back(std::move(key));
    }
    return keys;
}

}  // namespace tolvane
