// The parts of the main window that its source files share: the messages
// it posts to itself, the steps of the listing, and the binding of the list
// view to the registrations' list.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "main_window/main_window.h"

namespace tolvane {

// Posted to the window: the listing goes on (wParam: its number), icons or
// health notes have arrived, the registry has changed, the search folders
// are listed.
inline constexpr UINT kContinueListing = WM_APP + 1;
inline constexpr UINT kIconsReady = WM_APP + 2;
inline constexpr UINT kHealthReady = WM_APP + 3;
inline constexpr UINT kRegistryChanged = WM_APP + 4;
inline constexpr UINT kSearchListed = WM_APP + 5;
// The checks of a long listing are asked for a thousand rows at a time
// (wParam: the listing's number).
inline constexpr UINT kCheckMore = WM_APP + 6;
// The timer of the search folders' deadline; the timer of the next slice
// of the listing, when input or paint waited.
inline constexpr UINT_PTR kSearchDeadlineTimer = 1;
inline constexpr UINT_PTR kListingTimer = 2;

// Listing (listing.cpp).
void ContinueListing(FrmMain& form, unsigned long long generation);
void OnListingTimer(FrmMain& form);
void OnIconsReady(FrmMain& form);
void OnHealthReady(FrmMain& form);
void OnCheckMore(FrmMain& form, unsigned long long generation);
void OnRegistryChanged(FrmMain& form);
// The search folders are listed; their deadline has passed.
void OnSearchListed(FrmMain& form);
void OnSearchDeadline(FrmMain& form);

// The binding (rows.cpp).
// Shows the list's rows shown: their count, the selection and the sort.
void ShowRows(FrmMain& form);
void OnGetDispInfo(const FrmMain& form, NMLVDISPINFOW& info);
LRESULT OnCustomDraw(const FrmMain& form, NMLVCUSTOMDRAW& draw);
void UpdateStatus(FrmMain& form);
int FindRow(const FrmMain& form, const NMLVFINDITEMW& find);
int FocusedRow(const FrmMain& form);

// The settings kept between runs (remembered.cpp): applied to the window
// just made, saved from the window about to close.
void ApplySettings(FrmMain& form);
void SaveSettings(const FrmMain& form);

// Files dropped on the window (dropped_files.cpp).
void OnDropFiles(FrmMain& form, HDROP drop);

// Keys (row_commands.cpp). Each returns whether it took the key.
bool OnListKey(FrmMain& form, WORD key);
bool OnWindowKey(FrmMain& form, WORD key);

}  // namespace tolvane
