// What the program tells the user about changes to registrations, in the
// window and at the command line alike.
#pragma once

#include <string>

#include "commands/import_command.h"
#include "store/app_path_entry.h"  // the name check and its messages

namespace tolvane {

inline constexpr wchar_t kAddFailed[] = L"项目添加失败！";
inline constexpr wchar_t kAdded[] = L"项目添加成功！";
inline constexpr wchar_t kEditFailed[] = L"编辑项目失败！";
inline constexpr wchar_t kEdited[] = L"项目编辑成功！";
inline constexpr wchar_t kDeleted[] = L"删除成功！";
inline constexpr wchar_t kDeleteFailed[] = L"删除失败！";
inline constexpr wchar_t kNoRights[] = L"没有权限修改该项目，请以管理员身份运行本程序。";

inline constexpr wchar_t kImportFailed[] = L"导入失败！";

inline std::wstring ExistsMessage(const std::wstring& name) {
    return L"项目 " + name + L" 已存在！";
}

// The system's text for an error code, on one line.
std::wstring SystemText(DWORD code);

// Why the import of |file| stops before anything is written, after
// Prepare() gave |check| (not Ready): the same reason, and the same line or
// item of the file, in the window and at the command line.
std::wstring ImportRefusal(ImportCheck check, const ImportCommand& import,
                           const std::wstring& file);

}  // namespace tolvane
