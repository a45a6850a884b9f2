// Changes to several registrations that take effect all together or not at
// all. Every registration that the edits touch is read whole first; when a
// write fails, each registration touched so far that differs from what was
// read is put back: rewritten exactly, or deleted when it did not exist
// before. A registration that did not exist is made with its own key first,
// and only when no other program has made it meanwhile.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/registry_snapshot.h"
#include "toolkit/handles.h"

namespace tolvane {

struct EntryBackup {
    EntrySnapshot entry;   // as read before any change
    bool existed = false;  // false: the registration is made by the edits
    bool touched = false;  // a write to it has been tried
};

class RegistryTransaction {
  public:
    // On the App Paths keys of |hives|.
    explicit RegistryTransaction(Hives hives = {}) : hives_(hives) {}

    // Reads every registration in |keys| (each once). 0, or the first code
    // other than "not found"; nothing is written either way.
    LONG Begin(const std::vector<EntryKey>& keys);
    // After a failed Begin(): the registration that could not be read.
    const EntryKey& failedKey() const { return failed_; }
    // The registrations as Begin() read them, to be saved before Apply().
    const std::vector<EntryBackup>& backups() const { return backups_; }
    // The one of them that |key| names; null when Begin() did not read it.
    const EntryBackup* Find(const EntryKey& key) const;

    // Applies |edits| in order. An edit of a registration that Begin() did
    // not read is refused before anything is written (ERROR_INVALID_PARAMETER).
    // On the first failing write, every touched registration is put back and
    // that write's code returned.
    LONG Apply(const std::vector<KeyEdit>& edits);
    // After a failed Apply(): 0 when everything was put back (an App Paths
    // key that Apply() made is gone again), else the first code met while
    // putting back a registration that is not as it was.
    LONG restoreResult() const { return restoreResult_; }

  private:
    EntryBackup* BackupOf(const EntryKey& key);
    LONG Write(const KeyEdit& edit);
    LONG WriteValues(HKEY key, const KeyEdit& edit);
    LONG OpenAppPaths(Scope scope, HKEY& appPaths);
    LONG MakeEntry(HKEY appPaths, const EntryKey& key);
    LONG UnmakeEntry(const EntryKey& key);
    // Whether a registration is still exactly as Begin() read it.
    bool Unchanged(const EntryBackup& backup) const;
    LONG Restore(const EntryBackup& backup);
    void RemoveMadeAppPaths(Scope scope);
    LONG Step();

    Hives hives_;
    std::vector<EntryBackup> backups_;
    std::map<EntryKey, size_t, EntryOrder> index_;  // into backups_
    EntryKey failed_;
    // The registrations that this transaction made, by scope and upper-cased
    // name, each with its key held open: a rollback deletes the key that it
    // made, never one that another program put in its place.
    std::unordered_map<std::wstring, UniqueKey> made_;
    UniqueKey machine_;
    UniqueKey user_;
    bool madeMachine_ = false;  // the App Paths key was made by Apply()
    bool madeUser_ = false;
    size_t writes_ = 0;
    LONG restoreResult_ = ERROR_SUCCESS;
};

// The registrations that |edits| change, each once, in the order met.
std::vector<EntryKey> EntriesOf(const std::vector<KeyEdit>& edits);

// Runs, when set, before each registry write of Apply() with the write's
// index from 0; a non-zero result stands for a write that fails, which a
// test cannot otherwise cause on a key that is open for writing. The
// program leaves it null.
inline LONG (*beforeRegistryWrite)(size_t index) = nullptr;

}  // namespace tolvane
