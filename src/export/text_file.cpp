#include "export/text_file.h"

#include "toolkit/narrow.h"

namespace tolvane {

namespace {

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return L".";
    // "C:\x.htm" lives in "C:\", not in the drive's current folder "C:".
    return path.substr(0, slash == 0 || path[slash - 1] == L':' ? slash + 1 : slash);
}

}  // namespace

TextFile::TextFile(std::wstring target) : target_(std::move(target)) {}

TextFile::~TextFile() {
    Discard();
}

void TextFile::Discard() {
    file_.reset();
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    temporary_.clear();
}

DWORD TextFile::Open() {
    if (target_.empty()) return error_ = ERROR_INVALID_NAME;
    wchar_t temporary[MAX_PATH + 16] = {};
    if (!GetTempFileNameW(FolderOf(target_).c_str(), L"tvx", 0, temporary)) {
        return error_ = GetLastError();
    }
    temporary_ = temporary;
    file_ = UniqueFile(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_) error_ = GetLastError();
    return error_;
}

DWORD TextFile::WriteLine(std::wstring_view line) {
    std::string bytes = ToAnsi(line);
    bytes += "\r\n";
    return WriteBytes(bytes);
}

DWORD TextFile::WriteBytes(std::string_view bytes) {
    if (error_ != ERROR_SUCCESS) return error_;
    if (!file_) return error_ = ERROR_INVALID_HANDLE;
    if (beforeTextFileLine) {
        if (DWORD fault = beforeTextFileLine(lines_)) return error_ = fault;
    }
    ++lines_;
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr)) {
        return error_ = GetLastError();
    }
    if (written != bytes.size()) return error_ = ERROR_HANDLE_DISK_FULL;
    return ERROR_SUCCESS;
}

DWORD TextFile::Commit() {
    if (error_ != ERROR_SUCCESS) return error_;
    if (!file_) return error_ = ERROR_INVALID_HANDLE;
    if (!FlushFileBuffers(file_.get())) return error_ = GetLastError();
    file_.reset();
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return error_ = GetLastError();
    }
    temporary_.clear();
    return ERROR_SUCCESS;
}

DWORD WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    TextFile file(path);
    DWORD result = file.Open();
    if (result == ERROR_SUCCESS) result = file.WriteBytes(bytes);
    return result == ERROR_SUCCESS ? file.Commit() : result;
}

DWORD WriteTextFile(const std::wstring& path, const std::vector<std::wstring>& lines) {
    TextFile file(path);
    DWORD result = file.Open();
    for (size_t i = 0; i < lines.size() && result == ERROR_SUCCESS; ++i) {
        result = file.WriteLine(lines[i]);
    }
    return result == ERROR_SUCCESS ? file.Commit() : result;
}

}  // namespace tolvane
