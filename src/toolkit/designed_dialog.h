// Modal dialogs laid out in twips, as their designs give them: a template
// with a caption and no controls, the controls made at their twips places
// when the dialog initialises, the client area sized in twips. Twips become
// pixels at the density of the dialog's owner, over which it opens.
#pragma once

#include <windows.h>

#include <string>

namespace tolvane {

// One control of a design; places and sizes in twips within the client area.
struct ControlDesign {
    int id;
    const wchar_t* windowClass;
    const wchar_t* caption;  // null for none
    DWORD style;             // WS_CHILD and WS_VISIBLE are added
    DWORD exStyle;
    int left, top, width, height;
};

// Shows a fixed modal dialog (caption, close box, no minimize or maximize)
// over |owner|; |proc| receives |param| with WM_INITDIALOG. Returns what
// DialogBoxIndirectParam returns.
INT_PTR ShowDesignedDialog(HWND owner, const std::wstring& caption, DLGPROC proc, LPARAM param);

// The density a dialog is laid out at: its owner's, or its own when it has
// no owner.
UINT DialogDpi(HWND dialog);

// Creates one control of a design at |dpi|, in the message font at |dpi|.
HWND CreateDesignedControl(HWND dialog, const ControlDesign& design, UINT dpi);

// Sizes the dialog so that its client area is |width| by |height| pixels.
void SizeClientArea(HWND dialog, int width, int height);

// Gives a window the program's icon, large and small.
void SetProgramIcon(HWND window);

}  // namespace tolvane
