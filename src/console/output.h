// Text out of tolvanec. A console gets the UTF-16 text through
// WriteConsoleW, so that Chinese shows whatever the console's code page is;
// a pipe or a file gets UTF-8 without a byte order mark, which other
// programs and scripts read without guessing. Every "\n" goes out as CR LF.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string_view>

namespace tolvane::console {

// Writes |text| to |handle|: a console, a pipe or a file. False when the
// handle is missing or a write fails.
bool WriteText(HANDLE handle, std::wstring_view text);

// How many columns a line written to |handle| may take without wrapping:
// one fewer than the console's width, as a line that fills it would leave
// an empty line after it. 0 when the handle is not a console.
size_t ConsoleColumns(HANDLE handle);

// Results go to standard output; messages (in Chinese) go to standard error.
bool WriteOut(std::wstring_view text);
bool WriteErr(std::wstring_view text);

}  // namespace tolvane::console
