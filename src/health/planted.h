// The marks of a registration that someone planted rather than installed:
// a program kept where anyone may write, or a script run under a program's
// name. Detection rules for App Paths flag the same places and files.
#pragma once

#include <string>

namespace tolvane {

// Whether |folder| (a full path) is, or lies in, the user's or the system's
// temporary folder or any "\AppData\Local\Temp\", lies in a "Downloads"
// folder or in "\Users\Public\", or is the root of the common application
// data folder (%ProgramData%).
bool IsSuspiciousFolder(const std::wstring& folder);

// The folder of |file|, a full path: what IsSuspiciousFolder asks about it.
std::wstring FolderOf(const std::wstring& file);

// Whether |target| is a script (.bat, .cmd, .ps1, .vbs, .vbe, .js, .jse,
// .wsf, .hta, .scr or .dll), or a script host (mshta, rundll32, regsvr32,
// wscript, cscript, powershell, pwsh, cmd) registered as |fileName|, the
// name of another program.
bool IsScriptTarget(const std::wstring& fileName, const std::wstring& target);

}  // namespace tolvane
