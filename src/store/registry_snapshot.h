// Registry keys as data: a snapshot holds a key's values byte for byte and
// its subkeys, so that a registration can be saved before it is deleted or
// changed and put back exactly as it was. Edits are the changes that a .reg
// file or an import makes to the registrations. Everything works in the
// store's registry view with the wide calls; result codes are passed on
// unchanged (0 is success).
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "store/app_path_entry.h"
#include "toolkit/handles.h"

namespace tolvane {

struct RegistryValue {
    std::wstring name;  // empty for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data = {};

    bool operator==(const RegistryValue&) const = default;
};

struct KeySnapshot {
    std::wstring name;  // relative to the key it was read from
    std::vector<RegistryValue> values = {};
    std::vector<KeySnapshot> subkeys = {};

    bool operator==(const KeySnapshot&) const = default;
};

// A registration's key with its hive; key.name is the registration's name.
struct EntrySnapshot {
    Scope scope = Scope::Machine;
    KeySnapshot key = {};

    bool operator==(const EntrySnapshot&) const = default;
};

// Windows nests keys at most 512 levels below a hive's root, and App Paths
// is the fifth level: a registration's key and the subkeys below it span at
// most this many levels, the registration's own key being the first.
inline constexpr size_t kMaxEntryDepth = 512 - 5;
// What a snapshot, a write or a delete returns when it meets a tree deeper
// than kMaxEntryDepth (which other registries than Windows' can hold): an
// application's own code (bit 29 set), unknown to the system's messages.
inline constexpr LONG kErrorTreeTooDeep = 0x20000000 | 512;

// The type of |key|'s value |name| (empty: the default value); REG_NONE
// when it has none. Value names compare without regard to letter case.
DWORD TypeIn(const KeySnapshot& key, const std::wstring& name);

// Reads |name| below |parent| with its values and subkeys. |name| must not
// be empty: the snapshot is always of a subkey. Trees deeper than
// kMaxEntryDepth give kErrorTreeTooDeep.
LONG ReadKeySnapshot(HKEY parent, const std::wstring& name, KeySnapshot& snapshot);
// Makes |snapshot.name| below |parent| hold exactly the snapshot: it is
// created when missing, and values and subkeys that the snapshot does not
// hold (by name, letter case included) are removed. A snapshot deeper than
// kMaxEntryDepth is refused (kErrorTreeTooDeep) before anything is written.
LONG WriteKeySnapshot(HKEY parent, const KeySnapshot& snapshot);
// Writes |value| into an open key, byte for byte.
LONG SetValue(HKEY key, const RegistryValue& value);
// Deletes |name| below |parent| with all its subkeys. |rights|: what |name|
// itself must grant, beyond listing its subkeys, before anything of it goes.
// Subkeys more than kMaxEntryDepth levels down end it with
// kErrorTreeTooDeep, when the keys above them may be gone already.
LONG DeleteKeyTree(HKEY parent, const std::wstring& name, REGSAM rights = 0);
// The levels that |snapshot| spans, counted up to |most| + 1 at most.
size_t DepthOf(const KeySnapshot& snapshot, size_t most = kMaxEntryDepth);

// The hive that holds |scope|'s App Paths key.
HKEY HiveOf(Scope scope);

// The hives whose App Paths keys hold the registrations: the machine's, and
// a user's, this process's own unless told otherwise (the window's is the
// user's at the desktop).
struct Hives {
    HKEY machine = HKEY_LOCAL_MACHINE;
    HKEY user = HKEY_CURRENT_USER;

    HKEY For(Scope scope) const { return scope == Scope::User ? user : machine; }
};

// Reads registrations whole, one after another. The names of an App Paths
// key are read once, however many of its registrations are read, so that
// reading N registrations costs N reads and not N times N.
class EntryReader {
  public:
    explicit EntryReader(Hives hives = {}) : hives_(hives) {}

    // One registration. The snapshot carries the key's name as the registry
    // spells it, whatever the letter case of |key.name|.
    LONG Read(const EntryKey& key, EntrySnapshot& snapshot);
    // Every registration of |scope|, in the registry's order; none when the
    // hive has no App Paths key. One deleted while it is read is left out.
    LONG ReadAll(Scope scope, std::vector<EntrySnapshot>& snapshots);
    // Whether App Paths held |key| when this reader first read its subkeys'
    // names: a registration that is not there costs no key of its own.
    LONG Listed(const EntryKey& key, bool& listed);
    // After a failure: the registration that could not be read.
    const EntryKey& failed() const { return failed_; }

  private:
    struct Hive {
        bool opened = false;
        LONG openResult = ERROR_SUCCESS;
        UniqueKey appPaths;
        bool named = false;
        std::unordered_map<std::wstring, std::wstring> spelled;  // by upper-cased name
    };
    LONG Open(Scope scope, Hive*& hive);
    LONG Name(Hive& hive);

    Hives hives_;
    Hive read_[2];  // the machine's, the user's
    EntryKey failed_;
};

// A registration read whole, as EntryReader reads it.
LONG ReadEntrySnapshot(const EntryKey& key, EntrySnapshot& snapshot);

// One value to set, or to delete.
struct ValueEdit {
    RegistryValue value;  // only the name counts when removing
    bool remove = false;

    bool operator==(const ValueEdit&) const = default;
};

// The changes to one key below an App Paths key, applied in order.
struct KeyEdit {
    Scope scope = Scope::Machine;
    std::wstring path;    // "name.exe", or "name.exe\sub" for a subkey
    bool remove = false;  // the key goes, with its subkeys; no values then
    std::vector<ValueEdit> values = {};

    bool operator==(const KeyEdit&) const = default;
};

// The edits that make each registration again: its key, then its subkeys
// below it, in the order of the snapshots.
std::vector<KeyEdit> EditsOf(const std::vector<EntrySnapshot>& entries);
// The registration that an edit changes: its scope and the first part of its
// path.
EntryKey EntryOf(const KeyEdit& edit);

}  // namespace tolvane
