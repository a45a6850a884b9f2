// The File menu's exports of the listed registrations: an HTML page, an XML
// document and a registry file, saved under a name that the user chooses.
#pragma once

#include <windows.h>

#include <vector>

#include "store/app_path_entry.h"
#include "store/app_path_store.h"

namespace tolvane {

// What every export that cannot write its file says.
inline constexpr wchar_t kExportFailed[] = L"导出失败！";

// Each asks for a file name and writes |entries| to it. A cancelled dialog
// ends the export silently; a file that cannot be written whole is reported
// and leaves what was there before untouched.
void ExportHtml(HWND owner, const std::vector<AppPathEntry>& entries);
void ExportXml(HWND owner, const std::vector<AppPathEntry>& entries);
// Every value and subkey of the registrations as read now from their
// hives. A registration that cannot be read fails the export, with its name
// on a second line.
void ExportReg(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries);

// The clock that stamps an export with its local date and time. Tests fix
// it; null puts back the system's local time.
using ExportClock = SYSTEMTIME (*)();
void SetExportClock(ExportClock clock);

}  // namespace tolvane
