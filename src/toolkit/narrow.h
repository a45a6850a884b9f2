// The one crossing between the program's UTF-16 text and the platform's
// narrow (ANSI) interfaces. Everything inside holds std::wstring; a text
// becomes bytes of the system's ANSI code page (936 on the target systems)
// just before a narrow call and comes back right after it.
#pragma once

#include <string>
#include <string_view>

namespace tolvane {

// UTF-16 to the ANSI code page. Characters that the code page cannot hold
// become the code page's default character.
std::string ToAnsi(std::wstring_view text);

// ANSI code page bytes back to UTF-16.
std::wstring FromAnsi(std::string_view bytes);

// The text of a narrow buffer up to, not including, its first NUL; the whole
// buffer when it holds none.
std::wstring FromAnsiBuffer(const char* buffer, size_t capacity);

// The number of bytes that a text takes in the ANSI code page.
size_t AnsiLength(std::wstring_view text);

}  // namespace tolvane
