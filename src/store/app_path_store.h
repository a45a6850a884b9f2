// The App Paths registrations of one hive: one subkey of
// ...\CurrentVersion\App Paths per short program name, its default value the
// program's path. A thin layer over the registry's wide calls for reading
// them, in the same registry view as 64-bit Explorer; every result code is
// passed on unchanged (0 is success) and the callers decide what the user is
// told. Changes go through the registration commands
// (commands/registration_commands.h), all or nothing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "store/app_path_entry.h"
#include "store/registry_snapshot.h"
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
    void CloseAppPaths();
    HKEY hAppPaths() const { return hAppPaths_.get(); }
    bool IsOpen() const { return static_cast<bool>(hAppPaths_); }
    // Whether the user may make and change registrations here.
    bool CanWrite() const { return writable_; }
    Scope scope() const { return scope_; }
    // The hive that holds the key.
    HKEY root() const { return root_; }

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
    // The hives, for the commands that change registrations.
    Hives hives() const { return {machine.root(), user.root()}; }

    // Runs, when set, as soon as the program has changed registrations, with
    // the ones it changed: a watcher of the registry then tells the
    // program's own changes from those of other programs.
    std::function<void(const std::vector<EntryKey>&)> changed;
    void Changed(const std::vector<EntryKey>& keys) const {
        if (changed) changed(keys);
    }
};

// The hive of the user at the desktop when this process runs as another
// account; null when it is this process's own HKEY_CURRENT_USER.
UniqueKey DesktopUserHive();

// Reads a value of an open subkey as text; null names the default value.
TextValue ReadTextValue(HKEY key, const wchar_t* valueName);

}  // namespace tolvane
