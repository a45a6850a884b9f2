#include "support/dialogs.h"

#include "toolkit/toolkit.h"

namespace tolvane::testing {

namespace {

constexpr UINT kTickMs = 40;
constexpr DWORD kGiveUpMs = 20000;

DialogScript* g_script = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM result) {
    if (ClassOf(window) == L"#32770" && IsWindowVisible(window) && IsWindowEnabled(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

struct IconStyle {
    LPCWSTR id;
    UINT style;
};

}  // namespace

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

HWND ActiveDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

DialogScript::DialogScript(std::vector<DialogStep> steps) : steps_(std::move(steps)) {
    g_script = this;
    idleSince_ = GetTickCount();
    timer_ = SetTimer(nullptr, 0, kTickMs, Tick);
}

DialogScript::~DialogScript() {
    KillTimer(nullptr, timer_);
    g_script = nullptr;
}

void CALLBACK DialogScript::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_script) g_script->OnTick();
}

void DialogScript::OnTick() {
    HWND dialog = ActiveDialog();
    if (!dialog) {
        idleSince_ = GetTickCount();
        return;
    }
    if (next_ < steps_.size() && steps_[next_].matches(dialog)) {
        idleSince_ = GetTickCount();
        // Counted before acting: the action may run a nested modal loop
        // whose ticks belong to the following steps.
        DialogStep& step = steps_[next_++];
        step.act(dialog);
        return;
    }
    if (GetTickCount() - idleSince_ > kGiveUpMs) {
        timedOut_ = true;
        idleSince_ = GetTickCount();
        PostMessageW(dialog, WM_COMMAND,
                     IsMessageBox(dialog) && !GetDlgItem(dialog, IDCANCEL) ? IDOK : IDCANCEL, 0);
    }
}

bool IsMessageBox(HWND dialog) {
    // A message box has a static text and only the standard buttons.
    if (ClassOf(dialog) != L"#32770") return false;
    for (int id : {IDOK, IDYES, IDNO, IDCANCEL, IDABORT, IDRETRY, IDIGNORE}) {
        if (!GetDlgItem(dialog, id)) continue;
        HWND child = nullptr;
        while ((child = FindWindowExW(dialog, child, nullptr, nullptr)) != nullptr) {
            std::wstring kind = ClassOf(child);
            if (kind != L"Static" && kind != L"Button") return false;
        }
        return true;
    }
    return false;
}

MessageBoxSeen ReadMessageBox(HWND box) {
    MessageBoxSeen seen;
    seen.shown = true;
    seen.title = WindowText(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.ownerVisible = seen.owner && IsWindowVisible(seen.owner);
    HWND child = nullptr;
    static const IconStyle icons[] = {{IDI_HAND, MB_ICONHAND},
                                      {IDI_QUESTION, MB_ICONQUESTION},
                                      {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                                      {IDI_ASTERISK, MB_ICONASTERISK}};
    while ((child = FindWindowExW(box, child, L"Static", nullptr)) != nullptr) {
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            auto shownIcon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            for (const IconStyle& icon : icons) {
                if (shownIcon == LoadIconW(nullptr, icon.id)) seen.style |= icon.style;
            }
        } else {
            std::wstring text = WindowText(child);
            if (!text.empty()) seen.text = text;
        }
    }
    if (GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO)) {
        seen.style |= GetDlgItem(box, IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    } else if (GetDlgItem(box, IDCANCEL) && GetDlgItem(box, IDOK)) {
        seen.style |= MB_OKCANCEL;
    }
    return seen;
}

void PressButton(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SetWindowTextW(GetDlgItem(dialog, id), text.c_str());
}

std::wstring ControlText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

DialogStep AnswerMessageBox(MessageBoxSeen* seen, int button) {
    return {IsMessageBox, [seen, button](HWND box) {
                if (seen) *seen = ReadMessageBox(box);
                PressButton(box, button);
            }};
}

DialogStep AnswerMissingProgram(int button, MessageBoxSeen* seen) {
    auto matches = [](HWND box) {
        if (!IsMessageBox(box)) return false;
        std::wstring text = ReadMessageBox(box).text;
        return text.starts_with(L"程序文件 ") && text.ends_with(L" 不存在，仍要登记吗？");
    };
    return {matches, [seen, button](HWND box) {
                if (seen) *seen = ReadMessageBox(box);
                PressButton(box, button);
            }};
}

DialogStep OnDialogTitled(const std::wstring& title, std::function<void(HWND)> act) {
    return {[title](HWND dialog) { return WindowText(dialog) == title; }, std::move(act)};
}

void DrainQuit() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace tolvane::testing
