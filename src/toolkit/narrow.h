// The one crossing between the program's UTF-16 text and narrow bytes.
// Everything inside holds std::wstring; a text becomes bytes of the system's
// ANSI code page (936 on the target systems) just before a narrow call and
// comes back right after it, and becomes UTF-8 only for the files that are
// written or read that way.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// A high surrogate followed by a low one stands for one character beyond the
// Basic Multilingual Plane; either one alone stands for none.
inline bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
// The character of a surrogate pair.
inline char32_t CodePointOf(wchar_t high, wchar_t low) {
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (low - 0xDC00);
}

// UTF-16 to UTF-8. A lone surrogate, which UTF-8 cannot carry, becomes
// U+FFFD.
std::string ToUtf8(std::wstring_view text);

// UTF-8 to UTF-16. Each byte that starts no well-formed sequence (a cut or
// overlong sequence, an encoded surrogate, a stray continuation byte) becomes
// U+FFFD; for text that is only shown.
std::wstring FromUtf8(std::string_view bytes);
// The same, but false when |bytes| is not well-formed UTF-8, for readers that
// must refuse such a file rather than change its text.
bool FromUtf8(std::string_view bytes, std::wstring& text);

// The lines of a text split at each LF, without it and without a CR just
// before it. A text that ends in LF ends in an empty line.
std::vector<std::string_view> LinesOf(std::string_view text);
std::vector<std::wstring_view> LinesOf(std::wstring_view text);

// The lines of UTF-8 bytes (as LinesOf), each converted strictly. False when
// one is not well-formed UTF-8; |badLine| then holds its 1-based number.
bool FromUtf8Lines(std::string_view bytes, std::vector<std::wstring>& lines, size_t& badLine);

}  // namespace tolvane
