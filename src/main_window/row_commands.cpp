// What the user does with rows: the entry commands of the menus, the
// toolbar and the keys, the rows' context menu, running a registration,
// opening its program's folder and copying its name or path.
#include "main_window/main_window.h"

#include <shellapi.h>

#include <algorithm>
#include <optional>

#include "about/quick_reference.h"
#include "editing/cleanup.h"
#include "editing/entry_commands.h"
#include "editing/import_items.h"
#include "export/export_commands.h"
#include "export/reg_file.h"
#include "main_window/window_parts.h"
#include "resource.h"
#include "toolkit/file_scope.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

bool ShellRun(HWND owner, const wchar_t* file, const std::wstring& parameters) {
    SHELLEXECUTEINFOW run{};
    run.cbSize = sizeof(run);
    run.fMask = SEE_MASK_FLAG_NO_UI;
    run.hwnd = owner;
    run.lpFile = file;
    run.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
    run.nShow = SW_SHOWNORMAL;
    return ShellExecuteExW(&run) != FALSE;
}

std::wstring JoinedLines(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += (text.empty() ? L"" : L"\r\n") + line;
    return text;
}

constexpr wchar_t kRegeditSettings[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

// The top of the registry editor's tree, in the language it speaks: the key
// that it opens at must begin with it.
std::wstring RegeditRoot() {
    LANGID language = GetUserDefaultUILanguage();
    bool simplifiedChinese = PRIMARYLANGID(language) == LANG_CHINESE &&
                             (SUBLANGID(language) == SUBLANG_CHINESE_SIMPLIFIED ||
                              SUBLANGID(language) == SUBLANG_CHINESE_SINGAPORE);
    return simplifiedChinese ? L"计算机" : L"Computer";
}

// The registry editor opens at the key that it last showed.
bool SetRegeditLastKey(const std::wstring& path) {
    UniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRegeditSettings, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    return RegSetValueExW(key.get(), L"LastKey", 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(path.c_str()),
                          static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void AppendMenuItem(HMENU menu, UINT id, const wchar_t* text) {
    AppendMenuW(menu, MF_STRING, id, text);
}

// The exports write the rows that the list shows, as the registry holds
// them.
std::vector<AppPathEntry> ShownEntries(FrmMain& form) {
    FinishListing(form);
    std::vector<AppPathEntry> shown;
    for (size_t row : form.list.view()) shown.push_back(form.list.rows()[row].entry);
    return shown;
}

// The row that takes the place of the first selected one when the selected
// rows go: the next one shown that is not selected, else the nearest above.
std::optional<EntryKey> RowInPlaceOfSelected(const FrmMain& form) {
    std::vector<size_t> selected = form.list.SelectedShown();
    if (selected.empty()) return std::nullopt;
    std::vector<bool> going(form.list.view().size(), false);
    for (size_t shown : selected) going[shown] = true;
    size_t first = *std::min_element(selected.begin(), selected.end());
    for (size_t shown = first + 1; shown < going.size(); ++shown) {
        if (!going[shown]) return KeyOf(form.list.EntryShown(shown));
    }
    for (size_t shown = first; shown-- > 0;) {
        if (!going[shown]) return KeyOf(form.list.EntryShown(shown));
    }
    return std::nullopt;
}

// Undo is offered while there is a change to take back.
void ShowUndoState(FrmMain& form) {
    EnableMenuItem(GetMenu(form.hwnd), IDM_OPR_UNDO,
                   MF_BYCOMMAND | (form.undo.empty() ? MF_GRAYED : MF_ENABLED));
}

// After a change that the window made: the registrations are listed again,
// with |selected| selected, focused and in view when given.
void ListChanged(FrmMain& form, std::optional<EntryKey> selected = std::nullopt) {
    form.undoneNote.clear();
    ShowUndoState(form);
    if (selected) {
        // Selected by who it is; the list view's selection is the old rows'.
        form.list.SelectKeys({*selected}, *selected);
        form.selectionShown = false;
        form.revealFocus = true;
    }
    RefreshList(form);
}

}  // namespace

void mnuFileHTML_Click(FrmMain& form) {
    ExportHtml(form.hwnd, ShownEntries(form));
}

void mnuFileXML_Click(FrmMain& form) {
    ExportXml(form.hwnd, ShownEntries(form));
}

void mnuFileReg_Click(FrmMain& form) {
    ExportReg(form.hwnd, form.stores, ShownEntries(form));
}

// The rows whose checks have found no program file; rows still being
// checked are not among them.
void mnuOprClean_Click(FrmMain& form) {
    FinishListing(form);
    std::vector<AppPathEntry> missing;
    for (size_t row = 0; row < form.list.rows().size(); ++row) {
        if (form.list.TargetMissing(row)) missing.push_back(form.list.rows()[row].entry);
    }
    if (CleanUpItems(form.hwnd, form.stores, missing, &form.undo)) ListChanged(form);
}

void AddProgram(FrmMain& form, const std::wstring& name, const std::wstring& path) {
    EntryKey added;
    if (AddItem(form.hwnd, form.stores, &form.undo, &added, name, path)) {
        ListChanged(form, added);
    }
}

void mnuOprAdd_Click(FrmMain& form) {
    AddProgram(form, {}, {});
}

// The edited row stays selected: the selection is kept by registration.
void mnuOprEdit_Click(FrmMain& form) {
    SyncSelection(form);
    std::optional<AppPathEntry> entry = form.list.SelectedCopy();
    if (entry && EditItem(form.hwnd, form.stores, *entry, &form.undo)) ListChanged(form);
}

void mnuOprDel_Click(FrmMain& form) {
    SyncSelection(form);
    std::optional<EntryKey> next = RowInPlaceOfSelected(form);
    if (DelItems(form.hwnd, form.stores, form.list.SelectedCopies(), &form.undo)) {
        ListChanged(form, next);
    }
}

void mnuFileImport_Click(FrmMain& form) {
    if (ImportItems(form.hwnd, form.stores, &form.undo)) ListChanged(form);
}

void mnuOprUndo_Click(FrmMain& form) {
    std::wstring undone;
    bool changed = UndoLastChange(form.hwnd, form.stores, form.undo, undone);
    ShowUndoState(form);
    if (!changed) return;
    form.undoneNote = undone;
    RefreshList(form);
}

void SelectAllRows(FrmMain& form) {
    LVITEMW item{};
    item.state = LVIS_SELECTED;
    item.stateMask = LVIS_SELECTED;
    // Row -1: every row at once.
    SendMessageW(form.lvwMain, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&item));
    SyncSelection(form);
}

// As the Run dialog would: the shell finds the program by the name. The
// entry is a copy: the shell may answer messages, and a refresh among them
// would replace the rows.
void RunSelected(FrmMain& form) {
    SyncSelection(form);
    std::optional<AppPathEntry> entry = form.list.SelectedCopy();
    if (!entry) return;
    FileScope scope;
    if (!ShellRun(form.hwnd, entry->name.c_str(), L"")) {
        ShowMessage(form.hwnd, L"无法运行项目 " + entry->name + L"！", kStyleError);
    }
}

void OpenSelectedLocation(FrmMain& form) {
    SyncSelection(form);
    std::optional<AppPathEntry> entry = form.list.SelectedCopy();
    if (!entry) return;
    FileScope scope;
    std::wstring file = ProgramPath(*entry);
    DWORD attributes = file.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ShowMessage(form.hwnd, L"找不到程序文件：" + ShownPath(*entry), kStyleError);
        return;
    }
    ShellRun(form.hwnd, L"explorer.exe", L"/select,\"" + file + L"\"");
}

// A copy of the entry, as for "运行". The editor that is open already shows
// its own key: Windows starts no second one.
void OpenSelectedInRegedit(FrmMain& form) {
    SyncSelection(form);
    std::optional<AppPathEntry> entry = form.list.SelectedCopy();
    if (!entry) return;
    if (!SetRegeditLastKey(RegeditRoot() + L"\\" + RegKeyName(entry->scope, entry->name))) {
        ShowMessage(form.hwnd, L"无法设置注册表编辑器要打开的位置！", kStyleError);
        return;
    }
    if (!ShellRun(form.hwnd, L"regedit.exe", L"")) {
        ShowMessage(form.hwnd, L"无法启动注册表编辑器！", kStyleError);
    }
}

void CopySelectedNames(FrmMain& form) {
    std::vector<std::wstring> names;
    for (const AppPathEntry* entry : SelectedEntries(form)) names.push_back(entry->name);
    if (!names.empty()) CopyToClipboard(form.hwnd, JoinedLines(names));
}

void CopySelectedPaths(FrmMain& form) {
    std::vector<std::wstring> paths;
    for (const AppPathEntry* entry : SelectedEntries(form)) paths.push_back(ExportedPath(*entry));
    if (!paths.empty()) CopyToClipboard(form.hwnd, JoinedLines(paths));
}

// At |at| in screen coordinates; (-1, -1) when it comes from the keyboard,
// then under the focused row.
void lvwMain_ContextMenu(FrmMain& form, POINT at) {
    if (SelectedEntries(form).empty()) return;
    if (at.x == -1 && at.y == -1) {
        int row = FocusedRow(form);
        RECT rect{LVIR_LABEL, 0, 0, 0};
        if (row < 0 ||
            !SendMessageW(form.lvwMain, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect))) {
            GetClientRect(form.lvwMain, &rect);
        }
        at = {rect.left, rect.bottom};
        ClientToScreen(form.lvwMain, &at);
    }
    UniqueMenu menu(CreatePopupMenu());
    AppendMenuItem(menu.get(), IDM_OPR_EDIT, L"编辑(&E)");
    AppendMenuItem(menu.get(), IDM_OPR_DEL, L"删除(&D)");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuItem(menu.get(), IDM_ROW_RUN, L"运行(&R)");
    AppendMenuItem(menu.get(), IDM_ROW_OPEN, L"打开文件位置(&O)");
    AppendMenuItem(menu.get(), IDM_ROW_REGEDIT, L"在注册表编辑器中打开(&G)");
    AppendMenuItem(menu.get(), IDM_ROW_COPY_NAME, L"复制名称(&N)");
    AppendMenuItem(menu.get(), IDM_ROW_COPY_PATH, L"复制路径(&P)");
    UINT chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0,
                                 form.hwnd, nullptr);
    if (chosen) PostMessageW(form.hwnd, WM_COMMAND, chosen, 0);
}

bool OnWindowKey(FrmMain& form, WORD key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    if (key == VK_F5) {
        RefreshList(form);
    } else if (key == VK_F1) {
        ShowQuickReference(form.hwnd);
    } else if (control && key == 'N') {
        mnuOprAdd_Click(form);
    } else if (control && key == 'F') {
        SetFocus(form.txtFilter);
        SendMessageW(form.txtFilter, EM_SETSEL, 0, -1);
    } else {
        return false;
    }
    return true;
}

bool OnListKey(FrmMain& form, WORD key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    if (key == VK_DELETE) {
        mnuOprDel_Click(form);
    } else if (key == VK_INSERT) {
        mnuOprAdd_Click(form);
    } else if (control && key == 'C') {
        CopySelectedPaths(form);
    } else if (control && key == 'A') {
        SelectAllRows(form);
    } else if (control && key == 'Z') {
        mnuOprUndo_Click(form);
    } else {
        return OnWindowKey(form, key);
    }
    return true;
}

}  // namespace tolvane
