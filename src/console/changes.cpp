#include "console/changes.h"

#include <algorithm>

namespace tolvane::console {

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

// Names of keys and values compare as the registry compares them.
template <typename Item>
auto FindNamed(std::vector<Item>& items, const std::wstring& name) {
    return std::find_if(items.begin(), items.end(),
                        [&](const Item& item) { return SameName(item.name, name); });
}

// The key at |parts| below |root|, made when |make|; null when missing.
KeySnapshot* KeyAt(KeySnapshot& root, const std::vector<std::wstring>& parts, bool make) {
    KeySnapshot* key = &root;
    for (size_t i = 1; i < parts.size(); ++i) {
        auto found = FindNamed(key->subkeys, parts[i]);
        if (found == key->subkeys.end()) {
            if (!make) return nullptr;
            key->subkeys.push_back({parts[i]});
            found = key->subkeys.end() - 1;
        }
        key = &*found;
    }
    return key;
}

void ApplyValues(KeySnapshot& key, const std::vector<ValueEdit>& edits) {
    for (const ValueEdit& edit : edits) {
        auto found = FindNamed(key.values, edit.value.name);
        if (edit.remove) {
            if (found != key.values.end()) key.values.erase(found);
        } else if (found != key.values.end()) {
            found->type = edit.value.type;
            found->data = edit.value.data;
        } else {
            key.values.push_back(edit.value);
        }
    }
}

// |entry| (none when missing) after |edit|, as the registry would hold it.
void ApplyEdit(std::optional<KeySnapshot>& entry, const KeyEdit& edit) {
    std::vector<std::wstring> parts = PathParts(edit.path);
    if (edit.remove && parts.size() == 1) {
        entry.reset();
        return;
    }
    if (edit.remove) {
        if (!entry) return;
        KeySnapshot* parent = KeyAt(*entry, {parts.begin(), parts.end() - 1}, false);
        if (!parent) return;
        auto found = FindNamed(parent->subkeys, parts.back());
        if (found != parent->subkeys.end()) parent->subkeys.erase(found);
        return;
    }
    if (!entry) entry = KeySnapshot{parts.front()};
    ApplyValues(*KeyAt(*entry, parts, true), edit.values);
}

Outcome OutcomeOf(const EntryBackup& backup, const std::optional<KeySnapshot>& after) {
    if (!backup.existed) return after ? Outcome::Added : Outcome::Same;
    if (!after) return Outcome::Removed;
    return *after == backup.entry.key ? Outcome::Same : Outcome::Changed;
}

}  // namespace

RegistryValue StringValue(std::wstring name, DWORD type, const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {std::move(name), type, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}};
}

LONG ChangeRegistration(const EntryKey& key, const NewValues& values) {
    RegistryTransaction transaction;
    LONG result = transaction.Begin({key});
    if (result != ERROR_SUCCESS) return result;
    // A change never makes a registration that is not there.
    if (!transaction.backups().front().existed) return ERROR_FILE_NOT_FOUND;
    const KeySnapshot& before = transaction.backups().front().entry.key;
    KeyEdit edit{key.scope, before.name};
    if (values.target) {
        DWORD type = TypeForWrite(values.asNew ? REG_NONE : TypeIn(before, L""), *values.target);
        edit.values.push_back({StringValue(L"", type, *values.target)});
    }
    if (values.folders && values.folders->empty()) {
        edit.values.push_back({{kPathValueName}, true});
    } else if (values.folders) {
        DWORD previous = values.asNew ? REG_NONE : TypeIn(before, kPathValueName);
        DWORD type = TypeForWrite(previous, *values.folders);
        edit.values.push_back({StringValue(kPathValueName, type, *values.folders)});
    }
    return transaction.Apply({edit});
}

std::vector<PlannedChange> PlanChanges(const std::vector<EntryBackup>& backups,
                                       const std::vector<KeyEdit>& edits) {
    std::vector<PlannedChange> plan;
    for (const EntryBackup& backup : backups) {
        EntryKey key{backup.entry.scope, backup.entry.key.name};
        std::optional<KeySnapshot> entry;
        if (backup.existed) entry = backup.entry.key;
        for (const KeyEdit& edit : edits) {
            if (SameEntry(EntryOf(edit), key)) ApplyEdit(entry, edit);
        }
        plan.push_back({key, OutcomeOf(backup, entry)});
    }
    return plan;
}

}  // namespace tolvane::console
