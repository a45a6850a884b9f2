// The Help menu's commands: the About window and the help message.
#pragma once

#include <windows.h>

namespace tolvane {

void mnuHelpAbout_Click(HWND owner);
void mnuHelpContent_Click(HWND owner);

}  // namespace tolvane
