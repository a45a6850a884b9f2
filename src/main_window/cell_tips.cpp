#include "main_window/cell_tips.h"

#include <commctrl.h>

#include <windowsx.h>

#include <utility>

#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr UINT_PTR kListSubclass = 2;
// The room that the list view leaves around a cell's text, in pixels at 96
// dots per inch: what it adds to the text's width when it sizes a column
// to fit.
constexpr int kCellPadding = 12;
// Tips wider than this, in twips, wrap.
constexpr int kTipWidthTwips = 9000;

TTTOOLINFOW ToolOf(const FrmMain& form) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form.hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(form.lvwMain);
    return tool;
}

// The mouse has moved onto another cell, or the cell under it shows other
// text now: the tip that showed goes, and the new text waits for the mouse
// to rest.
void FollowMouse(FrmMain& form, POINT at) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    SendMessageW(form.lvwMain, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    int item = (hit.flags & LVHT_ONITEM) ? hit.iItem : -1;
    std::wstring text = CellTipAt(form, at);
    CellTipState& tip = form.cellTip;
    if (item == tip.item && hit.iSubItem == tip.column && text == tip.text) return;
    tip.item = item;
    tip.column = hit.iSubItem;
    tip.text = std::move(text);
    SendMessageW(tip.window, TTM_POP, 0, 0);
    SendMessageW(tip.window, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kTipWidthTwips, form.dpi));
    TTTOOLINFOW tool = ToolOf(form);
    tool.lpszText = tip.text.data();
    SendMessageW(tip.window, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip.window, TTM_ACTIVATE, !tip.text.empty(), 0);
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR data) {
    FrmMain& form = *reinterpret_cast<FrmMain*>(data);
    switch (message) {
        case WM_MOUSEMOVE:
            if (form.cellTip.window)
                FollowMouse(form, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(list, ListProc, kListSubclass);
            break;
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace

void CreateCellTips(FrmMain& form) {
    form.cellTip.window =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0, 0,
                        0, form.hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!form.cellTip.window) return;
    TTTOOLINFOW tool = ToolOf(form);
    tool.lpszText = form.cellTip.text.data();
    SendMessageW(form.cellTip.window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(form.cellTip.window, TTM_ACTIVATE, FALSE, 0);
    SetWindowSubclass(form.lvwMain, ListProc, kListSubclass, reinterpret_cast<DWORD_PTR>(&form));
}

std::wstring CellTipAt(const FrmMain& form, POINT at) {
    LVHITTESTINFO hit{};
    hit.pt = at;
    SendMessageW(form.lvwMain, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (!(hit.flags & LVHT_ONITEM) || hit.iItem < 0 ||
        static_cast<size_t>(hit.iItem) >= form.list.view().size()) {
        return {};
    }
    size_t row = form.list.view()[static_cast<size_t>(hit.iItem)];
    std::wstring text = form.list.CellText(row, hit.iSubItem);
    if (text.empty()) return {};
    RECT cell{};
    cell.top = hit.iSubItem;
    cell.left = LVIR_LABEL;
    SendMessageW(form.lvwMain, LVM_GETSUBITEMRECT, static_cast<WPARAM>(hit.iItem),
                 reinterpret_cast<LPARAM>(&cell));
    int needs = static_cast<int>(
        SendMessageW(form.lvwMain, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
    needs += MulDiv(kCellPadding, static_cast<int>(form.dpi), 96);
    return needs > cell.right - cell.left ? text : std::wstring();
}

}  // namespace tolvane
