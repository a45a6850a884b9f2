// What the common dialog tests share: an active window to own the dialogs,
// an observer that keeps a copy of every record handed to the platform, and
// steps that answer the real dialogs.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "common_dialog/comm_dlg.h"
#include "common_dialog/dialog_observer.h"
#include "support/dialogs.h"

namespace tolvane::testing {

// The records' sizes that the platform expects from a program of the
// architecture that runs the tests: the packed 32-bit forms, or the 64-bit ones.
inline constexpr bool kIs64Bit = sizeof(void*) == 8;
inline constexpr DWORD kExpectedFileRecordSize = kIs64Bit ? 136 : 76;
inline constexpr DWORD kExpectedColourRecordSize = kIs64Bit ? 72 : 36;
inline constexpr DWORD kExpectedFontRecordSize = kIs64Bit ? 104 : 60;
inline constexpr DWORD kExpectedPrinterRecordSize = kIs64Bit ? 120 : 66;

// Runs an action and returns the number of the error it raised, or -1 when
// it raised none.
int RunAction(CommDlg& dlg, int16_t code);

// A visible top-level window, made the thread's active window.
class ActiveWindow {
  public:
    ActiveWindow();
    ~ActiveWindow();
    ActiveWindow(const ActiveWindow&) = delete;
    ActiveWindow& operator=(const ActiveWindow&) = delete;
    HWND get() const { return window_; }
    int32_t value() const { return static_cast<int32_t>(reinterpret_cast<intptr_t>(window_)); }

  private:
    HWND window_ = nullptr;
};

// Copies of the records (and the memory they point to) as the platform
// received them, taken while installed.
class RecordingObserver : public DialogObserver {
  public:
    RecordingObserver();
    ~RecordingObserver() override;
    RecordingObserver(const RecordingObserver&) = delete;
    RecordingObserver& operator=(const RecordingObserver&) = delete;

    void BeforeFileDialog(const OPENFILENAMEA& record) override;
    void BeforeColourDialog(const CHOOSECOLORA& record) override;
    void BeforeFontDialog(const CHOOSEFONTA& record) override;
    void BeforePrinterDialog(const PRINTDLGA& record) override;
    void BeforeHelp(HWND owner, const char* helpFile, UINT command, ULONG_PTR data) override;

    int calls = 0;

    OPENFILENAMEA file{};
    std::string fileBuffer;   // nMaxFile bytes
    std::string titleBuffer;  // nMaxFileTitle bytes
    std::string filterList;   // up to and including the first pair of NULs
    std::string defaultExt, initialDir, dialogTitle;

    CHOOSECOLORA colour{};
    std::vector<COLORREF> customColours;

    CHOOSEFONTA font{};
    LOGFONTA logFont{};
    bool logFontIsOwnRecord = false;  // lpLogFont pointed at a LOGFONT, not a copy elsewhere

    PRINTDLGA printer{};
    std::string devNames;          // the whole block
    std::string devMode;           // the whole block
    bool devNamesMovable = false;  // a movable block's handle is not its address
    bool devModeMovable = false;

    HWND helpOwner = nullptr;
    bool helpFileGiven = false;
    std::string helpFile;
    UINT helpCommand = 0;
    ULONG_PTR helpData = 0;

  private:
    DialogObserver* previous_ = nullptr;
};

// Control ids of the platform's dialogs.
inline constexpr int kFileNameBox = 0x47c;   // cmb13: the file name
inline constexpr int kFileTypeBox = 0x470;   // cmb1: the filter list
inline constexpr int kFontFaceBox = 0x470;   // cmb1
inline constexpr int kFontStyleBox = 0x471;  // cmb2
inline constexpr int kFontSizeBox = 0x472;   // cmb3
inline constexpr int kStrikeOutBox = 0x410;  // chx1
inline constexpr int kUnderlineBox = 0x411;  // chx2
inline constexpr int kColourRed = 706;
inline constexpr int kColourGreen = 707;
inline constexpr int kColourBlue = 708;
inline constexpr int kCopiesBox = 0x482;        // edt3
inline constexpr int kLandscapeButton = 0x421;  // rad2

bool IsCommonDialog(HWND dialog);

// Runs |act| (if any) on the next common dialog (not a message box), then
// presses Cancel.
DialogStep CancelDialog(std::function<void(HWND)> act = {});
// Types |path| as the file name and presses OK.
DialogStep ChooseFile(const std::wstring& path, int filterIndex = 0);
// Runs |act| on the next common dialog, then presses OK.
DialogStep ConfirmDialog(std::function<void(HWND)> act);

// Selects the combo box entry |index| of a dialog as a user would.
void SelectComboEntry(HWND dialog, int id, int index);
// Ticks a check box or picks a radio button as a user would.
void ClickButton(HWND dialog, int id);

// A file in the prefix's temporary folder, created empty; removed on exit.
class TempFile {
  public:
    explicit TempFile(const std::wstring& name, bool create = true);
    ~TempFile();
    const std::wstring& path() const { return path_; }

  private:
    std::wstring path_;
};

}  // namespace tolvane::testing
