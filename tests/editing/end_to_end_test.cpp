// As a user sees it: a short name added through the toolbar and the edit
// dialog starts its program from the shell.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <fstream>
#include <iterator>

#include "editing/edit_dialog.h"
#include "editing_helpers.h"
#include "resource.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

constexpr DWORD kTvdemoExitCode = 73;

// Built beside this test program, in a folder of its own that no search path
// holds: only the registration can lead the shell to it.
std::wstring TvdemoPath() {
    return ProgramFolder() + L"\\shell_target\\tvdemo.exe";
}

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

std::wstring MarkerPath() {
    return TempFolder() + L"tvdemo-ran.txt";
}

std::wstring MarkerText() {
    std::ifstream file(MarkerPath().c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                        bytes.size() / sizeof(wchar_t));
}

// What a user types into the Run box: the shell's start command with the
// bare short name, waiting for the program's exit code. Wine's
// ShellExecuteEx looks an extension-less name up in App Paths only as typed,
// while Windows adds ".exe"; its start command finds the registration.
DWORD StartThroughShell(const std::wstring& shortName) {
    std::wstring command = L"cmd.exe /c start \"\" /wait " + shortName;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // From a neutral folder: the open dialog may have left the current
    // directory where the program lies, and a search there would find it
    // without the registration.
    std::wstring folder = TempFolder();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        folder.c_str(), &startup, &process))
        return static_cast<DWORD>(-1);
    // This thread owns windows: keep answering them while the shell works.
    DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) !=
               WAIT_OBJECT_0 &&
           GetTickCount() - start < 60000) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// A click on a toolbar button, as the mouse delivers it.
void ClickToolbarButton(HWND toolbar, int command) {
    RECT button;
    SendMessageW(toolbar, TB_GETRECT, static_cast<WPARAM>(command),
                 reinterpret_cast<LPARAM>(&button));
    LPARAM at = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    PostMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(toolbar, WM_LBUTTONUP, 0, at);
}

}  // namespace

TEST(EndToEnd, NameAddedThroughTheDialogStartsItsProgramFromTheShell) {
    ClearAppPaths();
    ASSERT_NE(GetFileAttributesW(TvdemoPath().c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(MarkerPath().c_str());
    ASSERT_NE(StartThroughShell(L"tvdemo"), kTvdemoExitCode);  // nothing registered yet
    ASSERT_EQ(GetFileAttributesW(MarkerPath().c_str()), INVALID_FILE_ATTRIBUTES);

    MainForm main;
    ShowWindow(main.hwnd, SW_SHOW);
    UpdateWindow(main.hwnd);
    MessageBoxSeen box;
    DialogScript script({OnEditDialog([](HWND dialog) {
                             // The name typed, the program found with the browse button, then
                             // Enter.
                             for (wchar_t letter : std::wstring(L"tvdemo"))
                                 SendMessageW(GetFocus(), WM_CHAR, letter, 1);
                             PostMessageW(GetDlgItem(dialog, kIdCmdBrowser), BM_CLICK, 0, 0);
                         }),
                         When(IsOpenDialog,
                              [](HWND dialog) {
                                  SetControlText(dialog, cmb13, TvdemoPath());
                                  PressButton(dialog, IDOK);
                              }),
                         When(
                             [](HWND dialog) {
                                 return IsEditDialog(dialog) &&
                                        !ControlText(dialog, kIdTxtApp).empty();
                             },
                             [](HWND dialog) {
                                 SetFocus(GetDlgItem(dialog, kIdTxtApp));
                                 PostKey(dialog, VK_RETURN);
                             }),
                         AnswerMessageBox(&box, IDOK)});
    ClickToolbarButton(main.form.tbrMain, IDT_ADD);
    // The main window's own loop, until the command has run its course.
    MSG msg;
    DWORD start = GetTickCount();
    while (!script.finished() && GetTickCount() - start < 30000) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }
    ASSERT_TRUE(script.finished());
    EXPECT_EQ(box.text, L"项目添加成功！");
    std::vector<Row> rows = ListRows(main.form.lvwMain);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, L"tvdemo.exe");
    EXPECT_EQ(CompareStringOrdinal(rows[0].path.c_str(), -1, TvdemoPath().c_str(), -1, TRUE),
              CSTR_EQUAL);

    EXPECT_EQ(StartThroughShell(L"tvdemo"), kTvdemoExitCode);
    EXPECT_EQ(CompareStringOrdinal(MarkerText().c_str(), -1, TvdemoPath().c_str(), -1, TRUE),
              CSTR_EQUAL);
    ClearAppPaths();
}
