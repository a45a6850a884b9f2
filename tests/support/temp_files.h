// Throwaway folders for the tests that write files.
#pragma once

#include <string>
#include <vector>

namespace tolvane::testing {

// A fresh folder under the temporary folder, removed with its content.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

  private:
    std::wstring path_;
};

// The names in a folder, without "." and "..".
std::vector<std::wstring> FileNamesIn(const std::wstring& folder);

}  // namespace tolvane::testing
