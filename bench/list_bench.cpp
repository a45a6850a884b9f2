// How fast the list fills, against its floor: the bare work of enumerating
// the registrations, reading each path, and extracting and drawing each icon
// on one thread. Run with no arguments, it fills the prefix's registry and
// starts itself once per measured start (a fresh process, as a user's start
// would be), then prints every figure and its ratio to the floor. Prints
// figures; asserts nothing.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "main_window/main_window.h"
#include "store/app_path_store.h"
#include "timing.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::bench;

namespace {

constexpr int kRuns = 3;

std::wstring OwnPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring WindowsFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

std::wstring BenchFolder() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + L"tolvane-bench";
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
}

void Register(HKEY root, const std::wstring& name, const std::wstring& path) {
    UniqueKey entry;
    RegCreateKeyExW(root, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, entry.put(),
                    nullptr);
    RegSetValueExW(entry.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

// A distinct path for each program: hard links to a few programs with
// icons, so that every one is a file of its own to the list.
std::wstring ProgramCopy(const std::wstring& folder, int index) {
    static const std::wstring programs[] = {OwnPath(), WindowsFile(L"notepad.exe"),
                                            WindowsFile(L"regedit.exe"),
                                            WindowsFile(L"winhlp32.exe")};
    std::wstring path = folder + L"\\program" + std::to_wstring(index) + L".exe";
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateHardLinkW(path.c_str(), programs[index % 4].c_str(), nullptr)) {
        CopyFileW(programs[index % 4].c_str(), path.c_str(), FALSE);
    }
    return path;
}

std::wstring OtherKind(const std::wstring& folder, int index) {
    std::wstring path =
        folder + L"\\other" + std::to_wstring(index) + (index % 2 ? L".bat" : L".txt");
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::ofstream(path.c_str()) << "text\n";
    }
    return path;
}

// |count| registrations, paths mostly distinct: 70 % programs with icons,
// 20 % missing files, 10 % files of other kinds.
void FillMixed(int count) {
    ClearMachineAppPaths();
    UniqueKey root = MachineAppPaths();
    std::wstring folder = BenchFolder();
    for (int i = 0; i < count; ++i) {
        std::wstring path;
        int kind = i % 10;
        if (kind < 7) {
            path = ProgramCopy(folder, i);
        } else if (kind < 9) {
            path = L"C:\\missing\\program" + std::to_wstring(i) + L".exe";
        } else {
            path = OtherKind(folder, i);
        }
        Register(root.get(), L"bench" + std::to_wstring(100000 + i) + L".exe", path);
    }
}

// |count| registrations over |files| distinct program files.
void FillShared(int count, int files) {
    ClearMachineAppPaths();
    UniqueKey root = MachineAppPaths();
    std::wstring folder = BenchFolder();
    for (int i = 0; i < count; ++i) {
        Register(root.get(), L"shared" + std::to_wstring(100000 + i) + L".exe",
                 ProgramCopy(folder, i % files));
    }
}

// The floor: enumerate and read every entry, extract its icon and draw it
// into a memory device context, on one thread.
double FloorOnce() {
    HDC screen = GetDC(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 32, 32));
    ReleaseDC(nullptr, screen);
    SelectedObject selected(dc.get(), bitmap.get());
    auto start = Clock::now();
    UniqueKey root;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPathsSubKey, 0, KEY_READ, root.put());
    wchar_t name[256];
    std::vector<BYTE> value(2048);
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(root.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        DWORD size = static_cast<DWORD>(value.size());
        RegGetValueW(root.get(), name, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &size);
        HICON icon = ExtractIconW(GetModuleHandleW(nullptr),
                                  reinterpret_cast<const wchar_t*>(value.data()), 0);
        if (icon && icon != reinterpret_cast<HICON>(1)) {
            DrawIcon(dc.get(), 0, 0, icon);
            DestroyIcon(icon);
        }
    }
    return Milliseconds(start);
}

// Measures, from a second thread, how long the window takes to answer.
class Probe {
  public:
    explicit Probe(HWND window) : window_(window), thread_([this] { Run(); }) {}
    ~Probe() {
        stop_ = true;
        thread_.join();
    }
    double LongestMs() const { return longest_; }

  private:
    void Run() {
        while (!stop_) {
            auto start = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            longest_ = std::max(longest_.load(), Milliseconds(start));
            Sleep(2);
        }
    }
    HWND window_;
    std::atomic<bool> stop_{false};
    std::atomic<double> longest_{0};
    std::thread thread_;
};

// One message at a time, so that the moment |done| holds is seen.
void PumpUntil(bool (*done)(const FrmMain&), const FrmMain& form) {
    while (!done(form)) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
}

bool NamesListed(const FrmMain& form) {
    return form.list.NamesListed();
}

bool IconsInPlace(const FrmMain& form) {
    return !form.list.Listing() && form.icons->Idle();
}

// Milliseconds from this process's creation to now.
double SinceProcessStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](FILETIME time) {
        return (ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime;
    };
    return (ticks(now) - ticks(created)) / 10000.0;
}

// One start, as the program starts: the window, every name, every icon.
// Prints "names icons unchanged-refresh longest-unanswered images".
int Child() {
    FrmMain form;
    form.quitOnUnload = false;
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), form);
    if (!window) return 1;
    Probe probe(window);
    ShowMainWindow(window, form, SW_SHOW);
    PumpUntil(NamesListed, form);
    UpdateWindow(window);
    double names = SinceProcessStart();
    PumpUntil(IconsInPlace, form);
    double icons = SinceProcessStart();
    std::vector<double> refreshes;
    for (int run = 0; run < 5; ++run) {
        auto start = Clock::now();
        RefreshList(form);
        PumpUntil(ListComplete, form);
        refreshes.push_back(Milliseconds(start));
    }
    std::printf("%.0f %.0f %.1f %.1f %d\n", names, icons, Median(refreshes), probe.LongestMs(),
                ImageList_GetImageCount(form.iml.get()));
    std::fflush(stdout);
    DestroyWindow(window);
    return 0;
}

struct ChildFigures {
    double names = 0, icons = 0, refresh = 0, unanswered = 0;
    int images = 0;
};

ChildFigures RunChild() {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueKernelObject read, write;
    CreatePipe(read.put(), write.put(), &inherit, 0);
    SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    std::wstring command = L"\"" + OwnPath() + L"\" --child";
    ChildFigures figures;
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return figures;
    }
    UniqueKernelObject process(started.hProcess), thread(started.hThread);
    write.reset();  // the child's copy is the only writer left
    std::string output;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(read.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        output.append(buffer, got);
    WaitForSingleObject(process.get(), INFINITE);
    std::sscanf(output.c_str(), "%lf %lf %lf %lf %d", &figures.names, &figures.icons,
                &figures.refresh, &figures.unanswered, &figures.images);
    return figures;
}

// The real program, closed while its icons are still loading: how long
// from the close to the end of the process.
double ExitWhileLoading() {
    std::wstring exe = OwnPath();
    exe = exe.substr(0, exe.find_last_of(L'\\'));
    exe = exe.substr(0, exe.find_last_of(L'\\')) + L"\\tolvane.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + exe + L"\"";
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    UniqueKernelObject thread(process.hThread), running(process.hProcess);
    HWND window = nullptr;
    for (int i = 0; i < 30000 && !(window && IsWindowVisible(window)); ++i) {
        window = FindWindowW(kMainWindowClass, L"Tolvane");
        Sleep(1);
    }
    Sleep(300);  // names listed, icons on their way
    auto start = Clock::now();
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(running.get(), 30000);
    return Milliseconds(start);
}

void Measure(int count) {
    FillMixed(count);
    std::vector<double> floors;
    for (int run = 0; run < kRuns; ++run) floors.push_back(FloorOnce());
    double floor = Median(floors);
    std::vector<double> names, icons, refresh, unanswered;
    for (int run = 0; run < kRuns; ++run) {
        ChildFigures figures = RunChild();
        names.push_back(figures.names);
        icons.push_back(figures.icons);
        refresh.push_back(figures.refresh);
        unanswered.push_back(figures.unanswered);
    }
    std::printf(
        "\n%d registrations (70 %% distinct program files with icons, 20 %% missing, "
        "10 %% other kinds); medians of %d\n",
        count, kRuns);
    std::printf("  floor (enumerate, read, ExtractIconW, DrawIcon, one thread): %.0f ms\n", floor);
    std::printf("  process start to every name shown:  %6.0f ms  = %.2f x floor (target 0.15)\n",
                Median(names), Median(names) / floor);
    std::printf("  process start to every icon in place: %6.0f ms  = %.2f x floor (target 0.6)\n",
                Median(icons), Median(icons) / floor);
    std::printf("  refresh of the unchanged list:      %6.1f ms  = %.3f x floor (target 0.1)\n",
                Median(refresh), Median(refresh) / floor);
    std::printf(
        "  longest time the window did not answer: %.1f ms (target under 100; worst "
        "of %d starts)\n",
        *std::max_element(unanswered.begin(), unanswered.end()), kRuns);
    std::vector<double> exits;
    for (int run = 0; run < kRuns; ++run) exits.push_back(ExitWhileLoading());
    std::printf(
        "  the program closed while icons load ends after %.0f ms (target 200; worst of "
        "%d)\n",
        *std::max_element(exits.begin(), exits.end()), kRuns);
}

}  // namespace

int main(int argc, char** argv) {
    // --child: one measured start. --fill N: N registrations as measured, to
    // look at them in the program itself.
    if (argc > 1 && std::string(argv[1]) == "--child") return Child();
    if (argc > 2 && std::string(argv[1]) == "--fill") {
        FillMixed(std::atoi(argv[2]));
        return 0;
    }
    std::printf("worker threads for icons: %u\n", WorkerPool::CoreCount(4));
    Measure(1000);
    Measure(10000);
    FillShared(10000, 50);
    ChildFigures shared = RunChild();
    std::printf("\n10000 registrations over 50 distinct program files\n");
    std::printf("  images held after the refresh: %d (target at most 52)\n", shared.images);
    ClearMachineAppPaths();
    return 0;
}
