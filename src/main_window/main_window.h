// frmMain: the program's only top-level window. It owns the App Paths store,
// the list of registrations with their icons, the toolbar and the menus, and
// routes every user command.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "health/health.h"
#include "health/registry_watcher.h"
#include "main_window/health_checker.h"
#include "main_window/icon_loader.h"
#include "store/app_path_store.h"
#include "toolkit/handles.h"

namespace tolvane {

inline constexpr wchar_t kMainWindowClass[] = L"TolvaneMain";

// Geometry of the window, in twips. The client area's height is the
// toolbar's, the filter strip's and the list's, and the status bar's own
// height besides.
inline constexpr int kClientWidthTwips = 13200;
inline constexpr int kListHeightTwips = 6480;
inline constexpr int kMinWidthTwips = 6000;
inline constexpr int kMinHeightTwips = 4500;
inline constexpr int kToolbarHeightTwips = 870;
inline constexpr int kFilterStripTwips = 450;
inline constexpr int kFilterLeftTwips = 60;
inline constexpr int kFilterWidthTwips = 4500;
inline constexpr int kFilterHeightTwips = 330;
// The list's columns: their order, headers and widths.
enum Column { kNameColumn, kPathColumn, kScopeColumn, kNotesColumn };
struct ColumnLayout {
    const wchar_t* header;
    int widthTwips;
};
inline constexpr ColumnLayout kColumns[] = {
    {L"项目名称", 2400}, {L"程序路径", 6400}, {L"范围", 1200}, {L"状态", 2700}};

struct FrmMain {
    HWND hwnd = nullptr;
    // The density the window is laid out at, in dots per inch: its
    // monitor's, followed from monitor to monitor.
    UINT dpi = 96;
    HWND tbrMain = nullptr;
    HWND txtFilter = nullptr;  // the filter box in the strip under the toolbar
    HWND lvwMain = nullptr;
    HWND staMain = nullptr;  // the status bar
    UniqueImageList imlToolBar;
    UniqueImageList iml;
    AppPathStores stores;
    // The registrations of the last refresh, in the list's order (the
    // machine's, then the user's): the list only shows them. |images| holds
    // each row's image in iml, |reports| its notes.
    std::vector<AppPathEntry> entries;
    std::vector<int> images;
    std::vector<HealthReport> reports;
    std::vector<char> checked;  // whether the row's health check has answered
    // The rows the list shows, in its order: indexes into |entries| that
    // pass the filter, sorted by the chosen column or in the registry's
    // order.
    std::vector<size_t> view;
    size_t viewedUpTo = 0;  // entries before this one have been put in view
    std::wstring filter;
    int sortColumn = -1;  // -1: the registry's order
    bool sortDescending = false;
    // The threads that load icons and check files, shared so that icons
    // come first.
    std::unique_ptr<WorkerPool> workers;
    std::unique_ptr<IconLoader> icons;
    std::unique_ptr<HealthChecker> health;

    // Tells the window when other programs change either App Paths key; a
    // refresh it asks for while a dialog of the program is open waits for
    // the dialog to close.
    RegistryWatcher watcher;
    bool refreshPending = false;
    // What a refresh keeps of the list: the selected entries, the focused
    // one, and the first row in view.
    std::vector<EntryKey> keptSelection;
    std::optional<EntryKey> keptFocus;
    int keptTop = 0;

    // The result of opening the machine's App Paths key at load.
    LONG openResult = ERROR_SUCCESS;
    // Whether unloading ends the thread's message loop; tests that create
    // the window inside their own process turn it off.
    bool quitOnUnload = true;

    // The listing under way. It reads the registry in short slices between
    // which the window answers messages: first every name, then each row's
    // values, in order; the rows from |valuesRead| on show no path yet.
    // Each refresh has a number of its own, and what belongs to an earlier
    // one is dropped.
    unsigned long long generation = 0;
    bool refreshing = false;
    bool enumerating = false;
    Scope enumerated = Scope::Machine;  // the hive whose names are being read
    DWORD nextIndex = 0;
    size_t valuesRead = 0;
    std::chrono::steady_clock::time_point rowsShownAt;
    // The previous listing's entries by upper-cased name: a subkey that has
    // not changed since is not read again.
    std::unordered_map<std::wstring, AppPathEntry> previous;
    // The rows of each program file (upper-cased path) asked for in this
    // listing, which its icon goes to.
    std::unordered_map<std::wstring, std::vector<size_t>> rowsOfFile;
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
// Whether the last refresh has listed every name and every icon is in place.
bool ListComplete(const FrmMain& form);
// Reads what the listing under way has still to read, at once.
void FinishListing(FrmMain& form);
// The entry that Edit acts on: the focused row when it is selected, else
// the first selected one; null when no row is selected.
const AppPathEntry* SelectedEntry(const FrmMain& form);
// The entries of every selected row, in the list's order.
std::vector<const AppPathEntry*> SelectedEntries(const FrmMain& form);
// The entry a row of the list shows.
const AppPathEntry& EntryOfRow(const FrmMain& form, int row);
// Shows only the rows whose name or path holds |text|, regardless of letter
// case and width.
void SetFilter(FrmMain& form, const std::wstring& text);
// A click on a column's header: ascending, then descending, then the
// registry's order again.
void lvwMain_ColumnClick(FrmMain& form, int column);
// "共 N 项，显示 M 项", and the count of rows whose program is missing.
std::wstring StatusText(const FrmMain& form);

void tbrMain_ButtonClick(FrmMain& form, const std::wstring& key);
void lvwMain_DblClick(FrmMain& form);
void mnuFileExit_Click(FrmMain& form);
void mnuFileHTML_Click(FrmMain& form);
void mnuFileXML_Click(FrmMain& form);
void mnuOprAdd_Click(FrmMain& form);
void mnuOprEdit_Click(FrmMain& form);
void mnuOprDel_Click(FrmMain& form);
void mnuFileReg_Click(FrmMain& form);
void mnuOprClean_Click(FrmMain& form);
// The rows' context menu and its commands.
void lvwMain_ContextMenu(FrmMain& form, POINT at);
void RunSelected(FrmMain& form);
void OpenSelectedLocation(FrmMain& form);
void CopySelectedNames(FrmMain& form);
void CopySelectedPaths(FrmMain& form);

}  // namespace tolvane
