// Finding and acting fast on the real window: the filter, sorting by a
// column, the keys, the rows' context menu, several rows at once and the
// status bar.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <functional>

#include "editing/edit_dialog.h"
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

class FindingTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearAppPaths(); }
    void TearDown() override { ClearAppPaths(); }
};

std::vector<std::wstring> Names(HWND list) {
    std::vector<std::wstring> names;
    for (int row = 0; row < ListCount(list); ++row) names.push_back(ListItemText(list, row));
    return names;
}

std::wstring StatusOf(const FrmMain& form) {
    wchar_t text[128] = {};
    SendMessageW(form.staMain, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

std::wstring Clipboard() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// A key as the keyboard would deliver it to |target|, with Ctrl or Shift
// held when asked.
void Press(HWND target, WORD key, BYTE modifier = 0) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    BYTE saved[256];
    std::copy(std::begin(state), std::end(state), saved);
    if (modifier) state[modifier] = 0x80;
    SetKeyboardState(state);
    SendMessageW(target, WM_KEYDOWN, key, 1);
    SetKeyboardState(saved);
}

std::wstring RegeditLastKey() {
    wchar_t text[512] = {};
    DWORD size = sizeof(text);
    RegGetValueW(HKEY_CURRENT_USER,
                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", L"LastKey",
                 RRF_RT_REG_SZ, nullptr, text, &size);
    return text;
}

// The id of a running process of that file name, or 0.
DWORD ProcessNamed(const wchar_t* name) {
    UniqueKernelObject snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, name) == 0) return entry.th32ProcessID;
    }
    return 0;
}

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK TakeWindowOf(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->process || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

// The visible top-level window of process |id|, or null.
HWND WindowOf(DWORD id) {
    WindowSearch search{id, nullptr};
    EnumWindows(TakeWindowOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs |act| and answers with |steps|; true when each step met its dialog.
bool Answering(std::vector<DialogStep> steps, const std::function<void()>& act) {
    DialogScript script(std::move(steps));
    act();
    return script.finished() && !script.timedOut();
}

DialogStep Cancel(const std::function<bool(HWND)>& which, bool* seen) {
    return {which, [seen](HWND dialog) {
                *seen = true;
                PressButton(dialog, GetDlgItem(dialog, IDNO) ? IDNO : IDCANCEL);
            }};
}

bool Titled(HWND dialog, const wchar_t* title) {
    return WindowText(dialog) == title;
}

DialogStep AnyDialogAtAll(bool* seen) {
    return {[](HWND) { return true; },
            [seen](HWND dialog) {
                *seen = true;
                PostMessageW(dialog, WM_COMMAND, IsMessageBox(dialog) ? IDOK : IDCANCEL, 0);
            }};
}

void SelectRows(HWND list, std::initializer_list<int> rows) {
    ListSelect(list, -1);
    for (int row : rows) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    }
}

// The texts of the popup menu that this thread shows, read from inside its
// menu loop, which then ends.
std::vector<std::wstring> g_menuItems;

BOOL CALLBACK ReadPopup(HWND window, LPARAM) {
    if (ClassOf(window) != L"#32768" || !IsWindowVisible(window)) return TRUE;
    auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        g_menuItems.push_back(text);
    }
    EndMenu();
    return FALSE;
}

void CALLBACK ReadMenuSoon(HWND, UINT, UINT_PTR timer, DWORD) {
    g_menuItems.clear();
    EnumThreadWindows(GetCurrentThreadId(), ReadPopup, 0);
    if (!g_menuItems.empty()) KillTimer(nullptr, timer);
}

}  // namespace

// The filter box filters the rows as the user types, the status bar counts
// them, and Esc in the box shows every row again.
TEST_F(FindingTest, TheFilterBoxFiltersTheRowsAndEscClearsIt) {
    PutEntry(L"Notepad.exe", L"C:\\Windows\\notepad.exe");
    PutEntry(L"calc.exe", L"C:\\calc.exe");
    MainForm main;
    SetWindowTextW(main.form.txtFilter, L"NOTEPAD");
    EXPECT_EQ(Names(main.form.lvwMain), std::vector<std::wstring>{L"Notepad.exe"});
    EXPECT_EQ(StatusOf(main.form), L"共 2 项，显示 1 项");
    Press(main.form.txtFilter, VK_ESCAPE);
    EXPECT_EQ(WindowText(main.form.txtFilter), L"");
    EXPECT_EQ(Names(main.form.lvwMain).size(), 2u);
}

// A click on a header sorts the rows by its column and shows its arrow; a
// second reverses, a third gives the registry's order back.
TEST_F(FindingTest, HeaderClicksSortTheRowsAndShowTheArrow) {
    for (const wchar_t* name : {L"b.exe", L"c.exe", L"a.exe"}) PutEntry(name, L"C:\\x.exe");
    MainForm main;
    const std::vector<std::wstring> registry = Names(main.form.lvwMain);
    HWND header = reinterpret_cast<HWND>(SendMessageW(main.form.lvwMain, LVM_GETHEADER, 0, 0));
    auto click = [&] {
        NMLISTVIEW notice{};
        notice.hdr = {main.form.lvwMain, 0, static_cast<UINT>(LVN_COLUMNCLICK)};
        notice.iSubItem = kNameColumn;
        SendMessageW(main.hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    EXPECT_EQ(click(), HDF_SORTUP);
    EXPECT_EQ(Names(main.form.lvwMain), (std::vector<std::wstring>{L"a.exe", L"b.exe", L"c.exe"}));
    EXPECT_EQ(click(), HDF_SORTDOWN);
    EXPECT_EQ(Names(main.form.lvwMain), (std::vector<std::wstring>{L"c.exe", L"b.exe", L"a.exe"}));
    EXPECT_EQ(click(), 0);
    EXPECT_EQ(Names(main.form.lvwMain), registry);
}

// Each key reaches its command; in the filter box Del and Enter edit the
// text as in any text box and reach no row.
TEST_F(FindingTest, KeysReachTheirCommands) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    PutEntry(L"b.exe", L"C:\\b.exe");
    MainForm main;
    main.form.watcher.Stop();  // F5 alone shows what comes next
    HWND list = main.form.lvwMain;
    auto question = [](HWND dialog) { return IsMessageBox(dialog); };
    auto editing = [](HWND dialog) { return Titled(dialog, L"编辑项目"); };
    auto adding = [](HWND dialog) { return Titled(dialog, L"添加项目"); };
    struct Key {
        HWND target;
        WORD key;
        BYTE modifier;
        std::function<bool(HWND)> dialog;
    };
    const Key keys[] = {{list, VK_DELETE, 0, question},
                        {list, VK_RETURN, 0, editing},
                        {list, VK_INSERT, 0, adding},
                        {list, 'N', VK_CONTROL, adding},
                        {main.form.txtFilter, 'N', VK_CONTROL, adding}};
    for (const Key& key : keys) {
        SetFocus(key.target);
        bool seen = false;
        EXPECT_TRUE(Answering({Cancel(key.dialog, &seen)}, [&] {
            if (key.key == VK_RETURN) {
                NMHDR notice{list, 0, static_cast<UINT>(NM_RETURN)};
                SendMessageW(main.hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notice));
            } else {
                Press(key.target, key.key, key.modifier);
            }
        }));
        EXPECT_TRUE(seen) << key.key;
    }
    for (WORD key : {VK_DELETE, VK_RETURN}) {
        SetWindowTextW(main.form.txtFilter, L"a");
        bool seen = false;
        DialogScript none({AnyDialogAtAll(&seen)});
        Press(main.form.txtFilter, key);
        YieldToMessages();
        EXPECT_FALSE(seen) << key;
    }
    EXPECT_EQ(GetFocus(), list);  // Enter in the box went on to the list

    Press(list, 'F', VK_CONTROL);
    EXPECT_EQ(GetFocus(), main.form.txtFilter);
    SetWindowTextW(main.form.txtFilter, L"");
    PutEntry(L"c.exe", L"C:\\c.exe");
    Press(main.form.txtFilter, VK_F5);
    WaitForList(main.form);
    EXPECT_EQ(ListCount(list), 3);

    SelectRows(list, {0, 1, 2});
    Press(list, 'C', VK_CONTROL);
    EXPECT_EQ(Clipboard(), L"C:\\a.exe\r\nC:\\b.exe\r\nC:\\c.exe");
}

// The rows' context menu, its copying, and Run, which starts the program
// by its registered name as the Run dialog would.
TEST_F(FindingTest, TheContextMenuAndItsCommands) {
    const std::wstring tvdemo = ProgramFolder() + L"\\shell_target\\tvdemo.exe";
    PutEntry(L"tvdemo.exe", tvdemo.c_str());
    PutEntry(L"\uD55C.exe", L"C:\\\uD55C.exe");
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOW);
    // Shift+F10 or the menu key.
    SetTimer(nullptr, 0, 50, ReadMenuSoon);
    SendMessageW(main.form.lvwMain, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main.form.lvwMain),
                 MAKELPARAM(-1, -1));
    EXPECT_EQ(g_menuItems, (std::vector<std::wstring>{
                               L"编辑(&E)", L"删除(&D)", L"", L"运行(&R)", L"打开文件位置(&O)",
                               L"在注册表编辑器中打开(&G)", L"复制名称(&N)", L"复制路径(&P)"}));

    ListSelect(main.form.lvwMain, 1);
    SendMessageW(main.hwnd, WM_COMMAND, IDM_ROW_COPY_NAME, 0);
    EXPECT_EQ(Clipboard(), L"\uD55C.exe");
    SendMessageW(main.hwnd, WM_COMMAND, IDM_ROW_COPY_PATH, 0);
    EXPECT_EQ(Clipboard(), L"C:\\\uD55C.exe");

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"tvdemo-ran.txt";
    DeleteFileW(marker.c_str());
    ListSelect(main.form.lvwMain, 0);
    SendMessageW(main.hwnd, WM_COMMAND, IDM_ROW_RUN, 0);
    for (int i = 0; i < 200 && GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(25);
    }
    EXPECT_NE(GetFileAttributesW(marker.c_str()), INVALID_FILE_ATTRIBUTES);

    // The registry editor, started at the row's key.
    ListSelect(main.form.lvwMain, 1);
    SendMessageW(main.hwnd, WM_COMMAND, IDM_ROW_REGEDIT, 0);
    EXPECT_EQ(RegeditLastKey(),
              L"计算机\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
              L"Paths\\\uD55C.exe");
    DWORD regedit = 0;
    for (int i = 0; i < 200 && !(regedit = ProcessNamed(L"regedit.exe")); ++i) Sleep(25);
    ASSERT_NE(regedit, 0u);
    // Closed as a user would, once it is up: killed halfway, it would leave
    // the shell's shared state to the tests that follow.
    UniqueKernelObject process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, regedit));
    HWND editor = nullptr;
    for (int i = 0; i < 400 && !(editor = WindowOf(regedit)); ++i) Sleep(25);
    if (editor) PostMessageW(editor, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.get(), 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 0);
    }
}

// Several rows go after one question naming them; the one that cannot go
// is named afterwards, and the others are gone.
TEST_F(FindingTest, SeveralRowsAreDeletedAtOnceAndFailuresNamed) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    PutEntry(L"b.exe", L"C:\\b.exe");
    PutEntry(L"b.exe\\SupportedProtocols", nullptr);  // its subkeys go with it
    PutEntry(L"c.exe", L"C:\\c.exe");
    PutEntry(L"d.exe", L"C:\\d.exe");
    MainForm main;
    main.form.watcher.Stop();
    SelectRows(main.form.lvwMain, {0, 1, 2});
    // Another program deletes one of them first.
    UniqueKey root;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kAppPathsPath, 0, KEY_ALL_ACCESS, root.put());
    RegDeleteKeyW(root.get(), L"a.exe");
    MessageBoxSeen question, report;
    ASSERT_TRUE(Answering({AnswerMessageBox(&question, IDYES), AnswerMessageBox(&report, IDOK)},
                          [&] { SendMessageW(main.hwnd, WM_COMMAND, IDM_OPR_DEL, 0); }));
    EXPECT_EQ(question.text, L"确定要删除以下 3 个项目吗？\n\na.exe\nb.exe\nc.exe\n");
    EXPECT_EQ(report.text, L"以下项目删除失败：\n\na.exe\n");
    EXPECT_EQ(report.style, static_cast<UINT>(MB_ICONHAND | MB_OK));
    EXPECT_EQ(EntryNames(), (std::vector<std::wstring>{L"d.exe"}));
}
