// The window's commands that change the App Paths registrations: add,
// edit, delete, and undo of the window's changes. Each gathers its input,
// has the registration commands make the change, tells the user the outcome
// in one message, and says whether the registry changed, so that the caller
// can list it again. Given a history, each change is recorded there, with
// the registrations that it touches as they were before it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/undo_history.h"
#include "store/app_path_entry.h"
#include "store/app_path_store.h"

namespace tolvane {

// Adds to either hive; makes the user's App Paths key when it is absent.
// |added| receives the registration made. The dialog starts with |name|
// and |path| (a program dropped on the window).
bool AddItem(HWND owner, const AppPathStores& stores, UndoHistory* history = nullptr,
             EntryKey* added = nullptr, const std::wstring& name = {},
             const std::wstring& path = {});
// A failed edit changes nothing.
bool EditItem(HWND owner, const AppPathStores& stores, const AppPathEntry& entry,
              UndoHistory* history = nullptr);
// Deletes the registrations after one question naming them: all of them,
// or, when one refuses, none. Those that another program deleted first are
// named afterwards.
bool DelItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries,
              UndoHistory* history = nullptr);

// Takes the last change of |history| back, all of it or nothing, without a
// question unless another program has changed one of its registrations
// since; a failure is told as the change's own command tells it. |undone|
// receives what the change was.
bool UndoLastChange(HWND owner, const AppPathStores& stores, UndoHistory& history,
                    std::wstring& undone);

// The registrations |keys| as they are before a change, for |history|;
// none without a history, or when one of them cannot be read.
std::vector<EntryBackup> ReadForUndo(UndoHistory* history, const std::vector<EntryKey>& keys);
// Records a change that has been made, told as |what|, whose command fails
// with |failure|.
void RecordForUndo(UndoHistory* history, std::wstring what, const wchar_t* failure,
                   const std::vector<EntryBackup>& before);

// A registration's name as the questions show it: the current user's are
// marked "（当前用户）".
std::wstring NamedInQuestion(const AppPathEntry& entry);
// Up to twenty names, one a line, then "等 N 项" when there are more.
std::wstring NameList(const std::vector<AppPathEntry>& entries);

}  // namespace tolvane
