// Registrations saved as a registry file that the registry editor and
// "reg import" read back: every value of each registration's subkey, and
// its subkeys.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "store/app_path_store.h"

namespace tolvane {

// Writes |entries| as read now from their hives to |path|, whole or not at
// all. Registrations that are gone meanwhile are left out. 0 or the first
// error code.
DWORD SaveRegistrations(const AppPathStores& stores, const std::vector<AppPathEntry>& entries,
                        const std::wstring& path);

}  // namespace tolvane
