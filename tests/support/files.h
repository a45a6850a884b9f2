// Throwaway folders and whole files as bytes, for the tests that write
// files and read them back.
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

// The bytes of a file; one that cannot be opened fails the test.
std::string ReadBytes(const std::wstring& path);
// Makes the file, or replaces what it holds, with |bytes|.
void WriteBytes(const std::wstring& path, const std::string& bytes);

}  // namespace tolvane::testing
