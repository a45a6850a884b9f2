// The window's side of the listing: the slices of the registrations' list
// between which the window answers, the icons and health checks that the
// rows want, and the registry watcher's news.
#include "main_window/main_window.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

#include "main_window/window_parts.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

using Clock = std::chrono::steady_clock;

// A slice of the listing holds the window about this long.
constexpr auto kSlice = std::chrono::milliseconds(20);
// Telling the list view its new length costs as much as a slice of
// reading: while names come in, it learns it a few times a second.
constexpr auto kShowEvery = std::chrono::milliseconds(150);
// While the rows come in, the window paints them once a second: painting
// costs a paint's time and a timer's wait.
constexpr auto kPaintEvery = std::chrono::milliseconds(1000);
// How long the health checks wait for the search folders' listing; after
// that the notes that need it say so until it answers.
constexpr auto kSearchDeadline = std::chrono::seconds(2);
// Asking for thousands of checks at once held the window for a twentieth
// of a second.
constexpr size_t kChecksPerMessage = 1000;

// The search folders of a new listing, listed from now on. A listing that
// has not answered yet (a share that does not answer) serves again rather
// than starting another that would hang as well.
void ListSearchFolders(FrmMain& form) {
    if (form.places && !SearchListed(*form.places)) return;
    HWND window = form.hwnd;
    form.places = std::make_shared<const SearchPlaces>(
        ListSearchPlaces([window] { PostMessageW(window, kSearchListed, 0, 0); }));
    form.placesListedSince = Clock::now();
}

// Checks the rows in |rows|; each job checks one, so that a row whose check
// hangs holds no other.
void Check(FrmMain& form, const std::vector<size_t>& rows) {
    std::vector<std::pair<size_t, AppPathEntry>> entries;
    for (size_t row : rows) entries.emplace_back(row, form.list.rows()[row].entry);
    form.health->Request(std::move(entries), form.places, form.facts);
}

// Asks for the checks of the next rows; the rest follow in later messages,
// so that the window answers between them.
void CheckSome(FrmMain& form) {
    const size_t count = form.list.rows().size();
    const size_t end = std::min(form.nextCheck + kChecksPerMessage, count);
    std::vector<size_t> rows;
    for (size_t row = form.nextCheck; row < end; ++row) rows.push_back(row);
    form.nextCheck = end;
    Check(form, rows);
    if (end < count) {
        PostMessageW(form.hwnd, kCheckMore, static_cast<WPARAM>(form.list.Generation()), 0);
    }
}

void CheckAll(FrmMain& form) {
    form.checksHeld = false;
    KillTimer(form.hwnd, kSearchDeadlineTimer);
    form.nextCheck = 0;
    CheckSome(form);
}

// Whether every check of the listing has been asked for and has come.
bool AllChecksIn(const FrmMain& form) {
    return form.nextCheck >= form.list.rows().size() && form.health->Idle();
}

// The checks go after the icons, since they touch the same files and their
// notes matter less at first sight; they wait for the search folders, up
// to the deadline, on no thread.
void RequestChecks(FrmMain& form) {
    auto waited = Clock::now() - form.placesListedSince;
    if (SearchListed(*form.places) || waited >= kSearchDeadline) return CheckAll(form);
    form.checksHeld = true;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(kSearchDeadline - waited);
    SetTimer(form.hwnd, kSearchDeadlineTimer, static_cast<UINT>(left.count()) + 1, nullptr);
}

// The row that a change selected, in view: the first row in view may have
// been kept above it.
void RevealFocus(FrmMain& form) {
    if (!form.revealFocus) return;
    std::optional<size_t> focus = form.list.FocusedShown();
    if (focus) SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, *focus, FALSE);
}

// The first row in view before the listing, in view again.
void RestoreTop(FrmMain& form) {
    int count = static_cast<int>(form.list.view().size());
    if (form.keptTop <= 0 || count == 0) return;
    int perPage = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETCOUNTPERPAGE, 0, 0));
    int top = std::min(form.keptTop, count - 1);
    SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, std::min(top + perPage - 1, count - 1), FALSE);
    SendMessageW(form.lvwMain, LVM_ENSUREVISIBLE, top, FALSE);
}

// The rows read so far, in the list view. Until every name is in, the rows
// grow at the end; then they are shown filtered and sorted, the first row
// in view kept; after that, paths come in.
void ShowListedRows(FrmMain& form) {
    form.rowsShownAt = Clock::now();
    if (!form.list.NamesListed()) {
        SyncSelection(form);  // the user may have clicked since the last slice
        form.list.ExtendView();
        return ShowRows(form);
    }
    if (!form.namesShown) {
        form.namesShown = true;
        ShowRows(form);
        RestoreTop(form);
        return RevealFocus(form);
    }
    // Rows may have gone since their names were read.
    if (static_cast<size_t>(ListCount(form.lvwMain)) != form.list.view().size()) ShowRows(form);
    InvalidateRect(form.lvwMain, nullptr, FALSE);
}

bool ShowDue(const FrmMain& form) {
    return (form.list.NamesListed() && !form.namesShown) ||
           Clock::now() - form.rowsShownAt > kShowEvery;
}

// Reads the next slice, or with |rest| every row left; false once every
// row is read.
bool ReadSlice(FrmMain& form, bool rest = false) {
    // The rows shown are filtered and sorted anew once every name is in.
    if (!form.list.NamesListed()) SyncSelection(form);
    std::vector<std::wstring> wanted;
    bool more = false;
    if (rest) {
        form.list.ReadRest(wanted);
    } else {
        more = form.list.ReadSlice(kSlice, wanted);
    }
    form.icons->Request(wanted);
    return more;
}

// Input and paint come after the messages posted to the window: while
// input waits, or paint and the rows have not been painted for a while,
// the next slice waits for a timer, which comes after both. Otherwise a
// long listing would leave the rows unpainted and the keys and clicks
// unanswered until its end. Once every name is in, the rows are ordered
// anew: they are shown so before the user acts on them.
void NextSlice(FrmMain& form) {
    DWORD waiting = HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT));
    auto now = Clock::now();
    bool reordered = form.list.NamesListed() && !form.namesShown;
    bool paint = (waiting & QS_PAINT) && now - form.paintedAt > kPaintEvery;
    if (!reordered && ((waiting & QS_INPUT) || paint)) {
        if (paint) form.paintedAt = now;
        SetTimer(form.hwnd, kListingTimer, USER_TIMER_MINIMUM, nullptr);
        return;
    }
    PostMessageW(form.hwnd, kContinueListing, static_cast<WPARAM>(form.list.Generation()), 0);
}

// Every row is read: the rows are filtered and sorted by path too.
void ListingDone(FrmMain& form) {
    if (!form.namesShown) ShowListedRows(form);  // read in one slice
    SyncSelection(form);
    if (form.list.EndListing()) {
        ShowRows(form);
    } else {
        InvalidateRect(form.lvwMain, nullptr, FALSE);  // the last paths have come in
    }
    RevealFocus(form);
    form.revealFocus = false;
    RequestChecks(form);
}

}  // namespace

void ContinueListing(FrmMain& form, unsigned long long generation) {
    if (generation != form.list.Generation() || !form.list.Listing()) return;
    // Showing the rows holds the window about as long as a slice of
    // reading: one message does the one or the other.
    if (ShowDue(form)) {
        ShowListedRows(form);
        return NextSlice(form);
    }
    if (ReadSlice(form)) return NextSlice(form);
    ListingDone(form);
}

void OnListingTimer(FrmMain& form) {
    KillTimer(form.hwnd, kListingTimer);
    ContinueListing(form, form.list.Generation());
}

void OnHealthReady(FrmMain& form) {
    std::vector<size_t> again;
    bool listed = form.places && SearchListed(*form.places);
    for (auto& [row, report] : form.health->TakeResults()) {
        // Checked while the search folders were still being listed.
        if (report.searchPending && listed) again.push_back(row);
        form.list.SetReport(row, std::move(report));
    }
    if (!again.empty()) Check(form, again);
    // Sorted by the notes, the rows find their places once all are known.
    if (form.list.sortColumn() == kNotesColumn && AllChecksIn(form)) {
        SyncSelection(form);
        form.list.RebuildView();
        ShowRows(form);
    }
    InvalidateRect(form.lvwMain, nullptr, FALSE);
    // Counting goes over every row shown: while thousands of checks come
    // in, a few times a second is enough, and the last count is exact.
    auto now = Clock::now();
    if (AllChecksIn(form) || now - form.statusCountedAt > kShowEvery) {
        UpdateStatus(form);
        form.statusCountedAt = now;
    }
}

void OnCheckMore(FrmMain& form, unsigned long long generation) {
    if (generation != form.list.Generation() || form.list.Listing()) return;
    CheckSome(form);
}

void OnSearchListed(FrmMain& form) {
    // News of an earlier listing: the current one's is still to come.
    if (!form.places || !SearchListed(*form.places)) return;
    if (form.checksHeld) return CheckAll(form);
    // The rows whose notes waited for the folders are checked again.
    std::vector<size_t> pending;
    for (size_t row = 0; row < form.list.rows().size(); ++row) {
        if (form.list.rows()[row].report.searchPending) pending.push_back(row);
    }
    if (!pending.empty()) Check(form, pending);
}

void OnSearchDeadline(FrmMain& form) {
    KillTimer(form.hwnd, kSearchDeadlineTimer);
    if (form.checksHeld) CheckAll(form);
}

void OnIconsReady(FrmMain& form) {
    bool changed = false;
    for (const FileLook& look : form.icons->TakeResults()) {
        changed = form.list.SetIcon(look.path, look.image, look.publisher) || changed;
    }
    // Filtered or sorted by publisher, the rows find their places once every
    // publisher is known.
    if (form.icons->Idle() && !form.list.Listing() &&
        (!form.list.filter().empty() || form.list.sortColumn() == kPublisherColumn)) {
        SyncSelection(form);
        form.list.RebuildView();
        ShowRows(form);
    } else if (changed) {
        InvalidateRect(form.lvwMain, nullptr, FALSE);
    }
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
    SyncSelection(form);
    form.keptTop = static_cast<int>(SendMessageW(form.lvwMain, LVM_GETTOPINDEX, 0, 0));
    form.selectionShown = false;
    form.list.BeginListing();
    form.workers->Clear();
    form.facts = std::make_shared<FileFacts>();
    form.icons->Restart(form.facts);
    form.health->Restart();
    form.checksHeld = false;
    form.nextCheck = 0;
    KillTimer(form.hwnd, kSearchDeadlineTimer);
    ListSearchFolders(form);
    KillTimer(form.hwnd, kListingTimer);
    form.namesShown = false;
    form.paintedAt = Clock::now();  // shown as it was, or not shown yet
    // The first slice runs now and shows its rows: a short list is complete
    // before this returns, and the old rows never show beside new ones.
    if (!ReadSlice(form)) return ListingDone(form);
    ShowListedRows(form);
    NextSlice(form);
}

void FinishListing(FrmMain& form) {
    if (!form.list.Listing()) return;
    KillTimer(form.hwnd, kListingTimer);
    ReadSlice(form, true);
    ListingDone(form);
}

bool ListComplete(const FrmMain& form) {
    return !form.list.Listing() && !form.checksHeld && (!form.icons || form.icons->Idle()) &&
           (!form.health || AllChecksIn(form));
}

}  // namespace tolvane
