#include "editing/entry_commands.h"

#include "editing/edit_dialog.h"
#include "editing/mod_user.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr wchar_t kAddCaption[] = L"添加项目";
constexpr wchar_t kEditCaption[] = L"编辑项目";
constexpr wchar_t kAddFailed[] = L"项目添加失败！";
constexpr wchar_t kAdded[] = L"项目添加成功！";
constexpr wchar_t kEditFailed[] = L"编辑项目失败！";
constexpr wchar_t kEdited[] = L"项目编辑成功！";
constexpr wchar_t kDeleted[] = L"删除成功！";
constexpr wchar_t kDeleteFailed[] = L"删除失败！";
constexpr wchar_t kNoRights[] = L"没有权限修改该项目，请以管理员身份运行本程序。";

std::wstring ExistsMessage(const std::wstring& name) {
    return L"项目 " + name + L" 已存在！";
}

std::wstring DeleteQuestion(const std::wstring& name) {
    return L"确定要删除项目 " + name + L" 吗？";
}

// A refusal for lack of rights names its cause; anything else keeps the
// command's own failure text.
void ReportFailure(HWND owner, LONG code, const wchar_t* failure) {
    ShowMessage(owner, code == ERROR_ACCESS_DENIED ? kNoRights : failure, kStyleError);
}

// A subkey that denies reading is there all the same.
bool EntryExists(const AppPathStore& store, const std::wstring& name) {
    UniqueKey entry;
    LONG result = store.OpenEntry(name, entry);
    return result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED;
}

// Writes the new entry's path; on failure the subkey this add made goes
// again, and only that one.
LONG WriteNewEntry(HKEY entry, const std::wstring& name, const std::wstring& path) {
    LONG result = onEntryCreated ? onEntryCreated(name) : ERROR_SUCCESS;
    if (result == ERROR_SUCCESS) {
        result = AppPathStore::SetKeyValue(entry, TypeForWrite(REG_NONE, path), path);
    }
    if (result != ERROR_SUCCESS) AppPathStore::DeleteOpenEntry(entry);
    return result;
}

}  // namespace

bool AddItem(HWND owner, const AppPathStore& store) {
    modUser::strKey.clear();
    modUser::strApp.clear();
    ShowEditDlg(owner, {kAddCaption, L"", false, L""});
    if (modUser::lngResult != modUser::kResultOK) return false;

    const std::wstring name = modUser::strKey;
    if (EntryExists(store, name)) {
        ShowMessage(owner, ExistsMessage(name), kStyleError);
        return false;
    }
    UniqueKey entry;
    bool created = false;
    LONG result = store.CreateEntry(name, entry, created);
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
    result = WriteNewEntry(entry.get(), name, modUser::strApp);
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kAddFailed);
        return false;
    }
    ShowMessage(owner, kAdded, kStyleInfo);
    return true;
}

bool EditItem(HWND owner, const AppPathStore& store, const AppPathEntry& row) {
    // The entry's own name, not the dialog's: OK may have given it a suffix.
    const std::wstring name = row.name;
    modUser::strKey = name;
    modUser::strApp = ExportedPath(row);
    ShowEditDlg(owner, {kEditCaption, modUser::strKey, true, modUser::strApp});
    if (modUser::lngResult != modUser::kResultOK) return false;

    UniqueKey entry;
    LONG result = store.OpenEntry(name, entry, KEY_QUERY_VALUE | KEY_SET_VALUE);
    if (result == ERROR_SUCCESS) {
        DWORD type = TypeForWrite(AppPathStore::DefaultType(entry.get()), modUser::strApp);
        result = AppPathStore::SetKeyValue(entry.get(), type, modUser::strApp);
    }
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kEditFailed);
        return false;
    }
    ShowMessage(owner, kEdited, kStyleInfo);
    return true;
}

bool DelItem(HWND owner, const AppPathStore& store, const AppPathEntry& row) {
    if (ShowMessage(owner, DeleteQuestion(row.name), kStyleQuestion) != kAnswerYes) return false;
    LONG result = store.DeleteEntry(row.name);
    if (result != ERROR_SUCCESS) {
        ReportFailure(owner, result, kDeleteFailed);
        return false;
    }
    ShowMessage(owner, kDeleted, kStyleInfo);
    return true;
}

}  // namespace tolvane
