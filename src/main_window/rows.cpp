// The list view bound to the registrations' list: it asks the list for each
// cell it draws, and its selection and the list's go one into the other.
#include "main_window/main_window.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

#include "main_window/window_parts.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

void ShowSortArrow(const FrmMain& form) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(form.lvwMain, LVM_GETHEADER, 0, 0));
    int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        int format = item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == form.list.sortColumn()) {
            format |= form.list.sortDescending() ? HDF_SORTDOWN : HDF_SORTUP;
        }
        // Setting an item repaints the whole header, which costs as much
        // as the rows: while names come in, the rows are shown often.
        if (format == item.fmt) continue;
        item.fmt = format;
        SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<size_t> SelectedRows(const FrmMain& form) {
    std::vector<size_t> rows;
    for (int row = -1;;) {
        row = static_cast<int>(
            SendMessageW(form.lvwMain, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (row < 0 || static_cast<size_t>(row) >= form.list.view().size()) return rows;
        rows.push_back(static_cast<size_t>(row));
    }
}

void SetRowState(HWND list, size_t row, UINT state, UINT mask) {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The list's selection into the list view, row by row: told to clear every
// row at once, the list view visits each.
void ShowSelection(FrmMain& form) {
    std::vector<size_t> wanted = form.list.SelectedShown();
    std::unordered_set<size_t> keep(wanted.begin(), wanted.end());
    std::unordered_set<size_t> already;
    for (size_t row : SelectedRows(form)) {
        if (keep.count(row)) {
            already.insert(row);
        } else {
            SetRowState(form.lvwMain, row, 0, LVIS_SELECTED);
        }
    }
    for (size_t row : wanted) {
        if (!already.count(row)) SetRowState(form.lvwMain, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    std::optional<size_t> focus = form.list.FocusedShown();
    int focused = FocusedRow(form);
    if (focus && static_cast<int>(*focus) != focused) {
        SetRowState(form.lvwMain, *focus, LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (!focus && focused >= 0) {
        SetRowState(form.lvwMain, static_cast<size_t>(focused), 0, LVIS_FOCUSED);
    }
    form.selectionShown = true;
}

}  // namespace

int FocusedRow(const FrmMain& form) {
    return static_cast<int>(
        SendMessageW(form.lvwMain, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void SyncSelection(FrmMain& form) {
    if (!form.selectionShown || !form.lvwMain) return;
    int focused = FocusedRow(form);
    std::optional<size_t> focus;
    if (focused >= 0) focus = static_cast<size_t>(focused);
    form.list.Select(SelectedRows(form), focus);
}

void ShowRows(FrmMain& form) {
    SendMessageW(form.lvwMain, LVM_SETITEMCOUNT, form.list.view().size(), LVSICF_NOSCROLL);
    ShowSelection(form);
    ShowSortArrow(form);
    InvalidateRect(form.lvwMain, nullptr, FALSE);
    UpdateStatus(form);
}

void OnGetDispInfo(const FrmMain& form, NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    const std::vector<size_t>& view = form.list.view();
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= view.size()) return;
    size_t row = view[static_cast<size_t>(item.iItem)];
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        std::wstring text = form.list.CellText(row, item.iSubItem);
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = form.list.rows()[row].image;
}

// Rows whose program file is missing are drawn in the grey of a disabled
// item, so that they are easy to pick out; rows that look planted, in dark
// red. A missing program starts nothing, so grey wins.
LRESULT OnCustomDraw(const FrmMain& form, NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    size_t shown = draw.nmcd.dwItemSpec;
    if (shown >= form.list.view().size()) return CDRF_DODEFAULT;
    size_t row = form.list.view()[shown];
    if (form.list.TargetMissing(row)) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NEWFONT;
    }
    if (form.list.Suspicious(row)) {
        draw.clrText = kSuspiciousText;
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

// Typing in the list goes to the next row whose name begins with what was
// typed.
int FindRow(const FrmMain& form, const NMLVFINDITEMW& find) {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    return form.list.FindByPrefix(find.iStart, find.lvfi.psz);
}

void UpdateStatus(FrmMain& form) {
    if (!form.staMain) return;
    // What the last undo took back leads until the next change.
    std::wstring text = form.list.StatusText();
    if (!form.undoneNote.empty()) text = L"已撤销：" + form.undoneNote + L"　" + text;
    SendMessageW(form.staMain, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

const AppPathEntry* SelectedEntry(FrmMain& form) {
    SyncSelection(form);
    return form.list.SelectedEntry();
}

std::vector<const AppPathEntry*> SelectedEntries(FrmMain& form) {
    SyncSelection(form);
    return form.list.SelectedEntries();
}

void SetFilter(FrmMain& form, const std::wstring& text) {
    SyncSelection(form);
    if (form.list.SetFilter(text)) ShowRows(form);
}

void lvwMain_ColumnClick(FrmMain& form, int column) {
    SyncSelection(form);
    form.list.ClickColumn(column);
    ShowRows(form);
}

}  // namespace tolvane
