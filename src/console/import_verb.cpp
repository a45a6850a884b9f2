// import: registrations from a .reg file or from the JSON that list
// writes, checked whole before anything is written, then written all
// together or not at all (commands/import_command.h).
#include "commands/import_command.h"
#include "console/common.h"
#include "console/exit_codes.h"
#include "console/table.h"
#include "console/verbs.h"
#include "editing/entry_messages.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kSharedKeyNote[] =
    L"tolvanec：文件中 HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
    L"CurrentVersion\\App Paths 下的注册项按本机所有用户的 App Paths 导入"
    L"（Windows 7 起，32 位和 64 位程序共用这个键）。";

// What happens to each registration; why some are left alone, when any are.
std::wstring PlanTable(const std::vector<PlannedChange>& plan,
                       const std::map<EntryKey, std::wstring, EntryOrder>& reasons) {
    std::vector<std::vector<std::wstring>> lines = {{L"操作", L"范围", L"项目名称"}};
    if (!reasons.empty()) lines[0].push_back(L"说明");
    for (const PlannedChange& change : plan) {
        lines.push_back(
            {OutcomeText(change.outcome), ScopeText(change.key.scope), change.key.name});
        auto reason = reasons.find(change.key);
        if (reason != reasons.end()) lines.back().push_back(reason->second);
    }
    return TableText(lines, true);
}

// A file that cannot be imported as it stands is bad input; anything else
// failed on the way.
int RefusalCode(ImportCheck check, DWORD code) {
    bool input = check == ImportCheck::FileMissing || check == ImportCheck::TooLarge ||
                 check == ImportCheck::Invalid;
    return input ? kExitUsage : ExitCodeForError(code);
}

}  // namespace

int Import(const Invocation& call) {
    const std::wstring& file = call.operands[0];
    ImportCommand import;
    ImportCheck check = import.Prepare(file);
    if (check != ImportCheck::Ready) {
        return Refuse(ImportRefusal(check, import, file), RefusalCode(check, import.code()));
    }
    if (import.plan().empty()) {
        Tell(L"文件中没有注册项。");
        return kExitSuccess;
    }
    if (import.sharedKey()) Tell(kSharedKeyNote);
    if (call.Has(L"--dry-run")) {
        int printed = Print(PlanTable(import.plan(), import.leftAlone()));
        Tell(L"这是预演（--dry-run），没有写入任何内容。");
        return printed;
    }
    LONG result = import.Apply();
    if (result != ERROR_SUCCESS && import.restoreResult() != ERROR_SUCCESS) {
        return Refuse(L"导入失败，且未能把已改动的注册项全部恢复（" + SystemText(result) +
                          L"；恢复时：" + SystemText(import.restoreResult()) + L"）。",
                      ExitCodeForError(result));
    }
    if (result != ERROR_SUCCESS) {
        Tell(L"tolvanec：导入失败，已改动的注册项都已恢复原样。");
        return RegistryFailure(result, kImportFailed, import.WrittenHive());
    }
    return Print(PlanTable(import.plan(), import.leftAlone()));
}

}  // namespace tolvane::console
