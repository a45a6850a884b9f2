// frmMain: the program's only top-level window. It owns the App Paths store,
// the list of registrations with their icons, the toolbar and the menus, and
// routes every user command.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "main_window/icon_surface.h"
#include "store/app_path_store.h"
#include "toolkit/handles.h"

namespace tolvane {

inline constexpr wchar_t kMainWindowClass[] = L"TolvaneMain";

// Geometry of the window, in twips.
inline constexpr int kClientWidthTwips = 9945;
inline constexpr int kClientHeightTwips = 7350;
inline constexpr int kMinWidthTwips = 6000;
inline constexpr int kMinHeightTwips = 4500;
inline constexpr int kToolbarHeightTwips = 870;
inline constexpr int kNameColumnTwips = 2400;
inline constexpr int kPathColumnTwips = 6400;

struct FrmMain {
    HWND hwnd = nullptr;
    HWND tbrMain = nullptr;
    HWND lvwMain = nullptr;
    UniqueImageList imlToolBar;
    UniqueImageList iml;
    IconSurface picIcon;
    AppPathStore store;
    // The registrations of the last refresh, in the list's order: the list
    // only shows them.
    std::vector<AppPathEntry> entries;

    // The result of OpenAppPaths at load.
    LONG openResult = ERROR_SUCCESS;
    // Whether unloading ends the thread's message loop; tests that create
    // the window inside their own process turn it off.
    bool quitOnUnload = true;

    // A refresh yields to the message loop after every index. What arrives
    // meanwhile waits for it: a second refresh restarts the listing, a close
    // ends it and then unloads, and any other command runs once the listing
    // is complete (the last one chosen wins), on the entry that was
    // selected when the user chose it.
    bool refreshing = false;
    bool restartRefresh = false;
    bool closePending = false;
    UINT deferredCommand = 0;
    std::optional<EntryKey> deferredTarget;
};

// Registers the window class; safe to call more than once.
bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the window and its controls, hidden, and runs Form_Load. Returns
// the window, or null.
HWND CreateMainWindow(HINSTANCE instance, FrmMain& form);
// The whole program: creates, loads, shows and runs the main window.
int RunApplication(HINSTANCE instance, int showCommand);
// The form behind a main window handle.
FrmMain* MainFormOf(HWND hwnd);

void Form_Load(FrmMain& form);
void Form_Unload(FrmMain& form);
void Form_Resize(FrmMain& form);
void RefreshList(FrmMain& form);
int GetIcon(FrmMain& form, const AppPathEntry& entry);
// The entry of the selected row; null when no row is selected.
const AppPathEntry* SelectedEntry(const FrmMain& form);

void tbrMain_ButtonClick(FrmMain& form, const std::wstring& key);
void lvwMain_DblClick(FrmMain& form);
void mnuFileExit_Click(FrmMain& form);
void mnuFileHTML_Click(FrmMain& form);
void mnuFileXML_Click(FrmMain& form);
void mnuOprAdd_Click(FrmMain& form);
void mnuOprEdit_Click(FrmMain& form);
void mnuOprDel_Click(FrmMain& form);

}  // namespace tolvane
