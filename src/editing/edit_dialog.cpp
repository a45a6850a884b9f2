#include "editing/edit_dialog.h"

#include <exception>
#include <optional>
#include <vector>

#include "common_dialog/comm_dlg.h"
#include "editing/entry_messages.h"
#include "editing/mod_user.h"
#include "health/health.h"
#include "store/app_path_entry.h"
#include "toolkit/designed_dialog.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr wchar_t kIncompleteMessage[] = L"内容必须填写完整！";
constexpr wchar_t kBrowseTitle[] = L"选择应用程序";
constexpr wchar_t kBrowseFilter[] = L"应用程序(*.exe;*.com;*.bat)|*.exe;*.com;*.bat";
// OFN_READONLY | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_LONGNAMES
constexpr int32_t kBrowseFlags = 2625541;
constexpr int16_t kActionOpen = 1;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kTextBox = kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;

// Each label comes just before its text box, so that the label's access
// key moves the focus to that box. The tab order follows the eye: these
// rows, the scope's row, the extra folders, then OK and Cancel.
constexpr ControlDesign kDesign[] = {
    {kIdLabKey, L"STATIC", L"项目名称(&N)", kChild | SS_LEFT, 0, 240, 240, 990, 180},
    {kIdTxtKey, L"EDIT", L"", kTextBox, WS_EX_CLIENTEDGE, 240, 480, 5295, 375},
    {kIdLabApp, L"STATIC", L"程序路径(&A)", kChild | SS_LEFT, 0, 240, 1080, 990, 180},
    {kIdTxtApp, L"EDIT", L"", kTextBox, WS_EX_CLIENTEDGE, 240, 1320, 4575, 375},
    {kIdCmdBrowser, L"BUTTON", L"浏览", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4920, 1320, 615,
     375},
    {kIdCmdOK, L"BUTTON", L"确定(&O)", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 1425, 2040, 1215,
     495},
    {kIdCmdCancel, L"BUTTON", L"取消(&C)", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 3105, 2040, 1215,
     495},
};

// The scope's row, under the path row: its choice in an add; in an edit,
// the hive on a line of its own.
constexpr ControlDesign kScopeDesign[] = {
    {kIdOptMachine, L"BUTTON", L"所有用户", kChild | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0,
     240, 1800, 1500, 300},
    {kIdOptUser, L"BUTTON", L"当前用户", kChild | BS_AUTORADIOBUTTON, 0, 1860, 1800, 1500, 300},
};
constexpr ControlDesign kHiveDesign = {
    kIdLabScope, L"STATIC", L"", kChild | SS_LEFT | SS_NOPREFIX, 0, 240, 1860, 3120, 180};

constexpr wchar_t kFolderTitle[] = L"选择要添加的文件夹";

// The row of extra folders, under the path row and the choice of scope,
// placed at |top| twips.
std::vector<ControlDesign> PathRowDesign(int top) {
    return {
        {kIdLabPath, L"STATIC", L"附加路径(&P)", kChild | SS_LEFT, 0, 240, top + 225, 990, 180},
        {kIdTxtPath, L"EDIT", L"", kTextBox, WS_EX_CLIENTEDGE, 240, top + 465, 4575, 375},
        {kIdCmdPathAdd, L"BUTTON", L"添加", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4920, top + 465,
         615, 375},
    };
}

// The bottom of the path row, in twips: where the added rows begin.
constexpr int kPathRowBottom = 1695;

// The rows that an add or an edit has beyond the design, in twips.
constexpr int kExtraHeight = kScopeRowTwips + kPathRowTwips;

bool IsButtonRow(const ControlDesign& design) {
    return design.id == kIdCmdOK || design.id == kIdCmdCancel;
}

void CreateScopeRow(HWND dlg, const EditDlgSetup& setup, UINT dpi) {
    if (setup.chooseScope) {
        for (const ControlDesign& design : kScopeDesign) CreateDesignedControl(dlg, design, dpi);
        CheckRadioButton(dlg, kIdOptMachine, kIdOptUser,
                         setup.scope == Scope::User ? kIdOptUser : kIdOptMachine);
        return;
    }
    CreateDesignedControl(dlg, kHiveDesign, dpi);
    std::wstring hive = std::wstring(L"范围：") + ScopeText(setup.scope);
    SetDlgItemTextW(dlg, kIdLabScope, hive.c_str());
}

// The design's rows, the scope's and the folders' rows under them, and OK
// and Cancel moved down by as much, in tab order.
void CreateControls(HWND dlg, const EditDlgSetup& setup, UINT dpi) {
    for (const ControlDesign& design : kDesign) {
        if (!IsButtonRow(design)) CreateDesignedControl(dlg, design, dpi);
    }
    CreateScopeRow(dlg, setup, dpi);
    for (const ControlDesign& design : PathRowDesign(kPathRowBottom + kScopeRowTwips)) {
        CreateDesignedControl(dlg, design, dpi);
    }
    for (ControlDesign design : kDesign) {
        if (!IsButtonRow(design)) continue;
        design.top += kExtraHeight;
        CreateDesignedControl(dlg, design, dpi);
    }
    SendDlgItemMessageW(dlg, kIdTxtKey, EM_LIMITTEXT, kEditTextLimit, 0);
    SendDlgItemMessageW(dlg, kIdTxtApp, EM_LIMITTEXT, kEditTextLimit, 0);
    SendDlgItemMessageW(dlg, kIdTxtPath, EM_LIMITTEXT, kPathTextLimit, 0);
    SendMessageW(dlg, DM_SETDEFID, kIdCmdOK, 0);
}

void PlaceWindow(HWND dlg, UINT dpi) {
    SizeClientArea(dlg, TwipsToPixels(kEditClientWidthTwips, dpi),
                   TwipsToPixels(kEditClientHeightTwips + kExtraHeight, dpi));
    CenterWindow(dlg, GetWindow(dlg, GW_OWNER));
}

const EditDlgSetup& SetupOf(HWND dlg) {
    return *reinterpret_cast<const EditDlgSetup*>(GetWindowLongPtrW(dlg, DWLP_USER));
}

void ApplySetup(HWND dlg, const EditDlgSetup& setup) {
    SetWindowTextW(dlg, setup.caption.c_str());
    SetDlgItemTextW(dlg, kIdTxtKey, setup.keyText.c_str());
    SendDlgItemMessageW(dlg, kIdTxtKey, EM_SETREADONLY, setup.keyReadOnly ? TRUE : FALSE, 0);
    SetDlgItemTextW(dlg, kIdTxtApp, setup.appText.c_str());
    SetDlgItemTextW(dlg, kIdTxtPath, setup.pathText.c_str());
}

INT_PTR OnInitDialog(HWND dlg, const EditDlgSetup& setup) {
    SetWindowLongPtrW(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(&setup));
    SetProgramIcon(dlg);
    UINT dpi = DialogDpi(dlg);
    CreateControls(dlg, setup, dpi);
    PlaceWindow(dlg, dpi);
    ApplySetup(dlg, setup);
    // The name takes the focus in both uses, read-only or not.
    SetFocus(GetDlgItem(dlg, kIdTxtKey));
    return FALSE;
}

// A program file that is not there would make a registration that starts
// nothing: the user says whether that is meant. No is the default.
bool ConfirmMissingProgram(HWND dlg, const std::wstring& app) {
    std::optional<std::wstring> missing = MissingProgram(app);
    if (!missing) return true;
    std::wstring question =
        L"程序文件 " + (missing->empty() ? app : *missing) + L" 不存在，仍要登记吗？";
    return ShowMessage(dlg, question, kStyleQuestion | MB_DEFBUTTON2) == kAnswerYes;
}

void cmdOK_Click(HWND dlg) {
    std::wstring key = WindowText(GetDlgItem(dlg, kIdTxtKey));
    std::wstring app = WindowText(GetDlgItem(dlg, kIdTxtApp));
    if (key.empty() || app.empty()) {
        ShowMessage(dlg, kIncompleteMessage, kStyleInfo);
        return;
    }
    const EditDlgSetup& setup = SetupOf(dlg);
    // A new name is checked as it will be written, with its suffix; an
    // edit keeps the registration's own name, whatever it is.
    std::wstring problem = setup.keyReadOnly ? L"" : EntryNameProblem(WithExeSuffix(key));
    if (!problem.empty()) {
        ShowMessage(dlg, problem, kStyleInfo);
        return;
    }
    if (!ConfirmMissingProgram(dlg, app)) {
        SetFocus(GetDlgItem(dlg, kIdTxtApp));
        return;
    }
    modUser::strKey = WithExeSuffix(key);
    modUser::strApp = app;
    modUser::strPath = WindowText(GetDlgItem(dlg, kIdTxtPath));
    if (setup.chooseScope) {
        modUser::scope =
            IsDlgButtonChecked(dlg, kIdOptUser) == BST_CHECKED ? Scope::User : Scope::Machine;
    } else {
        modUser::scope = setup.scope;
    }
    modUser::lngResult = modUser::kResultOK;
    EndDialog(dlg, modUser::kResultOK);
}

void cmdCancel_Click(HWND dlg) {
    modUser::lngResult = modUser::kResultCancel;
    EndDialog(dlg, modUser::kResultCancel);
}

void cmdBrowser_Click(HWND dlg) {
    // A cancelled or failed open dialog raises an error; either way the
    // path keeps its text and nothing is said.
    try {
        CommDlg dlgBrowse;
        dlgBrowse.DialogTitle(kBrowseTitle);
        dlgBrowse.InitDir(ProgramFolder());
        dlgBrowse.Filter(kBrowseFilter);
        dlgBrowse.FileName(L"");
        dlgBrowse.DefaultExt(L".exe");
        dlgBrowse.flags(kBrowseFlags);
        dlgBrowse.Action(kActionOpen);
        SetDlgItemTextW(dlg, kIdTxtApp, dlgBrowse.FileName().c_str());
    } catch (const std::exception&) {
        // Nothing may leave a dialog procedure by an exception.
    }
}

// Appends a folder that the user picks to the extra folders, after a ";"
// unless the text is empty or ends with one.
void cmdPathAdd_Click(HWND dlg) {
    std::wstring folder = PickFolder(dlg, kFolderTitle);
    if (folder.empty()) return;
    std::wstring text = WindowText(GetDlgItem(dlg, kIdTxtPath));
    if (!text.empty() && text.back() != L';') text += L';';
    SetDlgItemTextW(dlg, kIdTxtPath, (text + folder).c_str());
}

void OnCommand(HWND dlg, int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case kIdCmdOK:
            cmdOK_Click(dlg);
            break;
        case kIdCmdCancel:
            cmdCancel_Click(dlg);
            break;
        case kIdCmdBrowser:
            cmdBrowser_Click(dlg);
            break;
        case kIdCmdPathAdd:
            cmdPathAdd_Click(dlg);
            break;
    }
}

INT_PTR CALLBACK EditDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dlg, *reinterpret_cast<const EditDlgSetup*>(lParam));
        case WM_COMMAND:
            OnCommand(dlg, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            // The close box and Alt+F4 mean Cancel, whatever the previous
            // dialog left in lngResult.
            cmdCancel_Click(dlg);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

void ShowEditDlg(HWND owner, const EditDlgSetup& setup) {
    INT_PTR result = ShowDesignedDialog(owner, L"", EditDlgProc, reinterpret_cast<LPARAM>(&setup));
    // A dialog that could not be shown was not accepted, whatever an
    // earlier one left in lngResult.
    if (result == -1) modUser::lngResult = modUser::kResultCancel;
}

}  // namespace tolvane
