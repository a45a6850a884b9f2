// tolvanec, the console companion of the window: App Paths registrations
// from the command line, for scripts on one machine or on many. Run() reads
// the verb and its arguments and hands them to the verb (console/verbs.h).
#pragma once

#include <string>
#include <vector>

namespace tolvane::console {

// Runs one command line (without the program name) and returns the process
// exit code (console/exit_codes.h).
int Run(const std::vector<std::wstring>& arguments);

}  // namespace tolvane::console
