// The real main window inside a test program: created hidden (as at start),
// loaded from the test prefix's registry, destroyed at the end of the test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "main_window/main_window.h"
#include "support/dialogs.h"

namespace tolvane::testing {

// Pumps this thread's messages until the form's list is complete: every
// name listed and every icon in place. False after |timeoutMs|.
bool WaitForList(FrmMain& form, DWORD timeoutMs = 20000);
// RefreshList, then WaitForList.
void Refresh(FrmMain& form);

// Removes what the window keeps between runs.
void ClearWindowSettings();

class MainForm {
  public:
    // Each window starts from the defaults, and what it saves when it closes
    // goes with it, unless |keepSettings|: a test of a restart keeps them.
    explicit MainForm(bool keepSettings = false) : keepSettings_(keepSettings) {
        if (!keepSettings_) ClearWindowSettings();
        form.quitOnUnload = false;
        hwnd = CreateMainWindow(GetModuleHandleW(nullptr), form);
        if (hwnd) WaitForList(form);
    }
    ~MainForm() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        DrainQuit();
        if (!keepSettings_) ClearWindowSettings();
    }
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    FrmMain form;
    HWND hwnd = nullptr;

  private:
    bool keepSettings_;
};

// The rows of a list view: item text and sub-item 1.
struct Row {
    std::wstring name;
    std::wstring path;
    int image = -1;
    bool operator==(const Row&) const = default;
};
std::vector<Row> ListRows(HWND list);

// Whether an image of |list| draws as nothing but white (its mask applied).
bool ImageIsBlank(HIMAGELIST list, int index);

// A program in the prefix that has no icon resources, or empty.
std::wstring ProgramWithoutIcons();

// This test program's own path; it carries the program's icon.
std::wstring OwnPath();

}  // namespace tolvane::testing
