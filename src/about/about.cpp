#include "about/about.h"

#include <algorithm>
#include <string>

#include "about/credits.h"
#include "resource.h"
#include "toolkit/build_info.h"
#include "toolkit/designed_dialog.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// The client area and the controls, in twips.
constexpr int kClientWidthTwips = 5175;
constexpr int kClientHeightTwips = 3660;
constexpr int kOkBottomTwips = 3000 + 495;

constexpr wchar_t kNote[] =
    L"    这个小工具是我在去年一个冬天的周末写成的。那时我常在“运行”对话框里敲短名字来启动程序，"
    L"也想给自己常用的软件起个短名字，可每添加一个都得打开注册表编辑器，一层层找到那个键，"
    L"再手工新建项、粘贴程序路径，既麻烦又容易出错。于是我干脆写了这个小程序，"
    L"把添加、修改和删除都放进一个窗口里，前后大约花了两个晚上的时间。界面简陋，功能也不多，"
    L"但我自己用着很顺手，就拿出来和朋友们分享，希望对你也有用。";

// In creation order, which makes the z-order and so the tab order: title,
// note, button, credits. The icon and the version, on the title's line at
// the right, stand outside it, last.
// Texts that are not fixed literals are set after creation (ControlText).
constexpr ControlDesign kControls[] = {
    {kIdAboutTitle, L"Static", nullptr, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 720, 240, 900, 180},
    {kIdAboutContent, L"Static", nullptr, SS_LEFT | SS_NOPREFIX, 0, 120, 1200, 4935, 1695},
    {kIdAboutOk, L"Button", nullptr, BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 1920, 3000, 1215, 495},
    {kIdAboutAuthor, L"Static", nullptr, SS_LEFT | SS_NOPREFIX, 0, 120, 600, 4935, 615},
    {kIdAboutImage, L"Static", nullptr, SS_ICON, 0, 120, 120, 480, 480},
    {kIdAboutVersion, L"Static", nullptr, SS_RIGHT | SS_NOPREFIX, 0, 2880, 240, 2175, 180},
};

struct AboutState {
    HWND owner = nullptr;
    // The icon shown when the image is not of the shared icon's 32 x 32
    // pixels, at another density than 96 dots per inch.
    UniqueIcon sizedIcon;
};

std::wstring AuthorText() {
    return std::wstring(L"作者：") + kAuthorCredit + L"\r\n网站：" + kSiteUrl + L"\r\n邮件：" +
           kMailAddress;
}

std::wstring ControlText(int id) {
    switch (id) {
        case kIdAboutTitle:
            return kAboutCaption;
        case kIdAboutContent:
            return kNote;
        case kIdAboutOk:
            return L"确定(&O)";
        case kIdAboutAuthor:
            return AuthorText();
        case kIdAboutVersion:
            return L"版本 " TOLVANE_VERSION_AND_BITS;
        default:
            return L"";
    }
}

HWND CreateControl(HWND dialog, const ControlDesign& design, UINT dpi) {
    HWND control = CreateDesignedControl(dialog, design, dpi);
    std::wstring text = ControlText(design.id);
    if (!text.empty()) SetWindowTextW(control, text.c_str());
    return control;
}

// The program's icon drawn at the image's size rather than stretched: the
// icon file holds images for denser displays.
void ShowProgramIcon(HWND image, AboutState& state) {
    RECT design;
    GetWindowRect(image, &design);
    int side = design.right - design.left;
    HICON icon = ProgramIcon();
    if (side != 32) {
        state.sizedIcon.reset(static_cast<HICON>(LoadImageW(
            GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TOLVANE), IMAGE_ICON, side, side, 0)));
        if (state.sizedIcon) icon = state.sizedIcon.get();
    }
    SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // Setting the icon sizes the control to the icon; the design size stays.
    SetWindowPos(image, nullptr, 0, 0, design.right - design.left, design.bottom - design.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT PlaceOf(HWND dialog, int id) {
    RECT rect;
    HWND control = GetDlgItem(dialog, id);
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Place(HWND dialog, int id, const RECT& rect) {
    SetWindowPos(GetDlgItem(dialog, id), nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The room a label's text takes in its font: on one line, or wrapped at the
// label's width as the label draws it.
SIZE TextExtent(HWND dialog, int id, bool oneLine) {
    HWND label = GetDlgItem(dialog, id);
    RECT place = PlaceOf(dialog, id);
    RECT rect = {0, 0, oneLine ? 0 : place.right - place.left, 0};
    WindowDc dc(label);
    SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
    std::wstring text = WindowText(label);
    UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_LEFT;
    DrawTextW(dc.get(), text.c_str(), -1, &rect, format | (oneLine ? DT_SINGLELINE : DT_WORDBREAK));
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// Grows |rect| to at least |size|, keeping its top left corner.
void GrowTo(RECT& rect, SIZE size) {
    rect.right = std::max(rect.right, rect.left + size.cx);
    rect.bottom = std::max(rect.bottom, rect.top + size.cy);
}

// Moves |rect| down so that it starts no higher than |floor|.
void KeepBelow(RECT& rect, LONG floor) {
    if (rect.top < floor) OffsetRect(&rect, 0, floor - rect.top);
}

// The design places suit a 12-pixel interface font at 96 dots per inch. A
// taller font keeps every place but lets the labels grow to their text,
// pushing what stands below them down, and the window grows with them when
// it must.
int FitToFont(HWND dialog, UINT dpi) {
    RECT title = PlaceOf(dialog, kIdAboutTitle);
    GrowTo(title, TextExtent(dialog, kIdAboutTitle, true));
    Place(dialog, kIdAboutTitle, title);

    // The version keeps its right edge: it grows to the left.
    RECT version = PlaceOf(dialog, kIdAboutVersion);
    SIZE versionText = TextExtent(dialog, kIdAboutVersion, true);
    version.left = std::min(version.left, version.right - versionText.cx);
    version.bottom = std::max(version.bottom, version.top + versionText.cy);
    Place(dialog, kIdAboutVersion, version);

    RECT author = PlaceOf(dialog, kIdAboutAuthor);
    GrowTo(author, TextExtent(dialog, kIdAboutAuthor, false));
    Place(dialog, kIdAboutAuthor, author);

    RECT content = PlaceOf(dialog, kIdAboutContent);
    KeepBelow(content, author.bottom);
    GrowTo(content, TextExtent(dialog, kIdAboutContent, false));
    Place(dialog, kIdAboutContent, content);

    RECT ok = PlaceOf(dialog, kIdAboutOk);
    KeepBelow(ok, content.bottom);
    Place(dialog, kIdAboutOk, ok);

    int margin = TwipsToPixels(kClientHeightTwips - kOkBottomTwips, dpi);
    return std::max<int>(TwipsToPixels(kClientHeightTwips, dpi), ok.bottom + margin);
}

BOOL OnInitDialog(HWND dialog, AboutState* state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    SetProgramIcon(dialog);
    UINT dpi = DialogDpi(dialog);
    for (const ControlDesign& def : kControls) {
        HWND control = CreateControl(dialog, def, dpi);
        if (def.id == kIdAboutImage) ShowProgramIcon(control, *state);
    }
    SizeClientArea(dialog, TwipsToPixels(kClientWidthTwips, dpi), FitToFont(dialog, dpi));
    SendMessageW(dialog, DM_SETDEFID, kIdAboutOk, 0);
    CenterWindow(dialog, state->owner);
    SetFocus(GetDlgItem(dialog, kIdAboutOk));
    return FALSE;  // the focus is set
}

BOOL OnCommand(HWND dialog, int id) {
    // Esc arrives as IDCANCEL and is ignored: the window has no cancel
    // button. The close box comes through WM_CLOSE instead.
    if (id == kIdAboutOk) EndDialog(dialog, IDOK);
    return TRUE;
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog(dialog, reinterpret_cast<AboutState*>(lParam));
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam));
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowAboutDlg(HWND owner) {
    AboutState state;
    state.owner = owner;
    ShowDesignedDialog(owner, kAboutCaption, AboutDlgProc, reinterpret_cast<LPARAM>(&state));
}

void mnuHelpAbout_Click(HWND owner) {
    ShowAboutDlg(owner);
}

void mnuHelpContent_Click(HWND owner) {
    ShowMessage(owner, kHelpText, kStyleInfo);
}

}  // namespace tolvane
