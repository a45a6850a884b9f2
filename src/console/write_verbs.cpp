// The verbs that change one registration: add, set and remove.
#include "commands/registration_commands.h"
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

}  // namespace

int Add(const Invocation& call) {
    EntryKey key;
    std::wstring problem;
    if (!ReadTarget(call, key, problem)) return BadUsage(problem);
    if (call.operands[1].empty()) return BadUsage(kEmptyPath);
    bool force = call.Has(L"--force");
    NewValues values;
    values.target = call.operands[1];
    if (const std::wstring* folders = call.Value(L"--path")) values.folders = *folders;

    if (IsRegistered(key) && !force) return Exists(key.name);
    LONG result = AddRegistration(Hives{}, key, values, force);
    if (result == ERROR_ALREADY_EXISTS) return Exists(key.name);
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

    LONG result = EditRegistration(Hives{}, key, values);
    if (result == ERROR_FILE_NOT_FOUND) return Missing(key.name, key.scope);
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kEditFailed, key.scope);
    Tell(kEdited);
    return kExitSuccess;
}

int Remove(const Invocation& call) {
    EntryKey key;
    std::wstring problem;
    if (!ReadTarget(call, key, problem)) return BadUsage(problem);
    // With any subkeys it has: the whole registration goes, or none of it.
    RemovalOutcome outcome = RemoveRegistrations(Hives{}, {key});
    if (outcome.result != ERROR_SUCCESS) {
        return RegistryFailure(outcome.result, kDeleteFailed, key.scope);
    }
    if (!outcome.missing.empty()) return Missing(key.name, key.scope);
    Tell(kDeleted);
    return kExitSuccess;
}

}  // namespace tolvane::console
