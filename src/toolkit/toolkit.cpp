#include "toolkit/toolkit.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <map>
#include <vector>

#include "resource.h"
#include "toolkit/handles.h"

namespace tolvane {

namespace {

int DotsPerInch(HWND window, int axis) {
    WindowDc dc(window);
    int dpi = dc.get() ? GetDeviceCaps(dc.get(), axis) : 96;
    return dpi > 0 ? dpi : 96;
}

int DotsPerInch(int axis) {
    return DotsPerInch(nullptr, axis);
}

// A function of user32 that older systems lack (the program runs on
// Windows 7), or null.
template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}

using DpiForWindowFunction = UINT(WINAPI*)(HWND);
using ParametersForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

LOGFONTW MessageLogFont(UINT dpi) {
    static const auto forDpi =
        User32Function<ParametersForDpiFunction>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        return metrics.lfMessageFont;
    }
    // Without it the metrics are at the system's density.
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    LOGFONTW font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), DotsPerInch(LOGPIXELSY));
    return font;
}

}  // namespace

UINT DpiOf(HWND window) {
    static const auto forWindow = User32Function<DpiForWindowFunction>("GetDpiForWindow");
    UINT dpi = window && forWindow ? forWindow(window) : 0;
    return dpi ? dpi : static_cast<UINT>(DotsPerInch(window, LOGPIXELSX));
}

int TwipsToPixels(int twips, UINT dpi) {
    return MulDiv(twips, static_cast<int>(dpi), 1440);
}
int PixelsToTwips(int pixels, UINT dpi) {
    return MulDiv(pixels, 1440, static_cast<int>(dpi));
}

int ShowMessage(HWND owner, const std::wstring& text, UINT style) {
    return MessageBoxW(owner, text.c_str(), kAppTitle, style);
}

void YieldToMessages() {
    MSG msg;
    bool quit = false;
    int exitCode = 0;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            exitCode = static_cast<int>(msg.wParam);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (quit) PostQuitMessage(exitCode);
}

std::wstring ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            std::wstring full(path.data(), length);
            size_t slash = full.find_last_of(L"\\/");
            return slash == std::wstring::npos ? full : full.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}

HICON ProgramIcon() {
    static HICON icon = static_cast<HICON>(LoadImageW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TOLVANE), IMAGE_ICON, 32, 32, LR_SHARED));
    return icon;
}

bool RegisterProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                int backgroundColour) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, name, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hIcon = ProgramIcon();
    wc.hIconSm = ProgramIcon();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(backgroundColour + 1));
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

void CenterWindow(HWND window, HWND owner) {
    RECT area;
    if (owner && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT self;
    GetWindowRect(window, &self);
    int width = self.right - self.left;
    int height = self.bottom - self.top;
    int left = area.left + (area.right - area.left - width) / 2;
    int top = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT MessageFont(UINT dpi) {
    // Few densities ever meet in one session: a font for each is kept
    // rather than tracked per window, so no window outlives its font.
    static std::map<UINT, UniqueFont> fonts;
    UniqueFont& font = fonts[dpi];
    if (!font) {
        LOGFONTW description = MessageLogFont(dpi);
        font.reset(CreateFontIndirectW(&description));
    }
    return font.get();
}

int ListCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

int ListSelectedIndex(HWND list) {
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListSelect(HWND list, int index) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (index < 0) return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

std::wstring ListItemText(HWND list, int index, int subItem) {
    std::vector<wchar_t> buffer(512);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = subItem;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        auto length = static_cast<size_t>(SendMessageW(
            list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size()) return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

int ListAppend(HWND list, const std::wstring& text, int image) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = ListCount(list);
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = image;
    return static_cast<int>(
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListSetSubItem(HWND list, int index, int subItem, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    length = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

bool CopyToClipboard(HWND owner, const std::wstring& text) {
    UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t)));
    if (!memory) return false;
    // Memory that could not be filled must not reach the clipboard.
    void* bytes = GlobalLock(memory.get());
    if (!bytes) return false;
    std::memcpy(bytes, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory.get());
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    // The clipboard owns the memory once it has taken it.
    bool taken = SetClipboardData(CF_UNICODETEXT, memory.get()) != nullptr;
    if (taken) memory.release();
    CloseClipboard();
    return taken;
}

std::wstring PickFolder(HWND owner, const std::wstring& title) {
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    UniqueTaskMemory<PIDLIST_ABSOLUTE> chosen(SHBrowseForFolderW(&info));
    if (!chosen) return {};
    wchar_t path[MAX_PATH] = {};
    return SHGetPathFromIDListW(chosen.get(), path) ? path : L"";
}

std::wstring Folded(std::wstring text) {
    CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace tolvane
