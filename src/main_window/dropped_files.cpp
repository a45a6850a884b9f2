// Program files dropped on the window from Explorer: each opens the add
// dialog with its name and path filled in, one after another; a shortcut
// stands for the program that it starts. Other files are refused in one
// message.
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "main_window/window_parts.h"
#include "toolkit/handles.h"
#include "toolkit/toolkit.h"
#include "toolkit/file_scope.h"

namespace tolvane {

namespace {

using UniqueDrop = UniqueHandle<HDROP, DragFinish>;

constexpr size_t kNamesShown = 20;

struct Program {
    std::wstring name;
    std::wstring path;
};

std::vector<std::wstring> DroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths;
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length, L'\0');
        if (length && DragQueryFileW(drop, i, path.data(), length + 1) == length) {
            paths.push_back(std::move(path));
        }
    }
    return paths;
}

bool EndsWith(const std::wstring& path, const wchar_t* extension) {
    size_t length = wcslen(extension);
    return path.size() > length &&
           CompareStringOrdinal(path.c_str() + path.size() - length, static_cast<int>(length),
                                extension, static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file that a shortcut starts, as the shortcut holds it; empty when it
// cannot be read or names no file (a shortcut to a folder of the shell).
std::wstring ShortcutTarget(const std::wstring& link) {
    ComPtr<IShellLinkW> shortcut;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                shortcut.put())) ||
        FAILED(shortcut->QueryInterface(IID_IPersistFile, file.put())) ||
        FAILED(file->Load(link.c_str(), STGM_READ))) {
        return {};
    }
    std::wstring target(32768, L'\0');
    if (shortcut->GetPath(target.data(), static_cast<int>(target.size()), nullptr, 0) != S_OK) {
        return {};
    }
    target.resize(wcslen(target.c_str()));
    return target;
}

// The program that a dropped file stands for, or none.
std::optional<Program> ProgramOf(const std::wstring& path) {
    std::wstring program = EndsWith(path, L".lnk") ? ShortcutTarget(path) : path;
    if (!EndsWith(program, L".exe") || IsFolder(program)) return std::nullopt;
    return Program{FileNameOf(program), program};
}

std::wstring RefusedMessage(const std::vector<std::wstring>& refused) {
    std::wstring text = L"以下文件不是程序或程序的快捷方式，不能登记：\n\n";
    for (size_t i = 0; i < refused.size() && i < kNamesShown; ++i) text += refused[i] + L"\n";
    if (refused.size() > kNamesShown) {
        text += L"等 " + std::to_wstring(refused.size()) + L" 个文件\n";
    }
    return text;
}

}  // namespace

void OnDropFiles(FrmMain& form, HDROP drop) {
    std::vector<std::wstring> paths;
    {
        UniqueDrop owner(drop);
        paths = DroppedPaths(drop);
    }
    std::vector<Program> programs;
    std::vector<std::wstring> refused;
    for (const std::wstring& path : paths) {
        if (std::optional<Program> program = ProgramOf(path)) {
            programs.push_back(std::move(*program));
        } else {
            refused.push_back(FileNameOf(path));
        }
    }
    // The files came from another window: the questions should not open
    // behind it.
    SetForegroundWindow(form.hwnd);
    if (!refused.empty()) ShowMessage(form.hwnd, RefusedMessage(refused), kStyleError);
    for (const Program& program : programs) AddProgram(form, program.name, program.path);
}

}  // namespace tolvane
