// Times the health checks of 1,000 registrations with the real search
// places, and the registry watcher: from a change to its message, and how
// long stopping it takes. Prints figures; asserts nothing.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "health/health.h"
#include "health/registry_watcher.h"
#include "store/app_path_store.h"
#include "timing.h"
#include "toolkit/handles.h"

using namespace tolvane;
using namespace tolvane::bench;

namespace {

constexpr int kEntries = 1000;
constexpr int kRuns = 5;
constexpr UINT kChanged = WM_APP + 1;

std::vector<AppPathEntry> Entries() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<AppPathEntry> entries;
    for (int i = 0; i < kEntries; ++i) {
        std::wstring name = L"bench" + std::to_wstring(i) + L".exe";
        std::wstring path = i % 2 ? std::wstring(self) : L"C:\\missing\\" + name;
        AppPathEntry entry = TextEntry(name, path, i % 3 ? Scope::Machine : Scope::User);
        entry.pathValue = {ValueState::Text, REG_EXPAND_SZ, L"%SystemRoot%;C:\\missing"};
        entries.push_back(std::move(entry));
    }
    return entries;
}

void BenchChecks() {
    const std::vector<AppPathEntry> entries = Entries();
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        Clock::time_point start = Clock::now();
        SearchPlaces places = ReadSearchPlaces();
        std::vector<HealthReport> reports;
        for (const AppPathEntry& entry : entries) reports.push_back(CheckEntry(entry, places));
        MarkBothScopes(entries, reports);
        runs.push_back(Milliseconds(start));
    }
    std::printf("health checks of %d entries: median %.1f ms (%zu search folders)\n", kEntries,
                Median(runs), ReadSearchPlaces().path.size() + 2);
}

// Waits up to 5 s for the watcher's message.
bool WaitForMessage(HWND window) {
    const ULONGLONG end = GetTickCount64() + 5000;
    for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
            if (msg.message == kChanged) return true;
        }
    }
    return false;
}

void BenchWatcher() {
    UniqueWindow window(
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    UniqueKey appPaths;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPathsSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    appPaths.put(), nullptr);
    std::vector<double> latencies;
    std::vector<double> stops;
    for (int run = 0; run < kRuns; ++run) {
        RegistryWatcher watcher;
        watcher.Start(window.get(), kChanged);
        const std::wstring path = L"C:\\bench" + std::to_wstring(run) + L".exe";
        Clock::time_point changed = Clock::now();
        RegSetKeyValueW(appPaths.get(), L"bench.exe", nullptr, REG_SZ, path.c_str(),
                        static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
        if (WaitForMessage(window.get())) latencies.push_back(Milliseconds(changed));
        Clock::time_point stopping = Clock::now();
        watcher.Stop();
        stops.push_back(Milliseconds(stopping));
    }
    if (!latencies.empty()) {
        std::printf("watcher: change to message median %.1f ms (quiet time %lu ms), %zu of %d\n",
                    Median(latencies), RegistryWatcher::kQuietMs, latencies.size(), kRuns);
    }
    std::printf("watcher: stop median %.2f ms, worst %.2f ms\n", Median(stops),
                *std::max_element(stops.begin(), stops.end()));
}

}  // namespace

int main() {
    BenchChecks();
    BenchWatcher();
    return 0;
}
