// frmMain: the program's only top-level window. It owns the App Paths store,
// the registrations' list (model/registration_list.h), which its list view
// shows with their icons, the toolbar and the menus, and routes every user
// command.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "commands/undo_history.h"
#include "health/health.h"
#include "health/registry_watcher.h"
#include "main_window/health_checker.h"
#include "main_window/icon_loader.h"
#include "model/registration_list.h"
#include "store/app_path_store.h"
#include "toolkit/handles.h"

namespace tolvane {

inline constexpr wchar_t kMainWindowClass[] = L"TolvaneMain";

// Geometry of the window, in twips. The client area's height is the
// toolbar's, the filter strip's and the list's, and the status bar's own
// height besides.
inline constexpr int kClientWidthTwips = 15000;
inline constexpr int kListHeightTwips = 6480;
inline constexpr int kMinWidthTwips = 6000;
inline constexpr int kMinHeightTwips = 4500;
inline constexpr int kToolbarHeightTwips = 870;
inline constexpr int kFilterStripTwips = 450;
inline constexpr int kFilterLeftTwips = 60;
inline constexpr int kFilterWidthTwips = 4500;
inline constexpr int kFilterHeightTwips = 330;
// The list's columns: their headers and widths, in the order of Column.
struct ColumnLayout {
    const wchar_t* header;
    int widthTwips;
};
inline constexpr ColumnLayout kColumns[] = {
    {L"项目名称", 2400}, {L"程序路径", 6400}, {L"发布者", 1800}, {L"范围", 1200}, {L"状态", 2700}};

// The text of rows that look planted: dark red.
inline constexpr COLORREF kSuspiciousText = RGB(192, 0, 0);

// The tooltip of the list's cells that their columns cut short
// (cell_tips.h), and the cell that the mouse is on.
struct CellTipState {
    HWND window = nullptr;
    int item = -1;
    int column = -1;
    std::wstring text;  // what the tip shows; empty when the cell shows whole
};

struct FrmMain {
    // First made, last gone: COM, apartment-threaded, on the window's thread
    // for the shell's calls.
    ComApartment com;
    HWND hwnd = nullptr;
    // The density the window is laid out at, in dots per inch: its
    // monitor's, followed from monitor to monitor.
    UINT dpi = 96;
    HWND tbrMain = nullptr;
    HWND txtFilter = nullptr;  // the filter box in the strip under the toolbar
    HWND lvwMain = nullptr;
    HWND staMain = nullptr;  // the status bar
    CellTipState cellTip;
    UniqueImageList imlToolBar;
    UniqueImageList iml;
    AppPathStores stores;
    // The registrations, the rows shown and the selection; lvwMain shows
    // them and holds no data of its own. Row images are indexes into iml.
    RegistrationList list{stores};
    // Whether lvwMain's selection stands for list's rows shown: not while
    // a new listing has yet to show its first rows.
    bool selectionShown = false;
    // The threads that load icons and check files, shared so that icons
    // come first.
    std::unique_ptr<WorkerPool> workers;
    std::unique_ptr<IconLoader> icons;
    std::unique_ptr<HealthChecker> health;
    // The search folders of the health checks, listed ahead on a thread of
    // their own; the checks wait for them, up to a deadline, on no thread.
    std::shared_ptr<const SearchPlaces> places;
    // What the files are, as the current listing's icons and checks saw them.
    std::shared_ptr<FileFacts> facts;
    std::chrono::steady_clock::time_point placesListedSince;
    bool checksHeld = false;  // the checks of the listing wait for the places
    size_t nextCheck = 0;     // the first row whose check is still to be asked for

    // Tells the window when other programs change either App Paths key; a
    // refresh it asks for while a dialog of the program is open waits for
    // the dialog to close.
    RegistryWatcher watcher;
    bool refreshPending = false;
    // The first row in view before a new listing, shown again after it.
    int keptTop = 0;
    // Whether the focused row is scrolled into view once listed: the row
    // that an add made, or the one that took a deleted row's place.
    bool revealFocus = false;
    // The window's changes of this run, as undo takes them back; what the
    // last undo took back, shown in the status bar until the next change.
    UndoHistory undo{stores.hives()};
    std::wstring undoneNote;
    // When the list view last learned the rows read, and whether it has
    // shown them since every name was in.
    std::chrono::steady_clock::time_point rowsShownAt;
    bool namesShown = false;
    // When the listing last let the window paint.
    std::chrono::steady_clock::time_point paintedAt;
    // When the status bar last counted the checked rows.
    std::chrono::steady_clock::time_point statusCountedAt;

    // Whether the window closed maximized last time: ShowMainWindow shows
    // it so.
    bool startMaximized = false;

    // The result of opening the machine's App Paths key at load.
    LONG openResult = ERROR_SUCCESS;
    // Whether unloading ends the thread's message loop; tests that create
    // the window inside their own process turn it off.
    bool quitOnUnload = true;
};

// Registers the window class; safe to call more than once.
bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the window and its controls, hidden, and runs Form_Load. Returns
// the window, or null.
HWND CreateMainWindow(HINSTANCE instance, FrmMain& form);
// Shows the window made, as |showCommand| asks, and paints it.
void ShowMainWindow(HWND hwnd, const FrmMain& form, int showCommand);
// The whole program: creates, loads, shows and runs the main window.
int RunApplication(HINSTANCE instance, int showCommand);
// The form behind a main window handle.
FrmMain* MainFormOf(HWND hwnd);

void Form_Load(FrmMain& form);
void Form_Unload(FrmMain& form);
void Form_Resize(FrmMain& form);
void RefreshList(FrmMain& form);
// Whether the last refresh has listed every name and every icon is in place.
bool ListComplete(const FrmMain& form);
// Reads what the listing under way has still to read, at once.
void FinishListing(FrmMain& form);
// The entry that Edit acts on, as RegistrationList::SelectedEntry() has it,
// after what the user selected in the list view.
const AppPathEntry* SelectedEntry(FrmMain& form);
// The entries of every selected row, in the list's order.
std::vector<const AppPathEntry*> SelectedEntries(FrmMain& form);
// Takes the list view's selection into the list.
void SyncSelection(FrmMain& form);
// Shows only the rows whose name or path holds |text|, regardless of letter
// case and width.
void SetFilter(FrmMain& form, const std::wstring& text);
// A click on a column's header: ascending, then descending, then the
// registry's order again.
void lvwMain_ColumnClick(FrmMain& form, int column);

void tbrMain_ButtonClick(FrmMain& form, const std::wstring& key);
void lvwMain_DblClick(FrmMain& form);
void mnuFileExit_Click(FrmMain& form);
void mnuFileHTML_Click(FrmMain& form);
void mnuFileXML_Click(FrmMain& form);
void mnuOprAdd_Click(FrmMain& form);
// The add dialog, started with |name| and |path| (a program dropped on the
// window); the new registration is selected.
void AddProgram(FrmMain& form, const std::wstring& name, const std::wstring& path);
void mnuOprEdit_Click(FrmMain& form);
void mnuOprDel_Click(FrmMain& form);
void mnuFileReg_Click(FrmMain& form);
void mnuOprClean_Click(FrmMain& form);
void mnuFileImport_Click(FrmMain& form);
void mnuOprUndo_Click(FrmMain& form);
// Selects every row shown.
void SelectAllRows(FrmMain& form);
// The rows' context menu and its commands.
void lvwMain_ContextMenu(FrmMain& form, POINT at);
void RunSelected(FrmMain& form);
void OpenSelectedLocation(FrmMain& form);
void CopySelectedNames(FrmMain& form);
void CopySelectedPaths(FrmMain& form);
// Opens the registry editor at the selected registration's key.
void OpenSelectedInRegedit(FrmMain& form);

}  // namespace tolvane
