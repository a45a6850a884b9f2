// Who made a program and what it is, as its version resource says: for the
// window's 发布者 column and the command line's listings. Touches only the
// file; safe to call on several threads at once.
#pragma once

#include <string>

#include "toolkit/program_file.h"

namespace tolvane {

struct VersionStrings {
    std::wstring publisher;    // CompanyName; empty when the file gives none
    std::wstring description;  // FileDescription; empty when the file gives none
};

// The strings of |file|, a full path, in the user's language where the
// file has it, else from the first of its translations that has each.
// Both empty for a file without a version resource, one that cannot be
// read, or a path that is not a full one.
VersionStrings ReadVersionStrings(const std::wstring& file);
// The same, from a file opened already.
VersionStrings ReadVersionStrings(const ProgramFile& file);

}  // namespace tolvane
