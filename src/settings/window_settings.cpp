#include "settings/window_settings.h"

#include <algorithm>
#include <cwchar>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/handles.h"

namespace tolvane {

namespace {

constexpr wchar_t kPlacementValue[] = L"WindowPlacement";
constexpr wchar_t kColumnWidthsValue[] = L"ColumnWidths";
constexpr wchar_t kSortColumnValue[] = L"SortColumn";
constexpr wchar_t kSortDescendingValue[] = L"SortDescending";

// Column widths outside these, at 96 dots per inch, are taken for damage.
constexpr int kNarrowestColumn = 8;
constexpr int kWidestColumn = 4000;
// A window larger than this, in pixels, is no placement that Windows gave.
constexpr LONG kLargestWindow = 32767;
// How much of the title bar must lie on a monitor for the user to take it.
constexpr LONG kTitleReach = 48;

// The value's bytes when it has |type|; empty otherwise or when absent.
std::vector<BYTE> ReadValue(HKEY key, const wchar_t* name, DWORD type) {
    DWORD actual = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &actual, nullptr, &size) != ERROR_SUCCESS ||
        actual != type || size == 0 || size > 4096) {
        return {};
    }
    std::vector<BYTE> bytes(size);
    if (RegQueryValueExW(key, name, nullptr, &actual, bytes.data(), &size) != ERROR_SUCCESS ||
        actual != type) {
        return {};
    }
    bytes.resize(size);
    return bytes;
}

std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name) {
    std::vector<BYTE> bytes = ReadValue(key, name, REG_DWORD);
    if (bytes.size() != sizeof(DWORD)) return std::nullopt;
    DWORD value;
    memcpy(&value, bytes.data(), sizeof(value));
    return value;
}

std::optional<WINDOWPLACEMENT> ReadPlacement(HKEY key) {
    std::vector<BYTE> bytes = ReadValue(key, kPlacementValue, REG_BINARY);
    WINDOWPLACEMENT placement{};
    if (bytes.size() != sizeof(placement)) return std::nullopt;
    memcpy(&placement, bytes.data(), sizeof(placement));
    const RECT& normal = placement.rcNormalPosition;
    LONG width = normal.right - normal.left;
    LONG height = normal.bottom - normal.top;
    if (placement.length != sizeof(placement) || width <= 0 || height <= 0 ||
        width > kLargestWindow || height > kLargestWindow || !ReachableOnScreen(normal)) {
        return std::nullopt;
    }
    // A window closed while minimized comes back as it was before.
    bool maximized =
        placement.showCmd == SW_SHOWMAXIMIZED ||
        (placement.showCmd == SW_SHOWMINIMIZED && (placement.flags & WPF_RESTORETOMAXIMIZED));
    placement.showCmd = maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement.flags = 0;
    return placement;
}

// "160,427,120,80,180": one width a column; a width out of range is none.
std::array<std::optional<int>, kRememberedColumns> ReadColumnWidths(HKEY key) {
    const std::array<std::optional<int>, kRememberedColumns> none;
    std::vector<BYTE> bytes = ReadValue(key, kColumnWidthsValue, REG_SZ);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()),
                      bytes.size() / sizeof(wchar_t));
    text = text.c_str();  // to the first terminator
    std::array<std::optional<int>, kRememberedColumns> read;
    const wchar_t* at = text.c_str();
    for (size_t column = 0; column < kRememberedColumns; ++column) {
        wchar_t* end = nullptr;
        long width = std::wcstol(at, &end, 10);
        if (end == at) return none;
        if (width >= kNarrowestColumn && width <= kWidestColumn)
            read[column] = static_cast<int>(width);
        at = end;
        if (column + 1 < kRememberedColumns && *at++ != L',') return none;
    }
    return *at ? none : read;
}

std::wstring ColumnWidthsText(const std::array<std::optional<int>, kRememberedColumns>& widths) {
    std::wstring text;
    for (const std::optional<int>& width : widths) {
        if (!text.empty()) text += L',';
        text += std::to_wstring(width.value_or(0));
    }
    return text;
}

LONG WriteDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value));
}

}  // namespace

WindowSettings LoadWindowSettings() {
    WindowSettings settings;
    UniqueKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, key.put()) !=
        ERROR_SUCCESS) {
        return settings;
    }
    settings.placement = ReadPlacement(key.get());
    settings.columnWidths = ReadColumnWidths(key.get());
    std::optional<DWORD> column = ReadDword(key.get(), kSortColumnValue);
    if (column && *column < kRememberedColumns) {
        settings.sortColumn = static_cast<int>(*column);
        settings.sortDescending = ReadDword(key.get(), kSortDescendingValue).value_or(0) == 1;
    }
    return settings;
}

bool SaveWindowSettings(const WindowSettings& settings) {
    UniqueKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool written = true;
    if (settings.placement) {
        written &= RegSetValueExW(key.get(), kPlacementValue, 0, REG_BINARY,
                                  reinterpret_cast<const BYTE*>(&*settings.placement),
                                  sizeof(WINDOWPLACEMENT)) == ERROR_SUCCESS;
    }
    std::wstring widths = ColumnWidthsText(settings.columnWidths);
    written &=
        RegSetValueExW(key.get(), kColumnWidthsValue, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(widths.c_str()),
                       static_cast<DWORD>((widths.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    written &= WriteDword(key.get(), kSortColumnValue, static_cast<DWORD>(settings.sortColumn)) ==
               ERROR_SUCCESS;
    written &= WriteDword(key.get(), kSortDescendingValue, settings.sortDescending ? 1 : 0) ==
               ERROR_SUCCESS;
    return written;
}

bool ReachableOnScreen(const RECT& normal) {
    // Workspace coordinates start at the primary monitor's work area.
    MONITORINFO primary{};
    primary.cbSize = sizeof(primary);
    GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    LONG dx = primary.rcWork.left - primary.rcMonitor.left;
    LONG dy = primary.rcWork.top - primary.rcMonitor.top;
    RECT title{normal.left + dx, normal.top + dy, normal.right + dx,
               normal.top + dy + GetSystemMetrics(SM_CYCAPTION)};
    HMONITOR monitor = MonitorFromRect(&title, MONITOR_DEFAULTTONULL);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!monitor || !GetMonitorInfoW(monitor, &info)) return false;
    RECT shown;
    if (!IntersectRect(&shown, &title, &info.rcMonitor)) return false;
    return shown.right - shown.left >= std::min(kTitleReach, title.right - title.left);
}

int WidthAt96(int pixels, UINT dpi) {
    return MulDiv(pixels, 96, static_cast<int>(dpi));
}

int WidthAtDpi(int pixelsAt96, UINT dpi) {
    return MulDiv(pixelsAt96, static_cast<int>(dpi), 96);
}

}  // namespace tolvane
