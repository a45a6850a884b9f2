// The Help menu's commands: the About window and the help message.
#pragma once

#include <windows.h>

namespace tolvane {

// The About window's caption and the help message.
inline constexpr wchar_t kAboutCaption[] = L"关于 Tolvane";
inline constexpr wchar_t kHelpText[] = L"懒人^-^ 不写了～";

// Control identifiers of the About window. cmdOK is IDOK, so that the dialog
// manager presses it for Enter.
inline constexpr int kIdAboutImage = 1001;
inline constexpr int kIdAboutTitle = 1002;
inline constexpr int kIdAboutAuthor = 1003;
inline constexpr int kIdAboutContent = 1004;
inline constexpr int kIdAboutVersion = 1005;
inline constexpr int kIdAboutOk = IDOK;

// Shows the About window modally over |owner|; returns once it has closed.
void ShowAboutDlg(HWND owner);

void mnuHelpAbout_Click(HWND owner);
void mnuHelpContent_Click(HWND owner);

}  // namespace tolvane
