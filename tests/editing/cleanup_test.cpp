// Clearing out registrations whose program is gone, on the real window: the
// question, the backup that "reg import" turns back into them, the deletion.
#include <gtest/gtest.h>

#include <windows.h>

#include "editing/cleanup.h"
#include "editing_helpers.h"
#include "resource.h"
#include "store/registry_snapshot.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "support/files.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// Points the user's Documents folder at |folder| for the test's duration.
class Documents {
  public:
    explicit Documents(const std::wstring& folder) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        key_.put(), nullptr);
        RegSetValueExW(key_.get(), L"Personal", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }

  private:
    UniqueKey key_;
};

EntrySnapshot Snapshot(Scope scope, const std::wstring& name) {
    EntrySnapshot snapshot{scope};
    ReadEntrySnapshot({scope, name}, snapshot);
    return snapshot;
}

class CleanupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearAppPaths();
        const DWORD one = 1;
        PutEntry(L"gone.exe", L"C:\\gone\\gone.exe");
        PutNamedValue(L"gone.exe", L"Path", L"C:\\gone");
        PutRawValue(L"gone.exe", L"UseUrl", REG_DWORD, &one, sizeof(one));
        PutEntry(L"gone.exe\\SupportedProtocols", nullptr);
        PutNamedValue(L"gone.exe\\SupportedProtocols", L"http", L"");
        PutEntry(L"\uD55C\uAE00.exe", L"D:\\\uD55C\\x.exe", Scope::User);
        PutEntry(L"here.exe", OwnPath().c_str());
    }
    void TearDown() override { ClearAppPaths(); }

    // Runs the clean-up, answering its question with |answer| and its last
    // message with OK.
    std::vector<MessageBoxSeen> CleanUp(FrmMain& form, int answer) {
        std::vector<MessageBoxSeen> seen(2);
        DialogScript script({AnswerMessageBox(&seen[0], answer), AnswerMessageBox(&seen[1], IDOK)});
        SendMessageW(form.hwnd, WM_COMMAND, IDM_OPR_CLEAN, 0);
        return seen;
    }
};

}  // namespace

TEST_F(CleanupTest, SavesWhatItDeletesSoThatRegImportPutsItBack) {
    TempFolder folder;
    Documents documents(folder.path());
    const std::vector<EntrySnapshot> before = {Snapshot(Scope::Machine, L"gone.exe"),
                                               Snapshot(Scope::User, L"\uD55C\uAE00.exe")};
    MainForm main;
    std::vector<MessageBoxSeen> seen = CleanUp(main.form, IDYES);
    EXPECT_EQ(seen[0].text,
              L"以下项目的程序文件不存在：\n\ngone.exe\n\uD55C\uAE00.exe（当前用户）\n\n"
              L"删除前会先把它们保存为注册表文件，放在“文档”文件夹中。确定要删除吗？");
    EXPECT_EQ(seen[0].style, static_cast<UINT>(MB_ICONQUESTION | MB_YESNO));
    std::vector<std::wstring> files = FileNamesIn(folder.path());
    ASSERT_EQ(files.size(), 1u);
    std::wstring backup = folder.File(files[0]);
    EXPECT_EQ(seen[1].text, L"已删除 2 项，失败 0 项。\n备份文件：" + backup);
    EXPECT_FALSE(EntryExists(L"gone.exe"));
    EXPECT_FALSE(EntryExists(L"\uD55C\uAE00.exe", Scope::User));
    EXPECT_TRUE(EntryExists(L"here.exe"));
    EXPECT_EQ(ListCount(main.form.lvwMain), 1);

    ASSERT_EQ(RunReg(L"import \"" + backup + L"\""), 0);
    EXPECT_EQ(Snapshot(Scope::Machine, L"gone.exe"), before[0]);
    EXPECT_EQ(Snapshot(Scope::User, L"\uD55C\uAE00.exe"), before[1]);
}

// Nothing is deleted unless all of it was saved first; No deletes nothing;
// with nothing to clear out, it says so.
TEST_F(CleanupTest, DeletesNothingUnsavedOrUnwanted) {
    MainForm main;
    {
        Documents nowhere(L"Q:\\nowhere");
        std::vector<MessageBoxSeen> seen = CleanUp(main.form, IDYES);
        EXPECT_EQ(seen[1].text, L"备份失败，没有删除任何项目。");
        EXPECT_EQ(seen[1].style, static_cast<UINT>(MB_ICONHAND | MB_OK));
    }
    EXPECT_TRUE(EntryExists(L"gone.exe"));
    EXPECT_FALSE(CleanUp(main.form, IDNO)[1].shown);
    EXPECT_TRUE(EntryExists(L"\uD55C\uAE00.exe", Scope::User));

    ClearAppPaths();
    PutEntry(L"here.exe", OwnPath().c_str());
    Refresh(main.form);
    std::vector<MessageBoxSeen> seen = CleanUp(main.form, IDOK);
    EXPECT_EQ(seen[0].text, L"没有找到程序文件不存在的项目。");
    EXPECT_EQ(seen[0].style, static_cast<UINT>(MB_ICONASTERISK | MB_OK));
}
