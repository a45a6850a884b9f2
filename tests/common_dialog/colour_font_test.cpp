#include <gtest/gtest.h>

#include <cstring>

#include "common_dialog/comm_dlg.h"
#include "dialog_test_support.h"
#include "toolkit/toolkit.h"

namespace tolvane {
namespace {

using testing::ActiveWindow;
using testing::CancelDialog;
using testing::ConfirmDialog;
using testing::DialogScript;
using testing::RecordingObserver;
using testing::RunAction;

// The index of the combo box entry whose item data is |data|, or -1.
int EntryWithData(HWND dialog, int id, LPARAM data) {
    int count = static_cast<int>(SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, i, 0) == data) return i;
    }
    return -1;
}

// The index of the font style entry of the given weight and slant, or -1.
int StyleEntry(HWND dialog, bool bold, bool italic) {
    HWND box = GetDlgItem(dialog, testing::kFontStyleBox);
    int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        auto data = static_cast<DWORD>(SendMessageW(box, CB_GETITEMDATA, i, 0));
        if ((LOWORD(data) > FW_MEDIUM) == bold && (HIWORD(data) != 0) == italic) return i;
    }
    return -1;
}

int SizeEntry(HWND dialog, const wchar_t* size) {
    return static_cast<int>(SendDlgItemMessageW(dialog, testing::kFontSizeBox, CB_FINDSTRINGEXACT,
                                                static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(size)));
}

TEST(ColourDialog, RecordCarriesThePropertiesAndCancelKeepsTheColour) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    dlg.flags(CC_RGBINIT);
    dlg.RGBResult(0x00123456);
    DialogScript script({CancelDialog()});
    EXPECT_EQ(RunAction(dlg, 3), kErrCancel);
    EXPECT_TRUE(script.finished());
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.colour.lStructSize, testing::kExpectedColourRecordSize);
    EXPECT_EQ(seen.colour.hwndOwner, window.get());
    EXPECT_EQ(reinterpret_cast<HINSTANCE>(seen.colour.hInstance), GetModuleHandleW(nullptr));
    EXPECT_EQ(seen.colour.Flags, static_cast<DWORD>(CC_RGBINIT));
    EXPECT_EQ(seen.colour.rgbResult, 0x00123456u);
    EXPECT_EQ(seen.customColours, std::vector<COLORREF>(16, 0xFFFFFFFFu));
    EXPECT_EQ(dlg.RGBResult(), 0x00123456);
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST(ColourDialog, ConfirmedGivesTheChosenColour) {
    ActiveWindow window;
    CommDlg dlg;
    dlg.flags(CC_RGBINIT | CC_FULLOPEN);
    dlg.RGBResult(0x00123456);
    DialogScript script({ConfirmDialog([](HWND dialog) {
        testing::SetControlText(dialog, testing::kColourRed, L"12");
        testing::SetControlText(dialog, testing::kColourGreen, L"34");
        testing::SetControlText(dialog, testing::kColourBlue, L"56");
    })});
    EXPECT_EQ(RunAction(dlg, 3), -1);
    EXPECT_TRUE(script.finished());
    EXPECT_EQ(dlg.RGBResult(), static_cast<int32_t>(RGB(12, 34, 56)));
}

TEST(FontDialog, RecordForTenPointBold) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    dlg.FontName(L"Liberation Sans");
    dlg.FontSize(10);
    dlg.Bold(true);
    dlg.RGBResult(0x00000080);
    // The user ticks underline, then cancels.
    DialogScript script(
        {CancelDialog([](HWND dialog) { testing::ClickButton(dialog, testing::kUnderlineBox); })});
    EXPECT_EQ(RunAction(dlg, 4), kErrCancel);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.font.lStructSize, testing::kExpectedFontRecordSize);
    EXPECT_EQ(seen.font.hwndOwner, window.get());
    EXPECT_NE(seen.font.hDC, nullptr);
    EXPECT_EQ(seen.font.iPointSize, 100);
    EXPECT_EQ(seen.font.Flags, 0x141u);
    EXPECT_EQ(seen.font.rgbColors, 0x00000080u);
    EXPECT_EQ(seen.font.nFontType, 0x2000);
    EXPECT_EQ(seen.font.nSizeMin, 0);
    EXPECT_EQ(seen.font.nSizeMax, 0);
    EXPECT_EQ(seen.font.lpfnHook, nullptr);
    EXPECT_EQ(seen.font.hInstance, nullptr);
    EXPECT_EQ(seen.font.lpszStyle, nullptr);
    EXPECT_EQ(seen.logFont.lfHeight, 13);
    EXPECT_EQ(seen.logFont.lfWeight, 700);
    EXPECT_EQ(seen.logFont.lfItalic, 0);
    EXPECT_EQ(seen.logFont.lfUnderline, 0);
    EXPECT_EQ(seen.logFont.lfStrikeOut, 0);
    EXPECT_STREQ(seen.logFont.lfFaceName, "Liberation Sans");
    // Cancelled: nothing but the owner changes.
    EXPECT_EQ(dlg.FontSize(), 10);
    EXPECT_EQ(dlg.Bold(), -1);
    EXPECT_EQ(dlg.Underline(), 0);
    EXPECT_EQ(dlg.FontName(), L"Liberation Sans");
    EXPECT_EQ(dlg.RGBResult(), 0x80);
    EXPECT_EQ(dlg.Owner(), window.value());
}

TEST(FontDialog, HeightRoundsHalvesToEvenAndEffectsFollowTheProperties) {
    ActiveWindow window;
    struct Case {
        int32_t size;
        LONG height;
    };
    for (Case c : {Case{0, 0}, Case{5, 6}, Case{15, 20}, Case{-5, -6}, Case{12, 16}}) {
        RecordingObserver seen;
        CommDlg dlg;
        dlg.FontSize(c.size);
        dlg.Italic(true);
        dlg.Underline(true);
        dlg.StrikeThru(true);
        dlg.flags(-1);
        DialogScript script({CancelDialog()});
        EXPECT_EQ(RunAction(dlg, 4), kErrCancel);
        ASSERT_EQ(seen.calls, 1);
        EXPECT_EQ(seen.logFont.lfHeight, c.height) << c.size;
        EXPECT_EQ(seen.font.iPointSize, c.size * 10);
        EXPECT_EQ(seen.logFont.lfWeight, 0);
        EXPECT_EQ(seen.logFont.lfItalic, 1);
        EXPECT_EQ(seen.logFont.lfUnderline, 1);
        EXPECT_EQ(seen.logFont.lfStrikeOut, 1);
        EXPECT_EQ(seen.logFont.lfFaceName[0], '\0');
        EXPECT_EQ(seen.font.Flags, 0x141u);  // flags -1 asks for the ordinary dialog
    }
}

TEST(FontDialog, FaceNameFillsAtMost33BytesWithItsTerminator) {
    ActiveWindow window;
    struct Case {
        std::wstring name;
        std::string bytes;
    };
    const std::wstring sixteenWide(16, L'宋');
    std::string sixteenWideBytes;
    for (int i = 0; i < 16; ++i) sixteenWideBytes += "\xCB\xCE";
    for (const Case& c : {Case{std::wstring(31, L'f'), std::string(31, 'f')},
                          Case{std::wstring(32, L'f'), std::string(32, 'f')},
                          Case{sixteenWide, sixteenWideBytes}}) {
        RecordingObserver seen;
        CommDlg dlg;
        dlg.FontName(c.name);
        DialogScript script({CancelDialog()});
        EXPECT_EQ(RunAction(dlg, 4), kErrCancel);
        ASSERT_EQ(seen.calls, 1);
        EXPECT_EQ(
            std::string(seen.logFont.lfFaceName, strnlen(seen.logFont.lfFaceName, LF_FACESIZE)),
            c.bytes);
    }
    for (const std::wstring& name : {std::wstring(33, L'f'), std::wstring(17, L'宋')}) {
        RecordingObserver seen;
        CommDlg dlg;
        dlg.FontName(name);
        EXPECT_EQ(RunAction(dlg, 4), kErrSubscript);
        EXPECT_EQ(seen.calls, 0);
        EXPECT_EQ(dlg.FontName(), name);
    }
}

TEST(FontDialog, SizeThatOverflowsFailsBeforeAnyDialog) {
    ActiveWindow window;
    RecordingObserver seen;
    CommDlg dlg;
    for (int32_t size : {214748365, -214748365, 2000000000, INT32_MIN}) {
        dlg.FontSize(size);
        EXPECT_EQ(RunAction(dlg, 4), kErrOverflow) << size;
        EXPECT_EQ(dlg.FontSize(), size);
    }
    EXPECT_EQ(seen.calls, 0);
    // The largest size that fits still reaches the dialog.
    dlg.FontSize(214748364);
    DialogScript script({CancelDialog()});
    EXPECT_EQ(RunAction(dlg, 4), kErrCancel);
    ASSERT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.font.iPointSize, 2147483640);
    EXPECT_EQ(seen.logFont.lfHeight, 279172873);
}

TEST(FontDialog, ConfirmedTwelvePointBoldItalicReadsBack) {
    ActiveWindow window;
    CommDlg dlg;
    dlg.FontName(L"Liberation Sans");
    dlg.FontSize(10);
    dlg.RGBResult(0x00000080);
    std::wstring shownFace;
    bool found = false;
    DialogScript script({ConfirmDialog([&](HWND dialog) {
        int style = StyleEntry(dialog, true, true);
        int size = SizeEntry(dialog, L"12");
        int blue = EntryWithData(dialog, 0x473, 0x00FF0000);
        found = style >= 0 && size >= 0 && blue >= 0;
        testing::SelectComboEntry(dialog, testing::kFontStyleBox, style);
        testing::SelectComboEntry(dialog, testing::kFontSizeBox, size);
        testing::SelectComboEntry(dialog, 0x473, blue);
        testing::ClickButton(dialog, testing::kUnderlineBox);
        shownFace = testing::ControlText(dialog, testing::kFontFaceBox);
    })});
    EXPECT_EQ(RunAction(dlg, 4), -1);
    ASSERT_TRUE(found) << "the dialog offered no 12-point bold italic or no blue";
    EXPECT_EQ(dlg.FontSize(), 12);
    EXPECT_EQ(dlg.Bold(), -1);
    EXPECT_EQ(dlg.Italic(), -1);
    EXPECT_EQ(dlg.Underline(), -1);
    EXPECT_EQ(dlg.StrikeThru(), 0);
    EXPECT_EQ(dlg.RGBResult(), 0x00FF0000);
    EXPECT_EQ(shownFace, L"Liberation Sans");
    EXPECT_EQ(dlg.FontName(), shownFace);
}

TEST(FontDialog, ConfirmedRegularStyleClearsBold) {
    ActiveWindow window;
    CommDlg dlg;
    dlg.FontName(L"Liberation Serif");
    dlg.FontSize(14);
    dlg.Bold(true);
    dlg.Italic(true);
    dlg.StrikeThru(true);
    dlg.RGBResult(0x00000080);
    std::wstring shownFace;
    DialogScript script({ConfirmDialog([&](HWND dialog) {
        testing::SelectComboEntry(dialog, testing::kFontStyleBox, StyleEntry(dialog, false, false));
        testing::ClickButton(dialog, testing::kStrikeOutBox);
        shownFace = testing::ControlText(dialog, testing::kFontFaceBox);
    })});
    EXPECT_EQ(RunAction(dlg, 4), -1);
    EXPECT_EQ(dlg.FontSize(), 14);
    EXPECT_EQ(dlg.Bold(), 0);
    EXPECT_EQ(dlg.Italic(), 0);
    EXPECT_EQ(dlg.StrikeThru(), 0);
    EXPECT_EQ(dlg.RGBResult(), 0x80);
    EXPECT_EQ(dlg.FontName(), shownFace);
    EXPECT_FALSE(shownFace.empty());
}

}  // namespace
}  // namespace tolvane
