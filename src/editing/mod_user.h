// modUser: the three variables through which the edit dialog hands its
// result to the entry commands. They live for the whole process.
#pragma once

#include <cstdint>
#include <string>

#include "store/app_path_entry.h"

namespace tolvane::modUser {

// What lngResult holds after a dialog.
inline constexpr int32_t kResultOK = 1;
inline constexpr int32_t kResultCancel = 2;

// The entry name, with its ".exe" suffix once OK has accepted it.
extern std::wstring strKey;
// The program path, exactly as typed or chosen.
extern std::wstring strApp;
// 1 after OK, 2 after Cancel; 0 before the first dialog.
extern int32_t lngResult;
// The scope chosen in an add, after OK.
extern Scope scope;
// The folders of the Path value, exactly as typed; empty for none.
extern std::wstring strPath;

}  // namespace tolvane::modUser
