// The exit codes of tolvanec, the same for every verb; --help lists them.
#pragma once

#include <windows.h>

namespace tolvane::console {

enum ExitCode : int {
    kExitSuccess = 0,
    // The condition that the verb tests does not hold: the name is not
    // found, already exists, or broken entries were found.
    kExitConditionFailed = 1,
    // Bad usage, or an input file that cannot be read as one.
    kExitUsage = 2,
    kExitFailure = 3,
    kExitAccessDenied = 5,
};

// The exit code for a failed system call's error: access denied has its own
// code, so that a script can tell "run it elevated" from anything else.
inline ExitCode ExitCodeForError(DWORD error) {
    return error == ERROR_ACCESS_DENIED ? kExitAccessDenied : kExitFailure;
}

}  // namespace tolvane::console
