// Tells a window when the App Paths keys of either hive have changed, so that
// it can keep its list current while other programs add, change or delete
// registrations. One thread of its own waits for the registry's change
// notifications; a burst of changes gives one message, sent when the keys
// have been quiet for a moment, unless it changed nothing but what the
// program says it has just changed itself.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/app_path_entry.h"
#include "toolkit/handles.h"

namespace tolvane {

class RegistryWatcher {
  public:
    // How long the keys must stay quiet before a burst is reported.
    static constexpr DWORD kQuietMs = 300;
    // How long a noted own change waits for its notifications.
    static constexpr DWORD kOwnChangeMs = 2000;

    RegistryWatcher() = default;
    // Stops the watching thread.
    ~RegistryWatcher();
    RegistryWatcher(const RegistryWatcher&) = delete;
    RegistryWatcher& operator=(const RegistryWatcher&) = delete;

    // Starts watching; |window| then receives |message| (both parameters 0)
    // after each burst of changes. 0 on success, else the platform's error.
    DWORD Start(HWND window, UINT message);
    void Stop();
    bool IsRunning() const { return static_cast<bool>(thread_); }

    // Notes that the program has just changed the registrations |keys|
    // itself and refreshes on its own. The burst that follows is compared
    // with them: one that changed these registrations and no other is not
    // reported. Call it once the write has succeeded.
    void NoteOwnChange(const std::vector<EntryKey>& keys);

    // Each registration of an App Paths key, by upper-cased name, with when
    // it last changed.
    using KeyTimes = std::unordered_map<std::wstring, ULONGLONG>;

  private:
    static DWORD WINAPI ThreadMain(void* self);
    DWORD Watch();
    // Whether the change from |before| to |now| (the machine's, the user's)
    // is the program's own; takes the noted change either way.
    bool OwnChangeOnly(const KeyTimes (&before)[2], const KeyTimes (&now)[2]);

    HWND window_ = nullptr;
    UINT message_ = 0;
    UniqueKernelObject stop_;
    UniqueKernelObject ready_;  // set once the thread watches the keys
    UniqueKernelObject thread_;
    std::mutex mutex_;
    std::vector<EntryKey> own_;  // noted and not yet seen in a burst
    ULONGLONG ownNotedAt_ = 0;
};

}  // namespace tolvane
