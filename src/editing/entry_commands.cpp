#include "editing/entry_commands.h"

#include "editing/edit_dialog.h"
#include "editing/entry_messages.h"
#include "editing/mod_user.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr wchar_t kAddCaption[] = L"添加项目";
constexpr wchar_t kEditCaption[] = L"编辑项目";

// The hive is named for the current user's registrations only, so that the
// question about the machine's stays as it always was.
std::wstring DeleteQuestion(const AppPathEntry& entry) {
    if (entry.scope == Scope::User) {
        return L"确定要删除项目 " + entry.name + L"（" + ScopeText(Scope::User) + L"）吗？";
    }
    return L"确定要删除项目 " + entry.name + L" 吗？";
}

std::wstring BothPlacesQuestion(const std::wstring& name, Scope holder) {
    return L"项目 " + name + L" 已登记在" + ScopeText(holder) + L"，是否两处都登记？";
}

std::wstring UserInsteadQuestion(const std::wstring& name) {
    return std::wstring(L"没有权限为") + ScopeText(Scope::Machine) + L"登记项目 " + name +
           L"，是否改为只为" + ScopeText(Scope::User) + L"登记？";
}

// A refusal for lack of rights names its cause; anything else keeps the
// command's own failure text.
void ReportFailure(HWND owner, LONG code, const wchar_t* failure) {
    ShowMessage(owner, code == ERROR_ACCESS_DENIED ? kNoRights : failure, kStyleError);
}

// Writes the Path value as typed, with the type that its text and the
// value's present type call for; empty text removes it. A value that is not
// text, which the dialog showed as empty, is left as it is.
LONG WriteFolders(HKEY entry, const std::wstring& folders, const TextValue& before) {
    if (folders.empty()) {
        if (before.state == ValueState::NotText || before.state == ValueState::Unreadable) {
            return ERROR_SUCCESS;
        }
        return AppPathStore::RemoveValue(entry, kPathValueName);
    }
    DWORD type = TypeForWrite(AppPathStore::ValueType(entry, kPathValueName), folders);
    return AppPathStore::SetTextValue(entry, kPathValueName, type, folders);
}

// Writes the new entry's values; on failure the subkey this add made goes
// again, and only that one.
LONG WriteNewEntry(HKEY entry, const std::wstring& name, const std::wstring& path,
                   const std::wstring& folders) {
    LONG result = onEntryCreated ? onEntryCreated(name) : ERROR_SUCCESS;
    if (result == ERROR_SUCCESS) return AppPathStore::FillNewEntry(entry, path, folders);
    AppPathStore::DeleteOpenEntry(entry);
    return result;
}

// The add itself, once the name, the path and the scope are known.
bool AddTo(HWND owner, AppPathStores& stores, Scope scope, const std::wstring& name,
           const std::wstring& path, const std::wstring& folders) {
    AppPathStore& store = stores.For(scope);
    if (store.HasEntry(name)) {
        ShowMessage(owner, ExistsMessage(name), kStyleError);
        return false;
    }
    Scope other = OtherScope(scope);
    if (stores.For(other).HasEntry(name) &&
        ShowMessage(owner, BothPlacesQuestion(name, other), kStyleQuestion) != kAnswerYes) {
        return false;
    }
    UniqueKey entry;
    bool created = false;
    LONG result = store.IsOpen() ? ERROR_SUCCESS : store.CreateAppPaths();
    if (result == ERROR_SUCCESS) result = store.CreateEntry(name, entry, created);
    if (result == ERROR_ACCESS_DENIED && scope == Scope::Machine) {
        if (ShowMessage(owner, UserInsteadQuestion(name), kStyleQuestion) != kAnswerYes) {
            return false;
        }
        return AddTo(owner, stores, Scope::User, name, path, folders);
    }
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kAddFailed);
        return false;
    }
    if (!created) {
        // Another program registered the name since the test: its entry
        // stays as it is.
        ShowMessage(owner, ExistsMessage(name), kStyleError);
        return false;
    }
    result = WriteNewEntry(entry.get(), name, path, folders);
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kAddFailed);
        return false;
    }
    ShowMessage(owner, kAdded, kStyleInfo);
    return true;
}

}  // namespace

bool AddItem(HWND owner, AppPathStores& stores) {
    modUser::strKey.clear();
    modUser::strApp.clear();
    modUser::strPath.clear();
    // For every user when the user may, else for the user alone.
    Scope offered = stores.machine.CanWrite() ? Scope::Machine : Scope::User;
    ShowEditDlg(owner, {kAddCaption, L"", false, L"", true, offered, L""});
    if (modUser::lngResult != modUser::kResultOK) return false;
    return AddTo(owner, stores, modUser::scope, modUser::strKey, modUser::strApp, modUser::strPath);
}

bool EditItem(HWND owner, const AppPathStore& store, const AppPathEntry& row) {
    // The entry's own name, not the dialog's: OK may have given it a suffix.
    const std::wstring name = row.name;
    modUser::strKey = name;
    modUser::strApp = ExportedPath(row);
    modUser::strPath = row.pathValue.state == ValueState::Text ? row.pathValue.raw : L"";
    ShowEditDlg(owner, {kEditCaption, modUser::strKey, true, modUser::strApp, false, row.scope,
                        modUser::strPath});
    if (modUser::lngResult != modUser::kResultOK) return false;

    // Only the program's path and the extra folders change; every other
    // value of the subkey stays as it is.
    UniqueKey entry;
    LONG result = store.OpenEntry(name, entry, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (result == ERROR_SUCCESS) {
        store.AnnounceChange();
        DWORD type = TypeForWrite(AppPathStore::DefaultType(entry.get()), modUser::strApp);
        result = AppPathStore::SetKeyValue(entry.get(), type, modUser::strApp);
    }
    if (result == ERROR_SUCCESS) {
        result = WriteFolders(entry.get(), modUser::strPath, row.pathValue);
    }
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kEditFailed);
        return false;
    }
    ShowMessage(owner, kEdited, kStyleInfo);
    return true;
}

std::wstring NamedInQuestion(const AppPathEntry& entry) {
    return entry.scope == Scope::User ? entry.name + L"（" + ScopeText(Scope::User) + L"）"
                                      : entry.name;
}

std::wstring NameList(const std::vector<AppPathEntry>& entries) {
    constexpr size_t kNamesShown = 20;
    std::wstring list;
    for (size_t i = 0; i < entries.size() && i < kNamesShown; ++i) {
        list += NamedInQuestion(entries[i]) + L"\n";
    }
    if (entries.size() > kNamesShown) list += L"等 " + std::to_wstring(entries.size()) + L" 项\n";
    return list;
}

bool DelItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries) {
    if (entries.empty()) return false;
    if (entries.size() == 1) return DelItem(owner, stores.For(entries[0].scope), entries[0]);
    std::wstring question = L"确定要删除以下 " + std::to_wstring(entries.size()) +
                            L" 个项目吗？\n\n" + NameList(entries);
    if (ShowMessage(owner, question, kStyleQuestion) != kAnswerYes) return false;
    std::vector<AppPathEntry> failed;
    bool refused = false;
    for (const AppPathEntry& entry : entries) {
        LONG result = stores.For(entry.scope).DeleteEntry(entry.name);
        if (result == ERROR_SUCCESS) continue;
        failed.push_back(entry);
        refused = refused || result == ERROR_ACCESS_DENIED;
    }
    if (failed.empty()) {
        ShowMessage(owner, kDeleted, kStyleInfo);
    } else {
        std::wstring report = L"以下项目删除失败：\n\n" + NameList(failed);
        if (refused) report += std::wstring(L"\n") + kNoRights;
        ShowMessage(owner, report, kStyleError);
    }
    return failed.size() < entries.size();
}

bool DelItem(HWND owner, const AppPathStore& store, const AppPathEntry& row) {
    if (ShowMessage(owner, DeleteQuestion(row), kStyleQuestion) != kAnswerYes) return false;
    LONG result = store.DeleteEntry(row.name);
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kDeleteFailed);
        return false;
    }
    ShowMessage(owner, kDeleted, kStyleInfo);
    return true;
}

}  // namespace tolvane
