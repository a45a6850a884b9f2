// The commands that change the App Paths registrations: add, edit, delete.
#pragma once

namespace tolvane {

struct FrmMain;

void AddItem(FrmMain& form);
void EditItem(FrmMain& form);
void DelItem(FrmMain& form);

}  // namespace tolvane
