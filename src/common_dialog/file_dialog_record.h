// The open and save dialogs' record together with the narrow texts and
// buffers that it points to, built from a CommDlg's properties.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>

#include "common_dialog/comm_dlg.h"

namespace tolvane {

// Capacity of the file and title buffers, in characters.
inline constexpr size_t kFileBufferChars = 255;

// The filter list: every "|" becomes one NUL, then two NULs end the list.
// Throws RaisedError(kErrOverflow) for 32767 characters or more.
std::string FilterList(const std::wstring& filter);

// |fileName| followed by NULs up to 255 characters, in the ANSI code page.
// Throws RaisedError(kErrInvalidArgument) for more than 255 characters.
std::string FileBuffer(const std::wstring& fileName);

class FileDialogRecord {
  public:
    // Throws as FileBuffer and FilterList do.
    explicit FileDialogRecord(const CommDlg& dialog);
    FileDialogRecord(const FileDialogRecord&) = delete;
    FileDialogRecord& operator=(const FileDialogRecord&) = delete;

    OPENFILENAMEA& record() { return record_; }

    // The text before the first NUL of a buffer as the dialog left it, or
    // nothing when the buffer holds no NUL.
    std::optional<std::wstring> FileText() const { return BufferText(file_); }
    std::optional<std::wstring> TitleText() const { return BufferText(title_); }

  private:
    static std::optional<std::wstring> BufferText(const std::string& buffer);

    std::string file_;
    std::string title_;
    std::string filter_;
    std::string defaultExt_;
    std::string initialDir_;
    std::string dialogTitle_;
    OPENFILENAMEA record_{};
};

}  // namespace tolvane
