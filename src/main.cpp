// The program's entry point: everything else lives in the tolvane_core library.
#include <windows.h>

#include "main_window/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return tolvane::RunApplication(instance, showCommand);
}
