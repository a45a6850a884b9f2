#include "store/registry_transaction.h"

#include <algorithm>

#include "store/app_path_store.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// Deleting what is not there leaves the registry as the edit wants it.
LONG UnlessMissing(LONG result) {
    return result == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : result;
}

std::wstring MadeId(const EntryKey& key) {
    return (key.scope == Scope::User ? L"U:" : L"M:") + Folded(key.name);
}

}  // namespace

LONG RegistryTransaction::Begin(const std::vector<EntryKey>& keys) {
    backups_.clear();
    made_.clear();
    writes_ = 0;
    restoreResult_ = ERROR_SUCCESS;
    EntryReader reader(hives_);
    for (const EntryKey& key : keys) {
        if (BackupOf(key)) continue;
        EntryBackup backup;
        LONG result = reader.Read(key, backup.entry);
        if (result == ERROR_FILE_NOT_FOUND) {
            backup.entry.key.name = key.name;
        } else if (result != ERROR_SUCCESS) {
            failed_ = key;
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
            RegCreateKeyExW(hives_.For(scope), kAppPathsSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
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
    EntryKey entry = EntryOf(edit);
    if (edit.remove) {
        // A registration made here and deleted again is made anew by a later edit.
        if (edit.path == entry.name) made_.erase(MadeId(entry));
        return UnlessMissing(DeleteKeyTree(appPaths, edit.path));
    }
    result = MakeEntry(appPaths, entry);
    if (result != ERROR_SUCCESS) return result;
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

LONG RegistryTransaction::MakeEntry(HKEY appPaths, const EntryKey& key) {
    if (BackupOf(key)->existed || made_.count(MadeId(key))) return ERROR_SUCCESS;
    UniqueKey made;
    DWORD disposition = 0;
    LONG result = RegCreateKeyExW(appPaths, key.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_READ | KEY_WRITE | DELETE | kRegistryView, nullptr,
                                  made.put(), &disposition);
    if (result != ERROR_SUCCESS) return result;
    // Made by another program since Begin(): it stays as that program left it.
    if (disposition != REG_CREATED_NEW_KEY) return ERROR_ALREADY_EXISTS;
    made_.emplace(MadeId(key), std::move(made));
    return ERROR_SUCCESS;
}

LONG RegistryTransaction::UnmakeEntry(const EntryKey& key) {
    auto made = made_.find(MadeId(key));
    if (made == made_.end()) return ERROR_SUCCESS;
    HKEY own = made->second.get();
    LONG result = RegDeleteTreeW(own, nullptr);
    // The empty name deletes the key that the handle holds, and no other.
    if (result == ERROR_SUCCESS) result = RegDeleteKeyExW(own, L"", kRegistryView, 0);
    made_.erase(made);
    // Deleted meanwhile: gone as the rollback wants it.
    return result == ERROR_KEY_DELETED ? ERROR_SUCCESS : result;
}

bool RegistryTransaction::Unchanged(const EntryBackup& backup) const {
    EntrySnapshot now;
    LONG result = EntryReader(hives_).Read({backup.entry.scope, backup.entry.key.name}, now);
    if (!backup.existed) return result == ERROR_FILE_NOT_FOUND;
    return result == ERROR_SUCCESS && now.key == backup.entry.key;
}

LONG RegistryTransaction::Restore(const EntryBackup& backup) {
    // A registration that the failed write never reached is left alone: it
    // may refuse to be written to, as it refused that write.
    if (Unchanged(backup)) return ERROR_SUCCESS;
    if (!backup.existed) return UnmakeEntry({backup.entry.scope, backup.entry.key.name});
    HKEY appPaths = nullptr;
    LONG result = OpenAppPaths(backup.entry.scope, appPaths);
    if (result != ERROR_SUCCESS) return result;
    return WriteKeySnapshot(appPaths, backup.entry.key);
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
