#include "editing/entry_commands.h"

#include "editing/edit_dialog.h"
#include "editing/mod_user.h"
#include "main_window/main_window.h"
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

std::wstring ExistsMessage(const std::wstring& name) {
    return L"项目 " + name + L" 已存在！";
}

std::wstring DeleteQuestion(const std::wstring& name) {
    return L"确定要删除项目 " + name + L" 吗？";
}

// The name of the selected row, as the store holds it; false when no row is
// selected.
bool SelectedName(const FrmMain& form, std::wstring& name) {
    int index = ListSelectedIndex(form.lvwMain);
    if (index < 0) return false;
    name = ListItemText(form.lvwMain, index);
    return true;
}

std::wstring SelectedPath(const FrmMain& form) {
    return ListItemText(form.lvwMain, ListSelectedIndex(form.lvwMain), 1);
}

bool WritePath(FrmMain& form, const std::wstring& name, const std::wstring& path) {
    return form.store.SetKeyValue(form.store.hAppPaths(), name, path);
}

// The existence test of an add: an open handle is released at once.
bool EntryExists(FrmMain& form, const std::wstring& name) {
    HKEY handle = nullptr;
    if (form.store.OpenEntry(name, handle) != ERROR_SUCCESS) return false;
    UniqueKey entry(handle);
    form.store.CloseEntry(entry.release());
    return true;
}

}  // namespace

void AddItem(FrmMain& form) {
    modUser::strKey.clear();
    modUser::strApp.clear();
    ShowEditDlg(form.hwnd, {kAddCaption, L"", false, L""});
    if (modUser::lngResult != modUser::kResultOK) return;

    const std::wstring name = modUser::strKey;
    if (EntryExists(form, name)) {
        ShowMessage(form.hwnd, ExistsMessage(name), kStyleError);
        return;
    }
    HKEY handle = nullptr;
    if (form.store.CreateEntry(name, handle) != ERROR_SUCCESS) {
        ShowMessage(form.hwnd, kAddFailed, kStyleError);
        return;
    }
    UniqueKey entry(handle);
    if (onEntryCreated) onEntryCreated(name);
    if (!WritePath(form, name, modUser::strApp)) {
        // A subkey without its path would start nothing: take it away again.
        form.store.CloseEntry(entry.release());
        form.store.DeleteEntry(name);
        ShowMessage(form.hwnd, kAddFailed, kStyleError);
        return;
    }
    ShowMessage(form.hwnd, kAdded, kStyleInfo);
    RefreshList(form);
    form.store.CloseEntry(entry.release());
}

void EditItem(FrmMain& form) {
    std::wstring name;
    if (!SelectedName(form, name)) return;
    modUser::strKey = name;
    modUser::strApp = SelectedPath(form);
    ShowEditDlg(form.hwnd, {kEditCaption, modUser::strKey, true, modUser::strApp});
    if (modUser::lngResult != modUser::kResultOK) return;

    // The dialog may have given strKey a suffix; the row holds the name as
    // the store has it.
    if (!SelectedName(form, name)) return;
    HKEY handle = nullptr;
    if (form.store.OpenEntry(name, handle) != ERROR_SUCCESS) {
        ShowMessage(form.hwnd, kEditFailed, kStyleError);
        return;
    }
    UniqueKey entry(handle);
    if (!WritePath(form, name, modUser::strApp)) {
        form.store.CloseEntry(entry.release());
        ShowMessage(form.hwnd, kEditFailed, kStyleError);
        return;
    }
    ShowMessage(form.hwnd, kEdited, kStyleInfo);
    RefreshList(form);
    form.store.CloseEntry(entry.release());
}

void DelItem(FrmMain& form) {
    std::wstring name;
    if (!SelectedName(form, name)) return;
    if (ShowMessage(form.hwnd, DeleteQuestion(name), kStyleQuestion) != kAnswerYes) return;
    if (!SelectedName(form, name)) return;
    if (form.store.DeleteEntry(name) != ERROR_SUCCESS) {
        ShowMessage(form.hwnd, kDeleteFailed, kStyleError);
        return;
    }
    ShowMessage(form.hwnd, kDeleted, kStyleInfo);
    RefreshList(form);
}

}  // namespace tolvane
