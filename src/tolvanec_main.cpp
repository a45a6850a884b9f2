// The console program's entry point: everything else lives in the
// tolvane_core library (src/console).
#include <string>
#include <vector>

#include "console/console.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> arguments(argc > 0 ? argv + 1 : argv, argv + argc);
    return tolvane::console::Run(arguments);
}
