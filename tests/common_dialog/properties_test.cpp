#include <gtest/gtest.h>

#include "common_dialog/comm_dlg.h"
#include "common_dialog/dlg_lib.h"
#include "common_dialog/numeric_text.h"
#include "dialog_test_support.h"

namespace tolvane {
namespace {

using testing::ActiveWindow;
using testing::RecordingObserver;

int RaisedNumber(void (*action)()) {
    try {
        action();
    } catch (const RaisedError& error) {
        return error.number();
    }
    return -1;
}

TEST(CommDlgProperties, NewInstanceIsEmpty) {
    CommDlg dlg;
    EXPECT_EQ(dlg.FileName(), L"");
    EXPECT_EQ(dlg.FileTitle(), L"");
    EXPECT_EQ(dlg.Owner(), 0);
    EXPECT_EQ(dlg.FilterIndex(), 0);
    EXPECT_EQ(dlg.flags(), 0);
    EXPECT_EQ(dlg.FontSize(), 0);
    EXPECT_EQ(dlg.RGBResult(), 0);
    EXPECT_EQ(dlg.HelpCommand(), 0);
    EXPECT_EQ(dlg.HelpKey(), L"");
    EXPECT_EQ(dlg.Bold(), 0);
    EXPECT_EQ(dlg.Italic(), 0);
    EXPECT_EQ(dlg.Underline(), 0);
    EXPECT_EQ(dlg.StrikeThru(), 0);
}

TEST(CommDlgProperties, SettersStoreTheirValues) {
    CommDlg dlg;
    dlg.DefaultExt(L".exe");
    dlg.DialogTitle(L"选择程序");
    dlg.FileName(L"C:\\程序\\a.exe");
    dlg.FileTitle(L"a.exe");
    dlg.Filter(L"程序|*.exe");
    dlg.FilterIndex(-3);
    dlg.flags(-1);
    dlg.FontName(L"宋体");
    dlg.FontSize(12);
    dlg.HelpCommand(257);
    dlg.HelpFile(L"帮助.hlp");
    dlg.HelpKey(L"not a number");
    dlg.InitDir(L"C:\\");
    dlg.Owner(1234);
    dlg.RGBResult(0x00FF8040);
    EXPECT_EQ(dlg.DefaultExt(), L".exe");
    EXPECT_EQ(dlg.DialogTitle(), L"选择程序");
    EXPECT_EQ(dlg.FileName(), L"C:\\程序\\a.exe");
    EXPECT_EQ(dlg.FileTitle(), L"a.exe");
    EXPECT_EQ(dlg.Filter(), L"程序|*.exe");
    EXPECT_EQ(dlg.FilterIndex(), -3);
    EXPECT_EQ(dlg.flags(), -1);
    EXPECT_EQ(dlg.FontName(), L"宋体");
    EXPECT_EQ(dlg.FontSize(), 12);
    EXPECT_EQ(dlg.HelpCommand(), 257);
    EXPECT_EQ(dlg.HelpFile(), L"帮助.hlp");
    EXPECT_EQ(dlg.HelpKey(), L"not a number");
    EXPECT_EQ(dlg.InitDir(), L"C:\\");
    EXPECT_EQ(dlg.Owner(), 1234);
    EXPECT_EQ(dlg.RGBResult(), 0x00FF8040);
}

TEST(CommDlgProperties, TrueBooleansReadBackAsMinusOne) {
    CommDlg dlg;
    dlg.Bold(true);
    dlg.Italic(true);
    dlg.Underline(true);
    dlg.StrikeThru(true);
    EXPECT_EQ(dlg.Bold(), -1);
    EXPECT_EQ(dlg.Italic(), -1);
    EXPECT_EQ(dlg.Underline(), -1);
    EXPECT_EQ(dlg.StrikeThru(), -1);
    dlg.Italic(false);
    EXPECT_EQ(dlg.Italic(), 0);
}

TEST(CommDlgAction, CodesOutsideTheTableDoNothing) {
    ActiveWindow window;
    ASSERT_EQ(GetActiveWindow(), window.get());
    RecordingObserver seen;
    for (int16_t code : {0, 7, -1, 100, INT16_MIN, INT16_MAX}) {
        CommDlg dlg;
        dlg.FileName(std::wstring(300, L'x'));  // would fail any file action
        dlg.RGBResult(77);
        EXPECT_NO_THROW(dlg.Action(code)) << code;
        EXPECT_EQ(dlg.Owner(), 0) << code;
        EXPECT_EQ(dlg.FileName(), std::wstring(300, L'x'));
        EXPECT_EQ(dlg.RGBResult(), 77);
    }
    EXPECT_EQ(seen.calls, 0);
}

TEST(CommDlgAction, DlgLibKeepsTheLastResult) {
    CommDlg dlg;
    dlg.HelpKey(L"0");
    dlg.HelpCommand(HELP_QUIT);
    dlg.Action(6);
    EXPECT_GT(DlgLib::lngReturn, 0);
    int32_t before = DlgLib::lngReturn;
    dlg.Action(0);
    EXPECT_EQ(DlgLib::lngReturn, before);
}

TEST(NumericText, TextToLongTakesNumbersAsTheRuntimeDoes) {
    EXPECT_EQ(TextToLong(L"0"), 0);
    EXPECT_EQ(TextToLong(L"  42 "), 42);
    EXPECT_EQ(TextToLong(L"-17"), -17);
    EXPECT_EQ(TextToLong(L"+8"), 8);
    EXPECT_EQ(TextToLong(L"1.5"), 2);
    EXPECT_EQ(TextToLong(L"2.5"), 2);
    EXPECT_EQ(TextToLong(L"-2.5"), -2);
    EXPECT_EQ(TextToLong(L"1e3"), 1000);
    EXPECT_EQ(TextToLong(L".5"), 0);
    EXPECT_EQ(TextToLong(L"&H10"), 16);
    EXPECT_EQ(TextToLong(L"&hFFFFFFFF"), -1);
    EXPECT_EQ(TextToLong(L"&O17"), 15);
    EXPECT_EQ(TextToLong(L"2147483647"), INT32_MAX);
    EXPECT_EQ(TextToLong(L"-2147483648"), INT32_MIN);
}

TEST(NumericText, TextToLongRejectsWhatIsNoNumber) {
    for (const wchar_t* text : {L"", L"   ", L"abc", L"1x", L"1 2", L"--1", L"1e", L".", L"&H",
                                L"&HG", L"&O8", L"0x10", L"inf", L"nan"}) {
        try {
            TextToLong(text);
            ADD_FAILURE() << "accepted";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.number(), kErrTypeMismatch);
        }
    }
    for (const wchar_t* text : {L"2147483648", L"-2147483649", L"1e100", L"&H100000000"}) {
        try {
            TextToLong(text);
            ADD_FAILURE() << "accepted";
        } catch (const RaisedError& error) {
            EXPECT_EQ(error.number(), kErrOverflow);
        }
    }
}

TEST(NumericText, RoundToLongRoundsHalvesToEven) {
    EXPECT_EQ(RoundToLong(6.5), 6);
    EXPECT_EQ(RoundToLong(19.5), 20);
    EXPECT_EQ(RoundToLong(-6.5), -6);
    EXPECT_EQ(RoundToLong(13.0000001), 13);
    EXPECT_EQ(RoundToLong(12.9999), 13);
    EXPECT_EQ(RoundToLong(2147483647.4), INT32_MAX);
    EXPECT_EQ(RoundToLong(-2147483648.5), INT32_MIN);
    EXPECT_EQ(RaisedNumber([] { RoundToLong(2147483647.5); }), kErrOverflow);
    EXPECT_EQ(RaisedNumber([] { RoundToLong(-2147483649.0); }), kErrOverflow);
}

}  // namespace
}  // namespace tolvane
