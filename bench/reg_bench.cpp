// tolvanec's .reg files against reg.exe's on the same registrations, in the
// same run: "tolvanec export" against "reg export" of the machine's App
// Paths key with 2,000 registrations and with four times as many, and
// "tolvanec import" of that file against "reg import" of it.
// Prints figures; asserts nothing.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/app_path_store.h"
#include "timing.h"
#include "toolkit/handles.h"

using namespace tolvane;
using namespace tolvane::bench;

namespace {

constexpr int kRuns = 5;

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Registrations as installers leave them: a path, most with a Path value,
// some with a number, every tenth with a subkey of its own.
void Fill(int count) {
    ClearMachineAppPaths();
    UniqueKey root = MachineAppPaths();
    for (int i = 0; i < count; ++i) {
        std::wstring name = L"bench" + std::to_wstring(100000 + i) + L".exe";
        UniqueKey entry;
        RegCreateKeyExW(root.get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        entry.put(), nullptr);
        SetText(entry.get(), nullptr, L"C:\\Program Files\\Bench\\" + name);
        if (i % 4) SetText(entry.get(), L"Path", L"C:\\Program Files\\Bench");
        if (i % 3 == 0) {
            DWORD one = 1;
            RegSetValueExW(entry.get(), L"UseUrl", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one),
                           sizeof(one));
        }
        if (i % 10 == 0) {
            UniqueKey sub;
            RegCreateKeyExW(entry.get(), L"SupportedProtocols", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, sub.put(), nullptr);
            SetText(sub.get(), L"http", L"");
        }
    }
}

// Runs |command| to its end with its output thrown away; the milliseconds
// it took, or -1 when it failed.
double Run(const std::wstring& application, const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueFile nul(
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul.get();
    std::wstring command = L"\"" + application + L"\" " + arguments;
    PROCESS_INFORMATION started{};
    auto start = Clock::now();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &started)) {
        return -1;
    }
    UniqueKernelObject process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    double taken = Milliseconds(start);
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return code == 0 ? taken : -1;
}

struct Figures {
    double regExport = 0, ownExport = 0, regImport = 0, ownImport = 0;
};

Figures Measure(int count) {
    const std::wstring key = L"\"HKLM\\" + std::wstring(kAppPathsSubKey) + L"\"";
    const std::wstring regFile = TempFile(L"tolvane-bench-reg.reg");
    const std::wstring ownFile = TempFile(L"tolvane-bench-own.reg");
    Figures figures;
    Fill(count);
    // In turns, so that whatever else the machine does weighs on both alike.
    std::vector<double> regRuns, ownRuns;
    for (int run = 0; run < kRuns; ++run) {
        regRuns.push_back(Run(L"reg.exe", L"export " + key + L" \"" + regFile + L"\" /y"));
        ownRuns.push_back(Run(TolvanecBeside(), L"export \"" + ownFile + L"\" --scope machine"));
    }
    figures.regExport = Median(regRuns);
    figures.ownExport = Median(ownRuns);
    // Each import into an empty key, in turns as well.
    regRuns.clear();
    ownRuns.clear();
    for (int run = 0; run < kRuns; ++run) {
        ClearMachineAppPaths();
        regRuns.push_back(Run(L"reg.exe", L"import \"" + ownFile + L"\""));
        ClearMachineAppPaths();
        ownRuns.push_back(Run(TolvanecBeside(), L"import \"" + ownFile + L"\""));
    }
    figures.regImport = Median(regRuns);
    figures.ownImport = Median(ownRuns);
    DeleteFileW(regFile.c_str());
    DeleteFileW(ownFile.c_str());
    std::printf(
        "\n%d registrations (a Path value on three in four, a number on one in three, a "
        "subkey on one in ten); medians of %d\n",
        count, kRuns);
    std::printf("  reg export:      %7.0f ms\n", figures.regExport);
    std::printf("  tolvanec export: %7.0f ms  = %.2f x reg export (target 1.5)\n",
                figures.ownExport, figures.ownExport / figures.regExport);
    std::printf("  reg import of tolvanec's file:      %7.0f ms\n", figures.regImport);
    std::printf(
        "  tolvanec import of the same file:   %7.0f ms  = %.2f x reg import "
        "(target 1.5)\n",
        figures.ownImport, figures.ownImport / figures.regImport);
    return figures;
}

}  // namespace

int main() {
    Figures base = Measure(2000);
    Figures four = Measure(8000);
    std::printf("\nfour times the registrations:\n");
    std::printf("  tolvanec export takes %.2f x the time (target 6), reg export %.2f x\n",
                four.ownExport / base.ownExport, four.regExport / base.regExport);
    std::printf("  tolvanec import takes %.2f x the time (target 6), reg import %.2f x\n",
                four.ownImport / base.ownImport, four.regImport / base.regImport);
    ClearMachineAppPaths();
    return 0;
}
