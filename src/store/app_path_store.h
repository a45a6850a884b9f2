// The App Paths registrations: one subkey of
// HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths per
// short program name, its default value the program's full path. A thin layer
// over the registry's narrow calls; every result code is passed on unchanged
// (0 is success) and the callers decide what the user is told.
#pragma once

#include <windows.h>

#include <array>
#include <string>

namespace tolvane {

inline constexpr wchar_t kAppPathsSubKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// One registration.
struct AppPathEntry {
    std::wstring name;  // the subkey's name, the entry's identity
    std::wstring path;  // the subkey's default value (REG_SZ)
};

// The name and value buffers of one listing: made once, all NUL, and reused
// for every index without being cleared in between.
struct RefreshBuffers {
    static constexpr DWORD kCapacity = 256;
    std::array<char, kCapacity> name{};
    std::array<char, kCapacity> value{};
};

class AppPathStore {
  public:
    // The root and sub-path are parameters so that another hive (the
    // per-user registrations) can be served by a second store.
    explicit AppPathStore(HKEY root = HKEY_LOCAL_MACHINE, std::wstring subKey = kAppPathsSubKey);
    ~AppPathStore();
    AppPathStore(const AppPathStore&) = delete;
    AppPathStore& operator=(const AppPathStore&) = delete;

    // RegOpenKeyA on the root and sub-path; on 0 the store is open.
    LONG OpenAppPaths();
    // RegCloseKey on the open key, whatever its state; the result is ignored.
    void CloseAppPaths();
    HKEY hAppPaths() const { return hAppPaths_; }
    bool IsOpen() const { return hAppPaths_ != nullptr; }

    // RegEnumKeyA at a zero-based index. On 0, |name| holds the entry name.
    // A name too long for the 256-byte buffer is read whole with a larger
    // one, so that it does not end the listing; only the end of the list or
    // a real error gives a non-zero code.
    LONG EnumEntryName(DWORD index, RefreshBuffers& buffers, std::wstring& name);
    // RegQueryValueA of the default value of the subkey |name|. A path that
    // does not fit the 256-byte buffer is read whole with a larger one. On
    // failure |path| is empty.
    LONG QueryEntryPath(const std::wstring& name, RefreshBuffers& buffers, std::wstring& path);

    // RegOpenKeyA on the open key: 0 means that the entry exists, and
    // |entry| then holds an open handle that the caller releases.
    LONG OpenEntry(const std::wstring& name, HKEY& entry);
    // RegCreateKeyA on the open key: 0 means that the subkey exists now.
    LONG CreateEntry(const std::wstring& name, HKEY& entry);
    // RegSetValueA: the default value of |subKey| under |key|, as REG_SZ,
    // with the byte count of the value's ANSI form plus its NUL.
    bool SetKeyValue(HKEY key, const std::wstring& subKey, const std::wstring& value);
    // RegDeleteKeyA on the open key.
    LONG DeleteEntry(const std::wstring& name);
    // RegCloseKey on a subkey handle; the result is ignored.
    void CloseEntry(HKEY entry);

  private:
    HKEY root_;
    std::wstring subKey_;
    HKEY hAppPaths_ = nullptr;
};

}  // namespace tolvane
