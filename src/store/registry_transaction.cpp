#include "store/registry_transaction.h"

#include <algorithm>
#include <set>

#include "store/app_path_store.h"
#include "toolkit/toolkit.h"

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

std::wstring MadeId(const EntryKey& key) {
    return (key.scope == Scope::User ? L"U:" : L"M:") + Folded(key.name);
}

}  // namespace

LONG RegistryTransaction::Begin(const std::vector<EntryKey>& keys) {
    backups_.clear();
    made_.clear();
    index_.clear();
    writes_ = 0;
    restoreResult_ = ERROR_SUCCESS;
    EntryReader reader(hives_);
    for (const EntryKey& key : keys) {
        if (BackupOf(key)) continue;
        EntryBackup backup;
        // Imports name thousands of registrations that are not there yet.
        bool listed = false;
        LONG result = reader.Listed(key, listed);
        if (result == ERROR_SUCCESS) {
            result = listed ? reader.Read(key, backup.entry) : ERROR_FILE_NOT_FOUND;
        }
        if (result == ERROR_FILE_NOT_FOUND) {
            backup.entry.scope = key.scope;
            backup.entry.key.name = key.name;
        } else if (result != ERROR_SUCCESS) {
            failed_ = key;
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
            RegCreateKeyExW(hives_.For(scope), kAppPathsSubKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
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
    RegDeleteKeyExW(hives_.For(scope), kAppPathsSubKey, kRegistryView, 0);
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
    // The key just made is open already: an import of thousands of new
    // registrations would otherwise open each of them twice.
    auto made = made_.find(MadeId(entry));
    if (made != made_.end() && edit.path == entry.name)
        return WriteValues(made->second.get(), edit);
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
    // A name that the registry cannot hold (too long, say) is refused as a
    // parameter: no key of that name can be there.
    if (!backup.existed) return result == ERROR_FILE_NOT_FOUND || result == ERROR_INVALID_PARAMETER;
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
    std::set<EntryKey, EntryOrder> known;
    for (const KeyEdit& edit : edits) {
        EntryKey key = EntryOf(edit);
        if (known.insert(key).second) keys.push_back(std::move(key));
    }
    return keys;
}

}  // namespace tolvane
