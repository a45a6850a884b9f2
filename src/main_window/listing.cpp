#include "main_window/main_window.h"

#include <algorithm>
#include <chrono>
#include <memory>

#include "main_window/window_parts.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// A slice of the listing holds the window about this long.
constexpr auto kSlice = std::chrono::milliseconds(20);
// Telling the list its new length costs as much as a slice of reading:
// while names come in, it learns it a few times a second.
constexpr auto kShowEvery = std::chrono::milliseconds(150);

// Notes that |row| wants the icon of its program file, adding the file to
// |wanted| the first time a row names it: one request per file, whatever
// the number of rows that name it.
void WantIcon(FrmMain& form, size_t row, std::vector<std::wstring>& wanted) {
    std::wstring path = ProgramPath(form.entries[row]);
    if (path.empty()) return;
    std::vector<size_t>& rows = form.rowsOfFile[Folded(path)];
    rows.push_back(row);
    if (rows.size() == 1) wanted.push_back(std::move(path));
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

// The rows shown hold entries by index: one that goes moves those after it.
void DropFromView(FrmMain& form, size_t gone) {
    std::erase(form.view, gone);
    for (size_t& index : form.view) {
        if (index > gone) --index;
    }
    form.viewedUpTo -= std::min<size_t>(form.viewedUpTo, 1);
    SendMessageW(form.lvwMain, LVM_SETITEMCOUNT, form.view.size(), LVSICF_NOSCROLL);
}

// One step of the listing: the next name, or the values of the next row,
// whose program file is added to |wanted|. Returns false when there is
// nothing left to read.
bool ListingStep(FrmMain& form, std::vector<std::wstring>& wanted) {
    if (form.enumerating) {
        ListingNameStep(form);
        return true;
    }
    if (form.valuesRead >= form.entries.size()) return false;
    auto offset = static_cast<std::ptrdiff_t>(form.valuesRead);
    AppPathEntry& row = form.entries[form.valuesRead];
    if (TakeUnchanged(form, row) ||
        form.stores.For(row.scope).ReadEntry(row.name, row) == ERROR_SUCCESS) {
        WantIcon(form, form.valuesRead++, wanted);
    } else {
        // Gone since its name was read: no icon was asked for it yet.
        DropFromView(form, form.valuesRead);
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
    std::vector<std::wstring> wanted;
    bool more = true;
    do {
        more = ListingStep(form, wanted);
    } while (more && std::chrono::steady_clock::now() < deadline);
    form.icons->Request(wanted);
    return more;
}

// Every row is read: the rows are filtered and sorted by path too, and the
// checks go after the icons, since they touch the same files and their notes
// matter less at first sight.
void ListingDone(FrmMain& form) {
    form.refreshing = false;
    if (!form.filter.empty() || form.sortColumn == kPathColumn) {
        RebuildView(form);
    } else {
        InvalidateRect(form.lvwMain, nullptr, FALSE);  // the last paths have come in
    }
    form.health->Request(form.entries, std::make_shared<const SearchPlaces>(ReadSearchPlaces()));
}

}  // namespace

void ContinueListing(FrmMain& form, unsigned long long generation) {
    if (generation != form.generation || !form.refreshing) return;
    bool named = !form.enumerating;
    bool more = ReadSlice(form);
    auto now = std::chrono::steady_clock::now();
    if (form.enumerating && now - form.rowsShownAt > kShowEvery) {
        ExtendView(form);
        form.rowsShownAt = now;
    } else if (!named && !form.enumerating) {
        // Every name is known: the rows can be filtered and sorted by name.
        RebuildView(form);
        RestoreView(form);
    } else if (!form.enumerating) {
        InvalidateRect(form.lvwMain, nullptr, FALSE);  // paths have come in
    }
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
    // Sorted by the notes, the rows find their places once all are known.
    if (form.sortColumn == kNotesColumn && form.health->Idle()) RebuildView(form);
    InvalidateRect(form.lvwMain, nullptr, FALSE);
    UpdateStatus(form);
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

// Another program changed the registrations. No refresh while a dialog of
// the program is open: the rows it acts on must stay put.
void OnRegistryChanged(FrmMain& form) {
    if (!IsWindowEnabled(form.hwnd)) {
        form.refreshPending = true;
        return;
    }
    RefreshList(form);
}

void RefreshList(FrmMain& form) {
    // The user's key may have appeared since; the machine's is opened once.
    if (!form.stores.user.IsOpen()) form.stores.user.OpenAppPaths();
    form.refreshPending = false;
    KeepView(form);
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
    form.view.clear();
    form.viewedUpTo = 0;
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
    bool named = !form.enumerating;
    std::vector<std::wstring> wanted;
    while (ListingStep(form, wanted)) {
    }
    form.icons->Request(wanted);
    if (!named) {
        RebuildView(form);
        RestoreView(form);
    }
    ListingDone(form);
}

bool ListComplete(const FrmMain& form) {
    return !form.refreshing && (!form.icons || form.icons->Idle()) &&
           (!form.health || form.health->Idle());
}

}  // namespace tolvane
