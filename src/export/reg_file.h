// Registry files (.reg) of App Paths registrations: written as the system's
// registry editor writes them, so that it and "reg import" take them back,
// and read strictly, so that an import either understands every line of a
// file or refuses the whole file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/registry_snapshot.h"

namespace tolvane {

// "HKEY_LOCAL_MACHINE\SOFTWARE\...\App Paths\" + |path| (HKEY_CURRENT_USER
// for the user's registrations).
std::wstring RegKeyName(Scope scope, std::wstring_view path);

// The text of a "Windows Registry Editor Version 5.00" file with |keys| in
// their order: "[key]" ("[-key]" to delete one), its values, a blank line.
// Strings that the quoted form would not give back byte for byte (no final
// NUL, an inner NUL, a line break) are written as hex(1) data, as are DWORDs
// that are not four bytes long. Lines end in CR LF.
std::wstring RegFileText(const std::vector<KeyEdit>& keys);
// The file's bytes: UTF-16LE after a byte order mark.
std::string RegFileBytes(const std::vector<KeyEdit>& keys);

struct RegFileError {
    size_t line = 0;      // 1-based
    std::wstring reason;  // for the user
};

// Reads a .reg file: "Windows Registry Editor Version 5.00" in UTF-16LE (with
// its byte order mark) or UTF-8 (with or without one), or "REGEDIT4" in the
// ANSI code page. Refuses the whole file, naming the first offending line,
// when a key lies outside the App Paths keys of HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER (HKLM and HKCU are understood too), a value is given to
// an App Paths key itself, a line or a value's data cannot be read, or a
// name or a key's depth is one that the registry would refuse
// (KeyNameFault(), ValueNameFault(), kMaxEntryDepth).
// HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\...\App Paths, the machine's key
// under the name that 32-bit programs see, is read as the machine's App
// Paths; |sharedKey|, when given, tells whether the file named it so.
// |keys| receives every key section except those of an App Paths key itself,
// with their paths below it.
bool ReadRegFile(std::string_view bytes, std::vector<KeyEdit>& keys, RegFileError& error,
                 bool* sharedKey = nullptr);

}  // namespace tolvane
