#include "commands/undo_history.h"

#include "commands/changes.h"

namespace tolvane {

namespace {

bool SameState(bool existed, const EntrySnapshot& snapshot, bool existsNow,
               const EntrySnapshot& now) {
    if (existed != existsNow) return false;
    return !existed || SameRegistration(snapshot.key, now.key);
}

std::vector<EntryKey> KeysOf(const RecordedChange& change) {
    std::vector<EntryKey> keys;
    for (const RecordedEntry& entry : change.entries) keys.push_back(entry.key);
    return keys;
}

// What makes each registration as it was: whatever is there now goes, and
// what was there comes back, subkeys and all.
std::vector<KeyEdit> EditsBack(const RecordedChange& change, const RegistryTransaction& now) {
    std::vector<KeyEdit> edits;
    for (const RecordedEntry& entry : change.entries) {
        const EntryBackup* current = now.Find(entry.key);
        if (current && current->existed) {
            edits.push_back({entry.key.scope, current->entry.key.name, true});
        }
        if (entry.existedBefore) {
            for (KeyEdit& edit : EditsOf({entry.before})) edits.push_back(std::move(edit));
        }
    }
    return edits;
}

}  // namespace

LONG UndoHistory::ReadBefore(const std::vector<EntryKey>& keys,
                             std::vector<EntryBackup>& before) const {
    RegistryTransaction reading(hives_);
    LONG result = reading.Begin(keys);
    before = result == ERROR_SUCCESS ? reading.backups() : std::vector<EntryBackup>{};
    return result;
}

void UndoHistory::Record(std::wstring what, std::wstring failure,
                         const std::vector<EntryBackup>& before) {
    if (before.empty()) return;
    RecordedChange change{std::move(what), std::move(failure), {}};
    EntryReader reader(hives_);
    for (const EntryBackup& backup : before) {
        RecordedEntry entry;
        entry.key = {backup.entry.scope, backup.entry.key.name};
        entry.before = backup.entry;
        entry.existedBefore = backup.existed;
        LONG read = reader.Read(entry.key, entry.after);
        entry.existedAfter = read == ERROR_SUCCESS;
        entry.afterKnown = read == ERROR_SUCCESS || read == ERROR_FILE_NOT_FOUND;
        change.entries.push_back(std::move(entry));
    }
    changes_.push_back(std::move(change));
    if (changes_.size() > kUndoDepth) changes_.pop_front();
}

const RecordedChange* UndoHistory::Last() const {
    return changes_.empty() ? nullptr : &changes_.back();
}

UndoCheck UndoHistory::CheckLast() const {
    UndoCheck check;
    const RecordedChange* last = Last();
    if (!last) return check;
    EntryReader reader(hives_);
    for (const RecordedEntry& entry : last->entries) {
        EntrySnapshot now;
        LONG read = reader.Read(entry.key, now);
        if (read != ERROR_SUCCESS && read != ERROR_FILE_NOT_FOUND) {
            check.result = read;
            return check;
        }
        if (!check.changedSince && (!entry.afterKnown || !SameState(entry.existedAfter, entry.after,
                                                                    read == ERROR_SUCCESS, now))) {
            check.changedSince = entry.key;
        }
    }
    return check;
}

LONG UndoHistory::UndoLast() {
    restoreResult_ = ERROR_SUCCESS;
    const RecordedChange* last = Last();
    if (!last) return ERROR_SUCCESS;
    RegistryTransaction transaction(hives_);
    LONG result = transaction.Begin(KeysOf(*last));
    if (result == ERROR_SUCCESS) result = transaction.Apply(EditsBack(*last, transaction));
    restoreResult_ = transaction.restoreResult();
    if (result == ERROR_SUCCESS) changes_.pop_back();
    return result;
}

}  // namespace tolvane
