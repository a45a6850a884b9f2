#include "main_window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <utility>

#include "about/about.h"
#include "editing/entry_commands.h"
#include "export/export_commands.h"
#include "main_window/toolbar.h"
#include "resource.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr UINT kCommandDblClick = 0xF001;  // the list's double-click, when deferred
constexpr COLORREF kWhite = RGB(255, 255, 255);

int ToolbarHeight() {
    return TwipsToPixelsY(kToolbarHeightTwips);
}

void AttachImages(FrmMain& form, HIMAGELIST list) {
    SendMessageW(form.lvwMain, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(list));
    SendMessageW(form.lvwMain, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

void AddColumn(HWND list, int index, const wchar_t* header, int widthTwips) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(header);
    column.cx = TwipsToPixelsX(widthTwips);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void CreateList(FrmMain& form) {
    RECT client;
    GetClientRect(form.hwnd, &client);
    // The form owns the image lists; the list only borrows them.
    form.lvwMain =
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                            LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                        0, ToolbarHeight(), client.right, client.bottom - ToolbarHeight(),
                        form.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(form.lvwMain, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    AddColumn(form.lvwMain, 0, L"项目名称", kNameColumnTwips);
    AddColumn(form.lvwMain, 1, L"程序路径", kPathColumnTwips);

    form.iml.reset(
        ImageList_Create(IconSurface::kSize, IconSurface::kSize, ILC_COLOR24 | ILC_MASK, 1, 256));
    // The design-time image, until the first refresh replaces it.
    ImageList_AddIcon(form.iml.get(), ProgramIcon());
    AttachImages(form, form.iml.get());
}

void CreateControls(FrmMain& form) {
    form.imlToolBar = CreateToolbarImages();
    form.tbrMain = CreateToolbar(form.hwnd, form.imlToolBar.get(), ToolbarHeight());
    CreateList(form);
}

void SelectFirstItem(FrmMain& form) {
    if (ListCount(form.lvwMain) > 0) ListSelect(form.lvwMain, 0);
}

// Inserting into a list that redraws costs far more than the item itself,
// so the list redraws a few times a second while a refresh fills it, and
// at its end; the refresh still yields after every index.
class BatchedRedraw {
  public:
    explicit BatchedRedraw(HWND list) : list_(list), last_(GetTickCount()) {
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }
    ~BatchedRedraw() { Show(); }
    BatchedRedraw(const BatchedRedraw&) = delete;
    BatchedRedraw& operator=(const BatchedRedraw&) = delete;

    // Lets the next yield paint the list when it has waited long enough.
    void BeforeYield() {
        if (GetTickCount() - last_ < kIntervalMs) return;
        Show();
        painting_ = true;
    }
    void AfterYield() {
        if (!painting_) return;
        painting_ = false;
        last_ = GetTickCount();
        SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    }

  private:
    static constexpr DWORD kIntervalMs = 100;

    void Show() {
        SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list_, nullptr, TRUE);
    }

    HWND list_;
    DWORD last_;
    bool painting_ = false;
};

// One listing from empty; stops early when a restart or a close is asked
// for during one of its yields.
void ListOnce(FrmMain& form) {
    form.picIcon.Clear();
    SendMessageW(form.lvwMain, LVM_DELETEALLITEMS, 0, 0);
    form.entries.clear();
    // The list is never attached to an empty image list.
    AttachImages(form, nullptr);
    ImageList_RemoveAll(form.iml.get());
    form.picIcon.AppendTo(form.iml.get());  // image 1, the placeholder
    AttachImages(form, form.iml.get());

    BatchedRedraw redraw(form.lvwMain);
    LONG result = ERROR_SUCCESS;
    for (DWORD index = 0; result == ERROR_SUCCESS; ++index) {
        std::wstring name;
        result = form.store.EnumEntryName(index, name);
        AppPathEntry entry;
        if (result == ERROR_SUCCESS && form.store.ReadEntry(name, entry) == ERROR_SUCCESS) {
            int image = GetIcon(form, entry);
            // The list control counts images from 0, the image list from 1.
            int item = ListAppend(form.lvwMain, entry.name, image - 1);
            ListSetSubItem(form.lvwMain, item, 1, ShownPath(entry));
            form.entries.push_back(std::move(entry));
        }
        redraw.BeforeYield();
        YieldToMessages();
        redraw.AfterYield();
        if (form.restartRefresh || form.closePending) return;
    }
}

const AppPathEntry* FindEntry(const FrmMain& form, const EntryKey& key) {
    for (const AppPathEntry& entry : form.entries) {
        if (Matches(entry, key)) return &entry;
    }
    return nullptr;
}

// The commands act on a copy: the list may be refreshed before they end.
template <typename Command>
void OnSelectedEntry(FrmMain& form, Command command) {
    const AppPathEntry* selected = SelectedEntry(form);
    if (!selected) return;
    AppPathEntry entry = *selected;
    if (command(form.hwnd, form.store, entry)) RefreshList(form);
}

// Refresh restarts a running refresh and Exit waits for it by themselves.
bool ActsDuringRefresh(UINT id) {
    return id == IDM_OPR_REFRESH || id == IDT_REFRESH || id == IDM_FILE_EXIT || id == IDT_EXIT;
}

void RunCommand(FrmMain& form, UINT id) {
    switch (id) {
        case IDM_FILE_HTML:
            mnuFileHTML_Click(form);
            break;
        case IDM_FILE_XML:
            mnuFileXML_Click(form);
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
        case IDM_HELP_CONTENT:
            mnuHelpContent_Click(form.hwnd);
            break;
        case IDM_HELP_ABOUT:
            mnuHelpAbout_Click(form.hwnd);
            break;
        case kCommandDblClick:
            lvwMain_DblClick(form);
            break;
        default:
            if (const wchar_t* key = ToolbarKeyOf(id)) tbrMain_ButtonClick(form, key);
            break;
    }
}

void OnCommand(FrmMain& form, UINT id) {
    if (form.refreshing && !ActsDuringRefresh(id)) {
        form.deferredCommand = id;
        const AppPathEntry* selected = SelectedEntry(form);
        form.deferredTarget = selected ? std::optional<EntryKey>(KeyOf(*selected)) : std::nullopt;
        return;
    }
    RunCommand(form, id);
}

// A command held back by a refresh acts on the entry that was selected
// when the user chose it; when that entry is gone, it does nothing.
void RunDeferredCommand(FrmMain& form) {
    UINT command = std::exchange(form.deferredCommand, 0);
    std::optional<EntryKey> target = std::exchange(form.deferredTarget, std::nullopt);
    if (!command) return;
    const AppPathEntry* entry = target ? FindEntry(form, *target) : nullptr;
    ListSelect(form.lvwMain, entry ? static_cast<int>(entry - form.entries.data()) : -1);
    RunCommand(form, command);
}

LRESULT OnNotify(FrmMain& form, NMHDR* header) {
    if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        if (const wchar_t* tip = ToolbarTipOf(static_cast<UINT>(header->idFrom))) {
            info->lpszText = const_cast<wchar_t*>(tip);
        }
        return 0;
    }
    if (header->hwndFrom == form.lvwMain && header->code == NM_DBLCLK) {
        OnCommand(form, kCommandDblClick);
    }
    return 0;
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    FrmMain* form = MainFormOf(hwnd);
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            form = static_cast<FrmMain*>(create->lpCreateParams);
            form->hwnd = hwnd;
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
        case WM_COMMAND:
            if (form) OnCommand(*form, LOWORD(wParam));
            return 0;
        case WM_NOTIFY:
            if (form) return OnNotify(*form, reinterpret_cast<NMHDR*>(lParam));
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
            if (form) form->hwnd = form->tbrMain = form->lvwMain = nullptr;
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
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kMainWindowClass, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = ProgramIcon();
    wc.hIconSm = ProgramIcon();
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExW(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance, FrmMain& form) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterMainWindowClass(instance)) return nullptr;

    constexpr DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    constexpr DWORD exStyle = WS_EX_APPWINDOW;
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_MAIN));
    RECT outer{0, 0, TwipsToPixelsX(kClientWidthTwips), TwipsToPixelsY(kClientHeightTwips)};
    AdjustWindowRectEx(&outer, style, TRUE, exStyle);
    HWND hwnd = CreateWindowExW(exStyle, kMainWindowClass, kAppTitle, style, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, menu, instance, &form);
    if (!hwnd) {
        if (menu) DestroyMenu(menu);
        return nullptr;
    }
    CenterWindow(hwnd, nullptr);
    Form_Load(form);
    return hwnd;
}

int RunApplication(HINSTANCE instance, int showCommand) {
    FrmMain form;
    HWND hwnd = CreateMainWindow(instance, form);
    if (!hwnd) return 1;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void Form_Load(FrmMain& form) {
    form.openResult = form.store.OpenAppPaths();
    if (form.openResult != ERROR_SUCCESS) {
        // The window is not shown yet: the message stands on its own.
        ShowMessage(nullptr, L"打开注册表失败！", kStyleError);
        return;
    }
    RefreshList(form);
}

void Form_Unload(FrmMain& form) {
    form.store.CloseAppPaths();
}

void Form_Resize(FrmMain& form) {
    if (IsIconic(form.hwnd)) return;
    RECT outer;
    GetWindowRect(form.hwnd, &outer);
    int width = outer.right - outer.left;
    int height = outer.bottom - outer.top;
    if (PixelsToTwipsX(width) < kMinWidthTwips) {
        // Raises a further resize, which lays the list out.
        SetWindowPos(form.hwnd, nullptr, 0, 0, TwipsToPixelsX(kMinWidthTwips), height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetWindowRect(form.hwnd, &outer);
        height = outer.bottom - outer.top;
    }
    if (PixelsToTwipsY(height) < kMinHeightTwips) {
        SetWindowPos(form.hwnd, nullptr, 0, 0, outer.right - outer.left,
                     TwipsToPixelsY(kMinHeightTwips), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT client;
    GetClientRect(form.hwnd, &client);
    RECT bar;
    GetWindowRect(form.tbrMain, &bar);
    int listHeight = client.bottom - (bar.bottom - bar.top);
    SetWindowPos(form.lvwMain, nullptr, 0, 0, client.right, listHeight < 0 ? 0 : listHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void RefreshList(FrmMain& form) {
    if (form.refreshing) {
        form.restartRefresh = true;
        return;
    }
    form.refreshing = true;
    do {
        form.restartRefresh = false;
        ListOnce(form);
    } while (form.restartRefresh && !form.closePending);
    form.refreshing = false;
    SelectFirstItem(form);

    if (form.closePending) {
        form.closePending = false;
        form.deferredCommand = 0;
        DestroyWindow(form.hwnd);
        return;
    }
    RunDeferredCommand(form);
}

int GetIcon(FrmMain& form, const AppPathEntry& entry) {
    form.picIcon.Clear();
    std::wstring path = ExpandedPath(entry);
    HICON icon = ExtractIconW(GetModuleHandleW(nullptr), path.c_str(), 0);
    if (icon) {
        DrawIcon(form.picIcon.hDC(), 0, 0, icon);
        // 1 is the platform's answer for a file of another kind, not a handle.
        if (icon != reinterpret_cast<HICON>(1)) DestroyIcon(icon);
    } else {
        form.picIcon.Clear();
    }
    return form.picIcon.AppendTo(form.iml.get());
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

const AppPathEntry* SelectedEntry(const FrmMain& form) {
    int index = ListSelectedIndex(form.lvwMain);
    if (index < 0 || static_cast<size_t>(index) >= form.entries.size()) return nullptr;
    return &form.entries[static_cast<size_t>(index)];
}

void mnuFileHTML_Click(FrmMain& form) {
    ExportHtml(form.hwnd, form.entries);
}

void mnuFileXML_Click(FrmMain& form) {
    ExportXml(form.hwnd, form.entries);
}

void mnuOprAdd_Click(FrmMain& form) {
    if (AddItem(form.hwnd, form.store)) RefreshList(form);
}

void mnuOprEdit_Click(FrmMain& form) {
    OnSelectedEntry(form, EditItem);
}

void mnuOprDel_Click(FrmMain& form) {
    OnSelectedEntry(form, DelItem);
}

void mnuFileExit_Click(FrmMain& form) {
    if (form.refreshing) {
        form.closePending = true;
        return;
    }
    DestroyWindow(form.hwnd);
}

}  // namespace tolvane
