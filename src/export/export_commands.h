// The File menu's exports of the list: an HTML page and an XML document.
#pragma once

namespace tolvane {

struct FrmMain;

void mnuFileHTML_Click(FrmMain& form);
void mnuFileXML_Click(FrmMain& form);

}  // namespace tolvane
