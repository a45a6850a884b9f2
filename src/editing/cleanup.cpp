#include "editing/cleanup.h"

#include <shlobj.h>

#include <cwchar>

#include "commands/registration_commands.h"
#include "editing/entry_commands.h"
#include "editing/entry_messages.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr wchar_t kNothingToClean[] = L"没有找到程序文件不存在的项目。";
constexpr wchar_t kBackupFailed[] = L"备份失败，没有删除任何项目。";

std::wstring Question(const std::vector<AppPathEntry>& entries) {
    return L"以下项目的程序文件不存在：\n\n" + NameList(entries) +
           L"\n删除前会先把它们保存为注册表文件，放在“文档”文件夹中。确定要删除吗？";
}

std::wstring DocumentsFolder() {
    // Freed whether the call succeeds or not.
    UniqueTaskMemory<wchar_t*> folder;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, folder.put()))) return {};
    return folder.get();
}

// Those that were gone already, or all of them when the deletion failed.
std::vector<AppPathEntry> NotDeleted(const std::vector<AppPathEntry>& entries,
                                     const RemovalOutcome& outcome) {
    if (outcome.result != ERROR_SUCCESS) return entries;
    std::vector<AppPathEntry> missing;
    for (const AppPathEntry& entry : entries) {
        for (const EntryKey& key : outcome.missing) {
            if (Matches(entry, key)) missing.push_back(entry);
        }
    }
    return missing;
}

std::wstring Summary(const std::wstring& backup, const RemovalOutcome& outcome,
                     const std::vector<AppPathEntry>& failed) {
    std::wstring text = L"已删除 " + std::to_wstring(outcome.removed) + L" 项，失败 " +
                        std::to_wstring(failed.size()) + L" 项。\n备份文件：" + backup;
    if (!failed.empty()) text += L"\n\n未能删除：\n" + NameList(failed);
    if (outcome.result == ERROR_ACCESS_DENIED) text += std::wstring(L"\n") + kNoRights;
    return text;
}

}  // namespace

std::wstring BackupFileName(const std::wstring& folder, const SYSTEMTIME& time) {
    wchar_t name[64];
    std::swprintf(name, 64, L"Tolvane 清理备份 %04u-%02u-%02u %02u%02u%02u.reg", time.wYear,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    return folder + L"\\" + name;
}

bool CleanUpItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& missing,
                  UndoHistory* history) {
    if (missing.empty()) {
        ShowMessage(owner, kNothingToClean, kStyleInfo);
        return false;
    }
    if (ShowMessage(owner, Question(missing), kStyleQuestion) != kAnswerYes) return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring documents = DocumentsFolder();
    std::wstring backup = BackupFileName(documents, now);
    std::vector<EntryKey> keys;
    for (const AppPathEntry& entry : missing) keys.push_back(KeyOf(entry));
    // Nothing goes before all of it is saved: a registration that cannot be
    // read cannot be saved either.
    RemovalOutcome outcome;
    std::vector<EntryBackup> before;
    if (!documents.empty()) {
        before = ReadForUndo(history, keys);
        outcome = CleanUpRegistrations(stores.hives(), keys, backup);
    }
    if (documents.empty() || outcome.saved != ERROR_SUCCESS) {
        ShowMessage(owner, kBackupFailed, kStyleError);
        return false;
    }
    if (outcome.removed > 0) {
        stores.Changed(keys);
        RecordForUndo(history, L"清理无效项目（" + std::to_wstring(outcome.removed) + L" 项）",
                      kDeleteFailed, before);
    }
    std::vector<AppPathEntry> failed = NotDeleted(missing, outcome);
    ShowMessage(owner, Summary(backup, outcome, failed), failed.empty() ? kStyleInfo : kStyleError);
    return outcome.removed > 0;
}

}  // namespace tolvane
