#include "toolkit/file_scope.h"

namespace tolvane {

FileScope::FileScope() {
#ifndef _WIN64
    // Fails harmlessly where there is no redirection (32-bit Windows).
    redirectionOff_ = Wow64DisableWow64FsRedirection(&redirection_);
#endif
}

FileScope::~FileScope() {
#ifndef _WIN64
    if (redirectionOff_) Wow64RevertWow64FsRedirection(redirection_);
#endif
}

std::wstring ShellPath(const std::wstring& text) {
    size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring::npos) return {};
    std::wstring path = text.substr(first, text.find_last_not_of(L' ') - first + 1);
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
        path = path.substr(1, path.size() - 2);
    }
    return path;
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FullPath(const std::wstring& path) {
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring full(needed, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    full.resize(length);
    return full;
}

}  // namespace tolvane
