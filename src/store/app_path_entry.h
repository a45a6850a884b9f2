// The program's record of one App Paths registration: which key holds it,
// its name, and its default value as the registry holds it. Everything the
// window shows, the exports write and the commands act on comes from here.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

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
// "machine" or "user", for scripts and files.
const wchar_t* ScopeToken(Scope scope);
// The scope that ScopeToken() calls |token|; none for another word.
std::optional<Scope> ScopeOfToken(const std::wstring& token);

// An entry whose default value is the REG_SZ text |path|.
AppPathEntry TextEntry(std::wstring name, std::wstring path, Scope scope = Scope::Machine);

// The name a registration is saved under: |name| with ".exe" appended
// unless its last four characters are ".exe" in any letter case. The name
// keeps the case that it was typed in.
std::wstring WithExeSuffix(const std::wstring& name);
// What keeps a text from naming a key or a value, by the registry's own
// rules. Names from every source (the dialog, the command line, .reg and
// JSON files) go through the same check before anything is written.
enum class NameFault {
    None,
    Empty,      // a key needs a name
    Backslash,  // it would make the registry create a nested subkey
    Control,    // NUL, where the wide calls would cut the name, or another control character
    TooLong,    // over kMaxKeyNameLength or kMaxValueNameLength characters
    Dots,       // "." and "..", which read as the key itself and its parent in paths
};

inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;

// A key's name: a registration's, or a subkey's below one.
NameFault KeyNameFault(std::wstring_view name);
// A value's name (empty for the default value). The registry allows any
// character in it but NUL, a backslash too.
NameFault ValueNameFault(std::wstring_view name);

// Whose name a fault is told of.
enum class NameRole { Registration, Subkey, Value };
// The sentence that tells the user of |fault|; empty for None.
std::wstring NameFaultText(NameFault fault, NameRole role);

// A backslash would make the registry create a nested subkey: the entry
// would land where the list never shows it, and its parent could no longer
// be deleted.
inline constexpr wchar_t kBackslashMessage[] = L"项目名称不能包含反斜杠（\\）！";

// Whether |name| may name a registration: KeyNameFault() finds nothing.
bool IsAllowedEntryName(const std::wstring& name);
// What is wrong with |name| as a registration's name, for the user; empty
// when nothing is.
std::wstring EntryNameProblem(const std::wstring& name);

EntryKey KeyOf(const AppPathEntry& entry);
bool SameName(const std::wstring& a, const std::wstring& b);
bool SameEntry(const EntryKey& a, const EntryKey& b);
// Orders names as SameName() compares them, and entries by scope, then
// name: for indexes of registrations, keys and values.
struct NameOrder {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
};
struct EntryOrder {
    bool operator()(const EntryKey& a, const EntryKey& b) const;
};
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
