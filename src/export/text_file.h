// An export file written whole or not at all. The lines go, in the ANSI code
// page with CR LF after each, to a temporary file beside the target; only
// once every line is written and flushed does that file replace the target.
// Until then, and after any failure, the target stays as it was.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "toolkit/handles.h"

namespace tolvane {

class TextFile {
  public:
    explicit TextFile(std::wstring target);
    // Removes the temporary file unless Commit() put it in place.
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Each returns 0 or the platform's error code; after a failure the
    // later calls fail too.
    DWORD Open();
    DWORD WriteLine(std::wstring_view line);
    // Bytes as they are, for files in other encodings.
    DWORD WriteBytes(std::string_view bytes);
    DWORD Commit();

  private:
    void Discard();

    std::wstring target_;
    std::wstring temporary_;
    UniqueFile file_;
    DWORD error_ = ERROR_SUCCESS;
    size_t lines_ = 0;
};

// Writes |lines| to |path| as a TextFile; 0 or the first error code.
DWORD WriteTextFile(const std::wstring& path, const std::vector<std::wstring>& lines);
// Writes |bytes| to |path| the same way, whole or not at all.
DWORD WriteWholeFile(const std::wstring& path, std::string_view bytes);

// Runs, when set, before each write (a line, or bytes), with its index; a
// non-zero result stands for a write that fails (a full disk, a network
// drive gone), which tests cannot otherwise cause. The program leaves it
// null.
inline DWORD (*beforeTextFileLine)(size_t index) = nullptr;

}  // namespace tolvane
