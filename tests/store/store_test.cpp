// The App Paths store against the real registry of the test prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/app_path_store.h"
#include "support/registry.h"
#include "toolkit/handles.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppPaths();
        ASSERT_EQ(store.OpenAppPaths(), ERROR_SUCCESS);
    }
    void TearDown() override { ClearAppPaths(); }

    std::vector<AppPathEntry> List() {
        std::vector<AppPathEntry> entries;
        EXPECT_EQ(store.ListEntries(entries), ERROR_SUCCESS);
        return entries;
    }

    AppPathEntry Read(const std::wstring& name) {
        AppPathEntry entry;
        EXPECT_EQ(store.ReadEntry(name, entry), ERROR_SUCCESS) << name.size();
        return entry;
    }

    AppPathStore store;
};

std::vector<std::wstring> NamesOf(const std::vector<AppPathEntry>& entries) {
    std::vector<std::wstring> names;
    for (const AppPathEntry& entry : entries) names.push_back(entry.name);
    return names;
}

}  // namespace

TEST_F(StoreTest, EmptyKeyListsNothing) {
    EXPECT_TRUE(List().empty());
    std::wstring name;
    EXPECT_EQ(store.EnumEntryName(0, name), ERROR_NO_MORE_ITEMS);
}

// Names and paths that the ANSI code page cannot hold, or holds only as a
// look-alike ("²" as "2"), each stay themselves, and so stay apart.
TEST_F(StoreTest, NamesAndPathsRoundTripWhateverTheirCharacters) {
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"tool2.exe", L"C:\\tools\\tool2.exe"},
        {L"tool\u00B2.exe", L"C:\\tools\\tool\u00B2.exe"},
        {L"\uD55C\uAD6D\uC5B4.exe", L"C:\\\uD504\uB85C\uADF8\uB7A8\\\uD55C\uAD6D\uC5B4.exe"},
        {L"smile\U0001F600.exe", L"D:\\\U0001F600\\smile.exe"},
        {L"记事本.exe", L"C:\\程序\\记事本.exe"},
        {std::wstring(251, L'长') + L".exe", L"C:\\" + std::wstring(300, L'p') + L"\\路.exe"},
        {L"unset.exe", L""},
    };
    for (const auto& [name, path] : cases) {
        PutEntry(name, name == L"unset.exe" ? nullptr : path.c_str());
    }
    std::vector<AppPathEntry> entries = List();
    EXPECT_EQ(NamesOf(entries), EntryNames());
    ASSERT_EQ(entries.size(), cases.size());
    for (const AppPathEntry& entry : entries) {
        EXPECT_EQ(entry.raw, EntryDefault(entry.name)) << entry.name.size();
        EXPECT_EQ(entry.scope, Scope::Machine);
        EXPECT_EQ(entry.state, entry.name == L"unset.exe" ? ValueState::Missing : ValueState::Text);
    }
}

// Whatever the default value holds, an entry never shows a path that is
// not its own: a text value read whole, any other kind of value marked.
TEST_F(StoreTest, DefaultsOfEveryKindAreReadAsTheyAre) {
    const std::wstring longPath = L"C:\\Windows\\" + std::wstring(200, L'x') + L"\\notepad.exe";
    const DWORD number = 0x41414141;  // "AAAA" if it were ever taken as text
    const wchar_t multi[] = L"C:\\one.exe\0C:\\two.exe\0";
    const wchar_t noNul[] = {L'a', L'b', L'c'};
    const wchar_t innerNul[] = L"C:\\in.exe\0tail";
    PutEntry(L"a-text.exe", longPath.c_str());
    PutNamedValue(L"a-text.exe", L"Path", L"C:\\Tools;%ProgramFiles%\\Tools");
    PutRawValue(L"b-dword.exe", nullptr, REG_DWORD, &number, sizeof(number));
    PutRawValue(L"c-binary.exe", nullptr, REG_BINARY, "\x01\x02\x03", 3);
    PutRawValue(L"d-multi.exe", nullptr, REG_MULTI_SZ, multi, sizeof(multi));
    PutEntry(L"e-denied.exe", L"C:\\secret.exe");
    SetEntryAcl(L"e-denied.exe", L"D:(D;;0x1;;;WD)(A;;KA;;;WD)");  // no value queries
    PutRawValue(L"f-empty.exe", nullptr, REG_SZ, nullptr, 0);
    PutEntry(L"g-unset.exe", nullptr);
    PutRawValue(L"h-nonul.exe", nullptr, REG_SZ, noNul, sizeof(noNul) + 1);  // an odd byte too
    PutRawValue(L"i-innernul.exe", nullptr, REG_SZ, innerNul, sizeof(innerNul));
    const wchar_t expand[] = L"%SystemRoot%\\notepad.exe";
    PutRawValue(L"j-expand.exe", nullptr, REG_EXPAND_SZ, expand, sizeof(expand));

    struct Expected {
        ValueState state;
        std::wstring shown;
    };
    const std::vector<Expected> expected = {
        {ValueState::Text, longPath},
        {ValueState::NotText, L"（非字符串值）"},
        {ValueState::NotText, L"（非字符串值）"},
        {ValueState::NotText, L"（非字符串值）"},
        {ValueState::Unreadable, L"（无法读取）"},
        {ValueState::Text, L""},
        {ValueState::Missing, L""},
        {ValueState::Text, L"abc"},
        {ValueState::Text, L"C:\\in.exe"},
        {ValueState::Text, expand},
    };
    std::vector<AppPathEntry> entries = List();
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].state, expected[i].state);
        EXPECT_EQ(ShownPath(entries[i]), expected[i].shown);
        if (entries[i].state != ValueState::Text) {
            EXPECT_EQ(ExportedPath(entries[i]), L"");
        }
    }
    EXPECT_EQ(entries[0].pathValue.raw, L"C:\\Tools;%ProgramFiles%\\Tools");
    EXPECT_EQ(entries[0].pathValue.state, ValueState::Text);
    EXPECT_EQ(entries[1].pathValue.state, ValueState::Missing);
    EXPECT_EQ(entries[4].pathValue.state, ValueState::Unreadable);
    EXPECT_EQ(entries[1].type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(entries[9].type, static_cast<DWORD>(REG_EXPAND_SZ));
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(ExpandedPath(entries[9]), std::wstring(windows) + L"\\notepad.exe");
    EXPECT_EQ(ExpandedPath(entries[0]), longPath);
}

TEST_F(StoreTest, OpenMatchesNamesRegardlessOfCase) {
    PutEntry(L"there.exe", L"C:\\there.exe");
    UniqueKey entry;
    EXPECT_EQ(store.OpenEntry(L"THERE.EXE", entry), ERROR_SUCCESS);
    EXPECT_TRUE(entry);
    EXPECT_EQ(store.OpenEntry(L"missing.exe", entry), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(entry);
    EXPECT_NE(store.OpenEntry(L"", entry), ERROR_SUCCESS);  // never the App Paths key itself
}

TEST(ClosedStore, EveryOperationFailsAndChangesNothing) {
    ClearAppPaths();
    PutEntry(L"kept.exe", L"C:\\kept.exe");
    AppPathStore never(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tolvane\\No Such Key", Scope::Machine);
    EXPECT_EQ(never.OpenAppPaths(), ERROR_FILE_NOT_FOUND);
    AppPathStore closed;
    ASSERT_EQ(closed.OpenAppPaths(), ERROR_SUCCESS);
    closed.CloseAppPaths();

    for (AppPathStore* store : {&never, &closed}) {
        EXPECT_FALSE(store->IsOpen());
        std::wstring name;
        std::vector<AppPathEntry> entries;
        AppPathEntry entry;
        UniqueKey key;
        EXPECT_NE(store->EnumEntryName(0, name), ERROR_SUCCESS);
        EXPECT_NE(store->ListEntries(entries), ERROR_SUCCESS);
        EXPECT_NE(store->ReadEntry(L"kept.exe", entry), ERROR_SUCCESS);
        EXPECT_NE(store->OpenEntry(L"kept.exe", key), ERROR_SUCCESS);
    }
    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"kept.exe"});
    EXPECT_EQ(EntryDefault(L"kept.exe"), L"C:\\kept.exe");
    ClearAppPaths();
}
