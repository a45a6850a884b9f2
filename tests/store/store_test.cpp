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

    // Every entry as one listing reads it: one pair of buffers for the
    // whole walk, stopping at the first non-zero code.
    std::vector<AppPathEntry> List(LONG* endCode = nullptr) {
        RefreshBuffers buffers;
        std::vector<AppPathEntry> entries;
        LONG result = ERROR_SUCCESS;
        for (DWORD index = 0;; ++index) {
            AppPathEntry entry;
            result = store.EnumEntryName(index, buffers, entry.name);
            if (result != ERROR_SUCCESS) break;
            store.QueryEntryPath(entry.name, buffers, entry.path);
            entries.push_back(entry);
        }
        if (endCode) *endCode = result;
        return entries;
    }

    AppPathStore store;
};

std::wstring Repeat(wchar_t c, size_t n) {
    return std::wstring(n, c);
}

}  // namespace

TEST_F(StoreTest, EmptyKeyEndsAtIndexZero) {
    LONG end = 0;
    EXPECT_TRUE(List(&end).empty());
    EXPECT_EQ(end, ERROR_NO_MORE_ITEMS);
}

TEST_F(StoreTest, ListsNamesAndPathsInEnumerationOrder) {
    PutEntry(L"zeta.exe", L"C:\\z\\zeta.exe");
    PutEntry(L"alpha.exe", L"C:\\a\\alpha.exe");
    PutEntry(L"记事本.exe", L"C:\\程序\\记事本.exe");
    PutEntry(L"unset.exe", nullptr);

    std::vector<AppPathEntry> entries = List();
    std::vector<std::wstring> names;
    for (const AppPathEntry& entry : entries) names.push_back(entry.name);
    EXPECT_EQ(names, EntryNames());
    ASSERT_EQ(entries.size(), 4u);
    for (const AppPathEntry& entry : entries) {
        if (entry.name == L"unset.exe") {
            EXPECT_EQ(entry.path, L"");  // a default value never set reads as empty
        } else {
            EXPECT_EQ(entry.path, EntryDefault(entry.name)) << entry.name.c_str();
        }
    }
}

TEST_F(StoreTest, ShorterNameAndPathAfterLongerOnesLeaveNothingOver) {
    // Enumeration order is the registry's; make sure the long one comes first.
    PutEntry(L"aaaaaaa.exe", L"C:\\a-very-long-folder\\program.exe");
    PutEntry(L"bbbb.exe", L"C:\\b.exe");
    std::vector<AppPathEntry> entries = List();
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_EQ(entries[0].name, L"aaaaaaa.exe");
    EXPECT_EQ(entries[1].name, L"bbbb.exe");
    EXPECT_EQ(entries[1].path, L"C:\\b.exe");
}

TEST_F(StoreTest, LongNamesAreListedWholeAndDoNotEndTheListing) {
    const std::wstring exact = Repeat(L'a', 251) + L".exe";  // 255 bytes
    const std::wstring wide = Repeat(L'长', 130) + L".exe";  // 264 bytes in code page 936
    PutEntry(exact, L"C:\\exact.exe");
    PutEntry(wide, L"C:\\wide.exe");
    PutEntry(L"after.exe", L"C:\\after.exe");

    LONG end = 0;
    std::vector<AppPathEntry> entries = List(&end);
    EXPECT_EQ(end, ERROR_NO_MORE_ITEMS);
    ASSERT_EQ(entries.size(), 3u);
    for (const AppPathEntry& entry : entries) {
        if (entry.name == exact) {
            EXPECT_EQ(entry.path, L"C:\\exact.exe");
        } else if (entry.name == wide) {
            EXPECT_EQ(entry.path, L"C:\\wide.exe");
        }
    }
    std::vector<std::wstring> names;
    for (const AppPathEntry& entry : entries) names.push_back(entry.name);
    EXPECT_EQ(names, EntryNames());
}

TEST_F(StoreTest, LongPathIsReadWhole) {
    const std::wstring path = L"C:\\" + Repeat(L'p', 300) + L"\\" + Repeat(L'路', 40) + L".exe";
    PutEntry(L"long.exe", path.c_str());
    PutEntry(L"short.exe", L"C:\\s.exe");
    RefreshBuffers buffers;
    std::wstring read;
    EXPECT_EQ(store.QueryEntryPath(L"long.exe", buffers, read), ERROR_SUCCESS);
    EXPECT_EQ(read, path);
    // The fixed buffer still serves the next, short path on its own.
    EXPECT_EQ(store.QueryEntryPath(L"short.exe", buffers, read), ERROR_SUCCESS);
    EXPECT_EQ(read, L"C:\\s.exe");
}

TEST_F(StoreTest, SetKeyValueStoresTheAnsiBytesWithOneNul) {
    struct Case {
        const wchar_t* value;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {L"abcdefgh", {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0}},
        // Two double-byte characters and four single-byte ones: 9 bytes too.
        {L"中文.exe", {0xD6, 0xD0, 0xCE, 0xC4, '.', 'e', 'x', 'e', 0}},
        {L"", {0}},
    };
    for (const Case& c : cases) {
        HKEY entry = nullptr;
        ASSERT_EQ(store.CreateEntry(L"value.exe", entry), ERROR_SUCCESS);
        EXPECT_TRUE(store.SetKeyValue(store.hAppPaths(), L"value.exe", c.value));
        store.CloseEntry(entry);
        DWORD type = 0;
        EXPECT_EQ(EntryDefaultBytes(L"value.exe", &type), c.bytes);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    }
}

TEST_F(StoreTest, OpenEntryMatchesNamesRegardlessOfCase) {
    PutEntry(L"notepad.exe", L"C:\\windows\\notepad.exe");
    HKEY entry = nullptr;
    EXPECT_EQ(store.OpenEntry(L"NOTEPAD.EXE", entry), ERROR_SUCCESS);
    EXPECT_NE(entry, nullptr);
    store.CloseEntry(entry);
    EXPECT_NE(store.OpenEntry(L"missing.exe", entry), ERROR_SUCCESS);
    EXPECT_EQ(entry, nullptr);
}

TEST_F(StoreTest, CreateEntryOpensAnExistingSubkeyUnchanged) {
    PutEntry(L"there.exe", L"C:\\there.exe");
    HKEY entry = nullptr;
    EXPECT_EQ(store.CreateEntry(L"THERE.exe", entry), ERROR_SUCCESS);
    store.CloseEntry(entry);
    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"there.exe"});
    EXPECT_EQ(EntryDefault(L"there.exe"), L"C:\\there.exe");
}

TEST_F(StoreTest, DeleteEntryRemovesOnlyThatEntry) {
    PutEntry(L"one.exe", L"C:\\1.exe");
    PutEntry(L"two.exe", L"C:\\2.exe");
    EXPECT_EQ(store.DeleteEntry(L"one.exe"), ERROR_SUCCESS);
    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"two.exe"});
    EXPECT_NE(store.DeleteEntry(L"one.exe"), ERROR_SUCCESS);
    EXPECT_NE(store.DeleteEntry(L""), ERROR_SUCCESS);  // never the key itself
    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"two.exe"});
}

TEST_F(StoreTest, DeletingASubkeyWithSubkeysFailsAndDeletesNothing) {
    PutEntry(L"parent.exe", L"C:\\parent.exe");
    PutEntry(L"parent.exe\\child", L"C:\\child.exe");
    EXPECT_NE(store.DeleteEntry(L"parent.exe"), ERROR_SUCCESS);
    EXPECT_TRUE(EntryExists(L"parent.exe"));
    EXPECT_TRUE(EntryExists(L"parent.exe\\child"));
    EXPECT_EQ(EntryDefault(L"parent.exe"), L"C:\\parent.exe");
}

TEST_F(StoreTest, ClosingAnEntryNeverClosesTheStore) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    store.CloseEntry(store.hAppPaths());
    RefreshBuffers buffers;
    std::wstring name;
    EXPECT_EQ(store.EnumEntryName(0, buffers, name), ERROR_SUCCESS);
    EXPECT_EQ(name, L"a.exe");
}

TEST(ClosedStore, EveryOperationReachesThePlatformAndFails) {
    ClearAppPaths();
    PutEntry(L"kept.exe", L"C:\\kept.exe");
    AppPathStore store;
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.hAppPaths(), nullptr);

    RefreshBuffers buffers;
    std::wstring text = L"stale";
    HKEY entry = nullptr;
    EXPECT_NE(store.EnumEntryName(0, buffers, text), ERROR_SUCCESS);
    EXPECT_NE(store.QueryEntryPath(L"kept.exe", buffers, text), ERROR_SUCCESS);
    EXPECT_EQ(text, L"");
    EXPECT_NE(store.OpenEntry(L"kept.exe", entry), ERROR_SUCCESS);
    EXPECT_NE(store.CreateEntry(L"new.exe", entry), ERROR_SUCCESS);
    EXPECT_FALSE(store.SetKeyValue(store.hAppPaths(), L"kept.exe", L"C:\\other.exe"));
    EXPECT_NE(store.DeleteEntry(L"kept.exe"), ERROR_SUCCESS);
    store.CloseAppPaths();  // nothing visible happens
    store.CloseEntry(nullptr);

    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"kept.exe"});
    EXPECT_EQ(EntryDefault(L"kept.exe"), L"C:\\kept.exe");
    ClearAppPaths();
}

TEST(ClosedStore, AFailedOpenLeavesTheStoreClosed) {
    AppPathStore store(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Tolvane\\No Such Key");
    EXPECT_EQ(store.OpenAppPaths(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(store.IsOpen());
    RefreshBuffers buffers;
    std::wstring name;
    EXPECT_NE(store.EnumEntryName(0, buffers, name), ERROR_SUCCESS);
}

TEST(ClosedStore, CloseAfterOpenClosesTheKey) {
    AppPathStore store;
    ASSERT_EQ(store.OpenAppPaths(), ERROR_SUCCESS);
    store.CloseAppPaths();
    EXPECT_FALSE(store.IsOpen());
    HKEY entry = nullptr;
    EXPECT_NE(store.CreateEntry(L"late.exe", entry), ERROR_SUCCESS);
    EXPECT_FALSE(EntryExists(L"late.exe"));
}
