// Add, edit and delete on the real main window, the real registry of the
// test prefix, and the real dialog and message boxes answered from a timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "editing/edit_dialog.h"
#include "editing/entry_commands.h"
#include "editing/mod_user.h"
#include "editing_helpers.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"

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
        onEntryCreated = nullptr;
        ClearAppPaths();
    }

    // Runs a command and answers its dialogs with |steps|. True when every
    // step ran and nothing else asked for an answer.
    static bool Run(void (*command)(FrmMain&), FrmMain& form, std::vector<DialogStep> steps) {
        DialogScript script(std::move(steps));
        command(form);
        return script.finished() && !script.timedOut();
    }
};

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

int DeleteFromOutside(const std::wstring& name) {
    return RunReg(L"delete \"HKLM\\" + std::wstring(kAppPathsPath) + L"\\" + name + L"\" /f");
}

}  // namespace

TEST_F(EntryCommandsTest, AddCreatesTheEntryAndListsIt) {
    PutEntry(L"other.exe", L"C:\\other.exe");
    MainForm main;
    // One add first, so that whatever the platform keeps after a first use
    // is not counted as a handle of the command.
    ASSERT_TRUE(
        Run(AddItem, main.form,
            {FillEditDialog(L"tvwarm", L"C:\\warm.exe", IDOK), AnswerMessageBox(nullptr, IDOK)}));

    EditDialogSeen seen;
    MessageBoxSeen box;
    HANDLE before = NextHandleValue();
    ASSERT_TRUE(Run(AddItem, main.form,
                    {FillEditDialog(L"tvnew", L"C:\\Tools\\tvnew.exe", IDOK, &seen),
                     AnswerMessageBox(&box, IDOK)}));
    EXPECT_EQ(NextHandleValue(), before);  // no subkey handle left open

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
        HANDLE before = NextHandleValue();
        ASSERT_TRUE(Run(AddItem, main.form,
                        {FillEditDialog(input.typed, L"C:\\other\\notepad.exe", IDOK),
                         AnswerMessageBox(&box, IDOK)}));
        EXPECT_EQ(NextHandleValue(), before);  // the existence test's handle is released
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
    auto escape = [](HWND dialog) { PostKey(dialog, VK_ESCAPE); };
    auto closeBox = [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); };
    auto cancel = [](HWND dialog) { PressButton(dialog, IDCANCEL); };
    for (const auto& close : std::vector<std::function<void(HWND)>>{cancel, escape, closeBox}) {
        for (auto command : {AddItem, EditItem}) {
            modUser::lngResult = 1;  // as the previous OK left it
            ASSERT_TRUE(Run(command, main.form, {OnEditDialog([&](HWND dialog) {
                                SetControlText(dialog, kIdTxtKey, L"tvnot");
                                SetControlText(dialog, kIdTxtApp, L"C:\\no.exe");
                                close(dialog);
                            })}));
            EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"tvkeep.exe"});
            EXPECT_EQ(EntryDefault(L"tvkeep.exe"), L"C:\\keep.exe");
        }
    }
}

TEST_F(EntryCommandsTest, AddRefusesANameWithABackslash) {
    MainForm main;
    MessageBoxSeen box;
    ASSERT_TRUE(Run(AddItem, main.form,
                    {OnEditDialog([](HWND dialog) {
                         SetControlText(dialog, kIdTxtKey, L"tvdir\\tvsub");
                         SetControlText(dialog, kIdTxtApp, L"C:\\tvsub.exe");
                         PressButton(dialog, IDOK);
                         PressButton(dialog, IDCANCEL);
                     }),
                     AnswerMessageBox(&box, IDOK)}));
    EXPECT_EQ(box.text, L"项目名称不能包含反斜杠（\\）！");
    EXPECT_EQ(box.style, 64u);
    EXPECT_TRUE(EntryNames().empty());
}

TEST_F(EntryCommandsTest, AddWhosePathWriteFailsTakesTheNewSubkeyAway) {
    MainForm main;
    // Another program (or an administrator's policy) locks the new subkey
    // against value writes the moment it appears.
    onEntryCreated = [](const std::wstring& name) { DenyValueWrites(name); };
    MessageBoxSeen box;
    ASSERT_TRUE(Run(AddItem, main.form,
                    {FillEditDialog(L"tvlocked", L"C:\\tvlocked.exe", IDOK),
                     AnswerMessageBox(&box, IDOK)}));  // and no success message after it
    EXPECT_EQ(box.text, L"项目添加失败！");
    EXPECT_EQ(box.style, 16u);
    EXPECT_FALSE(EntryExists(L"tvlocked.exe"));
    EXPECT_FALSE(ListedName(main.form.lvwMain, L"tvlocked.exe"));
}

TEST_F(EntryCommandsTest, EditRewritesOnlyThePathAndKeepsTheName) {
    PutEntry(L"tvtool", L"C:\\old\\tvtool.exe");
    PutNamedValue(L"tvtool", L"Path", L"C:\\old");
    PutEntry(L"tvother.exe", L"C:\\tvother.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvtool"));

    EditDialogSeen seen;
    MessageBoxSeen box;
    HANDLE before = NextHandleValue();
    ASSERT_TRUE(Run(EditItem, main.form,
                    {FillEditDialog(std::nullopt, L"D:\\new\\tvtool.exe", IDOK, &seen),
                     AnswerMessageBox(&box, IDOK)}));
    EXPECT_EQ(NextHandleValue(), before);

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

TEST_F(EntryCommandsTest, EditWhosePathWriteFailsReportsFailure) {
    PutEntry(L"tvlocked.exe", L"C:\\old.exe");
    DenyValueWrites(L"tvlocked.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvlocked.exe"));
    MessageBoxSeen box;
    ASSERT_TRUE(Run(EditItem, main.form,
                    {FillEditDialog(std::nullopt, L"C:\\new.exe", IDOK),
                     AnswerMessageBox(&box, IDOK)}));  // and no success message after it
    EXPECT_EQ(box.text, L"编辑项目失败！");
    EXPECT_EQ(box.style, 16u);
    EXPECT_EQ(EntryDefault(L"tvlocked.exe"), L"C:\\old.exe");
}

TEST_F(EntryCommandsTest, DeleteAsksFirstAndRemovesOnlyOnYes) {
    PutEntry(L"tvdel.exe", L"C:\\tvdel.exe");
    PutEntry(L"tvstay.exe", L"C:\\tvstay.exe");
    MainForm main;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvdel.exe"));

    MessageBoxSeen question;
    ASSERT_TRUE(Run(DelItem, main.form, {AnswerMessageBox(&question, IDNO)}));
    EXPECT_EQ(question.text, L"确定要删除项目 tvdel.exe 吗？");
    EXPECT_EQ(question.style, 36u);
    EXPECT_EQ(question.owner, main.hwnd);
    EXPECT_TRUE(EntryExists(L"tvdel.exe"));
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvdel.exe"));

    MessageBoxSeen done;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvdel.exe"));
    ASSERT_TRUE(
        Run(DelItem, main.form, {AnswerMessageBox(nullptr, IDYES), AnswerMessageBox(&done, IDOK)}));
    EXPECT_EQ(done.text, L"删除成功！");
    EXPECT_EQ(done.style, 64u);
    EXPECT_FALSE(EntryExists(L"tvdel.exe"));
    EXPECT_TRUE(EntryExists(L"tvstay.exe"));
    EXPECT_FALSE(ListedName(main.form.lvwMain, L"tvdel.exe"));
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvstay.exe"));
}

TEST_F(EntryCommandsTest, EntryRemovedByAnotherProgramFailsAndKeepsTheStaleRow) {
    PutEntry(L"tvstale.exe", L"C:\\tvstale.exe");
    MainForm main;
    ASSERT_EQ(DeleteFromOutside(L"tvstale.exe"), 0);
    ASSERT_FALSE(EntryExists(L"tvstale.exe"));

    MessageBoxSeen edited;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvstale.exe"));
    ASSERT_TRUE(
        Run(EditItem, main.form,
            {FillEditDialog(std::nullopt, L"C:\\new.exe", IDOK), AnswerMessageBox(&edited, IDOK)}));
    EXPECT_EQ(edited.text, L"编辑项目失败！");
    EXPECT_EQ(edited.style, 16u);
    EXPECT_FALSE(EntryExists(L"tvstale.exe"));  // not brought back by the write
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvstale.exe"));

    MessageBoxSeen deleted;
    ASSERT_TRUE(SelectRow(main.form.lvwMain, L"tvstale.exe"));
    ASSERT_TRUE(Run(DelItem, main.form,
                    {AnswerMessageBox(nullptr, IDYES), AnswerMessageBox(&deleted, IDOK)}));
    EXPECT_EQ(deleted.text, L"删除失败！");
    EXPECT_EQ(deleted.style, 16u);
    EXPECT_TRUE(ListedName(main.form.lvwMain, L"tvstale.exe"));
}

TEST_F(EntryCommandsTest, EditAndDeleteWithNothingSelectedDoNothing) {
    PutEntry(L"tvsolo.exe", L"C:\\tvsolo.exe");
    MainForm main;
    ClearSelection(main.form.lvwMain);
    for (auto command : {EditItem, DelItem}) {
        bool shown = false;
        DialogScript script({AnyDialog(&shown)});
        command(main.form);
        EXPECT_FALSE(shown);
    }
    EXPECT_EQ(EntryDefault(L"tvsolo.exe"), L"C:\\tvsolo.exe");
}
