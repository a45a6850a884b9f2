#include "export/text_file.h"

#include <windows.h>

#include "common_dialog/raised_error.h"
#include "toolkit/narrow.h"

namespace tolvane {

TextFile::TextFile(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!file_) throw RaisedError(kErrPathFileAccess);
}

void TextFile::WriteLine(std::wstring_view line) {
    std::string bytes = ToAnsi(line);
    bytes += "\r\n";
    DWORD written = 0;
    if (!file_ ||
        !WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) ||
        written != bytes.size()) {
        throw RaisedError(kErrDeviceIo);
    }
}

}  // namespace tolvane
