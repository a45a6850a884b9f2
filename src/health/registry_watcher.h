// Tells a window when the App Paths keys of either hive have changed, so that
// it can keep its list current while other programs add, change or delete
// registrations. One thread of its own waits for the registry's change
// notifications; a burst of changes gives one message, sent when the keys
// have been quiet for a moment.
#pragma once

#include <windows.h>

#include <atomic>

#include "toolkit/handles.h"

namespace tolvane {

class RegistryWatcher {
  public:
    // How long the keys must stay quiet before a burst is reported.
    static constexpr DWORD kQuietMs = 300;
    // How long an announced own change waits for its notifications.
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

    // Announces that the program is about to change the keys itself and
    // will refresh on its own: the burst that follows within kOwnChangeMs is
    // not reported. Call it just before writing, then refresh as usual.
    void ExpectOwnChange();

  private:
    static DWORD WINAPI ThreadMain(void* self);
    DWORD Watch();
    bool TakeOwnChange();

    HWND window_ = nullptr;
    UINT message_ = 0;
    UniqueKernelObject stop_;
    UniqueKernelObject ready_;  // set once the thread watches the keys
    UniqueKernelObject thread_;
    std::atomic<ULONGLONG> ownChangeUntil_{0};
};

}  // namespace tolvane
