// What a set of changes would do to each registration it touches, and the
// string values that changes write.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "store/registry_transaction.h"

namespace tolvane::console {

// A string value: |text| with its final NUL.
RegistryValue StringValue(std::wstring name, DWORD type, const std::wstring& text);

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
