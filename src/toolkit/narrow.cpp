#include "toolkit/narrow.h"

#include <windows.h>

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

}  // namespace tolvane
