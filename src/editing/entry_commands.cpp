#include "editing/entry_commands.h"

#include "main_window/main_window.h"

namespace tolvane {

// Filled in with the edit dialog.
void AddItem(FrmMain&) {}
void EditItem(FrmMain&) {}
void DelItem(FrmMain&) {}

}  // namespace tolvane
