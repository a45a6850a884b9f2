// Times RefreshList over 1,000 registrations against its floor: the bare
// registry reads plus icon extraction and drawing that a listing cannot
// avoid. Also times the start of the real program with those entries, from
// process creation to the window shown. Prints figures; asserts nothing.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "main_window/main_window.h"
#include "store/app_path_store.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"

using namespace tolvane;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kEntries = 1000;
constexpr int kRuns = 5;

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring TempPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

void Register(HKEY root, const std::wstring& name, const std::wstring& path) {
    UniqueKey entry;
    RegCreateKeyExW(root, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, entry.put(),
                    nullptr);
    RegSetValueExW(entry.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

void FillRegistry() {
    UniqueKey root;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppPathsSubKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    root.put(), nullptr);
    const std::wstring batch = TempPath(L"bench.bat");
    const std::wstring text = TempPath(L"bench.txt");
    std::ofstream(batch.c_str()) << "@echo off\n";
    std::ofstream(text.c_str()) << "text\n";
    const std::wstring self = OwnPath();
    for (int i = 0; i < kEntries; ++i) {
        std::wstring path;
        switch (i % 4) {
            case 0:
            case 1:
                path = self;  // a program with an icon
                break;
            case 2:
                path = L"C:\\missing\\program" + std::to_wstring(i) + L".exe";
                break;
            default:
                path = (i % 8 == 3) ? batch : text;
                break;
        }
        Register(root.get(), L"bench" + std::to_wstring(10000 + i) + L".exe", path);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Milliseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// The floor: enumerate and read every entry, extract its icon and draw it
// into a memory device context.
double FloorOnce() {
    HDC screen = GetDC(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 32, 32));
    ReleaseDC(nullptr, screen);
    SelectedObject selected(dc.get(), bitmap.get());
    auto start = Clock::now();
    HKEY root = nullptr;
    RegOpenKeyA(HKEY_LOCAL_MACHINE, ToAnsi(kAppPathsSubKey).c_str(), &root);
    char name[256] = {};
    char value[256] = {};
    for (DWORD index = 0; RegEnumKeyA(root, index, name, 256) == ERROR_SUCCESS; ++index) {
        LONG size = 256;
        RegQueryValueA(root, name, value, &size);
        HICON icon = ExtractIconA(GetModuleHandleW(nullptr), value, 0);
        if (icon) {
            DrawIcon(dc.get(), 0, 0, icon);
            if (icon != reinterpret_cast<HICON>(1)) DestroyIcon(icon);
        }
    }
    RegCloseKey(root);
    return Milliseconds(start);
}

double RefreshOnce(FrmMain& form) {
    auto start = Clock::now();
    RefreshList(form);
    return Milliseconds(start);
}

double StartToShown() {
    std::wstring exe = OwnPath();
    exe = exe.substr(0, exe.find_last_of(L'\\'));
    exe = exe.substr(0, exe.find_last_of(L'\\')) + L"\\tolvane.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + exe + L"\"";
    auto start = Clock::now();
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return -1;
    double shown = -1;
    for (int i = 0; i < 60000 && shown < 0; ++i) {
        HWND window = FindWindowW(kMainWindowClass, L"Tolvane");
        if (window && IsWindowVisible(window)) {
            shown = Milliseconds(start);
            PostMessageW(window, WM_CLOSE, 0, 0);
        } else {
            Sleep(1);
        }
    }
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return shown;
}

}  // namespace

int main() {
    FillRegistry();
    FrmMain form;
    form.quitOnUnload = false;
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), form);
    if (!window) return 1;

    std::vector<double> refresh, floor;
    for (int run = 0; run < kRuns; ++run) {
        floor.push_back(FloorOnce());
        refresh.push_back(RefreshOnce(form));
    }
    double refreshMs = Median(refresh);
    double floorMs = Median(floor);
    std::printf("entries: %d (half with icons, a quarter missing files, a quarter other kinds)\n",
                kEntries);
    std::printf("RefreshList median of %d: %.1f ms\n", kRuns, refreshMs);
    std::printf("floor (enumerate, query, ExtractIconA, DrawIcon) median of %d: %.1f ms\n", kRuns,
                floorMs);
    std::printf("ratio: %.2f (target at most 1.30)\n", refreshMs / floorMs);
    DestroyWindow(window);

    std::printf("process start to window shown: %.0f ms\n", StartToShown());
    return 0;
}
