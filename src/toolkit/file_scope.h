// Touching the files that registrations name, as the shell that starts them
// would: icons, health checks, "打开文件位置" and "运行" all go through here,
// so that what they say about a file agrees.
#pragma once

#include <windows.h>

#include <string>

#include "toolkit/toolkit.h"

namespace tolvane {

// While it lives, the calling thread raises no box for an empty drive or a
// share that is gone, and, in the 32-bit program, sees the real System32
// rather than the 32-bit one that WOW64 would put in its place, since the
// shell that starts programs is 64-bit. Both are put back after.
class FileScope {
  public:
    FileScope();
    ~FileScope();
    FileScope(const FileScope&) = delete;
    FileScope& operator=(const FileScope&) = delete;

  private:
    QuietErrorMode quiet_;
    PVOID redirection_ = nullptr;
    BOOL redirectionOff_ = FALSE;
};

// A path as the shell reads one from a registration: surrounding spaces and
// one pair of surrounding quotes dropped.
std::wstring ShellPath(const std::wstring& text);

// |path| made full against the current folder; |path| itself when that fails.
std::wstring FullPath(const std::wstring& path);

// The last part of |path|: the file's name without its folder.
std::wstring FileNameOf(const std::wstring& path);

}  // namespace tolvane
