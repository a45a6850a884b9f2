#include "health/registry_watcher.h"

#include <algorithm>
#include <string>

#include "store/app_path_store.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr DWORD kFilter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

// A key held open for one change notification, and the event it sets.
struct Notification {
    UniqueKey key;
    UniqueKernelObject changed;
};

// One hive: its App Paths key with everything below it, while the key
// exists, and the nearest key above it that exists, which tells when the
// key appears or is deleted (a deleted key's own notification does not fire
// everywhere). The key is never created just to be watched.
struct HiveWatch {
    HKEY root = nullptr;
    Notification appPaths;
    Notification above;
};

// Opens the key afresh and asks for its next change. Closing the old handle
// may set the event, so the event is cleared only after that.
bool Arm(HKEY root, const std::wstring& path, bool subtree, Notification& notification) {
    notification.key.reset();
    ResetEvent(notification.changed.get());
    UniqueKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_NOTIFY | KEY_QUERY_VALUE | kRegistryView,
                      key.put()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD filter = subtree ? kFilter : REG_NOTIFY_CHANGE_NAME;
    if (RegNotifyChangeKeyValue(key.get(), subtree, filter, notification.changed.get(), TRUE) !=
        ERROR_SUCCESS) {
        return false;
    }
    notification.key = std::move(key);
    return true;
}

void ArmAppPaths(HiveWatch& watch) {
    Arm(watch.root, kAppPathsSubKey, true, watch.appPaths);
}

void ArmAbove(HiveWatch& watch) {
    std::wstring path = kAppPathsSubKey;
    do {
        size_t cut = path.find_last_of(L'\\');
        path.resize(cut == std::wstring::npos ? 0 : cut);
    } while (!Arm(watch.root, path, false, watch.above) && !path.empty());
}

bool Deleted(HKEY key) {
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_KEY_DELETED;
}

// Re-arms what fired; true when App Paths itself changed, came or went.
bool AppPathsChanged(HiveWatch& watch) {
    bool had = static_cast<bool>(watch.appPaths.key);
    ArmAppPaths(watch);
    return had || watch.appPaths.key;
}

bool AboveChanged(HiveWatch& watch) {
    ArmAbove(watch);
    // Another subkey of the parent came or went.
    if (watch.appPaths.key && !Deleted(watch.appPaths.key.get())) return false;
    return AppPathsChanged(watch);
}

// Stops early when |stop| is set: reading thousands of registrations takes
// a fifth of a second, which the window's close would otherwise wait for.
RegistryWatcher::KeyTimes ReadKeyTimes(HKEY root, HANDLE stop) {
    RegistryWatcher::KeyTimes times;
    UniqueKey appPaths;
    if (RegOpenKeyExW(root, kAppPathsSubKey, 0, KEY_READ | kRegistryView, appPaths.put()) !=
        ERROR_SUCCESS) {
        return times;
    }
    for (DWORD index = 0;; ++index) {
        if (index % 256 == 0 && WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) return times;
        wchar_t name[256];
        DWORD length = 256;
        FILETIME written{};
        if (RegEnumKeyExW(appPaths.get(), index, name, &length, nullptr, nullptr, nullptr,
                          &written) != ERROR_SUCCESS) {
            return times;
        }
        times[Folded(std::wstring(name, length))] =
            (ULONGLONG{written.dwHighDateTime} << 32) | written.dwLowDateTime;
    }
}

// The registrations that differ between |before| and |now|: made, changed
// or gone.
std::vector<std::wstring> Changed(const RegistryWatcher::KeyTimes& before,
                                  const RegistryWatcher::KeyTimes& now) {
    std::vector<std::wstring> changed;
    for (const auto& [name, written] : now) {
        auto earlier = before.find(name);
        if (earlier == before.end() || earlier->second != written) changed.push_back(name);
    }
    for (const auto& [name, written] : before) {
        if (!now.count(name)) changed.push_back(name);
    }
    return changed;
}

DWORD Remaining(ULONGLONG deadline) {
    ULONGLONG now = GetTickCount64();
    return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

RegistryWatcher::~RegistryWatcher() {
    Stop();
}

DWORD RegistryWatcher::Start(HWND window, UINT message) {
    Stop();
    window_ = window;
    message_ = message;
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ready_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_ || !ready_) return GetLastError();
    thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (!thread_) return GetLastError();
    // Changes made right after Start are seen: the keys are watched by now.
    HANDLE waits[] = {ready_.get(), thread_.get()};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) return ERROR_SUCCESS;
    DWORD code = ERROR_GEN_FAILURE;
    GetExitCodeThread(thread_.get(), &code);
    thread_.reset();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

void RegistryWatcher::Stop() {
    if (thread_) {
        SetEvent(stop_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    stop_.reset();
    ready_.reset();
}

void RegistryWatcher::NoteOwnChange(const std::vector<EntryKey>& keys) {
    std::lock_guard lock(mutex_);
    own_.insert(own_.end(), keys.begin(), keys.end());
    ownNotedAt_ = GetTickCount64();
}

bool RegistryWatcher::OwnChangeOnly(const KeyTimes (&before)[2], const KeyTimes (&now)[2]) {
    std::vector<EntryKey> own;
    {
        std::lock_guard lock(mutex_);
        own.swap(own_);
        // A noted change whose notifications never came says nothing of
        // later ones.
        if (GetTickCount64() - ownNotedAt_ > kOwnChangeMs) own.clear();
    }
    if (own.empty()) return false;
    for (Scope scope : {Scope::Machine, Scope::User}) {
        int hive = scope == Scope::User ? 1 : 0;
        for (const std::wstring& name : Changed(before[hive], now[hive])) {
            bool noted = std::any_of(own.begin(), own.end(), [&](const EntryKey& key) {
                return key.scope == scope && Folded(key.name) == name;
            });
            if (!noted) return false;
        }
    }
    return true;
}

DWORD WINAPI RegistryWatcher::ThreadMain(void* self) {
    return static_cast<RegistryWatcher*>(self)->Watch();
}

DWORD RegistryWatcher::Watch() {
    HiveWatch hives[2];
    hives[0].root = HKEY_LOCAL_MACHINE;
    // The user whose registrations are listed: the one at the desktop, also
    // when this process runs as another account.
    UniqueKey desktopUser = DesktopUserHive();
    hives[1].root = desktopUser ? desktopUser.get() : HKEY_CURRENT_USER;
    HANDLE waits[5] = {stop_.get()};
    for (int i = 0; i < 2; ++i) {
        hives[i].appPaths.changed.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        hives[i].above.changed.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!hives[i].appPaths.changed || !hives[i].above.changed) return GetLastError();
        // Above first: a key that appears in between is then still seen.
        ArmAbove(hives[i]);
        ArmAppPaths(hives[i]);
        waits[1 + 2 * i] = hives[i].appPaths.changed.get();
        waits[2 + 2 * i] = hives[i].above.changed.get();
    }
    SetEvent(ready_.get());
    // What the keys hold, to tell after each burst what it changed.
    KeyTimes times[2] = {ReadKeyTimes(hives[0].root, stop_.get()),
                         ReadKeyTimes(hives[1].root, stop_.get())};

    bool pending = false;  // a burst is under way
    ULONGLONG deadline = 0;
    for (;;) {
        DWORD result =
            WaitForMultipleObjects(5, waits, FALSE, pending ? Remaining(deadline) : INFINITE);
        if (result == WAIT_TIMEOUT) {
            KeyTimes now[2] = {ReadKeyTimes(hives[0].root, stop_.get()),
                               ReadKeyTimes(hives[1].root, stop_.get())};
            if (!OwnChangeOnly(times, now)) PostMessageW(window_, message_, 0, 0);
            times[0] = std::move(now[0]);
            times[1] = std::move(now[1]);
            pending = false;
            continue;
        }
        if (result <= WAIT_OBJECT_0 || result >= WAIT_OBJECT_0 + 5) return ERROR_SUCCESS;
        DWORD index = result - WAIT_OBJECT_0 - 1;
        HiveWatch& hive = hives[index / 2];
        if (!(index % 2 == 0 ? AppPathsChanged(hive) : AboveChanged(hive))) continue;
        pending = true;
        deadline = GetTickCount64() + kQuietMs;
    }
}

}  // namespace tolvane
