// A text file opened for output: created, or truncated when it exists, and
// written line by line in the ANSI code page with CR LF after every line.
// Failures raise RaisedError, as the rest of a command's failures do.
#pragma once

#include <string>
#include <string_view>

#include "toolkit/handles.h"

namespace tolvane {

// Run-time error numbers of file output.
inline constexpr int kErrDeviceIo = 57;        // device I/O error
inline constexpr int kErrPathFileAccess = 75;  // path/file access error

class TextFile {
  public:
    // Creates or truncates |path|; throws RaisedError when it cannot.
    explicit TextFile(const std::wstring& path);

    // Writes |line| and CR LF in one write; throws RaisedError on failure.
    void WriteLine(std::wstring_view line);

    // Closes the file; a file left open is closed by the destructor.
    void Close() { file_.reset(); }

  private:
    UniqueFile file_;
};

}  // namespace tolvane
