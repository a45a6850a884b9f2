// What the window keeps between runs: its place, its columns' widths and
// its sort, taken when the window is made and kept when it closes
// (settings/window_settings.h).
#include <windows.h>
#include <commctrl.h>

#include <iterator>

#include "main_window/window_parts.h"
#include "settings/window_settings.h"

namespace tolvane {

static_assert(std::size(kColumns) == kRememberedColumns);

void ApplySettings(FrmMain& form) {
    WindowSettings settings = LoadWindowSettings();
    if (settings.placement) {
        // Placed while hidden; RunApplication shows it maximized when it
        // closed so.
        WINDOWPLACEMENT placement = *settings.placement;
        form.startMaximized = placement.showCmd == SW_SHOWMAXIMIZED;
        placement.showCmd = SW_HIDE;
        SetWindowPlacement(form.hwnd, &placement);
    }
    // After the placement, which may have moved the window to a monitor of
    // another density and laid the columns out anew.
    for (size_t column = 0; column < kRememberedColumns; ++column) {
        if (!settings.columnWidths[column]) continue;
        SendMessageW(form.lvwMain, LVM_SETCOLUMNWIDTH, column,
                     WidthAtDpi(*settings.columnWidths[column], form.dpi));
    }
    form.list.SetSort(settings.sortColumn, settings.sortDescending);
}

void SaveSettings(const FrmMain& form) {
    WindowSettings settings;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (GetWindowPlacement(form.hwnd, &placement)) settings.placement = placement;
    for (size_t column = 0; column < kRememberedColumns; ++column) {
        int width = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETCOLUMNWIDTH, column, 0));
        settings.columnWidths[column] = WidthAt96(width, form.dpi);
    }
    settings.sortColumn = form.list.sortColumn();
    settings.sortDescending = form.list.sortDescending();
    SaveWindowSettings(settings);
}

}  // namespace tolvane
