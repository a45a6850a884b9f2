#include "common_dialog/file_dialog_record.h"

#include <cstddef>
#include <cstring>

#include "common_dialog/dialog_handles.h"
#include "common_dialog/raised_error.h"
#include "common_dialog/record_sizes.h"
#include "toolkit/narrow.h"

namespace tolvane {

namespace {

// Filters are walked with a 16-bit position: 32767 is the first length that
// it cannot step past.
constexpr size_t kFilterLimit = 32767;

// An empty text reaches the platform as a null pointer: "use your default".
const char* TextOrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

}  // namespace

std::string FilterList(const std::wstring& filter) {
    if (filter.size() >= kFilterLimit) throw RaisedError(kErrOverflow, "filter too long");
    // Replaced before the conversion: in code page 936 the byte of "|" can
    // also be the second byte of a double-byte character.
    std::wstring list = filter;
    for (wchar_t& c : list) {
        if (c == L'|') c = L'\0';
    }
    list.append(2, L'\0');
    return ToAnsi(list);
}

std::string FileBuffer(const std::wstring& fileName) {
    if (fileName.size() > kFileBufferChars) {
        throw RaisedError(kErrInvalidArgument, "file name too long");
    }
    std::wstring buffer = fileName;
    buffer.resize(kFileBufferChars, L'\0');
    std::string bytes = ToAnsi(buffer);
    // Characters that the code page cannot hold may shrink to one byte for
    // two; the dialog may still write nMaxFile bytes.
    if (bytes.size() < kFileBufferChars) bytes.resize(kFileBufferChars, '\0');
    return bytes;
}

FileDialogRecord::FileDialogRecord(const CommDlg& dialog)
    : file_(FileBuffer(dialog.FileName())),
      title_(kFileBufferChars, '\0'),
      filter_(FilterList(dialog.Filter())),
      defaultExt_(ToAnsi(dialog.DefaultExt())),
      initialDir_(ToAnsi(dialog.InitDir())),
      dialogTitle_(ToAnsi(dialog.DialogTitle())) {
    // The file buffer may hold more than 255 bytes when the name has
    // double-byte characters; the dialog still writes at most 255, and
    // std::string keeps a NUL after the last byte, so a name that fills the
    // buffer is still read as a terminated text.
    record_.lStructSize = kFileRecordSize;
    record_.hwndOwner = AsWindow(dialog.Owner());
    record_.Flags = static_cast<DWORD>(dialog.flags());
    record_.lpstrDefExt = TextOrNull(defaultExt_);
    record_.lpstrInitialDir = TextOrNull(initialDir_);
    record_.lpstrFile = file_.data();
    record_.nMaxFile = kFileBufferChars;
    record_.lpstrFileTitle = title_.data();
    record_.nMaxFileTitle = kFileBufferChars;
    record_.lpstrFilter = filter_.c_str();
    record_.nFilterIndex = static_cast<DWORD>(dialog.FilterIndex());
    record_.lpstrTitle = TextOrNull(dialogTitle_);
    record_.hInstance = GetModuleHandleW(nullptr);
}

std::optional<std::wstring> FileDialogRecord::BufferText(const std::string& buffer) {
    const void* nul = std::memchr(buffer.data(), 0, buffer.size());
    if (!nul) return std::nullopt;
    size_t length = static_cast<size_t>(static_cast<const char*>(nul) - buffer.data());
    return FromAnsi(std::string_view(buffer.data(), length));
}

}  // namespace tolvane
