// The verbs that change one registration: add, set and remove.
#include "console/changes.h"
#include "console/common.h"
#include "console/exit_codes.h"
#include "console/verbs.h"
#include "editing/entry_messages.h"
#include "store/app_path_store.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kEmptyPath[] = L"程序路径不能为空！";

int Exists(const std::wstring& name) {
    return Refuse(ExistsMessage(name), kExitConditionFailed);
}

int Missing(const std::wstring& name, Scope scope) {
    return Refuse(std::wstring(ScopeText(scope)) + L"的注册项中没有 " + name + L"！",
                  kExitConditionFailed);
}

// NAME and the hive that a writing verb changes.
bool ReadTarget(const Invocation& call, EntryKey& key, std::wstring& problem) {
    ScopeChoice choice;
    if (!EntryNameOf(call.operands[0], key.name, problem) ||
        !ReadScopeOption(call, true, choice, problem)) {
        return false;
    }
    key.scope = WrittenScope(choice);
    return true;
}

bool IsRegistered(const EntryKey& key) {
    AppPathStore store = StoreOf(key.scope);
    return store.OpenAppPaths() == ERROR_SUCCESS && store.HasEntry(key.name);
}

// Makes a new registration; |created| is false when the name was taken
// meanwhile, which leaves that registration alone.
LONG CreateRegistration(const EntryKey& key, const NewValues& values, bool& created) {
    AppPathStore store = StoreOf(key.scope);
    UniqueKey entry;
    LONG result = store.CreateAppPaths();
    if (result == ERROR_SUCCESS) result = store.CreateEntry(key.name, entry, created);
    if (result != ERROR_SUCCESS || !created) return result;
    return AppPathStore::FillNewEntry(entry.get(), *values.target, values.folders.value_or(L""));
}

}  // namespace

int Add(const Invocation& call) {
    EntryKey key;
    std::wstring problem;
    if (!ReadTarget(call, key, problem)) return BadUsage(problem);
    if (call.operands[1].empty()) return BadUsage(kEmptyPath);
    bool force = call.Has(L"--force");
    // What --force replaces: the path, and the Path value, which goes when
    // the command gives none; other values stay.
    NewValues values{call.operands[1], std::wstring(), true};
    if (const std::wstring* folders = call.Value(L"--path")) values.folders = *folders;

    bool exists = IsRegistered(key);
    if (exists && !force) return Exists(key.name);
    LONG result = ERROR_SUCCESS;
    if (!exists) {
        bool created = false;
        result = CreateRegistration(key, values, created);
        exists = result == ERROR_SUCCESS && !created;
        if (exists && !force) return Exists(key.name);
    }
    if (exists) result = ChangeRegistration(key, values);
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kAddFailed, key.scope);
    Tell(kAdded);
    return kExitSuccess;
}

int Set(const Invocation& call) {
    EntryKey key;
    std::wstring problem;
    if (!ReadTarget(call, key, problem)) return BadUsage(problem);
    NewValues values;
    if (const std::wstring* target = call.Value(L"--target")) values.target = *target;
    if (const std::wstring* folders = call.Value(L"--path")) values.folders = *folders;
    if (!values.target && !values.folders) return BadUsage(L"命令 set 需要 --target 或 --path。");
    if (values.target && values.target->empty()) return BadUsage(kEmptyPath);

    LONG result = ChangeRegistration(key, values);
    if (result == ERROR_FILE_NOT_FOUND) return Missing(key.name, key.scope);
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kEditFailed, key.scope);
    Tell(kEdited);
    return kExitSuccess;
}

int Remove(const Invocation& call) {
    EntryKey key;
    std::wstring problem;
    if (!ReadTarget(call, key, problem)) return BadUsage(problem);
    AppPathStore store = StoreOf(key.scope);
    LONG result = store.OpenAppPaths();
    // With any subkeys it has: the whole registration goes.
    if (result == ERROR_SUCCESS) result = DeleteKeyTree(store.hAppPaths(), key.name);
    if (result == ERROR_FILE_NOT_FOUND) return Missing(key.name, key.scope);
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kDeleteFailed, key.scope);
    Tell(kDeleted);
    return kExitSuccess;
}

}  // namespace tolvane::console
