#include "common_dialog/comm_dlg.h"

#include <algorithm>

#include "common_dialog/dialog_handles.h"
#include "common_dialog/dialog_observer.h"
#include "common_dialog/dlg_lib.h"
#include "common_dialog/file_dialog_record.h"
#include "common_dialog/numeric_text.h"
#include "toolkit/narrow.h"

namespace tolvane {

namespace {

enum ActionCode : int16_t {
    kOpenFile = 1,
    kSaveFile = 2,
    kColour = 3,
    kFont = 4,
    kPrinter = 5,
    kHelp = 6,
};

int32_t ShowFileDialog(int16_t mAction, OPENFILENAMEA& record) {
    if (DialogObserver* observer = CurrentDialogObserver()) observer->BeforeFileDialog(record);
    return mAction == kOpenFile ? DlgLib::GetOpenFileNameA(&record)
                                : DlgLib::GetSaveFileNameA(&record);
}

int32_t ShowHelp(HWND owner, const std::wstring& helpFile, int32_t command, int32_t key) {
    std::string file = ToAnsi(helpFile);
    const char* path = file.empty() ? nullptr : file.c_str();
    auto data = static_cast<ULONG_PTR>(static_cast<uint32_t>(key));
    if (DialogObserver* observer = CurrentDialogObserver()) {
        observer->BeforeHelp(owner, path, static_cast<UINT>(command), data);
    }
    return DlgLib::WinHelpA(owner, path, static_cast<UINT>(command), data);
}

}  // namespace

void CommDlg::Action(int16_t mAction) {
    switch (mAction) {
        case kOpenFile:
        case kSaveFile:
        case kHelp:
            RunFileAction(mAction);
            break;
        case kColour:
            RunColourAction();
            break;
        case kFont:
            RunFontAction();
            break;
        case kPrinter:
            RunPrinterAction();
            break;
        default:
            break;
    }
}

void CommDlg::ApplyOwnerDefault() {
    if (owner_ == 0) owner_ = AsLong(DlgLib::GetActiveWindow());
}

void CommDlg::RunFileAction(int16_t mAction) {
    ApplyOwnerDefault();
    FileDialogRecord file(*this);
    if (mAction == kHelp) {
        int32_t key = TextToLong(helpKey_);
        DlgLib::lngReturn = ShowHelp(AsWindow(owner_), helpFile_, helpCommand_, key);
    } else {
        DlgLib::lngReturn = ShowFileDialog(mAction, file.record());
    }
    if (DlgLib::lngReturn <= 0) RaiseCancel();
    if (mAction == kHelp) {
        // The help viewer leaves both buffers as they were built: the title
        // buffer all NULs, the file buffer the name and its NUL padding. Read
        // from the name itself, so that no character is lost to the code page.
        fileTitle_.clear();
        if (fileName_.size() < kFileBufferChars || fileName_.find(L'\0') != std::wstring::npos) {
            fileName_ = fileName_.substr(0, fileName_.find(L'\0'));
        }
        return;
    }
    if (auto title = file.TitleText()) fileTitle_ = *title;
    if (auto name = file.FileText()) fileName_ = *name;
}

void CommDlg::RunColourAction() {
    // Sixteen custom colours, every byte 255: white, with the high byte set.
    COLORREF customColours[16];
    std::fill(std::begin(customColours), std::end(customColours), 0xFFFFFFFFu);
    ApplyOwnerDefault();
    CHOOSECOLORA record{};
    record.lStructSize = sizeof(record);
    record.hwndOwner = AsWindow(owner_);
    // The record declares this member as a window; it carries the instance.
    record.hInstance = reinterpret_cast<HWND>(GetModuleHandleW(nullptr));
    record.lpCustColors = customColours;
    record.Flags = static_cast<DWORD>(flags_);
    record.rgbResult = static_cast<COLORREF>(rgbResult_);
    if (DialogObserver* observer = CurrentDialogObserver()) observer->BeforeColourDialog(record);
    DlgLib::lngReturn = DlgLib::ChooseColorA(&record);
    if (DlgLib::lngReturn == 0) RaiseCancel();
    rgbResult_ = static_cast<int32_t>(record.rgbResult);
}

}  // namespace tolvane
