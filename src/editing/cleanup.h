// Clearing out registrations whose program file is gone, as uninstallers
// leave them behind: one question naming them, a registry file in the
// user's Documents folder that "reg import" turns back into them, then the
// deletion and a summary.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "commands/undo_history.h"
#include "store/app_path_store.h"

namespace tolvane {

// |missing|: the registrations noted as having no program file. Returns
// whether any was deleted. Given a history, the deletion is recorded there.
bool CleanUpItems(HWND owner, const AppPathStores& stores, const std::vector<AppPathEntry>& missing,
                  UndoHistory* history = nullptr);

// The backup's file name for a clean-up at |time|, in |folder|.
std::wstring BackupFileName(const std::wstring& folder, const SYSTEMTIME& time);

}  // namespace tolvane
