// Changes to registrations that exist already, made together or not at
// all, and what a set of changes would do to each registration it touches.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "store/registry_transaction.h"

namespace tolvane::console {

// A string value: |text| with its final NUL.
RegistryValue StringValue(std::wstring name, DWORD type, const std::wstring& text);

// What a registration's default value and Path value become; a value not
// given stays as it is, and an empty Path removes the value.
struct NewValues {
    std::optional<std::wstring> target;
    std::optional<std::wstring> folders;
    // Written with the types of a new registration's values, as when an
    // add replaces one, rather than keeping REG_EXPAND_SZ.
    bool asNew = false;
};

// Changes both values of an existing registration in one transaction: a
// failed write puts back what was changed. Each value keeps its type
// (unless |values| are new), but text that gains "%" becomes REG_EXPAND_SZ. ERROR_FILE_NOT_FOUND
// when the registration is not there.
LONG ChangeRegistration(const EntryKey& key, const NewValues& values);

enum class Outcome { Added, Changed, Removed, Same };

struct PlannedChange {
    EntryKey key;
    Outcome outcome = Outcome::Same;
};

// What |edits| would do to each registration in |backups|, the
// registrations as they are now, without writing anything.
std::vector<PlannedChange> PlanChanges(const std::vector<EntryBackup>& backups,
                                       const std::vector<KeyEdit>& edits);

}  // namespace tolvane::console
