// The window's changes as a user makes them with the keys and the menus:
// where the selection goes after each, undo of each back to what the
// registry held, and the import of a file.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <map>

#include "editing/edit_dialog.h"
#include "editing_helpers.h"
#include "resource.h"
#include "store/registry_snapshot.h"
#include "support/dialogs.h"
#include "support/files.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

constexpr wchar_t kAppPaths[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";

class WindowChanges : public ::testing::Test {
  protected:
    void SetUp() override { ClearAppPaths(); }
    void TearDown() override { ClearAppPaths(); }
};

// A key as the keyboard would deliver it to |target|, Ctrl held when asked.
void Press(HWND target, WORD key, bool control = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    BYTE saved[256];
    std::copy(std::begin(state), std::end(state), saved);
    if (control) state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    SendMessageW(target, WM_KEYDOWN, key, 1);
    SetKeyboardState(saved);
}

// Runs |act| with |steps| answering its dialogs; true when each step met its
// dialog and nothing else stood in the way.
bool Answering(std::vector<DialogStep> steps, const std::function<void()>& act) {
    DialogScript script(std::move(steps));
    act();
    for (int i = 0; i < 5 && !script.finished(); ++i) {
        YieldToMessages();
        Sleep(50);
    }
    return script.finished() && !script.timedOut();
}

std::vector<int> SelectedRows(HWND list) {
    std::vector<int> rows;
    for (int row = -1;
         (row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
        rows.push_back(row);
    }
    return rows;
}

int FocusedRow(HWND list) {
    return static_cast<int>(
        SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

std::wstring StatusOf(const FrmMain& form) {
    wchar_t text[256] = {};
    SendMessageW(form.staMain, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

bool UndoOffered(const FrmMain& form) {
    return !(GetMenuState(GetMenu(form.hwnd), IDM_OPR_UNDO, MF_BYCOMMAND) & MF_GRAYED);
}

// Every registration of the machine's hive, whole, by name.
std::map<std::wstring, KeySnapshot> MachineRegistrations() {
    std::vector<EntrySnapshot> entries;
    EXPECT_EQ(EntryReader().ReadAll(Scope::Machine, entries), ERROR_SUCCESS);
    std::map<std::wstring, KeySnapshot> byName;
    for (EntrySnapshot& entry : entries) byName[entry.key.name] = std::move(entry.key);
    return byName;
}

// A registration with a Path value and a subkey that holds a value and a
// subkey of its own.
void PutDeepEntry(const std::wstring& name) {
    PutEntry(name, (L"C:\\" + name).c_str());
    PutNamedValue(name, L"Path", L"C:\\Tools");
    std::wstring sub = std::wstring(kAppPaths) + L"\\" + name + L"\\SupportedProtocols\\more";
    DWORD one = 1;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, sub.c_str(), L"n", REG_DWORD, &one, sizeof(one));
}

// Yes to the question, then OK to the outcome.
std::vector<DialogStep> Confirmed(MessageBoxSeen* question = nullptr,
                                  MessageBoxSeen* outcome = nullptr) {
    return {AnswerMessageBox(question, IDYES), AnswerMessageBox(outcome, IDOK)};
}

// The import's open dialog, given |file|.
DialogStep OpenFile(const std::wstring& file) {
    return OnDialogTitled(L"导入", [file](HWND dialog) {
        SetControlText(dialog, cmb13, file);
        PressButton(dialog, IDOK);
    });
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

}  // namespace

// Del on the third of five rows selects the new third row, and on the last
// row the one above; Ctrl+A selects the rows shown; an add selects the new
// row and scrolls it into view; an edited row stays selected.
TEST_F(WindowChanges, TheSelectionKeepsItsPlace) {
    for (const wchar_t* name : {L"a.exe", L"b.exe", L"c.exe", L"d.exe", L"e.exe"}) {
        PutEntry(name, L"C:\\x.exe");
    }
    MainForm main;
    HWND list = main.form.lvwMain;
    ShowWindow(main.hwnd, SW_SHOW);
    SetFocus(list);

    ASSERT_TRUE(SelectRow(list, L"c.exe"));
    ASSERT_TRUE(Answering(Confirmed(), [&] { Press(list, VK_DELETE); }));
    WaitForList(main.form);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{2});
    EXPECT_EQ(FocusedRow(list), 2);
    EXPECT_EQ(ListItemText(list, 2), L"d.exe");

    ASSERT_TRUE(SelectRow(list, L"e.exe"));
    ASSERT_TRUE(Answering(Confirmed(), [&] { Press(list, VK_DELETE); }));
    WaitForList(main.form);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{2});
    EXPECT_EQ(ListItemText(list, 2), L"d.exe");

    SetWindowTextW(main.form.txtFilter, L"b");  // a.exe and d.exe are hidden
    Press(list, 'A', true);
    EXPECT_EQ(SelectedRows(list), std::vector<int>{0});
    SetWindowTextW(main.form.txtFilter, L"");
    Press(list, 'A', true);
    EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(SelectedEntries(main.form).size(), 3u);

    // Enough rows that the new one, last in the registry's order, is out
    // of view.
    for (int i = 0; i < 60; ++i) PutEntry(L"f" + std::to_wstring(100 + i) + L".exe", L"C:\\x.exe");
    Refresh(main.form);
    ASSERT_TRUE(SelectRow(list, L"a.exe"));
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    ASSERT_TRUE(Answering(
        {FillEditDialog(L"zz", L"C:\\windows\\notepad.exe", IDOK), AnswerMessageBox(nullptr, IDOK)},
        [&] { Press(list, 'N', true); }));
    WaitForList(main.form);
    std::vector<int> selected = SelectedRows(list);
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(ListItemText(list, selected[0]), L"zz.exe");
    EXPECT_EQ(FocusedRow(list), selected[0]);
    // Wholly in view.
    int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    EXPECT_GT(top, 0);
    EXPECT_LT(selected[0], top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)));

    ASSERT_TRUE(SelectRow(list, L"b.exe"));
    ASSERT_TRUE(Answering({FillEditDialog(std::nullopt, L"C:\\b2.exe", IDOK),
                           AnswerMissingProgram(IDYES), AnswerMessageBox(nullptr, IDOK)},
                          [&] { SendMessageW(main.hwnd, WM_COMMAND, IDM_OPR_EDIT, 0); }));
    WaitForList(main.form);
    ASSERT_EQ(SelectedRows(list).size(), 1u);
    EXPECT_EQ(ListItemText(list, SelectedRows(list)[0]), L"b.exe");
    EXPECT_EQ(EntryDefault(L"b.exe"), L"C:\\b2.exe");
}

// Undo puts a deleted registration back whole without a question, and an
// import's changes back as they were before it; a registration that another
// program changed since is undone only when the user says so.
TEST_F(WindowChanges, UndoTakesBackADeleteAndAnImport) {
    PutDeepEntry(L"deep.exe");
    PutEntry(L"other.exe", L"C:\\other.exe");
    const auto start = MachineRegistrations();
    ASSERT_EQ(start.at(L"deep.exe").subkeys.size(), 1u);
    MainForm main;
    HWND list = main.form.lvwMain;
    ShowWindow(main.hwnd, SW_SHOW);
    EXPECT_FALSE(UndoOffered(main.form));

    ASSERT_TRUE(SelectRow(list, L"deep.exe"));
    ASSERT_TRUE(Answering(Confirmed(), [&] { Press(list, VK_DELETE); }));
    ASSERT_FALSE(EntryExists(L"deep.exe"));
    EXPECT_TRUE(UndoOffered(main.form));
    // Refused, it says so once, as the delete would, and stays to be undone.
    SetEntryAcl(L"", L"D:(D;;0x4;;;WD)(A;;KA;;;WD)");
    MessageBoxSeen refused;
    EXPECT_TRUE(Answering({AnswerMessageBox(&refused, IDOK)}, [&] { Press(list, 'Z', true); }));
    SetEntryAcl(L"", L"D:(A;;KA;;;WD)");
    EXPECT_EQ(refused.text, L"没有权限修改该项目，请以管理员身份运行本程序。");
    EXPECT_FALSE(EntryExists(L"deep.exe"));
    EXPECT_TRUE(UndoOffered(main.form));
    bool asked = false;
    {
        DialogScript none({AnyDialog(&asked)});
        Press(list, 'Z', true);
        YieldToMessages();
    }
    EXPECT_FALSE(asked);
    EXPECT_EQ(MachineRegistrations(), start);
    EXPECT_EQ(StatusOf(main.form).rfind(L"已撤销：删除项目 deep.exe", 0), 0u)
        << StatusOf(main.form);
    EXPECT_FALSE(UndoOffered(main.form));
    WaitForList(main.form);
    EXPECT_EQ(ListCount(list), 2);

    // Adds one, changes one, removes the deep one with its subkeys.
    const std::wstring file = TempFile(L"window-import.reg");
    WriteBytes(file,
               "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
               "new.exe]\r\n@=\"C:\\\\new.exe\"\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
               "other.exe]\r\n@=\"C:\\\\changed.exe\"\r\n\r\n"
               "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
               "deep.exe]\r\n");
    MessageBoxSeen question;
    ASSERT_TRUE(Answering(
        {OpenFile(file), AnswerMessageBox(&question, IDYES), AnswerMessageBox(nullptr, IDOK)},
        [&] { SendMessageW(main.hwnd, WM_COMMAND, IDM_FILE_IMPORT, 0); }));
    EXPECT_NE(question.text.find(L"添加 1 项，修改 1 项，删除 1 项，不变 0 项"), std::wstring::npos)
        << question.text;
    EXPECT_NE(question.text.find(L"new.exe"), std::wstring::npos);
    EXPECT_EQ(question.style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_FALSE(EntryExists(L"deep.exe"));
    EXPECT_EQ(EntryDefault(L"other.exe"), L"C:\\changed.exe");

    // Another program changes what the import made.
    PutNamedValue(L"new.exe", L"Path", L"C:\\Elsewhere");
    MessageBoxSeen changed;
    bool noIsDefault = false;
    DialogStep answerNo{IsMessageBox, [&](HWND box) {
                            changed = ReadMessageBox(box);
                            noIsDefault = (GetWindowLongW(GetDlgItem(box, IDNO), GWL_STYLE) &
                                           0x0F) == BS_DEFPUSHBUTTON;
                            PressButton(box, IDNO);
                        }};
    ASSERT_TRUE(Answering({answerNo}, [&] { Press(list, 'Z', true); }));
    EXPECT_EQ(changed.text, L"项目 new.exe 已被其他程序修改，仍要撤销吗？");
    EXPECT_TRUE(noIsDefault);
    EXPECT_TRUE(EntryExists(L"new.exe"));
    ASSERT_TRUE(Answering({AnswerMessageBox(nullptr, IDYES)},
                          [&] { SendMessageW(main.hwnd, WM_COMMAND, IDM_OPR_UNDO, 0); }));
    EXPECT_EQ(MachineRegistrations(), start);
    DeleteFileW(file.c_str());
}

// A file that reaches outside App Paths is refused with its line, as
// tolvanec refuses it, and nothing of it is written, not even what comes
// before the line.
TEST_F(WindowChanges, ImportRefusesAFileReachingOutsideAppPaths) {
    PutEntry(L"a.exe", L"C:\\a.exe");
    const auto start = MachineRegistrations();
    const std::wstring file = TempFile(L"window-outside.reg");
    WriteBytes(file,
               "Windows Registry Editor Version 5.00\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
               "a.exe]\r\n@=\"C:\\\\b.exe\"\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SOFTWARE\\TolvaneOutside]\r\n@=\"x\"\r\n");
    MainForm main;
    MessageBoxSeen refusal;
    ASSERT_TRUE(Answering({OpenFile(file), AnswerMessageBox(&refusal, IDOK)},
                          [&] { SendMessageW(main.hwnd, WM_COMMAND, IDM_FILE_IMPORT, 0); }));
    EXPECT_EQ(refusal.text,
              L"文件“" + file + L"”无效，没有导入任何内容。第 6 行：键不在 App Paths 之下");
    EXPECT_EQ(refusal.style, static_cast<UINT>(MB_ICONHAND));
    EXPECT_EQ(MachineRegistrations(), start);
    HKEY outside = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\TolvaneOutside", 0, KEY_READ, &outside),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(UndoOffered(main.form));
    DeleteFileW(file.c_str());
}
