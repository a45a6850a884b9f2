#include "model/registration_list.h"

#include <algorithm>
#include <unordered_set>

#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// The most icons one slice of the listing asks for.
constexpr size_t kIconsPerSlice = 500;

constexpr wchar_t kChecking[] = L"正在检查";

// Who a registration is, as one text: its hive and its upper-cased name.
std::wstring Identity(const EntryKey& key) {
    return (key.scope == Scope::User ? L"U:" : L"M:") + Folded(key.name);
}

std::wstring Identity(const AppPathEntry& entry) {
    return Identity(KeyOf(entry));
}

// Whether |text| holds |part|, regardless of letter case and of full or
// half width, as the user's locale compares them.
bool Holds(const std::wstring& text, const std::wstring& part) {
    return FindNLSStringEx(LOCALE_NAME_USER_DEFAULT,
                           FIND_FROMSTART | NORM_IGNORECASE | NORM_IGNOREWIDTH, text.c_str(),
                           static_cast<int>(text.size()), part.c_str(),
                           static_cast<int>(part.size()), nullptr, nullptr, nullptr, 0) >= 0;
}

// As the user's locale orders them: pinyin order for Chinese under zh-CN.
int Compare(const std::wstring& a, const std::wstring& b) {
    return CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.c_str(),
                           static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                           nullptr, nullptr, 0) -
           CSTR_EQUAL;
}

std::wstring NotesCell(const Registration& row) {
    if (!row.checked) return kChecking;
    std::wstring notes = NotesText(row.report);
    // The notes that wait for the search folders' listing.
    if (row.report.searchPending) notes += (notes.empty() ? L"" : L"；") + std::wstring(kChecking);
    return notes;
}

}  // namespace

// --- The listing

void RegistrationList::WantIcon(size_t row, std::vector<std::wstring>& wanted) {
    std::wstring path = ProgramPath(rows_[row].entry);
    if (path.empty()) return;
    std::vector<size_t>& rows = rowsOfFile_[Folded(path)];
    rows.push_back(row);
    // One request per file, whatever the number of rows that name it.
    if (rows.size() == 1) wanted.push_back(std::move(path));
}

// The previous listing's rows up to |upTo|, indexed by registration.
void RegistrationList::IndexPrevious(size_t upTo) {
    upTo = std::min(upTo, previousRows_.size());
    for (; previousIndexed_ < upTo; ++previousIndexed_) {
        AppPathEntry& entry = previousRows_[previousIndexed_];
        previous_.emplace(Identity(entry), &entry);
    }
}

// The values of the previous listing, when the subkey has not been written
// since. Values that could not be read are read again: rights change
// without a write.
bool RegistrationList::TakeUnchanged(AppPathEntry& entry) {
    IndexPrevious(previousRows_.size());
    auto known = previous_.find(Identity(entry));
    if (known == previous_.end()) return false;
    const AppPathEntry& before = *known->second;
    if (before.written != entry.written || entry.written == 0 ||
        before.state == ValueState::Unreadable ||
        before.pathValue.state == ValueState::Unreadable) {
        return false;
    }
    std::wstring name = std::move(entry.name);  // as the registry spells it now
    entry = std::move(*known->second);
    entry.name = std::move(name);
    previous_.erase(known);  // each subkey is listed once
    return true;
}

// The next name of the machine's key, then of the user's.
void RegistrationList::NameStep() {
    Registration row;
    row.entry.scope = enumerated_;
    if (stores_.For(enumerated_).EnumEntryName(nextIndex_, row.entry.name, &row.entry.written) !=
        ERROR_SUCCESS) {
        if (enumerated_ == Scope::Machine) {
            enumerated_ = Scope::User;
            nextIndex_ = 0;
            return;
        }
        NamesDone();
        return;
    }
    ++nextIndex_;
    rows_.push_back(std::move(row));
}

// Every name is listed: the names registered in both hives are known, and
// the rows can be filtered and sorted by name.
void RegistrationList::NamesDone() {
    enumerating_ = false;
    std::vector<AppPathEntry> entries;
    for (const Registration& listed : rows_) entries.push_back(listed.entry);
    std::vector<bool> both = RegisteredInBothScopes(entries);
    for (size_t i = 0; i < rows_.size(); ++i) rows_[i].report.bothScopes = both[i];
    RebuildView();
    SelectFirstIfNone();
}

// A row gone since its name was read; no icon was asked for it yet.
void RegistrationList::DropRow(size_t row) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(row));
    std::erase(view_, row);
    for (size_t& shown : view_) {
        if (shown > row) --shown;
    }
    viewedUpTo_ -= std::min<size_t>(viewedUpTo_, 1);
}

// The next name, or the values of the next row; false when there is
// nothing left to read.
bool RegistrationList::Step(std::vector<std::wstring>& wanted) {
    FreeRetired(4);
    if (enumerating_) {
        NameStep();
        // The earlier rows are indexed alongside, so that no one step of
        // a long list does it all.
        IndexPrevious(previousIndexed_ + 2);
        return true;
    }
    if (valuesRead_ >= rows_.size()) return false;
    AppPathEntry& entry = rows_[valuesRead_].entry;
    if (TakeUnchanged(entry) ||
        stores_.For(entry.scope).ReadEntry(entry.name, entry) == ERROR_SUCCESS) {
        WantIcon(valuesRead_++, wanted);
    } else {
        DropRow(valuesRead_);
    }
    return true;
}

void RegistrationList::BeginListing() {
    ++generation_;
    listing_ = true;
    enumerating_ = true;
    enumerated_ = Scope::Machine;
    nextIndex_ = 0;
    // Only rows that were read can stand for their subkeys.
    previous_.clear();
    previousRows_.clear();
    previousRows_.reserve(valuesRead_);
    for (size_t row = 0; row < valuesRead_; ++row) {
        previousRows_.push_back(std::move(rows_[row].entry));
    }
    previousIndexed_ = 0;
    previous_.reserve(previousRows_.size());
    valuesRead_ = 0;
    retiredRows_.clear();
    retiredRows_.swap(rows_);
    rows_.reserve(previousRows_.size());
    view_.clear();
    viewedUpTo_ = 0;
    retiredFiles_.clear();
    retiredFiles_.swap(rowsOfFile_);
}

void RegistrationList::FreeRetired(size_t count) {
    for (; count > 0 && !retiredRows_.empty(); --count) retiredRows_.pop_back();
    for (; count > 0 && !retiredFiles_.empty(); --count) retiredFiles_.erase(retiredFiles_.begin());
}

bool RegistrationList::ReadSlice(std::chrono::steady_clock::duration budget,
                                 std::vector<std::wstring>& wanted) {
    if (!listing_) return false;
    auto deadline = std::chrono::steady_clock::now() + budget;
    bool more = true;
    // Asking for an icon costs the window too: an unchanged list reads
    // thousands of rows within one slice's time, and asking for all their
    // icons at once held the window for a tenth of a second.
    const size_t wantedBefore = wanted.size();
    do {
        more = Step(wanted);
    } while (more && std::chrono::steady_clock::now() < deadline &&
             wanted.size() - wantedBefore < kIconsPerSlice);
    return more;
}

void RegistrationList::ReadRest(std::vector<std::wstring>& wanted) {
    if (!listing_) return;
    while (Step(wanted)) {
    }
}

bool RegistrationList::EndListing() {
    listing_ = false;
    if (filter_.empty() && sortColumn_ != kPathColumn) return false;
    RebuildView();
    return true;
}

void RegistrationList::Show(std::vector<AppPathEntry> entries) {
    ++generation_;
    listing_ = enumerating_ = false;
    rows_.clear();
    rowsOfFile_.clear();
    for (AppPathEntry& entry : entries) rows_.push_back({std::move(entry), 0, {}, true, {}});
    valuesRead_ = rows_.size();
    RebuildView();
}

// --- Icons and health

bool RegistrationList::SetIcon(const std::wstring& file, int image, const std::wstring& publisher) {
    auto rows = rowsOfFile_.find(Folded(file));
    if (rows == rowsOfFile_.end()) return false;
    for (size_t row : rows->second) {
        rows_[row].image = image;
        rows_[row].publisher = publisher;
    }
    return image != 0 || !publisher.empty();
}

void RegistrationList::ForgetImages(std::vector<std::wstring>& wanted) {
    rowsOfFile_.clear();
    for (size_t row = 0; row < rows_.size(); ++row) {
        rows_[row].image = 0;
        if (row < valuesRead_) WantIcon(row, wanted);
    }
}

void RegistrationList::SetReport(size_t row, HealthReport report) {
    if (row >= rows_.size()) return;
    // Registration in both hives is known from the names alone.
    report.bothScopes = rows_[row].report.bothScopes;
    rows_[row].report = std::move(report);
    rows_[row].checked = true;
}

bool RegistrationList::TargetMissing(size_t row) const {
    return rows_[row].checked && rows_[row].report.missingTarget;
}

bool RegistrationList::Suspicious(size_t row) const {
    return rows_[row].checked && IsSuspicious(rows_[row].report);
}

// --- The rows shown

std::wstring RegistrationList::CellText(size_t row, int column) const {
    const AppPathEntry& entry = rows_[row].entry;
    switch (column) {
        case kNameColumn:
            return entry.name;
        case kPathColumn:
            return ShownPath(entry);
        case kPublisherColumn:
            return rows_[row].publisher;
        case kScopeColumn:
            return ScopeText(entry.scope);
        default:
            return NotesCell(rows_[row]);
    }
}

bool RegistrationList::Passes(size_t row) const {
    if (filter_.empty()) return true;
    const AppPathEntry& entry = rows_[row].entry;
    return Holds(entry.name, filter_) || Holds(ShownPath(entry), filter_) ||
           Holds(rows_[row].publisher, filter_);
}

// Rows that compare equal keep the registry's order.
void RegistrationList::Sort() {
    if (sortColumn_ < 0) return;
    std::vector<std::wstring> keys(rows_.size());
    for (size_t row : view_) keys[row] = CellText(row, sortColumn_);
    std::stable_sort(view_.begin(), view_.end(), [&](size_t a, size_t b) {
        int order = Compare(keys[a], keys[b]);
        return sortDescending_ ? order > 0 : order < 0;
    });
}

void RegistrationList::RebuildView() {
    view_.clear();
    for (size_t row = 0; row < rows_.size(); ++row) {
        if (Passes(row)) view_.push_back(row);
    }
    viewedUpTo_ = rows_.size();
    Sort();
}

void RegistrationList::ExtendView() {
    for (size_t row = viewedUpTo_; row < rows_.size(); ++row) {
        if (Passes(row)) view_.push_back(row);
    }
    viewedUpTo_ = rows_.size();
}

bool RegistrationList::SetFilter(const std::wstring& text) {
    if (text == filter_) return false;
    filter_ = text;
    RebuildView();
    SelectFirstIfNone();
    return true;
}

void RegistrationList::ClickColumn(int column) {
    if (sortColumn_ != column) {
        sortColumn_ = column;
        sortDescending_ = false;
    } else if (!sortDescending_) {
        sortDescending_ = true;
    } else {
        sortColumn_ = -1;
    }
    RebuildView();
}

void RegistrationList::SetSort(int column, bool descending) {
    sortColumn_ = column;
    sortDescending_ = column >= 0 && descending;
    RebuildView();
}

// --- The selection

std::vector<size_t> RegistrationList::SelectedShown() const {
    std::vector<size_t> shown;
    if (selected_.empty()) return shown;
    std::unordered_set<std::wstring> selected;
    for (const EntryKey& key : selected_) selected.insert(Identity(key));
    for (size_t i = 0; i < view_.size(); ++i) {
        if (selected.count(Identity(rows_[view_[i]].entry))) shown.push_back(i);
    }
    return shown;
}

std::optional<size_t> RegistrationList::FocusedShown() const {
    if (!focused_) return std::nullopt;
    for (size_t i = 0; i < view_.size(); ++i) {
        if (Matches(rows_[view_[i]].entry, *focused_)) return i;
    }
    return std::nullopt;
}

void RegistrationList::Select(const std::vector<size_t>& shown, std::optional<size_t> focus) {
    // While names come in, selected registrations not listed yet stay so.
    std::vector<EntryKey> unlisted;
    std::optional<EntryKey> unlistedFocus;
    // A few keys against every row, without copying names: this runs at
    // each slice of a listing of thousands.
    auto listed = [this](const EntryKey& key) {
        return std::any_of(rows_.begin(), rows_.end(), [&](const Registration& row) {
            return row.entry.scope == key.scope &&
                   CompareStringOrdinal(row.entry.name.c_str(),
                                        static_cast<int>(row.entry.name.size()), key.name.c_str(),
                                        static_cast<int>(key.name.size()), TRUE) == CSTR_EQUAL;
        });
    };
    if (enumerating_) {
        for (const EntryKey& key : selected_) {
            if (!listed(key)) unlisted.push_back(key);
        }
        if (focused_ && !listed(*focused_)) unlistedFocus = focused_;
    }
    selected_ = std::move(unlisted);
    focused_ = unlistedFocus;
    for (size_t i : shown) {
        if (i >= view_.size()) continue;
        selected_.push_back(KeyOf(EntryShown(i)));
        if (!focused_ || focus == i) focused_ = selected_.back();
    }
}

void RegistrationList::SelectKeys(std::vector<EntryKey> keys, std::optional<EntryKey> focus) {
    selected_ = std::move(keys);
    focused_ = std::move(focus);
}

void RegistrationList::SelectFirstIfNone() {
    if (!view_.empty() && SelectedShown().empty()) Select({0}, 0);
}

std::optional<size_t> RegistrationList::SelectedRow() const {
    std::vector<size_t> shown = SelectedShown();
    if (shown.empty()) return std::nullopt;
    std::optional<size_t> focus = FocusedShown();
    bool focusSelected = focus && std::find(shown.begin(), shown.end(), *focus) != shown.end();
    return view_[focusSelected ? *focus : shown.front()];
}

const AppPathEntry* RegistrationList::SelectedEntry() const {
    std::optional<size_t> row = SelectedRow();
    return row ? &rows_[*row].entry : nullptr;
}

std::vector<const AppPathEntry*> RegistrationList::SelectedEntries() const {
    std::vector<const AppPathEntry*> entries;
    for (size_t i : SelectedShown()) entries.push_back(&EntryShown(i));
    return entries;
}

AppPathEntry RegistrationList::CopyOf(size_t row) const {
    AppPathEntry entry = rows_[row].entry;
    if (row >= valuesRead_ &&
        stores_.For(entry.scope).ReadEntry(entry.name, entry) != ERROR_SUCCESS) {
        entry = rows_[row].entry;  // gone meanwhile: the command reports it
    }
    return entry;
}

std::optional<AppPathEntry> RegistrationList::SelectedCopy() const {
    std::optional<size_t> row = SelectedRow();
    if (!row) return std::nullopt;
    return CopyOf(*row);
}

std::vector<AppPathEntry> RegistrationList::SelectedCopies() const {
    std::vector<AppPathEntry> copies;
    for (size_t i : SelectedShown()) copies.push_back(CopyOf(view_[i]));
    return copies;
}

int RegistrationList::FindByPrefix(int start, const std::wstring& typed) const {
    int count = static_cast<int>(view_.size());
    for (int step = 0; step < count; ++step) {
        int shown = (std::max(start, 0) + step) % count;
        const std::wstring& name = EntryShown(static_cast<size_t>(shown)).name;
        if (name.size() >= typed.size() &&
            CompareStringOrdinal(name.c_str(), static_cast<int>(typed.size()), typed.c_str(),
                                 static_cast<int>(typed.size()), TRUE) == CSTR_EQUAL) {
            return shown;
        }
    }
    return -1;
}

std::wstring RegistrationList::StatusText() const {
    size_t missing = 0;
    size_t suspicious = 0;
    for (size_t row : view_) {
        if (TargetMissing(row)) ++missing;
        if (Suspicious(row)) ++suspicious;
    }
    std::wstring text = L"共 " + std::to_wstring(rows_.size()) + L" 项，显示 " +
                        std::to_wstring(view_.size()) + L" 项";
    // The counts that follow are of the rows shown, after one "其中".
    const wchar_t* lead = L"，其中 ";
    if (missing > 0) {
        text += lead + std::to_wstring(missing) + L" 项目标不存在";
        lead = L"，";
    }
    if (suspicious > 0) text += lead + std::to_wstring(suspicious) + L" 项可疑";
    return text;
}

}  // namespace tolvane
