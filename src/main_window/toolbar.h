// tbrMain: the main window's toolbar of five image buttons and a separator.
// Each button carries a key; a click is routed by that key.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "toolkit/handles.h"

namespace tolvane {

// imlToolBar: the five button images for |dpi|, white as the mask colour.
// Of the sizes drawn (48, 72 and 96 pixels square) they come in the one
// nearest to 48 pixels at 96 dots per inch scaled to |dpi|, the smaller one
// when two are as near, since a larger picture would not fit its button.
UniqueImageList CreateToolbarImages(UINT dpi);
// Creates the toolbar along the top of |parent|, |height| pixels high, with
// |images| and buttons sized for |dpi|.
HWND CreateToolbar(HWND parent, HIMAGELIST images, int height, UINT dpi);
// Gives the toolbar |images| (from CreateToolbarImages(dpi)) and buttons
// sized for |dpi|. The toolbar lets go of its previous images.
void ScaleToolbar(HWND toolbar, HIMAGELIST images, UINT dpi);
// Keeps the toolbar along the top edge at the full client width.
void DockToolbar(HWND toolbar, HWND parent);
// The key and the tip of a button's command; null for none.
const wchar_t* ToolbarKeyOf(UINT command);
const wchar_t* ToolbarTipOf(UINT command);

}  // namespace tolvane
