// What the window remembers between runs, under
// HKEY_CURRENT_USER\Software\Tolvane: its placement, the widths of its
// columns and the sort. Only the window reads and writes them; tolvanec
// never does. A value that is missing, of another type or out of range is
// read as "none", and the window then uses its default: a damaged setting
// is never an error.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

namespace tolvane {

inline constexpr wchar_t kSettingsKey[] = L"Software\\Tolvane";
// The list's columns whose widths are kept.
inline constexpr size_t kRememberedColumns = 5;

struct WindowSettings {
    // As GetWindowPlacement gave it; never minimized once read.
    std::optional<WINDOWPLACEMENT> placement;
    // Pixels at 96 dots per inch, column by column.
    std::array<std::optional<int>, kRememberedColumns> columnWidths;
    // -1: the registry's order.
    int sortColumn = -1;
    bool sortDescending = false;
};

// Reads the settings; what is not there or not sound comes back as none.
WindowSettings LoadWindowSettings();
// Writes every setting; false when the key could not be written, which the
// window does not report: the next start then uses the defaults.
bool SaveWindowSettings(const WindowSettings& settings);

// Whether a window at |normal| (in workspace coordinates, as a placement
// has them) would show its title bar on some monitor, so that the user can
// reach it.
bool ReachableOnScreen(const RECT& normal);

// Widths between densities, rounded.
int WidthAt96(int pixels, UINT dpi);
int WidthAtDpi(int pixelsAt96, UINT dpi);

}  // namespace tolvane
