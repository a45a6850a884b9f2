// Health checks against real files, folders and PATH values of the test
// prefix.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
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
// folder "dir.exe" that looks like a program.
class HealthTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateDirectoryW(root.c_str(), nullptr);
        CreateDirectoryW((root + L"\\folder").c_str(), nullptr);
        CreateDirectoryW((root + L"\\dir.exe").c_str(), nullptr);
        MakeFile(tool);
        SetEnvironmentVariableW(L"TVHEALTH", root.c_str());
    }

    const std::wstring root = TempFolder() + L"tvhealth";
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

// The shell starts the first file of the name in the Windows folder,
// System32 or a PATH folder (the system's, then the user's) before it
// reads App Paths.
TEST_F(HealthTest, ANameFoundOnTheSearchPathIsShadowedUnlessItIsTheTargetItself) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring systemShadow = std::wstring(system) + L"\\tvshadow.exe";
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
                 L"\"%TEMP%\\tvhealth\\userpath\";;%TEMP%\\nothing");

    SearchPlaces places = ReadSearchPlaces();
    EXPECT_EQ(places.system, system);
    wchar_t temp[MAX_PATH];
    ExpandEnvironmentStringsW(L"%TEMP%", temp, MAX_PATH);
    EXPECT_EQ(places.path, (std::vector<std::wstring>{system, root + L"\\syspath",
                                                      std::wstring(temp) + L"\\tvhealth\\userpath",
                                                      std::wstring(temp) + L"\\nothing"}));

    HealthReport report = CheckEntry(Entry(L"TVSHADOW", L"relative.exe"), places);
    EXPECT_EQ(NotesText(report), L"路径不完整；被同名程序遮盖：" + systemShadow);
    EXPECT_EQ(NoteTokens(report), (Tokens{"relative-path", "shadowed"}));
    EXPECT_EQ(CheckEntry(Entry(L"tvuser.exe", tool), places).shadowedBy,
              root + L"\\syspath\\tvuser.exe");
    EXPECT_EQ(CheckEntry(Entry(L"tvother.exe", tool), places).shadowedBy, L"");
    // Its own target, spelt another way, is no shadow.
    AppPathEntry own = Entry(L"TvUser", L"%TVHEALTH%\\SYSPATH\\.\\TVUSER.EXE", REG_EXPAND_SZ);
    EXPECT_EQ(NoteTokens(CheckEntry(own, places)), Tokens{});

    // A folder of the name is passed over; the file after it shadows.
    CreateDirectoryW((root + L"\\syspath\\tvlate.exe").c_str(), nullptr);
    MakeFile(root + L"\\userpath\\TvLate.exe");
    SearchPlaces again = ReadSearchPlaces();
    EXPECT_EQ(CheckEntry(Entry(L"tvlate", tool), again).shadowedBy,
              std::wstring(temp) + L"\\tvhealth\\userpath\\TvLate.exe");
    // The folders' index answers as asking each folder does.
    SearchPlaces unindexed = again;
    unindexed.index = nullptr;
    for (const wchar_t* name : {L"TVSHADOW", L"tvuser.exe", L"tvother", L"tvlate", L"a\\tvuser"}) {
        EXPECT_EQ(CheckEntry(Entry(name, tool), again).shadowedBy,
                  CheckEntry(Entry(name, tool), unindexed).shadowedBy)
            << name;
    }
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
    EXPECT_EQ(NotesText(reports[0]), L"两处都有登记");
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
                         L"0 no " + root + L"\\win\\TvWhich.exe",   // the Windows folder
                         L"1 yes " + root + L"\\sys\\TvWhich.exe",  // System32
                         L"2 no " + root + L"\\p1\\TvWhich.exe",    // PATH
                         L"2 yes " + root + L"\\p2\\TvWhich.exe",
                         L"3 no " + root + L"\\gone.exe",  // the user's App Paths
                         L"4 yes " + tool,                 // the machine's
                     }));
}
