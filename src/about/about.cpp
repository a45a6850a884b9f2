#include "about/about.h"

namespace tolvane {

// Filled in with the About window.
void mnuHelpAbout_Click(HWND) {}
void mnuHelpContent_Click(HWND) {}

}  // namespace tolvane
