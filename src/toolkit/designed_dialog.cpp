#include "toolkit/designed_dialog.h"

#include <cstring>
#include <vector>

#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

// The template: header, no menu, the standard dialog class and the caption.
// No DS_SETFONT, so no font fields; the vector's storage meets the
// template's DWORD alignment.
std::vector<WORD> EmptyTemplate(const std::wstring& caption) {
    DLGTEMPLATE head{};
    head.style = kDialogStyle;
    head.dwExtendedStyle = WS_EX_DLGMODALFRAME;
    std::vector<WORD> words(sizeof(head) / sizeof(WORD));
    std::memcpy(words.data(), &head, sizeof(head));
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    for (wchar_t c : caption) words.push_back(static_cast<WORD>(c));
    words.push_back(0);
    return words;
}

}  // namespace

INT_PTR ShowDesignedDialog(HWND owner, const std::wstring& caption, DLGPROC proc, LPARAM param) {
    std::vector<WORD> words = EmptyTemplate(caption);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                   reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner, proc,
                                   param);
}

UINT DialogDpi(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    return DpiOf(owner ? owner : dialog);
}

HWND CreateDesignedControl(HWND dialog, const ControlDesign& design, UINT dpi) {
    HWND control =
        CreateWindowExW(design.exStyle, design.windowClass, design.caption ? design.caption : L"",
                        WS_CHILD | WS_VISIBLE | design.style, TwipsToPixels(design.left, dpi),
                        TwipsToPixels(design.top, dpi), TwipsToPixels(design.width, dpi),
                        TwipsToPixels(design.height, dpi), dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)),
                        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont(dpi)), FALSE);
    return control;
}

// The frame is measured on the window rather than computed from its style:
// its width depends on the density the dialog is drawn at.
void SizeClientArea(HWND dialog, int width, int height) {
    RECT outer, inner;
    GetWindowRect(dialog, &outer);
    GetClientRect(dialog, &inner);
    int frameWidth = (outer.right - outer.left) - inner.right;
    int frameHeight = (outer.bottom - outer.top) - inner.bottom;
    SetWindowPos(dialog, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetProgramIcon(HWND window) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon()));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon()));
}

}  // namespace tolvane
