// The parts of the main window that its source files share: the messages
// it posts to itself, and the steps of the listing and of the row view.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "main_window/main_window.h"

namespace tolvane {

// Posted to the window: the listing goes on (wParam: its number), icons or
// health notes have arrived, the registry has changed.
inline constexpr UINT kContinueListing = WM_APP + 1;
inline constexpr UINT kIconsReady = WM_APP + 2;
inline constexpr UINT kHealthReady = WM_APP + 3;
inline constexpr UINT kRegistryChanged = WM_APP + 4;

// Listing (listing.cpp).
void ContinueListing(FrmMain& form, unsigned long long generation);
void OnIconsReady(FrmMain& form);
void OnHealthReady(FrmMain& form);
void OnRegistryChanged(FrmMain& form);

// The rows shown (rows.cpp).
// Remembers the selection and the rows in view before a new listing.
void KeepView(FrmMain& form);
// Filters and sorts all entries again, keeping the selected ones selected.
void RebuildView(FrmMain& form);
// Adds the entries listed since the last call to the rows shown, in the
// registry's order, while names come in.
void ExtendView(FrmMain& form);
// Once every name is listed: the kept selection and rows in view again.
void RestoreView(FrmMain& form);
void OnGetDispInfo(const FrmMain& form, NMLVDISPINFOW& info);
LRESULT OnCustomDraw(const FrmMain& form, NMLVCUSTOMDRAW& draw);
void UpdateStatus(FrmMain& form);
int FindRow(const FrmMain& form, const NMLVFINDITEMW& find);
int FocusedRow(const FrmMain& form);
// Whether the check of |entry| has found its program file missing; an entry
// still being checked is not.
bool TargetMissing(const FrmMain& form, size_t entry);

// Keys (row_commands.cpp). Each returns whether it took the key.
bool OnListKey(FrmMain& form, WORD key);
bool OnWindowKey(FrmMain& form, WORD key);

}  // namespace tolvane
