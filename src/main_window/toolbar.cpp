#include "main_window/toolbar.h"

#include <cstdlib>
#include <iterator>

#include "resource.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr int kButtonWidthTwips = 825;
constexpr int kButtonHeightTwips = 810;

struct ButtonDef {
    UINT command;  // 0 for the separator
    int image;     // zero-based index in imlToolBar
    const wchar_t* key;
    const wchar_t* tip;
};

constexpr ButtonDef kButtons[] = {
    {IDT_REFRESH, 0, L"Refresh", L"刷新列表"},
    {IDT_ADD, 1, L"Add", L"添加项目"},
    {IDT_EDIT, 2, L"Edit", L"编辑项目"},
    {IDT_DEL, 3, L"Del", L"删除项目"},
    {0, -1, nullptr, nullptr},
    {IDT_EXIT, 4, L"Exit", L"退出程序"},
};

// The pictures in imlToolBar's order, one set per size drawn.
struct PictureSet {
    int size;
    int ids[5];
};

constexpr PictureSet kPictureSets[] = {
    {48, {IDB_TB_REFRESH_48, IDB_TB_ADD_48, IDB_TB_EDIT_48, IDB_TB_DEL_48, IDB_TB_EXIT_48}},
    {72, {IDB_TB_REFRESH_72, IDB_TB_ADD_72, IDB_TB_EDIT_72, IDB_TB_DEL_72, IDB_TB_EXIT_72}},
    {96, {IDB_TB_REFRESH_96, IDB_TB_ADD_96, IDB_TB_EDIT_96, IDB_TB_DEL_96, IDB_TB_EXIT_96}},
};

// See CreateToolbarImages.
const PictureSet& PicturesFor(UINT dpi) {
    int wanted = MulDiv(48, static_cast<int>(dpi), 96);
    const PictureSet* best = &kPictureSets[0];
    for (const PictureSet& set : kPictureSets) {
        if (std::abs(set.size - wanted) < std::abs(best->size - wanted)) best = &set;
    }
    return *best;
}

const ButtonDef* FindButton(UINT command) {
    if (command == 0) return nullptr;
    for (const ButtonDef& button : kButtons) {
        if (button.command == command) return &button;
    }
    return nullptr;
}

}  // namespace

UniqueImageList CreateToolbarImages(UINT dpi) {
    const PictureSet& pictures = PicturesFor(dpi);
    UniqueImageList images(ImageList_Create(pictures.size, pictures.size, ILC_COLOR24 | ILC_MASK,
                                            static_cast<int>(std::size(pictures.ids)), 0));
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (int id : pictures.ids) {
        UniqueBitmap bitmap(static_cast<HBITMAP>(
            LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ImageList_AddMasked(images.get(), bitmap.get(), RGB(255, 255, 255));
    }
    return images;
}

HWND CreateToolbar(HWND parent, HIMAGELIST images, int height, UINT dpi) {
    RECT client;
    GetClientRect(parent, &client);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                       CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                   0, 0, client.right, height, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    TBBUTTON buttons[std::size(kButtons)] = {};
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonDef& def = kButtons[i];
        buttons[i].iBitmap = def.command ? def.image : 0;
        buttons[i].idCommand = static_cast<int>(def.command);
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = def.command ? BTNS_BUTTON : BTNS_SEP;
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    ScaleToolbar(toolbar, images, dpi);
    return toolbar;
}

void ScaleToolbar(HWND toolbar, HIMAGELIST images, UINT dpi) {
    int side = PicturesFor(dpi).size;
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(side, side));
    SendMessageW(
        toolbar, TB_SETBUTTONSIZE, 0,
        MAKELPARAM(TwipsToPixels(kButtonWidthTwips, dpi), TwipsToPixels(kButtonHeightTwips, dpi)));
}

void DockToolbar(HWND toolbar, HWND parent) {
    RECT client;
    GetClientRect(parent, &client);
    RECT bar;
    GetWindowRect(toolbar, &bar);
    SetWindowPos(toolbar, nullptr, 0, 0, client.right, bar.bottom - bar.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

const wchar_t* ToolbarKeyOf(UINT command) {
    const ButtonDef* button = FindButton(command);
    return button ? button->key : nullptr;
}

const wchar_t* ToolbarTipOf(UINT command) {
    const ButtonDef* button = FindButton(command);
    return button ? button->tip : nullptr;
}

}  // namespace tolvane
