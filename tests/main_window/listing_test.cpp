// The start-up listing and RefreshList on the real window and registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <map>

#include "resource.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

class ListingTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearAppPaths(); }
    void TearDown() override { ClearAppPaths(); }

    static std::vector<Row> Expected(const std::vector<std::wstring>& order,
                                     const std::map<std::wstring, std::wstring>& paths) {
        std::vector<Row> rows;
        int image = 1;  // zero-based: the placeholder is image 0
        for (const std::wstring& name : order) rows.push_back({name, paths.at(name), image++});
        return rows;
    }
};

std::wstring TempFile(const wchar_t* name, const char* content) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring path = std::wstring(folder) + name;
    std::ofstream(path.c_str(), std::ios::binary) << content;
    return path;
}

}  // namespace

TEST_F(ListingTest, ListsEveryRegistrationInEnumerationOrderWithItsImage) {
    std::map<std::wstring, std::wstring> paths = {
        {L"self.exe", OwnPath()},
        {L"missing.exe", L"C:\\nowhere\\missing.exe"},
        {L"记事本.exe", L"C:\\windows\\notepad.exe"},
        {L"empty.exe", L""},
    };
    for (const auto& [name, path] : paths) PutEntry(name, path.c_str());
    // A value that is not text shows its marker, never a neighbour's path.
    const DWORD number = 1;
    PutRawValue(L"number.exe", nullptr, REG_DWORD, &number, sizeof(number));
    paths[L"number.exe"] = L"（非字符串值）";

    MainForm main;
    ASSERT_TRUE(main.hwnd);
    EXPECT_FALSE(IsWindowVisible(main.hwnd));  // listed before it is shown
    EXPECT_EQ(ListRows(main.form.lvwMain), Expected(EntryNames(), paths));
    EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 6);
    EXPECT_TRUE(ImageIsBlank(main.form.iml.get(), 0));  // the placeholder

    // Nothing accumulates: a second refresh gives the same rows and images.
    RefreshList(main.form);
    EXPECT_EQ(ListRows(main.form.lvwMain), Expected(EntryNames(), paths));
    EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 6);
}

TEST_F(ListingTest, EmptyKeyGivesAnEmptyListAndOnlyThePlaceholder) {
    MainForm main;
    EXPECT_EQ(ListCount(main.form.lvwMain), 0);
    EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 1);
}

TEST_F(ListingTest, ChangesFromOutsideShowOnlyAfterARefresh) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    PutEntry(L"b.exe", L"C:\\b.exe");
    PutEntry(L"c.exe", L"C:\\c.exe");
    MainForm main;
    ASSERT_EQ(ListCount(main.form.lvwMain), 3);

    ASSERT_EQ(
        RunReg(L"add \"HKLM\\" + std::wstring(kAppPathsPath) + L"\\d.exe\" /ve /d C:\\d.exe /f"),
        0);
    EXPECT_EQ(ListCount(main.form.lvwMain), 3);
    RefreshList(main.form);
    EXPECT_EQ(ListRows(main.form.lvwMain).back(), (Row{L"d.exe", L"C:\\d.exe", 4}));

    ASSERT_EQ(RunReg(L"delete \"HKLM\\" + std::wstring(kAppPathsPath) + L"\\a.exe\" /f"), 0);
    EXPECT_EQ(ListCount(main.form.lvwMain), 4);
    RefreshList(main.form);
    std::vector<Row> expected = {
        {L"b.exe", L"C:\\b.exe", 1}, {L"c.exe", L"C:\\c.exe", 2}, {L"d.exe", L"C:\\d.exe", 3}};
    EXPECT_EQ(ListRows(main.form.lvwMain), expected);
    EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 4);
}

TEST_F(ListingTest, IconsAreDrawnOnlyForProgramsThatHaveThem) {
    const std::wstring noIcons = ProgramWithoutIcons();
    ASSERT_FALSE(noIcons.empty());
    const std::wstring batch = TempFile(L"tolvane-test.bat", "@echo off\r\n");
    // Registry order decides the images; names chosen to sort in this order.
    PutEntry(L"a-self.exe", OwnPath().c_str());
    PutEntry(L"b-missing.exe", L"C:\\nowhere\\missing.exe");
    PutEntry(L"c-self.exe", OwnPath().c_str());
    PutEntry(L"d-empty.exe", L"");
    PutEntry(L"e-self.exe", OwnPath().c_str());
    PutEntry(L"f-batch.exe", batch.c_str());
    PutEntry(L"g-self.exe", OwnPath().c_str());
    PutEntry(L"h-noicons.exe", noIcons.c_str());
    PutEntry(L"i-quoted.exe", (L"\"" + OwnPath() + L"\"").c_str());

    MainForm main;
    std::vector<Row> rows = ListRows(main.form.lvwMain);
    ASSERT_EQ(rows.size(), 9u);
    HIMAGELIST images = main.form.iml.get();
    for (const Row& row : rows) {
        bool hasIcon = row.name.ends_with(L"-self.exe");
        // Each blank image follows an icon: nothing of the icon is left on it.
        EXPECT_EQ(ImageIsBlank(images, row.image), !hasIcon) << ToAnsi(row.name);
    }
    DeleteFileW(batch.c_str());
}

TEST_F(ListingTest, GetIconAppendsOneImagePerCall) {
    MainForm main;
    HIMAGELIST images = main.form.iml.get();
    ASSERT_EQ(ImageList_GetImageCount(images), 1);
    AppPathEntry entry = TextEntry(L"x.exe", OwnPath());
    EXPECT_EQ(GetIcon(main.form, entry), 2);
    entry.raw = L"";
    EXPECT_EQ(GetIcon(main.form, entry), 3);
    entry.raw = L"C:\\nowhere.exe";
    EXPECT_EQ(GetIcon(main.form, entry), 4);
    EXPECT_FALSE(ImageIsBlank(images, 1));
    EXPECT_TRUE(ImageIsBlank(images, 2));
    EXPECT_TRUE(ImageIsBlank(images, 3));
}

TEST_F(ListingTest, NoGdiObjectOutlivesARefresh) {
    for (int i = 0; i < 20; ++i) {
        PutEntry(L"self" + std::to_wstring(i) + L".exe", OwnPath().c_str());
    }
    MainForm main;
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 5; ++i) RefreshList(main.form);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
}

TEST_F(ListingTest, TheFirstEntryIsSelectedAfterEveryRefresh) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    PutEntry(L"b.exe", L"C:\\b.exe");
    MainForm main;
    EXPECT_EQ(ListSelectedIndex(main.form.lvwMain), 0);
    ListSelect(main.form.lvwMain, 1);
    ASSERT_EQ(ListSelectedIndex(main.form.lvwMain), 1);
    RefreshList(main.form);
    EXPECT_EQ(ListSelectedIndex(main.form.lvwMain), 0);
}

// What arrives during a refresh's yields waits for it.
TEST_F(ListingTest, ARefreshAskedForDuringARefreshRestartsIt) {
    for (int i = 0; i < 30; ++i) PutEntry(L"e" + std::to_wstring(100 + i) + L".exe", L"C:\\e.exe");
    MainForm main;
    PostMessageW(main.hwnd, WM_COMMAND, IDM_OPR_REFRESH, 0);
    PostMessageW(main.hwnd, WM_COMMAND, IDT_REFRESH, 0);
    RefreshList(main.form);
    std::vector<Row> rows = ListRows(main.form.lvwMain);
    ASSERT_EQ(rows.size(), 30u);  // each registration once
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].image, static_cast<int>(i) + 1);
    EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 31);
    EXPECT_FALSE(main.form.refreshing);
}

TEST_F(ListingTest, AnotherCommandDuringARefreshRunsOnceTheListIsComplete) {
    for (int i = 0; i < 30; ++i) PutEntry(L"e" + std::to_wstring(100 + i) + L".exe", L"C:\\e.exe");
    MainForm main;
    int countWhenShown = -1;
    MessageBoxSeen seen;
    DialogScript script({{IsMessageBox, [&](HWND box) {
                              countWhenShown = ListCount(main.form.lvwMain);
                              seen = ReadMessageBox(box);
                              PressButton(box, IDOK);
                          }}});
    PostMessageW(main.hwnd, WM_COMMAND, IDM_HELP_CONTENT, 0);
    RefreshList(main.form);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(countWhenShown, 30);
    EXPECT_EQ(ListCount(main.form.lvwMain), 30);
}

// A user who picks a row while the list fills and chooses Delete: the
// question names that row, not the one the refresh selects at its end.
struct PickDuringRefresh {
    HWND list = nullptr;
    HWND window = nullptr;
    bool removeAndRefresh = false;  // the picked entry goes, and the list is refreshed again
    std::wstring picked;
};
PickDuringRefresh g_pick;

void CALLBACK PickRow(HWND, UINT, UINT_PTR timer, DWORD) {
    int count = ListCount(g_pick.list);
    if (count < 5) return;
    KillTimer(nullptr, timer);
    ListSelect(g_pick.list, count - 1);
    g_pick.picked = ListItemText(g_pick.list, count - 1);
    PostMessageW(g_pick.window, WM_COMMAND, IDM_OPR_DEL, 0);
    if (g_pick.removeAndRefresh) {
        UniqueKey root;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPathsPath, 0, KEY_ALL_ACCESS, root.put());
        RegDeleteKeyW(root.get(), g_pick.picked.c_str());
        PostMessageW(g_pick.window, WM_COMMAND, IDM_OPR_REFRESH, 0);
    }
}

TEST_F(ListingTest, ACommandHeldBackByARefreshActsOnTheRowSelectedWhenItWasChosen) {
    for (int i = 0; i < 400; ++i) {
        PutEntry(L"e" + std::to_wstring(1000 + i) + L".exe", L"C:\\missing\\e.exe");
    }
    MainForm main;
    for (bool removeAndRefresh : {false, true}) {
        g_pick = {main.form.lvwMain, main.hwnd, removeAndRefresh, L""};
        MessageBoxSeen question;
        DialogScript script({AnswerMessageBox(&question, IDNO)});
        SetTimer(nullptr, 0, 1, PickRow);
        RefreshList(main.form);
        ASSERT_FALSE(g_pick.picked.empty());
        EXPECT_NE(g_pick.picked, L"e1000.exe");
        if (removeAndRefresh) {
            EXPECT_FALSE(question.shown);  // the entry is gone: nothing to ask about
            EXPECT_EQ(ListCount(main.form.lvwMain), 399);
        } else {
            EXPECT_TRUE(script.finished());
            EXPECT_EQ(question.text, L"确定要删除项目 " + g_pick.picked + L" 吗？");
        }
    }
}

TEST_F(ListingTest, ClosingDuringARefreshWaitsForTheEnumerationToStop) {
    for (int i = 0; i < 30; ++i) PutEntry(L"e" + std::to_wstring(100 + i) + L".exe", L"C:\\e.exe");
    MainForm main;
    PostMessageW(main.hwnd, WM_CLOSE, 0, 0);
    RefreshList(main.form);  // must not enumerate on a closed key
    EXPECT_FALSE(IsWindow(main.hwnd));
    EXPECT_FALSE(main.form.store.IsOpen());
    EXPECT_FALSE(main.form.refreshing);
}

// The App Paths key missing: one message before the window, then an empty
// list that a refresh leaves empty without a second message.
TEST(OpenFailure, ReportsOnceBeforeTheWindowAndListsNothing) {
    ClearAppPaths();
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, kAppPathsPath), ERROR_SUCCESS);

    MessageBoxSeen seen;
    bool windowVisible = true;
    DialogScript script({{IsMessageBox, [&](HWND box) {
                              seen = ReadMessageBox(box);
                              HWND main = FindWindowW(kMainWindowClass, nullptr);
                              windowVisible = main && IsWindowVisible(main);
                              PressButton(box, IDOK);
                          }}});
    {
        MainForm main;
        ASSERT_TRUE(main.hwnd);
        EXPECT_TRUE(seen.shown);
        EXPECT_EQ(seen.text, L"打开注册表失败！");
        EXPECT_EQ(seen.title, L"Tolvane");
        EXPECT_EQ(seen.style, static_cast<UINT>(MB_ICONHAND | MB_OK));
        EXPECT_FALSE(windowVisible);
        EXPECT_EQ(ListCount(main.form.lvwMain), 0);

        // The key comes back, but the store stays closed for this window.
        ClearAppPaths();
        PutEntry(L"late.exe", L"C:\\late.exe");
        SendMessageW(main.hwnd, WM_COMMAND, IDM_OPR_REFRESH, 0);
        EXPECT_EQ(ListCount(main.form.lvwMain), 0);
        EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 1);
        EXPECT_EQ(script.done(), 1u);
    }
    ClearAppPaths();
}
