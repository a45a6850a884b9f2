// The program's record of one App Paths registration: which key holds it,
// its name, and its default value as the registry holds it. Everything the
// window shows, the exports write and the commands act on comes from here.
#pragma once

#include <windows.h>

#include <string>

namespace tolvane {

// Which App Paths key holds a registration.
enum class Scope {
    Machine,  // HKEY_LOCAL_MACHINE: every user
    User,     // HKEY_CURRENT_USER: the current user only
};

// What the default value holds.
enum class ValueState {
    Text,        // REG_SZ or REG_EXPAND_SZ, read whole
    Missing,     // no default value: the path is empty
    NotText,     // a value of another type; it names no file
    Unreadable,  // the value could not be read (no rights, for instance)
};

// A registry value read as text.
struct TextValue {
    ValueState state = ValueState::Missing;
    DWORD type = REG_NONE;  // REG_NONE when missing
    std::wstring raw;       // cut at its first NUL; empty unless Text
};

struct AppPathEntry {
    std::wstring name;  // the subkey's name; with the scope, the entry's identity
    Scope scope = Scope::Machine;
    // The default value: the program's path.
    ValueState state = ValueState::Missing;
    DWORD type = REG_NONE;  // REG_NONE when missing
    std::wstring raw;       // cut at its first NUL; empty unless Text
    // The "Path" value: folders, separated by ";", that the shell puts in
    // front of the started program's PATH.
    TextValue pathValue;
    // When the subkey last changed, as the listing found it (a FILETIME);
    // 0 when unknown.
    ULONGLONG written = 0;
};

// The name of the value that holds a registration's extra folders.
inline constexpr wchar_t kPathValueName[] = L"Path";

// Who an entry is: its scope and its name. Names compare as the registry
// compares key names, without regard to letter case.
struct EntryKey {
    Scope scope = Scope::Machine;
    std::wstring name;
};

// How the window names a scope: "所有用户" or "当前用户".
const wchar_t* ScopeText(Scope scope);
Scope OtherScope(Scope scope);

// An entry whose default value is the REG_SZ text |path|.
AppPathEntry TextEntry(std::wstring name, std::wstring path, Scope scope = Scope::Machine);

// The name a registration is saved under: |name| with ".exe" appended
// unless its last four characters are ".exe" in any letter case. The name
// keeps the case that it was typed in.
std::wstring WithExeSuffix(const std::wstring& name);
// Whether |name| may name a registration: it is not empty and holds no
// backslash, which would make the registry create a nested subkey that no
// listing shows and that keeps its parent from being deleted.
bool IsAllowedEntryName(const std::wstring& name);

EntryKey KeyOf(const AppPathEntry& entry);
bool SameName(const std::wstring& a, const std::wstring& b);
bool SameEntry(const EntryKey& a, const EntryKey& b);
bool Matches(const AppPathEntry& entry, const EntryKey& key);

// The text of the path column: the path, or a marker for a value that is
// not a path.
std::wstring ShownPath(const AppPathEntry& entry);
// The path that exports write: the text, or empty for a value that is not
// text.
const std::wstring& ExportedPath(const AppPathEntry& entry);
// The file that the registration names, as far as the platform would read
// it: REG_EXPAND_SZ values with their environment variables expanded.
std::wstring ExpandedPath(const AppPathEntry& entry);

// The type a default value is written with: REG_EXPAND_SZ stays, and text
// holding "%" becomes REG_EXPAND_SZ; otherwise REG_SZ. |previousType| is
// REG_NONE for a new value.
DWORD TypeForWrite(DWORD previousType, const std::wstring& text);

// Environment variables in |text| expanded, as the shell expands them.
std::wstring ExpandEnvironment(const std::wstring& text);

}  // namespace tolvane
