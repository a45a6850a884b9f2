#include "toolkit/narrow.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace tolvane {

std::string ToAnsi(std::wstring_view text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::wstring FromAnsi(std::string_view bytes) {
    if (bytes.empty()) return {};
    int size =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

std::wstring FromAnsiBuffer(const char* buffer, size_t capacity) {
    const void* nul = std::memchr(buffer, 0, capacity);
    size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - buffer) : capacity;
    return FromAnsi(std::string_view(buffer, length));
}

size_t AnsiLength(std::wstring_view text) {
    return ToAnsi(text).size();
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t code, std::string& bytes) {
    if (code < 0x80) {
        bytes += static_cast<char>(code);
    } else if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | (code >> 6));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        bytes += static_cast<char>(0xE0 | (code >> 12));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (code >> 18));
        bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void AppendUtf16(char32_t code, std::wstring& text) {
    if (code < 0x10000) {
        text += static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        text += static_cast<wchar_t>(0xD800 | (code >> 10));
        text += static_cast<wchar_t>(0xDC00 | (code & 0x3FF));
    }
}

// The code point of the sequence at |bytes[at]|, and its length in |length|;
// 0 in |length| when no well-formed sequence starts there.
char32_t DecodeUtf8(std::string_view bytes, size_t at, size_t& length) {
    auto lead = static_cast<unsigned char>(bytes[at]);
    length = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    size_t size = lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (size == 0 || lead >= 0xF8 || at + size > bytes.size()) return kReplacement;
    char32_t code = lead & (0x7F >> size);
    for (size_t i = 1; i < size; ++i) {
        auto next = static_cast<unsigned char>(bytes[at + i]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[size] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return kReplacement;
    }
    length = size;
    return code;
}

template <typename Char>
std::vector<std::basic_string_view<Char>> SplitLines(std::basic_string_view<Char> text) {
    std::vector<std::basic_string_view<Char>> lines;
    for (size_t start = 0; start <= text.size();) {
        size_t end = std::min(text.find(Char('\n'), start), text.size());
        std::basic_string_view<Char> line = text.substr(start, end - start);
        if (line.ends_with(Char('\r'))) line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

}  // namespace

std::string ToUtf8(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            code = CodePointOf(text[i], text[i + 1]);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            code = kReplacement;
        }
        AppendUtf8(code, bytes);
    }
    return bytes;
}

bool FromUtf8(std::string_view bytes, std::wstring& text) {
    text.clear();
    text.reserve(bytes.size());
    bool whole = true;
    for (size_t i = 0; i < bytes.size();) {
        size_t length = 0;
        char32_t code = DecodeUtf8(bytes, i, length);
        if (length == 0) {
            whole = false;
            length = 1;
        }
        AppendUtf16(code, text);
        i += length;
    }
    return whole;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring text;
    FromUtf8(bytes, text);
    return text;
}

std::vector<std::string_view> LinesOf(std::string_view text) {
    return SplitLines(text);
}

std::vector<std::wstring_view> LinesOf(std::wstring_view text) {
    return SplitLines(text);
}

bool FromUtf8Lines(std::string_view bytes, std::vector<std::wstring>& lines, size_t& badLine) {
    lines.clear();
    for (std::string_view line : LinesOf(bytes)) {
        std::wstring text;
        if (!FromUtf8(line, text)) {
            badLine = lines.size() + 1;
            return false;
        }
        lines.push_back(std::move(text));
    }
    return true;
}

}  // namespace tolvane
