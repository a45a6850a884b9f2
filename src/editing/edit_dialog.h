// frmEdit: the modal dialog that takes one registration's entry name and
// program path, for adding and for editing. It never touches the store: OK
// hands the values back through modUser, and the command acts on them.
#pragma once

#include <windows.h>

#include <string>

#include "store/app_path_entry.h"

namespace tolvane {

// Control identifiers. OK and Cancel carry the standard ones, so that the
// dialog manager presses them for Enter and Esc.
inline constexpr int kIdLabKey = 101;
inline constexpr int kIdTxtKey = 102;
inline constexpr int kIdLabApp = 103;
inline constexpr int kIdTxtApp = 104;
inline constexpr int kIdCmdBrowser = 105;
inline constexpr int kIdOptMachine = 106;
inline constexpr int kIdOptUser = 107;
inline constexpr int kIdLabPath = 108;
inline constexpr int kIdTxtPath = 109;
inline constexpr int kIdCmdPathAdd = 110;
inline constexpr int kIdLabScope = 111;
inline constexpr int kIdCmdOK = IDOK;
inline constexpr int kIdCmdCancel = IDCANCEL;

// Both text boxes take at most this many characters.
inline constexpr int kEditTextLimit = 256;

// Client area of the dialog, in twips, and the heights that the scope's row
// (its choice in an add, the hive shown in an edit) and the row of extra
// folders add under the path row; OK and Cancel move down by as much.
inline constexpr int kEditClientWidthTwips = 5745;
inline constexpr int kEditClientHeightTwips = 2775;
inline constexpr int kScopeRowTwips = 420;
inline constexpr int kPathRowTwips = 840;
// The extra folders may be a long list.
inline constexpr int kPathTextLimit = 32767;

// What a command sets before a show: everything else starts from the
// dialog's design at every show.
struct EditDlgSetup {
    std::wstring caption = {};
    std::wstring keyText = {};
    bool keyReadOnly = false;
    std::wstring appText = {};
    // An add chooses the scope ("所有用户" or "当前用户"), starting at |scope|;
    // an edit shows it on a line that cannot be changed.
    bool chooseScope = false;
    Scope scope = Scope::Machine;
    // The folders of the Path value.
    std::wstring pathText = {};
};

// Creates the dialog, shows it modally over |owner| and returns once it has
// been closed and destroyed. OK asks first whether to register a program
// file that is not there (default No, which goes back to the dialog). OK sets modUser::strKey,
// strApp, strPath, scope and lngResult (1); Cancel, Esc, the close box and Alt+F4 set lngResult
// to 2.
void ShowEditDlg(HWND owner, const EditDlgSetup& setup);

}  // namespace tolvane
