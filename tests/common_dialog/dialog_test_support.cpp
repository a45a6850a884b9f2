#include "dialog_test_support.h"

#include <cstring>

#include "toolkit/toolkit.h"

namespace tolvane::testing {

int RunAction(CommDlg& dlg, int16_t code) {
    try {
        dlg.Action(code);
    } catch (const RaisedError& error) {
        return error.number();
    }
    return -1;
}

namespace {

constexpr wchar_t kWindowClass[] = L"TolvaneDialogTestOwner";

void RegisterOwnerClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&windowClass);
    registered = true;
}

std::string BlockBytes(HGLOBAL block) {
    if (!block) return {};
    auto* bytes = static_cast<const char*>(GlobalLock(block));
    if (!bytes) return {};
    std::string copy(bytes, GlobalSize(block));
    GlobalUnlock(block);
    return copy;
}

bool IsMovable(HGLOBAL block) {
    void* memory = GlobalLock(block);
    if (!memory) return false;
    GlobalUnlock(block);
    return memory != block;
}

std::string TextOf(const char* text) {
    return text ? std::string(text) : std::string();
}

std::string DoubleNulList(const char* list) {
    if (!list) return {};
    size_t length = 0;
    while (list[length] != '\0' || list[length + 1] != '\0') ++length;
    return std::string(list, length + 2);
}

}  // namespace

ActiveWindow::ActiveWindow() {
    RegisterOwnerClass();
    window_ = CreateWindowExW(0, kWindowClass, L"Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

ActiveWindow::~ActiveWindow() {
    DestroyWindow(window_);
}

RecordingObserver::RecordingObserver() {
    previous_ = SetDialogObserver(this);
}

RecordingObserver::~RecordingObserver() {
    SetDialogObserver(previous_);
}

void RecordingObserver::BeforeFileDialog(const OPENFILENAMEA& record) {
    ++calls;
    file = record;
    fileBuffer.assign(record.lpstrFile, record.nMaxFile);
    titleBuffer.assign(record.lpstrFileTitle, record.nMaxFileTitle);
    filterList = DoubleNulList(record.lpstrFilter);
    defaultExt = TextOf(record.lpstrDefExt);
    initialDir = TextOf(record.lpstrInitialDir);
    dialogTitle = TextOf(record.lpstrTitle);
}

void RecordingObserver::BeforeColourDialog(const CHOOSECOLORA& record) {
    ++calls;
    colour = record;
    customColours.assign(record.lpCustColors, record.lpCustColors + 16);
}

void RecordingObserver::BeforeFontDialog(const CHOOSEFONTA& record) {
    ++calls;
    font = record;
    logFont = *record.lpLogFont;
}

void RecordingObserver::BeforePrinterDialog(const PRINTDLGA& record) {
    ++calls;
    printer = record;
    devNames = BlockBytes(record.hDevNames);
    devMode = BlockBytes(record.hDevMode);
    devNamesMovable = IsMovable(record.hDevNames);
    devModeMovable = IsMovable(record.hDevMode);
}

void RecordingObserver::BeforeHelp(HWND owner, const char* file, UINT command, ULONG_PTR data) {
    ++calls;
    helpOwner = owner;
    helpFileGiven = file != nullptr;
    helpFile = TextOf(file);
    helpCommand = command;
    helpData = data;
}

bool IsCommonDialog(HWND dialog) {
    return !IsMessageBox(dialog);
}

DialogStep CancelDialog(std::function<void(HWND)> act) {
    return {IsCommonDialog, [act](HWND dialog) {
                if (act) act(dialog);
                PressButton(dialog, IDCANCEL);
            }};
}

DialogStep ConfirmDialog(std::function<void(HWND)> act) {
    return {IsCommonDialog, [act](HWND dialog) {
                act(dialog);
                PressButton(dialog, IDOK);
            }};
}

DialogStep ChooseFile(const std::wstring& path, int filterIndex) {
    return ConfirmDialog([path, filterIndex](HWND dialog) {
        if (filterIndex > 0) SelectComboEntry(dialog, kFileTypeBox, filterIndex - 1);
        SetControlText(dialog, kFileNameBox, path);
    });
}

void SelectComboEntry(HWND dialog, int id, int index) {
    HWND box = GetDlgItem(dialog, id);
    SendMessageW(box, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
}

void ClickButton(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    SendMessageW(button, BM_CLICK, 0, 0);
}

TempFile::TempFile(const std::wstring& name, bool create) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + name;
    DeleteFileW(path_.c_str());
    if (!create) return;
    HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

TempFile::~TempFile() {
    DeleteFileW(path_.c_str());
}

}  // namespace tolvane::testing
