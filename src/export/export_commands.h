// The File menu's exports of the list: an HTML page and an XML document.
#pragma once

#include <windows.h>

namespace tolvane {

struct FrmMain;

void mnuFileHTML_Click(FrmMain& form);
void mnuFileXML_Click(FrmMain& form);

// The clock that stamps an export with its local date and time. Tests fix
// it; null puts back the system's local time.
using ExportClock = SYSTEMTIME (*)();
void SetExportClock(ExportClock clock);

}  // namespace tolvane
