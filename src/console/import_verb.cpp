// import: registrations from a .reg file or from the JSON that list
// writes, checked whole before anything is written, then written all
// together or not at all.
#include <algorithm>

#include "console/changes.h"
#include "console/common.h"
#include "console/exit_codes.h"
#include "console/table.h"
#include "console/verbs.h"
#include "export/reg_file.h"
#include "store/app_path_store.h"
#include "toolkit/handles.h"
#include "toolkit/json.h"

namespace tolvane::console {

namespace {

constexpr wchar_t kImportFailed[] = L"导入失败！";
// Larger files are no list of registrations.
constexpr LONGLONG kMostBytes = 64 * 1024 * 1024;

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

// The JSON that list writes is an array; .reg files start with their
// header or a UTF-16 byte order mark.
bool LooksLikeJson(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && (bytes[first] == '[' || bytes[first] == '{');
}

// One registration of a listing in JSON: what import writes of it.
struct Listed {
    EntryKey key;
    std::wstring path;
    DWORD type = REG_NONE;                // REG_NONE: no default value
    std::optional<std::wstring> folders;  // null: no Path value
    bool hasFolders = false;              // false: the Path value is left alone
};

const std::wstring* StringMember(const JsonValue& item, const wchar_t* name) {
    const JsonValue* member = item.Find(name);
    return member && member->kind() == JsonValue::Kind::String ? &member->text() : nullptr;
}

// Reads one item of the array; false with the reason.
bool ReadListed(const JsonValue& item, Listed& listed, std::wstring& problem) {
    if (item.kind() != JsonValue::Kind::Object) return (problem = L"不是对象"), false;
    const std::wstring* name = StringMember(item, L"name");
    const std::wstring* scopeToken = StringMember(item, L"scope");
    const std::wstring* path = StringMember(item, L"path");
    if (!name || !IsAllowedEntryName(*name)) return (problem = L"name 无效"), false;
    std::optional<Scope> scope = scopeToken ? ScopeOfToken(*scopeToken) : std::nullopt;
    if (!scope) return (problem = L"scope 应为 machine 或 user"), false;
    if (!path) return (problem = L"缺少 path"), false;
    listed.key = {*scope, *name};
    listed.path = *path;
    const JsonValue* type = item.Find(L"type");
    if (!type || type->kind() == JsonValue::Kind::Null) {
        listed.type = REG_NONE;
        if (!path->empty()) return (problem = L"有 path 却没有 type"), false;
    } else if (type->kind() == JsonValue::Kind::String && type->text() == L"REG_SZ") {
        listed.type = REG_SZ;
    } else if (type->kind() == JsonValue::Kind::String && type->text() == L"REG_EXPAND_SZ") {
        listed.type = REG_EXPAND_SZ;
    } else {
        return (problem = L"未知或不能导入的值类型 " + type->text()), false;
    }
    const JsonValue* folders = item.Find(L"pathValue");
    listed.hasFolders = folders != nullptr;
    if (folders && folders->kind() == JsonValue::Kind::String) {
        listed.folders = folders->text();
    } else if (folders && folders->kind() != JsonValue::Kind::Null) {
        return (problem = L"pathValue 应为字符串或 null"), false;
    }
    return true;
}

bool ReadListing(std::string_view bytes, std::vector<Listed>& listing, std::wstring& problem) {
    JsonValue document;
    JsonError error;
    if (!ParseJson(bytes, document, error)) {
        problem = L"第 " + std::to_wstring(error.line) + L" 行：" + error.reason;
        return false;
    }
    if (document.kind() != JsonValue::Kind::Array) {
        problem = L"应为 tolvanec list --format json 写出的数组";
        return false;
    }
    for (size_t i = 0; i < document.items().size(); ++i) {
        Listed listed;
        if (!ReadListed(document.items()[i], listed, problem)) {
            problem = L"第 " + std::to_wstring(i + 1) + L" 项：" + problem;
            return false;
        }
        listing.push_back(std::move(listed));
    }
    return true;
}

// The type that a Path value has now, so that REG_EXPAND_SZ stays.
DWORD FolderType(const std::vector<EntryBackup>& backups, const EntryKey& key) {
    for (const EntryBackup& backup : backups) {
        if (SameEntry({backup.entry.scope, backup.entry.key.name}, key)) {
            return TypeIn(backup.entry.key, kPathValueName);
        }
    }
    return REG_NONE;
}

std::vector<KeyEdit> ListingEdits(const std::vector<Listed>& listing,
                                  const std::vector<EntryBackup>& backups) {
    std::vector<KeyEdit> edits;
    for (const Listed& listed : listing) {
        KeyEdit edit{listed.key.scope, listed.key.name};
        if (listed.type == REG_NONE) {
            edit.values.push_back({{L""}, true});
        } else {
            edit.values.push_back({StringValue(L"", listed.type, listed.path)});
        }
        if (listed.hasFolders && listed.folders) {
            DWORD type = TypeForWrite(FolderType(backups, listed.key), *listed.folders);
            edit.values.push_back({StringValue(kPathValueName, type, *listed.folders)});
        } else if (listed.hasFolders) {
            edit.values.push_back({{kPathValueName}, true});
        }
        edits.push_back(std::move(edit));
    }
    return edits;
}

// Reads the file's changes and the registrations they touch, as they are
// now. Returns 0, or the exit code of the failure, already told.
int Prepare(const std::wstring& file, std::vector<KeyEdit>& edits,
            RegistryTransaction& transaction) {
    std::string bytes;
    DWORD read = ReadWholeFile(file, bytes);
    if (read == ERROR_FILE_NOT_FOUND || read == ERROR_PATH_NOT_FOUND) {
        return Refuse(L"找不到文件“" + file + L"”。", kExitUsage);
    }
    if (read != ERROR_SUCCESS) return FileFailure(read, kImportFailed, file);
    std::wstring problem;
    std::vector<Listed> listing;
    std::vector<EntryKey> keys;
    if (LooksLikeJson(bytes)) {
        if (!ReadListing(bytes, listing, problem)) {
            return Refuse(L"文件“" + file + L"”无效，没有导入任何内容。" + problem, kExitUsage);
        }
        for (const Listed& listed : listing) keys.push_back(listed.key);
    } else {
        RegFileError error;
        if (!ReadRegFile(bytes, edits, error)) {
            return Refuse(L"文件“" + file + L"”无效，没有导入任何内容。第 " +
                              std::to_wstring(error.line) + L" 行：" + error.reason,
                          kExitUsage);
        }
        keys = EntriesOf(edits);
    }
    LONG result = transaction.Begin(keys);
    if (result != ERROR_SUCCESS) return RegistryFailure(result, kImportFailed, std::nullopt);
    if (!listing.empty()) edits = ListingEdits(listing, transaction.backups());
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

std::wstring PlanTable(const std::vector<PlannedChange>& plan) {
    std::vector<std::vector<std::wstring>> lines = {{L"操作", L"范围", L"项目名称"}};
    for (const PlannedChange& change : plan) {
        lines.push_back(
            {OutcomeText(change.outcome), ScopeText(change.key.scope), change.key.name});
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
    std::vector<KeyEdit> edits;
    RegistryTransaction transaction;
    if (int failure = Prepare(file, edits, transaction)) return failure;
    std::vector<PlannedChange> plan = PlanChanges(transaction.backups(), edits);
    if (plan.empty()) {
        Tell(L"文件中没有注册项。");
        return kExitSuccess;
    }
    if (call.Has(L"--dry-run")) {
        int printed = Print(PlanTable(plan));
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
    return Print(PlanTable(plan));
}

}  // namespace tolvane::console
