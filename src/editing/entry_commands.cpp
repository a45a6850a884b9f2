#include "editing/entry_commands.h"

#include "commands/registration_commands.h"
#include "editing/edit_dialog.h"
#include "editing/entry_messages.h"
#include "editing/mod_user.h"
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

// The add itself, once the name, the path and the scope are known.
bool AddTo(HWND owner, const AppPathStores& stores, const EntryKey& key, const NewValues& values,
           UndoHistory* history, EntryKey* added) {
    if (stores.For(key.scope).HasEntry(key.name)) {
        ShowMessage(owner, ExistsMessage(key.name), kStyleError);
        return false;
    }
    Scope other = OtherScope(key.scope);
    if (stores.For(other).HasEntry(key.name) &&
        ShowMessage(owner, BothPlacesQuestion(key.name, other), kStyleQuestion) != kAnswerYes) {
        return false;
    }
    std::vector<EntryBackup> before = ReadForUndo(history, {key});
    LONG result = AddRegistration(stores.hives(), key, values);
    if (result == ERROR_SUCCESS) {
        stores.Changed({key});
        RecordForUndo(history, L"添加项目 " + NamedInQuestion(TextEntry(key.name, L"", key.scope)),
                      kAddFailed, before);
        if (added) *added = key;
    }
    if (result == ERROR_ACCESS_DENIED && key.scope == Scope::Machine) {
        if (ShowMessage(owner, UserInsteadQuestion(key.name), kStyleQuestion) != kAnswerYes) {
            return false;
        }
        return AddTo(owner, stores, {Scope::User, key.name}, values, history, added);
    }
    if (result == ERROR_ALREADY_EXISTS) {
        // Another program registered the name since the test: its entry
        // stays as it is.
        ShowMessage(owner, ExistsMessage(key.name), kStyleError);
        return false;
    }
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kAddFailed);
        return false;
    }
    ShowMessage(owner, kAdded, kStyleInfo);
    return true;
}

bool DelItem(HWND owner, const AppPathStores& stores, const AppPathEntry& row,
             UndoHistory* history) {
    if (ShowMessage(owner, DeleteQuestion(row), kStyleQuestion) != kAnswerYes) return false;
    std::vector<EntryBackup> before = ReadForUndo(history, {KeyOf(row)});
    RemovalOutcome outcome = RemoveRegistrations(stores.hives(), {KeyOf(row)});
    if (outcome.result == ERROR_SUCCESS && outcome.missing.empty()) {
        stores.Changed({KeyOf(row)});
        RecordForUndo(history, L"删除项目 " + NamedInQuestion(row), kDeleteFailed, before);
        ShowMessage(owner, kDeleted, kStyleInfo);
        return true;
    }
    ReportFailure(owner, outcome.result, kDeleteFailed);
    return false;
}

std::vector<AppPathEntry> EntriesNamed(const std::vector<AppPathEntry>& entries,
                                       const std::vector<EntryKey>& keys) {
    std::vector<AppPathEntry> named;
    for (const AppPathEntry& entry : entries) {
        for (const EntryKey& key : keys) {
            if (Matches(entry, key)) named.push_back(entry);
        }
    }
    return named;
}

}  // namespace

bool AddItem(HWND owner, const AppPathStores& stores, UndoHistory* history, EntryKey* added,
             const std::wstring& name, const std::wstring& path) {
    modUser::strKey = name;
    modUser::strApp = path;
    modUser::strPath.clear();
    // For every user when the user may, else for the user alone.
    Scope offered = stores.machine.CanWrite() ? Scope::Machine : Scope::User;
    ShowEditDlg(owner, {kAddCaption, name, false, path, true, offered, L""});
    if (modUser::lngResult != modUser::kResultOK) return false;
    NewValues values{modUser::strApp, modUser::strPath, false};
    return AddTo(owner, stores, {modUser::scope, modUser::strKey}, values, history, added);
}

bool EditItem(HWND owner, const AppPathStores& stores, const AppPathEntry& row,
              UndoHistory* history) {
    modUser::strKey = row.name;
    modUser::strApp = ExportedPath(row);
    modUser::strPath = row.pathValue.state == ValueState::Text ? row.pathValue.raw : L"";
    ShowEditDlg(owner, {kEditCaption, modUser::strKey, true, modUser::strApp, false, row.scope,
                        modUser::strPath});
    if (modUser::lngResult != modUser::kResultOK) return false;

    // Only the program's path and the extra folders change; every other
    // value of the subkey stays as it is. A Path value that is not text,
    // which the dialog showed as empty, stays too unless folders are typed.
    NewValues values{modUser::strApp, modUser::strPath, false};
    bool notText =
        row.pathValue.state == ValueState::NotText || row.pathValue.state == ValueState::Unreadable;
    if (notText && modUser::strPath.empty()) values.folders.reset();
    // The entry's own name, not the dialog's: OK may have given it a suffix.
    std::vector<EntryBackup> before = ReadForUndo(history, {KeyOf(row)});
    LONG result = EditRegistration(stores.hives(), KeyOf(row), values);
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kEditFailed);
        return false;
    }
    stores.Changed({KeyOf(row)});
    RecordForUndo(history, L"编辑项目 " + NamedInQuestion(row), kEditFailed, before);
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

bool DelItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries,
              UndoHistory* history) {
    if (entries.empty()) return false;
    if (entries.size() == 1) return DelItem(owner, stores, entries[0], history);
    std::wstring question = L"确定要删除以下 " + std::to_wstring(entries.size()) +
                            L" 个项目吗？\n\n" + NameList(entries);
    if (ShowMessage(owner, question, kStyleQuestion) != kAnswerYes) return false;
    std::vector<EntryKey> keys;
    for (const AppPathEntry& entry : entries) keys.push_back(KeyOf(entry));
    std::vector<EntryBackup> before = ReadForUndo(history, keys);
    RemovalOutcome outcome = RemoveRegistrations(stores.hives(), keys);
    if (outcome.result != ERROR_SUCCESS) {
        // A write that failed midway names no one registration.
        std::vector<AppPathEntry> refused = EntriesNamed(entries, {outcome.failed});
        std::wstring report = L"以下项目无法删除，没有删除任何项目：\n\n" +
                              NameList(refused.empty() ? entries : refused);
        if (outcome.result == ERROR_ACCESS_DENIED) report += std::wstring(L"\n") + kNoRights;
        ShowMessage(owner, report, kStyleError);
        return false;
    }
    stores.Changed(keys);
    if (outcome.removed > 0) {
        RecordForUndo(history, L"删除 " + std::to_wstring(outcome.removed) + L" 个项目",
                      kDeleteFailed, before);
    }
    if (outcome.missing.empty()) {
        ShowMessage(owner, kDeleted, kStyleInfo);
    } else {
        ShowMessage(owner,
                    L"以下项目删除失败：\n\n" + NameList(EntriesNamed(entries, outcome.missing)),
                    kStyleError);
    }
    return outcome.removed > 0;
}

std::vector<EntryBackup> ReadForUndo(UndoHistory* history, const std::vector<EntryKey>& keys) {
    std::vector<EntryBackup> before;
    if (history) history->ReadBefore(keys, before);
    return before;
}

void RecordForUndo(UndoHistory* history, std::wstring what, const wchar_t* failure,
                   const std::vector<EntryBackup>& before) {
    if (history) history->Record(std::move(what), failure, before);
}

bool UndoLastChange(HWND owner, const AppPathStores& stores, UndoHistory& history,
                    std::wstring& undone) {
    const RecordedChange* last = history.Last();
    if (!last) return false;
    const std::wstring what = last->what;
    const std::wstring failure = last->failure;
    std::vector<EntryKey> keys;
    for (const RecordedEntry& entry : last->entries) keys.push_back(entry.key);
    UndoCheck check = history.CheckLast();
    if (check.result != ERROR_SUCCESS) {
        ReportFailure(owner, check.result, failure.c_str());
        return false;
    }
    if (check.changedSince) {
        AppPathEntry changed = TextEntry(check.changedSince->name, L"", check.changedSince->scope);
        std::wstring question =
            L"项目 " + NamedInQuestion(changed) + L" 已被其他程序修改，仍要撤销吗？";
        if (ShowMessage(owner, question, kStyleQuestion | MB_DEFBUTTON2) != kAnswerYes) {
            return false;
        }
    }
    LONG result = history.UndoLast();
    if (result != ERROR_SUCCESS) {
        std::wstring report = result == ERROR_ACCESS_DENIED ? kNoRights : failure;
        if (history.restoreResult() != ERROR_SUCCESS) {
            report += L"\n未能把已改动的项目全部恢复原样（" + SystemText(history.restoreResult()) +
                      L"）。";
        }
        ShowMessage(owner, report, kStyleError);
        // Whatever was put back in part is listed as it is.
        if (history.restoreResult() != ERROR_SUCCESS) stores.Changed(keys);
        return history.restoreResult() != ERROR_SUCCESS;
    }
    stores.Changed(keys);
    undone = what;
    return true;
}

}  // namespace tolvane
