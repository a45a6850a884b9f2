#include "console/common.h"

#include "console/exit_codes.h"
#include "console/output.h"
#include "editing/entry_messages.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kMachineHint[] =
    L"本机所有用户的注册项只能在“以管理员身份运行”的命令提示符中修改；"
    L"加上 --scope user 则只为当前用户登记。";

}  // namespace

bool ReadScopeOption(const Invocation& call, bool writing, ScopeChoice& choice,
                     std::wstring& problem) {
    const std::wstring* value = call.Value(L"--scope");
    choice = writing ? ScopeChoice::Machine : ScopeChoice::All;
    if (!value) return true;
    if (std::optional<Scope> scope = ScopeOfToken(*value)) {
        choice = *scope == Scope::User ? ScopeChoice::User : ScopeChoice::Machine;
        return true;
    }
    if (*value == L"all" && !writing) {
        choice = ScopeChoice::All;
        return true;
    }
    problem = L"--scope 的值“" + *value + L"”无效，应为 " +
              (writing ? L"machine 或 user。" : L"all、machine 或 user。");
    return false;
}

bool Includes(ScopeChoice choice, Scope scope) {
    if (choice == ScopeChoice::All) return true;
    return (choice == ScopeChoice::User) == (scope == Scope::User);
}

Scope WrittenScope(ScopeChoice choice) {
    return choice == ScopeChoice::User ? Scope::User : Scope::Machine;
}

bool EntryNameOf(const std::wstring& typed, std::wstring& name, std::wstring& problem) {
    // Checked as it will be written, with its suffix; nothing typed stays
    // nothing.
    name = typed.empty() ? typed : WithExeSuffix(typed);
    problem = EntryNameProblem(name);
    return problem.empty();
}

int Print(const std::wstring& text) {
    return WriteOut(text) ? kExitSuccess : kExitFailure;
}

void Tell(const std::wstring& message) {
    WriteErr(message.ends_with(L'\n') ? message : message + L"\n");
}

int Refuse(const std::wstring& message, int code) {
    Tell(L"tolvanec：" + message);
    return code;
}

int RegistryFailure(LONG code, const std::wstring& failure, std::optional<Scope> written) {
    if (code == ERROR_ACCESS_DENIED && written) {
        bool machine = *written == Scope::Machine;
        return Refuse(machine ? std::wstring(kNoRights) + L"\n" + kMachineHint : kNoRights,
                      kExitAccessDenied);
    }
    return Refuse(failure + L"（" + SystemText(code) + L"）", ExitCodeForError(code));
}

int FileFailure(DWORD code, const std::wstring& failure, const std::wstring& path) {
    return Refuse(failure + L"“" + path + L"”：" + SystemText(code), ExitCodeForError(code));
}

}  // namespace tolvane::console
