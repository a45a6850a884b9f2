#include "support/main_form.h"

#include <commctrl.h>
#include <shellapi.h>

#include "settings/window_settings.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"
#include "toolkit/toolkit.h"

namespace tolvane::testing {

void ClearWindowSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
}

bool WaitForList(FrmMain& form, DWORD timeoutMs) {
    ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!ListComplete(form)) {
        if (GetTickCount64() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        YieldToMessages();
    }
    return true;
}

void Refresh(FrmMain& form) {
    RefreshList(form);
    WaitForList(form);
}

std::vector<Row> ListRows(HWND list) {
    std::vector<Row> rows;
    for (int i = 0; i < ListCount(list); ++i) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = i;
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back({ListItemText(list, i, 0), ListItemText(list, i, 1), item.iImage});
    }
    return rows;
}

bool ImageIsBlank(HIMAGELIST list, int index) {
    int width = 0, height = 0;
    ImageList_GetIconSize(list, &width, &height);
    HDC screen = GetDC(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    ReleaseDC(nullptr, screen);
    SelectedObject select(dc.get(), bitmap.get());
    RECT all{0, 0, width, height};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, index, dc.get(), 0, 0, ILD_NORMAL);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((GetPixel(dc.get(), x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
        }
    }
    return true;
}

std::wstring ProgramWithoutIcons() {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    WIN32_FIND_DATAW found;
    std::wstring pattern = std::wstring(system) + L"\\*.exe";
    UniqueFind search(FindFirstFileW(pattern.c_str(), &found));
    if (!search) return {};
    std::wstring result;
    do {
        std::wstring path = std::wstring(system) + L"\\" + found.cFileName;
        if (found.nFileSizeLow > 0 &&
            ExtractIconExA(ToAnsi(path).c_str(), -1, nullptr, nullptr, 0) == 0) {
            result = path;
            break;
        }
    } while (FindNextFileW(search.get(), &found));
    return result;
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace tolvane::testing
