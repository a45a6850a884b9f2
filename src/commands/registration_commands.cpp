#include "commands/registration_commands.h"

#include "commands/changes.h"
#include "export/reg_file.h"
#include "export/text_file.h"
#include "store/app_path_store.h"
#include "store/registry_transaction.h"

namespace tolvane {

namespace {

// The value edits that give |before| (null: a new registration) |values|.
std::vector<ValueEdit> ValueEdits(const KeySnapshot* before, const NewValues& values) {
    auto previous = [&](const std::wstring& name) {
        return before && !values.asNew ? TypeIn(*before, name) : REG_NONE;
    };
    std::vector<ValueEdit> edits;
    if (values.target) {
        DWORD type = TypeForWrite(previous(L""), *values.target);
        edits.push_back({StringValue(L"", type, *values.target)});
    }
    if (values.folders && values.folders->empty()) {
        if (before) edits.push_back({{kPathValueName}, true});
    } else if (values.folders) {
        DWORD type = TypeForWrite(previous(kPathValueName), *values.folders);
        edits.push_back({StringValue(kPathValueName, type, *values.folders)});
    }
    return edits;
}

// Opens every key of |key| below |parent| with the rights that deleting it
// and putting it back need, so that a refusal comes before anything goes.
LONG CheckDeletable(HKEY parent, const KeySnapshot& key) {
    UniqueKey open;
    LONG result = RegOpenKeyExW(parent, key.name.c_str(), 0,
                                KEY_READ | KEY_SET_VALUE | DELETE | kRegistryView, open.put());
    for (size_t i = 0; i < key.subkeys.size() && result == ERROR_SUCCESS; ++i) {
        result = CheckDeletable(open.get(), key.subkeys[i]);
    }
    return result;
}

LONG CheckDeletable(const Hives& hives, const EntrySnapshot& entry) {
    UniqueKey appPaths;
    LONG result = RegOpenKeyExW(hives.For(entry.scope), kAppPathsSubKey, 0,
                                KEY_READ | kRegistryView, appPaths.put());
    return result == ERROR_SUCCESS ? CheckDeletable(appPaths.get(), entry.key) : result;
}

// Removes what Begin() found; |backupFile|, when given, saves it first.
RemovalOutcome Remove(const Hives& hives, const std::vector<EntryKey>& keys,
                      const std::wstring* backupFile) {
    RemovalOutcome outcome;
    RegistryTransaction transaction(hives);
    outcome.result = transaction.Begin(keys);
    if (outcome.result != ERROR_SUCCESS) {
        outcome.failed = transaction.failedKey();
        // What cannot be read cannot be saved either.
        if (backupFile) outcome.saved = outcome.result;
        return outcome;
    }
    std::vector<EntrySnapshot> existing;
    for (const EntryBackup& backup : transaction.backups()) {
        EntryKey key{backup.entry.scope, backup.entry.key.name};
        if (!backup.existed) outcome.missing.push_back(key);
        if (backup.existed) existing.push_back(backup.entry);
    }
    if (backupFile) {
        outcome.saved = WriteWholeFile(*backupFile, RegFileBytes(EditsOf(existing)));
        if (outcome.saved != ERROR_SUCCESS) return outcome;
    }
    std::vector<KeyEdit> edits;
    for (const EntrySnapshot& entry : existing) {
        outcome.result = CheckDeletable(hives, entry);
        if (outcome.result != ERROR_SUCCESS) {
            outcome.failed = {entry.scope, entry.key.name};
            return outcome;
        }
        edits.push_back({entry.scope, entry.key.name, true});
    }
    outcome.result = transaction.Apply(edits);
    if (outcome.result == ERROR_SUCCESS) outcome.removed = edits.size();
    return outcome;
}

SnapshotOutcome Save(const std::vector<EntrySnapshot>& entries, const std::wstring& file) {
    SnapshotOutcome outcome;
    outcome.count = entries.size();
    outcome.written = WriteWholeFile(file, RegFileBytes(EditsOf(entries)));
    return outcome;
}

}  // namespace

LONG AddRegistration(const Hives& hives, const EntryKey& key, const NewValues& values,
                     bool replace) {
    RegistryTransaction transaction(hives);
    LONG result = transaction.Begin({key});
    if (result != ERROR_SUCCESS) return result;
    const EntryBackup& before = transaction.backups().front();
    if (before.existed && !replace) return ERROR_ALREADY_EXISTS;
    NewValues written = values;
    if (before.existed) {
        written.asNew = true;
        if (!written.folders) written.folders = std::wstring();
    }
    KeyEdit edit{key.scope, before.entry.key.name};
    edit.values = ValueEdits(before.existed ? &before.entry.key : nullptr, written);
    return transaction.Apply({edit});
}

LONG EditRegistration(const Hives& hives, const EntryKey& key, const NewValues& values) {
    RegistryTransaction transaction(hives);
    LONG result = transaction.Begin({key});
    if (result != ERROR_SUCCESS) return result;
    const EntryBackup& before = transaction.backups().front();
    // A change never makes a registration that is not there.
    if (!before.existed) return ERROR_FILE_NOT_FOUND;
    KeyEdit edit{key.scope, before.entry.key.name};
    edit.values = ValueEdits(&before.entry.key, values);
    return transaction.Apply({edit});
}

RemovalOutcome RemoveRegistrations(const Hives& hives, const std::vector<EntryKey>& keys) {
    return Remove(hives, keys, nullptr);
}

RemovalOutcome CleanUpRegistrations(const Hives& hives, const std::vector<EntryKey>& keys,
                                    const std::wstring& backupFile) {
    return Remove(hives, keys, &backupFile);
}

SnapshotOutcome SaveRegSnapshot(const Hives& hives, const std::vector<EntryKey>& keys,
                                const std::wstring& file) {
    EntryReader reader(hives);
    std::vector<EntrySnapshot> entries;
    for (const EntryKey& key : keys) {
        EntrySnapshot entry;
        LONG result = reader.Read(key, entry);
        // One deleted since it was listed is simply not saved.
        if (result == ERROR_FILE_NOT_FOUND) continue;
        if (result != ERROR_SUCCESS) return {result, key};
        entries.push_back(std::move(entry));
    }
    return Save(entries, file);
}

SnapshotOutcome SaveRegSnapshot(const Hives& hives, const std::vector<Scope>& scopes,
                                const std::wstring& file) {
    EntryReader reader(hives);
    std::vector<EntrySnapshot> entries;
    for (Scope scope : scopes) {
        LONG result = reader.ReadAll(scope, entries);
        if (result != ERROR_SUCCESS) return {result, reader.failed()};
    }
    return Save(entries, file);
}

}  // namespace tolvane
