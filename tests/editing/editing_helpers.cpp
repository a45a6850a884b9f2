#include "editing_helpers.h"

#include <commctrl.h>
#include <dlgs.h>

#include "editing/edit_dialog.h"
#include "support/registry.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane::testing {

bool IsEditDialog(HWND dialog) {
    HWND key = GetDlgItem(dialog, kIdTxtKey);
    return key && ClassOf(key) == L"Edit" && GetDlgItem(dialog, kIdCmdBrowser);
}

bool IsOpenDialog(HWND dialog) {
    return WindowText(dialog) == L"选择应用程序" && GetDlgItem(dialog, cmb13);
}

EditDialogSeen ReadEditDialog(HWND dialog) {
    EditDialogSeen seen;
    seen.shown = true;
    seen.dialog = dialog;
    seen.caption = WindowText(dialog);
    seen.key = ControlText(dialog, kIdTxtKey);
    seen.app = ControlText(dialog, kIdTxtApp);
    seen.keyReadOnly =
        (GetWindowLongW(GetDlgItem(dialog, kIdTxtKey), GWL_STYLE) & ES_READONLY) != 0;
    seen.focusId = GetDlgCtrlID(GetFocus());
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.choosesScope = GetDlgItem(dialog, kIdOptUser) != nullptr;
    seen.scope =
        IsDlgButtonChecked(dialog, kIdOptUser) == BST_CHECKED ? Scope::User : Scope::Machine;
    return seen;
}

DialogStep OnEditDialog(std::function<void(HWND)> act) {
    return {IsEditDialog, std::move(act)};
}

DialogStep FillEditDialog(std::optional<std::wstring> key, const std::wstring& app, int button,
                          EditDialogSeen* seen) {
    return OnEditDialog([key, app, button, seen](HWND dialog) {
        if (seen) *seen = ReadEditDialog(dialog);
        if (key) SetControlText(dialog, kIdTxtKey, *key);
        SetControlText(dialog, kIdTxtApp, app);
        PressButton(dialog, button);
    });
}

DialogStep When(std::function<bool(HWND)> condition, std::function<void(HWND)> act) {
    return {std::move(condition), std::move(act)};
}

DialogStep AnyDialog(bool* seen) {
    return {[](HWND) { return true; },
            [seen](HWND dialog) {
                *seen = true;
                PostMessageW(dialog, WM_COMMAND, IsMessageBox(dialog) ? IDOK : IDCANCEL, 0);
            }};
}

void PostKey(HWND dialog, UINT virtualKey) {
    HWND focus = GetFocus();
    UINT scan = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
    PostMessageW(focus ? focus : dialog, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
}

void PostAltChar(HWND dialog, wchar_t letter) {
    HWND focus = GetFocus();
    PostMessageW(focus ? focus : dialog, WM_SYSCHAR, letter, 1 | (KF_ALTDOWN << 16));
}

void PostAltF4(HWND dialog) {
    HWND focus = GetFocus();
    UINT scan = MapVirtualKeyW(VK_F4, MAPVK_VK_TO_VSC);
    PostMessageW(focus ? focus : dialog, WM_SYSKEYDOWN, VK_F4, 1 | ((scan | KF_ALTDOWN) << 16));
}

bool SelectRow(HWND list, const std::wstring& name) {
    for (int i = 0; i < ListCount(list); ++i) {
        if (ListItemText(list, i) != name) continue;
        ListSelect(list, i);
        return true;
    }
    return false;
}

void ClearSelection(HWND list) {
    ListSelect(list, -1);
}

HANDLE NextHandleValue() {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(event);
    return event;
}

}  // namespace tolvane::testing
