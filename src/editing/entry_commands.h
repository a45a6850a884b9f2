// The commands that change the App Paths registrations: add, edit, delete.
#pragma once

#include <string>

namespace tolvane {

struct FrmMain;

void AddItem(FrmMain& form);
void EditItem(FrmMain& form);
void DelItem(FrmMain& form);

// Runs, when set, between the creation of a new entry's subkey and the write
// of its path. The program leaves it null; tests use it to change the
// registry at that moment, as another program could, because no dialog opens
// in between.
inline void (*onEntryCreated)(const std::wstring& name) = nullptr;

}  // namespace tolvane
