#include "main_window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <windowsx.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "about/about.h"
#include "about/quick_reference.h"
#include "main_window/cell_tips.h"
#include "main_window/toolbar.h"
#include "main_window/window_parts.h"
#include "resource.h"
#include "toolkit/designed_dialog.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr unsigned kMostWorkers = 4;
constexpr wchar_t kFilterCue[] = L"筛选（名称或路径）";
constexpr UINT_PTR kFilterSubclass = 1;

int ToolbarHeight(UINT dpi) {
    return TwipsToPixels(kToolbarHeightTwips, dpi);
}

// Where the list begins: under the toolbar and the filter's strip.
int ListTop(UINT dpi) {
    return TwipsToPixels(kToolbarHeightTwips + kFilterStripTwips, dpi);
}

int StatusHeight(const FrmMain& form) {
    RECT bar{};
    if (form.staMain) GetWindowRect(form.staMain, &bar);
    return bar.bottom - bar.top;
}

void AttachImages(FrmMain& form, HIMAGELIST list) {
    SendMessageW(form.lvwMain, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(list));
    SendMessageW(form.lvwMain, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

void AddColumn(HWND list, int index, UINT dpi) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(kColumns[index].header);
    column.cx = TwipsToPixels(kColumns[index].widthTwips, dpi);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

// The row images at the window's density, image 0 blank (no icon, or not
// yet), and the loader that fills them. The list view's rows grow to their
// height.
void MakeRowImages(FrmMain& form) {
    int size = IconSizeAt(form.dpi);
    UniqueImageList images(ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 1, 64));
    IconSurface blank(size);
    blank.AppendTo(images.get());
    AttachImages(form, images.get());
    form.iml = std::move(images);
    form.icons =
        std::make_unique<IconLoader>(form.hwnd, kIconsReady, form.iml.get(), *form.workers);
}

// At another density the icons are drawn again at the new size: the images
// of the old one go, every row shows the blank image until its icon comes.
// The old loader's jobs still queued end at once; the health checks queued
// with them stay.
void RemakeRowImages(FrmMain& form) {
    form.icons.reset();
    MakeRowImages(form);
    std::vector<std::wstring> wanted;
    form.list.ForgetImages(wanted);
    form.icons->Request(wanted);
    InvalidateRect(form.lvwMain, nullptr, FALSE);
}

// The list holds no data of its own: it asks the window for each cell it
// draws.
void CreateList(FrmMain& form) {
    RECT client;
    GetClientRect(form.hwnd, &client);
    // The form owns the image lists; the list only borrows them.
    form.lvwMain =
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS |
                            LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                        0, ListTop(form.dpi), client.right, client.bottom - ListTop(form.dpi),
                        form.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(form.lvwMain, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
        AddColumn(form.lvwMain, column, form.dpi);
    }

    form.workers = std::make_unique<WorkerPool>(WorkerPool::CoreCount(kMostWorkers),
                                                IconLoader::StartWorker, IconLoader::EndWorker);
    MakeRowImages(form);
    form.health = std::make_unique<HealthChecker>(form.hwnd, kHealthReady, *form.workers);
}

// Esc clears the filter, Enter goes on to the list; the window's own keys
// work here too. Every other key edits the text, as in any text box.
LRESULT CALLBACK FilterProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                            DWORD_PTR data) {
    FrmMain& form = *reinterpret_cast<FrmMain*>(data);
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                SetWindowTextW(edit, L"");
                return 0;
            }
            if (wParam == VK_RETURN) {
                SetFocus(form.lvwMain);
                return 0;
            }
            if (OnWindowKey(form, static_cast<WORD>(wParam))) return 0;
            break;
        case WM_CHAR:
            // The characters of the keys taken above: no beep, no text.
            if (wParam == VK_ESCAPE || wParam == L'\r' || wParam == 0x0E || wParam == 0x06) {
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, FilterProc, kFilterSubclass);
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

// The 状态 column takes the width that the list has beyond the other
// columns, down to its own default width; the others keep theirs. The
// vertical scroll bar's width is kept for it whether it shows or not, so
// that rows coming and going never make the columns wider than the list.
void FitNotesColumn(const FrmMain& form) {
    RECT client;
    GetClientRect(form.lvwMain, &client);
    int room = client.right;
    if (!(GetWindowLongW(form.lvwMain, GWL_STYLE) & WS_VSCROLL)) {
        room -= MulDiv(GetSystemMetrics(SM_CXVSCROLL), static_cast<int>(form.dpi),
                       static_cast<int>(DpiOf(nullptr)));
    }
    for (int column = 0; column < kNotesColumn; ++column) {
        room -= static_cast<int>(SendMessageW(form.lvwMain, LVM_GETCOLUMNWIDTH, column, 0));
    }
    int least = TwipsToPixels(kColumns[kNotesColumn].widthTwips, form.dpi);
    int width = std::max(room, least);
    if (SendMessageW(form.lvwMain, LVM_GETCOLUMNWIDTH, kNotesColumn, 0) != width) {
        SendMessageW(form.lvwMain, LVM_SETCOLUMNWIDTH, kNotesColumn, width);
    }
}

// The filter box's place, centred in the strip under the toolbar.
RECT FilterPlace(UINT dpi) {
    int height = TwipsToPixels(kFilterHeightTwips, dpi);
    int top = ToolbarHeight(dpi) + (TwipsToPixels(kFilterStripTwips, dpi) - height) / 2;
    int left = TwipsToPixels(kFilterLeftTwips, dpi);
    return {left, top, left + TwipsToPixels(kFilterWidthTwips, dpi), top + height};
}

// In the strip under the toolbar, before the list in tab order.
void CreateFilter(FrmMain& form) {
    RECT place = FilterPlace(form.dpi);
    form.txtFilter = CreateWindowExW(
        WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
        place.left, place.top, place.right - place.left, place.bottom - place.top, form.hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FILTER)), GetModuleHandleW(nullptr),
        nullptr);
    SendMessageW(form.txtFilter, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(kFilterCue));
    SetWindowSubclass(form.txtFilter, FilterProc, kFilterSubclass,
                      reinterpret_cast<DWORD_PTR>(&form));
}

void CreateStatusBar(FrmMain& form) {
    form.staMain =
        CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                        0, form.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS)),
                        GetModuleHandleW(nullptr), nullptr);
    UpdateStatus(form);
}

// The controls speak in the message font at the window's density. The
// toolbar shows no text, and a font would make it size its buttons anew.
void SetControlFonts(const FrmMain& form) {
    auto font = reinterpret_cast<WPARAM>(MessageFont(form.dpi));
    for (HWND child = GetWindow(form.hwnd, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (child != form.tbrMain) SendMessageW(child, WM_SETFONT, font, TRUE);
    }
}

void CreateControls(FrmMain& form) {
    form.imlToolBar = CreateToolbarImages(form.dpi);
    form.tbrMain =
        CreateToolbar(form.hwnd, form.imlToolBar.get(), ToolbarHeight(form.dpi), form.dpi);
    CreateFilter(form);
    CreateList(form);
    CreateCellTips(form);
    CreateStatusBar(form);
    SetControlFonts(form);
    // The program's own changes lead to the refresh it makes itself, not to
    // a second one from the watcher.
    form.stores.changed = [&form](const std::vector<EntryKey>& keys) {
        form.watcher.NoteOwnChange(keys);
    };
    form.watcher.Start(form.hwnd, kRegistryChanged);
    // Program files dropped from Explorer open the add dialog.
    DragAcceptFiles(form.hwnd, TRUE);
}

void RunCommand(FrmMain& form, UINT id) {
    switch (id) {
        case IDM_FILE_HTML:
            mnuFileHTML_Click(form);
            break;
        case IDM_FILE_XML:
            mnuFileXML_Click(form);
            break;
        case IDM_FILE_REG:
            mnuFileReg_Click(form);
            break;
        case IDM_OPR_CLEAN:
            mnuOprClean_Click(form);
            break;
        case IDM_FILE_IMPORT:
            mnuFileImport_Click(form);
            break;
        case IDM_OPR_UNDO:
            mnuOprUndo_Click(form);
            break;
        case IDM_FILE_EXIT:
            mnuFileExit_Click(form);
            break;
        case IDM_OPR_REFRESH:
            RefreshList(form);
            break;
        case IDM_OPR_ADD:
            mnuOprAdd_Click(form);
            break;
        case IDM_OPR_EDIT:
            mnuOprEdit_Click(form);
            break;
        case IDM_OPR_DEL:
            mnuOprDel_Click(form);
            break;
        case IDM_HELP_GUIDE:
            ShowQuickReference(form.hwnd);
            break;
        case IDM_HELP_CONTENT:
            mnuHelpContent_Click(form.hwnd);
            break;
        case IDM_HELP_ABOUT:
            mnuHelpAbout_Click(form.hwnd);
            break;
        case IDM_ROW_RUN:
            RunSelected(form);
            break;
        case IDM_ROW_OPEN:
            OpenSelectedLocation(form);
            break;
        case IDM_ROW_COPY_NAME:
            CopySelectedNames(form);
            break;
        case IDM_ROW_COPY_PATH:
            CopySelectedPaths(form);
            break;
        case IDM_ROW_REGEDIT:
            OpenSelectedInRegedit(form);
            break;
        default:
            if (const wchar_t* key = ToolbarKeyOf(id)) tbrMain_ButtonClick(form, key);
            break;
    }
}

// A right-click on a row, or Shift+F10 or the menu key: a click beside
// the rows opens nothing.
void OnListContextMenu(FrmMain& form, POINT at) {
    if (at.x != -1 || at.y != -1) {
        LVHITTESTINFO hit{};
        hit.pt = at;
        ScreenToClient(form.lvwMain, &hit.pt);
        if (SendMessageW(form.lvwMain, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) < 0) return;
    }
    lvwMain_ContextMenu(form, at);
}

LRESULT OnNotify(FrmMain& form, NMHDR* header) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (const wchar_t* tip = ToolbarTipOf(static_cast<UINT>(header->idFrom))) {
            info->lpszText = const_cast<wchar_t*>(tip);
        }
        return 0;
    }
    if (header->hwndFrom != form.lvwMain) return 0;
    switch (header->code) {
        case LVN_GETDISPINFOW:
            OnGetDispInfo(form, *reinterpret_cast<NMLVDISPINFOW*>(header));
            break;
        case NM_CUSTOMDRAW:
            return OnCustomDraw(form, *reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        case NM_DBLCLK:
            lvwMain_DblClick(form);
            break;
        case NM_RETURN:
            mnuOprEdit_Click(form);
            break;
        case LVN_KEYDOWN:
            OnListKey(form, reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
            break;
        case LVN_ODFINDITEMW:
            return FindRow(form, *reinterpret_cast<NMLVFINDITEMW*>(header));
        case LVN_COLUMNCLICK:
            lvwMain_ColumnClick(form, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
            break;
    }
    return 0;
}

// The window has moved to a monitor of another density, or its monitor's
// has changed: everything is laid out again at |dpi| in the place that
// Windows suggests.
void OnDpiChanged(FrmMain& form, UINT dpi, const RECT& suggested) {
    form.dpi = dpi;
    RemakeRowImages(form);
    UniqueImageList images = CreateToolbarImages(dpi);
    ScaleToolbar(form.tbrMain, images.get(), dpi);
    form.imlToolBar = std::move(images);
    RECT bar;
    GetWindowRect(form.tbrMain, &bar);
    SetWindowPos(form.tbrMain, nullptr, 0, 0, bar.right - bar.left, ToolbarHeight(dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        SendMessageW(form.lvwMain, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                     TwipsToPixels(kColumns[i].widthTwips, dpi));
    }
    SetControlFonts(form);
    SetWindowPos(form.hwnd, nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    // Also when the suggested size is the old one, which sends no WM_SIZE.
    DockToolbar(form.tbrMain, form.hwnd);
    Form_Resize(form);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    FrmMain* form = MainFormOf(hwnd);
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            form = static_cast<FrmMain*>(create->lpCreateParams);
            form->hwnd = hwnd;
            form->dpi = DpiOf(hwnd);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
            break;
        }
        case WM_CREATE:
            CreateControls(*form);
            return 0;
        case WM_SIZE:
            if (form && form->lvwMain) {
                DockToolbar(form->tbrMain, form->hwnd);
                Form_Resize(*form);
            }
            return 0;
        case WM_SETFOCUS:
            if (form && form->lvwMain) SetFocus(form->lvwMain);
            return 0;
        case WM_DPICHANGED:
            if (form && form->lvwMain) {
                OnDpiChanged(*form, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            }
            return 0;
        case WM_COMMAND:
            if (!form) return 0;
            if (LOWORD(wParam) == IDC_FILTER) {
                if (HIWORD(wParam) == EN_CHANGE) SetFilter(*form, WindowText(form->txtFilter));
                return 0;
            }
            RunCommand(*form, LOWORD(wParam));
            return 0;
        case WM_CONTEXTMENU:
            if (form && reinterpret_cast<HWND>(wParam) == form->lvwMain) {
                OnListContextMenu(*form, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            }
            return 0;
        case kContinueListing:
            if (form) ContinueListing(*form, wParam);
            return 0;
        case kIconsReady:
            if (form && form->icons) OnIconsReady(*form);
            return 0;
        case kHealthReady:
            if (form && form->health) OnHealthReady(*form);
            return 0;
        case kRegistryChanged:
            if (form) OnRegistryChanged(*form);
            return 0;
        case kCheckMore:
            if (form && form->health) OnCheckMore(*form, static_cast<unsigned long long>(wParam));
            return 0;
        case kSearchListed:
            if (form && form->health) OnSearchListed(*form);
            return 0;
        case WM_TIMER:
            if (form && wParam == kListingTimer) OnListingTimer(*form);
            if (form && form->health && wParam == kSearchDeadlineTimer) OnSearchDeadline(*form);
            return 0;
        case WM_ENABLE:
            // A dialog of the program has closed: a refresh that waited for
            // it runs now.
            if (form && wParam && form->refreshPending) {
                PostMessageW(hwnd, kRegistryChanged, 0, 0);
            }
            return 0;
        case WM_NOTIFY:
            if (form) return OnNotify(*form, reinterpret_cast<NMHDR*>(lParam));
            return 0;
        case WM_DROPFILES:
            if (form) OnDropFiles(*form, reinterpret_cast<HDROP>(wParam));
            return 0;
        case WM_CLOSE:
            if (form) mnuFileExit_Click(*form);
            return 0;
        case WM_DESTROY:
            if (form) {
                Form_Unload(*form);
                if (form->quitOnUnload) PostQuitMessage(0);
            }
            return 0;
        case WM_NCDESTROY:
            if (form)
                form->hwnd = form->tbrMain = form->txtFilter = form->lvwMain = form->staMain =
                    nullptr;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

FrmMain* MainFormOf(HWND hwnd) {
    return reinterpret_cast<FrmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    return RegisterProgramWindowClass(instance, kMainWindowClass, MainWndProc, COLOR_BTNFACE);
}

HWND CreateMainWindow(HINSTANCE instance, FrmMain& form) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterMainWindowClass(instance)) return nullptr;

    constexpr DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_APPWINDOW;
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_MAIN));
    HWND hwnd = CreateWindowExW(exStyle, kMainWindowClass, kAppTitle, style, CW_USEDEFAULT,
                                CW_USEDEFAULT, 0, 0, nullptr, menu, instance, &form);
    if (!hwnd) {
        if (menu) DestroyMenu(menu);
        return nullptr;
    }
    // The status bar's height is known once it exists. The frame that the
    // style gives is at the system's density; the window may have opened
    // on a monitor of another, so its own frame is measured then.
    SIZE client = {
        TwipsToPixels(kClientWidthTwips, form.dpi),
        ListTop(form.dpi) + TwipsToPixels(kListHeightTwips, form.dpi) + StatusHeight(form)};
    RECT outer{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&outer, style, TRUE, exStyle);
    SetWindowPos(hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SizeClientArea(hwnd, client.cx, client.cy);
    CenterWindow(hwnd, nullptr);
    ApplySettings(form);
    Form_Load(form);
    return hwnd;
}

void ShowMainWindow(HWND hwnd, const FrmMain& form, int showCommand) {
    bool plain = showCommand == SW_SHOWNORMAL || showCommand == SW_SHOWDEFAULT;
    ShowWindow(hwnd, form.startMaximized && plain ? SW_SHOWMAXIMIZED : showCommand);
    // Showing and the first paint each hold the window a while: what other
    // programs sent it meanwhile is answered in between.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    UpdateWindow(hwnd);
}

int RunApplication(HINSTANCE instance, int showCommand) {
    FrmMain form;
    HWND hwnd = CreateMainWindow(instance, form);
    if (!hwnd) return 1;
    ShowMainWindow(hwnd, form, showCommand);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Form_Load(FrmMain& form) {
    // The user's key is often absent until a first registration: that is
    // no failure, just an empty list for the user.
    form.stores.user.OpenAppPaths();
    form.openResult = form.stores.machine.OpenAppPaths();
    if (form.openResult != ERROR_SUCCESS) {
        // The window is not shown yet: the message stands on its own.
        ShowMessage(nullptr, L"打开注册表失败！", kStyleError);
    }
    RefreshList(form);
}

void Form_Unload(FrmMain& form) {
    SaveSettings(form);
    form.watcher.Stop();
    // Icons still loading are dropped; a file that does not answer keeps
    // its thread, not the window.
    form.icons.reset();
    form.health.reset();
    form.workers.reset();
    form.list.EndListing();
    form.stores.machine.CloseAppPaths();
    form.stores.user.CloseAppPaths();
}

void Form_Resize(FrmMain& form) {
    if (IsIconic(form.hwnd)) return;
    RECT outer;
    GetWindowRect(form.hwnd, &outer);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    if (PixelsToTwips(width, form.dpi) < kMinWidthTwips) {
        // Raises a further resize, which lays the list out.
        SetWindowPos(form.hwnd, nullptr, 0, 0, TwipsToPixels(kMinWidthTwips, form.dpi), height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(form.hwnd, &outer);
        height = outer.bottom - outer.top;
    }
    if (PixelsToTwips(height, form.dpi) < kMinHeightTwips) {
        SetWindowPos(form.hwnd, nullptr, 0, 0, outer.right - outer.left,
                     TwipsToPixels(kMinHeightTwips, form.dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The filter sits under the toolbar; the status bar follows the bottom
    // edge, and the list fills what lies between. Both are placed, not only
    // sized: their tops follow the density.
    RECT filter = FilterPlace(form.dpi);
    SetWindowPos(form.txtFilter, nullptr, filter.left, filter.top, filter.right - filter.left,
                 filter.bottom - filter.top, SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(form.staMain, WM_SIZE, 0, 0);
    RECT client;
    GetClientRect(form.hwnd, &client);
    int listTop = ListTop(form.dpi);
    int listHeight = client.bottom - listTop - StatusHeight(form);
    SetWindowPos(form.lvwMain, nullptr, 0, listTop, client.right, listHeight < 0 ? 0 : listHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FitNotesColumn(form);
}

void tbrMain_ButtonClick(FrmMain& form, const std::wstring& key) {
    if (key == L"Refresh") {
        RefreshList(form);
    } else if (key == L"Add") {
        mnuOprAdd_Click(form);
    } else if (key == L"Edit") {
        mnuOprEdit_Click(form);
    } else if (key == L"Del") {
        mnuOprDel_Click(form);
    } else if (key == L"Exit") {
        mnuFileExit_Click(form);
    }
}

void lvwMain_DblClick(FrmMain& form) {
    mnuOprEdit_Click(form);
}

void mnuFileExit_Click(FrmMain& form) {
    DestroyWindow(form.hwnd);
}

}  // namespace tolvane
