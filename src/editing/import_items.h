// The window's import: a .reg file, or the JSON that tolvanec list writes,
// chosen with the open dialog, checked and planned as tolvanec import checks
// and plans it, then written after one question that sums up what it would
// do, all of it or nothing.
#pragma once

#include <windows.h>

#include <string>

#include "commands/undo_history.h"
#include "store/app_path_store.h"

namespace tolvane {

// Asks for the file, then imports it as ImportFile() does.
bool ImportItems(HWND owner, const AppPathStores& stores, UndoHistory* history = nullptr);
// Imports |file| after the question; a file that cannot be imported as it
// stands is refused with the reason, and nothing is written. Returns whether
// the registry changed. Given a history, the import is recorded there.
bool ImportFile(HWND owner, const AppPathStores& stores, const std::wstring& file,
                UndoHistory* history = nullptr);

}  // namespace tolvane
