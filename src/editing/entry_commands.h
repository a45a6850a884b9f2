// The window's commands that change the App Paths registrations: add,
// edit, delete. Each gathers its input, has the registration commands make
// the change, tells the user the outcome in one message, and says whether
// the registry changed, so that the caller can list it again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/app_path_entry.h"
#include "store/app_path_store.h"

namespace tolvane {

// Adds to either hive; makes the user's App Paths key when it is absent.
// The dialog starts with |name| and |path| (a program dropped on the
// window).
bool AddItem(HWND owner, const AppPathStores& stores, const std::wstring& name = {},
             const std::wstring& path = {});
// A failed edit changes nothing.
bool EditItem(HWND owner, const AppPathStores& stores, const AppPathEntry& entry);
// Deletes the registrations after one question naming them: all of them,
// or, when one refuses, none. Those that another program deleted first are
// named afterwards.
bool DelItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& entries);

// A registration's name as the questions show it: the current user's are
// marked "（当前用户）".
std::wstring NamedInQuestion(const AppPathEntry& entry);
// Up to twenty names, one a line, then "等 N 项" when there are more.
std::wstring NameList(const std::vector<AppPathEntry>& entries);

}  // namespace tolvane
