// import: registrations from a .reg file or from the JSON that list
// writes, checked whole before anything is written, then written all
// together or not at all.
#include <algorithm>

#include "console/changes.h"
#include "console/common.h"
#include "console/exit_codes.h"
#include "console/import_file.h"
#include "console/table.h"
#include "console/verbs.h"
#include "store/app_path_store.h"
#include "toolkit/handles.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kImportFailed[] = L"导入失败！";
// Larger files are no list of registrations.
constexpr LONGLONG kMostBytes = 64 * 1024 * 1024;
constexpr wchar_t kTooLarge[] = L"文件太大（超过 64 MB），没有导入任何内容。";
constexpr wchar_t kSharedKeyNote[] =
    L"tolvanec：文件中 HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
    L"CurrentVersion\\App Paths 下的注册项按本机所有用户的 App Paths 导入"
    L"（Windows 7 起，32 位和 64 位程序共用这个键）。";

DWORD ReadWholeFile(const std::wstring& path, std::string& bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return GetLastError();
    if (size.QuadPart > kMostBytes) return ERROR_FILE_TOO_LARGE;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() &&
        !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
        return GetLastError();
    }
    bytes.resize(read);
    return ERROR_SUCCESS;
}

// Reads the file and the registrations that it touches, as they are now,
// and makes its changes. Returns 0, or the exit code of the failure,
// already told.
int Prepare(const std::wstring& file, ImportRequest& request, std::vector<KeyEdit>& edits,
            RegistryTransaction& transaction) {
    std::string bytes;
    DWORD read = ReadWholeFile(file, bytes);
    if (read == ERROR_FILE_NOT_FOUND || read == ERROR_PATH_NOT_FOUND) {
        return Refuse(L"找不到文件“" + file + L"”。", kExitUsage);
    }
    if (read == ERROR_FILE_TOO_LARGE) return Refuse(kTooLarge, kExitUsage);
    if (read != ERROR_SUCCESS) return FileFailure(read, kImportFailed, file);
    std::wstring problem;
    if (!ReadImportFile(bytes, request, problem)) {
        return Refuse(L"文件“" + file + L"”无效，没有导入任何内容。" + problem, kExitUsage);
    }
    LONG result = transaction.Begin(KeysOf(request));
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kImportFailed, std::nullopt);
    edits = EditsOf(request, [&](const EntryKey& key) {
        const EntryBackup* backup = transaction.Find(key);
        return backup ? TypeIn(backup->entry.key, kPathValueName) : DWORD{REG_NONE};
    });
    return kExitSuccess;
}

const wchar_t* OutcomeText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Added:
            return L"添加";
        case Outcome::Changed:
            return L"修改";
        case Outcome::Removed:
            return L"删除";
        default:
            return L"不变";
    }
}

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

// The hive to name when the registry refuses: the machine's, if the file
// changes it at all.
Scope WrittenHive(const std::vector<KeyEdit>& edits) {
    bool machine = std::any_of(edits.begin(), edits.end(),
                               [](const KeyEdit& edit) { return edit.scope == Scope::Machine; });
    return machine ? Scope::Machine : Scope::User;
}

}  // namespace

int Import(const Invocation& call) {
    const std::wstring& file = call.operands[0];
    ImportRequest request;
    std::vector<KeyEdit> edits;
    RegistryTransaction transaction;
    if (int failure = Prepare(file, request, edits, transaction)) return failure;
    std::vector<PlannedChange> plan = PlanChanges(transaction.backups(), edits);
    if (plan.empty()) {
        Tell(L"文件中没有注册项。");
        return kExitSuccess;
    }
    if (request.sharedKey) Tell(kSharedKeyNote);
    const auto reasons = LeftAlone(request);
    if (call.Has(L"--dry-run")) {
        int printed = Print(PlanTable(plan, reasons));
        Tell(L"这是预演（--dry-run），没有写入任何内容。");
        return printed;
    }
    LONG result = transaction.Apply(edits);
    if (result != ERROR_SUCCESS && transaction.restoreResult() != ERROR_SUCCESS) {
        return Refuse(L"导入失败，且未能把已改动的注册项全部恢复（" + SystemText(result) +
                          L"；恢复时：" + SystemText(transaction.restoreResult()) + L"）。",
                      ExitCodeForError(result));
    }
    if (result != ERROR_SUCCESS) {
        Tell(L"tolvanec：导入失败，已改动的注册项都已恢复原样。");
        return RegistryFailure(result, kImportFailed, WrittenHive(edits));
    }
    return Print(PlanTable(plan, reasons));
}

}  // namespace tolvane::console
