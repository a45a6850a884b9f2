// The Help menu's commands on the real main window: the About window, read
// and closed from inside its own modal loop, and the help message box.
#include <gtest/gtest.h>

#include <windows.h>

#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "about/about.h"
#include "about/credits.h"
#include "main_window/main_window.h"
#include "resource.h"
#include "support/dialogs.h"
#include "tolvane_version.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane::testing {
namespace {

struct ControlSeen {
    int id = 0;
    std::wstring className;
    std::wstring text;
    RECT rect{};  // in the dialog's client coordinates
    LONG style = 0;
    bool operator==(const ControlSeen& other) const {
        return id == other.id && className == other.className && text == other.text &&
               EqualRect(&rect, &other.rect) && style == other.style;
    }
};

// What the About window showed, read while it was up.
struct AboutSeen {
    HWND dialog = nullptr;
    std::wstring caption;
    LONG style = 0;
    LONG exStyle = 0;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    RECT window{};
    RECT client{};
    HICON icon = nullptr;
    bool focusOnOk = false;
    LRESULT defId = 0;
    std::vector<ControlSeen> controls;  // in z-order, which is the tab order
    HICON imageIcon = nullptr;
    // Per label, the room its text needs at its width, in its font.
    std::vector<SIZE> textNeeds;
};

std::wstring Lines(std::initializer_list<std::wstring> lines) {
    std::wstring all;
    for (const std::wstring& line : lines) all += (all.empty() ? L"" : L"\r\n") + line;
    return all;
}

RECT ClientRectOf(HWND control, HWND dialog) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT TwipsRect(int left, int top, int width, int height) {
    UINT dpi = DpiOf(nullptr);
    int x = TwipsToPixels(left, dpi), y = TwipsToPixels(top, dpi);
    return {x, y, x + TwipsToPixels(width, dpi), y + TwipsToPixels(height, dpi)};
}

// The room the control's text takes when drawn the way a static control
// draws it: wrapped at the control's width, in its font.
SIZE TextNeeds(HWND control) {
    std::wstring text = WindowText(control);
    RECT rect;
    GetClientRect(control, &rect);
    WindowDc dc(control);
    SelectedObject font(dc.get(),
                        reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc.get(), text.c_str(), -1, &rect,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

AboutSeen ReadAbout(HWND dialog) {
    AboutSeen seen;
    seen.dialog = dialog;
    seen.caption = WindowText(dialog);
    seen.style = GetWindowLongW(dialog, GWL_STYLE);
    seen.exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
    seen.owner = GetWindow(dialog, GW_OWNER);
    seen.ownerEnabled = seen.owner && IsWindowEnabled(seen.owner);
    GetWindowRect(dialog, &seen.window);
    GetClientRect(dialog, &seen.client);
    seen.icon = reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
    seen.focusOnOk = GetFocus() && GetFocus() == GetDlgItem(dialog, IDOK);
    seen.defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlSeen control;
        control.id = GetDlgCtrlID(child);
        control.className = ClassOf(child);
        control.text = WindowText(child);
        control.rect = ClientRectOf(child, dialog);
        control.style = GetWindowLongW(child, GWL_STYLE);
        seen.controls.push_back(control);
        if (control.id == kIdAboutImage) {
            seen.imageIcon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
        } else if (control.className == L"Static") {
            seen.textNeeds.push_back(TextNeeds(child));
        }
    }
    return seen;
}

void ExpectRect(const RECT& seen, const RECT& expected) {
    EXPECT_EQ(seen.left, expected.left);
    EXPECT_EQ(seen.top, expected.top);
    EXPECT_EQ(seen.right, expected.right);
    EXPECT_EQ(seen.bottom, expected.bottom);
}

// The design's top left corner, at least its height, and its width too
// unless the label is a one-line one that may be wider.
void ExpectAtLeast(const RECT& seen, const RECT& design, bool mayBeWider) {
    EXPECT_EQ(seen.left, design.left);
    EXPECT_EQ(seen.top, design.top);
    if (mayBeWider) {
        EXPECT_GE(seen.right, design.right);
    } else {
        EXPECT_EQ(seen.right, design.right);
    }
    EXPECT_GE(seen.bottom, design.bottom);
}

bool IsAbout(HWND dialog) {
    return WindowText(dialog) == kAboutCaption;
}

// Keys pressed in order and released in reverse on the keyboard: through
// the input queue to the foreground window's focused control and the modal
// loop's dialog manager. Returns whether |dialog| was the one to get them.
bool PressKeys(HWND dialog, std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    auto count = static_cast<UINT>(inputs.size());
    return GetForegroundWindow() == dialog &&
           SendInput(count, inputs.data(), sizeof(INPUT)) == count;
}

// One real main window for the whole suite, as in the program: the Help
// commands must leave it as they found it, so the tests can share it.
class HelpMenu : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        form = new FrmMain;
        form->quitOnUnload = false;
        main = CreateMainWindow(GetModuleHandleW(nullptr), *form);
        ShowWindow(main, SW_SHOW);
        UpdateWindow(main);
    }
    static void TearDownTestSuite() {
        if (IsWindow(main)) DestroyWindow(main);
        DrainQuit();
        delete form;
        form = nullptr;
    }
    void SetUp() override { ASSERT_NE(main, nullptr); }

    static void Choose(UINT command) { SendMessageW(main, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

    // The main window's face, to compare before and after a command.
    static std::wstring Face() {
        RECT rect;
        GetWindowRect(main, &rect);
        HWND list = form->lvwMain;
        std::wstring face = WindowText(main) + L"|" + std::to_wstring(rect.left) + L"," +
                            std::to_wstring(rect.top) + L"," + std::to_wstring(rect.right) + L"," +
                            std::to_wstring(rect.bottom) + L"|" +
                            std::to_wstring(IsWindowEnabled(main)) + L"|" +
                            std::to_wstring(IsWindowVisible(main)) + L"|" +
                            std::to_wstring(ListSelectedIndex(list));
        for (int i = 0; i < ListCount(list); ++i) {
            face += L"|" + ListItemText(list, i) + L"=" + ListItemText(list, i, 1);
        }
        return face;
    }

    static FrmMain* form;
    static HWND main;
};

FrmMain* HelpMenu::form = nullptr;
HWND HelpMenu::main = nullptr;

TEST_F(HelpMenu, AboutWindowShowsItsDesignAndEnterClosesIt) {
    AboutSeen seen;
    bool keyed = false;
    DialogScript script({{IsAbout, [&](HWND dialog) {
                              seen = ReadAbout(dialog);
                              keyed = PressKeys(dialog, {VK_RETURN});
                          }}});
    Choose(IDM_HELP_ABOUT);

    ASSERT_TRUE(script.finished());
    EXPECT_TRUE(keyed);
    EXPECT_FALSE(script.timedOut());
    EXPECT_FALSE(IsWindow(seen.dialog)) << "closed by Enter and destroyed";
    EXPECT_TRUE(IsWindowEnabled(main));

    // A fixed dialog frame with a close box, owned by the main window, which
    // takes no input meanwhile.
    EXPECT_EQ(seen.caption, L"关于 Tolvane");
    EXPECT_EQ(seen.owner, main);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(seen.style & WS_CAPTION);
    EXPECT_TRUE(seen.style & WS_SYSMENU);
    EXPECT_TRUE(seen.exStyle & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(seen.style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(seen.exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ(seen.icon, ProgramIcon());

    EXPECT_EQ(seen.client.right, TwipsToPixels(5175, DpiOf(nullptr)));
    EXPECT_EQ(seen.client.bottom, TwipsToPixels(3660, DpiOf(nullptr)));
    RECT owner;
    GetWindowRect(main, &owner);
    EXPECT_NEAR((seen.window.left + seen.window.right) / 2, (owner.left + owner.right) / 2, 1);
    EXPECT_NEAR((seen.window.top + seen.window.bottom) / 2, (owner.top + owner.bottom) / 2, 1);

    std::wstring author = Lines({L"作者：Brisqual(tenmoru)", std::wstring(L"网站：") + kSiteUrl,
                                 std::wstring(L"邮件：") + kMailAddress});
    ASSERT_EQ(seen.controls.size(), 6u);
    const int ids[] = {kIdAboutTitle, kIdAboutContent, IDOK,
                       kIdAboutAuthor, kIdAboutImage, kIdAboutVersion};
    for (size_t i = 0; i < seen.controls.size(); ++i) {
        const ControlSeen& control = seen.controls[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(control.id, ids[i]);
        EXPECT_EQ(control.className, control.id == IDOK ? L"Button" : L"Static");
        // The button is the only control that takes the focus.
        EXPECT_EQ((control.style & WS_TABSTOP) != 0, control.id == IDOK);
    }
    const ControlSeen& title = seen.controls[0];
    const ControlSeen& content = seen.controls[1];
    const ControlSeen& ok = seen.controls[2];
    const ControlSeen& authorLabel = seen.controls[3];
    const ControlSeen& image = seen.controls[4];
    const ControlSeen& version = seen.controls[5];

    EXPECT_EQ(title.text, L"关于 Tolvane");
    EXPECT_EQ(ok.text, L"确定(&O)");
    EXPECT_EQ(authorLabel.text, author);
    EXPECT_EQ(version.text, std::wstring(L"版本 " TOLVANE_VERSION) +
                                (sizeof(void*) == 8 ? L" 64 位" : L" 32 位"));
    EXPECT_EQ(image.style & SS_TYPEMASK, SS_ICON);
    EXPECT_EQ(seen.imageIcon, ProgramIcon());
    EXPECT_EQ(content.text.size(), 198u);
    EXPECT_EQ(content.text.substr(0, 5).find_first_not_of(L' '), 4u) << "four blanks first";
    EXPECT_EQ(content.style & SS_TYPEMASK, SS_LEFT) << "wraps at its width";

    // The design places, in pixels. Labels may be taller (and the one-line
    // title wider) than designed when the interface font needs it; what
    // stands below a grown label moves down.
    ExpectRect(image.rect, TwipsRect(120, 120, 480, 480));
    ExpectRect(ok.rect, TwipsRect(1920, 3000, 1215, 495));
    ExpectAtLeast(title.rect, TwipsRect(720, 240, 900, 180), true);
    ExpectAtLeast(authorLabel.rect, TwipsRect(120, 600, 4935, 615), false);
    RECT contentPlace = TwipsRect(120, 1200, 4935, 1695);
    if (authorLabel.rect.bottom > contentPlace.top) {
        OffsetRect(&contentPlace, 0, authorLabel.rect.bottom - contentPlace.top);
    }
    ExpectAtLeast(content.rect, contentPlace, false);
    EXPECT_LE(content.rect.bottom, ok.rect.top);

    // Every label's text fits inside it: nothing cut off in the interface font.
    ASSERT_EQ(seen.textNeeds.size(), 4u);
    const ControlSeen* labels[] = {&title, &content, &authorLabel, &version};
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(labels[k]->text);
        EXPECT_LE(seen.textNeeds[k].cx, labels[k]->rect.right - labels[k]->rect.left);
        EXPECT_LE(seen.textNeeds[k].cy, labels[k]->rect.bottom - labels[k]->rect.top);
    }

    EXPECT_TRUE(seen.focusOnOk);
    EXPECT_EQ(LOWORD(seen.defId), IDOK);
    EXPECT_EQ(HIWORD(seen.defId), DC_HASDEFID);
    EXPECT_TRUE(seen.controls[2].style & BS_DEFPUSHBUTTON);
}

TEST_F(HelpMenu, EscLeavesTheAboutWindowOpenAndTheCloseBoxClosesIt) {
    HWND dialog = nullptr;
    bool keyed = false;
    bool openAfterEsc = false;
    bool openAfterCancel = false;
    DialogScript script({
        {IsAbout,
         [&](HWND found) {
             dialog = found;
             keyed = PressKeys(found, {VK_ESCAPE});
         }},
        // The tick after Esc comes once the keys have been handled.
        {IsAbout,
         [&](HWND found) {
             openAfterEsc = found == dialog && IsWindowVisible(found);
             PressButton(found, IDCANCEL);
         }},
        {IsAbout,
         [&](HWND found) {
             openAfterCancel = found == dialog && IsWindowVisible(found);
             PostMessageW(found, WM_SYSCOMMAND, SC_CLOSE, 0);
         }},
    });
    Choose(IDM_HELP_ABOUT);

    ASSERT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(keyed);
    EXPECT_TRUE(openAfterEsc);
    EXPECT_TRUE(openAfterCancel);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(main));
}

TEST_F(HelpMenu, AboutTwiceShowsTheSameWindowAndLeavesTheMainWindowAlone) {
    std::wstring before = Face();
    AboutSeen first, second;
    bool keyed = false;
    DialogScript script({
        {IsAbout,
         [&](HWND dialog) {
             first = ReadAbout(dialog);
             SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
         }},
        {IsAbout,
         [&](HWND dialog) {
             second = ReadAbout(dialog);
             keyed = PressKeys(dialog, {VK_MENU, VK_F4});
         }},
    });
    Choose(IDM_HELP_ABOUT);
    EXPECT_EQ(script.done(), 1u) << "the OK button closed the first one";
    EXPECT_FALSE(IsWindow(first.dialog));
    Choose(IDM_HELP_ABOUT);

    ASSERT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    EXPECT_TRUE(keyed);
    EXPECT_FALSE(IsWindow(second.dialog)) << "closed by Alt+F4";
    EXPECT_EQ(first.caption, second.caption);
    EXPECT_TRUE(EqualRect(&first.window, &second.window));
    EXPECT_EQ(first.controls, second.controls);
    EXPECT_EQ(Face(), before);
}

TEST_F(HelpMenu, ContentsShowsTheHelpMessageEachTime) {
    std::wstring before = Face();
    MessageBoxSeen first, second;
    DialogScript script({AnswerMessageBox(&first, IDOK), AnswerMessageBox(&second, IDOK)});
    Choose(IDM_HELP_CONTENT);
    Choose(IDM_HELP_CONTENT);

    ASSERT_TRUE(script.finished());
    EXPECT_FALSE(script.timedOut());
    for (const MessageBoxSeen* seen : {&first, &second}) {
        EXPECT_EQ(seen->text, L"懒人^-^ 不写了\xFF5E");
        EXPECT_EQ(seen->title, L"Tolvane");
        EXPECT_EQ(seen->style, static_cast<UINT>(MB_ICONASTERISK | MB_OK));
        EXPECT_EQ(seen->owner, main);
    }
    EXPECT_EQ(Face(), before);
}

}  // namespace
}  // namespace tolvane::testing
