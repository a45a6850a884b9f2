// The commands that change registrations or save them, one set for the
// window and for tolvanec alike. Each reads whole what it touches, makes its
// change in one registry transaction, all of it or nothing, and returns how
// it went as codes; the faces gather the input and tell the user, each in
// its own words. Nothing here shows or prints anything.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "store/registry_snapshot.h"

namespace tolvane {

// What an add or an edit writes. A value not given stays as it is; empty
// folders remove the Path value.
struct NewValues {
    std::optional<std::wstring> target;
    std::optional<std::wstring> folders;
    // Each value with the type that a new registration's would have, rather
    // than keeping REG_EXPAND_SZ.
    bool asNew = false;
};

// A new registration with the program |values.target| and, unless empty,
// the Path value |values.folders|, each of the type that its text calls
// for. ERROR_ALREADY_EXISTS when the hive has one of that name, also one
// that another program makes meanwhile, unless |replace|: then that one is
// changed with the new values' types, and its Path value goes when none is
// given.
LONG AddRegistration(const Hives& hives, const EntryKey& key, const NewValues& values,
                     bool replace = false);

// Changes the values given of an existing registration and no other. Each
// value keeps its type, but text that gains "%" becomes REG_EXPAND_SZ.
// ERROR_FILE_NOT_FOUND when the registration is not there.
LONG EditRegistration(const Hives& hives, const EntryKey& key, const NewValues& values);

struct RemovalOutcome {
    // 0 when every registration that was there is gone; else nothing went.
    LONG result = ERROR_SUCCESS;
    EntryKey failed;                // the registration that refused
    std::vector<EntryKey> missing;  // not there to begin with
    size_t removed = 0;
    // For a clean-up: the backup's result, that of reading the registrations
    // when they could not be read; nothing goes unless it is 0.
    DWORD saved = ERROR_SUCCESS;
};

// Deletes |keys|, each with its subkeys. Every registration is read whole
// and each of its keys opened with the rights that its deletion needs
// before anything goes; a failure midway puts back what went.
RemovalOutcome RemoveRegistrations(const Hives& hives, const std::vector<EntryKey>& keys);
// The same, after saving the registrations as read to |backupFile|, a
// .reg file that "reg import" turns back into them.
RemovalOutcome CleanUpRegistrations(const Hives& hives, const std::vector<EntryKey>& keys,
                                    const std::wstring& backupFile);

struct SnapshotOutcome {
    LONG read = ERROR_SUCCESS;      // reading the registrations
    EntryKey unreadable;            // the one that could not be read
    DWORD written = ERROR_SUCCESS;  // writing the file
    size_t count = 0;               // registrations saved
};

// Saves |keys| as read now to |file|, a .reg file with every value and
// subkey, whole or not at all: a registration that cannot be read leaves
// whatever |file| held. Those deleted meanwhile are left out.
SnapshotOutcome SaveRegSnapshot(const Hives& hives, const std::vector<EntryKey>& keys,
                                const std::wstring& file);
// The same for every registration of the hives in |scopes|, in order.
SnapshotOutcome SaveRegSnapshot(const Hives& hives, const std::vector<Scope>& scopes,
                                const std::wstring& file);

}  // namespace tolvane
