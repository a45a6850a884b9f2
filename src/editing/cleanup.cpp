#include "editing/cleanup.h"

#include <shlobj.h>

#include <cwchar>

#include "editing/entry_commands.h"
#include "export/reg_export.h"
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

std::wstring Summary(const std::wstring& backup, size_t deleted,
                     const std::vector<AppPathEntry>& failed) {
    std::wstring text = L"已删除 " + std::to_wstring(deleted) + L" 项，失败 " +
                        std::to_wstring(failed.size()) + L" 项。\n备份文件：" + backup;
    if (!failed.empty()) text += L"\n\n未能删除：\n" + NameList(failed);
    return text;
}

}  // namespace

std::wstring BackupFileName(const std::wstring& folder, const SYSTEMTIME& time) {
    wchar_t name[64];
    std::swprintf(name, 64, L"Tolvane 清理备份 %04u-%02u-%02u %02u%02u%02u.reg", time.wYear,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
    return folder + L"\\" + name;
}

bool CleanUpItems(HWND owner, AppPathStores& stores, const std::vector<AppPathEntry>& missing) {
    if (missing.empty()) {
        ShowMessage(owner, kNothingToClean, kStyleInfo);
        return false;
    }
    if (ShowMessage(owner, Question(missing), kStyleQuestion) != kAnswerYes) return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring documents = DocumentsFolder();
    std::wstring backup = BackupFileName(documents, now);
    // Nothing goes before all of it is saved.
    if (documents.empty() || SaveRegistrations(stores, missing, backup) != ERROR_SUCCESS) {
        ShowMessage(owner, kBackupFailed, kStyleError);
        return false;
    }
    size_t deleted = 0;
    std::vector<AppPathEntry> failed;
    for (const AppPathEntry& entry : missing) {
        if (stores.For(entry.scope).DeleteEntry(entry.name) == ERROR_SUCCESS) {
            ++deleted;
        } else {
            failed.push_back(entry);
        }
    }
    ShowMessage(owner, Summary(backup, deleted, failed), failed.empty() ? kStyleInfo : kStyleError);
    return deleted > 0;
}

}  // namespace tolvane
