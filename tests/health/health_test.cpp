// Health checks against real files, folders and PATH values of the test
// prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <tuple>
#include <vector>

#include "health/health.h"
#include "toolkit/handles.h"

using namespace tolvane;
using Tokens = std::vector<std::string>;

namespace {

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return folder;
}

std::wstring SystemFolder() {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    return system;
}

// The 8.3 form of an existing folder, where the file system keeps one.
std::wstring ShortPath(const std::wstring& path) {
    wchar_t shortPath[MAX_PATH];
    DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(shortPath, length) : path;
}

void MakeFile(const std::wstring& path) {
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << GetLastError();
}

AppPathEntry Entry(const std::wstring& name, const std::wstring& raw, DWORD type = REG_SZ,
                   Scope scope = Scope::Machine) {
    AppPathEntry entry = TextEntry(name, raw, scope);
    entry.type = type;
    return entry;
}

void SetPathValue(HKEY root, const wchar_t* subKey, const std::wstring& path) {
    UniqueKey key;
    ASSERT_EQ(
        RegCreateKeyExW(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
        ERROR_SUCCESS);
    RegSetValueExW(key.get(), L"Path", 0, REG_EXPAND_SZ,
                   reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
}

// %TVHEALTH% names a folder holding tool.exe, a folder "folder" and a
// folder "dir.exe" that looks like a program. Not in the temporary folder,
// where a program is suspicious.
class HealthTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"\\folder").c_str(), nullptr);
        CreateDirectoryW((root + L"\\dir.exe").c_str(), nullptr);
        MakeFile(tool);
        SetEnvironmentVariableW(L"TVHEALTH", root.c_str());
    }

    const std::wstring root = L"C:\\tvhealth";
    const std::wstring tool = root + L"\\tool.exe";
    const SearchPlaces nowhere;
};

DWORD probeErrorMode = 0;
void RecordErrorMode(const std::wstring&) {
    probeErrorMode = GetThreadErrorMode();
}

}  // namespace

TEST_F(HealthTest, TargetNotesFollowTheShellsReadingOfThePath) {
    std::wstring deep = root;
    while (deep.size() < MAX_PATH + 20) {
        deep += L"\\" + std::wstring(40, L'd');
        CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr);
    }
    MakeFile(L"\\\\?\\" + deep + L"\\deep.exe");

    AppPathEntry notText = Entry(L"dword.exe", L"", REG_DWORD);
    notText.state = ValueState::NotText;
    AppPathEntry unreadable = Entry(L"denied.exe", L"", REG_NONE);
    unreadable.state = ValueState::Unreadable;
    AppPathEntry unset = Entry(L"unset.exe", L"", REG_NONE);
    unset.state = ValueState::Missing;
    const std::vector<std::pair<AppPathEntry, Tokens>> cases = {
        {Entry(L"a", tool), {}},
        {Entry(L"a", L"\"" + tool + L"\""), {}},
        {Entry(L"a", L"%TVHEALTH%\\tool.exe", REG_EXPAND_SZ), {}},
        {Entry(L"a", L"\"%TVHEALTH%\\TOOL.EXE\""), {}},  // REG_SZ with "%"
        {Entry(L"a", deep + L"\\deep.exe"), {}},
        {Entry(L"a", L"%TVHEALTH%\\gone.exe", REG_EXPAND_SZ), {"missing-target"}},
        {Entry(L"a", root + L"\\dir.exe"), {"missing-target"}},
        {Entry(L"a", L""), {"missing-target"}},
        {Entry(L"a", L"\"\""), {"missing-target"}},
        {unset, {"missing-target"}},
        {Entry(L"a", L"tool.exe"), {"relative-path"}},
        {Entry(L"a", L"C:tool.exe"), {"relative-path"}},
        {Entry(L"a", L"\\tool.exe"), {"relative-path"}},
        {Entry(L"a", L"\\\\nohost\\noshare\\tool.exe"), {"missing-target"}},
        {notText, {"not-a-string"}},
        {unreadable, {"not-a-string"}},
    };
    const DWORD modeBefore = GetThreadErrorMode();
    SetProbeHook(RecordErrorMode);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        HealthReport report = CheckEntry(cases[i].first, nowhere);
        EXPECT_EQ(NoteTokens(report), cases[i].second);
        if (report.notText) {
            EXPECT_EQ(NotesText(report), L"");
        }
    }
    SetProbeHook(nullptr);
    // No "insert a disk" box while the file system is asked; put back after.
    EXPECT_EQ(probeErrorMode, static_cast<DWORD>(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX));
    EXPECT_EQ(GetThreadErrorMode(), modeBefore);
}

TEST_F(HealthTest, EveryFolderOfThePathValueIsChecked) {
    AppPathEntry entry = Entry(L"a", root + L"\\gone.exe");
    entry.pathValue = {ValueState::Text, REG_SZ,
                       root + L"\\folder;;\"%TVHEALTH%\\folder\";" + root + L"\\nofolder;" + tool +
                           L";relative;%TVHEALTH%\\dir.exe;"};
    HealthReport report = CheckEntry(entry, nowhere);
    EXPECT_EQ(report.missingFolders, (std::vector<std::wstring>{root + L"\\nofolder", tool}));
    EXPECT_EQ(NotesText(report), L"目标不存在；附加路径中有不存在的文件夹");

    entry.pathValue = {ValueState::Text, REG_EXPAND_SZ, L"%TVHEALTH%\\folder;%TVHEALTH%"};
    EXPECT_EQ(NoteTokens(CheckEntry(entry, nowhere)), Tokens{"missing-target"});
}

// Without App Paths the shell would start the first file of the name in the
// Windows folder, System32 or a PATH folder (the system's, then the
// user's): the program that a registration is started instead of.
TEST_F(HealthTest, ARegistrationOverridesTheProgramOfItsNameUnlessItIsThatProgram) {
    const std::wstring system = SystemFolder();
    const std::wstring systemShadow = system + L"\\tvshadow.exe";
    for (const wchar_t* folder : {L"\\syspath", L"\\userpath"}) {
        CreateDirectoryW((root + folder).c_str(), nullptr);
    }
    MakeFile(systemShadow);
    MakeFile(root + L"\\userpath\\tvshadow.exe");
    MakeFile(root + L"\\userpath\\tvuser.exe");
    MakeFile(root + L"\\syspath\\tvuser.exe");
    SetPathValue(HKEY_LOCAL_MACHINE,
                 L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment",
                 L"%SystemRoot%\\system32;relative;" + root + L"\\syspath");
    SetPathValue(HKEY_CURRENT_USER, L"Environment",
                 L"\"%TVHEALTH%\\userpath\";;%TVHEALTH%\\nothing");

    SearchPlaces places = ReadSearchPlaces();
    EXPECT_EQ(places.system, system);
    EXPECT_EQ(places.path, (std::vector<std::wstring>{system, root + L"\\syspath",
                                                      root + L"\\userpath", root + L"\\nothing"}));

    HealthReport machine = CheckEntry(Entry(L"TVSHADOW", tool), places);
    EXPECT_EQ(NotesText(machine), L"覆盖同名程序：" + systemShadow);
    // The user's registration of the name is started first.
    machine.bothScopes = true;
    EXPECT_EQ(NoteTokens(machine), (Tokens{"both-scopes", "overridden-by-user"}));
    // A user's registration of a system program's name is how code runs in
    // the program's stead, even while its own program is missing; of a PATH
    // program's name it is not.
    auto userTokens = [&](const wchar_t* name, const std::wstring& target) {
        return NoteTokens(CheckEntry(Entry(name, target, REG_SZ, Scope::User), places));
    };
    EXPECT_EQ(userTokens(L"tvshadow", tool),
              (Tokens{"overrides-program", "suspicious", "user-overrides-system"}));
    EXPECT_EQ(userTokens(L"tvshadow", root + L"\\gone.exe"),
              (Tokens{"missing-target", "suspicious", "user-overrides-system"}));
    EXPECT_EQ(userTokens(L"tvshadow", systemShadow), Tokens{}) << "the system's program itself";
    EXPECT_EQ(userTokens(L"tvuser", tool), Tokens{"overrides-program"});
    EXPECT_EQ(CheckEntry(Entry(L"tvuser.exe", tool), places).sameNameProgram,
              root + L"\\syspath\\tvuser.exe");
    EXPECT_EQ(NoteTokens(CheckEntry(Entry(L"TVSHADOW", L"relative.exe"), places)),
              Tokens{"relative-path"});
    EXPECT_EQ(CheckEntry(Entry(L"tvother.exe", tool), places).sameNameProgram, L"");
    // Its own program, spelt another way, is no other program.
    AppPathEntry own = Entry(L"TvUser", L"%TVHEALTH%\\SYSPATH\\.\\TVUSER.EXE", REG_EXPAND_SZ);
    EXPECT_EQ(NoteTokens(CheckEntry(own, places)), Tokens{});

    // A folder of the name is passed over; the file after it counts.
    CreateDirectoryW((root + L"\\syspath\\tvlate.exe").c_str(), nullptr);
    MakeFile(root + L"\\userpath\\TvLate.exe");
    SearchPlaces again = ReadSearchPlaces();
    EXPECT_EQ(CheckEntry(Entry(L"tvlate", tool), again).sameNameProgram,
              root + L"\\userpath\\TvLate.exe");
    // The folders' index answers as asking each folder does.
    SearchPlaces unindexed = again;
    unindexed.index = nullptr;
    for (const wchar_t* name : {L"TVSHADOW", L"tvuser.exe", L"tvother", L"tvlate", L"a\\tvuser"}) {
        EXPECT_EQ(CheckEntry(Entry(name, tool), again).sameNameProgram,
                  CheckEntry(Entry(name, tool), unindexed).sameNameProgram)
            << name;
    }
}

// Programs kept where anyone may write, and scripts run under a program's
// name, as detection rules for App Paths flag them.
TEST_F(HealthTest, PlantedLookingRegistrationsAreSuspicious) {
    wchar_t programData[MAX_PATH];
    ExpandEnvironmentStringsW(L"%ProgramData%", programData, MAX_PATH);
    const std::wstring temp = TempFolder();
    const std::pair<std::wstring, bool> folders[] = {
        {temp + L"x.exe", true},
        {temp + L"sub\\x.exe", true},
        {L"C:\\windows\\TEMP\\x.exe", true},
        {L"D:\\anyone\\AppData\\Local\\Temp\\x.exe", true},
        {L"C:\\Users\\me\\downloads\\tools\\x.exe", true},
        {L"\\\\server\\Users\\Public\\x.exe", true},
        {L"C:\\users\\public\\..\\me\\x.exe", false},
        {std::wstring(programData) + L"\\x.exe", true},
        {ShortPath(programData) + L"\\x.exe", true},
        {std::wstring(programData) + L"\\Vendor\\x.exe", false},
        {L"C:\\Tools\\Downloader\\x.exe", false},
        {L"C:\\Temp\\x.exe", false},
    };
    for (const auto& [target, suspicious] : folders) {
        HealthReport report = CheckEntry(Entry(L"x", target), nowhere);
        EXPECT_EQ(report.suspiciousFolder, suspicious) << target;
    }
    AppPathEntry pathValue = Entry(L"x", tool);
    for (std::wstring value :
         {std::wstring(L"C:\\Tools;%TEMP%\\drop"), std::wstring(programData)}) {
        pathValue.pathValue = {ValueState::Text, REG_EXPAND_SZ, value};
        EXPECT_TRUE(CheckEntry(pathValue, nowhere).suspiciousFolder) << value;
    }
    pathValue.pathValue.raw = std::wstring(programData) + L"\\Vendor";
    EXPECT_FALSE(CheckEntry(pathValue, nowhere).suspiciousFolder);

    const std::wstring hosts = SystemFolder() + L"\\";
    const std::tuple<const wchar_t*, std::wstring, bool> scripts[] = {
        {L"run", L"C:\\tools\\run.ps1", true},
        {L"page.exe", L"C:\\tools\\PAGE.HTA", true},
        {L"lib.exe", L"lib.dll", true},
        {L"tool.exe", L"C:\\tools\\tool.exe", false},
        {L"notepad.exe", hosts + L"cmd.exe", true},
        {L"cmd", hosts + L"CMD.EXE", false},
        {L"PowerShell.exe", hosts + L"WindowsPowerShell\\v1.0\\powershell.exe", false},
        {L"pwsh.exe", hosts + L"powershell.exe", true},
    };
    for (const auto& [name, target, script] : scripts) {
        EXPECT_EQ(CheckEntry(Entry(name, target), nowhere).scriptTarget, script) << target;
    }

    const SearchPlaces system{L"", SystemFolder(), {}};
    HealthReport all =
        CheckEntry(Entry(L"control", L"C:\\Users\\Public\\x.bat", REG_SZ, Scope::User), system);
    EXPECT_EQ(NotesText(all),
              L"目标不存在；可疑：当前用户登记覆盖系统程序、程序位于临时或公共文件夹、目标是脚本或"
              L"脚本宿主");
    EXPECT_EQ(NoteTokens(all), (Tokens{"missing-target", "suspicious", "user-overrides-system",
                                       "suspicious-folder", "script-target"}));
}

TEST(BothScopes, SameNameInBothHivesRegardlessOfCaseAndImpliedExe) {
    const wchar_t* names[] = {L"foo",     L"bar.exe", L"FOO.EXE", L"foo.com",
                              L"bar.exe", L"baz.exe", L"Baz.Exe", L"Bar"};
    const char hives[] = "MUUUUMMM";
    std::vector<AppPathEntry> entries;
    for (int i = 0; i < 8; ++i) {
        entries.push_back(
            Entry(names[i], L"", REG_SZ, hives[i] == 'U' ? Scope::User : Scope::Machine));
    }
    EXPECT_EQ(RegisteredInBothScopes(entries),
              (std::vector<bool>{true, true, true, false, true, false, false, true}));
    std::vector<HealthReport> reports(entries.size());
    MarkBothScopes(entries, reports);
    EXPECT_EQ(NotesText(reports[0]), L"两处都有登记；被当前用户的登记覆盖");
    EXPECT_EQ(NotesText(reports[1]), L"两处都有登记");
    EXPECT_EQ(NoteTokens(reports[3]), Tokens{});
}

TEST_F(HealthTest, ResolveListsEveryPlaceInTheShellsOrder) {
    for (const wchar_t* folder : {L"\\win", L"\\sys", L"\\p1", L"\\p2"}) {
        CreateDirectoryW((root + folder).c_str(), nullptr);
    }
    MakeFile(root + L"\\sys\\tvwhich.exe");
    MakeFile(root + L"\\p2\\tvwhich.exe");
    const SearchPlaces places{root + L"\\win", root + L"\\sys\\", {root + L"\\p1", root + L"\\p2"}};
    const std::vector<AppPathEntry> entries = {
        Entry(L"TVWHICH.EXE", tool),
        Entry(L"other.exe", tool, REG_SZ, Scope::User),
        Entry(L"tvwhich", L"%TVHEALTH%\\gone.exe", REG_EXPAND_SZ, Scope::User),
    };
    std::vector<std::wstring> found;
    for (const Candidate& candidate : Resolve(L"TvWhich", places, entries)) {
        found.push_back(std::to_wstring(static_cast<int>(candidate.place)) +
                        (candidate.exists ? L" yes " : L" no ") + candidate.file);
    }
    EXPECT_EQ(found, (std::vector<std::wstring>{
                         L"0 no " + root + L"\\gone.exe",           // the user's App Paths
                         L"1 yes " + tool,                          // the machine's
                         L"2 no " + root + L"\\win\\TvWhich.exe",   // the Windows folder
                         L"3 yes " + root + L"\\sys\\TvWhich.exe",  // System32
                         L"4 no " + root + L"\\p1\\TvWhich.exe",    // PATH
                         L"4 yes " + root + L"\\p2\\TvWhich.exe",
                     }));
}
