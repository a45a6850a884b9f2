// The commands that change the App Paths registrations: add, edit, delete.
// Each gathers its input, calls the store, tells the user the outcome in one
// message, and says whether the registry changed, so that the caller can
// list it again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/app_path_entry.h"
#include "store/app_path_store.h"

namespace tolvane {

// Adds to either hive; makes the user's App Paths key when it is absent.
bool AddItem(HWND owner, AppPathStores& stores);
bool EditItem(HWND owner, const AppPathStore& store, const AppPathEntry& entry);
bool DelItem(HWND owner, const AppPathStore& store, const AppPathEntry& entry);
// Deletes several registrations after one question naming them; reports
// those that could not be deleted by name. One registration goes as
// DelItem has it.
bool DelItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries);

// A registration's name as the questions show it: the current user's are
// marked "（当前用户）".
std::wstring NamedInQuestion(const AppPathEntry& entry);
// Up to twenty names, one a line, then "等 N 项" when there are more.
std::wstring NameList(const std::vector<AppPathEntry>& entries);

// Runs, when set, between the creation of a new entry's subkey and the write
// of its path. The program leaves it null. Tests use it to change the
// registry at that moment, as another program could, because no dialog opens
// in between; a non-zero result stands for a failed write, which the
// platform offers no way to cause on a key that is open for writing.
inline LONG (*onEntryCreated)(const std::wstring& name) = nullptr;

}  // namespace tolvane
