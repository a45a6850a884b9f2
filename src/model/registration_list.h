// The registrations as the window lists them, without a window: one row per
// registration (its entry, its icon's image, its health report), read from
// the registry in short slices; the rows shown, filtered and sorted; and
// which of them are selected and focused, kept by who the registrations are
// (EntryKey), so that a new listing, a filter or another order keeps them.
// The window binds its list view to it.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "health/health.h"
#include "store/app_path_entry.h"
#include "store/app_path_store.h"

namespace tolvane {

// The columns of the list, in order.
enum Column { kNameColumn, kPathColumn, kPublisherColumn, kScopeColumn, kNotesColumn };

struct Registration {
    AppPathEntry entry;
    int image = 0;  // in the window's image list; 0: no icon, or not yet
    HealthReport report;
    bool checked = false;  // whether the report has come
    // The program file's maker, from its version resource; it comes with
    // the icon.
    std::wstring publisher;
};

class RegistrationList {
  public:
    // Reads through |stores|, which outlive the list.
    explicit RegistrationList(const AppPathStores& stores) : stores_(stores) {}

    // The listing. It reads the registry in slices: first every name, the
    // machine's then the user's, then each row's values in order; rows from
    // valuesRead() on show no path yet. Each listing has a number of its
    // own, and what belongs to an earlier one is dropped. A subkey that has
    // not been written since the previous listing is not read again.
    void BeginListing();
    // Reads for about |budget|. |wanted| receives the program files, each
    // once, whose icons the rows read now want. False once everything is
    // read. Once every name is listed, the rows shown are filtered and
    // sorted, the selection kept, or the first row selected when none of it
    // is left.
    bool ReadSlice(std::chrono::steady_clock::duration budget, std::vector<std::wstring>& wanted);
    // Reads everything still to read at once.
    void ReadRest(std::vector<std::wstring>& wanted);
    // The end of the listing; true when the rows shown were filtered or
    // sorted again now that every path is known.
    bool EndListing();
    bool Listing() const { return listing_; }
    bool NamesListed() const { return !enumerating_; }
    size_t valuesRead() const { return valuesRead_; }
    unsigned long long Generation() const { return generation_; }
    // Shows |entries| as one finished listing, as read elsewhere.
    void Show(std::vector<AppPathEntry> entries);

    const std::vector<Registration>& rows() const { return rows_; }

    // The image of a program file's icon and its publisher, for every row
    // that names the file; true when a row shows something new.
    bool SetIcon(const std::wstring& file, int image, const std::wstring& publisher);
    // Every row back to the blank image, its icon to be drawn again: the
    // program files of the rows read so far go to |wanted|, each once.
    void ForgetImages(std::vector<std::wstring>& wanted);
    void SetReport(size_t row, HealthReport report);
    // Whether the check of row |row| has found its program file missing; a
    // row still being checked has not.
    bool TargetMissing(size_t row) const;
    // Whether the check of row |row| has found a pattern of planted
    // registrations.
    bool Suspicious(size_t row) const;

    // The rows shown: indexes into rows(), in the order shown.
    const std::vector<size_t>& view() const { return view_; }
    const AppPathEntry& EntryShown(size_t shown) const { return rows_[view_[shown]].entry; }
    std::wstring CellText(size_t row, int column) const;
    // Filters and sorts every row again; the selection stays.
    void RebuildView();
    // Adds the rows listed since the last call to those shown, in the
    // registry's order, while names come in.
    void ExtendView();
    // Shows only the rows whose name or path holds |text|, regardless of
    // letter case and width; false when it is the filter already.
    bool SetFilter(const std::wstring& text);
    const std::wstring& filter() const { return filter_; }
    // A click on a column's header: ascending, then descending, then the
    // registry's order again.
    void ClickColumn(int column);
    // Sorts by |column| (-1: the registry's order), as remembered from an
    // earlier run.
    void SetSort(int column, bool descending);
    int sortColumn() const { return sortColumn_; }  // -1: the registry's order
    bool sortDescending() const { return sortDescending_; }

    // The selection, by rows shown.
    std::vector<size_t> SelectedShown() const;
    std::optional<size_t> FocusedShown() const;
    // Selects the rows shown at |shown| and focuses |focus|, or the first of
    // them when |focus| is not among them. While names are being listed,
    // selected registrations not listed yet stay selected.
    void Select(const std::vector<size_t>& shown, std::optional<size_t> focus);
    // Selects the registrations |keys| and focuses |focus|, whether they
    // are listed yet or not.
    void SelectKeys(std::vector<EntryKey> keys, std::optional<EntryKey> focus);
    // When none of the selected registrations is shown: the first row.
    void SelectFirstIfNone();
    // The entry that Edit acts on: the focused row when it is selected, else
    // the first selected one; null when no row is.
    const AppPathEntry* SelectedEntry() const;
    std::vector<const AppPathEntry*> SelectedEntries() const;
    // Copies of them as a command takes them, read now where the listing
    // has not come to them yet: the rows may be listed again before the
    // command ends.
    std::optional<AppPathEntry> SelectedCopy() const;
    std::vector<AppPathEntry> SelectedCopies() const;

    // The next row shown from |start| on, round, whose name begins with
    // |typed|; -1 when there is none.
    int FindByPrefix(int start, const std::wstring& typed) const;
    // "共 N 项，显示 M 项", then, among the rows shown, the count of those
    // whose program is missing and of the suspicious ones.
    std::wstring StatusText() const;

  private:
    void WantIcon(size_t row, std::vector<std::wstring>& wanted);
    bool TakeUnchanged(AppPathEntry& entry);
    // Indexes the previous listing's rows up to |upTo|.
    void IndexPrevious(size_t upTo);
    // Frees up to |count| of what the previous listing held.
    void FreeRetired(size_t count);
    void NameStep();
    void NamesDone();
    bool Step(std::vector<std::wstring>& wanted);
    void DropRow(size_t row);
    AppPathEntry CopyOf(size_t row) const;
    std::optional<size_t> SelectedRow() const;
    bool Passes(size_t row) const;
    void Sort();

    const AppPathStores& stores_;
    std::vector<Registration> rows_;
    std::vector<size_t> view_;
    size_t viewedUpTo_ = 0;  // rows before this one have been put in view
    std::wstring filter_;
    int sortColumn_ = -1;
    bool sortDescending_ = false;
    std::vector<EntryKey> selected_;
    std::optional<EntryKey> focused_;

    unsigned long long generation_ = 0;
    bool listing_ = false;
    bool enumerating_ = false;
    Scope enumerated_ = Scope::Machine;  // the hive whose names are being read
    DWORD nextIndex_ = 0;
    size_t valuesRead_ = 0;
    // The previous listing's rows that were read, and, as the names come
    // in, those of them indexed so far by hive and upper-cased name.
    std::vector<AppPathEntry> previousRows_;
    size_t previousIndexed_ = 0;
    std::unordered_map<std::wstring, AppPathEntry*> previous_;
    // What the previous listing held, freed a little at each step: freeing
    // thousands of rows at once held the window for a tenth of a second.
    std::vector<Registration> retiredRows_;
    std::unordered_map<std::wstring, std::vector<size_t>> retiredFiles_;
    // The rows of each program file (upper-cased path) asked for in this
    // listing, which its icon goes to.
    std::unordered_map<std::wstring, std::vector<size_t>> rowsOfFile_;
};

}  // namespace tolvane
