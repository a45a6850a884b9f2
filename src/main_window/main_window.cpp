#include "main_window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <utility>

#include "about/about.h"
#include "editing/cleanup.h"
#include "editing/entry_commands.h"
#include "export/export_commands.h"
#include "export/reg_export.h"
#include "main_window/toolbar.h"
#include "resource.h"
#include "toolkit/designed_dialog.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// Posted to the window: the listing goes on (wParam: its generation), and
// icons have arrived.
constexpr UINT kContinueListing = WM_APP + 1;
constexpr UINT kIconsReady = WM_APP + 2;
constexpr UINT kHealthReady = WM_APP + 3;
constexpr UINT kRegistryChanged = WM_APP + 4;
constexpr unsigned kMostWorkers = 4;
constexpr wchar_t kChecking[] = L"正在检查";
// A slice of the listing holds the window about this long.
constexpr auto kSlice = std::chrono::milliseconds(20);
constexpr auto kShowEvery = std::chrono::milliseconds(150);

int ToolbarHeight(UINT dpi) {
    return TwipsToPixels(kToolbarHeightTwips, dpi);
}

void AttachImages(FrmMain& form, HIMAGELIST list) {
    SendMessageW(form.lvwMain, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(list));
    SendMessageW(form.lvwMain, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(list));
}

void AddColumn(HWND list, int index, const wchar_t* header, int widthTwips, UINT dpi) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(header);
    column.cx = TwipsToPixels(widthTwips, dpi);
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

// The list holds no data of its own: it asks the window for each cell it
// draws.
void CreateList(FrmMain& form) {
    RECT client;
    GetClientRect(form.hwnd, &client);
    // The form owns the image lists; the list only borrows them.
    int top = ToolbarHeight(form.dpi);
    form.lvwMain = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                                       LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                                   0, top, client.right, client.bottom - top, form.hwnd, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(form.lvwMain, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    AddColumn(form.lvwMain, 0, L"项目名称", kNameColumnTwips, form.dpi);
    AddColumn(form.lvwMain, 1, L"程序路径", kPathColumnTwips, form.dpi);
    AddColumn(form.lvwMain, 2, L"范围", kScopeColumnTwips, form.dpi);
    AddColumn(form.lvwMain, 3, L"状态", kNotesColumnTwips, form.dpi);

    form.iml.reset(
        ImageList_Create(IconSurface::kSize, IconSurface::kSize, ILC_COLOR24 | ILC_MASK, 1, 64));
    IconSurface blank;
    blank.AppendTo(form.iml.get());  // image 0: no icon, or not yet
    AttachImages(form, form.iml.get());
    form.workers = std::make_unique<WorkerPool>(WorkerPool::CoreCount(kMostWorkers),
                                                IconLoader::StartWorker, IconLoader::EndWorker);
    form.icons =
        std::make_unique<IconLoader>(form.hwnd, kIconsReady, form.iml.get(), *form.workers);
    form.health = std::make_unique<HealthChecker>(form.hwnd, kHealthReady, *form.workers);
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
    CreateList(form);
    SetControlFonts(form);
    // The program's own changes lead to the refresh it makes itself, not to
    // a second one from the watcher.
    auto ownChange = [&form] { form.watcher.ExpectOwnChange(); };
    form.stores.machine.beforeChange = ownChange;
    form.stores.user.beforeChange = ownChange;
    form.watcher.Start(form.hwnd, kRegistryChanged);
}

const AppPathEntry* FindEntry(const FrmMain& form, const EntryKey& key) {
    for (const AppPathEntry& entry : form.entries) {
        if (Matches(entry, key)) return &entry;
    }
    return nullptr;
}

// Once every name is listed: the entry that was selected before the
// refresh is selected again (the first one when it is gone, or none was),
// and the rows in view stay in view.
void RestoreView(FrmMain& form) {
    if (form.entries.empty()) return;
    int count = static_cast<int>(form.entries.size());
    int perPage = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETCOUNTPERPAGE, 0, 0));
    if (form.keptTop > 0) {
        int top = std::min(form.keptTop, count - 1);
        SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, std::min(top + perPage - 1, count - 1),
                     FALSE);
        SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, top, FALSE);
    }
    const AppPathEntry* kept = form.keptSelection ? FindEntry(form, *form.keptSelection) : nullptr;
    ListSelect(form.lvwMain, kept ? static_cast<int>(kept - form.entries.data()) : 0);
}

// New rows and new paths show; the list's scroll position stays.
void ShowRows(FrmMain& form) {
    if (static_cast<size_t>(ListCount(form.lvwMain)) != form.entries.size()) {
        SendMessageW(form.lvwMain, LVM_SETITEMCOUNT, form.entries.size(), LVSICF_NOSCROLL);
    }
    InvalidateRect(form.lvwMain, nullptr, FALSE);
}

std::wstring Folded(std::wstring path) {
    CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

// Asks for the icons of the rows from |first| to |end|: one request per
// program file, whatever the number of rows that name it.
void RequestIcons(FrmMain& form, size_t first, size_t end) {
    for (size_t row = first; row < end; ++row) {
        std::wstring path = ExpandedPath(form.entries[row]);
        if (path.empty()) continue;
        std::vector<size_t>& rows = form.rowsOfFile[Folded(path)];
        rows.push_back(row);
        if (rows.size() == 1) form.icons->Request(path);
    }
}

std::wstring PreviousKey(const AppPathEntry& entry) {
    return (entry.scope == Scope::User ? L"U:" : L"M:") + Folded(entry.name);
}

// The values of the previous listing, when the subkey has not been written
// since. Values that could not be read are read again: rights change
// without a write.
bool TakeUnchanged(FrmMain& form, AppPathEntry& row) {
    auto known = form.previous.find(PreviousKey(row));
    if (known == form.previous.end()) return false;
    const AppPathEntry& before = known->second;
    if (before.written != row.written || row.written == 0 ||
        before.state == ValueState::Unreadable ||
        before.pathValue.state == ValueState::Unreadable) {
        return false;
    }
    std::wstring name = std::move(row.name);  // as the registry spells it now
    row = before;
    row.name = std::move(name);
    return true;
}

// Every name is listed: the names registered in both hives are known.
void NamesDone(FrmMain& form) {
    form.enumerating = false;
    MarkBothScopes(form.entries, form.reports);
}

// The next name of the machine's key, then of the user's.
void ListingNameStep(FrmMain& form) {
    AppPathEntry entry;
    entry.scope = form.enumerated;
    if (form.stores.For(form.enumerated)
            .EnumEntryName(form.nextIndex, entry.name, &entry.written) != ERROR_SUCCESS) {
        if (form.enumerated == Scope::User) return NamesDone(form);
        form.enumerated = Scope::User;
        form.nextIndex = 0;
        return;
    }
    ++form.nextIndex;
    form.entries.push_back(std::move(entry));
    form.images.push_back(0);
    form.reports.emplace_back();
    form.checked.push_back(0);
}

// One step of the listing: the next name, or the values of the next row.
// Returns false when there is nothing left to read.
bool ListingStep(FrmMain& form) {
    if (form.enumerating) {
        ListingNameStep(form);
        return true;
    }
    if (form.valuesRead >= form.entries.size()) return false;
    auto offset = static_cast<std::ptrdiff_t>(form.valuesRead);
    AppPathEntry& row = form.entries[form.valuesRead];
    if (TakeUnchanged(form, row) ||
        form.stores.For(row.scope).ReadEntry(row.name, row) == ERROR_SUCCESS) {
        ++form.valuesRead;
    } else {
        // Gone since its name was read: no icon was asked for it yet.
        form.entries.erase(form.entries.begin() + offset);
        form.images.erase(form.images.begin() + offset);
        form.reports.erase(form.reports.begin() + offset);
        form.checked.erase(form.checked.begin() + offset);
    }
    return true;
}

// Reads until the slice's time is up; false when the listing has ended.
bool ReadSlice(FrmMain& form) {
    auto deadline = std::chrono::steady_clock::now() + kSlice;
    do {
        if (!ListingStep(form)) return false;
    } while (std::chrono::steady_clock::now() < deadline);
    return true;
}

// Every row is read: the checks go after the icons, since they touch the
// same files and their notes matter less at first sight.
void ListingDone(FrmMain& form) {
    form.refreshing = false;
    auto places = std::make_shared<const SearchPlaces>(ReadSearchPlaces());
    for (size_t row = 0; row < form.entries.size(); ++row) {
        form.health->Request(row, form.entries[row], places);
    }
}

void ContinueListing(FrmMain& form, unsigned long long generation) {
    if (generation != form.generation || !form.refreshing) return;
    size_t requested = form.valuesRead;
    bool named = !form.enumerating;
    bool more = ReadSlice(form);
    // Telling the list its new length costs as much as a slice of reading:
    // while names come in, it learns it a few times a second.
    auto now = std::chrono::steady_clock::now();
    if (!more || !form.enumerating || now - form.rowsShownAt > kShowEvery) {
        ShowRows(form);
        form.rowsShownAt = now;
    }
    if (!named && !form.enumerating) RestoreView(form);
    RequestIcons(form, requested, form.valuesRead);
    if (more) {
        PostMessageW(form.hwnd, kContinueListing, static_cast<WPARAM>(generation), 0);
        return;
    }
    ListingDone(form);
}

void OnHealthReady(FrmMain& form) {
    for (auto& [row, report] : form.health->TakeResults()) {
        if (row >= form.reports.size()) continue;
        // Registration in both hives is known from the names alone.
        report.bothScopes = form.reports[row].bothScopes;
        form.reports[row] = std::move(report);
        form.checked[row] = 1;
    }
    InvalidateRect(form.lvwMain, nullptr, FALSE);
}

void OnIconsReady(FrmMain& form) {
    bool changed = false;
    for (const auto& [path, image] : form.icons->TakeResults()) {
        auto rows = form.rowsOfFile.find(Folded(path));
        if (rows == form.rowsOfFile.end()) continue;
        for (size_t row : rows->second) form.images[row] = image;
        changed = changed || image != 0;
    }
    if (changed) InvalidateRect(form.lvwMain, nullptr, FALSE);
}

std::wstring CellText(const FrmMain& form, size_t row, int column) {
    const AppPathEntry& entry = form.entries[row];
    switch (column) {
        case 0:
            return entry.name;
        case 1:
            return ShownPath(entry);
        case 2:
            return ScopeText(entry.scope);
        default:
            return form.checked[row] ? NotesText(form.reports[row]) : kChecking;
    }
}

// The list's cells, as it draws them.
void OnGetDispInfo(const FrmMain& form, NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= form.entries.size()) return;
    auto row = static_cast<size_t>(item.iItem);
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        std::wstring text = CellText(form, row, item.iSubItem);
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = form.images[static_cast<size_t>(item.iItem)];
}

// Another program changed the registrations. No refresh while a dialog of
// the program is open: the rows it acts on must stay put.
void OnRegistryChanged(FrmMain& form) {
    if (!IsWindowEnabled(form.hwnd)) {
        form.refreshPending = true;
        return;
    }
    RefreshList(form);
}

// Rows whose program file is missing are drawn in the grey of a disabled
// item, so that they are easy to pick out.
LRESULT OnCustomDraw(const FrmMain& form, NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    size_t row = draw.nmcd.dwItemSpec;
    if (row < form.reports.size() && form.checked[row] && form.reports[row].missingTarget) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

// The commands act on a copy, read now if the listing has not come to it:
// the list may be refreshed before they end.
template <typename Command>
void OnSelectedEntry(FrmMain& form, Command command) {
    const AppPathEntry* selected = SelectedEntry(form);
    if (!selected) return;
    AppPathEntry entry = *selected;
    const AppPathStore& store = form.stores.For(entry.scope);
    if (static_cast<size_t>(selected - form.entries.data()) >= form.valuesRead &&
        store.ReadEntry(selected->name, entry) != ERROR_SUCCESS) {
        entry = *selected;  // gone meanwhile: the command reports it
    }
    if (command(form.hwnd, store, entry)) RefreshList(form);
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
        default:
            if (const wchar_t* key = ToolbarKeyOf(id)) tbrMain_ButtonClick(form, key);
            break;
    }
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
    if (header->code == LVN_GETDISPINFOW) {
        OnGetDispInfo(form, *reinterpret_cast<NMLVDISPINFOW*>(header));
    } else if (header->code == NM_CUSTOMDRAW) {
        return OnCustomDraw(form, *reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    } else if (header->code == NM_DBLCLK) {
        lvwMain_DblClick(form);
    }
    return 0;
}

// The window has moved to a monitor of another density, or its monitor's
// has changed: everything is laid out again at |dpi| in the place that
// Windows suggests.
void OnDpiChanged(FrmMain& form, UINT dpi, const RECT& suggested) {
    form.dpi = dpi;
    UniqueImageList images = CreateToolbarImages(dpi);
    ScaleToolbar(form.tbrMain, images.get(), dpi);
    form.imlToolBar = std::move(images);
    RECT bar;
    GetWindowRect(form.tbrMain, &bar);
    SetWindowPos(form.tbrMain, nullptr, 0, 0, bar.right - bar.left, ToolbarHeight(dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const int columnTwips[] = {kNameColumnTwips, kPathColumnTwips, kScopeColumnTwips,
                               kNotesColumnTwips};
    for (int i = 0; i < static_cast<int>(std::size(columnTwips)); ++i) {
        SendMessageW(form.lvwMain, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                     TwipsToPixels(columnTwips[i], dpi));
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
            if (form) RunCommand(*form, LOWORD(wParam));
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
    // Sized at the system's density until it is known on which monitor the
    // window opens.
    UINT dpi = DpiOf(nullptr);
    RECT outer{0, 0, TwipsToPixels(kClientWidthTwips, dpi), TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&outer, style, TRUE, exStyle);
    HWND hwnd = CreateWindowExW(exStyle, kMainWindowClass, kAppTitle, style, CW_USEDEFAULT,
                                CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top,
                                nullptr, menu, instance, &form);
    if (!hwnd) {
        if (menu) DestroyMenu(menu);
        return nullptr;
    }
    SizeClientArea(hwnd, TwipsToPixels(kClientWidthTwips, form.dpi),
                   TwipsToPixels(kClientHeightTwips, form.dpi));
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
    form.watcher.Stop();
    // Icons still loading are dropped; a file that does not answer keeps
    // its thread, not the window.
    form.icons.reset();
    form.health.reset();
    form.workers.reset();
    form.refreshing = false;
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
    RECT client;
    GetClientRect(form.hwnd, &client);
    RECT bar;
    GetWindowRect(form.tbrMain, &bar);
    // Placed, not only sized: the toolbar's height follows the density.
    int barHeight = bar.bottom - bar.top;
    int listHeight = client.bottom - barHeight;
    SetWindowPos(form.lvwMain, nullptr, 0, barHeight, client.right, listHeight < 0 ? 0 : listHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void RefreshList(FrmMain& form) {
    // The user's key may have appeared since; the machine's is opened once.
    if (!form.stores.user.IsOpen()) form.stores.user.OpenAppPaths();
    form.refreshPending = false;
    const AppPathEntry* selected = SelectedEntry(form);
    form.keptSelection = selected ? std::optional<EntryKey>(KeyOf(*selected)) : std::nullopt;
    form.keptTop = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETTOPINDEX, 0, 0));
    ++form.generation;
    form.refreshing = true;
    form.enumerating = true;
    form.enumerated = Scope::Machine;
    form.nextIndex = 0;
    // Only rows that were read can stand for their subkeys.
    form.previous.clear();
    for (size_t row = 0; row < form.valuesRead; ++row) {
        AppPathEntry& entry = form.entries[row];
        form.previous.emplace(PreviousKey(entry), std::move(entry));
    }
    form.valuesRead = 0;
    form.entries.clear();
    form.images.clear();
    form.reports.clear();
    form.checked.clear();
    form.rowsOfFile.clear();
    form.workers->Clear();
    form.icons->Restart();
    form.health->Restart();
    // The first slice runs now: a short list is complete before this
    // returns, and the old rows never show beside new ones.
    ContinueListing(form, form.generation);
}

void FinishListing(FrmMain& form) {
    if (!form.refreshing) return;
    size_t requested = form.valuesRead;
    bool named = !form.enumerating;
    while (ListingStep(form)) {
    }
    ShowRows(form);
    if (!named) RestoreView(form);
    RequestIcons(form, requested, form.valuesRead);
    ListingDone(form);
}

bool ListComplete(const FrmMain& form) {
    return !form.refreshing && (!form.icons || form.icons->Idle()) &&
           (!form.health || form.health->Idle());
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

// The exports write the whole list as the registry holds it.
void mnuFileHTML_Click(FrmMain& form) {
    FinishListing(form);
    ExportHtml(form.hwnd, form.entries);
}

void mnuFileXML_Click(FrmMain& form) {
    FinishListing(form);
    ExportXml(form.hwnd, form.entries);
}

void mnuFileReg_Click(FrmMain& form) {
    FinishListing(form);
    ExportReg(form.hwnd, form.stores, form.entries);
}

// The rows whose checks have found no program file; rows still being
// checked are not among them.
void mnuOprClean_Click(FrmMain& form) {
    FinishListing(form);
    std::vector<AppPathEntry> missing;
    for (size_t row = 0; row < form.entries.size(); ++row) {
        if (form.checked[row] && form.reports[row].missingTarget) {
            missing.push_back(form.entries[row]);
        }
    }
    if (CleanUpItems(form.hwnd, form.stores, missing)) RefreshList(form);
}

void mnuOprAdd_Click(FrmMain& form) {
    if (AddItem(form.hwnd, form.stores)) RefreshList(form);
}

void mnuOprEdit_Click(FrmMain& form) {
    OnSelectedEntry(form, EditItem);
}

void mnuOprDel_Click(FrmMain& form) {
    OnSelectedEntry(form, DelItem);
}

void mnuFileExit_Click(FrmMain& form) {
    DestroyWindow(form.hwnd);
}

}  // namespace tolvane
