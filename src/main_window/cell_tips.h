// Tooltips for the list's cells that their column cuts short: resting the
// mouse on one shows its whole text. The list view's own tips are not used:
// not every list view has them, and where it does they would show twice.
#pragma once

#include <windows.h>

#include <string>

#include "main_window/main_window.h"

namespace tolvane {

// Makes the tooltip of form.lvwMain, which follows the mouse over it.
void CreateCellTips(FrmMain& form);

// The whole text of the cell at |at| (the list's client coordinates) when
// its column is too narrow for it; empty for a cell that shows whole, and
// beside the rows.
std::wstring CellTipAt(const FrmMain& form, POINT at);

}  // namespace tolvane
