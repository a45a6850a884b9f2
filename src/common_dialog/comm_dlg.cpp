#include "common_dialog/comm_dlg.h"

namespace tolvane {

// Placeholder until the dialogs are built: no code pretends to have worked.
void CommDlg::Action(int16_t mAction) {
    if (mAction >= 1 && mAction <= 6) throw RaisedError(kErrCancel);
}

}  // namespace tolvane
