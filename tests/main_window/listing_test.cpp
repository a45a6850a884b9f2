// The listing and its icons on the real window and registry: names at once,
// icons from worker threads, cached by file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <atomic>
#include <functional>
#include <fstream>
#include <map>

#include "health/health.h"
#include "main_window/icon_loader.h"
#include "main_window/window_parts.h"
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
};

std::wstring TempPath(const std::wstring& name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::wstring TempFile(const wchar_t* name, const char* content) {
    std::wstring path = TempPath(name);
    std::ofstream(path.c_str(), std::ios::binary) << content;
    return path;
}

std::wstring WindowsFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetWindowsDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\" + name;
}

// What an image looks like drawn on white.
std::vector<COLORREF> Drawn(HIMAGELIST list, int index) {
    HDC screen = GetDC(nullptr);
    UniqueMemoryDc dc(CreateCompatibleDC(screen));
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, 32, 32));
    ReleaseDC(nullptr, screen);
    SelectedObject select(dc.get(), bitmap.get());
    RECT all{0, 0, 32, 32};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ImageList_Draw(list, index, dc.get(), 0, 0, ILD_NORMAL);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) pixels.push_back(GetPixel(dc.get(), x, y));
    }
    return pixels;
}

// The image that a row got before icons moved to worker threads: the first
// icon that ExtractIcon gives for the path, drawn at (0, 0) on white, white
// transparent.
std::vector<COLORREF> EarlierImage(const std::wstring& path) {
    UniqueImageList list(ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 1));
    HICON icon = path.empty() ? nullptr : ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), 0);
    bool real = icon && icon != reinterpret_cast<HICON>(1);
    IconSurface surface;
    if (real) DrawIcon(surface.hDC(), 0, 0, icon);
    if (real) DestroyIcon(icon);
    surface.AppendTo(list.get());
    return Drawn(list.get(), 0);
}

int RowImage(HWND list, int row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

// Files that do not answer: their icons wait until the test lets them go.
// It outlives every test, since threads still waiting at a test's end use
// it afterwards.
struct Gate {
    HANDLE open = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> waiting{0};

    void Close() {
        ResetEvent(open);
        beforeIconLoad = Wait;
    }
    void Open() {
        beforeIconLoad = nullptr;
        SetEvent(open);
    }
    static void Wait(const std::wstring& path);
};
Gate g_gate;

void Gate::Wait(const std::wstring& path) {
    if (path.find(L"\\slow") == std::wstring::npos) return;
    ++g_gate.waiting;
    WaitForSingleObject(g_gate.open, 30000);
    --g_gate.waiting;
}

}  // namespace

// The rows, their order and their icons are what they were when every icon
// was drawn on the window's thread; identical icons share one image.
TEST_F(ListingTest, ListsEveryRegistrationInOrderWithItsProgramsIcon) {
    const std::wstring noIcons = ProgramWithoutIcons();
    ASSERT_FALSE(noIcons.empty());
    const std::map<std::wstring, std::wstring> paths = {
        {L"a-self.exe", OwnPath()},
        {L"b-missing.exe", L"C:\\nowhere\\missing.exe"},
        {L"c-记事本.exe", WindowsFile(L"notepad.exe")},
        {L"d-empty.exe", L""},
        {L"e-self.exe", OwnPath()},
        {L"f-batch.exe", TempFile(L"tolvane-test.bat", "@echo off\r\n")},
        {L"g-noicons.exe", noIcons},
        {L"h-quoted.exe", L"\"" + OwnPath() + L"\""},
    };
    for (const auto& [name, path] : paths) PutEntry(name, path.c_str());
    const DWORD number = 1;
    PutRawValue(L"i-number.exe", nullptr, REG_DWORD, &number, sizeof(number));
    const wchar_t expand[] = L"%SystemRoot%\\regedit.exe";
    PutRawValue(L"j-expand.exe", nullptr, REG_EXPAND_SZ, expand, sizeof(expand));

    MainForm main;
    std::vector<Row> rows = ListRows(main.form.lvwMain);
    std::vector<std::wstring> names;
    for (const Row& row : rows) names.push_back(row.name);
    EXPECT_EQ(names, EntryNames());
    HIMAGELIST images = main.form.iml.get();
    for (const Row& row : rows) {
        SCOPED_TRACE(ToAnsi(row.name));
        if (paths.count(row.name)) {
            EXPECT_EQ(row.path, paths.at(row.name));
        }
        // A quoted path's program gives its icon, as it gives the checks a file.
        std::wstring file = row.name == L"j-expand.exe"   ? WindowsFile(L"regedit.exe")
                            : row.name == L"h-quoted.exe" ? OwnPath()
                            : paths.count(row.name)       ? paths.at(row.name)
                                                          : L"";
        EXPECT_EQ(Drawn(images, row.image), EarlierImage(file));
    }
    EXPECT_EQ(ListItemText(main.form.lvwMain, 7, kNotesColumn), L"");
    EXPECT_EQ(rows[8].path, L"（非字符串值）");
    EXPECT_EQ(rows[9].path, expand);
    // The blank image, the program's own icon, notepad's and regedit's.
    EXPECT_EQ(ImageList_GetImageCount(images), 4);
    EXPECT_EQ(rows[0].image, rows[4].image);
}

// The publisher comes with the icon, and filters and sorts as the other
// columns do; a registration that looks planted is drawn in dark red and
// counted in the status bar.
TEST_F(ListingTest, PublishersAndPlantedRegistrationsShowInTheList) {
    const std::wstring planted = L"C:\\users\\Public\\tv-planted.exe";
    ASSERT_TRUE(CopyFileW(OwnPath().c_str(), planted.c_str(), FALSE));
    PutEntry(L"tvversioned.exe", (ProgramFolder() + L"\\shell_target\\tvversioned.exe").c_str());
    PutEntry(L"control.exe", planted.c_str(), Scope::User);
    MainForm main;
    HWND list = main.form.lvwMain;
    ASSERT_EQ(ListCount(list), 2);
    EXPECT_EQ(ListItemText(list, 0, kPublisherColumn), L"Tolvane Test Co");
    EXPECT_EQ(main.form.list.StatusText(), L"共 2 项，显示 2 项，其中 1 项可疑");
    auto textColour = [&](int row) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
        draw.clrText = CLR_DEFAULT;
        OnCustomDraw(main.form, draw);
        return draw.clrText;
    };
    EXPECT_EQ(textColour(0), CLR_DEFAULT);
    EXPECT_EQ(textColour(1), RGB(192, 0, 0));

    lvwMain_ColumnClick(main.form, kPublisherColumn);
    EXPECT_EQ(ListItemText(list, 0), L"control.exe") << "no publisher comes first";
    SetFilter(main.form, L"test co");
    ASSERT_EQ(ListCount(list), 1);
    EXPECT_EQ(ListItemText(list, 0), L"tvversioned.exe");
    DeleteFileW(planted.c_str());
}

// An unchanged list is listed again without extracting a single icon; a
// file that changes gets its new icon.
TEST_F(ListingTest, IconsAreCachedByFileUntilTheFileChanges) {
    const std::wstring copy = TempPath(L"tolvane-changing.exe");
    ASSERT_TRUE(CopyFileW(OwnPath().c_str(), copy.c_str(), FALSE));
    PutEntry(L"changing.exe", copy.c_str());
    PutEntry(L"notepad.exe", WindowsFile(L"notepad.exe").c_str());
    MainForm main;
    size_t extracted = main.form.icons->Extractions();
    EXPECT_EQ(extracted, 2u);
    std::vector<Row> before = ListRows(main.form.lvwMain);
    for (int i = 0; i < 3; ++i) Refresh(main.form);
    EXPECT_EQ(main.form.icons->Extractions(), extracted);
    EXPECT_EQ(ListRows(main.form.lvwMain), before);

    ASSERT_TRUE(CopyFileW(WindowsFile(L"regedit.exe").c_str(), copy.c_str(), FALSE));
    Refresh(main.form);
    EXPECT_EQ(main.form.icons->Extractions(), extracted + 1);
    EXPECT_EQ(Drawn(main.form.iml.get(), RowImage(main.form.lvwMain, 0)),
              EarlierImage(WindowsFile(L"regedit.exe")));
    DeleteFileW(copy.c_str());
}

TEST_F(ListingTest, EmptyKeyGivesAnEmptyListAndOnlyTheBlankImage) {
    MainForm main;
    EXPECT_EQ(ListCount(main.form.lvwMain), 0);
    EXPECT_EQ(ImageList_GetImageCount(main.form.iml.get()), 1);
}

// Another program's changes show by themselves within a second; the
// selected entry stays selected, and a change of a value is read again.
TEST_F(ListingTest, TheListFollowsOtherProgramsAndKeepsTheSelection) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    PutEntry(L"b.exe", L"C:\\b.exe");
    PutEntry(L"c.exe", L"C:\\c.exe");
    MainForm main;
    ListSelect(main.form.lvwMain, 1);
    auto waitFor = [&](size_t rows, const wchar_t* cell) {
        for (int i = 0; i < 200; ++i) {
            if (ListRows(main.form.lvwMain).size() == rows &&
                ListItemText(main.form.lvwMain, 0, 1) == cell) {
                return true;
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            YieldToMessages();
        }
        return false;
    };
    const std::wstring key = L"\"HKLM\\" + std::wstring(kAppPathsPath);
    ASSERT_EQ(RunReg(L"add " + key + L"\\0.exe\" /ve /d C:\\zero.exe /f"), 0);
    ULONGLONG added = GetTickCount64();
    EXPECT_TRUE(waitFor(4, L"C:\\zero.exe"));
    EXPECT_LT(GetTickCount64() - added, 1000u);
    EXPECT_EQ(ListItemText(main.form.lvwMain, ListSelectedIndex(main.form.lvwMain)), L"b.exe");

    ASSERT_EQ(RunReg(L"delete " + key + L"\\0.exe\" /f"), 0);
    ASSERT_EQ(RunReg(L"add " + key + L"\\a.exe\" /ve /d D:\\a2.exe /f"), 0);
    EXPECT_TRUE(waitFor(3, L"D:\\a2.exe"));
    EXPECT_EQ(ListItemText(main.form.lvwMain, ListSelectedIndex(main.form.lvwMain)), L"b.exe");
}

// A refresh keeps the selected entry and the rows in view; when the entry
// is gone, the first row is selected.
TEST_F(ListingTest, ARefreshKeepsTheSelectionAndTheRowsInView) {
    for (int i = 0; i < 100; ++i) PutEntry(L"e" + std::to_wstring(100 + i) + L".exe", L"C:\\e.exe");
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOW);
    EXPECT_EQ(ListSelectedIndex(main.form.lvwMain), 0);
    SendMessageW(main.form.lvwMain, LVM_ENSUREVISIBLE, 80, FALSE);
    int top = static_cast<int>(SendMessageW(main.form.lvwMain, LVM_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 0);
    ListSelect(main.form.lvwMain, 70);
    Refresh(main.form);
    EXPECT_EQ(ListSelectedIndex(main.form.lvwMain), 70);
    EXPECT_EQ(SendMessageW(main.form.lvwMain, LVM_GETTOPINDEX, 0, 0), top);
    main.form.watcher.Stop();
    ClearAppPaths();
    PutEntry(L"only.exe", L"C:\\only.exe");
    PutEntry(L"other.exe", L"C:\\other.exe");
    Refresh(main.form);
    EXPECT_EQ(ListSelectedIndex(main.form.lvwMain), 0);
}

// A long listing is read in slices between which the window answers: a
// refresh asked for meanwhile starts it again, and gives each entry once.
TEST_F(ListingTest, ARefreshDuringARefreshGivesOneList) {
    for (int i = 0; i < 4000; ++i)
        PutEntry(L"e" + std::to_wstring(10000 + i) + L".exe", L"C:\\e.exe");
    MainForm main;
    RefreshList(main.form);
    ASSERT_TRUE(main.form.list.Listing());  // more than one slice
    PostMessageW(main.hwnd, WM_COMMAND, IDM_OPR_REFRESH, 0);
    PostMessageW(main.hwnd, WM_COMMAND, IDT_REFRESH, 0);
    ASSERT_TRUE(WaitForList(main.form));
    std::vector<Row> rows = ListRows(main.form.lvwMain);
    ASSERT_EQ(rows.size(), 4000u);
    EXPECT_EQ(rows.front().name, L"e10000.exe");
    EXPECT_EQ(rows.back().name, L"e13999.exe");
}

// One message, or a short wait for one; what it was.
MSG PumpOne() {
    MSG msg{};
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        return {};
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return msg;
}

// A long first listing leaves the window to paint its rows and to take
// the user's keys while it goes on: input and paint come after the
// messages that it posts itself.
TEST_F(ListingTest, TheWindowPaintsAndTakesKeysWhileALongListFills) {
    for (int i = 0; i < 4000; ++i)
        PutEntry(L"e" + std::to_wstring(10000 + i) + L".exe", L"C:\\e.exe");
    ClearWindowSettings();
    FrmMain form;
    form.quitOnUnload = false;
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), form);
    ASSERT_TRUE(window);
    ShowMainWindow(window, form, SW_SHOW);
    SetFocus(form.lvwMain);
    // A key pressed once more rows have come in than the window showed first.
    const int first = ListCount(form.lvwMain);
    while (form.list.Listing() && ListCount(form.lvwMain) == first) PumpOne();
    ASSERT_TRUE(form.list.Listing());
    INPUT keys[2]{};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_DOWN;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
    // Painted: nothing of the list waits to be painted.
    bool keyTaken = false, painted = false;
    while (form.list.Listing()) {
        MSG msg = PumpOne();
        keyTaken = keyTaken || (msg.message == WM_KEYDOWN && msg.wParam == VK_DOWN);
        painted = painted || (keyTaken && !GetUpdateRect(form.lvwMain, nullptr, FALSE));
    }
    DestroyWindow(window);
    EXPECT_TRUE(painted);
    EXPECT_TRUE(keyTaken);
}

// A user who picks a row while the list fills and chooses Delete: the
// question names that row.
struct PickDuringRefresh {
    HWND list = nullptr;
    HWND window = nullptr;
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
}

TEST_F(ListingTest, ACommandChosenWhileTheListFillsActsOnTheSelectedRow) {
    for (int i = 0; i < 4000; ++i)
        PutEntry(L"e" + std::to_wstring(10000 + i) + L".exe", L"C:\\e.exe");
    MainForm main;
    g_pick = {main.form.lvwMain, main.hwnd, L""};
    MessageBoxSeen question;
    DialogScript script({AnswerMessageBox(&question, IDNO)});
    RefreshList(main.form);
    SetTimer(nullptr, 0, 1, PickRow);
    ASSERT_TRUE(WaitForList(main.form));
    for (int i = 0; i < 50 && !script.finished(); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        YieldToMessages();
    }
    ASSERT_TRUE(script.finished());
    EXPECT_NE(g_pick.picked, L"e10000.exe");
    EXPECT_EQ(question.text, L"确定要删除项目 " + g_pick.picked + L" 吗？");
}

// Icons of files that do not answer hold up neither the other rows, nor a
// refresh, nor the end of the window; what they still deliver is dropped.
TEST_F(ListingTest, FilesThatDoNotAnswerDelayNothing) {
    const std::wstring self = OwnPath();
    // Listed first, so that they take every thread the pool starts with.
    for (int i = 0; i < 6; ++i) {
        PutEntry(L"a-slow" + std::to_wstring(i) + L".exe",
                 (L"\\\\tolvane-share\\slow" + std::to_wstring(i) + L".exe").c_str());
    }
    PutEntry(L"z-self.exe", self.c_str());
    PutEntry(L"z-regedit.exe", WindowsFile(L"regedit.exe").c_str());
    DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    g_gate.Close();
    {
        FrmMain form;
        form.quitOnUnload = false;
        HWND window = CreateMainWindow(GetModuleHandleW(nullptr), form);
        ASSERT_TRUE(window);
        // More files hang than the pool has threads; the others still come.
        auto answered = [&] {
            return RowImage(form.lvwMain, 6) != 0 && RowImage(form.lvwMain, 7) != 0;
        };
        for (int i = 0; i < 500 && !answered(); ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            YieldToMessages();
        }
        EXPECT_TRUE(answered());
        EXPECT_EQ(g_gate.waiting, 6);
        RefreshList(form);
        EXPECT_FALSE(form.list.Listing());  // names at once, whatever the icons do
        EXPECT_FALSE(ListComplete(form));
        EXPECT_EQ(ListCount(form.lvwMain), 8);
        DestroyWindow(window);
        EXPECT_GT(g_gate.waiting.load(), 0);  // ended without waiting for them
        DrainQuit();
    }
    g_gate.Open();
    for (int i = 0; i < 200 && g_gate.waiting > 0; ++i) Sleep(10);
    Sleep(100);  // the released threads finish and deliver to no one
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
}

// A check of a path that does not answer holds neither the window nor the
// other rows' notes; its note reads "正在检查" until it answers.
HANDLE g_checkGate = CreateEventW(nullptr, TRUE, FALSE, nullptr);

void HoldSlowChecks(const std::wstring& path) {
    if (path.find(L"\\tolvane-slow") != std::wstring::npos) {
        WaitForSingleObject(g_checkGate, 30000);
    }
}

TEST_F(ListingTest, ACheckThatDoesNotAnswerHoldsNothingElse) {
    PutEntry(L"a-slow.exe", L"\\\\tolvane-slow\\share\\a.exe");
    PutEntry(L"b-gone.exe", L"C:\\gone\\b.exe");
    PutEntry(L"c-here.exe", OwnPath().c_str());
    ResetEvent(g_checkGate);
    SetProbeHook(HoldSlowChecks);
    {
        FrmMain form;
        form.quitOnUnload = false;
        HWND window = CreateMainWindow(GetModuleHandleW(nullptr), form);
        ASSERT_TRUE(window);
        auto notes = [&] {
            std::vector<std::wstring> cells;
            for (int row = 0; row < 3; ++row)
                cells.push_back(ListItemText(form.lvwMain, row, kNotesColumn));
            return cells;
        };
        const std::vector<std::wstring> meanwhile = {L"正在检查", L"目标不存在", L""};
        for (int i = 0; i < 400 && notes() != meanwhile; ++i) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            YieldToMessages();
        }
        EXPECT_EQ(notes(), meanwhile);
        // The window answers: a refresh lists every name at once.
        SendMessageW(window, WM_COMMAND, IDM_OPR_REFRESH, 0);
        EXPECT_EQ(ListCount(form.lvwMain), 3);
        SetEvent(g_checkGate);
        EXPECT_TRUE(WaitForList(form));
        EXPECT_EQ(notes()[0], L"目标不存在");
        DestroyWindow(window);
        DrainQuit();
    }
    SetProbeHook(nullptr);
}

// A search folder whose listing does not answer, a PATH folder on a share
// that is gone, holds no icon: those of the next refresh come at once. Past
// the deadline the notes say what they know and "正在检查" for the rest,
// until the folder answers.
void HoldHungFolder(const std::wstring& path) {
    if (path.find(L"tolvane-hung") != std::wstring::npos) WaitForSingleObject(g_checkGate, 30000);
}

TEST_F(ListingTest, ASearchFolderThatDoesNotAnswerHoldsNoIcon) {
    const wchar_t hung[] = L"\\\\tolvane-hung\\bin";
    ASSERT_EQ(
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Environment", L"Path", REG_SZ, hung, sizeof(hung)),
        ERROR_SUCCESS);
    // More rows than the pool has threads at most.
    for (int i = 0; i < 24; ++i)
        PutEntry(L"self" + std::to_wstring(i) + L".exe", OwnPath().c_str());
    PutEntry(L"a-gone.exe", L"C:\\gone\\gone.exe");
    ResetEvent(g_checkGate);
    SetProbeHook(HoldHungFolder);
    {
        FrmMain form;
        form.quitOnUnload = false;
        HWND window = CreateMainWindow(GetModuleHandleW(nullptr), form);
        ASSERT_TRUE(window);
        auto waitFor = [&](const std::function<bool()>& done, DWORD ms) {
            for (ULONGLONG end = GetTickCount64() + ms; !done() && GetTickCount64() < end;) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                YieldToMessages();
            }
            return done();
        };
        auto iconsIn = [&] {
            for (int row = 1; row <= 24; ++row) {
                if (RowImage(form.lvwMain, row) == 0) return false;
            }
            return true;
        };
        auto gone = [&] { return ListItemText(form.lvwMain, 0, kNotesColumn); };
        EXPECT_TRUE(waitFor(iconsIn, 10000));
        EXPECT_TRUE(waitFor([&] { return gone() == L"目标不存在；正在检查"; }, 5000));
        RefreshList(form);
        EXPECT_TRUE(waitFor(iconsIn, 1500));  // well before the folder's deadline
        SetEvent(g_checkGate);
        EXPECT_TRUE(waitFor([&] { return gone() == L"目标不存在"; }, 5000));
        DestroyWindow(window);
        DrainQuit();
    }
    SetProbeHook(nullptr);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Environment", L"Path");
}

// What an earlier listing asked for is never delivered to a later one.
TEST(IconLoader, ResultsOfAnEarlierListingAreDropped) {
    g_gate.Close();
    HWND window =
        CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    UniqueImageList images(ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 1));
    IconSurface().AppendTo(images.get());  // the blank image
    const std::wstring slow = TempPath(L"slow-icon.exe");
    ASSERT_TRUE(CopyFileW(OwnPath().c_str(), slow.c_str(), FALSE));
    {
        WorkerPool pool(2, IconLoader::StartWorker, IconLoader::EndWorker);
        IconLoader loader(window, WM_APP, images.get(), pool);
        loader.Request(slow);
        while (g_gate.waiting == 0) Sleep(5);
        pool.Clear();
        loader.Restart();
        loader.Request(WindowsFile(L"notepad.exe"));
        for (int i = 0; i < 500 && !loader.Idle(); ++i) {
            Sleep(10);
            loader.TakeResults();
        }
        EXPECT_TRUE(loader.Idle());
        g_gate.Open();
        while (g_gate.waiting > 0) Sleep(5);
        Sleep(100);
        EXPECT_TRUE(loader.TakeResults().empty());
        EXPECT_EQ(ImageList_GetImageCount(images.get()), 2);  // notepad's only
    }
    DeleteFileW(slow.c_str());
    DestroyWindow(window);
}

TEST_F(ListingTest, NoGdiObjectOutlivesARefresh) {
    for (int i = 0; i < 20; ++i)
        PutEntry(L"self" + std::to_wstring(i) + L".exe", OwnPath().c_str());
    MainForm main;
    DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    for (int i = 0; i < 5; ++i) Refresh(main.form);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
    EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
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
