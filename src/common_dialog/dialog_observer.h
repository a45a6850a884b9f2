// A window onto the records that CommDlg::Action hands to the platform. The
// program installs no observer; tests install one to see the exact bytes of
// a record just before the real dialog call, while the dialog itself still
// runs and is answered like any other.
#pragma once

#include <windows.h>
#include <commdlg.h>

namespace tolvane {

class DialogObserver {
  public:
    virtual ~DialogObserver() = default;
    virtual void BeforeFileDialog(const OPENFILENAMEA& record) {}
    virtual void BeforeColourDialog(const CHOOSECOLORA& record) {}
    virtual void BeforeFontDialog(const CHOOSEFONTA& record) {}
    virtual void BeforePrinterDialog(const PRINTDLGA& record) {}
    virtual void BeforeHelp(HWND owner, const char* helpFile, UINT command, ULONG_PTR data) {}
};

// Installs |observer| (null removes it); returns the one it replaces.
DialogObserver* SetDialogObserver(DialogObserver* observer);
DialogObserver* CurrentDialogObserver();

}  // namespace tolvane
