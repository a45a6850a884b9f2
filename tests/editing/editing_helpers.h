// Answering the edit dialog and reading what it showed, for the editing
// tests.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "store/app_path_entry.h"
#include "support/dialogs.h"

namespace tolvane::testing {

// What the edit dialog showed when a step met it.
struct EditDialogSeen {
    bool shown = false;
    HWND dialog = nullptr;
    std::wstring caption;
    std::wstring key;
    std::wstring app;
    bool keyReadOnly = false;
    int focusId = 0;  // the control that had the focus
    HWND owner = nullptr;
    bool choosesScope = false;
    Scope scope = Scope::Machine;  // the option checked, when there is a choice
};

bool IsEditDialog(HWND dialog);
// The open dialog of the browse button.
bool IsOpenDialog(HWND dialog);
EditDialogSeen ReadEditDialog(HWND dialog);

// A step for the edit dialog.
DialogStep OnEditDialog(std::function<void(HWND)> act);
// Reads the dialog, puts |key| (when given) and |app| into it, then presses
// |button|.
DialogStep FillEditDialog(std::optional<std::wstring> key, const std::wstring& app, int button,
                          EditDialogSeen* seen = nullptr);
// A step that waits until |condition| holds for the active dialog.
DialogStep When(std::function<bool(HWND)> condition, std::function<void(HWND)> act);
// A step that takes any dialog and cancels it: for commands that should show
// none.
DialogStep AnyDialog(bool* seen);

// A key as the keyboard would deliver it to the focused control, through the
// dialog's own message loop.
void PostKey(HWND dialog, UINT virtualKey);
// Alt with a letter (the access keys) and Alt+F4.
void PostAltChar(HWND dialog, wchar_t letter);
void PostAltF4(HWND dialog);

// Selects the list row named |name|; false when there is none.
bool SelectRow(HWND list, const std::wstring& name);
void ClearSelection(HWND list);

// The value that the next kernel handle of this process would get. Handles
// are handed out lowest free first, so a handle left open by a command shows
// as a change.
HANDLE NextHandleValue();

}  // namespace tolvane::testing
