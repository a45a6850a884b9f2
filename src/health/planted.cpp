#include "health/planted.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "toolkit/file_scope.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr const wchar_t* kScriptExtensions[] = {L".BAT", L".CMD", L".PS1", L".VBS", L".VBE", L".JS",
                                                L".JSE", L".WSF", L".HTA", L".SCR", L".DLL"};
constexpr const wchar_t* kScriptHosts[] = {L"MSHTA.EXE",   L"RUNDLL32.EXE", L"REGSVR32.EXE",
                                           L"WSCRIPT.EXE", L"CSCRIPT.EXE",  L"POWERSHELL.EXE",
                                           L"PWSH.EXE",    L"CMD.EXE"};
// Folders that are suspicious wherever they are, with all below them.
constexpr const wchar_t* kRiskyParts[] = {L"\\APPDATA\\LOCAL\\TEMP\\", L"\\DOWNLOADS\\",
                                          L"\\USERS\\PUBLIC\\"};

// A short name ("PUBLIC~1") read as its long one, where the folder exists.
std::wstring LongPathOf(const std::wstring& path) {
    if (path.find(L'~') == std::wstring::npos) return path;
    DWORD needed = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return path;
    std::wstring longer(needed, L'\0');
    DWORD length = GetLongPathNameW(path.c_str(), longer.data(), needed);
    if (length == 0 || length >= needed) return path;
    longer.resize(length);
    return longer;
}

// One spelling for every way of writing a folder: full, long names, upper
// case, with a final backslash, so that folders compare as text.
std::wstring Canonical(const std::wstring& folder) {
    std::wstring canonical = Folded(LongPathOf(FullPath(folder)));
    if (canonical.empty() || canonical.back() != L'\\') canonical += L'\\';
    return canonical;
}

struct RiskyFolders {
    std::vector<std::wstring> trees;  // the temporary folders, with all below them
    std::wstring programDataRoot;     // only the files right in it
};

const RiskyFolders& Risky() {
    static const RiskyFolders folders = [] {
        RiskyFolders risky;
        wchar_t buffer[MAX_PATH + 1] = {};
        DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
        if (length > 0 && length <= MAX_PATH) risky.trees.push_back(Canonical(buffer));
        UINT windows = GetSystemWindowsDirectoryW(buffer, MAX_PATH);
        if (windows > 0 && windows < MAX_PATH) {
            risky.trees.push_back(Canonical(std::wstring(buffer, windows) + L"\\Temp"));
        }
        if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) ==
            S_OK) {
            risky.programDataRoot = Canonical(buffer);
        }
        return risky;
    }();
    return folders;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

std::wstring FolderOf(const std::wstring& file) {
    std::wstring full = FullPath(file);
    size_t slash = full.find_last_of(L'\\');
    return slash == std::wstring::npos ? full : full.substr(0, slash + 1);
}

bool IsSuspiciousFolder(const std::wstring& folder) {
    const std::wstring canonical = Canonical(folder);
    const RiskyFolders& risky = Risky();
    bool inTemp =
        std::any_of(risky.trees.begin(), risky.trees.end(),
                    [&](const std::wstring& tree) { return canonical.rfind(tree, 0) == 0; });
    return inTemp || canonical == risky.programDataRoot ||
           std::any_of(std::begin(kRiskyParts), std::end(kRiskyParts), [&](const wchar_t* part) {
               return canonical.find(part) != std::wstring::npos;
           });
}

bool IsScriptTarget(const std::wstring& fileName, const std::wstring& target) {
    const std::wstring name = Folded(FileNameOf(target));
    if (std::any_of(std::begin(kScriptExtensions), std::end(kScriptExtensions),
                    [&](const wchar_t* extension) { return EndsWith(name, extension); })) {
        return true;
    }
    // A host registered under its own name starts what it always starts.
    return std::find(std::begin(kScriptHosts), std::end(kScriptHosts), name) !=
               std::end(kScriptHosts) &&
           Folded(fileName) != name;
}

}  // namespace tolvane
