// What a set of changes would do to each registration it touches, and the
// string values that changes write.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "store/registry_transaction.h"

namespace tolvane {

// A string value: |text| with its final NUL.
RegistryValue StringValue(std::wstring name, DWORD type, const std::wstring& text);

enum class ChangeOutcome { Added, Changed, Removed, Same };

// The word for what happens to a registration: "添加", "修改", "删除", "不变".
const wchar_t* OutcomeText(ChangeOutcome outcome);

struct PlannedChange {
    EntryKey key;
    ChangeOutcome outcome = ChangeOutcome::Same;
};

// What |edits| would do to each registration in |backups|, the
// registrations as they are now, without writing anything.
std::vector<PlannedChange> PlanChanges(const std::vector<EntryBackup>& backups,
                                       const std::vector<KeyEdit>& edits);

// How many registrations each outcome of a plan concerns.
struct PlanCounts {
    size_t added = 0, changed = 0, removed = 0, same = 0;
};
PlanCounts CountPlan(const std::vector<PlannedChange>& plan);

// Whether the registry would hold the same in both keys: names spelled
// alike, values byte for byte, subkeys alike; the order in which they were
// made does not count.
bool SameRegistration(const KeySnapshot& a, const KeySnapshot& b);

}  // namespace tolvane
