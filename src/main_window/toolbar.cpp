#include "main_window/toolbar.h"

#include <iterator>

#include "resource.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

constexpr int kImageSize = 48;
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

constexpr int kImageIds[] = {IDB_TB_REFRESH, IDB_TB_ADD, IDB_TB_EDIT, IDB_TB_DEL, IDB_TB_EXIT};

const ButtonDef* FindButton(UINT command) {
    if (command == 0) return nullptr;
    for (const ButtonDef& button : kButtons) {
        if (button.command == command) return &button;
    }
    return nullptr;
}

}  // namespace

UniqueImageList CreateToolbarImages() {
    UniqueImageList images(ImageList_Create(kImageSize, kImageSize, ILC_COLOR24 | ILC_MASK,
                                            static_cast<int>(std::size(kImageIds)), 0));
    HINSTANCE instance = GetModuleHandleW(nullptr);
    for (int id : kImageIds) {
        UniqueBitmap bitmap(static_cast<HBITMAP>(
            LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ImageList_AddMasked(images.get(), bitmap.get(), RGB(255, 255, 255));
    }
    return images;
}

HWND CreateToolbar(HWND parent, HIMAGELIST images, int height) {
    RECT client;
    GetClientRect(parent, &client);
    HWND toolbar = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                                   WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                       CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                                   0, 0, client.right, height, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(kImageSize, kImageSize));

    TBBUTTON buttons[std::size(kButtons)] = {};
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        const ButtonDef& def = kButtons[i];
        buttons[i].iBitmap = def.command ? def.image : 0;
        buttons[i].idCommand = static_cast<int>(def.command);
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = def.command ? BTNS_BUTTON : BTNS_SEP;
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    SendMessageW(toolbar, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(TwipsToPixelsX(kButtonWidthTwips), TwipsToPixelsY(kButtonHeightTwips)));
    return toolbar;
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
