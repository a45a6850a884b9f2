// The rows that the list shows: a view over the model's entries, filtered
// and sorted, with its selection kept across refreshes.
#include "main_window/main_window.h"

#include <algorithm>
#include <unordered_set>

#include "main_window/window_parts.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr wchar_t kChecking[] = L"正在检查";

std::wstring CellText(const FrmMain& form, size_t entry, int column) {
    const AppPathEntry& row = form.entries[entry];
    switch (column) {
        case kNameColumn:
            return row.name;
        case kPathColumn:
            return ShownPath(row);
        case kScopeColumn:
            return ScopeText(row.scope);
        default:
            return form.checked[entry] ? NotesText(form.reports[entry]) : kChecking;
    }
}

// Whether |text| holds |part|, regardless of letter case and of full or
// half width, as the user's locale compares them.
bool Holds(const std::wstring& text, const std::wstring& part) {
    return FindNLSStringEx(LOCALE_NAME_USER_DEFAULT,
                           FIND_FROMSTART | NORM_IGNORECASE | NORM_IGNOREWIDTH, text.c_str(),
                           static_cast<int>(text.size()), part.c_str(),
                           static_cast<int>(part.size()), nullptr, nullptr, nullptr, 0) >= 0;
}

bool Passes(const FrmMain& form, size_t entry) {
    if (form.filter.empty()) return true;
    const AppPathEntry& row = form.entries[entry];
    return Holds(row.name, form.filter) || Holds(ShownPath(row), form.filter);
}

// As the user's locale orders them: pinyin order for Chinese under zh-CN.
int Compare(const std::wstring& a, const std::wstring& b) {
    return CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                           static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                           nullptr, nullptr, 0) -
           CSTR_EQUAL;
}

// Rows that compare equal keep the registry's order.
void Sort(FrmMain& form) {
    if (form.sortColumn < 0) return;
    std::vector<std::wstring> keys(form.entries.size());
    for (size_t entry : form.view) keys[entry] = CellText(form, entry, form.sortColumn);
    std::stable_sort(form.view.begin(), form.view.end(), [&](size_t a, size_t b) {
        int order = Compare(keys[a], keys[b]);
        return form.sortDescending ? order > 0 : order < 0;
    });
}

void ShowSortArrow(const FrmMain& form) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(form.lvwMain, LVM_GETHEADER, 0, 0));
    int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int column = 0; column < columns; ++column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (column == form.sortColumn) item.fmt |= form.sortDescending ? HDF_SORTDOWN : HDF_SORTUP;
        SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
    }
}

std::vector<int> SelectedRows(const FrmMain& form) {
    std::vector<int> rows;
    for (int row = -1;;) {
        row = static_cast<int>(
            SendMessageW(form.lvwMain, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (row < 0 || static_cast<size_t>(row) >= form.view.size()) return rows;
        rows.push_back(row);
    }
}

void SetRowState(HWND list, int row, UINT state, UINT mask) {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Selects the rows that show |entries|, and focuses the one that shows
// |focus| (the first selected when it is not shown).
void SelectEntries(FrmMain& form, const std::unordered_set<size_t>& entries, size_t focus) {
    // Row by row: told to clear every row at once, the list visits each.
    for (int row : SelectedRows(form)) SetRowState(form.lvwMain, row, 0, LVIS_SELECTED);
    if (int row = FocusedRow(form); row >= 0) SetRowState(form.lvwMain, row, 0, LVIS_FOCUSED);
    int focused = -1;
    for (size_t row = 0; row < form.view.size(); ++row) {
        if (!entries.count(form.view[row])) continue;
        SetRowState(form.lvwMain, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
        if (focused < 0 || form.view[row] == focus) focused = static_cast<int>(row);
    }
    if (focused >= 0) SetRowState(form.lvwMain, focused, LVIS_FOCUSED, LVIS_FOCUSED);
}

void ShowCount(FrmMain& form) {
    SendMessageW(form.lvwMain, LVM_SETITEMCOUNT, form.view.size(), LVSICF_NOSCROLL);
    InvalidateRect(form.lvwMain, nullptr, FALSE);
    UpdateStatus(form);
}

const AppPathEntry* FindEntry(const FrmMain& form, const EntryKey& key) {
    for (const AppPathEntry& entry : form.entries) {
        if (Matches(entry, key)) return &entry;
    }
    return nullptr;
}

// The entry of the focused row; SIZE_MAX when no row shown has the focus.
size_t FocusedEntry(const FrmMain& form) {
    int row = FocusedRow(form);
    return row >= 0 && static_cast<size_t>(row) < form.view.size()
               ? form.view[static_cast<size_t>(row)]
               : SIZE_MAX;
}

}  // namespace

int FocusedRow(const FrmMain& form) {
    return static_cast<int>(
        SendMessageW(form.lvwMain, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

bool TargetMissing(const FrmMain& form, size_t entry) {
    return form.checked[entry] && form.reports[entry].missingTarget;
}

void KeepView(FrmMain& form) {
    form.keptSelection.clear();
    for (const AppPathEntry* entry : SelectedEntries(form))
        form.keptSelection.push_back(KeyOf(*entry));
    size_t focus = FocusedEntry(form);
    form.keptFocus =
        focus != SIZE_MAX ? std::optional<EntryKey>(KeyOf(form.entries[focus])) : std::nullopt;
    form.keptTop = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETTOPINDEX, 0, 0));
}

void RebuildView(FrmMain& form) {
    std::unordered_set<size_t> selected;
    for (int row : SelectedRows(form)) selected.insert(form.view[static_cast<size_t>(row)]);
    size_t focus = FocusedEntry(form);
    form.view.clear();
    for (size_t entry = 0; entry < form.entries.size(); ++entry) {
        if (Passes(form, entry)) form.view.push_back(entry);
    }
    form.viewedUpTo = form.entries.size();
    Sort(form);
    ShowCount(form);
    SelectEntries(form, selected, focus);
    ShowSortArrow(form);
}

void ExtendView(FrmMain& form) {
    for (size_t entry = form.viewedUpTo; entry < form.entries.size(); ++entry) {
        if (Passes(form, entry)) form.view.push_back(entry);
    }
    form.viewedUpTo = form.entries.size();
    ShowCount(form);
}

void RestoreView(FrmMain& form) {
    if (form.view.empty()) return;
    int count = static_cast<int>(form.view.size());
    int perPage = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETCOUNTPERPAGE, 0, 0));
    if (form.keptTop > 0) {
        int top = std::min(form.keptTop, count - 1);
        SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, std::min(top + perPage - 1, count - 1),
                     FALSE);
        SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, top, FALSE);
    }
    std::unordered_set<size_t> kept;
    for (const EntryKey& key : form.keptSelection) {
        if (const AppPathEntry* entry = FindEntry(form, key))
            kept.insert(entry - form.entries.data());
    }
    const AppPathEntry* focus = form.keptFocus ? FindEntry(form, *form.keptFocus) : nullptr;
    // With the selection gone, the first row is selected.
    if (kept.empty()) kept.insert(form.view.front());
    SelectEntries(form, kept, focus ? static_cast<size_t>(focus - form.entries.data()) : SIZE_MAX);
}

void OnGetDispInfo(const FrmMain& form, NMLVDISPINFOW& info) {
    LVITEMW& item = info.item;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= form.view.size()) return;
    size_t entry = form.view[static_cast<size_t>(item.iItem)];
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        std::wstring text = CellText(form, entry, item.iSubItem);
        lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_IMAGE) item.iImage = form.images[entry];
}

// Rows whose program file is missing are drawn in the grey of a disabled
// item, so that they are easy to pick out.
LRESULT OnCustomDraw(const FrmMain& form, NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
    size_t row = draw.nmcd.dwItemSpec;
    if (row >= form.view.size()) return CDRF_DODEFAULT;
    size_t entry = form.view[row];
    if (TargetMissing(form, entry)) {
        draw.clrText = GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

// Typing in the list goes to the next row whose name begins with what was
// typed.
int FindRow(const FrmMain& form, const NMLVFINDITEMW& find) {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
    std::wstring typed = find.lvfi.psz;
    int count = static_cast<int>(form.view.size());
    for (int step = 0; step < count; ++step) {
        int row = (std::max(find.iStart, 0) + step) % count;
        const std::wstring& name = EntryOfRow(form, row).name;
        if (name.size() >= typed.size() &&
            CompareStringOrdinal(name.c_str(), static_cast<int>(typed.size()), typed.c_str(),
                                 static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL) {
            return row;
        }
    }
    return -1;
}

void UpdateStatus(FrmMain& form) {
    if (form.staMain)
        SendMessageW(form.staMain, SB_SETTEXTW, 0,
                     reinterpret_cast<LPARAM>(StatusText(form).c_str()));
}

std::wstring StatusText(const FrmMain& form) {
    size_t missing = 0;
    for (size_t entry = 0; entry < form.entries.size(); ++entry) {
        if (TargetMissing(form, entry)) ++missing;
    }
    std::wstring text = L"共 " + std::to_wstring(form.entries.size()) + L" 项，显示 " +
                        std::to_wstring(form.view.size()) + L" 项";
    if (missing > 0) text += L"，" + std::to_wstring(missing) + L" 项目标不存在";
    return text;
}

const AppPathEntry& EntryOfRow(const FrmMain& form, int row) {
    return form.entries[form.view[static_cast<size_t>(row)]];
}

const AppPathEntry* SelectedEntry(const FrmMain& form) {
    std::vector<int> rows = SelectedRows(form);
    if (rows.empty()) return nullptr;
    int focused = FocusedRow(form);
    int row = std::find(rows.begin(), rows.end(), focused) != rows.end() ? focused : rows.front();
    return &EntryOfRow(form, row);
}

std::vector<const AppPathEntry*> SelectedEntries(const FrmMain& form) {
    std::vector<const AppPathEntry*> entries;
    for (int row : SelectedRows(form)) entries.push_back(&EntryOfRow(form, row));
    return entries;
}

void SetFilter(FrmMain& form, const std::wstring& text) {
    if (text == form.filter) return;
    form.filter = text;
    RebuildView(form);
    if (SelectedRows(form).empty() && !form.view.empty()) {
        SelectEntries(form, {form.view.front()}, form.view.front());
    }
}

void lvwMain_ColumnClick(FrmMain& form, int column) {
    if (form.sortColumn != column) {
        form.sortColumn = column;
        form.sortDescending = false;
    } else if (!form.sortDescending) {
        form.sortDescending = true;
    } else {
        form.sortColumn = -1;
    }
    RebuildView(form);
}

}  // namespace tolvane
