// Times tolvanec import against the system's own "reg import" of the same
// .reg file in the same run, each as a process of its own, into an empty
// App Paths key: the dry run and the import of 2,000 and 8,000, and of
// 30,000 and 120,000 registrations (a key each, with a path and a Path
// value). Then the dry runs of the other shapes that once took quadratic
// time: the listing's JSON, many values in one key, and a JSON object of
// many members. Prints figures and ratios; asserts nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "export/reg_file.h"
#include "store/app_path_store.h"
#include "timing.h"
#include "toolkit/handles.h"
#include "toolkit/json.h"

using namespace tolvane;
using namespace tolvane::bench;

namespace {

std::vector<BYTE> Text(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)};
}

std::wstring Folder() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

std::wstring Tolvanec() {
    return L"\"" + TolvanecBeside() + L"\"";
}

void Write(const std::wstring& path, const std::string& bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Runs |command| with its output thrown away; the time it took, in ms, and
// its exit code.
double Run(const std::wstring& command, DWORD& code) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueFile nothing(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = nothing.get();
    startup.hStdError = nothing.get();
    PROCESS_INFORMATION process{};
    std::wstring line = command;
    Clock::time_point start = Clock::now();
    code = 1000;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return 0;
    }
    UniqueKernelObject owned(process.hProcess);
    UniqueKernelObject thread(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    double took = Milliseconds(start);
    GetExitCodeProcess(process.hProcess, &code);
    return took;
}

double Timed(const std::wstring& command) {
    DWORD code = 0;
    double took = Run(command, code);
    if (code != 0) std::printf("  (exit code %lu: %ls)\n", code, command.c_str());
    return took;
}

std::vector<KeyEdit> Registrations(size_t count) {
    std::vector<KeyEdit> edits;
    for (size_t i = 0; i < count; ++i) {
        std::wstring name = L"bench" + std::to_wstring(i);
        edits.push_back({Scope::Machine,
                         name + L".exe",
                         false,
                         {{{L"", REG_SZ, Text(L"C:\\Bench\\" + name + L"\\" + name + L".exe")}},
                          {{L"Path", REG_SZ, Text(L"C:\\Bench\\" + name)}}}});
    }
    return edits;
}

struct Figures {
    double reg = 0;
    double dryRun = 0;
    double import = 0;
};

// The best of |runs| runs of each, one after the other: on a machine that
// others share, the least disturbed run.
Figures ImportFigures(size_t count, int runs) {
    std::wstring file = Folder() + L"bench-" + std::to_wstring(count) + L".reg";
    Write(file, RegFileBytes(Registrations(count)));
    Figures figures{1e12, 1e12, 1e12};
    for (int run = 0; run < runs; ++run) {
        ClearMachineAppPaths();
        figures.reg = std::min(figures.reg, Timed(L"reg.exe import \"" + file + L"\""));
        ClearMachineAppPaths();
        figures.dryRun =
            std::min(figures.dryRun, Timed(Tolvanec() + L" import \"" + file + L"\" --dry-run"));
        figures.import = std::min(figures.import, Timed(Tolvanec() + L" import \"" + file + L"\""));
    }
    ClearMachineAppPaths();
    DeleteFileW(file.c_str());
    std::printf(
        "%7zu keys: reg import %8.0f ms | dry run %8.0f ms (%.2fx) | import %8.0f ms "
        "(%.2fx)\n",
        count, figures.reg, figures.dryRun, figures.dryRun / figures.reg, figures.import,
        figures.import / figures.reg);
    return figures;
}

void CompareSizes(size_t small, size_t large, int runs, double targetRatio) {
    Figures a = ImportFigures(small, runs);
    // The larger file once less: its runs are the longest.
    Figures b = ImportFigures(large, runs - 1);
    std::printf(
        "  %zu keys to %zu: reg import %.2fx, dry run %.2fx, import %.2fx the time "
        "(target: at most %.0fx)\n",
        small, large, b.reg / a.reg, b.dryRun / a.dryRun, b.import / a.import, targetRatio);
}

// A dry run of a file of another shape, at |count| and four times that.
template <typename MakeFile>
void DryRuns(const char* what, size_t count, MakeFile makeFile) {
    double times[2] = {};
    for (int i = 0; i < 2; ++i) {
        size_t size = i ? count * 4 : count;
        std::wstring file = Folder() + L"bench-shape" + std::to_wstring(i);
        Write(file, makeFile(size));
        DWORD code = 0;
        times[i] = Run(Tolvanec() + L" import \"" + file + L"\" --dry-run", code);
        DeleteFileW(file.c_str());
        std::printf("%-34s %7zu: dry run %7.0f ms (exit code %lu)\n", what, size, times[i], code);
    }
    std::printf("  four times the size: %.2fx the time\n", times[1] / times[0]);
}

std::string ListingJson(size_t count) {
    JsonValue::Array items;
    for (size_t i = 0; i < count; ++i) {
        std::wstring name = L"bench" + std::to_wstring(i);
        items.emplace_back(JsonValue::Object{{L"name", name + L".exe"},
                                             {L"scope", L"machine"},
                                             {L"path", L"C:\\Bench\\" + name + L".exe"},
                                             {L"type", L"REG_SZ"},
                                             {L"pathValue", L"C:\\Bench"},
                                             {L"pathValueType", L"REG_SZ"}});
    }
    return ToJson(JsonValue(std::move(items)));
}

std::string OneKeyValues(size_t count) {
    KeyEdit key{Scope::Machine, L"many.exe"};
    for (size_t i = 0; i < count; ++i) {
        key.values.push_back({{L"value" + std::to_wstring(i), REG_SZ, Text(L"x")}});
    }
    return RegFileBytes({key});
}

std::string WideObject(size_t count) {
    JsonValue::Object members;
    for (size_t i = 0; i < count; ++i) members.emplace_back(L"m" + std::to_wstring(i), 0);
    return ToJson(JsonValue(std::move(members)));
}

}  // namespace

int main() {
    std::printf(
        "tolvanec import against reg import of the same .reg file, into an empty key "
        "(the best of three runs of 2,000 and 30,000, of two of 8,000 and 120,000)\n");
    CompareSizes(2000, 8000, 3, 6);
    CompareSizes(30000, 120000, 3, 6);
    std::printf("dry runs of other shapes\n");
    DryRuns("JSON listing, registrations", 30000, ListingJson);
    DryRuns(".reg file, values in one key", 60000, OneKeyValues);
    DryRuns("JSON object (refused), members", 200000, WideObject);
    return 0;
}
