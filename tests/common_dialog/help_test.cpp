#include <gtest/gtest.h>

#include "common_dialog/comm_dlg.h"
#include "dialog_test_support.h"

namespace tolvane {
namespace {

using testing::ActiveWindow;
using testing::RecordingObserver;
using testing::RunAction;

TEST(Help, KeyThatIsNoNumberFailsWithTypeMismatchAndNoHelpCall) {
    ActiveWindow window;
    RecordingObserver seen;
    for (const wchar_t* key : {L"", L"  ", L"abc", L"12x"}) {
        CommDlg dlg;
        dlg.HelpFile(L"tolvane.hlp");
        dlg.HelpCommand(HELP_CONTEXT);
        dlg.HelpKey(key);
        dlg.FileTitle(L"title");
        EXPECT_EQ(RunAction(dlg, 6), kErrTypeMismatch) << key;
        EXPECT_EQ(dlg.FileTitle(), L"title");
        EXPECT_EQ(dlg.Owner(), window.value());
    }
    EXPECT_EQ(seen.calls, 0);
}

TEST(Help, FileDialogSetUpFailuresComeFirst) {
    RecordingObserver seen;
    CommDlg dlg;
    dlg.FileName(std::wstring(256, L'a'));
    EXPECT_EQ(RunAction(dlg, 6), kErrInvalidArgument);
    dlg.FileName(L"");
    dlg.Filter(std::wstring(40000, L'a'));
    EXPECT_EQ(RunAction(dlg, 6), kErrOverflow);
    EXPECT_EQ(seen.calls, 0);
}

TEST(Help, SuccessEmptiesTheTitleAndCutsTheNameAtItsNul) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    dlg.HelpFile(L"帮助.hlp");
    // Closing a help viewer that is not running succeeds without a window.
    dlg.HelpCommand(HELP_QUIT);
    dlg.HelpKey(L"0");
    dlg.FileTitle(L"old title");
    dlg.FileName(std::wstring(L"kept\0cut", 8));
    EXPECT_EQ(RunAction(dlg, 6), -1);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.helpOwner, window.get());
    EXPECT_EQ(seen.helpFile, "\xB0\xEF\xD6\xFA.hlp");
    EXPECT_EQ(seen.helpCommand, static_cast<UINT>(HELP_QUIT));
    EXPECT_EQ(seen.helpData, 0u);
    EXPECT_EQ(dlg.FileTitle(), L"");
    EXPECT_EQ(dlg.FileName(), L"kept");
}

TEST(Help, KeyIsPassedAsItsNumberAndAFullNameStays) {
    RecordingObserver seen;
    CommDlg dlg;
    dlg.HelpCommand(HELP_QUIT);
    dlg.HelpKey(L" -2 ");
    const std::wstring full(255, L'n');
    dlg.FileName(full);
    EXPECT_EQ(RunAction(dlg, 6), -1);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_FALSE(seen.helpFileGiven);
    EXPECT_EQ(static_cast<int32_t>(seen.helpData), -2);
    // A buffer without NUL leaves its property as it was.
    EXPECT_EQ(dlg.FileName(), full);
}

}  // namespace
}  // namespace tolvane
