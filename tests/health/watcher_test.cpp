// The registry watcher against the prefix's real App Paths keys, changed by
// another process (reg.exe) or by this one.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <string>

#include "health/registry_watcher.h"
#include "support/registry.h"
#include "toolkit/handles.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

constexpr UINT kChanged = WM_APP + 7;
const std::wstring kMachineKey = L"\"HKLM\\" + std::wstring(kAppPathsPath);
const std::wstring kUserKey = L"\"HKCU\\" + std::wstring(kAppPathsPath);

int ThreadCount() {
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 thread{};
    thread.dwSize = sizeof(thread);
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &thread); more;
         more = Thread32Next(snapshot.get(), &thread)) {
        if (thread.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    }
    return count;
}

class WatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppPaths();
        RegDeleteTreeW(HKEY_CURRENT_USER, kAppPathsPath);
        RegDeleteKeyW(HKEY_CURRENT_USER, kAppPathsPath);
        ASSERT_TRUE(window);
    }

    // Pumps messages for |ms| and counts the watcher's.
    int Count(DWORD ms, bool stopAtFirst = false) {
        int count = 0;
        const ULONGLONG end = GetTickCount64() + ms;
        for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now),
                                      QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, window.get(), 0, 0, PM_REMOVE)) {
                if (msg.message == kChanged) ++count;
            }
            if (stopAtFirst && count > 0) break;
        }
        return count;
    }
    // The notifications of one burst: the first, then any that follow it.
    int Burst() {
        int count = Count(5000, true);
        return count + Count(RegistryWatcher::kQuietMs * 4);
    }

    UniqueWindow window{
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    RegistryWatcher watcher;
};

}  // namespace

TEST_F(WatcherTest, ChangesByAnotherProcessAreReportedOncePerBurst) {
    ASSERT_EQ(watcher.Start(window.get(), kChanged), 0u);
    ASSERT_EQ(RunReg(L"add " + kMachineKey + L"\\one.exe\" /ve /d C:\\one.exe /f"), 0);
    EXPECT_EQ(Burst(), 1);
    ASSERT_EQ(RunReg(L"add " + kMachineKey + L"\\one.exe\" /v Path /d C:\\bin /f"), 0);
    EXPECT_EQ(Burst(), 1);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring file = std::wstring(temp) + L"burst.reg";
    {
        std::ofstream out(file.c_str());
        out << "REGEDIT4\n";
        for (int i = 0; i < 8; ++i) {
            out << "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                   "Paths\\burst"
                << i << ".exe]\n@=\"C:\\\\burst.exe\"\n\"Path\"=\"C:\\\\bin\"\n";
        }
    }
    ASSERT_EQ(RunReg(L"import \"" + file + L"\""), 0);
    EXPECT_EQ(Burst(), 1);
    EXPECT_EQ(EntryNames().size(), 9u);
}

// HKCU's key is often absent: it is watched from its parent, never made.
TEST_F(WatcherTest, TheUserKeyIsPickedUpWhenItAppearsAndAgainAfterItIsDeleted) {
    ASSERT_EQ(watcher.Start(window.get(), kChanged), 0u);
    UniqueKey userKey;
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kAppPathsPath, 0, KEY_READ, userKey.put()),
              ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RunReg(L"add \"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Other\" /f"), 0);
    EXPECT_EQ(Count(1000), 0);

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(RunReg(L"add " + kUserKey + L"\\mine.exe\" /ve /d C:\\mine.exe /f"), 0);
        EXPECT_EQ(Burst(), 1);
        ASSERT_EQ(RunReg(L"add " + kUserKey + L"\\mine.exe\" /v Path /d C:\\bin /f"), 0);
        EXPECT_EQ(Burst(), 1);
        ASSERT_EQ(RunReg(L"delete " + kUserKey + L"\" /f"), 0);
        EXPECT_EQ(Burst(), 1);
    }
}

// A burst is compared with what the program noted as its own change: one
// that changed nothing else is not reported, one that changed another
// registration too is.
TEST_F(WatcherTest, OnlyABurstOfTheProgramsOwnChangesIsNotReported) {
    ASSERT_EQ(watcher.Start(window.get(), kChanged), 0u);
    PutEntry(L"own.exe", L"C:\\own.exe");
    watcher.NoteOwnChange({{Scope::Machine, L"OWN.EXE"}});
    EXPECT_EQ(Count(1500), 0);
    PutEntry(L"own.exe", L"C:\\own2.exe");
    PutEntry(L"other.exe", L"C:\\other.exe");  // not noted: another program's
    watcher.NoteOwnChange({{Scope::Machine, L"own.exe"}});
    EXPECT_EQ(Burst(), 1);

    // A noted change that never came does not hide a later one.
    watcher.NoteOwnChange({{Scope::Machine, L"theirs.exe"}});
    EXPECT_EQ(Count(RegistryWatcher::kOwnChangeMs + 200), 0);
    ASSERT_EQ(RunReg(L"add " + kMachineKey + L"\\theirs.exe\" /ve /d C:\\theirs.exe /f"), 0);
    EXPECT_EQ(Burst(), 1);
}

TEST_F(WatcherTest, StoppingLeavesNoThreadHandleOrNotification) {
    const int threads = ThreadCount();
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    for (int i = 0; i < 3; ++i) {
        RegistryWatcher short_lived;
        ASSERT_EQ(short_lived.Start(window.get(), kChanged), 0u);
        EXPECT_EQ(ThreadCount(), threads + 1);
    }
    ASSERT_EQ(watcher.Start(window.get(), kChanged), 0u);
    watcher.Stop();
    EXPECT_FALSE(watcher.IsRunning());
    EXPECT_EQ(ThreadCount(), threads);
    DWORD handlesAfter = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
    EXPECT_EQ(handlesAfter, handles);
    PutEntry(L"after.exe", L"C:\\after.exe");
    EXPECT_EQ(Count(1000), 0);
}
