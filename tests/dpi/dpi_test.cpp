// The window and the dialogs at 150 % (144 dots per inch): wine-run.sh
// starts this program in a prefix set to that density (TOLVANE_TEST_DPI),
// so every window is laid out at it from the first one on.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <iterator>
#include <string>
#include <vector>

#include "about/about.h"
#include "about/quick_reference.h"
#include "editing/edit_dialog.h"
#include "main_window/main_window.h"
#include "resource.h"
#include "support/dialogs.h"
#include "support/main_form.h"
#include "support/registry.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

using namespace tolvane;
using namespace tolvane::testing;

namespace {

constexpr UINT kTestDpi = 144;

RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE SizeOf(const RECT& r) {
    return {r.right - r.left, r.bottom - r.top};
}

// The height of the system's message font, at the prefix's density.
LONG MessageFontHeight() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    return metrics.lfMessageFont.lfHeight;
}

LONG FontHeight(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfHeight;
}

// The main window laid out at |dpi|: toolbar pictures of |imageSize|;
// buttons, toolbar, filter box, columns and list in twips at |dpi|; the
// filter in its strip, the list under it down to the status bar; the
// controls in the message font of |fontHeight|.
void ExpectLayoutAt(const FrmMain& form, UINT dpi, int imageSize, LONG fontHeight) {
    SCOPED_TRACE(dpi);
    EXPECT_EQ(form.dpi, dpi);
    HWND bar = form.tbrMain;
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(bar, TB_GETIMAGELIST, 0, 0));
    EXPECT_EQ(images, form.imlToolBar.get());
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    EXPECT_EQ(cx, imageSize);
    EXPECT_EQ(cy, imageSize);
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(ImageIsBlank(images, i)) << i;

    LRESULT button = SendMessageW(bar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(LOWORD(button), TwipsToPixels(825, dpi));
    EXPECT_EQ(HIWORD(button), TwipsToPixels(810, dpi));
    RECT toolbar = ChildRect(bar);
    EXPECT_EQ(SizeOf(toolbar).cy, TwipsToPixels(kToolbarHeightTwips, dpi));
    // No button is cut off at the toolbar's bottom.
    RECT last;
    SendMessageW(bar, TB_GETITEMRECT, 5, reinterpret_cast<LPARAM>(&last));
    EXPECT_LE(last.bottom, SizeOf(toolbar).cy);

    RECT client;
    GetClientRect(form.hwnd, &client);
    RECT filter = ChildRect(form.txtFilter);
    RECT list = ChildRect(form.lvwMain);
    RECT status = ChildRect(form.staMain);
    EXPECT_EQ(SizeOf(filter).cx, TwipsToPixels(kFilterWidthTwips, dpi));
    EXPECT_EQ(SizeOf(filter).cy, TwipsToPixels(kFilterHeightTwips, dpi));
    EXPECT_GT(filter.top, toolbar.bottom);
    EXPECT_LT(filter.bottom, list.top);
    EXPECT_EQ(list.top, TwipsToPixels(kToolbarHeightTwips + kFilterStripTwips, dpi));
    EXPECT_EQ(list.right, client.right);
    EXPECT_EQ(list.bottom, status.top);
    EXPECT_EQ(status.bottom, client.bottom);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(SendMessageW(form.lvwMain, LVM_GETCOLUMNWIDTH, i, 0),
                  TwipsToPixels(kColumns[i].widthTwips, dpi))
            << "column " << i;
    }
    EXPECT_EQ(FontHeight(form.lvwMain), fontHeight);
    EXPECT_EQ(FontHeight(form.txtFilter), fontHeight);

    // Row images of 32 pixels at 96 dots per inch, drawn anew at the
    // density, and rows as high as they are.
    const int side = MulDiv(32, static_cast<int>(dpi), 96);
    EXPECT_EQ(
        reinterpret_cast<HIMAGELIST>(SendMessageW(form.lvwMain, LVM_GETIMAGELIST, LVSIL_SMALL, 0)),
        form.iml.get());
    ImageList_GetIconSize(form.iml.get(), &cx, &cy);
    EXPECT_EQ(cx, side);
    EXPECT_EQ(cy, side);
    RECT row{};
    row.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(form.lvwMain, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)));
    EXPECT_GE(SizeOf(row).cy, side);
    for (const Registration& shown : form.list.rows()) {
        if (shown.entry.name == L"own.exe") {
            EXPECT_FALSE(ImageIsBlank(form.iml.get(), shown.image));
        }
    }
}

// Every control of |dialog| lies inside its client area, no two overlap,
// and every text fits its control, wrapped at the control's width as
// statics and buttons draw it, in the control's font. A one-line label may
// be lower than its font's line, as the design has it at every density;
// the lines of a longer text must all show.
void ExpectTidy(HWND dialog) {
    SCOPED_TRACE(WindowText(dialog));
    RECT client;
    GetClientRect(dialog, &client);
    std::vector<HWND> controls;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        controls.push_back(c);
    }
    ASSERT_GE(controls.size(), 5u);
    for (size_t i = 0; i < controls.size(); ++i) {
        RECT place = ChildRect(controls[i]);
        std::wstring text = WindowText(controls[i]);
        SCOPED_TRACE(text);
        RECT inside;
        IntersectRect(&inside, &place, &client);
        EXPECT_TRUE(EqualRect(&inside, &place));
        for (size_t k = i + 1; k < controls.size(); ++k) {
            RECT other = ChildRect(controls[k]), common;
            EXPECT_FALSE(IntersectRect(&common, &place, &other)) << WindowText(controls[k]);
        }
        if (ClassOf(controls[i]) == L"Edit" || text.empty()) continue;
        WindowDc dc(controls[i]);
        SelectedObject font(dc.get(),
                            reinterpret_cast<HGDIOBJ>(SendMessageW(controls[i], WM_GETFONT, 0, 0)));
        RECT needs = {0, 0, SizeOf(place).cx, 0};
        DrawTextW(dc.get(), text.c_str(), -1, &needs, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc.get(), &metrics);
        EXPECT_LE(SizeOf(needs).cx, SizeOf(place).cx);
        if (SizeOf(needs).cy > metrics.tmHeight) {
            EXPECT_LE(SizeOf(needs).cy, SizeOf(place).cy);
        }
    }
}

class DpiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(DpiOf(nullptr), kTestDpi) << "the prefix is not at 144 dots per inch";
        ClearAppPaths();
        PutEntry(L"a.exe", L"C:\\a.exe");
    }
    void TearDown() override { ClearAppPaths(); }
};

}  // namespace

// The window opens at its monitor's density. Moved to monitors of other
// densities, it takes the suggested place and everything in it follows the
// new density, its minimum size too.
TEST_F(DpiTest, TheMainWindowIsLaidOutAtItsMonitorsDensity) {
    PutEntry(L"own.exe", OwnPath().c_str());
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    EXPECT_EQ(DpiOf(main.hwnd), kTestDpi);
    RECT client;
    GetClientRect(main.hwnd, &client);
    // 1000 wide at 96, and 520 high above the status bar.
    EXPECT_EQ(client.right, 1000 * 3 / 2);
    EXPECT_EQ(client.bottom - SizeOf(ChildRect(main.form.staMain)).cy, 520 * 3 / 2);
    ExpectLayoutAt(main.form, kTestDpi, 72, MessageFontHeight());

    struct Move {
        UINT dpi;
        int imageSize;
        RECT suggested;
    };
    const Move moves[] = {{96, 48, {40, 30, 940, 600}},
                          {192, 96, {10, 20, 1810, 1100}},
                          {144, 72, {20, 10, 1380, 850}}};
    for (const Move& move : moves) {
        SendMessageW(main.hwnd, WM_DPICHANGED, MAKEWPARAM(move.dpi, move.dpi),
                     reinterpret_cast<LPARAM>(&move.suggested));
        ASSERT_TRUE(WaitForList(main.form)) << "the icons drawn again";
        RECT outer;
        GetWindowRect(main.hwnd, &outer);
        EXPECT_TRUE(EqualRect(&outer, &move.suggested)) << move.dpi;
        ExpectLayoutAt(main.form, move.dpi, move.imageSize,
                       MulDiv(MessageFontHeight(), static_cast<int>(move.dpi), kTestDpi));
        // Each dimension springs back to its minimum at this density, and
        // only below it.
        const SIZE least = {TwipsToPixels(kMinWidthTwips, move.dpi),
                            TwipsToPixels(kMinHeightTwips, move.dpi)};
        const SIZE tries[][2] = {{{200, least.cy + 40}, {least.cx, least.cy + 40}},
                                 {{least.cx + 40, 150}, {least.cx + 40, least.cy}}};
        for (const auto& [asked, expected] : tries) {
            SetWindowPos(main.hwnd, nullptr, 0, 0, asked.cx, asked.cy, SWP_NOMOVE | SWP_NOZORDER);
            GetWindowRect(main.hwnd, &outer);
            EXPECT_EQ(SizeOf(outer).cx, expected.cx);
            EXPECT_EQ(SizeOf(outer).cy, expected.cy);
        }
    }
}

// The design's width in twips at the density, the controls in the message
// font at it, and nothing cut off or overlapping.
TEST_F(DpiTest, DialogsAreLaidOutAtTheirOwnersDensity) {
    MainForm main;
    ShowWindow(main.hwnd, SW_SHOWNORMAL);
    int checked = 0;
    auto check = [&](int widthTwips) {
        return [&checked, widthTwips](HWND dialog) {
            ++checked;
            RECT client;
            GetClientRect(dialog, &client);
            EXPECT_EQ(client.right, TwipsToPixels(widthTwips, kTestDpi));
            EXPECT_EQ(FontHeight(GetDlgItem(dialog, IDOK)), MessageFontHeight());
            ExpectTidy(dialog);
            if (HWND image = GetDlgItem(dialog, kIdAboutImage)) {
                // The icon's own 48-pixel image, not the 32-pixel one stretched.
                ICONINFO info{};
                GetIconInfo(reinterpret_cast<HICON>(SendMessageW(image, STM_GETICON, 0, 0)), &info);
                UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
                BITMAP bitmap{};
                GetObjectW(colour.get(), sizeof(bitmap), &bitmap);
                EXPECT_EQ(bitmap.bmWidth, 48);
            }
            PressButton(dialog, GetDlgItem(dialog, IDCANCEL) ? IDCANCEL : IDOK);
        };
    };
    DialogScript script({OnDialogTitled(L"添加项目", check(kEditClientWidthTwips)),
                         OnDialogTitled(L"关于 Tolvane", check(5175))});
    SendMessageW(main.hwnd, WM_COMMAND, IDM_OPR_ADD, 0);
    SendMessageW(main.hwnd, WM_COMMAND, IDM_HELP_ABOUT, 0);
    EXPECT_EQ(checked, 2);
    EXPECT_FALSE(script.timedOut());

    // The quick reference's text, in the message font at the density.
    HWND reference = ShowQuickReference(main.hwnd);
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(FontHeight(GetWindow(reference, GW_CHILD)), MessageFontHeight());
    DestroyWindow(reference);
}
