#include "about/quick_reference.h"

#include <commctrl.h>

#include "toolkit/designed_dialog.h"
#include "toolkit/toolkit.h"

namespace tolvane {

namespace {

// The window's client area at first, in twips: about 36 characters wide and
// 25 lines high in the message font; the text scrolls.
constexpr int kWidthTwips = 7800;
constexpr int kHeightTwips = 6600;
constexpr UINT_PTR kTextSubclass = 1;

constexpr const wchar_t* kLines[] = {
    L"【列】",
    L"项目名称：在“运行”对话框中输入的短名称，即 App Paths 下子项的名称。",
    L"程序路径：这个名称启动的程序文件（子项的默认值）。",
    L"发布者：程序文件版本信息中的公司名称。",
    L"范围：“所有用户”登记在 HKEY_LOCAL_MACHINE，“当前用户”登记在 HKEY_CURRENT_USER。",
    L"状态：检查发现的情况，几项之间以“；”隔开。",
    L"",
    L"【状态列】",
    L"正在检查：还没有检查完。某个 PATH 文件夹两秒内没有响应（例如断开的网络共享）时，"
    L"需要它的检查也显示这一项，直到它响应。",
    L"目标不存在：程序文件不存在，这一行显示为灰色。“清理无效项目”删除的就是这样的项目。",
    L"路径不完整：程序路径不是完整路径（没有驱动器号或网络共享名）。",
    L"附加路径中有不存在的文件夹：Path 值列出的文件夹中有不存在的。",
    L"两处都有登记：同一个名称在“所有用户”和“当前用户”中都有登记。",
    L"被当前用户的登记覆盖：显示在“所有用户”的这一行上，“运行”启动的是当前用户登记的程序，"
    L"不是这一项。",
    L"覆盖同名程序：<文件>：Windows 文件夹、System32 或 PATH 中的文件夹里有同名文件，"
    L"“运行”启动的是这项登记的程序，而不是那个文件。",
    L"可疑：<原因>：符合植入型恶意登记的特征，这一行显示为深红色。几个原因之间以“、”隔开：",
    L"    当前用户登记覆盖系统程序：当前用户登记的名称是 System32 或 Windows 文件夹中的程序。",
    L"    程序位于临时或公共文件夹：程序或附加路径中的文件夹在临时文件夹、“下载”(Downloads) "
    L"文件夹、\\Users\\Public\\ 中，或就在 %ProgramData% 下。",
    L"    目标是脚本或脚本宿主：目标是脚本（.bat、.cmd、.ps1、.vbs、.js、.wsf、.hta 等）、"
    L".scr 或 .dll，或者是以其他程序名称登记的 cmd.exe、powershell.exe、mshta.exe、"
    L"rundll32.exe 等脚本宿主。",
    L"可疑的项目不会被自动清理。",
    L"",
    L"【键盘和鼠标】",
    L"F1：打开本说明；Esc 关闭它。",
    L"F5：刷新列表。",
    L"Ctrl+N 或 Ins：添加项目。",
    L"Enter 或双击：编辑选中的项目。",
    L"Del：删除选中的项目（可以选中多项）。",
    L"Ctrl+A：选中列表中显示的全部项目。",
    L"Ctrl+Z：撤销上一次更改（添加、编辑、删除、清理或导入）。",
    L"Ctrl+C：复制选中项目的程序路径。",
    L"Ctrl+F：转到筛选框，按名称、路径或发布者筛选；在筛选框中按 Esc 清空筛选。",
    L"在列表中直接输入名称的开头：转到名称以它开头的项目。",
    L"单击列标题：按这一列排序，再单击为降序，第三次恢复注册表中的顺序。",
    L"右键单击、Shift+F10 或菜单键：项目的快捷菜单，可以编辑、删除、运行、打开文件位置、"
    L"复制名称或路径、在注册表编辑器中打开。",
    L"把 .exe 文件或其快捷方式拖到窗口上：打开“添加项目”，名称和路径已经填好。",
    L"鼠标停在显示不全的单元格上：显示其完整内容。",
    L"",
    L"【设置保存在哪里】",
    L"窗口的位置和大小、各列的宽度和排序方式保存在注册表的 HKEY_CURRENT_USER\\Software\\Tolvane "
    L"中。筛选的内容不保存。",
    L"",
    L"【清理无效项目保存什么】",
    L"删除之前，要删除的项目（连同它们的全部值和子项）先保存为注册表文件，放在“文档”文件夹中，"
    L"文件名为“Tolvane 清理备份 年-月-日 时分秒.reg”。只有保存成功才会删除。双击这个文件，"
    L"或运行 reg import 或 tolvanec import，即可恢复这些项目。",
};

HWND TextOf(HWND window) {
    return GetWindow(window, GW_CHILD);
}

// Esc closes the reference from its text, where the keys go.
LRESULT CALLBACK TextProc(HWND text, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                          DWORD_PTR) {
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                DestroyWindow(GetParent(text));
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_ESCAPE) return 0;
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(text, TextProc, kTextSubclass);
            break;
    }
    return DefSubclassProc(text, message, wParam, lParam);
}

void LayOut(HWND window, UINT dpi) {
    RECT client;
    GetClientRect(window, &client);
    HWND text = TextOf(window);
    SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont(dpi)), TRUE);
    // A margin inside the text, as on a page; a new font resets it.
    int margin = TwipsToPixels(120, dpi);
    SendMessageW(text, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(margin, margin));
    SetWindowPos(text, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CreateText(HWND window) {
    HWND text = CreateWindowExW(
        0, L"EDIT", QuickReferenceText().c_str(),
        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 0, 0, 0,
        0, window, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(text, TextProc, kTextSubclass, 0);
}

LRESULT CALLBACK ReferenceProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            CreateText(window);
            return 0;
        case WM_SIZE:
            LayOut(window, DpiOf(window));
            return 0;
        case WM_SETFOCUS:
            SetFocus(TextOf(window));
            return 0;
        case WM_CTLCOLORSTATIC:
            // Read-only text on the page's white rather than a dialog's grey.
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        case WM_DPICHANGED: {
            const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested.left, suggested.top,
                         suggested.right - suggested.left, suggested.bottom - suggested.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            LayOut(window, HIWORD(wParam));
            return 0;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterReferenceClass(HINSTANCE instance) {
    return RegisterProgramWindowClass(instance, kQuickReferenceClass, ReferenceProc, COLOR_WINDOW);
}

struct Search {
    HWND owner;
    HWND found = nullptr;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM param) {
    auto& search = *reinterpret_cast<Search*>(param);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (GetWindow(window, GW_OWNER) == search.owner && lstrcmpW(name, kQuickReferenceClass) == 0) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring QuickReferenceText() {
    std::wstring text;
    for (const wchar_t* line : kLines) text += std::wstring(line) + L"\r\n";
    return text;
}

HWND FindQuickReference(HWND owner) {
    Search search{owner};
    EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), FindOwned,
                      reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ShowQuickReference(HWND owner) {
    if (HWND open = FindQuickReference(owner)) {
        if (IsIconic(open)) ShowWindow(open, SW_RESTORE);
        SetForegroundWindow(open);
        SetActiveWindow(open);
        return open;
    }
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterReferenceClass(instance)) return nullptr;
    constexpr DWORD style = WS_OVERLAPPEDWINDOW & ~WS_MINIMIZEBOX;
    HWND window =
        CreateWindowExW(0, kQuickReferenceClass, kQuickReferenceCaption, style, CW_USEDEFAULT,
                        CW_USEDEFAULT, 0, 0, owner, nullptr, instance, nullptr);
    if (!window) return nullptr;
    // Sized at the density of the monitor it opened on.
    UINT dpi = DpiOf(window);
    SizeClientArea(window, TwipsToPixels(kWidthTwips, dpi), TwipsToPixels(kHeightTwips, dpi));
    CenterWindow(window, owner);
    LayOut(window, dpi);
    ShowWindow(window, SW_SHOW);
    SetFocus(TextOf(window));
    return window;
}

}  // namespace tolvane
