// tbrMain: the main window's toolbar of five image buttons and a separator.
// Each button carries a key; a click is routed by that key.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "toolkit/handles.h"

namespace tolvane {

// imlToolBar: the five 48 x 48 button images, white as the mask colour.
UniqueImageList CreateToolbarImages();
// Creates the toolbar along the top of |parent|, |height| pixels high.
HWND CreateToolbar(HWND parent, HIMAGELIST images, int height);
// Keeps the toolbar along the top edge at the full client width.
void DockToolbar(HWND toolbar, HWND parent);
// The key and the tip of a button's command; null for none.
const wchar_t* ToolbarKeyOf(UINT command);
const wchar_t* ToolbarTipOf(UINT command);

}  // namespace tolvane
