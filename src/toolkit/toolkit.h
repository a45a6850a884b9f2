// Small services of the window toolkit that every window uses: message
// boxes, geometry in twips, the yield to the message loop, the program's own
// folder and a few list-view helpers.
#pragma once

#include <windows.h>

#include <string>

namespace tolvane {

// The title of every message box of the program.
inline constexpr wchar_t kAppTitle[] = L"Tolvane";

// Message box styles used by the program.
inline constexpr UINT kStyleError = 16;     // MB_ICONHAND | MB_OK
inline constexpr UINT kStyleQuestion = 36;  // MB_ICONQUESTION | MB_YESNO
inline constexpr UINT kStyleInfo = 64;      // MB_ICONASTERISK | MB_OK
inline constexpr int kAnswerYes = 6;        // IDYES

// A modal message box titled Tolvane, owned by |owner|; returns the button.
int ShowMessage(HWND owner, const std::wstring& text, UINT style);

// The density, in dots per inch, that |window| is drawn at: its monitor's
// where Windows tells it per window (Windows 10), the system's otherwise
// and for a null window.
UINT DpiOf(HWND window);

// Twips (1/1440 inch) to pixels at |dpi| dots per inch, and back: 15 twips
// per pixel at 96.
int TwipsToPixels(int twips, UINT dpi);
int PixelsToTwips(int pixels, UINT dpi);

// Processes every pending message, then returns. A WM_QUIT met on the way
// is posted again so that the main loop still sees it.
void YieldToMessages();

// The folder that holds the running executable, without a trailing
// backslash.
std::wstring ProgramFolder();

// The program's 32 x 32 icon, shared; not to be destroyed.
HICON ProgramIcon();
// Registers, once, a window class of this program: its icon, the arrow, and
// the system colour |backgroundColour| (COLOR_...) behind it.
bool RegisterProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure,
                                int backgroundColour);

// Centres |window| over |owner| (or the screen when |owner| is null).
void CenterWindow(HWND window, HWND owner);

// The system's message font at |dpi|, the font of dialogs and controls.
// One font per density, shared and kept for the program's life: not to be
// destroyed. For the window thread only.
HFONT MessageFont(UINT dpi);
// List-view helpers. Indexes are zero-based; -1 means none.
int ListCount(HWND list);
int ListSelectedIndex(HWND list);
// Selects and focuses the item at |index| alone; -1 clears the selection.
void ListSelect(HWND list, int index);
std::wstring ListItemText(HWND list, int index, int subItem = 0);
// Appends an item with a text and a small-icon index; returns its index.
int ListAppend(HWND list, const std::wstring& text, int image);
void ListSetSubItem(HWND list, int index, int subItem, const std::wstring& text);

// The text of a window or control.
std::wstring WindowText(HWND window);

// Puts |text| on the clipboard as Unicode text; false when it cannot.
bool CopyToClipboard(HWND owner, const std::wstring& text);

// The shell's folder picker, modal to |owner|; empty when cancelled.
std::wstring PickFolder(HWND owner, const std::wstring& title);

// |text| in upper case, for names and paths compared without regard to
// letter case, as the file system and the registry compare them.
std::wstring Folded(std::wstring text);

// While it lives, the calling thread raises no box for an empty drive or a
// share that is gone; the earlier mode comes back after.
class QuietErrorMode {
  public:
    QuietErrorMode() {
        set_ = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_);
    }
    ~QuietErrorMode() {
        if (set_) SetThreadErrorMode(old_, nullptr);
    }
    QuietErrorMode(const QuietErrorMode&) = delete;
    QuietErrorMode& operator=(const QuietErrorMode&) = delete;

  private:
    DWORD old_ = 0;
    BOOL set_ = FALSE;
};

}  // namespace tolvane
