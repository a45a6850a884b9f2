#include "commands/changes.h"

#include <algorithm>
#include <map>
#include <memory>

namespace tolvane {

namespace {

std::vector<std::wstring> PathParts(const std::wstring& path) {
    std::vector<std::wstring> parts;
    for (size_t start = 0; start <= path.size();) {
        size_t end = std::min(path.find(L'\\', start), path.size());
        parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// A key as the plan makes it: its values and subkeys found by name as the
// registry finds them, without regard to letter case, each spelled as it
// was first written.
struct PlanKey {
    std::map<std::wstring, RegistryValue, NameOrder> values;
    std::map<std::wstring, std::unique_ptr<PlanKey>, NameOrder> subkeys;
};

std::unique_ptr<PlanKey> PlanOf(const KeySnapshot& snapshot) {
    auto key = std::make_unique<PlanKey>();
    for (const RegistryValue& value : snapshot.values) key->values.emplace(value.name, value);
    for (const KeySnapshot& subkey : snapshot.subkeys) {
        key->subkeys.emplace(subkey.name, PlanOf(subkey));
    }
    return key;
}

// Whether the registry would hold the same in both: names spelled alike,
// values byte for byte; the order in which they were made does not count.
bool SameKey(const PlanKey& a, const PlanKey& b) {
    if (a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size()) return false;
    for (auto i = a.values.begin(), j = b.values.begin(); i != a.values.end(); ++i, ++j) {
        if (i->second != j->second) return false;
    }
    for (auto i = a.subkeys.begin(), j = b.subkeys.begin(); i != a.subkeys.end(); ++i, ++j) {
        if (i->first != j->first || !SameKey(*i->second, *j->second)) return false;
    }
    return true;
}

// The key at the first |count| of |parts| below |root| (the registration,
// parts[0]), made when |make|; null when missing.
PlanKey* KeyAt(PlanKey& root, const std::vector<std::wstring>& parts, size_t count, bool make) {
    PlanKey* key = &root;
    for (size_t i = 1; i < count; ++i) {
        auto found = key->subkeys.find(parts[i]);
        if (found == key->subkeys.end()) {
            if (!make) return nullptr;
            found = key->subkeys.emplace(parts[i], std::make_unique<PlanKey>()).first;
        }
        key = found->second.get();
    }
    return key;
}

void ApplyValues(PlanKey& key, const std::vector<ValueEdit>& edits) {
    for (const ValueEdit& edit : edits) {
        auto found = key.values.find(edit.value.name);
        if (edit.remove) {
            if (found != key.values.end()) key.values.erase(found);
        } else if (found != key.values.end()) {
            found->second.type = edit.value.type;  // the name keeps its spelling
            found->second.data = edit.value.data;
        } else {
            key.values.emplace(edit.value.name, edit.value);
        }
    }
}

// |entry| (null when missing) after |edit|, as the registry would hold it.
void ApplyEdit(std::unique_ptr<PlanKey>& entry, const KeyEdit& edit) {
    std::vector<std::wstring> parts = PathParts(edit.path);
    if (edit.remove && parts.size() == 1) {
        entry.reset();
        return;
    }
    if (edit.remove) {
        PlanKey* parent = entry ? KeyAt(*entry, parts, parts.size() - 1, false) : nullptr;
        if (parent) parent->subkeys.erase(parts.back());
        return;
    }
    if (!entry) entry = std::make_unique<PlanKey>();
    ApplyValues(*KeyAt(*entry, parts, parts.size(), true), edit.values);
}

ChangeOutcome OutcomeOf(const EntryBackup& backup, const PlanKey* after) {
    if (!backup.existed) return after ? ChangeOutcome::Added : ChangeOutcome::Same;
    if (!after) return ChangeOutcome::Removed;
    return SameKey(*PlanOf(backup.entry.key), *after) ? ChangeOutcome::Same
                                                      : ChangeOutcome::Changed;
}

}  // namespace

RegistryValue StringValue(std::wstring name, DWORD type, const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {std::move(name), type, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}};
}

std::vector<PlannedChange> PlanChanges(const std::vector<EntryBackup>& backups,
                                       const std::vector<KeyEdit>& edits) {
    std::map<EntryKey, std::vector<const KeyEdit*>, EntryOrder> editsOf;
    for (const KeyEdit& edit : edits) editsOf[EntryOf(edit)].push_back(&edit);
    std::vector<PlannedChange> plan;
    for (const EntryBackup& backup : backups) {
        EntryKey key{backup.entry.scope, backup.entry.key.name};
        std::unique_ptr<PlanKey> entry;
        if (backup.existed) entry = PlanOf(backup.entry.key);
        auto found = editsOf.find(key);
        if (found != editsOf.end()) {
            for (const KeyEdit* edit : found->second) ApplyEdit(entry, *edit);
        }
        plan.push_back({key, OutcomeOf(backup, entry.get())});
    }
    return plan;
}

PlanCounts CountPlan(const std::vector<PlannedChange>& plan) {
    PlanCounts counts;
    for (const PlannedChange& change : plan) {
        switch (change.outcome) {
            case ChangeOutcome::Added:
                ++counts.added;
                break;
            case ChangeOutcome::Changed:
                ++counts.changed;
                break;
            case ChangeOutcome::Removed:
                ++counts.removed;
                break;
            case ChangeOutcome::Same:
                ++counts.same;
                break;
        }
    }
    return counts;
}

bool SameRegistration(const KeySnapshot& a, const KeySnapshot& b) {
    return SameKey(*PlanOf(a), *PlanOf(b));
}

const wchar_t* OutcomeText(ChangeOutcome outcome) {
    switch (outcome) {
        case ChangeOutcome::Added:
            return L"添加";
        case ChangeOutcome::Changed:
            return L"修改";
        case ChangeOutcome::Removed:
            return L"删除";
        default:
            return L"不变";
    }
}

}  // namespace tolvane
