// Add, edit and delete on the real main window, the real registry of the
// test prefix, and the real dialog and message boxes answered from a timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <tuple>

#include "editing/edit_dialog.h"
#include "editing/entry_commands.h"
#include "editing/mod_user.h"
#include "editing_helpers.h"
#include "store/registry_transaction.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/narrow.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

class EntryCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppPaths();
        modUser::lngResult = 0;
    }
    void TearDown() override {
        beforeRegistryWrite = nullptr;
        ClearAppPaths();
    }

    // Runs a command and answers its dialogs with |steps|. True when every
    // step ran and nothing else asked for an answer.
    static bool Run(void (*command)(FrmMain&), FrmMain& form, std::vector<DialogStep> steps) {
        return Run([&] { command(form); }, std::move(steps));
    }
    static bool Run(const std::function<void()>& command, std::vector<DialogStep> steps) {
        DialogScript script(std::move(steps));
        command();
        return script.finished() && !script.timedOut();
    }
};

// A command that leaves a handle open leaves it every time it runs; the
// window's worker threads may take one now and then. So a command counts as
// clean when one of a few runs leaves the next handle value where it was.
bool AnyRunLeavesNoHandle(int runs, const std::function<void(int)>& run) {
    bool clean = false;
    for (int i = 0; i < runs; ++i) {
        HANDLE before = NextHandleValue();
        run(i);
        clean = clean || NextHandleValue() == before;
    }
    return clean;
}

bool Listed(HWND list, const Row& row) {
    std::vector<Row> rows = ListRows(list);
    return std::any_of(rows.begin(), rows.end(), [&](const Row& listed) {
        return listed.name == row.name && listed.path == row.path;
    });
}

bool ListedName(HWND list, const std::wstring& name) {
    std::vector<Row> rows = ListRows(list);
    return std::any_of(rows.begin(), rows.end(),
                       [&](const Row& listed) { return listed.name == name; });
}

// The type of a value of a registration; REG_NONE when there is none.
DWORD ValueTypeOf(const std::wstring& name, const wchar_t* value) {
    UniqueKey entry;
    std::wstring path = std::wstring(kAppPathsPath) + L"\\" + name;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, entry.put());
    DWORD type = REG_NONE;
    if (RegQueryValueExW(entry.get(), value, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS) {
        return REG_NONE;
    }
    return type;
}

int DeleteFromOutside(const std::wstring& name) {
    return RunReg(L"delete \"HKLM\\" + std::wstring(kAppPathsPath) + L"\\" + name + L"\" /f");
}

}  // namespace

TEST_F(EntryCommandsTest, AddCreatesTheEntryAndListsIt) {
    PutEntry(L"other.exe", L"C:\\other.exe");
    MainForm main;
    // One add first, so that whatever the platform keeps after a first use
    // is not counted as a handle of the command.
    ASSERT_TRUE(Run(mnuOprAdd_Click, main.form,
                    {FillEditDialog(L"tvwarm", L"C:\\warm.exe", IDOK), AnswerMissingProgram(IDYES),
                     AnswerMessageBox(nullptr, IDOK)}));

    EditDialogSeen seen;
    MessageBoxSeen box;
    // The command alone, without the refresh that follows it in the window.
    WaitForList(main.form);
    EXPECT_TRUE(AnyRunLeavesNoHandle(3, [&](int i) {
        bool added = false;
        std::wstring name = i == 0 ? L"tvnew" : L"tvnew" + std::to_wstring(i);
        ASSERT_TRUE(Run([&] { added = AddItem(main.hwnd, main.form.stores); },
                        {FillEditDialog(name, L"C:\\Tools\\tvnew.exe", IDOK, &seen),
                         AnswerMissingProgram(IDYES), AnswerMessageBox(&box, IDOK)}));
        EXPECT_TRUE(added);
    }));  // no subkey handle left open
    Refresh(main.form);

    EXPECT_EQ(seen.caption, L"添加项目");
    EXPECT_EQ(seen.key, L"");
    EXPECT_EQ(seen.app, L"");
    EXPECT_FALSE(seen.keyReadOnly);
    EXPECT_EQ(seen.owner, main.hwnd);
    EXPECT_EQ(box.text, L"项目添加成功！");
    EXPECT_EQ(box.style, 64u);
    EXPECT_EQ(box.title, L"Tolvane");
    EXPECT_EQ(box.owner, main.hwnd);

    DWORD type = 0;
    EXPECT_EQ(EntryDefault(L"tvnew.exe", &type), L"C:\\Tools\\tvnew.exe");
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_TRUE(Listed(main.form.lvwMain, {L"tvnew.exe", L"C:\\Tools\\tvnew.exe"}));
    EXPECT_TRUE(Listed(main.form.lvwMain, {L"other.exe", L"C:\\other.exe"}));
}

TEST_F(EntryCommandsTest, AddReportsANameThatExistsAndWritesNothing) {
    PutEntry(L"notepad.exe", L"C:\\windows\\notepad.exe");
    MainForm main;
    struct Case {
        const wchar_t* typed;
        const wchar_t* message;
    };
    for (const Case& input : {Case{L"notepad", L"项目 notepad.exe 已存在！"},
                              Case{L"NotePad.EXE", L"项目 NotePad.EXE 已存在！"}}) {
        MessageBoxSeen box;
        // The existence test's handle is released.
        EXPECT_TRUE(AnyRunLeavesNoHandle(3, [&](int) {
            ASSERT_TRUE(Run(mnuOprAdd_Click, main.form,
                            {FillEditDialog(input.typed, L"C:\\other\\notepad.exe", IDOK),
                             AnswerMissingProgram(IDYES), AnswerMessageBox(&box, IDOK)}));
        }));
        EXPECT_EQ(box.text, input.message);
        EXPECT_EQ(box.style, 16u);
        EXPECT_EQ(box.owner, main.hwnd);
        EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"notepad.exe"});
        EXPECT_EQ(EntryDefault(L"notepad.exe"), L"C:\\windows\\notepad.exe");
    }
}

TEST_F(EntryCommandsTest, CancelledDialogChangesNothingAndSaysNothing) {
    PutEntry(L"tvkeep.exe", L"C:\\keep.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvkeep.exe"));
    for (auto command : {mnuOprAdd_Click, mnuOprEdit_Click}) {
        modUser::lngResult = 1;  // as the previous OK left it
        ASSERT_TRUE(Run(command, main.form, {OnEditDialog([&](HWND dialog) {
                            SetControlText(dialog, kIdTxtKey, L"tvnot");
                            SetControlText(dialog, kIdTxtApp, L"C:\\no.exe");
                            PressButton(dialog, IDCANCEL);
                        })}));
        EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"tvkeep.exe"});
        EXPECT_EQ(EntryDefault(L"tvkeep.exe"), L"C:\\keep.exe");
    }
}

// A failed write takes away the subkey that this add made, and only that
// one: a subkey that another program put in its place meanwhile stays. The
// second write of the add is its path's, after the subkey is made.
TEST_F(EntryCommandsTest, AddWhosePathWriteFailsTakesAwayOnlyItsOwnSubkey) {
    MainForm main;
    struct Case {
        LONG (*hook)(size_t);
        bool othersStay;
    };
    const Case cases[] = {
        {[](size_t write) -> LONG { return write == 1 ? ERROR_HANDLE_DISK_FULL : 0; }, false},
        {[](size_t write) -> LONG {
             if (write == 1) {
                 EXPECT_EQ(DeleteFromOutside(L"tvlocked.exe"), 0);
                 PutEntry(L"tvlocked.exe", L"C:\\theirs.exe");
             }
             return ERROR_SUCCESS;  // the write itself then fails on the deleted key
         },
         true},
    };
    for (const Case& c : cases) {
        beforeRegistryWrite = c.hook;
        MessageBoxSeen box;
        ASSERT_TRUE(Run(
            mnuOprAdd_Click, main.form,
            {FillEditDialog(L"tvlocked", L"C:\\tvlocked.exe", IDOK), AnswerMissingProgram(IDYES),
             AnswerMessageBox(&box, IDOK)}));  // and no success message after it
        EXPECT_EQ(box.text, L"项目添加失败！");
        EXPECT_EQ(box.style, 16u);
        EXPECT_EQ(EntryExists(L"tvlocked.exe"), c.othersStay);
        if (c.othersStay) {
            EXPECT_EQ(EntryDefault(L"tvlocked.exe"), L"C:\\theirs.exe");
        }
        EXPECT_FALSE(ListedName(main.form.lvwMain, L"tvlocked.exe"));
        ClearAppPaths();
    }
}

// A name registered by another program between the existence test and the
// creation is reported as existing and left as it is.
TEST_F(EntryCommandsTest, AddOfANameThatAppearsMeanwhileLeavesItUntouched) {
    MainForm main;
    MessageBoxSeen box;
    ASSERT_TRUE(Run(mnuOprAdd_Click, main.form,
                    {OnEditDialog([](HWND dialog) {
                         SetControlText(dialog, kIdTxtKey, L"tvrace");
                         SetControlText(dialog, kIdTxtApp, L"C:\\mine.exe");
                         PressButton(dialog, IDOK);
                         PutEntry(L"tvrace.exe", L"C:\\theirs.exe");
                     }),
                     AnswerMissingProgram(IDYES), AnswerMessageBox(&box, IDOK)}));
    EXPECT_EQ(box.text, L"项目 tvrace.exe 已存在！");
    EXPECT_EQ(EntryDefault(L"tvrace.exe"), L"C:\\theirs.exe");
}

// Paths are written as typed, whatever their characters, and a path that
// names environment variables is written so that they are expanded.
TEST_F(EntryCommandsTest, AddWritesTheTypeThatThePathNeeds) {
    MainForm main;
    const std::wstring korean = L"C:\\\uD504\uB85C\\\uD55C.exe";
    for (const auto& [name, path, type] :
         {std::tuple<std::wstring, std::wstring, DWORD>{L"tvkorean", korean, REG_SZ},
          {L"tvexpand", L"%SystemRoot%\\notepad.exe", REG_EXPAND_SZ}}) {
        std::vector<DialogStep> steps{FillEditDialog(name, path, IDOK)};
        if (type == REG_SZ) steps.push_back(AnswerMissingProgram(IDYES));  // not there
        steps.push_back(AnswerMessageBox(nullptr, IDOK));
        ASSERT_TRUE(Run(mnuOprAdd_Click, main.form, std::move(steps)));
        DWORD written = 0;
        EXPECT_EQ(EntryDefault(name + L".exe", &written), path);
        EXPECT_EQ(written, type);
    }
}

TEST_F(EntryCommandsTest, EditRewritesOnlyThePathAndKeepsTheName) {
    PutEntry(L"tvtool", L"C:\\old\\tvtool.exe");
    PutNamedValue(L"tvtool", L"Path", L"C:\\old");
    PutEntry(L"tvother.exe", L"C:\\tvother.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvtool"));

    EditDialogSeen seen;
    MessageBoxSeen box;
    AppPathEntry row = *SelectedEntry(main.form);
    EXPECT_TRUE(AnyRunLeavesNoHandle(3, [&](int) {
        ASSERT_TRUE(Run([&] { EXPECT_TRUE(EditItem(main.hwnd, main.form.stores, row)); },
                        {FillEditDialog(std::nullopt, L"D:\\new\\tvtool.exe", IDOK, &seen),
                         AnswerMissingProgram(IDYES), AnswerMessageBox(&box, IDOK)}));
    }));
    Refresh(main.form);

    EXPECT_EQ(seen.caption, L"编辑项目");
    EXPECT_EQ(seen.key, L"tvtool");
    EXPECT_EQ(seen.app, L"C:\\old\\tvtool.exe");
    EXPECT_TRUE(seen.keyReadOnly);
    EXPECT_EQ(seen.focusId, kIdTxtKey);
    EXPECT_EQ(box.text, L"项目编辑成功！");
    EXPECT_EQ(box.style, 64u);
    EXPECT_EQ(box.owner, main.hwnd);

    EXPECT_EQ(EntryDefault(L"tvtool"), L"D:\\new\\tvtool.exe");
    EXPECT_EQ(NamedValue(L"tvtool", L"Path"), L"C:\\old");
    EXPECT_FALSE(EntryExists(L"tvtool.exe"));
    EXPECT_EQ(EntryDefault(L"tvother.exe"), L"C:\\tvother.exe");
    EXPECT_TRUE(Listed(main.form.lvwMain, {L"tvtool", L"D:\\new\\tvtool.exe"}));
}

// REG_EXPAND_SZ stays what it is; a REG_SZ path that gains "%" becomes
// REG_EXPAND_SZ; a value that is not text is shown as no path at all and
// replaced by a text one.
TEST_F(EntryCommandsTest, EditKeepsOrChoosesTheValueType) {
    const wchar_t expand[] = L"%SystemRoot%\\notepad.exe";
    const DWORD number = 0x41414141;
    PutRawValue(L"tvexpand.exe", nullptr, REG_EXPAND_SZ, expand, sizeof(expand));
    PutEntry(L"tvplain.exe", L"C:\\plain.exe");
    PutRawValue(L"tvdword.exe", nullptr, REG_DWORD, &number, sizeof(number));
    MainForm main;
    struct Case {
        const wchar_t* name;
        const wchar_t* shown;  // in the dialog
        const wchar_t* typed;
        DWORD type;
    };
    for (const Case& c :
         {Case{L"tvexpand.exe", expand, L"C:\\Windows\\regedit.exe", REG_EXPAND_SZ},
          Case{L"tvplain.exe", L"C:\\plain.exe", L"%windir%\\plain.exe", REG_EXPAND_SZ},
          Case{L"tvdword.exe", L"", L"C:\\now-text.exe", REG_SZ}}) {
        ASSERT_TRUE(SelectRow(main.form.lvwMain, c.name));
        EditDialogSeen seen;
        std::vector<DialogStep> steps{FillEditDialog(std::nullopt, c.typed, IDOK, &seen)};
        if (c.name != std::wstring(L"tvexpand.exe")) steps.push_back(AnswerMissingProgram(IDYES));
        steps.push_back(AnswerMessageBox(nullptr, IDOK));
        ASSERT_TRUE(Run(mnuOprEdit_Click, main.form, std::move(steps)));
        EXPECT_EQ(seen.app, c.shown);
        DWORD type = 0;
        EXPECT_EQ(EntryDefault(c.name, &type), c.typed);
        EXPECT_EQ(type, c.type) << ToAnsi(c.name);
    }
}

// The extra folders of the Path value: written exactly as typed, with the
// default value's type rule; empty text removes them; a value that is not
// text is left alone; every other value of the subkey stays as it was.
TEST_F(EntryCommandsTest, ThePathValueIsAddedChangedRemovedAndKept) {
    MainForm main;
    ASSERT_TRUE(Run(mnuOprAdd_Click, main.form,
                    {OnEditDialog([](HWND dialog) {
                         SetControlText(dialog, kIdTxtKey, L"tvnew");
                         SetControlText(dialog, kIdTxtApp, L"C:\\new.exe");
                         SetControlText(dialog, kIdTxtPath, L"C:\\tools;;%ProgramFiles%\\x;");
                         PressButton(dialog, IDOK);
                     }),
                     AnswerMissingProgram(IDYES), AnswerMessageBox(nullptr, IDOK)}));
    EXPECT_EQ(NamedValue(L"tvnew.exe", L"Path"), L"C:\\tools;;%ProgramFiles%\\x;");
    EXPECT_EQ(ValueTypeOf(L"tvnew.exe", L"Path"), static_cast<DWORD>(REG_EXPAND_SZ));

    const wchar_t expand[] = L"%SystemRoot%;C:\\b";
    const DWORD one = 1;
    const wchar_t multi[] = L"C:\\m1\0C:\\m2\0";
    PutEntry(L"tvexpand.exe", L"C:\\a.exe");
    PutRawValue(L"tvexpand.exe", L"Path", REG_EXPAND_SZ, expand, sizeof(expand));
    PutRawValue(L"tvexpand.exe", L"UseUrl", REG_DWORD, &one, sizeof(one));
    PutNamedValue(L"tvexpand.exe", L"DropTarget", L"{00000000-0000-0000-0000-000000000001}");
    PutEntry(L"tvexpand.exe\\SupportedProtocols", nullptr);
    PutEntry(L"tvplain.exe", L"C:\\p.exe");
    PutNamedValue(L"tvplain.exe", L"Path", L"C:\\p");
    PutEntry(L"tvmulti.exe", L"C:\\m.exe");
    PutRawValue(L"tvmulti.exe", L"Path", REG_MULTI_SZ, multi, sizeof(multi));
    Refresh(main.form);
    struct Case {
        const wchar_t* name;
        const wchar_t* shown;  // the folders in the dialog
        const wchar_t* typed;
        DWORD type;  // REG_NONE: no Path value afterwards
    };
    for (const Case& c : {Case{L"tvexpand.exe", expand, L"C:\\new", REG_EXPAND_SZ},
                          Case{L"tvplain.exe", L"C:\\p", L"C:\\p", REG_SZ},
                          Case{L"tvplain.exe", L"C:\\p", L"C:\\p;%TEMP%", REG_EXPAND_SZ},
                          Case{L"tvplain.exe", L"C:\\p;%TEMP%", L"", REG_NONE},
                          Case{L"tvmulti.exe", L"", L"", REG_MULTI_SZ}}) {
        ASSERT_TRUE(SelectRow(main.form.lvwMain, c.name));
        std::wstring shown;
        ASSERT_TRUE(Run(mnuOprEdit_Click, main.form,
                        {OnEditDialog([&](HWND dialog) {
                             shown = ControlText(dialog, kIdTxtPath);
                             SetControlText(dialog, kIdTxtPath, c.typed);
                             PressButton(dialog, IDOK);
                         }),
                         AnswerMissingProgram(IDYES), AnswerMessageBox(nullptr, IDOK)}));
        EXPECT_EQ(shown, c.shown) << ToAnsi(c.name);
        EXPECT_EQ(ValueTypeOf(c.name, L"Path"), c.type) << ToAnsi(c.typed);
        if (c.type == REG_SZ || c.type == REG_EXPAND_SZ) {
            EXPECT_EQ(NamedValue(c.name, L"Path"), c.typed);
        }
    }
    EXPECT_EQ(NamedValue(L"tvexpand.exe", L"DropTarget"),
              L"{00000000-0000-0000-0000-000000000001}");
    EXPECT_EQ(ValueTypeOf(L"tvexpand.exe", L"UseUrl"), static_cast<DWORD>(REG_DWORD));
    EXPECT_TRUE(EntryExists(L"tvexpand.exe\\SupportedProtocols"));
}

// An edit whose second write fails puts the first one back.
TEST_F(EntryCommandsTest, AFailedEditChangesNothing) {
    PutEntry(L"tvhalf.exe", L"C:\\old.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvhalf.exe"));
    beforeRegistryWrite = [](size_t write) -> LONG { return write == 2 ? ERROR_WRITE_FAULT : 0; };
    MessageBoxSeen box;
    ASSERT_TRUE(Run(mnuOprEdit_Click, main.form,
                    {OnEditDialog([](HWND dialog) {
                         SetControlText(dialog, kIdTxtApp, L"C:\\new.exe");
                         SetControlText(dialog, kIdTxtPath, L"C:\\bin");
                         PressButton(dialog, IDOK);
                     }),
                     AnswerMissingProgram(IDYES), AnswerMessageBox(&box, IDOK)}));
    EXPECT_EQ(box.text, L"编辑项目失败！");
    EXPECT_EQ(EntryDefault(L"tvhalf.exe"), L"C:\\old.exe");
    EXPECT_EQ(ValueTypeOf(L"tvhalf.exe", L"Path"), static_cast<DWORD>(REG_NONE));
}

// Writes refused for lack of rights say so, instead of the bare failure.
TEST_F(EntryCommandsTest, RefusedWritesNameTheMissingRights) {
    PutEntry(L"tvlocked.exe", L"C:\\old.exe");
    SetEntryAcl(L"tvlocked.exe", L"D:(D;;0x2;;;WD)(A;;KA;;;WD)");  // no value writes
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvlocked.exe"));
    MessageBoxSeen box;
    ASSERT_TRUE(
        Run(mnuOprEdit_Click, main.form,
            {FillEditDialog(std::nullopt, L"C:\\new.exe", IDOK), AnswerMissingProgram(IDYES),
             AnswerMessageBox(&box, IDOK)}));  // and no success message after it
    EXPECT_EQ(box.text, L"没有权限修改该项目，请以管理员身份运行本程序。");
    EXPECT_EQ(box.style, 16u);
    EXPECT_EQ(EntryDefault(L"tvlocked.exe"), L"C:\\old.exe");
}

// An App Paths key that refuses new subkeys, as HKLM's does to a user who
// is not an administrator: the add names the cause and offers the user's
// own registrations instead; the dialog starts on them.
TEST_F(EntryCommandsTest, AnAddRefusedForAllUsersFallsBackToTheCurrentUser) {
    SetEntryAcl(L"", L"D:(D;;0x4;;;WD)(A;;KA;;;WD)");
    MainForm limited;
    ASSERT_FALSE(limited.form.stores.machine.CanWrite());
    EditDialogSeen seen;
    for (int answer : {IDNO, IDYES}) {
        MessageBoxSeen offer;
        std::vector<DialogStep> steps = {
            OnEditDialog([&](HWND dialog) {
                seen = ReadEditDialog(dialog);
                SetControlText(dialog, kIdTxtKey, L"tvnew");
                SetControlText(dialog, kIdTxtApp, L"C:\\new.exe");
                // The offer comes from an add for every user.
                CheckRadioButton(dialog, kIdOptMachine, kIdOptUser, kIdOptMachine);
                PressButton(dialog, IDOK);
            }),
            AnswerMissingProgram(IDYES), AnswerMessageBox(&offer, answer)};
        if (answer == IDYES) steps.push_back(AnswerMessageBox(nullptr, IDOK));
        ASSERT_TRUE(Run(mnuOprAdd_Click, limited.form, steps));
        EXPECT_EQ(offer.text, L"没有权限为所有用户登记项目 tvnew.exe，是否改为只为当前用户登记？");
        EXPECT_EQ(offer.style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
        EXPECT_FALSE(EntryExists(L"tvnew.exe"));
        EXPECT_EQ(EntryExists(L"tvnew.exe", Scope::User), answer == IDYES);
    }
    SetEntryAcl(L"", L"D:(A;;KA;;;WD)");
    EXPECT_EQ(seen.scope, Scope::User);
    EXPECT_EQ(EntryDefault(L"tvnew.exe", nullptr, Scope::User), L"C:\\new.exe");
    EXPECT_TRUE(Listed(limited.form.lvwMain, {L"tvnew.exe", L"C:\\new.exe"}));
}

TEST_F(EntryCommandsTest, DeleteAsksFirstAndRemovesOnlyOnYes) {
    // Two names that only the ANSI code page would confuse.
    PutEntry(L"tvdel\u00B2.exe", L"C:\\tvdel.exe");
    PutEntry(L"tvdel2.exe", L"C:\\tvstay.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvdel\u00B2.exe"));

    MessageBoxSeen question;
    ASSERT_TRUE(Run(mnuOprDel_Click, main.form, {AnswerMessageBox(&question, IDNO)}));
    EXPECT_EQ(question.text, L"确定要删除项目 tvdel\u00B2.exe 吗？");
    EXPECT_EQ(question.style, 36u);
    EXPECT_EQ(question.owner, main.hwnd);
    EXPECT_TRUE(EntryExists(L"tvdel\u00B2.exe"));
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvdel\u00B2.exe"));

    MessageBoxSeen done;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvdel\u00B2.exe"));
    ASSERT_TRUE(Run(mnuOprDel_Click, main.form,
                    {AnswerMessageBox(nullptr, IDYES), AnswerMessageBox(&done, IDOK)}));
    EXPECT_EQ(done.text, L"删除成功！");
    EXPECT_EQ(done.style, 64u);
    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"tvdel2.exe"});
    EXPECT_EQ(EntryDefault(L"tvdel2.exe"), L"C:\\tvstay.exe");
    EXPECT_FALSE(ListedName(main.form.lvwMain, L"tvdel\u00B2.exe"));
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvdel2.exe"));
}

// A name registered in both hives: each row deletes its own registration,
// and the question names the current user's.
TEST_F(EntryCommandsTest, DeleteActsOnTheRowsOwnHive) {
    for (Scope first : {Scope::User, Scope::Machine}) {
        PutEntry(L"tvboth.exe", L"C:\\machine.exe");
        PutEntry(L"tvboth.exe", L"C:\\user.exe", Scope::User);
        MainForm main;
        ListSelect(main.form.lvwMain, first == Scope::User ? 1 : 0);
        MessageBoxSeen question;
        ASSERT_TRUE(Run(mnuOprDel_Click, main.form,
                        {AnswerMessageBox(&question, IDYES), AnswerMessageBox(nullptr, IDOK)}));
        EXPECT_EQ(question.text, first == Scope::User ? L"确定要删除项目 tvboth.exe（当前用户）吗？"
                                                      : L"确定要删除项目 tvboth.exe 吗？");
        EXPECT_FALSE(EntryExists(L"tvboth.exe", first));
        EXPECT_EQ(EntryDefault(L"tvboth.exe", nullptr, OtherScope(first)),
                  first == Scope::User ? L"C:\\machine.exe" : L"C:\\user.exe");
        ClearAppPaths();
    }
}

// The existence test is per hive; a name that the other hive holds is
// registered in both places only when the user says so.
TEST_F(EntryCommandsTest, AddPerScopeAsksBeforeRegisteringANameInBothPlaces) {
    PutEntry(L"tvshared.exe", L"C:\\machine.exe");
    MainForm main;
    auto addForUser = [&](int answer, MessageBoxSeen* question) {
        std::vector<DialogStep> steps = {
            OnEditDialog([](HWND dialog) {
                SetControlText(dialog, kIdTxtKey, L"TVSHARED");
                SetControlText(dialog, kIdTxtApp, L"C:\\user.exe");
                CheckRadioButton(dialog, kIdOptMachine, kIdOptUser, kIdOptUser);
                PressButton(dialog, IDOK);
            }),
            AnswerMissingProgram(IDYES), AnswerMessageBox(question, answer)};
        if (answer == IDYES) steps.push_back(AnswerMessageBox(nullptr, IDOK));
        return Run(mnuOprAdd_Click, main.form, steps);
    };
    MessageBoxSeen question;
    ASSERT_TRUE(addForUser(IDNO, &question));
    EXPECT_EQ(question.text, L"项目 TVSHARED.exe 已登记在所有用户，是否两处都登记？");
    EXPECT_EQ(question.style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_FALSE(EntryExists(L"tvshared.exe", Scope::User));
    ASSERT_TRUE(addForUser(IDYES, &question));
    EXPECT_EQ(EntryDefault(L"TVSHARED.exe", nullptr, Scope::User), L"C:\\user.exe");
    EXPECT_EQ(EntryDefault(L"tvshared.exe"), L"C:\\machine.exe");
    // Now the user's own registration exists: the same add is refused.
    MessageBoxSeen exists;
    ASSERT_TRUE(addForUser(IDOK, &exists));
    EXPECT_EQ(exists.text, L"项目 TVSHARED.exe 已存在！");
}

// A delete reads the whole registration first: one part that refuses keeps
// all of it. The refused delete is no change of the program's own, so the
// next change of another program shows at once.
TEST_F(EntryCommandsTest, ARefusedDeleteKeepsTheWholeRegistrationAndTheListCurrent) {
    PutEntry(L"tvpart.exe", L"C:\\part.exe");
    PutEntry(L"tvpart.exe\\AAA", L"a");
    PutEntry(L"tvpart.exe\\ZZZ", L"z");
    SetEntryAcl(L"tvpart.exe\\ZZZ", L"D:(D;;0x1;;;WD)(A;;KA;;;WD)");  // no value reads
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvpart.exe"));
    MessageBoxSeen box;
    ASSERT_TRUE(Run(mnuOprDel_Click, main.form,
                    {AnswerMessageBox(nullptr, IDYES), AnswerMessageBox(&box, IDOK)}));
    EXPECT_EQ(box.text, L"没有权限修改该项目，请以管理员身份运行本程序。");
    EXPECT_TRUE(EntryExists(L"tvpart.exe\\AAA"));
    ASSERT_EQ(RunReg(L"add \"HKLM\\" + std::wstring(kAppPathsPath) +
                     L"\\tvtheirs.exe\" /ve /d C:\\theirs.exe /f"),
              0);
    for (int i = 0; i < 100 && !ListedName(main.form.lvwMain, L"tvtheirs.exe"); ++i) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        YieldToMessages();
    }
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvtheirs.exe"));
    SetEntryAcl(L"tvpart.exe\\ZZZ", L"D:(A;;KA;;;WD)");
}

TEST_F(EntryCommandsTest, EntryRemovedByAnotherProgramFailsAndKeepsTheStaleRow) {
    PutEntry(L"tvstale.exe", L"C:\\tvstale.exe");
    MainForm main;
    ASSERT_EQ(DeleteFromOutside(L"tvstale.exe"), 0);
    ASSERT_FALSE(EntryExists(L"tvstale.exe"));

    MessageBoxSeen edited;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvstale.exe"));
    ASSERT_TRUE(Run(mnuOprEdit_Click, main.form,
                    {FillEditDialog(std::nullopt, L"C:\\new.exe", IDOK),
                     AnswerMissingProgram(IDYES), AnswerMessageBox(&edited, IDOK)}));
    EXPECT_EQ(edited.text, L"编辑项目失败！");
    EXPECT_EQ(edited.style, 16u);
    EXPECT_FALSE(EntryExists(L"tvstale.exe"));  // not brought back by the write
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvstale.exe"));

    MessageBoxSeen deleted;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvstale.exe"));
    ASSERT_TRUE(Run(mnuOprDel_Click, main.form,
                    {AnswerMessageBox(nullptr, IDYES), AnswerMessageBox(&deleted, IDOK)}));
    EXPECT_EQ(deleted.text, L"删除失败！");
    EXPECT_EQ(deleted.style, 16u);
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvstale.exe"));
}

TEST_F(EntryCommandsTest, EditAndDeleteWithNothingSelectedDoNothing) {
    PutEntry(L"tvsolo.exe", L"C:\\tvsolo.exe");
    MainForm main;
    ClearSelection(main.form.lvwMain);
    for (auto command : {mnuOprEdit_Click, mnuOprDel_Click}) {
        bool shown = false;
        DialogScript script({AnyDialog(&shown)});
        command(main.form);
        EXPECT_FALSE(shown);
    }
    EXPECT_EQ(EntryDefault(L"tvsolo.exe"), L"C:\\tvsolo.exe");
}
