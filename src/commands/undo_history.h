// The window's changes as they can be taken back. Each change is recorded
// with the registrations that it touches as they were read, whole, before
// its first write, and as the change left them; an undo puts the first back
// in the transaction that imports use, all of it or nothing, and can tell
// when another program has changed them since. Memory only, for one run.
#pragma once

#include <windows.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "store/registry_transaction.h"

namespace tolvane {

// How many changes back an undo can go.
inline constexpr size_t kUndoDepth = 20;

struct RecordedEntry {
    EntryKey key;
    EntrySnapshot before;
    bool existedBefore = false;
    EntrySnapshot after;
    bool existedAfter = false;
    bool afterKnown = true;  // false: it could not be read after the change
};

struct RecordedChange {
    std::wstring what;     // as the user is told of it: "删除项目 a.exe"
    std::wstring failure;  // what the command says when it fails: "删除失败！"
    std::vector<RecordedEntry> entries;
};

// The last change as the registry holds it now.
struct UndoCheck {
    LONG result = ERROR_SUCCESS;  // reading the registrations; 0 when read
    // The first registration that another program has changed since.
    std::optional<EntryKey> changedSince;
};

class UndoHistory {
  public:
    explicit UndoHistory(Hives hives = {}) : hives_(hives) {}

    // Reads |keys| whole as they are before a change; 0, or the code of the
    // registration that could not be read (the change cannot be undone then).
    LONG ReadBefore(const std::vector<EntryKey>& keys, std::vector<EntryBackup>& before) const;
    // A change that has been made. |before| holds its registrations as they
    // were read before the first write; they are read again now, as the
    // change left them. The oldest change goes beyond kUndoDepth.
    void Record(std::wstring what, std::wstring failure, const std::vector<EntryBackup>& before);
    bool empty() const { return changes_.empty(); }
    size_t size() const { return changes_.size(); }
    // The last change; null when there is none.
    const RecordedChange* Last() const;

    // Reads the registrations of the last change as they are now.
    UndoCheck CheckLast() const;
    // Puts every registration of the last change back as it was before it,
    // in one transaction; on success the change leaves the history. 0, or
    // the code of the failure, after which restoreResult() says whether
    // everything was put back as it was (0).
    LONG UndoLast();
    LONG restoreResult() const { return restoreResult_; }

  private:
    Hives hives_;
    std::deque<RecordedChange> changes_;
    LONG restoreResult_ = ERROR_SUCCESS;
};

}  // namespace tolvane
