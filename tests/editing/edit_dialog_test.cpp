// The edit dialog on its own: the real dialog, answered from a thread timer
// inside its modal loop.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <vector>

#include "common_dialog/dialog_observer.h"
#include "editing/edit_dialog.h"
#include "editing/mod_user.h"
#include "editing_helpers.h"
#include "store/app_path_entry.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "toolkit/handles.h"
#include "toolkit/narrow.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

const EditDlgSetup kAddSetup{.caption = L"添加项目"};
const EditDlgSetup kEditSetup{.caption = L"编辑项目",
                              .keyText = L"tvtool",
                              .keyReadOnly = true,
                              .appText = L"C:\\tools\\tvtool.exe"};

constexpr wchar_t kIncomplete[] = L"内容必须填写完整！";
constexpr wchar_t kBackslash[] = L"项目名称不能包含反斜杠（\\）！";

class EditDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        owner_.reset(CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 140,
                                     90, 700, 500, nullptr, nullptr, nullptr, nullptr));
        modUser::strKey = L"before";
        modUser::strApp = L"before";
        modUser::lngResult = 0;
    }

    HWND owner() const { return owner_.get(); }

    // Shows the dialog and runs |steps| on it; true when every step ran.
    bool Show(const EditDlgSetup& setup, std::vector<DialogStep> steps) {
        DialogScript script(std::move(steps));
        ShowEditDlg(owner(), setup);
        return script.finished() && !script.timedOut();
    }

  private:
    UniqueWindow owner_;
};

RECT ChildRect(HWND dialog, int id) {
    RECT rect;
    GetWindowRect(GetDlgItem(dialog, id), &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

RECT TwipsRect(int left, int top, int width, int height) {
    UINT dpi = DpiOf(nullptr);
    int x = TwipsToPixels(left, dpi), y = TwipsToPixels(top, dpi);
    return {x, y, x + TwipsToPixels(width, dpi), y + TwipsToPixels(height, dpi)};
}

// What the open dialog was given, as the platform received it.
class OpenRecord : public DialogObserver {
  public:
    OpenRecord() : previous_(SetDialogObserver(this)) {}
    ~OpenRecord() override { SetDialogObserver(previous_); }
    void BeforeFileDialog(const OPENFILENAMEA& record) override {
        owner = record.hwndOwner;
        flags = record.Flags;
        filterIndex = record.nFilterIndex;
        title = record.lpstrTitle ? FromAnsi(record.lpstrTitle) : L"";
        folder = record.lpstrInitialDir ? FromAnsi(record.lpstrInitialDir) : L"";
        ++calls;
    }
    int calls = 0;
    HWND owner = nullptr;
    DWORD flags = 0;
    DWORD filterIndex = 0;
    std::wstring title, folder;

  private:
    DialogObserver* previous_;
};

std::wstring FolderOf(HWND dialog) {
    char folder[MAX_PATH] = {};
    // A narrow dialog answers in the ANSI code page.
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    return FromAnsiBuffer(folder, MAX_PATH);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST_F(EditDialogTest, ShowsTheDesignCentredOnItsOwner) {
    HWND shown = nullptr;
    ASSERT_TRUE(
        Show(kAddSetup, {OnEditDialog([&](HWND dialog) {
                 shown = dialog;
                 EXPECT_EQ(WindowText(dialog), L"添加项目");
                 EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner());

                 LONG style = GetWindowLongW(dialog, GWL_STYLE);
                 LONG exStyle = GetWindowLongW(dialog, GWL_EXSTYLE);
                 EXPECT_TRUE(style & WS_SYSMENU);
                 EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
                 EXPECT_TRUE(exStyle & WS_EX_DLGMODALFRAME);
                 EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
                 EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)),
                           ProgramIcon());

                 RECT client;
                 GetClientRect(dialog, &client);
                 // The design, with the scope's row and the extra folders' under
                 // the path row.
                 const int extra = kScopeRowTwips + kPathRowTwips;
                 EXPECT_EQ(client.right, TwipsToPixels(5745, DpiOf(nullptr)));
                 EXPECT_EQ(client.bottom, TwipsToPixels(2775 + extra, DpiOf(nullptr)));
                 RECT self, around;
                 GetWindowRect(dialog, &self);
                 GetWindowRect(owner(), &around);
                 EXPECT_LE(std::abs((self.left + self.right) - (around.left + around.right)), 2);
                 EXPECT_LE(std::abs((self.top + self.bottom) - (around.top + around.bottom)), 2);

                 struct Expected {
                     int id;
                     const wchar_t* text;
                     RECT rect;
                 };
                 const Expected controls[] = {
                     {kIdLabKey, L"项目名称(&N)", TwipsRect(240, 240, 990, 180)},
                     {kIdTxtKey, L"", TwipsRect(240, 480, 5295, 375)},
                     {kIdLabApp, L"程序路径(&A)", TwipsRect(240, 1080, 990, 180)},
                     {kIdTxtApp, L"", TwipsRect(240, 1320, 4575, 375)},
                     {kIdCmdBrowser, L"浏览", TwipsRect(4920, 1320, 615, 375)},
                     {IDOK, L"确定(&O)", TwipsRect(1425, 2040 + extra, 1215, 495)},
                     {IDCANCEL, L"取消(&C)", TwipsRect(3105, 2040 + extra, 1215, 495)},
                     {kIdLabScope, L"范围：所有用户", TwipsRect(240, 1860, 3120, 180)},
                     {kIdLabPath, L"附加路径(&P)", TwipsRect(240, 2340, 990, 180)},
                     {kIdTxtPath, L"", TwipsRect(240, 2580, 4575, 375)},
                     {kIdCmdPathAdd, L"添加", TwipsRect(4920, 2580, 615, 375)},
                 };
                 for (const Expected& control : controls) {
                     EXPECT_EQ(ControlText(dialog, control.id), control.text);
                     EXPECT_TRUE(SameRect(ChildRect(dialog, control.id), control.rect))
                         << "control " << control.id;
                 }

                 // Tab order from the name, round to it again.
                 std::vector<int> order;
                 HWND at = GetDlgItem(dialog, kIdTxtKey);
                 for (int i = 0; i < 7; ++i) {
                     order.push_back(GetDlgCtrlID(at));
                     at = GetNextDlgTabItem(dialog, at, FALSE);
                 }
                 order.push_back(GetDlgCtrlID(at));
                 EXPECT_EQ(order, (std::vector<int>{kIdTxtKey, kIdTxtApp, kIdCmdBrowser, kIdTxtPath,
                                                    kIdCmdPathAdd, IDOK, IDCANCEL, kIdTxtKey}));

                 EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDOK);
                 EXPECT_EQ(GetDlgCtrlID(GetFocus()), kIdTxtKey);
                 EXPECT_FALSE(ReadEditDialog(dialog).keyReadOnly);
                 PressButton(dialog, IDCANCEL);
             })}));
    // Destroyed when it closes.
    EXPECT_FALSE(IsWindow(shown));
    EXPECT_EQ(modUser::lngResult, 2);
    EXPECT_EQ(modUser::strKey, L"before");
    EXPECT_EQ(modUser::strApp, L"before");
}

// An add chooses its scope under the path row: the design's controls stay
// where they are, OK and Cancel move down, and the choice follows 浏览 in
// tab order.
TEST_F(EditDialogTest, AnAddChoosesItsScopeUnderThePathRow) {
    EditDlgSetup setup = kAddSetup;
    setup.chooseScope = true;
    setup.scope = Scope::User;
    ASSERT_TRUE(Show(
        setup,
        {OnEditDialog([&](HWND dialog) {
             RECT client;
             GetClientRect(dialog, &client);
             int extra = kScopeRowTwips + kPathRowTwips;
             EXPECT_EQ(client.bottom, TwipsToPixels(2775 + extra, DpiOf(nullptr)));
             EXPECT_TRUE(SameRect(ChildRect(dialog, kIdTxtApp), TwipsRect(240, 1320, 4575, 375)));
             EXPECT_TRUE(
                 SameRect(ChildRect(dialog, IDOK), TwipsRect(1425, 2040 + extra, 1215, 495)));
             EXPECT_TRUE(
                 SameRect(ChildRect(dialog, IDCANCEL), TwipsRect(3105, 2040 + extra, 1215, 495)));
             // The folders' row comes under the choice of scope.
             EXPECT_GT(ChildRect(dialog, kIdLabPath).top, ChildRect(dialog, kIdOptUser).bottom);
             RECT machine = ChildRect(dialog, kIdOptMachine);
             RECT user = ChildRect(dialog, kIdOptUser);
             EXPECT_GT(machine.top, ChildRect(dialog, kIdTxtApp).bottom);
             EXPECT_LT(machine.bottom, ChildRect(dialog, IDOK).top);
             EXPECT_EQ(user.top, machine.top);
             EXPECT_EQ(ControlText(dialog, kIdOptMachine), L"所有用户");
             EXPECT_EQ(ControlText(dialog, kIdOptUser), L"当前用户");
             EXPECT_EQ(ReadEditDialog(dialog).scope, Scope::User);
             // The checked option comes after 浏览, then the extra folders.
             HWND option = GetNextDlgTabItem(dialog, GetDlgItem(dialog, kIdCmdBrowser), FALSE);
             EXPECT_EQ(option, GetDlgItem(dialog, kIdOptUser));
             EXPECT_EQ(GetNextDlgTabItem(dialog, option, FALSE), GetDlgItem(dialog, kIdTxtPath));
             EXPECT_EQ(GetDlgItem(dialog, kIdLabScope), nullptr);
             SetControlText(dialog, kIdTxtKey, L"tvscope");
             SetControlText(dialog, kIdTxtApp, L"C:\\x.exe");
             CheckRadioButton(dialog, kIdOptMachine, kIdOptUser, kIdOptMachine);
             PressButton(dialog, IDOK);
         }),
         AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(modUser::scope, Scope::Machine);
    EXPECT_EQ(modUser::lngResult, 1);
}

// The rule, and the dialog that applies it to the name typed.
TEST_F(EditDialogTest, SuffixRuleKeepsTheCaseTyped) {
    EXPECT_EQ(WithExeSuffix(L"notepad"), L"notepad.exe");
    EXPECT_EQ(WithExeSuffix(L"notepad.exe"), L"notepad.exe");
    EXPECT_EQ(WithExeSuffix(L"NOTEPAD.EXE"), L"NOTEPAD.EXE");
    EXPECT_EQ(WithExeSuffix(L"setup.bat"), L"setup.bat.exe");
    EXPECT_EQ(WithExeSuffix(L"x"), L"x.exe");
    EXPECT_EQ(WithExeSuffix(L".exe"), L".exe");
    EXPECT_EQ(WithExeSuffix(L"   "), L"   .exe");
    ASSERT_TRUE(Show(kAddSetup,
                     {FillEditDialog(L"记事本", L"C:\\x.exe", IDOK), AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(modUser::lngResult, 1);
    EXPECT_EQ(modUser::strKey, L"记事本.exe");
}

TEST_F(EditDialogTest, PathIsTakenAsTyped) {
    ASSERT_TRUE(Show(kAddSetup, {FillEditDialog(L"tv", L"  C:\\no such\\tv.exe ", IDOK),
                                 AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(modUser::strApp, L"  C:\\no such\\tv.exe ");
}

// A program file that is not there is questioned before OK takes it, after
// expanding its variables; No (the default) goes back to the dialog.
TEST_F(EditDialogTest, AMissingProgramIsQuestionedFirst) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    MessageBoxSeen question;
    int defaultButton = 0;
    int focusAfterNo = 0;
    ASSERT_TRUE(Show(kEditSetup, {FillEditDialog(std::nullopt, L"%SystemRoot%\\tv-none.exe", IDOK),
                                  {[](HWND box) { return IsMessageBox(box); },
                                   [&](HWND box) {
                                       question = ReadMessageBox(box);
                                       defaultButton = GetDlgCtrlID(GetFocus());  // Enter presses it
                                       PressButton(box, IDNO);
                                   }},
                                  OnEditDialog([&](HWND dialog) {
                                      focusAfterNo = GetDlgCtrlID(GetFocus());
                                      EXPECT_EQ(modUser::lngResult, 0);
                                      SetControlText(dialog, kIdTxtApp,
                                                     L"%SystemRoot%\\notepad.exe");  // there
                                      PressButton(dialog, IDOK);
                                  })}));
    EXPECT_EQ(question.text,
              L"程序文件 " + std::wstring(windows) + L"\\tv-none.exe 不存在，仍要登记吗？");
    EXPECT_EQ(question.style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(defaultButton, IDNO);
    EXPECT_EQ(focusAfterNo, kIdTxtApp);
    EXPECT_EQ(modUser::lngResult, 1);
    EXPECT_EQ(modUser::strApp, L"%SystemRoot%\\notepad.exe");
    // Yes takes it as typed; a folder is no program file.
    ASSERT_TRUE(
        Show(kAddSetup, {FillEditDialog(L"tv", windows, IDOK), AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(modUser::strApp, windows);
}

TEST_F(EditDialogTest, EmptyFieldsAreRefusedAndTheDialogStaysAsItWas) {
    struct Case {
        const wchar_t* key;
        const wchar_t* app;
    };
    for (const Case& input : {Case{L"", L"C:\\x.exe"}, Case{L"tv", L""}, Case{L"", L""}}) {
        MessageBoxSeen box;
        bool stayed = false;
        ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([&](HWND dialog) {
                                         SetControlText(dialog, kIdTxtKey, input.key);
                                         SetControlText(dialog, kIdTxtApp, input.app);
                                         PressButton(dialog, IDOK);  // answered below
                                         stayed = IsWindow(dialog) &&
                                                  ControlText(dialog, kIdTxtKey) == input.key &&
                                                  ControlText(dialog, kIdTxtApp) == input.app;
                                         PressButton(dialog, IDCANCEL);
                                     }),
                                     AnswerMessageBox(&box, IDOK)}));
        EXPECT_EQ(box.text, kIncomplete);
        EXPECT_EQ(box.title, L"Tolvane");
        EXPECT_EQ(box.style, 64u);
        EXPECT_TRUE(stayed);
        EXPECT_EQ(modUser::strKey, L"before");
        EXPECT_EQ(modUser::lngResult, 2);
    }
}

// A new name is checked as it will be written: 252 characters are 256 with
// the suffix, one more than a key's name may hold.
TEST_F(EditDialogTest, NamesThatTheRegistryWouldRefuseAreRefused) {
    const std::pair<std::wstring, std::wstring> names[] = {
        {L"tools\\tv", kBackslash},
        {std::wstring(252, L'n'), L"项目名称不能超过 255 个字符！"},
    };
    for (const auto& [name, message] : names) {
        MessageBoxSeen box;
        bool stayed = false;
        HWND shown = nullptr;
        ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([&](HWND dialog) {
                                         shown = dialog;
                                         SetControlText(dialog, kIdTxtKey, name);
                                         SetControlText(dialog, kIdTxtApp, L"C:\\tv.exe");
                                         PressButton(dialog, IDOK);
                                         stayed = IsWindow(dialog) &&
                                                  ControlText(dialog, kIdTxtKey) == name &&
                                                  ControlText(dialog, kIdTxtApp) == L"C:\\tv.exe";
                                         PressButton(dialog, IDCANCEL);
                                     }),
                                     AnswerMessageBox(&box, IDOK)}));
        EXPECT_EQ(box.text, message);
        EXPECT_EQ(box.title, L"Tolvane");
        EXPECT_EQ(box.style, 64u);
        EXPECT_EQ(box.owner, shown);  // the dialog's own message
        EXPECT_TRUE(stayed);
        EXPECT_EQ(modUser::strKey, L"before");
    }
}

TEST_F(EditDialogTest, EnterPressesOKWithItsValidation) {
    MessageBoxSeen box;
    ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([](HWND dialog) {
                                     SetControlText(dialog, kIdTxtApp, L"C:\\tv.exe");
                                     PostKey(dialog, VK_RETURN);  // in the empty name
                                 }),
                                 AnswerMessageBox(&box, IDOK), OnEditDialog([](HWND dialog) {
                                     SetControlText(dialog, kIdTxtKey, L"tventer");
                                     SetFocus(GetDlgItem(dialog, kIdTxtApp));
                                     PostKey(dialog, VK_RETURN);
                                 }),
                                 AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(box.text, kIncomplete);
    EXPECT_EQ(modUser::lngResult, 1);
    EXPECT_EQ(modUser::strKey, L"tventer.exe");
    EXPECT_EQ(modUser::strApp, L"C:\\tv.exe");
}

TEST_F(EditDialogTest, EscCloseBoxAndAltF4MeanCancel) {
    auto escape = [](HWND dialog) { PostKey(dialog, VK_ESCAPE); };
    auto closeBox = [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); };
    auto altF4 = [](HWND dialog) { PostAltF4(dialog); };
    for (const auto& close : std::vector<std::function<void(HWND)>>{escape, closeBox, altF4}) {
        modUser::lngResult = 1;  // as a previous OK leaves it
        HWND shown = nullptr;
        ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([&](HWND dialog) {
                             shown = dialog;
                             SetControlText(dialog, kIdTxtKey, L"tvgone");
                             SetControlText(dialog, kIdTxtApp, L"C:\\tvgone.exe");
                             close(dialog);
                         })}));
        EXPECT_FALSE(IsWindow(shown));
        EXPECT_EQ(modUser::lngResult, 2);
        EXPECT_EQ(modUser::strKey, L"before");
        EXPECT_EQ(modUser::strApp, L"before");
    }
}

TEST_F(EditDialogTest, AccessKeysMoveTheFocusAndPressButtons) {
    auto focusIs = [](int id) {
        return [id](HWND dialog) { return IsEditDialog(dialog) && GetDlgCtrlID(GetFocus()) == id; };
    };
    ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([](HWND dialog) { PostAltChar(dialog, L'a'); }),
                                 When(focusIs(kIdTxtApp),
                                      [](HWND dialog) {
                                          SetControlText(dialog, kIdTxtApp, L"C:\\tv.exe");
                                          PostAltChar(dialog, L'N');
                                      }),
                                 When(focusIs(kIdTxtKey),
                                      [](HWND dialog) {
                                          SetControlText(dialog, kIdTxtKey, L"tvkeys");
                                          PostAltChar(dialog, L'o');
                                      }),
                                 AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(modUser::lngResult, 1);
    EXPECT_EQ(modUser::strKey, L"tvkeys.exe");

    ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([](HWND dialog) { PostAltChar(dialog, L'c'); })}));
    EXPECT_EQ(modUser::lngResult, 2);
}

// The name that OK takes is at most 251 characters: 255 with the suffix,
// as long as a key's name may be.
TEST_F(EditDialogTest, TextBoxesRefuseThe257thCharacter) {
    ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([](HWND dialog) {
                         for (int id : {kIdTxtKey, kIdTxtApp}) {
                             HWND box = GetDlgItem(dialog, id);
                             for (int i = 0; i < 257; ++i) SendMessageW(box, WM_CHAR, L'k', 1);
                             EXPECT_EQ(GetWindowTextLengthW(box), 256) << id;
                         }
                         SetControlText(dialog, kIdTxtKey, std::wstring(251, L'k'));
                         PressButton(dialog, IDOK);
                     })}));
    EXPECT_EQ(modUser::strKey, std::wstring(251, L'k') + L".exe");
    EXPECT_EQ(modUser::strApp, std::wstring(256, L'k'));
}

TEST_F(EditDialogTest, EditUseShowsTheNameReadOnlyAndFocused) {
    EditDialogSeen seen;
    std::wstring afterTyping;
    std::wstring hive;
    EditDlgSetup setup = kEditSetup;
    setup.scope = Scope::User;
    ASSERT_TRUE(Show(setup, {OnEditDialog([&](HWND dialog) {
                                 seen = ReadEditDialog(dialog);
                                 hive = ControlText(dialog, kIdLabScope);
                                 SendMessageW(GetFocus(), WM_CHAR, L'z', 1);
                                 afterTyping = ControlText(dialog, kIdTxtKey);
                                 SetControlText(dialog, kIdTxtApp, L"D:\\new\\tvtool.exe");
                                 PressButton(dialog, IDOK);
                             }),
                             AnswerMissingProgram(IDYES)}));
    EXPECT_EQ(seen.caption, L"编辑项目");
    EXPECT_EQ(seen.key, L"tvtool");
    EXPECT_EQ(seen.app, L"C:\\tools\\tvtool.exe");
    EXPECT_TRUE(seen.keyReadOnly);
    EXPECT_EQ(seen.focusId, kIdTxtKey);
    EXPECT_EQ(afterTyping, L"tvtool");
    EXPECT_EQ(hive, L"范围：当前用户");
    // The suffix rule still runs; the edit command names the entry by its row.
    EXPECT_EQ(modUser::strKey, L"tvtool.exe");
    EXPECT_EQ(modUser::strApp, L"D:\\new\\tvtool.exe");
}

TEST_F(EditDialogTest, EveryShowStartsFromTheDesign) {
    EditDialogSeen first, second;
    ASSERT_TRUE(Show(kEditSetup, {FillEditDialog(std::nullopt, L"changed", IDCANCEL, &first)}));
    ASSERT_TRUE(Show(kAddSetup, {FillEditDialog(L"tvfresh", L"C:\\f.exe", IDCANCEL, &second)}));
    EXPECT_TRUE(first.keyReadOnly);
    EXPECT_FALSE(second.keyReadOnly);
    EXPECT_EQ(second.caption, L"添加项目");
    EXPECT_EQ(second.key, L"");
    EXPECT_EQ(second.app, L"");
    EXPECT_FALSE(IsWindow(first.dialog));
    EXPECT_FALSE(IsWindow(second.dialog));
}

TEST_F(EditDialogTest, BrowseFillsOnlyThePath) {
    OpenRecord record;
    HWND edit = nullptr;
    std::wstring folder, fileType, key, app;
    const std::wstring chosen = OwnPath();
    ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([&](HWND dialog) {
                                     edit = dialog;
                                     SetControlText(dialog, kIdTxtKey, L"tvmine");
                                     SetControlText(dialog, kIdTxtApp, L"C:\\before.exe");
                                     PressButton(dialog, kIdCmdBrowser);  // answered below
                                     key = ControlText(dialog, kIdTxtKey);
                                     app = ControlText(dialog, kIdTxtApp);
                                     PressButton(dialog, IDCANCEL);
                                 }),
                                 When(IsOpenDialog, [&](HWND dialog) {
                                     folder = FolderOf(dialog);
                                     fileType = ControlText(dialog, cmb1);
                                     SetControlText(dialog, cmb13, chosen);
                                     PressButton(dialog, IDOK);
                                 })}));
    EXPECT_EQ(key, L"tvmine");
    EXPECT_EQ(CompareStringOrdinal(app.c_str(), -1, chosen.c_str(), -1, TRUE), CSTR_EQUAL)
        << app.c_str();

    ASSERT_EQ(record.calls, 1);
    EXPECT_EQ(record.owner, edit);  // the active window: the edit dialog
    EXPECT_EQ(record.flags & 0x281005u, 0x281005u);
    EXPECT_EQ(record.filterIndex, 0u);
    EXPECT_EQ(record.title, L"选择应用程序");
    EXPECT_EQ(record.folder, ProgramFolder());
    EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, ProgramFolder().c_str(), -1, TRUE),
              CSTR_EQUAL);
    EXPECT_EQ(fileType, L"应用程序(*.exe;*.com;*.bat)");
}

TEST_F(EditDialogTest, BrowseCancelledLeavesThePathAsItWas) {
    for (const wchar_t* before : {L"C:\\before.exe", L""}) {
        std::wstring app;
        bool openShown = false;
        ASSERT_TRUE(Show(kAddSetup, {OnEditDialog([&](HWND dialog) {
                                         SetControlText(dialog, kIdTxtApp, before);
                                         PressButton(dialog, kIdCmdBrowser);
                                         app = ControlText(dialog, kIdTxtApp);
                                         PressButton(dialog, IDCANCEL);
                                     }),
                                     When(IsOpenDialog, [&](HWND dialog) {
                                         openShown = true;
                                         PressButton(dialog, IDCANCEL);
                                     })}));  // and no message after it
        EXPECT_TRUE(openShown);
        EXPECT_EQ(app, before);
    }
}
