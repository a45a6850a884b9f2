// tolvanec, the console companion of the window: App Paths registrations
// from the command line. This is its frame: the arguments, the help, the
// version and the exit codes; the verbs come one by one.
#pragma once

#include <string>
#include <vector>

namespace tolvane::console {

// Runs one command line (without the program name) and returns the process
// exit code (console/exit_codes.h).
int Run(const std::vector<std::wstring>& arguments);

}  // namespace tolvane::console
