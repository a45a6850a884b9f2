#include "export/export_commands.h"

#include "main_window/main_window.h"

namespace tolvane {

// Filled in with the exports.
void mnuFileHTML_Click(FrmMain&) {}
void mnuFileXML_Click(FrmMain&) {}

}  // namespace tolvane
