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

HWND CreateDesignedControl(HWND dialog, const ControlDesign& design) {
    HWND control = CreateWindowExW(
        design.exStyle, design.windowClass, design.caption ? design.caption : L"",
        WS_CHILD | WS_VISIBLE | design.style, TwipsToPixelsX(design.left),
        TwipsToPixelsY(design.top), TwipsToPixelsX(design.width), TwipsToPixelsY(design.height),
        dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), GetModuleHandleW(nullptr),
        nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    return control;
}

void SizeClientArea(HWND dialog, int width, int height) {
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongW(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetProgramIcon(HWND window) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon()));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ProgramIcon()));
}

}  // namespace tolvane
