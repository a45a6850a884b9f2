#include "console/output.h"

#include <algorithm>
#include <string>

#include "toolkit/narrow.h"

namespace tolvane::console {

namespace {

// WriteConsoleW refuses very long writes on older systems; stay well below.
constexpr size_t kConsoleChunk = 8192;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != 0;
}

// Text that has its CR LF already (CSV records, JSON) keeps it.
std::wstring WithCrLf(std::wstring_view text) {
    std::wstring lines;
    lines.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) lines += L'\r';
        lines += text[i];
    }
    return lines;
}

bool WriteConsoleText(HANDLE console, std::wstring_view text) {
    while (!text.empty()) {
        DWORD count = static_cast<DWORD>(std::min(text.size(), kConsoleChunk));
        // A surrogate pair stays in one write.
        if (count < text.size() && IS_HIGH_SURROGATE(text[count - 1])) --count;
        DWORD written = 0;
        if (!WriteConsoleW(console, text.data(), count, &written, nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

bool WriteBytes(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

}  // namespace

bool WriteText(HANDLE handle, std::wstring_view text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    std::wstring lines = WithCrLf(text);
    if (IsConsole(handle)) return WriteConsoleText(handle, lines);
    return WriteBytes(handle, ToUtf8(lines));
}

size_t ConsoleColumns(HANDLE handle) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!IsConsole(handle) || !GetConsoleScreenBufferInfo(handle, &info) || info.dwSize.X < 2) {
        return 0;
    }
    return static_cast<size_t>(info.dwSize.X) - 1;
}

bool WriteOut(std::wstring_view text) {
    return WriteText(GetStdHandle(STD_OUTPUT_HANDLE), text);
}

bool WriteErr(std::wstring_view text) {
    return WriteText(GetStdHandle(STD_ERROR_HANDLE), text);
}

}  // namespace tolvane::console
