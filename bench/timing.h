// Timing and registry helpers that the benchmarks share.
#pragma once

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <windows.h>

#include "store/app_path_store.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane::bench {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

inline double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The machine's App Paths key, made when absent.
inline UniqueKey MachineAppPaths() {
    UniqueKey root;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPathsSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    root.put(), nullptr);
    return root;
}

// Every registration of the machine gone, the last subkey first: Wine keeps
// subkeys in a sorted array, and taking the first each time moves all the
// others.
inline void ClearMachineAppPaths() {
    UniqueKey root = MachineAppPaths();
    DWORD subkeys = 0;
    RegQueryInfoKeyW(root.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    for (DWORD index = subkeys; index-- > 0;) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
            ERROR_SUCCESS) {
            RegDeleteTreeW(root.get(), name);
            RegDeleteKeyW(root.get(), name);
        }
    }
}

// tolvanec.exe beside the benchmarks' folder: build\bench\x.exe ->
// build\tolvanec.exe.
inline std::wstring TolvanecBeside() {
    std::wstring folder = ProgramFolder();
    return folder.substr(0, folder.find_last_of(L'\\')) + L"\\tolvanec.exe";
}

}  // namespace tolvane::bench
