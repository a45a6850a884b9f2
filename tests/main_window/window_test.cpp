// The main window's layout, toolbar, menus, minimum size and command routing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <shlobj.h>

#include "about/quick_reference.h"
#include "health/health.h"
#include "main_window/cell_tips.h"
#include "editing/edit_dialog.h"
#include "main_window/toolbar.h"
#include "resource.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/narrow.h"
#include "settings/window_settings.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

SIZE OuterSize(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT Client(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    return r;
}

// Under the toolbar and the filter's strip, down to the status bar.
void ExpectListFillsClientBelowToolbar(const FrmMain& form) {
    RECT client = Client(form.hwnd);
    RECT list = ChildRect(form.lvwMain);
    RECT status = ChildRect(form.staMain);
    EXPECT_EQ(list.left, 0);
    EXPECT_EQ(list.top, TwipsToPixels(kToolbarHeightTwips + kFilterStripTwips, DpiOf(nullptr)));
    EXPECT_EQ(list.right, client.right);
    EXPECT_EQ(list.bottom, status.top);
    EXPECT_EQ(status.bottom, client.bottom);
}

int ColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, column, 0));
}

int ColumnsWidth(HWND list) {
    int width = 0;
    for (int column = 0; column < 5; ++column) width += ColumnWidth(list, column);
    return width;
}

// The centre of a cell of the list, in its client coordinates.
POINT CellCentre(HWND list, int item, int column) {
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(item),
                 reinterpret_cast<LPARAM>(&cell));
    return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

std::wstring MenuText(HMENU menu, int position) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(position), text, 128, MF_BYPOSITION);
    return text;
}

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppPaths();
        PutEntry(L"a.exe", L"C:\\a.exe");
        PutEntry(L"b.exe", L"C:\\b.exe");
    }
    void TearDown() override { ClearAppPaths(); }
};

}  // namespace

TEST_F(WindowTest, OpensWithTheGivenSizeCaptionAndFrame) {
    ASSERT_EQ(DpiOf(nullptr), 96u);
    MainForm main;
    RECT client = Client(main.hwnd);
    EXPECT_EQ(client.right, 1000);
    // The list keeps its 6480 twips under the filter's strip, with the
    // status bar below.
    EXPECT_EQ(
        client.bottom - (ChildRect(main.form.staMain).bottom - ChildRect(main.form.staMain).top),
        TwipsToPixels(870 + 450 + 6480, DpiOf(nullptr)));
    EXPECT_EQ(ChildRect(main.form.lvwMain).bottom - ChildRect(main.form.lvwMain).top, 432);
    // The filter box: 60 twips in, 4500 wide, 330 high, centred in its strip.
    RECT filter = ChildRect(main.form.txtFilter);
    EXPECT_EQ(filter.left, 4);
    EXPECT_EQ(filter.right - filter.left, 300);
    EXPECT_EQ(filter.bottom - filter.top, 22);
    EXPECT_EQ(filter.top, 58 + (30 - 22) / 2);
    EXPECT_EQ(WindowText(main.hwnd), L"Tolvane");

    LONG style = GetWindowLongW(main.hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongW(main.hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(main.hwnd, GCLP_HICON)), ProgramIcon());
    EXPECT_NE(ProgramIcon(), nullptr);
    // The shell's calls from the window's thread need COM, apartment-threaded.
    APTTYPE apartment{};
    APTTYPEQUALIFIER qualifier{};
    ASSERT_EQ(CoGetApartmentType(&apartment, &qualifier), S_OK);
    EXPECT_TRUE(apartment == APTTYPE_STA || apartment == APTTYPE_MAINSTA);

    RECT window;
    GetWindowRect(main.hwnd, &window);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST_F(WindowTest, ToolbarHasItsButtonsKeysImagesAndTips) {
    MainForm main;
    HWND bar = main.form.tbrMain;
    RECT rect = ChildRect(bar);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, Client(main.hwnd).right);
    EXPECT_EQ(rect.bottom - rect.top, 58);  // 870 twips

    const UINT commands[] = {IDT_REFRESH, IDT_ADD, IDT_EDIT, IDT_DEL, 0, IDT_EXIT};
    const wchar_t* keys[] = {L"Refresh", L"Add", L"Edit", L"Del", nullptr, L"Exit"};
    const wchar_t* tips[] = {L"刷新列表", L"添加项目", L"编辑项目",
                             L"删除项目", nullptr,     L"退出程序"};
    const int images[] = {0, 1, 2, 3, -1, 4};
    ASSERT_EQ(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0), 6);
    for (int i = 0; i < 6; ++i) {
        TBBUTTON button{};
        SendMessageW(bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(static_cast<UINT>(button.idCommand), commands[i]);
        if (!commands[i]) {
            EXPECT_TRUE(button.fsStyle & BTNS_SEP);
            continue;
        }
        EXPECT_EQ(button.iBitmap, images[i]);
        EXPECT_EQ(std::wstring(ToolbarKeyOf(commands[i])), keys[i]);
        EXPECT_EQ(std::wstring(ToolbarTipOf(commands[i])), tips[i]);
        wchar_t text[32] = {};
        SendMessageW(bar, TB_GETBUTTONTEXTW, commands[i], reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, L"");  // images only
    }
    LRESULT size = SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(size), 55);
    EXPECT_EQ(HIWORD(size), 54);
    auto images48 = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
    ASSERT_EQ(images48, main.form.imlToolBar.get());
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images48, &cx, &cy);
    EXPECT_EQ(cx, 48);
    EXPECT_EQ(cy, 48);
    EXPECT_EQ(ImageList_GetImageCount(images48), 5);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(ImageIsBlank(images48, i)) << i;
}

TEST_F(WindowTest, ListSitsBelowTheToolbarWithItsColumnsAndFirstInTabOrder) {
    MainForm main;
    HWND list = main.form.lvwMain;
    ExpectListFillsClientBelowToolbar(main.form);
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    const int widths[] = {160, 427, 120, 80};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, i, 0), widths[i]);
    // The status column takes the rest, at least its own 180: all five show
    // without scrolling.
    EXPECT_GE(SendMessageW(list, LVM_GETCOLUMNWIDTH, 4, 0), 180);
    EXPECT_LE(ColumnsWidth(list), Client(list).right);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 5);
    const wchar_t* titles[] = {L"项目名称", L"程序路径", L"发布者", L"范围", L"状态"};
    for (int i = 0; i < 5; ++i) {
        wchar_t text[32] = {};
        HDITEMW item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = 32;
        SendMessageW(header, HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(text, titles[i]);
    }
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
              main.form.iml.get());
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0)),
              main.form.iml.get());
    // The filter comes first in tab order, then the list.
    EXPECT_EQ(GetNextDlgTabItem(main.hwnd, nullptr, FALSE), main.form.txtFilter);
    EXPECT_EQ(GetNextDlgTabItem(main.hwnd, main.form.txtFilter, FALSE), list);
}

TEST_F(WindowTest, MenuBarIsAsDesigned) {
    MainForm main;
    HMENU bar = GetMenu(main.hwnd);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    EXPECT_EQ(MenuText(bar, 0), L"文件(&F)");
    EXPECT_EQ(MenuText(bar, 1), L"操作(&O)");
    EXPECT_EQ(MenuText(bar, 2), L"帮助(&H)");

    struct Item {
        const wchar_t* text;  // null for a separator
        UINT id;
    };
    const std::vector<std::vector<Item>> menus = {
        {{L"导入(&I)…", IDM_FILE_IMPORT},
         {nullptr, 0},
         {L"导出为HTML(&H)", IDM_FILE_HTML},
         {L"导出为XML(&X)", IDM_FILE_XML},
         {L"导出为注册表文件(&R)…", IDM_FILE_REG},
         {nullptr, 0},
         {L"退出(&X)", IDM_FILE_EXIT}},
        {{L"撤销(&U)\tCtrl+Z", IDM_OPR_UNDO},
         {nullptr, 0},
         {L"刷新(&R)\tF5", IDM_OPR_REFRESH},
         {L"添加(&A)\tCtrl+N", IDM_OPR_ADD},
         {L"编辑(&E)\tEnter", IDM_OPR_EDIT},
         {L"删除(&D)\tDel", IDM_OPR_DEL},
         {nullptr, 0},
         {L"清理无效项目(&C)…", IDM_OPR_CLEAN}},
        {{L"使用说明(&U)\tF1", IDM_HELP_GUIDE},
         {L"内容(&H)", IDM_HELP_CONTENT},
         {nullptr, 0},
         {L"关于(&A)", IDM_HELP_ABOUT}},
    };
    for (int m = 0; m < 3; ++m) {
        HMENU sub = GetSubMenu(bar, m);
        ASSERT_EQ(GetMenuItemCount(sub), static_cast<int>(menus[m].size()));
        for (int i = 0; i < GetMenuItemCount(sub); ++i) {
            UINT state = GetMenuState(sub, static_cast<UINT>(i), MF_BYPOSITION);
            const Item& item = menus[m][i];
            if (!item.text) {
                EXPECT_TRUE(state & MF_SEPARATOR);
                continue;
            }
            EXPECT_EQ(MenuText(sub, i), item.text);
            EXPECT_EQ(GetMenuItemID(sub, i), item.id);
            // Nothing to undo at the start.
            EXPECT_EQ((state & MF_GRAYED) != 0, item.id == IDM_OPR_UNDO);
            EXPECT_FALSE(state & MF_CHECKED);
        }
    }
}

TEST_F(WindowTest, MinimumSizeSpringsBackPerDimension) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    const UINT dpi = DpiOf(nullptr);
    const SIZE minimum = {TwipsToPixels(kMinWidthTwips, dpi), TwipsToPixels(kMinHeightTwips, dpi)};

    SetWindowPos(main.hwnd, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(OuterSize(main.hwnd).cx, minimum.cx);
    EXPECT_EQ(OuterSize(main.hwnd).cy, minimum.cy);
    ExpectListFillsClientBelowToolbar(main.form);
    EXPECT_GT(ChildRect(main.form.lvwMain).bottom - ChildRect(main.form.lvwMain).top, 0);

    SetWindowPos(main.hwnd, nullptr, 0, 0, 250, 520, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(OuterSize(main.hwnd).cx, minimum.cx);
    EXPECT_EQ(OuterSize(main.hwnd).cy, 520);  // tall enough: left alone

    SetWindowPos(main.hwnd, nullptr, 0, 0, 640, 100, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(OuterSize(main.hwnd).cx, 640);
    EXPECT_EQ(OuterSize(main.hwnd).cy, minimum.cy);
    ExpectListFillsClientBelowToolbar(main.form);
}

// A resize goes to the status column alone, down to its own width; a cell
// that its column cuts short shows its whole text in a tip where the mouse
// rests, and one that shows whole shows none.
TEST_F(WindowTest, TheStatusColumnTakesResizesAndCutCellsShowTips) {
    const std::wstring longPath = L"C:\\Program Files\\" + std::wstring(80, L'x') + L"\\a.exe";
    PutEntry(L"a.exe", longPath.c_str());
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    HWND list = main.form.lvwMain;
    int others[4];
    for (int i = 0; i < 4; ++i) others[i] = ColumnWidth(list, i);
    int notes = ColumnWidth(list, 4);
    SIZE outer = OuterSize(main.hwnd);
    SetWindowPos(main.hwnd, nullptr, 0, 0, outer.cx + 200, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ColumnWidth(list, 4), notes + 200);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ColumnWidth(list, i), others[i]) << i;
    SetWindowPos(main.hwnd, nullptr, 0, 0, 200, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ColumnWidth(list, 4), 180);
    SetWindowPos(main.hwnd, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(ColumnWidth(list, 4), notes);

    ASSERT_EQ(ListItemText(list, 0), L"a.exe");
    POINT path = CellCentre(list, 0, 1);
    EXPECT_EQ(CellTipAt(main.form, path), longPath);
    EXPECT_EQ(CellTipAt(main.form, CellCentre(list, 0, 3)), L"") << "所有用户 shows whole";
    EXPECT_EQ(CellTipAt(main.form, CellCentre(list, 1, 1)), L"") << "C:\\b.exe shows whole";
    SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(path.x, path.y));
    wchar_t shown[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = main.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = shown;
    SendMessageW(main.form.cellTip.window, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(std::wstring(shown), longPath);
}

// F1 opens the quick reference, owned by the window, whose read-only text
// explains every note of the status column; F1 again brings the same one to
// the front, and Esc closes it.
TEST_F(WindowTest, F1OpensTheQuickReferenceAndEscClosesIt) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    SendMessageW(main.form.lvwMain, WM_KEYDOWN, VK_F1, 0);
    HWND reference = FindQuickReference(main.hwnd);
    ASSERT_NE(reference, nullptr);
    EXPECT_TRUE(IsWindowVisible(reference));
    EXPECT_FALSE(IsMessageBox(reference));
    HWND text = GetWindow(reference, GW_CHILD);
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & WS_VSCROLL);
    const std::wstring shown = WindowText(text);
    // Every note that the checks give, and every reason of a suspicious one.
    HealthReport machine;
    machine.scope = Scope::Machine;
    machine.bothScopes = true;
    HealthReport user;
    user.scope = Scope::User;
    user.missingTarget = user.relativePath = user.bothScopes = true;
    user.missingFolders = {L"C:\\gone"};
    user.sameNameProgram = L"<文件>";
    user.userOverridesSystem = user.suspiciousFolder = user.scriptTarget = true;
    for (const HealthReport& report : {machine, user}) {
        std::wstring notes = NotesText(report) + L"；";
        for (size_t start = 0, end; (end = notes.find_first_of(L"；：、", start)) != notes.npos;
             start = end + 1) {
            std::wstring note = notes.substr(start, end - start);
            EXPECT_NE(shown.find(note), std::wstring::npos) << ToAnsi(note);
        }
    }

    SendMessageW(main.form.txtFilter, WM_KEYDOWN, VK_F1, 0);
    SendMessageW(main.hwnd, WM_COMMAND, IDM_HELP_GUIDE, 0);
    EXPECT_EQ(FindQuickReference(main.hwnd), reference);
    int open = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kQuickReferenceClass, nullptr));) ++open;
    EXPECT_EQ(open, 1);
    SendMessageW(text, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(reference));
    EXPECT_TRUE(IsWindow(main.hwnd));
}

TEST_F(WindowTest, MinimizeChangesNothingAndRestoreAndMaximizeLayOut) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    RECT before = ChildRect(main.form.lvwMain);
    ShowWindow(main.hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(main.hwnd));
    RECT minimized = ChildRect(main.form.lvwMain);
    EXPECT_EQ(minimized.right - minimized.left, before.right - before.left);
    EXPECT_EQ(minimized.bottom - minimized.top, before.bottom - before.top);

    ShowWindow(main.hwnd, SW_RESTORE);
    ExpectListFillsClientBelowToolbar(main.form);
    ShowWindow(main.hwnd, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(main.hwnd));
    ExpectListFillsClientBelowToolbar(main.form);
    EXPECT_GT(Client(main.hwnd).right, 663);
    EXPECT_EQ(ChildRect(main.form.tbrMain).right, Client(main.hwnd).right);
}

TEST_F(WindowTest, CommonControlsSixAreLoaded) {
    MainForm main;
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(comctl, path, MAX_PATH);
    std::wstring lower = path;
    for (wchar_t& c : lower) c = towlower(c);
    EXPECT_NE(lower.find(L"winsxs"), std::wstring::npos) << path;
    EXPECT_NE(lower.find(L"common-controls"), std::wstring::npos) << path;
    EXPECT_NE(lower.find(L"_6.0."), std::wstring::npos) << path;
}

// Each way out unloads the window, closes the store and ends the loop.
TEST_F(WindowTest, ExitFromMenuToolbarAndCloseBoxEndsTheProgram) {
    struct Way {
        const char* name;
        UINT message;
        WPARAM wParam;
    };
    const Way ways[] = {{"menu", WM_COMMAND, IDM_FILE_EXIT},
                        {"toolbar", WM_COMMAND, IDT_EXIT},
                        {"close box", WM_SYSCOMMAND, SC_CLOSE}};
    for (const Way& way : ways) {
        MainForm main;
        main.form.quitOnUnload = true;
        ASSERT_TRUE(main.form.stores.machine.IsOpen());
        SendMessageW(main.hwnd, way.message, way.wParam, 0);
        EXPECT_FALSE(IsWindow(main.hwnd)) << way.name;
        EXPECT_FALSE(main.form.stores.machine.IsOpen()) << way.name;
        MSG msg;
        EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << way.name;
    }
}

TEST_F(WindowTest, ToolbarKeysAreComparedExactly) {
    MainForm main;
    PutEntry(L"c.exe", L"C:\\c.exe");
    for (const wchar_t* key : {L"refresh", L"REFRESH", L"Refresh ", L"", L"Exit2"}) {
        tbrMain_ButtonClick(main.form, key);
        EXPECT_EQ(ListCount(main.form.lvwMain), 2);
        EXPECT_TRUE(IsWindow(main.hwnd));
    }
    tbrMain_ButtonClick(main.form, L"Refresh");
    EXPECT_EQ(ListCount(main.form.lvwMain), 3);
}

TEST_F(WindowTest, ClickingTheSeparatorDoesNothing) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    PutEntry(L"c.exe", L"C:\\c.exe");
    RECT separator;
    SendMessageW(main.form.tbrMain, TB_GETITEMRECT, 4, reinterpret_cast<LPARAM>(&separator));
    LPARAM at =
        MAKELPARAM((separator.left + separator.right) / 2, (separator.top + separator.bottom) / 2);
    SendMessageW(main.form.tbrMain, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(main.form.tbrMain, WM_LBUTTONUP, 0, at);
    YieldToMessages();
    EXPECT_EQ(ActiveDialog(), nullptr);
    EXPECT_EQ(ListCount(main.form.lvwMain), 2);  // no refresh either

    // The refresh button beside it, clicked the same way, does refresh.
    RECT refresh;
    SendMessageW(main.form.tbrMain, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&refresh));
    at = MAKELPARAM((refresh.left + refresh.right) / 2, (refresh.top + refresh.bottom) / 2);
    SendMessageW(main.form.tbrMain, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(main.form.tbrMain, WM_LBUTTONUP, 0, at);
    YieldToMessages();
    EXPECT_EQ(ListCount(main.form.lvwMain), 3);
}

// Every menu item and toolbar button reaches its command: each command's
// first window is recognised and dismissed.
TEST_F(WindowTest, EveryCommandReachesItsProcedure) {
    struct Route {
        UINT command;
        std::function<bool(HWND)> first;
    };
    auto titled = [](const wchar_t* title) {
        std::wstring wanted = title;
        return [wanted](HWND dialog) { return WindowText(dialog) == wanted; };
    };
    auto question = [](HWND dialog) {
        return IsMessageBox(dialog) && ReadMessageBox(dialog).style == (MB_ICONQUESTION | MB_YESNO);
    };
    auto help = [](HWND dialog) {
        return IsMessageBox(dialog) && ReadMessageBox(dialog).text == L"懒人^-^ 不写了～";
    };
    const Route routes[] = {
        {IDM_OPR_ADD, titled(L"添加项目")},
        {IDT_ADD, titled(L"添加项目")},
        {IDM_OPR_EDIT, titled(L"编辑项目")},
        {IDT_EDIT, titled(L"编辑项目")},
        {IDM_OPR_DEL, question},
        {IDT_DEL, question},
        {IDM_FILE_HTML, titled(L"导出为HTML文件")},
        {IDM_FILE_XML, titled(L"导出为XML文件")},
        {IDM_FILE_REG, titled(L"导出为注册表文件")},
        {IDM_OPR_CLEAN, [](HWND dialog) { return IsMessageBox(dialog); }},
        {IDM_HELP_CONTENT, help},
        {IDM_HELP_ABOUT, titled(L"关于 Tolvane")},
    };
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    for (const Route& route : routes) {
        bool seen = false;
        DialogScript script({{[&](HWND dialog) { return route.first(dialog); },
                              [&](HWND dialog) {
                                  seen = true;
                                  // Cancel where there is a cancel, else close.
                                  if (GetDlgItem(dialog, IDNO)) {
                                      PressButton(dialog, IDNO);
                                  } else if (GetDlgItem(dialog, IDCANCEL)) {
                                      PressButton(dialog, IDCANCEL);
                                  } else {
                                      PressButton(dialog, IDOK);
                                  }
                              }}});
        SendMessageW(main.hwnd, WM_COMMAND, route.command, 0);
        EXPECT_TRUE(seen) << "command " << route.command;
        EXPECT_FALSE(script.timedOut());
        EXPECT_EQ(ListCount(main.form.lvwMain), 2);
    }
}

TEST_F(WindowTest, DoubleClickEditsTheSelectedEntry) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    std::wstring key;
    DialogScript script({OnDialogTitled(L"编辑项目", [&](HWND dialog) {
        HWND edit = FindWindowExW(dialog, nullptr, L"Edit", nullptr);
        key = WindowText(edit);
        PressButton(dialog, IDCANCEL);
    })});
    NMHDR click{main.form.lvwMain, 0, static_cast<UINT>(NM_DBLCLK)};
    SendMessageW(main.hwnd, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(key, ListItemText(main.form.lvwMain, 0));
}

// The real program as a separate process: its list matches the registry and
// WM_CLOSE ends it with exit code 0.
TEST_F(WindowTest, TheProgramStartsListsAndClosesCleanly) {
    std::wstring exe = OwnPath();
    exe = exe.substr(0, exe.find_last_of(L'\\'));
    exe = exe.substr(0, exe.find_last_of(L'\\')) + L"\\tolvane.exe";
    ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << "no tolvane.exe";

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    HWND window = nullptr;
    for (int i = 0; i < 300 && !window; ++i) {
        Sleep(100);
        HWND found = FindWindowW(kMainWindowClass, L"Tolvane");
        if (found && IsWindowVisible(found)) window = found;
    }
    ASSERT_NE(window, nullptr);
    HWND list = FindWindowExW(window, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0),
              static_cast<LRESULT>(EntryNames().size()));
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

namespace {

// Column |column|'s width in pixels.
int ColumnWidth(const FrmMain& form, int column) {
    return static_cast<int>(SendMessageW(form.lvwMain, LVM_GETCOLUMNWIDTH, column, 0));
}

void PutSetting(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    UniqueKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

}  // namespace

// What the window keeps between runs; a damaged or unreachable setting
// starts it as at first, without a word.
TEST_F(WindowTest, ARestartKeepsPlaceColumnsAndSortAndDamageMeansDefaults) {
    ClearWindowSettings();
    RECT placed{};
    int defaultWidth = 0;
    {
        MainForm first(true);
        defaultWidth = ColumnWidth(first.form, 1);
        SetWindowPos(first.hwnd, nullptr, 40, 30, 720, 520, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(first.form.lvwMain, LVM_SETCOLUMNWIDTH, 1, 300);
        lvwMain_ColumnClick(first.form, 0);
        lvwMain_ColumnClick(first.form, 0);  // names, descending
        GetWindowRect(first.hwnd, &placed);
    }
    {
        MainForm second(true);
        RECT now;
        GetWindowRect(second.hwnd, &now);
        EXPECT_TRUE(EqualRect(&now, &placed));
        EXPECT_EQ(ColumnWidth(second.form, 1), 300);
        EXPECT_EQ(ColumnWidth(second.form, 0), 160);
        EXPECT_EQ(second.form.list.sortColumn(), 0);
        EXPECT_TRUE(second.form.list.sortDescending());
        EXPECT_EQ(ListItemText(second.form.lvwMain, 0), L"b.exe");
    }

    // A place off every monitor, widths that are no numbers, a sixth column.
    WINDOWPLACEMENT away{};
    away.length = sizeof(away);
    away.showCmd = SW_SHOWNORMAL;
    away.rcNormalPosition = {-6000, -6000, -5300, -5500};
    PutSetting(L"WindowPlacement", REG_BINARY, &away, sizeof(away));
    PutSetting(L"ColumnWidths", REG_SZ, L"wide,300", sizeof(L"wide,300"));
    DWORD sixth = 5;
    PutSetting(L"SortColumn", REG_DWORD, &sixth, sizeof(sixth));
    MainForm third(true);
    RECT window, work;
    GetWindowRect(third.hwnd, &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(Client(third.hwnd).right, 1000);
    EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_EQ(ColumnWidth(third.form, 1), defaultWidth);
    EXPECT_EQ(third.form.list.sortColumn(), -1);
    EXPECT_EQ(ListItemText(third.form.lvwMain, 0), L"a.exe");
    DestroyWindow(third.hwnd);
    ClearWindowSettings();
}

namespace {

// What Explorer hands a window that files are dropped on.
HGLOBAL DropOf(const std::vector<std::wstring>& paths) {
    size_t chars = 1;
    for (const std::wstring& path : paths) chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* at = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& path : paths) {
        std::copy(path.begin(), path.end(), at);
        at += path.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

void MakeShortcut(const std::wstring& link, const std::wstring& target) {
    ComPtr<IShellLinkW> shortcut;
    ComPtr<IPersistFile> file;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IShellLinkW, shortcut.put()));
    shortcut->SetPath(target.c_str());
    ASSERT_HRESULT_SUCCEEDED(shortcut->QueryInterface(IID_IPersistFile, file.put()));
    ASSERT_HRESULT_SUCCEEDED(file->Save(link.c_str(), TRUE));
}

}  // namespace

// Dropped programs open the add dialog filled in, one after another, a
// shortcut for its program; other files are refused in one message first.
TEST_F(WindowTest, DroppedProgramsOpenTheAddDialogFilledIn) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    const std::wstring folder = ProgramFolder() + L"\\shell_target\\";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring link = std::wstring(temp) + L"tvversioned.lnk";
    const std::wstring notes = std::wstring(temp) + L"notes.txt";
    MakeShortcut(link, folder + L"tvversioned.exe");

    MessageBoxSeen refusal, added;
    std::vector<std::pair<std::wstring, std::wstring>> filled;
    auto read = [&](int button) {
        return OnDialogTitled(L"添加项目", [&filled, button](HWND dialog) {
            filled.emplace_back(ControlText(dialog, kIdTxtKey), ControlText(dialog, kIdTxtApp));
            PressButton(dialog, button);
        });
    };
    DialogScript script({AnswerMessageBox(&refusal, IDOK), read(IDCANCEL), read(IDOK),
                         AnswerMessageBox(&added, IDOK)});
    SendMessageW(main.hwnd, WM_DROPFILES,
                 reinterpret_cast<WPARAM>(DropOf({folder + L"tvdemo.exe", notes, link})), 0);
    EXPECT_TRUE(script.finished());
    DeleteFileW(link.c_str());
    EXPECT_EQ(refusal.text, L"以下文件不是程序或程序的快捷方式，不能登记：\n\nnotes.txt\n");
    EXPECT_EQ(filled, (std::vector<std::pair<std::wstring, std::wstring>>{
                          {L"tvdemo.exe", folder + L"tvdemo.exe"},
                          {L"tvversioned.exe", folder + L"tvversioned.exe"}}));
    EXPECT_EQ(added.text, L"项目添加成功！");
    EXPECT_EQ(EntryDefault(L"tvversioned.exe"), folder + L"tvversioned.exe");
    EXPECT_FALSE(EntryExists(L"tvdemo.exe"));
    WaitForList(main.form);
    EXPECT_EQ(ListCount(main.form.lvwMain), 3);
}
