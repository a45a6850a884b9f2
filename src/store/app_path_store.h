// The App Paths registrations of one hive: one subkey of
// ...\CurrentVersion\App Paths per short program name, its default value the
// program's path. A thin layer over the registry's wide calls, in the same
// registry view as 64-bit Explorer; every result code is passed on unchanged
// (0 is success) and the callers decide what the user is told.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "store/app_path_entry.h"
#include "toolkit/handles.h"

namespace tolvane {

inline constexpr wchar_t kAppPathsSubKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// A 32-bit program would otherwise see the 32-bit view of HKLM\SOFTWARE on
// 64-bit Windows, which the shell does not read.
inline constexpr REGSAM kRegistryView = KEY_WOW64_64KEY;

class AppPathStore {
  public:
    // The App Paths key of |scope|'s hive. The user's is that of the user at
    // the desktop: HKEY_CURRENT_USER, unless this process runs as another
    // account (elevated with an administrator's credentials), whose own hive
    // the desktop user's shell never reads.
    explicit AppPathStore(Scope scope = Scope::Machine);
    // Another key standing for it, as tests need.
    AppPathStore(HKEY root, std::wstring subKey, Scope scope);
    ~AppPathStore();
    AppPathStore(const AppPathStore&) = delete;
    AppPathStore& operator=(const AppPathStore&) = delete;

    // Opens the key with whatever rights the user has; on 0 the store is open.
    LONG OpenAppPaths();
    // Opens the key for writing, making it first when it is not there (a
    // user's App Paths key often is not, until a first registration).
    LONG CreateAppPaths();
    void CloseAppPaths();
    HKEY hAppPaths() const { return hAppPaths_.get(); }
    bool IsOpen() const { return static_cast<bool>(hAppPaths_); }
    // Whether the user may make and change registrations here.
    bool CanWrite() const { return writable_; }

    // Runs, when set, just before the program changes this key, so that a
    // watcher of the registry can tell the program's own changes from
    // those of other programs. The store calls it before its own writes;
    // writes through an open subkey call AnnounceChange() first.
    std::function<void()> beforeChange;
    void AnnounceChange() const {
        if (beforeChange) beforeChange();
    }
    Scope scope() const { return scope_; }

    // The subkey name at a zero-based index; any name fits. |written|, when
    // given, receives when the subkey last changed (a FILETIME).
    LONG EnumEntryName(DWORD index, std::wstring& name, ULONGLONG* written = nullptr) const;
    // One registration read afresh. A default value that cannot be read
    // still gives 0, with the entry marked Unreadable; a subkey that is gone
    // gives ERROR_FILE_NOT_FOUND.
    LONG ReadEntry(const std::wstring& name, AppPathEntry& entry) const;
    // Every registration in enumeration order. Subkeys that vanish while
    // the listing runs are left out. 0 when the whole key was read; any
    // other code ends the listing there.
    LONG ListEntries(std::vector<AppPathEntry>& entries) const;

    // Opens a registration's subkey: 0 means that it exists and |entry|
    // holds the handle.
    LONG OpenEntry(const std::wstring& name, UniqueKey& entry,
                   REGSAM access = KEY_QUERY_VALUE) const;
    // Whether a registration is there; a subkey that denies reading is there
    // all the same.
    bool HasEntry(const std::wstring& name) const;
    // Creates a registration's subkey, or opens it when it is there already;
    // |created| says which.
    LONG CreateEntry(const std::wstring& name, UniqueKey& entry, bool& created) const;
    // Deletes a registration's subkey with its own subkeys.
    LONG DeleteEntry(const std::wstring& name) const;

    // The default value of an open subkey, written with |type|.
    static LONG SetKeyValue(HKEY entry, DWORD type, const std::wstring& value);
    // A text value of an open subkey by name (null: the default value).
    static LONG SetTextValue(HKEY entry, const wchar_t* name, DWORD type,
                             const std::wstring& value);
    // Removes a value; one that is not there is no failure.
    static LONG RemoveValue(HKEY entry, const wchar_t* name);
    // The type of an open subkey's default value; REG_NONE when it has none.
    static DWORD DefaultType(HKEY entry);
    // The type of a value by name; REG_NONE when there is none.
    static DWORD ValueType(HKEY entry, const wchar_t* name);
    // Writes a new registration's values into the subkey that CreateEntry()
    // made: the path, and the Path value unless |folders| is empty, each with
    // the type that its text calls for. On failure the subkey goes again.
    static LONG FillNewEntry(HKEY entry, const std::wstring& path, const std::wstring& folders);
    // Deletes the key that |entry| holds open, and only that key: when it
    // has been deleted and made again meanwhile, the new one stays.
    static LONG DeleteOpenEntry(HKEY entry);

  private:
    UniqueKey ownRoot_;  // the desktop user's hive, when it is not ours
    HKEY root_;
    std::wstring subKey_;
    Scope scope_;
    UniqueKey hAppPaths_;
    bool writable_ = false;
};

// The registrations of both hives.
struct AppPathStores {
    AppPathStore machine{Scope::Machine};
    AppPathStore user{Scope::User};

    AppPathStore& For(Scope scope) { return scope == Scope::User ? user : machine; }
    const AppPathStore& For(Scope scope) const { return scope == Scope::User ? user : machine; }
};

// The hive of the user at the desktop when this process runs as another
// account; null when it is this process's own HKEY_CURRENT_USER.
UniqueKey DesktopUserHive();

// Reads a value of an open subkey as text; null names the default value.
TextValue ReadTextValue(HKEY key, const wchar_t* valueName);

}  // namespace tolvane
