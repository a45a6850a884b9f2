#include <gtest/gtest.h>

#include "common_dialog/comm_dlg.h"
#include "common_dialog/file_dialog_record.h"
#include "dialog_test_support.h"
#include "toolkit/toolkit.h"

namespace tolvane {
namespace {

using namespace std::string_literals;
using testing::ActiveWindow;
using testing::CancelDialog;
using testing::ChooseFile;
using testing::DialogScript;
using testing::DialogStep;
using testing::RecordingObserver;
using testing::RunAction;
using testing::TempFile;

const std::wstring kProgramFilter = L"应用程序(*.exe;*.com;*.bat)|*.exe;*.com;*.bat";
// The description in code page 936, a NUL, the patterns and two NULs.
const std::string kProgramFilterBytes =
    "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2(*.exe;*.com;*.bat)\0*.exe;*.com;*.bat\0\0"s;

// Runs |code| and returns the number it raised, or -1 when it raised none.

TEST(FilterList, PipesBecomeNulsAndTwoNulsEndTheList) {
    EXPECT_EQ(FilterList(kProgramFilter), kProgramFilterBytes);
    EXPECT_EQ(FilterList(L""), "\0\0"s);
    EXPECT_EQ(FilterList(L"文本|*.txt|"), "\xCE\xC4\xB1\xBE\0*.txt\0\0\0"s);
}

TEST(FilterList, LengthOf32767FailsWithOverflow) {
    EXPECT_EQ(FilterList(std::wstring(32766, L'a')).size(), 32768u);
    try {
        FilterList(std::wstring(32767, L'a'));
        ADD_FAILURE() << "accepted";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), kErrOverflow);
    }
}

TEST(FileBuffer, NameIsPaddedWithNulsTo255Characters) {
    EXPECT_EQ(FileBuffer(L""), std::string(255, '\0'));
    EXPECT_EQ(FileBuffer(std::wstring(255, L'a')), std::string(255, 'a'));
    EXPECT_EQ(FileBuffer(L"a.exe"), "a.exe" + std::string(250, '\0'));
    // Double-byte characters take two bytes each; the 255 characters stay.
    EXPECT_EQ(FileBuffer(L"程序"), "\xB3\xCC\xD0\xF2" + std::string(253, '\0'));
    try {
        FileBuffer(std::wstring(256, L'a'));
        ADD_FAILURE() << "accepted";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), kErrInvalidArgument);
    }
}

TEST(FileBuffer, NeverShorterThanTheDialogMayWrite) {
    // Two UTF-16 units that the code page holds as one default character.
    std::wstring pairs;
    for (int i = 0; i < 127; ++i) pairs += L"\U0001F600";
    EXPECT_GE(FileBuffer(pairs).size(), 255u);
}

TEST(OpenDialog, RecordCarriesThePropertiesAndCancelRaisesZero) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    dlg.DialogTitle(L"选择程序");
    dlg.InitDir(L"C:\\windows");
    dlg.Filter(kProgramFilter);
    dlg.FileName(L"notepad.exe");
    dlg.FileTitle(L"old title");
    dlg.DefaultExt(L".exe");
    dlg.flags(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    dlg.FilterIndex(1);
    std::wstring shownTitle, shownFilter;
    DialogScript script({{testing::IsCommonDialog, [&](HWND dialog) {
                              shownTitle = WindowText(dialog);
                              shownFilter = testing::ControlText(dialog, testing::kFileTypeBox);
                              testing::PressButton(dialog, IDCANCEL);
                          }}});

    EXPECT_EQ(RunAction(dlg, 1), kErrCancel);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(shownTitle, L"选择程序");
    EXPECT_EQ(shownFilter, L"应用程序(*.exe;*.com;*.bat)");

    ASSERT_EQ(seen.calls, 1);
    const OPENFILENAMEA& record = seen.file;
    EXPECT_EQ(record.lStructSize, testing::kExpectedFileRecordSize);
    EXPECT_EQ(record.hwndOwner, window.get());
    EXPECT_EQ(record.hInstance, GetModuleHandleW(nullptr));
    EXPECT_EQ(record.Flags, static_cast<DWORD>(OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
    EXPECT_EQ(seen.defaultExt, ".exe");
    EXPECT_EQ(seen.initialDir, "C:\\windows");
    EXPECT_EQ(seen.dialogTitle, "\xD1\xA1\xD4\xF1\xB3\xCC\xD0\xF2");
    EXPECT_EQ(record.nMaxFile, 255u);
    EXPECT_EQ(seen.fileBuffer, "notepad.exe" + std::string(244, '\0'));
    EXPECT_EQ(record.nMaxFileTitle, 255u);
    EXPECT_EQ(seen.titleBuffer, std::string(255, '\0'));
    EXPECT_EQ(seen.filterList, kProgramFilterBytes);
    EXPECT_EQ(record.nFilterIndex, 1u);
    EXPECT_EQ(record.lpstrCustomFilter, nullptr);
    EXPECT_EQ(record.nMaxCustFilter, 0u);
    EXPECT_EQ(record.lCustData, 0);
    EXPECT_EQ(record.lpfnHook, nullptr);
    EXPECT_EQ(record.lpTemplateName, nullptr);

    // Cancelled: the proposed name and the old title stay; the owner default stays too.
    EXPECT_EQ(dlg.FileName(), L"notepad.exe");
    EXPECT_EQ(dlg.FileTitle(), L"old title");
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST(OpenDialog, EmptyFilterAndTextsReachThePlatformAsNothing) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    int filters = -1;
    DialogScript script({{testing::IsCommonDialog, [&](HWND dialog) {
                              filters = static_cast<int>(SendDlgItemMessageW(
                                  dialog, testing::kFileTypeBox, CB_GETCOUNT, 0, 0));
                              testing::PressButton(dialog, IDCANCEL);
                          }}});
    EXPECT_EQ(RunAction(dlg, 1), kErrCancel);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.filterList, "\0\0"s);
    EXPECT_EQ(filters, 0);
    EXPECT_EQ(seen.fileBuffer, std::string(255, '\0'));
    EXPECT_EQ(seen.file.lpstrTitle, nullptr);
    EXPECT_EQ(seen.file.lpstrInitialDir, nullptr);
    EXPECT_EQ(seen.file.lpstrDefExt, nullptr);
}

TEST(OpenDialog, NameOf255CharactersFillsTheBufferWithoutNul) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    const std::wstring name(255, L'n');
    dlg.FileName(name);
    DialogScript script({CancelDialog()});
    EXPECT_EQ(RunAction(dlg, 1), kErrCancel);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.fileBuffer, std::string(255, 'n'));
    EXPECT_EQ(dlg.FileName(), name);
}

TEST(OpenDialog, ConfirmedGivesPathAndTitleAndKeepsFilterIndex) {
    TempFile chosen(L"tolvane 打开.txt");
    ActiveWindow window;
    CommDlg dlg;
    dlg.Filter(L"全部文件|*.*|文本|*.txt");
    dlg.FilterIndex(1);
    dlg.FileName(L"proposed.txt");
    dlg.flags(OFN_FILEMUSTEXIST);
    // The user also switches to the second filter before confirming.
    DialogScript script({ChooseFile(chosen.path(), 2)});
    EXPECT_EQ(RunAction(dlg, 1), -1);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(dlg.FileName(), chosen.path());
    EXPECT_EQ(dlg.FileTitle(), L"tolvane 打开.txt");
    EXPECT_EQ(dlg.FilterIndex(), 1);
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST(SaveDialog, ConfirmedGivesTheNewPathWithTheDefaultExtension) {
    TempFile chosen(L"导出清单.xml", false);
    std::wstring typed = chosen.path().substr(0, chosen.path().size() - 4);
    ActiveWindow window;
    CommDlg dlg;
    dlg.DialogTitle(L"导出");
    dlg.Filter(L"XML 文件(*.xml)|*.xml");
    dlg.DefaultExt(L"xml");
    dlg.FileName(L"Tolvane.xml");
    dlg.flags(OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
    DialogScript script({ChooseFile(typed)});
    EXPECT_EQ(RunAction(dlg, 2), -1);
    EXPECT_EQ(dlg.FileName(), chosen.path());
    EXPECT_EQ(dlg.FileTitle(), L"导出清单.xml");
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST(SaveDialog, CancelledKeepsTheProposedNameAndSetsTheOwner) {
    ActiveWindow window;
    CommDlg dlg;
    dlg.FileName(L"Tolvane.htm");
    dlg.FileTitle(L"before");
    DialogScript script({CancelDialog()});
    EXPECT_EQ(RunAction(dlg, 2), kErrCancel);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(dlg.FileName(), L"Tolvane.htm");
    EXPECT_EQ(dlg.FileTitle(), L"before");
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST(FileDialogs, AnOwnerAlreadySetIsKept) {
    ActiveWindow active;
    ActiveWindow other;
    SetActiveWindow(active.get());
    RecordingObserver seen;
    CommDlg dlg;
    dlg.Owner(other.value());
    DialogScript script({CancelDialog()});
    EXPECT_EQ(RunAction(dlg, 2), kErrCancel);
    EXPECT_EQ(seen.file.hwndOwner, other.get());
    EXPECT_EQ(dlg.Owner(), other.value());
}

TEST(FileDialogs, OverlongNameOrFilterFailsBeforeAnyDialogAndTheInstanceStaysUsable) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    dlg.FileName(std::wstring(256, L'a'));
    EXPECT_EQ(RunAction(dlg, 1), kErrInvalidArgument);
    EXPECT_EQ(RunAction(dlg, 2), kErrInvalidArgument);
    EXPECT_EQ(dlg.FileName(), std::wstring(256, L'a'));
    EXPECT_EQ(dlg.Owner(), window.value());

    dlg.FileName(L"a.txt");
    dlg.Filter(std::wstring(32767, L'|'));
    EXPECT_EQ(RunAction(dlg, 2), kErrOverflow);
    EXPECT_EQ(seen.calls, 0);

    dlg.Filter(L"文本|*.txt");
    DialogScript script({CancelDialog()});
    EXPECT_EQ(RunAction(dlg, 2), kErrCancel);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_TRUE(script.finished());
}

}  // namespace
}  // namespace tolvane
