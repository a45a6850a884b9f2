// Answers the real modal windows of a test (message boxes, the program's own
// dialogs, the common dialogs) from a thread timer that fires inside their
// modal loops. Each step waits for the dialog that it matches, then acts on
// it; steps run once each, in order.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tolvane::testing {

struct DialogStep {
    std::function<bool(HWND)> matches;
    std::function<void(HWND)> act;
};

class DialogScript {
  public:
    explicit DialogScript(std::vector<DialogStep> steps);
    ~DialogScript();
    DialogScript(const DialogScript&) = delete;
    DialogScript& operator=(const DialogScript&) = delete;

    // How many steps have run.
    size_t done() const { return next_; }
    bool finished() const { return next_ == steps_.size(); }
    // Whether a dialog stood unanswered for so long that the script closed
    // it to keep the test from hanging.
    bool timedOut() const { return timedOut_; }

  private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    std::vector<DialogStep> steps_;
    size_t next_ = 0;
    UINT_PTR timer_ = 0;
    DWORD idleSince_ = 0;
    bool timedOut_ = false;
};

// What a message box showed.
struct MessageBoxSeen {
    bool shown = false;
    std::wstring text;
    std::wstring title;
    UINT style = 0;             // icon and button bits, as MessageBox's uType
    bool ownerVisible = false;  // whether its owner window was visible
    HWND owner = nullptr;
};

// The top-level, visible and enabled #32770 window of this thread, or null.
HWND ActiveDialog();
bool IsMessageBox(HWND dialog);
MessageBoxSeen ReadMessageBox(HWND box);

// Presses a dialog's button by its command id, synchronously.
void PressButton(HWND dialog, int id);
// Sets the text of a dialog's control.
void SetControlText(HWND dialog, int id, const std::wstring& text);
std::wstring ControlText(HWND dialog, int id);
std::wstring ClassOf(HWND window);

// Steps for the common cases.
DialogStep AnswerMessageBox(MessageBoxSeen* seen, int button);
DialogStep OnDialogTitled(const std::wstring& title, std::function<void(HWND)> act);
// The edit dialog's question before it registers a program file that is not
// there, answered with |button| (IDYES or IDNO).
DialogStep AnswerMissingProgram(int button, MessageBoxSeen* seen = nullptr);

// Removes a WM_QUIT left in this thread's queue by a closed main window.
void DrainQuit();

}  // namespace tolvane::testing
