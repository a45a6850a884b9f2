#include "editing/entry_messages.h"

#include "store/registry_snapshot.h"

namespace tolvane {

std::wstring SystemText(DWORD code) {
    if (static_cast<LONG>(code) == kErrorTreeTooDeep) {
        return L"注册项连同子键超过 " + std::to_wstring(kMaxEntryDepth) +
               L" 层，Windows 不能保存这样深的键";
    }
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, 512, nullptr);
    std::wstring message(text, length);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ' ||
            message.back() == L'.' || message.back() == L'。')) {
        message.pop_back();
    }
    if (message.empty()) return L"错误代码 " + std::to_wstring(code);
    return message + L"，错误代码 " + std::to_wstring(code);
}

std::wstring ImportRefusal(ImportCheck check, const ImportCommand& import,
                           const std::wstring& file) {
    switch (check) {
        case ImportCheck::FileMissing:
            return L"找不到文件“" + file + L"”。";
        case ImportCheck::TooLarge:
            return L"文件太大（超过 64 MB），没有导入任何内容。";
        case ImportCheck::FileUnreadable:
            return std::wstring(kImportFailed) + L"“" + file + L"”：" + SystemText(import.code());
        case ImportCheck::Invalid:
            return L"文件“" + file + L"”无效，没有导入任何内容。" + import.problem();
        case ImportCheck::RegistryUnreadable:
            return std::wstring(kImportFailed) + L"（" + SystemText(import.code()) + L"）";
        default:
            return {};
    }
}

}  // namespace tolvane
